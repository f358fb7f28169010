// The flash check on frames whose answer is known, and the gentle filter
// holding a flashing sequence under the threshold while leaving the rest as
// drawn.
#include "gentle/flash_check.h"
#include "gentle/gentle_filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int width = 64, height = 48;
constexpr double frameMs = 1000.0 / 60;

// Black, with the left `share` of the frame at `level`.
std::vector<std::uint8_t> frame(std::uint8_t level, double share = 1.0)
{
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4, 0);
    const int lit = static_cast<int>(share * width);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < lit; ++x) {
            std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            p[0] = p[1] = p[2] = level;
            p[3] = 255;
        }
    }
    return rgba;
}

// Frame n of `seconds` of a black and white square wave at `flashesPerSecond`
// (one flash: white, then black again) over `share` of the frame, 60 fps.
std::vector<std::uint8_t> waveFrame(int n, double flashesPerSecond, double share = 1.0)
{
    const bool white = std::fmod(n * frameMs / 1000.0 * flashesPerSecond, 1.0) >= 0.5;
    return frame(white ? 255 : 0, share);
}

FlashCheck checkWave(double flashesPerSecond, double share = 1.0, int seconds = 3)
{
    FlashCheck check;
    for (int n = 0; n < 60 * seconds; ++n) {
        const std::vector<std::uint8_t> f = waveFrame(n, flashesPerSecond, share);
        check.addFrame(f.data(), width, height, 1000.0 + n * frameMs);
    }
    return check;
}

} // namespace

TEST(FlashCheck, CountsFlashesAsWcagCountsThem)
{
    const FlashCheck steady = checkWave(0);
    EXPECT_EQ(steady.transitions(), 0u);
    EXPECT_EQ(steady.failingSeconds(), 0);

    for (const double rate : {2.0, 3.0}) {
        const FlashCheck check = checkWave(rate);
        EXPECT_EQ(check.failingSeconds(), 0) << rate << " flashes a second";
        EXPECT_NEAR(static_cast<double>(check.transitions()), 3 * 2 * rate, 1) << rate << " flashes a second";
    }
    for (const double rate : {4.0, 10.0}) {
        const FlashCheck check = checkWave(rate);
        EXPECT_EQ(check.failingSeconds(), 3) << rate << " flashes a second";
    }
    EXPECT_EQ(checkWave(10).reportCsv(), "second,transitions,flashes,passes\n"
                                         "0,19,9.5,0\n1,20,10,0\n2,20,10,0\n");

    // Under a quarter of the frame is no general flash, however fast.
    EXPECT_EQ(checkWave(10, 0.2).transitions(), 0u);
    // Nor is a change between bright states (the darker one above 0.8).
    FlashCheck bright;
    for (int n = 0; n < 120; ++n) {
        const std::vector<std::uint8_t> f = frame(n % 6 < 3 ? 240 : 255);
        bright.addFrame(f.data(), width, height, 1000.0 + n * frameMs);
    }
    EXPECT_EQ(bright.transitions(), 0u);
}

TEST(GentleFilter, HoldsFlashingUnderTheThresholdAndLeavesTheRestAsDrawn)
{
    GentleFilter filter;
    FlashCheck shownCheck;
    std::vector<std::uint8_t> shown;
    int heldBack = 0;
    for (int n = 0; n < 240; ++n) {
        const std::vector<std::uint8_t> drawn = waveFrame(n, 10);
        filter.apply(drawn, width, height, 1000.0 + n * frameMs, shown);
        shownCheck.addFrame(shown.data(), width, height, 1000.0 + n * frameMs);
        heldBack += shown != drawn;
    }
    EXPECT_EQ(shownCheck.failingSeconds(), 0);
    EXPECT_EQ(filter.check().transitions(), shownCheck.transitions()) << "the filter counts what the check counts";
    EXPECT_GE(shownCheck.transitions(), 4u * 6) << "six transitions a second still get through";
    EXPECT_GT(heldBack, 0);

    GentleFilter slow;
    for (int n = 0; n < 240; ++n) {
        const std::vector<std::uint8_t> drawn = waveFrame(n, 2);
        slow.apply(drawn, width, height, 1000.0 + n * frameMs, shown);
        ASSERT_EQ(shown, drawn) << "frame " << n << " of a wave under the threshold";
    }
}
