// The whole show through the capture path: each frame is the music rendered
// up to its time, drawFrame on the virtual clock, and the capture tool's frame
// pipe (readback, flip, hand-on); the pixels are then dropped, or encoded as
// the tool does with --output. Prints the frame rate, the median and
// 99th-percentile frame time over the whole show and over its worst two
// seconds, what the slow frames drew, the peak resident set, and the heap
// allocations per frame (when built with the counting allocator).
#include "alloc_count.h"
#include "bench_output.h"
#include "bench_show.h"
#include "frame_pipe.h"

#include "seams/clock.h"
#include "seams/frame_clock.h"
#include "seams/music.h"
#include "seams/show_files.h"
#include "timeline/frame_composer.h"

#include "effects/fx_circles.h"
#include "effects/fx_curves.h"
#include "effects/fx_half_circles.h"
#include "effects/fx_lines.h"
#include "effects/fx_textures.h"
#include "effects/fx_triangles.h"
#include "effects/fx_vlines.h"

#include <GL/gl.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Options {
    BenchShowOptions show;
    int queue = -1;       // the frame pipe's own default
    bool verify = false;  // hash every byte of every frame
    bool split = false;   // glFinish after drawing, to time raster and copy apart
    std::string csv;
    std::string output;   // encode like the capture tool, instead of dropping frames
};

const char* usage =
    "usage: whole_show [OPTION]...\n"
    "The whole show through the capture path, frames dropped; prints frame times.\n"
    "  --queue N       frames the capture's frame pipe may hold (0: flip and hand on\n"
    "                  each frame on the drawing thread)\n"
    "  --verify        hash every pixel of every frame (to compare the ways)\n"
    "  --split         glFinish after drawFrame, to see drawing and copying apart\n"
    "  --csv FILE      every frame's times, for plotting\n"
    "  --output OUT    encode as the capture tool does (video or PNG folder), to time it\n";

bool parseOptions(int argc, char** argv, Options* o)
{
    const std::vector<BenchOption> own = {
        {"--queue", true, [o](const char* v) { return (o->queue = std::atoi(v)) >= 0; }},
        {"--verify", false, [o](const char*) { return o->verify = true; }},
        {"--split", false, [o](const char*) { return o->split = true; }},
        {"--csv", true, [o](const char* v) { return !(o->csv = v).empty(); }},
        {"--output", true, [o](const char* v) { return !(o->output = v).empty(); }},
    };
    return parseBenchOptions(argc, argv, own, &o->show);
}

// The capture's output without encoding: each frame (as the outputs get it)
// is only hashed, a sample of it or every byte.
class Discard : public CaptureOutput {
public:
    explicit Discard(bool everyByte) : everyByte_(everyByte) {}

    std::uint64_t frames = 0;
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a

    bool addFrame(std::uint64_t, const std::vector<std::uint8_t>& rgba, std::string*) override
    {
        if (everyByte_) {
            for (std::uint8_t byte : rgba)
                hash = (hash ^ byte) * 1099511628211ull;
        } else {
            hash = (hash ^ rgba[rgba.size() / 2]) * 1099511628211ull;
        }
        ++frames;
        return true;
    }
    bool addAudio(const std::vector<std::int16_t>&, std::size_t, std::string*) override { return true; }
    bool finish(std::string*) override { return true; }
    void abandon() override {}

private:
    bool everyByte_;
};

using Steady = std::chrono::steady_clock;

