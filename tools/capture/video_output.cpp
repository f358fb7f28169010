#include "video_output.h"

#include "platform/child_process.h"
#include "output_paths.h"
#include "media/yuv_frame.h"
#include "platform/end_signals.h"
#include "platform/files.h"
#include "files/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

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
std::vector<std::string> videoCodec(PictureCodec codec, const std::string& presetName)
{
    const EncoderPreset* preset = findEncoderPreset(presetName);
    switch (codec) {
    case PictureCodec::vp9:
        return {"-c:v", "libvpx-vp9", "-b:v", "0", "-row-mt", "1", "-deadline", preset->vp9Deadline,
                "-cpu-used", std::to_string(preset->vp9CpuUsed), "-threads", encoderThreads};
    case PictureCodec::h264:
        break;
    }
    return {"-c:v", "libx264", "-preset", preset->name, "-tune", "animation", "-threads", encoderThreads};
}

// Every name goes to ffmpeg behind "file:", so a name like "take:2.mp4" is
// not taken for a protocol, and "+bitexact" because Matroska otherwise
// writes random IDs.
class VideoOutput : public CaptureOutput {
public:
    VideoOutput(const VideoContainer& container, const CaptureOptions& options, int sampleRate)
        : container_(container), options_(options), sampleRate_(sampleRate) {}

    ~VideoOutput() override { abandon(); }

    bool start(std::string* error) override
    {
        videoTemporary_ = WholeFile::temporaryName(options_.output + ".video" + lowerExtension(options_.output));
        soundTemporary_ = WholeFile::temporaryName(options_.output + ".sound" + container_.soundFile);
        finalTemporary_ = WholeFile::temporaryName(options_.output);

        std::vector<std::string> video = ffmpegQuiet;
        video.insert(video.end(), {"-f", "rawvideo", "-pix_fmt", "yuv420p", "-s",
                                   std::to_string(options_.width) + "x" + std::to_string(options_.height), "-r",
                                   std::to_string(options_.fps.numerator) + "/" + std::to_string(options_.fps.denominator),
                                   "-i", "pipe:0", "-an"});
        const std::vector<std::string> codec = videoCodec(container_.picture, options_.preset);
        video.insert(video.end(), codec.begin(), codec.end());
        // The colours as yuv_frame.h makes them.
        video.insert(video.end(), {"-crf", std::to_string(options_.crf), "-colorspace", "bt709", "-color_primaries",
                                   "bt709", "-color_trc", "bt709", "-color_range", "tv", "-fflags", "+bitexact",
                                   "file:" + videoTemporary_});
        std::vector<std::string> sound = ffmpegQuiet;
        sound.insert(sound.end(), {"-f", "s16le", "-ar", std::to_string(sampleRate_), "-ac", "2", "-i", "pipe:0",
                                   "-c:a", container_.soundEncoder, "-b:a", container_.soundBitRate, "-fflags",
                                   "+bitexact", "file:" + soundTemporary_});

        yuv_.resize(yuv420Bytes(options_.width, options_.height));
        return ffmpegStarted(encoder_.start(video, true, encoderNiceness), error) &&
               ffmpegStarted(soundEncoder_.start(sound, true, encoderNiceness), error);
    }

    bool addFrame(std::uint64_t, const std::vector<std::uint8_t>& rgbaBottomUp, std::string* error) override
    {
        rgbaToYuv420(rgbaBottomUp.data(), options_.width, options_.height, yuv_.data());
        if (!encoder_.write(yuv_.data(), yuv_.size())) {
            *error = endSignal() ? captureInterrupted : "ffmpeg stopped taking frames (see its message above)";
            return false;
        }
        return true;
    }

    bool addAudio(const std::vector<std::int16_t>& interleaved, std::size_t frames, std::string* error) override
    {
        // Little-endian samples, as the machine holds them on every target we build for.
        if (!soundEncoder_.write(interleaved.data(), frames * 2 * sizeof(std::int16_t))) {
            *error = endSignal() ? captureInterrupted : "ffmpeg stopped taking the sound (see its message above)";
            return false;
        }
        return true;
    }

    bool finish(std::string* error) override
    {
        soundEncoder_.closeInput();  // so both finish side by side
        const int encoded = encoder_.wait();
        if (encoded != 0) {
            *error = encoded < 0 ? captureInterrupted : "ffmpeg failed while encoding the picture";
            return false;
        }
        const int soundEncoded = soundEncoder_.wait();
        if (soundEncoded != 0) {
            *error = soundEncoded < 0 ? captureInterrupted : "ffmpeg failed while encoding the sound";
            return false;
        }
        std::vector<std::string> mux = ffmpegQuiet;
        mux.insert(mux.end(), {"-i", "file:" + videoTemporary_, "-i", "file:" + soundTemporary_, "-map", "0:v",
                               "-map", "1:a", "-c", "copy", "-fflags", "+bitexact", "file:" + finalTemporary_});
        const int started = muxer_.start(mux, false);
        const int muxed = started ? started : muxer_.wait();
        if (muxed != 0) {
            *error = muxed < 0 ? captureInterrupted : "ffmpeg failed while adding the sound";
            return false;
        }
        // A signal during the last step is still a signal: the video does not
        // appear.
        if (endSignal()) {
            *error = captureInterrupted;
            return false;
        }
        if (!replaceName(finalTemporary_, options_.output)) {
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
                removeFile(*name);
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

    VideoContainer container_;
    CaptureOptions options_;
    int sampleRate_;
    ChildProcess encoder_, soundEncoder_, muxer_;
    std::string videoTemporary_, soundTemporary_, finalTemporary_;
    std::vector<std::uint8_t> yuv_;  // the frame on its way to ffmpeg
};

} // namespace

const VideoContainer* findVideoContainer(const std::string& path)
{
    const std::string extension = lowerExtension(path);
    for (const VideoContainer& container : videoContainers) {
        if (extension == container.extension)
            return &container;
    }
    return nullptr;
}

std::string videoExtensionList(const char* lastJoin)
{
    std::string list;
    const std::size_t count = std::size(videoContainers);
    for (std::size_t i = 0; i < count; ++i)
        list += std::string(i == 0 ? "" : i + 1 == count ? lastJoin : ", ") + videoContainers[i].extension;
    return list;
}

const char* pictureCodecName(PictureCodec codec)
{
    return codec == PictureCodec::vp9 ? "VP9" : "H.264";
}

bool needsEvenSize(PictureCodec codec)
{
    return codec == PictureCodec::h264;
}

std::unique_ptr<CaptureOutput> makeVideoOutput(const VideoContainer& container, const CaptureOptions& options,
                                               int sampleRate)
{
    return std::make_unique<VideoOutput>(container, options, sampleRate);
}
