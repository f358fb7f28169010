// The live music player: libopenmpt renders the module, SDL2 plays it.
//
// THREADS: audioCallback runs on SDL's audio thread. From play() until free()
// that thread alone touches the module. It publishes the position (order in
// the low 16 bits, row in the high 16) and the playing state through atomics
// after each rendered block; position() and isActive() read only those atomics
// and are what the drawing thread calls. Everything else runs on the main
// thread, before play() or after free().
#ifndef MARDUNQIST_SHELL_MUSIC_PLAYER_H
#define MARDUNQIST_SHELL_MUSIC_PLAYER_H

#include "seams/music.h"

#include <SDL2/SDL.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace openmpt {
class module;
}

class MusicPlayer : public MusicSource {
public:
    MusicPlayer();
    ~MusicPlayer() override;

    // Opens the default sound device at the given rate; with no device, SDL's
    // dummy driver, so the music still plays (silently) in real time.
    bool init(int sampleRate);

    // Loads a module from a file. On failure one line naming the file and the
    // reason goes to stderr, and the player stays at order 0, not playing.
    bool load(const std::string& path);

    // Starts playing the loaded module once, from its start.
    bool play();

    // Stops the sound and releases the module and the device.
    void free();

    std::uint32_t position() override;
    bool isActive() override;

private:
    static void SDLCALL audioCallback(void* self, Uint8* stream, int length);
    void render(std::int16_t* out, int frames);

    SDL_AudioDeviceID device_ = 0;
    int sampleRate_ = 44100;
    std::unique_ptr<openmpt::module> module_;
    std::atomic<std::uint32_t> position_{0};
    std::atomic<bool> playing_{false};
};

#endif
