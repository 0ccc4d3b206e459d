#pragma once
// Whole-file reads and writes for the file commands. Writes never leave a
// half-written file behind: the bytes go to a temporary file in the target's
// folder, which is then renamed over the target in one step. Every failure
// comes back as a sentence in plain words that the commands show the user.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantorel {

// Whether a replaced file is forced onto the disk before it takes the old
// one's name, so that even a power cut leaves the old file or the new one.
// The program's own saves do; a tool whose output can simply be made again
// may skip the wait for the disk (which can take longer than its picture).
enum class Durability { Synced, Unsynced };

// Replaces the file at path with exactly these bytes. When path is a
// symbolic link, the file it leads to is replaced and the link stays. Only a
// regular file that may be written is replaced: a read-only file, a folder, a
// pipe or a device of that name is left alone. Returns why the file could not
// be written, or empty text when it was; after a failure the target is as it
// was and no temporary file is left over. Never creates a folder.
std::string replaceFileContents(const std::string& path, const void* data, std::size_t size,
                                Durability durability = Durability::Synced);

// The same for a file written piece by piece, such as a picture too large to
// hold: the pieces go to a temporary file beside the target, which takes the
// target's place only at commit. A failure, an abandon or destruction before
// commit removes the temporary file and leaves the target as it was.
class ReplacingFile {
public:
    explicit ReplacingFile(const std::string& path, Durability durability = Durability::Synced);
    ~ReplacingFile() { abandon(); }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Why the file cannot be written, in plain words; empty while all is well.
    const std::string& problem() const { return why; }
    // Appends bytes, or writes them at an offset from the start; false after
    // a failure (problem() says why).
    bool write(const void* data, std::size_t size);
    bool writeAt(std::uint64_t offset, const void* data, std::size_t size);
    // Puts the file in place of the target; returns problem().
    std::string commit();
    void abandon();

private:
    bool flush();
    void fail(int error);

    std::string target, temporary, why;
    Durability durability;
    int fd = -1;
    std::vector<char> pending;  // appended bytes not yet written
};

// What a read gave: the bytes, or why there are none.
struct FileRead {
    std::string bytes;
    std::string problem;  // empty when the file was read
};

// Reads at most `limit` bytes (0: the whole file) from the start of an
// existing regular file. Never creates the file and never waits on a pipe.
FileRead readFileStart(const std::string& path, std::size_t limit);

// Reads a whole existing file as raw bytes. Nothing when it is missing or
// cannot be read.
std::optional<std::string> readWholeFile(const std::string& path);

// True for an existing folder that this user may create files in (and whose
// permissions are not all read-only, which matters when running as root).
bool isWritableFolder(const std::string& path);

// Creates the folder and any missing parents (mode 0700 for new ones, as
// private data). True when it exists as a folder afterwards.
bool makeFolders(const std::string& path);

}  // namespace vantorel
