#pragma once
// Numbers with a double's mantissa and an exponent of their own, for the
// differences of deep views: a pixel of a view 1e-1000 wide is far below the
// smallest double, but its difference from the reference point needs no more
// than a double's 53 bits of mantissa.
//
// A FloatExp is m * 2^e with 0.5 <= |m| < 1 (or m = 0, e = 0). A ComplexExp
// shares one exponent between its two parts, which keeps multiplication as
// cheap as a complex double multiplication plus an exponent sum.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace vantorel {

struct FloatExp {
    double m = 0;
    std::int64_t e = 0;

    static FloatExp from(double x)
    {
        int exponent = 0;
        const double mantissa = std::frexp(x, &exponent);
        return {mantissa, mantissa == 0 ? 0 : exponent};
    }
    // m * 2^e for any m and e, normalised.
    static FloatExp scaled(double mantissa, std::int64_t exponent)
    {
        FloatExp r = from(mantissa);
        if (r.m != 0)
            r.e += exponent;
        return r;
    }
    // The nearest double: 0 below the smallest subnormal, infinite above the largest double.
    double toDouble() const
    {
        if (m == 0 || e < -1100)
            return 0;
        if (e > 1100)
            return std::copysign(INFINITY, m);
        return std::ldexp(m, static_cast<int>(e));
    }
    bool isZero() const { return m == 0; }
};

inline FloatExp operator*(FloatExp a, FloatExp b) { return FloatExp::scaled(a.m * b.m, a.e + b.e); }
inline FloatExp operator/(FloatExp a, FloatExp b) { return FloatExp::scaled(a.m / b.m, a.e - b.e); }

inline FloatExp operator+(FloatExp a, FloatExp b)
{
    if (a.m == 0)
        return b;
    if (b.m == 0)
        return a;
    if (a.e < b.e)
        std::swap(a, b);
    const std::int64_t shift = a.e - b.e;
    if (shift > 60)
        return a;
    return FloatExp::scaled(a.m + std::ldexp(b.m, -static_cast<int>(shift)), a.e);
}

inline FloatExp operator-(FloatExp a) { return {-a.m, a.e}; }
inline FloatExp operator-(FloatExp a, FloatExp b) { return a + -b; }

inline bool operator<(FloatExp a, FloatExp b)
{
    // Only for the non-negative magnitudes the engine compares.
    if (a.m == 0 || b.m == 0)
        return a.m < b.m;
    return a.e != b.e ? a.e < b.e : a.m < b.m;
}

inline FloatExp maxOf(FloatExp a, FloatExp b) { return a < b ? b : a; }
inline FloatExp minOf(FloatExp a, FloatExp b) { return a < b ? a : b; }

// A complex number (re + i im) * 2^e with max(|re|, |im|) in [0.5, 1), or 0.
struct ComplexExp {
    double re = 0, im = 0;
    std::int64_t e = 0;

    static ComplexExp scaled(double re, double im, std::int64_t exponent)
    {
        const double big = std::fmax(std::fabs(re), std::fabs(im));
        if (big == 0)
            return {};
        int shift = 0;
        std::frexp(big, &shift);
        return {std::ldexp(re, -shift), std::ldexp(im, -shift), exponent + shift};
    }
    static ComplexExp from(double re, double im) { return scaled(re, im, 0); }
    static ComplexExp from(FloatExp re, FloatExp im)
    {
        if (re.m == 0 && im.m == 0)
            return {};
        const std::int64_t e = re.m == 0 ? im.e : im.m == 0 ? re.e : std::max(re.e, im.e);
        const auto down = [e](FloatExp x) {
            const std::int64_t shift = e - x.e;
            return x.m == 0 || shift > 1100 ? 0.0 : std::ldexp(x.m, -static_cast<int>(shift));
        };
        return scaled(down(re), down(im), e);
    }
    bool isZero() const { return re == 0 && im == 0; }
    // |z|^2 as a FloatExp.
    FloatExp norm() const { return FloatExp::scaled(re * re + im * im, 2 * e); }
    double reDouble() const { return FloatExp::scaled(re, e).toDouble(); }
    double imDouble() const { return FloatExp::scaled(im, e).toDouble(); }
};

inline ComplexExp operator*(const ComplexExp& a, const ComplexExp& b)
{
    return ComplexExp::scaled(a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re, a.e + b.e);
}

inline ComplexExp operator+(ComplexExp a, ComplexExp b)
{
    if (a.isZero())
        return b;
    if (b.isZero())
        return a;
    if (a.e < b.e)
        std::swap(a, b);
    const std::int64_t shift = a.e - b.e;
    if (shift > 60)
        return a;
    const int s = -static_cast<int>(shift);
    return ComplexExp::scaled(a.re + std::ldexp(b.re, s), a.im + std::ldexp(b.im, s), a.e);
}

// |z| as a FloatExp (for the validity radii, which are magnitudes).
inline FloatExp magnitude(const ComplexExp& z) { return FloatExp::scaled(std::hypot(z.re, z.im), z.e); }

}  // namespace vantorel
