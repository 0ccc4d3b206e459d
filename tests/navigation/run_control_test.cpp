#include "core/state.h"
#include "navigation/run_control.h"
#include "support/fixture.h"
#include "support/reference_pass.h"

#include <cmath>

namespace vantorel::testing {
namespace {

using RunControlTest = ProgramTest;

TEST_F(RunControlTest, StartUpLeavesTheDocumentedCaptionsAndValues)
{
    EXPECT_EQ(caption(Caption::cmdpicturesaving), "Picture saving off");
    EXPECT_EQ(caption(Caption::cmdSuccessiverefinement), "Successive refinement on");
    EXPECT_EQ(caption(Caption::cmdsynchronizedmode), "Synchronized mode off");
    EXPECT_EQ(caption(Caption::Labelkstep), "15");
    EXPECT_EQ(caption(Caption::labelitera), "1000");
    EXPECT_TRUE(fake.captionHistory(Caption::Label6).empty());
    EXPECT_EQ(fake.captionHistory(Caption::Labelkstep).size(), 1u) << "kstep_Change must not run";
    EXPECT_EQ(state.calcStep, 15);
    EXPECT_EQ(state.refinementBase, 2);
    EXPECT_EQ(state.maxIterations, 0.0f);
    EXPECT_EQ(state.zoomFactor, 0.0);
    EXPECT_EQ(fake.mainWindowShows, 1);
    EXPECT_EQ(fake.pumps, 0) << "no plot at start-up";
}

TEST_F(RunControlTest, StartClearsFocusesAndPlotsTheMenuEntryDoesNotFocus)
{
    fake.canvasFillBox(0, 0, 599, 499, 0x123456);
    state.refinementBase = 1;
    fake.setScrollValue(ScrollBar::itera, 1);
    mnustart_Click(1);
    EXPECT_EQ(fake.canvasFocusCount, 0);
    // Far outside the set the count is 0 with shade 0: black, so the canvas
    // was cleared before the pass painted it.
    EXPECT_EQ(fake.pixel(599, 0), 0);
    Command1_Click();
    EXPECT_EQ(fake.canvasFocusCount, 1);
    EXPECT_TRUE(state.plotStarted);
}

TEST_F(RunControlTest, StopAndPauseWithNoPassOnlySetFlagsThatTheNextPassClears)
{
    mnustop_Click();
    mnupause_Click();
    EXPECT_TRUE(state.abortRequested);
    EXPECT_TRUE(state.paused);
    EXPECT_FALSE(state.timingActive);
    mnupause_Click();
    EXPECT_FALSE(state.paused);
    EXPECT_TRUE(state.timingActive);
    mnupause_Click();
    Command1_Click();
    EXPECT_FALSE(state.paused);
    EXPECT_FALSE(state.abortRequested);
    EXPECT_EQ(caption(Caption::labelchunkx), "1");  // ran to the end
}

TEST_F(RunControlTest, ZoomLabelsShowTheFactorTheNextPassUses)
{
    // A loaded factor of zero, below zero or not a number becomes 5 in the pass.
    state.zoomCount = -3;
    for (double factor : {std::nan(""), -2.0, 0.0}) {
        state.zoomFactor = factor;
        showZoom();
        EXPECT_EQ(caption(Caption::Label14), "-15") << factor;
    }
    state.zoomFactor = 2.5;
    showZoom();
    EXPECT_EQ(caption(Caption::Label14), "-7.5");
    EXPECT_EQ(caption(Caption::Labelzoom), "-3 times");
}

TEST_F(RunControlTest, TheTwoRestartsAndTheirDifferences)
{
    auto wander = [this] {
        state.viewXMin = 0.1;
        state.viewYMax = 9;
        state.zoomCount = 3;
        state.zoomFactor = 5;
        showZoom();
        state.refinementBase = 1;
        fake.setPersistentImage(true);
        fake.setScrollValue(ScrollBar::itera, 50);
        fake.setScrollValue(ScrollBar::kstep, 3);
    };
    wander();
    EXPECT_EQ(caption(Caption::Labelzoom), " 3 times");
    EXPECT_EQ(caption(Caption::Label14), "15");
    Command2_Click();
    EXPECT_EQ(state.viewXMin, -2.25);
    EXPECT_EQ(state.viewYMax, 1.5);
    EXPECT_EQ(state.zoomCount, 0);
    EXPECT_EQ(caption(Caption::Labelzoom), " 0 times");
    EXPECT_EQ(caption(Caption::Label14), "0");
    EXPECT_EQ(state.refinementBase, 2);
    EXPECT_FALSE(fake.persistentImage());
    EXPECT_EQ(caption(Caption::labelitera), "1000");
    EXPECT_EQ(state.calcStep, 15);
    EXPECT_EQ(caption(Caption::cmdSuccessiverefinement), "Successive refinement on") << "caption untouched";
    EXPECT_EQ(fake.canvasFocusCount, 0);

    wander();
    mnurestart_Click();
    EXPECT_EQ(state.viewXMin, -2.25);
    EXPECT_EQ(state.zoomCount, 0);
    EXPECT_EQ(caption(Caption::Labelzoom), " 3 times") << "the menu entry leaves the zoom labels";
    EXPECT_EQ(state.refinementBase, 1) << "the menu entry leaves refinement as it was";
    EXPECT_FALSE(fake.persistentImage());
    EXPECT_EQ(state.calcStep, 15);
    EXPECT_EQ(caption(Caption::labelchunkx), "1");
}

TEST_F(RunControlTest, RestartResolutionResetsTheBarsWithoutPlotting)
{
    fake.setScrollValue(ScrollBar::itera, 77);
    fake.setScrollValue(ScrollBar::kstep, 2);
    mnurestartresolution_Click();
    EXPECT_EQ(fake.scrollValue(ScrollBar::itera), 1000);
    EXPECT_EQ(state.calcStep, 15);
    EXPECT_EQ(fake.canvasFocusCount, 1);
    EXPECT_FALSE(state.plotStarted);
}

TEST_F(RunControlTest, ScrollBarsChangedDuringAPassTakeEffectFromTheNextColumnOrPoint)
{
    state.refinementBase = 1;
    fake.atPump(300, [this] {
        fake.setScrollValue(ScrollBar::itera, 20);
        fake.setScrollValue(ScrollBar::kstep, 1);
        fake.setScrollValue(ScrollBar::colourbar, 100);
    });
    Command1_Click();
    EXPECT_EQ(state.maxIterations, 20.0f);
    EXPECT_EQ(state.calcStep, 1);
    // Pump 300 follows column 299: the left half has the first settings, the
    // right half the new ones.
    ReferenceSettings before, after;
    before.refinement = after.refinement = false;
    after.iterations = 20;
    after.step = 1;
    after.intensity = 100;
    const auto left = referencePass(before).canvas, right = referencePass(after).canvas;
    long differences = 0;
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 600; ++x)
            differences += fake.pixel(x, y) != (x < 300 ? left : right)[y * 600 + x];
    EXPECT_EQ(differences, 0);
}

}  // namespace
}  // namespace vantorel::testing
