// mardunqist: the show's entry point. Start-up in its order, the main loop,
// and shutdown. One thread does all of it; the music renders on SDL's audio
// thread (see music_player.h).
#include "seams/clock.h"
#include "seams/music.h"
#include "shell/gl_window.h"
#include "shell/mode_choice.h"
#include "shell/mode_chooser.h"
#include "shell/module_file.h"
#include "shell/music_player.h"
#include "timeline/frame_composer.h"
#include "timeline/init_graphics.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* title = "kelvo mardunqist";
constexpr const char* moduleFile = "Vostr_1.it";

void printHelp()
{
    std::printf(
        "usage: mardunqist\n"
        "\n"
        "Plays the show: pick a display mode in the chooser, then watch.\n"
        "Reads %s, 0.jpg, 1.jpg, 2.jpg, c.jpg and k.jpg from the working directory.\n"
        "Escape or closing the window ends the show.\n",
        moduleFile);
}

} // namespace

int main(int argc, char** argv)
{
    // The show takes no arguments; --help is the one courtesy.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printHelp();
            return 0;
        }
    }

    if (!ModeChooser::run())
        return 1;
    if (!playChosen)
        return 0;

    const WindowParams params{screenWidth, screenHeight, 32, 16, !windowed};
    std::string error;
    if (!glWindow.open(title, params, &error)) {
        std::fprintf(stderr, "mardunqist: %s\n", error.c_str());
        return 1;
    }

    initGraphics(showclock::bootTicks());

    MusicPlayer music;
    showmusic::use(&music);
    music.init(musicSampleRate);
    music.load(moduleFile);
    music.play();

    while (true) {
        if (!glWindow.pump())
            break;
        if (!running)
            break;
        drawFrame();
    }

    showmusic::use(nullptr);
    music.free();
    glWindow.close();
    SDL_Quit();
    return 0;
}
