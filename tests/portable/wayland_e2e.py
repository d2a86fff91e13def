#!/usr/bin/env python3
"""The portable saver on a Wayland desktop: sway, headless, with pixman's
software renderer. sway refuses to start as root, so it runs as an
unprivileged user, made if there is none (hosted_e2e.py's). The helpers and
the way of reporting are saver_e2e.py's.

    wayland_e2e.py swayidle SAVER   started by swayidle (as a Wayland window of
                                    its own, the default): covers the output,
                                    draws, holds no idle timer back; a key,
                                    pointer motion, a button and the wheel each
                                    end it; through XWayland, full screen
                                    however late sway sees its window
    wayland_e2e.py mutter SAVER     under GNOME's compositor, headless: runs, full
                                    screen, draws, no idle inhibitor, a key ends it
    wayland_e2e.py native SAVER     through XWayland, asked for with
                                    SDL_VIDEODRIVER; where there is no XWayland
                                    at all: no work while its workspace is
                                    hidden, a key while the compositor asks for
                                    a frame a second; one-pixel lines on a
                                    scale-2 output

The pointer comes from wayvnc, which gives a VNC client a virtual pointer:
the headless backend has none of its own.
"""
import json
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time

import hosted_e2e as hosted
import saver_e2e as e2e
import xsession  # on the path saver_e2e gives
from saver_e2e import check

OUTPUT = (1280, 720)
VNC_PORT_BASE = 5990
IDLE_S = 2
SECOND_IDLE_S = 5
END_WAIT_S = 3
# wtype's virtual keyboard is new to the compositor each time: a key sent
# the moment it appears is dropped, so it waits first.
WTYPE_SETTLE_MS = 1000
SHIFT_KEYSYM = 0xFFE1


class Desktop:
    """Programs run as the test user inside one desktop's environment."""

    def __init__(self, user, home):
        self.user, self.home = user, home
        self.runtime = tempfile.mkdtemp(prefix="vendrel-wayland-")
        os.chmod(self.runtime, 0o700)
        if user is not None:
            os.chown(self.runtime, *hosted.ids(user))
        self.env = {"XDG_RUNTIME_DIR": self.runtime}

    def command(self, args):
        return hosted.as_user(self.user, args, self.home, **self.env)

    def spawn(self, args, **streams):
        cmd, env = self.command(args)
        return subprocess.Popen(cmd, env=env, **{"stdout": subprocess.DEVNULL,
                                                 "stderr": subprocess.DEVNULL, **streams})

    def run(self, *args):
        cmd, env = self.command(list(args))
        return subprocess.run(cmd, env=env, capture_output=True, text=True, check=False)

    def started(self, name):
        """Processes of that name under this desktop: those with its runtime folder."""
        return xsession.processes(lambda pid: xsession.name(pid) == name and
                                  xsession.environment_of(pid, "XDG_RUNTIME_DIR") == self.runtime)


