#include "capture_options.h"
#include "frame_clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool parse(std::vector<std::string> args, CaptureOptions* options, std::string* error)
{
    std::vector<char*> argv{const_cast<char*>("mardunqist-capture")};
    for (std::string& a : args)
        argv.push_back(a.data());
    return parseCaptureOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

} // namespace

TEST(FrameClock, FrameTimesAreExactForWholeAndFractionalRates)
{
    const FrameClock sixty({60, 1}, 44100);
    EXPECT_EQ(sixty.frameTimeMs(0), FrameClock::startMs);
    EXPECT_EQ(sixty.frameTimeMs(3), FrameClock::startMs + 50.0);
    EXPECT_EQ(sixty.frameTimeMs(60 * 3600), FrameClock::startMs + 3600000.0) << "no drift after an hour";

    const FrameClock ntsc({60000, 1001}, 44100);
    EXPECT_DOUBLE_EQ(ntsc.frameTimeMs(60000), FrameClock::startMs + 1001000.0);
    EXPECT_DOUBLE_EQ(ntsc.frameTimeMs(1), FrameClock::startMs + 1001.0 / 60.0);
}

TEST(FrameClock, SamplesPerFrameAddUpExactly)
{
    for (FrameRate rate : {FrameRate{60, 1}, FrameRate{30, 1}, FrameRate{60000, 1001}, FrameRate{24, 1}}) {
        const FrameClock clock(rate, 44100);
        std::uint64_t total = 0;
        const std::uint64_t frames = 10 * rate.numerator / rate.denominator;  // ten seconds
        for (std::uint64_t n = 0; n < frames; ++n) {
            const std::uint64_t s = clock.samplesFor(n);
            // floor((n+1) r / f) - floor(n r / f): each frame gets its share, give or take one.
            EXPECT_LE(s, 44100 * rate.denominator / rate.numerator + 1);
            EXPECT_GE(s, 44100 * rate.denominator / rate.numerator);
            total += s;
        }
        EXPECT_EQ(total, clock.samplesThrough(frames - 1));
        EXPECT_EQ(total, frames * 44100 * rate.denominator / rate.numerator);
    }
    // 44100 / 60 = 735 exactly; 44100 / 29.97 alternates.
    EXPECT_EQ(FrameClock({60, 1}, 44100).samplesFor(7), 735u);
}

TEST(CaptureOptions, ParsesTheDocumentedOptions)
{
    CaptureOptions o;
    std::string error;
    ASSERT_TRUE(parse({"--fps", "60000/1001", "--size", "640x480", "--frames", "90", "--seed-tick", "77",
                       "--data", "d", "--timeline", "t.csv", "--crf", "23", "--preset", "veryslow", "--force",
                       "--quiet", "out.mp4"},
                      &o, &error))
        << error;
    EXPECT_EQ(o.fps.numerator, 60000u);
    EXPECT_EQ(o.fps.denominator, 1001u);
    EXPECT_EQ(o.width, 640);
    EXPECT_EQ(o.height, 480);
    EXPECT_EQ(*o.frames, 90u);
    EXPECT_EQ(o.seedTick, 77u);
    EXPECT_EQ(o.dataDir, "d");
    EXPECT_EQ(o.timelineCsv, "t.csv");
    EXPECT_EQ(o.crf, 23);
    EXPECT_EQ(o.preset, "veryslow");
    EXPECT_TRUE(o.force);
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.output, "out.mp4");

    ASSERT_TRUE(parse({"--fps", "1", "--size", "16x8192", "o/"}, &o, &error)) << error;
    ASSERT_TRUE(parse({"--fps", "1000000", "o/"}, &o, &error)) << error;

    CaptureOptions defaults;
    ASSERT_TRUE(parse({"frames/"}, &defaults, &error));
    EXPECT_EQ(defaults.width, 1024);
    EXPECT_EQ(defaults.height, 768);
    EXPECT_EQ(defaults.fps.numerator, 60u);
    EXPECT_FALSE(defaults.frames.has_value());
    EXPECT_EQ(defaults.preset, "superfast");
}

TEST(CaptureOptions, RefusesBadInputWithAReason)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--fps", "0", "o/"},
        {"--fps", "29.97", "o/"},
        {"--fps", "30/0", "o/"},
        {"--fps", "1/1000000", "o/"},  // below one frame a second: hours of sound per frame
        {"--fps", "59/60", "o/"},
        {"--size", "1024", "o/"},
        {"--size", "0x10", "o/"},
        {"--frames", "-3", "o/"},
        {"--seconds", "abc", "o/"},
        {"--crf", "99", "o/"},
        {"--preset", "quick", "o.mp4"},
        {"--preset", "Medium", "o.mp4"},
        {"--seed-tick", "4294967296", "o/"},
        {"--bogus", "o/"},
        {"a/", "b/"},
        {"--fps"},
    };
    for (const auto& args : bad) {
        CaptureOptions o;
        std::string error;
        EXPECT_FALSE(parse(args, &o, &error)) << (args.empty() ? "(none)" : args[0]);
        EXPECT_FALSE(error.empty());
    }
}
