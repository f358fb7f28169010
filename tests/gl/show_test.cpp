// The show's centre as every host uses it: startShow, the end rule and the
// offline stepper that every capture steps the show through.
#include "seams/clock.h"
#include "support/gl_fixture.h"
#include "timeline/frame_composer.h"
#include "timeline/offline_show.h"
#include "timeline/show.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// A song of silence that moves on an order every `samplesPerOrder` samples
// and ends after `orders` orders, as the stepper renders a module.
class ScriptedModule : public ModuleRenderer {
public:
    ScriptedModule(std::uint64_t samplesPerOrder, std::uint32_t orders)
        : samplesPerOrder_(samplesPerOrder), length_(samplesPerOrder * orders)
    {
    }

    std::size_t read(std::size_t frames, std::int16_t* out) override
    {
        const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(frames, length_ - rendered));
        std::fill(out, out + 2 * got, std::int16_t{0});
        rendered += got;
        return got;
    }

    // Past the end back at (0, 0), as libopenmpt has it.
    std::uint32_t position() override
    {
        return rendered < length_ ? showmusic::makePosition(static_cast<std::uint32_t>(rendered / samplesPerOrder_), 0)
                                  : 0;
    }

    double durationSeconds() override { return static_cast<double>(length_) / musicSampleRate; }

    std::uint64_t rendered = 0;

private:
    std::uint64_t samplesPerOrder_;
    std::uint64_t length_;
};

std::uint64_t hashOf(const std::vector<std::uint8_t>& bytes)
{
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (std::uint8_t byte : bytes)
        hash = (hash ^ byte) * 1099511628211ull;
    return hash;
}

class ShowTest : public GLTest {
protected:
    // The first frames of a fresh show on a cleared canvas, as a new program
    // would draw them: through the body's mixes, an order every 0.2 s.
    std::vector<std::uint64_t> firstFrames(std::uint32_t seedTick)
    {
        clearCanvas();
        ScriptedModule module(musicSampleRate / 5, 40);
        OfflineShow show({30, 1}, &module);
        show.start(seedTick, MARDUNQIST_SHOW_DATA);
        std::vector<std::uint64_t> frames;
        for (int i = 0; i < 90; ++i) {
            show.step();
            frames.push_back(hashOf(gl.canvas().readRGBA()));
        }
        show.finish();
        return frames;
    }

    // A fresh show with the scripted music playing or not from its start.
    void startWith(bool playing)
    {
        music.playing = playing;
        music.at(0);
        startShowWith(MARDUNQIST_SHOW_DATA);
    }

    double now = FrameClock::startMs;

    // One frame, 20 ms after the last, then the end rule asked as hosts ask it.
    bool frameEndsTheShow()
    {
        now += 20;
        setTime(now);
        drawFrame();
        return showEnded();
    }
};

} // namespace

TEST_F(ShowTest, TheSameSeedDrawsTheSameFirstFrames)
{
    const std::vector<std::uint64_t> first = firstFrames(424242);
    EXPECT_EQ(firstFrames(424242), first);
    // And the seed matters, so the comparison above could fail.
    EXPECT_NE(firstFrames(424243), first);
}

TEST_F(ShowTest, EndsWhenTheMusicStopsDuringTheCredits)
{
    startWith(true);
    music.at(32, 40);
    EXPECT_FALSE(frameEndsTheShow());
    music.at(33);
    EXPECT_FALSE(frameEndsTheShow());
    ASSERT_TRUE(composer.creditsStarted);
    music.playing = false;
    EXPECT_TRUE(frameEndsTheShow());
    EXPECT_FALSE(running);
}

TEST_F(ShowTest, EndsWhenASongShorterThanTheShowStopsBeforeTheCredits)
{
    startWith(true);
    music.at(5);
    EXPECT_FALSE(frameEndsTheShow());
    music.playing = false;
    EXPECT_TRUE(frameEndsTheShow());
    EXPECT_FALSE(composer.creditsStarted);
}

TEST_F(ShowTest, MusicThatNeverPlayedNeverEndsTheShow)
{
    startWith(false);
    for (int frame = 0; frame < 100; ++frame)
        ASSERT_FALSE(frameEndsTheShow()) << frame;
}

TEST(OfflineShowClock, FrameTimesAndSoundKeepInStepOverALongRun)
{
    HeadlessGL gl;
    std::string error;
    ASSERT_TRUE(gl.open(16, 12, &error)) << error;
    // Three minutes of show at each rate; a share of sound rounded a frame
    // at a time would be hundreds of samples off by then.
    for (const FrameRate rate : {FrameRate{30, 1}, FrameRate{60, 1}, FrameRate{30000, 1001}}) {
        SCOPED_TRACE(rate.numerator);
        ScriptedModule module(musicSampleRate, 1000);
        OfflineShow show(rate, &module);
        show.start(1, MARDUNQIST_SHOW_DATA);
        const std::uint64_t frames = 180 * rate.numerator / rate.denominator;
        std::uint64_t samples = 0;
        for (std::uint64_t n = 0; n < frames; ++n) {
            samples += show.step().size() / 2;
            const double exactMs = FrameClock::startMs + static_cast<double>(n * 1000 * rate.denominator) /
                                                             static_cast<double>(rate.numerator);
            ASSERT_DOUBLE_EQ(showclock::nowMs(), exactMs) << n;
            ASSERT_EQ(show.frame(), n);
        }
        // Every sample up to the last frame's end, whole: floor(frames * 44100 / fps).
        EXPECT_EQ(samples, frames * musicSampleRate * rate.denominator / rate.numerator);
        EXPECT_EQ(module.rendered, samples);
        show.finish();
    }
}
