#include "core/corner_labels.h"

#include "core/deep_view.h"
#include "core/numeric.h"
#include "core/state.h"
#include "platform/platform.h"

#include <gmp.h>
#include <mpfr.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vantorel {
namespace {

// floor(log10 |x|), or one less: from the binary exponent alone.
long decimalExponentBelow(const BigFloat& x)
{
    return static_cast<long>(std::floor(static_cast<double>(x.exponent() - 1) * 0.30102999566398120));
}

// |x| rounded to the nearest multiple of 10^unit, as that multiple's decimal
// digits ("0" when it rounds to 0).
std::string digitsAtUnit(const BigFloat& x, long unit)
{
    const auto* value = static_cast<mpfr_srcptr>(x.mpfr());
    // 64 bits beyond the number's own keep the scaling's rounding far below
    // half a unit.
    const mpfr_prec_t bits = mpfr_get_prec(value) + 64;
    mpfr_t scale, scaled;
    mpfr_inits2(bits, scale, scaled, static_cast<mpfr_ptr>(nullptr));
    mpfr_set_ui(scale, 10, MPFR_RNDN);
    mpfr_pow_si(scale, scale, -unit, MPFR_RNDN);
    mpfr_mul(scaled, value, scale, MPFR_RNDN);
    mpfr_abs(scaled, scaled, MPFR_RNDN);
    mpz_t whole;
    mpz_init(whole);
    mpfr_get_z(whole, scaled, MPFR_RNDN);
    // mpz_sizeinbase may count one digit too many; the string ends at its NUL.
    std::string digits(mpz_sizeinbase(whole, 10) + 2, '\0');
    mpz_get_str(digits.data(), 10, whole);
    digits.resize(std::strlen(digits.c_str()));
    mpz_clear(whole);
    mpfr_clears(scale, scaled, static_cast<mpfr_ptr>(nullptr));
    return digits;
}

// The digits times 10^unit in the general format's layout: the exponent form
// below 1e-4 and from 1e15, otherwise positional. The tail, the characters
// from the fifth-last digit on, is returned in `tailLength`.
std::string layOut(const std::string& digits, long unit, std::size_t& tailLength)
{
    const long exponent10 = unit + static_cast<long>(digits.size()) - 1;
    std::string mantissa, suffix;
    if (exponent10 < -4 || exponent10 >= 15) {
        mantissa = digits.substr(0, 1);
        if (digits.size() > 1)
            mantissa.append(".").append(digits, 1);
        suffix = exponent10 < 0 ? "e-" : "e+";
        if (std::labs(exponent10) < 10)
            suffix += '0';
        suffix += std::to_string(std::labs(exponent10));
    } else if (exponent10 < 0) {
        mantissa = "0." + std::string(static_cast<std::size_t>(-exponent10 - 1), '0') + digits;
    } else if (unit >= 0) {
        mantissa = digits + std::string(static_cast<std::size_t>(unit), '0');
    } else {
        const std::size_t whole = static_cast<std::size_t>(exponent10) + 1;
        mantissa = digits.substr(0, whole) + "." + digits.substr(whole);
    }
    // Five digits from the end of the mantissa, with any separator among them.
    std::size_t start = mantissa.size();
    for (int digitsSeen = 0; start > 0 && digitsSeen < 5; --start)
        digitsSeen += mantissa[start - 1] >= '0' && mantissa[start - 1] <= '9';
    tailLength = mantissa.size() - start + suffix.size();
    return mantissa + suffix;
}

std::string withSeparator(std::string text, const std::string& separator)
{
    const auto dot = text.find('.');
    if (dot != std::string::npos)
        text.replace(dot, 1, separator);
    return text;
}

}  // namespace

std::string deepCornerCaption(const BigFloat& corner, const BigFloat& span, const std::string& separator)
{
    // Both corners of an axis are rounded to the same unit, a hundredth to a
    // ten-thousandth of the span: they then differ by 99 to 10^4 units, so
    // their last five digits differ and the tail tells them apart.
    const long unit = decimalExponentBelow(span) - 2;
    const std::string digits = digitsAtUnit(corner, unit);
    if (digits == "0")
        return "0";
    std::size_t tail = 0;
    std::string text = corner.sign() < 0 ? "-" : "";
    text += layOut(digits, unit, tail);
    if (text.size() > LongestDeepCaption) {
        std::string shortened = text.substr(0, LongestDeepCaption - 1 - tail);
        shortened.append("\u2026").append(text, text.size() - tail);
        text = shortened;
    }
    return withSeparator(text, separator);
}

void writeCornerLabels()
{
    Platform& p = platform();
    const std::string separator = p.decimalSeparator();
    const Caption labels[4] = {Caption::Label1, Caption::Label2, Caption::Label3, Caption::Label4};
    if (!deepViewActive()) {
        const ExplorationState& s = state;
        const double corners[4] = {s.viewXMin, s.viewYMin, s.viewXMax, s.viewYMax};
        for (int i = 0; i < 4; ++i) {
            p.setCaption(labels[i], formatGeneral(corners[i], separator));
            p.setCaptionDetail(labels[i], "");
        }
        return;
    }
    const DeepView& v = deep.view;
    const BigFloat spanX = v.xMax.minus(v.xMin), spanY = v.yMax.minus(v.yMin);
    const BigFloat* corners[4] = {&v.xMin, &v.yMin, &v.xMax, &v.yMax};
    const BigFloat* spans[4] = {&spanX, &spanY, &spanX, &spanY};
    for (int i = 0; i < 4; ++i) {
        p.setCaption(labels[i], deepCornerCaption(*corners[i], *spans[i], separator));
        p.setCaptionDetail(labels[i], withSeparator(corners[i]->toExactDecimal(), separator));
    }
}

}  // namespace vantorel
