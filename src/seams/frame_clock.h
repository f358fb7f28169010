// The frame clock of a capture: frame times and audio sample counts from an
// exact frame rate, so that the picture and the sound never drift apart,
// however long the capture. The show clock (clock.h) is set to these times
// frame by frame; every capture (native, web, benchmarks) counts with it, so
// the same rate gives every frame the same time and share of the sound.
#ifndef MARDUNQIST_SEAMS_FRAME_CLOCK_H
#define MARDUNQIST_SEAMS_FRAME_CLOCK_H

#include <cstdint>

// Frames a second as an exact fraction: 60/1, 60000/1001.
struct FrameRate {
    std::uint64_t numerator = 60;
    std::uint64_t denominator = 1;
};

class FrameClock {
public:
    // The first frame's time: past 0, as live.
    static constexpr double startMs = 1000.0;

    FrameClock(FrameRate rate, std::uint32_t sampleRate) : rate_(rate), sampleRate_(sampleRate) {}

    // start + n * 1000 / fps, in ms.
    double frameTimeMs(std::uint64_t n) const;

    // Sample frames rendered once frame n is ready: floor((n + 1) * rate / fps).
    std::uint64_t samplesThrough(std::uint64_t n) const;

    // The samples that belong to frame n.
    std::uint64_t samplesFor(std::uint64_t n) const;

    // Frames needed to cover a length of show, in seconds (rounded up).
    std::uint64_t framesFor(double seconds) const;

private:
    FrameRate rate_;
    std::uint32_t sampleRate_;
};

#endif
