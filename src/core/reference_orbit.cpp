#include "core/reference_orbit.h"

#include <mpfr.h>

#include <chrono>
#include <thread>

namespace vantorel {
namespace {

// An MPFR number that frees itself.
struct Mpfr {
    mpfr_t v;
    explicit Mpfr(int bits) { mpfr_init2(v, bits); }
    ~Mpfr() { mpfr_clear(v); }
    Mpfr(const Mpfr&) = delete;
    Mpfr& operator=(const Mpfr&) = delete;
};

FloatExp wide(const mpfr_t x)
{
    if (mpfr_zero_p(x))
        return {};
    long exponent = 0;
    const double mantissa = mpfr_get_d_2exp(&exponent, x, MPFR_RNDN);
    return FloatExp::scaled(mantissa, exponent);
}

}  // namespace

std::optional<ReferenceOrbit> computeReferenceOrbit(const BigFloat& cRe, const BigFloat& cIm, int rounds, int bits,
                                                    const std::atomic<bool>& cancel, const std::atomic<bool>& hold)
{
    ReferenceOrbit orbit;
    const auto keep = [&orbit](const mpfr_t x, const mpfr_t y) {
        orbit.re.push_back(mpfr_get_d(x, MPFR_RNDN));
        orbit.im.push_back(mpfr_get_d(y, MPFR_RNDN));
        orbit.exact.push_back(ComplexExp::from(wide(x), wide(y)));
    };
    const auto keepMargin = [&orbit](const mpfr_t norm2, mpfr_t scratch) {
        mpfr_ui_sub(scratch, 4, norm2, MPFR_RNDN);
        orbit.margin.push_back(wide(scratch));
    };
    Mpfr x(bits), y(bits), xx(bits), yy(bits), sum(bits), cr(bits), ci(bits);
    mpfr_set(cr.v, static_cast<mpfr_srcptr>(cRe.mpfr()), MPFR_RNDN);
    mpfr_set(ci.v, static_cast<mpfr_srcptr>(cIm.mpfr()), MPFR_RNDN);
    mpfr_set_zero(x.v, 1);
    mpfr_set_zero(y.v, 1);
    mpfr_set_zero(xx.v, 1);
    mpfr_set_zero(yy.v, 1);
    orbit.re.reserve(static_cast<std::size_t>(rounds) + 1);
    orbit.im.reserve(static_cast<std::size_t>(rounds) + 1);
    orbit.exact.reserve(static_cast<std::size_t>(rounds) + 1);
    orbit.margin.reserve(static_cast<std::size_t>(rounds) + 1);
    keep(x.v, y.v);
    orbit.margin.push_back(FloatExp::from(4));
    for (int n = 0; n < rounds; ++n) {
        while (hold.load(std::memory_order_relaxed) && !cancel.load(std::memory_order_relaxed))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (cancel.load(std::memory_order_relaxed))
            return std::nullopt;
        // W^2 + c with three squarings, the squares of x and y being those of
        // the escape test: 2xy = (x + y)^2 - x^2 - y^2.
        mpfr_add(sum.v, x.v, y.v, MPFR_RNDN);
        mpfr_sqr(sum.v, sum.v, MPFR_RNDN);
        mpfr_sub(sum.v, sum.v, xx.v, MPFR_RNDN);
        mpfr_sub(sum.v, sum.v, yy.v, MPFR_RNDN);
        mpfr_add(y.v, sum.v, ci.v, MPFR_RNDN);
        mpfr_sub(x.v, xx.v, yy.v, MPFR_RNDN);
        mpfr_add(x.v, x.v, cr.v, MPFR_RNDN);
        keep(x.v, y.v);
        orbit.last = n + 1;
        mpfr_sqr(xx.v, x.v, MPFR_RNDN);
        mpfr_sqr(yy.v, y.v, MPFR_RNDN);
        mpfr_add(sum.v, xx.v, yy.v, MPFR_RNDN);
        keepMargin(sum.v, sum.v);
        if (mpfr_sgn(sum.v) < 0) {
            orbit.escaped = true;
            break;
        }
    }
    return orbit;
}

}  // namespace vantorel
