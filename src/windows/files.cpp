// The file-system calls on Windows. CreateFile does not wait on what it
// opens, and GetFileType then says whether it is a file on a disk: a named
// pipe, the console or a device such as NUL in a file's place is refused.
// Handles become C runtime descriptors, so reading and writing are the same
// code as on Linux. Every call is a wide-character one (windows/wide_text.h):
// the C runtime's narrow calls read a path in the ANSI code page, which is
// UTF-8 only where Windows honours the manifest's setting (from 1903 on).
#include "platform/files.h"

#include "windows/wide_text.h"

#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <io.h>

#include <cstring>

#include <string>

namespace {

// The two reasons people meet most, in the same words as on Linux.
std::string reasonFor(DWORD code)
{
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
        return "No such file or directory";
    if (code == ERROR_ACCESS_DENIED)
        return "Permission denied";
    return systemMessage(code);
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
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
        return EINVAL;
    default:
        return EIO;
    }
}

// errno for the last Windows error; false, for the caller to return.
bool failed()
{
    errno = errnoFor(GetLastError());
    return false;
}

// A symbolic link or a junction; other reparse points (OneDrive's files kept
// in the cloud, deduplicated files) are what they look like.
bool isLink(const std::string& path, DWORD attributes)
{
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(widePath(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return found.dwReserved0 == IO_REPARSE_TAG_SYMLINK || found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT;
}

// A handle on what the path leads to, to ask about it; folders open only
// with backup semantics.
HANDLE openToAsk(const std::string& path)
{
    return CreateFileW(widePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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
            *why = reasonFor(error);
        return -1;
    }
    const DWORD type = GetFileType(file);
    BY_HANDLE_FILE_INFORMATION information{};
    // Only a link is refused: OneDrive keeps its files as reparse points too.
    const bool plain = type == FILE_TYPE_DISK && GetFileInformationByHandle(file, &information) &&
                       !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                       !(links == Links::refuse && isLink(path, information.dwFileAttributes));
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
    // CREATE_NEW fails on any existing name, a link included.
    HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        failed();
        return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(file);
        errno = EMFILE;
    }
    return fd;
}

// The C library's rename refuses a name that exists; MoveFileEx replaces it
// (a file: a folder can take only a free name).
bool replaceName(const std::string& from, const std::string& to)
{
    const std::wstring source = widePath(from);
    const DWORD attributes = GetFileAttributesW(source.c_str());
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    return MoveFileExW(source.c_str(), widePath(to).c_str(), folder ? 0 : MOVEFILE_REPLACE_EXISTING) || failed();
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
    EntryKind kind = EntryKind::missing;
    if (!entryKind(dir, Links::follow, &kind) || kind != EntryKind::folder) {
        *error = dir + ": " + std::strerror(kind == EntryKind::missing ? errno : ENOTDIR);
        return false;
    }
    // Listing it is what tells whether its files may be read.
    std::vector<std::string> names;
    if (!listFolder(dir, &names)) {
        *error = dir + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool entryKind(const std::string& path, Links links, EntryKind* kind)
{
    *kind = EntryKind::missing;
    DWORD attributes = GetFileAttributesW(widePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        errno = errnoFor(error);
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
    }
    if (isLink(path, attributes)) {
        if (links == Links::refuse) {
            *kind = EntryKind::link;
            return true;
        }
        const HANDLE target = openToAsk(path);
        BY_HANDLE_FILE_INFORMATION information{};
        const bool asked = target != INVALID_HANDLE_VALUE && GetFileInformationByHandle(target, &information);
        const DWORD error = GetLastError();
        if (target != INVALID_HANDLE_VALUE)
            CloseHandle(target);
        if (!asked) {
            // A link to nothing.
            errno = errnoFor(error);
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        }
        attributes = information.dwFileAttributes;
    }
    *kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::folder
            : (attributes & FILE_ATTRIBUTE_DEVICE) ? EntryKind::other
                                                    : EntryKind::file;
    return true;
}

std::string linkTarget(const std::string& path)
{
    const HANDLE target = openToAsk(path);
    if (target == INVALID_HANDLE_VALUE) {
        failed();
        return "";
    }
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(target, full.data(), static_cast<DWORD>(full.size()), 0);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFinalPathNameByHandleW(target, full.data(), static_cast<DWORD>(full.size()), 0);
    }
    const DWORD error = GetLastError();
    CloseHandle(target);
    if (length == 0 || length >= full.size()) {
        errno = errnoFor(error);
        return "";
    }
    full.resize(length);
    // The answer always has the long form's prefix; a short path goes without.
    if (full.size() < MAX_PATH) {
        if (full.starts_with(L"\\\\?\\UNC\\"))
            full = L"\\\\" + full.substr(8);
        else if (full.starts_with(L"\\\\?\\"))
            full.erase(0, 4);
    }
    return utf8Text(full);
}

bool makeFolder(const std::string& path)
{
    return CreateDirectoryW(widePath(path).c_str(), nullptr) || failed();
}

bool listFolder(const std::string& path, std::vector<std::string>* names)
{
    names->clear();
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(widePath(path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND || failed();
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names->push_back(utf8Text(name));
    } while (FindNextFileW(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES) {
        errno = errnoFor(error);
        return false;
    }
    return true;
}

bool removeFile(const std::string& path)
{
    return DeleteFileW(widePath(path).c_str()) || failed();
}

void removeTree(const std::string& path)
{
    EntryKind kind = EntryKind::missing;
    if (!entryKind(path, Links::refuse, &kind) || kind == EntryKind::missing)
        return;
    if (kind != EntryKind::folder) {
        // A link to a folder is a folder of its own to Windows, and goes as one.
        if (!DeleteFileW(widePath(path).c_str()))
            RemoveDirectoryW(widePath(path).c_str());
        return;
    }
    std::vector<std::string> names;
    listFolder(path, &names);
    for (const std::string& name : names)
        removeTree(path + "\\" + name);
    RemoveDirectoryW(widePath(path).c_str());
}
