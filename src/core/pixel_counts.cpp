#include "core/pixel_counts.h"

#include "core/count_kernel.h"
#include "core/count_kernel_batch.h"

#include <cmath>
#include <stdexcept>

namespace vantorel {
namespace {

// The pixels of one run, handed to the kernel's lanes one by one.
struct RunFeed {
    double xMin, stepX, cIm;
    int px0, n, next = 0;
    std::int16_t* counts;
};

int nextOfRun(void* ctx, double* cRe, double* cIm)
{
    RunFeed& feed = *static_cast<RunFeed*>(ctx);
    if (feed.next == feed.n)
        return -1;
    const int i = feed.next++;
    // The point exactly as the pass forms it: pixel times step, plus the edge.
    *cRe = static_cast<double>(feed.px0 + i) * feed.stepX + feed.xMin;
    *cIm = feed.cIm;
    return i;
}

void deliverToRun(void* ctx, int i, std::int16_t count) { static_cast<RunFeed*>(ctx)->counts[i] = count; }

bool notYet(void*) { return false; }

// The first index in [low, high) where `test` holds, given that it holds
// from some index on; high when it never does.
template <class Test> int firstWhere(int low, int high, Test test)
{
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (test(middle))
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

}  // namespace

RowRun bisectRowsInsideDisc(int rows, int split, const std::function<bool(int)>& inside)
{
    // Before the split the rows inside are the last ones, from it on the first ones.
    RowRun run;
    const int before = firstWhere(0, split, inside);
    const int after = firstWhere(split, rows, [&](int row) { return !inside(row); });
    if (before < split) {
        run.first = before;
        run.last = after - 1;  // split - 1 when no row from the split on is inside
    } else if (after > split) {
        run.first = split;
        run.last = after - 1;
    }
    return run;
}

DoubleViewCounts::DoubleViewCounts(double viewXMin, double viewYMin, double viewXMax, double viewYMax, int width,
                                   int height, float maxIterations, int calcStep)
    : xMin(viewXMin), yMin(viewYMin), limit(maxIterations), step(calcStep)
{
    if (!std::isfinite(viewXMin) || !std::isfinite(viewYMin) || !std::isfinite(viewXMax) || !std::isfinite(viewYMax)
        || width < 1 || height < 1 || calcStep < 1)
        throw std::invalid_argument("DoubleViewCounts needs finite corners, a size and a step of at least 1");
    // In the pass's order: the span, then the span per pixel.
    const double spanX = viewXMax - viewXMin;
    const double spanY = viewYMax - viewYMin;
    stepX = spanX / width;
    stepY = spanY / height;
}

void DoubleViewCounts::countRun(int py, int px0, int n, std::int16_t* counts) const
{
    RunFeed run{xMin, stepX, static_cast<double>(py) * stepY + yMin, px0, n, 0, counts};
    // countFromFeed runs on the calling thread with lanes of this call's own
    // and keeps its bookkeeping per thread, so calls on several threads do
    // not meet (escapeCounts would: it belongs to the window's thread).
    kernel::LaneState lanes;
    countFromFeed({&nextOfRun, &deliverToRun, &notYet, &run}, lanes, limit, step);
}

RowRun DoubleViewCounts::rowsInsideDisc(int px, int rowStep, int rows) const
{
    const double cRe = static_cast<double>(px) * stepX + xMin;
    const double cReSquared = cRe * cRe;
    const auto imaginary = [&](int row) { return static_cast<double>(row * rowStep) * stepY + yMin; };
    // The first test of escapeCount, on the squares in its order. A NaN
    // (a span too wide for a double, times row 0) passes it, as there.
    const auto inside = [&](int row) {
        const double cIm = imaginary(row);
        return !(cIm * cIm + cReSquared > 4.0);
    };
    // cIm moves one way down the column (each step of its forming rounds
    // monotonically), so |cIm| and with it |c|^2 fall until the real axis
    // and rise after it.
    const int split = firstWhere(0, rows, [&](int row) { return stepY < 0 ? imaginary(row) <= 0 : imaginary(row) >= 0; });
    return bisectRowsInsideDisc(rows, split, inside);
}

}  // namespace vantorel
