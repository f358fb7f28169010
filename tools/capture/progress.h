// Progress of a long capture on stderr: a live bar on a terminal, a line
// every few seconds otherwise.
#ifndef MARDUNQIST_CAPTURE_PROGRESS_H
#define MARDUNQIST_CAPTURE_PROGRESS_H

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

class Progress {
public:
    Progress(std::uint64_t expectedFrames, bool quiet);
    void update(std::uint64_t framesDone);
    void finish(std::uint64_t framesDone);
    // Ends the live bar's line, so that a message after it has its own.
    void breakLine();
    // Each line also says how many seconds fail the flash check so far.
    void countFlashFailures(const std::atomic<int>* failingSeconds) { flashFailures_ = failingSeconds; }

private:
    using Clock = std::chrono::steady_clock;
    void print(std::uint64_t framesDone, bool last);

    std::uint64_t expected_;
    bool quiet_;
    bool terminal_;
    Clock::time_point started_;
    Clock::time_point lastPrint_;
    const std::atomic<int>* flashFailures_ = nullptr;
};

#endif
