#include "seams/random.h"

#include <array>
#include <cstddef>

namespace showrand {
namespace {

constexpr std::size_t scriptCapacity = 64;

struct Generator {
    std::uint32_t state = 1;
    std::uint64_t draws = 0;
    std::array<int, scriptCapacity> scripted{};
    std::size_t scriptedCount = 0;
    std::size_t scriptedNext = 0;
};

Generator generator;

} // namespace

int next()
{
    ++generator.draws;
    if (generator.scriptedNext < generator.scriptedCount)
        return generator.scripted[generator.scriptedNext++];
    generator.state = generator.state * 214013u + 2531011u;
    return static_cast<int>((generator.state >> 16) & 0x7FFFu);
}

float unit()
{
    return static_cast<float>(next()) * (1.0f / 32768.0f);
}

void seed(std::uint32_t value)
{
    generator.state = value;
    generator.draws = 0;
}

std::uint32_t seedFor(std::uint32_t ticks, int firstDraw)
{
    // The tick count goes through a floating value truncated to a signed
    // 32-bit integer; below 2^31 that is the count itself. Above it the
    // conversion would overflow, so the count is read as its two's-complement
    // bit pattern instead: every uptime still gives a well-defined seed.
    const double asFloating = static_cast<double>(ticks);
    const std::int32_t t = asFloating < 2147483648.0 ? static_cast<std::int32_t>(asFloating)
                                                     : static_cast<std::int32_t>(ticks);
    return (static_cast<std::uint32_t>(t) * 0x1468F77Fu) ^ static_cast<std::uint32_t>(firstDraw);
}

std::uint32_t seedFromTicks(std::uint32_t ticks)
{
    const int r = next();
    const std::uint32_t value = seedFor(ticks, r);
    seed(value);
    return value;
}

void script(std::initializer_list<int> values)
{
    generator.scriptedCount = 0;
    generator.scriptedNext = 0;
    for (int v : values) {
        if (generator.scriptedCount == scriptCapacity)
            break;
        generator.scripted[generator.scriptedCount++] = v;
    }
}

void clearScript()
{
    generator.scriptedCount = 0;
    generator.scriptedNext = 0;
}

int scriptedLeft()
{
    return static_cast<int>(generator.scriptedCount - generator.scriptedNext);
}

std::uint64_t drawCount()
{
    return generator.draws;
}

} // namespace showrand
