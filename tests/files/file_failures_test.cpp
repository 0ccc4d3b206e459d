// Saves that the file system refuses: the old file stays whole, nothing is
// left behind, a message box says which file and why, and the program goes
// on. Saves through symbolic links and onto read-only files.

#include "core/state.h"
#include "files/location_file.h"
#include "files/picture_file.h"
#include "navigation/run_control.h"
#include "support/fixture.h"

#include "files/file_test_support.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantorel::testing {
namespace {

// Files may grow to at most `bytes` while it lives: a write beyond fails as
// on a full disk (EFBIG instead of ENOSPC, with SIGXFSZ ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved{};
    void (*previousHandler)(int) = nullptr;
};

class FileFailuresTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        fake.folder = folder.root.string();
        state.zoomFactor = 5;
    }
    void saveLocation(const std::string& path)
    {
        fake.saveDialogAnswer = path;
        mnusavelocation_Click();
    }
    void savePicture(const std::string& path)
    {
        fake.setPersistentImage(true);
        fake.saveDialogAnswer = path;
        mnusavepicturebmp_Click();
    }
    // The program still works: a plot runs to its end, without a message.
    void expectProgramRuns()
    {
        fake.messages.clear();
        fake.setScrollValue(ScrollBar::itera, 5);
        Command1_Click();
        EXPECT_EQ(caption(Caption::labelchunkx), "1");
        EXPECT_TRUE(fake.messages.empty());
    }
    static std::string failed(const std::string& what, const std::string& path, const std::string& reason)
    {
        return "Vantorel|Could not save the " + what + " to \"" + path + "\".\r\n" + reason;
    }

    TempFolder folder;
};

TEST_F(FileFailuresTest, AFullDiskKeepsTheOldFilesWhole)
{
    const std::string oldLocation(50, 'L'), oldPicture(300, 'P');
    writeBytes(folder.path("place.sav"), oldLocation);
    writeBytes(folder.path("view.bmp"), oldPicture);
    {
        const FileSizeLimit full(20);
        saveLocation(folder.path("place.sav"));
        savePicture(folder.path("view.bmp"));
        saveLocation(folder.path("new.sav"));
    }
    EXPECT_EQ(readBytes(folder.path("place.sav")), oldLocation);
    EXPECT_EQ(readBytes(folder.path("view.bmp")), oldPicture);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"place.sav", "view.bmp"}));
    const std::string tooLarge = "The file would be larger than the system allows.";
    EXPECT_EQ(fake.messages, (std::vector<std::string>{failed("location", folder.path("place.sav"), tooLarge),
                                                       failed("picture", folder.path("view.bmp"), tooLarge),
                                                       failed("location", folder.path("new.sav"), tooLarge)}));
    expectProgramRuns();
    // With room again the same saves work.
    saveLocation(folder.path("place.sav"));
    EXPECT_EQ(readBytes(folder.path("place.sav")).size(), 50u);
}

TEST_F(FileFailuresTest, FoldersThatCannotBeWrittenAndNamesTakenByOtherThings)
{
    saveLocation("/proc/vantorel-place.sav");
    savePicture("/proc/vantorel-view.bmp");
    saveLocation("/sys/vantorel/place.sav");
    EXPECT_FALSE(std::filesystem::exists("/proc/vantorel-place.sav"));
    writeBytes(folder.path("file"), "x");
    saveLocation(folder.path("file/place.sav"));

    ASSERT_EQ(::mkfifo(folder.path("pipe.sav").c_str(), 0600), 0);
    std::filesystem::create_directory(folder.root / "folder.bmp");
    saveLocation(folder.path("pipe.sav"));
    savePicture(folder.path("folder.bmp"));
    EXPECT_TRUE(std::filesystem::is_fifo(folder.path("pipe.sav")));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path("folder.bmp")));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"file", "folder.bmp", "pipe.sav"}));
    // Loading from the pipe does not wait for a writer.
    fake.openDialogAnswer = folder.path("pipe.sav");
    mnuloadlocation_Click();
    EXPECT_FALSE(state.plotStarted);
    const std::string pipe = "That name belongs to a pipe or device, not to a file.";
    EXPECT_EQ(fake.messages,
              (std::vector<std::string>{
                  failed("location", "/proc/vantorel-place.sav", "That folder does not take new files."),
                  failed("picture", "/proc/vantorel-view.bmp", "That folder does not take new files."),
                  failed("location", "/sys/vantorel/place.sav", "The folder does not exist."),
                  failed("location", folder.path("file/place.sav"), "A part of the folder's path is not a folder."),
                  failed("location", folder.path("pipe.sav"), pipe),
                  failed("picture", folder.path("folder.bmp"), "That name belongs to a folder."),
                  "Vantorel|Could not load the location from \"" + folder.path("pipe.sav") + "\".\r\n" + pipe}));
    expectProgramRuns();
}

