#include "files/safe_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantorel {
namespace {

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Opens a new, unique temporary file beside `path` (same folder, so that the
// final rename stays on one file system). The mode 0666 is narrowed by the
// user's umask, as for any file the program creates.
int openTemporaryBeside(const std::string& path, std::string& temporary)
{
    static unsigned serial = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

int openForReading(const std::string& path)
{
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a
    // writer, and the program with it. Regular files ignore the flag.
    int fd;
    do
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads up to `limit` bytes (all of the file when limit is 0); false on a read error.
bool readUpTo(int fd, std::size_t limit, std::string& out)
{
    char buffer[65536];
    while (limit == 0 || out.size() < limit) {
        std::size_t want = sizeof buffer;
        if (limit != 0 && limit - out.size() < want)
            want = limit - out.size();
        const ssize_t got = ::read(fd, buffer, want);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            break;
        out.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

} // namespace

bool replaceFileContents(const std::string& path, const void* data, std::size_t size, Durability durability)
{
    // Only a regular file is ever replaced: a name that is taken by a folder,
    // a device or a pipe is left alone.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        return false;
    std::string temporary;
    const int fd = openTemporaryBeside(path, temporary);
    if (fd < 0)
        return false;
    // A file that is replaced keeps its permissions.
    struct stat old {};
    bool ok = true;
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && writeAll(fd, static_cast<const char*>(data), size);
    // On disk before the rename, so that a crash leaves the old file or the
    // new one, never an empty one.
    ok = ok && (durability == Durability::Unsynced || ::fsync(fd) == 0);
    ok = (::close(fd) == 0) && ok;
    ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

std::optional<std::string> readFilePrefix(const std::string& path, std::size_t count)
{
    const int fd = openForReading(path);
    if (fd < 0)
        return std::nullopt;
    std::string bytes;
    const bool ok = count == 0 || readUpTo(fd, count, bytes);
    ::close(fd);
    if (!ok || bytes.size() != count)
        return std::nullopt;
    return bytes;
}

std::optional<std::string> readWholeFile(const std::string& path)
{
    const int fd = openForReading(path);
    if (fd < 0)
        return std::nullopt;
    std::string bytes;
    const bool ok = readUpTo(fd, 0, bytes);
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return bytes;
}

} // namespace vantorel
