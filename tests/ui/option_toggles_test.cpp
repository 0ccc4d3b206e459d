#include "core/deep_view.h"
#include "core/state.h"
#include "navigation/run_control.h"
#include "support/fixture.h"
#include "ui/option_toggles.h"

namespace vantorel::testing {
namespace {

using OptionTogglesTest = ProgramTest;

TEST_F(OptionTogglesTest, RefinementToggleReplotsWithoutClearingAndKeepsTheFocus)
{
    fake.canvasFillBox(599, 499, 599, 499, 0x00ff00);
    fake.setScrollValue(ScrollBar::itera, 2);
    cmdSuccessiverefinement_Click();
    EXPECT_EQ(state.refinementBase, 1);
    EXPECT_EQ(caption(Caption::cmdSuccessiverefinement), "Successive refinement off");
    EXPECT_EQ(caption(Caption::labelchunkx), "1");
    mnusuccessive_Click();
    EXPECT_EQ(state.refinementBase, 2);
    EXPECT_EQ(caption(Caption::cmdSuccessiverefinement), "Successive refinement on");
    EXPECT_EQ(fake.captionHistory(Caption::labelchunkx).front(), "1");
    EXPECT_EQ(fake.canvasFocusCount, 0);
}

TEST_F(OptionTogglesTest, RefinementToggleDuringAPassEndsItAndStartsANewOne)
{
    fake.setScrollValue(ScrollBar::itera, 2);
    fake.atPump(3, [] { cmdSuccessiverefinement_Click(); });
    Command1_Click();
    // The inner pass (refinement off) completed; the outer one then ended.
    EXPECT_EQ(state.refinementBase, 1);
    EXPECT_EQ(fake.captionHistory(Caption::labelchunkx), (std::vector<std::string>{"16", "1"}));
}

TEST_F(OptionTogglesTest, SynchronizedToggleMatchesTheBlockSidesAndFocusesTheCanvas)
{
    state.blockWidth = 8;
    state.blockHeight = 16;
    cmdsynchronizedmode_Click();
    EXPECT_TRUE(state.synchronizedMode);
    EXPECT_EQ(state.blockWidth, 16);
    EXPECT_EQ(caption(Caption::cmdsynchronizedmode), "Synchronized mode on");
    EXPECT_EQ(fake.canvasFocusCount, 1);
    EXPECT_TRUE(fake.captionHistory(Caption::labelchunkx).empty()) << "labels wait for the next pass";
    mnusynchronized_Click();
    EXPECT_FALSE(state.synchronizedMode);
    EXPECT_EQ(caption(Caption::cmdsynchronizedmode), "Synchronized mode off");
}

TEST_F(OptionTogglesTest, SynchronizedToggleDuringAPassChangesTheRemainingStages)
{
    fake.setScrollValue(ScrollBar::itera, 2);
    // In the second stage (8 x 16), after its first column.
    fake.atPump(38, [] { mnusynchronized_Click(); });
    Command1_Click();
    EXPECT_EQ(fake.captionHistory(Caption::labelchunkx), (std::vector<std::string>{"16", "8", "8", "4", "2", "1"}));
    EXPECT_EQ(fake.captionHistory(Caption::Labelchunky), (std::vector<std::string>{"16", "16", "8", "4", "2", "1"}));
}

TEST_F(OptionTogglesTest, PictureSavingToggleAndTheStaleCaptionAfterRestartAll)
{
    cmdpicturesaving_Click();
    EXPECT_TRUE(fake.persistentImage());
    EXPECT_EQ(caption(Caption::cmdpicturesaving), "Picture saving on");
    EXPECT_EQ(fake.canvasFocusCount, 1);
    mnusavingenabled_Click();
    EXPECT_FALSE(fake.persistentImage());
    EXPECT_EQ(caption(Caption::cmdpicturesaving), "Picture saving off");

    cmdpicturesaving_Click();
    fake.setScrollValue(ScrollBar::itera, 2);
    Command2_Click();
    EXPECT_FALSE(fake.persistentImage());
    EXPECT_EQ(caption(Caption::cmdpicturesaving), "Picture saving on") << "stale until the next click";
    cmdpicturesaving_Click();
    EXPECT_TRUE(fake.persistentImage());
    EXPECT_EQ(caption(Caption::cmdpicturesaving), "Picture saving on");
}

TEST_F(OptionTogglesTest, DeepZoomToggleRedrawsOnlyAViewItChangesAndOffDrawsTheNearestDoubles)
{
    const long passes = [this] { return static_cast<long>(fake.captionHistory(Caption::Label1).size()); }();
    mnudeepzoom_Click();  // before any plot: nothing to redraw
    EXPECT_FALSE(deep.enabled);
    mnudeepzoom_Click();
    EXPECT_TRUE(deep.enabled);
    fake.setScrollValue(ScrollBar::itera, 2);
    Command1_Click();
    mnudeepzoom_Click();  // the full view is drawn with doubles either way
    EXPECT_EQ(fake.captionHistory(Caption::Label1).size(), static_cast<std::size_t>(passes + 1));

    mnudeepzoom_Click();
    const BigFloat low = *BigFloat::parse("0.3000000000000000000001", 100);
    const BigFloat high = *BigFloat::parse("0.3000000000000000000002", 100);
    adoptDeepView({low, low, high, high});
    ASSERT_TRUE(deepViewActive());
    mnudeepzoom_Click();
    EXPECT_FALSE(deepViewActive());
    EXPECT_EQ(fake.captionHistory(Caption::Label1).size(), static_cast<std::size_t>(passes + 2));
    EXPECT_EQ(state.viewXMin, 0.3);
    EXPECT_EQ(state.viewXMax, 0.3);
    EXPECT_EQ(caption(Caption::Label1), "0.3");
    // On again: those doubles, one point, are drawn as they are.
    mnudeepzoom_Click();
    EXPECT_FALSE(deepViewActive());
    EXPECT_EQ(fake.captionHistory(Caption::Label1).size(), static_cast<std::size_t>(passes + 2));
}

}  // namespace
}  // namespace vantorel::testing
