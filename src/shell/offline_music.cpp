#include "shell/offline_music.h"

#include "shell/module_file.h"

OfflineMusic::OfflineMusic() = default;
OfflineMusic::~OfflineMusic() = default;

bool OfflineMusic::load(const std::string& path, std::string* error)
{
    module_ = loadModule(path, error);
    position_ = 0;
    playing_ = module_ != nullptr;
    return playing_;
}

double OfflineMusic::durationSeconds() const
{
    return module_ ? module_->get_duration_seconds() : 0.0;
}

std::size_t OfflineMusic::render(std::size_t frames, std::vector<std::int16_t>& out)
{
    out.assign(frames * 2, 0);
    if (!playing_)
        return 0;
    std::size_t done = 0;
    while (done < frames) {
        const std::size_t got = module_->read_interleaved_stereo(musicSampleRate, frames - done,
                                                                 out.data() + 2 * done);
        done += got;
        if (got == 0) {
            // Ended: keep the last position, as the live player does.
            playing_ = false;
            return done;
        }
    }
    position_ = positionAfterBlock(
        position_, showmusic::makePosition(static_cast<std::uint32_t>(module_->get_current_order()),
                                           static_cast<std::uint32_t>(module_->get_current_row())));
    return done;
}
