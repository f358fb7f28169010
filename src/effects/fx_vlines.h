// fxVlines — thin white translucent bars over the full height of the flat
// view, sliding sideways.
#ifndef MARDUNQIST_EFFECTS_FX_VLINES_H
#define MARDUNQIST_EFFECTS_FX_VLINES_H

#include "effects/fx_fragment.h"

class fxVlines : public fxFragment {
public:
    static constexpr int slots = 7;

    float baseX[slots]{};       // centre line at appearTime, in [-3, 3)
    float speed[slots]{};       // units per ms, in [-0.009, 0.009)
    float appearTime[slots]{};  // drawn strictly after this tick ...
    float vanishTime[slots]{};  // ... and strictly before this one; re-rolled once past
    float halfWidth[slots]{};   // in [0.02, 0.27)

    void render() override;
    void reset() override;
};

#endif
