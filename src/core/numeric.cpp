#include "core/numeric.h"

#include <cmath>
#include <cstdio>

namespace vantorel {

std::int16_t roundToInt16(double value)
{
    if (std::isnan(value))
        return 0;
    const double r = std::nearbyint(value);  // default rounding mode: ties to even
    if (r >= 32767.0)
        return 32767;
    if (r <= -32768.0)
        return -32768;
    return static_cast<std::int16_t>(r);
}

std::int16_t wrappingAdd16(std::int16_t a, std::int16_t b)
{
    return static_cast<std::int16_t>(
        static_cast<std::uint16_t>(static_cast<std::uint16_t>(a) + static_cast<std::uint16_t>(b)));
}

std::int32_t wrappingSub32(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

std::string formatGeneral(double value, const std::string& decimalSeparator)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    std::string text(buffer);
    if (text == "-0")
        text = "0";
    const auto dot = text.find('.');
    if (dot != std::string::npos)
        text.replace(dot, 1, decimalSeparator);
    return text;
}

std::string signedText(long long value) { return value < 0 ? std::to_string(value) : " " + std::to_string(value); }

}  // namespace vantorel
