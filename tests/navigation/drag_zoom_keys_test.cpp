#include "core/state.h"
#include "navigation/drag.h"
#include "navigation/run_control.h"
#include "navigation/zoom_keys.h"
#include "support/fixture.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

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

}  // namespace
}  // namespace vantorel::testing
