// The start-up chooser: a small window where the user picks a display mode,
// ticks "windowed" or not, and presses "play" or "exit". Each platform draws
// it with its own toolkit; what a click decides is the same everywhere, and
// is written here once.
#ifndef MARDUNQIST_PLATFORM_MODE_CHOOSER_H
#define MARDUNQIST_PLATFORM_MODE_CHOOSER_H

#include <optional>

// The chooser's controls, by id.
enum ChooserControl {
    chooseMode640x480 = 1,
    chooseMode800x600 = 2,
    chooseMode1024x768 = 3,
    chooseWindowed = 4,
    choosePlay = 5,
    chooseExit = 6,
};

// What the viewer has chosen so far; as it starts, the controls' defaults.
struct ModeChoice {
    int width = 640;        // pixels
    int height = 480;
    bool windowed = false;  // false: full screen
    bool play = false;      // true only after "play"
    bool open = true;       // the chooser runs while this is set

    // A click on control id (1 to 6); any other id does nothing.
    void click(int id)
    {
        switch (id) {
        case chooseMode640x480:
            width = 640;
            height = 480;
            break;
        case chooseMode800x600:
            width = 800;
            height = 600;
            break;
        case chooseMode1024x768:
            width = 1024;
            height = 768;
            break;
        case chooseWindowed:
            windowed = !windowed;
            break;
        case choosePlay:
            play = true;
            open = false;
            break;
        case chooseExit:
            play = false;
            open = false;
            break;
        default:
            break;
        }
    }

    // A close request for the chooser: ends it without a show.
    void close() { open = false; }
};

namespace ModeChooser {

// Shows the chooser until a choice ends it, and returns that choice. None
// (after one line on stderr) when no display can be opened for it.
std::optional<ModeChoice> run();

} // namespace ModeChooser

#endif
