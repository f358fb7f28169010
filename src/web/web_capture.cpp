// The page's captures: the show stepped offline through the one stepper
// (timeline/offline_show.h), exactly as the native capture steps it, with
// the module rendered in lockstep by the page's own libopenmpt player. The
// capture page (PNG frames for mardunqist-web-capture) and the start page's
// video export both drive it:
//
//   webCaptureStart(...)                       expected frames, 0 on failure
//   while (!webCaptureDone()) {
//       webCaptureStep();                      sound, then the frame drawn
//       ... webCaptureSound*, webCaptureTimelineRow, the frame's pixels ...
//   }
//   webCaptureStop();
//
// The page hands its module player over as Module.captureModule before the
// start; without it the capture has no music. One thread: the page's.
#include "media/yuv_frame.h"
#include "platform/program.h"
#include "seams/offline_music.h"
#include "timeline/offline_show.h"
#include "web/page_canvas.h"

#include <emscripten/emscripten.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

EM_JS(double, captureModuleRead, (double frames, std::int16_t* out), {
    return Module.captureModule.readInto(frames, HEAP16, out >> 1);
});

EM_JS(std::uint32_t, captureModulePosition, (), {
    return Module.captureModule.position();
});

EM_JS(double, captureModuleDuration, (), {
    return Module.captureModule.durationSeconds();
});

// The page's player, as the stepper renders it.
class PageModule : public ModuleRenderer {
public:
    std::size_t read(std::size_t frames, std::int16_t* out) override
    {
        return static_cast<std::size_t>(captureModuleRead(static_cast<double>(frames), out));
    }
    std::uint32_t position() override { return captureModulePosition(); }
    double durationSeconds() override { return captureModuleDuration(); }
};

struct PageCapture {
    PageModule module;
    std::unique_ptr<OfflineShow> show;
    std::uint64_t limit = 0;
    std::uint32_t seedTick = 0;
    const std::vector<std::int16_t>* sound = nullptr;
    std::string row;
    std::vector<std::uint8_t> yuv;
};

PageCapture capture;

std::optional<std::uint64_t> givenFrames(double frames)
{
    return frames >= 0 ? std::optional<std::uint64_t>(static_cast<std::uint64_t>(frames)) : std::nullopt;
}

std::optional<double> givenSeconds(double seconds)
{
    return seconds >= 0 ? std::optional<double>(seconds) : std::nullopt;
}

} // namespace

extern "C" {

// A capture at width x height and fpsNumerator/fpsDenominator frames a
// second, seeded from seedTick (negative: from the clock, as a live show
// is); gentle frames go through the gentle filter. At most `frames` frames
// and `seconds` of show where they are not negative. With withModule the
// page's Module.captureModule plays the music. The frames the capture is
// expected to take; 0 after one line on the console when the canvas cannot
// be opened.
EMSCRIPTEN_KEEPALIVE double webCaptureStart(int width, int height, double fpsNumerator, double fpsDenominator,
                                            double seedTick, int gentle, int withModule, double frames,
                                            double seconds)
{
    capture.show.reset();
    if (!openPageCanvas(width, height, gentle != 0))
        return 0;
    const FrameRate fps{static_cast<std::uint64_t>(fpsNumerator), static_cast<std::uint64_t>(fpsDenominator)};
    capture.show = std::make_unique<OfflineShow>(fps, withModule ? &capture.module : nullptr);
    capture.limit = capture.show->frameLimit(givenFrames(frames), givenSeconds(seconds));
    capture.seedTick = seedTick >= 0 ? static_cast<std::uint32_t>(seedTick) : bootTicks();
    capture.show->start(capture.seedTick, pageDataFolder, presentToPage);
    return static_cast<double>(capture.show->expectedFrames(capture.limit));
}

// The tick count the capture was seeded from, to name what it makes.
EMSCRIPTEN_KEEPALIVE double webCaptureSeedTick()
{
    return capture.seedTick;
}

// Whether the capture is over: its frames all stepped, or the show ended
// (at its own end, or when the music stopped before the credits).
EMSCRIPTEN_KEEPALIVE int webCaptureDone()
{
    OfflineShow* show = capture.show.get();
    return !show || show->framesStepped() >= capture.limit || (show->framesStepped() > 0 && show->ended());
}

// The next frame: its sound rendered, then the frame drawn and presented.
EMSCRIPTEN_KEEPALIVE void webCaptureStep()
{
    capture.sound = &capture.show->step();
}

// The frame's sound: interleaved 16-bit stereo at the music's sample rate
// (webMusicSampleRate).
EMSCRIPTEN_KEEPALIVE const std::int16_t* webCaptureSound()
{
    return capture.sound->data();
}

EMSCRIPTEN_KEEPALIVE double webCaptureSoundFrames()
{
    return static_cast<double>(capture.sound->size() / 2);
}

// Where the frame stepped last stands in a video, in whole microseconds from
// the first frame, as the frame clock counts: when it shows, how long it
// shows, and when its sound begins.
EMSCRIPTEN_KEEPALIVE double webCaptureFrameStartUs()
{
    const FrameClock& clock = capture.show->clock();
    return std::round((clock.frameTimeMs(capture.show->frame()) - FrameClock::startMs) * 1000);
}

EMSCRIPTEN_KEEPALIVE double webCaptureFrameLengthUs()
{
    const FrameClock& clock = capture.show->clock();
    const std::uint64_t frame = capture.show->frame();
    return std::round((clock.frameTimeMs(frame + 1) - FrameClock::startMs) * 1000) - webCaptureFrameStartUs();
}

EMSCRIPTEN_KEEPALIVE double webCaptureSoundStartUs()
{
    const std::uint64_t frame = capture.show->frame();
    const std::uint64_t samplesBefore = frame == 0 ? 0 : capture.show->clock().samplesThrough(frame - 1);
    return std::round(static_cast<double>(samplesBefore) * 1e6 / musicSampleRate);
}

// The frame's line of the capture's timeline, and the line above them.
EMSCRIPTEN_KEEPALIVE const char* webCaptureTimelineRow()
{
    capture.row = capture.show->timelineRow();
    return capture.row.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* webCaptureTimelineHeader()
{
    return OfflineShow::timelineHeader;
}

// The frame as presented: RGBA rows, bottom row first.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* webCaptureRgba()
{
    return presentedPixels();
}

// The frame as presented, as a video carries it: I420, BT.709, limited
// range, top row first, converted as the native capture converts it.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* webCaptureI420()
{
    const int width = pageCanvasWidth(), height = pageCanvasHeight();
    capture.yuv.resize(yuv420Bytes(width, height));
    rgbaToYuv420(presentedPixels(), width, height, capture.yuv.data());
    return capture.yuv.data();
}

EMSCRIPTEN_KEEPALIVE void webCaptureStop()
{
    if (capture.show)
        capture.show->finish();
    capture.show.reset();
    closePageCanvas();
}

} // extern "C"
