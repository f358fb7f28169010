"""Small X11 actions the end-to-end scripts need and no installed tool does.

  x11.py close WINDOW     ask WINDOW to close as a window manager would
                          (WM_PROTOCOLS / WM_DELETE_WINDOW client message)
  x11.py watch            log every top-level window that is created, mapped
                          or destroyed, one line each; "ready" once listening
  x11.py cursor          print "hidden" if the pointer's cursor is blank,
                          else "visible"
  x11.py saver SECONDS    set the server's screen saver to start after
                          SECONDS without input
  x11.py saver            print the screen saver's state: "on", "off" or
                          "disabled"

Plain ctypes on libX11 (and libXfixes, libXss), which GTK and SDL already
pull in.
"""
import ctypes
import ctypes.util
import sys

c_int, c_uint, c_long, c_ulong = ctypes.c_int, ctypes.c_uint, ctypes.c_long, ctypes.c_ulong
c_void_p, c_char_p = ctypes.c_void_p, ctypes.c_char_p


def load(name, fallback):
    return ctypes.CDLL(ctypes.util.find_library(name) or fallback)


xlib = load("X11", "libX11.so.6")
xlib.XOpenDisplay.restype = c_void_p
xlib.XOpenDisplay.argtypes = [c_char_p]
xlib.XInternAtom.restype = c_ulong
xlib.XInternAtom.argtypes = [c_void_p, c_char_p, c_int]
xlib.XDefaultRootWindow.restype = c_ulong
xlib.XDefaultRootWindow.argtypes = [c_void_p]
xlib.XSendEvent.argtypes = [c_void_p, c_ulong, c_int, c_long, c_void_p]
xlib.XSelectInput.argtypes = [c_void_p, c_ulong, c_long]
xlib.XSync.argtypes = [c_void_p, c_int]
xlib.XNextEvent.argtypes = [c_void_p, c_void_p]
xlib.XFetchName.argtypes = [c_void_p, c_ulong, ctypes.POINTER(c_char_p)]
xlib.XFree.argtypes = [c_void_p]
xlib.XCloseDisplay.argtypes = [c_void_p]
xlib.XSetScreenSaver.argtypes = [c_void_p, c_int, c_int, c_int, c_int]

ClientMessage, CreateNotify, DestroyNotify, MapNotify = 33, 16, 17, 19
SubstructureNotifyMask = 1 << 19


class ClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int),
                ("display", c_void_p), ("window", c_ulong), ("message_type", c_ulong),
                ("format", c_int), ("data", c_long * 5)]


# CreateNotify, MapNotify and DestroyNotify all keep the window in the sixth field.
class WindowEvent(ctypes.Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int),
                ("display", c_void_p), ("parent_or_event", c_ulong), ("window", c_ulong)]


class XEvent(ctypes.Union):
    _fields_ = [("type", c_int), ("client", ClientMessageEvent),
                ("any", WindowEvent), ("pad", c_long * 24)]


# A window may vanish between its event and our question about it; the default
# handler would end this process.
ERROR_HANDLER = ctypes.CFUNCTYPE(c_int, c_void_p, c_void_p)(lambda display, error: 0)


def fail(message):
    print(f"x11.py: {message}", file=sys.stderr)
    sys.exit(2)


def open_display():
    display = xlib.XOpenDisplay(None)
    if not display:
        fail("cannot open the display")
    xlib.XSetErrorHandler(ERROR_HANDLER)
    return display


def close(window):
    display = open_display()
    event = XEvent()
    event.client.type = ClientMessage
    event.client.window = window
    event.client.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.client.format = 32
    event.client.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.client.data[1] = 0  # CurrentTime
    if not xlib.XSendEvent(display, window, 0, 0, ctypes.byref(event)):
        fail("XSendEvent failed")
    xlib.XSync(display, 0)
    xlib.XCloseDisplay(display)


def window_name(display, window):
    name = c_char_p()
    if not xlib.XFetchName(display, window, ctypes.byref(name)) or not name.value:
        return ""
    text = name.value.decode("utf-8", "replace")
    xlib.XFree(name)
    return text


def watch():
    display = open_display()
    xlib.XSelectInput(display, xlib.XDefaultRootWindow(display), SubstructureNotifyMask)
    xlib.XSync(display, 0)
    print("ready", flush=True)
    kinds = {CreateNotify: "create", MapNotify: "map", DestroyNotify: "destroy"}
    event = XEvent()
    while True:
        xlib.XNextEvent(display, ctypes.byref(event))
        kind = kinds.get(event.type)
        if kind is None:
            continue
        window = event.any.window
        name = window_name(display, window) if kind == "map" else ""
        print(f"{kind} 0x{window:x} {name}".rstrip(), flush=True)


class CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", c_ulong), ("pixels", ctypes.POINTER(c_ulong)),
                ("atom", c_ulong), ("name", c_char_p)]


def cursor_hidden():
    xfixes = load("Xfixes", "libXfixes.so.3")
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [c_void_p]
    display = open_display()
    image = xfixes.XFixesGetCursorImage(display)
    if not image:
        fail("no cursor image (XFixes missing?)")
    cursor = image.contents
    # Pixels are ARGB; a blank cursor has no pixel with any alpha.
    visible = any((cursor.pixels[i] >> 24) & 0xFF for i in range(cursor.width * cursor.height))
    xlib.XFree(image)
    xlib.XCloseDisplay(display)
    return not visible


class ScreenSaverInfo(ctypes.Structure):
    _fields_ = [("window", c_ulong), ("state", c_int), ("kind", c_int),
                ("til_or_since", c_ulong), ("idle", c_ulong), ("event_mask", c_ulong)]


def set_saver_timeout(seconds):
    display = open_display()
    # No cycling, blanking preferred, exposures allowed: as `xset s SECONDS`.
    xlib.XSetScreenSaver(display, seconds, 0, 1, 1)
    xlib.XSync(display, 0)
    xlib.XCloseDisplay(display)


def saver_state():
    xss = load("Xss", "libXss.so.1")
    xss.XScreenSaverQueryInfo.argtypes = [c_void_p, c_ulong, ctypes.POINTER(ScreenSaverInfo)]
    display = open_display()
    info = ScreenSaverInfo()
    if not xss.XScreenSaverQueryInfo(display, xlib.XDefaultRootWindow(display), ctypes.byref(info)):
        fail("no MIT-SCREEN-SAVER extension")
    xlib.XCloseDisplay(display)
    return {0: "off", 1: "on", 3: "disabled"}.get(info.state, str(info.state))


def main(argv):
    if len(argv) == 3 and argv[1] == "close":
        close(int(argv[2], 0))
    elif len(argv) == 2 and argv[1] == "watch":
        watch()
    elif len(argv) == 2 and argv[1] == "cursor":
        print("hidden" if cursor_hidden() else "visible")
    elif len(argv) == 3 and argv[1] == "saver":
        set_saver_timeout(int(argv[2]))
    elif len(argv) == 2 and argv[1] == "saver":
        print(saver_state())
    else:
        print(__doc__, file=sys.stderr)
        sys.exit(2)


if __name__ == "__main__":
    main(sys.argv)
