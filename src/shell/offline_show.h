// The show run offline: frame by frame on a virtual clock, with the music
// rendered in lockstep, so nothing is dropped and the same options give the
// same frames and sound. The capture tool, the benchmarks and the tests step
// the show through this one class.
//
//   OfflineShow show(fps);
//   show.loadMusic(path, &error);        // optional: without it, no music
//   show.start(seedTick, pictureFolder); // on a current GL context
//   while (!show.ended()) { sound = show.step(); ... read the canvas ... }
//   show.finish();
//
// One thread does everything.
#ifndef MARDUNQIST_SHELL_OFFLINE_SHOW_H
#define MARDUNQIST_SHELL_OFFLINE_SHOW_H

#include "seams/frame_clock.h"
#include "shell/offline_music.h"

#include <cstdint>
#include <string>
#include <vector>

class OfflineShow {
public:
    explicit OfflineShow(FrameRate fps);
    ~OfflineShow();
    OfflineShow(const OfflineShow&) = delete;
    OfflineShow& operator=(const OfflineShow&) = delete;

    // Loads the module; false with a reason naming the file, and the show
    // then runs without music (the opening scene for as long as it is stepped).
    bool loadMusic(const std::string& path, std::string* error);

    // A fresh show at the first frame's time, seeded from seedTick.
    void start(std::uint32_t seedTick, const std::string& pictureFolder);

    // The next frame: its share of the sound (returned, interleaved stereo),
    // then the frame drawn at its time into the canvas.
    const std::vector<std::int16_t>& step();

    // step() in its two halves, for benchmarks that time them apart; nothing
    // else calls them, so no frame is drawn without its sound.
    const std::vector<std::int16_t>& renderSound();
    void drawFrameAtItsTime();

    // The show's end rule, asked after each step.
    bool ended();

    // Lets go of the music; the canvas keeps the last frame.
    void finish();

    // The frame stepped last (0 for the first), and its show time in ms.
    std::uint64_t frame() const { return next_ - 1; }
    double frameTimeMs() const { return clock_.frameTimeMs(frame()); }
    std::uint64_t framesStepped() const { return next_; }

    const FrameClock& clock() const { return clock_; }
    OfflineMusic& music() { return music_; }

private:
    FrameClock clock_;
    OfflineMusic music_;
    std::vector<std::int16_t> sound_;
    std::uint64_t next_ = 0;
    bool soundRendered_ = false;
};

#endif
