#include "effects/fx_half_circles.h"

#include "effects/flat_view.h"
#include "seams/clock.h"
#include "seams/random.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

void fxHalfCircles::reset()
{
    for (float& t : vanishTime)
        t = 0;
}

void fxHalfCircles::render()
{
    setFlatView();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    const float now = showclock::tick();

    for (int i = 0; i < slots; ++i) {
        if (slotExpired(now, vanishTime[i])) {
            position[i].x = showrand::unit() * 8 - 4;
            position[i].y = showrand::unit() * 6 - 3;
            position[i].z = 0;
            radiusA[i] = showrand::unit() * 2 + 0.98f;
            radiusB[i] = showrand::unit() * 2 + 0.56f;
            appearTime[i] = showclock::tick();
            vanishTime[i] = appearTime[i] + (showrand::next() % 300 + 220);
            color[i].x = showrand::unit();
            color[i].y = showrand::unit();
            color[i].z = showrand::unit();
            spin[i] = (showrand::unit() * 2 - 1) * 0.5f;
            sweep[i] = showrand::unit() * std::numbers::pi_v<float> + 0.7f;
            // Only slots 0, 2, 8 and 10 keep their own centre; the others
            // take their predecessor's (the centre drawn above is dropped).
            if ((i & 5) != 0)
                position[i] = position[i - 1];
        }
        if (slotShown(now, appearTime[i], vanishTime[i])) {
            glPushMatrix();
            // A fresh tremble every frame, drawn y first.
            const float jy = (showrand::unit() * 2 - 1) * 0.1f;
            const float jx = (showrand::unit() * 2 - 1) * 0.1f;
            glTranslatef(position[i].x + jx, position[i].y + jy, 0);
            glRotatef(now * spin[i], 0, 0, 1);
            // Linear fade from 0.4 to 0 over the arc's life.
            const float life = (now - appearTime[i]) / (vanishTime[i] - appearTime[i]);
            glColor4f(color[i].x, color[i].y, color[i].z, (1 - life) * 0.4f);
            drawArc(radiusA[i], radiusB[i], sweep[i]);
            glPopMatrix();
        }
    }
}

void fxHalfCircles::drawArc(float a, float b, float sweep)
{
    a = std::fabs(a);
    b = std::fabs(b);
    float pc = 1;
    float ps = 0;
    glBegin(GL_QUADS);
    for (int k = 1; k <= 30; ++k) {
        const double angle = static_cast<double>(sweep / 30) * k;
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
