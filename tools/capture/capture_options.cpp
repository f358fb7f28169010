#include "capture_options.h"

#include "seams/show_files.h"

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

// One option. A row reads its value into the options, or says why it cannot
// ("is not a positive whole number"); the parser puts the option and the
// value in front. A flag's row is given "".
struct OptionRow {
    const char* name;
    const char* value;  // what --help calls the value; nullptr for a flag
    bool native;        // which front ends take it
    bool web;
    const char* help;   // its lines in --help; {module} stands for the module's name
    bool (*read)(const std::string& value, CaptureOptions* options, std::string* why);
};

const OptionRow optionRows[] = {
    {"--fps", "RATE", true, true, "frames per second, whole or a fraction (60, 60000/1001); default 60",
     [](const std::string& v, CaptureOptions* o, std::string* why) {
         *why = "is not a frame rate of 1 to 1000000 a second (60, 60000/1001)";
         return parseFrameRate(v, &o->fps);
     }},
    {"--size", "WxH", true, true, "frame size; default 1024x768 (the view is 4:3 at any size)",
     [](const std::string& v, CaptureOptions* o, std::string* why) {
         *why = "is not WIDTHxHEIGHT (16 to 8192 each)";
         return parseSize(v, &o->width, &o->height);
     }},
    {"--frames", "N", true, true, "stop after N frames",
     [](const std::string& v, CaptureOptions* o, std::string* why) {
         *why = "is not a positive whole number";
         std::uint64_t n = 0;
         if (!parseNumber(v, &n) || n == 0)
             return false;
         o->frames = n;
         return true;
     }},
    {"--seconds", "S", true, true, "stop after S seconds of show",
     [](const std::string& v, CaptureOptions* o, std::string* why) {
         *why = "is not a positive number of seconds";
         char* end = nullptr;
         const double s = std::strtod(v.c_str(), &end);
         if (v.empty() || *end != '\0' || !(s > 0) || s > 1e6)
             return false;
         o->seconds = s;
         return true;
     }},
    {"--seed-tick", "T", true, true, "the tick count the random seed is made from; default 4200000",
     [](const std::string& v, CaptureOptions* o, std::string* why) {
         *why = "is not a tick count (0 to 4294967295)";
         return parseNumber(v, &o->seedTick);
     }},
    {"--data", "DIR", true, true,
     "read {module} and the pictures from DIR; default: the\n"
     "working directory when it holds {module}, else the\n"
     "installed ones",
     [](const std::string& v, CaptureOptions* o, std::string*) {
         o->dataDir = v;
         return true;
     }},
    {"--timeline", "FILE", true, true, "write frame,time_ms,order,row,playing for every frame (CSV)",
     [](const std::string& v, CaptureOptions* o, std::string*) {
         o->timelineCsv = v;
         return true;
     }},
    {"--crf", "N", true, false, "video quality, lower is better; default 18",
     [](const std::string& v, CaptureOptions* o, std::string* why) {
         *why = "is not 0 to 63";
         return parseNumber(v, &o->crf) && o->crf >= 0 && o->crf <= 63;
     }},
    {"--preset", "NAME", true, false,
     "encoder speed against file size, an x264 preset: ultrafast,\n"
     "superfast, veryfast, faster, fast, medium, slow, slower,\n"
     "veryslow, placebo; default superfast (at least as fast as\n"
     "the show plays at 1024x768, 60 fps, on two cores). A .webm\n"
     "takes the VP9 speed that matches (realtime 8 down to\n"
     "realtime 4, then good 4 down to good 0)",
     [](const std::string& v, CaptureOptions* o, std::string* why) {
         *why = "is not an encoder preset (" + presetNames() + ")";
         if (!findEncoderPreset(v))
             return false;
         o->preset = v;
         return true;
     }},
    {"--gentle", nullptr, true, true,
     "capture what the gentle mode shows: flashes held to three a\n"
     "second at most (see mardunqist --gentle)",
     [](const std::string&, CaptureOptions* o, std::string*) { return o->gentle = true; }},
    {"--flash-report", "FILE", true, false,
     "check the captured frames for flashes as mardunqist-flashcheck\n"
     "does (WCAG 2.3.1, counted as EA's IRIS counts them), say which\n"
     "seconds fail, and write a row a second to FILE (CSV)",
     [](const std::string& v, CaptureOptions* o, std::string*) {
         o->flashReport = v;
         return true;
     }},
    {"--browser", "ENGINE", false, true, "the browser engine: chromium (the default), firefox or webkit",
     [](const std::string& v, CaptureOptions* o, std::string* why) {
         *why = "is not a browser engine (chromium, firefox, webkit)";
         if (v != "chromium" && v != "firefox" && v != "webkit")
             return false;
         o->browser = v;
         return true;
     }},
    {"--force", nullptr, true, true,
     "replace an earlier OUTPUT (and --timeline FILE), once the\n"
     "new one is complete",
     [](const std::string&, CaptureOptions* o, std::string*) { return o->force = true; }},
    {"--quiet", nullptr, true, true, "no progress on stderr",
     [](const std::string&, CaptureOptions* o, std::string*) { return o->quiet = true; }},
    {"--help", nullptr, true, true, "this text",
     [](const std::string&, CaptureOptions* o, std::string*) { return o->help = true; }},
};

