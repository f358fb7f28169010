#include "effects/fx_half_circles.h"

#include "effects/flat_view.h"
#include "seams/random.h"
#include "support/effect_checks.h"

#include <numbers>

namespace {

constexpr float pi = std::numbers::pi_v<float>;

class fxHalfCirclesTest : public EffectTest<fxHalfCircles> {
protected:
    // Arc i: white, at the origin, radii 2 and 1, half a turn from +x, living
    // from 1000 to 2000 ms.
    void showHalfRing(int i, float spin)
    {
        fx.position[i] = Vector3(0, 0, 0);
        fx.color[i] = Vector3(1, 1, 1);
        fx.radiusA[i] = 2.0f;
        fx.radiusB[i] = 1.0f;
        fx.sweep[i] = pi;
        fx.spin[i] = spin;
        fx.appearTime[i] = 1000;
        fx.vanishTime[i] = 2000;
    }
};

TEST_F(fxHalfCirclesTest, FirstRenderRollsFourConcentricGroupsAndAnExactVanishTimeKeepsOne)
{
    expectFirstRenderRollsEverySlot(14u * 10u);
    for (float t : fx.appearTime)
        EXPECT_EQ(t, 1000.0f);  // no pause, but not drawn in the frame that rolled it
    const int leaderOf[fxHalfCircles::slots] = {0, 0, 2, 2, 2, 2, 2, 2, 8, 8, 10, 10, 10, 10};
    for (int i = 0; i < fxHalfCircles::slots; ++i)
        EXPECT_EQ(fx.position[i], fx.position[leaderOf[i]]) << i;
    EXPECT_NE(fx.position[0], fx.position[2]);
    EXPECT_NE(fx.position[8], fx.position[10]);

    expectExactVanishTimeKeepsEverySlot();  // no re-roll, no tremble
    expectDrawingConventions("fxHalfCircles");
}

TEST_F(fxHalfCirclesTest, RerollDrawsInWrittenOrder)
{
    // x, y, radius A, radius B, life, r, g, b, spin, sweep.
    showrand::script({24576, 8192, 16384, 8192, 80, 8192, 16384, 24576, 24576, 16384});
    fx.reset();
    fx.render();
    EXPECT_EQ(fx.position[0], Vector3(2.0f, -1.5f, 0.0f));
    EXPECT_FLOAT_EQ(fx.radiusA[0], 1.98f);
    EXPECT_FLOAT_EQ(fx.radiusB[0], 1.06f);
    EXPECT_FLOAT_EQ(fx.vanishTime[0], 1300.0f);
    EXPECT_EQ(fx.color[0], Vector3(0.25f, 0.5f, 0.75f));
    EXPECT_FLOAT_EQ(fx.spin[0], 0.25f);
    EXPECT_FLOAT_EQ(fx.sweep[0], pi / 2 + 0.7f);
}

TEST_F(fxHalfCirclesTest, DrawArcCoversTheUpperHalfRing)
{
    setFlatView();
    glColor4f(1, 1, 1, 1);
    fxHalfCircles::drawArc(-2.0f, 1.0f, pi);  // a negative radius counts by size
    for (Vector3 lit : {Vector3(0, 1.5f, 0), Vector3(1.5f, 0.05f, 0), Vector3(-1.5f, 0.05f, 0)})
        EXPECT_EQ(viewPixel(lit.x, lit.y).r, 255) << lit.x << "," << lit.y;
    for (Vector3 dark : {Vector3(0, -1.5f, 0), Vector3(1.5f, -0.1f, 0), Vector3(-1.5f, -0.1f, 0),
                         Vector3(0, 0.5f, 0), Vector3(0, 2.5f, 0)})
        EXPECT_EQ(viewPixel(dark.x, dark.y).r, 0) << dark.x << "," << dark.y;
}

TEST_F(fxHalfCirclesTest, ArcTurnsWithTheClockAndFadesWithAge)
{
    rollAndPark();
    showHalfRing(5, 0.0f);
    setTime(1500);  // halfway through its life: alpha 0.2
    fx.render();
    expectDrawingConventions("fxHalfCircles");
    EXPECT_NEAR(viewPixel(0.0f, 1.5f).g, 51, 3);
    EXPECT_EQ(viewPixel(0.0f, -1.5f).g, 0);
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(modelview[k], k % 5 == 0 ? 1.0f : 0.0f) << k;

    // 0.12 degrees per ms at 1500 ms is a half turn: now the lower half.
    showHalfRing(5, 0.12f);
    clearCanvas();
    fx.render();
    EXPECT_EQ(viewPixel(0.0f, 1.5f).g, 0);
    EXPECT_NEAR(viewPixel(0.0f, -1.5f).g, 51, 3);
}

TEST_F(fxHalfCirclesTest, TrembleIsDrawnYFirst)
{
    rollAndPark();
    showHalfRing(0, 0.0f);
    setTime(1500);
    showrand::script({32767, 0});  // up almost 0.1, then left 0.1
    fx.render();
    EXPECT_EQ(viewPixel(0.0f, 1.05f).g, 0);  // the hole now reaches up to 1.1
    EXPECT_GT(viewPixel(0.0f, 2.05f).g, 40);
    EXPECT_GT(viewPixel(-2.05f, 0.15f).g, 40);
    EXPECT_EQ(viewPixel(1.95f, 0.15f).g, 0);
}

TEST_F(fxHalfCirclesTest, BurstPicture)
{
    fx.reset();
    fx.render();
    setTime(1100);
    fx.render();
    EXPECT_GT(litPixels(), 0);
    savePng("fx_half_circles");
}

} // namespace
