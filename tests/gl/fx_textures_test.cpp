#include "effects/fx_textures.h"

#include "seams/random.h"
#include "support/effect_checks.h"

#include <cstdint>
#include <set>

namespace {

class fxTexturesTest : public EffectTest<fxTextures> {
protected:
    // Stand-ins for the three pictures in their textures, two rows each: 1
    // red over blue, 2 green over white, 3 white. The first row is a
    // picture's top (t = 0).
    void SetUp() override
    {
        GLTest::SetUp();
        const std::uint8_t rows[3][6] = {
            {255, 0, 0, 0, 0, 255}, {0, 255, 0, 255, 255, 255}, {255, 255, 255, 255, 255, 255}};
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        for (GLuint n = 0; n < 3; ++n) {
            ASSERT_TRUE(glIsTexture(n + 1));
            glBindTexture(GL_TEXTURE_2D, n + 1);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, rows[n]);
        }
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    void showSquare(int i, int texture, Vector3 centre, float scale, float orbit, Vector3 tint)
    {
        fx.texture[i] = texture;
        fx.position[i] = centre;
        fx.color[i] = tint;
        fx.scale[i] = scale;
        fx.orbitSpin[i] = orbit;
        fx.selfSpin[i] = 0;
        fx.appearTime[i] = 1000;
        fx.vanishTime[i] = 2000;
    }
};

TEST_F(fxTexturesTest, FirstRenderRollsEverySlotAndLeavesTheGlowState)
{
    expectFirstRenderRollsEverySlot(4u * 11u);
    expectDrawingConventions("fxTextures");
    // Nothing shown, yet the additive blend and the plain colour stay behind.
    EXPECT_EQ(blendSource(), GL_SRC_ALPHA);
    EXPECT_EQ(blendDestination(), GL_ONE);
    const std::array<float, 4> colour = currentColor();
    EXPECT_EQ(Vector3(colour[0], colour[1], colour[2]), Vector3(1, 1, 1));
    EXPECT_FLOAT_EQ(colour[3], 0.3f);

    expectExactVanishTimeKeepsEverySlot();  // no re-roll, no shake
}

TEST_F(fxTexturesTest, RerollDrawsInWrittenOrder)
{
    // x, y, r, g, b, orbit, self, pause, life, scale, texture.
    showrand::script({24576, 8192, 16384, 16384, 16384, 24576, 8192, 250, 7, 16384, 5});
    fx.reset();
    fx.render();
    EXPECT_EQ(fx.position[0], Vector3(2.0f, -1.5f, 0.0f));
    EXPECT_FLOAT_EQ(fx.color[0].x, 0.5f);
    EXPECT_FLOAT_EQ(fx.color[0].y, 0.15f);
    EXPECT_FLOAT_EQ(fx.color[0].z, 0.2f);
    EXPECT_FLOAT_EQ(fx.orbitSpin[0], 0.5f);
    EXPECT_FLOAT_EQ(fx.selfSpin[0], -0.5f);
    EXPECT_FLOAT_EQ(fx.appearTime[0], 1050.0f);
    EXPECT_FLOAT_EQ(fx.vanishTime[0], 1157.0f);
    EXPECT_FLOAT_EQ(fx.scale[0], 4.0f);
    EXPECT_EQ(fx.texture[0], 3);
}

TEST_F(fxTexturesTest, UnturnedSquareAddsItsPictureUpsideDown)
{
    rollAndPark();
    // Both spin factors exactly 0: no turn, and no GL error either.
    showSquare(1, 1, Vector3(0, 0, 0), 2.0f, 0.0f, Vector3(1, 1, 1));
    setTime(1500);
    showrand::script({16384, 0, 32767});  // shake z, y, x: down 0.08, right 0.08
    glClearColor(0.5f, 0.5f, 0.5f, 1);    // grey shows the blend: added onto it
    clearCanvas();
    fx.render();
    expectDrawingConventions("fxTextures");

    const Rgba bottom = viewPixel(0.0f, -1.0f);  // the picture's first row
    EXPECT_NEAR(bottom.r, 128 + 77, 4);
    EXPECT_NEAR(bottom.b, 128, 2);
    const Rgba top = viewPixel(0.0f, 1.0f);
    EXPECT_NEAR(top.b, 128 + 77, 4);
    EXPECT_NEAR(top.r, 128, 2);
    // Axis-aligned, sides 2 units from the shaken centre (0.08, -0.08).
    EXPECT_GT(viewPixel(2.0f, -1.0f).r, 150);
    EXPECT_NEAR(viewPixel(-2.0f, -1.0f).r, 128, 2);
    EXPECT_NEAR(viewPixel(0.0f, 1.95f).b, 128, 2);
    EXPECT_GT(viewPixel(0.0f, -2.05f).r, 150);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 1);
}

TEST_F(fxTexturesTest, SwingTurnsTheCentreAboutTheScreenCentre)
{
    rollAndPark();
    // 150 degrees at 1500 ms: a centre at (2, 0) swings to (-1.73, 1)
    // counter-clockwise and to (-1.73, -1) clockwise.
    showSquare(0, 3, Vector3(2, 0, 0), 0.3f, 0.7f, Vector3(1, 0, 0));
    showSquare(2, 3, Vector3(2, 0, 0), 0.3f, -0.2f, Vector3(0, 1, 0));
    setTime(1500);
    fx.render();
    EXPECT_NEAR(viewPixel(-1.732f, 1.0f).r, 77, 4);
    EXPECT_NEAR(viewPixel(-1.732f, -1.0f).g, 77, 4);
    EXPECT_EQ(viewPixel(-1.732f, -1.0f).r, 0);
    EXPECT_EQ(viewPixel(2.0f, 0.0f).r + viewPixel(2.0f, 0.0f).g, 0);
}

TEST_F(fxTexturesTest, OnlyThePictureTexturesAreEverBound)
{
    fx.reset();
    std::set<int> seen;
    for (int frame = 0; frame < 300; ++frame) {
        setTime(1000 + frame * 16);
        fx.render();
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_LE(bound, 3);
        for (int name : fx.texture) {
            EXPECT_GE(name, 1);
            EXPECT_LE(name, 3);
            seen.insert(name);
        }
    }
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(fxTexturesTest, BurstPicture)
{
    fx.reset();
    fx.render();
    setTime(1150);
    fx.render();
    EXPECT_GT(litPixels(), 0);
    savePng("fx_textures");
}

} // namespace
