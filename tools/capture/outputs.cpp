#include "outputs.h"

#include <png.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string lowerExtension(const std::string& path)
{
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string temporaryName(const std::string& path)
{
    // Same folder, so the final rename is atomic; the real extension last, so
    // tools that go by it (ffmpeg) still know the container.
    const fs::path p(path);
    return (p.parent_path() / (p.stem().string() + ".partial-" + std::to_string(getpid()) +
                               p.extension().string())).string();
}

bool commit(const std::string& temporary, const std::string& final, std::string* error)
{
    std::error_code ec;
    fs::rename(temporary, final, ec);
    if (ec) {
        *error = final + ": " + ec.message();
        return false;
    }
    return true;
}

void put16(std::FILE* f, unsigned v)
{
    std::fputc(static_cast<int>(v & 0xFF), f);
    std::fputc(static_cast<int>((v >> 8) & 0xFF), f);
}

void put32(std::FILE* f, std::uint32_t v)
{
    put16(f, v & 0xFFFF);
    put16(f, v >> 16);
}

bool writePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba,
              std::string* error)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        *error = path + ": PNG encoding failed";
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
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(rgba.data() + static_cast<std::size_t>(y) * width * 4));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(f) != 0) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string shellQuote(const std::string& s)
{
    std::string quoted = "'";
    for (char c : s) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

bool haveFfmpeg()
{
    return std::system("command -v ffmpeg >/dev/null 2>&1") == 0;
}

class FolderOutput : public CaptureOutput {
public:
    FolderOutput(std::string folder, int width, int height, int sampleRate)
        : folder_(std::move(folder)), width_(width), height_(height), sampleRate_(sampleRate) {}

    bool start(std::string* error)
    {
        std::error_code ec;
        fs::create_directories(folder_, ec);
        if (ec) {
            *error = folder_ + ": " + ec.message();
            return false;
        }
        audioTemporary_ = temporaryName(folder_ + "/audio.wav");
        return wav_.open(audioTemporary_, sampleRate_, error);
    }

    bool addFrame(std::uint64_t index, const std::vector<std::uint8_t>& rgba, std::string* error) override
    {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06llu.png", static_cast<unsigned long long>(index));
        const std::string final = folder_ + "/" + name;
        frameTemporary_ = temporaryName(final);
        if (!writePng(frameTemporary_, width_, height_, rgba, error))
            return false;
        const bool ok = commit(frameTemporary_, final, error);
        frameTemporary_.clear();
        return ok;
    }

    bool addAudio(const std::vector<std::int16_t>& interleaved, std::size_t frames, std::string* error) override
    {
        if (!wav_.write(interleaved, frames)) {
            *error = audioTemporary_ + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }

    bool finish(std::string* error) override
    {
        return wav_.close(error) && commit(audioTemporary_, folder_ + "/audio.wav", error);
    }

    void abandon() override
    {
        wav_.discard();
        if (!frameTemporary_.empty())
            std::remove(frameTemporary_.c_str());
    }

private:
    std::string folder_;
    int width_, height_, sampleRate_;
    WavWriter wav_;
    std::string audioTemporary_;
    std::string frameTemporary_;
};

// Video: frames piped raw into ffmpeg (picture only), the sound into a WAV
// beside it; at the end one more ffmpeg run muxes both into the final file.
class VideoOutput : public CaptureOutput {
public:
    VideoOutput(const CaptureOptions& options, int sampleRate) : options_(options), sampleRate_(sampleRate) {}

    ~VideoOutput() override
    {
        if (pipe_)
            pclose(pipe_);
    }

    bool start(std::string* error)
    {
        const std::string ext = lowerExtension(options_.output);
        const bool webm = ext == ".webm";
        videoTemporary_ = temporaryName(options_.output + ".video" + ext);
        audioTemporary_ = temporaryName(options_.output + ".wav");
        finalTemporary_ = temporaryName(options_.output);
        if (!wav_.open(audioTemporary_, sampleRate_, error))
            return false;

        const std::string rate = std::to_string(options_.fps.numerator) + "/" +
                                 std::to_string(options_.fps.denominator);
        const std::string codec = webm ? "-c:v libvpx-vp9 -b:v 0 -row-mt 1 -deadline good -cpu-used 4"
                                       : "-c:v libx264 -preset medium -tune animation";
        const std::string command =
            "ffmpeg -hide_banner -loglevel error -y -f rawvideo -pix_fmt rgba -s " +
            std::to_string(options_.width) + "x" + std::to_string(options_.height) + " -r " + rate +
            " -i pipe:0 -an " + codec + " -crf " + std::to_string(options_.crf) +
            " -pix_fmt yuv420p " + shellQuote(videoTemporary_);
        pipe_ = popen(command.c_str(), "w");
        if (!pipe_) {
            *error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
            return false;
        }
        return true;
    }

    bool addFrame(std::uint64_t, const std::vector<std::uint8_t>& rgba, std::string* error) override
    {
        if (std::fwrite(rgba.data(), 1, rgba.size(), pipe_) != rgba.size()) {
            *error = "ffmpeg stopped taking frames (see its message above)";
            return false;
        }
        return true;
    }

    bool addAudio(const std::vector<std::int16_t>& interleaved, std::size_t frames, std::string* error) override
    {
        if (!wav_.write(interleaved, frames)) {
            *error = audioTemporary_ + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }

    bool finish(std::string* error) override
    {
        const int status = pclose(pipe_);
        pipe_ = nullptr;
        if (status != 0) {
            *error = "ffmpeg failed while encoding the picture";
            abandon();
            return false;
        }
        if (!wav_.close(error)) {
            abandon();
            return false;
        }
        const bool webm = lowerExtension(options_.output) == ".webm";
        const std::string audioCodec = webm ? "-c:a libopus -b:a 160k" : "-c:a aac -b:a 192k";
        const std::string mux = "ffmpeg -hide_banner -loglevel error -y -i " + shellQuote(videoTemporary_) +
                                " -i " + shellQuote(audioTemporary_) + " -map 0:v -map 1:a -c:v copy " +
                                audioCodec + " " + shellQuote(finalTemporary_);
        if (std::system(mux.c_str()) != 0) {
            *error = "ffmpeg failed while adding the sound";
            abandon();
            return false;
        }
        std::remove(videoTemporary_.c_str());
        std::remove(audioTemporary_.c_str());
        return commit(finalTemporary_, options_.output, error);
    }

    void abandon() override
    {
        if (pipe_) {
            pclose(pipe_);
            pipe_ = nullptr;
        }
        wav_.discard();
        std::remove(videoTemporary_.c_str());
        std::remove(audioTemporary_.c_str());
        std::remove(finalTemporary_.c_str());
    }

private:
    CaptureOptions options_;
    int sampleRate_;
    std::FILE* pipe_ = nullptr;
    WavWriter wav_;
    std::string videoTemporary_, audioTemporary_, finalTemporary_;
};

} // namespace

WavWriter::~WavWriter()
{
    discard();
}

bool WavWriter::open(const std::string& path, int sampleRate, std::string* error)
{
    path_ = path;
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    dataBytes_ = 0;
    std::fwrite("RIFF", 1, 4, file_);
    put32(file_, 0);  // completed at close
    std::fwrite("WAVEfmt ", 1, 8, file_);
    put32(file_, 16);
    put16(file_, 1);  // PCM
    put16(file_, 2);
    put32(file_, static_cast<std::uint32_t>(sampleRate));
    put32(file_, static_cast<std::uint32_t>(sampleRate) * 4);
    put16(file_, 4);
    put16(file_, 16);
    std::fwrite("data", 1, 4, file_);
    put32(file_, 0);
    return true;
}

bool WavWriter::write(const std::vector<std::int16_t>& interleaved, std::size_t frames)
{
    // Little-endian samples, as the machine holds them on every target we build for.
    const std::size_t count = frames * 2;
    if (std::fwrite(interleaved.data(), sizeof(std::int16_t), count, file_) != count)
        return false;
    dataBytes_ += count * sizeof(std::int16_t);
    return true;
}

bool WavWriter::close(std::string* error)
{
    if (!file_)
        return true;
    std::fseek(file_, 4, SEEK_SET);
    put32(file_, static_cast<std::uint32_t>(36 + dataBytes_));
    std::fseek(file_, 40, SEEK_SET);
    put32(file_, static_cast<std::uint32_t>(dataBytes_));
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!ok)
        *error = path_ + ": " + std::strerror(errno);
    return ok;
}

void WavWriter::discard()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
        std::remove(path_.c_str());
    }
}

