#!/usr/bin/env python3
"""Runs the Windows saver under Wine, in a 1280x720 virtual desktop on the
private X display tests/harness/xvfb.sh gives us, and checks what it does.

  saver_run.py MODE EXE OUTDIR [SAVER ARGS...]

MODE is one of
  cover         the screen is covered and animated once the saver is up
  key, altkey, left, right, middle, xbutton, wheel, motion
                that one input ends the saver with exit code 0, no sooner
                than its pause and well within a second
  burst         several of them at once end it the same way
  keyup         a key released (pressed before the saver came up) ends nothing
  buttonup      a mouse button released likewise ends nothing
  logo          backdrop 1 shows the logo at (100, 100) after 21 s, not before
  close         a window closed from outside (WM_CLOSE) ends the saver
  nologo        a saver without its logo says "Hello", then animates; a
                paint posted later starts no second render thread
  unreadable    a raw input message whose record cannot be read stops the
                animation; the saver runs on and the next key ends it
  early-key     a key that comes before the first paint ends the saver
  gdi           a minute of the saver keeps its GDI object count flat
unreadable, early-key and nologo post their messages with
vendrel-post-message.exe, found beside EXE in tools/. Screenshots are left
in OUTDIR. Add -n N after MODE to repeat a trigger N times and print the
median latency.

The saver is started by Wine's explorer, so it is not our child: we make
this script a child subreaper, Wine's processes are handed to us when
their starters leave, and waitpid gives the saver's own exit code and the
moment it ended.
"""
import ctypes
import os
import signal
import statistics
import subprocess
import sys
import time

import gdi_trace
import screen
import xinput

HERE = os.path.dirname(os.path.abspath(__file__))
WINE = os.path.join(HERE, "..", "harness", "wine.sh")
DESKTOP = "/desktop=vendrel,1280x720"
PR_SET_CHILD_SUBREAPER = 36

START_WAIT_S = 60       # the prefix is made before any saver starts
UP_WAIT_S = 30          # from the process to its first frame, on a loaded machine
SAVER_TITLE = "Vendrel Screensaver"
LATENCY_CEILING_MS = 600
LOGO_SHOTS_S = (23.0, 25.0, 27.0, 29.0)  # backdrop 1 shows from 20 s to 41 s
POINTER = (640, 360)
TRIGGERS = {  # the input, given the display, and the stop's pause in ms
    "key": (lambda x: x.key("a"), 45),
    "altkey": (lambda x: x.key("Alt_L", "x"), 100),
    "left": (lambda x: x.click(1), 100),
    "middle": (lambda x: x.click(2), 100),
    "right": (lambda x: x.click(3), 100),
    "wheel": (lambda x: x.click(4), 100),
    "xbutton": (lambda x: x.click(8), 100),
    "motion": (lambda x: x.move_to(POINTER[0] + 1, POINTER[1]), 100),
    "burst": (lambda x: burst(x), 45),
}


def burst(display):
    """A key, then at once a click, the wheel and a motion: each runs the
    stop again while the messages before it are still pausing. Returns when
    the first went out."""
    first = display.key("a")
    display.click(1)
    display.click(4)
    display.move_to(POINTER[0] + 2, POINTER[1] + 1)
    return first


class Failure(Exception):
    pass


def now_ms():
    return time.monotonic_ns() / 1e6


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True, stdout=subprocess.DEVNULL)


def parent_of(pid):
    with open(f"/proc/{pid}/stat") as f:
        return int(f.read().rsplit(")", 1)[1].split()[1])


def program_of(pid):
    with open(f"/proc/{pid}/cmdline", "rb") as f:
        return f.read().split(b"\0", 1)[0].decode(errors="replace")


