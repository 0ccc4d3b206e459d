#pragma once
// The orbit of one point of a deep view, computed in the view's precision:
// the reference that every other pixel of the view is counted against
// (perturbation.h).

#include "core/big_float.h"
#include "core/floatexp.h"

#include <atomic>
#include <optional>
#include <vector>

namespace vantorel {

// W_0 = 0, W_(n+1) = W_n^2 + c: the loop's own sequence (which starts at z = c)
// is W_1, W_2, ...; its test number j looks at W_j.
struct ReferenceOrbit {
    std::vector<double> re, im;     // W_n rounded to doubles
    std::vector<ComplexExp> exact;  // W_n with a wide exponent: tiny values stay exact
    // 4 - |W_n|^2 in the orbit's precision: how far W_n is from escaping,
    // which near the tip of the set (W close to 2) is far below what the
    // doubles of W can show.
    std::vector<FloatExp> margin;
    int last = 0;                   // the last n stored
    bool escaped = false;           // |W_last|^2 > 4: the reference itself escaped there
};

// The orbit of (cRe, cIm) in `bits` of precision, up to W_rounds or to the
// first W_n with |W_n|^2 > 4. Looks at `cancel` before every iteration and
// gives nothing once it is set; waits while `hold` is set.
std::optional<ReferenceOrbit> computeReferenceOrbit(const BigFloat& cRe, const BigFloat& cIm, int rounds, int bits,
                                                    const std::atomic<bool>& cancel, const std::atomic<bool>& hold);

}  // namespace vantorel
