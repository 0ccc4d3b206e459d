#pragma once
// Number conversions and label texts shared by every handler.

#include <cstdint>
#include <string>

namespace vantorel {

// Rounds to the nearest integer, ties to even, and saturates into the 16-bit
// range; NaN gives 0. A plain cast of a NaN or of a value out of range would
// be undefined behaviour.
std::int16_t roundToInt16(double value);

// Adds in 16 bits with two's-complement wrap-around (for counters that are
// only read for their parity).
std::int16_t wrappingAdd16(std::int16_t a, std::int16_t b);

// a - b modulo 2^32, the true elapsed time across a wrap of the tick count.
std::int32_t wrappingSub32(std::int32_t a, std::int32_t b);

// General number format: at most 15 significant digits, shortest form, no
// trailing zeros, exponent form where %g uses it, with the given decimal separator.
std::string formatGeneral(double value, const std::string& decimalSeparator);

// A number preceded by a blank when zero or positive, by '-' when negative.
std::string signedText(long long value);

}  // namespace vantorel
