// mardunqist-flashcheck: the flash check the gentle mode steers by, run over
// any video ffmpeg reads or a folder of PNG frames (a capture's), with a line
// for every second that fails or warns and a summary.
#include "frame_source.h"

#include "gentle/flash_check.h"
#include "gentle/flash_report.h"
#include "platform/end_signals.h"
#include "files/whole_file.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

constexpr int statusPass = 0, statusFail = 1, statusError = 2;

const char usage[] =
    "usage: mardunqist-flashcheck [options] VIDEO|FOLDER\n"
    "\n"
    "Checks a video (any file ffmpeg reads) or a folder of PNG frames (named in\n"
    "the order they are shown, as mardunqist-capture writes them) for flashing\n"
    "that can cause seizures, by WCAG 2.3.1, counted as EA's IRIS analyser\n"
    "counts it: luminance flashes, red flashes and extended flashing, judged\n"
    "frame by frame. Prints a line for every second that fails or warns, and a\n"
    "summary.\n"
    "\n"
    "options:\n"
    "  --fps RATE        frames a second of a FOLDER (60, 60000/1001, 29.97);\n"
    "                    default 60. For a VIDEO, in place of its own rate\n"
    "  --matrix M        how a VIDEO's YUV becomes RGB: tagged (the matrix the\n"
    "                    file is tagged with, BT.601 when untagged; the\n"
    "                    default), bt601 (as IRIS reads every video) or bt709\n"
    "  --report FILE     write a row a second (CSV): second, verdict, new\n"
    "                    transitions, the most in a window, frames by verdict\n"
    "  --frames FILE     write a row a frame (CSV): its measures, sums,\n"
    "                    transitions in its window and verdict\n"
    "  --quiet           the summary only\n"
    "  --help            this text\n"
    "\n"
    "Exit status: 0 when no frame fails (warnings allowed), 1 when a frame fails,\n"
    "2 on an error (a file that cannot be read).\n";

int error(const std::string& message)
{
    std::fprintf(stderr, "mardunqist-flashcheck: %s\n", message.c_str());
    return statusError;
}

struct Options {
    std::string input;
    std::optional<double> fps;
    YuvMatrix matrix = YuvMatrix::tagged;
    std::string report;
    std::string frames;
    bool quiet = false;
    bool help = false;
};

// "60", "60000/1001", "29.97"; 0 for anything else.
double parseRate(const std::string& text)
{
    const std::size_t slash = text.find('/');
    const std::string above = text.substr(0, slash);
    char* end = nullptr;
    const double numerator = std::strtod(above.c_str(), &end);
    if (above.empty() || *end != '\0')
        return 0;
    double denominator = 1;
    if (slash != std::string::npos) {
        const std::string below = text.substr(slash + 1);
        denominator = std::strtod(below.c_str(), &end);
        if (below.empty() || *end != '\0')
            return 0;
    }
    const double rate = numerator / denominator;
    return denominator > 0 && rate >= 1 && rate <= 1000000 ? rate : 0;
}

bool parseOptions(int argc, char** argv, Options* options, std::string* why)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takesValue = arg == "--fps" || arg == "--matrix" || arg == "--report" || arg == "--frames";
        if (takesValue && i + 1 >= argc) {
            *why = arg + " needs a value";
            return false;
        }
        if (arg == "--fps") {
            const std::string value = argv[++i];
            const double rate = parseRate(value);
            if (rate == 0) {
                *why = "--fps: '" + value + "' is not a frame rate of 1 to 1000000 a second (60, 60000/1001, 29.97)";
                return false;
            }
            options->fps = rate;
        } else if (arg == "--matrix") {
            const std::string value = argv[++i];
            if (value == "tagged")
                options->matrix = YuvMatrix::tagged;
            else if (value == "bt601")
                options->matrix = YuvMatrix::bt601;
            else if (value == "bt709")
                options->matrix = YuvMatrix::bt709;
            else {
                *why = "--matrix: '" + value + "' is not tagged, bt601 or bt709";
                return false;
            }
        } else if (arg == "--report") {
            options->report = argv[++i];
        } else if (arg == "--frames") {
            options->frames = argv[++i];
        } else if (arg == "--quiet") {
            options->quiet = true;
        } else if (arg == "--help" || arg == "-h") {
            options->help = true;
        } else if (!arg.empty() && arg[0] == '-') {
            *why = "unknown option " + arg + " (see --help)";
            return false;
        } else if (!options->input.empty()) {
            *why = "more than one VIDEO or FOLDER given ('" + options->input + "', '" + arg + "')";
            return false;
        } else {
            options->input = arg;
        }
    }
    if (options->input.empty() && !options->help) {
        *why = "no VIDEO or FOLDER given (see --help)";
        return false;
    }
    return true;
}

