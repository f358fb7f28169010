// The fixed-function subset over WebGL 2, on the browser's own GL (SwiftShader
// in the tests): draw with the GL 1.1 calls the show uses, read the pixels
// back, compare with what a desktop GL draws. The expected coverages are
// those Mesa's llvmpipe gives for the same calls.
#include "seams/screen.h"
#include "web/gl/gl_subset.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <emscripten/html5.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

class GLSubsetTest : public ::testing::Test {
protected:
    static constexpr int size = 100;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
    Canvas canvas;
    std::vector<std::uint8_t> pixels;

    void SetUp() override
    {
        EmscriptenWebGLContextAttributes attributes;
        emscripten_webgl_init_context_attributes(&attributes);
        attributes.majorVersion = 2;
        attributes.alpha = false;
        attributes.depth = false;
        attributes.antialias = false;
        context = emscripten_webgl_create_context("#show", &attributes);
        ASSERT_GT(context, 0);
        emscripten_webgl_make_context_current(context);
        std::string error;
        ASSERT_TRUE(glsubset::init(&error)) << error;
        ASSERT_TRUE(canvas.create(size, size, &error)) << error;
        glEnable(GL_BLEND);
        glEnable(GL_LINE_SMOOTH);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        pixelView();
    }

    void TearDown() override
    {
        canvas.destroy();
        emscripten_webgl_destroy_context(context);
    }

    // One unit a pixel, origin at the bottom-left corner.
    static void pixelView()
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, size, 0, size, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    int red(int x, int y)
    {
        if (pixels.empty())
            pixels = canvas.readRGBA();
        return pixels[(static_cast<std::size_t>(y) * size + x) * 4];
    }

    void horizontalLine(float width, float y)
    {
        glLineWidth(width);
        glColor4f(1, 1, 1, 1);
        glBegin(GL_LINES);
        glVertex2f(20, y);
        glVertex2f(80, y);
        glEnd();
        glLineWidth(1);
    }
};

TEST_F(GLSubsetTest, SmoothLinesCoverTheirWidthWithHalfPixelEdgesAsDesktopGL)
{
    horizontalLine(10, 50.3f);
    // Rows 45 to 55 under a line 10 pixels wide from y = 45.3 to 55.3.
    const int expected[] = {179, 255, 255, 255, 255, 255, 255, 255, 255, 255, 76};
    for (int row = 45; row <= 55; ++row)
        EXPECT_NEAR(red(50, row), expected[row - 45], 2) << "row " << row;
    EXPECT_EQ(red(50, 44), 0);
    EXPECT_EQ(red(50, 56), 0);
    // The ends: half a pixel past each end point, no more.
    EXPECT_EQ(red(19, 50), 0);
    EXPECT_EQ(red(20, 50), 255);
    EXPECT_EQ(red(79, 50), 255);
    EXPECT_EQ(red(80, 50), 0);

    pixels.clear();
    horizontalLine(1, 20.3f);
    EXPECT_NEAR(red(50, 19), 51, 2);
    EXPECT_NEAR(red(50, 20), 204, 2);
}

TEST_F(GLSubsetTest, PolygonModeLineDrawsOnlyTheEdgesThenFillFillsAgain)
{
    glColor4f(1, 1, 1, 1);
    glLineWidth(2);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glRectf(20, 20, 60, 60);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glLineWidth(1);
    EXPECT_EQ(red(40, 40), 0) << "inside the outline";
    EXPECT_EQ(red(40, 59), 255) << "top edge";
    EXPECT_EQ(red(20, 40), 255) << "left edge";
    EXPECT_EQ(red(40, 30), 0) << "no diagonal";

    pixels.clear();
    glRectf(70, 70, 90, 90);
    EXPECT_EQ(red(80, 80), 255);
}

TEST_F(GLSubsetTest, TextureNamesStartAtOneInAFreshContextAndModulateTheColour)
{
    // The subset's own program and buffers and the canvas exist already.
    GLuint names[3] = {};
    glGenTextures(3, names);
    EXPECT_EQ(names[0], 1u);
    EXPECT_EQ(names[1], 2u);
    EXPECT_EQ(names[2], 3u);

    const unsigned char levels[3] = {60, 120, 240};
    for (int i = 0; i < 3; ++i) {
        const unsigned char texel[3] = {levels[i], levels[i], levels[i]};
        glBindTexture(GL_TEXTURE_2D, names[i]);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, texel);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    }
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, 2);
    glColor4f(1, 1, 1, 0.5f);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(10, 10);
    glTexCoord2f(1, 0);
    glVertex2f(90, 10);
    glTexCoord2f(1, 1);
    glVertex2f(90, 90);
    glTexCoord2f(0, 1);
    glVertex2f(10, 90);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    EXPECT_NEAR(red(50, 50), 60, 1) << "texture 2 (120) at alpha 0.5";
    EXPECT_EQ(red(5, 5), 0);
}