bool outputIsFolder(const std::string& output)
{
    return (!output.empty() && output.back() == '/') || fs::is_directory(output);
}

bool isVideoPath(const std::string& output)
{
    const std::string ext = lowerExtension(output);
    return ext == ".mp4" || ext == ".mkv" || ext == ".webm";
}

std::unique_ptr<CaptureOutput> openCaptureOutput(const CaptureOptions& options, int sampleRate,
                                                 std::string* error)
{
    if (outputIsFolder(options.output)) {
        const std::string folder = options.output;
        if (!options.force && (fs::exists(folder + "/audio.wav") || fs::exists(folder + "/frame-000000.png"))) {
            *error = folder + ": already holds a capture; use --force to overwrite it";
            return nullptr;
        }
        auto output = std::make_unique<FolderOutput>(folder, options.width, options.height, sampleRate);
        if (!output->start(error))
            return nullptr;
        return output;
    }
    if (!isVideoPath(options.output)) {
        *error = options.output + ": unknown kind of output; name a .mp4, .mkv or .webm file, or a folder (ending in /)";
        return nullptr;
    }
    if (!options.force && fs::exists(options.output)) {
        *error = options.output + ": already exists; use --force to overwrite it";
        return nullptr;
    }
    if (!haveFfmpeg()) {
        *error = "ffmpeg is not installed, and a video needs it; install it (apt-get install ffmpeg) "
                 "or capture into a folder instead (OUTPUT ending in /) for PNG frames and audio.wav";
        return nullptr;
    }
    auto output = std::make_unique<VideoOutput>(options, sampleRate);
    if (!output->start(error))
        return nullptr;
    return output;
}
