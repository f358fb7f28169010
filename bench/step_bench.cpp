// Each drawing step of a frame alone, on the headless context, at the show's
// three sizes. Every benchmark keeps all of its items on screen (every slot
// or copy inside its window) and walks the clock through half a second of
// 60 fps frames, so the geometry moves as in the show. glFinish() is inside
// the timed loop: llvmpipe rasterizes on its own threads, so real time is
// what counts, not this thread's CPU time.
#include "effects/fx_circles.h"
#include "effects/fx_curves.h"
#include "effects/fx_half_circles.h"
#include "effects/fx_lines.h"
#include "effects/fx_textures.h"
#include "effects/fx_triangles.h"
#include "effects/fx_vlines.h"
#include "platform/headless_gl.h"
#include "seams/clock.h"
#include "seams/music.h"
#include "seams/random.h"
#include "timeline/frame_composer.h"
#include "timeline/show.h"

#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string dataDir = ".";

constexpr float baseTime = 100000;     // well past the start, like mid-show
constexpr float frameMs = 1000.0f / 60;
constexpr int cycleFrames = 30;        // the clock repeats every half second

// One context at a time, reopened (with the pictures) when the size changes.
HeadlessGL gl;
int openWidth = 0, openHeight = 0;
ScriptedMusic music;

bool useSize(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    if (width != openWidth || height != openHeight) {
        std::string error;
        if (!gl.open(width, height, &error)) {
            state.SkipWithError(("no GL context: " + error).c_str());
            return false;
        }
        startShow({.clock = ShowClock::manual, .music = &music, .seedTicks = 4200000, .pictureFolder = dataDir});
        showclock::setManual(baseTime);
        openWidth = width;
        openHeight = height;
    }
    showmusic::use(&music);
    resetShow();
    state.SetLabel(std::to_string(width) + "x" + std::to_string(height));
    return true;
}

float frameTime(int n)
{
    return baseTime + static_cast<float>(n % cycleFrames) * frameMs;
}

void reportFrames(benchmark::State& state)
{
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                benchmark::Counter::kIsRate);
}

// A few untimed frames first: llvmpipe compiles its shaders on first use.
template <class Draw>
void runFrames(benchmark::State& state, Draw draw)
{
    for (int n = 0; n < 3; ++n) {
        showclock::setManual(frameTime(n));
        draw();
    }
    glFinish();
    int n = 0;
    for (auto _ : state) {
        showclock::setManual(frameTime(n++));
        draw();
        glFinish();
    }
    reportFrames(state);
}

// Every slot opened 50 ms before the cycle starts and closing long after it ends.
template <class Fx>
void openAllSlots(Fx& fx)
{
    for (int i = 0; i < Fx::slots; ++i) {
        fx.appearTime[i] = baseTime - 50;
        fx.vanishTime[i] = baseTime + 1e6f;
    }
}

template <class Fx>
void BM_Effect(benchmark::State& state)
{
    if (!useSize(state))
        return;
    static Fx fx;
    fx.reset();
    showclock::setManual(baseTime);
    fx.render();  // re-rolls every slot, draws nothing
    openAllSlots(fx);
    runFrames(state, [] { fx.render(); });
    state.counters["items"] = Fx::slots;
}

void BM_OpeningScene(benchmark::State& state)
{
    if (!useSize(state))
        return;
    showclock::setManual(baseTime);
    glLoadIdentity();
    openingScene.render();  // places every copy
    for (int i = 0; i < OpeningScene::copyCount; ++i) {
        openingScene.appearTime[i] = baseTime - 400;  // past the fade-in
        openingScene.vanishTime[i] = baseTime + 1e6f;
    }
    runFrames(state, [] {
        glLoadIdentity();
        openingScene.render();
    });
    state.counters["items"] = OpeningScene::copyCount;
}

// The overlays live inside drawFrame, so they are measured as whole frames
// with nothing else in them; "empty frame" is the frame's fixed cost (depth
// clear, flush) to subtract.
enum class Overlay { none, flicker, endingFade, credits };

template <Overlay overlay>
void BM_Frame(benchmark::State& state)
{
    if (!useSize(state))
        return;
    fragmentDirector.lastSpawn = 1e30f;  // no fragment ever spawns
    music.playing = true;
    switch (overlay) {
    case Overlay::none:
    case Overlay::flicker:
        music.at(20);
        break;
    case Overlay::endingFade:
        music.at(32, 50);
        break;
    case Overlay::credits:
        music.at(33);
        break;
    }
    runFrames(state, [] {
        const float now = showclock::tick();
        composer = ComposerState();
        switch (overlay) {
        case Overlay::none:
            composer.flickerStart = 1e30f;  // scheduled, never shown
            composer.flickerEnd = 1e30f;
            break;
        case Overlay::flicker:
            composer.flickerStart = now - 1;
            composer.flickerEnd = now + 1e6f;
            composer.flickerAlpha = 0.45f;
            break;
        case Overlay::endingFade:
            composer.endingStarted = true;
            composer.endingStartTime = now - 2 * endingFadeMs;  // at full strength
            break;
        case Overlay::credits:
            composer.endingStarted = true;
            composer.endingStartTime = now - 2 * endingFadeMs;
            composer.creditsStarted = true;
            composer.creditsStartTime = now - 20000;  // both cards on screen
            break;
        }
        drawFrame();
    });
}

void sizes(benchmark::internal::Benchmark* b)
{
    b->Args({640, 480})->Args({800, 600})->Args({1024, 768});
    b->ArgNames({"w", "h"});
    b->UseRealTime();
    b->Unit(benchmark::kMillisecond);
    b->MinTime(0.4);
}

} // namespace

BENCHMARK(BM_OpeningScene)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_Effect, fxTriangles)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_Effect, fxVlines)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_Effect, fxCircles)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_Effect, fxTextures)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_Effect, fxCurves)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_Effect, fxHalfCircles)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_Effect, fxLines)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_Frame, Overlay::none)->Name("BM_EmptyFrame")->Apply(sizes);
BENCHMARK_TEMPLATE(BM_Frame, Overlay::flicker)->Name("BM_Flicker")->Apply(sizes);
BENCHMARK_TEMPLATE(BM_Frame, Overlay::endingFade)->Name("BM_EndingFade")->Apply(sizes);
BENCHMARK_TEMPLATE(BM_Frame, Overlay::credits)->Name("BM_EndingFadeAndCredits")->Apply(sizes);

// Our one option, --data DIR (the pictures), taken out before the library's.
int main(int argc, char** argv)
{
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc)
            dataDir = argv[++i];
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gl.close();
    return 0;
}
