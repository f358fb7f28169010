// The modelview and projection stacks, and GLU's camera, on the CPU.
//
// The arithmetic follows what a desktop GL does in single precision (angles
// through double, as Mesa does), so the same calls put vertices where the
// native show puts them.
#include "web/gl/gl_subset.h"

#include <GL/glu.h>

#include <cmath>
#include <cstring>

namespace {

// As deep as Mesa's stacks (gl_subset.h says what happens past it).
constexpr int stackDepth = 32;

struct Matrix {
    float m[16];
};

constexpr Matrix identity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

struct MatrixStack {
    Matrix levels[stackDepth];
    int top = 0;

    Matrix& current() { return levels[top]; }
};

struct MatrixState {
    MatrixStack modelView;
    MatrixStack projection;
    GLenum mode = GL_MODELVIEW;
    Matrix combined = identity;
    bool combinedStale = true;
};

MatrixState matrices;

MatrixStack& currentStack()
{
    return matrices.mode == GL_PROJECTION ? matrices.projection : matrices.modelView;
}

// product = a x b, column-major.
Matrix multiply(const Matrix& a, const Matrix& b)
{
    Matrix product;
    for (int row = 0; row < 4; ++row) {
        const float a0 = a.m[row], a1 = a.m[4 + row], a2 = a.m[8 + row], a3 = a.m[12 + row];
        for (int col = 0; col < 4; ++col) {
            const float* column = &b.m[col * 4];
            product.m[col * 4 + row] = a0 * column[0] + a1 * column[1] + a2 * column[2] + a3 * column[3];
        }
    }
    return product;
}

void multiplyCurrent(const Matrix& by)
{
    Matrix& target = currentStack().current();
    target = multiply(target, by);
    matrices.combinedStale = true;
}

void normalize3(float v[3])
{
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0.0f)
        return;
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
}

void cross3(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

} // namespace

namespace glsubset {

const float* modelViewProjection()
{
    if (matrices.combinedStale) {
        matrices.combined = multiply(matrices.projection.current(), matrices.modelView.current());
        matrices.combinedStale = false;
    }
    return matrices.combined.m;
}

void resetMatrices()
{
    matrices = MatrixState{};
    matrices.modelView.levels[0] = identity;
    matrices.projection.levels[0] = identity;
}

} // namespace glsubset

extern "C" {

void glMatrixMode(GLenum mode)
{
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION)
        matrices.mode = mode;
}

void glLoadIdentity()
{
    currentStack().current() = identity;
    matrices.combinedStale = true;
}

void glPushMatrix()
{
    MatrixStack& stack = currentStack();
    if (stack.top + 1 == stackDepth) {
        glsubset::reportLimitOnce("glPushMatrix past the matrix stack's 32 levels: dropped");
        return;
    }
    stack.levels[stack.top + 1] = stack.levels[stack.top];
    ++stack.top;
}

void glPopMatrix()
{
    MatrixStack& stack = currentStack();
    if (stack.top == 0) {
        glsubset::reportLimitOnce("glPopMatrix of an empty matrix stack: dropped");
        return;
    }
    --stack.top;
    matrices.combinedStale = true;
}

void glMultMatrixf(const GLfloat* m)
{
    Matrix by;
    std::memcpy(by.m, m, sizeof by.m);
    multiplyCurrent(by);
}

void glMultMatrixd(const GLdouble* m)
{
    Matrix by;
    for (int i = 0; i < 16; ++i)
        by.m[i] = static_cast<float>(m[i]);
    multiplyCurrent(by);
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble nearZ, GLdouble farZ)
{
    const float l = static_cast<float>(left), r = static_cast<float>(right);
    const float b = static_cast<float>(bottom), t = static_cast<float>(top);
    const float n = static_cast<float>(nearZ), f = static_cast<float>(farZ);
    if (l == r || b == t || n == f)
        return;
    Matrix ortho = identity;
    ortho.m[0] = 2.0f / (r - l);
    ortho.m[5] = 2.0f / (t - b);
    ortho.m[10] = -2.0f / (f - n);
    ortho.m[12] = -(r + l) / (r - l);
    ortho.m[13] = -(t + b) / (t - b);
    ortho.m[14] = -(f + n) / (f - n);
    multiplyCurrent(ortho);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    Matrix& m = currentStack().current();
    for (int row = 0; row < 4; ++row)
        m.m[12 + row] = m.m[row] * x + m.m[4 + row] * y + m.m[8 + row] * z + m.m[12 + row];
    matrices.combinedStale = true;
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z)
{
    glTranslatef(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    Matrix& m = currentStack().current();
    for (int row = 0; row < 4; ++row) {
        m.m[row] *= x;
        m.m[4 + row] *= y;
        m.m[8 + row] *= z;
    }
    matrices.combinedStale = true;
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    const double radians = angle * M_PI / 180.0;
    const float s = static_cast<float>(std::sin(radians));
    const float c = static_cast<float>(std::cos(radians));
    // An axis along x, y or z counts by its sign alone, however short. Any
    // other axis is normalised, and one too short for that defines no turn:
    // desktop GL then leaves the matrix as it is.
    const int zeroComponents = (x == 0.0f) + (y == 0.0f) + (z == 0.0f);
    if (zeroComponents == 3)
        return;
    if (zeroComponents == 2) {
        x = x == 0.0f ? 0.0f : (x < 0.0f ? -1.0f : 1.0f);
        y = y == 0.0f ? 0.0f : (y < 0.0f ? -1.0f : 1.0f);
        z = z == 0.0f ? 0.0f : (z < 0.0f ? -1.0f : 1.0f);
    } else {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length <= 1.0e-4f)
            return;
        x /= length;
        y /= length;
        z /= length;
    }
    const float oneMinusC = 1.0f - c;
    Matrix turn = identity;
    turn.m[0] = oneMinusC * x * x + c;
    turn.m[1] = oneMinusC * x * y + z * s;
    turn.m[2] = oneMinusC * z * x - y * s;
    turn.m[4] = oneMinusC * x * y - z * s;
    turn.m[5] = oneMinusC * y * y + c;
    turn.m[6] = oneMinusC * y * z + x * s;
    turn.m[8] = oneMinusC * z * x + y * s;
    turn.m[9] = oneMinusC * y * z - x * s;
    turn.m[10] = oneMinusC * z * z + c;
    multiplyCurrent(turn);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    const double radians = fovy / 2 * M_PI / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0)
        return;
    const double cotangent = std::cos(radians) / sine;
    GLdouble m[16] = {};
    m[0] = cotangent / aspect;
    m[5] = cotangent;
    m[10] = -(zFar + zNear) / deltaZ;
    m[11] = -1;
    m[14] = -2 * zNear * zFar / deltaZ;
    glMultMatrixd(m);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ)
{
    float forward[3] = {static_cast<float>(centerX - eyeX), static_cast<float>(centerY - eyeY),
                        static_cast<float>(centerZ - eyeZ)};
    float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    float side[3];
    normalize3(forward);
    cross3(forward, up, side);
    normalize3(side);
    cross3(side, forward, up);

    Matrix view = identity;
    view.m[0] = side[0];
    view.m[4] = side[1];
    view.m[8] = side[2];
    view.m[1] = up[0];
    view.m[5] = up[1];
    view.m[9] = up[2];
    view.m[2] = -forward[0];
    view.m[6] = -forward[1];
    view.m[10] = -forward[2];
    multiplyCurrent(view);
    glTranslated(-eyeX, -eyeY, -eyeZ);
}

} // extern "C"
