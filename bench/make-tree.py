#!/usr/bin/env python3
"""Builds the synthetic trees that scripts/bench times scans on.

Usage: make-tree.py [--quick] DIR

DIR/wide is a broad tree (about 1,000,000 files in 60,000 folders, some hard links), DIR/deep
holds chains of folders hundreds deep, and DIR/mixed looks like a lived-in disk: two folders of
20,000 files, many symbolic links (some dangling), sparse files, odd names (quotes, newlines,
bytes that are not UTF-8) and depths up to 12. The same parameters and seed always give the same
trees. Each tree has its own stamp in DIR/stamps: a tree whose parameters and builder are
unchanged is kept; otherwise it is rebuilt, but only if this script made DIR. DIR/stamp.json
lists the trees and is written last.
"""

import argparse
import hashlib
import inspect
import json
import math
import os
import random
import shutil
import sys
import time

SEED = 4

FULL = {
    "wide": {"files": 1_000_000, "folders": 60_000, "hard_links": 10_000},
    "deep": {"chains": 10, "depth": 300, "files_per_folder": 3},
    "mixed": {"files": 900_000, "folders": 40_000, "max_depth": 12, "huge_folders": 2,
              "huge_folder_files": 20_000, "symlinks": 100_000, "dangling_share": 0.5,
              "sparse_files": 15_000, "hard_links": 5_000, "odd_name_share": 0.05},
}
# --quick divides these by ten; the others (depths, shares, a huge folder's size) keep their
# value, which is what they test.
SCALED = {"files", "folders", "hard_links", "chains", "symlinks", "sparse_files"}

# (share of files, smallest, largest), sizes log-uniform within a band: most files small, a few
# above 1 MiB. Every non-empty file holds real blocks, so the full trees take about 10 GB.
SIZE_BANDS = [
    (0.20, 0, 0),
    (0.62, 1, 4096),
    (0.1797, 4097, 16384),
    (0.0003, (1 << 20) + 1, 4 << 20),
]
EXTENSIONS = ["txt", "log", "json", "py", "cpp", "h", "o", "so", "png", "jpg", "mp4", "dat"]
# Names a careless scanner trips on: quotes, spaces, a newline, a tab, other scripts, and bytes
# that are not UTF-8.
ODD_NAMES = [b'with "quotes"', b"it's", b"new\nline", b"tab\there", b"caf\xc3\xa9",
             b"\xe6\x97\xa5\xe6\x9c\xac", b"bad \xff\xfe bytes", b" leading space",
             b"trailing space ", b"-dash", b"back\\slash"]
BLOCK = 4096
MARKER = ".made-by-tavelin-bench"


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


def build_wide(root, params, rng, data):
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
            write_file(dir_fd, name, draw_size(rng), data)
            if n in link_sources:
                linked.append(f"{paths[folder]}/{name}")
            n += 1
        os.close(dir_fd)
    # Second names land in other folders, so a scanner meets them from different jobs.
    for i, source in enumerate(linked):
        os.link(source, f"{paths[rng.randrange(folders)]}/link{i}")
    return {"files": n, "folders": folders, "hard_links": len(linked)}


def build_deep(root, params, rng, data):
    os.mkdir(root)
    for chain in range(params["chains"]):
        os.mkdir(f"{root}/c{chain}")
        # Descend through descriptors: the full paths would soon pass PATH_MAX.
        dir_fd = open_dir(f"{root}/c{chain}")
        for _ in range(params["depth"]):
            for k in range(params["files_per_folder"]):
                write_file(dir_fd, f"f{k}.{rng.choice(EXTENSIONS)}", draw_size(rng), data)
            os.mkdir("d", dir_fd=dir_fd)
            child = open_dir("d", dir_fd)
            os.close(dir_fd)
            dir_fd = child
        os.close(dir_fd)
    folders = params["chains"] * (params["depth"] + 1)
    files = params["chains"] * params["depth"] * params["files_per_folder"]
    return {"files": files, "folders": folders, "hard_links": 0}


def odd_or_plain(rng, params, plain):
    if rng.random() >= params["odd_name_share"]:
        return plain.encode()
    return rng.choice(ODD_NAMES) + b" " + plain.encode()


