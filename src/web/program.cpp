// The running program in a web page: the show's name, the folder the page
// writes the six files into, the browser's clock for the seed, and the
// console for what stops it.
#include "platform/program.h"

#include <emscripten/html5.h>

#include <cmath>
#include <cstdio>

// The page hands the show no arguments; its messages go to the console.
void startProgram(int*, char***)
{
}

void reportStop(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", programName(), message.c_str());
}

const char* programName()
{
    return "mardunqist";
}

// Where the page writes the files it fetched from the site's data folder.
std::string installedDataFolder()
{
    return "/show";
}

// A page cannot know the machine's uptime; the wall clock's milliseconds
// stand in for it, wrapped as a tick counter wraps.
std::uint32_t bootTicks()
{
    return static_cast<std::uint32_t>(std::fmod(emscripten_date_now(), 4294967296.0));
}
