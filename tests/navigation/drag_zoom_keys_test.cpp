#include "core/corner_labels.h"
#include "core/deep_view.h"
#include "core/numeric.h"
#include "core/state.h"
#include "navigation/drag.h"
#include "navigation/plot_settings.h"
#include "navigation/run_control.h"
#include "navigation/zoom_keys.h"
#include "support/fixture.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include <gmp.h>
#include <mpfr.h>

namespace vantorel::testing {
namespace {

class NavigationTest : public ProgramTest {
protected:
    // A first plot of the full view, refinement off and a tiny limit so that
    // every later pass is quick.
    void plotFullView()
    {
        state.refinementBase = 1;
        fake.setScrollValue(ScrollBar::itera, 2);
        Command1_Click();
    }
    // Exact unless told: the picture and the saved location follow the last bit.
    void expectView(double xMin, double yMin, double xMax, double yMax, double tolerance = 0)
    {
        EXPECT_NEAR(state.viewXMin, xMin, tolerance);
        EXPECT_NEAR(state.viewYMin, yMin, tolerance);
        EXPECT_NEAR(state.viewXMax, xMax, tolerance);
        EXPECT_NEAR(state.viewYMax, yMax, tolerance);
    }
    long passes() { return static_cast<long>(fake.captionHistory(Caption::Label1).size()); }
};

constexpr Colour White = 0xffffff;

// The full view after one zoom step in (+1) or out (-1): each edge moves by
// (1 / 5) x span, in that order of operations (span / 5 differs in the last bit).
constexpr double zoomed(double edge, double span, int direction) { return edge + direction * (1 / 5.0) * span; }

TEST_F(NavigationTest, DragMovesThePointUnderThePressToTheRelease)
{
    plotFullView();
    Picture1_MouseDown(1, 0, 300, 250);
    EXPECT_EQ(fake.pointer, Pointer::Cross);
    EXPECT_TRUE(state.dragging);
    fake.atPump(fake.pumps + 1, [this] {
        // The outline is drawn before the new pass paints over it.
        EXPECT_EQ(fake.pixel(330, 200), White);
        EXPECT_EQ(fake.pixel(360, 230), White);
        EXPECT_NE(fake.pixel(330, 230), White);
    });
    Picture1_MouseUp(1, 0, 360, 200);
    EXPECT_EQ(fake.pointer, Pointer::Arrow);
    EXPECT_FALSE(state.dragging);
    // Offsets (press - release) / canvas size x span, in that order.
    const double dx = (300 - 360.0) / 600 * 3.5, dy = (250 - 200.0) / 500 * 3.0;
    expectView(-2.25 + dx, -1.5 + dy, 1.25 + dx, 1.5 + dy);
    EXPECT_EQ(state.zoomCount, 0);
}

TEST_F(NavigationTest, DragEdgeCases)
{
    plotFullView();
    const long before = passes();
    // Any button, a click without movement: the same view plotted again.
    Picture1_MouseDown(2, 0, 100, 100);
    Picture1_MouseUp(4, 0, 100, 100);
    expectView(-2.25, -1.5, 1.25, 1.5, 0);
    EXPECT_EQ(passes(), before + 1);
    // A release far outside the canvas uses the unrounded position.
    Picture1_MouseDown(1, 0, 100, 100);
    Picture1_MouseUp(1, 0, -200, 109.25f);
    const double dy = (100 - 109.25) / 500 * 3.0;
    expectView(-2.25 + 300.0 / 600 * 3.5, -1.5 + dy, 1.25 + 300.0 / 600 * 3.5, 1.5 + dy);
    // A press rounds halves to even.
    Picture1_MouseDown(1, 0, 2.5f, 3.5f);
    EXPECT_EQ(state.dragStartX, 2);
    EXPECT_EQ(state.dragStartY, 4);
}

TEST_F(NavigationTest, TheOutlineIsClippedAtEveryEdgeAndDrawnInBothDirections)
{
    // Corners as pressed and released: inside, across each edge, reversed,
    // around the whole canvas and wholly outside.
    const struct {
        const char* what;
        int x1, y1, x2, y2;
    } boxes[] = {
        {"inside, leftwards and upwards", 20, 30, 10, 5},
        {"across the right edge", 590, 100, 650, 120},
        {"across the right edge, reversed", 650, 120, 590, 100},
        {"across the bottom edge", 100, 490, 120, 560},
        {"across the bottom edge, reversed", 120, 560, 100, 490},
        {"over the last row and column", 700, 700, 595, 495},
        {"up to the last row and column", 595, 495, 599, 499},
        {"across the top left corner", 10, 10, -50, -20},
        {"around the canvas", -5, 505, 605, -5},
        {"outside", 650, 10, 700, 20},
    };
    for (const auto& b : boxes) {
        SCOPED_TRACE(b.what);
        fake.canvasClear();
        fake.canvasDrawBox(b.x1, b.y1, b.x2, b.y2, White);
        auto within = [](int v, int a, int b) { return std::min(a, b) <= v && v <= std::max(a, b); };
        long wrong = 0;
        for (int y = 0; y < 500; ++y)
            for (int x = 0; x < 600; ++x) {
                const bool onOutline = ((y == b.y1 || y == b.y2) && within(x, b.x1, b.x2))
                                       || ((x == b.x1 || x == b.x2) && within(y, b.y1, b.y2));
                wrong += (fake.pixel(x, y) == White) != onOutline;
            }
        EXPECT_EQ(wrong, 0) << "pixels off the outline or missing from it";
    }
}

TEST_F(NavigationTest, ZoomStepsAndArrowKeysPlotOverTheOldPicture)
{
    plotFullView();
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"zoom in", zoomin_Click},
        {"zoom out", zoomout_Click},
        {"double click", Picture1_DblClick},
        {"keypad plus", [] { Picture1_KeyDown(KeyKeypadPlus, 0); }},
        {"keypad minus", [] { Picture1_KeyDown(KeyKeypadMinus, 0); }},
        {"left", [] { Picture1_KeyDown(KeyLeft, 0); }},
        {"up", [] { Picture1_KeyDown(KeyUp, 0); }},
        {"right", [] { Picture1_KeyDown(KeyRight, 0); }},
        {"down", [] { Picture1_KeyDown(KeyDown, 0); }},
    };
    // Each new pass is stopped after its first column; the rest of the canvas
    // keeps what was there.
    fake.onEveryPump = [] { mnustop_Click(); };
    for (const auto& [what, step] : steps) {
        SCOPED_TRACE(what);
        fake.canvasSetPixel(599, 499, 0x123456);
        const long before = passes();
        step();
        EXPECT_EQ(passes(), before + 1);
        EXPECT_EQ(fake.pixel(599, 499), 0x123456);
    }
}

