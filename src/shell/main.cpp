// mardunqist: the show's entry point. Start-up in its order, the main loop,
// and shutdown. One thread does all of it; the music renders on SDL's audio
// thread (see music_player.h).
#include "platform/desktop.h"
#include "platform/end_signals.h"
#include "platform/files.h"
#include "platform/mode_chooser.h"
#include "platform/program.h"
#include "seams/clock.h"
#include "seams/music.h"
#include "seams/show_files.h"
#include "shell/data_folder.h"
#include "shell/gl_window.h"
#include "shell/mode_choice.h"
#include "shell/music_player.h"
#include "timeline/frame_composer.h"
#include "timeline/show.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>

namespace {

constexpr const char* title = "kelvo mardunqist";

// "Vostr_1.it, 0.jpg, ... and k.jpg".
std::string showFileList()
{
    std::string list = moduleFileName;
    for (std::size_t i = 0; i < std::size(pictureFileNames); ++i)
        list += (i + 1 == std::size(pictureFileNames) ? " and " : ", ") + std::string(pictureFileNames[i]);
    return list;
}

void printHelp()
{
    std::printf(
        "usage: mardunqist [--data DIR] [--gentle | --no-gentle] [--play [--windowed]] [--first-frame]\n"
        "                  [--verbose]\n"
        "\n"
        "Plays the show: pick a display mode in the chooser, then watch.\n"
        "Warning: the show contains flashing lights and rapid changes of brightness.\n"
        "--gentle reduces them.\n"
        "Reads %s from the working directory\n"
        "when it holds %s, else from the installed ones in %s.\n"
        "Escape or closing the window ends the show.\n"
        "\n"
        "  --data DIR     read the six files from DIR instead\n"
        "  --gentle       hold the flashing to three flashes a second at most: the\n"
        "                 picture is held back only where it would flash more; the\n"
        "                 show starts gentle by itself where the desktop is set to\n"
        "                 reduce animation\n"
        "  --no-gentle    the show as drawn, whatever the desktop's setting\n"
        "  --help         this text\n"
        "\n"
        "For scripts and measurements:\n"
        "  --play         skip the chooser and play at 640x480, full screen\n"
        "  --windowed     with --play: in a window instead\n"
        "  --first-frame  end after the first frame, printing the start-up time\n"
        "  --verbose      say on stdout, with the seconds since the start, the canvas's\n"
        "                 and the window's sizes, when the music starts and stops and\n"
        "                 when the show ends\n",
        showFileList().c_str(), moduleFileName, installedDataFolder().c_str());
}

struct Arguments {
    bool play = false;
    bool windowed = false;
    bool firstFrame = false;
    std::optional<bool> gentle;  // unset: as the desktop asks
    bool verbose = false;
    std::string dataDir;  // "" until --data names one
};

// --verbose: one line per event, stamped with the show clock's seconds since
// the program started, out at once (a pipe or a file would hold it back).
void sayWhen(bool verbose, const std::string& what)
{
    if (!verbose)
        return;
    std::printf("%.3f s: %s\n", (showclock::nowMs() - showclock::liveOffsetMs) / 1000.0, what.c_str());
    std::fflush(stdout);
}

// "canvas 640x480, drawable 1920x1080, picture 1440x1080 at 240,0".
std::string sizesOf(const GLWindow& window)
{
    const int w = window.drawableWidth, h = window.drawableHeight;
    const ShownRect shown = fitPicture(window.canvas.width(), window.canvas.height(), w, h);
    char line[160];
    std::snprintf(line, sizeof line, "canvas %dx%d, drawable %dx%d, picture %dx%d at %d,%d", window.canvas.width(),
                  window.canvas.height(), w, h, shown.width, shown.height, shown.x, h - shown.y - shown.height);
    return line;
}

// False after printing why, or after --help (with *exitStatus set).
bool parseArguments(int argc, char** argv, Arguments* args, int* exitStatus)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printHelp();
            *exitStatus = 0;
            return false;
        }
        if (std::strcmp(argv[i], "--play") == 0) {
            args->play = true;
        } else if (std::strcmp(argv[i], "--windowed") == 0) {
            args->windowed = true;
        } else if (std::strcmp(argv[i], "--first-frame") == 0) {
            args->firstFrame = true;
        } else if (std::strcmp(argv[i], "--gentle") == 0) {
            args->gentle = true;
        } else if (std::strcmp(argv[i], "--no-gentle") == 0) {
            args->gentle = false;
        } else if (std::strcmp(argv[i], "--verbose") == 0) {
            args->verbose = true;
        } else if (std::strcmp(argv[i], "--data") == 0) {
            std::string error = "needs a folder (see --help)";
            if (i + 1 == argc || !checkReadableFolder(argv[++i], &error)) {
                reportStop("--data " + error);
                *exitStatus = 2;
                return false;
            }
            args->dataDir = argv[i];
        } else {
            reportStop(std::string("unknown argument '") + argv[i] + "' (see --help)");
            *exitStatus = 2;
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    startProgram(&argc, &argv);
    Arguments args;
    int exitStatus = 0;
    if (!parseArguments(argc, argv, &args, &exitStatus))
        return exitStatus;
    const std::string data = args.dataDir.empty() ? findDataFolder(installedDataFolder()) : args.dataDir;

    ModeChoice choice;
    if (args.play) {
        if (args.windowed)
            choice.click(chooseWindowed);
        choice.click(choosePlay);
    } else if (const std::optional<ModeChoice> chosen = ModeChooser::run()) {
        choice = *chosen;
    } else {
        return 1;
    }
    keepChoice(choice);
    if (!playChosen)
        return 0;

    // From here on every signal that ends a program ends the show through its
    // shutdown path. (SDL leaves handlers it finds installed alone.)
    catchEndSignals();
    const WindowParams params{screenWidth, screenHeight, 32, 16, !windowed};
    std::string error;
    if (!args.gentle) {
        args.gentle = desktopAsksForLessMotion();
        if (*args.gentle)
            std::fprintf(stderr, "mardunqist: the desktop is set to reduce animation, so the show starts gentle "
                                 "(--no-gentle shows it as drawn)\n");
    }
    glWindow.gentle = *args.gentle;
    if (!glWindow.open(title, params, &error)) {
        reportStop(error);
        return 1;
    }

    MusicPlayer music;
    startShow({.music = &music,
               .present = [] { glWindow.present(); },
               .seedTicks = bootTicks(),
               .pictureFolder = data});

    music.init(musicSampleRate);
    music.load(dataFile(data, moduleFileName));
    music.play();

    bool musicHeard = false;
    std::string sizes;
    while (glWindow.pump()) {
        if (music.isActive() != musicHeard) {
            musicHeard = !musicHeard;
            sayWhen(args.verbose, musicHeard ? "music playing" : "music stopped");
        }
        if (showEnded())
            break;
        drawFrame();
        if (args.verbose && sizesOf(glWindow) != sizes) {
            sizes = sizesOf(glWindow);
            sayWhen(true, sizes);
        }
        if (args.firstFrame) {
            glFinish();
            std::printf("first frame after %.1f ms\n", showclock::nowMs() - showclock::liveOffsetMs);
            break;
        }
    }

    sayWhen(args.verbose, "show ended");
    stopShow();
    music.free();
    glWindow.close();
    SDL_Quit();
    return 0;
}
