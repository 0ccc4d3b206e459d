#include "core/deep_counts.h"

#include "core/count_kernel.h"
#include "core/deep_reference.h"

#include <algorithm>
#include <cmath>

namespace vantorel {

struct DeepViewCounts::Reference : DeepReference {};

DeepViewCounts::DeepViewCounts(const DeepView& view, int width, int height, float maxIterations, int calcStep,
                               const std::atomic<bool>* cancel)
    : reference(std::make_unique<Reference>(Reference{deepReferenceFor(view, width, height)}))
{
    const CountBound bound = countBound(maxIterations, calcStep);
    rounds = bound.rounds;
    step = calcStep;
    neverEscapes = bound.count;
    const std::atomic<bool> never{false};
    tables = computeDeepTables(*reference, rounds, cancel ? *cancel : never, never);
}

DeepViewCounts::~DeepViewCounts() = default;

void DeepViewCounts::countRun(int py, int px0, int n, std::int16_t* counts) const
{
    struct Run {
        const DeepGeometry& geometry;
        int py, px0, n, next = 0;
        std::int16_t* counts;
    } run{reference->geometry, py, px0, n, 0, counts};
    const PixelSource pixels{[](void* ctx, int& id, ComplexExp& dc) {
                                 Run& r = *static_cast<Run*>(ctx);
                                 if (r.next == r.n)
                                     return false;
                                 id = r.next++;
                                 dc = r.geometry.dc(r.px0 + id, r.py);
                                 return true;
                             },
                             [](void* ctx, int id, std::int16_t count) { static_cast<Run*>(ctx)->counts[id] = count; },
                             &run};
    perturbedCounts(tables->input(rounds, step, neverEscapes), pixels);
}

RowRun DeepViewCounts::rowsInsideDisc(int px, int rowStep, int rows) const
{
    // The loop's first test, |c|^2 > 4, as the count decides it: one test
    // with no iteration after it.
    const PerturbationInput firstTest = tables->input(1, 1, 1);
    const DeepGeometry& g = reference->geometry;
    const auto inside = [&](int row) { return perturbedCount(firstTest, g.dc(px, row * rowStep)) != 0; };
    // |c| falls down the column towards the real axis and rises past it,
    // whichever way the rows run: the split is the first row on or past it.
    const int split = static_cast<int>(std::clamp(std::ceil(g.axisRow / rowStep), 0.0, static_cast<double>(rows)));
    return bisectRowsInsideDisc(rows, split, inside);
}

std::unique_ptr<PixelCountSource> pictureCountsFor(const DeepView& view, bool deepZoom, int width, int height,
                                                   float maxIterations, int calcStep, const std::atomic<bool>* cancel)
{
    const double xMin = view.xMin.toDouble(), yMin = view.yMin.toDouble();
    const double xMax = view.xMax.toDouble(), yMax = view.yMax.toDouble();
    const bool flat = view.xMin == view.xMax || view.yMin == view.yMax;
    if (!deepZoom || flat || binary64Resolves(xMin, yMin, xMax, yMax, width, height))
        return std::make_unique<DoubleViewCounts>(xMin, yMin, xMax, yMax, width, height, maxIterations, calcStep);
    auto deepCounts = std::make_unique<DeepViewCounts>(view, width, height, maxIterations, calcStep, cancel);
    if (!deepCounts->ready())
        return nullptr;
    return deepCounts;
}

}  // namespace vantorel
