#include "seams/offline_music.h"

OfflineMusic::OfflineMusic(ModuleRenderer* module) : module_(module), playing_(module != nullptr) {}

double OfflineMusic::durationSeconds() const
{
    return module_ ? module_->durationSeconds() : 0.0;
}

std::size_t OfflineMusic::render(std::size_t frames, std::vector<std::int16_t>& out)
{
    out.assign(frames * 2, 0);
    if (!playing_)
        return 0;
    std::size_t done = 0;
    while (done < frames) {
        const std::size_t got = module_->read(frames - done, out.data() + 2 * done);
        done += got;
        if (got == 0) {
            // Ended: keep the last position, as the live player does.
            playing_ = false;
            return done;
        }
    }
    position_ = showmusic::positionAfterBlock(position_, module_->position());
    return done;
}
