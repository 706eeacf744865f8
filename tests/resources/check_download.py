# tests/resources/check_download.py - the download's stub, read as a file beside setup.exe of the
# same build: it asks Windows for the same rights through the same manifest (the manifest checks
# of setup.exe hold for it too), and shows the product's icon and version to the person who
# downloaded it, under its own description and file name.
# Usage: check_download.py <setup.exe> <stub> [<setup.exe> <stub>]
# Exit code: 0 all checks passed, 1 a check failed, 77 a named file is missing (skipped).
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from pefile import Failures, PeFile, exit_code  # noqa: E402

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


def version_strings(block):
    """The StringFileInfo values of a version resource, and its fixed file and product version."""
    fixed = block.find(struct.pack("<I", 0xFEEF04BD))
    numbers = struct.unpack_from("<IIII", block, fixed + 8)
    text = block.decode("utf-16-le", errors="replace")
    values = {}
    for key in ("FileDescription", "FileVersion", "InternalName", "OriginalFilename", "ProductName",
                "ProductVersion", "CompanyName"):
        at = text.find(key + "\0")
        if at >= 0:
            rest = text[at + len(key) + 1:].lstrip("\0")
            values[key] = rest[:rest.find("\0")]
    return numbers, values


def only(resources, kind):
    """{name: bytes} of one resource type, languages folded (each name has one here)."""
    return {name: next(iter(langs.values())) for name, langs in resources.get(kind, {}).items()}


def check_pair(setup_path, stub_path):
    f = Failures(os.path.basename(os.path.dirname(stub_path)) + " " + os.path.basename(stub_path))
    setup = PeFile(open(setup_path, "rb").read()).resources()
    stub = PeFile(open(stub_path, "rb").read()).resources()
    for kind, what in ((RT_MANIFEST, "manifest"), (RT_GROUP_ICON, "icon group"), (RT_ICON, "icon images")):
        f.check(only(stub, kind) == only(setup, kind) != {}, "its %s is not setup.exe's" % what)
    stub_numbers, stub_values = version_strings(only(stub, RT_VERSION)[1])
    setup_numbers, setup_values = version_strings(only(setup, RT_VERSION)[1])
    f.equal(stub_numbers, setup_numbers, "file and product version numbers")
    for key in ("FileVersion", "ProductName", "ProductVersion", "CompanyName"):
        f.equal(stub_values.get(key), setup_values.get(key), key)
    version = ".".join(str(n) for n in (stub_numbers[0] >> 16, stub_numbers[0] & 0xFFFF,
                                        stub_numbers[1] >> 16, stub_numbers[1] & 0xFFFF))
    f.equal(stub_values.get("OriginalFilename"), "Pixorama5-%s-setup.exe" % version, "OriginalFilename")
    f.check(stub_values.get("FileDescription") not in (None, setup_values.get("FileDescription")),
            "a description of its own: %r" % stub_values.get("FileDescription"))
    return f.count


def main(argv):
    paths = argv[1:]
    if len(paths) not in (2, 4):
        print("usage: check_download.py <setup.exe> <stub> [<setup.exe> <stub>]")
        return 2
    missing = [p for p in paths if not os.path.exists(p)]
    failures = 0
    if not missing:
        for setup_path, stub_path in zip(paths[0::2], paths[1::2]):
            failures += check_pair(setup_path, stub_path)
            print("checked %s" % stub_path)
    return exit_code(failures, missing)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
