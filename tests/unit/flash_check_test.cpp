// The flash check against EA's IRIS on IRIS's own test videos and on
// red flashes built from its definitions, a live show's check against a
// video's, and the gentle filter holding flashing under the check with the
// rest left as drawn.
#include "frame_source.h"
#include "gentle/flash_check.h"
#include "gentle/gentle_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A column of an IRIS frame log, by its name.
std::vector<int> logColumn(const std::string& path, const std::string& name)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    std::stringstream header(line);
    int column = 0;
    for (std::string cell; std::getline(header, cell, ',') && cell != name;)
        ++column;
    std::vector<int> values;
    while (std::getline(file, line)) {
        std::stringstream row(line);
        std::string cell;
        for (int i = 0; i <= column; ++i)
            std::getline(row, cell, ',');
        values.push_back(std::stoi(cell));
    }
    return values;
}

struct IrisVideo {
    const char* name;
    std::uint64_t flashFail, extendedFail, warning;
};

// What IRIS (d96978a, default settings) reports for its test videos.
const IrisVideo irisVideos[] = {
    {"2Hz_5s", 0, 0, 16},       {"2Hz_6s", 0, 36, 99},       {"3Hz_6s", 6, 30, 99}, {"flashStripes", 29, 0, 3},
    {"extendedFLONG", 0, 0, 0}, {"intermitentEF", 0, 0, 0}, {"gray", 0, 0, 0},     {"GradualRedIncrease", 0, 0, 0},
};

constexpr int width = 64, height = 48;

// Black, with the left `share` of the frame in `rgb`.
std::vector<std::uint8_t> frame(std::uint32_t rgb, double share = 1.0)
{
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4, 0);
    const int lit = static_cast<int>(share * width + 0.5);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            if (x < lit) {
                p[0] = static_cast<std::uint8_t>(rgb >> 16);
                p[1] = static_cast<std::uint8_t>(rgb >> 8);
                p[2] = static_cast<std::uint8_t>(rgb);
            }
            p[3] = 255;
        }
    }
    return rgba;
}

// Frame n of a square wave between two colours, `flashesPerSecond` times a
// second (a flash: there and back), at 60 fps.
std::vector<std::uint8_t> waveFrame(int n, double flashesPerSecond, std::uint32_t from, std::uint32_t to,
                                    double share = 1.0)
{
    const bool second = static_cast<int>(n * flashesPerSecond * 2 / 60) % 2 == 1;
    return frame(second ? to : from, share);
}

constexpr std::uint32_t black = 0x000000, white = 0xffffff, red = 0xff0000;

FlashCheck checkWave(double flashesPerSecond, std::uint32_t from, std::uint32_t to, double share, int seconds = 3)
{
    FlashCheck check(60);
    for (int n = 0; n < 60 * seconds; ++n)
        check.addFrame(waveFrame(n, flashesPerSecond, from, to, share).data(), width, height, 4, n * 1000.0 / 60);
    return check;
}

} // namespace

TEST(FlashCheck, CountsIrisTestVideosAsIrisDoes)
{
    for (const IrisVideo& video : irisVideos) {
        SCOPED_TRACE(video.name);
        const std::string data = MARDUNQIST_TEST_DATA "/iris/";
        const std::string log = data + "ExpectedVideoLogFiles/" + video.name + "_RELATIVE.csv";
        const std::vector<int> expected = logColumn(log, "LuminanceTransitions");
        const std::vector<int> expectedRed = logColumn(log, "RedTransitions");
        std::string error;
        const auto source = openFrames(data + "TestVideos/" + video.name + ".mp4", std::nullopt, YuvMatrix::bt601,
                                       &error);
        ASSERT_TRUE(source) << error;
        FlashCheck check(source->framesPerSecond);
        std::vector<int> transitions, red;
        for (std::vector<std::uint8_t> rgb; source->next(rgb, &error);) {
            const double timeMs = static_cast<double>(transitions.size()) * 1000 / source->framesPerSecond;
            const FlashFrame& frame = check.addFrame(rgb.data(), source->width, source->height, 3, timeMs);
            transitions.push_back(frame.luminanceTransitions);
            red.push_back(frame.redTransitions);
        }
        ASSERT_EQ(error, "");
        EXPECT_EQ(transitions, expected);
        EXPECT_EQ(red, expectedRed);
        EXPECT_EQ(check.framesJudged(FlashVerdict::flashFail), video.flashFail);
        EXPECT_EQ(check.framesJudged(FlashVerdict::extendedFail), video.extendedFail);
        EXPECT_EQ(check.framesJudged(FlashVerdict::warning), video.warning);
    }
}

