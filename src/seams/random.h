// The show's one random generator.
//
// The classic 15-bit linear congruential generator: state = state * 214013 +
// 2531011 (mod 2^32), result (state >> 16) & 0x7FFF, initial state 1, so the
// first value is 41. Every random choice of the show draws from it, one call
// per value, in the order each drawing routine makes them: the same seed and
// the same frame times give the same show.
#ifndef MARDUNQIST_SEAMS_RANDOM_H
#define MARDUNQIST_SEAMS_RANDOM_H

#include <cstdint>
#include <initializer_list>

namespace showrand {

constexpr int maxValue = 32767;

// One draw, 0 to 32767.
int next();

// One unit draw: next() / 32768 as a float, in [0, 1).
float unit();

// Sets the generator's state (the classic srand).
void seed(std::uint32_t value);

// The start-up seeding: one value r is drawn from the generator as it stands,
// then the tick count is taken as a signed 32-bit number t, and the generator
// is seeded with (t * 0x1468F77F, wrapping) XOR r. Returns the seed.
std::uint32_t seedFromTicks(std::uint32_t ticks);

// The seed seedFromTicks gives for a tick count and a first draw r.
std::uint32_t seedFor(std::uint32_t ticks, int firstDraw);

// Tests: the next draws return these values, in order, before the generator
// is consulted again. The generator's state does not move while they last.
void script(std::initializer_list<int> values);
void clearScript();
int scriptedLeft();

// How many values have been drawn since the last seed (scripted ones count).
std::uint64_t drawCount();

} // namespace showrand

#endif
