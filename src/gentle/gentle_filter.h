// The gentle mode's filter: what is presented follows what is drawn, except
// where that would flash too much. Each frame is blended towards the drawn
// one in linear light,
//
//     shown = shown before + a * (drawn - shown before),   0 <= a <= 1,
//
// with a = 1 (the frame as drawn, byte for byte) unless the change would
// make a transition (of luminance or of red, flash_check.h) that the window
// has no room for; then a is the largest that keeps the change below a
// transition. Blending in linear light scales every pixel's change by a, so
// the luminance change of the blended frame is known before it is made; the
// blended frame is measured all the same, and blended less when it still
// makes a transition (red saturation does not scale with a).
//
// The filter steers by stricter rules than the check's (gentleRules): a
// transition from four fifths of the check's thresholds (0.08 of luminance,
// 16 of red saturation), five in a window at most, one fewer than the check
// allows. A video encoder and decoder move every frame's measures, the
// BT.601 matrix on a BT.709 file (as IRIS reads every video) most of all,
// enough to add a transition to a window here and there; the margin keeps
// such windows passing. It steers by the check's own rules besides: a sum
// that stays above the lower threshold can cross the check's twice. A window
// has room for a transition while it would hold no more than the rules
// allow, and while windows of four or more cannot yet add up to an extended
// failure.
//
// One thread; frames in order of their show time.
#ifndef MARDUNQIST_GENTLE_GENTLE_FILTER_H
#define MARDUNQIST_GENTLE_GENTLE_FILTER_H

#include "gentle/flash_check.h"

#include <cstdint>
#include <vector>

// The rules the filter steers by.
FlashRules gentleRules();

class GentleFilter {
public:
    // A live show's frames, at the times they are shown.
    GentleFilter();
    // A video's frames, `framesPerSecond` of them in a second; `steering`
    // for rules other than gentleRules().
    explicit GentleFilter(double framesPerSecond, const FlashRules& steering = gentleRules());

    // The frame to show for `drawn` (RGBA rows, width x height) at timeMs,
    // into `shown` (resized to fit). Alpha is passed on as drawn.
    void apply(const std::vector<std::uint8_t>& drawn, int width, int height, double timeMs,
               std::vector<std::uint8_t>& shown);

    // The last blend factor: 1 when the frame was shown as drawn.
    double lastBlend() const { return blend_; }
    // The shown frames under the check's own rules.
    const FlashCheck& check() const { return check_; }

private:
    GentleFilter(FlashCheck check, FlashCheck steer);
    // Which of the frame's transitions `check`'s window has no room for.
    struct Full {
        bool luminance, red;
        bool any() const { return luminance || red; }
    };
    static Full full(const FlashCheck& check, const FlashFrame& frame);
    // The largest blend that keeps those transitions under `check`'s
    // thresholds.
    static double blendFor(const FlashCheck& check, const FlashFrame& frame, double timeMs);
    // Blends the held-back frame into candidate_ and measures it; its change
    // from the frame shown before.
    FrameChange blend(const std::vector<std::uint8_t>& drawn, int width, int height, double blend);

    FlashCheck check_;
    FlashCheck steer_;
    FrameLight drawnLight_, candidateLight_;
    FrameLight shownLight_;                 // the last frame shown
    std::vector<std::uint8_t> previous_;    // the last frame shown
    std::vector<std::uint8_t> candidate_;
    double blend_ = 1;
};

#endif
