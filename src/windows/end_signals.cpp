// The ways a console program is told to end on Windows, as the signals the
// rest of the program knows: Ctrl-C and Ctrl-Break as SIGINT, the console
// window closed as SIGHUP, logging off or shutting down as SIGTERM.
//
// The handler runs on a thread of its own. Ctrl-C and Ctrl-Break only leave
// the note. For the other three Windows ends the process as soon as the
// handler returns, so it does not return: the main thread takes its orderly
// way out (the desktop's display mode given back) and its exit ends the
// process, handler and all, with the program's own status. Windows allows
// this some seconds before it ends the process anyway.
#include "platform/end_signals.h"

#include <windows.h>

#include <atomic>

namespace {

constexpr int sigHup = 1;
constexpr int sigInt = 2;
constexpr int sigTerm = 15;

std::atomic<int> caught{0};
std::atomic<bool> installed{false};

int signalFor(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        return sigInt;
    case CTRL_CLOSE_EVENT:
        return sigHup;
    default:
        return sigTerm;
    }
}

BOOL WINAPI onConsoleEvent(DWORD event)
{
    int none = 0;
    caught.compare_exchange_strong(none, signalFor(event));
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE;
    Sleep(INFINITE);
    return TRUE;
}

} // namespace

void catchEndSignals()
{
    if (installed.exchange(true))
        return;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

int endSignal()
{
    return caught.load();
}

int takeEndSignal()
{
    return caught.exchange(0);
}

int endSignalStatus(int signal)
{
    return 128 + signal;
}

const char* endSignalName(int signal)
{
    if (signal == sigInt)
        return "Ctrl-C";
    if (signal == sigHup)
        return "the console closed";
    return signal == sigTerm ? "logoff or shutdown" : "a signal";
}
