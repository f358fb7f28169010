// The show's one rendering window (SDL2): an OpenGL context drawing into the
// persistent canvas, full screen or in a plain window, plus the per-frame
// message pump.
//
// The canvas is always the size chosen; the window is whatever the desktop
// makes of it (a full-screen window at the desktop's size, a tiled or resized
// window, a HiDPI drawable in real pixels), and every frame is shown in the
// largest centred rectangle of the canvas's shape, black around it. Full
// screen is a window over the desktop where the platform says so (Linux:
// nothing to restore at the end), a real mode switch elsewhere (Windows).
//
// The quit rule: Escape (key down) and a close request post a quit event; the
// pump takes one event per call and reports quit when it takes that event.
// The signals that end a program (SIGINT, SIGTERM, SIGHUP, SIGQUIT, caught
// by catchEndSignals) post the same quit event at the next pump, so the
// shutdown path (and with it the desktop's display mode and cursor) runs for
// them too.
#ifndef MARDUNQIST_SHELL_GL_WINDOW_H
#define MARDUNQIST_SHELL_GL_WINDOW_H

#include "gentle/gentle_screen.h"
#include "seams/screen.h"

#include <SDL2/SDL.h>

#include <cstdint>
#include <string>

struct WindowParams {
    int width;
    int height;
    int colorBits;
    int depthBits;
    bool fullscreen;
};

struct GLWindow {
    SDL_Window* window = nullptr;
    SDL_GLContext glContext = nullptr;
    bool fullscreen = false;
    Canvas canvas;

    // Set before open: the canvas is presented through the gentle filter.
    bool gentle = false;
    GentleScreen gentleScreen;

    // The drawable's size at the last present, in pixels.
    int drawableWidth = 0;
    int drawableHeight = 0;

    // Without vsync (Xvfb refuses it) present sleeps to the display's rate.
    bool vsync = false;
    int refreshHz = 60;
    std::uint64_t nextPresentNs = 0;

    // False with a one-line reason when no window or GL context can be had,
    // or when SDL would only fall back to a driver that shows nothing.
    bool open(const char* title, const WindowParams& params, std::string* error);

    // Handles at most one waiting event; false only when it takes the quit.
    // A caught end signal first posts a quit.
    bool pump();

    // Shows the frame just drawn.
    void present();

    // Undoes open: the desktop's mode (after a switch) and the cursor back,
    // context and window gone.
    void close();
};

// The one rendering window of the program.
extern GLWindow glWindow;

// Posts the quit event that ends the show at the next pump that takes it.
void postQuit();

#endif
