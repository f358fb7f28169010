// The Linux desktop: an X server or a Wayland compositor; full screen as a
// window over it; its animation setting as GTK reads it.
#include "platform/desktop.h"

#include <gtk/gtk.h>

#include <cstdlib>

// An X server or a Wayland compositor, as the session names them.
bool desktopNamed()
{
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

FullScreen fullScreenKind()
{
    return FullScreen::desktopWindow;
}

// GTK finds the setting wherever the desktop keeps it: GNOME's settings,
// an X settings daemon, or the user's gtk-3.0/settings.ini. Asked without
// the chooser, GTK is kept from setting the program's locale, which would
// change how the rest of the program writes numbers and window titles.
bool desktopAsksForLessMotion()
{
    if (!gdk_display_get_default())
        gtk_disable_setlocale();
    if (!gtk_init_check(nullptr, nullptr))
        return false;
    gboolean animations = TRUE;
    g_object_get(gtk_settings_get_default(), "gtk-enable-animations", &animations, nullptr);
    return !animations;
}
