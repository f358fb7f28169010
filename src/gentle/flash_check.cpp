#include "gentle/flash_check.h"

#include "gentle/linear_light.h"

#include <algorithm>
#include <cmath>

namespace {

// A still frame (0) goes on with either direction.
bool sameSign(double a, double b)
{
    return (a <= 0 && b <= 0) || (a >= 0 && b >= 0);
}

constexpr double extendedSeconds = 4;  // of windows of four to six make an extended failure
constexpr double pastSeconds = 5;      // within these

} // namespace

const char* flashVerdictName(FlashVerdict verdict)
{
    switch (verdict) {
    case FlashVerdict::pass:
        return "pass";
    case FlashVerdict::warning:
        return "warning";
    case FlashVerdict::extendedFail:
        return "extended-fail";
    case FlashVerdict::flashFail:
        return "flash-fail";
    }
    return "?";
}

namespace {

// The brightest green or blue (a byte) a pixel of each red byte can have
// and still be saturated red: each must be at most a quarter of red in
// linear light. A byte above it rules the pixel out before any division.
struct RedLimits {
    std::uint8_t otherAtMost[256];

    RedLimits()
    {
        const float* linear = linearlight::linearTable();
        for (int r = 0; r < 256; ++r) {
            int other = 0;
            while (other < 255 && linear[other + 1] * 4 <= linear[r] * 1.0001f)
                ++other;
            otherAtMost[r] = static_cast<std::uint8_t>(other);
        }
    }
};

const RedLimits& redLimits()
{
    static const RedLimits limits;
    return limits;
}

} // namespace

FrameChange FrameLight::measure(const std::uint8_t* pixels, int width, int height, int bytesPerPixel,
                                const FrameLight& before)
{
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    luminance_.resize(count);
    red_.resize(count);
    const bool compared = before.pixels() == count;
    const float* linear = linearlight::linearTable();
    const std::uint8_t* otherAtMost = redLimits().otherAtMost;
    // Sums in double, where IRIS's means end in single precision: the same
    // frame then gives the same mean whatever the order of its pixels.
    double luminanceSum = 0, redSum = 0;
    std::size_t luminancePixels = 0, redPixels = 0;
    float* luminance = luminance_.data();
    float* red = red_.data();
    // Not compared, a frame is counted against itself and the count dropped.
    const float* luminanceBefore = compared ? before.luminance_.data() : luminance;
    const float* redBefore = compared ? before.red_.data() : red;
    const std::uint8_t* p = pixels;
    for (std::size_t i = 0; i < count; ++i, p += bytesPerPixel) {
        const float r = linear[p[0]], g = linear[p[1]], b = linear[p[2]];
        const float y = 0.0722f * b + 0.7152f * g + 0.2126f * r;
        float saturation = 0;
        if (p[1] <= otherAtMost[p[0]] && p[2] <= otherAtMost[p[0]] && p[0] > 0 && r / (r + g + b) >= 0.8f)
            saturation = (r - g - b) * 320;
        luminancePixels += luminanceBefore[i] != y;
        redPixels += redBefore[i] != saturation;
        luminance[i] = y;
        red[i] = saturation;
        luminanceSum += y;
        redSum += saturation;
    }
    meanLuminance_ = count ? luminanceSum / static_cast<double>(count) : 0;
    meanRed_ = count ? redSum / static_cast<double>(count) : 0;

    FrameChange change;
    change.luminanceBefore = compared ? before.meanLuminance_ : meanLuminance_;
    change.luminanceAfter = meanLuminance_;
    change.redBefore = compared ? before.meanRed_ : meanRed_;
    change.redAfter = meanRed_;
    change.luminancePixels = compared ? luminancePixels : 0;
    change.redPixels = compared ? redPixels : 0;
    change.pixels = count;
    return change;
}

FlashCheck::FlashCheck(double framesPerSecond, bool byTime, const FlashRules& rules)
    : rules_(rules), byTime_(byTime),
      // Rounded up where IRIS rounds to the nearest: a second can hold that
      // many frames (25 at 24.4 fps, where IRIS counts 24).
      windowFrames_(byTime ? 0 : std::max(1, static_cast<int>(std::ceil(framesPerSecond - 1e-9))))
{
}

