// The gentle mode over the whole show: every frame is drawn on the virtual
// clock and read back as the capture reads it, then checked for flashes as
// drawn and as the gentle filter shows it. Prints the frames that fail or
// warn each way, how much the filter changed the picture in each phase of
// the show (frames held back, PSNR against the frame as drawn), and what the
// check and the filter cost a frame, with the readback and the upload that
// presenting through it adds to the live show. With --pictures DIR, the most
// changed frame of each phase goes there as drawn beside shown. With --video
// FILE, the gentle frames also go into a video as the capture tool encodes
// them, which is then decoded with the BT.709 and the BT.601 matrix and
// checked again. --steer LUMINANCE,RED,TRANSITIONS gives the filter other
// rules to steer by than its own.
#include "bench_output.h"
#include "bench_show.h"
#include "frame_folder.h"
#include "frame_source.h"

#include <GL/gl.h>

#include "gentle/flash_check.h"
#include "gentle/flash_report.h"
#include "gentle/gentle_filter.h"
#include "seams/frame_clock.h"
#include "seams/music.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Options {
    BenchShowOptions show;
    std::string pictures;
    std::string video;
    FlashRules steering = gentleRules();
};

enum Phase { opening, body, ending, credits, phaseCount };
const char* const phaseNames[phaseCount] = {"opening", "body", "ending", "credits"};

Phase phaseOf(std::uint32_t position)
{
    const std::uint32_t order = showmusic::orderOf(position);
    if (order == 0)
        return opening;
    if (order < 32 || (order == 32 && showmusic::rowOf(position) < 40))
        return body;
    return order == 32 ? ending : credits;
}

double psnrOf(double squares, double samples)
{
    const double mse = squares / samples;
    return mse == 0 ? std::numeric_limits<double>::infinity() : 10 * std::log10(255.0 * 255.0 / mse);
}

// The squared differences of the colour channels of two RGBA frames.
double squaredError(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    double squares = 0;
    for (std::size_t i = 0; i < a.size(); i += 4) {
        for (std::size_t c = 0; c < 3; ++c) {
            const double d = static_cast<double>(a[i + c]) - b[i + c];
            squares += d * d;
        }
    }
    return squares;
}

struct PhaseFigures {
    std::uint64_t frames = 0;
    std::uint64_t changed = 0;
    double psnrSum = 0;  // over the changed frames
    double squares = 0;  // over all frames
    double worst = std::numeric_limits<double>::infinity();
    std::uint64_t worstFrame = 0;
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100 * static_cast<double>(v.size())));
    return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}

