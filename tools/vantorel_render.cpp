// vantorel-render: draws one picture without a window.
//
// The picture is the one "&Start" of a fresh program draws on a canvas of the
// size asked for (600 x 500 unless told), counted on every core and streamed
// row by row into a PNG or BMP file (and the counts into a NumPy file) in
// bounded memory. With --stages the pass itself runs on a 600 x 500 canvas in
// memory and is stopped as a user would stop it.

#include "core/big_float.h"
#include "core/deep_counts.h"
#include "core/deep_view.h"
#include "core/picture_engine.h"
#include "core/pixel_counts.h"
#include "core/state.h"
#include "files/location_file.h"
#include "files/picture_export.h"
#include "navigation/plot_settings.h"
#include "navigation/run_control.h"
#include "platform/memory_platform.h"
#include "ui/headless.h"
#include "ui/lifecycle.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using namespace vantorel;

namespace {

const char* const Usage =
    "Usage: vantorel-render [--view XMIN YMIN XMAX YMAX] [--iterations N] [--step N] [--intensity N]\n"
    "                       [--refinement on|off] [--synchronized on|off] [--location FILE.sav]\n"
    "                       [--size W H] [--stages K] [--deep on|off] [--quiet]\n"
    "                       [--out FILE.png|FILE.bmp] [--counts FILE.npy]\n"
    "       vantorel-render --help | --version\n"
    "Draws one picture of the Mandelbrot set as the program's Start does on a\n"
    "canvas of the given size, without a window, and writes it as a 24-bit PNG or\n"
    "BMP file (by the extension), row by row, in bounded memory.\n"
    "\n"
    "  --view XMIN YMIN XMAX YMAX  the part of the plane (default -2.25 -1.5 1.25 1.5), decimals\n"
    "                              of any length, XMIN < XMAX and YMIN < YMAX\n"
    "  --iterations N              iteration limit, 1 to 30000 (default 1000)\n"
    "  --step N                    calculation step, 1 to 400 (default 15)\n"
    "  --intensity N               colour intensity, 0 to 1020 (default 500)\n"
    "  --refinement on|off         successive refinement (default on)\n"
    "  --synchronized on|off       synchronized mode (default off)\n"
    "  --location FILE.sav         view, limit, step and intensity of a saved location\n"
    "                              (the options above take precedence)\n"
    "  --size W H                  the picture's size in pixels, 1 to 65535 each (default 600 500)\n"
    "  --stages K                  stop after the K-th refinement stage (600 x 500 only)\n"
    "  --deep on|off               draw views deeper than doubles resolve in arbitrary\n"
    "                              precision (default on), down to 1e-10000 of the corners' size\n"
    "  --out FILE.png|FILE.bmp     the picture to write\n"
    "  --counts FILE.npy           the count each pixel was painted with, as a NumPy\n"
    "                              array of int16, shape (H, W)\n"
    "  --quiet                     no progress bar on a terminal\n"
    "\n"
    "Exit status: 0 written, 1 a file could not be written (or the run was\n"
    "interrupted), 2 a bad option.\n";

[[noreturn]] void fail(const std::string& message)
{
    std::fprintf(stderr, "vantorel-render: %s\n", message.c_str());
    std::exit(2);
}

// Decimal text of any length, read at a precision that keeps every digit given
// (about 3.33 bits a digit), so that its nearest double is the one strtod gives.
std::optional<BigFloat> parseDecimal(const std::string& text)
{
    // A decimal of this many characters already names a place 1e-10000 wide;
    // longer text is refused before it is read.
    constexpr std::size_t LongestDecimal = 12000;
    if (text.size() > LongestDecimal)
        return std::nullopt;
    return BigFloat::parse(text, static_cast<int>(text.size()) * 4 + BigFloat::MinimumBits);
}

std::optional<long> parseInteger(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0')
        return std::nullopt;
    return value;
}

bool endsWith(std::string text, const std::string& tail)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

struct Options {
    PlotSettings settings;
    DeepView corners{BigFloat(-2.25), BigFloat(-1.5), BigFloat(1.25), BigFloat(1.5)};  // settings.view, exactly as given
    bool deep = true;
    // Which of the settings were given: a location fills in the others.
    bool view = false, iterations = false, step = false, intensity = false;
    std::string location;
    int width = MemoryPlatform::Width, height = MemoryPlatform::Height;
    long stages = 0;  // 0: the whole pass
    std::string out, counts;
    bool quiet = false;
};

Options parse(int argc, char** argv)
{
    Options o;
    std::vector<std::string> args(argv + 1, argv + argc);
    auto value = [&](std::size_t& i, const std::string& option, const char* accepts) {
        if (i + 1 >= args.size())
            fail(option + " needs " + accepts);
        return args[++i];
    };
    auto integerIn = [&](std::size_t& i, const std::string& option, long low, long high) {
        const std::string accepts = "a whole number from " + std::to_string(low) + " to " + std::to_string(high);
        const auto v = parseInteger(value(i, option, accepts.c_str()));
        if (!v || *v < low || *v > high)
            fail(option + " needs " + accepts);
        return static_cast<int>(*v);
    };
    auto onOff = [&](std::size_t& i, const std::string& option) {
        const std::string v = value(i, option, "on or off");
        if (v != "on" && v != "off")
            fail(option + " needs on or off");
        return v == "on";
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--view") {
            BigFloat* corner[4] = {&o.corners.xMin, &o.corners.yMin, &o.corners.xMax, &o.corners.yMax};
            for (int k = 0; k < 4; ++k) {
                if (i + 1 >= args.size())
                    fail("--view needs four decimal numbers XMIN YMIN XMAX YMAX");
                const auto v = parseDecimal(args[++i]);
                if (!v)
                    fail("--view needs four decimal numbers XMIN YMIN XMAX YMAX, each at most 12000 characters");
                *corner[k] = *v;
                o.settings.view[k] = v->toDouble();
            }
            if (!(o.corners.xMin < o.corners.xMax) || !(o.corners.yMin < o.corners.yMax))
                fail("--view needs XMIN below XMAX and YMIN below YMAX");
            o.view = true;
        } else if (a == "--deep") {
            o.deep = onOff(i, a);
        } else if (a == "--iterations") {
            o.settings.iterations = integerIn(i, a, 1, 30000);
            o.iterations = true;
        } else if (a == "--step") {
            o.settings.step = integerIn(i, a, 1, 400);
            o.step = true;
        } else if (a == "--intensity") {
            o.settings.intensity = integerIn(i, a, 0, 1020);
            o.intensity = true;
        } else if (a == "--refinement") {
            o.settings.refinement = onOff(i, a);
        } else if (a == "--synchronized") {
            o.settings.synchronized = onOff(i, a);
        } else if (a == "--location") {
            o.location = value(i, a, "a location file FILE.sav");
        } else if (a == "--size") {
            const std::string accepts = "two whole numbers W H from 1 to " + std::to_string(MaxPictureSide);
            for (int* side : {&o.width, &o.height}) {
                const auto v = parseInteger(value(i, a, accepts.c_str()));
                if (!v || *v < 1 || *v > MaxPictureSide)
                    fail("--size needs " + accepts);
                *side = static_cast<int>(*v);
            }
        } else if (a == "--stages") {
            const auto v = parseInteger(value(i, a, "a whole number of at least 1"));
            if (!v || *v < 1)
                fail("--stages needs a whole number of at least 1");
            o.stages = *v;
        } else if (a == "--out") {
            o.out = value(i, a, "a file name FILE.png or FILE.bmp");
            if (!pictureFormatFor(o.out))
                fail("--out needs a file name ending in .png or .bmp");
        } else if (a == "--counts") {
            o.counts = value(i, a, "a file name FILE.npy");
            if (!endsWith(o.counts, ".npy"))
                fail("--counts needs a file name ending in .npy");
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a == "--help" || a == "-h") {
            std::fputs(Usage, stdout);
            std::exit(0);
        } else if (a == "--version") {
            std::puts("vantorel-render " VANTOREL_VERSION);
            std::exit(0);
        } else {
            fail("unknown option " + a + " (see --help)");
        }
    }
    if (o.out.empty() && o.counts.empty())
        fail("--out needs a file name FILE.png or FILE.bmp");
    if (o.stages > 0 && (o.width != MemoryPlatform::Width || o.height != MemoryPlatform::Height || !o.counts.empty()))
        fail("--stages works only at the size 600 500 and without --counts");
    if (!o.out.empty()) {
        const std::string problem = pictureSizeProblem(*pictureFormatFor(o.out), o.width, o.height);
        if (!problem.empty())
            fail("--size: " + problem);
    }
    return o;
}