TEST_F(NavigationTest, NothingHappensOnTheCanvasBeforeTheFirstPlot)
{
    Picture1_MouseDown(1, 0, 10, 10);
    Picture1_MouseUp(1, 0, 50, 50);
    Picture1_DblClick();
    zoomin_Click();
    zoomout_Click();
    EXPECT_EQ(fake.pointer, Pointer::Arrow);
    EXPECT_FALSE(state.dragging);
    EXPECT_EQ(fake.pixel(30, 10), 0);
    EXPECT_FALSE(state.plotStarted);
    EXPECT_EQ(state.zoomCount, 0);
    // The keypad plus key only leaves the key gate shut.
    Picture1_KeyDown(KeyKeypadPlus, 0);
    EXPECT_TRUE(state.abortRequested);
    EXPECT_FALSE(state.plotStarted);
}

TEST_F(NavigationTest, ADoubleClickPlotsTheZoomedViewAgainWithItsSecondRelease)
{
    plotFullView();
    Picture1_MouseDown(1, 0, 200, 200);
    Picture1_MouseUp(1, 0, 200, 200);
    Picture1_DblClick();
    Picture1_MouseUp(1, 0, 200, 200);
    expectView(zoomed(-2.25, 3.5, 1), zoomed(-1.5, 3, 1), zoomed(1.25, 3.5, -1), zoomed(1.5, 3, -1));
    EXPECT_EQ(state.zoomCount, 1);
}

