#include "core/big_float.h"

#include <mpfr.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vantorel {

struct BigFloat::Number {
    mpfr_t value;
    explicit Number(int bits) { mpfr_init2(value, bits); }
    ~Number() { mpfr_clear(value); }
    Number(const Number&) = delete;
    Number& operator=(const Number&) = delete;
};

namespace {

int clampBits(long bits) { return static_cast<int>(std::clamp<long>(bits, BigFloat::MinimumBits, BigFloat::MaximumBits)); }

mpfr_srcptr raw(const BigFloat& x) { return static_cast<mpfr_srcptr>(x.mpfr()); }

}  // namespace

BigFloat::BigFloat() : number(std::make_unique<Number>(MinimumBits)) { mpfr_set_zero(number->value, 1); }

BigFloat::BigFloat(double value, int bits) : number(std::make_unique<Number>(clampBits(bits)))
{
    mpfr_set_d(number->value, std::isfinite(value) ? value : 0.0, MPFR_RNDN);
}

BigFloat::BigFloat(const BigFloat& other) : number(std::make_unique<Number>(other.precision()))
{
    mpfr_set(number->value, other.number->value, MPFR_RNDN);
}

BigFloat::BigFloat(BigFloat&& other) noexcept : number(std::move(other.number)) {}

BigFloat& BigFloat::operator=(const BigFloat& other)
{
    if (this != &other) {
        mpfr_set_prec(number->value, other.precision());
        mpfr_set(number->value, other.number->value, MPFR_RNDN);
    }
    return *this;
}

BigFloat& BigFloat::operator=(BigFloat&& other) noexcept
{
    number.swap(other.number);
    return *this;
}

BigFloat::~BigFloat() = default;

std::optional<BigFloat> BigFloat::parse(std::string_view text, int bits)
{
    // Checked by hand first: MPFR also takes "inf", "nan", hexadecimal and
    // leading blanks, none of which is a place in the plane.
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    int digits = 0;
    bool dot = false;
    for (; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch >= '0' && ch <= '9')
            ++digits;
        else if (ch == '.' && !dot)
            dot = true;
        else
            break;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size()) {
        if (text[i] != 'e' && text[i] != 'E')
            return std::nullopt;
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        const std::size_t exponentStart = i;
        long exponent = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            exponent = std::min<long>(exponent * 10 + (text[i] - '0'), 1000000);
        if (i == exponentStart || i != text.size() || exponent > 100000)
            return std::nullopt;
    }
    BigFloat result;
    mpfr_set_prec(result.number->value, clampBits(bits));
    const std::string copy(text);
    if (mpfr_set_str(result.number->value, copy.c_str(), 10, MPFR_RNDN) != 0 || !mpfr_number_p(result.number->value))
        return std::nullopt;
    return result;
}

int BigFloat::precision() const { return static_cast<int>(mpfr_get_prec(number->value)); }

BigFloat BigFloat::rounded(int bits) const
{
    BigFloat result;
    mpfr_set_prec(result.number->value, clampBits(bits));
    mpfr_set(result.number->value, number->value, MPFR_RNDN);
    return result;
}

double BigFloat::toDouble() const { return mpfr_get_d(number->value, MPFR_RNDN); }

bool BigFloat::isDouble() const
{
    const double d = toDouble();
    return std::isfinite(d) && mpfr_cmp_d(number->value, d) == 0;
}

bool BigFloat::isZero() const { return mpfr_zero_p(number->value) != 0; }

int BigFloat::sign() const { return mpfr_sgn(number->value); }

long BigFloat::exponent() const { return isZero() ? -(1L << 30) : static_cast<long>(mpfr_get_exp(number->value)); }

