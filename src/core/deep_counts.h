#pragma once
// The counts of a deep view for pictures of any size: the same counts as the
// window's deep passes (deep_engine.h), from a reference of its own, so that
// an export can run beside the window's own pass.

#include "core/deep_view.h"
#include "core/pixel_counts.h"

#include <atomic>
#include <memory>

namespace vantorel {

struct DeepTables;

class DeepViewCounts final : public PixelCountSource {
public:
    // Computes the reference orbit and its table for the view on a canvas of
    // width x height, which can take seconds at the greatest depths; gives
    // up when `cancel` is set (ready() is then false).
    DeepViewCounts(const DeepView& view, int width, int height, float maxIterations, int calcStep,
                   const std::atomic<bool>* cancel = nullptr);
    ~DeepViewCounts() override;
    bool ready() const { return tables != nullptr; }

    void countRun(int py, int px0, int n, std::int16_t* counts) const override;
    RowRun rowsInsideDisc(int px, int rowStep, int rows) const override;

private:
    struct Reference;
    std::unique_ptr<Reference> reference;
    std::shared_ptr<const DeepTables> tables;
    int rounds, step;
    std::int16_t neverEscapes;
};

// The counts of a picture of `view` on a canvas of width x height, as the
// window would draw it on such a canvas: from its nearest doubles where
// doubles resolve it there (or with deep zoom off, or for a view of no width
// or height), from the view itself past that. Null when `cancel` stopped the
// reference orbit. The nearest doubles must be finite, and a deep view
// within withinDeepestDepth.
std::unique_ptr<PixelCountSource> pictureCountsFor(const DeepView& view, bool deepZoom, int width, int height,
                                                   float maxIterations, int calcStep,
                                                   const std::atomic<bool>* cancel = nullptr);

}  // namespace vantorel
