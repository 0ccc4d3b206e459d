#pragma once
// A real number in binary floating point of any precision, for views deeper
// than doubles can tell apart. MPFR does the arithmetic; its types stay out of
// this header so that nothing above the core needs to know about them.
//
// Every result is rounded to nearest, at the precision of the widest operand
// unless a precision is asked for. Values are always finite: the parser
// refuses infinities and NaNs, and the arithmetic here cannot make them from
// finite operands at the precisions a view uses.

#include <compare>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

class BigFloat {
public:
    // The fewest bits a BigFloat holds: every double fits exactly.
    static constexpr int MinimumBits = 64;
    // The most bits: a view 1e-10000 wide needs about 33,300.
    static constexpr int MaximumBits = 1 << 16;

    BigFloat();  // 0
    // Exactly the double (finite), at the given precision or more.
    explicit BigFloat(double value, int bits = MinimumBits);
    BigFloat(const BigFloat& other);
    BigFloat(BigFloat&& other) noexcept;
    BigFloat& operator=(const BigFloat& other);
    BigFloat& operator=(BigFloat&& other) noexcept;
    ~BigFloat();

    // A plain decimal: an optional sign, digits with at most one '.', at
    // least one digit, and an optional exponent (e or E, optional sign,
    // digits). Nothing else: no blanks, no "inf", no "nan", no hexadecimal.
    // Rounded to the given precision. Nothing when the text is not such a
    // decimal or its exponent is beyond +-100000.
    static std::optional<BigFloat> parse(std::string_view decimal, int bits);

    int precision() const;
    // The same value rounded to another precision.
    BigFloat rounded(int bits) const;

    double toDouble() const;  // nearest double; 0 or an infinity past the double range
    bool isDouble() const;    // the value is exactly a finite double
    bool isZero() const;
    int sign() const;  // -1, 0 or 1
    // The binary exponent e with 2^(e-1) <= |x| < 2^e; a very low value for 0.
    long exponent() const;

    // Decimal text with the given number of significant digits (rounded to
    // nearest), in the exponent form for magnitudes below 1e-5 or from 1e15,
    // and the given decimal separator. Trailing zeros are dropped.
    std::string toDecimal(int significantDigits, char separator = '.') const;
    // Decimal text that parses back to exactly this value at this precision.
    std::string toExactDecimal() const;

    // Arithmetic at the precision of the widest operand, or at `bits`.
    BigFloat plus(const BigFloat& other, int bits = 0) const;
    BigFloat minus(const BigFloat& other, int bits = 0) const;
    BigFloat times(const BigFloat& other, int bits = 0) const;
    BigFloat times(double factor, int bits = 0) const;
    BigFloat dividedBy(double divisor, int bits = 0) const;
    BigFloat negated() const;
    BigFloat absolute() const;

    std::partial_ordering operator<=>(const BigFloat& other) const;
    bool operator==(const BigFloat& other) const;

    // The MPFR number itself (an mpfr_srcptr), for the core's own engines.
    const void* mpfr() const;

private:
    struct Number;
    std::unique_ptr<Number> number;
};

}  // namespace vantorel
