#include "gentle/flash_check.h"

#include "gentle/linear_light.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

void LuminanceGrid::measure(const std::uint8_t* rgba, int width, int height)
{
    const int columns = std::min(width, flashcheck::gridWidth);
    const int rows = std::min(height, flashcheck::gridHeight);
    const std::size_t cellCount = static_cast<std::size_t>(columns) * rows;
    sums_.assign(cellCount, 0.0f);
    counts_.assign(cellCount, 0);
    columnCell_.resize(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
        columnCell_[static_cast<std::size_t>(x)] = static_cast<int>(static_cast<std::int64_t>(x) * columns / width);

    const linearlight::LuminanceTables& weight = linearlight::luminanceTables();
    for (int y = 0; y < height; ++y) {
        const std::size_t rowCells = static_cast<std::size_t>(static_cast<std::int64_t>(y) * rows / height) * columns;
        const std::uint8_t* p = rgba + static_cast<std::size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x, p += 4) {
            const std::size_t cell = rowCells + static_cast<std::size_t>(columnCell_[static_cast<std::size_t>(x)]);
            sums_[cell] += weight.red[p[0]] + weight.green[p[1]] + weight.blue[p[2]];
            ++counts_[cell];
        }
    }
    cells_.resize(cellCount);
    for (std::size_t i = 0; i < cellCount; ++i)
        cells_[i] = sums_[i] / static_cast<float>(counts_[i]);
}

FrameChange compareGrids(const LuminanceGrid& before, const LuminanceGrid& after)
{
    const std::vector<float>& a = before.cells();
    const std::vector<float>& b = after.cells();
    if (a.size() != b.size() || a.empty())
        return {};
    std::size_t changed = 0;
    double sumBefore = 0, sumAfter = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        changed += a[i] != b[i];
        sumBefore += a[i];
        sumAfter += b[i];
    }
    const double meanBefore = sumBefore / static_cast<double>(a.size());
    const double meanAfter = sumAfter / static_cast<double>(a.size());
    FrameChange change;
    change.darker = std::min(meanBefore, meanAfter);
    if (changed >= flashcheck::minimumArea * static_cast<double>(a.size()))
        change.luminance = meanAfter - meanBefore;
    return change;
}

namespace {

// A still frame (0) goes on with either direction.
bool sameDirection(double a, double b)
{
    return !(a > 0 && b < 0) && !(a < 0 && b > 0);
}

} // namespace

double FlashCheck::sumBefore(double luminance, double timeMs) const
{
    if (!sameDirection(sum_, luminance))
        return 0;
    double sum = sum_;
    for (const Change& c : run_) {
        if (c.timeMs > timeMs - 1000.0)
            break;
        sum -= c.luminance;
    }
    return sum;
}

bool FlashCheck::wouldTransition(const FrameChange& change, double timeMs) const
{
    if (sameDirection(sum_, change.luminance) && std::fabs(sum_) >= flashcheck::minimumChange)
        return false;
    const double sum = sumBefore(change.luminance, timeMs) + change.luminance;
    return std::fabs(sum) >= flashcheck::minimumChange && change.darker < flashcheck::darkerBelow;
}

int FlashCheck::transitionsBefore(double timeMs) const
{
    const double from = timeMs - 1000.0;
    return static_cast<int>(std::count_if(recent_.begin(), recent_.end(), [&](double t) { return t > from; }));
}

void FlashCheck::addFrame(const std::uint8_t* rgba, int width, int height, double timeMs)
{
    measured_.measure(rgba, width, height);
    addGrid(measured_, timeMs);
}

void FlashCheck::addGrid(const LuminanceGrid& grid, double timeMs)
{
    if (frames_ == 0)
        firstTimeMs_ = timeMs;
    const FrameChange change = frames_ == 0 ? FrameChange{} : compareGrids(last_, grid);
    const bool transition = frames_ > 0 && wouldTransition(change, timeMs);
    if (sameDirection(sum_, change.luminance)) {
        while (!run_.empty() && run_.front().timeMs <= timeMs - 1000.0) {
            sum_ -= run_.front().luminance;
            run_.pop_front();
        }
    } else {
        run_.clear();
        sum_ = 0;
    }
    run_.push_back({timeMs, change.luminance});
    sum_ += change.luminance;
    if (transition) {
        recent_.push_back(timeMs);
        ++transitionCount_;
    }
    while (!recent_.empty() && recent_.front() <= timeMs - 1000.0)
        recent_.pop_front();
    last_ = grid;

    const auto second = static_cast<std::uint64_t>(std::floor((timeMs - firstTimeMs_) / 1000.0));
    while (seconds_.empty() || seconds_.back().second < second) {
        FlashSecond next;
        next.second = seconds_.empty() ? 0 : seconds_.back().second + 1;
        seconds_.push_back(next);
    }
    FlashSecond& now = seconds_.back();
    const bool passed = now.passes();
    if (transition)
        ++now.transitions;
    now.mostInAWindow = std::max(now.mostInAWindow, static_cast<int>(recent_.size()));
    if (passed && !now.passes())
        ++failing_;
    ++frames_;
}

std::string FlashCheck::reportCsv() const
{
    std::string csv = "second,transitions,flashes,passes\n";
    char row[96];
    for (const FlashSecond& s : seconds_) {
        std::snprintf(row, sizeof row, "%llu,%d,%g,%d\n", static_cast<unsigned long long>(s.second), s.transitions,
                      s.flashes(), s.passes() ? 1 : 0);
        csv += row;
    }
    return csv;
}
