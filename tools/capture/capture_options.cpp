#include "capture_options.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace {

template <class T>
bool parseNumber(const std::string& text, T* value)
{
    if (text.empty())
        return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && ptr == end;
}

constexpr EncoderPreset presets[] = {
    {"ultrafast", "realtime", 8}, {"superfast", "realtime", 7}, {"veryfast", "realtime", 6},
    {"faster", "realtime", 5},    {"fast", "realtime", 4},      {"medium", "good", 4},
    {"slow", "good", 3},          {"slower", "good", 2},        {"veryslow", "good", 1},
    {"placebo", "good", 0},
};

std::string presetNames()
{
    std::string names;
    for (const EncoderPreset& p : presets)
        names += std::string(names.empty() ? "" : ", ") + p.name;
    return names;
}

} // namespace

const EncoderPreset* findEncoderPreset(const std::string& name)
{
    for (const EncoderPreset& p : presets) {
        if (name == p.name)
            return &p;
    }
    return nullptr;
}

const char* captureUsage()
{
    return "usage: mardunqist-capture [options] OUTPUT\n"
           "\n"
           "Renders the whole show with no display and no sound device, frame by frame\n"
           "on a virtual clock with the music rendered in lockstep, into OUTPUT:\n"
           "  a video file (.mp4, .mkv, .webm; needs ffmpeg), or\n"
           "  a folder (an existing one, or a name ending in /): frame-000000.png ...\n"
           "  plus audio.wav.\n"
           "The same options give the same frames and sound, byte for byte.\n"
           "Nothing appears under OUTPUT until the capture is complete: interrupted or\n"
           "failed, it leaves nothing behind and an earlier OUTPUT as it was. A folder\n"
           "OUTPUT must be new, empty, or (with --force) hold an earlier capture.\n"
           "\n"
           "options:\n"
           "  --fps RATE        frames per second, whole or a fraction (60, 60000/1001); default 60\n"
           "  --size WxH        frame size; default 1024x768 (the view is 4:3 at any size)\n"
           "  --frames N        stop after N frames\n"
           "  --seconds S       stop after S seconds of show\n"
           "  --seed-tick T     the tick count the random seed is made from; default 4200000\n"
           "  --data DIR        read Vostr_1.it and the pictures from DIR; default: the\n"
           "                    working directory when it holds Vostr_1.it, else the\n"
           "                    installed ones\n"
           "  --timeline FILE   write frame,time_ms,order,row,playing for every frame (CSV)\n"
           "  --crf N           video quality, lower is better; default 18\n"
           "  --preset NAME     encoder speed against file size, an x264 preset: ultrafast,\n"
           "                    superfast, veryfast, faster, fast, medium, slow, slower,\n"
           "                    veryslow, placebo; default superfast (at least as fast as\n"
           "                    the show plays at 1024x768, 60 fps, on two cores). A .webm\n"
           "                    takes the VP9 speed that matches (realtime 8 down to\n"
           "                    realtime 4, then good 4 down to good 0)\n"
           "  --force           replace an earlier OUTPUT (and --timeline FILE), once the\n"
           "                    new one is complete\n"
           "  --quiet           no progress on stderr\n"
           "  --help            this text\n"
           "\n"
           "Without --frames or --seconds the capture ends where the show ends: when the\n"
           "music has stopped during the credits, or, for a module that never reaches\n"
           "the credits, when the music has stopped.\n";
}

bool parseFrameRate(const std::string& text, FrameRate* rate)
{
    const std::size_t slash = text.find('/');
    FrameRate parsed;
    if (slash == std::string::npos) {
        if (!parseNumber(text, &parsed.numerator))
            return false;
    } else if (!parseNumber(text.substr(0, slash), &parsed.numerator) ||
               !parseNumber(text.substr(slash + 1), &parsed.denominator)) {
        return false;
    }
    // Below one frame a second a single frame would need hours of sound.
    if (parsed.numerator == 0 || parsed.denominator == 0 || parsed.numerator > 1000000 ||
        parsed.denominator > 1000000 || parsed.numerator < parsed.denominator)
        return false;
    *rate = parsed;
    return true;
}

bool parseSize(const std::string& text, int* width, int* height)
{
    const std::size_t x = text.find('x');
    int w = 0, h = 0;
    if (x == std::string::npos || !parseNumber(text.substr(0, x), &w) ||
        !parseNumber(text.substr(x + 1), &h))
        return false;
    if (w < 16 || h < 16 || w > 8192 || h > 8192)
        return false;
    *width = w;
    *height = h;
    return true;
}

bool parseCaptureOptions(int argc, char** argv, CaptureOptions* options, std::string* error)
{
    CaptureOptions parsed;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) {
                *error = arg + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
        } else if (arg == "--force") {
            parsed.force = true;
        } else if (arg == "--quiet") {
            parsed.quiet = true;
        } else if (arg == "--fps") {
            if (!value(&v)) return false;
            if (!parseFrameRate(v, &parsed.fps)) {
                *error = "--fps: '" + v + "' is not a frame rate of 1 to 1000000 a second (60, 60000/1001)";
                return false;
            }
        } else if (arg == "--size") {
            if (!value(&v)) return false;
            if (!parseSize(v, &parsed.width, &parsed.height)) {
                *error = "--size: '" + v + "' is not WIDTHxHEIGHT (16 to 8192 each)";
                return false;
            }
        } else if (arg == "--frames") {
            if (!value(&v)) return false;
            std::uint64_t n = 0;
            if (!parseNumber(v, &n) || n == 0) {
                *error = "--frames: '" + v + "' is not a positive whole number";
                return false;
            }
            parsed.frames = n;
        } else if (arg == "--seconds") {
            if (!value(&v)) return false;
            char* end = nullptr;
            const double s = std::strtod(v.c_str(), &end);
            if (v.empty() || *end != '\0' || !(s > 0) || s > 1e6) {
                *error = "--seconds: '" + v + "' is not a positive number of seconds";
                return false;
            }
            parsed.seconds = s;
        } else if (arg == "--seed-tick") {
            if (!value(&v)) return false;
            if (!parseNumber(v, &parsed.seedTick)) {
                *error = "--seed-tick: '" + v + "' is not a tick count (0 to 4294967295)";
                return false;
            }
        } else if (arg == "--data") {
            if (!value(&parsed.dataDir)) return false;
        } else if (arg == "--timeline") {
            if (!value(&parsed.timelineCsv)) return false;
        } else if (arg == "--crf") {
            if (!value(&v)) return false;
            if (!parseNumber(v, &parsed.crf) || parsed.crf < 0 || parsed.crf > 63) {
                *error = "--crf: '" + v + "' is not 0 to 63";
                return false;
            }
        } else if (arg == "--preset") {
            if (!value(&v)) return false;
            if (!findEncoderPreset(v)) {
                *error = "--preset: '" + v + "' is not an encoder preset (" + presetNames() + ")";
                return false;
            }
            parsed.preset = v;
        } else if (!arg.empty() && arg[0] == '-') {
            *error = "unknown option " + arg + " (see --help)";
            return false;
        } else if (parsed.output.empty()) {
            parsed.output = arg;
        } else {
            *error = "more than one OUTPUT given ('" + parsed.output + "', '" + arg + "')";
            return false;
        }
    }
    if (parsed.output.empty() && !parsed.help) {
        *error = "no OUTPUT given (see --help)";
        return false;
    }
    *options = parsed;
    return true;
}
