// The start-up chooser as Windows draws it: a 200 x 200 always-on-top window
// with three resolutions, "windowed", "play" and "exit", built from the
// system's own button controls. What a click means is plain code in
// shell/mode_choice.cpp, shared with the other platforms.
#include "platform/mode_chooser.h"

#include "shell/mode_choice.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr const char* title = "kelvo mardunqist";
constexpr const char* className = "WindowsApp";
constexpr int chooserSide = 200;

struct ControlLayout {
    int id;
    const char* label;
    DWORD kind;
    int x, y, width, height;
};

// The first four reach past the window's right edge and are clipped there.
constexpr ControlLayout controls[] = {
    {chooseMode640x480, "640x480", BS_AUTORADIOBUTTON, 50, 20, 200, 20},
    {chooseMode800x600, "800x600", BS_AUTORADIOBUTTON, 50, 40, 200, 20},
    {chooseMode1024x768, "1024x768", BS_AUTORADIOBUTTON, 50, 60, 200, 20},
    {chooseWindowed, "windowed", BS_AUTOCHECKBOX, 50, 90, 200, 20},
    {choosePlay, "play", BS_DEFPUSHBUTTON, 0, 130, 96, 30},
    {chooseExit, "exit", BS_DEFPUSHBUTTON, 96, 130, 96, 30},
};

LRESULT CALLBACK chooserProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        // The close box ends the chooser without a show; the window itself
        // goes when run() is done with it.
        chooserClose();
        return 0;
    case WM_COMMAND:
        // A click carries notification code 0, so the whole word is the id.
        if (wParam >= chooseMode640x480 && wParam <= chooseExit) {
            chooserCommand(static_cast<int>(wParam));
            if (wParam == chooseExit)
                PostQuitMessage(0);
        }
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void reportFailure(const char* what)
{
    std::fprintf(stderr, "mardunqist: cannot open the chooser: %s failed (error %lu)\n", what,
                 static_cast<unsigned long>(GetLastError()));
}

} // namespace

namespace ModeChooser {

bool run()
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = chooserProc;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_SCROLLBAR + 1);
    windowClass.lpszClassName = className;
    if (!RegisterClassExA(&windowClass)) {
        reportFailure("RegisterClassEx");
        return false;
    }

    const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - chooserSide / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - chooserSide / 2;
    HWND chooser = CreateWindowExA(WS_EX_TOPMOST, className, title,
                                   WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, x, y,
                                   chooserSide, chooserSide, nullptr, nullptr, nullptr, nullptr);
    if (!chooser) {
        reportFailure("CreateWindowEx");
        return false;
    }
    ShowWindow(chooser, SW_SHOW);

    for (const ControlLayout& control : controls) {
        HWND button = CreateWindowExA(0, "button", control.label, WS_CHILD | WS_VISIBLE | control.kind,
                                      control.x, control.y, control.width, control.height, chooser,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                                      nullptr, nullptr);
        if (control.id == chooseMode640x480)
            SendMessageA(button, BM_SETCHECK, BST_CHECKED, 0);
    }

    // Waiting for each message rather than polling: the choices are the same,
    // and the chooser leaves the processor to others while it is shown.
    MSG message;
    while (chooserOpen && GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    DestroyWindow(chooser);
    return true;
}

} // namespace ModeChooser
