#include "synth.h"

#include "dsp.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace assets {
namespace {

using dsp::Filter;
using dsp::Oscillator;
using dsp::Random;
using dsp::Signal;
using dsp::samplesFor;

constexpr double middleC = 261.6255653005986;

double timeAt(std::size_t i)
{
    return static_cast<double>(i) / dsp::sampleRate;
}

// Raised-cosine ramps, so no sample starts or stops with a click.
void fadeIn(Signal& s, double seconds)
{
    const std::size_t n = std::min(s.size(), samplesFor(seconds));
    for (std::size_t i = 0; i < n; ++i)
        s[i] *= 0.5 - 0.5 * std::cos(dsp::pi * static_cast<double>(i) / static_cast<double>(n));
}

void fadeOut(Signal& s, double seconds)
{
    const std::size_t n = std::min(s.size(), samplesFor(seconds));
    for (std::size_t i = 0; i < n; ++i)
        s[s.size() - 1 - i] *= 0.5 - 0.5 * std::cos(dsp::pi * static_cast<double>(i) / static_cast<double>(n));
}

// A metallic cluster of square waves at inharmonic ratios: the ring of hats and cymbals.
double metal(std::vector<Oscillator>& bank, double baseHz)
{
    static constexpr double ratios[] = {1.0, 1.4826, 1.8003, 2.5461, 2.6303, 3.8968};
    double sum = 0.0;
    for (std::size_t k = 0; k < bank.size(); ++k)
        sum += bank[k].pulse(baseHz * ratios[k % 6], 0.5);
    return sum / static_cast<double>(bank.size());
}

// Removes any offset that shaping left (an offset sums across channels and
// wastes headroom). Its time constant is a few hundredths of a second, so a
// loop that starts later than that stays seamless.
void blockDc(Signal& s)
{
    constexpr double pole = 1.0 - 2.0 * dsp::pi * 8.0 / dsp::sampleRate;
    double previousIn = 0.0, previousOut = 0.0;
    for (double& v : s) {
        const double out = v - previousIn + pole * previousOut;
        previousIn = v;
        previousOut = out;
        v = out;
    }
}

// Scales to a common peak and tunes: `rootHz` is the pitch the signal was made at.
itw::Sample toSample(const std::string& name, Signal s, double rootHz, double loopBeginSeconds = -1.0,
                     double loopEndSeconds = -1.0)
{
    blockDc(s);
    double peak = 1e-9;
    for (double v : s)
        peak = std::max(peak, std::fabs(v));
    const double gain = 0.95 * 32767.0 / peak;

    itw::Sample sample;
    sample.name = name;
    sample.pcm.reserve(s.size());
    for (double v : s)
        sample.pcm.push_back(static_cast<std::int16_t>(std::lround(std::clamp(v * gain, -32767.0, 32767.0))));
    sample.c5Speed = static_cast<std::uint32_t>(std::lround(dsp::sampleRate * middleC / rootHz));
    if (loopBeginSeconds >= 0.0) {
        sample.loop = true;
        sample.loopBegin = static_cast<std::uint32_t>(samplesFor(loopBeginSeconds));
        sample.loopEnd = static_cast<std::uint32_t>(std::min(s.size(), samplesFor(loopEndSeconds)));
    }
    return sample;
}

Signal kick()
{
    Signal s(samplesFor(0.5));
    Oscillator body;
    Filter clickTone;
    Random noise(11);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeAt(i);
        const double hz = 46.0 + 130.0 * std::exp(-t / 0.028) + 30.0 * std::exp(-t / 0.12);
        const double amp = t < 0.025 ? 1.0 : std::exp(-(t - 0.025) / 0.2);
        const double click = clickTone.lowpass(noise.bipolar(), 5000.0) * std::exp(-t / 0.004);
        s[i] = std::tanh(1.8 * body.sine(hz) * amp) / std::tanh(1.8) + 0.6 * click;
    }
    fadeOut(s, 0.04);
    return s;
}

Signal snare()
{
    Signal s(samplesFor(0.35));
    Oscillator low, high;
    Filter hp, lp;
    Random noise(23);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeAt(i);
        const double tone = 0.7 * low.sine(185.0 * (1.0 + 0.35 * std::exp(-t / 0.01))) * std::exp(-t / 0.05) +
                            0.3 * high.sine(330.0) * std::exp(-t / 0.03);
        const double hiss = lp.lowpass(hp.highpass(noise.bipolar(), 1300.0), 9000.0);
        s[i] = tone + 0.9 * hiss * std::exp(-t / 0.085);
    }
    fadeIn(s, 0.001);
    fadeOut(s, 0.05);
    return s;
}