class Run:
    """One saver under explorer's virtual desktop."""

    def __init__(self, exe, args, outdir, name, winedebug=None, read_trace=None):
        """With winedebug, Wine traces those channels and read_trace(stream)
        gets the trace at once, before Wine could fill the pipe; what it
        returns is kept as self.trace."""
        self.exe = exe
        self.outdir = outdir
        self.name = name
        self.log = open(os.path.join(outdir, f"{name}-wine.log"), "w")
        env = dict(os.environ, WINEDEBUG=winedebug) if winedebug else None
        self.launcher = subprocess.Popen([WINE, "explorer", DESKTOP, exe, *args], env=env,
                                         stdout=self.log,
                                         stderr=subprocess.PIPE if winedebug else self.log)
        self.trace = read_trace(self.launcher.stderr) if winedebug else None
        self.pid = self.find_saver()
        self.started = now_ms()
        self.exit_status = None

    def find_saver(self):
        wanted = os.path.basename(self.exe).lower()
        deadline = time.monotonic() + START_WAIT_S
        while time.monotonic() < deadline:
            if self.launcher.poll() is not None:
                raise Failure(f"Wine ended ({self.launcher.returncode}) before {wanted} "
                              f"started; see {self.log.name}")
            for entry in os.listdir("/proc"):
                if not entry.isdigit():
                    continue
                pid = int(entry)
                try:
                    if parent_of(pid) != os.getpid():
                        continue
                    if program_of(pid).replace("\\", "/").lower().endswith(wanted):
                        return pid
                except (OSError, IndexError, ValueError):
                    continue
            time.sleep(0.01)
        raise Failure(f"{wanted} did not start under Wine within {START_WAIT_S} s")

    def wait_since_start(self, seconds):
        delay = self.started + seconds * 1000 - now_ms()
        if delay > 0:
            time.sleep(delay / 1000)

    def alive(self):
        if self.exit_status is not None:
            return False
        pid, status = os.waitpid(self.pid, os.WNOHANG)
        if pid == 0:
            return True
        self.exit_status = status
        self.ended = now_ms()
        return False

    def wait_exit(self, timeout_s):
        deadline = now_ms() + timeout_s * 1000
        while self.alive():
            if now_ms() > deadline:
                raise Failure(f"the saver still runs {timeout_s} s later")
            time.sleep(0.001)
        return os.waitstatus_to_exitcode(self.exit_status)

    def shot(self, label):
        return screen.capture(os.path.join(self.outdir, f"{self.name}-{label}.png"))

    def close(self):
        """Leaves no process of ours behind, whatever happened."""
        if self.alive():
            os.kill(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
        try:
            self.launcher.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.launcher.kill()
            self.launcher.wait()
        reap_orphans()
        self.log.close()


def reap_orphans():
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


def expect(condition, message):
    if not condition:
        raise Failure(message)


def focused_window():
    """The X window with the keyboard focus: Wine gives it to the X window
    of the active Windows window, so input sent earlier goes elsewhere."""
    done = subprocess.run(["xdotool", "getwindowfocus"], capture_output=True, text=True)
    return done.stdout.strip() if done.returncode == 0 else None


def wait_focus(window, timeout_s):
    deadline = time.monotonic() + timeout_s
    while focused_window() != window:
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)
    return True


def wait_until_up(run, label, focus=True):
    """Waits until the saver can be acted on: a shot shows it covering the
    desktop with a frame drawn and, with focus, its window has the keyboard
    focus. Returns that shot."""
    deadline = time.monotonic() + UP_WAIT_S
    window = find_window(SAVER_TITLE, UP_WAIT_S)
    expect(window is not None, f"{label}: no saver window within {UP_WAIT_S} s")
    problems = ["its window never had the keyboard focus"]
    while time.monotonic() < deadline:
        expect(run.alive(), f"{label}: the saver ended before it was up")
        if not focus or focused_window() == window:
            image = run.shot(label)
            problems = screen.cover_problems(image)
            if not problems:
                return image
        time.sleep(0.05)
    raise Failure(f"{label}: not up within {UP_WAIT_S} s: {problems[0]}")


def expect_running_saver(run, label):
    """The saver is up: covered, animated, still alive."""
    first = run.shot(f"{label}-a")
    time.sleep(0.3)
    second = run.shot(f"{label}-b")
    expect(run.alive(), f"{label}: the saver has ended by itself")
    for problem in screen.cover_problems(first) + screen.cover_problems(second):
        raise Failure(f"{label}: {problem}")
    changed = screen.changed_pixels(first, second)
    expect(changed > 500, f"{label}: the picture did not move ({changed} pixels changed)")
    print(f"{label}: covered, {screen.describe(first)}, {changed} pixels changed in 0.3 s")


