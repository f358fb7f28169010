// The browser as the show's desktop: always there, full screen through the
// Fullscreen API over whatever the screen shows, and the viewer's
// "prefers-reduced-motion".
#include "platform/desktop.h"

#include <emscripten/emscripten.h>

bool desktopNamed()
{
    return true;
}

FullScreen fullScreenKind()
{
    return FullScreen::desktopWindow;
}

EM_JS(int, reducedMotionAsked, (), {
    return typeof matchMedia === 'function' && matchMedia('(prefers-reduced-motion: reduce)').matches ? 1 : 0;
});

bool desktopAsksForLessMotion()
{
    return reducedMotionAsked() != 0;
}