def build_mixed(root, params, rng, data):
    folders = params["folders"]
    root_bytes = os.fsencode(root)
    # A random tree whose depth stops at max_depth: a parent that deep passes its turn on.
    depths = [0]
    paths = [root_bytes]
    os.mkdir(root_bytes)
    for i in range(1, folders):
        parent = rng.randrange(i)
        while depths[parent] >= params["max_depth"]:
            parent = rng.randrange(i)
        depths.append(depths[parent] + 1)
        paths.append(paths[parent] + b"/" + odd_or_plain(rng, params, f"d{i}"))
        os.mkdir(paths[i])
    huge = rng.sample(range(1, folders), params["huge_folders"])
    weights = [rng.paretovariate(1.5) for _ in range(folders)]
    ordinary = params["files"] - params["huge_folders"] * params["huge_folder_files"]
    counts = [0] * folders
    for folder in rng.choices(range(folders), weights, k=ordinary):
        counts[folder] += 1
    for folder in huge:
        counts[folder] += params["huge_folder_files"]
    sparse = set(rng.sample(range(params["files"]), params["sparse_files"]))
    link_sources = set(rng.sample(range(params["files"]), params["hard_links"]))

    files = []
    n = 0
    for folder, count in enumerate(counts):
        dir_fd = open_dir(paths[folder])
        for _ in range(count):
            name = odd_or_plain(rng, params, f"f{n}.{rng.choice(EXTENSIONS)}")
            if n in sparse:
                # Large on paper, one block of data in the middle.
                fd = os.open(name, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644, dir_fd=dir_fd)
                apparent = rng.randrange(1 << 20, 1 << 30)
                os.pwrite(fd, data[:BLOCK], apparent // 2)
                os.ftruncate(fd, apparent)
                os.close(fd)
            else:
                write_file(dir_fd, name, draw_size(rng), data)
            files.append(paths[folder] + b"/" + name)
            n += 1
        os.close(dir_fd)
    for i in sorted(link_sources):
        os.link(files[i], paths[rng.randrange(folders)] + b"/" + f"link{i}".encode())
    dangling = int(params["symlinks"] * params["dangling_share"])
    for i in range(params["symlinks"]):
        target = b"/nowhere/" + str(i).encode() if i < dangling else rng.choice(files)
        os.symlink(target, paths[rng.randrange(folders)] + b"/" + f"sym{i}".encode())
    return {"files": n + params["symlinks"], "folders": folders,
            "hard_links": params["hard_links"]}


BUILDERS = {"wide": build_wide, "deep": build_deep, "mixed": build_mixed}


def parameters(name, quick):
    params = dict(FULL[name])
    if quick:
        for key in SCALED & params.keys():
            params[key] //= 10
    params["seed"] = SEED
    # Editing a tree's builder or what it draws on must not leave a stale tree behind; editing
    # another tree's builder must not rebuild this one.
    source = "".join(inspect.getsource(f) for f in (BUILDERS[name], draw_size, write_file,
                                                      odd_or_plain))
    source += repr((SIZE_BANDS, EXTENSIONS, ODD_NAMES, BLOCK))
    params["generator"] = hashlib.sha256(source.encode()).hexdigest()[:16]
    return params


def space_needed(name, params):
    if name == "deep":
        files = params["chains"] * params["depth"] * params["files_per_folder"]
        folders = params["chains"] * (params["depth"] + 1)
    else:
        files, folders = params["files"], params["folders"]
    sample = random.Random(0)
    mean = sum(allocated(draw_size(sample)) for _ in range(10_000)) / 10_000
    return int(files * mean) + folders * BLOCK


def read_json(path):
    try:
        with open(path) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="trees ten times smaller")
    parser.add_argument("dir")
    args = parser.parse_args()
    target = os.path.abspath(args.dir)
    if os.path.lexists(target) and not os.path.exists(os.path.join(target, MARKER)):
        sys.exit(f"bench: {target} exists and was not made by scripts/bench; "
                 "move it or set TAVELIN_BENCH_DIR")
    os.makedirs(os.path.join(target, "stamps"), exist_ok=True)
    open(os.path.join(target, MARKER), "a").close()

    index = {"trees": {}}
    for name, builder in BUILDERS.items():
        params = parameters(name, args.quick)
        stamp_path = os.path.join(target, "stamps", f"{name}.json")
        stamp = read_json(stamp_path)
        path = os.path.join(target, name)
        if stamp and stamp.get("params") == params and os.path.isdir(path):
            print(f"bench: reusing {path}")
            index["trees"][name] = stamp["tree"]
            continue
        if os.path.lexists(path):
            print(f"bench: parameters of {name} changed, removing {path}")
            shutil.rmtree(path)
        if os.path.exists(stamp_path):
            os.remove(stamp_path)
        need = space_needed(name, params)
        room = os.statvfs(target)
        if need + (1 << 30) > room.f_bavail * room.f_frsize:
            sys.exit(f"bench: {name} needs about {need / 1e9:.1f} GB and {target} has "
                     f"{room.f_bavail * room.f_frsize / 1e9:.1f} GB free; set TAVELIN_BENCH_DIR "
                     "to a roomier place")
        print(f"bench: writing the {name} tree (about {need / 1e9:.1f} GB) under {target}",
              flush=True)
        started = time.monotonic()
        rng = random.Random(f"{params['seed']}:{name}")
        data = memoryview(rng.randbytes(1 << 20))
        tree = builder(path, params, rng, data)
        # Write-back still running would disturb the timings.
        os.sync()
        with open(stamp_path, "w") as f:
            json.dump({"params": params, "tree": tree}, f, indent=1)
        index["trees"][name] = tree
        print(f"bench: {name} ready in {time.monotonic() - started:.0f} s", flush=True)
    with open(os.path.join(target, "stamp.json"), "w") as f:
        json.dump(index, f, indent=1)


if __name__ == "__main__":
    main()
