#include "core/count_kernel.h"
#include "core/plotting_pass.h"
#include "navigation/run_control.h"
#include "support/fixture.h"
#include "support/reference_pass.h"

#include <cmath>
#include <limits>

namespace vantorel::testing {
namespace {

class PlottingPassTest : public ProgramTest {
protected:
    // Runs "&Start" and returns the block sizes of every stage it began.
    std::vector<std::pair<std::string, std::string>> start()
    {
        const auto widthsBefore = fake.captionHistory(Caption::labelchunkx).size();
        Command1_Click();
        std::vector<std::pair<std::string, std::string>> stages;
        const auto& widths = fake.captionHistory(Caption::labelchunkx);
        const auto& heights = fake.captionHistory(Caption::Labelchunky);
        for (auto i = widthsBefore; i < widths.size(); ++i)
            stages.emplace_back(widths[i], heights[i]);
        return stages;
    }
    // Stops the pass in the pump of the given stage's last column.
    void stopAfterStages(int stages)
    {
        fake.onEveryPump = [this, stages, done = 0]() mutable {
            if (state.pixelX + state.blockWidth > state.canvasWidth - state.blockWidth && ++done == stages)
                mnustop_Click();
        };
    }
    void expectCanvas(const ReferenceSettings& settings)
    {
        const auto expected = referencePass(settings);
        long differences = 0;
        for (std::size_t i = 0; i < expected.canvas.size(); ++i)
            differences += expected.canvas[i] != fake.canvas()[i];
        EXPECT_EQ(differences, 0) << "pixels differing from the reference rendering";
    }
};

using Stages = std::vector<std::pair<std::string, std::string>>;

TEST_F(PlottingPassTest, TheFullViewMatchesTheReferenceRenderingPixelForPixel)
{
    start();
    expectCanvas({});
    EXPECT_DOUBLE_EQ(state.pixelStepX, 3.5 / 600);
    EXPECT_DOUBLE_EQ(state.pixelStepY, 0.006);
    EXPECT_EQ(state.canvasWidth, 600);
    EXPECT_EQ(state.canvasHeight, 500);
    EXPECT_EQ(state.maxIterations, 1000.0f);
    // The last pixel computed is column 599, row 499.
    EXPECT_NEAR(state.cRe, 1.24417, 1e-5);
    EXPECT_NEAR(state.cIm, 1.494, 1e-12);
}

TEST_F(PlottingPassTest, StageSequencesAndTheirAlternationOverConsecutivePasses)
{
    const Stages widthFirst = {{"16", "16"}, {"8", "16"}, {"8", "8"}, {"4", "8"}, {"4", "4"},
                               {"2", "4"},   {"2", "2"},  {"1", "2"}, {"1", "1"}};
    const Stages heightFirst = {{"16", "16"}, {"16", "8"}, {"8", "8"}, {"8", "4"}, {"4", "4"},
                                {"4", "2"},   {"2", "2"},  {"2", "1"}, {"1", "1"}};
    EXPECT_EQ(start(), widthFirst);
    EXPECT_EQ(state.stageCounter, 9);
    EXPECT_EQ(start(), heightFirst);
    // The second pass began with an odd counter: check its picture too.
    expectCanvas({.stageCounterAtStart = 1});
    EXPECT_EQ(start(), widthFirst);

    state.synchronizedMode = true;
    EXPECT_EQ(start(), (Stages{{"16", "16"}, {"8", "8"}, {"4", "4"}, {"2", "2"}, {"1", "1"}}));
    EXPECT_EQ(state.stageCounter, 32);

    state.refinementBase = 1;
    EXPECT_EQ(start(), (Stages{{"1", "1"}}));
    EXPECT_EQ(state.stageCounter, 32);
    EXPECT_EQ(caption(Caption::Labelcompleted), " 100 %");
}

struct NamedSettings {
    const char* name;
    ReferenceSettings settings;
};

class OtherSettingsTest : public PlottingPassTest, public ::testing::WithParamInterface<NamedSettings> {};

TEST_P(OtherSettingsTest, MatchTheReferenceRendering)
{
    const auto& s = GetParam().settings;
    state.viewXMin = s.xMin;
    state.viewYMin = s.yMin;
    state.viewXMax = s.xMax;
    state.viewYMax = s.yMax;
    fake.setScrollValue(ScrollBar::itera, static_cast<std::int16_t>(s.iterations));
    fake.setScrollValue(ScrollBar::kstep, static_cast<std::int16_t>(s.step));
    fake.setScrollValue(ScrollBar::colourbar, static_cast<std::int16_t>(s.intensity));
    state.refinementBase = s.refinement ? 2 : 1;
    state.synchronizedMode = s.synchronized;
    start();
    expectCanvas(s);
}

INSTANTIATE_TEST_SUITE_P(
    PlottingPass, OtherSettingsTest,
    ::testing::Values(NamedSettings{"SmallViewStepOneFullIntensity", {-0.75, 0.095, -0.74, 0.105, 300, 1, 1020, true}},
                      NamedSettings{"RefinementOff", {-2.25, -1.5, 1.25, 1.5, 1000, 15, 500, false}},
                      NamedSettings{"SynchronizedIntensityZero", {-2.25, -1.5, 1.25, 1.5, 200, 7, 0, true, true}},
                      NamedSettings{"MirroredView", {1.25, 1.5, -2.25, -1.5, 50, 3, 700, true}},
                      NamedSettings{"LimitAndStepAtTheirMaximum", {-1.8, -0.1, -1.7, 0.0, 30000, 400, 500, true}}),
    [](const auto& info) { return std::string(info.param.name); });

class IntermediateStagesTest : public PlottingPassTest, public ::testing::WithParamInterface<int> {};

TEST_P(IntermediateStagesTest, MatchTheReference)
{
    // Height-first order: its second stage repaints the blocks of the coarser
    // lattice with the count of the block painted just before them.
    const int stages = GetParam();
    state.stageCounter = 1;
    stopAfterStages(stages);
    start();
    ReferenceSettings settings;
    settings.stageCounterAtStart = 1;
    settings.stages = stages;
    expectCanvas(settings);
    if (stages == 2) {
        // The last block of that stage, at (576, 488), is computed.
        EXPECT_TRUE(state.computePoint);
    }
}

INSTANTIATE_TEST_SUITE_P(PlottingPass, IntermediateStagesTest, ::testing::Values(1, 2, 3, 8),
                         [](const auto& info) { return "Stages" + std::to_string(info.param); });

TEST_F(PlottingPassTest, TheShadeOfThePreviousPassColoursTheFirstBlocksWithoutACount)
{
    // Refinement off paints every pixel once. A view inside the set leaves the
    // shade 100 mod 105 = 100 (105 is the first count past the limit 100).
    state.refinementBase = 1;
    fake.setScrollValue(ScrollBar::itera, 100);
    state.viewXMin = state.viewYMin = -0.1;
    state.viewXMax = state.viewYMax = 0.1;
    start();
    EXPECT_EQ(state.shade, 100.0f);
    // The full view's first columns escape at once (count 0) and keep it.
    setFullView();
    start();
    EXPECT_EQ(fake.pixel(0, 0), 500 * 100 / 255);
    expectCanvas({.iterations = 100, .refinement = false, .shadeAtStart = 100});
}

TEST_F(PlottingPassTest, LabelsOfAPass)
{
    fake.tickStep = 2;  // every read of the clock advances it by 2 ms
    start();
    EXPECT_EQ(caption(Caption::Label1), "-2.25");
    EXPECT_EQ(caption(Caption::Label2), "-1.5");
    EXPECT_EQ(caption(Caption::Label3), "1.25");
    EXPECT_EQ(caption(Caption::Label4), "1.5");
    const auto& progress = fake.captionHistory(Caption::Labelcompleted);
    ASSERT_GE(progress.size(), 37u);
    EXPECT_EQ(progress[0], " 0 %");
    EXPECT_EQ(progress[36], " 98 %");  // column 576 of the first stage
    EXPECT_EQ(progress[37], " 0 %");
    const auto& times = fake.captionHistory(Caption::Labeltime);
    EXPECT_EQ(times.front(), "0");
    // One time per column, then the final one.
    EXPECT_EQ(std::stoi(times.back()), 2 * (static_cast<int>(times.size()) - 1));
    EXPECT_FALSE(state.timingActive);

    fake.separator = ",";
    state.viewXMin = -0.125;
    state.viewYMax = 1e-20;
    start();
    EXPECT_EQ(caption(Caption::Label1), "-0,125");
    EXPECT_EQ(caption(Caption::Label4), "1e-20");
}

TEST_F(PlottingPassTest, StopEndsThePassAtTheNextBlockWithoutATime)
{
    fake.tickStep = 1;
    fake.atPump(3, [] { mnustop_Click(); });
    start();
    EXPECT_EQ(fake.pumps, 3);
    EXPECT_EQ(state.pixelX, 3 * 16);  // ended at the first block of the fourth column
    EXPECT_EQ(state.pixelY, 0);
    EXPECT_FALSE(state.abortRequested);
    EXPECT_FALSE(state.timingActive);
    // "0" and three column times; no final time.
    EXPECT_EQ(fake.captionHistory(Caption::Labeltime).size(), 4u);
    EXPECT_EQ(fake.captionHistory(Caption::Labelcompleted).size(), 4u);
    EXPECT_EQ(fake.pixel(3 * 16, 0), 0) << "nothing drawn after the stop";
}

TEST_F(PlottingPassTest, StopInTheLastColumnOfAStageEndsAfterTheStageEnd)
{
    fake.atPump(37, [] { mnustop_Click(); });  // the first stage has 37 columns
    start();
    EXPECT_EQ(caption(Caption::labelchunkx), "8");
    EXPECT_EQ(caption(Caption::Labelchunky), "16");
    EXPECT_EQ(caption(Caption::Labelcompleted), " 0 %");
    EXPECT_EQ(state.stageCounter, 1);
    EXPECT_EQ(fake.captionHistory(Caption::Labeltime).size(), 38u);
}

TEST_F(PlottingPassTest, StopInTheLastColumnOfTheLastStageEndsThePassAtItsEnd)
{
    // In the last stage there is nothing to follow: the pass ends at the stage end.
    state.refinementBase = 1;
    fake.atPump(600, [] { mnustop_Click(); });
    start();
    EXPECT_EQ(fake.captionHistory(Caption::Labeltime).size(), 601u);
    EXPECT_FALSE(state.abortRequested);
}

TEST_F(PlottingPassTest, PauseWaitsWithoutCountingAheadAndTheTimeIncludesThePause)
{
    setThreadingThreshold(1 << 21);  // the worker counts ahead at the default limit and step
    fake.tickStep = 1;
    fake.atPump(2, [] { mnupause_Click(); });
    fake.atPump(10, [this] {
        EXPECT_TRUE(state.paused);
        EXPECT_FALSE(workerFeedRunning()) << "the worker went on counting during the pause";
        // The time label stood still while paused: "0" and two column times.
        EXPECT_EQ(fake.captionHistory(Caption::Labeltime).size(), 3u);
        fake.ticks += 5000;
        mnupause_Click();
    });
    start();
    EXPECT_FALSE(state.paused);
    EXPECT_GT(std::stoi(caption(Caption::Labeltime)), 5000);
    expectCanvas({});
}

TEST_F(PlottingPassTest, AnIntensityChangedWhilePausedColoursTheFirstColumnAfterThePause)
{
    fake.atPump(8, [] { mnupause_Click(); });
    fake.atPump(11, [this] { fake.setScrollValue(ScrollBar::colourbar, 0); });
    fake.atPump(14, [] { mnupause_Click(); });
    fake.atPump(15, [] { mnustop_Click(); });
    start();
    ASSERT_EQ(state.pixelX, 144);  // stopped at the column after the first one drawn after the pause
    // Columns 0 to 112 with the old intensity, column 128 with the new one,
    // which colours its band-0 blocks differently.
    const auto before = referencePass({.stages = 1}), after = referencePass({.intensity = 0, .stages = 1});
    bool differs = false;
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 144; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * 600 + x;
            ASSERT_EQ(fake.pixel(x, y), (x < 128 ? before : after).canvas[i]) << x << "," << y;
            differs = differs || (x >= 128 && before.canvas[i] != after.canvas[i]);
        }
    EXPECT_TRUE(differs);
}

TEST_F(PlottingPassTest, StopWhilePausedEndsTheWaitAndThePass)
{
    fake.atPump(2, [] { mnupause_Click(); });
    fake.atPump(6, [] { mnustop_Click(); });
    start();
    EXPECT_EQ(fake.pumps, 6);
    EXPECT_TRUE(state.paused) << "stays set until the next pass starts";
    EXPECT_EQ(state.pixelX, 32);
    start();
    EXPECT_FALSE(state.paused);
}

TEST_F(PlottingPassTest, APassStartedInsideAPumpThatCompletesEndsTheOuterOne)
{
    fake.tickStep = 1;
    fake.atPump(3, [this] { Command1_Click(); });
    start();
    expectCanvas({});
    EXPECT_EQ(state.blockWidth, 1);
    EXPECT_EQ(state.pixelX, 600 + 16);  // past the inner pass's end by the outer one's step
    // The outer pass wrote one last time after the inner one's.
    const auto& times = fake.captionHistory(Caption::Labeltime);
    EXPECT_GT(std::stoi(times.back()), std::stoi(times[times.size() - 2]));
    EXPECT_FALSE(state.timingActive);
}

TEST_F(PlottingPassTest, AnOuterPassCarriesOnWhereAStoppedInnerPassLeftOff)
{
    // The inner pass draws a different view and is stopped in its tenth
    // column; the outer one resumes with the inner's view and block sizes.
    fake.atPump(3, [this] {
        state.viewXMin = -1.0;
        state.viewXMax = 0.0;
        fake.atPump(fake.pumps + 10, [] { mnustop_Click(); });
        Command1_Click();
    });
    start();
    EXPECT_EQ(state.blockWidth, 1);
    EXPECT_EQ(state.blockHeight, 1);
    EXPECT_EQ(caption(Caption::Label1), "-1");
    // Every column from the tenth of the inner's first stage on was drawn by
    // the outer pass's remaining stages over the inner view.
    expectCanvas({-1.0, -1.5, 0.0, 1.5});
}

TEST_F(PlottingPassTest, ZoomFactorIsReplacedByFiveWhenZeroNegativeOrNotANumber)
{
    for (double factor : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN(), -0.0}) {
        state.zoomFactor = factor;
        start();
        EXPECT_EQ(state.zoomFactor, 5.0) << factor;
    }
    state.zoomFactor = 2.5;
    start();
    EXPECT_EQ(state.zoomFactor, 2.5);
}

TEST_F(PlottingPassTest, ElapsedTimeIsRightAcrossAWrapOfTheTickCount)
{
    fake.ticks = std::numeric_limits<std::int32_t>::max() - 100;
    fake.tickStep = 7;
    state.refinementBase = 1;
    start();
    const int columns = 600;
    EXPECT_EQ(caption(Caption::Labeltime), std::to_string(7 * (columns + 1)));
    for (const auto& t : fake.captionHistory(Caption::Labeltime))
        EXPECT_GE(std::stoi(t), 0);
}

TEST_F(PlottingPassTest, StageCounterWrapsAndKeepsTheAlternation)
{
    state.stageCounter = 32767 - 4;
    start();  // odd at the start: height first
    EXPECT_EQ(state.stageCounter, -32768 + 4);
    EXPECT_EQ(fake.captionHistory(Caption::Labelchunky)[1], "8");
    start();  // even: width first
    EXPECT_EQ(fake.captionHistory(Caption::labelchunkx)[10], "8");
}

}  // namespace
}  // namespace vantorel::testing