bool parseOptions(int argc, char** argv, Options* o)
{
    const std::vector<BenchOption> own = {
        {"--pictures", true, [o](const char* v) { return !(o->pictures = v).empty(); }},
        {"--video", true, [o](const char* v) { return !(o->video = v).empty(); }},
        {"--steer", true,
         [o](const char* v) {
             FlashRules& rules = o->steering;
             return std::sscanf(v, "%lf,%lf,%d", &rules.luminanceTransition, &rules.redTransition,
                                &rules.mostTransitions) == 3;
         }},
    };
    return parseBenchOptions(argc, argv, own, &o->show) && o->show.width >= 16 && o->show.height >= 16;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, &options)) {
        std::fprintf(stderr,
                     "usage: gentle_show [OPTION]...\n"
                     "  --pictures DIR  the most changed frame of each phase, as drawn beside shown\n"
                     "  --video FILE    the gentle frames also through the capture's encoder, checked again\n"
                     "  --steer LUMINANCE,RED,TRANSITIONS  other rules for the filter to steer by\n%s",
                     benchShowUsage);
        return 2;
    }
    std::string error;
    BenchShow bench;
    if (!bench.open(options.show, &error)) {
        std::fprintf(stderr, "gentle_show: %s\n", error.c_str());
        return 1;
    }
    OfflineShow& show = bench.show();
    const BenchShowOptions& asked = options.show;

    const double fps = static_cast<double>(asked.fps.numerator) / static_cast<double>(asked.fps.denominator);
    FlashCheck asDrawn(fps);
    GentleFilter filter(fps, options.steering);
    std::unique_ptr<CaptureOutput> video;
    if (!options.video.empty()) {
        video = openBenchOutput(options.video, asked.fps, asked.width, asked.height, musicSampleRate, &error);
        if (!video) {
            std::fprintf(stderr, "gentle_show: %s\n", error.c_str());
            return 1;
        }
    }
    PhaseFigures phases[phaseCount];
    std::vector<double> checkMs, passMs, blendMs, readMs, uploadMs;
    // The live show's gentle present uploads each shown frame into a texture.
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, asked.width, asked.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    std::vector<std::uint8_t> shown, worstDrawn[phaseCount], worstShown[phaseCount];
    using Steady = std::chrono::steady_clock;
    for (std::uint64_t frame = 0; frame < bench.frameLimit(); ++frame) {
        const std::vector<std::int16_t>& sound = show.step();
        const double timeMs = show.frameTimeMs();
        const Phase phase = phaseOf(show.music().position());
        const Steady::time_point drawn0 = Steady::now();
        const std::vector<std::uint8_t> drawn = bench.gl().canvas().readRGBA();
        readMs.push_back(std::chrono::duration<double, std::milli>(Steady::now() - drawn0).count());

        const Steady::time_point check0 = Steady::now();
        asDrawn.addFrame(drawn.data(), asked.width, asked.height, 4, timeMs);
        checkMs.push_back(std::chrono::duration<double, std::milli>(Steady::now() - check0).count());
        const Steady::time_point before = Steady::now();
        filter.apply(drawn, asked.width, asked.height, timeMs, shown);
        const double ms = std::chrono::duration<double, std::milli>(Steady::now() - before).count();
        (filter.lastBlend() == 1 ? passMs : blendMs).push_back(ms);
        if (video && (!video->addAudio(sound, show.clock().samplesFor(frame), &error) || !video->addFrame(frame, shown, &error))) {
            std::fprintf(stderr, "gentle_show: %s\n", error.c_str());
            return 1;
        }
        const Steady::time_point upload0 = Steady::now();
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, asked.width, asked.height, GL_RGBA, GL_UNSIGNED_BYTE,
                        shown.data());
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glFinish();
        uploadMs.push_back(std::chrono::duration<double, std::milli>(Steady::now() - upload0).count());

        PhaseFigures& figures = phases[phase];
        ++figures.frames;
        if (shown != drawn) {
            const double squares = squaredError(drawn, shown);
            const double db = psnrOf(squares, static_cast<double>(drawn.size() / 4 * 3));
            ++figures.changed;
            figures.psnrSum += db;
            figures.squares += squares;
            if (db < figures.worst) {
                figures.worst = db;
                figures.worstFrame = frame;
                worstDrawn[phase] = drawn;
                worstShown[phase] = shown;
            }
        }
        if (show.ended())
            break;
    }
    show.finish();

    if (video && !video->finish(&error)) {
        std::fprintf(stderr, "gentle_show: %s\n", error.c_str());
        return 1;
    }

    std::printf("gentle mode over the show, %dx%d at %llu fps, seed tick %u: %llu frames; steering by %g, %g, %d\n",
                asked.width, asked.height, static_cast<unsigned long long>(asked.fps.numerator),
                asked.seedTick, static_cast<unsigned long long>(asDrawn.frames()),
                options.steering.luminanceTransition, options.steering.redTransition, options.steering.mostTransitions);
    std::printf("  flash check               flash-fail  extended-fail  warning frames  luminance/red transitions"
                "  most in a window\n");
    const auto checked = [](const char* name, const FlashCheck& check) {
        int most = 0;
        for (const FlashSecond& second : check.seconds())
            most = std::max({most, second.mostLuminance, second.mostRed});
        std::printf("  %-24s %11llu  %13llu  %14llu  %12llu/%llu  %16d\n", name,
                    static_cast<unsigned long long>(check.framesJudged(FlashVerdict::flashFail)),
                    static_cast<unsigned long long>(check.framesJudged(FlashVerdict::extendedFail)),
                    static_cast<unsigned long long>(check.framesJudged(FlashVerdict::warning)),
                    static_cast<unsigned long long>(check.luminanceTransitions()),
                    static_cast<unsigned long long>(check.redTransitions()), most);
        for (const FlashSecond& second : check.seconds()) {
            if (second.verdict >= FlashVerdict::extendedFail)
                std::printf("      %s\n", flashSecondLine(second).c_str());
        }
    };
    checked("as drawn", asDrawn);
    checked("gentle", filter.check());
    for (const YuvMatrix matrix : {YuvMatrix::bt709, YuvMatrix::bt601}) {
        if (options.video.empty())
            break;
        const auto decoded = openFrames(options.video, std::nullopt, matrix, &error);
        if (!decoded) {
            std::fprintf(stderr, "gentle_show: %s\n", error.c_str());
            return 1;
        }
        FlashCheck check(decoded->framesPerSecond);
        std::vector<std::uint8_t> rgb;
        for (std::uint64_t n = 0; decoded->next(rgb, &error); ++n)
            check.addFrame(rgb.data(), decoded->width, decoded->height, 3, static_cast<double>(n) * 1000 / fps);
        checked(matrix == YuvMatrix::bt709 ? "gentle video, BT.709" : "gentle video, BT.601", check);
    }
    std::printf("  phase     frames  held back  dB (whole phase)  mean dB (held back)  lowest dB (frame)\n");
    const double frameSamples = static_cast<double>(asked.width) * asked.height * 3;
    for (int p = 0; p < phaseCount; ++p) {
        const PhaseFigures& f = phases[p];
        const double mean = f.changed ? f.psnrSum / static_cast<double>(f.changed) : 0;
        std::printf("  %-8s %7llu  %9llu  %16.2f  %19.2f  %9.2f (%llu)\n", phaseNames[p],
                    static_cast<unsigned long long>(f.frames), static_cast<unsigned long long>(f.changed),
                    psnrOf(f.squares, frameSamples * static_cast<double>(std::max<std::uint64_t>(f.frames, 1))), mean,
                    f.changed ? f.worst : 0.0, static_cast<unsigned long long>(f.worstFrame));
        if (!options.pictures.empty() && f.changed) {
            // Drawn on the left, shown on the right.
            const int w = asked.width, h = asked.height;
            std::vector<std::uint8_t> pair(static_cast<std::size_t>(w) * 2 * h * 4);
            for (int y = 0; y < h; ++y) {
                const std::size_t row = static_cast<std::size_t>(y) * w * 4;
                std::memcpy(&pair[row * 2], &worstDrawn[p][row], static_cast<std::size_t>(w) * 4);
                std::memcpy(&pair[row * 2 + static_cast<std::size_t>(w) * 4], &worstShown[p][row],
                            static_cast<std::size_t>(w) * 4);
            }
            const std::string file = options.pictures + "/" + phaseNames[p] + "-drawn-gentle.png";
            if (!writePng(file, w * 2, h, pair, &error))
                std::fprintf(stderr, "gentle_show: %s\n", error.c_str());
        }
    }
    std::printf("  check ms a frame         median %.2f  p99 %.2f\n", percentile(checkMs, 50), percentile(checkMs, 99));
    std::printf("  filter ms a frame       as drawn: median %.2f  p99 %.2f (%zu frames); held back: median %.2f  "
                "p99 %.2f (%zu frames)\n",
                percentile(passMs, 50), percentile(passMs, 99), passMs.size(), percentile(blendMs, 50),
                percentile(blendMs, 99), blendMs.size());
    std::printf("  live present adds       readback median %.2f  p99 %.2f (with the wait for the frame); "
                "upload median %.2f  p99 %.2f ms\n",
                percentile(readMs, 50), percentile(readMs, 99), percentile(uploadMs, 50), percentile(uploadMs, 99));
    return 0;
}
