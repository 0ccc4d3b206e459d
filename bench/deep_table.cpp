// The deep-zoom table of vantorel-bench. Each view is drawn by the real
// vantorel-render, from process start to the file written, as a user would
// draw it; the accuracy column compares the deep engine's counts of a grid of
// pixels with direct iteration in MPFR at the view's precision plus 64 bits.

#include "bench/deep_table.h"

#include "core/count_kernel.h"
#include "core/deep_engine.h"
#include "core/deep_view.h"
#include "core/state.h"
#include "navigation/plot_settings.h"
#include "platform/memory_platform.h"
#include "tests/support/deep_views.h"
#include "tests/support/direct_count.h"
#include "ui/headless.h"
#include "ui/lifecycle.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace vantorel::bench {
namespace {

using Clock = std::chrono::steady_clock;

struct DeepScenario {
    const char* name;
    const char* const (*view)[4];
    int iterations, step;
    double targetSeconds;
};

const DeepScenario DeepScenarios[] = {
    {"seahorse 1.2e-20 wide", &testing::Seahorse1e20, 30000, 1, 2},
    {"antenna copy 1.2e-70, off centre", &testing::Antenna1e70, 3000, 1, 1},
    {"antenna copy 3e-143", &testing::Antenna1e143, 30000, 15, 2},
    {"antenna 1.2e-313", &testing::Antenna1e313, 30000, 1, 3},
    {"antenna 1.2e-1000", &testing::Antenna1e1000, 30000, 1, 6},
};

// Wall time of one vantorel-render run, or a negative value when it failed.
double renderSeconds(const std::string& render, const DeepScenario& sc, const std::string& out)
{
    std::vector<std::string> args = {render, "--view"};
    for (int k = 0; k < 4; ++k)
        args.push_back((*sc.view)[k]);
    args.insert(args.end(), {"--iterations", std::to_string(sc.iterations), "--step", std::to_string(sc.step), "--out", out});
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, render.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

// The share of grid pixels whose deep count equals direct iteration in MPFR.
double accuracy(const DeepScenario& sc, int grid)
{
    state = ExplorationState{};
    MemoryPlatform canvas;
    connectHeadlessHandlers(canvas);
    setPlatform(&canvas);
    startUp();
    PlotSettings settings;
    settings.iterations = sc.iterations;
    settings.step = sc.step;
    applyPlotSettings(settings);
    const auto corner = [&](int k) {
        return *BigFloat::parse((*sc.view)[k], 4 * static_cast<int>(std::strlen((*sc.view)[k])) + 64);
    };
    adoptDeepView({corner(0), corner(1), corner(2), corner(3)});
    beginDeepPass(MemoryPlatform::Width, MemoryPlatform::Height);
    while (!deepTablesReady(static_cast<float>(sc.iterations), sc.step))
        waitForDeepTables(100);
    const int bits = bitsForView(deep.view, MemoryPlatform::Width, MemoryPlatform::Height) + 64;
    std::string view[4];
    for (int k = 0; k < 4; ++k)
        view[k] = (*sc.view)[k];

    std::vector<std::pair<int, int>> pixels;
    for (int y = grid / 2; y < MemoryPlatform::Height; y += grid)
        for (int x = grid / 2; x < MemoryPlatform::Width; x += grid)
            pixels.emplace_back(x, y);
    std::vector<int> engine(pixels.size()), direct(pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i)
        engine[i] = deepEscapeCount(pixels[i].first, pixels[i].second, static_cast<float>(sc.iterations), sc.step);
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i; (i = next++) < pixels.size();)
            direct[i] = testing::directCount(view, MemoryPlatform::Width, MemoryPlatform::Height, pixels[i].first,
                                             pixels[i].second, sc.iterations, sc.step, bits);
    };
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t)
        threads.emplace_back(work);
    for (std::thread& t : threads)
        t.join();
    setPlatform(nullptr);
    std::size_t same = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i)
        same += engine[i] == direct[i] ? 1 : 0;
    return 100.0 * static_cast<double>(same) / static_cast<double>(pixels.size());
}

}  // namespace

bool runDeepTable(const char* benchPath, int runs, int accuracyGrid, const std::string& only)
{
    std::string folder = benchPath;
    folder = folder.find('/') == std::string::npos ? "." : folder.substr(0, folder.rfind('/'));
    const std::string render = folder + "/vantorel-render";
    char scratch[] = "/tmp/vantorel-bench-XXXXXX";
    if (!mkdtemp(scratch)) {
        std::perror("vantorel-bench");
        return false;
    }
    const std::string out = std::string(scratch) + "/deep.bmp";

    std::printf("\nDeep views drawn by vantorel-render, 600 x 500, from start to file written (%d runs)\n", runs);
    if (accuracyGrid > 0)
        std::printf("accuracy: share of every %dth pixel in both directions whose count equals direct MPFR iteration\n",
                    accuracyGrid);
    std::printf("%-34s %12s %-24s %8s %8s %10s\n", "view", "limit/step", "seconds, each run", "median", "target",
                "accuracy");
    bool ok = true;
    for (const DeepScenario& sc : DeepScenarios) {
        if (!only.empty() && std::string(sc.name).find(only) == std::string::npos)
            continue;
        std::vector<double> seconds;
        std::string each;
        for (int r = 0; r < runs; ++r) {
            const double s = renderSeconds(render, sc, out);
            ok = ok && s >= 0;
            seconds.push_back(s);
            char text[16];
            std::snprintf(text, sizeof text, "%s%.2f", r ? " " : "", s);
            each += text;
        }
        std::sort(seconds.begin(), seconds.end());
        const std::string limits = std::to_string(sc.iterations) + "/" + std::to_string(sc.step);
        char accuracyText[16] = "-";
        if (accuracyGrid > 0)
            std::snprintf(accuracyText, sizeof accuracyText, "%.1f%%", accuracy(sc, accuracyGrid));
        std::printf("%-34s %12s %-24s %8.2f %8.0f %10s\n", sc.name, limits.c_str(), each.c_str(),
                    seconds[seconds.size() / 2], sc.targetSeconds, accuracyText);
        std::fflush(stdout);
    }
    std::remove(out.c_str());
    rmdir(scratch);
    return ok;
}

}  // namespace vantorel::bench
