// A small writer of Impulse Tracker modules: sample mode (no instruments),
// signed 8- or 16-bit mono PCM samples, patterns and an order list. Enough to
// compose the show's default module and the tiny modules tests play.
#ifndef MARDUNQIST_IT_WRITER_H
#define MARDUNQIST_IT_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

namespace itw {

constexpr int noteC5 = 60;     // middle of the tracker's range
constexpr int noteCut = 254;
constexpr int noteOff = 255;

// Effect letters as command numbers: 'A' is 1 ... 'Z' is 26.
constexpr std::uint8_t command(char letter)
{
    return static_cast<std::uint8_t>(letter - 'A' + 1);
}

struct Sample {
    std::string name;
    std::vector<std::int16_t> pcm;  // mono
    bool sixteenBit = true;         // false: stored as 8-bit (pcm >> 8)
    std::uint32_t c5Speed = 44100;  // playback rate of note C-5, Hz
    std::uint8_t volume = 64;       // default volume 0..64
    std::uint8_t globalVolume = 64; // 0..64
    bool loop = false;
    std::uint32_t loopBegin = 0;
    std::uint32_t loopEnd = 0;      // one past the last looped sample
};

// One channel's entry in one row; every field optional.
struct Cell {
    int note = -1;       // 0..119, noteCut, noteOff; -1 none
    int sample = 0;      // 1..99; 0 none
    int volume = -1;     // 0..64; -1 none
    int effect = 0;      // command(letter); 0 none
    int param = 0;
};

struct Pattern {
    int rows = 64;
    int channels = 0;
    std::vector<Cell> cells;  // rows x channels, row-major

    Pattern() = default;
    Pattern(int rowCount, int channelCount)
        : rows(rowCount), channels(channelCount),
          cells(static_cast<std::size_t>(rowCount) * channelCount) {}

    Cell& at(int row, int channel) { return cells[static_cast<std::size_t>(row) * channels + channel]; }
    const Cell& at(int row, int channel) const
    {
        return cells[static_cast<std::size_t>(row) * channels + channel];
    }
};

struct Module {
    std::string name;
    std::uint8_t speed = 6;          // ticks per row
    std::uint8_t tempo = 125;        // BPM
    std::uint8_t globalVolume = 128; // 0..128
    std::uint8_t mixVolume = 48;     // 0..128
    std::uint8_t separation = 128;   // stereo separation 0..128
    std::vector<std::uint8_t> channelPan;  // 0..64 per channel; default centre
    std::vector<std::uint8_t> orders;      // pattern indices; the end mark is added
    std::vector<Sample> samples;
    std::vector<Pattern> patterns;
};

// The file's bytes. Throws std::invalid_argument on a module that no tracker
// could hold (too many channels, samples, patterns or orders; an order naming
// a missing pattern).
std::vector<std::uint8_t> write(const Module& module);

// Writes the file; false with a reason naming the path on failure.
bool writeFile(const Module& module, const std::string& path, std::string* error);

// Row duration in seconds at a speed and tempo (speed * 2.5 / tempo).
double rowSeconds(int speed, int tempo);

} // namespace itw

#endif
