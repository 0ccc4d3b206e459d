#include "files/help.h"
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
    // <prefix>/bin/vantorel with <prefix>/share/vantorel/, as installed.
    std::filesystem::create_directories(folder.root / "bin");
    std::filesystem::create_directories(folder.root / "share" / "vantorel");
    fake.folder = folder.path("bin");
    writeBytes(folder.path("share/vantorel/mandelbrotinfo.txt"), "installed info");
    writeBytes(folder.path("share/vantorel/mandelhowto.txt"), "installed how-to");
    writeBytes(folder.path("share/vantorel/README.md"), "# read me");
    writeBytes(folder.path("bin/mandelhowto.txt"), "beside");
    mnumandel_Click();
    EXPECT_EQ(fake.informationText, "installed info");
    fake.informationWindowOpen = false;
    howto_Click();
    EXPECT_EQ(fake.informationText, "beside");
    fake.yesNoAnswer = false;
    mnuabout_Click();
    EXPECT_EQ(fake.openedAddresses, std::vector<std::string>{"file://" + folder.path("share/vantorel/README.md")});
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

}  // namespace
}  // namespace vantorel::testing
