#!/usr/bin/env python3
"""The portable saver's CPU use under sway 1.7, headless with its software
renderer, beside sway's and Xwayland's: as a Wayland window of its own
(the default) and through XWayland, drawing and with its workspace hidden,
and sway with no client at all, each measured in the same run.

    tests/portable/sway-cpu-use.py SAVER [RUNS]

Each line: screen, scale, case, then % of one core for the saver (all its
threads), sway and Xwayland over SPAN s after a WARM_UP (seconds, from the
environment, default 10 and 5), and the saver's context switches a second.
Runs interleave the cases; the table gives each run's figure, then the
median. Run it as root: sway runs as an unprivileged user, made if missing.
"""
import os
import shutil
import statistics
import sys
import time

import hosted_e2e as hosted
import saver_e2e as e2e
import wayland_e2e as wayland
import xsession

SPAN_S = float(os.environ.get("SPAN", "10"))
WARM_UP_S = float(os.environ.get("WARM_UP", "5"))
SCREENS = [((1280, 720), 1), ((1920, 1080), 1), ((2560, 1440), 2)]


def cpu_ns(pids):
    return sum(1e6 * e2e.cpu_ms(pid) for pid in pids)


def switches(pids):
    total = 0
    for pid in pids:
        for task in os.listdir(f"/proc/{pid}/task"):
            total += sum(xsession.status(f"{pid}/task/{task}", field)
                         for field in ("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches"))
    return total


def measure(sway, copy):
    """% of a core for the saver, sway and Xwayland, and the saver's switches a second."""
    groups = [xsession.running(copy), [sway.pid()], sway.started("Xwayland")]
    before, switched, start = [cpu_ns(g) for g in groups], switches(groups[0]), time.monotonic_ns()
    time.sleep(SPAN_S)
    after, span = [cpu_ns(g) for g in groups], time.monotonic_ns() - start
    return [100 * (a - b) / span for a, b in zip(after, before)] + [
        (switches(groups[0]) - switched) / (span / 1e9)]


def one_run(user, home, copy, size, scale, results):
    sway = wayland.Sway(user, home, scale=scale, size=size)
    try:
        time.sleep(WARM_UP_S)
        results.setdefault("no client", []).append(measure(sway, copy))
        for driver in ("wayland", "x11"):
            sway.run("swaymsg", "exec", f"env SDL_VIDEODRIVER={driver} {copy}")
            e2e.wait_until(lambda: xsession.running(copy), 10)
            time.sleep(WARM_UP_S)
            results.setdefault(f"{driver}, drawing", []).append(measure(sway, copy))
            sway.run("swaymsg", "workspace", "2")
            time.sleep(1)
            results.setdefault(f"{driver}, hidden", []).append(measure(sway, copy))
            sway.run("swaymsg", "workspace", "1")
            xsession.kill(xsession.running(copy))
            hosted.gone_within(copy, 3)
    finally:
        sway.close()


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    runs = int(argv[2]) if len(argv) > 2 else 3
    user = hosted.test_user()
    home, copy = hosted.private_home(user, os.path.realpath(argv[1]))
    try:
        for size, scale in SCREENS:
            results = {}
            for _ in range(runs):
                one_run(user, home, copy, size, scale, results)
            for case, rows in results.items():
                columns = list(zip(*rows))
                cells = [", ".join(f"{v:.3f}" for v in c) + f" (median {statistics.median(c):.3f})"
                         for c in columns[:3]]
                print(f"{size[0]}x{size[1]} scale {scale}, {case}: saver {cells[0]} | sway "
                      f"{cells[1]} | Xwayland {cells[2]} | saver switches/s "
                      f"{statistics.median(columns[3]):.1f}", flush=True)
    finally:
        hosted.stop_all_of(copy)
        shutil.rmtree(home, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
