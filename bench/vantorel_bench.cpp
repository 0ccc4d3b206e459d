// vantorel-bench: the plotting pass, plain loop against the product's path.
//
// For every scenario it runs a complete pass ("&Start" on a 600 x 500 canvas
// in memory) alternately with the plain path (one escapeCount per computed
// block, every stage recomputing its points) and with the product's path
// (column batches, SIMD, the worker thread, counts kept between stages),
// takes the median wall time of each, and compares the whole canvases, every
// caption each pass wrote and the state the passes leave. It also records the
// longest time between two event pumps of the product's path (from the
// start of the pass to its first pump, between pumps, and from the last
// pump to the end), which bounds how long Stop or Pause waits.

#include "bench/deep_table.h"
#include "bench/qt_table.h"
#include "bench/size_table.h"
#include "core/count_kernel.h"
#include "core/state.h"
#include "navigation/plot_settings.h"
#include "navigation/run_control.h"
#include "platform/memory_platform.h"
#include "ui/headless.h"
#include "ui/lifecycle.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using namespace vantorel;
using Clock = std::chrono::steady_clock;

namespace {

struct Scenario {
    const char* name;
    double view[4];
    int iterations;
    int step;
    bool refinement;
};

const Scenario Scenarios[] = {
    {"defaults 1000/15", {-2.25, -1.5, 1.25, 1.5}, 1000, 15, true},
    {"full view 30000/1 refinement on", {-2.25, -1.5, 1.25, 1.5}, 30000, 1, true},
    {"full view 30000/1 refinement off", {-2.25, -1.5, 1.25, 1.5}, 30000, 1, false},
    {"deep boundary 3000/1", {-0.7500, 0.0950, -0.7400, 0.1050}, 3000, 1, true},
    {"mostly inside 30000/1", {-0.8, -0.3, 0.0, 0.3}, 30000, 1, true},
    {"full view 30000/400", {-2.25, -1.5, 1.25, 1.5}, 30000, 400, true},
};

struct Outcome {
    double ms = 0;
    double longestGapMs = 0;
    CanvasPixels canvas;
    std::vector<std::vector<std::string>> captions;
    std::vector<double> finalState;
};

Outcome runPass(const Scenario& sc, CountPath path)
{
    state = ExplorationState{};
    MemoryPlatform canvas;  // its clock stands still, so the time labels match
    connectHeadlessHandlers(canvas);
    setPlatform(&canvas);
    startUp();
    PlotSettings settings;
    std::copy(std::begin(sc.view), std::end(sc.view), settings.view);
    settings.iterations = sc.iterations;
    settings.step = sc.step;
    settings.refinement = sc.refinement;
    applyPlotSettings(settings);
    setCountPath(path);

    Outcome out;
    Clock::time_point last;
    double longest = 0;
    canvas.onEveryPump = [&] {
        const Clock::time_point now = Clock::now();
        longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    };
    const Clock::time_point start = Clock::now();
    last = start;
    Command1_Click();
    const Clock::time_point end = Clock::now();
    longest = std::max(longest, std::chrono::duration<double, std::milli>(end - last).count());

    out.ms = std::chrono::duration<double, std::milli>(end - start).count();
    out.longestGapMs = longest;
    out.canvas = canvas.canvas();
    for (int c = 0; c < static_cast<int>(Caption::Count); ++c)
        out.captions.push_back(canvas.captionHistory(static_cast<Caption>(c)));
    const ExplorationState& s = state;
    out.finalState = {double(s.iterationCount),
                      s.shade,
                      s.colourBand,
                      double(s.blockColour),
                      double(s.colourLevel),
                      double(s.computePoint),
                      double(s.stageCounter),
                      double(s.pixelX),
                      double(s.pixelY),
                      double(s.blockWidth),
                      double(s.blockHeight),
                      s.cRe,
                      s.cIm,
                      s.maxIterations};
    setPlatform(nullptr);
    setCountPath(CountPath::Fast);
    return out;
}

bool same(const Outcome& a, const Outcome& b)
{
    return a.canvas == b.canvas && a.captions == b.captions
           && std::memcmp(a.finalState.data(), b.finalState.data(), a.finalState.size() * sizeof(double)) == 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    bool runsGiven = false;
    int table = 0;  // 0: tables 1 and 2
    int accuracyGrid = 0;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
            runsGiven = true;
        } else if (a == "--table" && i + 1 < argc) {
            table = std::atoi(argv[++i]);
        } else if (a == "--one-thread") {
            setThreadingThreshold(0);
        } else if (a == "--kernel" && i + 1 < argc) {
            if (!selectCountKernel(argv[++i])) {
                std::fprintf(stderr, "vantorel-bench: this processor cannot run the kernel %s\n", argv[i]);
                return 2;
            }
        } else if (a == "--accuracy" && i + 1 < argc) {
            accuracyGrid = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else {
            std::fprintf(
                stderr,
                "usage: vantorel-bench [--runs N] [--only TEXT] [--table 1|2|3|4] [--accuracy GRID] [--one-thread]\n"
                "                      [--kernel avx512|avx2|scalar]\n");
            return 2;
        }
    }

    bool allSame = true;
    if (table == 3) {
        // Minutes per run: three runs unless told.
        const std::string render =
            (std::filesystem::canonical("/proc/self/exe").parent_path() / "vantorel-render").string();
        return bench::runSizeTable(runsGiven ? runs : 3, render, only) ? 0 : 1;
    }
    if (table == 0 || table == 1) {
        std::printf("vantorel-bench: complete passes on the 600 x 500 canvas in memory, median of %d runs each\n",
                    runs);
        std::printf("count kernel: %s; hardware threads: %u\n\n", countKernelName(),
                    std::thread::hardware_concurrency());
        std::printf("%-34s %11s %11s %8s %10s %16s\n", "scenario", "plain ms", "product ms", "ratio", "identical",
                    "longest gap ms");
        for (const Scenario& sc : Scenarios) {
            if (!only.empty() && std::string(sc.name).find(only) == std::string::npos)
                continue;
            std::vector<double> plainMs, fastMs, gaps;
            bool identical = true;
            for (int r = 0; r < runs; ++r) {
                // Alternate the two paths so that a busy neighbour slows both.
                const Outcome plain = runPass(sc, CountPath::Plain);
                const Outcome fast = runPass(sc, CountPath::Fast);
                plainMs.push_back(plain.ms);
                fastMs.push_back(fast.ms);
                gaps.push_back(fast.longestGapMs);
                identical = identical && same(plain, fast);
            }
            allSame = allSame && identical;
            const double p = median(plainMs), f = median(fastMs);
            std::printf("%-34s %11.1f %11.1f %8.1f %10s %16.2f\n", sc.name, p, f, p / f, identical ? "yes" : "no",
                        *std::max_element(gaps.begin(), gaps.end()));
            std::fflush(stdout);
        }
        std::printf("\nlongest gap: the longest time between two event pumps of the product's path over all runs\n");
    }
    if (table == 0 || table == 2) {
        bench::runQtTable(runs);
    }
    if (table == 4 && !bench::runDeepTable(argv[0], runsGiven ? runs : 3, accuracyGrid, only))
        return 1;
    return allSame ? 0 : 1;
}
