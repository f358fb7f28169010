// fxLines — straight white lines across the whole screen in a perspective
// view, each through two points that fly off in random directions.
#ifndef MARDUNQIST_EFFECTS_FX_LINES_H
#define MARDUNQIST_EFFECTS_FX_LINES_H

#include "algebra.h"
#include "effects/fx_fragment.h"

class fxLines : public fxFragment {
public:
    static constexpr int slots = 30;

    Vector3 pointA[slots];      // first point at appearTime, components in [-1, 1)
    Vector3 pointB[slots];      // second point at appearTime, components in [-1, 1)
    Vector3 driftA[slots];      // velocity of pointA, length 0.01 units per ms
    Vector3 driftB[slots];      // velocity of pointB, length 0.01 units per ms
    float appearTime[slots]{};  // drawn strictly after this tick ...
    float vanishTime[slots]{};  // ... and strictly before this one; re-rolled once past

    void render() override;
    void reset() override;

    // The line through a and b, stretched far past both so the view volume
    // cuts it: a bright core, then a wide faint glow over it.
    static void drawLine(const Vector3& a, const Vector3& b);

    // A random drift of length 0.01, three draws (x, y, z) per attempt.
    static Vector3 randomDrift();
};

#endif