FlashCheck::FlashCheck(double framesPerSecond, const FlashRules& rules) : FlashCheck(framesPerSecond, false, rules)
{
}

FlashCheck FlashCheck::byTime(const FlashRules& rules)
{
    return FlashCheck(0, true, rules);
}

std::uint64_t FlashCheck::windowStart(double seconds, std::uint64_t index, double timeMs) const
{
    if (!byTime_) {
        const auto frames = static_cast<std::uint64_t>(std::lround(seconds * windowFrames_));
        return index + 1 > frames ? index + 1 - frames : 0;
    }
    const double from = timeMs - seconds * 1000;
    const auto first = std::partition_point(past_.begin(), past_.end(), [&](const Past& p) { return p.timeMs <= from; });
    return pastStart_ + static_cast<std::uint64_t>(first - past_.begin());
}

double FlashCheck::sumBefore(const Run& run, double change, double timeMs, double Past::*changes) const
{
    if (!sameSign(run.sum, change))
        return 0;
    const std::uint64_t index = frames_;
    double sum = 0;
    for (std::uint64_t i = std::max(run.start, windowStart(1, index, timeMs)); i < index; ++i)
        sum += past(i).*changes;
    return sum;
}

double FlashCheck::luminanceSumBefore(double sign, double timeMs) const
{
    return sumBefore(luminanceRun_, sign, timeMs, &Past::luminanceChange);
}

double FlashCheck::redSumBefore(double sign, double timeMs) const
{
    return sumBefore(redRun_, sign, timeMs, &Past::redChange);
}

FlashFrame FlashCheck::judge(const FrameChange& change, double timeMs) const
{
    FlashFrame frame;
    frame.index = frames_;
    frame.timeMs = timeMs;
    frame.windowFrames = 1;
    if (frames_ == 0)
        return frame;

    const std::uint64_t index = frames_;
    const auto changedEnough = [&](std::size_t changed) {
        return changed >= static_cast<std::size_t>(static_cast<double>(change.pixels) * rules_.changedShare);
    };
    frame.luminanceChange = changedEnough(change.luminancePixels) ? change.luminanceAfter - change.luminanceBefore : 0;
    frame.redChange = changedEnough(change.redPixels) ? change.redAfter - change.redBefore : 0;
    frame.luminanceSum =
        frame.luminanceChange + sumBefore(luminanceRun_, frame.luminanceChange, timeMs, &Past::luminanceChange);
    frame.redSum = frame.redChange + sumBefore(redRun_, frame.redChange, timeMs, &Past::redChange);

    // A sum that had reached the threshold on the frame before, in the same
    // direction, made its transition then.
    const auto transition = [](double before, double sum, double threshold) {
        return !(sameSign(before, sum) && std::fabs(before) >= threshold) && std::fabs(sum) >= threshold;
    };
    const double darker = std::min(change.luminanceBefore, change.luminanceAfter);
    frame.luminanceTransition = transition(luminanceRun_.sum, frame.luminanceSum, rules_.luminanceTransition) &&
                                darker < rules_.darkerBelow;
    // IRIS's darker rule for red (321) holds for every red saturation (0 to 320).
    frame.redTransition = transition(redRun_.sum, frame.redSum, rules_.redTransition);

    const std::uint64_t second = windowStart(1, index, timeMs);
    const std::uint64_t fiveSeconds = windowStart(pastSeconds, index, timeMs);
    frame.windowFrames = static_cast<int>(index - second + 1);
    frame.extendedFrames = byTime_ ? static_cast<int>(index - windowStart(extendedSeconds, index, timeMs) + 1)
                                   : static_cast<int>(std::lround(extendedSeconds * windowFrames_));
    frame.luminanceTransitions = frame.luminanceTransition;
    frame.redTransitions = frame.redTransition;
    for (std::uint64_t i = second; i < index; ++i) {
        frame.luminanceTransitions += past(i).luminanceTransition;
        frame.redTransitions += past(i).redTransition;
    }
    const auto extended = [&](int transitions) {
        return transitions >= rules_.extendedFrom && transitions <= rules_.mostTransitions;
    };
    frame.luminanceExtended = extended(frame.luminanceTransitions);
    frame.redExtended = extended(frame.redTransitions);
    for (std::uint64_t i = fiveSeconds; i < index; ++i) {
        frame.luminanceExtended += past(i).luminanceExtended;
        frame.redExtended += past(i).redExtended;
    }
    const auto verdict = [&](int transitions, int extendedCount) {
        if (transitions > rules_.mostTransitions)
            return FlashVerdict::flashFail;
        if (extendedCount >= frame.extendedFrames && transitions >= rules_.extendedFrom)
            return FlashVerdict::extendedFail;
        return transitions >= rules_.warningFrom ? FlashVerdict::warning : FlashVerdict::pass;
    };
    frame.luminance = verdict(frame.luminanceTransitions, frame.luminanceExtended);
    frame.red = verdict(frame.redTransitions, frame.redExtended);
    return frame;
}

