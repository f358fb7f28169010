// The flash check (WCAG 2.3.1: general flashes and red flashes) over a
// sequence of frames, counted frame by frame the way EA's IRIS analyser
// counts them:
//
//   - Every pixel has a relative luminance (linearised sRGB, 0.2126 R +
//     0.7152 G + 0.0722 B) and a red saturation (320 (R - G - B) where R is
//     at least 0.8 of R + G + B in linear light, else 0); a frame has the
//     mean of each.
//   - From one frame to the next, a measure changes when at least a quarter
//     of the pixels changed it at all; its change is then the difference of
//     the two frames' means, else 0.
//   - Changes in one direction add up over the frames of the last second (a
//     still frame adds 0 and goes with either direction); a change the other
//     way starts a new sum.
//   - A transition is a sum that reaches 0.1 of luminance, while the darker
//     of the two frames' means is below 0.8, or 20 of red saturation; unless
//     the sum in that direction had reached it on the frame before already.
//   - A frame's window is the last second of frames, itself included. A
//     frame fails (flash failure) when its window holds more than six
//     transitions of either kind (more than three flashes); it fails by
//     extended failure when windows of four to six have ended on four
//     seconds' worth of the frames of the last five seconds and its own holds
//     four or more; four or more is a warning.
//
// "The last second" is the frame rate's frames for a video (IRIS counts
// frames too), or the frames of the last 1000 ms for a live show, whose
// frames come when they come (as IRIS's real-time analysis counts).
// One thread.
#ifndef MARDUNQIST_GENTLE_FLASH_CHECK_H
#define MARDUNQIST_GENTLE_FLASH_CHECK_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// The numbers of the rules above; the gentle filter steers by stricter ones.
struct FlashRules {
    double luminanceTransition = 0.1;
    double darkerBelow = 0.8;
    double redTransition = 20;
    double changedShare = 0.25;  // of the pixels, for a measure to change at all
    int mostTransitions = 6;     // in a window; more fails
    int extendedFrom = 4;        // transitions in a window that count towards extended failure
    int warningFrom = 4;
};

enum class FlashVerdict : std::uint8_t { pass, warning, extendedFail, flashFail };

// "pass", "warning", "extended-fail", "flash-fail".
const char* flashVerdictName(FlashVerdict verdict);

// How one frame changed from the one before, before any rule is applied.
struct FrameChange {
    double luminanceBefore = 0, luminanceAfter = 0;  // the frames' means
    double redBefore = 0, redAfter = 0;
    std::size_t luminancePixels = 0;  // pixels whose luminance changed
    std::size_t redPixels = 0;
    std::size_t pixels = 0;
};

// A frame as the check measures it.
class FrameLight {
public:
    // Measures a frame of RGBA (4 bytes a pixel) or RGB (3) rows, width x
    // height (any order of rows does: only areas count), and how it changed
    // from `before`; a frame of another size than `before` compares as
    // unchanged. `before` may not be this frame.
    FrameChange measure(const std::uint8_t* pixels, int width, int height, int bytesPerPixel,
                        const FrameLight& before);

    std::size_t pixels() const { return luminance_.size(); }
    double meanLuminance() const { return meanLuminance_; }
    double meanRed() const { return meanRed_; }

private:
    std::vector<float> luminance_;
    std::vector<float> red_;
    double meanLuminance_ = 0;
    double meanRed_ = 0;
};

// One frame as the check judged it.
struct FlashFrame {
    std::uint64_t index = 0;
    double timeMs = 0;
    double luminanceChange = 0;  // after the area rule
    double redChange = 0;
    double luminanceSum = 0;     // the sums the changes add up to
    double redSum = 0;
    bool luminanceTransition = false;  // a new one on this frame
    bool redTransition = false;
    int luminanceTransitions = 0;      // in the window ending here
    int redTransitions = 0;
    int luminanceExtended = 0;         // frames of the last five seconds whose window held 4 to 6
    int redExtended = 0;
    int extendedFrames = 0;            // how many make an extended failure: four seconds' worth
    int windowFrames = 0;              // frames in the window ending here
    FlashVerdict luminance = FlashVerdict::pass;
    FlashVerdict red = FlashVerdict::pass;
    FlashVerdict verdict() const { return luminance > red ? luminance : red; }
};

