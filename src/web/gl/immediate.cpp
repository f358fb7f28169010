// Immediate mode: glBegin/glEnd and what goes between, assembled into the
// triangles and points WebGL draws.
//
// Lines are where WebGL falls short (its widest line is one pixel, never
// smoothed), so every line becomes a quad in window space the way a desktop
// driver draws GL_LINE_SMOOTH: half a pixel wider than the line on each side
// and half a pixel longer at each end, its alpha scaled by the coverage of
// each pixel (1 inside, 0.5 on the true edge, 0 half a pixel beyond). The
// line is clipped to the near and far planes first, as GL clips it, and to a
// band well outside the screen so that no clipped end shows.
#include "web/gl/gl_subset.h"

#include <algorithm>
#include <cmath>

namespace {

using glsubset::BatchVertex;

constexpr int maxPolygonVertices = 16;

// Line extents for what is not a smooth line: coverage 1 everywhere.
constexpr float fullCoverage = 1.0e9f;

// Where lines are cut beside the screen: at four times the distance from the
// screen's centre to its edge (x and y in clip space up to 4w).
constexpr float guardBand = 4.0f;

struct Vertex {
    float clip[4];
    float color[4];
    float texCoord[2];
};

struct ImmediateState {
    float color[4] = {1, 1, 1, 1};
    float texCoord[2] = {0, 0};
    float lineWidth = 1;
    GLenum frontMode = GL_FILL;
    GLenum backMode = GL_FILL;

    bool inside = false;  // between glBegin and glEnd
    GLenum primitive = GL_POINTS;
    Vertex pending[maxPolygonVertices];
    int pendingCount = 0;
    Vertex first;         // a line loop's first vertex
    int vertexCount = 0;  // given since glBegin
};

ImmediateState immediate;

float clamp01(float value)
{
    return std::min(1.0f, std::max(0.0f, value));
}

Vertex makeVertex(float x, float y, float z)
{
    const float* m = glsubset::modelViewProjection();
    Vertex v;
    for (int row = 0; row < 4; ++row)
        v.clip[row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
    std::copy(immediate.color, immediate.color + 4, v.color);
    std::copy(immediate.texCoord, immediate.texCoord + 2, v.texCoord);
    return v;
}

void store(BatchVertex& out, const float clip[4], const Vertex& from)
{
    std::copy(clip, clip + 4, out.position);
    std::copy(from.color, from.color + 4, out.color);
    std::copy(from.texCoord, from.texCoord + 2, out.texCoord);
    out.lineFrame[0] = 0;
    out.lineFrame[1] = 0;
    out.lineFrame[2] = 1;
    out.lineFrame[3] = 0;
    out.lineExtent[0] = fullCoverage;
    out.lineExtent[1] = fullCoverage;
}

// A point (size 1, not smoothed) lights the one pixel its window position
// falls in. It is drawn as a quad over that pixel, so that points and lines
// go into one draw. GL drops a point outside the clip volume.
void emitPoint(const Vertex& v)
{
    const float w = v.clip[3];
    if (!(w > 0) || std::fabs(v.clip[0]) > w || std::fabs(v.clip[1]) > w || std::fabs(v.clip[2]) > w)
        return;
    const float width = static_cast<float>(glsubset::viewportWidth());
    const float height = static_cast<float>(glsubset::viewportHeight());
    const float x = std::floor((v.clip[0] / w * 0.5f + 0.5f) * width);
    const float y = std::floor((v.clip[1] / w * 0.5f + 0.5f) * height);
    const float corners[4][2] = {{x, y}, {x + 1, y}, {x + 1, y + 1}, {x, y + 1}};
    BatchVertex* out = glsubset::reserve(4);
    for (int i = 0; i < 4; ++i) {
        const float clip[4] = {corners[i][0] / width * 2 - 1, corners[i][1] / height * 2 - 1, v.clip[2] / w, 1};
        store(out[i], clip, v);
    }
}

Vertex lerp(const Vertex& a, const Vertex& b, float t)
{
    Vertex v;
    for (int i = 0; i < 4; ++i) {
        v.clip[i] = a.clip[i] + (b.clip[i] - a.clip[i]) * t;
        v.color[i] = a.color[i] + (b.color[i] - a.color[i]) * t;
    }
    for (int i = 0; i < 2; ++i)
        v.texCoord[i] = a.texCoord[i] + (b.texCoord[i] - a.texCoord[i]) * t;
    return v;
}

// Cuts the segment to the near and far planes and the guard band; false
// when nothing of it is left.
bool clipLine(Vertex& a, Vertex& b)
{
    auto distances = [](const Vertex& v, float out[6]) {
        const float x = v.clip[0], y = v.clip[1], z = v.clip[2], w = v.clip[3];
        out[0] = w + z;
        out[1] = w - z;
        out[2] = guardBand * w + x;
        out[3] = guardBand * w - x;
        out[4] = guardBand * w + y;
        out[5] = guardBand * w - y;
    };
    float da[6], db[6];
    distances(a, da);
    distances(b, db);
    float enter = 0, leave = 1;
    for (int plane = 0; plane < 6; ++plane) {
        if (da[plane] < 0 && db[plane] < 0)
            return false;
        if (da[plane] < 0)
            enter = std::max(enter, da[plane] / (da[plane] - db[plane]));
        else if (db[plane] < 0)
            leave = std::min(leave, da[plane] / (da[plane] - db[plane]));
    }
    if (enter >= leave)
        return false;
    const Vertex from = a, to = b;
    if (enter > 0)
        a = lerp(from, to, enter);
    if (leave < 1)
        b = lerp(from, to, leave);
    return a.clip[3] > 0 && b.clip[3] > 0;
}

void emitLine(Vertex a, Vertex b)
{
    if (!clipLine(a, b))
        return;
    const float width = static_cast<float>(glsubset::viewportWidth());
    const float height = static_cast<float>(glsubset::viewportHeight());
    const float ax = (a.clip[0] / a.clip[3] * 0.5f + 0.5f) * width;
    const float ay = (a.clip[1] / a.clip[3] * 0.5f + 0.5f) * height;
    const float bx = (b.clip[0] / b.clip[3] * 0.5f + 0.5f) * width;
    const float by = (b.clip[1] / b.clip[3] * 0.5f + 0.5f) * height;
    const float dx = bx - ax, dy = by - ay;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0))
        return;
    const float alongX = dx / length, alongY = dy / length;

