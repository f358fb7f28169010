#include "seams/random.h"
#include "seams/screen.h"
#include "support/gl_fixture.h"
#include "timeline/frame_composer.h"

namespace {

int presents = 0;
void countPresent()
{
    ++presents;
}

class FrameComposerTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        presents = 0;
        showscreen::setPresenter(countPresent);
        keepDirectorQuiet();
    }
    void TearDown() override
    {
        showscreen::setPresenter(nullptr);
        GLTest::TearDown();
    }

    // No fragments: these tests look at the overlays alone.
    static void keepDirectorQuiet() { fragmentDirector.lastSpawn = 1e30f; }

    // A white canvas shows how much an overlay darkens it.
    void paintWhite()
    {
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
    }

    void frameAt(double ms)
    {
        setTime(ms);
        drawFrame();
    }

    // Textures 4 and 5 as two-band pictures: top half one colour, bottom another.
    static void makeCreditTextures()
    {
        for (GLuint name = 1; name <= 5; ++name) {
            ASSERT_TRUE(glIsTexture(name));
            glBindTexture(GL_TEXTURE_2D, name);
            unsigned char texels[2][3] = {};
            if (name == 4) {
                texels[0][0] = 255;  // top row red
                texels[1][1] = 255;  // bottom row green
            } else if (name == 5) {
                texels[0][2] = 255;  // top row blue
                texels[1][0] = texels[1][1] = 255;  // bottom row yellow
            }
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        }
    }

    // Starts the ending at `start` and the credits at `creditsAt`.
    void enterCredits(double start, double creditsAt)
    {
        music.at(32, 40);
        frameAt(start);
        music.at(33, 0);
        frameAt(creditsAt);
        ASSERT_TRUE(composer.creditsStarted);
    }
};

} // namespace

TEST_F(FrameComposerTest, EndingStartsAtRow40NotRow39WithOpacityZero)
{
    music.at(32, 39);
    frameAt(5000);
    EXPECT_FALSE(composer.endingStarted);

    paintWhite();
    // Keep the flicker away: it is scheduled, but far in the future.
    composer.flickerStart = composer.flickerEnd = 1e30f;
    music.at(32, 40);
    frameAt(6000);
    EXPECT_TRUE(composer.endingStarted);
    EXPECT_EQ(composer.endingStartTime, 6000.0f);
    EXPECT_EQ(pixel(10, 10).r, 255) << "the first ending frame draws at opacity 0";
}

TEST_F(FrameComposerTest, EndingFadeRisesToHalfOverFourPointTwoSeconds)
{
    music.at(32, 50);
    frameAt(10000);
    ASSERT_TRUE(composer.endingStarted);

    paintWhite();
    frameAt(10000 + 2100);  // opacity 0.25
    EXPECT_NEAR(pixel(100, 100).r, 191, 2);
    paintWhite();
    frameAt(10000 + 4200);  // exactly the end of the rise: 0.5
    EXPECT_NEAR(pixel(100, 100).r, 128, 2);
    paintWhite();
    frameAt(10000 + 60000);  // and it stays there
    EXPECT_NEAR(pixel(100, 100).r, 128, 2);
    // Compounding: a second frame darkens the same pixel again.
    frameAt(10000 + 60001);
    EXPECT_NEAR(pixel(100, 100).r, 64, 2);
}

TEST_F(FrameComposerTest, OrderThirtyThreeWithoutTheEndingStartsNothing)
{
    music.at(33, 0);
    const std::uint64_t drawsBefore = showrand::drawCount();
    frameAt(2000);
    EXPECT_FALSE(composer.endingStarted);
    EXPECT_FALSE(composer.creditsStarted);
    EXPECT_GT(showrand::drawCount(), drawsBefore) << "the flicker goes on";
    music.playing = false;
    frameAt(3000);
    EXPECT_TRUE(running) << "a stopped song ends the show only during the credits";
}

