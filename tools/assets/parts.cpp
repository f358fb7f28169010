#include "parts.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace assets {
namespace {

// Loudness of each part at full level (IT volume 0..64), balanced by ear and by meter.
namespace mix {
constexpr double kick = 52, snare = 58, clap = 44, hatAccent = 40, hatSoft = 20, openHat = 30;
constexpr double crash = 36, boom = 44, riser = 26, swell = 28;
constexpr double bass = 42, sub = 32, pad = 20, stab = 17, arp = 25;
constexpr double lead = 34, harmony = 19, echo = 12, bell = 30, bellEcho = 11;
}

constexpr std::array<Channel, 4> padChannels = {Channel::pad1, Channel::pad2, Channel::pad3, Channel::pad4};

// Everything a part writer needs: where the section sits and how loud it is at a row.
struct Context {
    Score& score;
    const int first;  // the section's first row in the score
    const Section& sec;

    int rows() const { return sec.rows; }
    double level(int row) const
    {
        const double end = sec.levelEnd < 0.0 ? sec.level : sec.levelEnd;
        const double u = sec.rows > 1 ? static_cast<double>(row) / (sec.rows - 1) : 0.0;
        return sec.level + (end - sec.level) * u;
    }
    void play(int row, Channel c, Voice v, int note, double volume)
    {
        score.play(first + row, c, v, note, volume * level(row));
    }
    void hit(int row, Channel c, Voice v, double volume) { play(row, c, v, itw::noteC5, volume); }

