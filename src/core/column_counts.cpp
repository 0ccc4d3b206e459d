#include "core/column_counts.h"

#include "core/count_kernel.h"
#include "core/escape.h"
#include "core/state.h"

#include <algorithm>
#include <cstring>
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
    std::uint32_t limit = 0;
    int calcStep = 0, width = 0, height = 0;
    bool operator==(const CountKey&) const = default;
};

CountKey currentKey()
{
    const ExplorationState& s = state;
    return {bitsOf(s.viewXMin), bitsOf(s.viewYMin), bitsOf(s.pixelStepX), bitsOf(s.pixelStepY),
            bitsOf(s.maxIterations), s.calcStep, s.canvasWidth, s.canvasHeight};
}

// Counts of single pixels kept within a pass (-1: not known). Allocated when
// the canvas size changes, never per block or per column.
struct PixelCounts {
    std::vector<std::int16_t> counts;
    CountKey key;
    bool valid = false;
};
PixelCounts kept;

// The current column's batch. Sized by the canvas height.
struct ColumnBatch {
    std::vector<double> cIm;              // per point of the batch
    std::vector<std::int16_t> counts;     // per point of the batch
    std::vector<int> rows;                // pixelY of each point
    std::vector<std::int16_t> rowCount;   // per pixelY
    std::vector<std::uint64_t> rowIm;     // per pixelY: bits of the cIm used
    std::vector<long> rowStamp;           // per pixelY: the column the count belongs to
    std::vector<double> cRe;              // per point, all equal (the kernel takes arrays)
    long stamp = 0;
    std::uint64_t reBits = 0;
    float limit = 0;
    int calcStep = 0;
};
ColumnBatch column;
ColumnCountStats stats;

template <class T>
void ensureSize(std::vector<T>& v, std::size_t n, T fill = T{})
{
    if (v.size() < n)
        v.resize(n, fill);
}

} // namespace

bool decideComputePoint(bool previous, int pixelX, int pixelY, int blockWidth, int blockHeight,
                        int initialBlockSize, int refinementBase)
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

void beginPassCounts() { kept.valid = false; }

void prepareColumnCounts(int rowEnd, int rowStep)
{
    const ExplorationState& s = state;
    ++column.stamp;
    if (rowEnd < 0 || rowStep < 1 || s.calcStep < 1)
        return;  // nothing to batch (or a step the batch does not take): blocks count one by one
    const int height = s.canvasHeight;
    if (rowEnd >= height || s.pixelX < 0 || s.pixelX >= s.canvasWidth)
        return;

    ensureSize(column.cIm, static_cast<std::size_t>(height));
    ensureSize(column.cRe, static_cast<std::size_t>(height));
    ensureSize(column.counts, static_cast<std::size_t>(height));
    ensureSize(column.rows, static_cast<std::size_t>(height));
    ensureSize(column.rowCount, static_cast<std::size_t>(height));
    ensureSize(column.rowIm, static_cast<std::size_t>(height));
    ensureSize(column.rowStamp, static_cast<std::size_t>(height), -1L);

    const CountKey key = currentKey();
    const std::size_t pixels = static_cast<std::size_t>(s.canvasWidth) * static_cast<std::size_t>(height);
    if (!kept.valid || !(kept.key == key)) {
        ensureSize(kept.counts, pixels);
        std::fill_n(kept.counts.begin(), pixels, std::int16_t{-1});
        kept.key = key;
        kept.valid = true;
    }

    // The point exactly as the pass forms it: pixel times step, plus the edge.
    const double cRe = s.pixelX * s.pixelStepX + s.viewXMin;
    column.reBits = bitsOf(cRe);
    column.limit = s.maxIterations;
    column.calcStep = s.calcStep;

    std::int16_t* const keptColumn = kept.counts.data();
    int missing = 0;
    bool computes = s.computePoint;
    for (int y = 0; y <= rowEnd; y += rowStep) {
        computes = decideComputePoint(computes, s.pixelX, y, s.blockWidth, s.blockHeight, s.initialBlockSize,
                                      s.refinementBase);
        if (!computes)
            continue;
        const double cIm = y * s.pixelStepY + s.viewYMin;
        column.rowIm[y] = bitsOf(cIm);
        column.rowStamp[y] = column.stamp;
        const std::int16_t known = keptColumn[static_cast<std::size_t>(y) * s.canvasWidth + s.pixelX];
        if (known >= 0) {
            ++stats.reused;
            column.rowCount[y] = known;
            continue;
        }
        column.cRe[missing] = cRe;
        column.cIm[missing] = cIm;
        column.rows[missing] = y;
        ++missing;
    }
    if (missing == 0)
        return;
    escapeCounts(column.cRe.data(), column.cIm.data(), column.counts.data(), missing, s.maxIterations, s.calcStep);
    stats.batched += missing;
    for (int k = 0; k < missing; ++k) {
        const int y = column.rows[k];
        column.rowCount[y] = column.counts[k];
        keptColumn[static_cast<std::size_t>(y) * s.canvasWidth + s.pixelX] = column.counts[k];
    }
}

std::int16_t takeCount()
{
    const ExplorationState& s = state;
    const int y = s.pixelY;
    if (y >= 0 && static_cast<std::size_t>(y) < column.rowStamp.size() && column.rowStamp[y] == column.stamp
        && column.rowIm[y] == bitsOf(s.cIm) && column.reBits == bitsOf(s.cRe)
        && bitsOf(column.limit) == bitsOf(s.maxIterations) && column.calcStep == s.calcStep)
        return column.rowCount[y];
    ++stats.single;
    return escapeCount();
}

ColumnCountStats columnCountStats() { return stats; }

} // namespace vantorel
