#pragma once
// The escape count of one pixel of a deep view, from its difference to a
// reference orbit.
//
// A pixel's point is c = C + dc, C being the reference point; its sequence is
// w_n = W_n + d_n with d_(n+1) = 2 W_n d_n + d_n^2 + dc, which needs no more
// than double precision however deep the view. The count keeps the loop's
// meaning exactly: test j (j = 1 for c itself) looks at |w_j|^2 > 4, strictly;
// escaping at test j gives (j - 1) * step; a point that survives every test
// the limit allows gets the count of a point that never escapes.
//
// Two things keep the differences honest:
// - Rebasing: where |w_n| < |d_n| the pixel's own value is the smaller
//   difference, so it continues as d = w_n against the reference's start
//   W_0 = 0; likewise when it outlives the reference orbit. A difference never
//   grows past the value it stands for, which is what makes single-reference
//   perturbation glitch without it.
// - Runs of the bilinear table (bla_table.h) skip iterations only where the
//   linear step is exact to the table's tolerance and no test could pass.
// Differences below the double range (views deeper than about 1e-300) are
// held with a wide exponent until they grow into it.

#include "core/bla_table.h"
#include "core/floatexp.h"
#include "core/reference_orbit.h"

#include <cstdint>

namespace vantorel {

// What the count of a pixel needs besides the pixel itself.
struct PerturbationInput {
    const ReferenceOrbit* orbit;
    const BlaTable* table;  // null: no runs, every iteration taken one by one
    int rounds;             // tests the limit allows
    int step;               // counter increment
    std::int16_t neverEscapes;
};

std::int16_t perturbedCount(const PerturbationInput& in, ComplexExp dc);

// Where perturbedCounts takes its pixels (an id of the caller's choosing and
// the pixel's difference from the reference point; false: no more) and
// leaves their counts.
struct PixelSource {
    bool (*next)(void* ctx, int& id, ComplexExp& dc);
    void (*deliver)(void* ctx, int id, std::int16_t count);
    void* ctx;
};
// The counts of every pixel the source gives, as perturbedCount makes them.
void perturbedCounts(const PerturbationInput& in, const PixelSource& source);

}  // namespace vantorel