def end_with_key(run):
    xdotool("key", "space")
    code = run.wait_exit(2)
    expect(code == 0, f"exit code {code} after a key, not 0")


def check_cover(run):
    wait_until_up(run, "up")
    expect_running_saver(run, "start")
    end_with_key(run)


def trigger_latency(run, trigger, display):
    send, pause_ms = TRIGGERS[trigger]
    wait_until_up(run, "up")
    expect(run.alive(), "the saver ended before any input")
    before = now_ms()
    sent = send(display)
    code = run.wait_exit(3)
    expect(code == 0, f"{trigger}: exit code {code}, not 0")
    least, most = run.ended - sent, run.ended - before
    print(f"{trigger}: exit code 0, {least:.0f}..{most:.0f} ms after the input")
    expect(least >= pause_ms, f"{trigger}: ended {least:.0f} ms after the input, "
                              f"before its {pause_ms} ms pause")
    expect(most < LATENCY_CEILING_MS, f"{trigger}: took {most:.0f} ms to end")
    return (least + most) / 2


def check_release_alone(run, release):
    # A release with nothing held is dropped by the X server, hence the press
    # before the saver exists (Shift, which does not repeat): the release is
    # all the saver ever sees of that input.
    wait_until_up(run, "up")
    expect(run.alive(), "the saver ended before the release")
    release()
    time.sleep(0.6)
    expect_running_saver(run, "after-release")
    end_with_key(run)


def check_logo(run, logo):
    early = [wait_until_up(run, "backdrop0")]
    # The rotation starts with the first paint, before that shot: the later
    # shots are timed from it, however long Wine took to get there.
    up = now_ms()
    early_share = screen.logo_share(early, logo, 100, 100)
    print(f"backdrop 0: {early_share:.0%} of the logo's pixels at (100, 100)")
    expect(early_share < 0.2, "the logo is at (100, 100) before the first rotation")
    # Shots a few seconds apart: a slow dot or its links can rest over part
    # of the logo for a while, but not over the same pixels in every shot.
    late = []
    for k, seconds in enumerate(LOGO_SHOTS_S):
        time.sleep(max(0.0, up + seconds * 1000 - now_ms()) / 1000)
        late.append(run.shot(f"backdrop1-{k}"))
    share = screen.logo_share(late, logo, 100, 100)
    print(f"backdrop 1 at 23-29 s: {share:.0%} of the logo's pixels at (100, 100)")
    expect(share > 0.9, "backdrop 1 does not show the logo at (100, 100)")
    for problem in screen.cover_problems(late[0], logo[2]):
        raise Failure(f"backdrop 1: {problem}")
    end_with_key(run)


def check_closed_window(run):
    # taskkill without /f sends the window WM_CLOSE; it must run in the
    # saver's desktop to see its window.
    wait_until_up(run, "up")
    expect(run.alive(), "the saver ended before its window was closed")
    closer = subprocess.run([WINE, "explorer", DESKTOP, "taskkill", "/im",
                             os.path.basename(run.exe)], stdout=run.log, stderr=run.log)
    expect(closer.returncode == 0, f"taskkill failed with {closer.returncode}")
    code = run.wait_exit(3)
    expect(code == 0, f"exit code {code} after the window was closed, not 0")
    print("closed from outside: the saver ended with exit code 0")


def find_window(name, timeout_s):
    deadline = time.monotonic() + timeout_s
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--name", f"^{name}$"],
                               capture_output=True, text=True)
        if found.stdout.split():
            return found.stdout.split()[0]
        time.sleep(0.1)
    return None


