// vantorel-stop-latency [RUNS] [SEED] [--within MS] [--view XMIN YMIN XMAX YMAX]:
// how long the window takes to end a plot at 30000 iterations and step 1
// after "Stop" is chosen.
//
// First one complete plot, recording the longest gap between two event pumps
// (no command can wait longer than that). Then RUNS plots, each with "Stop"
// chosen by a timer at a random moment of the plot (or of its first MS
// milliseconds: for a deep view, the time its reference orbit takes); the
// latency is the time from the moment the timer fell due (the click) to the
// return of the pass. --view takes decimals of any length. Needs a display
// (xvfb-run).

#include "core/big_float.h"
#include "core/deep_view.h"
#include "navigation/run_control.h"
#include "qt/qt_platform.h"
#include "ui/lifecycle.h"
#include "qt/main_window.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <random>

using namespace vantorel;
using Clock = std::chrono::steady_clock;

static double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int main(int argc, char** argv)
{
    int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
    int within = 0;
    std::optional<DeepView> view;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--within" && i + 1 < argc) {
            within = std::atoi(argv[++i]);
        } else if (a == "--view" && i + 4 < argc) {
            const auto corner = [&](const char* text) {
                const auto v = BigFloat::parse(text, 4 * static_cast<int>(std::strlen(text)) + 64);
                if (!v) {
                    std::fprintf(stderr, "vantorel-stop-latency: not a decimal: %s\n", text);
                    std::exit(2);
                }
                return *v;
            };
            view = DeepView{corner(argv[i + 1]), corner(argv[i + 2]), corner(argv[i + 3]), corner(argv[i + 4])};
            i += 4;
        }
    }
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    qt::QtPlatform qtPlatform;
    setPlatform(&qtPlatform);
    startUp();
    qt::MainWindow* form1 = qtPlatform.mainWindow();
    qtPlatform.setScrollValue(ScrollBar::itera, 30000);
    qtPlatform.setScrollValue(ScrollBar::kstep, 1);
    if (view)
        adoptDeepView(*view);
    auto* start = form1->findChild<QPushButton*>("Command1");
    auto* stop = form1->findChild<QAction*>("mnustop");

    Clock::time_point lastPump;
    double longestGap = 0;
    qtPlatform.afterPump = [&] {
        const auto now = Clock::now();
        longestGap = std::max(longestGap, ms(now - lastPump));
        lastPump = now;
    };
    const auto t0 = Clock::now();
    lastPump = t0;
    start->click();
    const double full = ms(Clock::now() - t0);
    std::printf("complete plot 30000/1: %.0f ms; longest gap between pumps %.1f ms\n", full, longestGap);

    std::mt19937 random(seed);
    std::uniform_int_distribution<int> moment(0, within > 0 ? within : static_cast<int>(full * 0.9));
    double worst = 0, total = 0;
    int measured = 0;
    for (int i = 0; i < runs; ++i) {
        const int delay = moment(random);
        bool fired = false;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, stop, [stop, &fired] {
            fired = true;
            stop->trigger();
        });
        if (view) {
            // A view one pixel further each time: its reference orbit is
            // computed afresh, as after any move at depth.
            const BigFloat shift = view->xMax.minus(view->xMin).times((i + 1) / 600.0);
            adoptDeepView({view->xMin.plus(shift), view->yMin, view->xMax.plus(shift), view->yMax});
        }
        const auto due = Clock::now() + std::chrono::milliseconds(delay);
        timer.start(delay);
        start->click();
        const double latency = ms(Clock::now() - due);
        if (!fired) {  // the plot was complete before the click; not a measurement
            std::printf("run %2d: plot complete before Stop at %d ms\n", i + 1, delay);
            continue;
        }
        ++measured;
        worst = std::max(worst, latency);
        total += latency;
        std::printf("run %2d: Stop at %5d ms, plot ended %.1f ms later\n", i + 1, delay, latency);
    }
    runs = measured;
    if (runs > 0)
        std::printf("Stop to end of plot: longest %.1f ms, mean %.1f ms over %d runs\n", worst, total / runs, runs);
    return 0;
}
