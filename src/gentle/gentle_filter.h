// The gentle mode's filter: what is presented follows what is drawn, except
// where that would flash more than three times in a second. Each frame is
// blended towards the drawn one in linear light,
//
//     shown = shown before + a * (drawn - shown before),   0 <= a <= 1,
//
// with a = 1 (the frame as drawn, byte for byte) unless the change would make
// a transition of the flash check (flash_check.h) while six already lie in
// the last second; then a is the largest that keeps the change below a
// transition. Blending in linear light scales every cell's change by a and
// keeps which cells change, so the check's measure of the blended frame is
// known before it is made. The shown frames are checked as they go, so the
// filter steers by what the check itself counts.
//
// One thread; frames in order of their show time.
#ifndef MARDUNQIST_GENTLE_GENTLE_FILTER_H
#define MARDUNQIST_GENTLE_GENTLE_FILTER_H

#include "gentle/flash_check.h"

#include <cstdint>
#include <vector>

class GentleFilter {
public:
    // The frame to show for `drawn` (RGBA rows, width x height) at timeMs,
    // into `shown` (resized to fit). Alpha is passed on as drawn.
    void apply(const std::vector<std::uint8_t>& drawn, int width, int height, double timeMs,
               std::vector<std::uint8_t>& shown);

    // The last blend factor: 1 when the frame was shown as drawn.
    double lastBlend() const { return blend_; }
    const FlashCheck& check() const { return check_; }

private:
    void blendTowards(const std::vector<std::uint8_t>& drawn, double blend);

    FlashCheck check_;
    LuminanceGrid drawnGrid_;
    std::vector<std::uint8_t> previous_;  // the last frame shown
    double blend_ = 1;
};

#endif
