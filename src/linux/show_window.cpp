#include "platform/show_window.h"

// X11 and Wayland need nothing told: the desktop file names the icon, and
// SDL's sizes are the screen's pixels already.
void prepareShowWindow()
{
}
