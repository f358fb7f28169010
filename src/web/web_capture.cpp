// The capture page's clock: the frame clock every capture counts with, so a
// web capture gives each frame the same time and the same share of the sound
// as a native capture with the same options, and so reads the same position.
#include "seams/frame_clock.h"
#include "seams/music.h"

#include <emscripten/emscripten.h>

#include <cstdint>

namespace {

FrameClock captureClock({60, 1}, musicSampleRate);

std::uint64_t whole(double value)
{
    return static_cast<std::uint64_t>(value);
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void webCaptureSetFrameRate(double numerator, double denominator)
{
    captureClock = FrameClock({whole(numerator), whole(denominator)}, musicSampleRate);
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
