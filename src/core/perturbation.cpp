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

// One pixel on its way: the test due (j), the reference index it looks at
// (m) and the difference, wide or as doubles.
struct Walk {
    ComplexExp dc;
    double dcRe = 0, dcIm = 0;  // dc as doubles (0 where it is below their range: then far below d)
    bool dcInRange = false;     // dc is a double with its full precision
    int j = 1, m = 1;           // test 1 looks at w_1 = c = W_1 + dc
    bool wide = true;
    ComplexExp d;          // the difference while wide
    double dr = 0, di = 0;  // the difference as doubles
    bool done = false;
    std::int16_t count = 0;

    explicit Walk(ComplexExp pixel)
        : dc(pixel), dcRe(pixel.reDouble()), dcIm(pixel.imDouble()), dcInRange(pixel.isZero() || pixel.e > -900),
          d(pixel)
    {
    }

    void finish(std::int16_t result)
    {
        count = result;
        done = true;
    }
    std::int16_t escapedAt(const PerturbationInput& in) const { return static_cast<std::int16_t>((j - 1) * in.step); }
};

// |W + d|^2 > 4 for |W| close to 2, where the doubles of W (2 - 1e-35 is 2.0)
// cannot tell: |W + d|^2 - 4 = |d|^2 + 2 Re(conj(W) d) - (4 - |W|^2).
bool escapesNearTwo(const ReferenceOrbit& orbit, int m, double dr, double di)
{
    const std::size_t k = static_cast<std::size_t>(m);
    const double t = dr * dr + di * di + 2 * (orbit.re[k] * dr + orbit.im[k] * di);
    return t > orbit.margin[k].toDouble();
}

bool escapesNearTwo(const ReferenceOrbit& orbit, int m, const ComplexExp& d)
{
    const std::size_t k = static_cast<std::size_t>(m);
    const ComplexExp& w = orbit.exact[k];
    const FloatExp t = d.norm() + FloatExp::scaled(w.re * d.re + w.im * d.im, w.e + d.e + 1);
    return (t - orbit.margin[k]).m > 0;
}

// With the difference held wide, until the pixel is done or its difference
// has grown into the double range.
void wideSteps(const PerturbationInput& in, Walk& p)
{
    const ReferenceOrbit& orbit = *in.orbit;
    for (;;) {
        if (p.d.e > DoubleFromExponent) {
            p.wide = false;
            p.dr = p.d.reDouble();
            p.di = p.d.imDouble();
            return;
        }
        const ComplexExp z = orbit.exact[static_cast<std::size_t>(p.m)] + p.d;
        const double zr = z.reDouble(), zi = z.imDouble();
        const double z2 = zr * zr + zi * zi;
        if (z2 > 4 + CloseToFour || (z2 >= 4 - CloseToFour && escapesNearTwo(orbit, p.m, p.d)))
            return p.finish(p.escapedAt(in));
        if (p.j == in.rounds)
            return p.finish(in.neverEscapes);
        if (p.m == orbit.last || z.norm() < p.d.norm()) {
            p.d = z;
            p.m = 0;
        }
        int length = 0;
        const BlaStep* run = in.table ? in.table->find(p.m, magnitude(p.d), in.rounds - p.j + 1, length) : nullptr;
        if (run) {
            if (p.j + length > in.rounds)
                return p.finish(in.neverEscapes);  // no test inside a run can pass
            p.d = run->a * p.d + run->b * p.dc;
            p.m += length;
            p.j += length;
            continue;
        }
        const ComplexExp w = orbit.exact[static_cast<std::size_t>(p.m)];
        p.d = (ComplexExp{w.re, w.im, w.e + 1} + p.d) * p.d + p.dc;
        ++p.m;
        ++p.j;
    }
}

// What changes at every iteration, in locals of the loops below so that it
// stays in registers: through the Walk, every iteration would wait for its
// last stores.
struct Hot {
    double dr, di;
    int j, m;
    explicit Hot(const Walk& p) : dr(p.dr), di(p.di), j(p.j), m(p.m) {}
    void store(Walk& p) const { p.dr = dr, p.di = di, p.j = j, p.m = m; }
};

// What stays the same through a pixel's iterations, read once into locals
// by the loops below rather than through `in` at every iteration.
struct Fixed {
    const ReferenceOrbit& orbit;
    const double* wRe;
    const double* wIm;
    const BlaTable* table;
    const double* firstRadius2;  // null without a table
    int rounds, last, step;
    std::int16_t neverEscapes;
    explicit Fixed(const PerturbationInput& in)
        : orbit(*in.orbit), wRe(in.orbit->re.data()), wIm(in.orbit->im.data()), table(in.table),
          firstRadius2(in.table ? in.table->firstRadius2() : nullptr), rounds(in.rounds),
          last(in.orbit->last), step(in.step), neverEscapes(in.neverEscapes)
    {
    }
};