TEST_F(NavigationTest, ZoomStepsAboutTheCentre)
{
    plotFullView();
    zoomin_Click();
    expectView(zoomed(-2.25, 3.5, 1), zoomed(-1.5, 3, 1), zoomed(1.25, 3.5, -1), zoomed(1.5, 3, -1));
    EXPECT_EQ(state.zoomCount, 1);
    EXPECT_EQ(caption(Caption::Labelzoom), " 1 times");
    EXPECT_EQ(caption(Caption::Label14), "5");
    zoomout_Click();
    EXPECT_EQ(state.zoomCount, 0);
    // In then out leaves 21/25 of the size about the same centre.
    EXPECT_NEAR(state.viewXMax - state.viewXMin, 3.5 * 21 / 25, 1e-12);
    EXPECT_NEAR(state.viewYMax - state.viewYMin, 3.0 * 21 / 25, 1e-12);
    EXPECT_NEAR(state.viewXMin + state.viewXMax, -1.0, 1e-12);

    Command2_Click();
    zoomout_Click();
    expectView(zoomed(-2.25, 3.5, -1), zoomed(-1.5, 3, -1), zoomed(1.25, 3.5, 1), zoomed(1.5, 3, 1));
    EXPECT_EQ(caption(Caption::Labelzoom), "-1 times");
    EXPECT_EQ(caption(Caption::Label14), "-5");
}

TEST_F(NavigationTest, KeysAndTheKeyGate)
{
    plotFullView();
    Picture1_KeyDown(KeyRight, 0);
    expectView(-2.25 + 0.14, -1.5, 1.25 + 0.14, 1.5);
    Picture1_KeyDown(KeyUp, 0);
    expectView(-2.25 + 0.14, -1.6, 1.25 + 0.14, 1.4);
    Picture1_KeyDown(KeyLeft, 0);
    Picture1_KeyDown(KeyDown, 0);
    expectView(-2.25, -1.5, 1.25, 1.5);
    Picture1_KeyDown(KeyKeypadPlus, 0);
    EXPECT_EQ(state.zoomCount, 1);
    Picture1_KeyDown(KeyKeypadMinus, 0);
    EXPECT_EQ(state.zoomCount, 0);

    // A key without action (the main keyboard's plus is one) ends the pass and
    // shuts the gate until the next pass starts.
    Picture1_KeyDown('+', 0);
    EXPECT_TRUE(state.abortRequested);
    const long before = passes();
    Picture1_KeyDown(KeyRight, 0);
    Picture1_KeyDown(KeyKeypadPlus, 0);
    EXPECT_EQ(passes(), before);
    EXPECT_EQ(state.zoomCount, 0);
    Command1_Click();
    Picture1_KeyDown(KeyKeypadPlus, 0);
    EXPECT_EQ(state.zoomCount, 1);

    // After Stop with no pass under way, keys are ignored too.
    mnustop_Click();
    Picture1_KeyDown(KeyLeft, 0);
    EXPECT_EQ(state.zoomCount, 1);
}

TEST_F(NavigationTest, AnArrowBeforeAnyPlotPlotsTheSameView)
{
    Picture1_KeyDown(KeyLeft, 0);
    EXPECT_TRUE(state.plotStarted);
    expectView(-2.25, -1.5, 1.25, 1.5, 0);
}

