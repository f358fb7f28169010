#include "outputs.h"

#include "child_process.h"
#include "yuv_frame.h"
#include "os/end_signals.h"
#include "os/regular_file.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* interrupted = "interrupted";

std::string lowerExtension(const std::string& path)
{
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

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

// The folder a new output would go in must be there.
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

bool isCaptureFileName(const std::string& name)
{
    if (name == "audio.wav")
        return true;
    if (!name.starts_with("frame-") || !name.ends_with(".png") || name.size() <= 10)
        return false;
    return name.find_first_not_of("0123456789", 6) == name.size() - 4;
}

bool writePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgbaBottomUp,
              std::string* error)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        *error = fileError(path);
        return false;
    }
    errno = 0;  // so that a failed write is told from any other failure
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        const int writeErrno = errno;
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        *error = path + ": " + (writeErrno ? std::strerror(writeErrno) : "PNG encoding failed");
        return false;
    }
    png_init_io(png, f);
    // Speed over size: a capture writes tens of thousands of these.
    png_set_compression_level(png, 1);
    png_set_filter(png, 0, PNG_FILTER_SUB);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_filler(png, 0, PNG_FILLER_AFTER);  // drop the canvas's alpha
    for (int y = height - 1; y >= 0; --y)
        png_write_row(png, const_cast<png_bytep>(rgbaBottomUp.data() + static_cast<std::size_t>(y) * width * 4));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(f) != 0) {
        *error = fileError(path);
        return false;
    }
    return true;
}

// PNG frames and audio.wav in a temporary folder beside the requested one,
// which takes its name (or trades places with an earlier capture) at the end.
class FolderOutput : public CaptureOutput {
public:
    FolderOutput(std::string folder, std::string shownAs, const CaptureOptions& options, int sampleRate)
        : folder_(std::move(folder)), shownAs_(std::move(shownAs)), width_(options.width),
          height_(options.height), sampleRate_(sampleRate) {}

    ~FolderOutput() override { abandon(); }

    bool start(std::string* error) override
    {
        for (int attempt = 0; temporary_.empty() && attempt < 100; ++attempt) {
            const std::string name = WholeFile::temporaryName(folder_, attempt);
            if (mkdir(name.c_str(), 0777) == 0)
                temporary_ = name;
            else if (errno != EEXIST)
                break;
        }
        if (temporary_.empty()) {
            *error = fileError(shownAs_);
            return false;
        }
        return sound_.open(temporary_ + "/audio.wav", sampleRate_, error);
    }

    bool addFrame(std::uint64_t index, const std::vector<std::uint8_t>& rgba, std::string* error) override
    {
        char name[40];
        std::snprintf(name, sizeof name, "frame-%06llu.png", static_cast<unsigned long long>(index));
        return shown(writePng(temporary_ + "/" + name, width_, height_, rgba, error), error);
    }

    bool addAudio(const std::vector<std::int16_t>& interleaved, std::size_t frames, std::string* error) override
    {
        return shown(sound_.write(interleaved, frames, error), error);
    }

    bool finish(std::string* error) override
    {
        if (!shown(sound_.commit(error), error))
            return false;
        if (endSignal()) {
            *error = interrupted;
            return false;
        }
        // An earlier capture (or an empty folder) trades places with the new
        // one in one step, and goes only after that.
        struct stat info{};
        const bool replacing = lstat(folder_.c_str(), &info) == 0;
        if (replacing && renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, folder_.c_str(), RENAME_EXCHANGE) != 0 &&
            !replaceByTwoRenames(error))
            return false;
        if (!replacing && std::rename(temporary_.c_str(), folder_.c_str()) != 0) {
            *error = fileError(shownAs_);
            return false;
        }
        std::error_code ec;
        if (replacing)
            fs::remove_all(temporary_, ec);
        temporary_.clear();
        return true;
    }

    void abandon() override
    {
        sound_.discard();
        if (!temporary_.empty()) {
            std::error_code ec;
            fs::remove_all(temporary_, ec);
            temporary_.clear();
        }
    }