const FlashFrame& FlashCheck::addFrame(const std::uint8_t* pixels, int width, int height, int bytesPerPixel,
                                       double timeMs)
{
    const FrameChange change = light_.measure(pixels, width, height, bytesPerPixel, lastLight_);
    std::swap(light_, lastLight_);
    return addChange(change, timeMs);
}

const FlashFrame& FlashCheck::addChange(const FrameChange& change, double timeMs)
{
    last_ = judge(change, timeMs);
    remember(last_, timeMs);
    return last_;
}

void FlashCheck::remember(const FlashFrame& frame, double timeMs)
{
    const std::uint64_t index = frames_;
    if (index == 0)
        firstTimeMs_ = timeMs;
    if (!sameSign(luminanceRun_.sum, frame.luminanceChange))
        luminanceRun_.start = index;
    if (!sameSign(redRun_.sum, frame.redChange))
        redRun_.start = index;
    luminanceRun_.sum = frame.luminanceSum;
    redRun_.sum = frame.redSum;

    const auto extended = [&](int transitions) {
        return transitions >= rules_.extendedFrom && transitions <= rules_.mostTransitions;
    };
    past_.push_back({timeMs, frame.luminanceChange, frame.redChange, frame.luminanceTransition, frame.redTransition,
                     index > 0 && extended(frame.luminanceTransitions), index > 0 && extended(frame.redTransitions)});
    ++frames_;
    // What no later frame's five seconds reach any more.
    const std::uint64_t keepFrom = windowStart(pastSeconds, frames_, timeMs);
    while (pastStart_ < keepFrom && !past_.empty()) {
        past_.pop_front();
        ++pastStart_;
    }

    luminanceTransitionCount_ += frame.luminanceTransition;
    redTransitionCount_ += frame.redTransition;
    ++verdictCounts_[0][static_cast<int>(frame.verdict())];
    ++verdictCounts_[1][static_cast<int>(frame.luminance)];
    ++verdictCounts_[2][static_cast<int>(frame.red)];

    const auto second = static_cast<std::uint64_t>(std::floor((timeMs - firstTimeMs_) / 1000.0 + 1e-9));
    while (seconds_.empty() || seconds_.back().second < second) {
        FlashSecond next;
        next.second = seconds_.empty() ? 0 : seconds_.back().second + 1;
        seconds_.push_back(next);
    }
    FlashSecond& now = seconds_.back();
    const auto fails = [](FlashVerdict v) { return v >= FlashVerdict::extendedFail; };
    const bool failedBefore = fails(now.verdict);
    now.verdict = std::max(now.verdict, frame.verdict());
    now.luminanceTransitions += frame.luminanceTransition;
    now.redTransitions += frame.redTransition;
    now.mostLuminance = std::max(now.mostLuminance, frame.luminanceTransitions);
    now.mostRed = std::max(now.mostRed, frame.redTransitions);
    now.flashFailFrames += frame.verdict() == FlashVerdict::flashFail;
    now.extendedFailFrames += frame.verdict() == FlashVerdict::extendedFail;
    now.warningFrames += frame.verdict() == FlashVerdict::warning;
    if (!failedBefore && fails(now.verdict))
        ++failingSeconds_;
}
