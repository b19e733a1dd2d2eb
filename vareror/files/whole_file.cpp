#include "whole_file.h"

#include <atomic>
#include <cerrno>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
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

// The temporary file of `name` is "." + name + "." + six characters that mkostemp makes
// unique: letters and digits.
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

bool writeWholeFile(const std::string &givenPath, const void *data, size_t size, std::string *reason)
{
    const std::string path = targetOf(givenPath);
    std::string temp = temporaryTemplate(folderOf(path), nameOf(path));
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        if (reason)
            *reason = std::strerror(errno);
        return false;
    }
    bool open = true;
    auto failed = [&](int err) {
        if (open)
            ::close(fd);
        ::unlink(temp.c_str());
        if (reason)
            *reason = std::strerror(err);
        return false;
    };
    struct stat old{};
    const mode_t mode = (::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : newFileMode()) & ~mode_t(S_ISVTX);
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
