#include "gentle/gentle_filter.h"

#include "gentle/linear_light.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// What a blended change may add up to: below the threshold by a little more
// than rounding to bytes can add.
constexpr double roundingRoom = 0.05;  // of the threshold

// The largest blend that keeps a sum of `before` and a change of `change`
// below `threshold`.
double blendBelow(double threshold, double before, double change)
{
    if (change == 0)
        return 1;
    const double room = threshold * (1 - roundingRoom) - std::fabs(before);
    return std::clamp(room / std::fabs(change), 0.0, 1.0);
}

} // namespace

FlashRules gentleRules()
{
    // The least that kept the whole show's gentle H.264, read back with
    // either matrix, from failing (docs/flashing.md, "The margin").
    FlashRules rules;
    rules.luminanceTransition = 0.08;
    rules.redTransition = 16;
    rules.mostTransitions = 5;
    return rules;
}

GentleFilter::GentleFilter(FlashCheck check, FlashCheck steer) : check_(std::move(check)), steer_(std::move(steer))
{
}

GentleFilter::GentleFilter() : GentleFilter(FlashCheck::byTime(), FlashCheck::byTime(gentleRules()))
{
}

GentleFilter::GentleFilter(double framesPerSecond, const FlashRules& steering)
    : GentleFilter(FlashCheck(framesPerSecond), FlashCheck(framesPerSecond, steering))
{
}

GentleFilter::Full GentleFilter::full(const FlashCheck& check, const FlashFrame& frame)
{
    const FlashRules& rules = check.rules();
    // Windows of four or more add up to an extended failure; the transitions
    // in this window may keep a second's more frames at four.
    const bool extendedNear = frame.windowFrames + std::max(frame.luminanceExtended, frame.redExtended) >=
                              frame.extendedFrames;
    const auto noRoom = [&](bool transition, int transitions) {
        return transition &&
               (transitions > rules.mostTransitions || (transitions >= rules.extendedFrom && extendedNear));
    };
    return {noRoom(frame.luminanceTransition, frame.luminanceTransitions),
            noRoom(frame.redTransition, frame.redTransitions)};
}

double GentleFilter::blendFor(const FlashCheck& check, const FlashFrame& frame, double timeMs)
{
    const FlashRules& rules = check.rules();
    const Full noRoom = full(check, frame);
    double blend = 1;
    if (noRoom.luminance)
        blend = blendBelow(rules.luminanceTransition, check.luminanceSumBefore(frame.luminanceChange, timeMs),
                           frame.luminanceChange);
    if (noRoom.red)
        blend = std::min(blend, blendBelow(rules.redTransition, check.redSumBefore(frame.redChange, timeMs),
                                           frame.redChange));
    return blend;
}

FrameChange GentleFilter::blend(const std::vector<std::uint8_t>& drawn, int width, int height, double blend)
{
    candidate_.resize(drawn.size());
    const auto weight = static_cast<std::int32_t>(blend * 65536 + 0.5);
    for (std::size_t i = 0; i < drawn.size(); i += 4) {
        for (std::size_t c = 0; c < 3; ++c) {
            const std::int32_t from = linearlight::decode16(previous_[i + c]);
            const std::int32_t to = linearlight::decode16(drawn[i + c]);
            const std::int32_t mixed = from + static_cast<std::int32_t>((static_cast<std::int64_t>(to - from) * weight) >> 16);
            candidate_[i + c] = weight == 0 ? previous_[i + c] : linearlight::encode16(static_cast<std::uint16_t>(mixed));
        }
        candidate_[i + 3] = drawn[i + 3];
    }
    return candidateLight_.measure(candidate_.data(), width, height, 4, shownLight_);
}

void GentleFilter::apply(const std::vector<std::uint8_t>& drawn, int width, int height, double timeMs,
                         std::vector<std::uint8_t>& shown)
{
    FrameChange change = drawnLight_.measure(drawn.data(), width, height, 4, shownLight_);
    blend_ = 1;
    if (previous_.size() == drawn.size() && steer_.frames() > 0) {
        // The stricter rules and the check's own: a sum that stays above the
        // lower threshold can still cross the check's twice.
        FlashFrame steered = steer_.judge(change, timeMs), checked = check_.judge(change, timeMs);
        if (full(steer_, steered).any() || full(check_, checked).any()) {
            blend_ = std::min(blendFor(steer_, steered, timeMs), blendFor(check_, checked, timeMs));
            // Red saturation, rounding and the area rule do not scale with
            // the blend: less until the frame fits.
            for (;;) {
                change = blend(drawn, width, height, blend_);
                steered = steer_.judge(change, timeMs);
                checked = check_.judge(change, timeMs);
                if ((!full(steer_, steered).any() && !full(check_, checked).any()) || blend_ == 0)
                    break;
                blend_ = blend_ < 1.0 / 256 ? 0 : blend_ * 0.7;
            }
            std::swap(previous_, candidate_);
            std::swap(shownLight_, candidateLight_);
        }
    }
    if (blend_ == 1) {
        previous_ = drawn;
        std::swap(shownLight_, drawnLight_);
    }
    check_.addChange(change, timeMs);
    steer_.addChange(change, timeMs);
    shown = previous_;
}