Signal clap()
{
    Signal s(samplesFor(0.4));
    Filter band, air;
    Random noise(37);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeAt(i);
        // Three quick hand hits, then the room.
        double env = 0.0;
        for (double hit : {0.0, 0.009, 0.018})
            if (t >= hit && t < 0.027)
                env = std::max(env, std::exp(-(t - hit) / 0.0035));
        if (t >= 0.027)
            env = std::exp(-(t - 0.027) / 0.11);
        const double n = noise.bipolar();
        s[i] = env * (band.bandpass(n, 1250.0, 0.55) + 0.35 * air.highpass(n, 3500.0));
    }
    fadeOut(s, 0.05);
    return s;
}

Signal hat(double seconds, double decay, std::uint64_t seed)
{
    Signal s(samplesFor(seconds));
    std::vector<Oscillator> bank;
    Random noise(seed);
    for (int k = 0; k < 6; ++k)
        bank.emplace_back(noise.unit());
    Filter band, hp;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeAt(i);
        const double x = metal(bank, 330.0) + 0.6 * noise.bipolar();
        s[i] = hp.highpass(band.bandpass(x, 10000.0, 0.2) + 0.3 * x, 7000.0) * std::exp(-t / decay);
    }
    fadeIn(s, 0.0005);
    fadeOut(s, std::min(0.08, seconds * 0.3));
    return s;
}

Signal crash()
{
    Signal s(samplesFor(3.0));
    std::vector<Oscillator> bank;
    Random noise(41);
    for (int k = 0; k < 6; ++k)
        bank.emplace_back(noise.unit());
    Filter hp, lp;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeAt(i);
        const double x = 0.7 * metal(bank, 440.0) + noise.bipolar();
        const double bright = 7000.0 + 9000.0 * std::exp(-t / 0.6);  // the shimmer darkens as it rings
        s[i] = lp.lowpass(hp.highpass(x, 3500.0), bright) * std::exp(-t / 0.85);
    }
    fadeIn(s, 0.002);
    fadeOut(s, 0.5);
    return s;
}

// A cymbal that swells up to its end, to lead into a downbeat.
Signal reverseCymbal(double seconds)
{
    Signal s(samplesFor(seconds));
    Random noise(43);
    Filter hp, lp;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double u = timeAt(i) / seconds;
        const double x = hp.highpass(noise.bipolar(), 3000.0);
        s[i] = lp.lowpass(x, 2000.0 + 12000.0 * u * u) * u * u * u;
    }
    fadeOut(s, 0.006);
    return s;
}

// Filtered noise whose band rises over the build.
Signal riser(double seconds)
{
    Signal s(samplesFor(seconds));
    Random noise(47);
    Filter band, hp;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double u = timeAt(i) / seconds;
        const double centre = 350.0 * std::pow(32.0, u);
        const double n = noise.bipolar();
        s[i] = (band.bandpass(n, centre, 0.7) + 0.25 * hp.highpass(n, centre)) * std::pow(u, 1.6);
    }
    fadeIn(s, 0.01);
    fadeOut(s, 0.02);
    return s;
}

// A low falling thud under the big downbeats.
Signal boom()
{
    Signal s(samplesFor(2.0));
    Oscillator osc;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeAt(i);
        s[i] = std::tanh(1.5 * osc.sine(32.0 + 40.0 * std::exp(-t / 0.25)) * std::exp(-t / 0.7));
    }
    fadeIn(s, 0.002);
    fadeOut(s, 0.3);
    return s;
}

constexpr double bassRootHz = middleC / 4.0;  // C2

Signal bass()
{
    Signal s(samplesFor(1.2));
    Oscillator saw, square, sub;
    Filter lp;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeAt(i);
        const double cutoff = 170.0 + 2400.0 * std::exp(-t / 0.09);
        const double tone = lp.lowpass(0.6 * saw.saw(bassRootHz) + 0.4 * square.pulse(bassRootHz * 1.003, 0.5),
                                       cutoff, 0.35);
        const double amp = 0.55 + 0.45 * std::exp(-t / 0.15);
        s[i] = std::tanh(1.3 * (tone + 0.55 * sub.sine(bassRootHz)) * amp);
    }
    fadeIn(s, 0.002);
    fadeOut(s, 0.3);
    return s;
}

// Looped voices repeat exactly every `loopSeconds`: each oscillator makes a
// whole number of cycles in that time, so the loop has no seam.
constexpr double subRootHz = 65.5;  // 131 cycles in 2 s

Signal subBass()
{
    Signal s(samplesFor(2.5));
    Oscillator one, two;
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = std::tanh(1.2 * (one.sine(subRootHz) + 0.18 * two.sine(2.0 * subRootHz)));
    fadeIn(s, 0.012);
    return s;
}

constexpr double padRootHz = 262.0;  // a multiple of 0.5 Hz: whole cycles in 2 s

