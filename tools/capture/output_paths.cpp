#include "output_paths.h"

#include "files/path_text.h"
#include "platform/files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

// '/', and on Windows also its own backslash.
bool isSeparator(char c)
{
    return c == '/' || c == std::filesystem::path::preferred_separator;
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && isSeparator(path.back()))
        path.pop_back();
    return path;
}

// What is under the name itself, a link not followed; false with *error set
// when the name cannot be looked at.
bool lookAt(const std::string& path, const std::string& shownAs, EntryKind* kind, std::string* error)
{
    if (entryKind(path, Links::refuse, kind))
        return true;
    *error = shownAs + ": " + std::strerror(errno);
    return false;
}

std::string folderOf(const std::string& path)
{
    const std::string parent = textOf(pathOf(path).parent_path());
    return parent.empty() ? "." : parent;
}

} // namespace

bool outputIsFolder(const std::string& output)
{
    EntryKind kind = EntryKind::missing;
    return (!output.empty() && isSeparator(output.back())) ||
           (entryKind(output, Links::follow, &kind) && kind == EntryKind::folder);
}

std::string lowerExtension(const std::string& path)
{
    std::string ext = textOf(pathOf(path).extension());
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

bool checkFolderOf(const std::string& path, std::string* error)
{
    const std::string parent = folderOf(path);
    EntryKind kind = EntryKind::missing;
    if (!entryKind(parent, Links::follow, &kind) || kind == EntryKind::missing) {
        *error = parent + ": " + std::strerror(errno);
        return false;
    }
    if (kind != EntryKind::folder) {
        *error = parent + ": " + std::strerror(ENOTDIR);
        return false;
    }
    return true;
}

bool checkOutputFile(const std::string& path, bool force, std::string* error)
{
    EntryKind kind = EntryKind::missing;
    if (!lookAt(path, path, &kind, error))
        return false;
    if (kind == EntryKind::missing)
        return checkFolderOf(path, error);
    if (kind == EntryKind::folder) {
        *error = path + ": " + std::strerror(EISDIR);
        return false;
    }
    if (!force) {
        *error = path + ": already exists; use --force to replace it";
        return false;
    }
    return true;
}

bool isCaptureFileName(const std::string& name)
{
    if (name == "audio.wav")
        return true;
    if (!name.starts_with("frame-") || !name.ends_with(".png") || name.size() <= 10)
        return false;
    return name.find_first_not_of("0123456789", 6) == name.size() - 4;
}

bool checkCaptureFolder(const std::string& output, bool force, std::string* folder, std::string* error)
{
    *folder = withoutTrailingSlashes(output);
    const std::string name = textOf(pathOf(*folder).filename());
    if (*folder == "/" || name == "." || name == "..") {
        *error = output + ": the capture takes the folder's place; name a new folder instead";
        return false;
    }
    EntryKind kind = EntryKind::missing;
    if (!lookAt(*folder, output, &kind, error))
        return false;
    if (kind == EntryKind::missing)
        return checkFolderOf(*folder, error);
    // A link to a folder: the capture goes where it points.
    if (kind == EntryKind::link) {
        *folder = linkTarget(*folder);
        if (folder->empty()) {
            *error = output + ": " + std::strerror(errno);
            return false;
        }
    }
    const bool looked = entryKind(*folder, Links::follow, &kind);
    if (!looked || kind != EntryKind::folder) {
        *error = output + ": " + std::strerror(looked && kind != EntryKind::missing ? ENOTDIR : errno);
        return false;
    }
    // What may be replaced is an earlier capture, and only with --force;
    // anything else in the folder is the user's.
    std::vector<std::string> files;
    if (!listFolder(*folder, &files)) {
        *error = output + ": " + std::strerror(errno);
        return false;
    }
    for (const std::string& file : files) {
        if (!isCaptureFileName(file)) {
            *error = output + ": holds " + file + ", which is not a capture's; name a new or empty folder";
            return false;
        }
    }
    if (!files.empty() && !force) {
        *error = output + ": already holds a capture; use --force to replace it";
        return false;
    }
    return true;
}
