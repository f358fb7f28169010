// Opening a file for reading on POSIX: O_NONBLOCK, so that a FIFO cannot
// block the open, then fstat on what was opened.
#include "os/regular_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

