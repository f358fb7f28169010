// The data folder's Windows side: the show's files sit beside the .exe (the
// zip unpacks them there), and --data takes any folder that can be listed.
#include "shell/data_folder.h"

#include <windows.h>

#include <filesystem>

namespace fs = std::filesystem;

std::string installedDataFolder()
{
    // In the ANSI code page, as the rest of the program's paths (argv) are.
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
        return "";
    const std::string program(path, length);
    const std::size_t slash = program.find_last_of("\\/");
    return slash == std::string::npos ? "" : program.substr(0, slash);
}

bool checkDataFolder(const std::string& dir, std::string* error)
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
