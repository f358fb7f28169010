#include "effects/fx_vlines.h"

#include "effects/flat_view.h"
#include "seams/clock.h"
#include "seams/random.h"

#include <GL/gl.h>

void fxVlines::reset()
{
    for (float& t : vanishTime)
        t = 0;
}

void fxVlines::render()
{
    setFlatView();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    const float now = showclock::tick();

    for (int i = 0; i < slots; ++i) {
        if (slotExpired(now, vanishTime[i])) {
            baseX[i] = showrand::unit() * 6 - 3;
            speed[i] = (showrand::unit() * 2 - 1) * 0.009f;
            const float rolledAt = showclock::tick();
            appearTime[i] = rolledAt + showrand::next() % 100;
            vanishTime[i] = appearTime[i] + (showrand::next() % 400 + 100);
            halfWidth[i] = showrand::unit() * 0.25f + 0.02f;
        }
        if (slotShown(now, appearTime[i], vanishTime[i])) {
            // Linear in the bar's own age; off-screen bars are simply clipped.
            const float x = baseX[i] + (now - appearTime[i]) * speed[i];
            glColor4f(1, 1, 1, 0.3f);
            glRectf(x - halfWidth[i], -3, x + halfWidth[i], 3);
        }
    }
}