bool takes(const OptionRow& row, CaptureTool tool)
{
    return tool == CaptureTool::native ? row.native : row.web;
}

const OptionRow* findOption(CaptureTool tool, std::string name)
{
    if (name == "-h")
        name = "--help";
    for (const OptionRow& row : optionRows) {
        if (name == row.name && takes(row, tool))
            return &row;
    }
    return nullptr;
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

std::string captureOptionsHelp(CaptureTool tool)
{
    constexpr std::size_t helpColumn = 20;
    std::string text;
    for (const OptionRow& row : optionRows) {
        if (!takes(row, tool))
            continue;
        std::string left = std::string("  ") + row.name + (row.value ? std::string(" ") + row.value : "");
        left.resize(std::max(left.size() + 1, helpColumn), ' ');
        text += left;
        const std::string module = "{module}";
        std::string help = row.help;
        for (std::size_t at; (at = help.find(module)) != std::string::npos;)
            help.replace(at, module.size(), moduleFileName);
        for (const char c : help)
            text += c == '\n' ? "\n" + std::string(helpColumn, ' ') : std::string(1, c);
        text += '\n';
    }
    return text;
}

std::string captureUsage()
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
           "options:\n" +
           captureOptionsHelp(CaptureTool::native) +
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

bool parseCaptureOptions(CaptureTool tool, int argc, char** argv, CaptureOptions* options, std::string* error)
{
    CaptureOptions parsed;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const OptionRow* row = findOption(tool, arg);
        if (!row && !arg.empty() && arg[0] == '-') {
            *error = "unknown option " + arg + " (see --help)";
            return false;
        }
        if (!row) {
            if (!parsed.output.empty()) {
                *error = "more than one OUTPUT given ('" + parsed.output + "', '" + arg + "')";
                return false;
            }
            parsed.output = arg;
            continue;
        }
        if (row->value && i + 1 >= argc) {
            *error = arg + " needs a value";
            return false;
        }
        const std::string value = row->value ? argv[++i] : "";
        std::string why;
        if (!row->read(value, &parsed, &why)) {
            *error = std::string(row->name) + ": '" + value + "' " + why;
            return false;
        }
    }
    if (!parsed.help) {
        if (parsed.output.empty()) {
            *error = "no OUTPUT given (see --help)";
            return false;
        }
        if (tool == CaptureTool::web && parsed.output.back() != '/') {
            *error = "OUTPUT must be a folder, written with a trailing / ('" + parsed.output + "/')";
            return false;
        }
    }
    *options = parsed;
    return true;
}
