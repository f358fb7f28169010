// The start-up chooser as Windows draws it: a 200 x 200 always-on-top window
// with three resolutions, "windowed", "play" and "exit", built from the
// system's own button controls. What a click decides is ModeChoice's, the
// same on every platform; the window keeps the choice it changes.
//
// The manifest asks for Common Controls 6, so the controls are drawn as the
// desktop draws its own, in its message font, and for per-monitor DPI
// awareness, so sizes are scaled from 96 dpi to the screen's.
#include "platform/mode_chooser.h"

#include "platform/program.h"
#include "windows/resource_ids.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace {

constexpr const wchar_t* title = L"kelvo mardunqist";
constexpr const wchar_t* className = L"WindowsApp";
constexpr int chooserSide = 200;
// The chooser's own background, behind the controls' labels too.
constexpr int background = COLOR_SCROLLBAR;

struct ControlLayout {
    int id;
    const wchar_t* label;
    DWORD kind;
    int x, y, width, height;
};

// The first four reach past the window's right edge and are clipped there.
constexpr ControlLayout controls[] = {
    {chooseMode640x480, L"640x480", BS_AUTORADIOBUTTON, 50, 20, 200, 20},
    {chooseMode800x600, L"800x600", BS_AUTORADIOBUTTON, 50, 40, 200, 20},
    {chooseMode1024x768, L"1024x768", BS_AUTORADIOBUTTON, 50, 60, 200, 20},
    {chooseWindowed, L"windowed", BS_AUTOCHECKBOX, 50, 90, 200, 20},
    {choosePlay, L"play", BS_DEFPUSHBUTTON, 0, 130, 96, 30},
    {chooseExit, L"exit", BS_DEFPUSHBUTTON, 96, 130, 96, 30},
};

// The screen's dots per inch: the system's, which a per-monitor aware
// program gets from the screen's device context.
int screenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : USER_DEFAULT_SCREEN_DPI;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

// The font dialogs use (Segoe UI on today's Windows), at the screen's size.
HFONT messageFont()
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

HICON showIcon(int size)
{
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(MARDUNQIST_ICON), IMAGE_ICON,
                                         size, size, LR_DEFAULTCOLOR | LR_SHARED));
}

// The choice run() keeps on the window, from just after the window is made.
ModeChoice* choiceOf(HWND window)
{
    return reinterpret_cast<ModeChoice*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK chooserProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ModeChoice* choice = choiceOf(window);
    switch (message) {
    case WM_CLOSE:
        // The close box ends the chooser without a show; the window itself
        // goes when run() is done with it.
        if (choice)
            choice->close();
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        // The labels on the chooser's background rather than on the
        // dialog grey the controls would paint.
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(background));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(background));
    case WM_COMMAND:
        // A click carries notification code 0, so the whole word is the id.
        if (choice && wParam >= chooseMode640x480 && wParam <= chooseExit) {
            choice->click(static_cast<int>(wParam));
            if (wParam == chooseExit)
                PostQuitMessage(0);
        }
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void reportFailure(const char* what)
{
    reportStop(std::string("cannot open the chooser: ") + what + " failed (error " +
               std::to_string(GetLastError()) + ")");
}

} // namespace

namespace ModeChooser {

std::optional<ModeChoice> run()
{
    const INITCOMMONCONTROLSEX controlsToUse{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controlsToUse);
    const int dpi = screenDpi();
    auto scaled = [dpi](int pixels) { return MulDiv(pixels, dpi, USER_DEFAULT_SCREEN_DPI); };

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = chooserProc;
    windowClass.hIcon = showIcon(GetSystemMetrics(SM_CXICON));
    windowClass.hIconSm = showIcon(GetSystemMetrics(SM_CXSMICON));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(background + 1);
    windowClass.lpszClassName = className;
    if (!RegisterClassExW(&windowClass)) {
        reportFailure("RegisterClassEx");
        return std::nullopt;
    }

    const int side = scaled(chooserSide);
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - side / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - side / 2;
    HWND chooser = CreateWindowExW(WS_EX_TOPMOST, className, title, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU,
                                   x, y, side, side, nullptr, nullptr, nullptr, nullptr);
    if (!chooser) {
        reportFailure("CreateWindowEx");
        return std::nullopt;
    }
    ModeChoice choice;
    SetWindowLongPtrW(chooser, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&choice));
    ShowWindow(chooser, SW_SHOW);

    HFONT font = messageFont();
    for (const ControlLayout& control : controls) {
        HWND button = CreateWindowExW(0, L"button", control.label, WS_CHILD | WS_VISIBLE | control.kind,
                                      scaled(control.x), scaled(control.y), scaled(control.width),
                                      scaled(control.height), chooser,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), nullptr, nullptr);
        if (font)
            SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (control.id == chooseMode640x480)
            SendMessageW(button, BM_SETCHECK, BST_CHECKED, 0);
    }

    // Waiting for each message rather than polling: the choices are the same,
    // and the chooser leaves the processor to others while it is shown.
    MSG message;
    while (choice.open && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    SetWindowLongPtrW(chooser, GWLP_USERDATA, 0);
    DestroyWindow(chooser);
    if (font)
        DeleteObject(font);
    return choice;
}

} // namespace ModeChooser
