// Where captured frames and sound go: numbered PNGs and a WAV in a folder, or
// a video file made by ffmpeg. Either way nothing appears under a requested
// name until it is complete: files are written under temporary names and
// renamed when done, and abandon() removes what was under way.
#ifndef MARDUNQIST_CAPTURE_OUTPUTS_H
#define MARDUNQIST_CAPTURE_OUTPUTS_H

#include "capture_options.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// A 16-bit stereo WAV written as it goes; the header is completed at close.
class WavWriter {
public:
    ~WavWriter();
    bool open(const std::string& path, int sampleRate, std::string* error);
    bool write(const std::vector<std::int16_t>& interleaved, std::size_t frames);
    bool close(std::string* error);
    void discard();

private:
    std::FILE* file_ = nullptr;
    std::string path_;
    std::uint64_t dataBytes_ = 0;
};

// addFrame and addAudio may be called from two different threads (frames
// come from the capture's frame pipe); finish and abandon from one, after both.
class CaptureOutput {
public:
    virtual ~CaptureOutput() = default;
    // Rows top-down, RGBA.
    virtual bool addFrame(std::uint64_t index, const std::vector<std::uint8_t>& rgbaTopDown,
                          std::string* error) = 0;
    virtual bool addAudio(const std::vector<std::int16_t>& interleaved, std::size_t frames,
                          std::string* error) = 0;
    // Completes the output under its requested name.
    virtual bool finish(std::string* error) = 0;
    // Removes everything unfinished.
    virtual void abandon() = 0;
};

// True when OUTPUT names a folder (existing, or ending in '/').
bool outputIsFolder(const std::string& output);

// A video container ffmpeg knows by this file's extension (.mp4, .mkv, .webm).
bool isVideoPath(const std::string& output);

// The output for the options, or nullptr with a reason (an existing output
// without --force, a missing ffmpeg, an unknown extension).
std::unique_ptr<CaptureOutput> openCaptureOutput(const CaptureOptions& options, int sampleRate,
                                                 std::string* error);

#endif
