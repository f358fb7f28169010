// Listening by the numbers: a module rendered as libopenmpt plays it, written
// out as a WAV file or summed up order by order.
#ifndef MARDUNQIST_ASSETS_RENDER_H
#define MARDUNQIST_ASSETS_RENDER_H

#include <cstddef>
#include <string>
#include <vector>

namespace assets {

constexpr int renderRate = 44100;

struct Rendering {
    std::vector<float> samples;             // interleaved left, right
    std::vector<std::size_t> orderStarts;   // the frame at which each order begins
};

// Plays a module file once through, stereo at 44.1 kHz.
bool renderModule(const std::string& path, Rendering* out, std::string* error);
// 32-bit float WAV, so that anything over full scale shows.
bool writeWav(const std::string& path, const std::vector<float>& samples, std::string* error);
// A table of each order's start, length, peak and RMS level in dBFS.
std::string levelReport(const Rendering& rendering);

} // namespace assets

#endif