TEST_F(GLSubsetTest, ColoursAreClampedSoNegativeAlphaDrawsNothing)
{
    glColor4f(1, 1, 1, -0.5f);
    glRectf(10, 10, 40, 40);
    glColor4f(2, 2, 2, 2);
    glRectf(60, 60, 90, 90);
    EXPECT_EQ(red(25, 25), 0);
    EXPECT_EQ(red(75, 75), 255);
}

TEST_F(GLSubsetTest, StateChangesKeepTheOrderOfDrawing)
{
    // Half grey, then added twice over: 128 -> 255 only if each draw sees
    // the blend function that was set before it.
    glColor4f(1, 1, 1, 0.5f);
    glRectf(10, 10, 90, 90);
    glBlendFunc(GL_ZERO, GL_ZERO);
    glRectf(10, 10, 50, 90);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glRectf(10, 10, 90, 50);
    EXPECT_EQ(red(30, 70), 0);
    EXPECT_NEAR(red(70, 70), 128, 1);
    EXPECT_NEAR(red(70, 30), 255, 1);
    EXPECT_NEAR(red(30, 30), 128, 1);
}

TEST_F(GLSubsetTest, CallsThatChangeNoStateKeepPointsLinesAndPolygonsInOneDraw)
{
    glsubset::flush();
    const long before = glsubset::drawCount();
    glBegin(GL_POINTS);
    glVertex2f(5.5f, 5.5f);
    glEnd();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);  // as it is already
    glEnable(GL_BLEND);
    glEnable(GL_LINE_SMOOTH);
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    horizontalLine(3, 50);
    glRectf(10, 10, 20, 20);
    glsubset::flush();
    EXPECT_EQ(glsubset::drawCount() - before, 1);
    EXPECT_EQ(red(5, 5), 255);
    EXPECT_EQ(red(50, 50), 255);
    EXPECT_EQ(red(15, 15), 255);
}

TEST_F(GLSubsetTest, PerspectiveLinesAreCutAtTheNearPlaneAndPointsLightOnePixel)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, 1, 0.1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 5, 0, 0, 0, 0, 1, 0);
    // From far in front to behind the eye: only the part before the eye
    // shows, running from the centre of the view down and off its bottom.
    glColor4f(1, 1, 1, 1);
    glLineWidth(3);
    glBegin(GL_LINES);
    glVertex3f(0, -1, -50);
    glVertex3f(0, -1, 50);
    glEnd();
    glLineWidth(1);
    EXPECT_EQ(red(50, 55), 0) << "above the vanishing point";
    EXPECT_GT(red(50, 45), 200);
    EXPECT_GT(red(50, 5), 200);

    pixelView();
    pixels.clear();
    glBegin(GL_POINTS);
    glVertex2f(70.5f, 80.5f);
    glEnd();
    EXPECT_EQ(red(70, 80), 255);
    EXPECT_EQ(red(71, 80) + red(69, 80) + red(70, 81) + red(70, 79), 0);
}

TEST_F(GLSubsetTest, MatrixStackRestoresAndAZeroAxisTurnsNothing)
{
    glPushMatrix();
    glTranslatef(30, 0, 0);
    glRotatef(90, 0, 0, 0);
    glRectf(10, 10, 20, 20);
    glPopMatrix();
    glRectf(10, 60, 20, 70);
    EXPECT_EQ(red(45, 15), 255) << "translated, not turned";
    EXPECT_EQ(red(15, 65), 255) << "back at the identity";
    EXPECT_EQ(red(15, 15), 0);
}

TEST_F(GLSubsetTest, PastItsDepthAMatrixStackDropsTheCallAndSaysSoOnce)
{
    testing::internal::CaptureStderr();
    for (int i = 0; i < 40; ++i)
        glPushMatrix();
    glTranslatef(30, 0, 0);
    for (int i = 0; i < 40; ++i)
        glPopMatrix();
    const std::string said = testing::internal::GetCapturedStderr();
    glRectf(10, 10, 20, 20);
    EXPECT_EQ(red(15, 15), 255) << "the pops past the bottom left the identity in place";
    EXPECT_EQ(said, "mardunqist: glPushMatrix past the matrix stack's 32 levels: dropped\n"
                    "mardunqist: glPopMatrix of an empty matrix stack: dropped\n");
}

} // namespace