Signal pad()
{
    Signal s(samplesFor(2.5));
    static constexpr double detune[] = {-1.5, -1.0, -0.5, 0.0, 0.5, 1.0, 1.5};
    Random phases(53);
    std::vector<Oscillator> voices;
    for (std::size_t k = 0; k < std::size(detune); ++k)
        voices.emplace_back(phases.unit());
    Filter lp, soft;
    for (std::size_t i = 0; i < s.size(); ++i) {
        double x = 0.0;
        for (std::size_t k = 0; k < voices.size(); ++k)
            x += voices[k].saw(padRootHz + detune[k]);
        s[i] = soft.lowpass(lp.lowpass(x / static_cast<double>(voices.size()), 2300.0, 0.15), 5000.0);
    }
    fadeIn(s, 0.3);
    return s;
}

constexpr double leadRootHz = 523.0;  // whole cycles in 1 s

Signal lead()
{
    Signal s(samplesFor(1.25));
    Oscillator a(0.0), b(0.37), c(0.71), vibrato;
    Filter lp;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double wobble = 1.0 + 0.0035 * vibrato.sine(5.0);  // five cycles a loop
        const double x = 0.45 * a.saw(leadRootHz * wobble) + 0.35 * b.saw((leadRootHz + 1.0) * wobble) +
                         0.3 * c.pulse((leadRootHz - 1.0) * wobble, 0.3);
        s[i] = std::tanh(1.4 * lp.lowpass(x, 3800.0, 0.2));
    }
    fadeIn(s, 0.008);
    return s;
}

constexpr double pluckRootHz = middleC * 2.0;  // C5

Signal pluck()
{
    Signal s(samplesFor(0.9));
    Oscillator saw, square;
    Filter lp;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeAt(i);
        const double x = 0.6 * saw.saw(pluckRootHz) + 0.4 * square.pulse(pluckRootHz * 1.002, 0.25);
        s[i] = lp.lowpass(x, 450.0 + 6000.0 * std::exp(-t / 0.06), 0.3) * std::exp(-t / 0.28);
    }
    fadeIn(s, 0.001);
    fadeOut(s, 0.12);
    return s;
}

constexpr double bellRootHz = middleC * 2.0;  // C5

// Two-operator FM at 1 : 3.5, the inharmonic shimmer of a struck bar, over a warm sine tail.
Signal bell()
{
    Signal s(samplesFor(2.5));
    double carrier = 0.0, modulator = 0.0;
    Oscillator octave, body;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeAt(i);
        const double index = 0.3 + 2.2 * std::exp(-t / 0.35);
        const double fm = std::sin(2.0 * dsp::pi * carrier + index * std::sin(2.0 * dsp::pi * modulator));
        s[i] = 0.55 * fm * std::exp(-t / 0.9) + 0.2 * octave.sine(2.0 * bellRootHz) * std::exp(-t / 0.4) +
               0.45 * body.sine(bellRootHz) * std::exp(-t / 1.4);
        carrier += bellRootHz / dsp::sampleRate;
        modulator += 3.5 * bellRootHz / dsp::sampleRate;
        carrier -= std::floor(carrier);
        modulator -= std::floor(modulator);
    }
    fadeIn(s, 0.002);
    fadeOut(s, 0.4);
    return s;
}

} // namespace

std::vector<itw::Sample> synthesiseVoices(double riserSeconds, double swellSeconds)
{
    std::vector<itw::Sample> v(voiceCount);
    auto slot = [&v](Voice voice) -> itw::Sample& { return v[static_cast<int>(voice) - 1]; };
    slot(Voice::kick) = toSample("kick", kick(), middleC);
    slot(Voice::snare) = toSample("snare", snare(), middleC);
    slot(Voice::clap) = toSample("clap", clap(), middleC);
    slot(Voice::closedHat) = toSample("closed hat", hat(0.12, 0.025, 29), middleC);
    slot(Voice::openHat) = toSample("open hat", hat(0.7, 0.2, 31), middleC);
    slot(Voice::crash) = toSample("crash", crash(), middleC);
    slot(Voice::bass) = toSample("bass", bass(), bassRootHz);
    slot(Voice::subBass) = toSample("sub bass", subBass(), subRootHz, 0.5, 2.5);
    slot(Voice::pad) = toSample("pad", pad(), padRootHz, 0.5, 2.5);
    slot(Voice::pluck) = toSample("pluck", pluck(), pluckRootHz);
    slot(Voice::lead) = toSample("lead", lead(), leadRootHz, 0.25, 1.25);
    slot(Voice::bell) = toSample("bell", bell(), bellRootHz);
    slot(Voice::riser) = toSample("riser", riser(riserSeconds), middleC);
    slot(Voice::reverseCymbal) = toSample("reverse cymbal", reverseCymbal(swellSeconds), middleC);
    slot(Voice::boom) = toSample("boom", boom(), middleC);
    return v;
}

} // namespace assets
