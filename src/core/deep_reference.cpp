#include "core/deep_reference.h"

#include <mpfr.h>

#include <algorithm>
#include <cmath>

namespace vantorel {
namespace {

FloatExp wide(const BigFloat& x)
{
    if (x.isZero())
        return {};
    long exponent = 0;
    const double mantissa = mpfr_get_d_2exp(&exponent, static_cast<mpfr_srcptr>(x.mpfr()), MPFR_RNDN);
    return FloatExp::scaled(mantissa, exponent);
}

FloatExp size(FloatExp x) { return {std::fabs(x.m), x.e}; }

}  // namespace

DeepReference deepReferenceFor(const DeepView& given, int width, int height)
{
    DeepReference r;
    r.bits = bitsForView(given, width, height);
    // The corners in the view's own precision first, as the window keeps
    // them: a view symmetric about the real axis then has its centre exactly
    // on it, whatever precision its corners came in.
    const DeepView v{given.xMin.rounded(r.bits), given.yMin.rounded(r.bits), given.xMax.rounded(r.bits),
                     given.yMax.rounded(r.bits)};
    const BigFloat spanX = v.xMax.minus(v.xMin, r.bits), spanY = v.yMax.minus(v.yMin, r.bits);
    r.re = v.xMin.plus(spanX.times(0.5), r.bits);
    r.im = v.yMin.plus(spanY.times(0.5), r.bits);
    DeepGeometry& g = r.geometry;
    const BigFloat stepY = spanY.dividedBy(height, r.bits);
    g.stepX = wide(spanX.dividedBy(width, r.bits));
    g.stepY = wide(stepY);
    g.halfWidth = 0.5 * width;
    g.halfHeight = 0.5 * height;
    // The farthest pixel from the centre is a corner's.
    g.dcMax = magnitude(ComplexExp::from(size(g.stepX) * FloatExp::from(g.halfWidth),
                                         size(g.stepY) * FloatExp::from(g.halfHeight)));
    // Row py has the imaginary part yMin + py stepY: 0 at py = -yMin / stepY.
    const double axis = g.stepY.isZero() ? 0 : (wide(v.yMin.negated()) / g.stepY).toDouble();
    g.axisRow = std::isfinite(axis) ? std::clamp(axis, -1.0, height + 1.0) : 0;
    return r;
}

std::shared_ptr<const DeepTables> computeDeepTables(const DeepReference& reference, int rounds,
                                                    const std::atomic<bool>& cancel, const std::atomic<bool>& hold)
{
    auto orbit = computeReferenceOrbit(reference.re, reference.im, rounds, reference.bits, cancel, hold);
    if (!orbit)
        return nullptr;
    auto made = std::make_shared<DeepTables>();
    made->table = BlaTable(*orbit, reference.geometry.dcMax);
    made->orbit = std::move(*orbit);
    return made;
}

}  // namespace vantorel
