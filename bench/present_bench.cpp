// What presenting costs on a 1920x1080 screen: the canvas of the chosen size
// copied into the centred 4:3 rectangle of a full-screen window (the bands
// cleared, the picture scaled with linear filtering), against a copy of a
// canvas of the window's own size, one to one. Each copy is finished
// (glFinish) before the clock stops, so llvmpipe's work is in it; the swap is
// not. Needs a display of that size (bench/run starts an Xvfb).
#include "seams/screen.h"
#include "shell/gl_window.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Timing {
    double median, p99;
};

// copy() then glFinish, `frames` times after a few to warm up; the swap in
// between, untimed, as the show does it.
template <typename Copy>
Timing timeCopies(int frames, Copy copy)
{
    std::vector<double> ms;
    for (int i = -10; i < frames; ++i) {
        const auto start = std::chrono::steady_clock::now();
        copy();
        glFinish();
        const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (i >= 0)
            ms.push_back(took);
        SDL_GL_SwapWindow(glWindow.window);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 99 / 100]};
}

} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
    std::string error;
    if (!glWindow.open("kelvo mardunqist", WindowParams{640, 480, 32, 16, true}, &error)) {
        std::fprintf(stderr, "present_bench: %s\n", error.c_str());
        return 1;
    }
    SDL_PumpEvents();
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(glWindow.window, &width, &height);
    std::printf("presenting into a %dx%d full-screen window, %d frames (median / p99 ms):\n", width, height, frames);

    for (const int canvasWidth : {640, 800, 1024}) {
        Canvas canvas;
        if (!canvas.create(canvasWidth, canvasWidth * 3 / 4, &error)) {
            std::fprintf(stderr, "present_bench: %s\n", error.c_str());
            return 1;
        }
        const ShownRect shown = fitPicture(canvas.width(), canvas.height(), width, height);
        const Timing t = timeCopies(frames, [&] { canvas.copyToWindow(width, height); });
        std::printf("  canvas %4dx%-4d into %dx%d, bands cleared  %6.2f / %6.2f\n", canvas.width(), canvas.height(),
                    shown.width, shown.height, t.median, t.p99);
        canvas.destroy();
    }
    Canvas whole;
    if (!whole.create(width, height, &error)) {
        std::fprintf(stderr, "present_bench: %s\n", error.c_str());
        return 1;
    }
    const Timing t = timeCopies(frames, [&] { whole.copyToWindow(width, height); });
    std::printf("  canvas %4dx%-4d one to one (the earlier copy) %6.2f / %6.2f\n", width, height, t.median, t.p99);
    whole.destroy();
    glWindow.close();
    SDL_Quit();
    return 0;
}