private:
    // A message about a file in the temporary folder names it as it will be
    // named in the requested one.
    bool shown(bool ok, std::string* error) const
    {
        if (!ok && error->starts_with(temporary_ + "/"))
            *error = (fs::path(shownAs_) / error->substr(temporary_.size() + 1)).string();
        return ok;
    }

    // For file systems that cannot exchange two names: the old folder steps
    // aside under the temporary's name, then the new one takes its place.
    bool replaceByTwoRenames(std::string* error)
    {
        const std::string aside = temporary_ + ".old";
        if (std::rename(folder_.c_str(), aside.c_str()) != 0) {
            *error = fileError(shownAs_);
            return false;
        }
        if (std::rename(temporary_.c_str(), folder_.c_str()) != 0) {
            *error = fileError(shownAs_);
            std::rename(aside.c_str(), folder_.c_str());
            return false;
        }
        std::rename(aside.c_str(), temporary_.c_str());
        return true;
    }

    std::string folder_, shownAs_;
    int width_, height_, sampleRate_;
    std::string temporary_;
    SoundWriter sound_;
};

// The encoders run below the drawing: each frame waits for the slowest of
// llvmpipe's rasterizer threads, so an encoder thread holding a core delays
// the whole frame, while the encoders, a queue behind, lose nothing by
// waiting. On two cores, over the first minute of the show: 1.2x real time
// against 1.12x.
constexpr int encoderNiceness = 10;

const std::vector<std::string> ffmpegQuiet = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y"};

// The encoder's threads: a fixed count, not the machine's, since x264 (and
// libvpx with one thread) writes other bytes with another count. Four: no
// count was faster on two cores, and larger machines get some use of theirs.
constexpr const char* encoderThreads = "4";

// The picture's encoder and its speed.
std::vector<std::string> videoCodec(const std::string& presetName, bool webm)
{
    const EncoderPreset* preset = findEncoderPreset(presetName);
    if (webm)
        return {"-c:v", "libvpx-vp9", "-b:v", "0", "-row-mt", "1", "-deadline", preset->vp9Deadline,
                "-cpu-used", std::to_string(preset->vp9CpuUsed), "-threads", encoderThreads};
    return {"-c:v", "libx264", "-preset", preset->name, "-tune", "animation", "-threads", encoderThreads};
}

// Video: the frames piped into one ffmpeg as YUV, the sound into another as
// it is rendered, each encoding into a temporary file beside the output; at
// the end one more ffmpeg run copies both streams into the final file. Every
// name goes to ffmpeg behind "file:", so a name like "take:2.mp4" is not
// taken for a protocol, and "+bitexact" because Matroska otherwise writes
// random IDs.
class VideoOutput : public CaptureOutput {
public:
    VideoOutput(const CaptureOptions& options, int sampleRate)
        : options_(options), sampleRate_(sampleRate), webm_(lowerExtension(options.output) == ".webm") {}

    ~VideoOutput() override { abandon(); }

    bool start(std::string* error) override
    {
        const std::string ext = lowerExtension(options_.output);
        videoTemporary_ = WholeFile::temporaryName(options_.output + ".video" + ext);
        soundTemporary_ = WholeFile::temporaryName(options_.output + ".sound" + (webm_ ? ".mka" : ".m4a"));
        finalTemporary_ = WholeFile::temporaryName(options_.output);

        std::vector<std::string> video = ffmpegQuiet;
        video.insert(video.end(), {"-f", "rawvideo", "-pix_fmt", "yuv420p", "-s",
                                   std::to_string(options_.width) + "x" + std::to_string(options_.height), "-r",
                                   std::to_string(options_.fps.numerator) + "/" + std::to_string(options_.fps.denominator),
                                   "-i", "pipe:0", "-an"});
        const std::vector<std::string> codec = videoCodec(options_.preset, webm_);
        video.insert(video.end(), codec.begin(), codec.end());
        // The colours as yuv_frame.h makes them.
        video.insert(video.end(), {"-crf", std::to_string(options_.crf), "-colorspace", "bt709", "-color_primaries",
                                   "bt709", "-color_trc", "bt709", "-color_range", "tv", "-fflags", "+bitexact",
                                   "file:" + videoTemporary_});
        std::vector<std::string> sound = ffmpegQuiet;
        sound.insert(sound.end(), {"-f", "s16le", "-ar", std::to_string(sampleRate_), "-ac", "2", "-i", "pipe:0"});
        if (webm_)
            sound.insert(sound.end(), {"-c:a", "libopus", "-b:a", "160k"});
        else
            sound.insert(sound.end(), {"-c:a", "aac", "-b:a", "192k"});
        sound.insert(sound.end(), {"-fflags", "+bitexact", "file:" + soundTemporary_});

        yuv_.resize(yuv420Bytes(options_.width, options_.height));
        return ffmpegStarted(encoder_.start(video, true, encoderNiceness), error) &&
               ffmpegStarted(soundEncoder_.start(sound, true, encoderNiceness), error);
    }

