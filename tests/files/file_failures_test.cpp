// Saves that the file system refuses: the old file stays whole, nothing is
// left behind, a message box says which file and why, and the program goes
// on. Saves through symbolic links and onto read-only files.

#include "core/state.h"
#include "files/location_file.h"
#include "files/picture_file.h"
#include "files/safe_file.h"
#include "navigation/run_control.h"
#include "support/fixture.h"

#include "files/file_test_support.h"

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// Runs `save` as a user without privileges: as nobody in a child process
// when the tests run as root (who may write in any folder). Returns its result.
std::string withoutPrivileges(const std::function<std::string()>& save)
{
    if (::geteuid() != 0)
        return save();
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        const std::string result = ::setgid(65534) == 0 && ::setuid(65534) == 0 ? save() : "still root";
        const bool written = ::write(pipeEnds[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    std::string result;
    char buffer[256];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    ::waitpid(child, nullptr, 0);
    return result;
}

TEST_F(FileFailuresTest, ReplacingKeepsModeOwnerAndGroupALongNameIsSavedAClosedFolderIsNamed)
{
    namespace fs = std::filesystem;
    // A name as long as the file system allows (255 bytes).
    const std::string longest = folder.path(std::string(251, 'n') + ".sav");
    saveLocation(longest);
    EXPECT_EQ(readBytes(longest).size(), 50u);
    EXPECT_TRUE(fake.messages.empty());

    // The replaced file keeps its mode and, where permitted (root), its owner and group.
    const bool root = ::geteuid() == 0;
    const std::string place = folder.path("place.sav");
    writeBytes(place, "old");
    ASSERT_EQ(::chmod(place.c_str(), 0604), 0);
    if (root) {
        ASSERT_EQ(::chown(place.c_str(), 12345, 23456), 0);
    }
    struct stat before {};
    ::stat(place.c_str(), &before);
    saveLocation(place);
    struct stat after {};
    ::stat(place.c_str(), &after);
    EXPECT_EQ(readBytes(place), readBytes(longest));
    EXPECT_EQ(after.st_mode & 07777, 0604u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);

    // A file the user may write in a folder where they may not create files
    // is refused, not written in place, and the message says why.
    fs::permissions(folder.root, fs::perms(0755));
    fs::create_directory(folder.root / "closed");
    const std::string closed = folder.path("closed/place.sav");
    writeBytes(closed, "old");
    if (root) {
        ASSERT_EQ(::chown(closed.c_str(), 65534, 65534), 0);
    }
    fs::permissions(folder.root / "closed", fs::perms(0555));
    EXPECT_EQ(withoutPrivileges([&] { return replaceFileContents(closed, "new", 3); }),
              "You do not have permission to write in that folder.");
    EXPECT_EQ(readBytes(closed), "old");
    fs::permissions(folder.root / "closed", fs::perms(0755));
}

}  // namespace
}  // namespace vantorel::testing
