// fxCurves — chains of nine small spinning squares along cubic Bezier curves
// whose control points drift across the flat view.
#ifndef MARDUNQIST_EFFECTS_FX_CURVES_H
#define MARDUNQIST_EFFECTS_FX_CURVES_H

#include "algebra.h"
#include "effects/fx_fragment.h"

class fxCurves : public fxFragment {
public:
    static constexpr int slots = 10;
    static constexpr int controls = 4;

    Vector3 controlPoint[slots][controls];  // at appearTime; x, y in [-4, 4), z = 0
    Vector3 drift[slots][controls];         // units per ms; x, y in [-0.017, 0.017), z = 0
    Vector3 color[slots];                   // red < 0.9, green < 0.4, blue < 1
    float appearTime[slots]{};              // drawn strictly after this tick ...
    float vanishTime[slots]{};              // ... and strictly before this one; re-rolled once past

    void render() override;
    void reset() override;

    // The cubic Bernstein sum of four control points at parameter t.
    static Vector3 bezierPoint(const Vector3 (&c)[controls], float t);
};

#endif
