// Where captured frames and sound go: numbered PNGs and a WAV in a folder, or
// a video file made by ffmpeg.
//
// Every output is whole or untouched. Everything is written under temporary
// names in the destination's folder (a folder capture into a temporary
// folder beside it) and moved into place by finish(); an earlier output that
// --force replaces stays as it was until then. Abandoned (failed,
// interrupted, or destroyed before finish) the temporaries go, and the
// requested name keeps what it held.
#ifndef MARDUNQIST_CAPTURE_OUTPUTS_H
#define MARDUNQIST_CAPTURE_OUTPUTS_H

#include "capture_options.h"
#include "os/whole_file.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// 16-bit stereo sound written as it goes into a WAV, its header completed at
// the end.
class SoundWriter {
public:
    // A WAV counts its bytes in 32 bits: 4 GiB less its header at most.
    static constexpr std::uint64_t maxWavDataBytes = 0xFFFFFFFFu - 36;

    bool open(const std::string& path, int sampleRate, std::string* error);
    // False with "FILE: why" on a write error, or for sound that would pass
    // what a WAV can hold.
    bool write(const std::vector<std::int16_t>& interleaved, std::size_t frames, std::string* error);
    // Completes the header, closes, and the file takes its name.
    bool commit(std::string* error);
    void discard() { file_.discard(); }

private:
    WholeFile file_;
    std::uint64_t dataBytes_ = 0;
};

// addFrame and addAudio may be called from two different threads (frames
// come from the capture's frame pipe); the rest from one, after both.
class CaptureOutput {
public:
    virtual ~CaptureOutput() = default;
    // Makes the temporaries (and starts the encoder). Nothing before it
    // touches the file system.
    virtual bool start(std::string*) { return true; }
    // RGBA rows as GL reads them, the bottom row first.
    virtual bool addFrame(std::uint64_t index, const std::vector<std::uint8_t>& rgbaBottomUp,
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

// Refuses a file the capture would write (OUTPUT, --timeline) that exists
// without --force, or whose name or folder is unusable: false with one line
// naming it and the reason.
bool checkOutputFile(const std::string& path, bool force, std::string* error);

// The output for the options, checked but not started, or nullptr with one
// line naming OUTPUT and the reason: unusable name or folder, an existing
// output without --force, a folder holding files that are not a capture's,
// an unknown extension, an odd size for H.264.
std::unique_ptr<CaptureOutput> prepareCaptureOutput(const CaptureOptions& options, int sampleRate,
                                                    std::string* error);

// Refuses, before anything is written, a folder capture whose audio.wav
// would pass what a WAV holds (a video keeps its sound in a plain file).
bool soundFits(const CaptureOptions& options, std::uint64_t sampleFrames, int sampleRate, std::string* error);

// prepareCaptureOutput, then start.
std::unique_ptr<CaptureOutput> openCaptureOutput(const CaptureOptions& options, int sampleRate,
                                                 std::string* error);

#endif
