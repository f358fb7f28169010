// The six files as bytes, and the folder that holds them with its stamp.
//
// The stamp names the generator and lists the SHA-256 of every file it wrote
// (in sha256sum's format after its first line), so the generator knows its
// own files by their content: a file it did not write, or one changed since,
// is someone's own and is never replaced without --force.
#include "assets.h"

#include "platform/end_signals.h"
#include "files/regular_file.h"
#include "files/whole_file.h"

#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <sys/stat.h>

namespace assets {
namespace {

// What each of the show's pictures shows, in the order of pictureFileNames.
constexpr PictureId pictureIds[] = {PictureId::glow, PictureId::rings, PictureId::nebula, PictureId::title,
                                    PictureId::credits};
static_assert(std::size(pictureIds) == std::size(pictureFileNames));
constexpr int jpegQuality = 90;
constexpr const char* stampHeader = "mardunqist-assets ";
// Far above the largest file the generator writes, and above any stamp.
constexpr std::uint64_t maxOwnFileBytes = std::uint64_t{64} << 20;

std::vector<std::string> dataFileNames()
{
    std::vector<std::string> names{moduleFileName};
    names.insert(names.end(), std::begin(pictureFileNames), std::end(pictureFileNames));
    return names;
}

std::string inFolder(const std::string& dir, const std::string& name)
{
    return (std::filesystem::path(dir) / name).string();
}

std::string sha256(const std::vector<std::uint8_t>& bytes)
{
    gchar* text = g_compute_checksum_for_data(G_CHECKSUM_SHA256, bytes.data(), bytes.size());
    std::string hex(text);
    g_free(text);
    return hex;
}

std::string headerLine(ModuleKind kind)
{
    return std::string(stampHeader) + generatorVersion + (kind == ModuleKind::full ? " full" : " short");
}

std::string stampText(ModuleKind kind, const std::vector<AssetFile>& files)
{
    std::string text = headerLine(kind) + "\n";
    for (const AssetFile& file : files)
        text += sha256(file.bytes) + "  " + file.name + "\n";
    return text;
}

// What a folder's stamp says: its first line and the hash of each file.
struct Stamp {
    bool present = false;
    bool ours = false;  // written by some version of this generator
    std::string header;
    std::map<std::string, std::string> hashes;
    std::string why;  // when present but not ours
};

bool exists(const std::string& path)
{
    struct stat info{};
    return lstat(path.c_str(), &info) == 0;
}

Stamp readStamp(const std::string& dir)
{
    Stamp stamp;
    const std::string path = inFolder(dir, stampFileName);
    stamp.present = exists(path);
    std::vector<std::uint8_t> bytes;
    if (!stamp.present || !readRegularFile(path, maxOwnFileBytes, "a stamp", &bytes, &stamp.why, Links::refuse))
        return stamp;
    std::istringstream lines(std::string(bytes.begin(), bytes.end()));
    std::getline(lines, stamp.header);
    stamp.ours = stamp.header.starts_with(stampHeader);
    if (!stamp.ours) {
        stamp.why = "was not made by mardunqist-assets";
        return stamp;
    }
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t gap = line.find("  ");
        if (gap != std::string::npos)
            stamp.hashes[line.substr(gap + 2)] = line.substr(0, gap);
    }
    return stamp;
}

// Why the file in the folder under `name` is not this generator's to
// replace; empty when it is (or when there is none).
std::string whyNotOurs(const std::string& dir, const std::string& name, const Stamp& stamp,
                       const std::vector<std::uint8_t>& wouldWrite)
{
    const std::string path = inFolder(dir, name);
    if (!exists(path))
        return "";
    std::vector<std::uint8_t> bytes;
    std::string why;
    if (!readRegularFile(path, maxOwnFileBytes, "a file of ours", &bytes, &why, Links::refuse))
        return why;
    if (bytes == wouldWrite)
        return "";
    const auto recorded = stamp.ours ? stamp.hashes.find(name) : stamp.hashes.end();
    if (recorded == stamp.hashes.end())
        return "was not made by mardunqist-assets";
    if (recorded->second != sha256(bytes))
        return "changed since mardunqist-assets wrote it";
    return "";
}

bool isDirectory(const std::string& dir, std::string* error)
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
    return true;
}

