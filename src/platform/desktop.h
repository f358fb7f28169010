// Whether the session has a desktop to show windows on. Without one SDL
// falls back to a driver that shows nothing, and the show must say so.
#ifndef MARDUNQIST_PLATFORM_DESKTOP_H
#define MARDUNQIST_PLATFORM_DESKTOP_H

bool desktopNamed();

#endif
