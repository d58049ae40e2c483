#!/usr/bin/env python3
"""Builds the corpus scripts/bench --dupes times duplicate finders on.

Usage: make-dupes.py DIR

DIR/corpus holds about 20,000 files (7 GB) in 440 folders: 2,000 sets of 2 to 6 identical
copies and a few sets of large files; pairs of same-size files that differ only in the middle
byte, only in the last byte, or from the start; hard links of set members and files with only
hard-linked names; where the file system can clone, reflinked copies of set members and files
whose only copies are clones; and unique files for the rest. No name is hidden and no file is
empty, so every tool considers every file.

The same seed always gives the same corpus. DIR/stamp.json is written last and records the
parameters with what the corpus holds; when it matches, the corpus is kept; otherwise DIR is
rebuilt, but only if this script made it.
"""

import argparse
import errno
import fcntl
import hashlib
import json
import math
import os
import random
import shutil
import sys
import time

SEED = 13
FICLONE = 0x40049409
MARKER = ".made-by-tavelin-bench"

PARAMS = {
    "files": 20_000,
    "top_folders": 40,
    "sub_folders": 10,
    "sets": 2_000,  # 2 to 6 copies, 8 KiB to 1 MiB
    "big_sets": 20,  # 2 or 3 copies, 8 to 48 MiB
    "linked_sets": 200,  # sets with a hard link of one copy as well
    "links_only": 40,  # one file and 1 or 2 more hard-linked names
    "cloned_sets": 200,  # sets with a clone of one copy as well
    "clones_only": 40,  # one file and 1 or 2 clones of it
    "middle_pairs": 300,  # 256 KiB to 2 MiB, one byte apart in the middle
    "end_pairs": 150,  # the same, one byte apart at the very end
    "start_pairs": 150,  # the same size, different from the first byte
}
KiB = 1 << 10
MiB = 1 << 20
EXTENSIONS = ["jpg", "png", "pdf", "mp3", "zip", "docx", "mov", "psd", "raw", "iso"]


def parameters(clones):
    params = dict(PARAMS, seed=SEED, clones=clones)
    # Editing this generator must not leave a stale corpus behind.
    with open(__file__, "rb") as source:
        params["generator"] = hashlib.sha256(source.read()).hexdigest()[:16]
    return params


def log_uniform(rng, low, high):
    return int(math.exp(rng.uniform(math.log(low), math.log(high))))


class Corpus:
    """Contents and the names they are written under, decided before anything is written."""

    def __init__(self, params, rng):
        self.rng = rng
        self.folders = [f"d{t:02}/s{s}" for t in range(params["top_folders"])
                        for s in range(params["sub_folders"])]
        self.contents = []  # (size, flip): flip is None, or (content index, byte to change)
        self.files = []  # (name, content index, how): how is "write", "link" or "clone"
        self.expected_sets = 0

    def content(self, size, flip=None):
        self.contents.append((size, flip))
        return len(self.contents) - 1

    def name(self):
        folder = self.rng.choice(self.folders)
        return f"{folder}/f{len(self.files):05}.{self.rng.choice(EXTENSIONS)}"

    def add(self, content, how="write"):
        self.files.append((self.name(), content, how))
        return len(self.files) - 1

    def copies(self, size, count):
        content = self.content(size)
        return [self.add(content) for _ in range(count)]

    def second_name(self, copies, how):
        self.add(self.files[self.rng.choice(copies)][1], how)


