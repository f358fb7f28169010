#include "seams/clock.h"

#include <chrono>

namespace showclock {
namespace {

using Steady = std::chrono::steady_clock;

// Show clock state: the moment the live clock counts from, and the manual time.
struct ClockState {
    Steady::time_point liveStart = Steady::now();
    double liveShiftMs = 0.0;  // added by useLiveFrom
    bool manual = false;
    double manualMs = 0.0;
};

// Constructed with the other globals, before main: the live clock counts
// from there.
ClockState theClock;

ClockState& state()
{
    return theClock;
}

} // namespace

double nowMs()
{
    ClockState& clock = state();
    if (clock.manual)
        return clock.manualMs;
    const std::chrono::duration<double, std::milli> since = Steady::now() - clock.liveStart;
    return since.count() + liveOffsetMs + clock.liveShiftMs;
}

float tick()
{
    return static_cast<float>(nowMs());
}

void useLive()
{
    state().manual = false;
    state().liveShiftMs = 0.0;
}

void useLiveFrom(double ms)
{
    useLive();
    state().liveShiftMs = ms - nowMs();
}

void restartLive()
{
    ClockState& clock = state();
    clock.manual = false;
    clock.liveStart = Steady::now();
    clock.liveShiftMs = 0.0;
}

void setManual(double ms)
{
    ClockState& clock = state();
    clock.manual = true;
    clock.manualMs = ms;
}

bool isManual()
{
    return state().manual;
}

} // namespace showclock
