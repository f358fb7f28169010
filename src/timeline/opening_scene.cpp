#include "timeline/opening_scene.h"

#include "effects/flat_view.h"
#include "seams/clock.h"
#include "seams/random.h"

#include <GL/gl.h>
#include <GL/glu.h>

OpeningScene::OpeningScene()
{
    for (int k = 0; k < coilPointCount; ++k)
        points[k] = Vector3(coilModel[k][0], coilModel[k][1], coilModel[k][2]);
    for (float& t : vanishTime)
        t = 0;
}

void OpeningScene::placeCopy(int i, float now)
{
    const float px = (2 * showrand::unit() - 1) * 3;
    const float py = (2 * showrand::unit() - 1) * 3;
    const float pz = (2 * showrand::unit() - 1) * 3;
    position[i] = Vector3(px, py, pz);
    const float sx = 2 * showrand::unit() - 1;
    const float sy = 2 * showrand::unit() - 1;
    const float sz = 2 * showrand::unit() - 1;
    spinAxis[i] = Vector3(sx, sy, sz);
    const float ox = 2 * showrand::unit() - 1;
    const float oy = 2 * showrand::unit() - 1;
    const float oz = 2 * showrand::unit() - 1;
    orbitAxis[i] = Vector3(ox, oy, oz);
    appearTime[i] = now;
    vanishTime[i] = appearTime[i] + (showrand::next() % 500 + 600);
}

float OpeningScene::copyAlpha(int i, float now) const
{
    // Fades of 300 ms rise to 0.3 and fall from it, while the plateau between
    // them is 0.4: the copy brightens a step as its fade-in ends.
    float alpha = 0.4f;
    if (now < appearTime[i] + 300)
        alpha = (1 - (appearTime[i] + 300 - now) / 300) * 0.3;
    if (now > vanishTime[i] - 300)
        alpha = (vanishTime[i] - now) / 300 * 0.3;
    return alpha;
}

void OpeningScene::render()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 4.0 / 3.0, 0.1, 500.0);
    glMatrixMode(GL_MODELVIEW);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gluLookAt(0, 0, 5, 0, 0, 0, 0, 1, 0);

    const float now = showclock::tick();
    for (int i = 0; i < copyCount; ++i) {
        if (slotExpired(now, vanishTime[i]))
            placeCopy(i, now);
        if (!slotShown(now, appearTime[i], vanishTime[i]))
            continue;
        const float alpha = copyAlpha(i, now);
        glPushMatrix();
        glRotatef(now * 0.05, orbitAxis[i].x, orbitAxis[i].y, orbitAxis[i].z);
        glTranslatef(position[i].x, position[i].y, position[i].z);
        glRotatef(now * 0.1, spinAxis[i].x, spinAxis[i].y, spinAxis[i].z);
        drawModel(alpha);
        glPopMatrix();
    }
}

void OpeningScene::drawModel(float alpha) const
{
    glColor4f(1, 1, 1, alpha);
    glBegin(GL_POINTS);
    for (const Vector3& p : points)
        glVertex3fv(p.data());
    glEnd();

    glColor4f(1, 1, 1, alpha * 0.6);
    // Open strips along the coil ...
    for (int r = 0; r < coilTubeLines; ++r) {
        glBegin(GL_LINE_STRIP);
        for (int j = 0; j < coilStations; ++j)
            glVertex3fv(points[coilStations * r + j].data());
        glEnd();
    }
    // ... and closed rings around the tube.
    for (int j = 0; j < coilStations; ++j) {
        glBegin(GL_LINE_LOOP);
        for (int r = 0; r < coilTubeLines; ++r)
            glVertex3fv(points[j + coilStations * r].data());
        glEnd();
    }
}
