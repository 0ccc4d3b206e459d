// Ending the program from its window: each way runs in a child process
// (a death test), since ending really ends the process.

#include "window_fixture.h"

#include "qt/information_window.h"

#include <gmock/gmock.h>

#include <cstdio>

namespace vantorel::testing {
namespace {

using ::testing::ExitedWithCode;
using ::testing::HasSubstr;
using ::testing::Not;

using ShutDownTest = WindowTest;

// Reports on stderr every pump after the end was asked for, and a pass that
// returns; the child must print neither.
void watchForLifeAfterTheEnd(qt::QtPlatform& qt, bool& ended)
{
    qt.afterPump = [&qt, &ended, inner = qt.afterPump] {
        if (ended)
            std::fputs("pumped after the end\n", stderr);
        inner();
    };
}

TEST_F(ShutDownTest, ExitDuringAPlotEndsAtOnceWithNothingResumed)
{
    EXPECT_EXIT(
        {
            bool ended = false;
            during(30, [&] {
                ended = true;
                action("mnuend")->trigger();
            });
            watchForLifeAfterTheEnd(*qt, ended);
            click("Command1");
            std::fputs("the pass resumed\n", stderr);
        },
        ExitedWithCode(0), Not(HasSubstr("resumed")));
}

TEST_F(ShutDownTest, CloseRequestOfTheMainWindowDuringAPlotEndsTheProgram)
{
    EXPECT_EXIT(
        {
            bool ended = false;
            during(30, [&] {
                ended = true;
                form1()->close();
            });
            watchForLifeAfterTheEnd(*qt, ended);
            click("Command1");
            std::fputs("the pass resumed\n", stderr);
        },
        ExitedWithCode(0), Not(::testing::AnyOf(HasSubstr("resumed"), HasSubstr("pumped after"))));
}

TEST_F(ShutDownTest, EscOnTheCanvasOrCtrlQAnywhereDuringAPlotEndsTheProgram)
{
    EXPECT_EXIT(
        {
            during(30, [&] { QTest::keyClick(form1()->windowHandle(), Qt::Key_Escape); });
            click("Command1");
            std::fputs("the pass resumed\n", stderr);
        },
        ExitedWithCode(0), Not(HasSubstr("resumed")));
    // Ctrl+Q in the help window, where Esc only closes that window.
    EXPECT_EXIT(
        {
            qt->showInformationWindow();
            during(30, [&] {
                qt->informationWindow()->activateWindow();
                QTest::keyClick(qt->informationWindow()->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
            });
            click("Command1");
            std::fputs("the pass resumed\n", stderr);
        },
        ExitedWithCode(0), Not(HasSubstr("resumed")));
}

TEST_F(ShutDownTest, ClosingTheMainWindowWithTheInformationWindowOpenClosesBoth)
{
    EXPECT_EXIT(
        {
            qt->showInformationWindow();
            // Form2 must be closed before the process ends.
            struct CloseWatch : QObject {
                bool eventFilter(QObject*, QEvent* e) override
                {
                    if (e->type() == QEvent::Close)
                        std::fputs("form2 closed\n", stderr);
                    return false;
                }
            } watch;
            qt->informationWindow()->installEventFilter(&watch);
            form1()->close();
            std::fputs("still running\n", stderr);
        },
        ExitedWithCode(0), ::testing::AllOf(HasSubstr("form2 closed"), Not(HasSubstr("still running"))));
}

TEST_F(ShutDownTest, ClosingTheInformationWindowLeavesTheProgramAndItsPlotRunning)
{
    qt->showInformationWindow();
    during(10, [&] { qt->informationWindow()->close(); });
    click("Command1");
    EXPECT_TRUE(form1()->isVisible());
    EXPECT_EQ(text("Labelcompleted"), " 100 %");
}

}  // namespace
}  // namespace vantorel::testing
