#include "platform/end_signals.h"

#include "linux/end_signal_pipe.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int endSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

std::atomic<int> caught{0};
int wakePipe[2] = {-1, -1};

void onEndSignal(int signal)
{
    const int savedErrno = errno;
    int none = 0;
    caught.compare_exchange_strong(none, signal);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(wakePipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

void catchEndSignals()
{
    if (wakePipe[0] >= 0)
        return;
    if (pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        wakePipe[0] = wakePipe[1] = -1;
    struct sigaction action{};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls resume: every wait that must end on a signal
    // polls the wake-up pipe instead.
    action.sa_flags = SA_RESTART;
    for (int signal : endSignals)
        sigaction(signal, &action, nullptr);
}

int endSignal()
{
    return caught.load();
}

int takeEndSignal()
{
    return caught.exchange(0);
}

int endSignalFd()
{
    return wakePipe[0];
}

int endSignalStatus(int signal)
{
    return 128 + signal;
}

const char* endSignalName(int signal)
{
    switch (signal) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    case SIGQUIT:
        return "SIGQUIT";
    default:
        return "a signal";
    }
}
