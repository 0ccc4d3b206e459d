// The second table of vantorel-bench: complete passes through the real Qt
// canvas and event pump (Qt's offscreen platform unless another is given),
// against the same pass on a platform whose drawing, captions and pump do
// nothing. The difference, divided by the number of columns (one pump each),
// is what drawing and pumping cost per column. Then a held arrow key: a
// new view every 33 ms at 30000 / 1, as a key repeat sends them, and how
// many of those passes get to single pixels before the next one starts;
// and the same key held at depth, in a view 1.2e-20 wide.

#include "bench/qt_table.h"

#include "core/deep_view.h"
#include "core/state.h"
#include "tests/support/deep_views.h"
#include "navigation/run_control.h"
#include "navigation/zoom_keys.h"
#include "platform/memory_platform.h"
#include "qt/qt_platform.h"
#include "ui/headless.h"
#include "ui/lifecycle.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
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
        if (afterPump)
            afterPump();
        return open;
    }
    long pumps = 0;
    Clock::duration inPump{};
    std::function<void()> afterPump;
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

// The same pass every time: the default view with the given limit and step,
// and the values a pass carries over from the one before (the stage order
// among them) reset.
void fullViewPass(Platform& p, int iterations, int step)
{
    state.stageCounter = 0;
    state.computePoint = false;
    state.iterationCount = 0;
    state.shade = 0;
    state.viewXMin = DefaultXMin;
    state.viewYMin = DefaultYMin;
    state.viewXMax = DefaultXMax;
    state.viewYMax = DefaultYMax;
    p.setScrollValue(ScrollBar::itera, static_cast<std::int16_t>(iterations));
    p.setScrollValue(ScrollBar::kstep, static_cast<std::int16_t>(step));
    Command1_Click();
}

struct PassTimes {
    double qtMs, nullMs, pumpMs;
    long columns;
};

PassTimes timePasses(TimedQtPlatform& qtPlatform, int runs, int iterations, int step)
{
    std::vector<double> qtMs, nullMs, pumpMs;
    long columns = 0;
    NullPlatform nothing;
    connectHeadlessHandlers(nothing);
    for (int r = 0; r < runs; ++r) {
        setPlatform(&qtPlatform);
        qtPlatform.pumps = 0;
        qtPlatform.inPump = {};
        Clock::time_point start = Clock::now();
        fullViewPass(qtPlatform, iterations, step);
        qtMs.push_back(ms(Clock::now() - start));
        pumpMs.push_back(ms(qtPlatform.inPump));
        columns = qtPlatform.pumps;

        setPlatform(&nothing);
        nothing.pumps = 0;
        start = Clock::now();
        fullViewPass(nothing, iterations, step);
        nullMs.push_back(ms(Clock::now() - start));
        if (nothing.pumps != columns)
            std::fprintf(stderr, "vantorel-bench: the two passes pumped %ld and %ld times\n", columns, nothing.pumps);
    }
    setPlatform(&qtPlatform);
    return {median(qtMs), median(nullMs), median(pumpMs), columns};
}

// A held right arrow key at 30000 / 1: a key every 33 ms, each starting a new
// pass inside the running one (or, once a pass has completed, on its own).
// Returns how many of the keys' passes reached the 1 x 1 stage before the
// next key arrived, and the longest time between two pumps.
struct HeldKey {
    int keys = 0, reachedSinglePixels = 0;
    double longestGapMs = 0;
};

