// vantorel-nucleus: finds the centre of a small copy of the Mandelbrot set.
//
// A copy of period p has its nucleus where the orbit of 0 comes back to 0
// after p steps, f_c^p(0) = 0. Newton's method on that equation, in MPFR at
// the precision asked for, finds it from a nearby start; the size of the copy
// follows from the derivatives along the orbit. With it a deep view around a
// copy is easy to set up for vantorel-render --view.

#include <mpfr.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* const Usage =
    "Usage: vantorel-nucleus --period P --near RE IM [--bits B]\n"
    "Finds the nucleus of period P nearest (by Newton's method) to RE + IM i and prints\n"
    "its real and imaginary parts and the size (width) of its copy of the set.\n";

struct Complex {
    mpfr_t re, im;
    explicit Complex(mpfr_prec_t bits) { mpfr_inits2(bits, re, im, static_cast<mpfr_ptr>(nullptr)); }
    ~Complex() { mpfr_clears(re, im, static_cast<mpfr_ptr>(nullptr)); }
    Complex(const Complex&) = delete;
    Complex& operator=(const Complex&) = delete;
};

// r = a * b (r may be a or b).
void multiply(Complex& r, const Complex& a, const Complex& b, mpfr_t t1, mpfr_t t2, mpfr_t t3)
{
    mpfr_mul(t1, a.re, b.re, MPFR_RNDN);
    mpfr_mul(t2, a.im, b.im, MPFR_RNDN);
    mpfr_mul(t3, a.re, b.im, MPFR_RNDN);
    mpfr_fma(t3, a.im, b.re, t3, MPFR_RNDN);
    mpfr_sub(r.re, t1, t2, MPFR_RNDN);
    mpfr_set(r.im, t3, MPFR_RNDN);
}

// r = a / b.
void divide(Complex& r, const Complex& a, const Complex& b, mpfr_t t1, mpfr_t t2, mpfr_t t3)
{
    mpfr_sqr(t1, b.re, MPFR_RNDN);
    mpfr_fma(t1, b.im, b.im, t1, MPFR_RNDN);  // |b|^2
    mpfr_mul(t2, a.re, b.re, MPFR_RNDN);
    mpfr_fma(t2, a.im, b.im, t2, MPFR_RNDN);
    mpfr_mul(t3, a.im, b.re, MPFR_RNDN);
    mpfr_fms(t3, a.re, b.im, t3, MPFR_RNDN);  // a.re b.im - a.im b.re
    mpfr_neg(t3, t3, MPFR_RNDN);
    mpfr_div(r.re, t2, t1, MPFR_RNDN);
    mpfr_div(r.im, t3, t1, MPFR_RNDN);
}

}  // namespace

int main(int argc, char** argv)
{
    long period = 0, bits = 256;
    const char* re = nullptr;
    const char* im = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--period" && i + 1 < argc)
            period = std::strtol(argv[++i], nullptr, 10);
        else if (a == "--bits" && i + 1 < argc)
            bits = std::strtol(argv[++i], nullptr, 10);
        else if (a == "--near" && i + 2 < argc)
            re = argv[++i], im = argv[++i];
        else {
            std::fputs(Usage, a == "--help" ? stdout : stderr);
            return a == "--help" ? 0 : 2;
        }
    }
    if (period < 1 || period > 1000000 || bits < 64 || bits > 200000 || !re || !im) {
        std::fputs(Usage, stderr);
        return 2;
    }
    Complex c(bits), z(bits), dz(bits), step(bits), l(bits), b(bits), one(bits);
    mpfr_t t1, t2, t3;
    mpfr_inits2(bits, t1, t2, t3, static_cast<mpfr_ptr>(nullptr));
    if (mpfr_set_str(c.re, re, 10, MPFR_RNDN) != 0 || mpfr_set_str(c.im, im, 10, MPFR_RNDN) != 0) {
        std::fputs("vantorel-nucleus: --near needs two decimal numbers\n", stderr);
        return 2;
    }
    for (int newton = 0; newton < 100; ++newton) {
        mpfr_set_zero(z.re, 1), mpfr_set_zero(z.im, 1), mpfr_set_zero(dz.re, 1), mpfr_set_zero(dz.im, 1);
        for (long n = 0; n < period; ++n) {
            // dz = 2 z dz + 1, then z = z^2 + c.
            multiply(dz, z, dz, t1, t2, t3);
            mpfr_mul_2ui(dz.re, dz.re, 1, MPFR_RNDN);
            mpfr_mul_2ui(dz.im, dz.im, 1, MPFR_RNDN);
            mpfr_add_ui(dz.re, dz.re, 1, MPFR_RNDN);
            multiply(z, z, z, t1, t2, t3);
            mpfr_add(z.re, z.re, c.re, MPFR_RNDN);
            mpfr_add(z.im, z.im, c.im, MPFR_RNDN);
        }
        divide(step, z, dz, t1, t2, t3);
        mpfr_sub(c.re, c.re, step.re, MPFR_RNDN);
        mpfr_sub(c.im, c.im, step.im, MPFR_RNDN);
        mpfr_hypot(t1, step.re, step.im, MPFR_RNDN);
        if (mpfr_zero_p(t1) || mpfr_get_exp(t1) < -(bits - 16) + std::max<long>(mpfr_get_exp(c.re), mpfr_get_exp(c.im)))
            break;
    }
    // Size of the copy: with l the derivative of the orbit and b the sum of
    // its reciprocals, about 1 / |b l^2|.
    mpfr_set_zero(z.re, 1), mpfr_set_zero(z.im, 1);
    mpfr_set_ui(l.re, 1, MPFR_RNDN), mpfr_set_zero(l.im, 1);
    mpfr_set_ui(b.re, 1, MPFR_RNDN), mpfr_set_zero(b.im, 1);
    mpfr_set_ui(one.re, 1, MPFR_RNDN), mpfr_set_zero(one.im, 1);
    for (long n = 1; n < period; ++n) {
        multiply(z, z, z, t1, t2, t3);
        mpfr_add(z.re, z.re, c.re, MPFR_RNDN);
        mpfr_add(z.im, z.im, c.im, MPFR_RNDN);
        multiply(l, z, l, t1, t2, t3);
        mpfr_mul_2ui(l.re, l.re, 1, MPFR_RNDN);
        mpfr_mul_2ui(l.im, l.im, 1, MPFR_RNDN);
        divide(step, one, l, t1, t2, t3);
        mpfr_add(b.re, b.re, step.re, MPFR_RNDN);
        mpfr_add(b.im, b.im, step.im, MPFR_RNDN);
    }
    multiply(step, l, l, t1, t2, t3);
    multiply(step, b, step, t1, t2, t3);
    mpfr_hypot(t1, step.re, step.im, MPFR_RNDN);
    mpfr_ui_div(t1, 1, t1, MPFR_RNDN);
    const int digits = static_cast<int>(bits * 0.30103) + 2;
    mpfr_printf("%.*Re %.*Re %.6Re\n", digits, c.re, digits, c.im, t1);
    mpfr_clears(t1, t2, t3, static_cast<mpfr_ptr>(nullptr));
    return 0;
}
