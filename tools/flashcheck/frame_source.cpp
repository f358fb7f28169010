#include "frame_source.h"

#include "linux/child_reader.h"

#include "platform/end_signals.h"
#include "files/regular_file.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

namespace {

// "25/1", "30000/1001" or "0/0" (unknown) as ffprobe gives rates.
double rateOf(const std::string& text)
{
    const std::size_t slash = text.find('/');
    const double numerator = std::atof(text.substr(0, slash).c_str());
    const double denominator = slash == std::string::npos ? 1 : std::atof(text.substr(slash + 1).c_str());
    return numerator > 0 && denominator > 0 ? numerator / denominator : 0;
}

std::string rateWords(double fps)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g fps", fps);
    return text;
}

// ffmpeg's word for it, or an error number's.
std::string ffmpegStartFailure(const char* program, int failed)
{
    if (failed == ENOENT)
        return std::string(program) + " is not installed, and a video needs it; install it (apt-get install ffmpeg)";
    return std::string("cannot start ") + program + ": " + std::strerror(failed);
}

class VideoFrames : public FrameSource {
public:
    VideoFrames(std::string path) : path_(std::move(path)) {}

    bool open(std::optional<double> fps, YuvMatrix matrix, std::string* error)
    {
        // A name like "take:2.mp4" is a file, not one of ffmpeg's protocols.
        const std::string input = "file:" + path_;
        std::map<std::string, std::string> stream;
        std::string said;
        if (!probe(input, &stream, &said, error))
            return false;
        width = std::atoi(stream["width"].c_str());
        height = std::atoi(stream["height"].c_str());
        if (width <= 0 || height <= 0) {
            // ffprobe's reason after the name it was given, or there is no picture.
            const std::size_t named = said.find(input + ": ");
            std::string why = named == std::string::npos ? said : said.substr(named + input.size() + 2);
            why = why.substr(0, why.find('\n'));
            *error = path_ + ": " + (why.empty() ? "holds no video stream" : why);
            return false;
        }
        framesPerSecond = fps ? *fps : rateOf(stream["avg_frame_rate"]);
        if (framesPerSecond <= 0)
            framesPerSecond = rateOf(stream["r_frame_rate"]);
        if (framesPerSecond <= 0) {
            *error = path_ + ": its frame rate is not known; give one with --fps";
            return false;
        }
        const std::string tag = stream["color_space"];
        const char* used = matrix == YuvMatrix::bt601   ? "bt601"
                           : matrix == YuvMatrix::bt709 ? "bt709"
                                                        : "auto";
        description = std::to_string(width) + "x" + std::to_string(height) + ", " + rateWords(framesPerSecond) +
                      ", " + stream["codec_name"] + ", YUV as " +
                      (matrix == YuvMatrix::tagged ? (tag == "unknown" || tag.empty() ? "untagged: BT.601" : "tagged: " + tag)
                                                   : std::string(matrix == YuvMatrix::bt601 ? "BT.601" : "BT.709"));
        // Every frame the file holds, none added or dropped to keep a rate.
        const std::vector<std::string> decode = {
            "ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-i", input, "-map", "0:v:0",
            "-fps_mode", "passthrough", "-vf", std::string("scale=in_color_matrix=") + used,
            "-f", "rawvideo", "-pix_fmt", "rgb24", "pipe:1"};
        if (const int failed = ffmpeg_.startReading(decode, false)) {
            *error = ffmpegStartFailure("ffmpeg", failed);
            return false;
        }
        return true;
    }

