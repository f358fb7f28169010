#include "effects/fx_vlines.h"

#include "seams/random.h"
#include "support/effect_checks.h"

namespace {

using fxVlinesTest = EffectTest<fxVlines>;

TEST_F(fxVlinesTest, FirstRenderRollsEverySlotAndAnExactVanishTimeKeepsOne)
{
    expectFirstRenderRollsEverySlot(7u * 5u);
    expectExactVanishTimeKeepsEverySlot();
    EXPECT_EQ(fx.vanishTime[3], 1500.0f);
    expectDrawingConventions("fxVlines");
}

TEST_F(fxVlinesTest, RerollDrawsInWrittenOrder)
{
    showrand::script({24576, 8192, 150, 1250, 16384});  // x, speed, pause, life, width
    fx.reset();
    fx.render();
    EXPECT_FLOAT_EQ(fx.baseX[0], 1.5f);
    EXPECT_FLOAT_EQ(fx.speed[0], -0.0045f);
    EXPECT_FLOAT_EQ(fx.appearTime[0], 1050.0f);
    EXPECT_FLOAT_EQ(fx.vanishTime[0], 1200.0f);
    EXPECT_FLOAT_EQ(fx.halfWidth[0], 0.145f);
}

TEST_F(fxVlinesTest, BarCoversItsMovedSpanOverTheFullHeight)
{
    rollAndPark();
    // Centre at x = 1, moving 0.002 per ms: at 1500 ms it spans [1.75, 2.25].
    fx.baseX[2] = 1.0f;
    fx.speed[2] = 0.002f;
    fx.halfWidth[2] = 0.25f;
    fx.appearTime[2] = 1000;
    fx.vanishTime[2] = 2000;
    setTime(1500);
    fx.render();
    expectDrawingConventions("fxVlines");

    for (float y : {-2.9f, 0.0f, 2.9f}) {
        EXPECT_NEAR(viewPixel(2.0f, y).r, 77, 3) << y;  // white at alpha 0.3
        EXPECT_EQ(viewPixel(2.0f, y).b, viewPixel(2.0f, y).r) << y;
    }
    EXPECT_EQ(viewPixel(1.6f, 0).r, 0);
    EXPECT_EQ(viewPixel(2.4f, 0).r, 0);
    EXPECT_EQ(viewPixel(1.0f, 0).r, 0);  // where it started
    EXPECT_FLOAT_EQ(currentColor()[3], 0.3f);
    EXPECT_EQ(blendDestination(), GL_ONE_MINUS_SRC_ALPHA);
}

TEST_F(fxVlinesTest, BurstPicture)
{
    fx.reset();
    fx.render();
    setTime(1100);  // every bar is inside its window by now
    fx.render();
    EXPECT_GT(litPixels(), 0);
    savePng("fx_vlines");
}

} // namespace
