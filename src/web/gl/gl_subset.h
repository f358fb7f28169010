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
//     glPolygonMode(GL_LINE) draws the polygons' edges as such lines, and a
//     point is a quad over its pixel. So everything is triangles, and only a
//     change of state (one that changes something) cuts the batch.
//   - One context, one thread (the page's).
//
// The core includes the ordinary <GL/gl.h> and <GL/glu.h> and calls GL by
// its usual names. Each name it uses is one of three kinds:
//
// Implemented here (what WebGL lacks):
//   immediate.cpp  glBegin, glEnd with GL_POINTS, GL_LINES, GL_LINE_STRIP,
//                  GL_LINE_LOOP, GL_TRIANGLES, GL_QUADS, GL_POLYGON;
//                  glVertex2f, glVertex3f, glVertex3fv, glColor3f, glColor3fv,
//                  glColor4f, glTexCoord2f, glRectf, glLineWidth,
//                  glPolygonMode (GL_FILL, GL_LINE, GL_POINT)
//   matrices.cpp   glMatrixMode (modelview, projection), glLoadIdentity,
//                  glPushMatrix, glPopMatrix, glMultMatrixf, glMultMatrixd,
//                  glOrtho, glTranslatef, glTranslated, glScalef, glRotatef,
//                  gluPerspective, gluLookAt
//   textures.cpp   glGenTextures, glDeleteTextures, glBindTexture,
//                  glFramebufferTexture2D, with a desktop GL's numbering
//                  (1, 2, 3 ... in a fresh context)
//   batch.cpp      glEnable/glDisable of GL_TEXTURE_2D and GL_LINE_SMOOTH
//                  (this subset's own state); glHint (ignored); and, each
//                  after flushing the batch, WebGL's own glEnable/glDisable
//                  of anything else, glBlendFunc, glClear, glFlush, glFinish,
//                  glViewport, glReadPixels, glBlitFramebuffer,
//                  glBindFramebuffer, glDrawBuffer (as glDrawBuffers)
// Passed straight through to WebGL (emscripten's library, not defined
// here): glClearColor, glGetIntegerv, glGetFloatv, glPixelStorei,
//   glReadBuffer, glTexImage2D, glTexSubImage2D, glTexParameterf,
//   glGenFramebuffers, glDeleteFramebuffers, glGenRenderbuffers,
//   glDeleteRenderbuffers, glBindRenderbuffer, glRenderbufferStorage,
//   glFramebufferRenderbuffer, glCheckFramebufferStatus. They do not flush the batch, so they must not
//   change what a batched draw means; the show makes its canvas and uploads
//   its pictures before it draws anything.
// Missing: the rest of GL 1.1 (other glVertex/glColor forms, strips and
//   fans, quad strips, glPointSize, glShadeModel, glTexEnv, lighting, fog,
//   display lists, the depth test, ...). Most of it does not link, so the
//   web build fails rather than draws wrongly; emscripten answers a few
//   (glShadeModel among them) by doing nothing, so check a new call here.
//
// Limits: each matrix stack is 32 deep (as Mesa's); a push past the top or
// a pop past the bottom is dropped and said once on the console. A polygon
// takes its first 16 vertices; more are dropped and said once. Points are
// one pixel. Colours are clamped to 0..1 as they are given. Lines are cut at
// four times the screen's half-size beside it. The texture environment is
// always "modulate".
//
// The real WebGL calls behind the implemented ones are reached through
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

// Room for one convex polygon of `count` vertices (a fan around its first
// vertex: 3 for a triangle, 4 for a quad) at the end of the batch.
BatchVertex* reserve(int count);

// Compiles the program and makes the batch buffer; needs a current WebGL 2
// context. False with a reason on failure.
bool init(std::string* error);

// Back to the state of a fresh context: identity matrices, white colour,
// line width 1, polygons filled, texturing and smoothing off.
void resetState();

// Draws whatever the batch holds.
void flush();

// The WebGL draws made since init: what the batching saves shows here.
long drawCount();

// The viewport the window coordinates of wide lines are computed for.
void setViewportSize(int width, int height);

void resetMatrices();
void resetImmediate();
void resetTextureNames();

// Current clip-space transform (projection x modelview), column-major.
const float* modelViewProjection();

// Says `what` on the console once per show start: for what this subset
// drops at its limits.
void reportLimitOnce(const char* what);

// State the immediate-mode path reads.
bool lineSmoothEnabled();
int viewportWidth();
int viewportHeight();

} // namespace glsubset

#endif
