#include "os/program_name.h"

#include <windows.h>

#include <string>

namespace {

// The executable's name without folder or ".exe", as Linux gives it.
std::string executableStem()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length);
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