std::string interruptedIn(const std::string& dir)
{
    return std::string("interrupted (") + endSignalName(endSignal()) + "); nothing written in " + dir;
}

} // namespace

std::vector<AssetFile> makeAssets(ModuleKind kind)
{
    std::vector<AssetFile> files;
    files.push_back({moduleFileName, itw::write(composeModule(kind))});
    for (std::size_t i = 0; i < std::size(pictureFileNames); ++i)
        files.push_back({pictureFileNames[i], encodeJpeg(paintPicture(pictureIds[i]), jpegQuality)});
    return files;
}

bool assetsAreCurrent(const std::string& dir, ModuleKind kind)
{
    const Stamp stamp = readStamp(dir);
    if (!stamp.ours || stamp.header != headerLine(kind))
        return false;
    for (const std::string& name : dataFileNames()) {
        const auto recorded = stamp.hashes.find(name);
        std::vector<std::uint8_t> bytes;
        std::string why;
        if (recorded == stamp.hashes.end() ||
            !readRegularFile(inFolder(dir, name), maxOwnFileBytes, "a file of ours", &bytes, &why, Links::refuse) ||
            sha256(bytes) != recorded->second)
            return false;
    }
    return true;
}

GenerateResult generateAssets(const std::string& dir, const GenerateOptions& options, std::string* error)
{
    if (options.onlyIfStale && assetsAreCurrent(dir, options.kind))
        return GenerateResult::alreadyCurrent;
    std::vector<AssetFile> files;
    try {
        files = makeAssets(options.kind);
    } catch (const std::exception& e) {
        *error = e.what();
        return GenerateResult::failed;
    }

    // Someone's own files, or anything but a plain file in a file's place,
    // keep the whole folder as it is unless forced.
    const Stamp stamp = readStamp(dir);
    std::vector<std::string> foreign;
    if (stamp.present && !stamp.ours)
        foreign.push_back(inFolder(dir, stampFileName) + ": " + stamp.why);
    for (const AssetFile& file : files) {
        const std::string why = whyNotOurs(dir, file.name, stamp, file.bytes);
        if (!why.empty())
            foreign.push_back(inFolder(dir, file.name) + ": " + why);
    }
    if (!foreign.empty() && !options.force) {
        *error = foreign.front() + "; left alone, nothing written (--force replaces it)";
        if (foreign.size() > 1)
            *error += " [and " + std::to_string(foreign.size() - 1) + " more]";
        return GenerateResult::failed;
    }

    if (!isDirectory(dir, error))
        return GenerateResult::failed;
    // Every file whole under a temporary name first; then the renames, the
    // stamp last, so a folder is never taken for current before it is.
    std::vector<std::unique_ptr<WholeFile>> written;
    const std::string stampBytes = stampText(options.kind, files);
    files.push_back({stampFileName, std::vector<std::uint8_t>(stampBytes.begin(), stampBytes.end())});
    for (const AssetFile& file : files) {
        auto out = std::make_unique<WholeFile>();
        if (!out->open(inFolder(dir, file.name), error) || !out->write(file.bytes.data(), file.bytes.size(), error))
            return GenerateResult::failed;
        written.push_back(std::move(out));
        if (endSignal()) {
            *error = interruptedIn(dir);
            return GenerateResult::interrupted;
        }
    }
    for (auto& out : written)
        if (!out->commit(error))
            return GenerateResult::failed;
    return GenerateResult::written;
}

bool writeIcon(const std::string& path, std::string* error)
{
    const std::string svg = iconSvg();
    WholeFile file;
    return file.open(path, error) && file.write(svg.data(), svg.size(), error) && file.commit(error);
}

} // namespace assets
