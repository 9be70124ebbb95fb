#!/usr/bin/env python3
"""Lays out the benchmark tree, or changes 1% of its files.

make_tree.py create DIR [--big]   20,000 files in 2,000 directories, sizes 0 bytes to 1 MB (mostly
                                  small), 2.2 GB; with --big 200,000 files in the same 2,000
                                  directories, sizes 0 bytes to 100 KB, about as many bytes
make_tree.py change DIR           rewrites every 100th file with new content and a newer time
"""
import os
import random
import sys

TOP, SUB = 100, 19  # 100 + 100 * 19 = 2,000 directories
FILES, BIG_FILES = 10, 100  # files in every directory
MAX_SIZE, BIG_MAX_SIZE = 1 << 20, 100 << 10


def directories(root):
    for t in range(TOP):
        top = os.path.join(root, "d%03d" % t)
        yield top
        for s in range(SUB):
            yield os.path.join(top, "s%02d" % s)


def create(root, big):
    files, max_size = (BIG_FILES, BIG_MAX_SIZE) if big else (FILES, MAX_SIZE)
    rng = random.Random(20110305)
    block = rng.randbytes(max_size)
    for d in directories(root):
        os.makedirs(d, exist_ok=True)
        for f in range(files):
            size = int(max_size * rng.random() ** 8)
            with open(os.path.join(d, "f%02d.dat" % f), "wb") as out:
                out.write(block[:size])


def change(root):
    # 1% of the files, spread over the tree: with 10 files a directory, one file in every tenth
    # directory (200 of 20,000); with 100, one file in every directory (2,000 of 200,000).
    n = 0
    for i, d in enumerate(directories(root)):
        files = sorted(name for name in os.listdir(d) if name.endswith(".dat"))
        every = max(1, 100 // len(files))  # one directory in `every` has a changed file
        if not files or i % every:
            continue
        path = os.path.join(d, files[(i // every) % len(files)])
        with open(path, "ab") as out:
            out.write(b"changed")
        st = os.stat(path)
        os.utime(path, ns=(st.st_atime_ns, st.st_mtime_ns + 2_000_000_000))
        n += 1
    print("changed %d files" % n)


if __name__ == "__main__":
    if sys.argv[1] == "create":
        create(sys.argv[2], "--big" in sys.argv[3:])
    else:
        change(sys.argv[2])
