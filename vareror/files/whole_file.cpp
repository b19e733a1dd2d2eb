#include "whole_file.h"

#include <atomic>
#include <cerrno>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vareror::files {

namespace {

std::atomic<int64_t> g_spaceLeft{-1};

// write(2) with the test seam's budget in front of it.
ssize_t writeSome(int fd, const char *data, size_t size)
{
    int64_t left = g_spaceLeft.load();
    if (left >= 0) {
        if (left == 0) {
            errno = ENOSPC;
            return -1;
        }
        size = size_t(std::min<int64_t>(left, int64_t(size)));
    }
    const ssize_t n = ::write(fd, data, size);
    if (n > 0 && left >= 0)
        g_spaceLeft.fetch_sub(n);
    return n;
}

bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = writeSome(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC; // a write that takes nothing and gives no reason: the disk is full
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

std::string folderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a link names (the link itself stays, also when what it names is not there
// yet); the path itself otherwise.
std::string targetOf(const std::string &path)
{
    std::string target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st{};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return target;
        std::string link(size_t(PATH_MAX), '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n <= 0)
            return target;
        link.resize(size_t(n));
        target = link.front() == '/' ? link : folderOf(target) + "/" + link;
    }
    return target; // a loop of links: the write fails on it
}

// The temporary file of `name` is "." + name + "." + six letters or digits that make it
// unique.
constexpr size_t kUniqueChars = 6;

// A name alone does not tell the writer's temporary file from an operator's ".logdata.backup";
// so while it is written the temporary file carries the sticky bit, which means nothing on a
// regular file and which no file of the operator's has. A power cut that loses the mode's
// last change leaves the bit on the new file, where it does no harm; its next write drops it.
constexpr mode_t kWriterMark = S_ISVTX;

std::string temporaryTemplate(const std::string &folder, const std::string &name)
{
    return folder + "/." + name + "." + std::string(kUniqueChars, 'X');
}

// The temporary file of `temp` (its template) made under a name no file has, with the mark
// on it from its creation: a kill at any moment leaves no temporary file without it. On a
// file system that keeps no such bit it is made without. -1 with errno on failure.
int createTemporary(std::string &temp)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 pick{std::random_device{}()};
    for (int attempt = 0; attempt < 1000; ++attempt) {
        uint64_t bits = pick();
        for (size_t i = temp.size() - kUniqueChars; i < temp.size(); ++i) {
            temp[i] = kLetters[bits % (sizeof kLetters - 1)];
            bits /= sizeof kLetters - 1;
        }
        const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR | kWriterMark);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// What a file of `mode` is when it is no regular file, in words.
std::string notAFileWords(mode_t mode)
{
    const char *kind = S_ISFIFO(mode)                   ? "a FIFO"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                       : S_ISDIR(mode)                  ? "a folder"
                       : S_ISSOCK(mode)                 ? "a socket"
                                                        : "of another kind";
    return std::string("not a regular file but ") + kind;
}

// Why `path`, which exists as a regular file, may not be replaced; "" when it may. The
// rename that replaces a file asks only the folder: the file's own protection is asked
// here, from its mode for the superuser, whom the system lets write anything.
std::string whyNotWritable(const std::string &path, const struct stat &st)
{
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return "the file is read-only";
    if (::access(path.c_str(), W_OK) != 0)
        return errno == EACCES ? "the file is read-only for this user" : std::strerror(errno);
    return {};
}

// Into a target that is not a regular file, as it stands.
bool writeInPlace(const std::string &path, const void *data, size_t size, std::string *reason)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (reason)
            *reason = std::strerror(errno);
        return false;
    }
    const bool written = writeStream(fd, data, size, reason);
    if (::close(fd) != 0 && written) {
        if (reason)
            *reason = std::strerror(errno);
        return false;
    }
    return written;
}

// The name of the file whose temporary `entry` is, or "" when it is no temporary name.
std::string temporaryOf(const std::string &entry)
{
    const size_t n = entry.size();
    if (n < 1 + 1 + 1 + kUniqueChars || entry[0] != '.' || entry[n - kUniqueChars - 1] != '.')
        return {};
    for (size_t i = n - kUniqueChars; i < n; ++i) {
        const char c = entry[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return {};
    }
    return entry.substr(1, n - kUniqueChars - 2);
}

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

int removeLeftOverTemporaries(const std::string &folder, const std::vector<std::string> &names)
{
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return 0;
    DIR *dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return 0;
    }
    std::vector<std::string> found;
    while (const dirent *e = ::readdir(dir)) {
        const std::string of = temporaryOf(e->d_name);
        if (of.empty() || std::find(names.begin(), names.end(), of) == names.end())
            continue;
        struct stat st{};
        if (::fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            (st.st_mode & kWriterMark) && st.st_uid == ::geteuid())
            found.emplace_back(e->d_name);
    }
    int removed = 0;
    for (const std::string &name : found)
        removed += ::unlinkat(dirFd, name.c_str(), 0) == 0 ? 1 : 0;
    ::closedir(dir); // closes dirFd too
    return removed;
}

void setSpaceLeftForTests(int64_t bytes) { g_spaceLeft.store(bytes < 0 ? -1 : bytes); }

bool writeStream(int fd, const void *data, size_t size, std::string *reason)
{
    if (writeAll(fd, static_cast<const char *>(data), size))
        return true;
    if (reason)
        *reason = std::strerror(errno);
    return false;
}

std::string notARegularFile(const std::string &path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) ? notAFileWords(st.st_mode) : std::string();
}

