// What the flat effects and the frame's overlays share: the 2-D view and the
// slot timing tests.
#ifndef MARDUNQIST_EFFECTS_FLAT_VIEW_H
#define MARDUNQIST_EFFECTS_FLAT_VIEW_H

#include <GL/gl.h>

// The flat view: an 8 by 6 unit area centred on the screen, y upward, with an
// identity modelview left current. The caller sets its blend function next.
inline void setFlatView()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4.0, 4.0, -3.0, 3.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// A slot is re-rolled once its window has passed: strictly after vanishTime,
// so a slot at exactly its vanishTime is left alone that frame.
inline bool slotExpired(float now, float vanishTime)
{
    return now > vanishTime;
}

// A slot is drawn strictly inside its window.
inline bool slotShown(float now, float appearTime, float vanishTime)
{
    return appearTime < now && now < vanishTime;
}

#endif
