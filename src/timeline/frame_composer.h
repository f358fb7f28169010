// The frame composer: what each frame draws and when, from the music position
// and the clock. The opening scene while the music plays order 0, the effect
// fragments always, then a random dark flicker in the body of the show, the
// ending fade from order 32 row 40, and the credits from order 33. It ends
// the show when the music has stopped during the credits.
#ifndef MARDUNQIST_TIMELINE_FRAME_COMPOSER_H
#define MARDUNQIST_TIMELINE_FRAME_COMPOSER_H

#include "timeline/fragment_director.h"
#include "timeline/opening_scene.h"

// The main loop goes on while this is set; only drawFrame clears it.
extern bool running;

// The show's global objects, constructed in this order before main runs.
extern OpeningScene openingScene;
extern FragmentDirector fragmentDirector;

struct ComposerState {
    bool endingStarted = false;
    bool creditsStarted = false;
    float endingStartTime = 0;
    float creditsStartTime = 0;
    float flickerStart = 0;   // the flicker shows strictly after this ...
    float flickerEnd = 0;     // ... and strictly before this
    float flickerAlpha = 0;
};

extern ComposerState composer;

// Draws one whole frame over the last one, then presents it.
void drawFrame();

// Back to the state of program start: running, no phase begun, no fragments,
// a fresh opening scene. For tests and the capture tool.
void resetShow();

// Timings of the ending and the credits, in ms.
constexpr float endingFadeMs = 4200;
float firstCreditAlpha(float t);
float secondCreditAlpha(float t);

#endif