    bool next(std::vector<std::uint8_t>& rgb, std::string* error) override
    {
        rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
        const std::int64_t got = ffmpeg_.read(rgb.data(), rgb.size());
        if (got == static_cast<std::int64_t>(rgb.size()))
            return true;
        if (got < 0) {
            *error = endSignal() ? "" : path_ + ": cannot read what ffmpeg decodes: " + std::strerror(errno);
            return false;
        }
        const int status = ffmpeg_.wait();
        if (status != 0 || got > 0)
            *error = path_ + ": ffmpeg could not decode all of it (see its message above)";
        return false;
    }

private:
    // The first video stream's properties, or ffprobe's words in *said.
    bool probe(const std::string& input, std::map<std::string, std::string>* stream, std::string* said,
               std::string* error)
    {
        ChildReader ffprobe;
        const std::vector<std::string> argv = {
            "ffprobe", "-hide_banner", "-loglevel", "error", "-select_streams", "v:0", "-show_entries",
            "stream=codec_name,width,height,avg_frame_rate,r_frame_rate,color_space", "-of",
            "default=noprint_wrappers=1", input};
        if (const int failed = ffprobe.startReading(argv, true)) {
            *error = ffmpegStartFailure("ffprobe", failed);
            return false;
        }
        char chunk[4096];
        std::int64_t got = 0;
        while ((got = ffprobe.read(chunk, sizeof chunk)) > 0)
            said->append(chunk, static_cast<std::size_t>(got));
        if (got < 0 || ffprobe.wait() < 0) {
            *error = endSignal() ? "" : path_ + ": ffprobe did not finish";
            return false;
        }
        for (std::size_t at = 0; at < said->size();) {
            const std::size_t end = std::min(said->find('\n', at), said->size());
            const std::string line = said->substr(at, end - at);
            const std::size_t equals = line.find('=');
            if (equals != std::string::npos)
                (*stream)[line.substr(0, equals)] = line.substr(equals + 1);
            at = end + 1;
        }
        return true;
    }

    std::string path_;
    ChildReader ffmpeg_;
};

// One PNG's RGB rows; false with "FILE: why".
bool readPng(const std::string& path, std::vector<std::uint8_t>& rgb, int* width, int* height, std::string* error)
{
    std::string why;
    const int fd = openRegularFile(path, &why);
    if (fd < 0) {
        *error = path + ": " + why;
        return false;
    }
    FILE* file = fdopen(fd, "rb");
    if (!file) {
        *error = path + ": " + std::strerror(errno);
        close(fd);
        return false;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    bool ok = png_image_begin_read_from_stdio(&image, file) != 0;
    if (ok) {
        image.format = PNG_FORMAT_RGB;
        rgb.resize(PNG_IMAGE_SIZE(image));
        ok = png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
    }
    if (!ok)
        *error = path + ": not a PNG this checker reads (" + image.message + ")";
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    png_image_free(&image);
    std::fclose(file);
    return ok;
}

class PngFolderFrames : public FrameSource {
public:
    bool open(const std::string& folder, double fps, std::string* error)
    {
        std::error_code failed;
        for (std::filesystem::directory_iterator entry(folder, failed), end; !failed && entry != end;
             entry.increment(failed)) {
            std::string extension = entry->path().extension().string();
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (extension == ".png")
                files_.push_back(entry->path().string());
        }
        if (failed) {
            *error = folder + ": " + failed.message();
            return false;
        }
        if (files_.empty()) {
            *error = folder + ": holds no PNG frames";
            return false;
        }
        std::sort(files_.begin(), files_.end());
        std::vector<std::uint8_t> first;
        if (!readPng(files_[0], first, &width, &height, error))
            return false;
        framesPerSecond = fps;
        description = std::to_string(files_.size()) + " PNG frames, " + std::to_string(width) + "x" +
                      std::to_string(height) + ", " + rateWords(fps);
        return true;
    }

    bool next(std::vector<std::uint8_t>& rgb, std::string* error) override
    {
        if (next_ >= files_.size())
            return false;
        const std::string& file = files_[next_++];
        int w = 0, h = 0;
        if (!readPng(file, rgb, &w, &h, error))
            return false;
        if (w != width || h != height) {
            *error = file + ": is " + std::to_string(w) + "x" + std::to_string(h) + ", not " + std::to_string(width) +
                     "x" + std::to_string(height) + " as the frames before";
            return false;
        }
        return true;
    }

private:
    std::vector<std::string> files_;
    std::size_t next_ = 0;
};

} // namespace

std::unique_ptr<FrameSource> openFrames(const std::string& path, std::optional<double> framesPerSecond,
                                        YuvMatrix matrix, std::string* error)
{
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        auto folder = std::make_unique<PngFolderFrames>();
        if (!folder->open(path, framesPerSecond.value_or(60), error))
            return nullptr;
        return folder;
    }
    // Only a regular file goes to ffmpeg: a FIFO in its place would hang it.
    std::string why;
    const int fd = openRegularFile(path, &why);
    if (fd < 0) {
        *error = path + ": " + why;
        return nullptr;
    }
    close(fd);
    auto video = std::make_unique<VideoFrames>(path);
    if (!video->open(framesPerSecond, matrix, error))
        return nullptr;
    return video;
}
