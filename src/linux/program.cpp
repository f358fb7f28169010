// The running program on Linux: its name as it was started, its installed
// data beside its bin/ folder, and the boot clock.
#include "platform/program.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>

namespace fs = std::filesystem;

// Linux hands main its arguments as the terminal typed them, and stderr is
// wherever the program was started from.
void startProgram(int*, char***)
{
}

void reportStop(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", programName(), message.c_str());
}

const char* programName()
{
    return program_invocation_short_name;
}

std::string installedDataFolder()
{
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "";
    return (program.parent_path() / MARDUNQIST_DATA_FROM_BIN).lexically_normal().string();
}

std::uint32_t bootTicks()
{
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                             static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}
