#include "score.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>

namespace assets {
namespace {

std::vector<std::string_view> words(std::string_view text)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ')
            ++i;
        if (i > start)
            out.push_back(text.substr(start, i - start));
    }
    return out;
}

int number(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw std::invalid_argument("not a number: " + std::string(text));
    return value;
}

// Splits "name:count" into its two halves; the count defaults to 1.
std::pair<std::string_view, int> nameAndCount(std::string_view word)
{
    const std::size_t colon = word.find(':');
    if (colon == std::string_view::npos)
        return {word, 1};
    return {word.substr(0, colon), number(word.substr(colon + 1))};
}

// A natural minor holds the pitch classes of C major; counted from C so that
// degree numbers rise with pitch.
constexpr int scalePitchClasses[] = {0, 2, 4, 5, 7, 9, 11};

} // namespace

int pitch(std::string_view name)
{
    static constexpr int letterOffsets[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (name.size() < 2 || name[0] < 'A' || name[0] > 'G')
        throw std::invalid_argument("not a pitch: " + std::string(name));
    int semitone = letterOffsets[name[0] - 'A'];
    std::size_t i = 1;
    if (name[i] == '#') {
        ++semitone;
        ++i;
    } else if (name[i] == 'b') {
        --semitone;
        ++i;
    }
    const int octave = number(name.substr(i));
    return (octave + 1) * 12 + semitone;
}

int shiftInScale(int note, int steps)
{
    // Find the scale degree at or just below the note, then walk the scale.
    const int octave = note / 12;
    int degree = 0;
    int best = -1000;
    for (int d = 0; d < 7; ++d) {
        for (int o = octave - 1; o <= octave; ++o) {
            const int candidate = o * 12 + scalePitchClasses[d];
            if (candidate <= note && candidate > best) {
                best = candidate;
                degree = d + 7 * o;
            }
        }
    }
    const int target = degree + steps;
    const int targetOctave = static_cast<int>(std::floor(target / 7.0));
    const int targetDegree = target - 7 * targetOctave;
    return targetOctave * 12 + scalePitchClasses[targetDegree];
}

Chord chord(std::string_view name)
{
    if (name == "Am") return {{pitch("A3"), pitch("C4"), pitch("E4"), pitch("A4")}, pitch("A1")};
    if (name == "C") return {{pitch("G3"), pitch("C4"), pitch("E4"), pitch("G4")}, pitch("C2")};
    if (name == "Dm") return {{pitch("A3"), pitch("D4"), pitch("F4"), pitch("A4")}, pitch("D2")};
    if (name == "E") return {{pitch("G#3"), pitch("B3"), pitch("E4"), pitch("G#4")}, pitch("E2")};
    if (name == "Em") return {{pitch("G3"), pitch("B3"), pitch("E4"), pitch("G4")}, pitch("E2")};
    if (name == "F") return {{pitch("A3"), pitch("C4"), pitch("F4"), pitch("A4")}, pitch("F2")};
    if (name == "G") return {{pitch("G3"), pitch("B3"), pitch("D4"), pitch("G4")}, pitch("G1")};
    throw std::invalid_argument("unknown chord: " + std::string(name));
}

Progression progression(std::string_view text)
{
    Progression out;
    for (std::string_view word : words(text)) {
        const auto [name, bars] = nameAndCount(word);
        out.push_back({chord(name), bars});
    }
    return out;
}

std::vector<Note> melody(std::string_view text, int stretch)
{
    std::vector<Note> out;
    int row = 0;
    for (std::string_view word : words(text)) {
        if (word == "|")
            continue;
        const auto [name, rows] = nameAndCount(word);
        const int length = rows * stretch;
        if (name != "r")
            out.push_back({row, length, pitch(name)});
        row += length;
    }
    return out;
}

std::vector<std::uint8_t> channelPanning()
{
    std::vector<std::uint8_t> pan(channelCount, 32);
    auto set = [&pan](Channel c, int value) { pan[static_cast<int>(c)] = static_cast<std::uint8_t>(value); };
    set(Channel::clap, 29);
    set(Channel::hat, 42);
    set(Channel::openHat, 22);
    set(Channel::crash, 38);
    set(Channel::effects, 27);
    set(Channel::pad1, 14);
    set(Channel::pad2, 50);
    set(Channel::pad3, 24);
    set(Channel::pad4, 40);
    set(Channel::arp, 44);
    set(Channel::harmony, 24);
    set(Channel::echo, 12);
    set(Channel::bell, 38);
    set(Channel::bellEcho, 54);
    return pan;
}

bool sustains(Channel channel)
{
    switch (channel) {
    case Channel::sub:
    case Channel::pad1:
    case Channel::pad2:
    case Channel::pad3:
    case Channel::pad4:
    case Channel::lead:
    case Channel::harmony:
    case Channel::echo:
        return true;
    default:
        return false;
    }
}

itw::Cell* Score::at(int row, Channel channel)
{
    if (row < 0 || row >= rowCount)
        return nullptr;
    return &cells[static_cast<std::size_t>(row) * channelCount + static_cast<int>(channel)];
}

const itw::Cell* Score::at(int row, Channel channel) const
{
    if (row < 0 || row >= rowCount)
        return nullptr;
    return &cells[static_cast<std::size_t>(row) * channelCount + static_cast<int>(channel)];
}

void Score::play(int row, Channel channel, Voice voice, int note, double volume)
{
    const int level = static_cast<int>(std::lround(std::clamp(volume, 0.0, 64.0)));
    itw::Cell* cell = at(row, channel);
    if (!cell || level == 0)
        return;
    cell->note = std::clamp(note, 0, 119);
    cell->sample = static_cast<int>(voice);
    cell->volume = level;
    if (cell->effect == itw::command('D'))  // a release meant for the note before
        cell->effect = cell->param = 0;
}

void Score::setVolume(int row, Channel channel, double volume)
{
    itw::Cell* cell = at(row, channel);
    if (cell && cell->note < 0)
        cell->volume = static_cast<int>(std::lround(std::clamp(volume, 0.0, 64.0)));
}

void Score::effect(int row, Channel channel, char letter, int param)
{
    if (itw::Cell* cell = at(row, channel)) {
        cell->effect = itw::command(letter);
        cell->param = param;
    }
}

void Score::cut(int row, Channel channel)
{
    itw::Cell* cell = at(row, channel);
    if (cell && cell->note < 0)
        *cell = itw::Cell{itw::noteCut};
}

void Score::release(int row, Channel channel)
{
    itw::Cell* cell = at(row, channel);
    if (!cell || cell->note >= 0)
        return;
    // Twelve steps a tick for five ticks: silent by the end of the row.
    cell->effect = itw::command('D');
    cell->param = 0x0C;
    cut(row + 1, channel);
}

bool Score::hasNote(int row, Channel channel) const
{
    const itw::Cell* cell = at(row, channel);
    return cell && cell->note >= 0;
}

bool Score::heldInto(int row, Channel channel) const
{
    for (int r = std::min(row, rowCount) - 1; r >= 0; --r) {
        const itw::Cell* cell = at(r, channel);
        if (cell->note == itw::noteCut || cell->effect == itw::command('D'))
            return false;
        if (cell->note >= 0)
            return true;
    }
    return false;
}

itw::Pattern Score::slice(int firstRow, int count) const
{
    itw::Pattern p(count, channelCount);
    for (int row = 0; row < count; ++row)
        for (int ch = 0; ch < channelCount; ++ch)
            if (const itw::Cell* cell = at(firstRow + row, static_cast<Channel>(ch)))
                p.at(row, ch) = *cell;
    return p;
}

} // namespace assets
