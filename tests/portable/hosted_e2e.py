#!/usr/bin/env python3
"""The portable saver inside the screen-saver frameworks, which hand it a
window of theirs in XSCREENSAVER_WINDOW, on the X display this runs on.
The helpers and the way of reporting are saver_e2e.py's.

    hosted_e2e.py xscreensaver SAVER    activated, xscreensaver shows our frames
                                        in its window; deactivated, we are gone
    hosted_e2e.py monitors SAVER        two monitors (on a private Xvfb): one
                                        saver each, at its own size
    hosted_e2e.py xsecurelock SAVER     the locked screen shows our frames
    hosted_e2e.py mate SAVER THEME      mate-screensaver runs our theme file's saver
    hosted_e2e.py preview SAVER         a small window of the test's: drawn in,
                                        nothing else touched, no input taken;
                                        resized, then destroyed under it
    hosted_e2e.py ending SAVER NOLOGO   SIGTERM, SIGINT and SIGHUP at any moment
                                        end it in 100 ms; bad values refused
    hosted_e2e.py windows SAVER         windows that dialogs make: seen only once
                                        its parent is mapped, at depth 32, grown
                                        and shrunk, not true colour

xscreensaver refuses to run hacks as root, and so the frameworks run as an
unprivileged user, made if there is none, on a copy of SAVER it can reach.
"""
import ctypes
import os
import pwd
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import saver_e2e as e2e
import xsession  # on the path saver_e2e gives
from saver_e2e import check

USER = "vendrel-test"
HEX_ID_WIDTH = 8
SIGNAL_END_MS = 100 * e2e.TIME_SCALE
SIGNAL_TRIES = 20
INPUT_MASKS = 0x7FFF | 1 << 21  # keys, buttons, pointer, keymap, focus
EXCLUSIVE_MASKS = 1 << 18 | 1 << 20  # resize and substructure redirect


# --- an unprivileged user, and the saver where it can run it -------------------

def test_user():
    """The user the frameworks run as, made if missing; None when this test
    is not root and runs them as itself."""
    if os.getuid() != 0:
        return None
    try:
        pwd.getpwnam(USER)
    except KeyError:
        subprocess.run(["useradd", "--create-home", "--shell", "/bin/sh", USER], check=True)
    return USER


def ids(user):
    entry = pwd.getpwnam(user)
    return entry.pw_uid, entry.pw_gid


def stop_all_of(path):
    """Kills whatever still runs the program at `path`, and whatever was
    started with its folder as home (D-Bus's launcher, which SDL starts where
    there is no session bus, outlives the saver)."""
    home = os.path.dirname(path)
    xsession.kill(xsession.processes(lambda pid: xsession.environment_of(pid, "HOME") == home))


def as_user(user, command, home, **extra):
    """The command, run as `user` with a clean environment."""
    env = {"HOME": home, "PATH": "/usr/bin:/bin", **extra}
    if "DISPLAY" in os.environ and "WAYLAND_DISPLAY" not in extra:
        env["DISPLAY"] = os.environ["DISPLAY"]
    if user is None:
        return command, dict(os.environ, **env)
    return ["runuser", "-u", user, "--", "env", "-i",
            *[f"{k}={v}" for k, v in env.items()], *command], None


def private_home(user, saver):
    """A home for the framework, holding a copy of the saver."""
    home = tempfile.mkdtemp(prefix="vendrel-hosted-")
    os.chmod(home, 0o755)
    copy = os.path.join(home, "vendrel-screensaver")
    shutil.copy(saver, copy)
    os.chmod(copy, 0o755)
    if user is not None:
        shutil.chown(home, user)
    return home, copy


def host_window_of(pid):
    window = xsession.environment_of(pid, "XSCREENSAVER_WINDOW")
    return None if window is None else int(window, 0)


def geometry(window):
    """(x, y, width, height) of a window on the root."""
    out = subprocess.run(["xwininfo", "-id", str(window)], capture_output=True, text=True,
                         check=False).stdout
    values = {}
    for line in out.splitlines():
        key, _, value = line.strip().partition(":")
        values[key] = value.strip()
    return tuple(int(values.get(k, "-1")) for k in
                 ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))


def region(pixels, width, box):
    x, y, w, h = box
    return [pixels[row * width + x + col] for row in range(y, y + h) for col in range(w)]