int openForReading(const std::string &path, std::string *reason)
{
    // Without waiting: a FIFO opens at once, and is then refused as no file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (reason)
            *reason = std::strerror(errno);
        return -1;
    }
    struct stat st{};
    const std::string why = ::fstat(fd, &st) != 0 ? std::strerror(errno)
                            : !S_ISREG(st.st_mode) ? notAFileWords(st.st_mode)
                                                   : std::string();
    if (!why.empty()) {
        ::close(fd);
        if (reason)
            *reason = why;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool writeWholeFile(const std::string &givenPath, const void *data, size_t size, std::string *reason,
                    NotAFile notAFile)
{
    auto refused = [&](const std::string &why) {
        if (reason)
            *reason = why;
        return false;
    };
    // What stands at the path, through every link.
    struct stat there{};
    const bool exists = ::stat(givenPath.c_str(), &there) == 0;
    if (exists) {
        if (!S_ISREG(there.st_mode)) {
            if (notAFile == NotAFile::WriteInPlace && !S_ISDIR(there.st_mode))
                return writeInPlace(givenPath, data, size, reason);
            return refused(notAFileWords(there.st_mode));
        }
        if (const std::string why = whyNotWritable(givenPath, there); !why.empty())
            return refused(why);
    } else if (errno == ENOENT) {
        // A link to nothing: a file made through it could be anywhere.
        struct stat link{};
        if (::lstat(givenPath.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
            return refused("a link to " + targetOf(givenPath) + ", which does not exist; the link is left as it is");
    } else {
        return refused(std::strerror(errno));
    }
    const std::string path = targetOf(givenPath);
    std::string temp = temporaryTemplate(folderOf(path), nameOf(path));
    const int fd = createTemporary(temp);
    if (fd < 0)
        return refused(std::strerror(errno));
    bool open = true;
    auto failed = [&](int err) {
        if (open)
            ::close(fd);
        ::unlink(temp.c_str());
        if (reason)
            *reason = std::strerror(err);
        return false;
    };
    const mode_t mode = (exists ? (there.st_mode & 07777) : newFileMode()) & ~mode_t(S_ISVTX);
    // The mark stays until the file is whole on the disk; a file system that keeps no such
    // bit writes without it.
    if (::fchmod(fd, mode | kWriterMark) != 0 && ::fchmod(fd, mode) != 0)
        return failed(errno);
    if (!writeAll(fd, static_cast<const char *>(data), size))
        return failed(errno);
    if (::fsync(fd) != 0)
        return failed(errno);
    struct stat st{};
    if (::fstat(fd, &st) != 0)
        return failed(errno);
    if (st.st_size != off_t(size))
        return failed(EIO);
    if (::fchmod(fd, mode) != 0)
        return failed(errno);
    open = false;
    if (::close(fd) != 0)
        return failed(errno);
    if (::rename(temp.c_str(), path.c_str()) != 0)
        return failed(errno);
    // The new name itself survives a power cut once its folder is on the disk; a file
    // system that cannot sync a folder has still renamed the file.
    const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace vareror::files