std::string BigFloat::toDecimal(int significantDigits, char separator) const
{
    significantDigits = std::max(1, significantDigits);
    if (isZero())
        return "0";
    mpfr_exp_t exp10 = 0;
    char* raw = mpfr_get_str(nullptr, &exp10, 10, static_cast<std::size_t>(significantDigits), number->value, MPFR_RNDN);
    std::string digits(raw);
    mpfr_free_str(raw);
    std::string sign;
    if (!digits.empty() && digits[0] == '-') {
        sign = "-";
        digits.erase(0, 1);
    }
    // The value is 0.DIGITS x 10^exp10, so its decimal exponent is exp10 - 1.
    const long exponent10 = static_cast<long>(exp10) - 1;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string text;
    if (exponent10 < -5 || exponent10 >= 15) {
        text = digits.substr(0, 1);
        if (digits.size() > 1)
            text += separator + digits.substr(1);
        char exponentText[24];
        std::snprintf(exponentText, sizeof exponentText, "e%c%02ld", exponent10 < 0 ? '-' : '+', std::labs(exponent10));
        text += exponentText;
    } else if (exponent10 < 0) {
        text = std::string("0") + separator + std::string(static_cast<std::size_t>(-exponent10 - 1), '0') + digits;
    } else {
        const std::size_t whole = static_cast<std::size_t>(exponent10) + 1;
        if (digits.size() <= whole) {
            text = digits + std::string(whole - digits.size(), '0');
        } else {
            text = digits.substr(0, whole) + separator + digits.substr(whole);
        }
    }
    return sign + text;
}

std::string BigFloat::toExactDecimal() const
{
    // A binary number of p bits needs at most 1 + ceil(p log10 2) significant
    // decimal digits to be read back to the same p bits.
    const int digits = 1 + static_cast<int>(std::ceil(precision() * 0.30102999566398120));
    return toDecimal(digits);
}

namespace {

int widest(const BigFloat& a, const BigFloat& b, int bits) { return bits > 0 ? bits : std::max(a.precision(), b.precision()); }

}  // namespace

BigFloat BigFloat::plus(const BigFloat& other, int bits) const
{
    BigFloat result;
    mpfr_set_prec(result.number->value, clampBits(widest(*this, other, bits)));
    mpfr_add(result.number->value, number->value, raw(other), MPFR_RNDN);
    return result;
}

BigFloat BigFloat::minus(const BigFloat& other, int bits) const
{
    BigFloat result;
    mpfr_set_prec(result.number->value, clampBits(widest(*this, other, bits)));
    mpfr_sub(result.number->value, number->value, raw(other), MPFR_RNDN);
    return result;
}

BigFloat BigFloat::times(const BigFloat& other, int bits) const
{
    BigFloat result;
    mpfr_set_prec(result.number->value, clampBits(widest(*this, other, bits)));
    mpfr_mul(result.number->value, number->value, raw(other), MPFR_RNDN);
    return result;
}

BigFloat BigFloat::times(double factor, int bits) const
{
    BigFloat result;
    mpfr_set_prec(result.number->value, clampBits(bits > 0 ? bits : precision()));
    mpfr_mul_d(result.number->value, number->value, factor, MPFR_RNDN);
    return result;
}

BigFloat BigFloat::dividedBy(double divisor, int bits) const
{
    BigFloat result;
    mpfr_set_prec(result.number->value, clampBits(bits > 0 ? bits : precision()));
    mpfr_div_d(result.number->value, number->value, divisor, MPFR_RNDN);
    return result;
}

BigFloat BigFloat::negated() const
{
    BigFloat result = *this;
    mpfr_neg(result.number->value, result.number->value, MPFR_RNDN);
    return result;
}

BigFloat BigFloat::absolute() const
{
    BigFloat result = *this;
    mpfr_abs(result.number->value, result.number->value, MPFR_RNDN);
    return result;
}

std::partial_ordering BigFloat::operator<=>(const BigFloat& other) const
{
    const int c = mpfr_cmp(number->value, raw(other));
    return c < 0 ? std::partial_ordering::less : c > 0 ? std::partial_ordering::greater : std::partial_ordering::equivalent;
}

bool BigFloat::operator==(const BigFloat& other) const { return mpfr_equal_p(number->value, raw(other)) != 0; }

const void* BigFloat::mpfr() const { return number->value; }

}  // namespace vantorel
