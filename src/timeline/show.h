// Starting and ending the show: the one way every host does it. The native
// program, the page, the capture tool, the benchmarks and the tests all start
// a run with startShow and ask showEnded after each frame, so the same seed,
// frame times and music give the same frames everywhere, and every host ends
// the show at the same moment.
#ifndef MARDUNQIST_TIMELINE_SHOW_H
#define MARDUNQIST_TIMELINE_SHOW_H

#include "seams/music.h"
#include "seams/screen.h"

#include <cstdint>
#include <string>

// What the show clock reads from the first frame on.
enum class ShowClock {
    sinceProgramStart,  // live, as it has counted since the program started
    restarted,          // live, counting from now as a new program would
    manual,             // held at the first frame's time until the host sets it
};

struct ShowStart {
    ShowClock clock = ShowClock::sinceProgramStart;
    MusicSource* music = nullptr;              // nullptr: order 0, no music
    showscreen::PresentFn present = nullptr;   // nullptr: frames stay in the canvas
    std::uint32_t seedTicks = 0;               // the tick count the generator is seeded from
    std::string pictureFolder;                 // "" for the working directory
};

// A fresh show, as a program start has it: the timeline back at its
// beginning, the clock, the music source and the presenter in place, the
// random generator as a new program has it and then seeded, the global GL
// state set and the five pictures uploaded. Needs a current GL context with
// the canvas bound.
void startShow(const ShowStart& start);

// Whether the show is over: it ended by itself (the music stopped during the
// credits), or the music, having played, stopped before the credits began (a
// song shorter than the show's timeline). Music that never played (a missing
// or unplayable module) never ends it: the opening runs until the viewer
// ends it. Asked once a frame.
bool showEnded();

// The music source and the presenter let go, before either goes away.
void stopShow();

#endif
