#include "core/count_kernel.h"
#include "core/escape.h"
#include "files/help.h"
#include "files/location_file.h"
#include "navigation/run_control.h"
#include "navigation/zoom_keys.h"
#include "support/fixture.h"

#include "files/file_test_support.h"

#include <sstream>

namespace vantorel::testing {
namespace {

using namespace std::string_literals;

class HelpTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        fake.folder = folder.root.string();
    }
    TempFolder folder;
};

TEST_F(HelpTest, MandelItemShowsTheInfoFileExactly)
{
    // CR LF line ends, a bare LF, a tab, bytes above 127 and a NUL all go through unchanged.
    const std::string text = "The set\r\n\r\nz \xB2 + c\tline\n\xE9t\xE9\0end\r\n"s;
    writeBytes(folder.path("mandelbrotinfo.txt"), text);
    writeBytes(folder.path("mandelhowto.txt"), "how");
    mnumandel_Click();
    EXPECT_EQ(state.infoFileName, "info");
    EXPECT_EQ(fake.informationWindowShows, 1);
    EXPECT_EQ(fake.informationText, text);
}

TEST_F(HelpTest, HowToItemShowsTheHowToFile)
{
    writeBytes(folder.path("mandelbrotinfo.txt"), "info");
    writeBytes(folder.path("mandelhowto.txt"), "how\r\nto");
    howto_Click();
    EXPECT_EQ(state.infoFileName, "howto");
    EXPECT_EQ(fake.informationText, "how\r\nto");
}

TEST_F(HelpTest, EmptyMissingOrUnreadableFileGivesAnEmptyWindowAndCreatesNothing)
{
    writeBytes(folder.path("mandelbrotinfo.txt"), "");
    fake.informationText = "stale";
    mnumandel_Click();
    EXPECT_EQ(fake.informationText, "");

    fake.informationWindowOpen = false;  // the user closed it
    fake.informationText = "stale";
    howto_Click();
    EXPECT_EQ(fake.informationText, "");
    EXPECT_FALSE(std::filesystem::exists(folder.path("mandelhowto.txt")));

    // A folder where the file should be cannot be read as text.
    std::filesystem::create_directory(folder.path("mandelhowto.txt"));
    fake.informationWindowOpen = false;
    fake.informationText = "stale";
    howto_Click();
    EXPECT_EQ(fake.informationText, "");
}

TEST_F(HelpTest, AnInstalledProgramFindsItsTextsInTheSharedDataFolderUnlessTheyAreBesideIt)
{
    // <prefix>/bin/vantorel with <prefix>/share/vantorel/ and the README in
    // <prefix>/share/doc/vantorel/, as installed.
    std::filesystem::create_directories(folder.root / "bin");
    std::filesystem::create_directories(folder.root / "share" / "vantorel");
    std::filesystem::create_directories(folder.root / "share" / "doc" / "vantorel");
    fake.folder = folder.path("bin");
    writeBytes(folder.path("share/vantorel/mandelbrotinfo.txt"), "installed info");
    writeBytes(folder.path("share/vantorel/mandelhowto.txt"), "installed how-to");
    writeBytes(folder.path("share/vantorel/README.md"), "# not here");
    writeBytes(folder.path("share/doc/vantorel/README.md"), "# read me");
    writeBytes(folder.path("bin/mandelhowto.txt"), "beside");
    mnumandel_Click();
    EXPECT_EQ(fake.informationText, "installed info");
    fake.informationWindowOpen = false;
    howto_Click();
    EXPECT_EQ(fake.informationText, "beside");
    fake.yesNoAnswer = false;
    mnuabout_Click();
    EXPECT_EQ(fake.openedAddresses, std::vector<std::string>{"file://" + folder.path("share/doc/vantorel/README.md")});
}

TEST_F(HelpTest, TextBoxTakesTheWindowsOuterSizeLessItsMargins)
{
    fake.informationOuterWidthTwips = 6285;
    fake.informationOuterHeightTwips = 6390;
    mnumandel_Click();
    EXPECT_EQ(fake.informationTextBoxWidthTwips, 6035);
    EXPECT_EQ(fake.informationTextBoxHeightTwips, 5790);

    fake.informationWindowOpen = false;
    fake.informationOuterWidthTwips = 9000;
    fake.informationOuterHeightTwips = 4000;
    Form2_Load();
    EXPECT_EQ(fake.informationTextBoxWidthTwips, 8750);
    EXPECT_EQ(fake.informationTextBoxHeightTwips, 3400);
}

std::vector<std::string> splitCrLf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const auto end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return lines;
        start = end + 2;
    }
}

