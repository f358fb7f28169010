#include "gentle/gentle_filter.h"

#include "gentle/linear_light.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// What a blended frame may add up to: below a transition by more than the
// frame's rounding to bytes can add.
constexpr double roundingMargin = 0.01;

} // namespace

void GentleFilter::apply(const std::vector<std::uint8_t>& drawn, int width, int height, double timeMs,
                         std::vector<std::uint8_t>& shown)
{
    drawnGrid_.measure(drawn.data(), width, height);
    blend_ = 1;
    if (previous_.size() == drawn.size() && check_.frames() > 0) {
        const FrameChange change = compareGrids(check_.lastGrid(), drawnGrid_);
        if (check_.wouldTransition(change, timeMs) &&
            check_.transitionsBefore(timeMs) + 1 > flashcheck::mostTransitionsInASecond) {
            const double room = flashcheck::minimumChange - roundingMargin -
                                std::fabs(check_.sumBefore(change.luminance, timeMs));
            blend_ = std::clamp(room / std::fabs(change.luminance), 0.0, 1.0);
        }
    }
    if (blend_ == 1) {
        previous_ = drawn;
        check_.addGrid(drawnGrid_, timeMs);
    } else {
        blendTowards(drawn, blend_);
        check_.addFrame(previous_.data(), width, height, timeMs);
    }
    shown = previous_;
}

void GentleFilter::blendTowards(const std::vector<std::uint8_t>& drawn, double blend)
{
    const auto weight = static_cast<std::int32_t>(blend * 65536 + 0.5);
    for (std::size_t i = 0; i < drawn.size(); i += 4) {
        for (std::size_t c = 0; c < 3; ++c) {
            const std::int32_t from = linearlight::decode16(previous_[i + c]);
            const std::int32_t to = linearlight::decode16(drawn[i + c]);
            const std::int32_t mixed = from + static_cast<std::int32_t>((static_cast<std::int64_t>(to - from) * weight) >> 16);
            previous_[i + c] = linearlight::encode16(static_cast<std::uint16_t>(mixed));
        }
        previous_[i + 3] = drawn[i + 3];
    }
}
