// ffmpeg as a child of the capture on Windows: CreateProcess, found on the
// PATH as Windows finds programs, with a command line quoted so that it
// parses back into the same arguments, in a process group of its own (a
// Ctrl-C in the console reaches the capture, which then decides), its
// standard input a pipe. Waits look at the end signal every 50 ms; a write
// goes in pieces with a look between them.
#include "platform/child_process.h"

#include "platform/end_signals.h"
#include "windows/wide_text.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>

namespace {

HANDLE handleOf(std::intptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

std::intptr_t valueOf(HANDLE handle)
{
    return reinterpret_cast<std::intptr_t>(handle);
}

// One argument as the C runtime's parser reads it back: quoted when it
// holds a space, a tab or a quote; backslashes doubled only before a quote.
std::string quoted(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, '\\');
    return out + "\"";
}

int errnoFor(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT : EIO;
}

} // namespace

int ChildProcess::start(const std::vector<std::string>& argv, bool pipeInput, int niceness)
{
    std::string commandLine;
    for (const std::string& argument : argv) {
        if (!commandLine.empty())
            commandLine += ' ';
        commandLine += quoted(argument);
    }

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childInput = nullptr, ourInput = nullptr;
    if (pipeInput) {
        if (!CreatePipe(&childInput, &ourInput, &inheritable, 1 << 20))
            return errnoFor(GetLastError());
        SetHandleInformation(ourInput, HANDLE_FLAG_INHERIT, 0);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = pipeInput ? childInput : GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    DWORD flags = CREATE_NEW_PROCESS_GROUP;
    if (niceness > 0)
        flags |= BELOW_NORMAL_PRIORITY_CLASS;
    PROCESS_INFORMATION child{};
    // Wide, so that a path outside the ANSI code page reaches ffmpeg whole.
    std::wstring wideCommandLine = wideText(commandLine);
    const BOOL started = CreateProcessW(nullptr, wideCommandLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                                        nullptr, &startup, &child);
    const DWORD error = GetLastError();
    if (pipeInput)
        CloseHandle(childInput);
    if (!started) {
        if (pipeInput)
            CloseHandle(ourInput);
        return errnoFor(error);
    }
    CloseHandle(child.hThread);
    process_ = valueOf(child.hProcess);
    if (pipeInput)
        input_ = valueOf(ourInput);
    return 0;
}

bool ChildProcess::write(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    constexpr std::size_t piece = 1 << 16;
    while (size > 0) {
        if (endSignal())
            return false;
        DWORD written = 0;
        if (!WriteFile(handleOf(input_), bytes, static_cast<DWORD>(std::min(size, piece)), &written, nullptr))
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

void ChildProcess::closeInput()
{
    if (input_ != -1) {
        CloseHandle(handleOf(input_));
        input_ = -1;
    }
}

int ChildProcess::wait()
{
    closeInput();
    while (process_ != -1) {
        if (WaitForSingleObject(handleOf(process_), 50) == WAIT_OBJECT_0) {
            DWORD status = 1;
            GetExitCodeProcess(handleOf(process_), &status);
            CloseHandle(handleOf(process_));
            process_ = -1;
            return static_cast<int>(status);
        }
        if (endSignal()) {
            kill();
            return -1;
        }
    }
    return -1;
}

void ChildProcess::kill()
{
    closeInput();
    if (process_ != -1) {
        TerminateProcess(handleOf(process_), 1);
        WaitForSingleObject(handleOf(process_), INFINITE);
        CloseHandle(handleOf(process_));
        process_ = -1;
    }
}
