// What the platform tells SDL before the show's window opens.
#ifndef MARDUNQIST_PLATFORM_SHOW_WINDOW_H
#define MARDUNQIST_PLATFORM_SHOW_WINDOW_H

// On Windows: that the program draws in the screen's own pixels at any
// display scaling (per-monitor DPI awareness, as its manifest declares), and
// the icon its window shows in the title bar and the task bar.
void prepareShowWindow();

#endif
