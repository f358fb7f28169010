#include "output_paths.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// '/', and on Windows also its own backslash.
bool isSeparator(char c)
{
    return c == '/' || c == fs::path::preferred_separator;
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && isSeparator(path.back()))
        path.pop_back();
    return path;
}

// What is under the name itself, a link not followed; fs::file_type::not_found
// when nothing is, and none with *error set when the name cannot be looked at.
fs::file_type entryType(const std::string& path, const std::string& shownAs, std::string* error)
{
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (ec && status.type() != fs::file_type::not_found) {
        *error = shownAs + ": " + ec.message();
        return fs::file_type::none;
    }
    return status.type();
}

std::string folderOf(const std::string& path)
{
    const std::string parent = fs::path(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

} // namespace

bool outputIsFolder(const std::string& output)
{
    std::error_code ec;
    return (!output.empty() && isSeparator(output.back())) || fs::is_directory(output, ec);
}

std::string lowerExtension(const std::string& path)
{
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

bool checkFolderOf(const std::string& path, std::string* error)
{
    const std::string parent = folderOf(path);
    std::error_code ec;
    const fs::file_status status = fs::status(parent, ec);
    if (ec) {
        *error = parent + ": " + ec.message();
        return false;
    }
    if (!fs::is_directory(status)) {
        *error = parent + ": " + std::strerror(ENOTDIR);
        return false;
    }
    return true;
}

bool checkOutputFile(const std::string& path, bool force, std::string* error)
{
    const fs::file_type type = entryType(path, path, error);
    if (type == fs::file_type::none)
        return false;
    if (type == fs::file_type::not_found)
        return checkFolderOf(path, error);
    if (type == fs::file_type::directory) {
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
    const std::string name = fs::path(*folder).filename().string();
    if (*folder == "/" || name == "." || name == "..") {
        *error = output + ": the capture takes the folder's place; name a new folder instead";
        return false;
    }
    const fs::file_type type = entryType(*folder, output, error);
    if (type == fs::file_type::none)
        return false;
    if (type == fs::file_type::not_found)
        return checkFolderOf(*folder, error);
    // A link to a folder: the capture goes where it points.
    std::error_code ec;
    if (type == fs::file_type::symlink)
        *folder = fs::canonical(*folder, ec).string();
    if (ec || !fs::is_directory(*folder, ec)) {
        *error = output + ": " + (ec ? ec.message() : std::strerror(ENOTDIR));
        return false;
    }
    // What may be replaced is an earlier capture, and only with --force;
    // anything else in the folder is the user's.
    bool holdsCapture = false;
    for (fs::directory_iterator entry(*folder, ec), end; !ec && entry != end; entry.increment(ec)) {
        const std::string file = entry->path().filename().string();
        if (!isCaptureFileName(file)) {
            *error = output + ": holds " + file + ", which is not a capture's; name a new or empty folder";
            return false;
        }
        holdsCapture = true;
    }
    if (ec) {
        *error = output + ": " + ec.message();
        return false;
    }
    if (holdsCapture && !force) {
        *error = output + ": already holds a capture; use --force to replace it";
        return false;
    }
    return true;
}
