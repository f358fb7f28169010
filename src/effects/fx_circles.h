// fxCircles — translucent coloured rings on the flat view whose two edges grow
// or shrink at their own rates. Rings 1 and 3 start on the centre of their
// even partner.
#ifndef MARDUNQIST_EFFECTS_FX_CIRCLES_H
#define MARDUNQIST_EFFECTS_FX_CIRCLES_H

#include "algebra.h"
#include "effects/fx_fragment.h"

class fxCircles : public fxFragment {
public:
    static constexpr int slots = 5;

    Vector3 position[slots];    // centre, z always 0
    Vector3 color[slots];       // red, green, blue in [0, 1)
    float radiusA[slots]{};     // first edge at appearTime, in [0.7, 1.7)
    float radiusB[slots]{};     // second edge at appearTime, in [0.4, 1.4)
    float growthA[slots]{};     // units per ms, in [-0.01, 0.01)
    float growthB[slots]{};     // units per ms, in [-0.01, 0.01)
    float appearTime[slots]{};  // drawn strictly after this tick ...
    float vanishTime[slots]{};  // ... and strictly before this one; re-rolled once past

    void render() override;
    void reset() override;

    // A full ring about the current origin between radii a and b, in 30 quads,
    // with the colour already current.
    static void drawRing(float a, float b);
};

#endif