// One second of the sequence: the worst of its frames.
struct FlashSecond {
    std::uint64_t second = 0;  // counted from the first frame
    FlashVerdict verdict = FlashVerdict::pass;
    int luminanceTransitions = 0;  // new in this second
    int redTransitions = 0;
    int mostLuminance = 0;  // in a window ending in it
    int mostRed = 0;
    int flashFailFrames = 0;
    int extendedFailFrames = 0;
    int warningFrames = 0;
};

class FlashCheck {
public:
    // A video's frames, `framesPerSecond` of them in a second.
    explicit FlashCheck(double framesPerSecond, const FlashRules& rules = {});
    // A live show's frames, at the times they were shown.
    static FlashCheck byTime(const FlashRules& rules = {});

    // The next frame, shown at timeMs (not before the last one).
    const FlashFrame& addFrame(const std::uint8_t* pixels, int width, int height, int bytesPerPixel,
                               double timeMs);
    // The same for a frame measured already, by its change from the last
    // one (the first frame's change does not count).
    const FlashFrame& addChange(const FrameChange& change, double timeMs);

    // How a frame changing by `change` at timeMs would be judged, without
    // adding it.
    FlashFrame judge(const FrameChange& change, double timeMs) const;

    // The sum a change of the given sign (+1 or -1) at timeMs would add to:
    // the last second's changes in that direction (0 when it turns).
    double luminanceSumBefore(double sign, double timeMs) const;
    double redSumBefore(double sign, double timeMs) const;

    const FlashRules& rules() const { return rules_; }
    std::uint64_t frames() const { return frames_; }
    std::uint64_t luminanceTransitions() const { return luminanceTransitionCount_; }
    std::uint64_t redTransitions() const { return redTransitionCount_; }
    // Frames judged so: as a whole (the worse of the two measures), by
    // luminance, by red.
    std::uint64_t framesJudged(FlashVerdict verdict) const { return verdictCounts_[0][static_cast<int>(verdict)]; }
    std::uint64_t luminanceFrames(FlashVerdict verdict) const { return verdictCounts_[1][static_cast<int>(verdict)]; }
    std::uint64_t redFrames(FlashVerdict verdict) const { return verdictCounts_[2][static_cast<int>(verdict)]; }
    // A frame failed, by flash or extended failure.
    bool failed() const
    {
        return framesJudged(FlashVerdict::flashFail) + framesJudged(FlashVerdict::extendedFail) > 0;
    }

    // Every second so far, the current one included.
    const std::vector<FlashSecond>& seconds() const { return seconds_; }
    int failingSeconds() const { return failingSeconds_; }

private:
    FlashCheck(double framesPerSecond, bool byTime, const FlashRules& rules);

    struct Past {
        double timeMs;
        double luminanceChange, redChange;
        bool luminanceTransition, redTransition;
        bool luminanceExtended, redExtended;
    };
    // One measure's sum of changes: its direction's run started at an index.
    struct Run {
        double sum = 0;
        std::uint64_t start = 0;
    };

    // The index of the first past frame in the `seconds` long window ending
    // at frame `index`, shown at timeMs.
    std::uint64_t windowStart(double seconds, std::uint64_t index, double timeMs) const;
    const Past& past(std::uint64_t index) const { return past_[static_cast<std::size_t>(index - pastStart_)]; }
    // The run's changes within the second up to timeMs, when `change` goes on with it.
    double sumBefore(const Run& run, double change, double timeMs, double Past::*changes) const;
    void remember(const FlashFrame& frame, double timeMs);

    FlashRules rules_;
    bool byTime_;
    int windowFrames_;  // a second's frames, for a video

    FrameLight light_, lastLight_;  // the frame measured, the one before
    std::uint64_t frames_ = 0;
    double firstTimeMs_ = 0;
    Run luminanceRun_, redRun_;
    std::deque<Past> past_;  // the last five seconds' frames
    std::uint64_t pastStart_ = 0;
    FlashFrame last_;

    std::uint64_t luminanceTransitionCount_ = 0;
    std::uint64_t redTransitionCount_ = 0;
    std::uint64_t verdictCounts_[3][4] = {};
    std::vector<FlashSecond> seconds_;
    int failingSeconds_ = 0;
};

#endif
