#include "core/plotting_pass.h"

#include "core/column_counts.h"
#include "core/corner_labels.h"
#include "core/count_kernel.h"
#include "core/deep_engine.h"
#include "core/deep_view.h"
#include "core/escape.h"
#include "core/numeric.h"
#include "core/state.h"
#include "platform/platform.h"

#include <cmath>
#include <string>
#include <vector>

namespace vantorel {
namespace {

void writeBlockSizeLabels()
{
    platform().setCaption(Caption::labelchunkx, std::to_string(state.blockWidth));
    platform().setCaption(Caption::Labelchunky, std::to_string(state.blockHeight));
}

void writeElapsedTime()
{
    state.elapsedMs = wrappingSub32(platform().tickCount(), state.startTicks);
    platform().setCaption(Caption::Labeltime, std::to_string(state.elapsedMs));
}

// Percentage of the stage done, floor(pixelX / (canvasWidth - blockWidth) * 100).
std::string progressText()
{
    const double ratio = static_cast<double>(state.pixelX) / static_cast<double>(state.canvasWidth - state.blockWidth);
    const double percent = std::floor(ratio * 100.0);
    const long long shown = std::isfinite(percent) ? static_cast<long long>(percent) : 0;
    return signedText(shown) + " %";
}

void finish()
{
    // Nothing more to count ahead for this pass.
    endPassCounts();
    endDeepPass();
    const bool completed = !state.abortRequested;
    if (state.abortRequested) {
        // Stopped: the time label keeps the last column's time.
        state.abortRequested = false;
        state.timingActive = false;
    } else {
        writeElapsedTime();
        state.timingActive = false;
    }
    platform().plotEnded(completed);
}

// Reads the iteration limit from its scroll bar (it may change at any pump).
void readIterationLimit() { state.maxIterations = static_cast<float>(platform().scrollValue(ScrollBar::itera)); }

// Passes nest inside each other's event pump, one per key repeat of a held
// arrow key. Beyond this depth a request restarts the innermost pass in place
// instead, so the stack stays bounded (docs/plotting-pass.md, sections 2-3).
int maxNestedPasses = DefaultPassNestingLimit;
int nestedPasses = 0;
bool restartRequested = false;
// Requests that restarted the innermost pass instead of nesting: the
// restarted pass adds their parity to stageCounter when it completes, as the
// skipped levels would have while unwinding (docs/plotting-pass.md, section 4).
int restartsInPlace = 0;

// The counts and colours of the current column's blocks, top to bottom.
std::vector<std::int16_t> columnCounts;
std::vector<Colour> columnColours;

// Passes set up since the program started: a pump after which it has grown
// ran a pass of its own inside this one.
long passesStarted = 0;

enum class DeepWait { Ready, Stopped, InnerPass, Restart };

// Waits for a deep view's reference orbit, pumping events meanwhile as a
// column end does, so that Stop, Pause and every other command answer within
// a few milliseconds however long the orbit takes. A pass begun inside a pump
// here leaves the columns where it ended them, as at a column end; a Stop is
// seen by the column's first block.
DeepWait waitForDeepReference()
{
    ExplorationState& s = state;
    Platform& p = platform();
    const long passesBefore = passesStarted;
    std::int32_t lastShown = p.tickCount();
    for (;;) {
        holdDeepTables(s.paused);
        if (waitForDeepTables(10) && deepTablesReady(s.maxIterations, s.calcStep))
            return DeepWait::Ready;
        if (s.timingActive && wrappingSub32(p.tickCount(), lastShown) >= 100) {
            lastShown = p.tickCount();
            writeElapsedTime();
        }
        const int openWindows = p.pumpEvents();
        if (restartRequested) {
            restartRequested = false;
            return DeepWait::Restart;
        }
        if (passesStarted != passesBefore)
            return DeepWait::InnerPass;
        if (openWindows >= 1)
            readIterationLimit();
        if (s.abortRequested)
            return DeepWait::Stopped;
    }
}

struct NestingLevel {
    NestingLevel() { ++nestedPasses; }
    ~NestingLevel() { --nestedPasses; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;
};

}  // namespace

int plottingPassNesting() { return nestedPasses; }

void setPlottingPassNestingLimit(int depth) { maxNestedPasses = depth; }

void runPlottingPass()
{
    if (nestedPasses >= maxNestedPasses) {
        restartRequested = true;
        ++restartsInPlace;
        return;
    }
    const NestingLevel level;
    restartRequested = false;
    ExplorationState& s = state;
    Platform& p = platform();

restart:

    ++passesStarted;
    s.plotStarted = true;
    s.paused = false;
    s.abortRequested = false;
    s.timingActive = false;

    s.zoomFactor = usableZoomFactor(s.zoomFactor);

    s.canvasWidth = static_cast<std::int16_t>(roundToInt16(p.canvasOuterWidthTwips()) / TwipsPerPixel);
    s.canvasHeight = static_cast<std::int16_t>(roundToInt16(p.canvasOuterHeightTwips()) / TwipsPerPixel);
    readIterationLimit();

    writeCornerLabels();

    s.spanX = s.viewXMax - s.viewXMin;
    s.spanY = s.viewYMax - s.viewYMin;
    if (deepViewActive()) {
        // The nearest doubles of a deep view's corners may be one double:
        // the spans come from the deep view itself.
        deep.spanX = deep.view.xMax.minus(deep.view.xMin);
        deep.spanY = deep.view.yMax.minus(deep.view.yMin);
        s.spanX = deep.spanX.toDouble();
        s.spanY = deep.spanY.toDouble();
    }
    s.pixelStepX = s.spanX / s.canvasWidth;
    s.pixelStepY = s.spanY / s.canvasHeight;
    beginDeepPass(s.canvasWidth, s.canvasHeight);

    // 16 with successive refinement on (base 2), 1 with it off.
    s.initialBlockSize = roundToInt16(std::pow(static_cast<double>(s.refinementBase), 4.0));
    s.blockWidth = s.initialBlockSize;
    s.blockHeight = s.initialBlockSize;
    writeBlockSizeLabels();

    s.timingActive = true;
    p.setCaption(Caption::Labeltime, "0");
    s.startTicks = p.tickCount();

    // Counts are kept from stage to stage within this pass only.
    beginPassCounts();
    // Band 0 follows the intensity scroll bar, which only a pump can move.
    int intensity = p.scrollValue(ScrollBar::colourbar);

    for (;;) {
        // The column loop's bound and step are fixed when the stage begins;
        // pixelX itself is shared, so an inner pass moves it on (section 5
        // of docs/plotting-pass.md).
        const int columnEnd = s.canvasWidth - s.blockWidth;
        const int columnStep = s.blockWidth;
        for (s.pixelX = 0; s.pixelX <= columnEnd; s.pixelX = static_cast<std::int16_t>(s.pixelX + columnStep)) {
            p.setCaption(Caption::Labelcompleted, progressText());

            // A deep view's first column waits for its reference orbit.
            if (deepPassActive() && !s.abortRequested && !deepTablesReady(s.maxIterations, s.calcStep)) {
                const DeepWait outcome = waitForDeepReference();
                if (outcome == DeepWait::Restart)
                    goto restart;
                if (outcome == DeepWait::InnerPass)
                    continue;  // on from where the inner pass left the columns
                intensity = p.scrollValue(ScrollBar::colourbar);
            }

            const int rowEnd = s.canvasHeight - s.blockHeight;
            const int rowStep = s.blockHeight;
            // The column's blocks go onto the canvas together once it is
            // coloured: nothing can look at the canvas before the next pump.
            columnColours.clear();
            const auto paintColumn = [&] {
                p.canvasPaintColumn(s.pixelX, s.blockWidth, s.blockHeight, columnColours.data(),
                                    static_cast<int>(columnColours.size()));
            };
            // The counts of the whole column in one batch: nothing they depend
            // on can change before the next pump (docs/plotting-pass.md,
            // section 6). A pass about to stop at its first block skips the work.
            if (countPath() == CountPath::Fast && !s.abortRequested && countColumn(rowEnd, rowStep, columnCounts)) {
                columnColours.resize(columnCounts.size());
                colourColumn(columnCounts.data(), columnColours.data(), static_cast<int>(columnCounts.size()),
                             intensity);
                s.pixelY = static_cast<std::int16_t>(s.pixelY + rowStep);  // where the row loop ends
            } else {
                for (s.pixelY = 0; s.pixelY <= rowEnd; s.pixelY = static_cast<std::int16_t>(s.pixelY + rowStep)) {
                    if (s.abortRequested) {
                        paintColumn();
                        finish();
                        return;
                    }
                    // In a stage that keeps the first stage's width, blocks on
                    // the coarser lattice already hold their count and are
                    // only repainted with the count of the block painted
                    // before them.
                    s.computePoint = decideComputePoint(s.computePoint, s.pixelX, s.pixelY, s.blockWidth,
                                                        s.blockHeight, s.initialBlockSize, s.refinementBase);
                    if (s.computePoint) {
                        s.cRe = s.pixelX * s.pixelStepX + s.viewXMin;
                        s.cIm = s.pixelY * s.pixelStepY + s.viewYMin;
                        s.iterationCount = deepPassActive()
                                               ? deepEscapeCount(s.pixelX, s.pixelY, s.maxIterations, s.calcStep)
                                               : escapeCount();
                    }
                    columnColours.push_back(colourBlock(intensity));
                }
            }
            paintColumn();

            if (s.timingActive)
                writeElapsedTime();
            if (s.abortRequested) {
                s.abortRequested = false;
                finish();
                return;
            }
            const int openWindows = p.pumpEvents();
            if (restartRequested) {
                restartRequested = false;
                goto restart;
            }
            intensity = p.scrollValue(ScrollBar::colourbar);
            if (openWindows >= 1) {
                readIterationLimit();
                // The counting ahead waits with a paused pass, so that a
                // paused program takes no processor time.
                const bool pausing = s.paused;
                if (pausing)
                    pauseCountingAhead();
                while (s.paused) {
                    p.pumpEvents(true);
                    if (restartRequested) {
                        restartRequested = false;
                        goto restart;
                    }
                    intensity = p.scrollValue(ScrollBar::colourbar);
                    if (s.abortRequested)
                        break;
                }
                if (pausing && !s.abortRequested)
                    resumeCountingAhead();
            }
        }

        // Stage end.
        if (s.initialBlockSize == 1) {
            restartsInPlace = 0;
            finish();
            return;
        }
        s.stageCounter = wrappingAdd16(s.stageCounter, 1);
        if (s.blockWidth == 1 && s.blockHeight == 1) {
            s.stageCounter = wrappingAdd16(s.stageCounter, static_cast<std::int16_t>(restartsInPlace % 2));
            restartsInPlace = 0;
            finish();
            return;
        }
        const BlockSize next = nextStageBlock({s.blockWidth, s.blockHeight}, s.stageCounter, s.synchronizedMode);
        s.blockWidth = next.width;
        s.blockHeight = next.height;
        writeBlockSizeLabels();
    }
}

BlockSize nextStageBlock(BlockSize block, std::int16_t counter, bool synchronized)
{
    const auto halve = [](std::int16_t side) {
        const std::int16_t half = roundToInt16(side * 0.5);
        return half < 1 ? std::int16_t{1} : half;
    };
    if (synchronized || counter % 2 != 0)
        block.width = halve(block.width);
    if (synchronized || counter % 2 == 0)
        block.height = halve(block.height);
    return block;
}

}  // namespace vantorel