def drawn(pixels):
    """A frame of ours is there, and nothing else: a host may paint its window
    itself for a while, and before the first frame only the background shows."""
    return e2e.shows_dots(pixels) and e2e.saver_only(pixels)


def shows_frames(pixels, what, least_background=0.5):
    """Background (on a small window the 150 dots crowd it), dots in several
    colours, links."""
    background = pixels.count(e2e.BACKGROUND)
    colours = sum(1 for c in e2e.PALETTE if c in pixels)
    links = sum(pixels.count(s) for s in e2e.link_shades())
    check(background > least_background * len(pixels) and colours >= 4 and links > 20,
          f"{what}: our frames ({100 * background / max(1, len(pixels)):.0f} % background, "
          f"{colours} dot colours, {links} link pixels)")
    check(e2e.foreign_colours(pixels) == 0, f"{what}: no colour that is not ours")


def our_windows():
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True,
                          check=False).stdout
    return [line.strip() for line in tree.splitlines() if e2e.TITLE in line]


def draws_over_screen(copy, host):
    """The saver at `copy` draws its frames on the HOST's window over the whole
    screen, with no window of its own."""
    savers = xsession.running(copy)
    width, height = e2e.screen_size()
    check(savers and geometry(host_window_of(savers[0])) == (0, 0, width, height),
          f"on {host}'s window over the whole screen")
    pixels, _, _ = e2e.shoot_until(drawn)
    shows_frames(pixels, f"{host}'s window")
    check(not our_windows(), f"no window of ours in the tree: {our_windows()}")


def gone_within(path, seconds):
    return e2e.wait_until(lambda: not xsession.running(path), seconds, 0.05)


# --- xscreensaver ------------------------------------------------------------------

XSCREENSAVER_SETTINGS = """\
timeout: 0:30:00
lock: False
splash: False
fade: False
unfade: False
mode: one
selected: 0
programs: {saver} --root \\n
"""


def run_xscreensaver(saver, monitors):
    user = test_user()
    home, copy = private_home(user, saver)
    with open(os.path.join(home, ".xscreensaver"), "w") as f:
        f.write(XSCREENSAVER_SETTINGS.format(saver=copy))
    if user is not None:
        shutil.chown(os.path.join(home, ".xscreensaver"), user)

    def command(*args):
        cmd, env = as_user(user, ["xscreensaver-command", *args], home)
        return subprocess.run(cmd, env=env, capture_output=True, text=True, check=False)

    cmd, env = as_user(user, ["xscreensaver", "--no-splash"], home)
    daemon = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                              text=True)
    try:
        up = e2e.wait_until(lambda: command("-time").returncode == 0, 15, 0.2)
        check(up, "xscreensaver is up")
        command("-activate")
        started = e2e.wait_until(lambda: len(xsession.running(copy)) == len(monitors), 10, 0.1)
        savers = xsession.running(copy)
        check(started, f"{len(monitors)} saver(s) started for {len(monitors)} monitor(s): "
              f"{len(savers)}")
        windows = sorted((geometry(host_window_of(pid)), pid) for pid in savers)
        check([box for box, _ in windows] == monitors,
              f"each draws on xscreensaver's window of its monitor: {windows}")
        width, _ = e2e.screen_size()
        # xscreensaver paints its windows itself for a few seconds as it
        # starts; the saver sends a host's window whole once a second, so it
        # covers them soon after.
        pixels, _, _ = e2e.shoot_until(lambda p: all(drawn(region(p, width, box))
                                                     for box in monitors))
        for box in monitors:
            shows_frames(region(pixels, width, box), f"monitor at {box}")
        check(not our_windows(), f"no window of ours in the tree: {our_windows()}")
        # The saver's own part, SIGTERM to gone, is held to 100 ms by the
        # ending test; this bound is xscreensaver's, which under load once
        # took more than a second to pass the deactivation on.
        asked = time.monotonic()
        said = command("-deactivate")
        gone = gone_within(copy, 5)
        check(gone, f"deactivated, the saver is gone ({time.monotonic() - asked:.2f} s; "
              f"xscreensaver-command said {said.stdout.strip() or said.stderr.strip()!r})")
    finally:
        command("-exit")
        xsession.ended_within(daemon, 5)
        stop_all_of(copy)
        shutil.rmtree(home, ignore_errors=True)


def test_xscreensaver(saver):
    width, height = e2e.screen_size()
    run_xscreensaver(saver, [(0, 0, width, height)])


