// The counts of deep views: against direct iteration in MPFR, at the edge of
// the rule that hands a view from the double loop to the deep engine, and
// while its reference orbit is being computed.

#include "core/deep_counts.h"
#include "core/deep_engine.h"
#include "core/deep_view.h"
#include "core/plotting_pass.h"
#include "core/state.h"
#include "navigation/plot_settings.h"
#include "navigation/run_control.h"
#include "support/deep_views.h"
#include "support/direct_count.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace vantorel::testing {
namespace {

DeepView parseView(const char* const (&corners)[4])
{
    auto at = [&](int k) { return *BigFloat::parse(corners[k], 4 * static_cast<int>(std::strlen(corners[k])) + 64); };
    return {at(0), at(1), at(2), at(3)};
}

class DeepEngineTest : public ProgramTest {
protected:
    void TearDown() override
    {
        setDeepZoomEnabled(true);
        ProgramTest::TearDown();
    }

    // The deep view's counts for this limit and step, once its reference is there.
    void prepare(const char* const (&corners)[4], int limit, int step)
    {
        applyPlotSettings({{-2.25, -1.5, 1.25, 1.5}, limit, step, 500, true, false});
        adoptDeepView(parseView(corners));
        ASSERT_TRUE(deepViewActive());
        beginDeepPass(600, 500);
        while (!deepTablesReady(static_cast<float>(limit), step))
            waitForDeepTables(50);
    }
};

TEST_F(DeepEngineTest, CountsAreThoseOfDirectIterationInMpfr)
{
    struct Case {
        const char* const (*view)[4];
        int limit, step, pixels;
    };
    // Just past the rule, at the tip of the antenna and in seahorse valley;
    // 1e-20 with counts near 9000; an off-centre copy on the antenna; below
    // the smallest double, where the differences need their own exponent;
    // and 1e-1000. The limits let most pixels escape: a pixel counted as the
    // reference would be would not show among points that never escape.
    const Case cases[] = {{&PastTheRule, 3000, 1, 12},  {&TipOfTheAntenna, 3000, 1, 12}, {&OneAtTheCentre, 100, 1, 12},
                          {&Seahorse1e20, 30000, 1, 40}, {&Antenna1e70, 3000, 1, 16},     {&Antenna1e313, 30000, 7, 16},
                          {&Antenna1e1000, 30000, 3, 8}};
    for (const Case& c : cases) {
        prepare(*c.view, c.limit, c.step);
        std::string view[4];
        for (int k = 0; k < 4; ++k)
            view[k] = (*c.view)[k];
        const int bits = bitsForView(deep.view, 600, 500) + 64;
        // Pixels spread over the whole canvas, its two far corners among them,
        // and as many again on a ring round the centre, where the copies of
        // the set lie.
        for (int k = 0; k < 2 * c.pixels; ++k) {
            const bool ring = k >= c.pixels;
            const double angle = 0.7 * k;
            const int x = ring ? 300 + static_cast<int>(std::lround(14 * std::cos(angle)))
                          : k == 1 ? 599
                                   : k * 37 % 600;
            const int y = ring ? 250 + static_cast<int>(std::lround(12 * std::sin(angle)))
                          : k == 1 ? 499
                                   : k * 23 % 500;
            EXPECT_EQ(deepEscapeCount(x, y, static_cast<float>(c.limit), c.step),
                      directCount(view, 600, 500, x, y, c.limit, c.step, bits))
                << view[0].substr(0, 30) << " pixel " << x << " " << y;
        }
        // A whole row counted with several pixels in flight at once, some
        // still below the double range while others are not, as pictures and
        // the pass's threads count them: as one pixel at a time.
        const DeepViewCounts rows(parseView(*c.view), 600, 500, static_cast<float>(c.limit), c.step);
        std::int16_t row[600];
        rows.countRun(250, 0, 600, row);
        for (int x = 0; x < 600; ++x)
            ASSERT_EQ(row[x], deepEscapeCount(x, 250, static_cast<float>(c.limit), c.step))
                << view[0].substr(0, 30) << " pixel " << x;
    }
}

TEST_F(DeepEngineTest, AViewAtTheRuleIsDrawnByTheDoubleLoopAndOneJustPastItIsNot)
{
    // In seahorse valley, pixel steps of exactly 16 units in the last place
    // of the largest corner, |xMin| (whose unit is 2^-53): doubles still
    // resolve the view, and it is drawn as without deep zoom, bit for bit.
    const double unit = std::ldexp(1.0, -53);
    const double xMin = -0.7436438870371585, yMin = 0.1318259042053;
    const auto drawn = [&](double widthInUnits, bool deepZoom) {
        startFreshProgram(fake);
        setDeepZoomEnabled(deepZoom);
        applyPlotSettings({{xMin, yMin, xMin + widthInUnits * unit, yMin + 500 * 16 * unit}, 400, 1, 500, true, false});
        adoptDoubleView();
        Command1_Click();
        return std::pair{deepPassActive(), fake.canvas()};
    };
    EXPECT_TRUE(binary64Resolves(xMin, yMin, xMin + 600 * 16 * unit, yMin + 500 * 16 * unit, 600, 500));
    const auto [atRuleDeep, atRule] = drawn(600 * 16, true);
    const auto [offDeep, off] = drawn(600 * 16, false);
    EXPECT_FALSE(atRuleDeep);
    EXPECT_FALSE(offDeep);
    EXPECT_EQ(atRule, off);

    // One unit narrower, the steps fall below 16 units: the deep engine
    // draws it (its counts are checked against MPFR above).
    EXPECT_FALSE(binary64Resolves(xMin, yMin, xMin + (600 * 16 - 1) * unit, yMin + 500 * 16 * unit, 600, 500));
    EXPECT_TRUE(drawn(600 * 16 - 1, true).first);
    EXPECT_FALSE(drawn(600 * 16 - 1, false).first);
}

TEST_F(DeepEngineTest, StopAndANewPictureAnswerWhileTheReferenceOrbitIsComputed)
{
    // At 1e-1000 and 30000 rounds the orbit takes far longer than one pump.
    applyPlotSettings({{-2.25, -1.5, 1.25, 1.5}, 30000, 1, 500, true, false});
    adoptDeepView(parseView(Antenna1e1000));
    fake.atPump(1, [] { mnustop_Click(); });
    const CanvasPixels before = fake.canvas();
    Command1_Click();
    EXPECT_EQ(fake.pumps, 1);
    EXPECT_EQ(fake.canvas(), before);  // not a block drawn
    EXPECT_FALSE(state.abortRequested);
    EXPECT_EQ(plottingPassNesting(), 0);

    // A picture asked for meanwhile is drawn whole; the waiting pass then
    // carries on from where that one left the columns: it draws nothing more.
    const long pumpsBefore = fake.pumps;
    fake.atPump(pumpsBefore + 1, [] {
        adoptDeepView({BigFloat(-2.25), BigFloat(-1.5), BigFloat(1.25), BigFloat(1.5)});
        replot();
    });
    Command1_Click();
    const CanvasPixels nested = fake.canvas();
    startFreshProgram(fake);
    applyPlotSettings({{-2.25, -1.5, 1.25, 1.5}, 30000, 1, 500, true, false});
    Command1_Click();
    EXPECT_EQ(nested, fake.canvas());

    // That picture stopped after five columns: the waiting pass goes on from
    // the column after the one the inner pass stopped at, as after any pump,
    // and is stopped in turn three columns later. Pixels 80-95 stay blank.
    startFreshProgram(fake);
    applyPlotSettings({{-2.25, -1.5, 1.25, 1.5}, 30000, 1, 500, true, false});
    adoptDeepView(parseView(Antenna1e1000));
    fake.atPump(1, [this] {
        adoptDeepView({BigFloat(-2.25), BigFloat(-1.5), BigFloat(1.25), BigFloat(1.5)});
        fake.atPump(6, [] { mnustop_Click(); });
        fake.atPump(9, [] { mnustop_Click(); });
        replot();
    });
    // On a canvas of a colour no block has, so that every block drawn shows.
    constexpr Colour Unpainted = 0x563412;
    fake.canvasFillBox(0, 0, 599, 499, Unpainted);
    replot();
    const auto columnDrawn = [this](int x) { return fake.pixel(x, 0) != Unpainted; };
    EXPECT_TRUE(columnDrawn(79));
    EXPECT_FALSE(columnDrawn(80));
    EXPECT_FALSE(columnDrawn(95));
    EXPECT_TRUE(columnDrawn(96));
    EXPECT_TRUE(columnDrawn(143));
    EXPECT_FALSE(columnDrawn(144));
}

TEST_F(DeepEngineTest, TheSameViewOnACanvasOfAnotherSizeIsCountedForThatSize)
{
    // Corners of 250 bits, which every canvas here keeps exactly: the passes
    // see the very same corners and differ only in their canvas.
    DeepView view = parseView(Antenna1e70);
    for (BigFloat* corner : {&view.xMin, &view.yMin, &view.xMax, &view.yMax})
        *corner = corner->rounded(250);
    const auto plot = [](const DeepView& corners, int limit) {
        applyPlotSettings({{-2.25, -1.5, 1.25, 1.5}, limit, 1, 500, true, false});
        adoptDeepView(corners);
        Command1_Click();
    };
    const auto drawOn = [&](int width, int height, bool fresh) {
        if (fresh)
            startFreshProgram(fake);
        fake = MemoryPlatform(width, height);
        connectHeadlessHandlers(fake);
        setPlatform(&fake);
        if (fresh)  // the deep engine keeps its last view: a pass over another replaces it
            plot(parseView(Antenna1e313), 10);
        plot(view, 3000);
        return fake.canvas();
    };
    // At 3000 / 1 the copy of the set shows, a third of the canvas wide.
    for (const auto& [width, height] : {std::pair{180, 160}, {180, 150}}) {
        drawOn(200, 160, true);
        const CanvasPixels after = drawOn(width, height, false);
        EXPECT_EQ(after, drawOn(width, height, true)) << width << " x " << height;
    }
}

}  // namespace
}  // namespace vantorel::testing
