// The show's window on Windows. The manifest makes the program per-monitor
// DPI aware (v2), so Windows neither stretches its window nor shrinks the
// desktop it reports: a 1024x768 show is 1024x768 pixels, full screen
// switches to that mode of the display, at 125 % as at 100 %. SDL is told
// the same, and not to scale sizes itself, so its view agrees.
#include "platform/show_window.h"

#include "windows/resource_ids.h"

#include <SDL2/SDL.h>

#include <string>

void prepareShowWindow()
{
    SDL_SetHint(SDL_HINT_WINDOWS_DPI_AWARENESS, "permonitorv2");
    SDL_SetHint(SDL_HINT_WINDOWS_DPI_SCALING, "0");
    // By number: SDL's own way, the .exe's path, is cut at 260 characters.
    const std::string icon = std::to_string(MARDUNQIST_ICON);
    SDL_SetHint(SDL_HINT_WINDOWS_INTRESOURCE_ICON, icon.c_str());
    SDL_SetHint(SDL_HINT_WINDOWS_INTRESOURCE_ICON_SMALL, icon.c_str());
}
