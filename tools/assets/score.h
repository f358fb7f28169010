// The vocabulary the song is written in: pitches, chords, melodies, the
// channels of the module, and a score (one long run of rows that the
// arrangement is written into and that is cut into patterns at the end).
#ifndef MARDUNQIST_ASSETS_SCORE_H
#define MARDUNQIST_ASSETS_SCORE_H

#include "it_writer.h"
#include "synth.h"

#include <array>
#include <string_view>
#include <vector>

namespace assets {

constexpr int rowsPerBeat = 4;
constexpr int rowsPerBar = 16;

// Scientific pitch names ("A4", "C#5"); C4, middle C, is tracker note 60 (C-5).
int pitch(std::string_view name);

// Moves a pitch by `steps` degrees of the A minor scale (negative: down).
int shiftInScale(int note, int steps);

struct Chord {
    std::array<int, 4> voicing;  // the pad's four voices, low to high
    int bassRoot;                // in the bass register
};
// "Am", "C", "Dm", "E", "Em", "F", "G".
Chord chord(std::string_view name);

struct ChordSpan {
    Chord chord;
    int bars;
};
using Progression = std::vector<ChordSpan>;
// Chord names separated by spaces, each optionally followed by ":bars" ("Am:2 F C G").
Progression progression(std::string_view text);

struct Note {
    int row;
    int length;
    int pitch;
};
// A line of notes: "E5:4 D5:2 r:2 | A4:8" (pitch:rows; r is a rest; | marks bars
// for the reader). `stretch` multiplies every length.
std::vector<Note> melody(std::string_view text, int stretch = 1);

enum class Channel : int {
    kick,
    snare,
    clap,
    hat,
    openHat,
    crash,
    effects,
    bass,
    sub,
    pad1,
    pad2,
    pad3,
    pad4,
    arp,
    lead,
    harmony,
    echo,
    bell,
    bellEcho,
};
constexpr int channelCount = static_cast<int>(Channel::bellEcho) + 1;
// Places the channels across the stereo field (0 left, 32 centre, 64 right).
std::vector<std::uint8_t> channelPanning();
// Channels whose voices loop and so sound until they are stopped.
bool sustains(Channel channel);

// The whole song as one run of rows; cells outside it are ignored, so echoes
// and releases may run past the end without checks at every call.
class Score {
public:
    explicit Score(int rows) : rowCount(rows), cells(static_cast<std::size_t>(rows) * channelCount) {}

    int rows() const { return rowCount; }
    // Volumes are 0..64 before rounding; a note that rounds to silence is not written.
    void play(int row, Channel channel, Voice voice, int note, double volume);
    void setVolume(int row, Channel channel, double volume);
    void effect(int row, Channel channel, char letter, int param);
    void cut(int row, Channel channel);
    // Fades the channel out over `row` and stops it on the next, where nothing else starts.
    void release(int row, Channel channel);
    bool hasNote(int row, Channel channel) const;
    // Whether a note started before `row` is still held (neither cut nor released).
    bool heldInto(int row, Channel channel) const;

    itw::Pattern slice(int firstRow, int rowCount) const;

private:
    itw::Cell* at(int row, Channel channel);
    const itw::Cell* at(int row, Channel channel) const;

    int rowCount;
    std::vector<itw::Cell> cells;
};

} // namespace assets

#endif
