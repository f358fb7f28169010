// The general-flash check (WCAG 2.3.1) over a sequence of frames, counted
// the way EA's IRIS analyser counts it:
//
//   - Each frame is measured on a 160x120 grid: the mean relative luminance
//     of the pixels in each cell (linearised sRGB, 0.2126 R + 0.7152 G +
//     0.0722 B).
//   - From one frame to the next, the frame changes if at least 25% of its
//     cells changed at all; its change is then the difference of the two
//     frames' mean luminance, else 0.
//   - Changes in one direction add up over the frames of the last second (a
//     fade of a few frames is one change; a still frame adds 0); a change the
//     other way starts a new sum.
//   - A transition is a sum that reaches 0.1 while the darker of the two
//     frames' means is below 0.8, unless the sum had reached 0.1 already: a
//     change counts once. A flash is a pair of opposite transitions.
//   - A one-second window (the frames of the second up to and including a
//     frame) with more than three flashes (more than six transitions) fails;
//     a second of the show fails when a window ending in it does.
//
// Frames are RGBA rows as GL reads them (any order of rows does: only areas
// count), with the show time they were presented at. One thread.
#ifndef MARDUNQIST_GENTLE_FLASH_CHECK_H
#define MARDUNQIST_GENTLE_FLASH_CHECK_H

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace flashcheck {

constexpr int gridWidth = 160;
constexpr int gridHeight = 120;
constexpr double minimumChange = 0.1;
constexpr double darkerBelow = 0.8;
constexpr double minimumArea = 0.25;
constexpr int mostTransitionsInASecond = 6;

} // namespace flashcheck

// A frame's mean relative luminance per cell of the analysis grid (fewer
// cells for a frame smaller than the grid).
class LuminanceGrid {
public:
    void measure(const std::uint8_t* rgba, int width, int height);
    const std::vector<float>& cells() const { return cells_; }
    bool empty() const { return cells_.empty(); }

private:
    std::vector<float> cells_;
    std::vector<float> sums_;
    std::vector<int> counts_;
    std::vector<int> columnCell_;
};

// How one frame changed from the one before.
struct FrameChange {
    double luminance = 0;  // the change of the mean; 0 when too little of the frame changed
    double darker = 1;     // the darker frame's mean
};

FrameChange compareGrids(const LuminanceGrid& before, const LuminanceGrid& after);

// One second of the show as the check sees it.
struct FlashSecond {
    std::uint64_t second = 0;  // counted from the first frame
    int transitions = 0;       // in this second
    int mostInAWindow = 0;     // transitions in the worst window ending in it
    // Flashes in that window: three and a half for seven transitions.
    double flashes() const { return mostInAWindow / 2.0; }
    bool passes() const { return mostInAWindow <= flashcheck::mostTransitionsInASecond; }
};

class FlashCheck {
public:
    // The next frame, presented at timeMs (not before the last one).
    void addFrame(const std::uint8_t* rgba, int width, int height, double timeMs);
    // The same for a frame already measured.
    void addGrid(const LuminanceGrid& grid, double timeMs);

    // Whether a frame changing by `change` at timeMs would make a transition.
    bool wouldTransition(const FrameChange& change, double timeMs) const;
    // What a change of `luminance` at timeMs would add to: the sum of the
    // last second's changes in its direction (0 if it turns the other way).
    double sumBefore(double luminance, double timeMs) const;
    // Transitions in the window that would end at timeMs, not counting a
    // frame there.
    int transitionsBefore(double timeMs) const;

    const LuminanceGrid& lastGrid() const { return last_; }
    std::uint64_t frames() const { return frames_; }
    std::uint64_t transitions() const { return transitionCount_; }

    // Every second so far, the current one included.
    const std::vector<FlashSecond>& seconds() const { return seconds_; }
    int failingSeconds() const { return failing_; }

    // "second,transitions,flashes,passes" and a row a second.
    std::string reportCsv() const;

private:
    LuminanceGrid measured_;
    LuminanceGrid last_;
    std::uint64_t frames_ = 0;
    double firstTimeMs_ = 0;

    // The changes adding up now, with their times.
    struct Change {
        double timeMs;
        double luminance;
    };
    std::deque<Change> run_;
    double sum_ = 0;

    std::deque<double> recent_;  // times of the transitions in the last second
    std::uint64_t transitionCount_ = 0;
    std::vector<FlashSecond> seconds_;
    int failing_ = 0;
};

#endif
