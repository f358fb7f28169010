// Children of the capture and of the flash checker, spawned without a shell.
#include "platform/child_process.h"

#include "linux/child_reader.h"
#include "linux/end_signal_pipe.h"
#include "platform/end_signals.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Which of the child's standard streams a pipe replaces.
enum class Piped { nothing, input, output, outputAndErrors };

// argv[0] started; the parent's end of the pipe in *parentEnd. 0, or the
// error number.
int spawn(const std::vector<std::string>& argv, Piped piped, pid_t* pid, int* parentEnd)
{
    int fds[2] = {-1, -1};
    if (piped != Piped::nothing && pipe2(fds, O_CLOEXEC) != 0)
        return errno;
    const int childEnd = piped == Piped::input ? fds[0] : fds[1];
    *parentEnd = piped == Piped::input ? fds[1] : fds[0];

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (piped == Piped::input)
        posix_spawn_file_actions_adddup2(&actions, childEnd, STDIN_FILENO);
    if (piped == Piped::output || piped == Piped::outputAndErrors)
        posix_spawn_file_actions_adddup2(&actions, childEnd, STDOUT_FILENO);
    if (piped == Piped::outputAndErrors)
        posix_spawn_file_actions_adddup2(&actions, childEnd, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The child takes the defaults the capture changed for itself, and the
    // terminal's signals go to the capture alone.
    sigset_t defaults, none;
    sigemptyset(&defaults);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ})
        sigaddset(&defaults, signal);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);

    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int failed = posix_spawnp(pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (piped != Piped::nothing)
        close(childEnd);
    if (failed && piped != Piped::nothing)
        close(*parentEnd);
    return failed;
}

} // namespace

int ChildProcess::start(const std::vector<std::string>& argv, bool pipeInput, int niceness)
{
    pid_t pid = -1;
    int input = -1;
    if (const int failed = spawn(argv, pipeInput ? Piped::input : Piped::nothing, &pid, &input))
        return failed;
    process_ = pid;
    // Its threads take the main thread's niceness as ffmpeg starts them,
    // well after this.
    if (niceness > 0)
        setpriority(PRIO_PROCESS, static_cast<id_t>(pid), std::min(19, getpriority(PRIO_PROCESS, 0) + niceness));
    if (pipeInput) {
        input_ = input;
        // Never blocked in a write: poll says when the child takes more.
        fcntl(input, F_SETFL, fcntl(input, F_GETFL) | O_NONBLOCK);
    }
    return 0;
}

int ChildReader::startReading(const std::vector<std::string>& argv, bool errorsToo)
{
    pid_t pid = -1;
    int output = -1;
    if (const int failed = spawn(argv, errorsToo ? Piped::outputAndErrors : Piped::output, &pid, &output))
        return failed;
    process_ = pid;
    output_ = output;
    return 0;
}

std::int64_t ChildReader::read(void* data, std::size_t size)
{
    auto* bytes = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size) {
        if (endSignal())
            return -1;
        pollfd fds[2] = {{static_cast<int>(output_), POLLIN, 0}, {endSignalFd(), POLLIN, 0}};
        if (poll(fds, endSignalFd() >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t got = ::read(static_cast<int>(output_), bytes + done, size - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

bool ChildProcess::write(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        if (endSignal())
            return false;
        pollfd fds[2] = {{static_cast<int>(input_), POLLOUT, 0}, {endSignalFd(), POLLIN, 0}};
        if (poll(fds, endSignalFd() >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (fds[0].revents & (POLLERR | POLLHUP))
            return false;
        if (!(fds[0].revents & POLLOUT))
            continue;
        const ssize_t written = ::write(static_cast<int>(input_), bytes, size);
        if (written < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

void ChildProcess::closeInput()
{
    if (input_ >= 0) {
        close(static_cast<int>(input_));
        input_ = -1;
    }
}

void ChildProcess::closePipes()
{
    closeInput();
    if (output_ >= 0) {
        close(static_cast<int>(output_));
        output_ = -1;
    }
}

int ChildProcess::wait()
{
    closePipes();
    while (process_ > 0) {
        const auto pid = static_cast<pid_t>(process_);
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            process_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (done < 0 && errno != EINTR) {
            process_ = -1;
            return -1;
        }
        if (endSignal()) {
            kill();
            return -1;
        }
        // The signal's wake-up, or a look at the child every 50 ms.
        pollfd wake{endSignalFd(), POLLIN, 0};
        poll(&wake, endSignalFd() >= 0 ? 1 : 0, 50);
    }
    return -1;
}

void ChildProcess::kill()
{
    closePipes();
    if (process_ > 0) {
        const auto pid = static_cast<pid_t>(process_);
        ::kill(pid, SIGKILL);
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        process_ = -1;
    }
}
