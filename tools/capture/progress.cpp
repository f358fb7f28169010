#include "progress.h"

#include <cstdio>
#include <unistd.h>

Progress::Progress(std::uint64_t expectedFrames, bool quiet)
    : expected_(expectedFrames), quiet_(quiet), terminal_(isatty(STDERR_FILENO) != 0),
      started_(Clock::now()), lastPrint_(started_)
{
}

void Progress::update(std::uint64_t framesDone)
{
    if (quiet_)
        return;
    const auto now = Clock::now();
    const auto every = terminal_ ? std::chrono::milliseconds(200) : std::chrono::milliseconds(5000);
    if (now - lastPrint_ < every)
        return;
    lastPrint_ = now;
    print(framesDone, false);
}

void Progress::finish(std::uint64_t framesDone)
{
    if (!quiet_)
        print(framesDone, true);
}

void Progress::breakLine()
{
    if (!quiet_ && terminal_)
        std::fputc('\n', stderr);
}

void Progress::print(std::uint64_t framesDone, bool last)
{
    const double elapsed = std::chrono::duration<double>(Clock::now() - started_).count();
    const double rate = elapsed > 0 ? static_cast<double>(framesDone) / elapsed : 0;
    const std::uint64_t total = expected_ > framesDone ? expected_ : framesDone;
    const double left = rate > 0 ? static_cast<double>(total - framesDone) / rate : 0;
    const int percent = total ? static_cast<int>(100 * framesDone / total) : 100;
    std::string flashes;
    if (flashFailures_) {
        const int failing = flashFailures_->load();
        flashes = ", " + std::to_string(failing) + (failing == 1 ? " second fails" : " seconds fail") +
                  " the flash check";
    }
    if (terminal_) {
        char bar[31];
        const int filled = percent * 30 / 100;
        for (int i = 0; i < 30; ++i)
            bar[i] = i < filled ? '#' : '.';
        bar[30] = '\0';
        std::fprintf(stderr, "\r[%s] %3d%%  frame %llu/%llu  %.1f fps  %02d:%02d left%s ", bar, percent,
                     static_cast<unsigned long long>(framesDone), static_cast<unsigned long long>(total),
                     rate, static_cast<int>(left) / 60, static_cast<int>(left) % 60, flashes.c_str());
        if (last)
            std::fputc('\n', stderr);
    } else {
        std::fprintf(stderr, "capture: frame %llu/%llu (%d%%), %.1f fps, %d s left%s\n",
                     static_cast<unsigned long long>(framesDone), static_cast<unsigned long long>(total),
                     percent, rate, static_cast<int>(left), flashes.c_str());
    }
}
