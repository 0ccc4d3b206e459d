#include "files/safe_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantorel {
namespace {

bool isFolder(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Why writing `path` failed, for the user. The temporary file is created in
// the target's folder, so a missing or closed folder shows up as the reason.
std::string writeProblem(int error, const std::string& path)
{
    switch (error) {
    case ENOENT:
        // Some folders exist and still take no new files (such as /proc).
        return isFolder(folderOf(path)) ? "That folder does not take new files." : "The folder does not exist.";
    case ENOTDIR: return "A part of the folder's path is not a folder.";
    case EACCES:
    case EPERM: return "You do not have permission to write in that folder.";
    case EROFS: return "The disk is read-only.";
    case ENOSPC:
    case EDQUOT: return "The disk is full.";
    case EFBIG: return "The file would be larger than the system allows.";
    case ENAMETOOLONG: return "The name is too long.";
    default: return std::string(std::strerror(error)) + ".";
    }
}

std::string readProblem(int error)
{
    switch (error) {
    case ENOENT: return "The file does not exist.";
    case EACCES:
    case EPERM: return "You do not have permission to read the file.";
    default: return std::string(std::strerror(error)) + ".";
    }
}

// What a name that is no regular file belongs to.
std::string notAFileProblem(mode_t mode)
{
    return S_ISDIR(mode) ? "That name belongs to a folder." : "That name belongs to a pipe or device, not to a file.";
}

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

// Follows symbolic links from `path` to the name that is not one: the file a
// save must replace so that the links keep pointing at it. A missing name is
// where the chain ends (a dangling link gets its file). False, with errno
// set, when the chain cannot be followed.
bool followLinks(std::string& path)
{
    constexpr int MostLinks = 40;  // as the kernel allows in one path
    for (int hop = 0; hop < MostLinks; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return true;
        std::string target(4096, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0)
            return false;
        target.resize(static_cast<std::size_t>(length));
        // A relative link is read from the folder that holds the link.
        if (target.empty() || target[0] != '/') {
            const auto slash = path.rfind('/');
            target = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + target;
        }
        path = target;
    }
    errno = ELOOP;
    return false;
}

// Opens a new, unique temporary file beside `path` (same folder, so that the
// final rename stays on one file system). Its name is short and its own, not
// the target's name with something added: a target whose name is as long as
// the file system allows must still be saved. The mode 0666 is narrowed by
// the user's umask, as for any file the program creates.
int openTemporaryBeside(const std::string& path, std::string& temporary)
{
    static unsigned serial = 0;
    const std::string folder = path.rfind('/') == 0 ? std::string() : folderOf(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folder + "/.vantorel-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
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

}  // namespace

ReplacingFile::ReplacingFile(const std::string& path, Durability durability_) : target(path), durability(durability_)
{
    if (!followLinks(target)) {
        why = writeProblem(errno, target);
        return;
    }
    // Only a regular file is ever replaced, and only one the user may write:
    // renaming over a read-only file would otherwise succeed wherever its
    // folder is writable, and root may write anything. A file that is
    // replaced keeps its permissions.
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        why = notAFileProblem(old.st_mode);
    else if (exists && (old.st_mode & 0222) == 0)
        why = "The file is read-only.";
    else if (exists && ::access(target.c_str(), W_OK) != 0)
        why = errno == EROFS ? writeProblem(EROFS, target) : "The file is read-only.";
    if (!why.empty())
        return;
    fd = openTemporaryBeside(target, temporary);
    if (fd < 0) {
        why = writeProblem(errno, target);
        return;
    }
    // The replacement keeps the old file's owner and group where this user
    // may give them (root always may; others their own groups), then its
    // mode, which a change of owner may have narrowed.
    if (exists && ::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
        // Not permitted: the replacement belongs to this user, as a new file would.
    }
    if (exists && ::fchmod(fd, old.st_mode & 07777) != 0)
        fail(errno);
}

void ReplacingFile::fail(int error)
{
    if (why.empty())
        why = writeProblem(error, target);
    abandon();
}

void ReplacingFile::abandon()
{
    if (fd < 0 && temporary.empty())
        return;  // committed, failed or abandoned already
    if (fd >= 0)
        ::close(fd);
    if (!temporary.empty())
        ::unlink(temporary.c_str());
    fd = -1;
    temporary.clear();
    pending.clear();
    if (why.empty())
        why = "The file was not completed.";
}

bool ReplacingFile::flush()
{
    if (fd < 0)
        return false;
    if (!writeAll(fd, pending.data(), pending.size())) {
        fail(errno);
        return false;
    }
    pending.clear();
    return true;
}

bool ReplacingFile::write(const void* data, std::size_t size)
{
    // Small pieces are gathered, so that a picture is not written a few
    // bytes at a time.
    constexpr std::size_t Gathered = std::size_t{1} << 20;
    if (fd < 0)
        return false;
    const char* bytes = static_cast<const char*>(data);
    if (pending.size() + size > Gathered && !flush())
        return false;
    if (size >= Gathered) {
        if (!writeAll(fd, bytes, size)) {
            fail(errno);
            return false;
        }
        return true;
    }
    pending.insert(pending.end(), bytes, bytes + size);
    return true;
}

bool ReplacingFile::writeAt(std::uint64_t offset, const void* data, std::size_t size)
{
    if (!flush())
        return false;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, bytes, size, static_cast<off_t>(offset));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

std::string ReplacingFile::commit()
{
    if (!flush())
        return why;
    // On disk before the rename, so that a crash leaves the old file or the
    // new one, never an empty one.
    if (durability == Durability::Synced && ::fsync(fd) != 0) {
        fail(errno);
        return why;
    }
    const int closing = ::close(fd);
    fd = -1;
    if (closing != 0 || std::rename(temporary.c_str(), target.c_str()) != 0) {
        fail(errno);
        return why;
    }
    temporary.clear();
    return why;
}

std::string replaceFileContents(const std::string& path, const void* data, std::size_t size, Durability durability)
{
    ReplacingFile file(path, durability);
    file.write(data, size);
    return file.commit();
}

FileRead readFileStart(const std::string& path, std::size_t limit)
{
    FileRead result;
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a
    // writer, and the program with it. Regular files ignore the flag.
    int fd;
    do
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // A folder cannot always be opened; say what it is rather than why.
        struct stat info {};
        const int error = errno;
        result.problem = ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) ? notAFileProblem(info.st_mode)
                                                                                    : readProblem(error);
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        result.problem = readProblem(errno);
    else if (!S_ISREG(info.st_mode))
        result.problem = notAFileProblem(info.st_mode);
    else if (!readUpTo(fd, limit, result.bytes))
        result.problem = readProblem(errno);
    ::close(fd);
    if (!result.problem.empty())
        result.bytes.clear();
    return result;
}

std::optional<std::string> readWholeFile(const std::string& path)
{
    FileRead read = readFileStart(path, 0);
    if (!read.problem.empty())
        return std::nullopt;
    return std::move(read.bytes);
}

bool isWritableFolder(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & 0222) != 0
           && ::access(path.c_str(), W_OK | X_OK) == 0;
}

bool makeFolders(const std::string& path)
{
    // Every prefix that ends before a separator, then the whole path.
    for (std::size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        const std::string prefix = path.substr(0, at);
        if (!prefix.empty() && ::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (at == std::string::npos)
            break;
    }
    return isFolder(path);
}

}  // namespace vantorel
