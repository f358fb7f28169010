#include "platform/desktop.h"

// Every interactive Windows session has its desktop.
bool desktopNamed()
{
    return true;
}