class Sway(Desktop):
    def __init__(self, user, home, xwayland=True, starts=(), scale=1, size=OUTPUT):
        """`starts`: commands sway starts as it comes up, as a user's
        configuration would have them."""
        super().__init__(user, home)
        config = os.path.join(home, "sway.config")
        with open(config, "w") as f:
            f.write(f"output HEADLESS-1 resolution {size[0]}x{size[1]} scale {scale}\n"
                    f"xwayland {'enable' if xwayland else 'disable'}\n"
                    "default_border none\n" + "".join(f"exec {c}\n" for c in starts))
        self.env.update({"WLR_BACKENDS": "headless", "WLR_RENDERER": "pixman",
                         "WLR_LIBINPUT_NO_DEVICES": "1", "WLR_HEADLESS_OUTPUTS": "1"})
        self.sway = self.spawn(["sway", "-c", config])
        up = e2e.wait_until(lambda: any(n.startswith("sway-ipc.") for n in os.listdir(self.runtime))
                            and any(n.startswith("wayland-") and not n.endswith(".lock")
                                    for n in os.listdir(self.runtime)), 15)
        names = os.listdir(self.runtime)
        self.env["SWAYSOCK"] = os.path.join(self.runtime, next(
            (n for n in names if n.startswith("sway-ipc.")), "none"))
        self.env["WAYLAND_DISPLAY"] = next(
            (n for n in names if n.startswith("wayland-") and not n.endswith(".lock")), "none")
        check(up, "sway is up")

    def saver_node(self):
        """The saver's node in sway's tree, or None."""
        found = []

        def walk(node):
            if node.get("name") == e2e.TITLE:
                found.append(node)
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)
        tree = self.run("swaymsg", "-r", "-t", "get_tree").stdout
        walk(json.loads(tree or "{}"))
        return found[0] if found else None

    def pid(self):
        """sway's own process: its socket is named after it."""
        return int(os.path.basename(self.env["SWAYSOCK"]).split(".")[2])

    def shoot(self):
        path = os.path.join(self.home, "shot.png")
        self.run("grim", path)
        return e2e.read_logo(path)[0]

    def close(self):
        self.run("swaymsg", "exit")
        xsession.ended_within(self.sway, 5)
        shutil.rmtree(self.runtime, ignore_errors=True)


class Pointer:
    """A VNC client of wayvnc's: the pointer it moves is wayvnc's virtual one."""

    def __init__(self, port):
        self.socket = socket.create_connection(("127.0.0.1", port), timeout=5)
        self.socket.recv(12)
        self.socket.sendall(b"RFB 003.008\n")
        count = self.socket.recv(1)[0]
        if 1 not in self.socket.recv(count):
            raise RuntimeError("wayvnc offers no connection without authentication")
        self.socket.sendall(b"\x01")
        self.socket.recv(4)  # security result
        self.socket.sendall(b"\x01")  # shared
        init = self.socket.recv(24)
        self.socket.recv(struct.unpack(">I", init[20:24])[0])  # the desktop's name

    def send(self, x, y, buttons=0):
        self.socket.sendall(struct.pack(">BBHH", 5, buttons, x, y))

    def tap(self, keysym):
        for down in (1, 0):
            self.socket.sendall(struct.pack(">BBHI", 4, down, 0, keysym))


def connect_pointer(port):
    pointer = []
    e2e.wait_until(lambda: pointer or try_connect(port, pointer), 10, 0.2)
    return pointer[0] if pointer else None


def try_connect(port, into):
    try:
        into.append(Pointer(port))
    except OSError:
        pass
    return bool(into)


def check_covered(sway, what):
    pixels = sway.shoot()
    deadline = time.monotonic() + e2e.START_TIMEOUT_S
    while not hosted.drawn(pixels) and time.monotonic() < deadline:
        time.sleep(0.2)
        pixels = sway.shoot()
    check(len(pixels) == OUTPUT[0] * OUTPUT[1] and e2e.saver_only(pixels),
          f"{what}: every pixel of the output is the saver's "
          f"({e2e.foreign_colours(pixels)} other colours, {pixels.count(0)} black)")
    time.sleep(0.5)
    later = sway.shoot()
    moved = sum(1 for a, b in zip(pixels, later) if a != b)
    check(moved > 100, f"{what}: it draws ({moved} pixels changed in 0.5 s)")


def check_window(sway, what, shell):
    # On a busy machine sway may show the window before it has made it full
    # screen.
    def as_asked(node):
        return (node is not None and node.get("shell") == shell
                and node.get("fullscreen_mode") == 1 and node.get("inhibit_idle") is False)
    e2e.wait_until(lambda: as_asked(sway.saver_node()), e2e.START_TIMEOUT_S, 0.2)
    node = sway.saver_node()
    check(as_asked(node),
          f"{what}: sway has it as {shell}, full screen, not inhibiting idle: " +
          (str({k: node.get(k) for k in ("shell", "fullscreen_mode", "inhibit_idle")})
           if node else "no window"))


def ended_by(copy, action, what):
    started = xsession.running(copy)
    check(bool(started), f"{what}: the saver runs before the input")
    action()
    check(hosted.gone_within(copy, END_WAIT_S), f"{what} ends it")


