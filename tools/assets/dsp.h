// Building blocks for synthesis: a seeded random generator, band-limited
// oscillators and a state-variable filter. Everything is deterministic, so the
// generator writes the same bytes on every run.
#ifndef MARDUNQIST_ASSETS_DSP_H
#define MARDUNQIST_ASSETS_DSP_H

#include <cmath>
#include <cstdint>
#include <vector>

namespace assets::dsp {

constexpr double sampleRate = 44100.0;
constexpr double pi = 3.14159265358979323846;

using Signal = std::vector<double>;

// xorshift64*: small, fast and the same on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state(seed ? seed : 0x9E3779B97F4A7C15ull) {}

    std::uint64_t next()
    {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 2685821657736338717ull;
    }
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }  // [0, 1)
    double bipolar() { return 2.0 * unit() - 1.0; }                                         // [-1, 1)

private:
    std::uint64_t state;
};

// The correction that removes most of the aliasing of a step at phase 0.
inline double polyBlep(double phase, double increment)
{
    if (phase < increment) {
        const double t = phase / increment;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - increment) {
        const double t = (phase - 1.0) / increment;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// A phase accumulator with saw, pulse and sine read-outs.
class Oscillator {
public:
    explicit Oscillator(double startPhase = 0.0) : phase(startPhase - std::floor(startPhase)) {}

    // Reads the current value, then advances by one sample at `hz`.
    double saw(double hz)
    {
        const double inc = hz / sampleRate;
        const double v = 2.0 * phase - 1.0 - polyBlep(phase, inc);
        advance(inc);
        return v;
    }
    double pulse(double hz, double width)
    {
        const double inc = hz / sampleRate;
        double shifted = phase + (1.0 - width);
        shifted -= std::floor(shifted);
        // Less the mean, so narrow pulses carry no DC.
        const double v = (phase < width ? 1.0 : -1.0) + polyBlep(phase, inc) - polyBlep(shifted, inc) -
                         (2.0 * width - 1.0);
        advance(inc);
        return v;
    }
    double sine(double hz)
    {
        const double v = std::sin(2.0 * pi * phase);
        advance(hz / sampleRate);
        return v;
    }

private:
    void advance(double inc)
    {
        phase += inc;
        phase -= std::floor(phase);
    }
    double phase;
};

// Topology-preserving state-variable filter (low, band and high outputs at once).
class Filter {
public:
    struct Outputs {
        double low, band, high;
    };

    Outputs process(double input, double cutoffHz, double resonance)
    {
        const double fc = std::fmin(cutoffHz, sampleRate * 0.45);
        const double g = std::tan(pi * fc / sampleRate);
        const double k = 2.0 - 2.0 * resonance;  // resonance 0..~0.95
        const double a1 = 1.0 / (1.0 + g * (g + k));
        const double a2 = g * a1;
        const double a3 = g * a2;
        const double v3 = input - ic2;
        const double v1 = a1 * ic1 + a2 * v3;
        const double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0 * v1 - ic1;
        ic2 = 2.0 * v2 - ic2;
        return {v2, v1, input - k * v1 - v2};
    }
    double lowpass(double input, double cutoffHz, double resonance = 0.0)
    {
        return process(input, cutoffHz, resonance).low;
    }
    double highpass(double input, double cutoffHz, double resonance = 0.0)
    {
        return process(input, cutoffHz, resonance).high;
    }
    double bandpass(double input, double cutoffHz, double resonance = 0.0)
    {
        return process(input, cutoffHz, resonance).band;
    }

private:
    double ic1 = 0.0;
    double ic2 = 0.0;
};

inline std::size_t samplesFor(double seconds)
{
    return static_cast<std::size_t>(std::lround(seconds * sampleRate));
}

} // namespace assets::dsp

#endif
