#include "timeline/fragment_director.h"

#include "effects/fx_circles.h"
#include "effects/fx_curves.h"
#include "effects/fx_half_circles.h"
#include "effects/fx_lines.h"
#include "effects/fx_textures.h"
#include "effects/fx_triangles.h"
#include "effects/fx_vlines.h"
#include "seams/clock.h"
#include "seams/music.h"
#include "seams/random.h"
#include "timeline/step_check.h"

namespace {

// At most six fragments outlive a walk; room for a spawn on top.
constexpr std::size_t typicalLive = 8;

} // namespace

FragmentDirector::FragmentDirector()
{
    fragments.reserve(typicalLive);
}

void FragmentDirector::clear()
{
    fragments.clear();
    lastSpawn = 0;
}

std::unique_ptr<fxFragment> FragmentDirector::makeFragment(unsigned order)
{
    // The mix shifts with the music: curves, bars, half circles and pictures
    // first; rings from order 9; triangles and lines taking over from 14.
    switch (showrand::next() % 4) {
    case 0:
        if (order <= 13)
            return std::make_unique<fxCurves>();
        if (showrand::next() % 2 == 0)
            return std::make_unique<fxTriangles>();
        return std::make_unique<fxLines>();
    case 1:
        if (order <= 7)
            return std::make_unique<fxVlines>();
        switch (showrand::next() % 4) {
        case 0: return std::make_unique<fxLines>();
        case 1: return std::make_unique<fxTriangles>();
        case 2: return std::make_unique<fxHalfCircles>();
        default: return std::make_unique<fxTextures>();
        }
    case 2:
        if (order <= 8)
            return std::make_unique<fxHalfCircles>();
        return std::make_unique<fxCircles>();
    default:
        return std::make_unique<fxTextures>();
    }
}

void FragmentDirector::spawnFragment(float now)
{
    if (!(now > lastSpawn + spawnGap))
        return;
    // While the opening scene plays nothing spawns, and the gate stays open.
    const unsigned order = showmusic::orderOf(showmusic::position());
    if (order == 0)
        return;

    std::unique_ptr<fxFragment> fragment = makeFragment(order);
    fragment->startTime = now + (showrand::next() % 250);
    fragment->endTime = now + (showrand::next() % 500) + 300;
    fragment->reset();
    fragments.push_back(std::move(fragment));
    lastSpawn = now;
}

void FragmentDirector::update()
{
    const float now = showclock::tick();
    spawnFragment(now);

    for (std::size_t i = 0; i < fragments.size();) {
        fxFragment& fragment = *fragments[i];
        if (fragment.startTime <= now && now <= fragment.endTime) {
            fragment.render();
            timeline::stepDone("fragment");
            ++i;
        } else if (now > fragment.endTime) {
            fragments.erase(fragments.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}
