// fxFragment — the base of every short-lived effect of the show.
//
// Conventions shared by all effects:
//   - Times are absolute show-clock ticks in float milliseconds
//     (showclock::tick()). A fragment reads the clock itself, at the start of
//     render and again wherever it gives a slot a new window.
//   - Each effect keeps fixed arrays of slots (its independently animated
//     items), each with its own appearTime and vanishTime. A slot whose
//     vanishTime lies strictly in the past is re-rolled: new random values,
//     drawn from showrand one call per value in a fixed order, and a new
//     window. A slot is drawn only strictly inside its window.
//   - reset only zeroes every vanishTime, so the first render re-rolls every
//     slot and draws none. Constructors draw nothing and read no clock.
//   - render sets up its own projection, view and blend function, and on
//     return leaves GL_MODELVIEW current, the matrix stack as deep as it found
//     it, polygon mode GL_FILL, line width 1 and GL_TEXTURE_2D disabled.
//     It relies on blending and line smoothing being on and depth testing off.
//   - Immediate-mode GL, no allocation in render. A fragment owns nothing but
//     its own storage; the director owns the fragment.
#ifndef MARDUNQIST_EFFECTS_FX_FRAGMENT_H
#define MARDUNQIST_EFFECTS_FX_FRAGMENT_H

class fxFragment {
public:
    float startTime;    // the director draws the fragment from here ...
    float endTime = 0;  // ... to here, both ends included, then retires it

    virtual ~fxFragment() = default;

    // Draws one frame of the effect.
    virtual void render() = 0;

    // Prepares a new fragment for its first render: every slot expired.
    virtual void reset() = 0;
};

#endif
