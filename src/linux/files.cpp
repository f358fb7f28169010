// The file-system calls on Linux (POSIX, with Linux's renameat2 for the
// exchange of two names).
#include "platform/files.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISLNK(mode))
        return "a symbolic link";
    return "not a plain file";
}

std::string notRegular(mode_t mode)
{
    if (S_ISDIR(mode))
        return std::strerror(EISDIR);
    return std::string("is not a regular file (") + kindOf(mode) + ")";
}

} // namespace

// O_NONBLOCK, so that a FIFO cannot block the open, then fstat on what was
// opened.
int openRegularFile(const std::string& path, std::string* why, Links links)
{
    int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (links == Links::refuse)
        flags |= O_NOFOLLOW;
    const int fd = open(path.c_str(), flags);
    if (fd < 0) {
        const int openErrno = errno;
        // A socket cannot be opened at all, and O_NOFOLLOW meets a link as a
        // loop: say what is really there.
        struct stat info{};
        const int got = links == Links::refuse ? lstat(path.c_str(), &info) : stat(path.c_str(), &info);
        if ((openErrno == ENXIO || openErrno == ELOOP) && got == 0 && !S_ISREG(info.st_mode))
            *why = notRegular(info.st_mode);
        else
            *why = std::strerror(openErrno);
        return -1;
    }
    struct stat info{};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *why = notRegular(info.st_mode);
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int createNewFile(const std::string& path)
{
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
}

bool replaceName(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool exchangeNames(const std::string& first, const std::string& second)
{
    return renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) == 0;
}

void failWritesInsteadOfSignals()
{
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

bool checkReadableFolder(const std::string& dir, std::string* error)
{
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        *error = dir + ": " + (ec ? ec.message() : std::strerror(ENOTDIR));
        return false;
    }
    if (access(dir.c_str(), R_OK | X_OK) != 0) {
        *error = dir + ": " + std::strerror(errno);
        return false;
    }
    return true;
}


bool entryKind(const std::string& path, Links links, EntryKind* kind)
{
    struct stat info{};
    const int got = links == Links::refuse ? lstat(path.c_str(), &info) : stat(path.c_str(), &info);
    if (got != 0) {
        *kind = EntryKind::missing;
        return errno == ENOENT || errno == ENOTDIR;
    }
    if (S_ISREG(info.st_mode))
        *kind = EntryKind::file;
    else if (S_ISDIR(info.st_mode))
        *kind = EntryKind::folder;
    else if (S_ISLNK(info.st_mode))
        *kind = EntryKind::link;
    else
        *kind = EntryKind::other;
    return true;
}

std::string linkTarget(const std::string& path)
{
    std::error_code ec;
    const fs::path target = fs::canonical(path, ec);
    if (ec) {
        errno = ec.value();
        return "";
    }
    return target.string();
}

bool makeFolder(const std::string& path)
{
    return mkdir(path.c_str(), 0777) == 0;
}

bool listFolder(const std::string& path, std::vector<std::string>* names)
{
    std::error_code ec;
    names->clear();
    for (fs::directory_iterator entry(path, ec), end; !ec && entry != end; entry.increment(ec))
        names->push_back(entry->path().filename().string());
    if (ec)
        errno = ec.value();
    return !ec;
}

bool removeFile(const std::string& path)
{
    return unlink(path.c_str()) == 0;
}

void removeTree(const std::string& path)
{
    std::error_code ec;
    fs::remove_all(path, ec);
}
