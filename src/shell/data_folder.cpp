#include "shell/data_folder.h"

#include "seams/show_files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool holdsModule(const std::string& folder)
{
    std::error_code ec;
    return fs::is_regular_file(dataFile(folder, moduleFileName), ec);
}

// Anything under the module's name in the working directory is the user's
// show: one that is no module (a FIFO, a folder, a broken link) is reported
// by the loader, not quietly swapped for the installed show.
bool namesModule(const std::string& folder)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(dataFile(folder, moduleFileName), ec));
}

} // namespace

std::string findDataFolder(const std::string& installed)
{
    if (namesModule("") || installed.empty() || !holdsModule(installed))
        return "";
    return installed;
}

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

std::string dataFile(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder + "/" + name;
}
