// What the tests of the slot effects (fxCircles, fxLines, ...) share: a fixture
// holding the effect, and the checks of its first render and of a slot that
// reaches its vanish time exactly. Every such effect has `static constexpr int
// slots` and public `appearTime` and `vanishTime` arrays of that many slots, and
// rolls a slot with random draws when the slot's window is over.
#ifndef MARDUNQIST_TESTS_EFFECT_CHECKS_H
#define MARDUNQIST_TESTS_EFFECT_CHECKS_H

#include "seams/random.h"
#include "support/gl_fixture.h"

#include <gtest/gtest.h>

// Use through an alias, so that the suite keeps the effect's name:
//   using fxLinesTest = EffectTest<fxLines>;
template <class Fx>
class EffectTest : public GLTest {
protected:
    Fx fx;

    // Rolls every slot at 1000 ms, then parks them all out of sight.
    void rollAndPark()
    {
        fx.reset();
        fx.render();
        for (int i = 0; i < Fx::slots; ++i)
            fx.appearTime[i] = fx.vanishTime[i] = 1e7f;
    }

    // Resets the effect and renders it once at 1000 ms: that render rolls
    // every slot with `draws` random draws in all, none to appear before now,
    // and draws nothing.
    void expectFirstRenderRollsEverySlot(unsigned draws)
    {
        fx.reset();
        const auto before = showrand::drawCount();
        fx.render();
        EXPECT_EQ(showrand::drawCount() - before, draws);
        for (float t : fx.appearTime)
            EXPECT_GE(t, 1000.0f);
        EXPECT_EQ(litPixels(), 0);
    }

    // Gives every slot the window (1400, 1500) and renders at exactly 1500 ms:
    // a slot at its vanish time is kept, not rolled again, and not drawn.
    void expectExactVanishTimeKeepsEverySlot()
    {
        for (int i = 0; i < Fx::slots; ++i) {
            fx.appearTime[i] = 1400;
            fx.vanishTime[i] = 1500;
        }
        setTime(1500);
        const auto before = showrand::drawCount();
        fx.render();
        EXPECT_EQ(showrand::drawCount(), before);
        EXPECT_EQ(litPixels(), 0);
    }
};

#endif
