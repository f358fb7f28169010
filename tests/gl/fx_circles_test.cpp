#include "effects/fx_circles.h"

#include "seams/random.h"
#include "support/effect_checks.h"

namespace {

using fxCirclesTest = EffectTest<fxCircles>;

TEST_F(fxCirclesTest, FirstRenderRollsEverySlotAndAnExactVanishTimeKeepsOne)
{
    expectFirstRenderRollsEverySlot(5u * 9u + 3u * 2u);  // even rings draw a centre
    EXPECT_EQ(fx.position[1], fx.position[0]);
    EXPECT_EQ(fx.position[3], fx.position[2]);
    EXPECT_NE(fx.position[4], fx.position[2]);

    expectExactVanishTimeKeepsEverySlot();
    expectDrawingConventions("fxCircles");
}

TEST_F(fxCirclesTest, RerollDrawsInWrittenOrder)
{
    // Radius A, radius B, growth A, growth B, pause, life, r, g, b, x, y.
    showrand::script({16384, 8192, 24576, 0, 42, 7, 8192, 16384, 24576, 24576, 8192});
    fx.reset();
    fx.render();
    EXPECT_FLOAT_EQ(fx.radiusA[0], 1.2f);
    EXPECT_FLOAT_EQ(fx.radiusB[0], 0.65f);
    EXPECT_FLOAT_EQ(fx.growthA[0], 0.005f);
    EXPECT_FLOAT_EQ(fx.growthB[0], -0.01f);
    EXPECT_FLOAT_EQ(fx.appearTime[0], 1042.0f);
    EXPECT_FLOAT_EQ(fx.vanishTime[0], 1149.0f);
    EXPECT_EQ(fx.color[0], Vector3(0.25f, 0.5f, 0.75f));
    EXPECT_EQ(fx.position[0], Vector3(2.0f, -1.5f, 0.0f));
}

TEST_F(fxCirclesTest, OddRingKeepsTheCentreItCopied)
{
    rollAndPark();
    const Vector3 first = fx.position[0];
    fx.vanishTime[0] = 0;  // ring 0 alone moves on
    fx.render();
    EXPECT_NE(fx.position[0], first);
    EXPECT_EQ(fx.position[1], first);
    fx.vanishTime[1] = 0;  // now ring 1 follows it
    fx.render();
    EXPECT_EQ(fx.position[1], fx.position[0]);
}

TEST_F(fxCirclesTest, RingLiesBetweenItsGrownEdges)
{
    rollAndPark();
    // At age 200 edge A has grown to 1.2 and edge B shrunk through zero to
    // -0.3: the ring lies between radii 0.3 and 1.2.
    fx.position[2] = Vector3(0.5f, -0.5f, 0);
    fx.color[2] = Vector3(1, 0, 0);
    fx.radiusA[2] = 1.0f;
    fx.growthA[2] = 0.001f;
    fx.radiusB[2] = 0.1f;
    fx.growthB[2] = -0.002f;
    fx.appearTime[2] = 1000;
    fx.vanishTime[2] = 2000;
    setTime(1200);
    fx.render();
    expectDrawingConventions("fxCircles");

    EXPECT_NEAR(viewPixel(1.25f, -0.5f).r, 77, 3);  // red at alpha 0.3
    EXPECT_EQ(viewPixel(1.25f, -0.5f).g, 0);
    EXPECT_GT(viewPixel(0.5f, 0.6f).r, 60);    // just inside the outer edge
    EXPECT_GT(viewPixel(0.1f, -0.5f).r, 60);   // just outside the inner edge
    EXPECT_EQ(viewPixel(0.5f, -0.5f).r, 0);    // centre
    EXPECT_EQ(viewPixel(0.65f, -0.5f).r, 0);   // in the hole
    EXPECT_EQ(viewPixel(0.5f, -1.9f).r, 0);    // outside
    EXPECT_FLOAT_EQ(currentColor()[3], 0.3f);
}

TEST_F(fxCirclesTest, BurstPicture)
{
    fx.reset();
    fx.render();
    setTime(1100);
    fx.render();
    EXPECT_GT(litPixels(), 0);
    savePng("fx_circles");
}

} // namespace
