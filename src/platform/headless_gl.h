// A real OpenGL context with no display and no window: on Linux Mesa
// through EGL's surfaceless platform, desktop GL (compatibility profile); on
// Windows a WGL context on a hidden window. It draws into a Canvas. Tests, benchmarks and the capture tool run the show's drawing code
// on it and read the pixels back.
#ifndef MARDUNQIST_PLATFORM_HEADLESS_GL_H
#define MARDUNQIST_PLATFORM_HEADLESS_GL_H

#include "seams/screen.h"

#include <string>

class HeadlessGL {
public:
    HeadlessGL() = default;
    HeadlessGL(const HeadlessGL&) = delete;
    HeadlessGL& operator=(const HeadlessGL&) = delete;
    ~HeadlessGL() { close(); }

    // A fresh context, current on this thread, with a canvas of the given size
    // bound. False with a reason when no context can be had.
    bool open(int width, int height, std::string* error);
    void close();

    Canvas& canvas() { return canvas_; }
    bool isOpen() const { return context_ != nullptr; }

private:
    void* display_ = nullptr;  // the EGLDisplay, or the hidden window's HDC
    void* context_ = nullptr;  // the EGLContext, or the HGLRC
    Canvas canvas_;
};

#endif
