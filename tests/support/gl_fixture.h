// Tests that draw: a fresh headless GL context per test, the show started on
// it as every host starts it (startShow: the global GL state, the show's own
// pictures as textures 1 to 5, a manual clock at 1000 ms), scripted music,
// and a check after every drawing step that the step left the GL state as
// all drawers must.
#ifndef MARDUNQIST_TESTS_GL_FIXTURE_H
#define MARDUNQIST_TESTS_GL_FIXTURE_H

#include "platform/headless_gl.h"
#include "seams/music.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct Rgba {
    int r, g, b, a;
};

// Checks the drawing conventions now: GL_MODELVIEW current, both matrix stacks
// at depth 1, polygon mode GL_FILL, line width 1, GL_TEXTURE_2D disabled,
// blending and line smoothing on, depth test off, and no GL error pending.
void expectDrawingConventions(const char* where);

// The GL's current colour (r, g, b, a) and blend factors, as drawers leave them.
std::array<float, 4> currentColor();
GLint blendSource();
GLint blendDestination();

class GLTest : public ::testing::Test {
protected:
    static constexpr int width = 320;
    static constexpr int height = 240;

    HeadlessGL gl;
    ScriptedMusic music;

    void SetUp() override;
    void TearDown() override;

    // A fresh show as every host starts it, on the current context: the
    // pictures of the folder as textures, the clock held at 1000 ms, the
    // scripted music, seed ticks 12345.
    void startShowWith(const std::string& pictureFolder);

    // The manual clock, in ms.
    void setTime(double ms);

    // Canvas pixel, (0, 0) at the bottom-left.
    Rgba pixel(int x, int y);

    // The canvas pixel under a point of the flat 8 x 6 view (origin at the
    // centre, y up).
    Rgba viewPixel(float x, float y);

    // Clears the canvas to black (tests only; the show never clears colour).
    void clearCanvas();

    // How many canvas pixels have any colour above the threshold.
    int litPixels(int threshold = 0);

    // Writes the canvas as a PNG into the test-output folder, for looking at.
    void savePng(const std::string& name);
};

#endif