def check_missing_logo(run):
    box = find_window("Hello", UP_WAIT_S)
    expect(box is not None, "no \"Hello\" message box")
    expect(wait_focus(box, UP_WAIT_S), "the \"Hello\" box never had the keyboard focus")
    run.shot("hello")
    expect(run.alive(), "the saver ended while its message was up")
    print("the \"Hello\" box is up")
    expect(dismiss(box, "Hello", "Return"), "the \"Hello\" box did not go away on Return")
    # Wine can leave the X focus on its desktop window once the box goes;
    # keys still reach the saver, which is the active window again.
    wait_until_up(run, "after-hello", focus=False)
    expect_running_saver(run, "after-hello")
    # A later paint must start no second render thread, which would ask again.
    print(post_message(run, WM_PAINT, 0, 0))
    expect(find_window("Hello", 1.0) is None, "a second paint brought up a second \"Hello\" box")
    expect_running_saver(run, "after-second-paint")
    end_with_key(run)


KEY_RETRY_S = 3


def dismiss(window, name, key):
    """Presses KEY whenever WINDOW has the keyboard focus, and again should
    it still be there KEY_RETRY_S later, until no window is called NAME: a
    key sent before Wine gave it the focus went to another window. Returns
    whether it went within UP_WAIT_S."""
    deadline = time.monotonic() + UP_WAIT_S
    while time.monotonic() < deadline:
        if find_window(name, 0.01) is None:
            return True
        if focused_window() == window:
            xdotool("key", key)
            if find_window_gone(name, KEY_RETRY_S):
                return True
        else:
            time.sleep(0.05)
    return False


def find_window_gone(name, timeout_s):
    deadline = time.monotonic() + timeout_s
    while time.monotonic() < deadline:
        if find_window(name, 0.01) is None:
            return True
        time.sleep(0.1)
    return False


WM_PAINT = 0x000F
WM_INPUT = 0x00FF
WM_KEYDOWN = 0x0100
EARLY_TRIES = 3
STILL_WAIT_S = 5


def poster_command(exe, *args):
    """vendrel-post-message, built beside EXE, run inside the saver's desktop."""
    poster = os.path.join(os.path.dirname(exe), "tools", "vendrel-post-message.exe")
    return [WINE, "explorer", DESKTOP, poster, *map(str, args)]


def post_message(run, *args):
    """Posts a message to the saver's window; returns what the poster
    printed."""
    done = subprocess.run(poster_command(run.exe, *args),
                          capture_output=True, text=True)
    expect(done.returncode == 0, f"vendrel-post-message failed: {done.stderr.strip()}")
    return done.stdout.strip()


def check_unreadable_record(run):
    wait_until_up(run, "up")
    expect(run.alive(), "the saver ended before the message")
    # No raw input record has this handle, so none can be read.
    print(post_message(run, WM_INPUT, 0, 0xBAD0))
    # The saver takes the message when it next runs, then pauses and lets
    # the frame in hand finish: shots 0.5 s apart until two agree.
    deadline = time.monotonic() + STILL_WAIT_S
    second, k = run.shot("stopped-0"), 0
    while True:
        first, k = second, k + 1
        time.sleep(0.5)
        second = run.shot(f"stopped-{k}")
        changed = screen.changed_pixels(first, second)
        if changed == 0 or time.monotonic() > deadline:
            break
    expect(run.alive(), "an unreadable raw record ended the saver")
    for problem in screen.cover_problems(first):
        raise Failure(f"after the record: {problem}")
    expect(changed == 0, f"still animating {STILL_WAIT_S} s after the record "
                         f"({changed} pixels changed)")
    print("unreadable record: animation stopped, the saver runs on")
    end_with_key(run)


def early_key(exe, args, outdir, name):
    """Starts the poster first, waiting for the window, then the saver: the
    key is posted the moment the window exists. Returns whether it came
    before the first paint."""
    waiting = subprocess.Popen(poster_command(exe, "--first", WM_KEYDOWN, "0x41", 0),
                               stdout=subprocess.PIPE, text=True)
    run = Run(exe, args, outdir, name)
    try:
        said = waiting.communicate(timeout=START_WAIT_S)[0].strip()
        expect(waiting.returncode == 0, "vendrel-post-message did not post")
        code = run.wait_exit(3)
        expect(code == 0, f"exit code {code} after an early key, not 0")
        print(f"{said}: the saver ended with exit code 0")
        return said.endswith("before the first paint")
    finally:
        if waiting.poll() is None:
            waiting.kill()
            waiting.wait()
        run.close()