TEST(FlashCheck, CountsRedFlashesByIrisRules)
{
    // Saturated red against black: a fifth of the frame is under the quarter
    // that must change; three tenths flash in red saturation (96 of 320)
    // though hardly in luminance (0.06).
    for (const double rate : {4.0, 10.0}) {
        SCOPED_TRACE(rate);
        const FlashCheck small = checkWave(rate, black, red, 0.2);
        EXPECT_EQ(small.redTransitions(), 0u);
        EXPECT_FALSE(small.failed());
        const FlashCheck large = checkWave(rate, black, red, 0.3);
        EXPECT_EQ(large.luminanceTransitions(), 0u);
        EXPECT_GT(large.redFrames(FlashVerdict::flashFail), 0u);
        EXPECT_EQ(large.luminanceFrames(FlashVerdict::flashFail), 0u);
        // Against white both flash: red saturation and luminance (0.24).
        const FlashCheck onWhite = checkWave(rate, white, red, 0.3);
        EXPECT_GT(onWhite.redFrames(FlashVerdict::flashFail), 0u);
        EXPECT_GT(onWhite.luminanceFrames(FlashVerdict::flashFail), 0u);
    }
    // Two red flashes a second warn, and fail once they have gone on for
    // four seconds (extended failure); one a second is nothing.
    const FlashCheck twice = checkWave(2, black, red, 0.3, 6);
    EXPECT_GT(twice.redFrames(FlashVerdict::warning), 0u);
    EXPECT_GT(twice.redFrames(FlashVerdict::extendedFail), 0u);
    EXPECT_EQ(twice.redFrames(FlashVerdict::flashFail), 0u);
    EXPECT_EQ(checkWave(1, black, red, 0.3, 6).framesJudged(FlashVerdict::pass), 360u);
}

TEST(FlashCheck, ALiveShowsWindowIsTheLastSecond)
{
    // At 25 frames a second on whole milliseconds the last second is the
    // last 25 frames: a live show's check judges as a video's.
    FlashCheck video(25), live = FlashCheck::byTime();
    for (int n = 0; n < 250; ++n) {
        // Flashing at 2, then 4 a second, then still.
        const double rate = n < 100 ? 2 : n < 200 ? 4 : 0;
        const std::vector<std::uint8_t> f = frame(static_cast<int>(n * rate * 2 / 25) % 2 ? white : black);
        const FlashFrame a = video.addFrame(f.data(), width, height, 4, n * 40.0);
        const FlashFrame b = live.addFrame(f.data(), width, height, 4, n * 40.0);
        ASSERT_EQ(a.luminanceTransitions, b.luminanceTransitions) << "frame " << n;
        ASSERT_EQ(a.verdict(), b.verdict()) << "frame " << n;
    }
    EXPECT_TRUE(live.failed());
    // Frames 30 ms apart: the last second is the last 34 frames live, the
    // last 25 in a video at 25 fps.
    FlashCheck video25(25), crowded = FlashCheck::byTime();
    const auto transitionsIn = [](int first, int last) {
        int count = 0;
        for (int i = std::max(first, 1); i <= last; ++i)
            count += i % 3 != 2;  // white, black, black: a change into white and out of it
        return count;
    };
    for (int n = 0; n < 100; ++n) {
        const std::vector<std::uint8_t> f = frame(n % 3 == 0 ? white : black);
        EXPECT_EQ(video25.addFrame(f.data(), width, height, 4, n * 30.0).luminanceTransitions, transitionsIn(n - 24, n));
        EXPECT_EQ(crowded.addFrame(f.data(), width, height, 4, n * 30.0).luminanceTransitions, transitionsIn(n - 33, n));
    }
}

TEST(GentleFilter, HoldsFlashingUnderTheCheckAndLeavesTheRestAsDrawn)
{
    struct Wave {
        double flashesPerSecond;
        std::uint32_t from, to;
        double share;
    };
    for (const Wave wave : {Wave{10, black, white, 1}, Wave{2, black, white, 1}, Wave{10, black, red, 0.3}}) {
        SCOPED_TRACE(wave.flashesPerSecond);
        GentleFilter filter(60);
        FlashCheck shownCheck(60);
        std::vector<std::uint8_t> shown;
        int heldBack = 0;
        for (int n = 0; n < 60 * 8; ++n) {
            const std::vector<std::uint8_t> drawn = waveFrame(n, wave.flashesPerSecond, wave.from, wave.to, wave.share);
            filter.apply(drawn, width, height, n * 1000.0 / 60, shown);
            shownCheck.addFrame(shown.data(), width, height, 4, n * 1000.0 / 60);
            heldBack += shown != drawn;
        }
        EXPECT_FALSE(shownCheck.failed());
        EXPECT_EQ(filter.check().framesJudged(FlashVerdict::warning), shownCheck.framesJudged(FlashVerdict::warning))
            << "the filter's check judges what it shows";
        EXPECT_GT(heldBack, 0);
        EXPECT_GE(shownCheck.luminanceTransitions() + shownCheck.redTransitions(), 8u)
            << "flashing within the rules still gets through";
    }
    // One flash a second is left alone.
    GentleFilter slow(60);
    std::vector<std::uint8_t> shown;
    for (int n = 0; n < 60 * 8; ++n) {
        const std::vector<std::uint8_t> drawn = waveFrame(n, 1, black, white);
        slow.apply(drawn, width, height, n * 1000.0 / 60, shown);
        ASSERT_EQ(shown, drawn) << "frame " << n << " of a wave under the threshold";
    }
}
