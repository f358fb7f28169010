#include "os/file_names.h"

#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace {

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