// A location fills in what the options left out: a deep location its
// corners as the file gives them.
void takeLocation(Options& o)
{
    if (o.location.empty())
        return;
    const LocationRead read = readLocationFile(o.location);
    if (!read.location)
        fail("could not load the location from " + o.location + ": " + read.problem);
    const Location& l = *read.location;
    if (!o.view) {
        o.corners = l.view;
        const double corners[4] = {l.view.xMin.toDouble(), l.view.yMin.toDouble(), l.view.xMax.toDouble(),
                                   l.view.yMax.toDouble()};
        std::copy(std::begin(corners), std::end(corners), o.settings.view);
    }
    if (!o.iterations)
        o.settings.iterations = locationIterations(l);
    if (!o.step)
        o.settings.step = l.calcStep;
    if (!o.intensity)
        o.settings.intensity = l.colourLevel;
}

std::atomic<bool> interrupted{false};
extern "C" void onInterrupt(int) { interrupted.store(true); }

std::string clockText(double seconds)
{
    const long s = std::lround(seconds);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

// A bar on standard error, at most ten times a second: the part done, the
// time so far and an estimate of the time left.
class ProgressBar {
public:
    explicit ProgressBar(int rows) : rows(rows), started(std::chrono::steady_clock::now()) {}
    void show(int done)
    {
        const auto now = std::chrono::steady_clock::now();
        if (done < rows && now - shown < std::chrono::milliseconds(100))
            return;
        shown = now;
        const double fraction = static_cast<double>(done) / rows;
        const double elapsed = std::chrono::duration<double>(now - started).count();
        constexpr int Width = 30;
        const int filled = static_cast<int>(fraction * Width);
        const std::string bar = std::string(static_cast<std::size_t>(filled), '#') + std::string(Width - filled, '.');
        const std::string left =
            done > 0 && done < rows ? ", about " + clockText(elapsed / fraction - elapsed) + " left" : "";
        std::fprintf(stderr, "\r[%s] %3d %%  %s%s\033[K", bar.c_str(), static_cast<int>(fraction * 100),
                     clockText(elapsed).c_str(), left.c_str());
        if (done == rows)
            std::fputc('\n', stderr);
        std::fflush(stderr);
    }

private:
    int rows;
    std::chrono::steady_clock::time_point started, shown{};
};

int reportProblem(const ExportResult& result)
{
    if (result.end == PictureEnd::Cancelled) {
        std::fprintf(stderr, "vantorel-render: interrupted; nothing was written\n");
        return 1;
    }
    if (!result.problem.empty()) {
        std::fprintf(stderr, "vantorel-render: cannot write %s: %s\n", result.file.c_str(), result.problem.c_str());
        return 1;
    }
    return 0;
}

// The pass itself, stopped as the user would stop it in the pump of the
// K-th stage's last column: it then ends before it draws a block of the
// next stage.
int renderStages(const Options& o, MemoryPlatform& canvas)
{
    const auto started = std::chrono::steady_clock::now();
    canvas.clock = [started] {
        return static_cast<std::int32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count());
    };
    startUp();
    applyPlotSettings(o.settings);
    setDeepZoomEnabled(o.deep);
    adoptDeepView(o.corners);
    canvas.onEveryPump = [stages = o.stages, stagesDone = 0L]() mutable {
        if (state.pixelX + state.blockWidth > state.canvasWidth - state.blockWidth && ++stagesDone == stages)
            state.abortRequested = true;
    };
    Command1_Click();
    return reportProblem(writePictureRows(o.out, canvas.canvasWidth(), canvas.canvasHeight(), [&](int y) {
        return canvas.canvas().data() + static_cast<std::size_t>(y) * canvas.canvasWidth();
    }));
}

}  // namespace

