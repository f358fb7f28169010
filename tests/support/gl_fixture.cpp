#include "support/gl_fixture.h"

#include "seams/clock.h"
#include "seams/random.h"
#include "support/png_writer.h"
#include "timeline/frame_composer.h"
#include "timeline/show.h"
#include "timeline/step_check.h"

#include <cstdlib>
#include <filesystem>

void expectDrawingConventions(const char* where)
{
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW) << where;
    GLint modelviewDepth = 0, projectionDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelviewDepth);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth);
    EXPECT_EQ(modelviewDepth, 1) << where;
    EXPECT_EQ(projectionDepth, 1) << where;
    GLint polygonMode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(polygonMode[0], GL_FILL) << where;
    EXPECT_EQ(polygonMode[1], GL_FILL) << where;
    GLfloat lineWidth = 0;
    glGetFloatv(GL_LINE_WIDTH, &lineWidth);
    EXPECT_EQ(lineWidth, 1.0f) << where;
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << where;
    EXPECT_TRUE(glIsEnabled(GL_BLEND)) << where;
    EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH)) << where;
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST)) << where;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << where;
}

std::array<float, 4> currentColor()
{
    std::array<float, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    return colour;
}

GLint blendSource()
{
    GLint factor = 0;
    glGetIntegerv(GL_BLEND_SRC, &factor);
    return factor;
}

GLint blendDestination()
{
    GLint factor = 0;
    glGetIntegerv(GL_BLEND_DST, &factor);
    return factor;
}

void GLTest::SetUp()
{
    std::string error;
    ASSERT_TRUE(gl.open(width, height, &error)) << error;
    showrand::clearScript();
    startShowWith(MARDUNQIST_SHOW_DATA);
    timeline::setStepCheck(expectDrawingConventions);
}

void GLTest::startShowWith(const std::string& pictureFolder)
{
    startShow({.clock = ShowClock::manual, .music = &music, .seedTicks = 12345, .pictureFolder = pictureFolder});
}

void GLTest::TearDown()
{
    timeline::setStepCheck(nullptr);
    stopShow();
    showrand::clearScript();
    resetShow();
    gl.close();
}

void GLTest::setTime(double ms)
{
    showclock::setManual(ms);
}

Rgba GLTest::pixel(int x, int y)
{
    unsigned char p[4] = {0, 0, 0, 0};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Rgba{p[0], p[1], p[2], p[3]};
}

Rgba GLTest::viewPixel(float x, float y)
{
    const int px = static_cast<int>((x + 4.0f) / 8.0f * width);
    const int py = static_cast<int>((y + 3.0f) / 6.0f * height);
    return pixel(px < width ? px : width - 1, py < height ? py : height - 1);
}

void GLTest::clearCanvas()
{
    glClear(GL_COLOR_BUFFER_BIT);
}

int GLTest::litPixels(int threshold)
{
    const std::vector<std::uint8_t> rgba = gl.canvas().readRGBA();
    int lit = 0;
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        if (rgba[i] > threshold || rgba[i + 1] > threshold || rgba[i + 2] > threshold)
            ++lit;
    return lit;
}

void GLTest::savePng(const std::string& name)
{
    const char* folder = std::getenv("MARDUNQIST_TEST_OUTPUT");
    const std::string dir = folder ? folder : "test-output";
    std::filesystem::create_directories(dir);
    writePngBottomUp(dir + "/" + name + ".png", width, height, gl.canvas().readRGBA());
}
