// Long runs: an hour of show time through the director, and the clock at
// large times.
#include "platform/headless_gl.h"
#include "seams/clock.h"
#include "seams/music.h"
#include "seams/random.h"
#include "timeline/frame_composer.h"
#include "timeline/show.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(LongRun, DirectorNeverHoldsMoreThanSixAfterAWalkOverAnHour)
{
    // A tiny canvas: the drawing is real, but cheap to rasterise.
    HeadlessGL gl;
    std::string error;
    ASSERT_TRUE(gl.open(32, 24, &error)) << error;
    ScriptedMusic music;
    startShow({.clock = ShowClock::manual, .music = &music, .seedTicks = 777, .pictureFolder = MARDUNQIST_SHOW_DATA});

    std::size_t most = 0;
    double t = 1000;
    const double hour = 3600.0 * 1000.0;
    std::uint64_t frames = 0;
    while (t < 1000 + hour) {
        // Uneven frame gaps of 20 to 219 ms, the music walking its orders.
        t += 20 + showrand::next() % 200;
        music.at(1 + static_cast<std::uint32_t>(t / 8000) % 40, 0);
        showclock::setManual(t);
        fragmentDirector.update();
        most = std::max(most, fragmentDirector.fragments.size());
        ++frames;
    }
    EXPECT_LE(most, 6u);
    EXPECT_GT(frames, 30000u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    stopShow();
    resetShow();
}

TEST(LongRun, ClockCountsFromProgramStartWhateverTheUptime)
{
    showclock::useLive();
    // However long the machine has been up, the show's time starts small, so
    // a float holds every millisecond of a show.
    EXPECT_LT(showclock::nowMs(), showclock::liveOffsetMs + 60.0 * 60.0 * 1000.0);
    EXPECT_GE(showclock::nowMs(), showclock::liveOffsetMs);
}

TEST(LongRun, LiveClockKeepsSubMillisecondTicksAfterADay)
{
    const double day = 24.0 * 3600.0 * 1000.0;
    showclock::useLiveFrom(day);
    const double first = showclock::nowMs();
    EXPECT_GE(first, day);
    EXPECT_LT(first, day + 1000.0);
    // The live clock's steps are far finer than a millisecond, a day in too.
    // The smallest of many steps: a busy machine may preempt the thread
    // between any two reads, but not between all of them.
    double smallest = 1e9;
    for (int i = 0; i < 1000; ++i) {
        const double before = showclock::nowMs();
        double after = before;
        while (after == before)
            after = showclock::nowMs();
        smallest = std::min(smallest, after - before);
    }
    EXPECT_LT(smallest, 0.01);

    // The float every drawing routine reads rounds that time: within half a
    // millisecond for the first 2^24 ms (4.66 hours) of a show, longer than
    // any module plays; within 4 ms (half a float step) after a day.
    for (double at : {1000.0, 3600.0 * 1000.0, 16777216.0 - 1000.0, day}) {
        showclock::useLiveFrom(at);
        const double before = showclock::nowMs();
        const double tick = showclock::tick();
        const double after = showclock::nowMs();
        const double bound = at < 16777216.0 ? 0.5 : 4.0;
        EXPECT_GE(tick, before - bound) << at;
        EXPECT_LE(tick, after + bound) << at;
    }
    showclock::useLive();
    EXPECT_LT(showclock::nowMs(), showclock::liveOffsetMs + 60.0 * 60.0 * 1000.0) << "back to the program's start";
}
