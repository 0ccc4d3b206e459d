// The scroll bars and the run commands, driven through the real widgets.

#include "window_fixture.h"

#include "navigation/run_control.h"
#include "platform/memory_platform.h"
#include "qt/accessibility.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>

#include <string>
#include <vector>

namespace vantorel::testing {
namespace {

using RunControlTest = WindowTest;

TEST_F(RunControlTest, SettingABarToItsValueRunsNothingAndAChangeUpdatesLabelAndStep)
{
    qt->setScrollValue(ScrollBar::colourbar, 500);
    qt->setScrollValue(ScrollBar::kstep, 15);
    EXPECT_EQ(text("Label6"), "normal");
    state.calcStep = 99;  // would be overwritten by a change event
    qt->setScrollValue(ScrollBar::kstep, 15);
    EXPECT_EQ(state.calcStep, 99);

    qt->setScrollValue(ScrollBar::kstep, 40);  // the handler runs before the setter returns
    EXPECT_EQ(text("Labelkstep"), "40");
    EXPECT_EQ(state.calcStep, 40);
    qt->setScrollValue(ScrollBar::colourbar, 501);
    EXPECT_EQ(text("Label6"), "501");
    qt->setScrollValue(ScrollBar::colourbar, 500);
    EXPECT_EQ(text("Label6"), "500");
}

TEST_F(RunControlTest, UserActionsOnABarRunItsHandlerOnceEachButNotWhileTheThumbIsDragged)
{
    QScrollBar* kstep = bar("kstep");
    kstep->setFocus();
    QTest::keyClick(kstep, Qt::Key_Right);
    EXPECT_EQ(text("Labelkstep"), "16");
    EXPECT_EQ(state.calcStep, 16);
    QTest::keyClick(kstep, Qt::Key_PageDown);  // the page step is 1 as well
    EXPECT_EQ(text("Labelkstep"), "17");
    QTest::keyClick(kstep, Qt::Key_Left);
    QTest::keyClick(kstep, Qt::Key_PageUp);
    EXPECT_EQ(text("Labelkstep"), "15");
    EXPECT_EQ(state.calcStep, 15);

    // A click into the track moves itera by one.
    QScrollBar* itera = bar("itera");
    QStyleOptionSlider option;
    option.initFrom(itera);
    option.orientation = Qt::Horizontal;
    option.minimum = itera->minimum();
    option.maximum = itera->maximum();
    option.sliderPosition = itera->sliderPosition();
    option.sliderValue = itera->value();
    option.singleStep = 1;
    option.pageStep = 1;
    const QRect thumb =
        itera->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, itera);
    const QRect addPage =
        itera->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddPage, itera);
    ASSERT_FALSE(addPage.isEmpty());
    QTest::mouseClick(itera, Qt::LeftButton, {}, addPage.center());
    EXPECT_EQ(itera->value(), 1001);
    EXPECT_EQ(text("labelitera"), "1001");

