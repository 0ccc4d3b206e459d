// Key repeats arriving through the real event queue while plots run: each one
// starts a pass inside the running one until the nesting bound, after which
// the innermost pass restarts in place. The stack stays bounded.

#include "core/plotting_pass.h"
#include "support/reference_pass.h"
#include "window_fixture.h"

#include <QKeyEvent>

#include <cstdint>
#include <iostream>

namespace vantorel::testing {
namespace {

using NestingWindowTest = WindowTest;

TEST_F(NestingWindowTest, TwoThousandQueuedKeyRepeatsDuringPlots)
{
    canvas()->setFocus();
    state.refinementBase = 1;
    qt->setScrollValue(ScrollBar::itera, 100);
    qt->setScrollValue(ScrollBar::colourbar, 0);  // band 0 black whatever shade is left over
    int queued = 0, deepest = 0;
    std::uintptr_t stackAt[3] = {};
    qt->afterPump = [&] {
        const int depth = plottingPassNesting();
        deepest = std::max(deepest, depth);
        int marker = 0;
        if (depth >= 1 && depth <= 2 && stackAt[depth] == 0)
            stackAt[depth] = reinterpret_cast<std::uintptr_t>(&marker);
        if (queued < 2000) {
            ++queued;
            QCoreApplication::postEvent(form1()->windowHandle(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Right,
                                                                               Qt::NoModifier, QString(), true));
        }
    };
    click("Command1");
    EXPECT_EQ(queued, 2000);
    EXPECT_EQ(deepest, DefaultPassNestingLimit);
    EXPECT_EQ(plottingPassNesting(), 0);
    std::cout << "stack per nested pass through the Qt event queue: " << (stackAt[1] - stackAt[2]) << " bytes\n";

    double xMin = -2.25, xMax = 1.25;
    for (int i = 0; i < 2000; ++i) {
        const double sx = 0.001 / 15 * 600 * (xMax - xMin);
        xMin += sx;
        xMax += sx;
    }
    EXPECT_EQ(state.viewXMin, xMin);
    EXPECT_EQ(text("Labelcompleted"), " 100 %");
    const auto expected = referencePass({xMin, -1.5, xMax, 1.5, 100, 15, 0, false}).canvas;
    long differences = 0;
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 600; ++x) {
            const QRgb p = canvas()->image().pixel(x, y);
            differences += (qRed(p) + 256 * qGreen(p) + 65536 * qBlue(p)) != expected[y * 600 + x];
        }
    EXPECT_EQ(differences, 0);
}

}  // namespace
}  // namespace vantorel::testing
