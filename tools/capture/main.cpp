// mardunqist-capture: the show rendered frame by frame on a virtual clock,
// with the music rendered offline in lockstep, into a video or PNG frames.
// No display, no sound device: a headless GL context and libopenmpt only.
//
// What it writes is whole or untouched (see outputs.h): a failure, a full
// disk or a signal (SIGINT, SIGTERM, SIGHUP, SIGQUIT) leaves nothing under
// the requested names and an earlier output as it was.
#include "capture_options.h"
#include "frame_pipe.h"
#include "outputs.h"
#include "progress.h"
#include "shown_frames.h"

#include "files/whole_file.h"
#include "gentle/flash_report.h"
#include "platform/end_signals.h"
#include "platform/files.h"
#include "platform/headless_gl.h"
#include "platform/program.h"
#include "seams/frame_clock.h"
#include "seams/music.h"
#include "seams/show_files.h"
#include "shell/data_folder.h"
#include "shell/module_file.h"
#include "timeline/offline_show.h"

#include <cstdio>
#include <exception>

namespace {

int fail(const std::string& message)
{
    std::fprintf(stderr, "mardunqist-capture: %s\n", message.c_str());
    return 1;
}

int failInterrupted(const CaptureOptions& options, Progress& progress)
{
    progress.breakLine();
    const int signal = endSignal();
    std::fprintf(stderr, "mardunqist-capture: interrupted (%s); nothing written under %s\n", endSignalName(signal),
                 options.output.c_str());
    return endSignalStatus(signal);
}

// One capture; every file it made and did not complete goes with its locals.
int capture(const CaptureOptions& options)
{
    std::string error;
    // What may not be written is refused before any work.
    std::unique_ptr<CaptureOutput> written = prepareCaptureOutput(options, musicSampleRate, &error);
    if (!written)
        return fail(error);
    for (const std::string& file : {options.timelineCsv, options.flashReport}) {
        if (!file.empty() && !checkOutputFile(file, options.force, &error))
            return fail(error);
    }

    const std::unique_ptr<OpenmptRenderer> module = OpenmptRenderer::open(dataFile(options.dataDir, moduleFileName), &error);
    if (!module) {
        // Without music the show would never end by itself.
        if (!options.frames && !options.seconds)
            return fail(error + "; with no music the show never ends: give --frames or --seconds");
        std::fprintf(stderr, "mardunqist-capture: %s; capturing without music\n", error.c_str());
    }
    OfflineShow show(options.fps, module.get());

    const FrameClock& clock = show.clock();
    const bool checkFlashes = !options.flashReport.empty();
    auto output = std::make_unique<ShownFrames>(std::move(written), options.fps, options.width, options.height,
                                                options.gentle, checkFlashes);
    const std::uint64_t frameLimit = show.frameLimit(options.frames, options.seconds);
    const std::uint64_t expected = show.expectedFrames(frameLimit);
    if (!soundFits(options, clock.samplesThrough(expected - 1), musicSampleRate, &error))
        return fail(error);

    HeadlessGL gl;
    if (!gl.open(options.width, options.height, &error))
        return fail("no OpenGL context: " + error);

    WholeFile timeline;
    if (!options.timelineCsv.empty()) {
        if (!timeline.open(options.timelineCsv, &error))
            return fail(error);
        std::fprintf(timeline.stream(), "%s\n", OfflineShow::timelineHeader);
    }
    if (!output->start(&error))
        return fail(error);

    show.start(options.seedTick, options.dataDir);

    Progress progress(expected, options.quiet);
    if (checkFlashes)
        progress.countFlashFailures(&output->failingSeconds());
    FramePipe frames(gl.canvas(), *output);
    std::uint64_t frame = 0;
    bool ok = true;
    while (frame < frameLimit && !endSignal()) {
        const std::vector<std::int16_t>& sound = show.step();
        if (!output->addAudio(sound, clock.samplesFor(frame), &error) || !frames.add(frame, &error)) {
            ok = false;
            break;
        }
        if (timeline.isOpen())
            std::fprintf(timeline.stream(), "%s\n", show.timelineRow().c_str());
        ++frame;
        progress.update(frame);
        if (show.ended())
            break;
    }
    show.finish();
    // The frames still queued go out too, unless the capture is given up.
    if (ok && !endSignal())
        ok = frames.finish(&error);
    else
        frames.cancel();

    if (endSignal())
        return failInterrupted(options, progress);
    if (!ok)
        return fail(error + "; nothing written under " + options.output);
    progress.finish(frame);
    // The timeline's and the report's last bytes go to disk before the
    // output takes its name, so a full disk leaves none of them.
    if (timeline.isOpen() && !timeline.close(&error))
        return fail(error + "; nothing written under " + options.output);
    WholeFile report;
    if (checkFlashes) {
        const std::string csv = flashReportCsv(output->check());
        if (!report.open(options.flashReport, &error) || !report.write(csv.data(), csv.size(), &error) ||
            !report.close(&error))
            return fail(error + "; nothing written under " + options.output);
    }
    if (!output->finish(&error)) {
        if (endSignal())
            return failInterrupted(options, progress);
        return fail(error + "; nothing written under " + options.output);
    }
    if (!options.timelineCsv.empty() && !timeline.commit(&error))
        return fail(error);
    if (checkFlashes && !report.commit(&error))
        return fail(error);
    if (!options.quiet)
        std::fprintf(stderr, "mardunqist-capture: %llu frames written to %s\n",
                     static_cast<unsigned long long>(frame), options.output.c_str());
    if (checkFlashes && !options.quiet) {
        for (const FlashSecond& second : output->check().seconds()) {
            if (second.verdict >= FlashVerdict::extendedFail)
                std::fprintf(stderr, "mardunqist-capture: flash check: %s\n", flashSecondLine(second).c_str());
        }
        std::fprintf(stderr, "mardunqist-capture: flash check: %s; report in %s\n",
                     flashSummary(output->check()).c_str(), options.flashReport.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    startProgram(&argc, &argv);
    CaptureOptions options;
    std::string error;
    if (!parseCaptureOptions(CaptureTool::native, argc, argv, &options, &error))
        return fail(error);
    if (options.help) {
        std::fputs(captureUsage().c_str(), stdout);
        return 0;
    }
    if (options.dataDir.empty())
        options.dataDir = findDataFolder(installedDataFolder());
    catchEndSignals();
    failWritesInsteadOfSignals();
    try {
        return capture(options);
    } catch (const std::exception& e) {
        // Out of memory, most likely; the capture's temporaries are gone by now.
        return fail(std::string(e.what()) + "; nothing written under " + options.output);
    }
}
