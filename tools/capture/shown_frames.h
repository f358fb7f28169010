// The frames a capture writes are the frames a viewer is shown: with
// --gentle they pass through the gentle filter first, and with
// --flash-report the frames written are put through the flash check.
// A CaptureOutput in front of the real one; both steps run where addFrame
// runs (the frame pipe's thread), in frame order.
#ifndef MARDUNQIST_CAPTURE_SHOWN_FRAMES_H
#define MARDUNQIST_CAPTURE_SHOWN_FRAMES_H

#include "outputs.h"
#include "gentle/flash_check.h"
#include "gentle/gentle_filter.h"
#include "seams/frame_clock.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ShownFrames : public CaptureOutput {
public:
    ShownFrames(std::unique_ptr<CaptureOutput> output, FrameRate rate, int width, int height, bool gentle,
                bool checkFlashes);

    bool start(std::string* error) override { return output_->start(error); }
    bool addFrame(std::uint64_t index, const std::vector<std::uint8_t>& rgbaBottomUp, std::string* error) override;
    bool addAudio(const std::vector<std::int16_t>& interleaved, std::size_t frames, std::string* error) override
    {
        return output_->addAudio(interleaved, frames, error);
    }
    bool finish(std::string* error) override { return output_->finish(error); }
    void abandon() override { output_->abandon(); }

    // Seconds failing the check so far (by flash or extended failure); may
    // be read from any thread.
    const std::atomic<int>& failingSeconds() const { return failing_; }

    // The check, once every frame has been added.
    const FlashCheck& check() const { return gentle_ ? filter_.check() : check_; }

private:
    std::unique_ptr<CaptureOutput> output_;
    FrameClock clock_;
    int width_, height_;
    bool gentle_, checkFlashes_;
    GentleFilter filter_;
    FlashCheck check_;
    std::vector<std::uint8_t> shown_;
    std::atomic<int> failing_{0};
};

#endif
