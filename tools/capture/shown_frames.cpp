#include "shown_frames.h"

#include "seams/music.h"

namespace {

double framesPerSecond(FrameRate rate)
{
    return static_cast<double>(rate.numerator) / static_cast<double>(rate.denominator);
}

} // namespace

ShownFrames::ShownFrames(std::unique_ptr<CaptureOutput> output, FrameRate rate, int width, int height, bool gentle,
                         bool checkFlashes)
    : output_(std::move(output)), clock_(rate, musicSampleRate), width_(width), height_(height), gentle_(gentle),
      checkFlashes_(checkFlashes), filter_(framesPerSecond(rate)), check_(framesPerSecond(rate))
{
}

bool ShownFrames::addFrame(std::uint64_t index, const std::vector<std::uint8_t>& rgbaBottomUp, std::string* error)
{
    const double timeMs = clock_.frameTimeMs(index);
    const std::vector<std::uint8_t>* frame = &rgbaBottomUp;
    // The filter checks what it shows itself, so a gentle capture's check is its.
    if (gentle_) {
        filter_.apply(rgbaBottomUp, width_, height_, timeMs, shown_);
        frame = &shown_;
    } else if (checkFlashes_) {
        check_.addFrame(frame->data(), width_, height_, 4, timeMs);
    }
    if (checkFlashes_)
        failing_.store(check().failingSeconds());
    return output_->addFrame(index, *frame, error);
}
