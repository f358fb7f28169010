// What the start-up chooser decides, as plain values and commands, apart from
// any toolkit: the chooser's widgets only call chooserCommand.
#ifndef MARDUNQIST_SHELL_MODE_CHOICE_H
#define MARDUNQIST_SHELL_MODE_CHOICE_H

// The program-wide values the chooser sets and start-up reads.
extern int screenWidth;    // pixels; 640 until a resolution is clicked
extern int screenHeight;   // pixels; 480
extern bool windowed;      // false: full screen
extern bool playChosen;    // true only after "play"
extern bool chooserOpen;   // the chooser runs while this is set

// The chooser's controls, by id.
enum ChooserControl {
    chooseMode640x480 = 1,
    chooseMode800x600 = 2,
    chooseMode1024x768 = 3,
    chooseWindowed = 4,
    choosePlay = 5,
    chooseExit = 6,
};

// A click on control id (1 to 6); any other id does nothing.
void chooserCommand(int id);

// A close request for the chooser: ends it without a show.
void chooserClose();

// Back to the values of program start.
void resetModeChoice();

#endif
