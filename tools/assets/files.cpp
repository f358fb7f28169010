// The six files as bytes, and the folder that holds them with its stamp.
#include "assets.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace assets {
namespace {

struct PictureFile {
    const char* name;
    PictureId id;
};
constexpr PictureFile pictureFiles[] = {
    {"0.jpg", PictureId::glow},   {"1.jpg", PictureId::rings},   {"2.jpg", PictureId::nebula},
    {"c.jpg", PictureId::title},  {"k.jpg", PictureId::credits},
};
constexpr int jpegQuality = 90;

std::vector<std::string> dataFileNames()
{
    std::vector<std::string> names{moduleFileName};
    for (const PictureFile& p : pictureFiles)
        names.emplace_back(p.name);
    return names;
}

std::string inFolder(const std::string& dir, const std::string& name)
{
    return (std::filesystem::path(dir) / name).string();
}

bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        *error = path + ": " + std::strerror(written ? errno : writeErrno);
        return false;
    }
    return true;
}

bool isRegularFile(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// Any version of this generator: its files may be replaced without asking.
bool stampedByThisGenerator(const std::string& dir)
{
    std::ifstream stamp(inFolder(dir, stampFileName), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(stamp)), std::istreambuf_iterator<char>());
    return text.starts_with("mardunqist-assets ");
}

} // namespace

std::vector<AssetFile> makeAssets(ModuleKind kind)
{
    std::vector<AssetFile> files;
    files.push_back({moduleFileName, itw::write(composeModule(kind))});
    for (const PictureFile& p : pictureFiles)
        files.push_back({p.name, encodeJpeg(paintPicture(p.id), jpegQuality)});
    return files;
}

std::string stampText(ModuleKind kind)
{
    return std::string("mardunqist-assets ") + generatorVersion + (kind == ModuleKind::full ? " full" : " short") + "\n";
}

bool assetsAreCurrent(const std::string& dir, ModuleKind kind)
{
    for (const std::string& name : dataFileNames())
        if (!isRegularFile(inFolder(dir, name)))
            return false;
    std::ifstream stamp(inFolder(dir, stampFileName), std::ios::binary);
    if (!stamp)
        return false;
    const std::string text((std::istreambuf_iterator<char>(stamp)), std::istreambuf_iterator<char>());
    return text == stampText(kind);
}

GenerateResult generateAssets(const std::string& dir, const GenerateOptions& options, std::string* error)
{
    if (options.onlyIfStale && assetsAreCurrent(dir, options.kind))
        return GenerateResult::alreadyCurrent;
    if (!options.force && !stampedByThisGenerator(dir)) {
        const std::vector<std::string> foreign = existingAssetFiles(dir);
        if (!foreign.empty()) {
            *error = inFolder(dir, foreign.front()) + ": exists and was not made by mardunqist-assets (--force overwrites it)";
            return GenerateResult::failed;
        }
    }
    try {
        if (!writeAssets(dir, makeAssets(options.kind), options.kind, error))
            return GenerateResult::failed;
    } catch (const std::exception& e) {
        *error = e.what();
        return GenerateResult::failed;
    }
    return GenerateResult::written;
}

std::vector<std::string> existingAssetFiles(const std::string& dir)
{
    std::vector<std::string> found;
    for (const std::string& name : dataFileNames()) {
        std::error_code ec;
        if (std::filesystem::exists(inFolder(dir, name), ec))
            found.push_back(name);
    }
    return found;
}

bool writeAssets(const std::string& dir, const std::vector<AssetFile>& files, ModuleKind kind, std::string* error)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        *error = dir + ": " + ec.message();
        return false;
    }
    if (!std::filesystem::is_directory(dir, ec)) {
        *error = dir + ": " + std::strerror(ENOTDIR);
        return false;
    }
    // The stamp goes first and comes back last, so a folder left half written
    // is never taken for a current one.
    const std::string stampPath = inFolder(dir, stampFileName);
    std::filesystem::remove(stampPath, ec);
    if (ec) {
        *error = stampPath + ": " + ec.message();
        return false;
    }
    for (const AssetFile& file : files)
        if (!writeBytes(inFolder(dir, file.name), file.bytes, error))
            return false;
    const std::string stamp = stampText(kind);
    return writeBytes(stampPath, std::vector<std::uint8_t>(stamp.begin(), stamp.end()), error);
}

bool writeIcon(const std::string& path, std::string* error)
{
    const std::string svg = iconSvg();
    return writeBytes(path, std::vector<std::uint8_t>(svg.begin(), svg.end()), error);
}

} // namespace assets
