#include "core/plotting_pass.h"
#include "navigation/run_control.h"
#include "navigation/zoom_keys.h"
#include "core/numeric.h"
#include "support/fixture.h"
#include "support/reference_pass.h"

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

namespace vantorel::testing {
namespace {

using NestingTest = ProgramTest;

TEST_F(NestingTest, ThousandsOfKeyRepeatsDuringPlotsKeepTheStackBoundedAndEndRight)
{
    // Intensity 0 paints band 0 black whatever shade earlier passes left.
    state.refinementBase = 1;
    fake.setScrollValue(ScrollBar::itera, 100);
    fake.setScrollValue(ScrollBar::colourbar, 0);
    int repeats = 0, deepest = 0;
    std::uintptr_t stackAtLevel[4] = {};
    fake.onEveryPump = [&] {
        const int depth = plottingPassNesting();
        deepest = std::max(deepest, depth);
        int marker = 0;
        if (depth <= 3 && stackAtLevel[depth] == 0)
            stackAtLevel[depth] = reinterpret_cast<std::uintptr_t>(&marker);
        if (repeats < 3000) {
            ++repeats;
            Picture1_KeyDown(KeyRight, 0);
        }
    };
    Command1_Click();
    EXPECT_EQ(repeats, 3000);
    EXPECT_EQ(deepest, 64);
    EXPECT_EQ(plottingPassNesting(), 0);
    std::cout << "stack per nested pass (in-memory platform): " << (stackAtLevel[1] - stackAtLevel[2]) << " bytes\n";

    double xMin = -2.25, xMax = 1.25;
    for (int i = 0; i < 3000; ++i) {
        const double sx = 0.001 / 15 * 600 * (xMax - xMin);
        xMin += sx;
        xMax += sx;
    }
    EXPECT_EQ(state.viewXMin, xMin);
    ReferenceSettings finalView{xMin, -1.5, xMax, 1.5, 100, 15, 0, false};
    EXPECT_TRUE(std::ranges::equal(fake.canvas(), referencePass(finalView).canvas));
    EXPECT_EQ(caption(Caption::Label1), formatGeneral(xMin, "."));
    EXPECT_EQ(caption(Caption::Labelcompleted), " 100 %");
    EXPECT_FALSE(state.timingActive);
    EXPECT_FALSE(state.abortRequested);
}

// Key presses during a plot, once nested without bound and once with a low
// bound on the depth: both must leave the same picture and labels.
class RestartInPlaceTest : public ::testing::TestWithParam<int> {
protected:
    struct Outcome {
        CanvasPixels canvas;
        std::vector<std::string> labels;
        int stageParity;
        int deepest;  // nesting depth reached
    };
    static Outcome requestsDuringAPlot(MemoryPlatform& fake, int depthLimit)
    {
        startFreshProgram(fake);
        setPlottingPassNestingLimit(depthLimit);
        fake.setScrollValue(ScrollBar::itera, 30);
        int sent = 0, deepest = 0;
        fake.onEveryPump = [&] {
            deepest = std::max(deepest, plottingPassNesting());
            if (sent < 150 && state.pixelX == 32) {
                ++sent;
                Picture1_KeyDown(sent % 3 ? KeyDown : KeyKeypadPlus, 0);
            }
        };
        Command1_Click();
        setPlottingPassNestingLimit(DefaultPassNestingLimit);
        setPlatform(nullptr);
        std::vector<std::string> labels;
        for (Caption c : {Caption::Label1, Caption::Label2, Caption::Label3, Caption::Label4, Caption::labelchunkx,
                          Caption::Labelchunky, Caption::Labelcompleted, Caption::Labelzoom, Caption::Label14})
            labels.push_back(fake.caption(c));
        return {fake.canvas(), labels, state.stageCounter % 2, deepest};
    }
    static void SetUpTestSuite()
    {
        MemoryPlatform fake;
        nested = new Outcome(requestsDuringAPlot(fake, 1000));
    }
    static void TearDownTestSuite() { delete nested; }
    static inline const Outcome* nested = nullptr;
    MemoryPlatform fake;
};

TEST_P(RestartInPlaceTest, EndsLikeTheNestedPassesWouldHave)
{
    const Outcome bounded = requestsDuringAPlot(fake, GetParam());
    EXPECT_EQ(bounded.deepest, GetParam());
    EXPECT_GT(nested->deepest, GetParam()) << "the bound never came into play";
    EXPECT_EQ(bounded.labels, nested->labels);
    EXPECT_EQ(bounded.stageParity, nested->stageParity);
    EXPECT_TRUE(bounded.canvas == nested->canvas);
}

INSTANTIATE_TEST_SUITE_P(Nesting, RestartInPlaceTest, ::testing::Values(1, 2, 8),
                         [](const auto& info) { return "DepthLimit" + std::to_string(info.param); });

}  // namespace
}  // namespace vantorel::testing