    // The chord under a row, and whether it begins there.
    std::pair<const Chord*, bool> chordAt(int row) const
    {
        int spanStart = 0;
        for (std::size_t i = 0;; i = (i + 1) % sec.chords.size()) {
            const int length = sec.chords[i].bars * rowsPerBar;
            if (row < spanStart + length)
                return {&sec.chords[i].chord, row == spanStart};
            spanStart += length;
        }
    }
};

bool inFill(const Section& sec, int row)
{
    switch (sec.fill) {
    case Fill::lastBeat:
        return row >= sec.rows - rowsPerBeat;
    case Fill::lastBar:
        return row >= sec.rows - rowsPerBar;
    case Fill::none:
        break;
    }
    return false;
}

// A snare roll that speeds up into the next section: eighths, then sixteenths.
void fillRow(Context& c, int row)
{
    const int fromEnd = c.rows() - row;
    const bool sixteenths = fromEnd <= 8;
    if (!sixteenths && row % 2 != 0)
        return;
    const double rise = 1.0 - static_cast<double>(fromEnd) / (rowsPerBar + 4);
    c.hit(row, Channel::snare, Voice::snare, mix::snare * (0.45 + 0.55 * rise));
    if (fromEnd > rowsPerBeat && row % rowsPerBeat == 0)
        c.hit(row, Channel::kick, Voice::kick, mix::kick);
}

void hats16(Context& c, int row, bool openOffbeats)
{
    const int b = row % rowsPerBeat;
    if (b == 2 && openOffbeats)
        c.hit(row, Channel::openHat, Voice::openHat, mix::openHat);
    else if (b == 2)
        c.hit(row, Channel::hat, Voice::closedHat, mix::hatAccent);
    else
        c.hit(row, Channel::hat, Voice::closedHat, b == 0 ? mix::hatSoft * 1.4 : mix::hatSoft);
}

void writeDrums(Context& c)
{
    const Section& sec = c.sec;
    for (int row = 0; row < sec.rows; ++row) {
        if (inFill(sec, row)) {
            fillRow(c, row);
            if (row % 2 == 0)
                c.hit(row, Channel::hat, Voice::closedHat, mix::hatSoft);
            continue;
        }
        const int inBar = row % rowsPerBar;
        const int bar = row / rowsPerBar;
        const bool onBeat = inBar % rowsPerBeat == 0;
        const bool backbeat = inBar == 4 || inBar == 12;
        switch (sec.drums) {
        case Drums::none:
            break;
        case Drums::pulse:
            if (onBeat)
                c.hit(row, Channel::kick, Voice::kick, mix::kick * 0.8);
            break;
        case Drums::basic:
            if (onBeat)
                c.hit(row, Channel::kick, Voice::kick, mix::kick);
            if (inBar % rowsPerBeat == 2)
                c.hit(row, Channel::hat, Voice::closedHat, mix::hatAccent);
            break;
        case Drums::groove:
            if (onBeat)
                c.hit(row, Channel::kick, Voice::kick, mix::kick);
            if (backbeat)
                c.hit(row, Channel::clap, Voice::clap, mix::clap);
            hats16(c, row, false);
            break;
        case Drums::full:
            if (onBeat || (inBar == 14 && bar % 4 == 3))
                c.hit(row, Channel::kick, Voice::kick, onBeat ? mix::kick : mix::kick * 0.6);
            if (backbeat) {
                c.hit(row, Channel::snare, Voice::snare, mix::snare);
                c.hit(row, Channel::clap, Voice::clap, mix::clap);
            } else if (inBar == 15 && bar % 2 == 1) {
                c.hit(row, Channel::snare, Voice::snare, mix::snare * 0.3);  // ghost note
            }
            hats16(c, row, true);
            break;
        case Drums::halfTime:
            if (inBar == 0 || inBar == 10)
                c.hit(row, Channel::kick, Voice::kick, mix::kick);
            if (inBar == 8) {
                c.hit(row, Channel::snare, Voice::snare, mix::snare);
                c.hit(row, Channel::clap, Voice::clap, mix::clap * 0.8);
            }
            if (inBar % 2 == 0)
                c.hit(row, Channel::hat, Voice::closedHat, inBar % 4 == 2 ? mix::hatAccent : mix::hatSoft);
            break;
        case Drums::build: {
            // Quarters, eighths, then sixteenths, rising to the top of the build.
            const double u = static_cast<double>(row) / sec.rows;
            const int step = u < 0.5 ? 4 : (u < 0.75 ? 2 : 1);
            if (onBeat)
                c.hit(row, Channel::kick, Voice::kick, mix::kick);
            if (row % step == 0)
                c.hit(row, Channel::snare, Voice::snare, mix::snare * (0.3 + 0.7 * u));
            hats16(c, row, false);
            break;
        }
        }
    }
    if (sec.crash)
        c.hit(0, Channel::crash, Voice::crash, mix::crash);
    if (sec.boom)
        c.hit(0, Channel::effects, Voice::boom, mix::boom);
    if (sec.riser)
        c.hit(sec.rows - 2 * rowsPerBar, Channel::effects, Voice::riser, mix::riser);
    if (sec.swell)
        c.hit(sec.rows - rowsPerBar, Channel::crash, Voice::reverseCymbal, mix::swell);
}

void writeBass(Context& c)
{
    static constexpr int riff[rowsPerBar] = {0, -1, -1, 0, -1, -1, 12, -1, 0, -1, 7, 0, -1, -1, 12, -1};
    for (int row = 0; row < c.rows(); ++row) {
        const auto [chord, starts] = c.chordAt(row);
        const int root = chord->bassRoot;
        const int inBar = row % rowsPerBar;
        const int inBeat = row % rowsPerBeat;
        switch (c.sec.bass) {
        case Bass::none:
            break;
        case Bass::sustained:
            if (starts || row == 0)
                c.play(row, Channel::sub, Voice::subBass, root, mix::sub);
            else if (inBeat == 0)
                c.score.setVolume(c.first + row, Channel::sub, mix::sub * c.level(row));
            break;
        case Bass::quarters:
            if (inBeat == 0)
                c.play(row, Channel::bass, Voice::bass, root, mix::bass);
            break;
        case Bass::offbeat:
            if (inBeat == 2)
                c.play(row, Channel::bass, Voice::bass, root, mix::bass);
            break;
        case Bass::octaves:
            if (inBeat % 2 == 0)
                c.play(row, Channel::bass, Voice::bass, inBeat == 0 ? root : root + 12,
                       mix::bass * (inBeat == 0 ? 0.8 : 1.0));
            break;
        case Bass::rolling:
            // Every sixteenth but the kick's, the offbeat leaning hardest.
            if (inBeat != 0)
                c.play(row, Channel::bass, Voice::bass, root, mix::bass * (inBeat == 2 ? 1.0 : 0.72));
            break;
        case Bass::riff:
            if (riff[inBar] >= 0)
                c.play(row, Channel::bass, Voice::bass, root + riff[inBar], mix::bass * (inBeat == 0 ? 0.85 : 1.0));
            break;
        }
    }
}

void writePads(Context& c)
{
    // Volume through each beat while pumping: ducked under the kick, then swelling back.
    static constexpr double pump[rowsPerBeat] = {0.35, 0.62, 0.85, 1.0};
    const Chord* previous = nullptr;
    for (int row = 0; row < c.rows(); ++row) {
        const auto [chord, starts] = c.chordAt(row);
        const int inBeat = row % rowsPerBeat;
        switch (c.sec.pads) {
        case Pads::none:
            break;
        case Pads::sustained:
            for (std::size_t v = 0; v < padChannels.size(); ++v) {
                const bool changed = !previous || previous->voicing[v] != chord->voicing[v];
                if ((starts || row == 0) && changed)
                    c.play(row, padChannels[v], Voice::pad, chord->voicing[v], mix::pad);
                else if (inBeat == 0 || c.sec.levelEnd >= 0.0)
                    c.score.setVolume(c.first + row, padChannels[v], mix::pad * c.level(row));
            }
            break;
        case Pads::pumping:
            for (std::size_t v = 0; v < padChannels.size(); ++v) {
                if (starts || row == 0)
                    c.play(row, padChannels[v], Voice::pad, chord->voicing[v], mix::pad * 1.15 * pump[inBeat]);
                else
                    c.score.setVolume(c.first + row, padChannels[v], mix::pad * 1.15 * pump[inBeat] * c.level(row));
            }
            break;
        case Pads::stabs:
            if (inBeat == 2)
                for (std::size_t v = 1; v < padChannels.size(); ++v)
                    c.play(row, padChannels[v], Voice::pluck, chord->voicing[v], mix::stab);
            break;
        }
        previous = chord;
    }
}

void writeArp(Context& c)
{
    static constexpr int order[8] = {0, 1, 2, 3, 1, 2, 3, 2};
    for (int row = 0; row < c.rows(); ++row) {
        const auto [chord, starts] = c.chordAt(row);
        const bool sixteenths = c.sec.arp == Arp::sixteenths;
        if (c.sec.arp == Arp::none || (!sixteenths && row % 2 != 0))
            continue;
        const int step = sixteenths ? row : row / 2;
        const int note = chord->voicing[order[step % 8]] + 12;
        const int inBeat = row % rowsPerBeat;
        const double accent = inBeat == 0 ? 1.0 : (inBeat == 2 ? 0.8 : 0.6);
        c.play(row, Channel::arp, Voice::pluck, note, mix::arp * accent);
    }
}

// How one channel renders a melody.
struct LineStyle {
    Channel channel;
    Voice voice;
    double volume;
    int semitones = 0;   // transposition
    int scaleSteps = 0;  // a parallel line this many steps of the scale away
    int delayRows = 0;   // an echo
};

// Sustained voices are faded out where a note ends with no other note right after it.
void writeLine(Context& c, const std::vector<Note>& notes, const LineStyle& style)
{
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const Note& n = notes[i];
        if (n.row >= c.rows())
            break;
        int note = n.pitch + style.semitones;
        if (style.scaleSteps != 0)
            note = shiftInScale(note, style.scaleSteps);
        c.play(n.row + style.delayRows, style.channel, style.voice, note, style.volume);
        const int end = n.row + n.length;
        const bool legato = i + 1 < notes.size() && notes[i + 1].row == end;
        if (sustains(style.channel) && !legato)
            c.score.release(c.first + end + style.delayRows, style.channel);
    }
}

