// The show in a web page: what the page's JavaScript calls.
//
// The page owns the loop, the input and the sound (show.js, music.js); this
// side owns the WebGL context and runs the show's own code on it. One
// thread: the page's. Each frame the page passes the music position it hears
// and the show draws one frame with drawFrame, exactly as the native main
// loop does. The capture page drives the same show on a virtual clock.
#include "gentle/gentle_screen.h"
#include "seams/clock.h"
#include "seams/music.h"
#include "seams/screen.h"
#include "timeline/frame_composer.h"
#include "timeline/show.h"
#include "web/gl/gl_subset.h"

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

struct WebShow {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
    Canvas canvas;
    bool gentle = false;
    GentleScreen gentleScreen;
    PageMusic music;
    std::vector<std::uint8_t> pixels;
};

WebShow show;

// Where the page writes the six files it fetched.
constexpr const char* dataFolder = "/show";

void presentToPage()
{
    if (show.gentle)
        show.gentleScreen.present(show.canvas, show.canvas.width(), show.canvas.height(), showclock::nowMs());
    else
        show.canvas.copyToWindow(show.canvas.width(), show.canvas.height());
}

void closeContext()
{
    if (show.context == 0)
        return;
    show.gentleScreen.destroy();
    show.canvas.destroy();
    emscripten_webgl_make_context_current(0);
    emscripten_webgl_destroy_context(show.context);
    show.context = 0;
}

} // namespace

extern "C" {

// Opens WebGL 2 on the page's canvas "#show" at width x height, and starts a
// show as a program start does: fresh state, the generator seeded from
// seedTicks, the global GL state, the five pictures. The clock is live, or
// manual (at the capture's first frame time) for a capture; gentle presents
// through the gentle filter. 1 on success; on failure one line on the
// console and 0.
EMSCRIPTEN_KEEPALIVE int webShowStart(int width, int height, std::uint32_t seedTicks, int manualClock, int gentle)
{
    closeContext();
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = false;  // opaque: the picture's alpha never shows through
    attributes.depth = false;  // the show draws into its own canvas framebuffer
    attributes.stencil = false;
    attributes.antialias = false;
    attributes.preserveDrawingBuffer = false;
    show.context = emscripten_webgl_create_context("#show", &attributes);
    if (show.context <= 0) {
        std::fprintf(stderr, "mardunqist: this browser gives no WebGL 2 context\n");
        show.context = 0;
        return 0;
    }
    emscripten_webgl_make_context_current(show.context);

    std::string error;
    if (!glsubset::init(&error) || !show.canvas.create(width, height, &error)) {
        std::fprintf(stderr, "mardunqist: %s\n", error.c_str());
        closeContext();
        return 0;
    }

    show.gentle = gentle != 0;
    show.music = PageMusic{};
    ShowStart start;
    start.clock = manualClock ? ShowClock::manual : ShowClock::restarted;
    start.music = &show.music;
    start.present = presentToPage;
    start.seedTicks = seedTicks;
    start.pictureFolder = dataFolder;
    startShow(start);
    return 1;
}

// One frame of the live show with the music where the page hears it.
// Returns 1 while the show runs, 0 once it has ended by itself (at its own
// end, or when the music stopped before the credits).
EMSCRIPTEN_KEEPALIVE int webShowFrame(std::uint32_t position, int playing)
{
    if (show.context == 0)
        return 0;
    show.music.heardPosition = position;
    show.music.playing = playing != 0;
    drawFrame();
    return showEnded() ? 0 : 1;
}

// One frame at a given show time (manual clock), for the capture.
EMSCRIPTEN_KEEPALIVE int webShowCaptureFrame(double timeMs, std::uint32_t position, int playing)
{
    showclock::setManual(timeMs);
    return webShowFrame(position, playing);
}

// The rate the page renders the module at, as every player does.
EMSCRIPTEN_KEEPALIVE int webMusicSampleRate()
{
    return musicSampleRate;
}

// The frame last presented as RGBA rows, bottom row first (the canvas, or
// with gentle what the filter showed); valid until the next call.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* webShowReadPixels()
{
    if (show.gentle)
        return show.gentleScreen.shownFrame().data();
    show.pixels = show.canvas.readRGBA();
    return show.pixels.data();
}

EMSCRIPTEN_KEEPALIVE void webShowStop()
{
    stopShow();
    closeContext();
}

} // extern "C"