def test_swayidle(saver):
    user = hosted.test_user()
    home, copy = hosted.private_home(user, saver)
    second = os.path.join(home, "second-timeout")
    port = VNC_PORT_BASE + os.getpid() % 100
    sway = Sway(user, home, starts=[
        f"swayidle timeout {IDLE_S} {copy} timeout {SECOND_IDLE_S} 'touch {second}'",
        f"wayvnc 127.0.0.1 {port}"])
    try:
        pointer = connect_pointer(port)
        check(pointer is not None, "wayvnc gives a virtual pointer")
        check(e2e.wait_until(lambda: xsession.running(copy), 15), "swayidle starts the saver")
        display = xsession.environment_of(xsession.running(copy)[0], "DISPLAY") or ""
        check_covered(sway, "started by swayidle")
        check_window(sway, "started by swayidle", "xdg_shell")
        check(e2e.wait_until(lambda: os.path.exists(second), SECOND_IDLE_S + 3),
              "the next idle timeout fires while the saver runs")
        time.sleep(1)  # the pointer's first motion into the window ends nothing
        ended_by(copy, lambda: sway.run("wtype", "-s", str(WTYPE_SETTLE_MS), "x"), "a key")
        # wtype's keyboard gone, the seat would have none in use, and sway
        # would send the next window no keymap, which SDL 2.26 does not
        # survive; wayvnc's keyboard, once pressed, is the one in use.
        pointer.tap(SHIFT_KEYSYM)
        # Idle again, swayidle starts it again: then the pointer.
        for what, move in (("pointer motion", lambda: (pointer.send(300, 300),
                                                        time.sleep(0.1), pointer.send(340, 320))),
                           ("a button", lambda: (pointer.send(340, 320, 1),
                                                 time.sleep(0.1), pointer.send(340, 320, 0))),
                           # VNC gives the wheel as buttons 4 and 5.
                           ("the wheel", lambda: (pointer.send(340, 320, 8),
                                                  time.sleep(0.1), pointer.send(340, 320, 0)))):
            check(e2e.wait_until(lambda: xsession.running(copy), IDLE_S + 10),
                  f"idle again: swayidle starts it again, for {what}")
            time.sleep(1.5)
            ended_by(copy, move, what)
        xsession.kill(sway.started("swayidle"), signal.SIGTERM)
        end_saver(copy)
        check_held_sway(sway, copy, display)
    finally:
        sway.close()
        hosted.stop_all_of(copy)
        shutil.rmtree(home, ignore_errors=True)


def end_saver(copy):
    xsession.kill(xsession.running(copy))
    hosted.gone_within(copy, END_WAIT_S)


def check_held_sway(sway, copy, display):
    """XWayland's window manager watches a window's properties only once it
    has seen the window created. With sway held still while the saver comes
    up, it sees that late, and the full-screen wish the saver set before the
    map with it: the saver must still end up full screen."""
    def wish_set():
        shown = sway.run("xprop", "-name", e2e.TITLE, "_NET_WM_STATE").stdout
        return "_NET_WM_STATE_FULLSCREEN" in shown

    sway.env["DISPLAY"] = display
    os.kill(sway.pid(), signal.SIGSTOP)
    try:
        sway.spawn(["env", "SDL_VIDEODRIVER=x11", copy])
        check(e2e.wait_until(wish_set, e2e.START_TIMEOUT_S, 0.2),
              "sway held still: the saver's window asks for the full screen before its map")
    finally:
        os.kill(sway.pid(), signal.SIGCONT)
    check_window(sway, "sway held still as it came up", "xwayland")
    end_saver(copy)


def key_ends(sway, copy, what):
    """A key ends it after its pause, give or take the slack."""
    check(bool(xsession.running(copy)), f"{what}: the saver runs before the key")
    sway.run("wtype", "-s", str(WTYPE_SETTLE_MS), "x")
    sent = time.monotonic()
    gone = hosted.gone_within(copy, END_WAIT_S)
    waited_ms = 1000 * (time.monotonic() - sent)
    check(gone and waited_ms < 45 + 1000 * e2e.LATENCY_SLACK_S,
          f"{what} ends it ({waited_ms:.0f} ms after it was sent)")


