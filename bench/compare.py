#!/usr/bin/env python3
"""Times whole-tree scans of the trees make-tree.py built, prints a table and saves it as JSON.

Usage: compare.py [--tavelin BIN] [--bare-walk BIN] [--workers 2,4,8] [--cold] [--system PATH]
                  --runs N --out FILE TREES_DIR

Warm (the default): every tool scans every tree once untimed, which warms the cache, then N more
times, timed, the tools taking turns so that drift on the machine spreads over all of them.
Cold (--cold, needs root): before each timed run of each tool, dirty data is written out and the
kernel's page, dentry and inode caches are dropped, so every scan reads the disk. --workers adds
a Tavelin row per walker count beside the one its own rule picks. --system adds a real folder
(such as /usr) to the generated trees. The bare walk (bench/bare-walk) is the least work a scan
can do, and every row is also divided by its time: warm with two threads, which keep two cores
busy; cold with as many as Tavelin runs walkers, as the disk then answers more requests at once.
Wall time is measured here; CPU time and peak resident memory come from GNU time, whose own
footprint is below any scanner's.
"""

import argparse
import json
import os
import platform
import statistics
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass
from typing import Callable, Optional


@dataclass
class Tool:
    name: str
    argv: list  # the tree's path goes last
    total: Optional[Callable[[str], int]]  # reads the total bytes from the tool's output


def first_number(output):
    return int(output.split()[0])


def tavelin_walkers(tavelin):
    """The number of walkers Tavelin runs on this machine, from a scan of an empty folder."""
    with tempfile.TemporaryDirectory() as empty:
        done = subprocess.run([tavelin, empty], capture_output=True, text=True, check=True)
    return json.loads(done.stdout)["workers"]


def tools(tavelin, bare_walk, workers, cold):
    found = []
    if bare_walk:
        # Its total counts every name of a hard-linked file, so it is not compared.
        threads = tavelin_walkers(tavelin) if cold and tavelin else 2
        found.append(Tool("bare-walk", [bare_walk, "--threads", str(threads)], None))
    if tavelin:
        found.append(Tool("tavelin", [tavelin], lambda out: json.loads(out)["bytes"]))
        found += [Tool(f"tavelin-{n}", [tavelin, "--workers", str(n)],
                       lambda out: json.loads(out)["bytes"]) for n in workers]
    return found + [
        Tool("du", ["du", "-s", "-B1"], first_number),
        # -0: no progress lines, which would otherwise go to standard output.
        Tool("ncdu", ["ncdu", "-0", "-x", "-o", "/dev/null"], None),
        Tool("gdu", ["gdu", "-n", "-x", "-s", "--no-prefix"], first_number),
    ]


def run(argv):
    with tempfile.NamedTemporaryFile("r") as report:
        start = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-f", "%U %S %M", "-o", report.name, *argv],
                              capture_output=True, text=True)
        wall = time.perf_counter() - start
        if done.returncode != 0:
            sys.exit(f"bench: {' '.join(argv)} failed with status {done.returncode}:\n"
                     f"{done.stderr.strip()}")
        user, system, rss_kb = report.read().split()
    return {"wall": wall, "cpu": float(user) + float(system), "rss_mb": int(rss_kb) / 1024,
            "output": done.stdout}


def drop_caches():
    os.sync()
    with open("/proc/sys/vm/drop_caches", "w") as f:
        f.write("3\n")


def measure(trees, tool_list, runs, cold):
    results = {tree: {tool.name: [] for tool in tool_list} for tree in trees}
    for round_ in range(runs + (0 if cold else 1)):
        for tree, path in trees.items():
            for tool in tool_list:
                if cold:
                    drop_caches()
                outcome = run(tool.argv + [path])
                if cold or round_ > 0:  # a warm round 0 only fills the cache
                    results[tree][tool.name].append(outcome)
    return results


def summarise(tool, outcomes):
    keys = ("wall", "cpu", "rss_mb")
    medians = {key: statistics.median(o[key] for o in outcomes) for key in keys}
    row = {
        "tool": tool.name,
        "command": tool.argv + ["PATH"],
        **medians,
        "bytes": tool.total(outcomes[0]["output"]) if tool.total else None,
        "runs": [{key: o[key] for key in keys} for o in outcomes],
    }
    return row


def ui_work(tavelin, path):
    """The processor time of the UI thread's longest piece of work in a scan, and of all of it,
    from a run of its own: reading the thread's clock costs a system call a piece."""
    done = subprocess.run([tavelin, "--ui", path], capture_output=True, text=True, check=True)
    report = json.loads(done.stdout)
    return {"uiLongestMs": report["uiLongestMs"], "uiMs": report["uiMs"]}


