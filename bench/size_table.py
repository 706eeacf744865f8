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
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from pefile import PeFile  # noqa: E402

RESOURCE_TYPES = {1: "cursor", 2: "bitmap", 3: "icon", 4: "menu", 5: "dialog", 6: "string table",
                  9: "accelerators", 10: "raw data", 12: "cursor group", 14: "icon group", 16: "version",
                  24: "manifest"}
# Sections a stripped program keeps; debug sections of an unstripped map are not part of it.
SHIPPED_SECTIONS = (".text", ".data", ".rdata", ".eh_frame", ".pdata", ".xdata", ".bss", ".idata",
                    ".CRT", ".tls", ".rsrc", ".reloc")


def list_resources(pe):
    """(type, name, language, bytes) of every resource."""
    if not pe.dirs[2][0]:
        return []
    return [(kind, name, language, len(data))
            for kind, names in pe.resources().items()
            for name, languages in names.items()
            for language, data in languages.items()]


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
    pe = PeFile(open(program, "rb").read())
    total = len(pe.data)
    print("`%s`: %d bytes (%.1f KB)\n" % (os.path.basename(program), total, total / 1024.0))
    print("| Section | Bytes in the file | Bytes used |")
    print("|---|---|---|")
    print("| headers | %d | |" % pe.headers)
    for s in pe.section_table:
        # The file keeps 8 characters of a section name.
        name = ".eh_frame" if s["name"] == ".eh_fram" else s["name"]
        print("| %s | %d | %d |" % (name, s["raw_size"], s["virtual_size"]))
    print("\n| Resource | Bytes |")
    print("|---|---|")
    for kind, name, language, size in sorted(list_resources(pe), key=lambda r: -r[3]):
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
