// fxTextures — large faint tinted squares showing the show's first three
// pictures, added onto the image, swinging about the screen centre and
// spinning about their own.
#ifndef MARDUNQIST_EFFECTS_FX_TEXTURES_H
#define MARDUNQIST_EFFECTS_FX_TEXTURES_H

#include "algebra.h"
#include "effects/fx_fragment.h"

#include <cstdint>

class fxTextures : public fxFragment {
public:
    static constexpr int slots = 4;

    std::int32_t texture[slots]{};  // GL texture name: 1, 2 or 3
    Vector3 position[slots];        // centre before the swing, z always 0
    Vector3 color[slots];           // tint: red < 1, green < 0.3, blue < 0.4
    float scale[slots]{};           // half the side, in [2, 6)
    float orbitSpin[slots]{};       // sign = direction of the swing about the screen centre
    float selfSpin[slots]{};        // sign = direction of the spin about the own centre
    float appearTime[slots]{};      // drawn strictly after this tick ...
    float vanishTime[slots]{};      // ... and strictly before this one; re-rolled once past

    void render() override;
    void reset() override;
};

#endif
