#!/usr/bin/python3
# scripts/compare_builds.py - compares what two builds of one tree ship (product files, demo
# package and the download made from it) byte for byte, and checks that every program carries the expected link time stamp.
# Run by scripts/check-reproducible.sh:
#   compare_builds.py --epoch SECONDS --kind win32 --kind win64 OUT_A OUT_B
# Exit code 0 when everything matches; otherwise each difference is described and it is 1.
import argparse
import hashlib
import os
import struct
import sys

PRODUCTS = ["setup.exe", "Pixcap5.exe", "PixRes5.dll", "Pixorama5Stub.exe"]
SHOWN_OFFSETS = 8


def shipped_names(out, kind):
    """Names, relative to the output folder, of what one Windows build ships."""
    names = [kind + "/" + p for p in PRODUCTS]
    package = os.path.join(out, kind, "package")
    if os.path.isdir(package):
        # ".assembled" only tells the build that the package is up to date.
        names += [kind + "/package/" + n for n in sorted(os.listdir(package))
                  if n != ".assembled"]
    download = os.path.join(out, kind, "download")
    if os.path.isdir(download):
        names += [kind + "/download/" + n for n in sorted(os.listdir(download))]
    return names


class PeImage:
    """Just enough of a PE file to name the place of an offset and find ld's time stamps."""

    def __init__(self, data):
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        nsections, self.stamp = struct.unpack_from("<HI", data, pe + 6)
        opt_size = struct.unpack_from("<H", data, pe + 20)[0]
        opt = pe + 24
        magic = struct.unpack_from("<H", data, opt)[0]
        directories = opt + (96 if magic == 0x10B else 112)
        self.header_size = struct.unpack_from("<I", data, opt + 60)[0]
        # Header fields by offset: (first byte, length, name).
        self.fields = [(pe + 8, 4, "file header time stamp"), (opt + 64, 4, "checksum"),
                       (opt + 24, 8, "image base") if magic != 0x10B else
                       (opt + 28, 4, "image base")]
        self.sections = []
        for i in range(nsections):
            at = opt + opt_size + 40 * i
            name = data[at:at + 8].rstrip(b"\0").decode("ascii", "replace")
            vsize, rva, raw_size, raw_at = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((name, rva, max(vsize, raw_size), raw_at, raw_size))
        export_rva, export_size = struct.unpack_from("<II", data, directories)
        self.export_stamp = None
        if export_rva and export_size:
            at = self.file_offset(export_rva)
            if at is not None:
                self.export_stamp = struct.unpack_from("<I", data, at + 4)[0]

    def file_offset(self, rva):
        for _, start, size, raw_at, _ in self.sections:
            if start <= rva < start + size:
                return raw_at + rva - start
        return None

    def place(self, offset):
        for start, length, name in self.fields:
            if start <= offset < start + length:
                return name
        if offset < self.header_size:
            return "headers"
        for name, _, _, raw_at, raw_size in self.sections:
            if raw_at <= offset < raw_at + raw_size:
                return "section " + name
        return "past the sections"


def describe_difference(name, a, b, folders):
    lines = ["%s differs: %d and %d bytes" % (name, len(a), len(b))]
    offsets = [i for i in range(min(len(a), len(b))) if a[i] != b[i]]
    try:
        image = PeImage(a)
    except (ValueError, struct.error):
        image = None
    for off in offsets[:SHOWN_OFFSETS]:
        where = " (%s)" % image.place(off) if image else ""
        lines.append("  offset 0x%x: %02x / %02x%s" % (off, a[off], b[off], where))
    if len(offsets) > SHOWN_OFFSETS:
        lines.append("  ... %d differing bytes in all" % len(offsets))
    for label, data in (("first", a), ("second", b)):
        for folder in folders:
            if folder.encode() in data:
                lines.append("  the %s build holds the build folder path %s" % (label, folder))
    return lines


def check_stamps(name, data, epoch):
    """Problems with ld's time stamps in a program file (none for other files)."""
    if not name.endswith((".exe", ".dll")):
        return []
    try:
        image = PeImage(data)
    except (ValueError, struct.error) as e:
        return ["%s: not a readable PE file (%s)" % (name, e)]
    problems = []
    if image.stamp != epoch:
        problems.append("%s: file header time stamp %d, expected %d" % (name, image.stamp, epoch))
    if image.export_stamp is not None and image.export_stamp != epoch:
        problems.append("%s: export directory time stamp %d, expected %d"
                        % (name, image.export_stamp, epoch))
    return problems


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def compare(out_a, out_b, kinds, epoch):
    """Returns (problems, [(sha256, name)] of the first build)."""
    problems, sums = [], []
    folders = [os.path.dirname(os.path.abspath(o)) for o in (out_a, out_b)]
    for kind in kinds:
        names_a, names_b = shipped_names(out_a, kind), shipped_names(out_b, kind)
        for name in sorted(set(names_a) ^ set(names_b)):
            problems.append("%s exists in only one build" % name)
        for name in [n for n in names_a if n in names_b]:
            a, b = read(os.path.join(out_a, name)), read(os.path.join(out_b, name))
            if a is None or b is None:
                problems.append("%s is missing from the %s build"
                                % (name, "first" if a is None else "second"))
                continue
            if a != b:
                problems.extend(describe_difference(name, a, b, folders))
            problems.extend(check_stamps(name, a, epoch))
            sums.append((hashlib.sha256(a).hexdigest(), name))
    return problems, sums


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--epoch", type=int, required=True)
    parser.add_argument("--kind", action="append", required=True, choices=["win32", "win64"])
    parser.add_argument("out_a")
    parser.add_argument("out_b")
    args = parser.parse_args()
    problems, sums = compare(args.out_a, args.out_b, args.kind, args.epoch)
    if problems:
        print("The two builds differ:")
        print("\n".join(problems))
        return 1
    print("Both builds are the same, byte for byte (time stamp %d):" % args.epoch)
    for digest, name in sums:
        print("%s  %s" % (digest, name))
    return 0


if __name__ == "__main__":
    sys.exit(main())
