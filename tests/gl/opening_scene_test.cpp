#include "seams/random.h"
#include "support/gl_fixture.h"
#include "timeline/opening_scene.h"

#include <GL/gl.h>
#include <cmath>

namespace {

class OpeningSceneTest : public GLTest {
protected:
    OpeningScene scene;

    void renderAt(double ms)
    {
        setTime(ms);
        glLoadIdentity();  // as the frame composer does before the scene
        scene.render();
        expectDrawingConventions("opening scene");
    }
};

} // namespace

TEST(CoilModel, StoredValuesAndResidues)
{
    const OpeningScene scene;
    EXPECT_EQ(scene.points[0], Vector3(1, -0.756f, 0));
    EXPECT_EQ(scene.points[1], Vector3(0.92388f, -0.706f, 0.382683f));
    EXPECT_EQ(scene.points[32], Vector3(0.98097f, -0.660329f, 0));
    EXPECT_EQ(scene.points[128], Vector3(0.75f, -0.506f, 0));
    EXPECT_EQ(scene.points[256], Vector3(0.5f, -0.756f, 0));
    EXPECT_EQ(scene.points[384], Vector3(0.75f, -1.006f, 0));
    EXPECT_EQ(scene.points[511], Vector3(0.906298f, 0.698329f, -0.375401f));
    EXPECT_EQ(scene.points[4].x, 6.12303e-17f);
    EXPECT_EQ(scene.points[16].z, -2.44921e-16f);

    for (int k = 0; k < coilPointCount; ++k) {
        const int r = k / 32, j = k % 32;
        const double theta = 2 * M_PI * r / 16, phi = 2 * M_PI * j / 16;
        const double radius = 0.75 + 0.25 * std::cos(theta);
        const Vector3& p = scene.points[k];
        EXPECT_NEAR(p.x, radius * std::cos(phi), 5e-6) << k;
        EXPECT_NEAR(p.y, -0.756 + 0.25 * std::sin(theta) + 0.05 * j, 5e-6) << k;
        EXPECT_NEAR(p.z, radius * std::sin(phi), 5e-6) << k;
        // Where the exact value is 0 at a non-zero angle, a tiny residue stands.
        if (j % 8 == 4) {
            EXPECT_NE(p.x, 0.0f) << k;
            EXPECT_LT(std::fabs(p.x), 1e-15f) << k;
        }
        if (j % 8 == 0) {
            if (j == 0)
                EXPECT_EQ(p.z, 0.0f) << k;
            else
                EXPECT_TRUE(p.z != 0.0f && std::fabs(p.z) < 1e-15f) << k;
        }
    }
    // Strip r and loop j share the vertex points[32 r + j]: the same table.
    EXPECT_EQ(scene.points[32 * 3 + 7], scene.points[7 + 32 * 3]);
}

TEST_F(OpeningSceneTest, FirstRenderPlacesEveryCopyAndDrawsNothing)
{
    clearCanvas();
    const std::uint64_t before = showrand::drawCount();
    renderAt(1000);
    EXPECT_EQ(showrand::drawCount() - before, 14u * 10u) << "nine unit draws and a lifetime per copy";
    for (int i = 0; i < OpeningScene::copyCount; ++i) {
        EXPECT_EQ(scene.appearTime[i], 1000.0f);
        EXPECT_GE(scene.vanishTime[i], 1600.0f);
        EXPECT_LE(scene.vanishTime[i], 2099.0f);
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_GE(scene.position[i][axis], -3.0f);
            EXPECT_LT(scene.position[i][axis], 3.0f);
            EXPECT_GE(scene.spinAxis[i][axis], -1.0f);
            EXPECT_LT(scene.orbitAxis[i][axis], 1.0f);
        }
    }
    EXPECT_EQ(litPixels(), 0);

    renderAt(1400);
    EXPECT_GT(litPixels(20), 1000);
    renderAt(1700);
    savePng("opening_scene");
}

TEST_F(OpeningSceneTest, CopyOpacityFadesInPlateausAndFadesOut)
{
    scene.appearTime[0] = 1000;
    scene.vanishTime[0] = 2000;
    EXPECT_FLOAT_EQ(scene.copyAlpha(0, 1150), 0.15f);
    EXPECT_FLOAT_EQ(scene.copyAlpha(0, 1400), 0.4f);
    EXPECT_FLOAT_EQ(scene.copyAlpha(0, 1900), 0.1f);
    // A 600 ms life: at its midpoint neither fade applies.
    scene.vanishTime[0] = 1600;
    EXPECT_FLOAT_EQ(scene.copyAlpha(0, 1300), 0.4f);
}

TEST_F(OpeningSceneTest, CopyAtExactlyItsVanishTimeIsNeitherPlacedNorDrawn)
{
    renderAt(1000);
    for (int i = 0; i < OpeningScene::copyCount; ++i) {
        scene.appearTime[i] = 500;
        scene.vanishTime[i] = 3000;
    }
    clearCanvas();
    const std::uint64_t before = showrand::drawCount();
    renderAt(3000);
    EXPECT_EQ(showrand::drawCount(), before);
    EXPECT_EQ(litPixels(), 0);
    renderAt(3000.5);
    EXPECT_EQ(showrand::drawCount() - before, 14u * 10u);
}