std::string frameRow(const FlashFrame& f)
{
    char row[320];
    std::snprintf(row, sizeof row, "%llu,%.3f,%.6f,%.6f,%.4f,%.4f,%d,%d,%d,%d,%d,%d,%s\n",
                  static_cast<unsigned long long>(f.index), f.timeMs, f.luminanceChange, f.luminanceSum, f.redChange,
                  f.redSum, f.luminanceTransition ? 1 : 0, f.redTransition ? 1 : 0, f.luminanceTransitions,
                  f.redTransitions, f.luminanceExtended, f.redExtended, flashVerdictName(f.verdict()));
    return row;
}

// Seconds checked so far, on a terminal only, where the next line overwrites it.
class Progress {
public:
    explicit Progress(bool quiet) : shown_(!quiet && isatty(STDERR_FILENO)) {}

    void update(double timeMs)
    {
        const auto now = std::chrono::steady_clock::now();
        if (!shown_ || now - last_ < std::chrono::milliseconds(200))
            return;
        last_ = now;
        const auto seconds = static_cast<long>(timeMs / 1000);
        std::fprintf(stderr, "\r%ld:%02ld checked ", seconds / 60, seconds % 60);
        drawn_ = true;
    }

    void clear()
    {
        if (drawn_)
            std::fputs("\r                \r", stderr);
        drawn_ = false;
    }

private:
    bool shown_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point last_{};
};

int check(const Options& options)
{
    std::string why;
    // Where the reports go is tried before the work: they appear at the end.
    WholeFile report, frames;
    if ((!options.report.empty() && !report.open(options.report, &why)) ||
        (!options.frames.empty() && !frames.open(options.frames, &why)))
        return error(why);
    std::unique_ptr<FrameSource> source = openFrames(options.input, options.fps, options.matrix, &why);
    if (!source)
        return endSignal() ? endSignalStatus(endSignal()) : error(why);
    if (!options.quiet)
        std::printf("%s: %s\n", options.input.c_str(), source->description.c_str());

    if (frames.isOpen()) {
        std::fputs("frame,time_ms,luminance_change,luminance_sum,red_change,red_sum,luminance_transition,"
                   "red_transition,luminance_transitions,red_transitions,luminance_extended,red_extended,verdict\n",
                   frames.stream());
    }

    FlashCheck check(source->framesPerSecond);
    Progress progress(options.quiet);
    std::vector<std::uint8_t> rgb;
    std::size_t secondsSaid = 0;
    const auto sayFinishedSeconds = [&](std::size_t finished) {
        for (; secondsSaid < finished; ++secondsSaid) {
            const FlashSecond& second = check.seconds()[secondsSaid];
            if (second.verdict != FlashVerdict::pass && !options.quiet) {
                progress.clear();
                std::printf("  %s\n", flashSecondLine(second).c_str());
            }
        }
    };
    for (std::uint64_t index = 0; source->next(rgb, &why); ++index) {
        const double timeMs = static_cast<double>(index) * 1000.0 / source->framesPerSecond;
        const FlashFrame& frame = check.addFrame(rgb.data(), source->width, source->height, 3, timeMs);
        if (frames.isOpen())
            std::fputs(frameRow(frame).c_str(), frames.stream());
        sayFinishedSeconds(check.seconds().size() - 1);
        progress.update(timeMs);
    }
    progress.clear();
    if (endSignal()) {
        std::fprintf(stderr, "mardunqist-flashcheck: interrupted (%s)\n", endSignalName(endSignal()));
        return endSignalStatus(endSignal());
    }
    if (!why.empty())
        return error(why);
    if (check.frames() == 0)
        return error(options.input + ": holds no frames");
    sayFinishedSeconds(check.seconds().size());
    std::printf("%s: %s\n", options.input.c_str(), flashSummary(check).c_str());
    std::fflush(stdout);

    if (frames.isOpen() && (!frames.close(&why) || !frames.commit(&why)))
        return error(why);
    if (report.isOpen()) {
        const std::string csv = flashReportCsv(check);
        if (!report.write(csv.data(), csv.size(), &why) || !report.close(&why) || !report.commit(&why))
            return error(why);
    }
    return check.failed() ? statusFail : statusPass;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    std::string why;
    if (!parseOptions(argc, argv, &options, &why))
        return error(why);
    if (options.help) {
        std::fputs(usage, stdout);
        return statusPass;
    }
    catchEndSignals();
    return check(options);
}
