#!/usr/bin/python3
# bench/size_table.py - where the bytes of a linked program go: its sections as the file holds
# them, its resources one by one, and its code and data by the object file they came from.
#   size_table.py program.exe [linker-map [program-of-the-map.exe]]
# The map is the one the linker writes with -Map for a link of the same objects without link-time
# optimisation (bench/run.sh makes it; with LTO, the code of all our objects comes out of one
# merged object); without it the table by object file is left out. Prints Markdown.
import collections
import os
import re
import struct
import sys

RESOURCE_TYPES = {1: "cursor", 2: "bitmap", 3: "icon", 4: "menu", 5: "dialog", 6: "string table",
                  9: "accelerators", 10: "raw data", 12: "cursor group", 14: "icon group", 16: "version",
                  24: "manifest"}
# Sections a stripped program keeps; debug sections of an unstripped map are not part of it.
SHIPPED_SECTIONS = (".text", ".data", ".rdata", ".eh_frame", ".pdata", ".xdata", ".bss", ".idata",
                    ".CRT", ".tls", ".rsrc", ".reloc")


class CPeFile:
    def __init__(self, path):
        self.data = open(path, "rb").read()
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        count, optional_size = struct.unpack_from("<H12xH", self.data, pe + 6)
        table = pe + 24 + optional_size
        self.sections = []
        for i in range(count):
            raw = struct.unpack_from("<8sIIII", self.data, table + 40 * i)
            name = raw[0].rstrip(b"\0").decode()
            self.sections.append({"name": name, "virtual_size": raw[1], "rva": raw[2], "raw_size": raw[3],
                                  "raw_offset": raw[4]})
        self.headers = self.sections[0]["raw_offset"] if self.sections else len(self.data)

    def offset_of(self, rva):
        for s in self.sections:
            if s["rva"] <= rva < s["rva"] + max(s["raw_size"], s["virtual_size"]):
                return s["raw_offset"] + rva - s["rva"]
        raise ValueError("rva %x outside the sections" % rva)

    def resources(self):
        """(type, name, language, bytes) of every resource."""
        rsrc = next((s for s in self.sections if s["name"] == ".rsrc"), None)
        if not rsrc:
            return []
        base = rsrc["raw_offset"]
        found = []

        def entries(offset):
            named, numbered = struct.unpack_from("<12xHH", self.data, base + offset)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, base + offset + 16 + 8 * i)
                if ident & 0x80000000:
                    at = base + (ident & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    ident = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield ident, target

        for kind, kind_dir in entries(0):
            for name, name_dir in entries(kind_dir & 0x7FFFFFFF):
                for language, leaf in entries(name_dir & 0x7FFFFFFF):
                    size = struct.unpack_from("<4xI", self.data, base + leaf)[0]
                    found.append((kind, name, language, size))
        return found


def parse_map(path):
    """{(output section, object file): bytes} from a GNU ld map, shipped sections only."""
    sizes = collections.Counter()
    output = None
    pending = None
    started = False
    for line in open(path, errors="replace"):
        if line.startswith("Linker script and memory map"):
            started = True
            continue
        if not started:
            continue
        top = re.match(r"^(\.\S+)\s", line)
        if top:
            output = top.group(1) if top.group(1) in SHIPPED_SECTIONS else None
            continue
        if output is None:
            continue
        full = re.match(r"^ (\S+)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        alone = re.match(r"^ (\S+)\s*$", line)
        rest = re.match(r"^\s{10,}0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if full and not full.group(1).startswith("*"):
            sizes[(output, object_name(full.group(3)))] += int(full.group(2), 16)
            pending = None
        elif alone and not alone.group(1).startswith("*"):
            pending = alone.group(1)
        elif rest and pending:
            sizes[(output, object_name(rest.group(2)))] += int(rest.group(1), 16)
            pending = None
    return sizes


def object_name(path):
    """The object's name, with its library for members of an archive."""
    archive = re.match(r"^(.*)\((.*)\)$", path.strip())
    if archive:
        return "%s(%s)" % (os.path.basename(archive.group(1)), archive.group(2))
    return os.path.basename(path.strip())


def group_of(obj):
    """Our own objects by name; the runtime by library."""
    if obj.endswith(".obj") or obj.endswith(".res") or ".cpp.obj" in obj:
        return obj
    archive = re.match(r"^(lib[^()]*\.a)\(", obj)
    if archive and archive.group(1) in ("libpixcore.a", "libpixtext.a"):
        return obj
    return "runtime: " + (archive.group(1) if archive else obj)


def main():
    program = sys.argv[1]
    pe = CPeFile(program)
    total = len(pe.data)
    print("`%s`: %d bytes (%.1f KB)\n" % (os.path.basename(program), total, total / 1024.0))
    print("| Section | Bytes in the file | Bytes used |")
    print("|---|---|---|")
    print("| headers | %d | |" % pe.headers)
    for s in pe.sections:
        # The file keeps 8 characters of a section name.
        name = ".eh_frame" if s["name"] == ".eh_fram" else s["name"]
        print("| %s | %d | %d |" % (name, s["raw_size"], s["virtual_size"]))
    print("\n| Resource | Bytes |")
    print("|---|---|")
    for kind, name, language, size in sorted(pe.resources(), key=lambda r: -r[3]):
        kind_name = RESOURCE_TYPES.get(kind, str(kind))
        print("| %s %s (language %s) | %d |" % (kind_name, name, language, size))
    if len(sys.argv) < 3:
        return
    sizes = parse_map(sys.argv[2])
    if len(sys.argv) > 3:
        unoptimised = os.path.getsize(sys.argv[3])
        print("\nThe same objects linked without link-time optimisation: %d bytes (%.1f KB); by object "
              "file, before the link merges them:" % (unoptimised, unoptimised / 1024.0))
    groups = collections.defaultdict(collections.Counter)
    for (section, obj), size in sizes.items():
        groups[group_of(obj)][section] += size
    shown = (".text", ".rdata", ".data", ".eh_frame", ".idata")
    print("\n| Object file | Total | %s |" % " | ".join(shown))
    print("|---|---|" + "---|" * len(shown))
    for name, by_section in sorted(groups.items(), key=lambda g: -sum(g[1].values())):
        total_bytes = sum(by_section[s] for s in shown)
        if total_bytes < 256:
            continue
        print("| %s | %d | %s |" % (name, total_bytes, " | ".join(str(by_section[s]) for s in shown)))
    print("\n(objects under 256 bytes left out; .idata is the import tables, counted per import library)")


if __name__ == "__main__":
    main()