    bool addFrame(std::uint64_t, const std::vector<std::uint8_t>& rgbaBottomUp, std::string* error) override
    {
        rgbaToYuv420(rgbaBottomUp.data(), options_.width, options_.height, yuv_.data());
        if (!encoder_.write(yuv_.data(), yuv_.size())) {
            *error = endSignal() ? interrupted : "ffmpeg stopped taking frames (see its message above)";
            return false;
        }
        return true;
    }

    bool addAudio(const std::vector<std::int16_t>& interleaved, std::size_t frames, std::string* error) override
    {
        // Little-endian samples, as the machine holds them on every target we build for.
        if (!soundEncoder_.write(interleaved.data(), frames * 2 * sizeof(std::int16_t))) {
            *error = endSignal() ? interrupted : "ffmpeg stopped taking the sound (see its message above)";
            return false;
        }
        return true;
    }

    bool finish(std::string* error) override
    {
        soundEncoder_.closeInput();  // so both finish side by side
        const int encoded = encoder_.wait();
        if (encoded != 0) {
            *error = encoded < 0 ? interrupted : "ffmpeg failed while encoding the picture";
            return false;
        }
        const int soundEncoded = soundEncoder_.wait();
        if (soundEncoded != 0) {
            *error = soundEncoded < 0 ? interrupted : "ffmpeg failed while encoding the sound";
            return false;
        }
        std::vector<std::string> mux = ffmpegQuiet;
        mux.insert(mux.end(), {"-i", "file:" + videoTemporary_, "-i", "file:" + soundTemporary_, "-map", "0:v",
                               "-map", "1:a", "-c", "copy", "-fflags", "+bitexact", "file:" + finalTemporary_});
        const int started = muxer_.start(mux, false);
        const int muxed = started ? started : muxer_.wait();
        if (muxed != 0) {
            *error = muxed < 0 ? interrupted : "ffmpeg failed while adding the sound";
            return false;
        }
        // A signal during the last step is still a signal: the video does not
        // appear.
        if (endSignal()) {
            *error = interrupted;
            return false;
        }
        if (std::rename(finalTemporary_.c_str(), options_.output.c_str()) != 0) {
            *error = fileError(options_.output);
            return false;
        }
        finalTemporary_.clear();
        abandon();  // what is left is temporary
        return true;
    }

    void abandon() override
    {
        encoder_.kill();
        soundEncoder_.kill();
        muxer_.kill();
        for (std::string* name : {&videoTemporary_, &soundTemporary_, &finalTemporary_}) {
            if (!name->empty())
                unlink(name->c_str());
            name->clear();
        }
    }

private:
    static bool ffmpegStarted(int failed, std::string* error)
    {
        if (failed == ENOENT)
            *error = "ffmpeg is not installed, and a video needs it; install it (apt-get install ffmpeg) "
                     "or capture into a folder instead (OUTPUT ending in /) for PNG frames and audio.wav";
        else if (failed)
            *error = std::string("cannot start ffmpeg: ") + std::strerror(failed);
        return failed == 0;
    }

    CaptureOptions options_;
    int sampleRate_;
    bool webm_;
    ChildProcess encoder_, soundEncoder_, muxer_;
    std::string videoTemporary_, soundTemporary_, finalTemporary_;
    std::vector<std::uint8_t> yuv_;  // the frame on its way to ffmpeg
};

} // namespace

bool SoundWriter::open(const std::string& path, int sampleRate, std::string* error)
{
    dataBytes_ = 0;
    if (!file_.open(path, error))
        return false;
    const auto rate = static_cast<std::uint32_t>(sampleRate);
    std::uint8_t header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                               16, 0, 0, 0, 1, 0, 2, 0};  // PCM, stereo; sizes completed at the end
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            header[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(24, rate);
    put32(28, rate * 4);
    header[32] = 4;
    header[34] = 16;
    std::memcpy(header + 36, "data", 4);
    return file_.write(header, sizeof header, error);
}

bool SoundWriter::write(const std::vector<std::int16_t>& interleaved, std::size_t frames, std::string* error)
{
    const std::size_t bytes = frames * 2 * sizeof(std::int16_t);
    if (dataBytes_ + bytes > maxWavDataBytes) {
        *error = file_.path() + ": the sound passes " + byteSize(maxWavDataBytes) + ", more than a WAV file holds";
        return false;
    }
    // Little-endian samples, as the machine holds them on every target we build for.
    if (!file_.write(interleaved.data(), bytes, error))
        return false;
    dataBytes_ += bytes;
    return true;
}

