// The opening scene: fourteen copies of the built-in coil model, each placed
// at a random spot in a perspective view, fading in, spinning about two random
// axes, fading out and placed anew. Drawn while the music plays its first order.
#ifndef MARDUNQIST_TIMELINE_OPENING_SCENE_H
#define MARDUNQIST_TIMELINE_OPENING_SCENE_H

#include "algebra.h"
#include "timeline/coil_model.h"

class OpeningScene {
public:
    static constexpr int copyCount = 14;

    Vector3 points[coilPointCount];    // the model, copied from the table
    Vector3 position[copyCount];       // each component in [-3, 3)
    Vector3 spinAxis[copyCount];       // turn about the copy's own centre
    Vector3 orbitAxis[copyCount];      // turn about the scene's origin
    float appearTime[copyCount];
    float vanishTime[copyCount];

    OpeningScene();

    // Draws one frame; relies on the modelview holding the identity on entry.
    void render();

    // The opacity of copy i at time now (also what render draws it with).
    float copyAlpha(int i, float now) const;

private:
    void placeCopy(int i, float now);
    void drawModel(float alpha) const;
};

#endif
