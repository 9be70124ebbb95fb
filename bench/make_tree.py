#!/usr/bin/env python3
"""Lays out the benchmark tree, or changes 1% of its files.

make_tree.py create DIR   20,000 files in 2,000 directories, sizes 0 bytes to 1 MB (mostly small)
make_tree.py change DIR   rewrites every 100th file with new content and a newer time
"""
import os
import random
import sys

TOP, SUB, FILES = 100, 19, 10  # 100 + 100 * 19 = 2,000 directories, 10 files in each


def directories(root):
    for t in range(TOP):
        top = os.path.join(root, "d%03d" % t)
        yield top
        for s in range(SUB):
            yield os.path.join(top, "s%02d" % s)


def create(root):
    rng = random.Random(20110305)
    block = rng.randbytes(1 << 20)
    for d in directories(root):
        os.makedirs(d, exist_ok=True)
        for f in range(FILES):
            size = int((1 << 20) * rng.random() ** 8)
            with open(os.path.join(d, "f%02d.dat" % f), "wb") as out:
                out.write(block[:size])


def change(root):
    n = 0
    for i, d in enumerate(directories(root)):
        if i % 10:
            continue
        path = os.path.join(d, "f%02d.dat" % (i // 10 % FILES))
        with open(path, "ab") as out:
            out.write(b"changed")
        st = os.stat(path)
        os.utime(path, ns=(st.st_atime_ns, st.st_mtime_ns + 2_000_000_000))
        n += 1
    print("changed %d files" % n)


if __name__ == "__main__":
    {"create": create, "change": change}[sys.argv[1]](sys.argv[2])
