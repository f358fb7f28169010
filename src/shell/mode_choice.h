// The program-wide values the chooser's choice sets and start-up reads.
#ifndef MARDUNQIST_SHELL_MODE_CHOICE_H
#define MARDUNQIST_SHELL_MODE_CHOICE_H

#include "platform/mode_chooser.h"

extern int screenWidth;    // pixels; 640 until a resolution is chosen
extern int screenHeight;   // pixels; 480
extern bool windowed;      // false: full screen
extern bool playChosen;    // true only after "play"

// Keeps what the viewer chose (in the chooser, or on the command line).
void keepChoice(const ModeChoice& choice);

#endif
