// Where the show's start-up goes: the steps of `mardunqist --play --windowed
// --first-frame`, in the same order, each timed (ms since the show clock
// started, which is during static initialisation, as the show reports it).
// Then a few more frames, to show what the first one paid for once.
#include "platform/program.h"
#include "seams/clock.h"
#include "seams/music.h"
#include "seams/show_files.h"
#include "shell/gl_window.h"
#include "shell/module_file.h"
#include "shell/music_player.h"
#include "timeline/frame_composer.h"
#include "timeline/show.h"

#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double lastMark = 0;
double presentMs = 0;

void mark(const char* step)
{
    const double now = showclock::nowMs() - showclock::liveOffsetMs;
    std::printf("  %-34s %8.1f ms  (+%.1f)\n", step, now, now - lastMark);
    lastMark = now;
}

double sinceMs(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The window's present, timed, with the frame finished first and the copy
// to the window apart from the swap.
double finishMs = 0, copyMs = 0;
void timedPresent()
{
    auto start = std::chrono::steady_clock::now();
    glFinish();
    finishMs = sinceMs(start);
    start = std::chrono::steady_clock::now();
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(glWindow.window, &width, &height);
    glWindow.canvas.copyToWindow(width, height);
    glFinish();
    copyMs = sinceMs(start);
    start = std::chrono::steady_clock::now();
    glWindow.present();
    presentMs = sinceMs(start);
}

} // namespace

int main(int argc, char** argv)
{
    const int width = argc > 1 ? std::atoi(argv[1]) : 640;
    const int height = argc > 2 ? std::atoi(argv[2]) : 480;
    std::printf("start-up steps (%dx%d window):\n", width, height);
    mark("main entered");

    std::string error;
    if (!glWindow.open("kelvo mardunqist", WindowParams{width, height, 32, 16, false}, &error)) {
        std::fprintf(stderr, "startup_probe: %s\n", error.c_str());
        return 1;
    }
    mark("window and GL context");
    MusicPlayer music;
    ShowStart start;
    start.music = &music;
    start.present = timedPresent;
    start.seedTicks = bootTicks();
    startShow(start);
    mark("GL state and five pictures");

    music.init(musicSampleRate);
    mark("audio device");
    music.load(moduleFileName);
    mark("module loaded");
    music.play();
    mark("music started");

    glWindow.pump();
    drawFrame();
    glFinish();
    mark("first frame drawn and presented");
    std::printf("    of which: frame finished %.1f ms, canvas copied to the window %.1f ms, present %.1f ms\n",
                finishMs, copyMs, presentMs);

    for (int i = 2; i <= 4; ++i) {
        glWindow.pump();
        drawFrame();
        glFinish();
        const std::string step = "frame " + std::to_string(i);
        mark(step.c_str());
    }

    stopShow();
    music.free();
    glWindow.close();
    SDL_Quit();
    return 0;
}
