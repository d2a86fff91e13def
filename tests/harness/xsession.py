#!/usr/bin/env python3
"""What the end-to-end tests need of the X session they run in: a private
Xvfb, the few Xlib calls that no command-line tool makes, and the processes
that run there.

    tests/harness/xsession.py WxH COMMAND ARGS...

runs the command on an X display of its own, a private Xvfb of the given
size, gone again when the command ends; the command finds the server's
process id in XVFB_PID. This is tests/harness/xvfb.sh.
"""
import contextlib
import functools
import os
import select
import signal
import subprocess
import sys
import tempfile
from ctypes import (POINTER, Structure, c_char_p, c_int, c_long, c_short, c_uint, c_ulong,
                    c_ushort, c_void_p, cdll)

# --- a private X server -------------------------------------------------------------

START_S = 10


@contextlib.contextmanager
def private_server(*sizes):
    """An Xvfb of our own with a screen of each size, for the with block: its
    process and display, once it takes connections. A test may end it sooner.

    The server picks its own free display number (-displayfd), so tests run
    side by side never land on one display; `xvfb-run -a` can hand the same
    number to two of them. -noreset: by default the server resets each time
    its last client leaves, and a client connecting in that moment is turned
    away (a test's first xdotool call was enough to make the next open fail).
    -s 0: the server's own saver stays off, or it would come on after ten idle
    minutes and, rightly, pause the saver; the tests of that turn it on.
    """
    read_end, write_end = os.pipe()
    screens = [a for k, size in enumerate(sizes) for a in ("-screen", str(k), f"{size}x24")]
    with tempfile.TemporaryFile() as log:
        server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), *screens, "-nolisten",
                                   "tcp", "-noreset", "-s", "0"], pass_fds=(write_end,),
                                  stdin=subprocess.DEVNULL, stderr=log)
        os.close(write_end)
        try:
            yield server, display_of(read_end, log, " ".join(sizes))
        finally:
            server.terminate()
            server.wait()


def display_of(read_end, log, sizes):
    """The number arrives, with its newline, once the server takes
    connections; the pipe ends without it if the server does."""
    with os.fdopen(read_end) as numbers:
        ready = select.select([numbers], [], [], START_S)[0]
        number = numbers.readline().strip() if ready else ""
    if not number:
        log.seek(0)
        last = (log.read().decode(errors="replace").splitlines() or [""])[-1]
        raise RuntimeError(f"Xvfb {sizes} " + (f"did not start: {last}" if ready else
                                                f"gave no display in {START_S} s"))
    return f":{number}"


def main(argv):
    """xvfb.sh: the command's exit status, as a shell gives it."""
    if len(argv) < 2:
        print("usage: xvfb.sh WxH COMMAND ARGS...", file=sys.stderr)
        return 2
    for number in (signal.SIGHUP, signal.SIGINT, signal.SIGTERM):
        signal.signal(number, lambda number, _: sys.exit(128 + number))
    try:
        with private_server(argv[0]) as (server, display):
            env = dict(os.environ, DISPLAY=display, XVFB_PID=str(server.pid))
            # As from a shell, the files open to us are open to the command.
            code = subprocess.Popen(argv[1:], env=env, close_fds=False).wait()
    except (OSError, RuntimeError) as error:
        print(f"xvfb.sh: {error}", file=sys.stderr)
        return 127 if getattr(error, "filename", None) == argv[1] else 1
    return code if code >= 0 else 128 - code


# --- Xlib -------------------------------------------------------------------------

DISPLAY, XID, INT, UINT, ULONG = c_void_p, c_ulong, c_int, c_uint, c_ulong
# Alike in the window attributes one sets and the ones one reads back.
GRAVITY_AND_BACKING = [("bit_gravity", INT), ("win_gravity", INT), ("backing_store", INT),
                       ("backing_planes", ULONG), ("backing_pixel", ULONG), ("save_under", INT)]


class CursorImage(Structure):
    _fields_ = [("x", c_short), ("y", c_short), ("width", c_ushort), ("height", c_ushort),
                ("xhot", c_ushort), ("yhot", c_ushort), ("cursor_serial", ULONG),
                ("pixels", POINTER(ULONG)), ("atom", XID), ("name", c_char_p)]


class ClientMessage(Structure):
    _fields_ = [("type", INT), ("serial", ULONG), ("send_event", INT), ("display", DISPLAY),
                ("window", XID), ("message_type", XID), ("format", INT),
                ("data", c_long * 5), ("pad", c_long * 12)]


class SaverInfo(Structure):
    _fields_ = [("window", XID), ("state", INT), ("kind", INT), ("til_or_since", ULONG),
                ("idle", ULONG), ("event_mask", ULONG)]


class SetWindowAttributes(Structure):
    _fields_ = [("background_pixmap", XID), ("background_pixel", ULONG), ("border_pixmap", XID),
                ("border_pixel", ULONG), *GRAVITY_AND_BACKING, ("event_mask", c_long),
                ("do_not_propagate_mask", c_long), ("override_redirect", INT),
                ("colormap", XID), ("cursor", XID)]


class WindowAttributes(Structure):
    _fields_ = [("x", INT), ("y", INT), ("width", INT), ("height", INT), ("border_width", INT),
                ("depth", INT), ("visual", c_void_p), ("root", XID), ("c_class", INT),
                *GRAVITY_AND_BACKING, ("colormap", XID), ("map_installed", INT),
                ("map_state", INT), ("all_event_masks", c_long), ("your_event_mask", c_long),
                ("do_not_propagate_mask", c_long), ("override_redirect", INT),
                ("screen", c_void_p)]


