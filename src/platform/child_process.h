// ffmpeg as a child of the capture: started without a shell (a name is
// passed as it is, quotes and all), in a process group of its own (a Ctrl-C
// in the terminal reaches the parent, which then decides), and written to
// and waited for in a way that an end signal (platform/end_signals.h)
// interrupts, however stuck the child is.
#ifndef MARDUNQIST_PLATFORM_CHILD_PROCESS_H
#define MARDUNQIST_PLATFORM_CHILD_PROCESS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // A child still running is killed: nobody waits for its work any more.
    ~ChildProcess() { kill(); }

    // Runs argv[0], found on PATH; with pipeInput its standard input is a
    // pipe that write() fills; niceness above 0 runs it below the capture's
    // priority. 0, or the error number (ENOENT: not installed).
    int start(const std::vector<std::string>& argv, bool pipeInput, int niceness = 0);

    // All of it into the child's standard input. False when the child
    // stopped reading or an end signal came.
    bool write(const void* data, std::size_t size);

    // End of input: the child sees it finish.
    void closeInput();

    // Waits for the child to end: its exit status (0 is success), or -1 when
    // an end signal came first (the child is then killed).
    int wait();

    // Ends the child at once (SIGKILL, it may be stopped) and reaps it.
    void kill();

protected:
    void closePipes();

    // The system's own: a process id and descriptors on POSIX, HANDLEs on
    // Windows; -1 for none. output_ is the read end a platform's own kind
    // of child may add (Linux's ChildReader).
    std::intptr_t process_ = -1;
    std::intptr_t input_ = -1;
    std::intptr_t output_ = -1;
};

#endif
