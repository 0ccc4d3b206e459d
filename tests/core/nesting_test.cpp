#include "core/plotting_pass.h"
#include "navigation/run_control.h"
#include "navigation/zoom_keys.h"
#include "core/numeric.h"
#include "support/fixture.h"
#include "support/reference_pass.h"

#include <cstdint>
#include <iostream>
#include <tuple>

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
    EXPECT_EQ(fake.canvas(), referencePass(finalView).canvas);
    EXPECT_EQ(caption(Caption::Label1), formatGeneral(xMin, "."));
    EXPECT_EQ(caption(Caption::Labelcompleted), " 100 %");
    EXPECT_FALSE(state.timingActive);
    EXPECT_FALSE(state.abortRequested);
}

TEST_F(NestingTest, ARestartAtTheDepthBoundEndsLikeTheNestedPassWouldHave)
{
    // The same requests, once nested without bound and once with a low bound,
    // leave the same picture and labels.
    auto run = [this](int limit) {
        SetUp();
        setPlottingPassNestingLimit(limit);
        fake.setScrollValue(ScrollBar::itera, 30);
        int sent = 0;
        fake.onEveryPump = [&] {
            if (sent < 150 && state.pixelX == 32) {
                ++sent;
                Picture1_KeyDown(sent % 3 ? KeyDown : KeyKeypadPlus, 0);
            }
        };
        Command1_Click();
        setPlottingPassNestingLimit(DefaultPassNestingLimit);
        std::vector<std::string> labels;
        for (Caption c : {Caption::Label1, Caption::Label2, Caption::Label3, Caption::Label4, Caption::labelchunkx,
                          Caption::Labelchunky, Caption::Labelcompleted, Caption::Labelzoom, Caption::Label14})
            labels.push_back(caption(c));
        return std::make_tuple(fake.canvas(), labels, state.stageCounter % 2);
    };
    const auto unbounded = run(1000);
    const auto bounded = run(8);
    EXPECT_EQ(std::get<1>(bounded), std::get<1>(unbounded));
    EXPECT_EQ(std::get<2>(bounded), std::get<2>(unbounded));
    EXPECT_TRUE(std::get<0>(bounded) == std::get<0>(unbounded));
}

} // namespace
} // namespace vantorel::testing