def table(name, info, rows, cold):
    if "files" in info:
        about = (f"{info['files']:,} files, {info['folders']:,} folders, "
                 f"{info['hard_links']:,} hard links")
    else:
        about = "a real folder"
    lines = [f"{name} tree: {info['path']}  ({about})",
             f"{'tool':10} {'wall s':>8} {'cpu s':>7} {'peak MB':>8} {'wall x':>7} {'cpu x':>6} "
             f"{'mem x':>6} {'÷ bare':>7} {'bytes':>15}"]
    base = next((row for row in rows if row["tool"] == "tavelin"), None)
    bare = next((row for row in rows if row["tool"] == "bare-walk"), None)
    for row in rows:
        # GNU time counts CPU in hundredths, so a tiny tree can show Tavelin at zero.
        ratios = [f"{row[k] / base[k]:.2f}" if base and base[k] else "-"
                  for k in ("wall", "cpu", "rss_mb")]
        over_bare = f"{row['wall'] / bare['wall']:.2f}" if bare else "-"
        total = f"{row['bytes']:,}" if row["bytes"] is not None else "-"
        lines.append(f"{row['tool']:10} {row['wall']:8.3f} {row['cpu']:7.2f} {row['rss_mb']:8.1f} "
                     f"{ratios[0]:>7} {ratios[1]:>6} {ratios[2]:>6} {over_bare:>7} {total:>15}")
    if base:
        lines.append(f"tavelin UI thread, in a run of its own: longest piece of work {base['uiLongestMs']:.2f} ms of "
                     f"processor time, {base['uiMs']:.1f} ms in all")
    peers = [row for row in rows if not row["tool"].startswith(("tavelin", "bare-walk"))]
    if base and peers:
        fastest = min(peers, key=lambda row: row["wall"])
        lines.append(f"tavelin wall time / fastest peer's ({fastest['tool']}): "
                     f"{base['wall'] / fastest['wall']:.2f}")
        gdu = next((row for row in peers if row["tool"] == "gdu"), None)
        if cold and gdu:
            lines.append(f"tavelin wall time / gdu's: {base['wall'] / gdu['wall']:.2f}")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tavelin", help="the tavelin-scan program; without it, no Tavelin row")
    parser.add_argument("--bare-walk", help="the bare-walk program; without it, no bare walk row")
    parser.add_argument("--system", action="append", default=[],
                        help="a real folder to time as well, such as /usr (may be repeated)")
    parser.add_argument("--workers", default="",
                        help="walker counts to time Tavelin with, besides its own rule: 2,4,8")
    parser.add_argument("--cold", action="store_true",
                        help="drop the kernel's caches before every run (needs root)")
    parser.add_argument("--runs", type=int, required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("trees_dir")
    args = parser.parse_args()

    with open(os.path.join(args.trees_dir, "stamp.json")) as f:
        stamp = json.load(f)
    trees = {name: os.path.join(args.trees_dir, name) for name in stamp["trees"]}
    trees.update({folder: folder for folder in args.system})
    workers = [int(n) for n in args.workers.split(",") if n]
    tool_list = tools(args.tavelin, args.bare_walk, workers, args.cold)
    cache = "each after dropping the caches" if args.cold else "after one warm-up run"
    print(f"bench: {args.runs} timed runs of {', '.join(t.name for t in tool_list)} on each tree, "
          f"{cache}", flush=True)
    results = measure(trees, tool_list, args.runs, args.cold)

    report = {"date": time.strftime("%Y-%m-%dT%H:%M:%S%z"), "cores": os.cpu_count(),
              "kernel": platform.release(), "runs": args.runs, "cold": args.cold,
              "load": os.getloadavg(), "trees": []}
    for name, path in trees.items():
        if name in stamp["trees"]:
            with open(os.path.join(args.trees_dir, "stamps", f"{name}.json")) as f:
                params = json.load(f)["params"]
            info = {"name": name, "path": path, **stamp["trees"][name]}
        else:
            params, info = None, {"name": name, "path": path}
        rows = [summarise(tool, results[name][tool.name]) for tool in tool_list]
        for row in rows:
            if row["tool"] == "tavelin":
                row.update(ui_work(args.tavelin, path))
        print()
        print(table(name, info, rows, args.cold))
        report["trees"].append({**info, "params": params, "results": rows})
    print("\nwall and cpu are medians in seconds; x columns divide by tavelin's figure, ÷ bare "
          "divides wall time by the bare walk's; bytes is each tool's total as it prints it; "
          "tavelin-N walks with N walkers")
    print(f"load average during the runs: {', '.join(f'{x:.1f}' for x in os.getloadavg())} "
          f"on {os.cpu_count()} cores")

    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    with open(args.out, "w") as f:
        json.dump(report, f, indent=1)
    print(f"bench: results written to {args.out}")


if __name__ == "__main__":
    main()
