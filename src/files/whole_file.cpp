#include "files/whole_file.h"

#include "platform/files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

std::string fileError(const std::string& path)
{
    return path + ": " + std::strerror(errno);
}

std::string WholeFile::temporaryName(const std::string& path, int attempt)
{
    // '/', and on Windows also its own backslash.
    const char separators[] = {'/', static_cast<char>(std::filesystem::path::preferred_separator), '\0'};
    const std::size_t slash = path.find_last_of(separators);
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart)
        dot = path.size();
    std::string name = path.substr(0, dot);
    name += ".partial-";
    name += std::to_string(getpid());
    if (attempt > 0) {
        name += '-';
        name += std::to_string(attempt);
    }
    return name + path.substr(dot);
}

bool WholeFile::open(const std::string& path, std::string* error)
{
    discard();
    path_ = path;
    // A temporary left by an earlier process of the same number is not ours
    // to remove: take the next name instead.
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary_ = temporaryName(path, attempt);
        fd = createNewFile(temporary_);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        *error = fileError(path);
        temporary_.clear();
        return false;
    }
    file_ = fdopen(fd, "wb");
    if (!file_) {
        *error = fileError(path);
        ::close(fd);
        removeFile(temporary_);
        temporary_.clear();
        return false;
    }
    return true;
}

bool WholeFile::write(const void* data, std::size_t size, std::string* error)
{
    if (size == 0)
        return true;
    if (std::fwrite(data, 1, size, file_) != size) {
        *error = fileError(path_);
        return false;
    }
    return true;
}

bool WholeFile::close(std::string* error)
{
    if (!file_) {
        *error = path_ + ": not open";
        discard();
        return false;
    }
    const bool written = std::fflush(file_) == 0 && !std::ferror(file_);
    const int writeErrno = errno;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!written || !closed) {
        if (!written)
            errno = writeErrno;
        *error = fileError(path_);
        discard();
        return false;
    }
    return true;
}

bool WholeFile::commit(std::string* error)
{
    if (file_ && !close(error))
        return false;
    if (temporary_.empty()) {
        *error = path_ + ": not open";
        return false;
    }
    if (!replaceName(temporary_, path_)) {
        *error = fileError(path_);
        discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void WholeFile::discard()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        removeFile(temporary_);
        temporary_.clear();
    }
}
