// The second table of vantorel-bench: a complete default pass through the
// real Qt canvas and event pump (Qt's offscreen platform unless another is
// given), against the same pass on a platform whose drawing, captions and
// pump do nothing. The difference, divided by the number of columns (one
// pump each), is what drawing and pumping cost per column.

#include "bench/qt_table.h"

#include "core/state.h"
#include "navigation/run_control.h"
#include "platform/memory_platform.h"
#include "qt/qt_platform.h"
#include "ui/headless.h"
#include "ui/lifecycle.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vantorel::bench {
namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The real platform, with the time spent in the event pump measured.
class TimedQtPlatform : public qt::QtPlatform {
public:
    int pumpEvents(bool waitForEvents) override
    {
        ++pumps;
        const Clock::time_point start = Clock::now();
        const int open = QtPlatform::pumpEvents(waitForEvents);
        inPump += Clock::now() - start;
        return open;
    }
    long pumps = 0;
    Clock::duration inPump{};
};

// Counting and colouring as on the real platform; drawing, captions and the
// pump cost nothing.
class NullPlatform : public MemoryPlatform {
public:
    void canvasSetPixel(int, int, Colour) override {}
    void canvasFillBox(int, int, int, int, Colour) override {}
    void setCaption(Caption, const std::string&) override {}
    int pumpEvents(bool) override
    {
        ++pumps;
        return 1;
    }
};

// The same pass every time: the default view and parameters, and the values
// a pass carries over from the one before (the stage order among them) reset.
void defaultPass(Platform& p)
{
    state.stageCounter = 0;
    state.computePoint = false;
    state.iterationCount = 0;
    state.shade = 0;
    state.viewXMin = DefaultXMin;
    state.viewYMin = DefaultYMin;
    state.viewXMax = DefaultXMax;
    state.viewYMax = DefaultYMax;
    p.setScrollValue(ScrollBar::itera, DefaultIterations);
    p.setScrollValue(ScrollBar::kstep, DefaultCalcStep);
    Command1_Click();
}

} // namespace

int runQtTable(int runs)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "vantorel-bench";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    std::vector<double> qtMs, nullMs, pumpMs;
    long columns = 0;
    {
        state = ExplorationState{};
        TimedQtPlatform qtPlatform;
        setPlatform(&qtPlatform);
        startUp();
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        NullPlatform nothing;
        connectHeadlessHandlers(nothing);
        for (int r = 0; r < runs; ++r) {
            setPlatform(&qtPlatform);
            qtPlatform.pumps = 0;
            qtPlatform.inPump = {};
            Clock::time_point start = Clock::now();
            defaultPass(qtPlatform);
            qtMs.push_back(ms(Clock::now() - start));
            pumpMs.push_back(ms(qtPlatform.inPump));
            columns = qtPlatform.pumps;

            setPlatform(&nothing);
            nothing.pumps = 0;
            start = Clock::now();
            defaultPass(nothing);
            nullMs.push_back(ms(Clock::now() - start));
            if (nothing.pumps != columns)
                std::fprintf(stderr, "vantorel-bench: the two passes pumped %ld and %ld times\n", columns, nothing.pumps);
        }
        setPlatform(nullptr);
    }

    const double q = median(qtMs), n = median(nullMs), pump = median(pumpMs);
    std::printf("\nThe default pass (1000/15, refinement on) through the Qt canvas, platform \"%s\", median of %d runs\n",
                qPrintable(QGuiApplication::platformName()), runs);
    std::printf("%-46s %12s\n", "", "value");
    std::printf("%-46s %12.1f\n", "pass on the Qt canvas, ms", q);
    std::printf("%-46s %12.1f\n", "same pass, drawing and pump doing nothing, ms", n);
    std::printf("%-46s %12ld\n", "columns (one pump each)", columns);
    std::printf("%-46s %12.1f\n", "drawing and pumping per column, us", (q - n) * 1000.0 / static_cast<double>(columns));
    std::printf("%-46s %12.1f\n", "  of which inside the pump, us", pump * 1000.0 / static_cast<double>(columns));
    return 0;
}

} // namespace vantorel::bench