TEST_F(FileFailuresTest, SavesThroughALinkReplaceItsTargetAndKeepTheLinkAReadOnlyFileIsRefused)
{
    namespace fs = std::filesystem;
    // The bytes a save gives now, written to a plain file.
    saveLocation(folder.path("plain.sav"));
    savePicture(folder.path("plain.bmp"));
    const std::string location = readBytes(folder.path("plain.sav")), picture = readBytes(folder.path("plain.bmp"));
    ASSERT_EQ(location.size(), 50u);

    // A relative link through a second link to a file in another folder, and
    // an absolute link to a file that does not exist yet.
    fs::create_directory(folder.root / "kept");
    writeBytes(folder.path("kept/place.sav"), std::string(60, 'L'));
    fs::permissions(folder.path("kept/place.sav"), fs::perms(0640));
    fs::create_symlink("kept/place.sav", folder.path("inner.sav"));
    fs::create_symlink("inner.sav", folder.path("place.sav"));
    fs::create_symlink(folder.path("kept/view.bmp"), folder.path("view.bmp"));
    saveLocation(folder.path("place.sav"));
    savePicture(folder.path("view.bmp"));
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(fs::read_symlink(folder.path("place.sav")), "inner.sav");
    EXPECT_EQ(fs::read_symlink(folder.path("inner.sav")), "kept/place.sav");
    EXPECT_EQ(fs::read_symlink(folder.path("view.bmp")), folder.path("kept/view.bmp"));
    EXPECT_EQ(readBytes(folder.path("kept/place.sav")), location);
    EXPECT_EQ(fs::status(folder.path("kept/place.sav")).permissions(), fs::perms(0640));
    EXPECT_EQ(readBytes(folder.path("kept/view.bmp")), picture);
    EXPECT_EQ(folder.entries(),
              (std::vector<std::string>{"inner.sav", "kept", "place.sav", "plain.bmp", "plain.sav", "view.bmp"}));

    // Read-only files stay as they are, reached directly or through a link,
    // for both commands alike (and also when the program runs as root).
    writeBytes(folder.path("kept/fixed.sav"), "old place");
    writeBytes(folder.path("kept/fixed.bmp"), "old picture");
    fs::permissions(folder.path("kept/fixed.sav"), fs::perms(0444));
    fs::permissions(folder.path("kept/fixed.bmp"), fs::perms(0444));
    fs::create_symlink("kept/fixed.sav", folder.path("fixed.sav"));
    saveLocation(folder.path("kept/fixed.sav"));
    saveLocation(folder.path("fixed.sav"));
    savePicture(folder.path("kept/fixed.bmp"));
    EXPECT_EQ(readBytes(folder.path("kept/fixed.sav")), "old place");
    EXPECT_EQ(readBytes(folder.path("kept/fixed.bmp")), "old picture");
    const std::string readOnly = "The file is read-only.";
    EXPECT_EQ(fake.messages, (std::vector<std::string>{failed("location", folder.path("kept/fixed.sav"), readOnly),
                                                       failed("location", folder.path("fixed.sav"), readOnly),
                                                       failed("picture", folder.path("kept/fixed.bmp"), readOnly)}));
    std::vector<std::string> kept;
    for (const auto& e : fs::directory_iterator(folder.root / "kept"))
        kept.push_back(e.path().filename().string());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string>{"fixed.bmp", "fixed.sav", "place.sav", "view.bmp"}));
}

}  // namespace
}  // namespace vantorel::testing
