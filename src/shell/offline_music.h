// The music rendered offline, in lockstep with a virtual clock: the capture
// tool asks for the samples up to a frame's time, then that frame reads the
// position the module has reached. One thread does everything.
#ifndef MARDUNQIST_SHELL_OFFLINE_MUSIC_H
#define MARDUNQIST_SHELL_OFFLINE_MUSIC_H

#include "seams/music.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace openmpt {
class module;
}

class OfflineMusic : public MusicSource {
public:
    OfflineMusic();
    ~OfflineMusic() override;

    // Loads the module; false with a reason naming the file.
    bool load(const std::string& path, std::string* error);

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
    std::unique_ptr<openmpt::module> module_;
    std::uint32_t position_ = 0;
    bool playing_ = false;
};

#endif
