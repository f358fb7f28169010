// The desktop the show's windows go on: whether there is one, how a show
// takes all of it, and whether its viewer asked it for less motion.
#ifndef MARDUNQIST_PLATFORM_DESKTOP_H
#define MARDUNQIST_PLATFORM_DESKTOP_H

// Whether the session has a desktop to show windows on. Without one SDL
// falls back to a driver that shows nothing, and the show must say so.
bool desktopNamed();

// How a full-screen show takes the screen.
enum class FullScreen {
    // A window over the whole desktop, whose mode stays as it is: nothing to
    // give back, whatever way the show ends. (On Wayland and XWayland a mode
    // switch is only a stretch of the window over the output.)
    desktopWindow,
    // The display switched to the chosen mode, and back at the end.
    modeSwitch,
};

FullScreen fullScreenKind();

// Whether the viewer has asked the desktop for less motion (GNOME's "Reduce
// animation", GTK's gtk-enable-animations off, Windows' "Show animations in
// Windows" off). False where the desktop says nothing.
bool desktopAsksForLessMotion();

#endif