class VisualInfo(Structure):
    _fields_ = [("visual", c_void_p), ("visualid", XID), ("screen", INT), ("depth", INT),
                ("c_class", INT), ("red_mask", ULONG), ("green_mask", ULONG),
                ("blue_mask", ULONG), ("colormap_size", INT), ("bits_per_rgb", INT)]


class Image(Structure):  # XImage up to what the tests read
    _fields_ = [("width", INT), ("height", INT), ("xoffset", INT), ("format", INT),
                ("data", c_void_p), ("byte_order", INT), ("bitmap_unit", INT),
                ("bitmap_bit_order", INT), ("bitmap_pad", INT), ("depth", INT),
                ("bytes_per_line", INT), ("bits_per_pixel", INT)]


A_WINDOW = [DISPLAY, XID]
CALLS = {  # name: (result, arguments)
    **dict.fromkeys(["XCloseDisplay", "XFlush", "XAutoRepeatOff"], (INT, [DISPLAY])),
    **dict.fromkeys(["XMapWindow", "XMapRaised", "XUnmapWindow", "XDestroyWindow"],
                    (INT, A_WINDOW)),
    "XOpenDisplay": (DISPLAY, [c_char_p]),
    "XSync": (INT, [DISPLAY, INT]),
    "XDefaultRootWindow": (XID, [DISPLAY]),
    "XInternAtom": (XID, [DISPLAY, c_char_p, INT]),
    "XSendEvent": (INT, [*A_WINDOW, INT, c_long, c_void_p]),
    "XCreateWindow": (XID, [*A_WINDOW, INT, INT, UINT, UINT, UINT, INT, UINT, c_void_p,
                            ULONG, POINTER(SetWindowAttributes)]),
    "XCreateSimpleWindow": (XID, [*A_WINDOW, INT, INT, UINT, UINT, UINT, ULONG, ULONG]),
    "XResizeWindow": (INT, [*A_WINDOW, UINT, UINT]),
    "XGetWindowAttributes": (INT, [*A_WINDOW, POINTER(WindowAttributes)]),
    "XMatchVisualInfo": (INT, [DISPLAY, INT, INT, INT, POINTER(VisualInfo)]),
    "XCreateColormap": (XID, [*A_WINDOW, c_void_p, INT]),
    "XGetImage": (POINTER(Image), [*A_WINDOW, INT, INT, UINT, UINT, ULONG, INT]),
    "XFixesGetCursorImage": (POINTER(CursorImage), [DISPLAY]),
    "XScreenSaverQueryInfo": (INT, [*A_WINDOW, POINTER(SaverInfo)]),
}
LIBRARIES = {"XFixes": "libXfixes.so.3", "XScreenSaver": "libXss.so.1"}  # the rest: libX11


@functools.cache
def call(name):
    """An X library's call, declared: undeclared, ctypes would pass a display
    or window as a C int and take a pointer back cut to 32 bits. ctypes'
    loader keeps each library it loads."""
    soname = next((s for prefix, s in LIBRARIES.items() if name.startswith(prefix)),
                  "libX11.so.6")
    function = getattr(cdll[soname], name)
    function.restype, function.argtypes = CALLS[name]
    return function


class Display(contextlib.AbstractContextManager):
    """A connection to an X display, DISPLAY's unless named, closed on close()
    or at the end of a with block. Its calls take the connection as given:
    display.XSync(0)."""

    def __init__(self, name=None):
        self.handle = call("XOpenDisplay")(name.encode() if name else None)
        if not self.handle:
            raise OSError(f"cannot open the X display {name or '(DISPLAY)'}")

    def __getattr__(self, name):
        if not name.startswith("X"):
            raise AttributeError(name)
        return functools.partial(call(name), self.handle)

    def close(self):
        call("XCloseDisplay")(self.handle)

    def __exit__(self, *_):
        self.close()


# --- processes --------------------------------------------------------------------

def processes(match):
    """The processes for which match(pid) holds, this one and zombies left
    out; one that ends while match reads it is passed over."""
    found = []
    for pid in [int(entry) for entry in os.listdir("/proc") if entry.isdigit()]:
        try:
            if pid != os.getpid() and match(pid) and stat(pid)[0] != "Z":
                found.append(pid)
        except OSError:
            pass
    return found


def stat(pid):
    """The fields of the process's stat after its name, its state first. Here
    and below, pid may be PID/task/TID for one of its threads."""
    with open(f"/proc/{pid}/stat") as f:
        return f.read().rsplit(")", 1)[1].split()


def status(pid, field, base=10):
    """A number from the process's status."""
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1], base)
    raise KeyError(field)


def running(path):
    """Processes that run the program at `path`."""
    return processes(lambda pid: os.readlink(f"/proc/{pid}/exe") == path)


def command_line(pid):
    """The process's arguments, the program first; none for a kernel thread."""
    with open(f"/proc/{pid}/cmdline", "rb") as f:
        words = f.read().rstrip(b"\0").decode(errors="replace")
    return words.split("\0") if words else []


def name(pid):
    """The process's name, as pkill and ps show it (at most 15 characters)."""
    with open(f"/proc/{pid}/comm") as f:
        return f.read().rstrip("\n")


def environment_of(pid, variable):
    """A variable of the process's environment, or None."""
    with open(f"/proc/{pid}/environ", "rb") as f:
        for item in f.read().split(b"\0"):
            if item.startswith(variable.encode() + b"="):
                return item.split(b"=", 1)[1].decode()
    return None


def ended_within(proc, seconds):
    """Whether a process we started ends within that time; one that does not
    is killed, so that none outlives the test."""
    try:
        proc.wait(timeout=seconds)
        return True
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
        return False


def kill(pids, sig=signal.SIGKILL):
    """Sends each the signal; one that has ended meanwhile is none the worse."""
    for pid in pids:
        with contextlib.suppress(ProcessLookupError):
            os.kill(pid, sig)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
