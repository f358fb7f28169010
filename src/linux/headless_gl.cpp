#include "platform/headless_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>

namespace {

EGLDisplay surfacelessDisplay()
{
    // The default display would try X11 first and fail with no server.
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay)
        return EGL_NO_DISPLAY;
    return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

std::string eglErrorText(const char* what)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    return std::string(what) + " failed (EGL error " + code + ")";
}

} // namespace

bool HeadlessGL::open(int width, int height, std::string* error)
{
    close();
    EGLDisplay display = surfacelessDisplay();
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        if (error)
            *error = eglErrorText("EGL surfaceless display");
        return false;
    }
    display_ = display;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        if (error)
            *error = eglErrorText("eglBindAPI(OpenGL)");
        close();
        return false;
    }
    // No config, no surface: the context draws only into framebuffer objects.
    EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        if (error)
            *error = eglErrorText("eglCreateContext");
        close();
        return false;
    }
    context_ = context;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        if (error)
            *error = eglErrorText("eglMakeCurrent");
        close();
        return false;
    }
    if (!canvas_.create(width, height, error)) {
        close();
        return false;
    }
    return true;
}

void HeadlessGL::close()
{
    if (context_) {
        canvas_.destroy();
        eglMakeCurrent(static_cast<EGLDisplay>(display_), EGL_NO_SURFACE, EGL_NO_SURFACE,
                       EGL_NO_CONTEXT);
        eglDestroyContext(static_cast<EGLDisplay>(display_), static_cast<EGLContext>(context_));
        context_ = nullptr;
    }
    // The display stays initialised: EGL shares it within the process, and
    // terminating it would pull it from under any other open context.
    display_ = nullptr;
}
