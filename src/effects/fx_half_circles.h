// fxHalfCircles — thick circular arcs on the flat view that turn, tremble and
// fade out; most share a centre with an earlier slot, so they gather in
// concentric groups.
#ifndef MARDUNQIST_EFFECTS_FX_HALF_CIRCLES_H
#define MARDUNQIST_EFFECTS_FX_HALF_CIRCLES_H

#include "algebra.h"
#include "effects/fx_fragment.h"

class fxHalfCircles : public fxFragment {
public:
    static constexpr int slots = 14;

    Vector3 position[slots];    // centre; x in [-4, 4), y in [-3, 3), z = 0
    Vector3 color[slots];       // red, green, blue in [0, 1)
    float radiusA[slots]{};     // one radius, in [0.98, 2.98)
    float radiusB[slots]{};     // the other, in [0.56, 2.56)
    float appearTime[slots]{};  // drawn strictly after this tick ...
    float vanishTime[slots]{};  // ... and strictly before this one; re-rolled once past
    float sweep[slots]{};       // radians, in [0.7, 0.7 + pi)
    float spin[slots]{};        // degrees per ms, in [-0.5, 0.5)

    void render() override;
    void reset() override;

    // A ring sector about the current origin from angle 0 counter-clockwise to
    // `sweep`, between radii |a| and |b|, in 30 quads, with the colour already
    // current.
    static void drawArc(float a, float b, float sweep);
};

#endif
