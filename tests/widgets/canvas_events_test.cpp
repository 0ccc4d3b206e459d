// Mouse and key events on the canvas, delivered the way the window system
// delivers them (through the window, with Qt's implicit grab and its own
// double-click detection), and the option toggle buttons.

#include "window_fixture.h"

#include <QKeyEvent>
#include <QScreen>
#include <QScrollArea>
#include <QWindow>

#include <cmath>
#include <vector>

namespace vantorel::testing {
namespace {

constexpr QRgb White = 0xFFFFFFFF;

// Records the mouse events the canvas receives.
class EventLog : public QObject {
    Q_OBJECT

public:
    std::vector<QEvent::Type> types;
    std::vector<QPointF> positions;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            types.push_back(e->type());
            positions.push_back(static_cast<QMouseEvent*>(e)->position());
            break;
        default: break;
        }
        return false;
    }
};

class CanvasEventsTest : public WindowTest {
protected:
    QWindow* window() const { return form1()->windowHandle(); }
    void press(QPoint at, Qt::MouseButton b = Qt::LeftButton) { QTest::mousePress(window(), b, {}, inWindow(at)); }
    void release(QPoint at, Qt::MouseButton b = Qt::LeftButton) { QTest::mouseRelease(window(), b, {}, inWindow(at)); }
    // A full default plot, as "&Start" draws it.
    void plotOnce()
    {
        click("Command1");
        pumpsBefore = pumps;
    }
    // Stops the next pass at its first pump, so the picture it found stays.
    void stopNextPassAtOnce()
    {
        during(pumps + 1, [this] { action("mnustop")->trigger(); });
    }
    void expectView(double xMin, double yMin, double xMax, double yMax)
    {
        EXPECT_NEAR(state.viewXMin, xMin, 1e-12);
        EXPECT_NEAR(state.viewYMin, yMin, 1e-12);
        EXPECT_NEAR(state.viewXMax, xMax, 1e-12);
        EXPECT_NEAR(state.viewYMax, yMax, 1e-12);
    }
    // A key pressed and released, through the window system's path (shortcuts
    // first, then the focus widget).
    void keyOnWindow(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(window(), key, modifiers); }
    // A key press as the window receives it, automatic repeat or not.
    void keyPressOnWindow(Qt::Key key, bool autoRepeat)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), autoRepeat);
        QCoreApplication::sendEvent(window(), &press);
    }
    long pumpsBefore = 0;
};

TEST_F(CanvasEventsTest, DragMovesTheViewSoThePictureFollowsThePointerAndDrawsTheBox)
{
    plotOnce();
    press({300, 250});
    EXPECT_TRUE(state.dragging);
    EXPECT_EQ(canvas()->cursor().shape(), Qt::CrossCursor);
    stopNextPassAtOnce();
    release({360, 200});
    EXPECT_FALSE(state.dragging);
    EXPECT_EQ(canvas()->cursor().shape(), Qt::ArrowCursor);
    expectView(-2.25 - 0.35, -1.5 + 0.3, 1.25 - 0.35, 1.5 + 0.3);
    EXPECT_EQ(state.zoomCount, 0);
    // The white outline over the picture (the first column of the new pass
    // covers only x 0..15).
    const QImage& img = canvas()->image();
    for (QPoint p :
         {QPoint(300, 250), QPoint(360, 200), QPoint(330, 200), QPoint(330, 250), QPoint(300, 225), QPoint(360, 225)})
        EXPECT_EQ(img.pixel(p), White) << p.x() << "," << p.y();
    EXPECT_NE(img.pixel(330, 225), White);
}

TEST_F(CanvasEventsTest, ReleaseOutsideTheCanvasStillReachesItAndShiftsByTheFormula)
{
    plotOnce();
    EventLog log;
    canvas()->installEventFilter(&log);
    press({300, 250});
    stopNextPassAtOnce();
    release({-200, 250});
    ASSERT_EQ(log.types.size(), 2u);
    EXPECT_EQ(log.types[1], QEvent::MouseButtonRelease);
    EXPECT_EQ(log.positions[1], QPointF(-200, 250));
    const double shift = (300.0 + 200.0) / 600.0 * 3.5;
    expectView(-2.25 + shift, -1.5, 1.25 + shift, 1.5);
}

TEST_F(CanvasEventsTest, RightAndMiddleButtonsDragLikeTheLeftOne)
{
    plotOnce();
    for (Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton}) {
        state.viewXMin = -2.25, state.viewYMin = -1.5, state.viewXMax = 1.25, state.viewYMax = 1.5;
        press({300, 250}, b);
        EXPECT_EQ(canvas()->cursor().shape(), Qt::CrossCursor);
        stopNextPassAtOnce();
        release({360, 200}, b);
        expectView(-2.6, -1.2, 0.9, 1.8);
    }
}

