#include "effects/fx_textures.h"

#include "effects/flat_view.h"
#include "seams/clock.h"
#include "seams/random.h"

#include <GL/gl.h>

void fxTextures::reset()
{
    for (float& t : vanishTime)
        t = 0;
}

void fxTextures::render()
{
    setFlatView();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);  // the squares glow: added, not laid over
    glColor4f(1, 1, 1, 0.3f);
    glEnable(GL_TEXTURE_2D);

    const float now = showclock::tick();

    for (int i = 0; i < slots; ++i) {
        if (slotExpired(now, vanishTime[i])) {
            position[i].x = showrand::unit() * 8 - 4;
            position[i].y = showrand::unit() * 6 - 3;
            position[i].z = 0;
            color[i].x = showrand::unit();
            color[i].y = 0.3f * showrand::unit();
            color[i].z = 0.4f * showrand::unit();
            orbitSpin[i] = showrand::unit() * 2 - 1;
            selfSpin[i] = showrand::unit() * 2 - 1;
            const float rolledAt = showclock::tick();
            appearTime[i] = rolledAt + showrand::next() % 200;
            vanishTime[i] = appearTime[i] + (showrand::next() % 400 + 100);
            scale[i] = showrand::unit() * 4 + 2;
            texture[i] = showrand::next() % 3 + 1;
        }
        if (slotShown(now, appearTime[i], vanishTime[i])) {
            glPushMatrix();
            glColor4f(color[i].x, color[i].y, color[i].z, 0.3f);

            // Only the sign of a spin factor counts (GL normalises the axis);
            // a factor of exactly 0 has no axis at all, so that turn is left out.
            if (orbitSpin[i] != 0) {
                const double angle = 0.1 * showclock::tick();
                glRotatef(static_cast<float>(angle), 0, 0, orbitSpin[i]);
            }

            // A fresh shake every frame, drawn z first.
            const float jz = (showrand::unit() * 2 - 1) * 0.08f;
            const float jy = (showrand::unit() * 2 - 1) * 0.08f;
            const float jx = (showrand::unit() * 2 - 1) * 0.08f;
            glTranslatef(position[i].x + jx, position[i].y + jy, position[i].z + jz);

            if (selfSpin[i] != 0) {
                const double angle = 0.1 * showclock::tick();
                glRotatef(static_cast<float>(angle), 0, 0, selfSpin[i]);
            }

            glScalef(scale[i], scale[i], 1);
            glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture[i]));

            // t = 0 (the picture's top row) along the bottom edge.
            glBegin(GL_QUADS);
            glTexCoord2f(0, 0);
            glVertex2f(-1, -1);
            glTexCoord2f(1, 0);
            glVertex2f(1, -1);
            glTexCoord2f(1, 1);
            glVertex2f(1, 1);
            glTexCoord2f(0, 1);
            glVertex2f(-1, 1);
            glEnd();

            glPopMatrix();
        }
    }

    glDisable(GL_TEXTURE_2D);
}