    // Dragging the thumb changes nothing until it is released.
    QTest::mousePress(itera, Qt::LeftButton, {}, thumb.center());
    QMouseEvent move(QEvent::MouseMove, QPointF(thumb.center() + QPoint(60, 0)),
                     itera->mapToGlobal(QPointF(thumb.center() + QPoint(60, 0))), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(itera, &move);
    EXPECT_NE(itera->sliderPosition(), 1001);
    EXPECT_EQ(itera->value(), 1001);
    EXPECT_EQ(text("labelitera"), "1001");
    QTest::mouseRelease(itera, Qt::LeftButton, {}, thumb.center() + QPoint(60, 0));
    EXPECT_EQ(itera->value(), itera->sliderPosition());
    EXPECT_EQ(text("labelitera"), std::to_string(itera->value()));
    EXPECT_GT(itera->value(), 1001);
}

TEST_F(RunControlTest, StartButtonDrawsTheFullPictureAndFocusesTheCanvas)
{
    const QImage expected = referencePicture();
    setPlatform(qt.get());
    click("Command1");
    EXPECT_TRUE(canvas()->image() == expected);
    EXPECT_TRUE(canvas()->hasFocus());
    EXPECT_EQ(caption(Caption::labelchunkx), "1");
    EXPECT_EQ(caption(Caption::Labelcompleted), " 100 %");
    EXPECT_EQ(caption(Caption::Label1), "-2.25");
    EXPECT_GT(pumps, 600);
    // What the pumps showed is what the image holds, inside the focus mark
    // along the edge.
    QCoreApplication::processEvents();
    const QImage shown = canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(shown.copy(1, 1, 598, 498) == expected.copy(1, 1, 598, 498));
}

// A plot tells assistive technology its progress and its end, and the
// read-outs it rewrote are named by what they show. (How many events reach
// a screen reader is measured on the real accessibility bus, by
// tests/a11y/tree_check.py.)
TEST_F(RunControlTest, APlotTellsAssistiveTechnologyItsProgressAndEnd)
{
    const auto iface = [this](const char* name) { return QAccessible::queryAccessibleInterface(control(name)); };
    QWidget* notice = control("announcement");

    click("Command1");
    const std::string ms = caption(Caption::Labeltime);
    EXPECT_EQ(iface("Labelcompleted")->valueInterface()->currentValue(), 100);
    EXPECT_EQ(iface("Labeltime")->text(QAccessible::Name).toStdString(), "Time " + ms + " ms");
    EXPECT_EQ(iface("Label1")->text(QAccessible::Name), "Top left x -2.25");
    EXPECT_EQ(iface("Label4")->text(QAccessible::Name), "Bottom right y 1.5");
    EXPECT_EQ(iface("labelchunkx")->text(QAccessible::Name), "Chunk width 1");
    // The end of the pass is announced: the notice shows with the news.
    EXPECT_EQ(notice->accessibleName().toStdString(), "Plot complete in " + ms + " ms");
    EXPECT_TRUE(notice->isVisible());
    EXPECT_TRUE(notice->geometry().isEmpty());  // heard, never seen

    // A zoom step: the zoom read-outs and the picture's view follow.
    click("zoomin");
    EXPECT_EQ(iface("Labelzoom")->text(QAccessible::Name), "Zoomed 1 times");
    EXPECT_EQ(iface("Label14")->text(QAccessible::Name), "Zoom times factor 5");
    EXPECT_TRUE(
        iface("Picture1")->text(QAccessible::Description).startsWith("View x from -1.55 to 0.55, y from -0.9 to 0.9,"));

    // A stopped pass says so.
    during(pumps + 1, [this] { action("mnustop")->trigger(); });
    click("Command1");
    EXPECT_EQ(notice->accessibleName(), "Plot stopped");
}

TEST_F(RunControlTest, StartFromTheMenuClearsAndPlotsWithoutMovingTheFocus)
{
    canvas()->fillBox(0, 0, 599, 499, 0xFF);  // something to clear
    QWidget* before = QApplication::focusWidget();
    action("mnustart")->trigger();
    EXPECT_TRUE(canvas()->image() == referencePicture());
    setPlatform(qt.get());
    EXPECT_EQ(QApplication::focusWidget(), before);
}

TEST_F(RunControlTest, StopDuringAPlotEndsItBeforeItDrawsAnotherColumn)
{
    QImage atStop;
    long stopPump = 0;
    std::string timeAtStop;
    during(40, [&] {
        action("mnustop")->trigger();
        atStop = canvas()->image().copy();
        stopPump = pumps;
        timeAtStop = caption(Caption::Labeltime);
    });
    click("Command1");
    EXPECT_EQ(pumps, stopPump);  // no further column, no further pump
    EXPECT_TRUE(canvas()->image() == atStop);
    EXPECT_EQ(caption(Caption::Labeltime), timeAtStop);
    EXPECT_FALSE(state.abortRequested);
    EXPECT_FALSE(state.timingActive);
}

TEST_F(RunControlTest, PauseHoldsThePlotAndTheTimeAndPauseAgainResumesWithTheTimeIncludingThePause)
{
    std::string timeAtPause, timeWhilePaused;
    long pumpsAtPause = 0, pumpsWhilePaused = 0;
    bool resumed = false;
    int firstTimeAfterResume = -1;
    during(30, [&] {
        action("mnupause")->trigger();
        timeAtPause = caption(Caption::Labeltime);
        pumpsAtPause = pumps;
        QTimer::singleShot(150, [&] {
            timeWhilePaused = caption(Caption::Labeltime);
            pumpsWhilePaused = pumps;
        });
        QTimer::singleShot(300, [&] {
            action("mnupause")->trigger();
            resumed = true;
        });
    });
    qt->afterPump = [&, inner = qt->afterPump] {
        inner();
        if (resumed && firstTimeAfterResume < 0 && state.timingActive && pumps > pumpsWhilePaused + 2)
            firstTimeAfterResume = std::stoi(caption(Caption::Labeltime));
    };
    const QImage expected = referencePicture();
    setPlatform(qt.get());
    click("Command1");
    EXPECT_EQ(timeWhilePaused, timeAtPause);
    // The pause waits for events instead of spinning.
    EXPECT_LT(pumpsWhilePaused - pumpsAtPause, 20);
    EXPECT_GE(firstTimeAfterResume, std::stoi(timeAtPause) + 290);
    EXPECT_TRUE(canvas()->image() == expected);
}

TEST_F(RunControlTest, RestartButtonResetsViewParametersZoomLabelsAndRefinementAndSwitchesSavingOff)
{
    state.viewXMin = -1;
    state.zoomCount = 3;
    state.refinementBase = 1;
    qt->setCaption(Caption::Labelzoom, " 3 times");
    qt->setPersistentImage(true);
    qt->setScrollValue(ScrollBar::itera, 77);
    qt->setScrollValue(ScrollBar::kstep, 3);
    std::string firstChunk;
    during(1, [&] {
        firstChunk = caption(Caption::labelchunkx);
        action("mnustop")->trigger();
    });
    click("Command2");
    EXPECT_EQ(state.viewXMin, -2.25);
    EXPECT_EQ(state.viewYMax, 1.5);
    EXPECT_EQ(state.zoomCount, 0);
    EXPECT_EQ(caption(Caption::Labelzoom), " 0 times");
    EXPECT_EQ(caption(Caption::Label14), "0");
    EXPECT_EQ(state.refinementBase, 2);
    EXPECT_EQ(firstChunk, "16");
    EXPECT_FALSE(qt->persistentImage());
    EXPECT_EQ(text("labelitera"), "1000");
    EXPECT_EQ(text("Labelkstep"), "15");
    EXPECT_EQ(state.calcStep, 15);
    // Captions of the option buttons stay as they were.
    EXPECT_EQ(text("cmdSuccessiverefinement"), "Successive refinement on");
    EXPECT_EQ(text("cmdpicturesaving"), "Picture saving off");
    EXPECT_EQ(QApplication::focusWidget(), button("Command2"));
}

TEST_F(RunControlTest, RestartFromTheMenuKeepsRefinementAndTheZoomLabels)
{
    state.zoomCount = 3;
    state.refinementBase = 1;
    qt->setCaption(Caption::Labelzoom, " 3 times");
    qt->setCaption(Caption::Label14, "15");
    qt->setPersistentImage(true);
    qt->setScrollValue(ScrollBar::itera, 77);
    std::string firstChunk;
    during(1, [&] {
        firstChunk = caption(Caption::labelchunkx);
        action("mnustop")->trigger();
    });
    action("mnurestart")->trigger();
    EXPECT_EQ(state.zoomCount, 0);
    EXPECT_EQ(state.viewXMin, -2.25);
    EXPECT_EQ(caption(Caption::Labelzoom), " 3 times");
    EXPECT_EQ(caption(Caption::Label14), "15");
    EXPECT_EQ(state.refinementBase, 1);
    EXPECT_EQ(firstChunk, "1");
    EXPECT_FALSE(qt->persistentImage());
    EXPECT_EQ(text("labelitera"), "1000");
}

TEST_F(RunControlTest, RestartResolutionResetsTheBarsAndFocusesTheCanvasWithoutPlotting)
{
    qt->setScrollValue(ScrollBar::itera, 77);
    qt->setScrollValue(ScrollBar::kstep, 3);
    action("mnurestartresolution")->trigger();
    EXPECT_EQ(text("labelitera"), "1000");
    EXPECT_EQ(text("Labelkstep"), "15");
    EXPECT_EQ(state.calcStep, 15);
    EXPECT_TRUE(canvas()->hasFocus());
    EXPECT_EQ(pumps, 0);
    EXPECT_FALSE(state.plotStarted);
}

TEST_F(RunControlTest, StartDuringAPlotThenStopEndsTheNewerPassAndTheOlderOneCarriesOn)
{
    bool innerReturned = false;
    long pumpsAfterInnerReturned = 0;
    during(20, [&] {
        click("Command1");  // a second Start, handled inside the running pass
        innerReturned = true;
    });
    during(25, [&] { action("mnustop")->trigger(); });
    qt->afterPump = [&, inner = qt->afterPump] {
        inner();
        if (innerReturned)
            ++pumpsAfterInnerReturned;
    };
    const QImage expected = referencePicture();
    setPlatform(qt.get());
    click("Command1");
    EXPECT_TRUE(innerReturned);
    // The older pass went on from where the newer one stopped, to the end.
    EXPECT_GT(pumpsAfterInnerReturned, 500);
    EXPECT_TRUE(canvas()->image() == expected);
    EXPECT_EQ(caption(Caption::Labelcompleted), " 100 %");
}

}  // namespace
}  // namespace vantorel::testing
