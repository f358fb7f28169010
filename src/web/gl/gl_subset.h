// The fixed-function OpenGL 1.1 subset the show draws with, over WebGL 2.
//
// Conventions (the model is raylib's rlgl):
//   - Matrices live on the CPU, column-major floats as GL stores them. Each
//     vertex is taken to clip space by projection x modelview when it is
//     given, so matrix changes never break a batch.
//   - Vertices go into one batch buffer and are drawn with one call per run
//     of the same state (blend function, texture, primitive class); a state
//     change or a read of the picture flushes the batch first.
//   - What WebGL lacks is built here: quads and rectangles become triangles,
//     lines of any width become quads with GL_LINE_SMOOTH's coverage ramp,
//     glPolygonMode(GL_LINE) draws the polygons' edges as such lines.
//   - One context, one thread (the page's).
//
// The core includes the ordinary <GL/gl.h> and <GL/glu.h>; this folder
// defines the entry points it uses. The real WebGL calls are reached through
// emscripten's emscripten_gl* names, declared in webgl_calls.h.
#ifndef MARDUNQIST_WEB_GL_GL_SUBSET_H
#define MARDUNQIST_WEB_GL_GL_SUBSET_H

#include <GL/gl.h>

#include <string>

namespace glsubset {

// One vertex as the shader takes it. A line's quad carries the line itself,
// the same at all four corners: its middle and direction in window pixels,
// and the half width and half length at which its coverage reaches zero.
// Anything else has extents so large that it covers fully.
struct BatchVertex {
    float position[4];  // clip space
    float color[4];
    float texCoord[2];
    float lineFrame[4];   // middle x, y; unit direction x, y
    float lineExtent[2];  // half width, half length
};

enum class Primitive { triangles, points };

// Room for `count` vertices of one primitive class at the end of the batch;
// a batch of the other class is drawn first. Triangles come as one convex
// polygon (a fan around its first vertex): 3 for a triangle, 4 for a quad.
BatchVertex* reserve(Primitive primitive, int count);

// Compiles the program and makes the batch buffer; needs a current WebGL 2
// context. False with a reason on failure.
bool init(std::string* error);

// Back to the state of a fresh context: identity matrices, white colour,
// line width 1, polygons filled, texturing and smoothing off.
void resetState();

// Draws whatever the batch holds.
void flush();

// The viewport the window coordinates of wide lines are computed for.
void setViewportSize(int width, int height);

void resetMatrices();
void resetImmediate();
void resetTextureNames();

// Current clip-space transform (projection x modelview), column-major.
const float* modelViewProjection();

// State the immediate-mode path reads.
bool lineSmoothEnabled();
int viewportWidth();
int viewportHeight();

} // namespace glsubset

#endif