    // Smooth: widened and lengthened by half a pixel, alpha by coverage.
    // Aliased: the line's own width (whole pixels) and length, full coverage.
    const bool smooth = glsubset::lineSmoothEnabled();
    const float halfWidth =
        smooth ? 0.5f * immediate.lineWidth + 0.5f : 0.5f * std::max(1.0f, std::round(immediate.lineWidth));
    const float endExtension = smooth ? 0.5f : 0.0f;
    const float halfLength = 0.5f * length + endExtension;

    const float acrossX = -alongY * halfWidth, acrossY = alongX * halfWidth;
    const float startX = ax - alongX * endExtension, startY = ay - alongY * endExtension;
    const float endX = bx + alongX * endExtension, endY = by + alongY * endExtension;
    struct Corner {
        const Vertex* end;
        float x, y;
    };
    const Corner corners[4] = {
        {&a, startX - acrossX, startY - acrossY},
        {&a, startX + acrossX, startY + acrossY},
        {&b, endX + acrossX, endY + acrossY},
        {&b, endX - acrossX, endY - acrossY},
    };
    BatchVertex* out = glsubset::reserve(4);
    for (int i = 0; i < 4; ++i) {
        const Corner& c = corners[i];
        // Given with w = 1: drawn where the line lies on the screen, however
        // deep its ends are.
        const float clip[4] = {c.x / width * 2 - 1, c.y / height * 2 - 1, c.end->clip[2] / c.end->clip[3], 1};
        store(out[i], clip, *c.end);
        out[i].lineFrame[0] = 0.5f * (ax + bx);
        out[i].lineFrame[1] = 0.5f * (ay + by);
        out[i].lineFrame[2] = alongX;
        out[i].lineFrame[3] = alongY;
        out[i].lineExtent[0] = smooth ? halfWidth : fullCoverage;
        out[i].lineExtent[1] = smooth ? halfLength : fullCoverage;
    }
}

// Front faces wind counter-clockwise on the screen.
bool facesFront(const Vertex* v, int count)
{
    float area = 0;
    for (int i = 0; i < count; ++i) {
        const Vertex& p = v[i];
        const Vertex& q = v[(i + 1) % count];
        area += p.clip[0] / p.clip[3] * (q.clip[1] / q.clip[3]) - q.clip[0] / q.clip[3] * (p.clip[1] / p.clip[3]);
    }
    return area >= 0;
}

