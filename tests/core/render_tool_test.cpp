// The headless renderer as a user runs it: exit statuses, messages, files.

#include "support/reference_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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

ToolRun render(const std::string& arguments)
{
    const std::string command = std::string(VANTOREL_RENDER) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    std::array<char, 256> buffer{};
    while (fgets(buffer.data(), buffer.size(), pipe))
        output += buffer.data();
    const int status = pclose(pipe);
    return {WEXITSTATUS(status), output};
}

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
    };
    for (const auto& [arguments, option] : cases) {
        const ToolRun run = render(arguments + out);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_NE(run.output.find(option), std::string::npos) << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        EXPECT_FALSE(fs::exists(dir / "x.bmp")) << arguments;
    }
    EXPECT_EQ(render("").status, 2);
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
}

}  // namespace
}  // namespace vantorel::testing
