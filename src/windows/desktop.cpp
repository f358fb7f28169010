// The Windows desktop: always there; full screen as a real switch of the
// display mode; "Show animations in Windows" as its motion setting.
#include "platform/desktop.h"

#include <windows.h>

bool desktopNamed()
{
    return true;
}

FullScreen fullScreenKind()
{
    return FullScreen::modeSwitch;
}

bool desktopAsksForLessMotion()
{
    BOOL animations = TRUE;
    if (!SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &animations, 0))
        return false;
    return !animations;
}