// One iteration with the difference as doubles. False when the pixel is done
// or a rebase made its difference too small for doubles again.
[[gnu::always_inline]] inline bool doubleIteration(const Fixed& f, Walk& p, Hot& h)
{
    const double zr = f.wRe[h.m] + h.dr, zi = f.wIm[h.m] + h.di;
    const double z2 = zr * zr + zi * zi;
    if (z2 > 4 + CloseToFour || (z2 >= 4 - CloseToFour && escapesNearTwo(f.orbit, h.m, h.dr, h.di))) {
        p.finish(static_cast<std::int16_t>((h.j - 1) * f.step));
        return false;
    }
    if (h.j == f.rounds) {
        p.finish(f.neverEscapes);
        return false;
    }
    double d2 = h.dr * h.dr + h.di * h.di;
    if (h.m == f.last || z2 < d2) {
        h.dr = zr;
        h.di = zi;
        d2 = z2;
        h.m = 0;
        const ComplexExp rebased = ComplexExp::from(zr, zi);
        if (rebased.e <= DoubleFromExponent) {
            p.wide = true;
            p.d = rebased;
            return false;
        }
    }
    int length = 0;
    const BlaStep* run =
        f.firstRadius2 && d2 < f.firstRadius2[h.m] ? f.table->find(h.m, d2, f.rounds - h.j + 1, length) : nullptr;
    if (run) {
        if (h.j + length > f.rounds) {
            p.finish(f.neverEscapes);
            return false;
        }
        if (run->doubles && p.dcInRange) {
            const double nr = run->ar * h.dr - run->ai * h.di + (run->br * p.dcRe - run->bi * p.dcIm);
            h.di = run->ar * h.di + run->ai * h.dr + (run->br * p.dcIm + run->bi * p.dcRe);
            h.dr = nr;
        } else {
            const ComplexExp next = run->a * ComplexExp::from(h.dr, h.di) + run->b * p.dc;
            h.dr = next.reDouble();
            h.di = next.imDouble();
        }
        h.m += length;
        h.j += length;
        return true;
    }
    // d' = (2 W + d) d + dc, W being W_0 = 0 after a rebase
    const double tr = 2 * f.wRe[h.m] + h.dr, ti = 2 * f.wIm[h.m] + h.di;
    const double nr = tr * h.dr - ti * h.di + p.dcRe;
    h.di = tr * h.di + ti * h.dr + p.dcIm;
    h.dr = nr;
    ++h.m;
    ++h.j;
    return true;
}

// Takes the pixel on until it is done or its difference is wide.
void doubleSteps(const PerturbationInput& in, Walk& p)
{
    const Fixed f(in);
    Hot h(p);
    while (doubleIteration(f, p, h)) {
    }
    h.store(p);
}

// Takes two pixels on until one of them is done or wide.
void pairedSteps(const PerturbationInput& in, Walk& a, Walk& b)
{
    const Fixed f(in);
    Hot ha(a), hb(b);
    for (;;) {
        const bool goesOnA = doubleIteration(f, a, ha);
        const bool goesOnB = doubleIteration(f, b, hb);
        if (!goesOnA || !goesOnB)
            break;
    }
    ha.store(a);
    hb.store(b);
}

}  // namespace

std::int16_t perturbedCount(const PerturbationInput& in, ComplexExp dc)
{
    if (in.rounds <= 0)
        return in.neverEscapes;
    Walk p(dc);
    while (!p.done) {
        if (p.wide)
            wideSteps(in, p);
        else
            doubleSteps(in, p);
    }
    return p.count;
}

void perturbedCounts(const PerturbationInput& in, const PixelSource& source)
{
    int id = 0;
    ComplexExp dc;
    if (in.rounds <= 0) {
        while (source.next(source.ctx, id, dc))
            source.deliver(source.ctx, id, in.neverEscapes);
        return;
    }
    // Two pixels at a time. An iteration of one pixel is a chain of
    // multiplications, each waiting for the last; a second pixel's chain,
    // interleaved with it, fills those waits.
    struct Lane {
        int id = -1;  // -1: empty
        Walk p{ComplexExp{}};
    };
    Lane lanes[2];
    Lane& a = lanes[0];
    Lane& b = lanes[1];
    bool more = true;
    for (;;) {
        for (Lane& lane : lanes) {
            if (lane.id < 0 && more && (more = source.next(source.ctx, id, dc))) {
                lane.id = id;
                lane.p = Walk(dc);
            }
        }
        if (a.id < 0 && b.id < 0)
            return;
        if (a.id >= 0 && b.id >= 0 && !a.p.wide && !b.p.wide) {
            pairedSteps(in, a.p, b.p);
        } else {
            for (Lane& lane : lanes) {
                if (lane.id >= 0 && lane.p.wide)
                    wideSteps(in, lane.p);
                else if (lane.id >= 0 && (a.id < 0 || b.id < 0))
                    doubleSteps(in, lane.p);  // the last pixel, alone
            }
        }
        for (Lane& lane : lanes) {
            if (lane.id >= 0 && lane.p.done) {
                source.deliver(source.ctx, lane.id, lane.p.count);
                lane.id = -1;
            }
        }
    }
}

}  // namespace vantorel
