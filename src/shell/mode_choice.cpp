#include "shell/mode_choice.h"

int screenWidth = 640;
int screenHeight = 480;
bool windowed = false;
bool playChosen = false;

void keepChoice(const ModeChoice& choice)
{
    screenWidth = choice.width;
    screenHeight = choice.height;
    windowed = choice.windowed;
    playChosen = choice.play;
}
