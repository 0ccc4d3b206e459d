#include "support/direct_count.h"

#include <mpfr.h>

namespace vantorel::testing {

std::int16_t directCount(const std::string (&view)[4], int width, int height, int px, int py, int limit, int step,
                         int bits)
{
    mpfr_t corner[4], cr, ci, x, y, xx, yy, t;
    for (auto& c : corner)
        mpfr_init2(c, bits);
    mpfr_inits2(bits, cr, ci, x, y, xx, yy, t, static_cast<mpfr_ptr>(nullptr));
    for (int k = 0; k < 4; ++k)
        mpfr_set_str(corner[k], view[k].c_str(), 10, MPFR_RNDN);
    mpfr_sub(cr, corner[2], corner[0], MPFR_RNDN);
    mpfr_div_si(cr, cr, width, MPFR_RNDN);
    mpfr_mul_si(cr, cr, px, MPFR_RNDN);
    mpfr_add(cr, cr, corner[0], MPFR_RNDN);
    mpfr_sub(ci, corner[3], corner[1], MPFR_RNDN);
    mpfr_div_si(ci, ci, height, MPFR_RNDN);
    mpfr_mul_si(ci, ci, py, MPFR_RNDN);
    mpfr_add(ci, ci, corner[1], MPFR_RNDN);
    mpfr_set(x, cr, MPFR_RNDN);
    mpfr_set(y, ci, MPFR_RNDN);
    int n = 0;
    while (n <= limit) {
        mpfr_sqr(xx, x, MPFR_RNDN);
        mpfr_sqr(yy, y, MPFR_RNDN);
        mpfr_add(t, xx, yy, MPFR_RNDN);
        if (mpfr_cmp_ui(t, 4) > 0)
            break;
        mpfr_mul(t, x, y, MPFR_RNDN);
        mpfr_mul_2ui(t, t, 1, MPFR_RNDN);
        mpfr_add(y, t, ci, MPFR_RNDN);
        mpfr_sub(x, xx, yy, MPFR_RNDN);
        mpfr_add(x, x, cr, MPFR_RNDN);
        n += step;
    }
    for (auto& c : corner)
        mpfr_clear(c);
    mpfr_clears(cr, ci, x, y, xx, yy, t, static_cast<mpfr_ptr>(nullptr));
    return static_cast<std::int16_t>(n);
}

}  // namespace vantorel::testing
