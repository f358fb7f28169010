#include "effects/fx_lines.h"

#include "seams/random.h"
#include "support/effect_checks.h"

#include <cmath>
#include <numbers>

namespace {

class fxLinesTest : public EffectTest<fxLines> {
protected:
    // Canvas column and row of a point on the z = 0 plane, from the camera
    // worked out by hand: eye 5 units away, 45 degrees vertical field, 4/3.
    static int columnOf(float x)
    {
        return static_cast<int>((x / (halfHeight() * 4 / 3) + 1) * width / 2);
    }
    static int rowOf(float y) { return static_cast<int>((y / halfHeight() + 1) * height / 2); }
    static double halfHeight() { return 5.0 * std::tan(std::numbers::pi / 8.0); }
};

TEST_F(fxLinesTest, FirstRenderRollsEverySlotAndAnExactVanishTimeKeepsOne)
{
    expectFirstRenderRollsEverySlot(30u * 14u);
    expectExactVanishTimeKeepsEverySlot();
    expectDrawingConventions("fxLines");
}

TEST_F(fxLinesTest, EveryDriftHasLengthOneHundredth)
{
    fx.reset();
    for (int frame = 0; frame < 100; ++frame) {
        setTime(1000 + frame * 20);
        fx.render();
        for (int i = 0; i < fxLines::slots; ++i) {
            EXPECT_NEAR(length(fx.driftA[i]), 0.01f, 1e-8f) << i;
            EXPECT_NEAR(length(fx.driftB[i]), 0.01f, 1e-8f) << i;
        }
    }
}

TEST_F(fxLinesTest, RerollDrawsInWrittenOrderAndRedrawsAZeroDirection)
{
    // Point A, point B, drift A drawn as the zero vector and so drawn again,
    // drift B, pause, life.
    showrand::script({24576, 8192, 16384, 0, 16384, 24576, 16384, 16384, 16384,
                      16384, 24576, 16384, 16384, 16384, 8192, 42, 250});
    fx.reset();
    const auto before = showrand::drawCount();
    fx.render();
    EXPECT_EQ(showrand::drawCount() - before, 30u * 14u + 3u);
    EXPECT_EQ(fx.pointA[0], Vector3(0.5f, -0.5f, 0.0f));
    EXPECT_EQ(fx.pointB[0], Vector3(-1.0f, 0.0f, 0.5f));
    EXPECT_EQ(fx.driftA[0], Vector3(0, 0.01f, 0));
    EXPECT_EQ(fx.driftB[0], Vector3(0, 0, -0.01f));
    EXPECT_FLOAT_EQ(fx.appearTime[0], 1042.0f);
    EXPECT_FLOAT_EQ(fx.vanishTime[0], 1392.0f);
}

TEST_F(fxLinesTest, LineThroughItsMovedPointsCrossesTheView)
{
    rollAndPark();
    // Vertical through x = 0, both points drifting right at 0.01 per ms:
    // after 100 ms it runs through x = 1.
    fx.pointA[3] = Vector3(0, 0, 0);
    fx.pointB[3] = Vector3(0, 1, 0);
    fx.driftA[3] = fx.driftB[3] = Vector3(0.01f, 0, 0);
    fx.appearTime[3] = 1000;
    fx.vanishTime[3] = 1300;
    setTime(1100);
    fx.render();
    expectDrawingConventions("fxLines");
    const int x = columnOf(1.0f);
    for (int y : {5, height / 2, height - 5}) {
        EXPECT_GT(pixel(x, y).r, 40) << y;      // the core, edge to edge
        EXPECT_GT(pixel(x + 3, y).r, 10) << y;  // the wide glow beside it
        EXPECT_EQ(pixel(x + 12, y).r, 0) << y;
        EXPECT_EQ(pixel(columnOf(0.0f), y).r, 0) << y;
    }
    EXPECT_FLOAT_EQ(currentColor()[3], 0.1f);  // the glow goes last
}

TEST_F(fxLinesTest, DrawLineStretchesAcrossTheViewUnlessThePointsCoincide)
{
    fx.reset();
    fx.render();  // leaves the effect's view set up
    fxLines::drawLine(Vector3(0, 0.5f, 0), Vector3(1, 0.5f, 0));
    for (int x : {2, width / 2, width - 3})
        EXPECT_GT(pixel(x, rowOf(0.5f)).r, 40) << x;
    EXPECT_EQ(pixel(width / 2, height / 2).r, 0);

    clearCanvas();
    fxLines::drawLine(Vector3(0.2f, 0.2f, 0), Vector3(0.2f, 0.2f, 0));
    EXPECT_EQ(litPixels(), 0);
    glLineWidth(1.0f);
}

TEST_F(fxLinesTest, BurstPicture)
{
    fx.reset();
    fx.render();
    setTime(1100);
    fx.render();
    EXPECT_GT(litPixels(), 0);
    savePng("fx_lines");
}

} // namespace
