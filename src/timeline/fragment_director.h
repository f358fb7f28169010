// The effect director: once per frame it may spawn one new fragment of an
// effect class chosen by the music's order and the random generator, then
// walks its fragments oldest first, drawing those whose window is open and
// retiring those whose window has passed. It owns every fragment it lists.
#ifndef MARDUNQIST_TIMELINE_FRAGMENT_DIRECTOR_H
#define MARDUNQIST_TIMELINE_FRAGMENT_DIRECTOR_H

#include "effects/fx_fragment.h"

#include <memory>
#include <vector>

class FragmentDirector {
public:
    // Spawns are more than this far apart, in ms.
    static constexpr float spawnGap = 150;

    std::vector<std::unique_ptr<fxFragment>> fragments;  // oldest first
    float lastSpawn = 0;

    FragmentDirector();

    // One frame: the spawn, then the walk.
    void update();

    // Drops every fragment and forgets the last spawn, as at program start.
    void clear();

    // The class a spawn makes: reads the second draw where the table needs one.
    static std::unique_ptr<fxFragment> makeFragment(unsigned order);

private:
    void spawnFragment(float now);
};

#endif