def start_native(sway, copy, what):
    sway.run("swaymsg", "exec", f"env -u DISPLAY {copy}")
    check(e2e.wait_until(lambda: sway.saver_node() is not None, 15),
          f"{what}: the saver's window is up")
    check_covered(sway, what)
    check_window(sway, what, "xdg_shell")


def check_hidden(sway, copy):
    """The compositor asks for no frame of a window on a hidden workspace."""
    pid = xsession.running(copy)[0]
    sway.run("swaymsg", "workspace", "2")
    time.sleep(1)
    before = e2e.cpu_ms(pid)
    time.sleep(5)
    spent = e2e.cpu_ms(pid) - before
    check(spent < e2e.UNSEEN_CPU_ALLOWED_MS,
          f"its workspace hidden: {spent:.1f} ms of CPU in 5 s (< {e2e.UNSEEN_CPU_ALLOWED_MS})")
    sway.run("swaymsg", "workspace", "1")
    shown = time.monotonic()
    first = sway.shoot()
    e2e.wait_until(lambda: sway.shoot() != first, 1 + e2e.LATENCY_SLACK_S, 0)
    waited = time.monotonic() - shown
    check(waited < 1 + e2e.LATENCY_SLACK_S, f"shown again, it draws again ({waited:.2f} s)")


def one_pixel_wide(pixels):
    """Share of the link pixels that fill a whole 2x2 block, as every pixel
    of a frame scaled up twice would."""
    shades, width = set(e2e.link_shades()), OUTPUT[0]
    links = blocks = 0
    for y in range(0, OUTPUT[1] - 1, 2):
        for x in range(0, width - 1, 2):
            p = pixels[y * width + x]
            if p in shades:
                links += 1
                blocks += (pixels[y * width + x + 1] == p and pixels[(y + 1) * width + x] == p
                           and pixels[(y + 1) * width + x + 1] == p)
    return links, blocks


def test_native(saver):
    user = hosted.test_user()
    home, copy = hosted.private_home(user, saver)
    try:
        sway = Sway(user, home)
        try:
            sway.run("swaymsg", "exec", f"env SDL_VIDEODRIVER=x11 {copy}")
            check(e2e.wait_until(lambda: sway.saver_node() is not None, 15),
                  "SDL_VIDEODRIVER=x11: the saver's window is up")
            check_covered(sway, "SDL_VIDEODRIVER=x11")
            check_window(sway, "SDL_VIDEODRIVER=x11", "xwayland")
            time.sleep(1)  # the pointer's placement ends nothing
            key_ends(sway, copy, "SDL_VIDEODRIVER=x11: a key")
        finally:
            sway.close()
        sway = Sway(user, home, xwayland=False)
        try:
            start_native(sway, copy, "no XWayland")
            check_hidden(sway, copy)
            # The render thread waits up to a second for the compositor.
            sway.run("swaymsg", "output", "HEADLESS-1", "mode", f"{OUTPUT[0]}x{OUTPUT[1]}@1Hz")
            time.sleep(0.5)
            key_ends(sway, copy, "a frame a second: a key")
        finally:
            sway.close()
        sway = Sway(user, home, xwayland=False, scale=2)
        try:
            start_native(sway, copy, "scale 2")
            links, blocks = one_pixel_wide(sway.shoot())
            check(links > 100 and blocks < links / 10,
                  f"scale 2: one-pixel lines ({blocks} of {links} link pixels fill a 2x2 block)")
        finally:
            sway.close()
    finally:
        hosted.stop_all_of(copy)
        shutil.rmtree(home, ignore_errors=True)