TEST_F(NavigationTest, AHeldArrowKeyStartsAPassInsideTheRunningOneAtEachRepeat)
{
    state.refinementBase = 2;
    int depth = 0, deepest = 0;
    fake.onEveryPump = [&] {
        // Key repeats arrive in the first pumps of each pass, four in all.
        if (depth < 4 && state.pixelX == 0) {
            ++depth;
            deepest = std::max(deepest, depth);
            Picture1_KeyDown(KeyRight, 0);
        }
    };
    Command1_Click();
    EXPECT_EQ(deepest, 4);
    EXPECT_NEAR(state.viewXMin, -2.25 + 4 * 0.14, 1e-12);
    EXPECT_EQ(caption(Caption::labelchunkx), "1");
}

TEST_F(NavigationTest, EscEndsTheProgramAlsoDuringAPass)
{
    fake.atPump(5, [] { Picture1_KeyDown(KeyEscape, 0); });
    EXPECT_THROW(Command1_Click(), ProgramEnded);
    EXPECT_EQ(fake.openWindows, 0);
    EXPECT_EQ(fake.pumps, 5) << "no step of the pass ran after the end";
}

TEST_F(NavigationTest, ZoomCountStopsAtItsRangeWithViewAndLabelsInStep)
{
    plotFullView();
    state.zoomCount = 32766;
    zoomin_Click();
    EXPECT_EQ(state.zoomCount, 32767);
    const double width = state.viewXMax - state.viewXMin;
    const long before = passes();
    zoomin_Click();
    EXPECT_EQ(state.zoomCount, 32767);
    EXPECT_EQ(state.viewXMax - state.viewXMin, width) << "a refused step leaves the view";
    EXPECT_EQ(caption(Caption::Labelzoom), " 32767 times");
    EXPECT_EQ(passes(), before);

    // The keypad step refused there is no request: the running plot draws on
    // to its end, and with none running the keys stay live.
    fake.atPump(fake.pumps + 3, [] { Picture1_KeyDown(KeyKeypadPlus, 0); });
    Command1_Click();
    EXPECT_EQ(caption(Caption::Labelcompleted), " 100 %");
    Picture1_KeyDown(KeyKeypadPlus, 0);
    EXPECT_FALSE(state.abortRequested);
    Picture1_KeyDown(KeyKeypadMinus, 0);
    EXPECT_EQ(state.zoomCount, 32766);

    state.zoomCount = -32768;
    zoomout_Click();
    EXPECT_EQ(state.zoomCount, -32768);
}

TEST_F(NavigationTest, NavigationNeverMakesTheViewNonFinite)
{
    plotFullView();
    for (int i = 0; i < 3000; ++i)
        zoomout_Click();
    EXPECT_TRUE(std::isfinite(state.viewXMax - state.viewXMin));
    EXPECT_TRUE(std::isfinite(state.viewYMax - state.viewYMin));
    EXPECT_LT(state.zoomCount, -1000);
    EXPECT_GT(state.viewXMax - state.viewXMin, 1e307);
    const double xMin = state.viewXMin;
    for (int i = 0; i < 20; ++i)
        Picture1_KeyDown(KeyLeft, 0), Picture1_KeyDown(KeyUp, 0);
    Picture1_MouseDown(1, 0, 0, 0);
    Picture1_MouseUp(1, 0, 599, 499);
    EXPECT_TRUE(std::isfinite(state.viewXMin) && std::isfinite(state.viewYMin));
    EXPECT_LE(state.viewXMin, xMin);
    // Points near 1e154 and far beyond get a defined colour: count 0.
    for (int x = 0; x < 600; x += 37)
        EXPECT_EQ(fake.pixel(x, 0), fake.pixel(0, 0));
}

// --- at depth ---

