// Whether the session has a desktop to show windows on. Without one SDL
// falls back to a driver that shows nothing, and the show must say so.
#ifndef MARDUNQIST_SHELL_DESKTOP_H
#define MARDUNQIST_SHELL_DESKTOP_H

bool desktopNamed();

#endif
