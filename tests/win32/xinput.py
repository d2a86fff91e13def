"""Timed input through the X server's XTEST extension.

xdotool starts a process per call and returns some milliseconds after the
event went out, which blurs a 45 ms pause. Here each event is followed by
XSync: when it returns the server has handled the event, so the time taken
then is no earlier than the input, and a delay measured from it is never
longer than the true one.
"""
import ctypes
import time

_x11 = ctypes.CDLL("libX11.so.6")
_xtst = ctypes.CDLL("libXtst.so.6")
_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
_x11.XStringToKeysym.restype = ctypes.c_ulong
_x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
_x11.XKeysymToKeycode.restype = ctypes.c_ubyte
_x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
_xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
_xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                       ctypes.c_ulong]
_xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_ulong]


def _now_ms():
    return time.monotonic_ns() / 1e6


class Display:
    def __init__(self):
        self.handle = _x11.XOpenDisplay(None)
        if not self.handle:
            raise OSError("cannot open the X display")

    def close(self):
        _x11.XCloseDisplay(self.handle)

    def _sent(self):
        _x11.XSync(self.handle, 0)
        return _now_ms()

    def _keycode(self, name):
        code = _x11.XKeysymToKeycode(self.handle, _x11.XStringToKeysym(name.encode()))
        if code == 0:
            raise ValueError(f"no key for {name}")
        return code

    def key(self, *names):
        """Presses the keys in order, releases them in reverse; returns the
        time the first press was in."""
        codes = [self._keycode(n) for n in names]
        first = None
        for code in codes:
            _xtst.XTestFakeKeyEvent(self.handle, code, 1, 0)
            first = first or self._sent()
        for code in reversed(codes):
            _xtst.XTestFakeKeyEvent(self.handle, code, 0, 0)
        self._sent()
        return first

    def click(self, button):
        _xtst.XTestFakeButtonEvent(self.handle, button, 1, 0)
        pressed = self._sent()
        _xtst.XTestFakeButtonEvent(self.handle, button, 0, 0)
        self._sent()
        return pressed

    # Held input stays held after its client leaves; only a release ends it.
    def key_down(self, name):
        _xtst.XTestFakeKeyEvent(self.handle, self._keycode(name), 1, 0)
        return self._sent()

    def key_up(self, name):
        _xtst.XTestFakeKeyEvent(self.handle, self._keycode(name), 0, 0)
        return self._sent()

    def button_down(self, button):
        _xtst.XTestFakeButtonEvent(self.handle, button, 1, 0)
        return self._sent()

    def button_up(self, button):
        _xtst.XTestFakeButtonEvent(self.handle, button, 0, 0)
        return self._sent()

    def move_to(self, x, y):
        _xtst.XTestFakeMotionEvent(self.handle, -1, x, y, 0)
        return self._sent()
