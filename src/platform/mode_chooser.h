// The start-up chooser: a small window where the user picks a display mode,
// ticks "windowed" or not, and presses "play" or "exit".
#ifndef MARDUNQIST_PLATFORM_MODE_CHOOSER_H
#define MARDUNQIST_PLATFORM_MODE_CHOOSER_H

namespace ModeChooser {

// Shows the chooser until a choice ends it; leaves screenWidth, screenHeight,
// windowed and playChosen set. False (after one line on stderr) when no
// display can be opened for it.
bool run();

} // namespace ModeChooser

#endif
