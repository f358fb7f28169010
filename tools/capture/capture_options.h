// The capture's command line, one set of rules for both front ends: the
// native tool (mardunqist-capture) and the web capture
// (mardunqist-web-capture), which runs these same rules compiled for Node.js
// (capture_options_node.cpp). Each option is one row of a table: its name,
// which front ends take it, its help, and how its value is read, so the two
// tools accept the same values and say the same words about bad ones.
#ifndef MARDUNQIST_CAPTURE_OPTIONS_H
#define MARDUNQIST_CAPTURE_OPTIONS_H

#include "seams/frame_clock.h"

#include <cstdint>
#include <optional>
#include <string>

// Which front end reads the command line.
enum class CaptureTool { native, web };

// x264's presets, fastest first, and the VP9 speed each stands for in a
// .webm (libvpx's deadline and cpu-used, picked to keep the same order of
// speed).
struct EncoderPreset {
    const char* name;
    const char* vp9Deadline;
    int vp9CpuUsed;
};

// The capture's default: measured to keep a 1024x768, 60 fps capture at
// least as fast as the show plays on two cores.
inline constexpr const char* defaultPreset = "superfast";

// nullptr for a name that is not a preset.
const EncoderPreset* findEncoderPreset(const std::string& name);

struct CaptureOptions {
    std::string output;                   // a video file, or a folder for PNGs + audio.wav
    FrameRate fps;
    int width = 1024;
    int height = 768;
    std::optional<std::uint64_t> frames;  // stop after this many
    std::optional<double> seconds;        // or after this much show time
    std::uint32_t seedTick = 4200000;     // the tick count the seed is made from
    std::string dataDir;                  // "" until --data names one
    std::string timelineCsv;
    int crf = 18;
    std::string preset = defaultPreset;
    bool gentle = false;                  // through the gentle mode's filter
    std::string flashReport;              // "" or where the flash check's report goes
    bool force = false;
    bool quiet = false;
    bool help = false;
    std::string browser = "chromium";     // the web capture's browser engine
};

// Parses argv for `tool`; false with a one-line reason on bad input. The web
// capture writes PNG frames only, so its OUTPUT must be a folder.
bool parseCaptureOptions(CaptureTool tool, int argc, char** argv, CaptureOptions* options, std::string* error);

// "60", "60000/1001", from 1 to 1000000 frames a second; "29.97" is refused
// (use the fraction).
bool parseFrameRate(const std::string& text, FrameRate* rate);

// "1024x768".
bool parseSize(const std::string& text, int* width, int* height);

// The "options:" block of --help: the options `tool` takes, one row each.
std::string captureOptionsHelp(CaptureTool tool);

// The native tool's whole --help.
std::string captureUsage();

#endif
