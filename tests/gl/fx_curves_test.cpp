#include "effects/fx_curves.h"

#include "seams/random.h"
#include "support/effect_checks.h"

namespace {

class fxCurvesTest : public EffectTest<fxCurves> {
protected:
    // Chain i in blue, shown from 1000 to 2000 ms, with still control points.
    void showChain(int i, Vector3 p0, Vector3 p1, Vector3 p2, Vector3 p3)
    {
        const Vector3 points[4] = {p0, p1, p2, p3};
        for (int k = 0; k < 4; ++k) {
            fx.controlPoint[i][k] = points[k];
            fx.drift[i][k] = Vector3();
        }
        fx.color[i] = Vector3(0, 0, 1);
        fx.appearTime[i] = 1000;
        fx.vanishTime[i] = 2000;
    }
};

TEST(fxCurvesBezier, BernsteinSumOfFourControls)
{
    const Vector3 line[4] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    EXPECT_EQ(fxCurves::bezierPoint(line, 0.5f), Vector3(1.5f, 0, 0));
    const Vector3 arch[4] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    EXPECT_EQ(fxCurves::bezierPoint(arch, 0.0f), arch[0]);
    EXPECT_EQ(fxCurves::bezierPoint(arch, 1.0f), arch[3]);
    EXPECT_EQ(fxCurves::bezierPoint(arch, 0.5f), Vector3(0.5f, 0.75f, 0));
    EXPECT_EQ(fxCurves::bezierPoint(arch, 0.25f), Vector3(10.0f / 64, 36.0f / 64, 0));
}

TEST_F(fxCurvesTest, FirstRenderRollsEveryChainAndAnExactVanishTimeKeepsOne)
{
    expectFirstRenderRollsEverySlot(10u * 21u);
    EXPECT_FLOAT_EQ(currentColor()[3], 0.3f);  // nothing drawn: the colour set on entry

    expectExactVanishTimeKeepsEverySlot();  // no re-roll, no square opacity
    expectDrawingConventions("fxCurves");
}

TEST_F(fxCurvesTest, RerollDrawsInWrittenOrder)
{
    // Per control point: point x, point y, drift x, drift y (draw n is n/32);
    // then pause, life, red, green, blue.
    showrand::script({1024, 2048, 3072, 4096, 5120, 6144, 7168, 8192, 9216, 10240, 11264,
                      12288, 13312, 14336, 15360, 16384, 123, 350, 16384, 16384, 16384});
    fx.reset();
    fx.render();
    for (int k = 0; k < 4; ++k) {
        const float n = 4.0f * k + 1;
        EXPECT_EQ(fx.controlPoint[0][k], Vector3(n / 4 - 4, (n + 1) / 4 - 4, 0)) << k;
        EXPECT_FLOAT_EQ(fx.drift[0][k].x, ((n + 2) / 16 - 1) * 0.017f) << k;
        EXPECT_FLOAT_EQ(fx.drift[0][k].y, ((n + 3) / 16 - 1) * 0.017f) << k;
    }
    EXPECT_FLOAT_EQ(fx.appearTime[0], 1023.0f);
    EXPECT_FLOAT_EQ(fx.vanishTime[0], 1173.0f);
    EXPECT_EQ(fx.color[0], Vector3(0.45f, 0.2f, 0.5f));
}

TEST_F(fxCurvesTest, NineSquaresFromTheDriftedFirstToTheDriftedLastPoint)
{
    rollAndPark();
    showChain(4, {-2, -1, 0}, {-1, 2, 0}, {1, 2, 0}, {2, -1, 0});
    fx.drift[4][0] = Vector3(0.002f, 0, 0);  // after 500 ms: (-1, -1)
    fx.drift[4][3] = Vector3(0, 0.002f, 0);  // after 500 ms: (2, 0)
    setTime(1500);
    showrand::script({32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767});
    auto before = showrand::drawCount();
    fx.render();
    expectDrawingConventions("fxCurves");
    EXPECT_EQ(showrand::drawCount() - before, 9u);  // one opacity per square

    const Vector3 moved[4] = {{-1, -1, 0}, {-1, 2, 0}, {1, 2, 0}, {2, 0, 0}};
    const Vector3 middle = fxCurves::bezierPoint(moved, 0.5f);
    EXPECT_NEAR(viewPixel(-1.0f, -1.0f).b, 89, 4);  // blue at opacity just below 0.35
    EXPECT_NEAR(viewPixel(middle.x, middle.y).b, 89, 4);
    EXPECT_NEAR(viewPixel(2.0f, 0.0f).b, 89, 4);
    EXPECT_EQ(viewPixel(-1.0f, -1.0f).r, 0);
    EXPECT_EQ(viewPixel(-2.0f, -1.0f).b, 0);  // the undrifted ends
    EXPECT_EQ(viewPixel(2.0f, -1.0f).b, 0);
    EXPECT_FLOAT_EQ(currentColor()[3], 0.2f);  // the last outline

    showChain(7, {-3, 2, 0}, {-2, 2, 0}, {2, 2, 0}, {3, 2, 0});
    before = showrand::drawCount();
    fx.render();
    EXPECT_EQ(showrand::drawCount() - before, 18u);
}

TEST_F(fxCurvesTest, BurstPicture)
{
    fx.reset();
    fx.render();
    setTime(1100);
    fx.render();
    EXPECT_GT(litPixels(), 0);
    savePng("fx_curves");
}

} // namespace
