#!/usr/bin/env python3
"""Runs a saver unattended and watches it: memory, what it holds open, and
frame cadence.

  tests/harness/xvfb.sh 1920x1080 soak.py portable|win32 SAVER SECONDS WARMUP

Starts SAVER on the display of the given size (the Windows build under Wine
in a virtual desktop of that size), samples every
10 seconds and prints one line a sample. Fails when the resident memory
grows by more than 1 MiB after WARMUP seconds, when its open file
descriptors or shared-memory segments grow at all after it, or when the
median frame
interval of the later samples drifts more than 10 % from that of the early
ones.

Frames are counted from the render thread's voluntary context switches: it
sleeps once a frame, so their rate follows the frame rate; the drift check
compares rates, so the few extra switches a frame may make cancel out. The
render thread is the one named "render" (portable) or, under Wine, the
thread that gains the most processor time once the window shows.
"""
import os
import signal
import statistics
import subprocess
import sys
import time

SAMPLE_S = 10
RSS_GROWTH_LIMIT_KB = 1024
DRIFT_LIMIT = 0.10
HERE = os.path.dirname(os.path.abspath(__file__))
WINE = os.path.join(HERE, "..", "harness", "wine.sh")
sys.path.insert(0, os.path.join(HERE, "..", "harness"))
import xsession  # the X session's plumbing, shared with tests/portable


def start(kind, saver, size):
    """Starts the saver on this display (run us inside tests/harness/xvfb.sh), the pointer
    parked in the middle first so that nothing moves it."""
    width, height = (int(v) for v in size.split("x"))
    subprocess.run(["xdotool", "mousemove", str(width // 2), str(height // 2)], check=True)
    if kind == "portable":
        command = [saver]
    else:
        booted = subprocess.run([WINE, "--boot"], stderr=subprocess.PIPE, text=True)
        if booted.returncode != 0:
            raise SystemExit(f"soak: {booted.stderr.strip()}")
        command = [WINE, "explorer", f"/desktop=soak,{size}", saver]
    return subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True), os.path.basename(saver)


def find_saver(name, session, deadline_s=60):
    """The saver's process among those we started (our own session: Wine
    hands its processes on, but they keep it)."""
    def is_saver(pid):
        program = (xsession.command_line(pid) or [""])[0].replace("\\", "/").lower()
        return os.getsid(pid) == session and program.endswith("/" + name.lower())

    end = time.monotonic() + deadline_s
    while time.monotonic() < end:
        for pid in xsession.processes(is_saver):
            return pid
        time.sleep(0.2)
    raise SystemExit(f"soak: {name} did not start")


def wait_for_window(deadline_s=60):
    """Frames start with the window's first paint: wait until it shows."""
    found = subprocess.run(["timeout", str(deadline_s), "xdotool", "search", "--sync",
                            "--onlyvisible", "--name", "^Vendrel Screensaver$"],
                           capture_output=True, text=True).stdout
    if not found.split():
        raise SystemExit(f"soak: no saver window within {deadline_s} s")


def thread_cpu(pid):
    """Each thread, as PID/task/TID, with its name and processor time so far."""
    threads = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        task = f"{pid}/task/{tid}"
        fields = xsession.stat(task)
        threads[task] = (xsession.name(task), int(fields[11]) + int(fields[12]))
    return threads


def render_thread(pid, kind, deadline_s=10):
    """The portable render thread by its name, once it runs; under Wine the
    thread that gains the most processor time over a second of frames
    (the main thread's start-up can outweigh the first seconds of them)."""
    end = time.monotonic() + deadline_s
    while time.monotonic() < end:
        before = thread_cpu(pid)
        if kind == "portable":
            named = [task for task, (comm, _) in before.items() if comm == "render"]
            if named:
                return named[0]
            time.sleep(0.1)
        else:
            time.sleep(1)
            after = thread_cpu(pid)
            gained = {task: after[task][1] - before[task][1] for task in before if task in after}
            best = max(gained, key=gained.get)
            if gained[best] > 0:
                return best
    raise SystemExit("soak: no render thread found")


def shared_segments(pid):
    """The System V shared-memory segments the process made, as ipcs -m -p
    lists them: one marked for removal still counts while it is attached."""
    with open("/proc/sysvipc/shm") as f:
        rows = [line.split() for line in f.readlines()[1:]]
    return sum(1 for row in rows if int(row[4]) == pid)


def holdings(pid):
    """Open file descriptors and shared-memory segments."""
    return len(os.listdir(f"/proc/{pid}/fd")), shared_segments(pid)


def main():
    if len(sys.argv) < 5:
        raise SystemExit(__doc__)
    kind, saver, seconds, warmup = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    size = subprocess.run(["xdpyinfo"], capture_output=True, text=True, check=True).stdout
    size = size.split("dimensions:")[1].split()[0]
    runner, name = start(kind, saver, size)
    try:
        pid = find_saver(name, runner.pid)
        wait_for_window()
        task = render_thread(pid, kind)
        samples = []  # (elapsed s, rss kB, ms per frame, (fds, segments))
        last_switches = xsession.status(task, "voluntary_ctxt_switches")
        began = last_time = time.monotonic()
        while time.monotonic() - began < seconds:
            time.sleep(SAMPLE_S)
            now = time.monotonic()
            switches = xsession.status(task, "voluntary_ctxt_switches")
            rss = xsession.status(pid, "VmRSS")
            interval = (now - last_time) * 1000 / max(switches - last_switches, 1)
            held = holdings(pid)
            samples.append((now - began, rss, interval, held))
            print(f"{kind} {now - began:6.0f} s  RSS {rss / 1024:8.2f} MiB  "
                  f"{interval:6.2f} ms a frame  {held[0]} fds  {held[1]} shm segments",
                  flush=True)
            last_switches, last_time = switches, now
    except (FileNotFoundError, ProcessLookupError):
        raise SystemExit(f"soak: {name} ended during the run")
    finally:
        os.killpg(runner.pid, signal.SIGTERM)
        runner.wait(timeout=30)
        if kind == "win32":
            subprocess.run(["wineserver", "-k"], env={**os.environ,
                           "WINEPREFIX": os.environ["WINE_PREFIX_DIR"]}, check=False)

    later = [s for s in samples if s[0] > warmup]
    if not later:
        raise SystemExit("soak: the run is too short for its warm-up")
    growth = max(s[1] for s in later) - later[0][1]
    early = statistics.median(s[2] for s in samples[: max(1, len(samples) - len(later))])
    late = statistics.median(s[2] for s in later)
    drift = abs(late - early) / early
    print(f"{kind}: RSS grew {growth} kB after {warmup} s; median frame interval "
          f"{early:.2f} -> {late:.2f} ms ({drift * 100:.1f} %)")
    fds = max(s[3][0] for s in later) - later[0][3][0]
    segments = max(s[3][1] for s in later) - later[0][3][1]
    print(f"{kind}: open file descriptors grew by {fds}, shared-memory segments by {segments}")
    failed = []
    if fds > 0 or segments > 0:
        failed.append(f"it held {fds} more file descriptors, {segments} more segments")
    if growth > RSS_GROWTH_LIMIT_KB:
        failed.append(f"RSS grew {growth} kB")
    if drift > DRIFT_LIMIT:
        failed.append(f"frame interval drifted {drift * 100:.1f} %")
    if failed:
        raise SystemExit(f"soak: {', '.join(failed)}")


if __name__ == "__main__":
    main()
