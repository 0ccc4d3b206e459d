#include "core/bla_table.h"

#include <algorithm>
#include <cmath>

namespace vantorel {
namespace {

// The linear step's own error, |d|^2 against |2 W d|, stays below this share. The
// errors of thousands of steps add up: at 2^-24 a view 1e-20 wide whose counts
// lie near 9000 kept only 92% of its counts exact; from 2^-40 on, over 98%.
constexpr double Epsilon = 0x1p-40;

BlaStep singleStep(const ReferenceOrbit& orbit, int m)
{
    const ComplexExp w = orbit.exact[static_cast<std::size_t>(m)];
    const FloatExp size = magnitude(w);
    // |d| < Epsilon |W| keeps d^2 negligible; |d| below half of
    // 2 - |W| = (4 - |W|^2) / (2 + |W|) keeps |W + d| below 2 (the half
    // leaves room for the rounding of the test).
    const FloatExp margin = orbit.margin[static_cast<std::size_t>(m)];
    const FloatExp room = margin.m > 0 ? margin / FloatExp::from(2 * (2 + size.toDouble())) : FloatExp{};
    const FloatExp radius = minOf(size * FloatExp::from(Epsilon), room);
    const ComplexExp a{w.re, w.im, w.e + 1};  // 2 W
    return {a, ComplexExp::from(1.0, 0.0), radius, 0};
}

// Run x, then run y: d < rx for x, and then |ax| d + |bx| dcMax < ry for y.
BlaStep merge(const BlaStep& x, const BlaStep& y, FloatExp dcMax)
{
    BlaStep r;
    r.a = y.a * x.a;
    r.b = y.a * x.b + y.b;
    const FloatExp sizeA = magnitude(x.a);
    const FloatExp reach = y.radius - magnitude(x.b) * dcMax;
    if (reach.m > 0 && !sizeA.isZero() && !x.radius.isZero())
        r.radius = minOf(x.radius, reach / sizeA);
    const double radius = r.radius.toDouble();
    r.radius2Double = radius * radius;
    const auto inRange = [](const ComplexExp& z) { return z.isZero() || (z.e > -900 && z.e < 900); };
    if (inRange(r.a) && inRange(r.b)) {
        r.doubles = true;
        r.ar = r.a.reDouble(), r.ai = r.a.imDouble(), r.br = r.b.reDouble(), r.bi = r.b.imDouble();
    }
    return r;
}

}  // namespace

BlaTable::BlaTable(const ReferenceOrbit& orbit, FloatExp dcMax)
{
    // Single steps from m = 1 to last - 1: a run must end at a stored W.
    std::vector<BlaStep> singles;
    singles.reserve(static_cast<std::size_t>(std::max(0, orbit.last - 1)));
    for (int m = 1; m < orbit.last; ++m)
        singles.push_back(singleStep(orbit, m));
    const std::vector<BlaStep>* previous = &singles;
    while (previous->size() >= 2) {
        std::vector<BlaStep> level;
        level.reserve(previous->size() / 2);
        for (std::size_t k = 0; k + 1 < previous->size(); k += 2)
            level.push_back(merge((*previous)[k], (*previous)[k + 1], dcMax));
        runs.push_back(std::move(level));
        previous = &runs.back();
    }
    first.assign(static_cast<std::size_t>(std::max(0, orbit.last) + 1), 0.0);
    if (!runs.empty()) {
        for (std::size_t k = 0; k < runs[0].size(); ++k)
            first[1 + 2 * k] = runs[0][k].radius2Double;
    }
}

}  // namespace vantorel