void writeMelodies(Context& c)
{
    const Section& sec = c.sec;
    writeLine(c, sec.lead, {.channel = Channel::lead, .voice = Voice::lead, .volume = mix::lead});
    writeLine(c, sec.lead, {.channel = Channel::echo, .voice = Voice::lead, .volume = mix::echo, .delayRows = 3});
    if (sec.harmonySteps != 0)
        writeLine(c, sec.lead, {.channel = Channel::harmony, .voice = Voice::lead, .volume = mix::harmony,
                                .scaleSteps = sec.harmonySteps});
    writeLine(c, sec.bell, {.channel = Channel::bell, .voice = Voice::bell, .volume = mix::bell,
                            .semitones = sec.bellTranspose});
    writeLine(c, sec.bell, {.channel = Channel::bellEcho, .voice = Voice::bell, .volume = mix::bellEcho,
                            .semitones = sec.bellTranspose, .delayRows = 3});
}

} // namespace

void writeSection(Score& score, int firstRow, const Section& section)
{
    if (section.chords.empty())
        throw std::invalid_argument("a section needs chords");
    Context c{score, firstRow, section};
    writeDrums(c);
    writeBass(c);
    writePads(c);
    writeArp(c);
    writeMelodies(c);
}

void closeSustains(Score& score, int row)
{
    for (int ch = 0; ch < channelCount; ++ch) {
        const auto channel = static_cast<Channel>(ch);
        if (!sustains(channel) || score.hasNote(row, channel) || !score.heldInto(row, channel))
            continue;
        if (score.hasNote(row - 1, channel))
            score.cut(row, channel);
        else
            score.release(row - 1, channel);
    }
}

} // namespace assets
