#pragma once
// A deep view's reference: the centre's orbit in the view's precision, its
// table of runs, and where every pixel lies against it. Shared by the
// window's passes (deep_engine.h) and by pictures of any size (deep_counts.h).

#include "core/bla_table.h"
#include "core/deep_view.h"
#include "core/floatexp.h"
#include "core/perturbation.h"
#include "core/reference_orbit.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace vantorel {

// Pixel (px, py) differs from the reference point, the centre of the view,
// by ((px - width / 2) stepX, (py - height / 2) stepY): its point is the
// pass's own, c = px * (span / width) + corner, since the centre is
// corner + (width / 2) * (span / width). Formed this way a pixel on the
// centre's row or column differs by exactly 0 in that part, as it should: a
// row on the real axis stays on it (from corner + px * step the rounding of
// the two terms would leave it 1e-17 of the view off the axis, where the
// antenna's points escape at last).
struct DeepGeometry {
    FloatExp stepX, stepY;
    double halfWidth = 0, halfHeight = 0;
    FloatExp dcMax;  // the largest difference of any pixel
    // The row whose imaginary part is 0 (fractional, may lie off the canvas).
    double axisRow = 0;
    ComplexExp dc(int px, int py) const
    {
        return ComplexExp::from(FloatExp::from(px - halfWidth) * stepX, FloatExp::from(py - halfHeight) * stepY);
    }
};

struct DeepReference {
    BigFloat re, im;  // the reference point
    int bits = 0;     // the view's precision
    DeepGeometry geometry;
};

DeepReference deepReferenceFor(const DeepView& view, int width, int height);

// The reference orbit and its runs, for limits up to what they serve.
struct DeepTables {
    ReferenceOrbit orbit;
    BlaTable table;
    bool serves(int rounds) const { return orbit.escaped || orbit.last >= rounds; }
    PerturbationInput input(int rounds, int step, std::int16_t neverEscapes) const
    {
        return {&orbit, &table, rounds, step, neverEscapes};
    }
};

// Computes the tables for `rounds` tests; nothing once `cancel` is set.
std::shared_ptr<const DeepTables> computeDeepTables(const DeepReference& reference, int rounds,
                                                    const std::atomic<bool>& cancel, const std::atomic<bool>& hold);

}  // namespace vantorel