// A view 1.2e-30 wide and 1e-29 high in the seahorse valley, far past what
// doubles resolve.
DeepView seahorseView(int bits = 200)
{
    const auto at = [bits](const char* decimal) { return *BigFloat::parse(decimal, bits); };
    return {at("-0.7436438870371587047521915061147"), at("0.1318259042053119704931320563851"),
            at("-0.7436438870371587047521915061135"), at("0.1318259042053119704931320563951")};
}

// An MPFR number of its own, for checking deep views with MPFR itself.
struct Mpfr {
    explicit Mpfr(mpfr_prec_t bits) { mpfr_init2(value, bits); }
    ~Mpfr() { mpfr_clear(value); }
    Mpfr(const Mpfr&) = delete;
    Mpfr& operator=(const Mpfr&) = delete;
    mpfr_t value;
};

mpfr_srcptr raw(const BigFloat& x) { return static_cast<mpfr_srcptr>(x.mpfr()); }

// The span as the pass forms it: the difference rounded at the corners' precision.
struct Span : Mpfr {
    Span(const BigFloat& low, const BigFloat& high) : Mpfr(std::max(low.precision(), high.precision()))
    {
        mpfr_sub(value, raw(high), raw(low), MPFR_RNDN);
    }
};

// Whether `got` is exactly corner + factor * span (sign +1) or corner -
// factor * span (-1), each operation rounded to nearest at got's precision.
bool isStep(const BigFloat& got, const BigFloat& corner, const Span& span, double factor, int sign)
{
    const mpfr_prec_t bits = got.precision();
    Mpfr product(bits), sum(bits);
    mpfr_mul_d(product.value, span.value, factor, MPFR_RNDN);
    if (sign > 0)
        mpfr_add(sum.value, raw(corner), product.value, MPFR_RNDN);
    else
        mpfr_sub(sum.value, raw(corner), product.value, MPFR_RNDN);
    return mpfr_equal_p(sum.value, raw(got)) != 0;
}

class DeepNavigationTest : public NavigationTest {
protected:
    void goDeep(const DeepView& view)
    {
        plotFullView();
        adoptDeepView(view);
        Command1_Click();
        ASSERT_TRUE(deepViewActive());
    }
    // The step the handler must have taken from `before`, corner by corner:
    // lower corners + factor * span, upper ones + sign * factor * span.
    void expectStep(const DeepView& before, double factorX, double factorY, int upperSign)
    {
        const DeepView& now = deep.view;
        const Span spanX(before.xMin, before.xMax), spanY(before.yMin, before.yMax);
        EXPECT_EQ(now.xMin.precision(), bitsForView(now)) << "the precision the new view needs";
        for (const BigFloat* corner : {&now.yMin, &now.xMax, &now.yMax})
            EXPECT_EQ(corner->precision(), now.xMin.precision());
        EXPECT_TRUE(isStep(now.xMin, before.xMin, spanX, factorX, 1));
        EXPECT_TRUE(isStep(now.yMin, before.yMin, spanY, factorY, 1));
        EXPECT_TRUE(isStep(now.xMax, before.xMax, spanX, factorX, upperSign));
        EXPECT_TRUE(isStep(now.yMax, before.yMax, spanY, factorY, upperSign));
        // The doubles are its nearest doubles.
        EXPECT_EQ(state.viewXMin, now.xMin.toDouble());
        EXPECT_EQ(state.viewYMax, now.yMax.toDouble());
    }
};

