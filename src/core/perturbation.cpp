#include "core/perturbation.h"

#include <cmath>

namespace vantorel {
namespace {

// Below this size a difference is carried with its own exponent; above it,
// as two doubles (whose squares then stay far inside the double range).
constexpr std::int64_t DoubleFromExponent = -500;

// Where |z|^2 computed in doubles lies this close to 4, the test is decided
// from 4 - |W|^2 held in the orbit's own precision instead (escapesNearTwo).
constexpr double CloseToFour = 0x1p-20;

struct Walk {
    const PerturbationInput& in;
    const ComplexExp dc;
    double dcRe, dcIm;  // dc as doubles (0 where it is below their range: then far below d)
    bool dcInRange;     // dc is a double with its full precision
    int j = 1, m = 1;   // the test due, and the reference index it looks at

    std::int16_t escapedAt() const { return static_cast<std::int16_t>((j - 1) * in.step); }

    // |W + d|^2 > 4 for |W| close to 2, where the doubles of W (2 - 1e-35 is
    // 2.0) cannot tell: |W + d|^2 - 4 = |d|^2 + 2 Re(conj(W) d) - (4 - |W|^2).
    bool escapesNearTwo(double dr, double di) const
    {
        const double t = dr * dr + di * di + 2 * (in.orbit->re[static_cast<std::size_t>(m)] * dr
                                                  + in.orbit->im[static_cast<std::size_t>(m)] * di);
        const FloatExp margin = in.orbit->margin[static_cast<std::size_t>(m)];
        return t > margin.toDouble();
    }
    bool escapesNearTwo(const ComplexExp& d) const
    {
        const ComplexExp& w = in.orbit->exact[static_cast<std::size_t>(m)];
        const FloatExp cross = FloatExp::scaled(w.re * d.re + w.im * d.im, w.e + d.e + 1);
        const FloatExp t = d.norm() + cross;
        const FloatExp margin = in.orbit->margin[static_cast<std::size_t>(m)];
        // t > margin, for numbers of either sign.
        const FloatExp difference = t - margin;
        return difference.m > 0;
    }

    // With the difference held wide: until it grows into the double range.
    bool wideSteps(ComplexExp& d, std::int16_t& count)
    {
        const ReferenceOrbit& orbit = *in.orbit;
        for (;;) {
            if (d.e > DoubleFromExponent)
                return false;
            const ComplexExp z = orbit.exact[static_cast<std::size_t>(m)] + d;
            const double zr = z.reDouble(), zi = z.imDouble();
            const double z2 = zr * zr + zi * zi;
            if (z2 > 4 + CloseToFour || (z2 >= 4 - CloseToFour && escapesNearTwo(d))) {
                count = escapedAt();
                return true;
            }
            if (j == in.rounds) {
                count = in.neverEscapes;
                return true;
            }
            if (m == orbit.last || z.norm() < d.norm()) {
                d = z;
                m = 0;
            }
            int length = 0;
            const BlaStep* run = in.table ? in.table->find(m, magnitude(d), in.rounds - j + 1, length) : nullptr;
            if (run) {
                if (j + length > in.rounds) {
                    count = in.neverEscapes;  // no test inside a run can pass
                    return true;
                }
                d = run->a * d + run->b * dc;
                m += length;
                j += length;
                continue;
            }
            const ComplexExp w = orbit.exact[static_cast<std::size_t>(m)];
            d = (ComplexExp{w.re, w.im, w.e + 1} + d) * d + dc;
            ++m;
            ++j;
        }
    }

    // With the difference as doubles; false when a rebase made it small again.
    bool doubleSteps(ComplexExp& wide, std::int16_t& count)
    {
        const ReferenceOrbit& orbit = *in.orbit;
        const double* wRe = orbit.re.data();
        const double* wIm = orbit.im.data();
        double dr = wide.reDouble(), di = wide.imDouble();
        for (;;) {
            const double zr = wRe[m] + dr, zi = wIm[m] + di;
            const double z2 = zr * zr + zi * zi;
            if (z2 > 4 + CloseToFour || (z2 >= 4 - CloseToFour && escapesNearTwo(dr, di))) {
                count = escapedAt();
                return true;
            }
            if (j == in.rounds) {
                count = in.neverEscapes;
                return true;
            }
            double d2 = dr * dr + di * di;
            if (m == orbit.last || z2 < d2) {
                dr = zr;
                di = zi;
                d2 = z2;
                m = 0;
                const ComplexExp rebased = ComplexExp::from(dr, di);
                if (rebased.e <= DoubleFromExponent) {
                    wide = rebased;
                    return false;
                }
            }
            int length = 0;
            const BlaStep* run = in.table ? in.table->find(m, d2, in.rounds - j + 1, length) : nullptr;
            if (run) {
                if (j + length > in.rounds) {
                    count = in.neverEscapes;
                    return true;
                }
                if (run->doubles && dcInRange) {
                    const double nr = run->ar * dr - run->ai * di + (run->br * dcRe - run->bi * dcIm);
                    di = run->ar * di + run->ai * dr + (run->br * dcIm + run->bi * dcRe);
                    dr = nr;
                } else {
                    const ComplexExp next = run->a * ComplexExp::from(dr, di) + run->b * dc;
                    dr = next.reDouble();
                    di = next.imDouble();
                }
                m += length;
                j += length;
                continue;
            }
            // d' = (2 W + d) d + dc
            const double tr = 2 * wRe[m] + dr, ti = 2 * wIm[m] + di;
            const double nr = tr * dr - ti * di + dcRe;
            di = tr * di + ti * dr + dcIm;
            dr = nr;
            ++m;
            ++j;
        }
    }
};

}  // namespace

std::int16_t perturbedCount(const PerturbationInput& in, ComplexExp dc)
{
    if (in.rounds <= 0)
        return in.neverEscapes;
    Walk walk{in, dc, dc.reDouble(), dc.imDouble(), dc.isZero() || dc.e > -900};
    // Test 1 looks at w_1 = c = W_1 + dc.
    ComplexExp d = dc;
    std::int16_t count = 0;
    for (;;) {
        if (walk.wideSteps(d, count))
            return count;
        if (walk.doubleSteps(d, count))
            return count;
    }
}

}  // namespace vantorel