MONITORS = [(0, 0, 800, 600), (800, 0, 640, 480)]


def test_monitors(saver):
    # One screen, two monitors of different sizes side by side (RandR
    # monitors, which the server also reports through Xinerama): xscreensaver
    # runs a saver on each.
    with xsession.private_server("1440x600") as (_, display):
        os.environ["DISPLAY"] = display
        for k, (x, y, w, h) in enumerate(MONITORS):
            output = "screen" if k == 0 else "none"  # the first takes the screen's output
            subprocess.run(["xrandr", "--setmonitor", f"monitor{k}", f"{w}/0x{h}/0+{x}+{y}",
                            output], check=True, capture_output=True)
        run_xscreensaver(saver, MONITORS)


# --- xsecurelock -------------------------------------------------------------------

def test_xsecurelock(saver):
    user = test_user()
    home, copy = private_home(user, saver)
    cmd, env = as_user(user, ["xsecurelock"], home, XSECURELOCK_SAVER=copy)
    locker = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                              text=True)
    try:
        check(e2e.wait_until(lambda: xsession.running(copy), 10), "xsecurelock starts the saver")
        draws_over_screen(copy, "xsecurelock")
    finally:
        locker.terminate()
        xsession.ended_within(locker, 5)
        check(gone_within(copy, 2), "xsecurelock ended, no saver is left")
        stop_all_of(copy)
        shutil.rmtree(home, ignore_errors=True)


# --- mate-screensaver ---------------------------------------------------------

HACKS = "/usr/libexec/xscreensaver"
MATE_SETTINGS = {"mode": "single", "themes": "['screensavers-vendrel-screensaver']",
                 "lock-enabled": "false", "idle-activation-enabled": "false"}


def test_mate(saver, theme):
    # mate-screensaver finds its themes through the menu of
    # applications/screensavers in XDG_DATA_DIRS, and runs only programs in
    # the hacks' own folder, where the package links the saver. The test
    # links its copy there for as long as it runs, and gives the theme file,
    # pointed at that link, a data folder of its own.
    user = test_user()
    home, copy = private_home(user, saver)
    link = os.path.join(HACKS, f"vendrel-screensaver-test-{os.getpid()}")
    themes = os.path.join(home, "share", "applications", "screensavers")
    os.makedirs(themes)
    with open(theme) as f:
        text = f.read().replace(os.path.join(HACKS, "vendrel-screensaver"), link)
    with open(os.path.join(themes, "vendrel-screensaver.desktop"), "w") as f:
        f.write(text)
    if user is not None:
        subprocess.run(["chown", "-R", user, home], check=True)
    os.symlink(copy, link)
    cmd, env = as_user(user, ["dbus-daemon", "--session", "--nofork", "--print-address=1"], home)
    bus = subprocess.Popen(cmd, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                           text=True)
    session = {"DBUS_SESSION_BUS_ADDRESS": bus.stdout.readline().strip(),
               "XDG_DATA_DIRS": f"{home}/share:/usr/share", "XDG_CURRENT_DESKTOP": "MATE",
               "XDG_CONFIG_HOME": f"{home}/config", "GSETTINGS_BACKEND": "keyfile"}

    def run(*command):
        cmd, env = as_user(user, list(command), home, **session)
        return subprocess.run(cmd, env=env, capture_output=True, text=True, check=False)

    for key, value in MATE_SETTINGS.items():
        run("gsettings", "set", "org.mate.screensaver", key, value)
    cmd, env = as_user(user, ["mate-screensaver", "--no-daemon"], home, **session)
    daemon = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        up = e2e.wait_until(lambda: run("mate-screensaver-command", "--query").returncode == 0,
                            15, 0.2)
        check(up, "mate-screensaver is up")
        run("mate-screensaver-command", "--activate")
        check(e2e.wait_until(lambda: xsession.running(copy), 10), "it starts our theme's saver")
        draws_over_screen(copy, "mate-screensaver")
        run("mate-screensaver-command", "--deactivate")
        check(gone_within(copy, 2), "deactivated, the saver is gone")
    finally:
        run("mate-screensaver-command", "--exit")
        for proc in (daemon, bus):
            proc.terminate()
            xsession.ended_within(proc, 5)
        os.remove(link)
        stop_all_of(copy)
        shutil.rmtree(home, ignore_errors=True)


# --- a window of the test's own -----------------------------------------------------

