// fxTriangles — translucent filled triangles popping up around the origin of a
// perspective view, each spinning about its own axis and shaking.
#ifndef MARDUNQIST_EFFECTS_FX_TRIANGLES_H
#define MARDUNQIST_EFFECTS_FX_TRIANGLES_H

#include "algebra.h"
#include "effects/fx_fragment.h"

class fxTriangles : public fxFragment {
public:
    static constexpr int slots = 16;

    Vector3 position[slots];    // centre, world units, each component in [-1.5, 1.5)
    Vector3 spinAxis[slots];    // rotation axis, not normalised, components in [-1, 1)
    Vector3 color[slots];       // red, green, blue in [0, 1)
    float appearTime[slots]{};  // drawn strictly after this tick ...
    float vanishTime[slots]{};  // ... and strictly before this one; re-rolled once past

    void render() override;
    void reset() override;

private:
    void drawTriangle(int i);
};

#endif
