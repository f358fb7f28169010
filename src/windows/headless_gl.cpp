// A GL context with no visible window on Windows: WGL needs a device context
// with a pixel format, so a hidden window of its own class gives one; the
// show draws into the canvas, never into that window.
#include "platform/headless_gl.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr const char* hiddenClass = "mardunqist hidden GL";
// Named, so that a test can tell it is never shown.
constexpr const char* hiddenTitle = "mardunqist GL context";

std::string systemError(const char* what)
{
    char code[24];
    std::snprintf(code, sizeof code, " failed (error %lu)", static_cast<unsigned long>(GetLastError()));
    return what + std::string(code);
}

HWND createHiddenWindow()
{
    WNDCLASSA windowClass{};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = hiddenClass;
    // A second context in the same process finds the class registered.
    if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    return CreateWindowExA(0, hiddenClass, hiddenTitle, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

} // namespace

bool HeadlessGL::open(int width, int height, std::string* error)
{
    close();
    // Whatever step fails, what came before it is undone.
    auto fail = [&](const char* what) {
        if (error)
            *error = systemError(what);
        close();
        return false;
    };
    HWND window = createHiddenWindow();
    if (!window)
        return fail("creating a hidden window for GL");
    HDC deviceContext = GetDC(window);
    display_ = deviceContext;
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 32;
    format.cDepthBits = 16;
    format.iLayerType = PFD_MAIN_PLANE;
    const int chosen = ChoosePixelFormat(deviceContext, &format);
    if (chosen == 0 || !SetPixelFormat(deviceContext, chosen, &format))
        return fail("setting a GL pixel format");
    context_ = wglCreateContext(deviceContext);
    if (!context_)
        return fail("wglCreateContext");
    if (!wglMakeCurrent(deviceContext, static_cast<HGLRC>(context_)))
        return fail("wglMakeCurrent");
    const bool created = canvas_.create(width, height, error);
    if (!created)
        close();
    return created;
}

void HeadlessGL::close()
{
    if (context_) {
        canvas_.destroy();
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(static_cast<HGLRC>(context_));
        context_ = nullptr;
    }
    if (display_) {
        HDC deviceContext = static_cast<HDC>(display_);
        HWND window = WindowFromDC(deviceContext);
        ReleaseDC(window, deviceContext);
        DestroyWindow(window);
        display_ = nullptr;
    }
}