def plan(params, rng):
    corpus = Corpus(params, rng)
    sets = [corpus.copies(log_uniform(rng, 8 * KiB, MiB), rng.randint(2, 6))
            for _ in range(params["sets"])]
    sets += [corpus.copies(log_uniform(rng, 8 * MiB, 48 * MiB), rng.randint(2, 3))
             for _ in range(params["big_sets"])]
    corpus.expected_sets = len(sets)
    for copies in rng.sample(sets, params["linked_sets"]):
        corpus.second_name(copies, "link")
    for _ in range(params["links_only"]):
        single = corpus.copies(log_uniform(rng, 8 * KiB, MiB), 1)
        for _ in range(rng.randint(1, 2)):
            corpus.second_name(single, "link")
    if params["clones"]:
        for copies in rng.sample(sets, params["cloned_sets"]):
            corpus.second_name(copies, "clone")
        for _ in range(params["clones_only"]):
            single = corpus.copies(log_uniform(rng, 8 * KiB, MiB), 1)
            for _ in range(rng.randint(1, 2)):
                corpus.second_name(single, "clone")
    for kind in ("middle", "end", "start"):
        for _ in range(params[f"{kind}_pairs"]):
            size = log_uniform(rng, 256 * KiB, 2 * MiB)
            first = corpus.content(size)
            corpus.add(first)
            if kind == "start":
                corpus.add(corpus.content(size))
            else:
                corpus.add(corpus.content(size, (first, size // 2 if kind == "middle" else size - 1)))
    while len(corpus.files) < params["files"]:
        corpus.copies(log_uniform(rng, 8 * KiB, MiB) if rng.random() < 0.995
                      else log_uniform(rng, 4 * MiB, 64 * MiB), 1)
    return corpus


class Writer:
    """Writes each content as a tag naming it followed by a slice of a random pool, so that no
    two contents share their first bytes and none needs generating byte by byte."""

    def __init__(self, rng, corpus):
        self.pool = memoryview(b"".join(rng.randbytes(MiB) for _ in range(64)))
        self.offsets = [rng.randrange(len(self.pool) - size) for size, _ in corpus.contents]
        self.corpus = corpus

    def data(self, index):
        size, flip = self.corpus.contents[index]
        if flip:
            base, at = flip
            data = bytearray(self.data(base))
            data[at] ^= 0x5A
            return data
        tag = f"tavelin{index:09}".encode()
        start = self.offsets[index]
        return tag + self.pool[start:start + size - len(tag)]

    def write(self, root):
        first_name = {}
        for name, content, how in self.corpus.files:
            path = os.path.join(root, name)
            if how == "link":
                os.link(first_name[content], path)
            elif how == "clone":
                clone(first_name[content], path)
            else:
                with open(path, "wb") as f:
                    f.write(self.data(content))
                first_name.setdefault(content, path)


def clone(source, target):
    with open(source, "rb") as src, open(target, "wb") as dst:
        fcntl.ioctl(dst.fileno(), FICLONE, src.fileno())


def can_clone(folder):
    probe = os.path.join(folder, ".clone-probe")
    try:
        with open(probe, "wb") as f:
            f.write(b"x" * 4096)
        clone(probe, probe + "2")
        return True
    except OSError as error:
        if error.errno not in (errno.EOPNOTSUPP, errno.EXDEV, errno.EINVAL, errno.ENOTTY):
            raise
        return False
    finally:
        for path in (probe, probe + "2"):
            if os.path.exists(path):
                os.remove(path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("dir")
    args = parser.parse_args()
    target = os.path.abspath(args.dir)
    os.makedirs(target, exist_ok=True)
    stamp_path = os.path.join(target, "stamp.json")
    params = parameters(can_clone(target))

    try:
        with open(stamp_path) as f:
            if json.load(f)["params"] == params:
                print(f"bench: reusing the corpus in {target}")
                return
    except (OSError, ValueError, KeyError):
        pass
    if os.listdir(target) and not os.path.exists(os.path.join(target, MARKER)):
        sys.exit(f"bench: {target} holds files scripts/bench did not make; "
                 "move them or set TAVELIN_BENCH_DIR")
    for entry in os.listdir(target):
        path = os.path.join(target, entry)
        shutil.rmtree(path) if os.path.isdir(path) and not os.path.islink(path) else os.remove(path)
    open(os.path.join(target, MARKER), "w").close()

    rng = random.Random(params["seed"])
    corpus = plan(params, rng)
    written = sum(corpus.contents[c][0] for _, c, how in corpus.files if how == "write")
    room = os.statvfs(target)
    if written + (1 << 30) > room.f_bavail * room.f_frsize:
        sys.exit(f"bench: the corpus needs {written / 1e9:.1f} GB; set TAVELIN_BENCH_DIR to a "
                 "roomier place")
    print(f"bench: writing {len(corpus.files):,} files ({written / 1e9:.1f} GB) under {target}"
          + (", with clones" if params["clones"] else ""))
    started = time.monotonic()
    root = os.path.join(target, "corpus")
    for folder in corpus.folders:
        os.makedirs(os.path.join(root, folder))
    Writer(rng, corpus).write(root)
    # Write-back still running would disturb the timings.
    os.sync()
    with open(stamp_path, "w") as f:
        json.dump({"params": params, "files": len(corpus.files), "bytes": written,
                   "duplicate_sets": corpus.expected_sets}, f, indent=1)
    print(f"bench: corpus ready in {time.monotonic() - started:.0f} s")


if __name__ == "__main__":
    main()
