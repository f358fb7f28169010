#include "effects/fx_circles.h"

#include "effects/flat_view.h"
#include "seams/clock.h"
#include "seams/random.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

void fxCircles::reset()
{
    for (float& t : vanishTime)
        t = 0;
}

void fxCircles::render()
{
    setFlatView();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    const float now = showclock::tick();

    for (int i = 0; i < slots; ++i) {
        if (slotExpired(now, vanishTime[i])) {
            radiusA[i] = showrand::unit() + 0.7f;
            radiusB[i] = showrand::unit() + 0.4f;
            growthA[i] = (showrand::unit() * 2 - 1) * 0.01f;
            growthB[i] = (showrand::unit() * 2 - 1) * 0.01f;
            const float rolledAt = showclock::tick();
            appearTime[i] = rolledAt + showrand::next() % 100;
            vanishTime[i] = appearTime[i] + (showrand::next() % 300 + 100);
            color[i].x = showrand::unit();
            color[i].y = showrand::unit();
            color[i].z = showrand::unit();
            if (i % 2 == 0) {
                position[i].x = showrand::unit() * 8 - 4;
                position[i].y = showrand::unit() * 6 - 3;
                position[i].z = 0;
            } else {
                // Whatever centre the partner has right now, even if it moves on later.
                position[i] = position[i - 1];
            }
        }
        if (slotShown(now, appearTime[i], vanishTime[i])) {
            const float age = now - appearTime[i];
            // A radius that shrinks through zero comes out again.
            const float edgeA = std::fabs(radiusA[i] + growthA[i] * age);
            const float edgeB = std::fabs(radiusB[i] + growthB[i] * age);
            glColor4f(color[i].x, color[i].y, color[i].z, 0.3f);
            glPushMatrix();
            glTranslatef(position[i].x, position[i].y, position[i].z);
            drawRing(edgeA, edgeB);
            glPopMatrix();
        }
    }
}

void fxCircles::drawRing(float a, float b)
{
    glBegin(GL_QUADS);
    float pc = 1;
    float ps = 0;
    for (int k = 1; k <= 30; ++k) {
        const double angle = k * (2.0 * std::numbers::pi / 30.0);
        const float c = static_cast<float>(std::cos(angle));
        const float s = static_cast<float>(std::sin(angle));
        glVertex2f(pc * b, ps * b);
        glVertex2f(c * b, s * b);
        glVertex2f(c * a, s * a);
        glVertex2f(pc * a, ps * a);
        pc = c;
        ps = s;
    }
    glEnd();
}
