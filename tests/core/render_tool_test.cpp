// The headless renderer as a user runs it: exit statuses, messages, files.

#include "core/escape.h"
#include "core/state.h"
#include "navigation/plot_settings.h"
#include "navigation/run_control.h"
#include "support/fixture.h"
#include "support/reference_pass.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vantorel::testing {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status;
    std::string output;
};

ToolRun shell(const std::string& command)
{
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    std::array<char, 256> buffer{};
    while (fgets(buffer.data(), buffer.size(), pipe))
        output += buffer.data();
    const int status = pclose(pipe);
    return {WEXITSTATUS(status), output};
}

ToolRun render(const std::string& arguments) { return shell(std::string(VANTOREL_RENDER) + " " + arguments + " 2>&1"); }

// Reads a 24-bit bottom-up BMP into red + 256 green + 65536 blue pixels.
std::vector<std::int32_t> readBmp(const fs::path& path, int& width, int& height)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), {});
    auto u32 = [&](int at) { return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24; };
    width = u32(18);
    height = u32(22);
    const int offset = u32(10), rowBytes = (width * 3 + 3) & ~3;
    std::vector<std::int32_t> pixels(width * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = &bytes[offset + (height - 1 - y) * rowBytes + x * 3];
            pixels[y * width + x] = p[2] + 256 * p[1] + 65536 * p[0];
        }
    return pixels;
}

// Reads an 8-bit RGB PNG into the same pixels.
std::vector<std::int32_t> readPng(const fs::path& path, int& width, int& height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<std::int32_t> pixels;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return pixels;
    EXPECT_EQ(image.format & PNG_FORMAT_FLAG_COLOR, PNG_FORMAT_FLAG_COLOR);
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        return pixels;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        pixels.push_back(rgb[i] + 256 * rgb[i + 1] + 65536 * rgb[i + 2]);
    return pixels;
}

class RenderToolTest : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("vantorel-render-test-" + std::to_string(getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
};

TEST_F(RenderToolTest, WritesTheDefaultPictureAndIntermediateStages)
{
    int w = 0, h = 0;
    ASSERT_EQ(render("--out " + (dir / "full.bmp").string()).status, 0);
    EXPECT_EQ(readBmp(dir / "full.bmp", w, h), referencePass({}).canvas);
    EXPECT_EQ(w, 600);
    EXPECT_EQ(h, 500);

    ASSERT_EQ(render("--stages 2 --intensity 900 --step 4 --out " + (dir / "two.bmp").string()).status, 0);
    ReferenceSettings two;
    two.stages = 2;
    two.intensity = 900;
    two.step = 4;
    EXPECT_EQ(readBmp(dir / "two.bmp", w, h), referencePass(two).canvas);

    ASSERT_EQ(render("--view -0.75 0.095 -0.74 0.105 --iterations 300 --step 1 --synchronized on --out "
                     + (dir / "deep.bmp").string())
                  .status,
              0);
    EXPECT_EQ(readBmp(dir / "deep.bmp", w, h),
              referencePass({-0.75, 0.095, -0.74, 0.105, 300, 1, 500, true, true}).canvas);
}

TEST_F(RenderToolTest, PngAndOtherSizesCountsAndLocations)
{
    // Today's picture as PNG, pixel for pixel the BMP.
    int w = 0, h = 0;
    ASSERT_EQ(render("--quiet --out " + (dir / "full.png").string()).status, 0);
    EXPECT_EQ(readPng(dir / "full.png", w, h), referencePass({}).canvas);
    EXPECT_EQ(w, 600);
    EXPECT_EQ(h, 500);

    // Another size is the pass on a canvas of that size; the counts are the
    // escape counts of its pixels, rows in order.
    PlotSettings p;
    p.view[0] = -1.9, p.view[1] = -0.3, p.view[2] = 0.4, p.view[3] = 1.2;
    p.iterations = 250, p.step = 3, p.intensity = 777, p.synchronized = true;
    const std::string view = "--view -1.9 -0.3 0.4 1.2 --iterations 250 --step 3 --intensity 777 --synchronized on ";
    ASSERT_EQ(render(view + "--size 61 37 --out " + (dir / "odd.bmp").string() + " --counts "
                     + (dir / "odd.NPY").string())
                  .status,
              0);
    EXPECT_EQ(readBmp(dir / "odd.bmp", w, h), startOnCanvas(p, 61, 37));
    EXPECT_EQ(w, 61);
    const std::string npy = readBytes((dir / "odd.NPY").string());
    const std::string dict = "{'descr': '<i2', 'fortran_order': False, 'shape': (37, 61), }";
    ASSERT_EQ(npy.size(), 128u + 61 * 37 * 2);
    EXPECT_EQ(npy.substr(0, 10), std::string("\x93NUMPY\x01\x00\x76\x00", 10));  // header of 118 bytes
    EXPECT_EQ(npy.substr(10, 118), dict + std::string(118 - dict.size() - 1, ' ') + "\n");
    state.maxIterations = 250;
    state.calcStep = 3;
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 61; ++x) {
            state.cRe = x * (2.3 / 61) + -1.9;
            state.cIm = y * (1.5 / 37) + -0.3;
            const auto at = 128 + 2 * (static_cast<std::size_t>(y) * 61 + x);
            const int count = static_cast<unsigned char>(npy[at]) | static_cast<signed char>(npy[at + 1]) << 8;
            ASSERT_EQ(count, escapeCount()) << x << ", " << y;
        }

    // A location file gives the view, limit, step and intensity; an option
    // given as well takes precedence.
    std::string location(50, '\0');
    const double corners[4] = {-1.9, -0.3, 0.4, 1.2};
    const float limit = 250;
    const std::int16_t step = 3, zoom = 0, intensity = 777;
    const double factor = 5;
    std::memcpy(location.data(), corners, 32);
    std::memcpy(location.data() + 32, &limit, 4);
    std::memcpy(location.data() + 36, &step, 2);
    std::memcpy(location.data() + 38, &zoom, 2);
    std::memcpy(location.data() + 40, &factor, 8);
    std::memcpy(location.data() + 48, &intensity, 2);
    writeBytes((dir / "place.sav").string(), location);
    ASSERT_EQ(render("--location " + (dir / "place.sav").string() + " --synchronized on --size 61 37 --out "
                     + (dir / "loaded.bmp").string())
                  .status,
              0);
    EXPECT_EQ(readBytes((dir / "loaded.bmp").string()), readBytes((dir / "odd.bmp").string()));
    ASSERT_EQ(render("--location " + (dir / "place.sav").string() + " --step 4 --size 61 37 --out "
                     + (dir / "stepped.bmp").string())
                  .status,
              0);
    p.step = 4, p.synchronized = false;
    EXPECT_EQ(readBmp(dir / "stepped.bmp", w, h), startOnCanvas(p, 61, 37));
}

