// The show in a web page: what the page's JavaScript calls.
//
// The page owns the loop, the input and the sound (show.js, music.js); this
// side owns the WebGL context and runs the show's own code on it. One
// thread: the page's. Each frame the page passes the music position it hears
// and the show draws one frame with drawFrame, exactly as the native main
// loop does. The page's captures step the same show offline
// (web_capture.cpp).
#include "gentle/gentle_screen.h"
#include "platform/desktop.h"
#include "platform/program.h"
#include "seams/clock.h"
#include "seams/music.h"
#include "seams/screen.h"
#include "timeline/frame_composer.h"
#include "timeline/show.h"
#include "web/gl/gl_subset.h"
#include "web/page_canvas.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The music as the page hears it: set before every frame.
class PageMusic : public MusicSource {
public:
    std::uint32_t heardPosition = 0;
    bool playing = false;

    std::uint32_t position() override { return heardPosition; }
    bool isActive() override { return playing; }
};

struct PageCanvas {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
    Canvas canvas;
    bool gentle = false;
    GentleScreen gentleScreen;
    std::vector<std::uint8_t> pixels;
};

PageCanvas page;
PageMusic pageMusic;

} // namespace

bool openPageCanvas(int width, int height, bool gentle)
{
    closePageCanvas();
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = false;  // opaque: the picture's alpha never shows through
    attributes.depth = false;  // the show draws into its own canvas framebuffer
    attributes.stencil = false;
    attributes.antialias = false;
    attributes.preserveDrawingBuffer = false;
    page.context = emscripten_webgl_create_context("#show", &attributes);
    if (page.context <= 0) {
        std::fprintf(stderr, "%s: this browser gives no WebGL 2 context\n", programName());
        page.context = 0;
        return false;
    }
    emscripten_webgl_make_context_current(page.context);

    std::string error;
    if (!glsubset::init(&error) || !page.canvas.create(width, height, &error)) {
        std::fprintf(stderr, "%s: %s\n", programName(), error.c_str());
        closePageCanvas();
        return false;
    }
    page.gentle = gentle;
    return true;
}

void closePageCanvas()
{
    if (page.context == 0)
        return;
    page.gentleScreen.destroy();
    page.canvas.destroy();
    emscripten_webgl_make_context_current(0);
    emscripten_webgl_destroy_context(page.context);
    page.context = 0;
}

void presentToPage()
{
    if (page.gentle)
        page.gentleScreen.present(page.canvas, page.canvas.width(), page.canvas.height(), showclock::nowMs());
    else
        page.canvas.copyToWindow(page.canvas.width(), page.canvas.height());
}

const std::uint8_t* presentedPixels()
{
    if (page.gentle)
        return page.gentleScreen.shownFrame().data();
    page.pixels = page.canvas.readRGBA();
    return page.pixels.data();
}

int pageCanvasWidth()
{
    return page.canvas.width();
}

int pageCanvasHeight()
{
    return page.canvas.height();
}

extern "C" {

// Opens WebGL 2 on the page's canvas "#show" at width x height, and starts a
// show as a program start does: fresh state, the live clock counting from
// now, the generator seeded from the clock, the global GL state, the five
// pictures; gentle presents through the gentle filter. 1 on success; on
// failure one line on the console and 0.
EMSCRIPTEN_KEEPALIVE int webShowStart(int width, int height, int gentle)
{
    if (!openPageCanvas(width, height, gentle != 0))
        return 0;
    pageMusic = PageMusic{};
    startShow({.clock = ShowClock::restarted,
               .music = &pageMusic,
               .present = presentToPage,
               .seedTicks = bootTicks(),
               .pictureFolder = pageDataFolder});
    return 1;
}

// One frame of the live show with the music where the page hears it.
// Returns 1 while the show runs, 0 once it has ended by itself (at its own
// end, or when the music stopped before the credits).
EMSCRIPTEN_KEEPALIVE int webShowFrame(std::uint32_t position, int playing)
{
    if (!page.canvas.isOpen())
        return 0;
    pageMusic.heardPosition = position;
    pageMusic.playing = playing != 0;
    drawFrame();
    return showEnded() ? 0 : 1;
}

// The rate the page renders the module at, as every player does.
EMSCRIPTEN_KEEPALIVE int webMusicSampleRate()
{
    return musicSampleRate;
}

EMSCRIPTEN_KEEPALIVE void webShowStop()
{
    stopShow();
    closePageCanvas();
}

// Whether the viewer asked the browser for less motion: the start page then
// ticks "gentle" for them.
EMSCRIPTEN_KEEPALIVE int webDesktopAsksForLessMotion()
{
    return desktopAsksForLessMotion() ? 1 : 0;
}

} // extern "C"
