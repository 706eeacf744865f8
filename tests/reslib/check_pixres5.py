# tests/reslib/check_pixres5.py - reads PixRes5.dll as a file (the shipped i686 build cannot be
# loaded on this machine) and checks its resource directory, imports, exports and the data of
# the version block and the sound against the library's resource table.
# Usage: check_pixres5.py <machine> <PixRes5.dll> [<machine> <other build's PixRes5.dll>]
#                         [--hosts <machine> <Pixcap5.exe> ...]
#   machine is i386 or amd64. With two libraries, their resources must also be identical.
#   Each host (the stand-in) must export exactly the undecorated "PX5Callback".
# Exit code: 0 all checks passed, 1 a check failed, 77 a named file is missing (skipped).
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from pefile import MACHINES, Failures, PeFile, exit_code  # noqa: E402

RT_CURSOR, RT_BITMAP, RT_ICON, RT_MENU, RT_DIALOG, RT_STRING = 1, 2, 3, 4, 5, 6
RT_ACCELERATOR, RT_GROUP_CURSOR, RT_GROUP_ICON, RT_VERSION = 9, 12, 14, 16
RT_DLGINIT, RT_TOOLBAR = 240, 241
US, NEUTRAL = 1033, 0


def utf16z(data, at):
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def string_from_table(tables, sid):
    block = tables[RT_STRING].get(sid // 16 + 1)
    if block is None:
        return None
    data = block[US] if US in block else next(iter(block.values()))
    at = 0
    for i in range(16):
        n = struct.unpack_from("<H", data, at)[0]
        if i == sid % 16:
            return data[at + 2:at + 2 + 2 * n].decode("utf-16-le")
        at += 2 + 2 * n
    return None


def dialog_title(data):
    at = 26 if struct.unpack_from("<HH", data, 0) == (1, 0xFFFF) else 18
    for _ in range(2):  # menu, then window class
        first = struct.unpack_from("<H", data, at)[0]
        at = at + 2 if first == 0 else at + 4 if first == 0xFFFF else utf16z(data, at)[1]
    return utf16z(data, at)[0]


def parse_menu(data):
    """Top-level item texts of a MENU template; popups are walked recursively."""
    def level(at):
        texts = []
        while True:
            flags = struct.unpack_from("<H", data, at)[0]
            at += 2 if flags & 0x10 else 4
            text, at = utf16z(data, at)
            texts.append(text)
            if flags & 0x10:
                _, at = level(at)
            if flags & 0x80:
                return texts, at
    return level(4)[0]


def version_children(data, at, end):
    """Walks VS_VERSIONINFO nodes: yields (key, value bytes, value type, children range)."""
    while at < end:
        length, value_len, value_type = struct.unpack_from("<HHH", data, at)
        key, after_key = utf16z(data, at + 6)
        value_at = (after_key + 3) & ~3
        value_bytes = value_len * 2 if value_type == 1 else value_len
        children_at = (value_at + value_bytes + 3) & ~3
        yield key, data[value_at:value_at + value_bytes], value_type, (children_at, at + length)
        at = (at + length + 3) & ~3


VERSION_STRINGS = [
    ("Comments", ""), ("CompanyName", "Corvanta Technology LLC"), ("FileDescription", "Pixorama"),
    ("FileVersion", "5, 20, 0, 0"), ("InternalName", "Pixcap5"), ("LegalCopyright", None),
    ("LegalTrademarks", ""), ("OriginalFilename", "PixRes5.dll"), ("PrivateBuild", ""),
    ("ProductName", "Pixorama v.5"), ("ProductVersion", "5, 20, 0, 0"), ("SpecialBuild", "")]


def check_version(f, data):
    (root, fixed, _, (child_at, child_end)), = list(version_children(data, 0, len(data)))
    f.equal(root, "VS_VERSION_INFO", "version root key")
    values = struct.unpack("<13I", fixed)
    f.equal(values[0], 0xFEEF04BD, "fixed info signature")
    f.equal(values[2:6], (5 << 16 | 20, 0, 5 << 16 | 20, 0), "file and product version")
    f.equal(values[6:12], (0x3F, 0, 0x4, 1, 0, 0), "flags mask, flags, OS, type, subtype, date")
    blocks = {key: rng for key, _, _, rng in version_children(data, child_at, child_end)}
    f.equal(sorted(blocks), ["StringFileInfo", "VarFileInfo"], "version blocks")
    tables = list(version_children(data, *blocks["StringFileInfo"]))
    f.equal([t[0] for t in tables], ["040E04B0"], "string table keys")
    strings = [(key, value.decode("utf-16-le").rstrip("\0"))
               for key, value, _, _ in version_children(data, *tables[0][3])]
    f.equal([k for k, _ in strings], [k for k, _ in VERSION_STRINGS], "version keys in order")
    for (key, value), (_, expected) in zip(strings, VERSION_STRINGS):
        if expected is None:
            f.check("Corvanta" in value, "%s names the maker: %r" % (key, value))
        else:
            f.equal(value, expected, "version value " + key)
    var = list(version_children(data, *blocks["VarFileInfo"]))
    f.equal([(k, v) for k, v, _, _ in var], [("Translation", struct.pack("<HH", 0x40E, 1200))],
            "translation")


def check_sound(f, data):
    f.equal(len(data), 3419, "sound size")
    riff, riff_size, wave = struct.unpack_from("<4sI4s", data, 0)
    f.equal((riff, riff_size, wave), (b"RIFF", len(data) - 8, b"WAVE"), "RIFF header")
    chunk, size = struct.unpack_from("<4sI", data, 12)
    f.equal((chunk, size), (b"fmt ", 16), "format chunk")
    f.equal(struct.unpack_from("<HHIIHH", data, 20), (1, 1, 22050, 22050, 1, 8),
            "PCM, mono, 22050 Hz, byte rate, block align, 8 bits")
    f.equal(struct.unpack_from("<4sI", data, 36), (b"data", 3375), "data chunk")


def languages_by_name(tree, rtype):
    return {name: sorted(langs) for name, langs in tree.get(rtype, {}).items()}


def check_group(f, tree, group_type, image_type, what):
    referenced = set()
    for name, langs in tree[group_type].items():
        for lang, data in langs.items():
            count = struct.unpack_from("<H", data, 4)[0]
            f.equal(len(data), 6 + 14 * count, "%s group %s size" % (what, name))
            for i in range(count):
                image_id = struct.unpack_from("<H", data, 6 + 14 * i + 12)[0]
                referenced.add(image_id)
                f.check(lang in tree[image_type].get(image_id, {}),
                        "%s group %s names image %d in its language" % (what, name, image_id))
    f.equal(referenced, set(tree[image_type]), "%s images and the images the groups name" % what)


def check_table(f, tree):
    expected_types = {RT_CURSOR, RT_BITMAP, RT_ICON, RT_MENU, RT_DIALOG, RT_STRING,
                      RT_ACCELERATOR, RT_GROUP_CURSOR, RT_GROUP_ICON, RT_VERSION, RT_DLGINIT,
                      RT_TOOLBAR, "WAVE"}
    f.equal(set(tree), expected_types, "resource types")
    if not expected_types <= set(tree):
        return
    for rtype, names in tree.items():
        for name, by_language in names.items():
            f.equal(len(by_language), 1, "languages of %s/%s" % (rtype, name))

    check_texts_and_layouts(f, tree)
    check_images(f, tree)
    f.equal(langs(tree, "WAVE"), {2003: US}, "sounds")
    check_sound(f, tree["WAVE"][2003][US])
    f.equal(langs(tree, RT_VERSION), {1: US}, "version information")
    check_version(f, tree[RT_VERSION][1][US])
    check_toolbars(f, tree)


def langs(tree, rtype):
    return {name: l[0] for name, l in languages_by_name(tree, rtype).items()}


def check_texts_and_layouts(f, tree):
    blocks = langs(tree, RT_STRING)
    f.equal((min(blocks), max(blocks)), (99 // 16 + 1, 61888 // 16 + 1), "string blocks")
    f.equal(set(blocks.values()), {US}, "string languages")
    for sid, text in ((57344, "Pixorama"), (101, "Felvétel")):
        f.equal(string_from_table(tree, sid), text, "string %d" % sid)
    for sid in (99, 61888):
        f.check(bool(string_from_table(tree, sid)), "string %d exists" % sid)

    dialogs = langs(tree, RT_DIALOG)
    f.equal((min(dialogs), max(dialogs)), (100, 30723), "dialog ids")
    f.equal(sorted(dialogs.values()).count(NEUTRAL), 1, "neutral dialogs")
    f.equal(len(dialogs) - 1, sorted(dialogs.values()).count(US), "U.S. dialogs")
    f.equal(dialog_title(tree[RT_DIALOG][135][US]), "Gyorsbillentyűk felvételhez", "dialog 135")

    f.equal(langs(tree, RT_MENU), {i: US for i in (99, 2002, 2042, 2059, 2060, 16102)}, "menus")
    f.equal(parse_menu(tree[RT_MENU][99][US])[:5],
            ["&Fájl", "S&zerkesztés", "&Nézet", "&Felvétel", "&Kép"], "main menu pop-ups")
    f.equal(langs(tree, RT_ACCELERATOR), {99: US, 30997: US}, "accelerator tables")
    f.equal(langs(tree, RT_TOOLBAR), {99: US, 100: US, 2039: US, 16138: NEUTRAL, 16960: NEUTRAL},
            "toolbars")
    f.equal(langs(tree, RT_DLGINIT), {105: US, 138: US, 2056: US, 16134: US}, "dialog-init data")



def check_images(f, tree):
    bitmaps = langs(tree, RT_BITMAP)
    f.equal((len(bitmaps), min(bitmaps), max(bitmaps)), (35, 99, 30996), "bitmaps")
    f.equal((list(bitmaps.values()).count(US), list(bitmaps.values()).count(NEUTRAL)), (22, 13),
            "bitmap languages")

    f.equal(langs(tree, RT_GROUP_ICON), {99: US, 868: US, 2021: US, 2022: US, 16931: NEUTRAL,
                                   16995: NEUTRAL}, "icon groups")
    f.equal(len(tree[RT_ICON]), 14, "icon images")
    check_group(f, tree, RT_GROUP_ICON, RT_ICON, "icon")

    cursors = langs(tree, RT_GROUP_CURSOR)
    numbered = [n for n in cursors if isinstance(n, int)]
    f.equal((len(cursors), [n for n in cursors if not isinstance(n, int)]), (26, ["SCROLLCUR"]),
            "cursor groups")
    f.equal((min(numbered), max(numbered)), (211, 30982), "cursor group ids")
    f.equal((list(cursors.values()).count(US), list(cursors.values()).count(NEUTRAL)), (16, 10),
            "cursor group languages")
    f.equal(len(tree[RT_CURSOR]), 32, "cursor images")
    check_group(f, tree, RT_GROUP_CURSOR, RT_CURSOR, "cursor")


def check_toolbars(f, tree):
    # The application loads each toolbar with the bitmap of the same id: one picture per
    # button that is not a separator, side by side.
    for tid, langs in tree[RT_TOOLBAR].items():
        data = next(iter(langs.values()))
        version, width, height, count = struct.unpack_from("<HHHH", data, 0)
        f.equal((version, len(data)), (1, 8 + 2 * count), "toolbar %d layout" % tid)
        buttons = sum(1 for c in struct.unpack_from("<%dH" % count, data, 8) if c != 0)
        bitmap = tree[RT_BITMAP].get(tid)
        if f.check(bitmap is not None, "toolbar %d has a bitmap" % tid):
            f.equal(list(bitmap), list(langs), "toolbar %d bitmap language" % tid)
            bw, bh = struct.unpack_from("<ii", next(iter(bitmap.values())), 4)
            f.equal((bw, bh), (width * buttons, height), "toolbar %d bitmap size" % tid)


def check_file(machine, path, f):
    pe = PeFile(open(path, "rb").read())
    f.equal(pe.machine, MACHINES[machine], "machine")
    f.check(pe.characteristics & 0x2000, "marked as a DLL")
    f.check(pe.entry != 0, "has an entry point")
    imports = pe.imports()
    f.equal(sorted(k.upper() for k in imports), ["KERNEL32.DLL"], "imported modules")
    f.equal(sorted(sum(imports.values(), [])),
            ["DisableThreadLibraryCalls", "GetModuleHandleA", "GetProcAddress"],
            "imported functions")
    f.equal(pe.exports(), {"name": "PixRes5.dll", "functions": 0, "names": 0}, "export directory")
    tree = pe.resources()
    check_table(f, tree)
    return tree


def check_host(machine, path, f):
    # The library looks the callback up by its plain name; a decorated i686 name
    # ("PX5Callback@8") would leave the stand-in unannounced.
    pe = PeFile(open(path, "rb").read())
    f.equal(pe.machine, MACHINES[machine], "machine")
    f.equal(pe.export_names(), ["PX5Callback"], "exported names")


def main(argv):
    hosts = []
    if "--hosts" in argv:
        at = argv.index("--hosts")
        hosts = list(zip(argv[at + 1::2], argv[at + 2::2]))
        argv = argv[:at]
    pairs = list(zip(argv[1::2], argv[2::2]))
    if not pairs or len(argv) % 2 == 0:
        print(__doc__ or "usage: check_pixres5.py <machine> <dll> [<machine> <dll>]")
        return 2
    trees, failures, missing = [], 0, []
    for machine, path in pairs:
        try:
            open(path, "rb").close()
        except OSError:
            missing.append(path)
            continue
        f = Failures("%s %s" % (machine, path))
        trees.append(check_file(machine, path, f))
        print("checked %s (%s): %d failures" % (path, machine, f.count))
        failures += f.count
    for machine, path in hosts:
        try:
            open(path, "rb").close()
        except OSError:
            missing.append(path)
            continue
        f = Failures("%s %s" % (machine, path))
        check_host(machine, path, f)
        print("checked host %s (%s): %d failures" % (path, machine, f.count))
        failures += f.count
    if len(trees) == 2 and trees[0] != trees[1]:
        print("FAIL the two builds carry different resources")
        failures += 1
    return exit_code(failures, missing)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