double msBetween(Steady::time_point a, Steady::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// What a frame drew, to tell which steps make the slow frames slow.
enum Step { opening, triangles, vlines, circles, textures, curves, halfCircles, lines, flicker, fade, credits,
            stepCount };
const char* const stepNames[stepCount] = {"opening scene", "fxTriangles", "fxVlines", "fxCircles", "fxTextures",
                                          "fxCurves", "fxHalfCircles", "fxLines", "flicker", "ending fade",
                                          "credits"};

Step stepOf(const fxFragment& f)
{
    if (dynamic_cast<const fxTriangles*>(&f))
        return triangles;
    if (dynamic_cast<const fxVlines*>(&f))
        return vlines;
    if (dynamic_cast<const fxCircles*>(&f))
        return circles;
    if (dynamic_cast<const fxTextures*>(&f))
        return textures;
    if (dynamic_cast<const fxCurves*>(&f))
        return curves;
    if (dynamic_cast<const fxHalfCircles*>(&f))
        return halfCircles;
    return lines;
}

struct FrameRecord {
    double showMs;
    std::uint32_t order;
    double audioMs, drawMs, finishMs, readMs, totalMs;
    std::uint64_t audioAllocs, drawAllocs, readAllocs, otherThreadAllocs;
    std::uint64_t drawNews;     // of drawAllocs, through operator new ...
    std::uint64_t drawOwnNews;  // ... called from the show's own code
    bool spawned;
    std::uint8_t drawn[stepCount];  // how many of each the frame drew
};

// Read after drawFrame: the fragments still listed whose window holds now were drawn.
void recordDrawn(FrameRecord& r, float now, std::uint32_t order)
{
    std::fill(std::begin(r.drawn), std::end(r.drawn), 0);
    r.drawn[opening] = order == 0;
    for (const auto& fragment : fragmentDirector.fragments) {
        if (fragment->startTime <= now && now <= fragment->endTime)
            ++r.drawn[stepOf(*fragment)];
    }
    r.drawn[flicker] = !composer.endingStarted && now > composer.flickerStart && now < composer.flickerEnd;
    r.drawn[fade] = composer.endingStarted;
    r.drawn[credits] = composer.creditsStarted;
}

// Nearest-rank percentile of a copy.
double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    std::size_t rank = static_cast<std::size_t>(p / 100.0 * static_cast<double>(v.size()) + 0.999999);
    rank = std::clamp<std::size_t>(rank, 1, v.size());
    return v[rank - 1];
}

