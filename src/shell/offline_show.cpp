#include "shell/offline_show.h"

#include "seams/clock.h"
#include "timeline/frame_composer.h"
#include "timeline/show.h"

OfflineShow::OfflineShow(FrameRate fps) : clock_(fps, musicSampleRate) {}

OfflineShow::~OfflineShow()
{
    finish();
}

bool OfflineShow::loadMusic(const std::string& path, std::string* error)
{
    return music_.load(path, error);
}

void OfflineShow::start(std::uint32_t seedTick, const std::string& pictureFolder)
{
    ShowStart start;
    start.clock = ShowClock::manual;
    start.music = &music_;
    start.seedTicks = seedTick;
    start.pictureFolder = pictureFolder;
    startShow(start);
    next_ = 0;
    soundRendered_ = false;
}

const std::vector<std::int16_t>& OfflineShow::step()
{
    renderSound();
    drawFrameAtItsTime();
    return sound_;
}

const std::vector<std::int16_t>& OfflineShow::renderSound()
{
    // The sound up to the frame's time first, so the frame sees the position
    // the music has reached.
    music_.render(clock_.samplesFor(next_), sound_);
    soundRendered_ = true;
    return sound_;
}

void OfflineShow::drawFrameAtItsTime()
{
    if (!soundRendered_)
        renderSound();
    showclock::setManual(clock_.frameTimeMs(next_));
    drawFrame();
    soundRendered_ = false;
    ++next_;
}

bool OfflineShow::ended()
{
    return showEnded();
}

void OfflineShow::finish()
{
    if (showmusic::current() == &music_)
        stopShow();
}