class Mutter(Desktop):
    """GNOME's compositor, headless, on a session bus of its own. It draws
    with software OpenGL at a third of a core, so nothing is timed here."""

    def __init__(self, user, home):
        super().__init__(user, home)
        self.bus = self.spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                              stdout=subprocess.PIPE, text=True)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.bus.stdout.readline().strip()
        self.mutter = self.spawn(["mutter", "--headless", "--wayland", "--no-x11",
                                  "--virtual-monitor", f"{OUTPUT[0]}x{OUTPUT[1]}",
                                  "--wayland-display=vendrel-wayland"])
        self.env["WAYLAND_DISPLAY"] = "vendrel-wayland"
        check(e2e.wait_until(lambda: os.path.exists(os.path.join(self.runtime, "vendrel-wayland")),
                             15), "mutter is up")

    def idle_ms(self):
        """How long mutter counts the user idle."""
        out = self.run("gdbus", "call", "--session", "--dest", "org.gnome.Mutter.IdleMonitor",
                       "--object-path", "/org/gnome/Mutter/IdleMonitor/Core", "--method",
                       "org.gnome.Mutter.IdleMonitor.GetIdletime").stdout
        return int(out.strip("(), \n").split()[-1]) if "uint64" in out else -1

    def close(self):
        xsession.kill([self.mutter.pid, self.bus.pid], signal.SIGTERM)
        xsession.ended_within(self.mutter, 5)
        xsession.ended_within(self.bus, 5)
        shutil.rmtree(self.runtime, ignore_errors=True)


# A key through mutter's remote desktop: Shift first, which makes the
# virtual keyboard and its focus, then x. Debian's own Python has dbus.
MUTTER_KEY = """
import dbus, time
bus = dbus.SessionBus()
name = "org.gnome.Mutter.RemoteDesktop"
path = bus.get_object(name, "/org/gnome/Mutter/RemoteDesktop").CreateSession(dbus_interface=name)
session = dbus.Interface(bus.get_object(name, path), name + ".Session")
session.Start()
time.sleep(1)
for code in (42, 45):
    for down in (True, False):
        session.NotifyKeyboardKeycode(dbus.UInt32(code), down)
        time.sleep(0.3)
"""


def test_mutter(saver):
    """What the saver asks of mutter and is told, from its own protocol log."""
    user = hosted.test_user()
    home, copy = hosted.private_home(user, saver)
    mutter = Mutter(user, home)
    log_path = os.path.join(home, "protocol.log")
    try:
        with open(log_path, "w") as log:
            proc = mutter.spawn(["env", "WAYLAND_DEBUG=1", copy], stderr=log)
        idle_before = mutter.idle_ms()
        time.sleep(3 * e2e.TIME_SCALE)
        idle_after = mutter.idle_ms()
        with open(log_path) as f:
            lines = f.read().splitlines()
        check(proc.poll() is None, "it runs under mutter")
        asked = any(".set_fullscreen(" in line for line in lines)
        sized = any("xdg_toplevel@" in line and f".configure({OUTPUT[0]}, {OUTPUT[1]}," in line
                    for line in lines)
        check(asked and sized, f"full screen: asked for, and mutter made it {OUTPUT[0]}x{OUTPUT[1]}")
        commits = sum(1 for line in lines if "-> wl_surface@" in line and ".commit()" in line)
        check(commits > 10, f"it draws: {commits} commits of its surface in 3 s")
        check(not any("-> zwp_idle_inhibit_manager_v1@" in line for line in lines),
              "no idle inhibitor asked for in its protocol log")
        check(idle_after - idle_before > 2000,
              f"mutter's idle time runs on: {idle_before} ms, then {idle_after} ms")
        mutter.run("/usr/bin/python3", "-c", MUTTER_KEY)
        check(xsession.ended_within(proc, END_WAIT_S) and proc.returncode == 0,
              f"a key ends it, exit code {proc.returncode}")
    finally:
        mutter.close()
        hosted.stop_all_of(copy)
        shutil.rmtree(home, ignore_errors=True)


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    {"swayidle": test_swayidle, "native": test_native, "mutter": test_mutter}[argv[1]](*argv[2:])
    e2e.finish()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
