// The running program on Windows: its name without ".exe", its data beside
// the .exe (the zip unpacks them there), and the tick counter since boot.
#include "platform/program.h"

#include <windows.h>

namespace {

// The executable's full path, in the ANSI code page as the rest of the
// program's paths (argv) are.
std::string executablePath()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
        return "";
    return std::string(path, length);
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

} // namespace

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
