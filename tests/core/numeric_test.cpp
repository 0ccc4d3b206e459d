#include "core/numeric.h"

#include <gtest/gtest.h>

#include <limits>

namespace vantorel {
namespace {

TEST(NumericTest, GeneralFormatIsTheShortestFormWithFifteenDigits)
{
    EXPECT_EQ(formatGeneral(-2.25, "."), "-2.25");
    EXPECT_EQ(formatGeneral(5, "."), "5");
    EXPECT_EQ(formatGeneral(0.1 + 0.2, "."), "0.3");
    EXPECT_EQ(formatGeneral(-1.55 + 1e-16, "."), "-1.55");
    EXPECT_EQ(formatGeneral(1.0 / 3, ","), "0,333333333333333");
    EXPECT_EQ(formatGeneral(1e-5, "."), "1e-05");
    EXPECT_EQ(formatGeneral(123456789012345678.0, "."), "1.23456789012346e+17");
    EXPECT_EQ(formatGeneral(-0.0, "."), "0");
}

TEST(NumericTest, SignedTextHasABlankForZeroAndPositive)
{
    EXPECT_EQ(signedText(0), " 0");
    EXPECT_EQ(signedText(98), " 98");
    EXPECT_EQ(signedText(-2), "-2");
}

TEST(NumericTest, RoundingToSixteenBitsIsTiesToEvenAndSaturates)
{
    EXPECT_EQ(roundToInt16(2.5), 2);
    EXPECT_EQ(roundToInt16(3.5), 4);
    EXPECT_EQ(roundToInt16(-0.5), 0);
    EXPECT_EQ(roundToInt16(8.0 * 0.5), 4);
    EXPECT_EQ(roundToInt16(1e9), 32767);
    EXPECT_EQ(roundToInt16(-1e9), -32768);
    EXPECT_EQ(roundToInt16(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(roundToInt16(-std::numeric_limits<double>::infinity()), -32768);
}

TEST(NumericTest, WrappingArithmetic)
{
    EXPECT_EQ(wrappingAdd16(32767, 1), -32768);
    EXPECT_EQ(wrappingSub32(std::numeric_limits<std::int32_t>::min() + 5, std::numeric_limits<std::int32_t>::max() - 4),
              10);
}

}  // namespace
}  // namespace vantorel