TEST_F(HelpTest, AboutBoxHasItsEightLinesAndYesDoesNothingMore)
{
    fake.yesNoAnswer = true;
    mnuabout_Click();
    ASSERT_EQ(fake.messages.size(), 1u);
    const std::string prefix = "About Vantorel|";
    ASSERT_EQ(fake.messages[0].rfind(prefix, 0), 0u);
    const std::string text = fake.messages[0].substr(prefix.size());
    EXPECT_EQ(text, aboutText());
    const auto lines = splitCrLf(text);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], " Vantorel");
    EXPECT_EQ(lines[1].rfind(" Version ", 0), 0u);
    EXPECT_EQ(lines[2], "");
    EXPECT_NE(lines[3].find("Benoit Mandelbrot"), std::string::npos);
    EXPECT_NE(lines[4].find("successive refinement"), std::string::npos);
    EXPECT_NE(lines[5].find("Qt"), std::string::npos);
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7], "Click YES to close, click NO to visit the official site (updates, other programs...)?");
    for (int i : {0, 1, 3, 4, 5})
        EXPECT_EQ(lines[i][0], ' ') << i;
    for (const auto& line : lines)
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);  // no stray line breaks
    EXPECT_TRUE(fake.openedAddresses.empty());
}

TEST_F(HelpTest, AboutBoxNoOpensTheReadmeBesideTheProgram)
{
    fake.yesNoAnswer = false;
    fake.folder = "/opt/my apps/vantorel%";
    mnuabout_Click();
    EXPECT_EQ(fake.openedAddresses, std::vector<std::string>{"file:///opt/my%20apps/vantorel%25/README.md"});
}

// The texts shipped in data/: CR LF line ends only (the text box breaks lines
// there), and a how-to that names every menu item and control.
std::string shipped(const std::string& name)
{
    const auto data = std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "data" / name;
    return readBytes(data.string());
}

TEST(ShippedHelpTexts, UseCrLfLineEnds)
{
    for (const char* name : {"mandelbrotinfo.txt", "mandelhowto.txt"}) {
        const std::string text = shipped(name);
        ASSERT_GT(text.size(), 500u) << name;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << name << " bare LF at " << i;
            }
            if (text[i] == '\r') {
                ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << name << " bare CR at " << i;
            }
        }
    }
}

TEST(ShippedHelpTexts, HowToNamesEveryMenuItemControlAndKey)
{
    const std::string text = shipped("mandelhowto.txt");
    for (const char* item : {"File",
                             "Location",
                             "Load location",
                             "Save location",
                             "Save picture",
                             "Bitmap format (bmp)",
                             "Jpeg format (jpeg)",
                             "Exit",
                             "Run",
                             "Start (plots the set)",
                             "Stop",
                             "Restart all (!)",
                             "Pause",
                             "Options",
                             "Successive refinement on/off",
                             "Synchronized mode on/off",
                             "Change colours",
                             "Restart resolution",
                             "Picture saving enabled (slow)",
                             "Help",
                             "Mandel...?",
                             "How to use the program",
                             "About",
                             "Start",
                             "Restart all",
                             "+ Zoom in",
                             "- Zoom out",
                             "Picture saving",
                             "Successive refinement",
                             "Synchronized mode",
                             "Iterations",
                             "Calc. step",
                             "Colour intensity",
                             "Corners",
                             "Time",
                             "Chunk size",
                             "Esc",
                             "arrow keys",
                             "keypad",
                             "double-click",
                             "drag"})
        EXPECT_NE(text.find(item), std::string::npos) << item;
}

