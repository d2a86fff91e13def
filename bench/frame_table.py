#!/usr/bin/env python3
"""The frame benchmark's medians as a Markdown table: composing a frame and
presenting it, each beside one whole-surface memcpy timed in the same run.
Reads Google Benchmark's JSON (run with --benchmark_repetitions)."""
import json
import sys


def medians(report):
    found = {}
    for b in report["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        kind, w, h = b["run_name"].split("/")[:3]
        size = (int(w.split(":")[1]), int(h.split(":")[1]))
        found[(kind, size)] = b["real_time"]  # microseconds
    return found


def main():
    report = json.load(sys.stdin)
    found = medians(report)
    sizes = sorted({size for _, size in found}, key=lambda s: s[0] * s[1])
    if not sizes:
        sys.exit("no medians in the input: run with --benchmark_repetitions=N")
    print("| screen | compose (ms) | present (ms) | one whole copy (ms) "
          "| compose / copy | present / copy |")
    print("|---|---:|---:|---:|---:|---:|")
    for w, h in sizes:
        compose, present, copy = (found[(k, (w, h))] for k in ("Compose", "Present", "Copy"))
        print(f"| {w}x{h} | {compose / 1000:.3f} | {present / 1000:.3f} | {copy / 1000:.3f} "
              f"| {compose / copy:.3f} | {present / copy:.3f} |")
    runs = report["benchmarks"][0].get("repetitions", "?")
    print(f"\nMedians of {runs} repetitions, wall time.")


main()
