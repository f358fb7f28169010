#include "os/regular_file.h"

#include <cerrno>
#include <cstdio>
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

bool readRegularFile(const std::string& path, std::uint64_t maxBytes, const char* what,
                     std::vector<std::uint8_t>* bytes, std::string* why, Links links)
{
    const int fd = openRegularFile(path, why, links);
    if (fd < 0)
        return false;
    auto tooLarge = [&](std::uint64_t size) {
        *why = "is " + byteSize(size) + ", more than " + what + " may be (" + byteSize(maxBytes) + ")";
        close(fd);
        return false;
    };
    struct stat info{};
    fstat(fd, &info);
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > maxBytes)
        return tooLarge(size);
    bytes->clear();
    bytes->reserve(size);
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *why = std::strerror(errno);
            close(fd);
            return false;
        }
        if (got == 0)
            break;
        // A file that grows while it is read is held to the same limit.
        if (bytes->size() + static_cast<std::size_t>(got) > maxBytes)
            return tooLarge(bytes->size() + static_cast<std::size_t>(got));
        bytes->insert(bytes->end(), buffer, buffer + got);
    }
    close(fd);
    return true;
}

std::string byteSize(std::uint64_t bytes)
{
    constexpr std::uint64_t mib = 1u << 20, gib = 1u << 30;
    char text[48];
    if (bytes >= gib)
        std::snprintf(text, sizeof text, "%.1f GiB", static_cast<double>(bytes) / gib);
    else if (bytes >= mib && bytes % mib == 0)
        std::snprintf(text, sizeof text, "%llu MiB", static_cast<unsigned long long>(bytes / mib));
    else if (bytes >= mib)
        std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / mib);
    else
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    return text;
}
