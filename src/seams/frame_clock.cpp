#include "seams/frame_clock.h"

#include <cmath>

double FrameClock::frameTimeMs(std::uint64_t n) const
{
    // Exact in integers first: n * 1000 * den stays far below 2^64 for any
    // capture of realistic length.
    const std::uint64_t scaled = n * 1000u * rate_.denominator;
    const std::uint64_t whole = scaled / rate_.numerator;
    const std::uint64_t rest = scaled % rate_.numerator;
    return startMs + static_cast<double>(whole) +
           static_cast<double>(rest) / static_cast<double>(rate_.numerator);
}

std::uint64_t FrameClock::samplesThrough(std::uint64_t n) const
{
    return (n + 1) * sampleRate_ * rate_.denominator / rate_.numerator;
}

std::uint64_t FrameClock::samplesFor(std::uint64_t n) const
{
    const std::uint64_t before = n == 0 ? 0 : n * sampleRate_ * rate_.denominator / rate_.numerator;
    return samplesThrough(n) - before;
}

std::uint64_t FrameClock::framesFor(double seconds) const
{
    return static_cast<std::uint64_t>(
        std::ceil(seconds * static_cast<double>(rate_.numerator) / static_cast<double>(rate_.denominator)));
}
