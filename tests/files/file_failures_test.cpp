// Saves that the file system refuses: the old file stays whole, nothing is
// left behind, nothing is reported and the program goes on.

#include "core/state.h"
#include "files/location_file.h"
#include "files/picture_file.h"
#include "navigation/run_control.h"
#include "support/fixture.h"

#include "files/file_test_support.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

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
    // The program still works: a plot runs to its end.
    void expectProgramRuns()
    {
        fake.setScrollValue(ScrollBar::itera, 5);
        Command1_Click();
        EXPECT_EQ(caption(Caption::labelchunkx), "1");
        EXPECT_TRUE(fake.messages.empty());
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

    ASSERT_EQ(::mkfifo(folder.path("pipe.sav").c_str(), 0600), 0);
    std::filesystem::create_directory(folder.root / "folder.bmp");
    saveLocation(folder.path("pipe.sav"));
    savePicture(folder.path("folder.bmp"));
    EXPECT_TRUE(std::filesystem::is_fifo(folder.path("pipe.sav")));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path("folder.bmp")));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"folder.bmp", "pipe.sav"}));
    // Loading from the pipe does not wait for a writer.
    fake.openDialogAnswer = folder.path("pipe.sav");
    mnuloadlocation_Click();
    EXPECT_FALSE(state.plotStarted);
    expectProgramRuns();
}

} // namespace
} // namespace vantorel::testing
