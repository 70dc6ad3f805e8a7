#!/usr/bin/env python3
"""Makes the archives of the scale benchmarks in a work folder, each only when it is missing.

  make_archives.py WORK million | tree

million: WORK/million.zip, 1,000,000 entries stored by Python's zipfile, 1,000 folders of 1,000
         files named like dir0123/file0123456.txt, each holding 0 to 96 bytes.
tree:    WORK/tree/ with 200,000 small files (0 to 2,047 bytes of text) in 200 folders
         (d000/f000000.txt ...), and WORK/tree.zip, the same tree deflated by Python's zipfile.

Contents come from a fixed seed, so every machine makes the same archives. Each is written under a
temporary name and renamed when complete, so an interrupted run leaves nothing half made.
"""
import os
import random
import shutil
import sys
import zipfile

SEED = 20240624


def make_million(work):
    target = os.path.join(work, "million.zip")
    if os.path.exists(target):
        return
    rng = random.Random(SEED)
    partial = target + ".part"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_STORED) as archive:
        for i in range(1_000_000):
            info = zipfile.ZipInfo(f"dir{i // 1000:04d}/file{i:07d}.txt",
                                   (2020, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 2 * (i % 30)))
            archive.writestr(info, rng.randbytes(rng.randrange(97)))
    os.rename(partial, target)


def tree_text(rng, size):
    words = [b"archive", b"entry", b"folder", b"listing", b"row", b"name", b"size", b"date"]
    out = bytearray()
    while len(out) < size:
        out += rng.choice(words) + (b"\n" if rng.random() < 0.1 else b" ")
    return bytes(out[:size])


def make_tree(work):
    tree = os.path.join(work, "tree")
    if not os.path.isdir(tree):
        rng = random.Random(SEED + 1)
        partial = tree + ".part"
        shutil.rmtree(partial, ignore_errors=True)
        for folder in range(200):
            path = os.path.join(partial, f"d{folder:03d}")
            os.makedirs(path)
            for i in range(folder * 1000, folder * 1000 + 1000):
                with open(os.path.join(path, f"f{i:06d}.txt"), "wb") as f:
                    f.write(tree_text(rng, rng.randrange(2048)))
        os.rename(partial, tree)
    target = os.path.join(work, "tree.zip")
    if os.path.exists(target):
        return
    partial = target + ".part"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as archive:
        for folder in sorted(os.listdir(tree)):
            for name in sorted(os.listdir(os.path.join(tree, folder))):
                archive.write(os.path.join(tree, folder, name), f"{folder}/{name}")
    os.rename(partial, target)


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in ("million", "tree"):
        sys.exit(__doc__)
    os.makedirs(sys.argv[1], exist_ok=True)
    (make_million if sys.argv[2] == "million" else make_tree)(sys.argv[1])


if __name__ == "__main__":
    main()