template <class Field>
std::vector<double> column(const std::vector<FrameRecord>& frames, std::size_t from, std::size_t to, Field f)
{
    std::vector<double> out;
    out.reserve(to - from);
    for (std::size_t i = from; i < to; ++i)
        out.push_back(frames[i].*f);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "%s%s", usage, benchShowUsage);
        return 2;
    }

    std::string error;
    BenchShow bench;
    if (!bench.open(options.show, &error)) {
        std::fprintf(stderr, "whole_show: %s\n", error.c_str());
        return 1;
    }
    OfflineShow& show = bench.show();
    OfflineMusic& music = show.music();
    const FrameClock& clock = show.clock();
    const BenchShowOptions& shown = options.show;

    Discard discard(options.verify);
    std::unique_ptr<CaptureOutput> encoder;
    if (!options.output.empty()) {
        encoder = openBenchOutput(options.output, shown.fps, shown.width, shown.height, musicSampleRate, &error);
        if (!encoder) {
            std::fprintf(stderr, "whole_show: %s\n", error.c_str());
            return 1;
        }
    }
    FramePipe pipe(bench.gl().canvas(), encoder ? *encoder : discard, options.queue);
    std::vector<FrameRecord> frames;
    frames.reserve(static_cast<std::size_t>(clock.framesFor(music.durationSeconds()) + 16));

    const Steady::time_point start = Steady::now();
    for (std::uint64_t frame = 0; frame < bench.frameLimit(); ++frame) {
        FrameRecord r{};
        const std::uint64_t allBefore = alloccount::allThreads();
        const std::uint64_t a0 = alloccount::thisThread();
        const Steady::time_point t0 = Steady::now();
        const std::vector<std::int16_t>& audio = show.renderSound();
        if (encoder && !encoder->addAudio(audio, clock.samplesFor(frame), &error)) {
            std::fprintf(stderr, "whole_show: %s\n", error.c_str());
            return 1;
        }
        const std::uint64_t a1 = alloccount::thisThread();
        const std::uint64_t n1 = alloccount::newsThisThread();
        const std::uint64_t o1 = alloccount::ownNewsThisThread();
        const Steady::time_point t1 = Steady::now();
        r.showMs = clock.frameTimeMs(frame);
        const float spawnBefore = fragmentDirector.lastSpawn;
        const std::uint32_t drawnOrder = showmusic::orderOf(music.position());
        show.drawFrameAtItsTime();
        const std::uint64_t a2 = alloccount::thisThread();
        const std::uint64_t n2 = alloccount::newsThisThread();
        const std::uint64_t o2 = alloccount::ownNewsThisThread();
        const Steady::time_point t2 = Steady::now();
        if (options.split)
            glFinish();
        const Steady::time_point t3 = Steady::now();
        if (!pipe.add(frame, &error)) {
            std::fprintf(stderr, "whole_show: %s\n", error.c_str());
            return 1;
        }
        const std::uint64_t a3 = alloccount::thisThread();
        const Steady::time_point t4 = Steady::now();

        r.order = showmusic::orderOf(music.position());
        r.audioMs = msBetween(t0, t1);
        r.drawMs = msBetween(t1, t2);
        r.finishMs = msBetween(t2, t3);
        r.readMs = msBetween(t3, t4);
        r.totalMs = msBetween(t0, t4);
        r.audioAllocs = a1 - a0;
        r.drawAllocs = a2 - a1;
        r.drawNews = n2 - n1;
        r.drawOwnNews = o2 - o1;
        r.readAllocs = a3 - a2;
        r.otherThreadAllocs = alloccount::allThreads() - allBefore - (a3 - a0);
        r.spawned = fragmentDirector.lastSpawn != spawnBefore;
        recordDrawn(r, showclock::tick(), drawnOrder);
        frames.push_back(r);

        if (show.ended())
            break;
    }
    if (!pipe.finish(&error) || (encoder && !encoder->finish(&error))) {
        std::fprintf(stderr, "whole_show: %s\n", error.c_str());
        return 1;
    }
    const double wallMs = msBetween(start, Steady::now());
    show.finish();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);

    const std::size_t n = frames.size();
    if (n == 0 || (!encoder && discard.frames != n)) {
        std::fprintf(stderr, "whole_show: %zu frames drawn, %llu read back\n", n,
                     static_cast<unsigned long long>(discard.frames));
        return 1;
    }
    const double showSeconds = static_cast<double>(n) * static_cast<double>(shown.fps.denominator) /
                               static_cast<double>(shown.fps.numerator);
    const double framesPerSecond = static_cast<double>(n) / (wallMs / 1000);
    const std::vector<double> total = column(frames, 0, n, &FrameRecord::totalMs);

    // The worst stretch: the two seconds of frames with the largest sum of frame times.
    const std::size_t window = std::min<std::size_t>(
        n, static_cast<std::size_t>(clock.framesFor(2.0)));
    double sum = 0, worstSum = 0;
    std::size_t worstFrom = 0;
    for (std::size_t i = 0; i < n; ++i) {
        sum += total[i];
        if (i >= window)
            sum -= total[i - window];
        if (i + 1 >= window && sum > worstSum) {
            worstSum = sum;
            worstFrom = i + 1 - window;
        }
    }
    const std::vector<double> worst = column(frames, worstFrom, worstFrom + window, &FrameRecord::totalMs);

    // Heap use inside drawFrame, the frames that spawn a fragment counted apart.
    struct Heap {
        std::uint64_t frames = 0, mallocs = 0, news = 0, ownNews = 0, framesWithMalloc = 0, framesWithNew = 0;
        std::uint64_t framesWithOwnNew = 0;
    } spawn, quiet;
    std::uint64_t audioAllocs = 0, readAllocs = 0, otherAllocs = 0, lastQuietNewFrame = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const FrameRecord& r = frames[i];
        Heap& h = r.spawned ? spawn : quiet;
        ++h.frames;
        h.mallocs += r.drawAllocs;
        h.news += r.drawNews;
        h.ownNews += r.drawOwnNews;
        h.framesWithOwnNew += r.drawOwnNews > 0;
        h.framesWithMalloc += r.drawAllocs > 0;
        h.framesWithNew += r.drawNews > 0;
        if (!r.spawned && r.drawNews > 0)
            lastQuietNewFrame = i;
        audioAllocs += r.audioAllocs;
        readAllocs += r.readAllocs;
        otherAllocs += r.otherThreadAllocs;
    }

    const std::vector<double> audioMs = column(frames, 0, n, &FrameRecord::audioMs);
    const std::vector<double> drawMs = column(frames, 0, n, &FrameRecord::drawMs);
    const std::vector<double> finishMs = column(frames, 0, n, &FrameRecord::finishMs);
    const std::vector<double> readMs = column(frames, 0, n, &FrameRecord::readMs);
    const double worstAt = (frames[worstFrom].showMs - FrameClock::startMs) / 1000;
    const double maxRssMb = static_cast<double>(usage.ru_maxrss) / 1024;

    std::printf("whole show %dx%d at %llu/%llu fps: %zu frames (%.1f s of show) in %.1f s, %s %016llx\n",
                shown.width, shown.height, static_cast<unsigned long long>(shown.fps.numerator),
                static_cast<unsigned long long>(shown.fps.denominator), n, showSeconds, wallMs / 1000,
                options.verify ? "pixel hash" : "sample hash", static_cast<unsigned long long>(discard.hash));
    std::printf("  speed            %.2fx real time, %.1f frames/s (frame queue %d)\n",
                showSeconds / (wallMs / 1000), framesPerSecond, pipe.queue());
    std::printf("  frame ms         median %.2f  p99 %.2f  max %.2f\n", percentile(total, 50),
                percentile(total, 99), percentile(total, 100));
    std::printf("  worst 2 s        from %.1f s (order %u): %.1f frames/s, median %.2f  p99 %.2f ms\n", worstAt,
                frames[worstFrom].order, static_cast<double>(window) / (worstSum / 1000), percentile(worst, 50),
                percentile(worst, 99));
    std::printf("  phases, median/p99 ms: audio %.2f/%.2f  draw %.2f/%.2f  finish %.2f/%.2f  read %.2f/%.2f\n",
                percentile(audioMs, 50), percentile(audioMs, 99), percentile(drawMs, 50), percentile(drawMs, 99),
                percentile(finishMs, 50), percentile(finishMs, 99), percentile(readMs, 50), percentile(readMs, 99));
    std::printf("  peak RSS         %.1f MB\n", maxRssMb);
    if (alloccount::active()) {
        std::printf("  heap, drawFrame  %llu spawn frames: %llu operator new from the show, %llu in all, "
                    "%llu mallocs in all\n",
                    static_cast<unsigned long long>(spawn.frames), static_cast<unsigned long long>(spawn.ownNews),
                    static_cast<unsigned long long>(spawn.news), static_cast<unsigned long long>(spawn.mallocs));
        std::printf("                   %llu other frames: operator new from the show in %llu of them; any "
                    "operator new in %llu (%llu calls, the last at frame %llu); mallocs in %llu (%.1f per frame)\n",
                    static_cast<unsigned long long>(quiet.frames),
                    static_cast<unsigned long long>(quiet.framesWithOwnNew),
                    static_cast<unsigned long long>(quiet.framesWithNew), static_cast<unsigned long long>(quiet.news),
                    static_cast<unsigned long long>(lastQuietNewFrame),
                    static_cast<unsigned long long>(quiet.framesWithMalloc),
                    static_cast<double>(quiet.mallocs) / static_cast<double>(std::max<std::uint64_t>(quiet.frames, 1)));
        std::printf("  heap, elsewhere  audio %llu, readback %llu, other threads %llu mallocs\n",
                    static_cast<unsigned long long>(audioAllocs), static_cast<unsigned long long>(readAllocs),
                    static_cast<unsigned long long>(otherAllocs));
    }

    // Which steps the slow frames drew, against all frames.
    const double budgetMs = 1000.0 / 60;
    std::size_t slow = 0;
    double slowHas[stepCount] = {}, allHas[stepCount] = {}, slowCount[stepCount] = {}, allCount[stepCount] = {};
    for (const FrameRecord& r : frames) {
        const bool isSlow = r.totalMs > budgetMs;
        slow += isSlow;
        for (int k = 0; k < stepCount; ++k) {
            allHas[k] += r.drawn[k] > 0;
            allCount[k] += r.drawn[k];
            if (isSlow) {
                slowHas[k] += r.drawn[k] > 0;
                slowCount[k] += r.drawn[k];
            }
        }
    }
    std::printf("  slow frames      %zu of %zu over %.1f ms; what they drew (share of frames drawing it, mean count):\n",
                slow, n, budgetMs);
    for (int k = 0; k < stepCount; ++k) {
        std::printf("    %-14s slow frames %5.1f%% (%.2f)   all frames %5.1f%% (%.2f)\n", stepNames[k],
                    slow ? 100 * slowHas[k] / static_cast<double>(slow) : 0.0,
                    slow ? slowCount[k] / static_cast<double>(slow) : 0.0,
                    100 * allHas[k] / static_cast<double>(n), allCount[k] / static_cast<double>(n));
    }

    // One machine-readable line for bench/run.
    const std::pair<const char*, double> results[] = {
        {"frames", static_cast<double>(n)},
        {"show_s", showSeconds},
        {"wall_s", wallMs / 1000},
        {"speed", showSeconds / (wallMs / 1000)},
        {"fps", framesPerSecond},
        {"median_ms", percentile(total, 50)},
        {"p99_ms", percentile(total, 99)},
        {"max_ms", percentile(total, 100)},
        {"worst_fps", static_cast<double>(window) / (worstSum / 1000)},
        {"worst_median_ms", percentile(worst, 50)},
        {"worst_p99_ms", percentile(worst, 99)},
        {"worst_at_s", worstAt},
        {"draw_median_ms", percentile(drawMs, 50)},
        {"read_median_ms", percentile(readMs, 50)},
        {"audio_median_ms", percentile(audioMs, 50)},
        {"maxrss_mb", maxRssMb},
        {"counted", alloccount::active() ? 1.0 : 0.0},
        {"spawn_frames", static_cast<double>(spawn.frames)},
        {"spawn_news", static_cast<double>(spawn.news)},
        {"spawn_own_news", static_cast<double>(spawn.ownNews)},
        {"spawn_mallocs", static_cast<double>(spawn.mallocs)},
        {"quiet_frames", static_cast<double>(quiet.frames)},
        {"quiet_new_frames", static_cast<double>(quiet.framesWithNew)},
        {"quiet_news", static_cast<double>(quiet.news)},
        {"quiet_own_news", static_cast<double>(quiet.ownNews)},
        {"quiet_own_new_frames", static_cast<double>(quiet.framesWithOwnNew)},
        {"last_quiet_new_frame", static_cast<double>(lastQuietNewFrame)},
        {"quiet_malloc_frames", static_cast<double>(quiet.framesWithMalloc)},
        {"quiet_mallocs", static_cast<double>(quiet.mallocs)},
        {"audio_allocs", static_cast<double>(audioAllocs)},
        {"read_allocs", static_cast<double>(readAllocs)},
    };
    std::printf("RESULT");
    for (const auto& [key, value] : results)
        std::printf(" %s=%.4f", key, value);
    std::printf("\n");

    if (!options.csv.empty()) {
        std::ofstream csv(options.csv);
        csv << "frame,show_ms,order,audio_ms,draw_ms,finish_ms,read_ms,total_ms,draw_allocs,draw_news,spawned";
        for (const char* name : stepNames)
            csv << ',' << name;
        csv << '\n';
        for (std::size_t i = 0; i < n; ++i) {
            const FrameRecord& r = frames[i];
            csv << i << ',' << r.showMs << ',' << r.order << ',' << r.audioMs << ',' << r.drawMs << ','
                << r.finishMs << ',' << r.readMs << ',' << r.totalMs << ',' << r.drawAllocs << ','
                << r.drawNews << ',' << (r.spawned ? 1 : 0);
            for (std::uint8_t count : r.drawn)
                csv << ',' << static_cast<int>(count);
            csv << '\n';
        }
    }
    return 0;
}
