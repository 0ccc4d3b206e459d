// The third table of vantorel-bench: pictures of any size through
// vantorel-render, one child process per picture, so that each one's peak
// resident memory is its own (wait4 reports it). Wall time, Mpixel/s and the
// peak, median of the runs; then the time per pixel of the default view at 1,
// 10 and 100 Mpixel, which should not grow with the size.

#include "bench/size_table.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace vantorel::bench {
namespace {

struct Picture {
    const char* name;
    int width, height;
    const char* options;
};

const Picture Pictures[] = {
    {"default view 1 Mpixel", 1000, 1000, ""},
    {"default view 10 Mpixel", 3162, 3162, ""},
    {"default view 100 Mpixel", 10000, 10000, ""},
    {"default view 7680 x 4320", 7680, 4320, ""},
    {"(-0.8,-0.2)-(-0.6,0) 3000/1 20000^2", 20000, 20000, "--view -0.8 -0.2 -0.6 0.0 --iterations 3000 --step 1"},
};

struct Run {
    double seconds = 0, peakMiB = 0;
    bool ok = false;
};

Run runRender(const std::string& render, const Picture& p, const std::string& out)
{
    std::vector<std::string> args{render, "--quiet", "--size", std::to_string(p.width), std::to_string(p.height),
                                  "--out", out};
    for (const char* o = p.options; *o;) {
        const char* end = o;
        while (*end && *end != ' ')
            ++end;
        args.emplace_back(o, end);
        o = *end ? end + 1 : end;
    }
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, render.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return run;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMiB = usage.ru_maxrss / 1024.0;  // kilobytes
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

bool runSizeTable(int runs, const std::string& render)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("vantorel-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::printf("\nvantorel-render, PNG pictures of any size, one process each, median of %d runs\n\n", runs);
    std::printf("%-38s %13s %9s %10s %10s %10s\n", "picture", "size", "seconds", "Mpixel/s", "us/pixel", "peak MiB");
    bool allOk = true;
    std::vector<double> perPixel;
    for (const Picture& p : Pictures) {
        std::vector<double> seconds, peaks;
        for (int r = 0; r < runs; ++r) {
            const Run run = runRender(render, p, (folder / "picture.png").string());
            allOk = allOk && run.ok;
            seconds.push_back(run.seconds);
            peaks.push_back(run.peakMiB);
            fs::remove(folder / "picture.png");
        }
        const double pixels = static_cast<double>(p.width) * p.height;
        const double s = median(seconds);
        if (perPixel.size() < 3)
            perPixel.push_back(s / pixels * 1e6);
        char size[32];
        std::snprintf(size, sizeof size, "%d x %d", p.width, p.height);
        std::printf("%-38s %13s %9.2f %10.1f %10.4f %10.1f\n", p.name, size, s, pixels / s / 1e6, s / pixels * 1e6,
                    *std::max_element(peaks.begin(), peaks.end()));
        std::fflush(stdout);
    }
    fs::remove_all(folder);
    const auto [least, most] = std::minmax_element(perPixel.begin(), perPixel.end());
    std::printf("\ntime per pixel at 1, 10 and 100 Mpixel: the largest is %.0f%% above the smallest\n",
                (*most / *least - 1) * 100);
    std::printf("peak MiB: the largest of the runs; seconds: wall time from start to exit\n");
    return allOk;
}

}  // namespace vantorel::bench
