#include "platform/desktop.h"

#include <cstdlib>

// An X server or a Wayland compositor, as the session names them.
bool desktopNamed()
{
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}
