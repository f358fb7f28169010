#include "shell/music_player.h"

#include "shell/module_file.h"

#include <cstdio>
#include <cstring>

MusicPlayer::MusicPlayer() = default;

MusicPlayer::~MusicPlayer()
{
    free();
}

bool MusicPlayer::init(int sampleRate)
{
    sampleRate_ = sampleRate;
    SDL_AudioSpec wanted{};
    wanted.freq = sampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = audioCallback;
    wanted.userdata = this;

    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
        device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (device_ == 0) {
        std::fprintf(stderr, "mardunqist: no sound device (%s); the music plays silently\n",
                     SDL_GetError());
        SDL_AudioQuit();
        if (SDL_AudioInit("dummy") == 0)
            device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    }
    if (device_ == 0) {
        std::fprintf(stderr, "mardunqist: cannot play music: %s\n", SDL_GetError());
        return false;
    }
    return true;
}

bool MusicPlayer::load(const std::string& path)
{
    std::string error;
    module_ = loadModule(path, &error);
    if (!module_) {
        std::fprintf(stderr, "mardunqist: %s\n", error.c_str());
        return false;
    }
    position_ = showmusic::makePosition(0, 0);
    return true;
}

bool MusicPlayer::play()
{
    if (!module_ || device_ == 0)
        return false;
    playing_ = true;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void MusicPlayer::free()
{
    if (device_ != 0) {
        // Closing waits for a running callback, so the module is ours again after.
        SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
    playing_ = false;
    module_.reset();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::uint32_t MusicPlayer::position()
{
    return position_.load(std::memory_order_acquire);
}

bool MusicPlayer::isActive()
{
    return playing_.load(std::memory_order_acquire);
}

// Audio thread.
void SDLCALL MusicPlayer::audioCallback(void* self, Uint8* stream, int length)
{
    auto* player = static_cast<MusicPlayer*>(self);
    player->render(reinterpret_cast<std::int16_t*>(stream),
                   length / static_cast<int>(2 * sizeof(std::int16_t)));
}

// Audio thread: fills the block, then publishes where the module now is.
void MusicPlayer::render(std::int16_t* out, int frames)
{
    int done = 0;
    if (playing_.load(std::memory_order_relaxed)) {
        while (done < frames) {
            const std::size_t wanted = static_cast<std::size_t>(frames - done);
            const std::size_t got = module_->read_interleaved_stereo(sampleRate_, wanted, out + 2 * done);
            done += static_cast<int>(got);
            if (got < wanted) {
                // The end: the position read now would be back at (0, 0), so
                // the last one published stays as it is.
                playing_.store(false, std::memory_order_release);
                break;
            }
        }
        if (playing_.load(std::memory_order_relaxed)) {
            const auto order = static_cast<std::uint32_t>(module_->get_current_order());
            const auto row = static_cast<std::uint32_t>(module_->get_current_row());
            const std::uint32_t published = position_.load(std::memory_order_relaxed);
            position_.store(showmusic::positionAfterBlock(published, showmusic::makePosition(order, row)),
                            std::memory_order_release);
        }
    }
    std::memset(out + 2 * done, 0, static_cast<std::size_t>(frames - done) * 2 * sizeof(std::int16_t));
}
