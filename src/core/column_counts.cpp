#include "core/column_counts.h"

#include "core/count_kernel.h"
#include "core/deep_engine.h"
#include "core/escape.h"
#include "core/numeric.h"
#include "core/plotting_pass.h"
#include "core/state.h"
#include "platform/large_buffer.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace vantorel {
namespace {

std::uint64_t bitsOf(double x)
{
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

std::uint32_t bitsOf(float x)
{
    std::uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

// What a pixel's count depends on besides the pixel itself. Compared bit for
// bit, so -0 and +0 or two NaNs never pass for each other.
struct CountKey {
    std::uint64_t xMin = 0, yMin = 0, stepX = 0, stepY = 0;
    std::uint64_t deepView = 0;  // a deep view's nearest doubles do not tell it from its neighbours
    std::uint32_t limit = 0;
    int calcStep = 0, width = 0, height = 0;
    bool operator==(const CountKey&) const = default;
};

CountKey currentKey()
{
    const ExplorationState& s = state;
    return {bitsOf(s.viewXMin),    bitsOf(s.viewYMin),      bitsOf(s.pixelStepX), bitsOf(s.pixelStepY),
            deepPassGeneration(), bitsOf(s.maxIterations), s.calcStep,           s.canvasWidth,
            s.canvasHeight};
}

// Counts of single pixels kept within a pass (-1: not known), filled ahead of
// need by the worker thread and by the pass's own thread. Pixels are numbered
// down the columns, as the pass reads them, with each column padded to a
// power of two of at least 64 pixels (pixel x * stride + y) so that a plan can
// pick a column's rows a word at a time. Allocated when the canvas size
// changes, never per block or per column.
struct PixelCounts {
    LargeVector<std::atomic<std::int16_t>> counts;
    std::vector<std::uint64_t> planned;  // one bit per pixel: in the current plan
    std::size_t size = 0;
    int stride = 64;  // pixels per column, the canvas height rounded up to a power of two
    int strideBits = 6;  // log2 of stride: the feeds split a pixel number with shifts
    CountKey key;
    int rounds = 0;  // loop rounds of a point that never escapes, for the key's limit and step
    bool valid = false;
};
PixelCounts kept;

ColumnCountStats stats;

// The points of a column batch at shallow limits: the unknown ones, all in
// the column's cRe.
struct ShallowBatch {
    std::vector<double> cRe, cIm;
    std::vector<std::int16_t> counts;
    std::vector<int> blocks;  // which block of the column each point is
};
ShallowBatch batch;

// The pixels the rest of the pass is expected to compute, in the order it
// will need them: stage by stage, column by column, top to bottom, each
// pixel once. The counts are pure functions of the pixel, the limit and the
// step, so they can be worked out long before the pass paints them; the
// lanes of both threads take the pixels in this order and the pass waits
// only for what its current column needs. A wrong guess (the options
// changed at a pump) costs time, never a count: whatever the pass needs is
// in the plan, at worst later than it is needed.
struct Plan {
    LargeVector<int> order;
    // The kernel the lanes count with: the double loop's (null), or for a
    // deep view the perturbation kernel, which the feeds give pixel
    // positions instead of points.
    kernel::KernelFunction kernel = nullptr;
    std::atomic<int> claimed{0};
    bool stale = true;
    // What the points depend on, copied for the worker thread.
    double xMin = 0, yMin = 0, stepX = 0, stepY = 0;
    float limit = 0;
    int calcStep = 0;
};
Plan plan;

// The pixels of the current column whose counts the pass needs, in plan
// order, and which block of the column each one is.
struct Needs {
    std::vector<int> pixels, blocks;
    std::size_t firstUnknown = 0;
};

// One thread's place in the plan: pixels are claimed 128 at a time, four
// fillings of the widest kernel's lanes. Every claim moves the shared
// counter's cache line between the two cores, and the two threads write the
// counts of neighbouring claims: with claims of 8 the counter alone took
// about a tenth of the processor time of a default picture, and claims of
// 128 draw the default and the full view at 30000 / 1 5-7% faster than
// claims of 32. A thread stops at
// the end of a look when its column is ready, whatever its claim still holds.
constexpr int PixelsPerClaim = 128;
struct PlanFeed {
    int next = 0, end = 0;
    long delivered = 0;      // counts this thread made (for the statistics)
    Needs* needs = nullptr;  // the pass's thread: what it waits for
};
PlanFeed passFeed, workerFeed;
kernel::LaneState passLanes;

bool known(int pixel) { return kept.counts[static_cast<std::size_t>(pixel)].load(std::memory_order_acquire) >= 0; }

int nextPlanned(void* ctx, double* cRe, double* cIm)
{
    PlanFeed& feed = *static_cast<PlanFeed*>(ctx);
    for (;;) {
        if (feed.next == feed.end) {
            const int total = static_cast<int>(plan.order.size());
            const int first = plan.claimed.fetch_add(PixelsPerClaim, std::memory_order_relaxed);
            if (first >= total)
                return -1;
            feed.next = first;
            feed.end = std::min(first + PixelsPerClaim, total);
        }
        const int pixel = plan.order[static_cast<std::size_t>(feed.next++)];
        if (known(pixel))
            continue;  // counted before this plan was made
        const int x = pixel >> kept.strideBits, y = pixel & (kept.stride - 1);
        // The point exactly as the pass forms it: pixel times step, plus the edge.
        *cRe = x * plan.stepX + plan.xMin;
        *cIm = y * plan.stepY + plan.yMin;
        return pixel;
    }
}

void deliverPixel(void* ctx, int pixel, std::int16_t count)
{
    kept.counts[static_cast<std::size_t>(pixel)].store(count, std::memory_order_release);
    ++static_cast<PlanFeed*>(ctx)->delivered;
}

// Enough for now: every count the current column needs is there.
bool columnReady(void* ctx)
{
    Needs* needs = static_cast<PlanFeed*>(ctx)->needs;
    if (!needs)
        return false;  // the worker goes on to the end of the plan
    while (needs->firstUnknown < needs->pixels.size() && known(needs->pixels[needs->firstUnknown]))
        ++needs->firstUnknown;
    return needs->firstUnknown == needs->pixels.size();
}

// Stops the worker and forgets the points in flight; the plan must be made
// again before the lanes run.
void dropPointsInFlight()
{
    stopWorkerFeed();
    stats.batched += passFeed.delivered + workerFeed.delivered;
    passLanes.lanes = 0;
    passLanes.live = 0;
    passFeed = {};
    workerFeed = {};
    plan.stale = true;
}

// The bits of the rows 0, n, 2n, ... of a 64-pixel word, for n dividing 64.
std::uint64_t everyNth(int n)
{
    std::uint64_t bits = 0;
    for (int y = 0; y < 64; y += n)
        bits |= std::uint64_t{1} << y;
    return bits;
}

// Plans the rest of the pass from where it stands: the current stage from
// the current column, then the stages that follow with the current options.
void makePlan()
{
    dropPointsInFlight();
    ++stats.plans;
    const ExplorationState& s = state;
    std::fill(kept.planned.begin(), kept.planned.end(), 0);
    plan.order.clear();
    plan.claimed.store(0, std::memory_order_relaxed);
    if (deepPassActive()) {
        // x * 1 + 0 is x exactly: the deep kernel gets the pixel itself.
        plan.xMin = plan.yMin = 0;
        plan.stepX = plan.stepY = 1;
        plan.kernel = &runDeepKernel;
        publishDeepKernelTables();
    } else {
        plan.xMin = s.viewXMin;
        plan.yMin = s.viewYMin;
        plan.stepX = s.pixelStepX;
        plan.stepY = s.pixelStepY;
        plan.kernel = nullptr;
    }
    plan.limit = s.maxIterations;
    plan.calcStep = s.calcStep;

    int width = s.blockWidth, height = s.blockHeight, firstColumn = s.pixelX;
    std::int16_t counter = s.stageCounter;
    // A pass has at most 9 stages; the bound only guards odd block sizes.
    for (int stage = 0; stage < 64 && width >= 1 && height >= 1; ++stage) {
        // The stage's rows as bits of a column word (pixel y is bit y % 64
        // of word y / 64); pixels planned before are skipped a word at a time.
        // Pixels whose counts are known already are skipped when claimed.
        const int lastRow = s.canvasHeight - height;
        const std::uint64_t rowsOfStage = height <= 64 && 64 % height == 0 ? everyNth(height) : 0;
        for (int x = firstColumn; x <= s.canvasWidth - width; x += width) {
            std::uint64_t* column = kept.planned.data() + static_cast<std::size_t>(x) * (kept.stride / 64);
            for (int word = 0; word * 64 <= lastRow; ++word) {
                std::uint64_t rows = rowsOfStage;
                if (!rows)  // an odd block height: its rows one by one
                    for (int y = (word * 64 + height - 1) / height * height; y < word * 64 + 64; y += height)
                        rows |= std::uint64_t{1} << (y - word * 64);
                if (lastRow - word * 64 < 63)
                    rows &= (std::uint64_t{2} << (lastRow - word * 64)) - 1;
                std::uint64_t fresh = rows & ~column[word];
                column[word] |= fresh;
                for (; fresh; fresh &= fresh - 1)
                    plan.order.push_back(x * kept.stride + word * 64 + std::countr_zero(fresh));
            }
        }
        firstColumn = 0;
        // The stage end of the pass.
        if (s.initialBlockSize == 1)
            break;
        counter = wrappingAdd16(counter, 1);
        if (width == 1 && height == 1)
            break;
        const BlockSize next = nextStageBlock({static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)},
                                              counter, s.synchronizedMode);
        width = next.width;
        height = next.height;
    }
    plan.stale = false;
}

// The worker counts ahead whenever the plan has pixels nobody has taken.
void keepWorkerBusy()
{
    if (plan.stale || workerFeedRunning()
        || plan.claimed.load(std::memory_order_relaxed) >= static_cast<int>(plan.order.size()))
        return;
    stats.batched += workerFeed.delivered;
    workerFeed = {};
    startWorkerFeed({&nextPlanned, &deliverPixel, &columnReady, &workerFeed}, plan.limit, plan.calcStep, plan.kernel);
}

// Counts the pixels of the column that are still unknown and that neither
// thread holds any more, here and now. Returns how many it counted.
long countTheRest(const Needs& needs)
{
    static std::vector<double> re, im;
    static std::vector<std::int16_t> counts;
    static std::vector<int> pixels;
    re.clear(), im.clear(), pixels.clear();
    for (std::size_t k = needs.firstUnknown; k < needs.pixels.size(); ++k) {
        const int pixel = needs.pixels[k];
        if (known(pixel))
            continue;
        const int x = pixel >> kept.strideBits, y = pixel & (kept.stride - 1);
        re.push_back(x * state.pixelStepX + state.viewXMin);
        im.push_back(y * state.pixelStepY + state.viewYMin);
        pixels.push_back(pixel);
    }
    counts.resize(pixels.size());
    if (deepPassActive()) {
        for (std::size_t k = 0; k < pixels.size(); ++k)
            counts[k] = deepEscapeCount(pixels[k] >> kept.strideBits, pixels[k] & (kept.stride - 1),
                                        state.maxIterations, state.calcStep);
    } else {
        escapeCounts(re.data(), im.data(), counts.data(), static_cast<int>(pixels.size()), state.maxIterations,
                     state.calcStep);
    }
    for (std::size_t k = 0; k < pixels.size(); ++k)
        kept.counts[static_cast<std::size_t>(pixels[k])].store(counts[k], std::memory_order_relaxed);
    stats.batched += static_cast<long>(pixels.size());
    return static_cast<long>(pixels.size());
}

void waitForColumn(Needs& needs)
{
    // Count on this thread until the column's counts are all there: the
    // lanes take the plan's pixels, so while they wait for a slow point of
    // this column they count the columns that follow.
    passFeed.needs = &needs;
    while (!columnReady(&passFeed)) {
        countFromFeed({&nextPlanned, &deliverPixel, &columnReady, &passFeed}, passLanes, plan.limit, plan.calcStep,
                      plan.kernel);
        if (columnReady(&passFeed))
            break;
        if (workerFeedRunning()) {
            // The worker holds a point of this column and nothing is left to
            // take meanwhile.
            std::this_thread::yield();
            continue;
        }
        // Neither thread holds the missing counts: a plan that missed them.
        if (!columnReady(&passFeed))
            stats.late += countTheRest(needs);
        break;
    }
    passFeed.needs = nullptr;
}

}  // namespace

bool decideComputePoint(bool previous, int pixelX, int pixelY, int blockWidth, int blockHeight, int initialBlockSize,
                        int refinementBase)
{
    if (blockWidth != initialBlockSize)
        return previous;
    if (blockHeight == initialBlockSize)
        return true;
    // In the stage that keeps the first stage's width, blocks on the coarser
    // lattice already hold their count: they are only repainted.
    const int latticeX = blockWidth * refinementBase;
    const int latticeY = blockHeight * refinementBase;
    return !(pixelX % latticeX == 0 && pixelY % latticeY == 0);
}

void beginPassCounts()
{
    dropPointsInFlight();
    kept.valid = false;
}

void endPassCounts() { dropPointsInFlight(); }

void pauseCountingAhead() { dropPointsInFlight(); }

void resumeCountingAhead()
{
    if (countPath() != CountPath::Fast || !kept.valid || kept.rounds < RoundsWorthPlanning
        || !(kept.key == currentKey()))
        return;
    makePlan();
    keepWorkerBusy();
}

bool countColumn(int rowEnd, int rowStep, std::vector<std::int16_t>& counts)
{
    ExplorationState& s = state;
    if (rowEnd < 0 || rowStep < 1 || s.calcStep < 1 || rowEnd >= s.canvasHeight || s.pixelX < 0
        || s.pixelX >= s.canvasWidth) {
        ++stats.single;  // nothing to batch, or a step the batch does not take
        return false;
    }

    const CountKey key = currentKey();
    const int stride = static_cast<int>(std::bit_ceil(static_cast<unsigned>(std::max<int>(s.canvasHeight, 64))));
    const std::size_t pixels = static_cast<std::size_t>(s.canvasWidth) * static_cast<std::size_t>(stride);
    if (!kept.valid || !(kept.key == key)) {
        // The limit, the step or the view changed at a pump, or a pass began.
        dropPointsInFlight();
        if (kept.size < pixels) {
            kept.counts = LargeVector<std::atomic<std::int16_t>>(pixels);
            kept.planned.assign((pixels + 63) / 64, 0);
            plan.order.reserve(pixels);
            kept.size = pixels;
        }
        if (kept.stride != stride) {
            kept.stride = stride;
            kept.strideBits = std::countr_zero(static_cast<unsigned>(stride));
            std::fill(kept.planned.begin(), kept.planned.end(), 0);
        }
        for (std::size_t i = 0; i < pixels; ++i)
            kept.counts[i].store(-1, std::memory_order_relaxed);
        kept.key = key;
        kept.rounds = countBound(s.maxIterations, s.calcStep).rounds;
        kept.valid = true;
    }

    // The blocks the row loop will compute, exactly as it decides them: the
    // counts already there are taken at once, the others counted below. A
    // block the loop does not compute keeps the count of the block before.
    constexpr std::int16_t Unknown = -1, NotComputed = -2;
    const int blocks = rowEnd / rowStep + 1;
    counts.resize(static_cast<std::size_t>(blocks));
    // A deep view's pixels always go through the plan: each costs far more
    // than a plan of the pass.
    const bool shallow = kept.rounds < RoundsWorthPlanning && !deepPassActive();
    const int columnStart = s.pixelX * kept.stride;
    static Needs needs;
    needs.pixels.clear();
    needs.blocks.clear();
    needs.firstUnknown = 0;
    batch.cIm.clear();
    batch.blocks.clear();
    // What the walk reads, in locals: the counts it writes are 16-bit, like
    // the state's fields, which would otherwise be read again at every block.
    const int pixelX = s.pixelX, blockWidth = s.blockWidth, blockHeight = s.blockHeight;
    const int initialBlockSize = s.initialBlockSize, refinementBase = s.refinementBase;
    const std::atomic<std::int16_t>* keptColumn = kept.counts.data() + columnStart;
    std::int16_t* out = counts.data();
    bool computes = s.computePoint, anyNotComputed = false;
    int lastComputedRow = -1;
    long reused = 0;
    for (int k = 0, y = 0; k < blocks; ++k, y += rowStep) {
        computes = decideComputePoint(computes, pixelX, y, blockWidth, blockHeight, initialBlockSize, refinementBase);
        if (!computes) {
            out[k] = NotComputed;
            anyNotComputed = true;
            continue;
        }
        lastComputedRow = y;
        // A count is the only thing its store publishes: a relaxed load that
        // sees it sees all there is to see.
        const std::int16_t count = keptColumn[y].load(std::memory_order_relaxed);
        out[k] = count;
        if (count != Unknown) {
            ++reused;
        } else if (shallow) {
            batch.cIm.push_back(y * s.pixelStepY + s.viewYMin);
            batch.blocks.push_back(k);
        } else {
            needs.pixels.push_back(columnStart + y);
            needs.blocks.push_back(k);
        }
    }
    stats.reused += reused;

    const double cRe = s.pixelX * s.pixelStepX + s.viewXMin;
    if (!batch.blocks.empty()) {
        // At shallow limits the column's own points in one batch cost less than a plan.
        const int n = static_cast<int>(batch.blocks.size());
        batch.cRe.assign(batch.blocks.size(), cRe);
        batch.counts.resize(batch.blocks.size());
        escapeCounts(batch.cRe.data(), batch.cIm.data(), batch.counts.data(), n, s.maxIterations, s.calcStep);
        stats.batched += n;
        for (int i = 0; i < n; ++i) {
            const int k = batch.blocks[static_cast<std::size_t>(i)];
            const std::int16_t count = batch.counts[static_cast<std::size_t>(i)];
            counts[k] = count;
            kept.counts[static_cast<std::size_t>(columnStart + k * rowStep)].store(count, std::memory_order_relaxed);
        }
    }
    if (!needs.pixels.empty()) {
        // Every plan ends with the 1 x 1 stage, which holds every pixel, so a
        // plan made since the pass began or last changed course holds
        // whatever the column needs.
        if (plan.stale)
            makePlan();
        keepWorkerBusy();
        waitForColumn(needs);
        for (std::size_t i = 0; i < needs.pixels.size(); ++i)
            counts[static_cast<std::size_t>(needs.blocks[i])] =
                kept.counts[static_cast<std::size_t>(needs.pixels[i])].load(std::memory_order_relaxed);
    }

    std::int16_t count = s.iterationCount;
    if (anyNotComputed) {
        for (std::int16_t& c : counts)
            c = c == NotComputed ? count : (count = c);
    }
    count = counts.back();

    // The state as the row loop leaves it at the last block.
    s.pixelY = static_cast<std::int16_t>((blocks - 1) * rowStep);
    s.computePoint = computes;
    s.iterationCount = count;
    if (lastComputedRow >= 0) {
        s.cRe = cRe;
        s.cIm = lastComputedRow * s.pixelStepY + s.viewYMin;
    }
    return true;
}

ColumnCountStats columnCountStats() { return stats; }

}  // namespace vantorel