class Host(xsession.Display):
    """A plain window of ours, as a framework's preview would be."""

    def __init__(self, box, background=0x123456, display=None):
        super().__init__(display)
        x, y, w, h = box
        self.window = self.XCreateSimpleWindow(self.XDefaultRootWindow(), x, y, w, h, 0, 0,
                                               background)
        self.call("XMapWindow")

    def name(self, decimal=False):
        return str(self.window) if decimal else f"0x{self.window:0{HEX_ID_WIDTH}X}"

    def call(self, name, *args):
        getattr(self, name)(self.window, *args)
        self.XSync(0)

    def event_masks(self):
        attributes = xsession.WindowAttributes()
        self.XGetWindowAttributes(self.window, ctypes.byref(attributes))
        return attributes.all_event_masks


PREVIEW = (300, 200, 200, 150)


def start_hosted(saver, host, env=None):
    return e2e.start(saver, dict(env or os.environ, XSCREENSAVER_WINDOW=host.name()))


def test_preview(saver):
    host = Host(PREVIEW)
    before, width, _ = e2e.shoot()
    proc = start_hosted(saver, host)
    try:
        pixels, _, _ = e2e.shoot_until(lambda p: drawn(region(p, width, PREVIEW)))
        shows_frames(region(pixels, width, PREVIEW), "the preview", 0.05)
        outside = sum(1 for k, (a, b) in enumerate(zip(before, pixels))
                      if a != b and not inside(k, width, PREVIEW))
        check(outside == 0, f"nothing outside the preview changed: {outside} pixels")
        masks = host.event_masks()
        check(masks & (INPUT_MASKS | EXCLUSIVE_MASKS) == 0,
              f"no input or redirection selected on the host's window: 0x{masks:X}")
        check(not our_windows(), f"no window of ours: {our_windows()}")
        # A host that resizes its window restarts its saver; until then it
        # draws on, clipped.
        host.call("XResizeWindow", 120, 90)
        time.sleep(0.5)
        check(e2e.draws_again() and proc.poll() is None, "resized: it draws on")
        host.call("XDestroyWindow")
        ended = e2e.wait_until(lambda: proc.poll() is not None, 1, 0.02)
        lines = proc.stderr.read().splitlines() if ended else []
        check(ended and proc.returncode == 1,
              f"the host's window destroyed: ended within a second, exit code "
              f"{proc.returncode}")
        check(len(lines) == 1 and "X Error" not in lines[0], f"with one line: {lines}")
    finally:
        if proc.poll() is None:
            proc.kill()
        host.close()


def inside(k, width, box):
    x, y, w, h = box
    return x <= k % width < x + w and y <= k // width < y + h


# --- the windows that settings dialogs and lockers make ---------------------------

TRUE_COLOR, DIRECT_COLOR = 4, 5
CW_BACK_PIXEL, CW_BORDER_PIXEL, CW_COLORMAP = 1 << 1, 1 << 3, 1 << 13


def window_of(display, parent, box, depth=0, visual_class=TRUE_COLOR, mapped=True):
    """A window of that depth and visual class (0: the parent's own)."""
    attributes, mask, visual = xsession.SetWindowAttributes(), 0, None
    if depth:
        info = xsession.VisualInfo()
        if not display.XMatchVisualInfo(0, depth, visual_class, ctypes.byref(info)):
            return None
        visual = info.visual
        attributes.colormap = display.XCreateColormap(parent, visual, 0)
        mask = CW_BACK_PIXEL | CW_BORDER_PIXEL | CW_COLORMAP
    x, y, w, h = box
    window = display.XCreateWindow(parent, x, y, w, h, 0, depth, 1, visual, mask,
                                   ctypes.byref(attributes))
    if mapped:
        display.XMapWindow(window)
    display.XSync(0)
    return window


def alphas(display, window, width, height):
    """The alpha byte of every pixel of a depth-32 window, as the server has it."""
    image = display.XGetImage(window, 0, 0, width, height, 0xFFFFFFFF, 2).contents
    rows = ctypes.string_at(image.data, image.bytes_per_line * height)
    return [rows[y * image.bytes_per_line + 4 * x + 3] for y in range(height) for x in range(width)]


def idles(proc, what):
    before = e2e.cpu_ms(proc.pid)
    time.sleep(2)
    spent = e2e.cpu_ms(proc.pid) - before
    check(spent < e2e.UNSEEN_CPU_ALLOWED_MS,
          f"{what}: no work, {spent:.1f} ms of CPU in 2 s (< {e2e.UNSEEN_CPU_ALLOWED_MS})")


