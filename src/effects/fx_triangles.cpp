#include "effects/fx_triangles.h"

#include "effects/flat_view.h"
#include "seams/clock.h"
#include "seams/random.h"

#include <GL/gl.h>
#include <GL/glu.h>

void fxTriangles::reset()
{
    for (float& t : vanishTime)
        t = 0;
}

void fxTriangles::render()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 4.0 / 3.0, 0.1, 500.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 2, 0, 0, 0, 0, 1, 0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    const float now = showclock::tick();

    for (int i = 0; i < slots; ++i) {
        if (slotExpired(now, vanishTime[i])) {
            // One draw per statement: the order of the draws is part of the show.
            position[i].x = showrand::unit() * 3 - 1.5f;
            position[i].y = showrand::unit() * 3 - 1.5f;
            position[i].z = showrand::unit() * 3 - 1.5f;
            spinAxis[i].x = showrand::unit() * 2 - 1;
            spinAxis[i].y = showrand::unit() * 2 - 1;
            spinAxis[i].z = showrand::unit() * 2 - 1;
            color[i].x = showrand::unit();
            color[i].y = showrand::unit();
            color[i].z = showrand::unit();
            const float rolledAt = showclock::tick();
            appearTime[i] = rolledAt + showrand::next() % 100;
            vanishTime[i] = appearTime[i] + (showrand::next() % 500 + 140);
        }
        if (slotShown(now, appearTime[i], vanishTime[i])) {
            glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
            glColor4f(color[i].x, color[i].y, color[i].z, 0.3f);
            drawTriangle(i);
        }
    }

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glLineWidth(1.0f);
}

void fxTriangles::drawTriangle(int i)
{
    glPushMatrix();

    // A fresh shake every frame, drawn z first.
    const float jz = (showrand::unit() * 2 - 1) * 0.15f;
    const float jy = (showrand::unit() * 2 - 1) * 0.15f;
    const float jx = (showrand::unit() * 2 - 1) * 0.15f;
    glTranslatef(position[i].x + jx, position[i].y + jy, position[i].z + jz);

    // The phase follows the clock, not the triangle's age.
    const double angle = 0.6 * showclock::tick();
    glRotatef(static_cast<float>(angle), spinAxis[i].x, spinAxis[i].y, spinAxis[i].z);

    glBegin(GL_TRIANGLES);
    glVertex3f(-1, -1, 0);
    glVertex3f(0, 1, 0);
    glVertex3f(1, -1, 0);
    glEnd();

    glPopMatrix();
}
