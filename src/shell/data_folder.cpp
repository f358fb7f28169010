#include "shell/data_folder.h"

#include "platform/files.h"
#include "seams/show_files.h"

namespace {

bool holdsModule(const std::string& folder)
{
    EntryKind kind = EntryKind::missing;
    return entryKind(dataFile(folder, moduleFileName), Links::follow, &kind) && kind == EntryKind::file;
}

// Anything under the module's name in the working directory is the user's
// show: one that is no module (a FIFO, a folder, a broken link) is reported
// by the loader, not quietly swapped for the installed show.
bool namesModule(const std::string& folder)
{
    EntryKind kind = EntryKind::missing;
    return !entryKind(dataFile(folder, moduleFileName), Links::refuse, &kind) || kind != EntryKind::missing;
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
