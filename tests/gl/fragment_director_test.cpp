#include "effects/fx_circles.h"
#include "effects/fx_curves.h"
#include "effects/fx_half_circles.h"
#include "effects/fx_lines.h"
#include "effects/fx_textures.h"
#include "effects/fx_triangles.h"
#include "effects/fx_vlines.h"
#include "seams/random.h"
#include "support/gl_fixture.h"
#include "timeline/frame_composer.h"

#include <typeinfo>

namespace {

// A fragment that only counts its renders.
class CountingFragment : public fxFragment {
public:
    int renders = 0;
    int resets = 0;
    int* destroyed = nullptr;
    void render() override { ++renders; }
    void reset() override { ++resets; }
    ~CountingFragment() override
    {
        if (destroyed)
            ++*destroyed;
    }
};

class DirectorTest : public GLTest {
protected:
    FragmentDirector& director = fragmentDirector;

    void updateAt(double ms)
    {
        setTime(ms);
        director.update();
    }

    CountingFragment* add(float start, float end, int* destroyed = nullptr)
    {
        auto fragment = std::make_unique<CountingFragment>();
        fragment->startTime = start;
        fragment->endTime = end;
        fragment->destroyed = destroyed;
        CountingFragment* raw = fragment.get();
        director.fragments.push_back(std::move(fragment));
        return raw;
    }

    // The class that a spawn at `order` makes from the scripted draws.
    std::string classFor(unsigned order, std::initializer_list<int> draws)
    {
        showrand::script(draws);
        const std::unique_ptr<fxFragment> made = FragmentDirector::makeFragment(order);
        EXPECT_EQ(showrand::scriptedLeft(), 0) << "order " << order;
        showrand::clearScript();
        const fxFragment& fragment = *made;
        return typeid(fragment).name();
    }
};

template <class T>
std::string nameOf()
{
    return typeid(T).name();
}

} // namespace

TEST_F(DirectorTest, SpawnGateOpensStrictlyAfter150Ms)
{
    music.at(3, 0);
    director.lastSpawn = 1000;
    updateAt(1150);
    EXPECT_TRUE(director.fragments.empty());
    EXPECT_EQ(music.positionReads, 0) << "the position is read only when the gate opens";
    updateAt(1151);
    EXPECT_EQ(director.fragments.size(), 1u);
    EXPECT_EQ(director.lastSpawn, 1151.0f);
    EXPECT_EQ(music.positionReads, 1);
}

TEST_F(DirectorTest, NothingSpawnsAtOrderZeroAndTheGateStaysOpen)
{
    music.at(0, 12);
    updateAt(5000);
    updateAt(5001);
    updateAt(5002);
    EXPECT_TRUE(director.fragments.empty());
    EXPECT_EQ(director.lastSpawn, 0.0f);
    EXPECT_EQ(music.positionReads, 3);
}

TEST_F(DirectorTest, ClassTableFollowsTheOrderAndTheSecondDraws)
{
    EXPECT_EQ(classFor(7, {1}), nameOf<fxVlines>());
    EXPECT_EQ(classFor(8, {1, 0}), nameOf<fxLines>());
    EXPECT_EQ(classFor(8, {1, 1}), nameOf<fxTriangles>());
    EXPECT_EQ(classFor(8, {1, 2}), nameOf<fxHalfCircles>());
    EXPECT_EQ(classFor(8, {1, 3}), nameOf<fxTextures>());
    EXPECT_EQ(classFor(8, {2}), nameOf<fxHalfCircles>());
    EXPECT_EQ(classFor(9, {2}), nameOf<fxCircles>());
    EXPECT_EQ(classFor(13, {0}), nameOf<fxCurves>());
    EXPECT_EQ(classFor(14, {0, 0}), nameOf<fxTriangles>());
    EXPECT_EQ(classFor(14, {0, 1}), nameOf<fxLines>());
    EXPECT_EQ(classFor(1, {3}), nameOf<fxTextures>());
    EXPECT_EQ(classFor(500, {3}), nameOf<fxTextures>());
    // Only the remainders count: 32764 % 4 = 0, 32767 % 2 = 1; 32765 % 4 = 1, 32767 % 4 = 3.
    EXPECT_EQ(classFor(20, {32764, 32767}), nameOf<fxLines>());
    EXPECT_EQ(classFor(20, {32765, 32767}), nameOf<fxTextures>());
    // Any order above 13 is treated like 14.
    EXPECT_EQ(classFor(0xFFFF, {2}), nameOf<fxCircles>());
}

