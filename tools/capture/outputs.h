// Where captured frames and sound go: numbered PNGs and a WAV in a folder
// (frame_folder.h), or a video file made by ffmpeg (video_output.h), by the
// name rules of output_paths.h.
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
#include "output_paths.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The reason an output gives when a caught end signal stopped it.
inline constexpr const char* captureInterrupted = "interrupted";

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
