// vantorel-soak: a long session in one process. Runs many consecutive plots
// with random views and parameters through the real Qt window on whatever
// platform Qt is given (offscreen by default), some of them stopped, paused
// or restarted from inside their pump, and reports memory at the start and at
// the end and whether every pass ended.
//
// usage: vantorel-soak [PASSES] [SEED]     (defaults: 2000 passes, seed 1)

#include "core/plotting_pass.h"
#include "core/state.h"
#include "navigation/run_control.h"
#include "navigation/zoom_keys.h"
#include "qt/qt_platform.h"
#include "ui/lifecycle.h"
#include "ui/option_toggles.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

using namespace vantorel;

namespace {

// Resident and peak resident memory of this process, in KiB.
long statusField(const std::string& name)
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = -1;
    std::string unit;
    while (status >> key) {
        if (key == name + ":") {
            status >> value >> unit;
            return value;
        }
        std::getline(status, unit);
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const long passes = argc > 1 ? std::atol(argv[1]) : 2000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 1u;

    QApplication application(argc, argv);
    qt::QtPlatform window;
    setPlatform(&window);
    startUp();

    std::mt19937_64 random(seed);
    auto uniform = [&](double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); };
    auto whole = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };

    // Warm up once so that Qt's lazily created resources count as the start.
    Command1_Click();
    const long startRss = statusField("VmRSS"), startPeak = statusField("VmHWM");
    const auto started = std::chrono::steady_clock::now();

    long ended = 0, stopped = 0, nestedStarts = 0, deepestNesting = 0;
    for (long pass = 0; pass < passes; ++pass) {
        const double width = std::pow(10.0, uniform(-12, 0.6));
        const double centreX = uniform(-2, 0.6), centreY = uniform(-1.2, 1.2);
        state.viewXMin = centreX - width / 2;
        state.viewXMax = centreX + width / 2;
        state.viewYMin = centreY - width * 0.43;
        state.viewYMax = centreY + width * 0.43;
        window.setScrollValue(ScrollBar::itera, static_cast<std::int16_t>(whole(1, 3000)));
        window.setScrollValue(ScrollBar::kstep, static_cast<std::int16_t>(whole(1, 400)));
        window.setScrollValue(ScrollBar::colourbar, static_cast<std::int16_t>(whole(0, 1020)));
        state.refinementBase = static_cast<std::int16_t>(whole(1, 2));
        if (whole(0, 9) == 0)
            mnusynchronized_Click();

        // Now and then something happens during the pass, as a user would do it.
        const int event = whole(0, 9);
        const int atPump = whole(1, 60);
        int pumps = 0;
        window.afterPump = [&] {
            deepestNesting = std::max<long>(deepestNesting, plottingPassNesting());
            if (++pumps != atPump)
                return;
            if (event == 0) {
                mnustop_Click();
                ++stopped;
            } else if (event == 1) {
                ++nestedStarts;
                Picture1_KeyDown(whole(0, 1) ? KeyKeypadPlus : KeyRight, 0);
            } else if (event == 2) {
                mnupause_Click();
                mnupause_Click();
            }
        };
        Command1_Click();
        window.afterPump = nullptr;
        if (plottingPassNesting() == 0 && !state.timingActive && !state.abortRequested)
            ++ended;
    }

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const long endRss = statusField("VmRSS"), endPeak = statusField("VmHWM");
    std::printf("passes: %ld, ended: %ld (stopped %ld, with a pass started inside %ld), deepest nesting %ld\n", passes,
                ended, stopped, nestedStarts, deepestNesting);
    std::printf(
        "memory: resident %ld KiB at the start, %ld KiB at the end; peak %ld KiB at the start, %ld KiB at the end\n",
        startRss, endRss, startPeak, endPeak);
    std::printf("time: %.1f s\n", seconds);
    return ended == passes ? 0 : 1;
}