TEST_F(DeepNavigationTest, DragAndZoomStepsAreExactInTheViewsPrecision)
{
    goDeep(seahorseView());
    DeepView before = deep.view;
    zoomin_Click();
    expectStep(before, 1 / 5.0, 1 / 5.0, -1);
    EXPECT_EQ(state.zoomCount, 1);
    EXPECT_EQ(caption(Caption::Label14), "5");

    before = deep.view;
    Picture1_MouseDown(1, 0, 300, 250);
    Picture1_MouseUp(1, 0, 360.5f, 200);
    expectStep(before, (300 - 360.5) / 600, (250 - 200.0) / 500, 1);

    before = deep.view;
    zoomout_Click();
    expectStep(before, -1 / 5.0, -1 / 5.0, -1);
    EXPECT_EQ(state.zoomCount, 0);

    before = deep.view;
    Picture1_KeyDown(KeyLeft, 0);
    const DeepView afterLeft = deep.view;
    const Span spanX(before.xMin, before.xMax), spanY(before.yMin, before.yMax);
    EXPECT_TRUE(isStep(afterLeft.xMin, before.xMin, spanX, 0.001 / 15 * 600, -1));
    EXPECT_TRUE(isStep(afterLeft.xMax, before.xMax, spanX, 0.001 / 15 * 600, -1));
    EXPECT_TRUE(afterLeft.yMin == before.yMin && afterLeft.yMax == before.yMax);
    Picture1_KeyDown(KeyDown, 0);
    EXPECT_TRUE(isStep(deep.view.yMin, before.yMin, spanY, 0.001 / 15 * 500, 1));
    EXPECT_TRUE(deep.view.xMin == afterLeft.xMin);

    // Twenty steps in take the view (21/25 of 1.2e-30 after one in and one
    // out) 4e-35 wide, and the precision with it.
    const int bitsBefore = deep.view.xMin.precision();
    for (int i = 0; i < 20; ++i)
        zoomin_Click();
    EXPECT_EQ(deep.view.xMin.precision(), bitsForView(deep.view));
    EXPECT_GT(deep.view.xMin.precision(), bitsBefore + 10);
    EXPECT_NEAR(deep.view.xMax.minus(deep.view.xMin).toDouble(), 1.2e-30 * 0.84 * std::pow(0.6, 20), 1e-47);
    EXPECT_NEAR(deep.view.yMax.minus(deep.view.yMin).toDouble(), 1e-29 * 0.84 * std::pow(0.6, 20), 1e-46);

    // The zoom count keeps its range at depth too.
    state.zoomCount = 32767;
    const BigFloat width = deep.view.xMax.minus(deep.view.xMin);
    zoomin_Click();
    EXPECT_EQ(state.zoomCount, 32767);
    EXPECT_TRUE(deep.view.xMax.minus(deep.view.xMin) == width);

    // A factor of 2 (from a file) collapses the view to a point at any depth:
    // its doubles draw it, and it is no deeper than the deepest view.
    state.zoomCount = 0;
    state.zoomFactor = 2;
    zoomin_Click();
    EXPECT_FALSE(deepViewActive());
    EXPECT_EQ(state.viewXMin, state.viewXMax);
    EXPECT_EQ(state.viewYMin, state.viewYMax);
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(DeepNavigationTest, CornerLabelsTellTheCornersApartAndGiveThemWholeInTheirDetails)
{
    fake.separator = ",";
    goDeep(seahorseView());
    // The span 1.2e-30 gives a unit of 1e-33 (33 decimals), 1e-29 one of 1e-32.
    EXPECT_EQ(caption(Caption::Label1), "-0,7436438870\u202614700");
    EXPECT_EQ(caption(Caption::Label3), "-0,7436438870\u202613500");
    EXPECT_EQ(caption(Caption::Label2), "0,13182590420\u202638510");
    EXPECT_EQ(caption(Caption::Label4), "0,13182590420\u202639510");
    std::string exact = deep.view.xMax.toExactDecimal();
    exact.replace(exact.find('.'), 1, ",");
    EXPECT_EQ(fake.captionDetail(Caption::Label3), exact);
    // The exponent form below 1e-4 keeps its exponent in the tail; a corner
    // far below the unit is 0; a short one is shown whole.
    const BigFloat small = *BigFloat::parse("-1.2345678901234567890123e-1000", 100);
    const BigFloat span = *BigFloat::parse("3e-1019", 100);
    EXPECT_EQ(deepCornerCaption(small, span, "."), "-1.2345\u202689012e-1000");  // unit 1e-1021
    EXPECT_EQ(deepCornerCaption(*BigFloat::parse("1e-1030", 100), span, "."), "0");
    // The exponent form starts below 1e-4 and from 1e15, with two digits at least.
    const auto shown = [](const char* corner, const char* span) {
        return deepCornerCaption(*BigFloat::parse(corner, 100), *BigFloat::parse(span, 100), ".");
    };
    EXPECT_EQ(shown("1.234567890123456789e-5", "2e-20"), "1.2345678\u202645679e-05");  // unit 1e-22: rounded up
    EXPECT_EQ(shown("1.234567890123456789e-4", "2e-20"), "0.00012345678\u202656789");
    EXPECT_EQ(shown("-1.234567890123456789e-10", "2e-27"), "-1.234567\u202667890e-10");
    EXPECT_EQ(shown("1234567890123456.5", "0.3"), "1.2345678\u202656500e+15");
    EXPECT_EQ(shown("123456789012345.4", "140"), "123456789012345");  // unit 1: no separator
    EXPECT_EQ(deepCornerCaption(*BigFloat::parse("1.5e-320", 100), *BigFloat::parse("3e-320", 100), "."),
              "1.50e-320");
    EXPECT_EQ(deepCornerCaption(*BigFloat::parse("123456789012345.5", 100), *BigFloat::parse("0.3", 100), "."),
              "123456789012345.500");
    EXPECT_EQ(deepCornerCaption(*BigFloat::parse("-123456789012345.5", 100), *BigFloat::parse("0.03", 100), "."),
              "-12345678901\u20265.5000");  // unit 1e-4: five digits and the separator

    // Back at the full view the labels are the general format without details.
    Command2_Click();
    EXPECT_EQ(caption(Caption::Label1), "-2,25");
    EXPECT_EQ(fake.captionDetail(Caption::Label1), "");
}

TEST_F(DeepNavigationTest, ZoomingInPastTheRuleGoesDeepWithTheDoublesAndZoomingOutComesBack)
{
    plotFullView();
    int steps = 0;
    double xMin = 0, yMax = 0, spanX = 0, spanY = 0;
    while (!deepViewActive() && steps < 100) {
        xMin = state.viewXMin, yMax = state.viewYMax, spanX = state.spanX, spanY = state.spanY;
        zoomin_Click();
        ++steps;
    }
    ASSERT_TRUE(deepViewActive());
    // The step that crossed was the doubles' own, and the deep view is exactly its result.
    EXPECT_EQ(state.viewXMin, xMin + 1 * (1 / 5.0) * spanX);
    EXPECT_EQ(state.viewYMax, yMax - 1 * (1 / 5.0) * spanY);
    EXPECT_TRUE(deep.view.xMin == BigFloat(state.viewXMin) && deep.view.yMin == BigFloat(state.viewYMin)
                && deep.view.xMax == BigFloat(state.viewXMax) && deep.view.yMax == BigFloat(state.viewYMax));
    EXPECT_FALSE(binary64Resolves(state.viewXMin, state.viewYMin, state.viewXMax, state.viewYMax, 600, 500));
    EXPECT_EQ(steps, 57);  // 8e-13 wide: a pixel is 12 ulps of 0.5

    int back = 0;
    while (deepViewActive() && back < 10) {
        zoomout_Click();
        ++back;
    }
    EXPECT_FALSE(deepViewActive());
    EXPECT_TRUE(binary64Resolves(state.viewXMin, state.viewYMin, state.viewXMax, state.viewYMax, 600, 500));
    // From there the doubles' own arithmetic again.
    xMin = state.viewXMin, spanX = state.spanX;
    zoomout_Click();
    EXPECT_EQ(state.viewXMin, xMin + -1 * (1 / 5.0) * spanX);
    // The settings the render tool puts in place follow the same rule.
    applyPlotSettings({{-0.75, 0.1, -0.75 + 1e-14, 0.1 + 1e-14}});
    EXPECT_TRUE(deepViewActive());
}

TEST_F(DeepNavigationTest, WithDeepZoomOffEveryStepIsTheDoublesOwn)
{
    setDeepZoomEnabled(false);
    plotFullView();
    double xMin = -2.25, yMin = -1.5, xMax = 1.25, yMax = 1.5;
    for (int i = 0; i < 40; ++i) {
        const double spanX = xMax - xMin, spanY = yMax - yMin, d = 1 / 5.0;
        xMin = xMin + d * spanX, xMax = xMax - d * spanX, yMin = yMin + d * spanY, yMax = yMax - d * spanY;
        zoomin_Click();
    }
    expectView(xMin, yMin, xMax, yMax);
    EXPECT_FALSE(deepViewActive());
    EXPECT_EQ(caption(Caption::Label1), formatGeneral(xMin, "."));
}

TEST_F(DeepNavigationTest, ADragAtDepthNeverTakesTheDoublesPastTheirRange)
{
    // 2^-100 wide just below 2^1024 - 2^970, from where every number rounds
    // to an infinite double: a drag to the right would cross it.
    const BigFloat edge = BigFloat(0x1p1023, 200).times(2.0).minus(BigFloat(0x1p970, 200));
    const BigFloat span(0x1p924, 200);
    goDeep({edge.minus(span.times(2.0)), BigFloat(0.0, 200), edge.minus(span.times(0.5)), span});
    const DeepView before = deep.view;
    Picture1_MouseDown(1, 0, 600, 0);
    Picture1_MouseUp(1, 0, 0, 0);
    EXPECT_TRUE(deep.view.xMin == before.xMin && deep.view.xMax == before.xMax);
    EXPECT_TRUE(std::isfinite(state.viewXMax));
    Picture1_MouseDown(1, 0, 0, 0);
    Picture1_MouseUp(1, 0, 300, 0);  // leftwards it moves
    EXPECT_TRUE(deep.view.xMin < before.xMin);
}

TEST_F(DeepNavigationTest, AStepPastTheDeepestViewIsRefusedWithAMessageAndChangesNothing)
{
    // 0.5 by 1e-9997: a pixel 2^-33218 of the corners. Three steps in take it
    // to 2^-33220 (3.6e-10001 of them), the fourth would go past.
    const int bits = 33400;
    const BigFloat half(0.5, bits);
    const BigFloat tiny = *BigFloat::parse("1e-9997", bits);
    goDeep({half, half, half.plus(tiny), half.plus(tiny)});
    for (int i = 0; i < 3; ++i)
        zoomin_Click();
    ASSERT_TRUE(fake.messages.empty());
    EXPECT_EQ(deep.view.xMin.precision(), 33220 + 64);
    const DeepView before = deep.view;
    const long passesBefore = passes();
    zoomin_Click();
    EXPECT_EQ(fake.messages, std::vector<std::string>{std::string("Vantorel|This step would go past the deepest view "
                                                                  "supported, with ")
                                                      + DeepestDepthText + "."});
    EXPECT_TRUE(deep.view.xMin == before.xMin && deep.view.yMin == before.yMin && deep.view.xMax == before.xMax
                && deep.view.yMax == before.yMax);
    EXPECT_EQ(state.zoomCount, 3);
    EXPECT_EQ(caption(Caption::Labelzoom), " 3 times");
    EXPECT_EQ(passes(), passesBefore);
    // Moving about at that depth still works.
    Picture1_MouseDown(1, 0, 100, 100);
    Picture1_MouseUp(1, 0, 90, 100);
    EXPECT_TRUE(deep.view.xMin > before.xMin);
    EXPECT_EQ(fake.messages.size(), 1u);
}

}  // namespace
}  // namespace vantorel::testing