int main(int argc, char** argv)
{
    Options o = parse(argc, argv);
    // The pass needs its canvas only for --stages; otherwise the platform
    // only words the location's refusals (with its decimal separator).
    const bool pass = o.stages > 0;
    MemoryPlatform canvas(pass ? MemoryPlatform::Width : 1, pass ? MemoryPlatform::Height : 1);
    canvas.keepCaptionHistory = false;  // only the picture is wanted
    connectHeadlessHandlers(canvas);
    setPlatform(&canvas);
    takeLocation(o);
    // A file past the size limit is reported as a write failure rather than
    // ending the program, and an interrupt ends the picture without leaving
    // a temporary file behind.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);

    if (o.stages > 0)
        return renderStages(o, canvas);

    const PlotSettings& p = o.settings;
    const PictureSettings settings{o.width, o.height, static_cast<float>(p.iterations), p.intensity, p.refinement,
                                   p.synchronized};
    // Where doubles resolve the view on this canvas (or with --deep off) its
    // nearest doubles are drawn, as ever; past that, the corners as given.
    if (!std::isfinite(p.view[0]) || !std::isfinite(p.view[1]) || !std::isfinite(p.view[2])
        || !std::isfinite(p.view[3]))
        fail("--view needs corners within the range of doubles");
    const bool flat = o.corners.xMin == o.corners.xMax || o.corners.yMin == o.corners.yMax;
    if (o.deep && !flat && !withinDeepestDepth(o.corners, o.width, o.height))
        fail("--view is deeper than the deepest view drawn (1e-10000 of the corners' size)");
    const std::unique_ptr<PixelCountSource> source = pictureCountsFor(
        o.corners, o.deep, o.width, o.height, static_cast<float>(p.iterations), p.step, &interrupted);
    if (!source)
        return reportProblem({PictureEnd::Cancelled, {}, {}});
    PictureControl control;
    control.cancel = &interrupted;
    std::optional<ProgressBar> bar;
    if (!o.quiet && ::isatty(STDERR_FILENO)) {
        bar.emplace(o.height);
        control.progress = [&bar](int rows) { bar->show(rows); };
    }
    return reportProblem(exportPicture(settings, *source, {o.out, o.counts}, control));
}