::testing::AssertionResult says(const std::string& name, const std::string& phrase)
{
    if (shipped(name).find(phrase) != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << name << " no longer says: " << phrase;
}

// Each sentence of the two texts that states something the program can be
// seen to do, with the check that it does: when the program or the text
// changes, the other must follow.
TEST_F(HelpTest, WhatTheHelpTextsSayTheProgramDoes)
{
    const char* howTo = "mandelhowto.txt";
    const char* info = "mandelbrotinfo.txt";
    fake.onEveryPump = [] { mnustop_Click(); };  // only the first column of each plot matters here

    // The scroll bars: start values and ranges (a location outside a range is refused).
    ASSERT_TRUE(says(howTo, "Calc. step (1 to 400, start 15)"));
    ASSERT_TRUE(says(howTo, "Iterations (1 to 30000, start 1000)"));
    ASSERT_TRUE(says(howTo, "Colour intensity (0 to 1020, start 500;"));
    ASSERT_TRUE(says(info, "\"Calc. step\" (1 to 400, 15 at start)"));
    ASSERT_TRUE(says(info, "\"Iterations\" value (1 to 30000, 1000 at start)"));
    const std::string place = folder.path("bar.sav");
    const auto loads = [&](ScrollBar bar, int value) {
        const std::int16_t kept = fake.scrollValue(bar);
        fake.presetScrollValue(bar, static_cast<std::int16_t>(value));
        fake.saveDialogAnswer = fake.openDialogAnswer = place;
        mnusavelocation_Click();
        fake.presetScrollValue(bar, kept);
        fake.messages.clear();
        mnuloadlocation_Click();
        return fake.messages.empty();
    };
    const struct {
        ScrollBar bar;
        int low, high, start;
    } bars[] = {
        {ScrollBar::kstep, 1, 400, 15}, {ScrollBar::itera, 1, 30000, 1000}, {ScrollBar::colourbar, 0, 1020, 500}};
    for (const auto& b : bars)
        EXPECT_EQ(fake.scrollValue(b.bar), b.start);
    for (const auto& b : bars) {
        SCOPED_TRACE(b.high);
        EXPECT_TRUE(loads(b.bar, b.low) && loads(b.bar, b.high));
        EXPECT_FALSE(loads(b.bar, b.low - 1) || loads(b.bar, b.high + 1));
    }
    ASSERT_TRUE(says(info, "With the start values a point of the set is iterated 67 times, not 1000."));
    EXPECT_EQ(countBound(1000, 15).rounds, 67);

    // The folders.
    ASSERT_TRUE(says(howTo, "The dialog starts in the folder \"mandel_locations\""));
    ASSERT_TRUE(says(howTo, "by default in the folder \"mandel_pictures\", found by the same rule"));
    ASSERT_TRUE(says(howTo, "where the program has a \"mandel_locations\" folder that can be written to"));
    ASSERT_TRUE(says(howTo, "it is in vantorel under your data folder, ~/.local/share/vantorel by default"));
    const ScopedEnvironment home("HOME", userData.path("home")), noXdg("XDG_DATA_HOME", "");
    EXPECT_EQ(dataFolderPath("location"), userData.path("home") + "/.local/share/vantorel/mandel_locations/");
    std::filesystem::create_directory(folder.root / "mandel_pictures");
    EXPECT_EQ(dataFolderPath("picture"), folder.path("mandel_pictures") + "/");

    // The keys, the zoom steps and the full view.
    ASSERT_TRUE(says(howTo, "Goes back to the full view (real part -2.25 to 1.25, imaginary part -1.5 to 1.5)"));
    ASSERT_TRUE(says(howTo, "Arrow keys: move the view by a small step (1/25 of its width or 1/30 of its height)"));
    ASSERT_TRUE(says(howTo, "Keypad + (plus): zoom in one step."));
    ASSERT_TRUE(says(howTo, "Keypad - (minus): zoom out one step."));
    ASSERT_TRUE(says(howTo, "leaving 3/5 of the view; a step out makes the view 7/5 as large"));
    ASSERT_TRUE(says(info, "Each pixel of the canvas (600 x 500)"));
    state.viewXMin = 7;
    Command2_Click();
    EXPECT_TRUE(state.viewXMin == -2.25 && state.viewXMax == 1.25 && state.viewYMin == -1.5 && state.viewYMax == 1.5);
    EXPECT_TRUE(state.canvasWidth == 600 && state.canvasHeight == 500);
    Picture1_KeyDown(KeyRight, 0);
    EXPECT_NEAR(state.viewXMin, -2.25 + 3.5 / 25, 1e-15);
    Picture1_KeyDown(KeyDown, 0);
    EXPECT_NEAR(state.viewYMin, -1.5 + 3.0 / 30, 1e-15);
    Picture1_KeyDown(KeyKeypadPlus, 0);
    EXPECT_EQ(state.zoomCount, 1);
    EXPECT_NEAR(state.viewXMax - state.viewXMin, 3.5 * 3 / 5, 1e-15);
    Picture1_KeyDown(KeyKeypadMinus, 0);
    EXPECT_EQ(state.zoomCount, 0);
    EXPECT_NEAR(state.viewXMax - state.viewXMin, 3.5 * 3 / 5 * 7 / 5, 1e-15);

    // Any other key, Stop with a plot inside another, and Esc.
    ASSERT_TRUE(says(howTo, "Any other key: stops a plot that is running."));
    ASSERT_TRUE(says(howTo, "Stop ends the newer one and the older one carries on from where the newer one stopped"));
    ASSERT_TRUE(says(howTo, "Esc: end the program at once."));
    fake.onEveryPump = nullptr;
    fake.atPump(fake.pumps + 2, [] { Picture1_KeyDown('A', 0); });
    Command1_Click();
    EXPECT_EQ(state.pixelX, 32);  // stopped after its second column
    fake.atPump(fake.pumps + 2, [] { Command1_Click(); });
    fake.atPump(fake.pumps + 4, [] { mnustop_Click(); });
    Command1_Click();
    EXPECT_EQ(caption(Caption::labelchunkx), "1") << "the older plot carried on to its end";
    EXPECT_THROW(Picture1_KeyDown(KeyEscape, 0), ProgramEnded);

    // Black is for the counts above the limit.
    ASSERT_TRUE(says(info, "counts above the limit, the points that never escaped: black, the set itself (counts "
                           "just below the limit keep their band-3 colour)"));
    state.maxIterations = 1000;
    const std::int16_t counts[] = {1001, 999};
    Colour colours[2];
    colourColumn(counts, colours, 2, 500);
    EXPECT_EQ(colours[0], 0);
    EXPECT_EQ(colours[1], 254 + 65536 * 1);  // band 3, shade 1000 % 999
}

}  // namespace
}  // namespace vantorel::testing
