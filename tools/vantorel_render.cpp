// vantorel-render: draws one picture without a window.
//
// Starts from the program's start-up state, puts the options on the scroll
// bars and switches, runs one plotting pass as "&Start" does into a 600 x 500
// canvas in memory and writes that canvas as a 24-bit BMP.

#include "core/big_float.h"
#include "core/deep_view.h"
#include "core/state.h"
#include "files/bmp_file.h"
#include "files/safe_file.h"
#include "navigation/plot_settings.h"
#include "navigation/run_control.h"
#include "platform/memory_platform.h"
#include "ui/headless.h"
#include "ui/lifecycle.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using namespace vantorel;

namespace {

const char* const Usage =
    "Usage: vantorel-render [--view XMIN YMIN XMAX YMAX] [--iterations N] [--step N] [--intensity N]\n"
    "                       [--refinement on|off] [--synchronized on|off] [--stages K] --out FILE.bmp\n"
    "                       [--deep on|off]\n"
    "       vantorel-render --help | --version\n"
    "Draws one 600 x 500 picture of the Mandelbrot set as the program's Start does,\n"
    "without a window, and writes it as a 24-bit BMP file.\n"
    "\n"
    "  --view XMIN YMIN XMAX YMAX  the part of the plane (default -2.25 -1.5 1.25 1.5), decimals\n"
    "                              of any length, XMIN < XMAX and YMIN < YMAX\n"
    "  --iterations N              iteration limit, 1 to 30000 (default 1000)\n"
    "  --step N                    calculation step, 1 to 400 (default 15)\n"
    "  --intensity N               colour intensity, 0 to 1020 (default 500)\n"
    "  --refinement on|off         successive refinement (default on)\n"
    "  --synchronized on|off       synchronized mode (default off)\n"
    "  --stages K                  stop after the K-th refinement stage\n"
    "  --deep on|off               draw views deeper than double precision resolves with\n"
    "                              arbitrary precision (default on), down to 1e-10000 wide\n"
    "  --out FILE.bmp              the file to write\n"
    "\n"
    "Exit status: 0 written, 1 the file could not be written, 2 a bad option.\n";

[[noreturn]] void fail(const std::string& message)
{
    std::fprintf(stderr, "vantorel-render: %s\n", message.c_str());
    std::exit(2);
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

// Decimal text of any length, read at a precision that keeps every digit given
// (about 3.33 bits a digit).
std::optional<BigFloat> parseDecimal(const std::string& text)
{
    // A decimal of this many characters already names a place 1e-10000 wide;
    // longer text is refused before it is read.
    constexpr std::size_t LongestDecimal = 12000;
    if (text.size() > LongestDecimal)
        return std::nullopt;
    return BigFloat::parse(text, static_cast<int>(text.size()) * 4 + BigFloat::MinimumBits);
}

struct Options {
    PlotSettings settings;
    std::optional<DeepView> view;  // from --view
    bool deep = true;
    long stages = 0;  // 0: the whole pass
    std::string out;
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
            BigFloat corners[4];
            for (int k = 0; k < 4; ++k) {
                if (i + 1 >= args.size())
                    fail("--view needs four decimal numbers XMIN YMIN XMAX YMAX");
                const auto v = parseDecimal(args[++i]);
                if (!v)
                    fail("--view needs four decimal numbers XMIN YMIN XMAX YMAX, each at most 12000 characters");
                corners[k] = *v;
            }
            if (!(corners[0] < corners[2]) || !(corners[1] < corners[3]))
                fail("--view needs XMIN below XMAX and YMIN below YMAX");
            o.view = DeepView{corners[0], corners[1], corners[2], corners[3]};
        } else if (a == "--deep") {
            o.deep = onOff(i, a);
        } else if (a == "--iterations") {
            o.settings.iterations = integerIn(i, a, 1, 30000);
        } else if (a == "--step") {
            o.settings.step = integerIn(i, a, 1, 400);
        } else if (a == "--intensity") {
            o.settings.intensity = integerIn(i, a, 0, 1020);
        } else if (a == "--refinement") {
            o.settings.refinement = onOff(i, a);
        } else if (a == "--synchronized") {
            o.settings.synchronized = onOff(i, a);
        } else if (a == "--stages") {
            const auto v = parseInteger(value(i, a, "a whole number of at least 1"));
            if (!v || *v < 1)
                fail("--stages needs a whole number of at least 1");
            o.stages = *v;
        } else if (a == "--out") {
            o.out = value(i, a, "a file name FILE.bmp");
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
    if (o.out.empty())
        fail("--out needs a file name FILE.bmp");
    return o;
}

}  // namespace

int main(int argc, char** argv)
{
    const Options o = parse(argc, argv);

    MemoryPlatform canvas;
    canvas.keepCaptionHistory = false;  // only the picture is wanted
    const auto started = std::chrono::steady_clock::now();
    canvas.clock = [started] {
        return static_cast<std::int32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count());
    };
    connectHeadlessHandlers(canvas);
    setPlatform(&canvas);
    startUp();

    applyPlotSettings(o.settings);
    setDeepZoomEnabled(o.deep);
    if (o.view) {
        // Deeper than doubles resolve, the view is drawn with the corners as
        // given; otherwise with their nearest doubles, as ever.
        if (!withinDeepestDepth(*o.view, MemoryPlatform::Width, MemoryPlatform::Height))
            fail("--view is deeper than the deepest view drawn (1e-10000 of the corners' size)");
        adoptDeepView(*o.view);
        if (!std::isfinite(state.viewXMin) || !std::isfinite(state.viewYMin) || !std::isfinite(state.viewXMax)
            || !std::isfinite(state.viewYMax) || !std::isfinite(state.viewXMax - state.viewXMin)
            || !std::isfinite(state.viewYMax - state.viewYMin))
            fail("--view needs a view within the range of doubles");
    }

    if (o.stages > 0) {
        // Stop, as the user would, in the pump of the K-th stage's last column:
        // the pass then ends before it draws a block of the next stage.
        canvas.onEveryPump = [stages = o.stages, stagesDone = 0L]() mutable {
            if (state.pixelX + state.blockWidth > state.canvasWidth - state.blockWidth && ++stagesDone == stages)
                state.abortRequested = true;
        };
    }

    Command1_Click();

    // Written whole or not at all, like a saved picture, but without waiting
    // for the disk: a picture this tool made can be made again.
    // Encoded into huge-page memory, like the canvas.
    LargeVector<char> bitmap(bmp24Size(MemoryPlatform::Width, MemoryPlatform::Height));
    encodeBmp24Into(canvas.canvas(), MemoryPlatform::Width, MemoryPlatform::Height, bitmap);
    const std::string problem = replaceFileContents(o.out, bitmap.data(), bitmap.size(), Durability::Unsynced);
    if (!problem.empty()) {
        std::fprintf(stderr, "vantorel-render: cannot write %s: %s\n", o.out.c_str(), problem.c_str());
        return 1;
    }
    return 0;
}