def draws_in(box, what, least=1):
    """A frame of ours in the box, with at least `least` dot pixels."""
    _, width, _ = e2e.shoot()
    pixels, _, _ = e2e.shoot_until(
        lambda p: drawn(region(p, width, box)) and
        sum(region(p, width, box).count(c) for c in e2e.PALETTE) >= least)
    inner = region(pixels, width, box)
    dots = sum(inner.count(c) for c in e2e.PALETTE)
    check(drawn(inner) and dots >= least, f"{what}: drawn, {dots} dot pixels")
    return pixels


def check_parents(saver, display, root):
    parent = window_of(display, root, (100, 100, 400, 300), mapped=False)
    child = window_of(display, parent, (20, 20, 320, 240))
    box = (120, 120, 320, 240)
    proc = e2e.start(saver, dict(os.environ, XSCREENSAVER_WINDOW=str(child)))
    try:
        time.sleep(1)
        idles(proc, "mapped under an unmapped parent")
        display.XMapWindow(parent)
        display.XSync(0)
        draws_in(box, "the parent mapped")
        display.XUnmapWindow(parent)
        display.XSync(0)
        time.sleep(0.5)
        idles(proc, "the parent unmapped again")
        display.XMapWindow(parent)
        display.XSync(0)
        draws_in(box, "the parent mapped again")
    finally:
        proc.kill()
        proc.wait()
        display.XDestroyWindow(parent)


def check_depth_32(saver, display, root):
    window = window_of(display, root, (100, 100, 320, 240), depth=32)
    proc = e2e.start(saver, dict(os.environ, XSCREENSAVER_WINDOW=str(window)))
    try:
        draws_in((100, 100, 320, 240), "a depth-32 window")
        values = alphas(display, window, 320, 240)
        opaque = sum(1 for a in values if a == 0xFF)
        check(opaque == len(values), f"a depth-32 window: {opaque} of {len(values)} pixels opaque")
    finally:
        proc.kill()
        proc.wait()
        display.XDestroyWindow(window)


def check_resized(saver, display, root):
    """Resized, the saver starts over at the new size, in the same process."""
    window = window_of(display, root, (0, 0, 640, 360))
    before, width, _ = e2e.shoot()
    proc = e2e.start(saver, dict(os.environ, XSCREENSAVER_WINDOW=str(window)))
    try:
        draws_in((0, 0, 640, 360), "640x360")
        display.XResizeWindow(window, 1280, 720)
        display.XSync(0)
        draws_in((640, 0, 640, 720), "grown to 1280x720: the new part")
        display.XResizeWindow(window, 320, 240)
        display.XSync(0)
        time.sleep(1)
        # The scene at the new size: all 150 dots in it, not a corner of them.
        pixels = draws_in((0, 0, 320, 240), "shrunk to 320x240", least=1500)
        outside = sum(1 for k, (a, b) in enumerate(zip(before, pixels))
                      if a != b and not inside(k, width, (0, 0, 320, 240)))
        check(outside == 0, f"shrunk: nothing outside it changed ({outside} pixels)")
        check(proc.poll() is None, "still the same process")
    finally:
        proc.kill()
        proc.wait()
        display.XDestroyWindow(window)


def test_windows(saver):
    with xsession.Display() as display:
        root = display.XDefaultRootWindow()
        check_parents(saver, display, root)
        check_depth_32(saver, display, root)
        check_resized(saver, display, root)
        window = window_of(display, root, (0, 0, 200, 100), depth=24, visual_class=DIRECT_COLOR)
        check(window is not None, "the server offers a visual that is not true colour")
        if window is not None:
            refused(saver, str(window))


# --- ending, and bad values -----------------------------------------------------

def ended_by(proc, sig):
    """Sends `sig`; how long the saver took to end, in ms, or None."""
    sent = time.monotonic()
    proc.send_signal(sig)
    if not e2e.wait_until(lambda: proc.poll() is not None, 2, 0.002):
        proc.kill()
        proc.wait()
        return None
    return 1000 * (time.monotonic() - sent)


def catches(pid, sig):
    """Whether the process has a handler for `sig` (its SigCgt mask)."""
    try:
        return xsession.status(pid, "SigCgt", 16) >> (sig - 1) & 1 == 1
    except OSError:
        return False


