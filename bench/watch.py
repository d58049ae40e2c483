#!/usr/bin/env python3
"""Benchmarks live updates: tavelin-watch on a tree of the benchmark's wide shape.

Usage: watch.py --watch BINARY --scan BINARY [--latency SECONDS] [--trials N] [--out FILE] TREE

TREE is written to (files are made and removed in it): give it a copy of a benchmark tree,
never the tree scripts/bench times. Measures, after tavelin-watch has scanned TREE:
- how long setting up the watches takes after the scan ends, and how many there are;
- the memory the watcher adds: the process's resident memory, and the kernel's inotify marks
  (one object per watch, of the size /sys/kernel/slab gives);
- the time from a file written in the deepest folder to the totals changing;
- after a burst of 10,000 file creations and 5,000 deletions in 500 folders, whether the
  totals equal those of a fresh scan by tavelin-scan, and how long that took to settle;
- the longest piece of UI-thread work while following the changes, and starting the watcher.
"""

import argparse
import json
import os
import queue
import random
import subprocess
import sys
import threading
import time

BURST_FOLDERS = 500
BURST_FILES = 20  # made in each folder
BURST_DELETED = 10  # of them deleted again in each folder


def mark_size():
    """The size of the kernel's object for one inotify watch, or None where it is not shown."""
    try:
        with open("/sys/kernel/slab/inotify_inode_mark/object_size") as size:
            return int(size.read())
    except OSError:
        return None


class Watch:
    """tavelin-watch running on the tree, its lines read as they come."""

    def __init__(self, binary, tree, latency):
        self.process = subprocess.Popen([binary, tree, "--latency", str(latency), "--timings"],
                                        stdout=subprocess.PIPE, text=True)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put((time.monotonic(), json.loads(line)))

    def next(self, timeout):
        try:
            return self.lines.get(timeout=timeout)
        except queue.Empty:
            return None, None

    def until(self, wanted, timeout=600):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            at, line = self.next(deadline - time.monotonic())
            if line is not None and wanted(line):
                return at, line
        sys.exit(f"watch.py: tavelin-watch did not report in {timeout} s")

    def quiet(self, seconds):
        """Totals lines until none came for `seconds`; returns the lines."""
        lines = []
        while True:
            _, line = self.next(seconds)
            if line is None:
                return lines
            lines.append(line)

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=30)


def deepest_folder(tree):
    best, depth = tree, 0
    for folder, _, _ in os.walk(tree):
        level = folder.count(os.sep)
        if level > depth:
            best, depth = folder, level
    return best


def write(path, size):
    with open(path, "wb") as out:
        out.write(os.urandom(size))
        out.flush()
        os.fsync(out.fileno())


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--watch", required=True)
    parser.add_argument("--scan", required=True)
    parser.add_argument("--latency", type=float, default=5.0)
    parser.add_argument("--trials", type=int, default=3)
    parser.add_argument("--out")
    parser.add_argument("tree")
    args = parser.parse_args()
    tree = os.path.realpath(args.tree)
    load = os.getloadavg()[0]

    watch = Watch(args.watch, tree, args.latency)
    _, scanned = watch.until(lambda line: line.get("scanned"))
    _, starting = watch.until(lambda line: "watcherStartUiMs" in line)
    _, ready = watch.until(lambda line: "watches" in line)
    watch.quiet(args.latency + 3)

    # A file written deep in the tree, then removed again.
    folder = deepest_folder(tree)
    latencies = []
    for trial in range(args.trials):
        path = os.path.join(folder, f"live-update-{trial}")
        written = time.monotonic()
        write(path, 4 << 20)
        at, _ = watch.until(lambda line: "bytes" in line)
        latencies.append(at - written)
        os.remove(path)
        watch.until(lambda line: "bytes" in line)
        watch.quiet(args.latency + 1)

    # The burst.
    rng = random.Random(7)
    folders = [f for f, _, _ in os.walk(tree)]
    chosen = rng.sample(folders, min(BURST_FOLDERS, len(folders)))
    made = []
    started = time.monotonic()
    for index, folder in enumerate(chosen):
        for n in range(BURST_FILES):
            path = os.path.join(folder, f"burst-{index}-{n}")
            size = 2 << 20 if rng.random() < 0.02 else rng.randrange(0, 16384)
            with open(path, "wb") as out:
                out.write(b"b" * size)
            made.append(path)
    for index, folder in enumerate(chosen):
        for n in range(BURST_DELETED):
            os.remove(os.path.join(folder, f"burst-{index}-{n}"))
    burst_seconds = time.monotonic() - started
    followed = watch.quiet(args.latency + 5)
    last = followed[-1] if followed else None
    fresh = json.loads(subprocess.run([args.scan, tree], capture_output=True, text=True,
                                      check=True).stdout)
    longest = max((line.get("longestUiMs", 0) for line in followed), default=0)
    watch.stop()
    for index, folder in enumerate(chosen):
        for n in range(BURST_DELETED, BURST_FILES):
            os.remove(os.path.join(folder, f"burst-{index}-{n}"))

    same = last is not None and all(last[key] == fresh[key] for key in ("files", "bytes", "unique"))
    results = {
        "tree": tree,
        "load": load,
        "scanSeconds": scanned["seconds"],
        "watches": ready["watches"],
        "partial": ready["partial"],
        "watchSetupSeconds": ready["seconds"] - scanned["seconds"],
        "watchSetupCpuSeconds": ready["cpuSeconds"] - scanned["cpuSeconds"],
        "wholeFileSystem": ready["wholeFileSystem"],
        "watcherResidentBytes": ready["rssBytes"] - scanned["rssBytes"],
        "kernelMarkBytes": None if mark_size() is None else mark_size() * ready["watches"],
        "writeToTotalSeconds": latencies,
        "burstSeconds": burst_seconds,
        "burstBatches": len(followed),
        "burstTotals": last,
        "freshScan": {key: fresh[key] for key in ("files", "bytes", "unique")},
        "burstMatchesFreshScan": same,
        "longestUiMsDuringBurst": longest,
        "watcherStartUiMs": starting["watcherStartUiMs"],
    }
    print(f"tree {tree} (load {load:.1f} when started)")
    how = "one mark on the file system" if results["wholeFileSystem"] else "one watch each"
    print(f"watches ready      {results['watchSetupSeconds']:.2f} s after the scan, "
          f"{results['watchSetupCpuSeconds']:.2f} s of processor time "
          f"({results['watches']} folders, {how}{', partial' if results['partial'] else ''})")
    kernel = results["kernelMarkBytes"]
    print(f"memory added       {results['watcherResidentBytes'] / 1e6:.1f} MB resident"
          + ("" if kernel is None else f", {kernel / 1e6:.1f} MB of kernel inotify marks"))
    print("write to total     " + ", ".join(f"{s:.2f} s" for s in latencies) +
          f" (latency {args.latency} s)")
    print(f"burst              {len(made)} creations and {len(chosen) * BURST_DELETED} "
          f"deletions in {len(chosen)} folders in {burst_seconds:.1f} s, "
          f"followed in {len(followed)} batches")
    print(f"after the burst    {'equal to' if same else 'DIFFERENT from'} a fresh scan: "
          f"{last} vs {results['freshScan']}")
    print(f"longest UI work    {longest:.1f} ms while following the burst, "
          f"{starting['watcherStartUiMs']:.1f} ms to start the watcher")
    if args.out:
        with open(args.out, "w") as out:
            json.dump(results, out, indent=1)
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