TEST_F(RenderToolTest, BadValuesAreRefusedWithStatusTwoAndNoFile)
{
    const std::string out = " --out " + (dir / "x.bmp").string();
    const std::pair<std::string, std::string> cases[] = {
        {"--iterations 0", "--iterations"}, {"--iterations 30001", "--iterations"},
        {"--step 401", "--step"},           {"--step 1x", "--step"},
        {"--intensity -1", "--intensity"},  {"--intensity 1021", "--intensity"},
        {"--stages 0", "--stages"},         {"--refinement maybe", "--refinement"},
        {"--view 0 0 1 inf", "--view"},     {"--view 0 0 1", "--view"},
        {"--view 0 nan 1 1", "--view"},     {"--frobnicate 1", "--frobnicate"},
        {"--size 0 5", "--size"},           {"--size 5 -1", "--size"},
        {"--size 5 x", "--size"},           {"--size 65536 5", "--size"},
        {"--size 5", "--size"},             {"--stages 2 --size 601 1", "--stages"},
        {"--stages 2 --counts c.npy", "--stages"},
        {"--counts c.txt", "--counts"},     {"--size 65535 65535", "4 GiB"},
        {"--location " + (dir / "none.sav").string(), "The file does not exist."},
        {"--location " + (dir / "x.bmp").string(), "The file does not exist."},
    };
    for (const auto& [arguments, option] : cases) {
        const ToolRun run = render(arguments + out);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_NE(run.output.find(option), std::string::npos) << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        EXPECT_FALSE(fs::exists(dir / "x.bmp")) << arguments;
    }
    EXPECT_EQ(render("").status, 2);
    EXPECT_EQ(render("--out x.jpg").status, 2);
    writeBytes((dir / "short.sav").string(), "abc");
    const ToolRun shortFile = render("--location " + (dir / "short.sav").string() + out);
    EXPECT_EQ(shortFile.status, 2);
    EXPECT_EQ(shortFile.output, "vantorel-render: could not load the location from " + (dir / "short.sav").string()
                                    + ": The file is 3 bytes long; a location file is 50 bytes long.\n");
    fs::remove(dir / "short.sav");
    // --help and --version answer on standard output and write nothing.
    const ToolRun help = render("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage: vantorel-render ", 0), 0u) << help.output;
    EXPECT_NE(help.output.find("--version"), std::string::npos);
    const ToolRun version = render("--version" + out);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "vantorel-render " VANTOREL_VERSION "\n");
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(RenderToolTest, AFileThatCannotBeWrittenGivesStatusOne)
{
    const std::string missing = (dir / "missing" / "x.bmp").string();
    const ToolRun run = render("--refinement off --iterations 10 --out " + missing);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "vantorel-render: cannot write " + missing + ": The folder does not exist.\n");
    EXPECT_TRUE(fs::is_empty(dir));

    // A file that outgrows what it may take (here a file size limit; a full
    // disk goes the same way) leaves neither the picture, nor the counts,
    // nor a temporary file, nor an older picture of that name harmed.
    writeBytes((dir / "x.png").string(), "older");
    for (const std::string& files : {"--out " + (dir / "x.bmp").string(),
                                    "--out " + (dir / "x.png").string() + " --counts " + (dir / "x.npy").string()}) {
        const ToolRun big = shell("ulimit -f 200; exec " VANTOREL_RENDER " --size 3000 2000 " + files + " 2>&1");
        EXPECT_EQ(big.status, 1) << files;
        EXPECT_NE(big.output.find("The file would be larger than the system allows."), std::string::npos)
            << big.output;
        EXPECT_EQ(fs::directory_iterator(dir)->path().filename(), "x.png");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
        EXPECT_EQ(readBytes((dir / "x.png").string()), "older");
    }
}

}  // namespace
}  // namespace vantorel::testing
