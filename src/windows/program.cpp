// The running program on Windows: its name without ".exe", its data beside
// the .exe (the zip unpacks them there), the tick counter since boot, its
// arguments from the wide command line, and its messages.
//
// The show is a GUI program, so Explorer opens no console beside it. Started
// from a Command Prompt or PowerShell it writes into that console; with its
// output redirected, into the file or pipe; started from Explorer nobody sees
// its output, and only what stops it before the show is shown, in a message
// box.
#include "platform/program.h"

#include "windows/wide_text.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

namespace {

// The executable's full path, however long.
std::string executablePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return "";
        if (length < path.size())
            return utf8Text(path.data(), length);
        path.resize(path.size() * 2);
    }
}

// The executable's name without folder or ".exe", as Linux gives it.
std::string executableStem()
{
    std::string name = executablePath();
    const std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name.empty() ? "mardunqist" : name;
}

const std::string theProgramName = executableStem();

std::vector<std::string> utf8Arguments;
std::vector<char*> argumentPointers;

// Whether anyone can read stderr: a console, a file or a pipe behind it.
bool messagesSeen = false;
UINT consoleCodePage = 0;

bool handleWorks(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// The C runtime's stream onto the console. A GUI program's streams start
// out leading nowhere, and stay so even once it has a console.
void reopenOnConsole(std::FILE* stream, int descriptor)
{
    if (!std::freopen("CONOUT$", "w", stream)) {
        // Wine's C runtime reopens no stream that started without a
        // descriptor: it gets the console's under its usual number.
        const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        const int opened = console == INVALID_HANDLE_VALUE
                               ? -1
                               : _open_osfhandle(reinterpret_cast<intptr_t>(console), _O_TEXT);
        if (opened < 0)
            return;
        if (opened != descriptor) {
            _dup2(opened, descriptor);
            _close(opened);
        }
        stream->_file = descriptor;
    }
    std::setvbuf(stream, nullptr, _IONBF, 0);
}

void restoreCodePage()
{
    SetConsoleOutputCP(consoleCodePage);
}

void connectMessages()
{
    const bool outputWorks = handleWorks(STD_OUTPUT_HANDLE);
    const bool errorsWork = handleWorks(STD_ERROR_HANDLE);
    // A console program has its console already; a GUI one borrows its
    // parent's (Explorer has none).
    const bool console = GetConsoleCP() != 0 || AttachConsole(ATTACH_PARENT_PROCESS);
    if (console) {
        if (!outputWorks)
            reopenOnConsole(stdout, 1);
        if (!errorsWork)
            reopenOnConsole(stderr, 2);
        // The messages are UTF-8 (file names in any script): the console
        // shows them so while the program runs, and gets its own page back.
        consoleCodePage = GetConsoleOutputCP();
        if (consoleCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
            std::atexit(restoreCodePage);
    }
    messagesSeen = console || errorsWork;
}

} // namespace

void startProgram(int* argc, char*** argv)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide) {
        for (int i = 0; i < count; ++i)
            utf8Arguments.push_back(utf8Text(wide[i], wcslen(wide[i])));
        LocalFree(wide);
        for (std::string& argument : utf8Arguments)
            argumentPointers.push_back(argument.data());
        argumentPointers.push_back(nullptr);
        *argc = count;
        *argv = argumentPointers.data();
    }
    connectMessages();
}

void reportStop(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", theProgramName.c_str(), message.c_str());
    if (!messagesSeen)
        MessageBoxW(nullptr, wideText(message).c_str(), L"kelvo mardunqist", MB_OK | MB_ICONERROR);
}

const char* programName()
{
    return theProgramName.c_str();
}

std::string installedDataFolder()
{
    const std::string program = executablePath();
    const std::size_t slash = program.find_last_of("\\/");
    return slash == std::string::npos ? "" : program.substr(0, slash);
}

std::uint32_t bootTicks()
{
    return GetTickCount();
}
