// The show run offline: frame by frame on a virtual clock, with the music
// rendered in lockstep, so nothing is dropped and the same options give the
// same frames and sound. Every capture steps the show through this one class:
// the native capture tool, the page's capture and video export, the
// benchmarks and the tests.
//
//   OfflineShow show(fps, module);          // module: the host's player, or nullptr
//   show.start(seedTick, pictureFolder);    // on a current GL context
//   while (frames < limit && !show.ended()) { sound = show.step(); ... read the canvas ... }
//   show.finish();
//
// One thread does everything.
#ifndef MARDUNQIST_TIMELINE_OFFLINE_SHOW_H
#define MARDUNQIST_TIMELINE_OFFLINE_SHOW_H

#include "seams/frame_clock.h"
#include "seams/offline_music.h"
#include "seams/screen.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class OfflineShow {
public:
    // Without a module the show runs without music: the opening scene for
    // as long as it is stepped.
    OfflineShow(FrameRate fps, ModuleRenderer* module);
    ~OfflineShow();
    OfflineShow(const OfflineShow&) = delete;
    OfflineShow& operator=(const OfflineShow&) = delete;

    // A fresh show at the first frame's time, seeded from seedTick; frames go
    // through `present` when one is given (the page's gentle filter).
    void start(std::uint32_t seedTick, const std::string& pictureFolder, showscreen::PresentFn present = nullptr);

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

    // How many frames a run may step: at most `frames`, and at most enough
    // to cover `seconds`; noLimit when neither is given (it then ends with
    // the show).
    static constexpr std::uint64_t noLimit = UINT64_MAX;
    std::uint64_t frameLimit(std::optional<std::uint64_t> frames, std::optional<double> seconds) const;

    // The frames a run with that limit is expected to take: the limit, or
    // with none, through the song's last sample.
    std::uint64_t expectedFrames(std::uint64_t limit) const;

    // The frame stepped last (0 for the first), and its show time in ms.
    std::uint64_t frame() const { return next_ - 1; }
    double frameTimeMs() const { return clock_.frameTimeMs(frame()); }
    std::uint64_t framesStepped() const { return next_; }

    // The last frame's line of a capture's timeline, and the line above them:
    // frame, show time, order, row and whether the music plays.
    static constexpr const char* timelineHeader = "frame,time_ms,order,row,playing";
    std::string timelineRow();

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
