#include "capture_options.h"
#include "media/yuv_frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool parse(std::vector<std::string> args, CaptureOptions* options, std::string* error)
{
    std::vector<char*> argv{const_cast<char*>("mardunqist-capture")};
    for (std::string& a : args)
        argv.push_back(a.data());
    return parseCaptureOptions(CaptureTool::native, static_cast<int>(argv.size()), argv.data(), options, error);
}

} // namespace

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

namespace {

struct Rgb {
    std::uint8_t r, g, b;
};

// A picture given top row first, as GL's bottom-up RGBA.
std::vector<std::uint8_t> glRows(const std::vector<std::vector<Rgb>>& topDown)
{
    std::vector<std::uint8_t> rgba;
    for (auto row = topDown.rbegin(); row != topDown.rend(); ++row) {
        for (const Rgb& p : *row)
            rgba.insert(rgba.end(), {p.r, p.g, p.b, 255});
    }
    return rgba;
}

} // namespace

TEST(YuvFrame, MakesBt709LimitedRangeTopRowFirst)
{
    const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, grey{128, 128, 128}, black{0, 0, 0};
    const std::vector<Rgb> colours = {red, red, green, green, blue, blue, grey, grey};
    const std::vector<Rgb> dark(8, black);
    const std::vector<std::uint8_t> rgba = glRows({colours, colours, dark, dark});
    std::vector<std::uint8_t> yuv(yuv420Bytes(8, 4));
    ASSERT_EQ(yuv.size(), 32u + 2 * 8);
    rgbaToYuv420(rgba.data(), 8, 4, yuv.data());

    // BT.709's Y'CbCr of the primaries in 8-bit studio range.
    const std::vector<std::uint8_t> lumaTop = {63, 63, 173, 173, 32, 32, 126, 126};
    for (int row = 0; row < 4; ++row) {
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(yuv[row * 8 + x], row < 2 ? lumaTop[x] : 16) << "row " << row << ", column " << x;
    }
    const std::vector<std::uint8_t> cb = {102, 42, 240, 128, 128, 128, 128, 128};
    const std::vector<std::uint8_t> cr = {240, 26, 118, 128, 128, 128, 128, 128};
    EXPECT_EQ(std::vector<std::uint8_t>(yuv.begin() + 32, yuv.begin() + 40), cb);
    EXPECT_EQ(std::vector<std::uint8_t>(yuv.begin() + 40, yuv.end()), cr);
}

TEST(YuvFrame, AveragesEachTwoByTwoAndStretchesOddEdges)
{
    const Rgb w{255, 255, 255}, r{255, 0, 0}, k{0, 0, 0};
    // 3x3: white with a red right column and bottom row; then half red, half black.
    std::vector<std::uint8_t> yuv(yuv420Bytes(3, 3));
    ASSERT_EQ(yuv.size(), 9u + 2 * 4);
    const std::vector<std::uint8_t> rgba = glRows({{w, w, r}, {w, w, r}, {r, r, r}});
    rgbaToYuv420(rgba.data(), 3, 3, yuv.data());
    EXPECT_EQ(std::vector<std::uint8_t>(yuv.begin(), yuv.begin() + 9),
              (std::vector<std::uint8_t>{235, 235, 63, 235, 235, 63, 63, 63, 63}));
    EXPECT_EQ(std::vector<std::uint8_t>(yuv.begin() + 9, yuv.end()),
              (std::vector<std::uint8_t>{128, 102, 102, 102, 128, 240, 240, 240}));

    std::vector<std::uint8_t> mixed(yuv420Bytes(2, 2));
    const std::vector<std::uint8_t> half = glRows({{r, k}, {k, r}});
    rgbaToYuv420(half.data(), 2, 2, mixed.data());
    // The mean of the four, (127.5, 0, 0): Cb 128 - 12.83, Cr 128 + 56.
    EXPECT_EQ(mixed[4], 115);
    EXPECT_EQ(mixed[5], 184);
}
