#!/usr/bin/env python3
"""Times duplicate finders on the corpus make-dupes.py built, checks Tavelin's sets against
jdupes's, prints a table and saves it as JSON.

Usage: compare-dupes.py --tavelin BIN --runs N --out FILE CORPUS_DIR

Every tool runs once untimed, which warms the cache, then N more times, timed, the tools taking
turns. Each compares whole contents and treats hard links of one file as one file: jdupes and
fdupes by default (a byte-for-byte check after hashing), rmlint with -L (one name of linked
files) and its full-content BLAKE2b; fdupes needs -n to leave empty files out as the others do.
The cross-check compares sets by the stored copies they name: a hard link or a clone stands for
the data it shares, and jdupes's sets whose files all share one stored copy (clones of one
file) are left out, since merging them frees nothing.
"""

import argparse
import fcntl
import json
import os
import platform
import statistics
import struct
import sys
import time

from compare import run

FS_IOC_FIEMAP = 0xC020660B
FIEMAP_EXTENT_SHARED = 0x2000


def tools(tavelin):
    return {
        "tavelin": [tavelin],
        "jdupes": ["jdupes", "-r", "-q"],
        "rmlint": ["rmlint", "-T", "df", "-L", "--hidden", "-o", "fdupes:stdout"],
        "fdupes": ["fdupes", "-r", "-q", "-n"],
    }


def blank_line_sets(output):
    sets, current = [], []
    for line in output.splitlines():
        if line:
            current.append(line)
        elif current:
            sets.append(current)
            current = []
    if current:
        sets.append(current)
    return sets


def sets_found(name, output):
    if name == "tavelin":
        return json.loads(output)["sets"]
    return len([s for s in blank_line_sets(output) if len(s) > 1])


def data_key(path):
    """What Tavelin's file identity calls the stored data: the first extent's address when that
    extent is shared (clones agree on it; the corpus is one file system, where that address is
    unique), else the device and inode (hard links agree on it)."""
    status = os.lstat(path)
    request = struct.pack("=QQIIII", 0, 0xFFFFFFFFFFFFFFFF, 0, 0, 1, 0) + bytes(56)
    try:
        with open(path, "rb") as f:
            answer = fcntl.ioctl(f.fileno(), FS_IOC_FIEMAP, request)
        if struct.unpack_from("=I", answer, 20)[0]:
            physical = struct.unpack_from("=Q", answer, 40)[0]
            flags = struct.unpack_from("=I", answer, 72)[0]
            if flags & FIEMAP_EXTENT_SHARED and physical:
                return ("c", physical)
    except OSError:
        pass
    return ("i", status.st_dev, status.st_ino)


def stored_copies(sets):
    """Each set as the set of stored copies it names; sets of one stored copy apart."""
    found, sharing = set(), 0
    for paths in sets:
        keys = frozenset(data_key(path) for path in paths)
        if len(keys) >= 2:
            found.add(keys)
        else:
            sharing += 1
    return found, sharing


def cross_check(tavelin, path):
    listed = run([tavelin, "--list", path])["output"]
    ours, _ = stored_copies(json.loads(listed)["list"])
    jdupes = [s for s in blank_line_sets(run(["jdupes", "-r", "-q", path])["output"])
              if len(s) > 1]
    theirs, sharing = stored_copies(jdupes)
    lines = [f"cross-check: jdupes found {len(jdupes):,} sets, {sharing:,} of them clones of one "
             f"stored copy; Tavelin found {len(ours):,}"]
    if ours == theirs:
        lines.append("cross-check: Tavelin finds exactly the sets jdupes finds, less those")
        return True, lines
    for label, extra in (("only Tavelin", ours - theirs), ("only jdupes", theirs - ours)):
        lines.append(f"cross-check: {len(extra):,} sets found by {label}")
        for keys in list(extra)[:3]:
            lines.append(f"  {sorted(keys)}")
    return False, lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tavelin", required=True)
    parser.add_argument("--runs", type=int, required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("corpus_dir")
    args = parser.parse_args()

    with open(os.path.join(args.corpus_dir, "stamp.json")) as f:
        stamp = json.load(f)
    path = os.path.join(os.path.abspath(args.corpus_dir), "corpus")
    commands = tools(args.tavelin)
    print(f"bench: {args.runs} timed runs of {', '.join(commands)} on {path}, after one warm-up "
          "run", flush=True)
    outcomes = {name: [] for name in commands}
    for round_ in range(args.runs + 1):
        for name, argv in commands.items():
            outcome = run(argv + [path])
            if round_ > 0:
                outcomes[name].append(outcome)

    rows = []
    for name, runs in outcomes.items():
        row = {"tool": name, "command": commands[name] + ["PATH"],
               "sets": sets_found(name, runs[0]["output"])}
        for key in ("wall", "cpu", "rss_mb"):
            row[key] = statistics.median(o[key] for o in runs)
        if name == "tavelin":
            reports = [json.loads(o["output"]) for o in runs]
            for key in ("scanSeconds", "dupesSeconds"):
                row[key] = statistics.median(r[key] for r in reports)
            row["hashedBytes"] = reports[0]["hashedBytes"]
        rows.append(row)

    params = stamp["params"]
    print(f"\ncorpus: {stamp['files']:,} files, {stamp['bytes'] / 1e9:.2f} GB written, "
          f"{stamp['duplicate_sets']:,} duplicate sets, "
          f"{'with' if params['clones'] else 'without'} clones")
    print(f"{'tool':8} {'wall s':>7} {'cpu s':>6} {'peak MB':>8} {'sets':>6}")
    for row in rows:
        print(f"{row['tool']:8} {row['wall']:7.3f} {row['cpu']:6.2f} {row['rss_mb']:8.1f} "
              f"{row['sets']:6,}")
    ours = rows[0]
    jdupes = next(row for row in rows if row["tool"] == "jdupes")
    both = ours["scanSeconds"] + ours["dupesSeconds"]
    print(f"tavelin: scan {ours['scanSeconds']:.3f} s, duplicates {ours['dupesSeconds']:.3f} s, "
          f"{ours['hashedBytes'] / 1e9:.2f} GB hashed")
    print(f"goal: duplicates {ours['dupesSeconds']:.3f} s <= jdupes {jdupes['wall']:.3f} s: "
          f"{'met' if ours['dupesSeconds'] <= jdupes['wall'] else 'missed'}; scan + duplicates "
          f"{both:.3f} s <= 1.5 x jdupes {1.5 * jdupes['wall']:.3f} s: "
          f"{'met' if both <= 1.5 * jdupes['wall'] else 'missed'}")
    agree, lines = cross_check(args.tavelin, path)
    print("\n".join(lines))
    print("wall and cpu are medians in seconds; sets as each tool reports them")

    report = {"date": time.strftime("%Y-%m-%dT%H:%M:%S%z"), "cores": os.cpu_count(),
              "kernel": platform.release(), "runs": args.runs, "corpus": stamp, "results": rows,
              "crossCheck": {"agrees": agree, "lines": lines}}
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    with open(args.out, "w") as f:
        json.dump(report, f, indent=1)
    print(f"bench: results written to {args.out}")
    if not agree:
        sys.exit(1)


if __name__ == "__main__":
    main()
