// The capture page's clock: the native capture tool's frame clock, so a web
// capture gives each frame the same time and the same share of the sound as
// a native capture with the same options, and so reads the same position.
#include "frame_clock.h"

#include <emscripten/emscripten.h>

#include <cstdint>

namespace {

// The rate the capture renders the module at, as the native capture does.
constexpr std::uint32_t captureSampleRate = 44100;

FrameClock captureClock({60, 1}, captureSampleRate);

std::uint64_t whole(double value)
{
    return static_cast<std::uint64_t>(value);
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void webCaptureSetFrameRate(double numerator, double denominator)
{
    captureClock = FrameClock({whole(numerator), whole(denominator)}, captureSampleRate);
}

EMSCRIPTEN_KEEPALIVE int webCaptureSampleRate()
{
    return static_cast<int>(captureSampleRate);
}

EMSCRIPTEN_KEEPALIVE double webCaptureFrameTimeMs(double frame)
{
    return captureClock.frameTimeMs(whole(frame));
}

EMSCRIPTEN_KEEPALIVE double webCaptureSamplesFor(double frame)
{
    return static_cast<double>(captureClock.samplesFor(whole(frame)));
}

EMSCRIPTEN_KEEPALIVE double webCaptureFramesFor(double seconds)
{
    return static_cast<double>(captureClock.framesFor(seconds));
}

} // extern "C"