void emitPolygon(const Vertex* v, int count)
{
    const GLenum mode = facesFront(v, count) ? immediate.frontMode : immediate.backMode;
    if (mode == GL_LINE) {
        for (int i = 0; i < count; ++i)
            emitLine(v[i], v[(i + 1) % count]);
        return;
    }
    if (mode == GL_POINT) {
        for (int i = 0; i < count; ++i)
            emitPoint(v[i]);
        return;
    }
    BatchVertex* out = glsubset::reserve(count);
    for (int i = 0; i < count; ++i)
        store(out[i], v[i].clip, v[i]);
}

void addVertex(float x, float y, float z)
{
    if (!immediate.inside)
        return;
    const Vertex v = makeVertex(x, y, z);
    ImmediateState& s = immediate;
    ++s.vertexCount;
    switch (s.primitive) {
    case GL_POINTS:
        emitPoint(v);
        break;
    case GL_LINES:
        s.pending[s.pendingCount++] = v;
        if (s.pendingCount == 2) {
            emitLine(s.pending[0], s.pending[1]);
            s.pendingCount = 0;
        }
        break;
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
        if (s.vertexCount == 1)
            s.first = v;
        else
            emitLine(s.pending[0], v);
        s.pending[0] = v;
        s.pendingCount = 1;
        break;
    case GL_TRIANGLES:
    case GL_QUADS: {
        const int corners = s.primitive == GL_TRIANGLES ? 3 : 4;
        s.pending[s.pendingCount++] = v;
        if (s.pendingCount == corners) {
            emitPolygon(s.pending, corners);
            s.pendingCount = 0;
        }
        break;
    }
    case GL_POLYGON:
        if (s.pendingCount < maxPolygonVertices)
            s.pending[s.pendingCount++] = v;
        else
            glsubset::reportLimitOnce("a polygon of more than 16 vertices: the rest dropped");
        break;
    default:
        break;
    }
}

} // namespace

namespace glsubset {

void resetImmediate()
{
    immediate = ImmediateState{};
}

} // namespace glsubset

extern "C" {

void glBegin(GLenum mode)
{
    immediate.inside = true;
    immediate.primitive = mode;
    immediate.pendingCount = 0;
    immediate.vertexCount = 0;
}

void glEnd()
{
    ImmediateState& s = immediate;
    if (s.primitive == GL_LINE_LOOP && s.vertexCount >= 2)
        emitLine(s.pending[0], s.first);
    if (s.primitive == GL_POLYGON && s.pendingCount >= 3)
        emitPolygon(s.pending, s.pendingCount);
    s.inside = false;
    s.pendingCount = 0;
}

void glVertex2f(GLfloat x, GLfloat y)
{
    addVertex(x, y, 0);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    addVertex(x, y, z);
}

void glVertex3fv(const GLfloat* v)
{
    addVertex(v[0], v[1], v[2]);
}

// Colours are clamped as they are given, as GL clamps vertex colours.
void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    immediate.color[0] = clamp01(red);
    immediate.color[1] = clamp01(green);
    immediate.color[2] = clamp01(blue);
    immediate.color[3] = clamp01(alpha);
}

void glColor3f(GLfloat red, GLfloat green, GLfloat blue)
{
    glColor4f(red, green, blue, 1);
}

void glColor3fv(const GLfloat* v)
{
    glColor4f(v[0], v[1], v[2], 1);
}

void glTexCoord2f(GLfloat s, GLfloat t)
{
    immediate.texCoord[0] = s;
    immediate.texCoord[1] = t;
}

void glRectf(GLfloat x1, GLfloat y1, GLfloat x2, GLfloat y2)
{
    const Vertex corners[4] = {makeVertex(x1, y1, 0), makeVertex(x2, y1, 0), makeVertex(x2, y2, 0),
                               makeVertex(x1, y2, 0)};
    emitPolygon(corners, 4);
}

void glLineWidth(GLfloat width)
{
    if (width > 0)
        immediate.lineWidth = width;
}

void glPolygonMode(GLenum face, GLenum mode)
{
    if (mode != GL_POINT && mode != GL_LINE && mode != GL_FILL)
        return;
    if (face == GL_FRONT || face == GL_FRONT_AND_BACK)
        immediate.frontMode = mode;
    if (face == GL_BACK || face == GL_FRONT_AND_BACK)
        immediate.backMode = mode;
}

} // extern "C"
