#include "files/regular_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

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
