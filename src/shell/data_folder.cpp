#include "shell/data_folder.h"

#include "seams/show_files.h"

#include <filesystem>

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

std::string dataFile(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder + "/" + name;
}