# Under AddressSanitizer every exit scans memory for leaks, some 150 ms the
# saver itself never takes: timed ends go without, one end keeps it.
TIMED = dict(os.environ)
if "ASAN_OPTIONS" in TIMED:
    TIMED["ASAN_OPTIONS"] += ":detect_leaks=0"


def check_ends(proc, sig, what):
    ms = ended_by(proc, sig)
    report = proc.stderr.read()
    check(ms is not None and ms < SIGNAL_END_MS and proc.returncode == 0,
          f"{what}: {signal.Signals(sig).name} ends it with exit code {proc.returncode} "
          f"in {ms if ms is None else round(ms)} ms (< {SIGNAL_END_MS})")
    check("Sanitizer" not in report, f"{what}: no sanitizer report" +
          (f":\n{report}" if "Sanitizer" in report else ""))


def test_ending(saver, nologo):
    host = Host(PREVIEW)
    rng = random.Random(2026)
    try:
        # From the first moment the program can catch a signal (before that
        # the system's default ends it) to well into the animation.
        slowest = 0.0
        for k in range(SIGNAL_TRIES):
            proc = start_hosted(saver, host, TIMED)
            e2e.wait_until(lambda: catches(proc.pid, signal.SIGTERM), 5, 0.001)
            time.sleep(rng.choice([0, rng.uniform(0, 0.2), rng.uniform(0, 1.5)]))
            ms = ended_by(proc, signal.SIGTERM)
            report = proc.stderr.read()
            if ms is None or ms >= SIGNAL_END_MS or proc.returncode != 0 or "Sanitizer" in report:
                check(False, f"SIGTERM {k}: exit code {proc.returncode} after {ms} ms {report}")
                break
            slowest = max(slowest, ms)
        else:
            check(True, f"SIGTERM at {SIGNAL_TRIES} random moments: exit code 0 each time, "
                  f"the slowest in {slowest:.0f} ms")
        proc = start_hosted(saver, host, TIMED)
        e2e.wait_until(lambda: e2e.shows_dots(region(e2e.shoot()[0], e2e.screen_size()[0],
                                                     PREVIEW)), 10)
        check_ends(proc, signal.SIGINT, "drawing")
        proc = start_hosted(saver, host, TIMED)
        time.sleep(1)
        host.call("XUnmapWindow")
        time.sleep(0.5)
        check_ends(proc, signal.SIGHUP, "unseen")
        host.call("XMapWindow")
        proc = start_hosted(saver, host)
        time.sleep(1)
        proc.terminate()
        proc.wait(timeout=5)
        report = proc.stderr.read()
        check(proc.returncode == 0 and "Sanitizer" not in report,
              f"ended by a signal with every check at exit: exit code {proc.returncode} {report}")
    finally:
        host.close()
    # The missing-logo message holds the render thread; a signal ends it all.
    proc = e2e.start(nologo, TIMED)
    check(e2e.wait_for_message_box() is not None, "the missing-logo message is up")
    check_ends(proc, signal.SIGTERM, "the message up")
    check(e2e.message_box_gone(2), "the message goes with the saver")
    check_bad_values(saver)


def refused(saver, value, display=None):
    env = dict(os.environ, XSCREENSAVER_WINDOW=value)
    if display:
        env["DISPLAY"] = display
    done = subprocess.run(["saver-e2e"], executable=saver, env=env, capture_output=True,
                          text=True, timeout=10)
    lines = done.stderr.splitlines()
    check(done.returncode == 1 and len(lines) == 1 and "XSCREENSAVER_WINDOW" in lines[0],
          f"XSCREENSAVER_WINDOW={value!r}: exit code {done.returncode}, {lines}")


def check_bad_values(saver):
    for value in ("zzz", "0", "0x", "12ab", "0x1FFFFF0"):
        refused(saver, value)
    # A window of the second screen, to a saver on the first.
    with xsession.private_server("320x240", "320x240") as (_, display):
        with Host((0, 0, 100, 100), display=f"{display}.1") as other:
            refused(saver, other.name(decimal=True), f"{display}.0")


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    tests = {
        "xscreensaver": test_xscreensaver,
        "monitors": test_monitors,
        "xsecurelock": test_xsecurelock,
        "mate": test_mate,
        "preview": test_preview,
        "ending": test_ending,
        "windows": test_windows,
    }
    tests[argv[1]](*argv[2:])
    e2e.finish()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