GDI_RUN_S = 60
GDI_STRETCH_S = 10


def check_gdi_objects_flat(exe, args, outdir, name):
    """A minute of the saver with Wine counting its GDI objects: what it
    keeps between drawing calls stays the same from the first stretch on."""
    run = Run(exe, args, outdir, name, winedebug=gdi_trace.WINEDEBUG,
              read_trace=lambda stream: gdi_trace.GdiCounts(stream, GDI_STRETCH_S))
    try:
        counts = run.trace
        run.wait_since_start(GDI_RUN_S + GDI_STRETCH_S)
        expect(run.alive(), "the saver ended by itself")
        process, lowest = counts.busiest()
        expect(process is not None, "Wine traced no GDI object")
        # The first stretch holds the start-up; the last may be cut short.
        kept = [lowest.get(k) for k in range(1, GDI_RUN_S // GDI_STRETCH_S + 1)]
        print(f"process {process}: lowest GDI object count in each {GDI_STRETCH_S} s "
              f"after the first: {kept}")
        expect(None not in kept, "a stretch with no GDI object made or freed: not drawing?")
        expect(len(set(kept)) == 1, f"the GDI object count grows: {kept}")
        end_with_key(run)
    finally:
        run.close()


def check_early_key(exe, args, outdir, name):
    # Whether the poster beats the first paint is up to the scheduler; a few
    # tries make it all but certain, and one that never does fails.
    for k in range(EARLY_TRIES):
        if early_key(exe, args, outdir, f"{name}-{k}"):
            return None
    raise Failure(f"the key never came before the first paint in {EARLY_TRIES} tries")


RELEASES = {  # pressed before the saver starts, released while it runs
    "keyup": (lambda x: x.key_down("Shift_L"), lambda x: x.key_up("Shift_L")),
    "buttonup": (lambda x: x.button_down(1), lambda x: x.button_up(1)),
}


def run_once(mode, exe, outdir, args, name):
    if mode == "early-key":
        return check_early_key(exe, args, outdir, name)
    if mode == "gdi":
        return check_gdi_objects_flat(exe, args, outdir, name)
    display = xinput.Display()
    press, release = RELEASES.get(mode, (None, None))
    if press:
        press(display)
    run = Run(exe, args, outdir, name)
    try:
        if mode == "cover":
            return check_cover(run)
        if mode in TRIGGERS:
            return trigger_latency(run, mode, display)
        if mode in RELEASES:
            return check_release_alone(run, lambda: release(display))
        if mode == "logo":
            return check_logo(run, screen.read_bmp(os.path.join(HERE, "..", "..", "resources",
                                                                "logo.bmp")))
        if mode == "close":
            return check_closed_window(run)
        if mode == "nologo":
            return check_missing_logo(run)
        if mode == "unreadable":
            return check_unreadable_record(run)
        raise Failure(f"unknown mode {mode}")
    finally:
        display.close()
        run.close()


def main(argv):
    if len(argv) < 4:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    mode, rest = argv[1], argv[2:]
    repeat = 1
    if rest[0] == "-n":
        repeat, rest = int(rest[1]), rest[2:]
    exe, outdir, args = rest[0], rest[1], rest[2:]
    if not os.path.isfile(exe):
        print(f"error: no saver at {exe}", file=sys.stderr)
        return 1
    os.makedirs(outdir, exist_ok=True)
    booted = subprocess.run([WINE, "--boot"], stderr=subprocess.PIPE, text=True)
    if booted.returncode != 0:
        print(f"FAIL: {booted.stderr.strip()}", file=sys.stderr)
        return 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
    xdotool("mousemove", *map(str, POINTER))
    try:
        results = [run_once(mode, exe, outdir, args, f"{mode}{k}") for k in range(repeat)]
    except (Failure, subprocess.CalledProcessError) as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        return 1
    if repeat > 1 and results[0] is not None:
        print(f"{mode}: median {statistics.median(results):.0f} ms over {repeat} runs "
              f"({', '.join(f'{r:.0f}' for r in results)})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
