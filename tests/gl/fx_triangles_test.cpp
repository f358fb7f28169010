#include "effects/fx_triangles.h"

#include "seams/random.h"
#include "support/effect_checks.h"

#include <cmath>
#include <numbers>

namespace {

class fxTrianglesTest : public EffectTest<fxTriangles> {
protected:
    // A white triangle in slot 0, centred at (1, 0.5, -6), turning about z.
    void showTriangle()
    {
        fx.position[0] = Vector3(1.0f, 0.5f, -6.0f);
        fx.spinAxis[0] = Vector3(0, 0, 1);
        fx.color[0] = Vector3(1, 1, 1);
        fx.appearTime[0] = 1000;
        fx.vanishTime[0] = 2000;
    }

    // The pixel of a point on the z = -6 plane, from the camera worked out by
    // hand: eye 8 units away, 45 degrees vertical field, aspect 4/3.
    Rgba farPixel(float x, float y)
    {
        const double halfHeight = 8.0 * std::tan(std::numbers::pi / 8.0);
        return pixel(static_cast<int>((x / (halfHeight * 4 / 3) + 1) * width / 2),
                     static_cast<int>((y / halfHeight + 1) * height / 2));
    }
};

TEST_F(fxTrianglesTest, FirstRenderRollsEverySlotAndAnExactVanishTimeKeepsOne)
{
    expectFirstRenderRollsEverySlot(16u * 11u);  // and no shake drawn
    expectExactVanishTimeKeepsEverySlot();
    expectDrawingConventions("fxTriangles");
}

TEST_F(fxTrianglesTest, RerollDrawsInWrittenOrder)
{
    // Position x, y, z; axis x, y, z; r, g, b; pause; life.
    showrand::script({0, 16384, 24576, 8192, 24576, 0, 4096, 8192, 12288, 199, 1003});
    fx.reset();
    fx.render();
    EXPECT_EQ(fx.position[0], Vector3(-1.5f, 0.0f, 0.75f));
    EXPECT_EQ(fx.spinAxis[0], Vector3(-0.5f, 0.5f, -1.0f));
    EXPECT_EQ(fx.color[0], Vector3(0.125f, 0.25f, 0.375f));
    EXPECT_FLOAT_EQ(fx.appearTime[0], 1099.0f);
    EXPECT_FLOAT_EQ(fx.vanishTime[0], 1242.0f);
}

TEST_F(fxTrianglesTest, TriangleShowsAtItsProjectedPlaceTurnedByTheClock)
{
    rollAndPark();
    showTriangle();
    // 0.6 degrees per ms: 900 degrees at 1500 ms, so it points down.
    setTime(1500);
    showrand::script({16384, 16384, 16384});  // no shake
    fx.render();
    expectDrawingConventions("fxTriangles");
    EXPECT_NEAR(farPixel(1.6f, 1.1f).r, 77, 4);  // inside the downward triangle
    EXPECT_EQ(farPixel(1.6f, -0.1f).r, 0);       // inside the upright one only
    EXPECT_EQ(farPixel(-1.0f, 0.5f).r, 0);
    EXPECT_FLOAT_EQ(currentColor()[3], 0.3f);
    EXPECT_EQ(blendDestination(), GL_ONE_MINUS_SRC_ALPHA);
}

TEST_F(fxTrianglesTest, ShakeIsDrawnDepthFirst)
{
    rollAndPark();
    showTriangle();
    // 810 degrees at 1350 ms: a quarter turn stands the base upright one unit
    // right of the centre. Shake z +0.15, y 0, x -0.15 moves it left; the
    // reverse order would move it right.
    setTime(1350);
    showrand::script({32767, 16384, 0});
    fx.render();
    EXPECT_GT(farPixel(1.75f, 1.1f).r, 60);  // near the base's top end
    EXPECT_EQ(farPixel(1.95f, 0.5f).r, 0);
}

TEST_F(fxTrianglesTest, BurstPicture)
{
    fx.reset();
    fx.render();
    setTime(1100);  // every slot is inside its window by now
    fx.render();
    EXPECT_GT(litPixels(), width * height / 4);
    savePng("fx_triangles");
}

} // namespace
