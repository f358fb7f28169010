#include "frame_folder.h"

#include "sound_writer.h"
#include "files/path_text.h"
#include "files/whole_file.h"
#include "platform/end_signals.h"
#include "platform/files.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

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
            if (makeFolder(name))
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
            *error = captureInterrupted;
            return false;
        }
        // An earlier capture (or an empty folder) trades places with the new
        // one in one step, and goes only after that.
        EntryKind kind = EntryKind::missing;
        const bool replacing = entryKind(folder_, Links::refuse, &kind) && kind != EntryKind::missing;
        if (replacing && !exchangeNames(temporary_, folder_) && !replaceByTwoRenames(error))
            return false;
        if (!replacing && !replaceName(temporary_, folder_)) {
            *error = fileError(shownAs_);
            return false;
        }
        if (replacing)
            removeTree(temporary_);
        temporary_.clear();
        return true;
    }

    void abandon() override
    {
        sound_.discard();
        if (!temporary_.empty()) {
            removeTree(temporary_);
            temporary_.clear();
        }
    }

private:
    // A message about a file in the temporary folder names it as it will be
    // named in the requested one.
    bool shown(bool ok, std::string* error) const
    {
        if (!ok && error->starts_with(temporary_ + "/"))
            *error = textOf(pathOf(shownAs_) / pathOf(error->substr(temporary_.size() + 1)));
        return ok;
    }

    // For file systems that cannot exchange two names: the old folder steps
    // aside under the temporary's name, then the new one takes its place.
    bool replaceByTwoRenames(std::string* error)
    {
        const std::string aside = temporary_ + ".old";
        if (!replaceName(folder_, aside)) {
            *error = fileError(shownAs_);
            return false;
        }
        if (!replaceName(temporary_, folder_)) {
            *error = fileError(shownAs_);
            replaceName(aside, folder_);
            return false;
        }
        replaceName(aside, temporary_);
        return true;
    }

    std::string folder_, shownAs_;
    int width_, height_, sampleRate_;
    std::string temporary_;
    SoundWriter sound_;
};

} // namespace

bool writePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgbaBottomUp,
              std::string* error)
{
    // The frames go into a folder of the capture's own making: every name is new.
    const int fd = createNewFile(path);
    std::FILE* f = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!f) {
        *error = fileError(path);
        if (fd >= 0)
            close(fd);
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

std::unique_ptr<CaptureOutput> makeFrameFolderOutput(const std::string& folder, const std::string& shownAs,
                                                     const CaptureOptions& options, int sampleRate)
{
    return std::make_unique<FolderOutput>(folder, shownAs, options, sampleRate);
}
