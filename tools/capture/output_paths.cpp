#include "output_paths.h"

#include "os/whole_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
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
    return (!output.empty() && output.back() == '/') || fs::is_directory(output, ec);
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
    struct stat info{};
    if (stat(parent.c_str(), &info) != 0) {
        *error = fileError(parent);
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        *error = parent + ": " + std::strerror(ENOTDIR);
        return false;
    }
    return true;
}

bool checkOutputFile(const std::string& path, bool force, std::string* error)
{
    struct stat info{};
    if (lstat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            *error = fileError(path);
            return false;
        }
        return checkFolderOf(path, error);
    }
    if (S_ISDIR(info.st_mode)) {
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
    struct stat info{};
    if (lstat(folder->c_str(), &info) != 0) {
        if (errno != ENOENT) {
            *error = fileError(output);
            return false;
        }
        return checkFolderOf(*folder, error);
    }
    // A link to a folder: the capture goes where it points.
    std::error_code ec;
    if (S_ISLNK(info.st_mode))
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
