#include "shell/gl_window.h"

#include "platform/desktop.h"
#include "platform/end_signals.h"
#include "platform/show_window.h"
#include "seams/clock.h"

#include <chrono>
#include <cstring>
#include <thread>

GLWindow glWindow;

namespace {

std::uint64_t monotonicNs()
{
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch()).count());
}

} // namespace

void postQuit()
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

bool GLWindow::open(const char* title, const WindowParams& params, std::string* error)
{
    // With no display SDL falls back to a driver that shows nothing; a show
    // nobody can see is no show, unless the user asked for a driver.
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    const bool driverAsked = asked && *asked;
    const char* noDisplay = "cannot open a display for the show (SDL_VIDEODRIVER=offscreen plays it unseen)";
    if (!driverAsked && !desktopNamed()) {
        if (error)
            *error = noDisplay;
        return false;
    }
    prepareShowWindow();
    // Viewers watch the whole show without touching anything: the screen
    // saver and the display's power saving stay off while it plays (SDL's
    // default, stated so that it stays so). Video init applies it; closing
    // the display, by any way out, gives them back.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (error)
            *error = std::string("cannot open a display: ") + SDL_GetError();
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driverAsked && driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        if (error)
            *error = noDisplay;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    fullscreen = params.fullscreen;

    // A default (compatibility) context: no version or profile requested.
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, params.depthBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);

    // The drawable in real pixels on HiDPI desktops, so presenting is the one
    // scaling step.
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN | SDL_WINDOW_ALLOW_HIGHDPI;
    const bool modeSwitch = fullscreen && fullScreenKind() == FullScreen::modeSwitch;
    SDL_Rect place{0, 0, params.width, params.height};
    if (modeSwitch) {
        flags |= SDL_WINDOW_FULLSCREEN;
    } else if (fullscreen) {
        // Made at the desktop's size, so it covers the screen even where no
        // window manager acts on the full-screen request.
        SDL_GetDisplayBounds(0, &place);
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    } else {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    window = SDL_CreateWindow(title, place.x, place.y, place.w, place.h, flags);
    if (!window) {
        if (error)
            *error = std::string("cannot open the show's window: ") + SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    if (modeSwitch) {
        SDL_DisplayMode wanted{};
        wanted.w = params.width;
        wanted.h = params.height;
        SDL_DisplayMode closest{};
        if (SDL_GetClosestDisplayMode(SDL_GetWindowDisplayIndex(window), &wanted, &closest))
            SDL_SetWindowDisplayMode(window, &closest);
    }

    glContext = SDL_GL_CreateContext(window);
    if (!glContext) {
        if (error)
            *error = std::string("cannot create an OpenGL context: ") + SDL_GetError();
        close();
        return false;
    }
    SDL_GL_MakeCurrent(window, glContext);

    std::string canvasError;
    if (!canvas.create(params.width, params.height, &canvasError)) {
        if (error)
            *error = "cannot create the canvas: " + canvasError;
        close();
        return false;
    }

    // The dark overlays compound once per frame, so the frame rate is part of
    // the look: hold the display's rate, by vsync or else by sleeping.
    vsync = SDL_GL_SetSwapInterval(1) == 0;
    SDL_DisplayMode mode{};
    refreshHz = (SDL_GetWindowDisplayMode(window, &mode) == 0 && mode.refresh_rate > 0)
                    ? mode.refresh_rate
                    : 60;
    nextPresentNs = 0;

    SDL_RaiseWindow(window);
    if (fullscreen)
        SDL_ShowCursor(SDL_DISABLE);
    return true;
}

bool GLWindow::pump()
{
    if (takeEndSignal() != 0)
        postQuit();
    SDL_Event event;
    if (!SDL_PollEvent(&event))
        return true;
    switch (event.type) {
    case SDL_QUIT:
        return false;
    case SDL_KEYDOWN:
        if (event.key.keysym.sym == SDLK_ESCAPE)
            postQuit();
        return true;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE)
            postQuit();
        return true;
    default:
        return true;
    }
}

void GLWindow::present()
{
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    if (gentle)
        gentleScreen.present(canvas, drawableWidth, drawableHeight, showclock::nowMs());
    else
        canvas.copyToWindow(drawableWidth, drawableHeight);
    if (!vsync) {
        const std::uint64_t period = 1000000000ull / static_cast<std::uint64_t>(refreshHz);
        const std::uint64_t now = monotonicNs();
        if (nextPresentNs > now)
            std::this_thread::sleep_for(std::chrono::nanoseconds(nextPresentNs - now));
        // After a slow frame, start counting afresh instead of racing to catch up.
        nextPresentNs = (nextPresentNs > now ? nextPresentNs : now) + period;
    }
    SDL_GL_SwapWindow(window);
}

void GLWindow::close()
{
    if (fullscreen && window) {
        // Leaving full screen puts the desktop's mode back (after a switch)
        // before the window goes.
        SDL_SetWindowFullscreen(window, 0);
        SDL_ShowCursor(SDL_ENABLE);
    }
    if (glContext) {
        gentleScreen.destroy();
        canvas.destroy();
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(glContext);
        glContext = nullptr;
    }
    if (window) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
