// The show clock: every animation, fade and time window reads the time here.
//
// A tick read is one call of showclock::tick(): milliseconds as a float, read
// fresh each time. Live, it counts from the program's start plus a small
// offset (so the first frame is already past 0); manual, it holds whatever a
// test or the capture loop set. The count behind it is kept in double, so it
// never drifts; only the float a caller gets is rounded.
#ifndef MARDUNQIST_SEAMS_CLOCK_H
#define MARDUNQIST_SEAMS_CLOCK_H

#include <cstdint>

namespace showclock {

// The live clock's value at program start, in ms.
constexpr double liveOffsetMs = 1000.0;

// One tick read.
float tick();

// The exact time behind tick(), in ms.
double nowMs();

// Live: milliseconds since the program started, plus liveOffsetMs.
void useLive();

// Live, counting from now as if the program had just started: a page that
// plays the show again starts it as a new run.
void restartLive();

// Live, but reading `ms` now and counting on from there: for tests of a
// clock that has run for a long time.
void useLiveFrom(double ms);

// Manual: tick() returns ms until the next setManual.
void setManual(double ms);

bool isManual();

} // namespace showclock

#endif
