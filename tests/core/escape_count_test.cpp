#include "core/escape.h"
#include "support/fixture.h"

#include <cmath>

namespace vantorel::testing {
namespace {

class EscapeCountTest : public ProgramTest {
protected:
    int countAt(double re, double im, float limit, int step)
    {
        state.cRe = re;
        state.cIm = im;
        state.maxIterations = limit;
        state.calcStep = static_cast<std::int16_t>(step);
        return escapeCount();
    }
};

TEST_F(EscapeCountTest, PointsThatNeverEscapeGetTheFirstMultipleOfTheStepAboveTheLimit)
{
    EXPECT_EQ(countAt(0, 0, 1000, 15), 1005);
    EXPECT_EQ(countAt(0, 0, 1000, 1), 1001);
    EXPECT_EQ(countAt(0, 0, 30000, 1), 30001);
    EXPECT_EQ(countAt(0, 0, 30000, 400), 30000 + 400 - 30000 % 400);
    // -2 stays at 2 for ever: a squared modulus of exactly 4 does not escape.
    EXPECT_EQ(countAt(-2, 0, 1000, 15), 1005);
    EXPECT_EQ(countAt(-2, 0, 1000, 7), 1001);
    // A limit of 1 iterates a point of the set once.
    EXPECT_EQ(countAt(0, 0, 1, 15), 15);
}

TEST_F(EscapeCountTest, TheSequenceStartsAtCSoTheFirstTestIsOnCItself)
{
    EXPECT_EQ(countAt(3, 0, 1000, 15), 0);
    EXPECT_EQ(countAt(0, -2.5, 1000, 1), 0);
    EXPECT_EQ(countAt(1.5, 1.5, 1000, 400), 0);
    // c = 2: |c|^2 = 4 does not escape, z becomes 6 and escapes at the second test.
    EXPECT_EQ(countAt(2, 0, 1000, 15), 15);
    EXPECT_EQ(countAt(2, 0, 1000, 1), 1);
    // c = 1: z = 1, 2, 5: escapes at the third test.
    EXPECT_EQ(countAt(1, 0, 1000, 15), 30);
}

TEST_F(EscapeCountTest, AstronomicallyDistantPointsEscapeAtOnceWithoutFault)
{
    // Squares of such points overflow to infinity, which still compares
    // greater than 4: count 0, a defined colour, no trap.
    for (double r : {1e154, -3e154, 1e200, 1.7976931348623157e308, -1.7976931348623157e308}) {
        EXPECT_EQ(countAt(r, 0, 1000, 1), 0) << r;
        EXPECT_EQ(countAt(0, r, 30000, 1), 0) << r;
        EXPECT_EQ(countAt(r, r, 30000, 1), 0) << r;
    }
    EXPECT_TRUE(std::isinf(state.zReSquared));
}

TEST_F(EscapeCountTest, LeavesTheLastIterateInTheState)
{
    countAt(2, 0, 1000, 15);
    EXPECT_EQ(state.zRe, 6.0);
    EXPECT_EQ(state.zReSquared, 36.0);
}

}  // namespace
}  // namespace vantorel::testing
