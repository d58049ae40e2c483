#!/usr/bin/env python3
"""Times opening a scan file of the wide tree against scanning the tree itself.

Usage: compare-import.py --scan BIN --tavelin BIN --runs N --out FILE TREE EXPORT

EXPORT is the tree's scan file (written by `tavelin --export` when missing or older than the
tree's stamp). After one warm-up run of each, tavelin-scan scans TREE and opens EXPORT
(--import) N times in turn. Prints the medians of wall time and peak memory, checks that both
give the same totals, and that opening the file takes at most 2 s and at most twice the memory
of the scan; exits 1 when it does not.
"""

import argparse
import json
import os
import statistics
import subprocess
import sys

from compare import run


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--scan", required=True, help="the tavelin-scan program")
    parser.add_argument("--tavelin", required=True, help="the tavelin program, which exports")
    parser.add_argument("--runs", type=int, required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("tree")
    parser.add_argument("export")
    args = parser.parse_args()

    stamp = os.path.join(os.path.dirname(args.tree), "stamps", os.path.basename(args.tree) + ".json")
    if not os.path.exists(args.export) or os.path.getmtime(args.export) < os.path.getmtime(stamp):
        print(f"bench: exporting {args.tree}", flush=True)
        subprocess.run([args.tavelin, "--export", args.tree, "-o", args.export + ".part"],
                       check=True)
        os.replace(args.export + ".part", args.export)

    commands = {"scan": [args.scan, args.tree], "import": [args.scan, "--import", args.export]}
    outcomes = {name: [] for name in commands}
    for round_ in range(args.runs + 1):
        for name, argv in commands.items():
            outcome = run(argv)
            if round_ > 0:
                outcomes[name].append(outcome)

    rows = {}
    for name, runs in outcomes.items():
        figures = json.loads(runs[0]["output"])
        rows[name] = {"wall": statistics.median(o["wall"] for o in runs),
                      "rss_mb": statistics.median(o["rss_mb"] for o in runs),
                      **{key: figures[key] for key in ("files", "bytes", "nodes")}}
    print(f"{'':8} {'wall s':>8} {'peak MB':>8} {'files':>10} {'bytes':>15} {'nodes':>8}")
    for name, row in rows.items():
        print(f"{name:8} {row['wall']:8.3f} {row['rss_mb']:8.1f} {row['files']:10,} "
              f"{row['bytes']:15,} {row['nodes']:8,}")
    scan, opened = rows["scan"], rows["import"]
    checks = {
        "same totals": all(scan[k] == opened[k] for k in ("files", "bytes", "nodes")),
        "import within 2 s": opened["wall"] <= 2.0,
        "import within twice the scan's memory": opened["rss_mb"] <= 2 * scan["rss_mb"],
    }
    for check, passed in checks.items():
        print(f"{'ok  ' if passed else 'FAIL'} {check}")
    with open(args.out, "w") as f:
        json.dump({"rows": rows, "checks": checks}, f, indent=1)
    sys.exit(0 if all(checks.values()) else 1)


if __name__ == "__main__":
    main()
