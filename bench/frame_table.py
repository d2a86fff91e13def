#!/usr/bin/env python3
"""The frame benchmark's medians as a Markdown table, each frame beside its
floor. Reads Google Benchmark's JSON (run with --benchmark_repetitions)."""
import json
import sys


def medians(report):
    found = {}
    for b in report["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        kind, w, h = b["run_name"].split("/")
        size = (int(w.split(":")[1]), int(h.split(":")[1]))
        found[(kind, size)] = b["real_time"]  # microseconds
    return found


def main():
    report = json.load(sys.stdin)
    found = medians(report)
    sizes = sorted({size for _, size in found}, key=lambda s: s[0] * s[1])
    if not sizes:
        sys.exit("no medians in the input: run with --benchmark_repetitions=N")
    print("| screen | frame (ms) | floor: two copies (ms) | frame / floor |")
    print("|---|---:|---:|---:|")
    for w, h in sizes:
        frame, floor = found[("Frame", (w, h))], found[("Floor", (w, h))]
        print(f"| {w}x{h} | {frame / 1000:.3f} | {floor / 1000:.3f} | {frame / floor:.2f} |")
    runs = report["benchmarks"][0].get("repetitions", "?")
    print(f"\nMedians of {runs} repetitions, wall time.")


main()