TEST_F(CanvasEventsTest, AClickWithoutMovementReplotsTheSameViewOverTheOldPicture)
{
    plotOnce();
    const QImage before = canvas()->image().copy();
    press({200, 100});
    stopNextPassAtOnce();
    release({200, 100});
    expectView(-2.25, -1.5, 1.25, 1.5);
    EXPECT_EQ(canvas()->image().pixel(200, 100), White);
    // Not cleared: away from the first column and the dot, the old picture stays.
    EXPECT_EQ(canvas()->image().pixel(400, 300), before.pixel(400, 300));
    EXPECT_GT(pumps, pumpsBefore);
}

// The window is repainted over everything drawn since its last repaint: a
// block, a single pixel and a column of blocks far from each other all reach
// the screen, and so does a column that runs off the canvas, clipped.
TEST_F(CanvasEventsTest, EverythingDrawnReachesTheScreen)
{
    const auto screenAfterPump = [this] {
        platform().pumpEvents();
        QTest::qWait(30);
        return window()->screen()->grabWindow(window()->winId()).toImage();
    };
    // A window larger than the screen scrolls: the part of the canvas the
    // test draws on is brought into view first, before anything is drawn.
    const auto showCanvasPart = [this](QRect part) {
        const QPoint centre = canvas()->mapTo(form1()->clientArea(), part.center());
        form1()->clientScroller()->ensureVisible(centre.x(), centre.y(), part.width() / 2 + 1, part.height() / 2 + 1);
        QTest::qWait(30);  // repainted, and the frame is over
    };
    showCanvasPart(QRect(100, 0, 421, 401));
    platform().canvasFillBox(100, 120, 130, 140, 0x0000FF);  // red
    platform().canvasSetPixel(520, 400, 0xFF0000);           // blue
    const Colour column[] = {0x00FF00, 0x0000FF, 0xFF0000};  // green, red, blue
    platform().canvasPaintColumn(300, 4, 2, column, 3);
    QImage screen = screenAfterPump();
    for (const QPoint at : {QPoint(100, 120), QPoint(130, 140), QPoint(115, 130), QPoint(300, 2), QPoint(303, 3)})
        EXPECT_EQ(screen.pixel(inWindow(at)), qRgb(255, 0, 0)) << at.x() << "," << at.y();
    for (const QPoint at : {QPoint(520, 400), QPoint(303, 5)})
        EXPECT_EQ(screen.pixel(inWindow(at)), qRgb(0, 0, 255)) << at.x() << "," << at.y();
    EXPECT_EQ(screen.pixel(inWindow({300, 0})), qRgb(0, 255, 0));
    EXPECT_NE(screen.pixel(inWindow({304, 0})), qRgb(0, 255, 0));

    showCanvasPart(QRect(598, 200, 2, 300));
    platform().canvasPaintColumn(598, 4, 200, column, 3);  // 2 pixels wide and 500 high on the canvas
    screen = screenAfterPump();
    EXPECT_EQ(screen.pixel(inWindow({599, 200})), qRgb(255, 0, 0));
    EXPECT_EQ(screen.pixel(inWindow({598, 499})), qRgb(0, 0, 255));
}

