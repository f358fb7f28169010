#include "timeline/show.h"

#include "seams/clock.h"
#include "seams/frame_clock.h"
#include "seams/random.h"
#include "timeline/frame_composer.h"
#include "timeline/init_graphics.h"

namespace {

// Whether the music has been seen playing in this run.
bool musicPlayed = false;

} // namespace

void startShow(const ShowStart& start)
{
    resetShow();
    switch (start.clock) {
    case ShowClock::sinceProgramStart:
        showclock::useLive();
        break;
    case ShowClock::restarted:
        showclock::restartLive();
        break;
    case ShowClock::manual:
        showclock::setManual(FrameClock::startMs);
        break;
    }
    showmusic::use(start.music);
    musicPlayed = showmusic::isActive();
    showscreen::setPresenter(start.present);
    showrand::seed(1);
    initGraphics(start.seedTicks, start.pictureFolder);
}

bool showEnded()
{
    if (!running)
        return true;
    if (showmusic::isActive()) {
        musicPlayed = true;
        return false;
    }
    return musicPlayed && !composer.creditsStarted;
}

void stopShow()
{
    showmusic::use(nullptr);
    showscreen::setPresenter(nullptr);
}