bool SoundWriter::commit(std::string* error)
{
    if (file_.isOpen()) {
        std::uint8_t size[4];
        auto patch = [&](long at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                size[i] = static_cast<std::uint8_t>(v >> (8 * i));
            return std::fseek(file_.stream(), at, SEEK_SET) == 0 && std::fwrite(size, 1, 4, file_.stream()) == 4;
        };
        if (!patch(4, static_cast<std::uint32_t>(36 + dataBytes_)) ||
            !patch(40, static_cast<std::uint32_t>(dataBytes_))) {
            *error = fileError(file_.path());
            file_.discard();
            return false;
        }
    }
    return file_.commit(error);
}

bool outputIsFolder(const std::string& output)
{
    std::error_code ec;
    return (!output.empty() && output.back() == '/') || fs::is_directory(output, ec);
}

bool isVideoPath(const std::string& output)
{
    const std::string ext = lowerExtension(output);
    return ext == ".mp4" || ext == ".mkv" || ext == ".webm";
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

std::unique_ptr<CaptureOutput> prepareCaptureOutput(const CaptureOptions& options, int sampleRate,
                                                    std::string* error)
{
    const std::string& output = options.output;
    if (!outputIsFolder(output)) {
        if (!isVideoPath(output)) {
            *error = output + ": unknown kind of output; name a .mp4, .mkv or .webm file, or a folder (ending in /)";
            return nullptr;
        }
        if (lowerExtension(output) != ".webm" && (options.width % 2 || options.height % 2)) {
            *error = output + ": H.264 needs an even width and height, not " + std::to_string(options.width) + "x" +
                     std::to_string(options.height) + "; give an even --size, or write a .webm";
            return nullptr;
        }
        if (!checkOutputFile(output, options.force, error))
            return nullptr;
        return std::make_unique<VideoOutput>(options, sampleRate);
    }

    std::string folder = withoutTrailingSlashes(output);
    const std::string name = fs::path(folder).filename().string();
    if (folder == "/" || name == "." || name == "..") {
        *error = output + ": the capture takes the folder's place; name a new folder instead";
        return nullptr;
    }
    struct stat info{};
    if (lstat(folder.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            *error = fileError(output);
            return nullptr;
        }
        if (!checkFolderOf(folder, error))
            return nullptr;
        return std::make_unique<FolderOutput>(folder, output, options, sampleRate);
    }
    // A link to a folder: the capture goes where it points.
    std::error_code ec;
    if (S_ISLNK(info.st_mode))
        folder = fs::canonical(folder, ec).string();
    if (ec || !fs::is_directory(folder, ec)) {
        *error = output + ": " + (ec ? ec.message() : std::strerror(ENOTDIR));
        return nullptr;
    }
    // What may be replaced is an earlier capture, and only with --force;
    // anything else in the folder is the user's.
    bool holdsCapture = false;
    for (fs::directory_iterator entry(folder, ec), end; !ec && entry != end; entry.increment(ec)) {
        const std::string file = entry->path().filename().string();
        if (!isCaptureFileName(file)) {
            *error = output + ": holds " + file + ", which is not a capture's; name a new or empty folder";
            return nullptr;
        }
        holdsCapture = true;
    }
    if (ec) {
        *error = output + ": " + ec.message();
        return nullptr;
    }
    if (holdsCapture && !options.force) {
        *error = output + ": already holds a capture; use --force to replace it";
        return nullptr;
    }
    return std::make_unique<FolderOutput>(folder, output, options, sampleRate);
}

bool soundFits(const CaptureOptions& options, std::uint64_t sampleFrames, int sampleRate, std::string* error)
{
    const std::uint64_t bytes = sampleFrames * 4;
    if (!outputIsFolder(options.output) || bytes <= SoundWriter::maxWavDataBytes)
        return true;
    const double hours = static_cast<double>(SoundWriter::maxWavDataBytes / 4) / sampleRate / 3600.0;
    char limit[32];
    std::snprintf(limit, sizeof limit, "%.1f hours", hours);
    *error = options.output + ": the capture's sound would take " + byteSize(bytes) + ", more than audio.wav can hold (" +
             byteSize(SoundWriter::maxWavDataBytes) + ", " + limit +
             "); capture less (--seconds, --frames) or into a video";
    return false;
}

std::unique_ptr<CaptureOutput> openCaptureOutput(const CaptureOptions& options, int sampleRate,
                                                 std::string* error)
{
    std::unique_ptr<CaptureOutput> output = prepareCaptureOutput(options, sampleRate, error);
    if (output && !output->start(error))
        return nullptr;
    return output;
}
