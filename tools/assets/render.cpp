#include "render.h"

#include "platform/end_signals.h"
#include "files/regular_file.h"
#include "files/whole_file.h"
#include "shell/module_file.h"

#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace assets {
namespace {

// A RIFF header counts the bytes after its first eight in 32 bits.
constexpr std::uint64_t wavHeaderBytes = 58;
constexpr std::uint64_t maxWavDataBytes = 0xFFFFFFFFu - (wavHeaderBytes - 8);

double decibels(double amplitude)
{
    return amplitude > 0.0 ? 20.0 * std::log10(amplitude) : -999.0;
}

struct Levels {
    double peak = 0.0;
    double rms = 0.0;
};

Levels measure(const std::vector<float>& samples, std::size_t firstFrame, std::size_t endFrame)
{
    Levels l;
    double sum = 0.0;
    for (std::size_t i = 2 * firstFrame; i < 2 * endFrame; ++i) {
        l.peak = std::max(l.peak, static_cast<double>(std::fabs(samples[i])));
        sum += static_cast<double>(samples[i]) * samples[i];
    }
    if (endFrame > firstFrame)
        l.rms = std::sqrt(sum / (2.0 * static_cast<double>(endFrame - firstFrame)));
    return l;
}

void putLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF));
}

} // namespace

bool renderModule(const std::string& path, Rendering* out, std::string* error)
{
    std::vector<std::uint8_t> bytes;
    std::string why;
    if (!readRegularFile(path, maxModuleBytes, "a module", &bytes, &why)) {
        *error = path + ": " + why;
        return false;
    }
    try {
        openmpt::module module(bytes);
        module.set_repeat_count(0);
        out->samples.clear();
        out->orderStarts.clear();
        constexpr std::size_t block = 64;  // small, so order starts land within 1.5 ms
        std::vector<float> buffer(2 * block);
        std::size_t frames = 0;
        out->orderStarts.push_back(0);
        while (const std::size_t got = module.read_interleaved_stereo(renderRate, block, buffer.data())) {
            if (endSignal()) {
                *error = std::string("interrupted (") + endSignalName(endSignal()) + ")";
                return false;
            }
            // Memory stays bounded by what a WAV file could hold.
            if ((out->samples.size() + 2 * got) * sizeof(float) > maxWavDataBytes) {
                *error = path + ": plays longer than a WAV file can hold (" + byteSize(maxWavDataBytes) + " of sound)";
                return false;
            }
            out->samples.insert(out->samples.end(), buffer.begin(), buffer.begin() + 2 * got);
            const int order = module.get_current_order();
            while (static_cast<int>(out->orderStarts.size()) <= order)
                out->orderStarts.push_back(frames);
            frames += got;
        }
    } catch (const openmpt::exception& e) {
        *error = path + ": " + e.what();
        return false;
    }
    return true;
}

bool writeWav(const std::string& path, const std::vector<float>& samples, std::string* error)
{
    if (samples.size() * sizeof(float) > maxWavDataBytes) {
        *error = path + ": " + byteSize(samples.size() * sizeof(float)) + " of sound is more than a WAV file holds (" +
                 byteSize(maxWavDataBytes) + ")";
        return false;
    }
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * sizeof(float));
    std::vector<std::uint8_t> header;
    header.insert(header.end(), {'R', 'I', 'F', 'F'});
    putLittleEndian(header, static_cast<std::uint32_t>(wavHeaderBytes - 8) + dataBytes, 4);
    header.insert(header.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLittleEndian(header, 18, 4);
    putLittleEndian(header, 3, 2);  // IEEE float
    putLittleEndian(header, 2, 2);
    putLittleEndian(header, renderRate, 4);
    putLittleEndian(header, renderRate * 2 * sizeof(float), 4);
    putLittleEndian(header, 2 * sizeof(float), 2);
    putLittleEndian(header, 32, 2);
    putLittleEndian(header, 0, 2);  // no extension
    // Formats other than plain PCM carry their length in frames.
    header.insert(header.end(), {'f', 'a', 'c', 't'});
    putLittleEndian(header, 4, 4);
    putLittleEndian(header, static_cast<std::uint32_t>(samples.size() / 2), 4);
    header.insert(header.end(), {'d', 'a', 't', 'a'});
    putLittleEndian(header, dataBytes, 4);

    WholeFile file;
    if (!file.open(path, error) || !file.write(header.data(), header.size(), error))
        return false;
    for (float v : samples) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        const std::uint8_t le[4] = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                                    static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
        if (!file.write(le, 4, error))
            return false;
    }
    if (endSignal()) {
        *error = std::string("interrupted (") + endSignalName(endSignal()) + "); " + path + " not written";
        return false;
    }
    return file.commit(error);
}

std::string levelReport(const Rendering& r)
{
    std::string text = "order   start    length   peak dBFS   RMS dBFS\n";
    const std::size_t totalFrames = r.samples.size() / 2;
    char line[128];
    for (std::size_t i = 0; i < r.orderStarts.size(); ++i) {
        const std::size_t begin = r.orderStarts[i];
        const std::size_t end = i + 1 < r.orderStarts.size() ? r.orderStarts[i + 1] : totalFrames;
        const Levels l = measure(r.samples, begin, end);
        std::snprintf(line, sizeof line, "%5zu %7.2f s %7.2f s %9.1f %10.1f\n", i,
                      static_cast<double>(begin) / renderRate, static_cast<double>(end - begin) / renderRate,
                      decibels(l.peak), decibels(l.rms));
        text += line;
    }
    const Levels all = measure(r.samples, 0, totalFrames);
    std::snprintf(line, sizeof line, "total %7.2f s %19.1f %10.1f\n", static_cast<double>(totalFrames) / renderRate,
                  decibels(all.peak), decibels(all.rms));
    return text + line;
}

} // namespace assets
