// The capture tool's command line.
#ifndef MARDUNQIST_CAPTURE_OPTIONS_H
#define MARDUNQIST_CAPTURE_OPTIONS_H

#include <cstdint>
#include <optional>
#include <string>

struct FrameRate {
    std::uint64_t numerator = 60;
    std::uint64_t denominator = 1;
};

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
    bool force = false;
    bool quiet = false;
    bool help = false;
};

// Parses argv; false with a one-line reason on bad input.
bool parseCaptureOptions(int argc, char** argv, CaptureOptions* options, std::string* error);

// "60", "60000/1001", from 1 to 1000000 frames a second; "29.97" is refused
// (use the fraction).
bool parseFrameRate(const std::string& text, FrameRate* rate);

// "1024x768".
bool parseSize(const std::string& text, int* width, int* height);

const char* captureUsage();

#endif