TEST_F(CanvasEventsTest, BeforeTheFirstPlotPressAndReleaseChangeNothingNotEvenThePointer)
{
    const QImage before = canvas()->image().copy();
    press({300, 250});
    EXPECT_EQ(canvas()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_FALSE(state.dragging);
    release({360, 200});
    EXPECT_FALSE(state.plotStarted);
    expectView(-2.25, -1.5, 1.25, 1.5);
    EXPECT_TRUE(canvas()->image() == before);
    EXPECT_EQ(pumps, 0);
    // The zoom buttons and a double click do nothing yet either.
    click("zoomin");
    click("zoomout");
    QTest::mouseDClick(window(), Qt::LeftButton, {}, inWindow({300, 250}));
    EXPECT_EQ(state.zoomCount, 0);
    EXPECT_EQ(text("Labelzoom"), "Zoomed");
    EXPECT_EQ(pumps, 0);
}

TEST_F(CanvasEventsTest, DoubleClickDeliversPressReleaseDoubleClickReleaseAndZoomsIn)
{
    plotOnce();
    EventLog log;
    canvas()->installEventFilter(&log);
    QTest::mouseDClick(window(), Qt::LeftButton, {}, inWindow({300, 250}));
    // What Qt hands the canvas for a double click.
    const std::vector<QEvent::Type> expected = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                                QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease};
    EXPECT_EQ(log.types, expected);
    // Zoomed in once; the second release shifted the zoomed view by zero.
    EXPECT_EQ(state.zoomCount, 1);
    expectView(-1.55, -0.9, 0.55, 0.9);
    EXPECT_EQ(text("Labelzoom"), " 1 times");
    EXPECT_EQ(text("Label14"), "5");
    EXPECT_FALSE(state.dragging);
    EXPECT_EQ(canvas()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(CanvasEventsTest, ZoomButtonsStepAboutTheCentreWithoutMovingTheFocus)
{
    plotOnce();
    click("zoomin");
    EXPECT_EQ(state.zoomCount, 1);
    expectView(-1.55, -0.9, 0.55, 0.9);
    EXPECT_EQ(text("Label14"), "5");
    EXPECT_EQ(QApplication::focusWidget(), button("zoomin"));
    click("zoomout");
    EXPECT_EQ(state.zoomCount, 0);
    // In then out: 21/25 of the width and height, same centre.
    EXPECT_NEAR(state.viewXMax - state.viewXMin, 3.5 * 21 / 25, 1e-12);
    EXPECT_NEAR(state.viewYMax - state.viewYMin, 3.0 * 21 / 25, 1e-12);
    EXPECT_NEAR((state.viewXMin + state.viewXMax) / 2, -0.5, 1e-12);
    click("zoomout");
    EXPECT_EQ(text("Labelzoom"), "-1 times");
    EXPECT_EQ(text("Label14"), "-5");
}

TEST_F(CanvasEventsTest, PlusAndMinusOfKeypadAndMainKeyboardZoomWhileShiftAloneBlocksTheKeys)
{
    plotOnce();
    canvas()->setFocus();
    keyOnWindow(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(state.zoomCount, 1);
    keyOnWindow(Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(state.zoomCount, 0);
    // The main keyboard: = and its shifted plus zoom in, minus zooms out.
    keyOnWindow(Qt::Key_Equal);
    EXPECT_EQ(state.zoomCount, 1);
    // Shift held for the plus: once the plus has come, Shift's release is no
    // key of its own.
    QTest::keyPress(window(), Qt::Key_Shift);
    keyOnWindow(Qt::Key_Plus, Qt::ShiftModifier);
    QTest::keyRelease(window(), Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(state.zoomCount, 2);
    EXPECT_FALSE(state.abortRequested);
    keyOnWindow(Qt::Key_Minus);
    EXPECT_EQ(state.zoomCount, 1);

    // Shift alone is a key without an action: every key is ignored after it
    // until a pass starts.
    const long pumpsNow = pumps;
    QTest::keyPress(window(), Qt::Key_Shift);
    EXPECT_FALSE(state.abortRequested);  // not yet: it may be part of a key
    QTest::keyRelease(window(), Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_TRUE(state.abortRequested);
    keyOnWindow(Qt::Key_Plus, Qt::KeypadModifier);
    keyOnWindow(Qt::Key_Left);
    EXPECT_EQ(state.zoomCount, 1);
    EXPECT_EQ(pumps, pumpsNow);
    stopNextPassAtOnce();
    action("mnustart")->trigger();
    keyOnWindow(Qt::Key_Minus);
    EXPECT_EQ(state.zoomCount, 0);
}

TEST_F(CanvasEventsTest, ArrowKeysReachTheCanvasAndPanByTheStep)
{
    plotOnce();
    canvas()->setFocus();
    const double sx = 0.001 / 15 * 600 * 3.5, sy = 0.001 / 15 * 500 * 3.0;
    keyOnWindow(Qt::Key_Right);
    expectView(-2.25 + sx, -1.5, 1.25 + sx, 1.5);
    keyOnWindow(Qt::Key_Down);
    expectView(-2.25 + sx, -1.5 + sy, 1.25 + sx, 1.5 + sy);
    keyOnWindow(Qt::Key_Left);
    keyOnWindow(Qt::Key_Up);
    expectView(-2.25, -1.5, 1.25, 1.5);
    // The focus stayed on the canvas all along.
    EXPECT_TRUE(canvas()->hasFocus());
}

TEST_F(CanvasEventsTest, AnArrowKeyBeforeAnyPlotPlotsTheSameView)
{
    canvas()->setFocus();
    keyOnWindow(Qt::Key_Left);
    EXPECT_TRUE(state.plotStarted);
    expectView(-2.25, -1.5, 1.25, 1.5);
    EXPECT_GT(pumps, 600);
}

TEST_F(CanvasEventsTest, AHeldArrowKeyStartsANewPassInsideTheRunningOneAtEachRepeat)
{
    canvas()->setFocus();
    const double sx = 0.001 / 15 * 600 * 3.5;
    // Start, then the key goes down during the plot and repeats: each event
    // arrives in a pump of the pass the previous one started.
    int depth = 0, deepest = 0;
    std::function<void()> repeatAt = [&] {
        if (depth >= 3)
            return;
        ++depth;
        deepest = std::max(deepest, depth);
        during(pumps + 5, repeatAt);
        keyPressOnWindow(Qt::Key_Right, depth > 1);
    };
    during(5, repeatAt);
    click("Command1");
    EXPECT_EQ(deepest, 3);
    // Three accepted presses, three steps (the span stays 3.5 throughout).
    EXPECT_NEAR(state.viewXMin, -2.25 + 3 * sx, 1e-12);
    EXPECT_EQ(text("Labelcompleted"), " 100 %");
}

TEST_F(CanvasEventsTest, OptionButtonsFlipTheTrueStateWriteTheirCaptionsAndMoveTheFocusAsTheyShould)
{
    // The state a caption names is the button's and its menu item's checked
    // state; a new state is announced where the focus left the button (the
    // screen reader speaks the button's own change while it keeps it).
    QWidget* notice = control("announcement");
    const auto checked = [this](const char* name, const char* item) {
        EXPECT_EQ(button(name)->isChecked(), action(item)->isChecked()) << name;
        return button(name)->isChecked();
    };
    click("cmdSuccessiverefinement");
    EXPECT_EQ(state.refinementBase, 1);
    EXPECT_EQ(text("cmdSuccessiverefinement"), "Successive refinement off");
    EXPECT_FALSE(checked("cmdSuccessiverefinement", "mnusuccessive"));
    EXPECT_TRUE(state.plotStarted);  // it replots
    EXPECT_EQ(text("labelchunkx"), "1");
    EXPECT_EQ(QApplication::focusWidget(), button("cmdSuccessiverefinement"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(notice->accessibleName().startsWith("Plot complete in "));
    // With the focus on the button, an arrow key does not pan.
    keyOnWindow(Qt::Key_Left);
    expectView(-2.25, -1.5, 1.25, 1.5);

    click("cmdsynchronizedmode");
    EXPECT_TRUE(state.synchronizedMode);
    EXPECT_EQ(state.blockWidth, state.blockHeight);
    EXPECT_EQ(text("cmdsynchronizedmode"), "Synchronized mode on");
    EXPECT_TRUE(checked("cmdsynchronizedmode", "mnusynchronized"));
    EXPECT_TRUE(canvas()->hasFocus());
    QCoreApplication::processEvents();
    EXPECT_EQ(notice->accessibleName(), "Synchronized mode on");

    click("cmdpicturesaving");
    EXPECT_TRUE(qt->persistentImage());
    EXPECT_EQ(text("cmdpicturesaving"), "Picture saving on");
    EXPECT_TRUE(checked("cmdpicturesaving", "mnusavingenabled"));
    EXPECT_TRUE(canvas()->hasFocus());

    // "Restart all" resets refinement and saving but not the captions...
    stopNextPassAtOnce();
    click("Command2");
    EXPECT_EQ(state.refinementBase, 2);
    EXPECT_FALSE(qt->persistentImage());
    EXPECT_EQ(text("cmdSuccessiverefinement"), "Successive refinement off");
    EXPECT_EQ(text("cmdpicturesaving"), "Picture saving on");
    EXPECT_FALSE(checked("cmdSuccessiverefinement", "mnusuccessive"));
    EXPECT_TRUE(checked("cmdpicturesaving", "mnusavingenabled"));
    // ...until the next click flips the true state.
    stopNextPassAtOnce();
    click("cmdSuccessiverefinement");
    EXPECT_EQ(state.refinementBase, 1);
    EXPECT_EQ(text("cmdSuccessiverefinement"), "Successive refinement off");
    click("cmdpicturesaving");
    EXPECT_TRUE(qt->persistentImage());
    EXPECT_EQ(text("cmdpicturesaving"), "Picture saving on");
    click("cmdpicturesaving");
    EXPECT_EQ(text("cmdpicturesaving"), "Picture saving off");

    // The menu items do the same as the buttons.
    action("mnusynchronized")->trigger();
    EXPECT_FALSE(state.synchronizedMode);
    EXPECT_EQ(text("cmdsynchronizedmode"), "Synchronized mode off");
    EXPECT_FALSE(checked("cmdsynchronizedmode", "mnusynchronized"));
}

TEST_F(CanvasEventsTest, TogglesWorkWhileAPlotRuns)
{
    // Synchronized mode and picture saving switched during the pass leave it
    // running to its end.
    during(10, [&] { click("cmdsynchronizedmode"); });
    during(20, [&] { click("cmdpicturesaving"); });
    click("Command1");
    EXPECT_TRUE(state.synchronizedMode);
    EXPECT_TRUE(qt->persistentImage());
    EXPECT_EQ(text("Labelcompleted"), " 100 %");
}

}  // namespace
}  // namespace vantorel::testing

#include "canvas_events_test.moc"
