// The music rendered offline, in lockstep with a virtual clock: the stepper
// asks for the samples up to a frame's time, then that frame reads the
// position the module has reached. One thread does everything.
//
// The module itself is the host's: libopenmpt natively, the page's player on
// the web. Either renders through ModuleRenderer; what the show then sees
// (the position kept past the song's end, silence after it) is decided here
// once.
#ifndef MARDUNQIST_SEAMS_OFFLINE_MUSIC_H
#define MARDUNQIST_SEAMS_OFFLINE_MUSIC_H

#include "seams/music.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A loaded module, played once from its start at musicSampleRate.
class ModuleRenderer {
public:
    virtual ~ModuleRenderer() = default;

    // Renders up to `frames` stereo sample frames, 16-bit interleaved, into
    // out; how many came. Fewer than asked only at the song's end, 0 after it.
    virtual std::size_t read(std::size_t frames, std::int16_t* out) = 0;

    // The order and row the module has reached (back at (0, 0) past its end).
    virtual std::uint32_t position() = 0;

    // The song's length in seconds.
    virtual double durationSeconds() = 0;
};

class OfflineMusic : public MusicSource {
public:
    // Plays `module` (not owned) from its start; nullptr: no music at all.
    explicit OfflineMusic(ModuleRenderer* module);

    bool loaded() const { return module_ != nullptr; }

    // The module's own length in seconds (0 with none).
    double durationSeconds() const;

    // Renders the next `frames` stereo sample frames into out (interleaved
    // 16-bit), padding with silence past the end. Returns how many the module
    // really had; fewer than asked means it has ended.
    std::size_t render(std::size_t frames, std::vector<std::int16_t>& out);

    std::uint32_t position() override { return position_; }
    bool isActive() override { return playing_; }

private:
    ModuleRenderer* module_;
    std::uint32_t position_ = 0;
    bool playing_;
};

#endif
