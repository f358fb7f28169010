// mardunqist-capture: the show rendered frame by frame on a virtual clock,
// with the music rendered offline in lockstep, into a video or PNG frames.
// No display, no sound device: a headless GL context and libopenmpt only.
#include "capture_options.h"
#include "frame_clock.h"
#include "frame_pipe.h"
#include "outputs.h"
#include "progress.h"

#include "headless/headless_gl.h"
#include "seams/clock.h"
#include "seams/music.h"
#include "shell/data_folder.h"
#include "shell/module_file.h"
#include "shell/offline_music.h"
#include "timeline/frame_composer.h"
#include "timeline/init_graphics.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

std::atomic<bool> interrupted{false};

void onInterrupt(int)
{
    interrupted = true;
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "mardunqist-capture: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    CaptureOptions options;
    std::string error;
    if (!parseCaptureOptions(argc, argv, &options, &error))
        return fail(error);
    if (options.help) {
        std::fputs(captureUsage(), stdout);
        return 0;
    }

    if (options.dataDir.empty())
        options.dataDir = findDataFolder(installedDataFolder());
    OfflineMusic music;
    const std::string modulePath = dataFile(options.dataDir, "Vostr_1.it");
    if (!music.load(modulePath, &error)) {
        // Without music the show would never end by itself.
        if (!options.frames && !options.seconds)
            return fail(error + "; with no music the show never ends: give --frames or --seconds");
        std::fprintf(stderr, "mardunqist-capture: %s; capturing without music\n", error.c_str());
    }

    HeadlessGL gl;
    if (!gl.open(options.width, options.height, &error))
        return fail("no OpenGL context: " + error);

    std::unique_ptr<CaptureOutput> output = openCaptureOutput(options, musicSampleRate, &error);
    if (!output)
        return fail(error);

    std::ofstream timeline;
    if (!options.timelineCsv.empty()) {
        timeline.open(options.timelineCsv);
        if (!timeline) {
            output->abandon();
            return fail(options.timelineCsv + ": " + std::strerror(errno));
        }
        timeline.precision(15);
        timeline << "frame,time_ms,order,row,playing\n";
    }

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    std::signal(SIGPIPE, SIG_IGN);

    const FrameClock clock(options.fps, musicSampleRate);
    std::uint64_t frameLimit = UINT64_MAX;
    if (options.frames)
        frameLimit = *options.frames;
    if (options.seconds)
        frameLimit = std::min(frameLimit, clock.framesFor(*options.seconds));
    const std::uint64_t expected =
        frameLimit != UINT64_MAX ? frameLimit : clock.framesFor(music.durationSeconds()) + 1;

    showclock::setManual(FrameClock::startMs);
    showmusic::use(&music);
    initGraphics(options.seedTick, options.dataDir);

    Progress progress(expected, options.quiet);
    std::vector<std::int16_t> audio;
    FramePipe frames(gl.canvas(), *output);
    std::uint64_t frame = 0;
    bool ok = true;
    while (frame < frameLimit && !interrupted) {
        // The sound up to this frame's time first, so the frame sees the
        // position the music has reached.
        music.render(clock.samplesFor(frame), audio);
        if (!output->addAudio(audio, clock.samplesFor(frame), &error)) {
            ok = false;
            break;
        }
        const double time = clock.frameTimeMs(frame);
        showclock::setManual(time);
        drawFrame();
        if (!frames.add(frame, &error)) {
            ok = false;
            break;
        }
        if (timeline.is_open()) {
            const std::uint32_t position = music.position();
            timeline << frame << ',' << time << ',' << showmusic::orderOf(position) << ','
                     << showmusic::rowOf(position) << ',' << (music.isActive() ? 1 : 0) << '\n';
        }
        ++frame;
        progress.update(frame);
        // The show's own end, or a song that stops without reaching the credits.
        if (!running || (music.loaded() && !music.isActive() && !composer.creditsStarted))
            break;
    }
    showmusic::use(nullptr);
    // The frames still queued go out too, unless the capture is given up.
    if (ok && !interrupted)
        ok = frames.finish(&error);
    else
        frames.cancel();

    if (interrupted) {
        output->abandon();
        std::fprintf(stderr, "\nmardunqist-capture: interrupted; nothing written under %s\n", options.output.c_str());
        return 130;
    }
    if (!ok) {
        output->abandon();
        return fail(error);
    }
    progress.finish(frame);
    if (!output->finish(&error))
        return fail(error);
    if (!options.quiet)
        std::fprintf(stderr, "mardunqist-capture: %llu frames written to %s\n",
                     static_cast<unsigned long long>(frame), options.output.c_str());
    return 0;
}
