#!/usr/bin/python3
# bench/make_package.py - writes the benchmark package: 2,000 generated files (mostly small, a few
# of several MB, about 150 MB in all, the same bytes for the same seed), setup.exe and a
# versioned Pixcap5.exe, and the manifest "PixUnInst.log" naming each file with "File Copy: ".
# Also writes "bench-files.txt" (source|target per line), which the baseline program copies.
import argparse
import os
import random
import shutil

parser = argparse.ArgumentParser()
parser.add_argument("folder")
parser.add_argument("--setup", required=True)
parser.add_argument("--pixcap", required=True)
parser.add_argument("--files", type=int, default=2000)
parser.add_argument("--large", type=int, default=10)
parser.add_argument("--total-mb", type=float, default=150.0)
parser.add_argument("--seed", type=int, default=5)
args = parser.parse_args()

rng = random.Random(args.seed)
os.makedirs(args.folder, exist_ok=True)
small_count = args.files - args.large
# Small files of 1 to 64 KB; the large ones share what is left of the total.
small_sizes = [rng.randint(1024, 64 * 1024) for _ in range(small_count)]
left = max(int(args.total_mb * 1024 * 1024) - sum(small_sizes), args.large * 1024 * 1024)
large_sizes = [left // args.large] * args.large
names = ["data%04d.%s" % (i, rng.choice(["bin", "dat", "png", "txt", "dll"])) for i in range(small_count)]
names += ["large%02d.pak" % i for i in range(args.large)]
sizes = small_sizes + large_sizes

block = rng.randbytes(1 << 20)
for name, size in zip(names, sizes):
    path = os.path.join(args.folder, name)
    if os.path.exists(path) and os.path.getsize(path) == size:
        continue
    with open(path, "wb") as f:
        offset = rng.randrange(len(block))
        written = 0
        while written < size:
            chunk = block[offset:offset + size - written] or block[:size - written]
            f.write(chunk)
            written += len(chunk)
            offset = 0

shutil.copyfile(args.setup, os.path.join(args.folder, "setup.exe"))
shutil.copyfile(args.pixcap, os.path.join(args.folder, "Pixcap5.exe"))
pairs = [("Pixcap5.exe", "Pixcap5.exe"), ("setup.exe", "PixUnInst.exe")] + [(n, n) for n in names]
with open(os.path.join(args.folder, "PixUnInst.log"), "w", newline="\r\n") as f:
    for source, target in pairs:
        f.write("File Copy: %s\n" % (source if source == target else source + " > " + target))
with open(os.path.join(args.folder, "bench-files.txt"), "w", newline="\r\n") as f:
    for source, target in pairs:
        f.write("%s|%s\n" % (source, target))
print("%d files, %.1f MB" % (len(pairs), (sum(sizes) + os.path.getsize(args.setup) * 2) / 1048576.0))