TEST_F(DirectorTest, SpawnDrawsStartThenEndOffsetAndResets)
{
    music.at(2, 0);
    // class 3 (fxTextures), start offset 249, end offset 499 + 300
    showrand::script({3, 249, 499});
    updateAt(2000);
    ASSERT_EQ(director.fragments.size(), 1u);
    const fxFragment& made = *director.fragments.back();
    EXPECT_EQ(typeid(made).name(), nameOf<fxTextures>());
    EXPECT_EQ(made.startTime, 2249.0f);
    EXPECT_EQ(made.endTime, 2799.0f);
    const auto& textures = static_cast<const fxTextures&>(made);
    for (float v : textures.vanishTime)
        EXPECT_EQ(v, 0.0f) << "reset zeroed every slot and nothing rendered it yet";
}

TEST_F(DirectorTest, FragmentWithStartOffsetZeroIsDrawnInTheWalkThatSpawnedIt)
{
    music.at(2, 0);
    showrand::script({1, 0, 100});  // fxVlines, starts now
    updateAt(3000);
    ASSERT_EQ(director.fragments.size(), 1u);
    const auto& bars = static_cast<const fxVlines&>(*director.fragments.back());
    for (float v : bars.vanishTime)
        EXPECT_GT(v, 3000.0f) << "its first render re-rolled every slot";
}

TEST_F(DirectorTest, WalkDrawsOpenWindowsBothEndsIncludedAndRetiresPastOnes)
{
    director.lastSpawn = 1e30f;  // no spawns: the walk alone
    int destroyed = 0;
    CountingFragment* early = add(900, 1000, &destroyed);
    CountingFragment* waiting = add(1500, 1700, &destroyed);
    CountingFragment* atStart = add(1000, 1300, &destroyed);

    updateAt(1000);
    EXPECT_EQ(early->renders, 1) << "endTime == now is drawn";
    EXPECT_EQ(atStart->renders, 1) << "startTime == now is drawn";
    EXPECT_EQ(waiting->renders, 0);
    EXPECT_EQ(director.fragments.size(), 3u);

    updateAt(1000.5);
    EXPECT_EQ(destroyed, 1) << "retired on the next later frame, without a draw";
    EXPECT_EQ(director.fragments.size(), 2u);
    EXPECT_EQ(atStart->renders, 2) << "the fragment after a retired one is still visited";
    EXPECT_EQ(waiting->renders, 0);
}

TEST_F(DirectorTest, SeveralFragmentsRetireInOneWalkAndNoneIsDrawnTwice)
{
    director.lastSpawn = 1e30f;
    int destroyed = 0;
    add(0, 100, &destroyed);
    CountingFragment* live = add(0, 5000, &destroyed);
    add(0, 200, &destroyed);
    add(0, 300, &destroyed);  // the newest retires: the walk ends there
    updateAt(1000);
    EXPECT_EQ(destroyed, 3);
    ASSERT_EQ(director.fragments.size(), 1u);
    EXPECT_EQ(live->renders, 1);
}

TEST_F(DirectorTest, NeverMoreThanSixListedAfterAWalkOverALongRun)
{
    showrand::seed(2024);
    std::size_t most = 0;
    int spawns = 0;
    double t = 1000;
    for (int frame = 0; frame < 4000; ++frame) {
        // Frame times from 1 to 40 ms apart, like an uneven frame rate.
        t += 1 + showrand::next() % 40;
        music.at(1 + (frame / 300) % 30, 0);
        const std::size_t before = director.fragments.size();
        updateAt(t);
        if (director.fragments.size() > before || director.lastSpawn == static_cast<float>(t))
            ++spawns;
        most = std::max(most, director.fragments.size());
    }
    EXPECT_LE(most, 6u);
    EXPECT_GT(spawns, 300);
}

TEST_F(DirectorTest, ClearDropsEverythingAtExit)
{
    int destroyed = 0;
    add(0, 10, &destroyed);
    add(0, 10, &destroyed);
    director.clear();
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(director.lastSpawn, 0.0f);
}
