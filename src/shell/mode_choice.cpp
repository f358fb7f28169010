#include "shell/mode_choice.h"

int screenWidth = 640;
int screenHeight = 480;
bool windowed = false;
bool playChosen = false;
bool chooserOpen = true;

void chooserCommand(int id)
{
    switch (id) {
    case chooseMode640x480:
        screenWidth = 640;
        screenHeight = 480;
        break;
    case chooseMode800x600:
        screenWidth = 800;
        screenHeight = 600;
        break;
    case chooseMode1024x768:
        screenWidth = 1024;
        screenHeight = 768;
        break;
    case chooseWindowed:
        windowed = !windowed;
        break;
    case choosePlay:
        playChosen = true;
        chooserOpen = false;
        break;
    case chooseExit:
        playChosen = false;
        chooserOpen = false;
        break;
    default:
        break;
    }
}

void chooserClose()
{
    chooserOpen = false;
}

void resetModeChoice()
{
    screenWidth = 640;
    screenHeight = 480;
    windowed = false;
    playChosen = false;
    chooserOpen = true;
}
