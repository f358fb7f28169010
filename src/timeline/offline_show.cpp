#include "timeline/offline_show.h"

#include "seams/clock.h"
#include "timeline/frame_composer.h"
#include "timeline/show.h"

#include <algorithm>
#include <cstdio>

OfflineShow::OfflineShow(FrameRate fps, ModuleRenderer* module) : clock_(fps, musicSampleRate), music_(module) {}

OfflineShow::~OfflineShow()
{
    finish();
}

void OfflineShow::start(std::uint32_t seedTick, const std::string& pictureFolder, showscreen::PresentFn present)
{
    startShow({.clock = ShowClock::manual,
               .music = &music_,
               .present = present,
               .seedTicks = seedTick,
               .pictureFolder = pictureFolder});
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

std::uint64_t OfflineShow::frameLimit(std::optional<std::uint64_t> frames, std::optional<double> seconds) const
{
    std::uint64_t limit = frames.value_or(noLimit);
    if (seconds)
        limit = std::min(limit, clock_.framesFor(*seconds));
    return limit;
}

std::uint64_t OfflineShow::expectedFrames(std::uint64_t limit) const
{
    return limit != noLimit ? limit : clock_.framesFor(music_.durationSeconds()) + 1;
}

std::string OfflineShow::timelineRow()
{
    const std::uint32_t position = music_.position();
    char row[96];
    std::snprintf(row, sizeof row, "%llu,%.15g,%u,%u,%d", static_cast<unsigned long long>(frame()), frameTimeMs(),
                  showmusic::orderOf(position), showmusic::rowOf(position), music_.isActive() ? 1 : 0);
    return row;
}
