// The third table of vantorel-bench: pictures of any size through
// vantorel-render, one child process per picture, so that each one's peak
// resident memory is its own. Wall time, Mpixel/s and the peak, median of the
// runs; then the time per pixel of the poster's view at 1, 10 and 100
// Mpixel, which should not change with the size. (On the default view a
// pixel costs so little that the 10 ms a process takes to start and end
// weigh as much as a million pixels.)
//
// The peak comes from /usr/bin/time: a process started from this one counts
// this one's resident memory (Qt's libraries) in its own peak until it
// executes the renderer, and /usr/bin/time is small. Without it, wait4's
// figure is shown, which is at least this program's size.

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
    bool scaling;  // one of the three sizes whose time per pixel is compared
};

constexpr const char* Poster = "--view -0.8 -0.2 -0.6 0.0 --iterations 3000 --step 1";

const Picture Pictures[] = {
    {"default view 1 Mpixel", 1000, 1000, "", false},
    {"default view 10 Mpixel", 3162, 3162, "", false},
    {"default view 100 Mpixel", 10000, 10000, "", false},
    {"default view 7680 x 4320", 7680, 4320, "", false},
    {"poster view 1 Mpixel", 1000, 1000, Poster, true},
    {"poster view 10 Mpixel", 3162, 3162, Poster, true},
    {"poster view 100 Mpixel", 10000, 10000, Poster, true},
    {"(-0.8,-0.2)-(-0.6,0) 3000/1 20000^2", 20000, 20000, Poster, false},
};

struct Run {
    double seconds = 0, cpuSeconds = 0, peakMiB = 0;
    bool ok = false;
};

constexpr const char* TimeTool = "/usr/bin/time";

Run runRender(const std::string& render, const Picture& p, const std::string& out, const std::string& peakFile)
{
    std::vector<std::string> args{render, "--quiet", "--size", std::to_string(p.width), std::to_string(p.height),
                                  "--out", out};
    const bool timed = ::access(TimeTool, X_OK) == 0;
    if (timed)
        args.insert(args.begin(), {TimeTool, "-f", "%M", "-o", peakFile});
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
    if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return run;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMiB = usage.ru_maxrss / 1024.0;  // kilobytes
    // Every thread's processor time, the renderer's included (a waited-for descendant).
    const auto secondsOf = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    run.cpuSeconds = secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
    if (timed) {
        std::FILE* f = std::fopen(peakFile.c_str(), "r");
        long kilobytes = 0;
        if (f && std::fscanf(f, "%ld", &kilobytes) == 1)
            run.peakMiB = kilobytes / 1024.0;
        if (f)
            std::fclose(f);
    }
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

bool runSizeTable(int runs, const std::string& render, const std::string& only)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("vantorel-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::printf("\nvantorel-render, PNG pictures of any size, one process each, median of %d runs\n\n", runs);
    std::printf("%-38s %13s %9s %10s %10s %12s %10s\n", "picture", "size", "seconds", "Mpixel/s", "us/pixel",
                "cpu us/pixel", "peak MiB");
    bool allOk = true;
    std::vector<double> perPixel, cpuPerPixel;
    for (const Picture& p : Pictures) {
        if (!only.empty() && std::string(p.name).find(only) == std::string::npos)
            continue;
        std::vector<double> seconds, cpu, peaks;
        for (int r = 0; r < runs; ++r) {
            const Run run = runRender(render, p, (folder / "picture.png").string(), (folder / "peak").string());
            allOk = allOk && run.ok;
            seconds.push_back(run.seconds);
            cpu.push_back(run.cpuSeconds);
            peaks.push_back(run.peakMiB);
            fs::remove(folder / "picture.png");
        }
        const double pixels = static_cast<double>(p.width) * p.height;
        const double s = median(seconds), c = median(cpu);
        if (p.scaling) {
            perPixel.push_back(s / pixels * 1e6);
            cpuPerPixel.push_back(c / pixels * 1e6);
        }
        char size[32];
        std::snprintf(size, sizeof size, "%d x %d", p.width, p.height);
        std::printf("%-38s %13s %9.2f %10.1f %10.4f %12.4f %10.1f\n", p.name, size, s, pixels / s / 1e6,
                    s / pixels * 1e6, c / pixels * 1e6, *std::max_element(peaks.begin(), peaks.end()));
        std::fflush(stdout);
    }
    fs::remove_all(folder);
    if (perPixel.size() == 3) {
        const auto spread = [](const std::vector<double>& v) {
            const auto [least, most] = std::minmax_element(v.begin(), v.end());
            return (*most / *least - 1) * 100;
        };
        std::printf("\ntime per pixel of the poster view at 1, 10 and 100 Mpixel: the largest is %.0f%% above the\n"
                    "smallest in wall time, %.0f%% in processor time\n",
                    spread(perPixel), spread(cpuPerPixel));
    }
    std::printf("peak MiB: the largest of the runs (%s); seconds: wall time from start to exit;\n"
                "cpu: user and system time of all threads, which a busy machine does not inflate\n",
                ::access(TimeTool, X_OK) == 0 ? "by /usr/bin/time" : "by wait4, at least this program's own size");
    return allOk;
}

}  // namespace vantorel::bench
