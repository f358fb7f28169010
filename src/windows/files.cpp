// The file-system calls on Windows. CreateFile does not wait on what it
// opens, and GetFileType then says whether it is a file on a disk: a named
// pipe, the console or a device such as NUL in a file's place is refused.
// Handles become C runtime descriptors, so reading and writing are the same
// code as on Linux.
#include "platform/files.h"

#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <io.h>
#include <sys/stat.h>

#include <string>

namespace fs = std::filesystem;

namespace {

std::wstring widePath(const std::string& path)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

// The two reasons people meet most, in the same words as on Linux.
std::string systemMessage(DWORD code)
{
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
        return "No such file or directory";
    if (code == ERROR_ACCESS_DENIED)
        return "Permission denied";
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length ? std::string(text, length) : "error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

std::string notRegular(DWORD type)
{
    switch (type) {
    case FILE_TYPE_PIPE:
        return "is not a regular file (a pipe)";
    case FILE_TYPE_CHAR:
        return "is not a regular file (a character device)";
    default:
        return "is not a regular file (not a plain file)";
    }
}

// Windows' reasons as the C library's numbers, for fileError().
int errnoFor(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return EACCES;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    default:
        return EIO;
    }
}

} // namespace

int openRegularFile(const std::string& path, std::string* why, Links links)
{
    // Folders open only with backup semantics, so a folder fails here as a
    // folder; with links refused, a reparse point is opened as itself.
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    if (links == Links::refuse)
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            *why = "Is a directory";
        else
            *why = systemMessage(error);
        return -1;
    }
    const DWORD type = GetFileType(file);
    BY_HANDLE_FILE_INFORMATION information{};
    const bool plain = type == FILE_TYPE_DISK && GetFileInformationByHandle(file, &information) &&
                       !(information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    if (!plain) {
        *why = type == FILE_TYPE_DISK ? "is not a regular file (a symbolic link)" : notRegular(type);
        CloseHandle(file);
        return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        *why = "cannot get a descriptor for the file";
        CloseHandle(file);
        return -1;
    }
    return fd;
}

int createNewFile(const std::string& path)
{
    // _O_EXCL fails on any existing name, a link included.
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

// The C library's rename refuses a name that exists; MoveFileEx replaces it.
bool replaceName(const std::string& from, const std::string& to)
{
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    errno = errnoFor(GetLastError());
    return false;
}

bool exchangeNames(const std::string&, const std::string&)
{
    errno = ENOSYS;
    return false;
}

// Windows has neither signal: both already fail the write.
void failWritesInsteadOfSignals()
{
}

bool checkReadableFolder(const std::string& dir, std::string* error)
{
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        *error = dir + ": " + (ec ? ec.message() : std::string("Not a directory"));
        return false;
    }
    // Listing it is what tells whether its files may be read.
    fs::directory_iterator listing(dir, ec);
    if (ec) {
        *error = dir + ": " + ec.message();
        return false;
    }
    return true;
}
