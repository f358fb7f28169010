// The music seam: where the show reads the module's position and state.
//
// The position is a 32-bit value whose low 16 bits are the order now playing
// and high 16 bits the row within it, both unsigned. The state is false once
// the music has stopped. Drawing code asks only through showmusic::position()
// and showmusic::isActive(); what answers is a MusicSource: the live player
// (audio device), the offline renderer of the capture tool, or a scripted
// source in tests. With no source the show sees order 0 and no music.
#ifndef MARDUNQIST_SEAMS_MUSIC_H
#define MARDUNQIST_SEAMS_MUSIC_H

#include <cstdint>

class MusicSource {
public:
    virtual ~MusicSource() = default;
    virtual std::uint32_t position() = 0;
    virtual bool isActive() = 0;
};

// The rate every player renders the module at: the live sound, the offline
// renderer and the web page's, so that they all reach a position at the
// same sample.
constexpr int musicSampleRate = 44100;

namespace showmusic {

// The source every later read goes to; nullptr for none.
void use(MusicSource* source);
MusicSource* current();

std::uint32_t position();
bool isActive();

constexpr std::uint32_t orderOf(std::uint32_t position)
{
    return position & 0xFFFFu;
}

constexpr std::uint32_t rowOf(std::uint32_t position)
{
    return position >> 16;
}

constexpr std::uint32_t makePosition(std::uint32_t order, std::uint32_t row)
{
    return (order & 0xFFFFu) | (row << 16);
}

// The position to publish after a rendered block. Past the song's last row
// libopenmpt renders the tail of the sound with its position back at (0, 0);
// the show must not see order 0 (its opening scene) again then, so once a
// later order has been seen the last position stands.
constexpr std::uint32_t positionAfterBlock(std::uint32_t published, std::uint32_t reported)
{
    const bool backToStart = orderOf(reported) == 0 && orderOf(published) != 0;
    return backToStart ? published : reported;
}

} // namespace showmusic

// A source that answers what it is told, and counts how often it was asked.
class ScriptedMusic : public MusicSource {
public:
    std::uint32_t order = 0;
    std::uint32_t row = 0;
    bool playing = true;
    int positionReads = 0;
    int stateReads = 0;

    std::uint32_t position() override
    {
        ++positionReads;
        return showmusic::makePosition(order, row);
    }

    bool isActive() override
    {
        ++stateReads;
        return playing;
    }

    void at(std::uint32_t newOrder, std::uint32_t newRow = 0)
    {
        order = newOrder;
        row = newRow;
    }
};

#endif
