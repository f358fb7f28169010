#include "effects/fx_lines.h"

#include "effects/flat_view.h"
#include "seams/clock.h"
#include "seams/random.h"

#include <GL/gl.h>
#include <GL/glu.h>

void fxLines::reset()
{
    for (float& t : vanishTime)
        t = 0;
}

void fxLines::render()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 4.0 / 3.0, 0.1, 1000.0);  // far enough for the stretched ends
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 5, 0, 0, 0, 0, 1, 0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    const float now = showclock::tick();

    glPushMatrix();
    for (int i = 0; i < slots; ++i) {
        if (slotExpired(now, vanishTime[i])) {
            pointA[i].x = showrand::unit() * 2 - 1;
            pointA[i].y = showrand::unit() * 2 - 1;
            pointA[i].z = showrand::unit() * 2 - 1;
            pointB[i].x = showrand::unit() * 2 - 1;
            pointB[i].y = showrand::unit() * 2 - 1;
            pointB[i].z = showrand::unit() * 2 - 1;
            driftA[i] = randomDrift();
            driftB[i] = randomDrift();
            const float rolledAt = showclock::tick();
            appearTime[i] = rolledAt + showrand::next() % 100;
            vanishTime[i] = appearTime[i] + (showrand::next() % 300 + 100);
        }
        if (slotShown(now, appearTime[i], vanishTime[i])) {
            const float dt = now - appearTime[i];
            const Vector3 a = driftA[i] * dt + pointA[i];
            const Vector3 b = driftB[i] * dt + pointB[i];
            drawLine(a, b);
        }
    }
    glPopMatrix();
    glLineWidth(1.0f);
}

Vector3 fxLines::randomDrift()
{
    // All three draws exactly in the middle give no direction at all, which
    // normalize refuses; draw the three again until there is one.
    Vector3 v;
    do {
        v.x = showrand::unit() * 2 - 1;
        v.y = showrand::unit() * 2 - 1;
        v.z = showrand::unit() * 2 - 1;
    } while (v == Vector3());
    v.normalize();
    return v * 0.01f;
}

void fxLines::drawLine(const Vector3& a, const Vector3& b)
{
    const Vector3 d = a - b;
    const Vector3 p = a + d * 9000.0f;
    const Vector3 q = b - d * 9000.0f;

    glColor4f(1, 1, 1, 0.25f);
    glLineWidth(3.0f);
    glBegin(GL_LINES);
    glVertex3fv(p.data());
    glVertex3fv(q.data());
    glEnd();

    glLineWidth(10.0f);
    glColor4f(1, 1, 1, 0.1f);
    glBegin(GL_LINES);
    glVertex3fv(p.data());
    glVertex3fv(q.data());
    glEnd();
}
