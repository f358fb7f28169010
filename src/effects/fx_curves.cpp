#include "effects/fx_curves.h"

#include "effects/flat_view.h"
#include "seams/clock.h"
#include "seams/random.h"

#include <GL/gl.h>

void fxCurves::reset()
{
    for (float& t : vanishTime)
        t = 0;
}

void fxCurves::render()
{
    setFlatView();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glLineWidth(2.0f);  // for the square outlines
    glColor4f(1, 1, 1, 0.3f);

    const float now = showclock::tick();

    for (int i = 0; i < slots; ++i) {
        if (slotExpired(now, vanishTime[i])) {
            for (int k = 0; k < controls; ++k) {
                controlPoint[i][k].x = showrand::unit() * 8 - 4;
                controlPoint[i][k].y = showrand::unit() * 8 - 4;
                controlPoint[i][k].z = 0;
                drift[i][k].x = (showrand::unit() * 2 - 1) * 0.017f;
                drift[i][k].y = (showrand::unit() * 2 - 1) * 0.017f;
                drift[i][k].z = 0;
            }
            const float rolledAt = showclock::tick();
            appearTime[i] = rolledAt + showrand::next() % 100;
            vanishTime[i] = appearTime[i] + (showrand::next() % 300 + 100);
            color[i].x = showrand::unit() * 0.9f;
            color[i].y = showrand::unit() * 0.4f;
            color[i].z = showrand::unit();
        }
        if (slotShown(now, appearTime[i], vanishTime[i])) {
            const float dt = now - appearTime[i];
            Vector3 c[controls];
            for (int k = 0; k < controls; ++k)
                c[k] = drift[i][k] * dt + controlPoint[i][k];

            // Nine squares: 0.125 steps are exact in float, so t reaches 1.0.
            for (float t = 0.0f; t <= 1.0f; t += 0.125f) {
                const Vector3 p = bezierPoint(c, t);
                glPushMatrix();
                // The fill opacity flickers: a new draw per square per frame.
                glColor4f(color[i].x, color[i].y, color[i].z, showrand::unit() * 0.35f);
                glTranslatef(p.x, p.y, 0);
                // Neighbours differ by 45 degrees: upright and diagonal in turn.
                const double angle = static_cast<double>(showclock::tick()) + t * 360.0;
                glRotatef(static_cast<float>(angle), 0, 0, 1);
                glRectf(-0.4f, -0.4f, 0.4f, 0.4f);
                glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
                glColor4f(1, 1, 1, 0.2f);
                glRectf(-0.4f, -0.4f, 0.4f, 0.4f);
                glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
                glPopMatrix();
            }
        }
    }

    glLineWidth(1.0f);
}

Vector3 fxCurves::bezierPoint(const Vector3 (&c)[controls], float t)
{
    const float s = 1 - t;
    return c[0] * (s * s * s) + c[1] * (3 * t * s * s) + c[2] * (3 * t * t * s) +
           c[3] * (t * t * t);
}
