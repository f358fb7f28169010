#include "shown_frames.h"

ShownFrames::ShownFrames(std::unique_ptr<CaptureOutput> output, const FrameClock& clock, int width, int height,
                         bool gentle, bool checkFlashes)
    : output_(std::move(output)), clock_(clock), width_(width), height_(height), gentle_(gentle),
      checkFlashes_(checkFlashes)
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
        check_.addFrame(frame->data(), width_, height_, timeMs);
    }
    if (checkFlashes_)
        failing_.store(check().failingSeconds());
    return output_->addFrame(index, *frame, error);
}