TEST_F(FrameComposerTest, FlickerIsNeverDrawnOnTheFrameThatSchedulesIt)
{
    music.at(5, 0);
    paintWhite();
    // x = 0: the flicker starts at now; y = 0.5: opacity 0.45.
    showrand::script({0, 16384});
    frameAt(1000);
    EXPECT_EQ(composer.flickerStart, 1000.0f);
    EXPECT_EQ(composer.flickerEnd, 1200.0f);
    EXPECT_FLOAT_EQ(composer.flickerAlpha, 0.45f);
    EXPECT_EQ(pixel(5, 5).r, 255);

    frameAt(1100);
    EXPECT_NEAR(pixel(5, 5).r, 140, 2) << "inside its 200 ms it darkens by 0.45";

    paintWhite();
    frameAt(1200);  // its end: not drawn, and not yet rescheduled
    EXPECT_EQ(pixel(5, 5).r, 255);
    EXPECT_EQ(composer.flickerEnd, 1200.0f);

    showrand::script({32767, 0});
    frameAt(1201);
    EXPECT_GT(composer.flickerStart, 1201.0f + 2999.0f);
    EXPECT_EQ(composer.flickerEnd, composer.flickerStart + 200);
    EXPECT_FLOAT_EQ(composer.flickerAlpha, 0.2f);
}

TEST_F(FrameComposerTest, CreditOpacitiesFollowTheirTimetable)
{
    struct Row {
        float t, first, second;
    };
    const Row rows[] = {
        {0, 0, -1.875f},      {8000, 1, -0.875f},   {11000, 1, -0.5f},
        {15000, 0.5f, 0},     {19000, 0, 0.5f},     {23000, -0.5f, 1},
        {26000, -0.875f, 1},  {34000, -1.875f, 0},
    };
    for (const Row& row : rows) {
        EXPECT_FLOAT_EQ(firstCreditAlpha(row.t), row.first) << row.t;
        EXPECT_FLOAT_EQ(secondCreditAlpha(row.t), row.second) << row.t;
    }
}

TEST_F(FrameComposerTest, CreditPicturesLandWhereTheyDriftUprightAndAdditive)
{
    makeCreditTextures();
    enterCredits(1000, 2000);
    clearCanvas();

    // t = 8000: the first card at full strength, centred (8000/11000 - 1.1, 1),
    // 6 units square; the second still invisible.
    frameAt(2000 + 8000);
    const float cx = 8000.0f / 11000.0f - 1.1f;
    const Rgba top = viewPixel(cx, 2.5f);
    const Rgba bottom = viewPixel(cx, -1.5f);
    EXPECT_GT(top.r, 250);
    EXPECT_LT(top.g, 5) << "the picture's top row lies along the card's top edge";
    EXPECT_GT(bottom.g, 250);
    EXPECT_EQ(viewPixel(3.8f, 0).r + viewPixel(3.8f, 0).g, 0) << "right of the first card";
    EXPECT_EQ(viewPixel(cx, -2.5f).g, 0) << "below the first card";
    savePng("credits_first");

    // t = 23000: the first card is gone, the second is full, centred (1, -0.9).
    clearCanvas();
    frameAt(2000 + 23000);
    EXPECT_GT(viewPixel(3.5f, 1.5f).b, 250);
    EXPECT_GT(viewPixel(3.5f, -2.5f).r, 250);
    EXPECT_EQ(viewPixel(-3.5f, 0).r + viewPixel(-3.5f, 0).b, 0) << "left of the second card";
    savePng("credits_second");

    // After the credits, texturing is off and the blend function additive.
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(blendDestination(), GL_ONE);
}

TEST_F(FrameComposerTest, ShowEndsOnFirstCreditsFrameWithMusicStoppedAfterPresenting)
{
    enterCredits(1000, 2000);
    EXPECT_TRUE(running);
    const int presentsBefore = presents;
    music.playing = false;
    frameAt(2100);
    EXPECT_FALSE(running);
    EXPECT_EQ(presents, presentsBefore + 1) << "that frame is still presented";
}

TEST_F(FrameComposerTest, MusicStateIsAskedOnlyDuringTheCredits)
{
    music.stateReads = 0;  // the start's own question, whether the music plays
    music.at(20, 0);
    frameAt(1000);
    EXPECT_EQ(music.stateReads, 0);
    enterCredits(2000, 3000);
    EXPECT_EQ(music.stateReads, 1);
}

TEST_F(FrameComposerTest, OpeningSceneDrawsOnlyWhileOrderZero)
{
    music.at(0, 0);
    frameAt(1000);  // places all copies, draws none
    frameAt(1400);
    EXPECT_GT(litPixels(10), 500);
    savePng("opening_scene_frame");

    clearCanvas();
    music.at(1, 0);
    frameAt(1500);
    EXPECT_EQ(litPixels(10), 0);
    EXPECT_EQ(presents, 3);
}
