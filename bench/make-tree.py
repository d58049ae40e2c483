#!/usr/bin/env python3
"""Builds the synthetic trees that scripts/bench times scans on.

Usage: make-tree.py [--quick] DIR

DIR/wide is a broad tree (about 1,000,000 files in 60,000 folders, some hard links) and DIR/deep
holds chains of folders hundreds deep. The same parameters and seed always give the same trees.
DIR/stamp.json is written last and records the parameters: when it matches, the trees are kept;
otherwise DIR is rebuilt, but only if this script made it.
"""

import argparse
import hashlib
import json
import math
import os
import random
import shutil
import sys
import time

SEED = 4

FULL = {
    "files": 1_000_000,
    "folders": 60_000,
    "hard_links": 10_000,
    "deep_chains": 10,
    "deep_depth": 300,
    "deep_files_per_folder": 3,
}
# --quick divides these by ten; the deep chains keep their depth, which is what they test.
SCALED = ("files", "folders", "hard_links", "deep_chains")

# (share of files, smallest, largest), sizes log-uniform within a band: most files small, a few
# above 1 MiB. Every non-empty file holds real blocks, so the full tree takes about 5.5 GB.
SIZE_BANDS = [
    (0.20, 0, 0),
    (0.62, 1, 4096),
    (0.1797, 4097, 16384),
    (0.0003, (1 << 20) + 1, 4 << 20),
]
EXTENSIONS = ["txt", "log", "json", "py", "cpp", "h", "o", "so", "png", "jpg", "mp4", "dat"]
BLOCK = 4096
MARKER = ".made-by-tavelin-bench"


def parameters(quick):
    params = dict(FULL)
    if quick:
        for key in SCALED:
            params[key] //= 10
    params["seed"] = SEED
    # Editing this generator must not leave a stale tree behind.
    with open(__file__, "rb") as source:
        params["generator"] = hashlib.sha256(source.read()).hexdigest()[:16]
    return params


def draw_size(rng):
    r = rng.random()
    for share, low, high in SIZE_BANDS:
        r -= share
        if r < 0:
            break
    if high == 0:
        return 0
    return int(math.exp(rng.uniform(math.log(low), math.log(high))))


def allocated(size):
    return -(-size // BLOCK) * BLOCK


def write_file(dir_fd, name, size, data):
    fd = os.open(name, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644, dir_fd=dir_fd)
    try:
        while size > 0:
            size -= os.write(fd, data[: min(size, len(data))])
    finally:
        os.close(fd)


def open_dir(path, dir_fd=None):
    return os.open(path, os.O_RDONLY | os.O_DIRECTORY, dir_fd=dir_fd)


def build_wide(root, params, rng, sizes, data):
    folders = params["folders"]
    # A random recursive tree: depths spread like a real disk's, around a dozen levels.
    parents = [rng.randrange(i) for i in range(1, folders)]
    # Pareto weights: most folders hold a handful of files, a few hold thousands.
    weights = [rng.paretovariate(1.5) for _ in range(folders)]
    counts = [0] * folders
    for folder in rng.choices(range(folders), weights, k=params["files"]):
        counts[folder] += 1
    link_sources = set(rng.sample(range(params["files"]), params["hard_links"]))

    paths = [root]
    os.mkdir(root)
    for i, parent in enumerate(parents, start=1):
        paths.append(f"{paths[parent]}/d{i}")
        os.mkdir(paths[i])

    linked = []
    n = 0
    for folder, count in enumerate(counts):
        dir_fd = open_dir(paths[folder])
        for _ in range(count):
            name = f"f{n}.{rng.choice(EXTENSIONS)}"
            write_file(dir_fd, name, next(sizes), data)
            if n in link_sources:
                linked.append(f"{paths[folder]}/{name}")
            n += 1
        os.close(dir_fd)
    # Second names land in other folders, so a scanner meets them from different jobs.
    for i, source in enumerate(linked):
        os.link(source, f"{paths[rng.randrange(folders)]}/link{i}")
    return {"files": n, "folders": folders, "hard_links": len(linked)}


def build_deep(root, params, rng, sizes, data):
    os.mkdir(root)
    for chain in range(params["deep_chains"]):
        os.mkdir(f"{root}/c{chain}")
        # Descend through descriptors: the full paths would soon pass PATH_MAX.
        dir_fd = open_dir(f"{root}/c{chain}")
        for _ in range(params["deep_depth"]):
            for k in range(params["deep_files_per_folder"]):
                write_file(dir_fd, f"f{k}.{rng.choice(EXTENSIONS)}", next(sizes), data)
            os.mkdir("d", dir_fd=dir_fd)
            child = open_dir("d", dir_fd)
            os.close(dir_fd)
            dir_fd = child
        os.close(dir_fd)
    folders = params["deep_chains"] * (params["deep_depth"] + 1)
    files = params["deep_chains"] * params["deep_depth"] * params["deep_files_per_folder"]
    return {"files": files, "folders": folders, "hard_links": 0}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="trees ten times smaller")
    parser.add_argument("dir")
    args = parser.parse_args()
    target = os.path.abspath(args.dir)
    stamp_path = os.path.join(target, "stamp.json")
    params = parameters(args.quick)

    try:
        with open(stamp_path) as f:
            if json.load(f)["params"] == params:
                print(f"bench: reusing the trees in {target}")
                return
    except (OSError, ValueError, KeyError):
        pass
    if os.path.lexists(target):
        if not os.path.exists(os.path.join(target, MARKER)):
            sys.exit(f"bench: {target} exists and was not made by scripts/bench; "
                     "move it or set TAVELIN_BENCH_DIR")
        print(f"bench: parameters changed, removing {target}")
        shutil.rmtree(target)

    rng = random.Random(params["seed"])
    deep_files = params["deep_chains"] * params["deep_depth"] * params["deep_files_per_folder"]
    size_list = [draw_size(rng) for _ in range(params["files"] + deep_files)]
    folders = params["folders"] + params["deep_chains"] * (params["deep_depth"] + 1)
    need = sum(map(allocated, size_list)) + folders * BLOCK
    parent = os.path.dirname(target)
    os.makedirs(parent, exist_ok=True)
    room = os.statvfs(parent)
    free = room.f_bavail * room.f_frsize
    if need + (1 << 30) > free:
        sys.exit(f"bench: the trees need {need / 1e9:.1f} GB and {parent} has "
                 f"{free / 1e9:.1f} GB free; set TAVELIN_BENCH_DIR to a roomier place")

    print(f"bench: writing {params['files'] + deep_files:,} files ({need / 1e9:.1f} GB) "
          f"under {target}")
    started = time.monotonic()
    os.mkdir(target)
    open(os.path.join(target, MARKER), "w").close()
    sizes = iter(size_list)
    data = memoryview(rng.randbytes(1 << 20))
    trees = {
        "wide": build_wide(os.path.join(target, "wide"), params, rng, sizes, data),
        "deep": build_deep(os.path.join(target, "deep"), params, rng, sizes, data),
    }
    # Write-back still running would disturb the timings.
    os.sync()
    with open(stamp_path, "w") as f:
        json.dump({"params": params, "trees": trees, "bytes_on_disk": need}, f, indent=1)
    print(f"bench: trees ready in {time.monotonic() - started:.0f} s")


if __name__ == "__main__":
    main()
