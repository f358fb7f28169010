// The data folder's Linux side: where the installed program finds its data,
// and the permission test for --data.
#include "shell/data_folder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

std::string installedDataFolder()
{
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "";
    return (program.parent_path() / MARDUNQIST_DATA_FROM_BIN).lexically_normal().string();
}

bool checkDataFolder(const std::string& dir, std::string* error)
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