HeldKey holdArrowKey(TimedQtPlatform& qtPlatform, int keys, bool deepView)
{
    using namespace std::chrono_literals;
    constexpr auto Repeat = 33ms;
    if (deepView) {
        const auto corner = [](int k) { return *BigFloat::parse(testing::Seahorse1e20[k], 256); };
        adoptDeepView({corner(0), corner(1), corner(2), corner(3)});
    } else {
        state.viewXMin = DefaultXMin, state.viewYMin = DefaultYMin, state.viewXMax = DefaultXMax,
        state.viewYMax = DefaultYMax;
        adoptDoubleView();
    }
    qtPlatform.setScrollValue(ScrollBar::itera, 30000);
    qtPlatform.setScrollValue(ScrollBar::kstep, 1);
    std::vector<bool> reached(static_cast<std::size_t>(keys) + 1, false);
    int sent = 0;
    Clock::time_point lastKey = Clock::now(), lastPump = lastKey;
    HeldKey result;
    auto pressKey = [&] {
        ++sent;
        lastKey = Clock::now();
        Picture1_KeyDown(KeyRight, 0);
    };
    qtPlatform.afterPump = [&] {
        const Clock::time_point now = Clock::now();
        result.longestGapMs = std::max(result.longestGapMs, ms(now - lastPump));
        lastPump = now;
        if (state.blockWidth == 1 && state.blockHeight == 1)
            reached[static_cast<std::size_t>(sent)] = true;
        if (sent < keys && now - lastKey >= Repeat)
            pressKey();  // the key handler runs in the pump, as Qt would deliver it
    };
    Command1_Click();
    while (sent < keys) {
        // The last pass completed before the next key: wait for it.
        std::this_thread::sleep_until(lastKey + Repeat);
        lastPump = Clock::now();
        pressKey();
    }
    qtPlatform.afterPump = nullptr;
    result.keys = keys;
    for (int k = 1; k <= keys; ++k)
        result.reachedSinglePixels += reached[static_cast<std::size_t>(k)] ? 1 : 0;
    return result;
}

}  // namespace

int runQtTable(int runs)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "vantorel-bench";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    state = ExplorationState{};
    TimedQtPlatform qtPlatform;
    setPlatform(&qtPlatform);
    startUp();
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    const PassTimes defaults = timePasses(qtPlatform, runs, DefaultIterations, DefaultCalcStep);
    const PassTimes deep = timePasses(qtPlatform, runs, 30000, 1);
    std::vector<HeldKey> held, heldDeep;
    for (int r = 0; r < runs; ++r)
        held.push_back(holdArrowKey(qtPlatform, 30, false));
    for (int r = 0; r < runs; ++r)
        heldDeep.push_back(holdArrowKey(qtPlatform, 30, true));
    setPlatform(nullptr);

    std::printf(
        "\nComplete passes of the full view (refinement on) through the Qt canvas, platform \"%s\", median of %d runs\n",
        qPrintable(QGuiApplication::platformName()), runs);
    std::printf("%-46s %12s %12s\n", "", "1000/15", "30000/1");
    std::printf("%-46s %12.1f %12.1f\n", "pass on the Qt canvas, ms", defaults.qtMs, deep.qtMs);
    std::printf("%-46s %12.1f %12.1f\n", "same pass, drawing and pump doing nothing, ms", defaults.nullMs, deep.nullMs);
    std::printf("%-46s %12ld %12ld\n", "columns (one pump each)", defaults.columns, deep.columns);
    std::printf("%-46s %12.1f %12.1f\n", "drawing and pumping per column, us",
                (defaults.qtMs - defaults.nullMs) * 1000.0 / static_cast<double>(defaults.columns),
                (deep.qtMs - deep.nullMs) * 1000.0 / static_cast<double>(deep.columns));
    std::printf("%-46s %12.1f %12.1f\n", "  of which inside the pump, us",
                defaults.pumpMs * 1000.0 / static_cast<double>(defaults.columns),
                deep.pumpMs * 1000.0 / static_cast<double>(deep.columns));

    std::printf("\nA held arrow key at 30000/1: 30 new views 33 ms apart, each run\n");
    std::printf("%-6s %34s %16s\n", "run", "passes reaching 1 x 1 in time", "longest gap ms");
    for (std::size_t r = 0; r < held.size(); ++r)
        std::printf("%-6zu %31d/%d %16.2f\n", r + 1, held[r].reachedSinglePixels, held[r].keys, held[r].longestGapMs);
    std::printf("\nThe same at depth, in seahorse valley 1.2e-20 wide at 30000/1 (each key a new reference orbit)\n");
    std::printf("%-6s %34s %16s\n", "run", "passes reaching 1 x 1 in time", "longest gap ms");
    for (std::size_t r = 0; r < heldDeep.size(); ++r)
        std::printf("%-6zu %31d/%d %16.2f\n", r + 1, heldDeep[r].reachedSinglePixels, heldDeep[r].keys,
                    heldDeep[r].longestGapMs);
    return 0;
}

}  // namespace vantorel::bench
