# tests/loading/check_imports.py - reads the import tables of setup.exe, PixRes5.dll and the download as files
# (the shipped i686 build cannot be loaded on this machine). setup runs elevated from folders
# that others can write to, so every library its import tables name must be one that Windows
# always takes from the system folder; and every imported function must exist on the oldest
# supported Windows, whose loader must also accept the subsystem version in the header, or the
# program does not start there at all.
# Usage: check_imports.py <export list> <program or library> ...
#   The export list (xp_sp3_exports.txt beside this script) names, per system library, the
#   functions that Windows XP SP3 exports, as far as the builds import them.
# Exit code: 0 all checks passed, 1 a check failed, 77 a named file is missing (skipped).
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from pefile import PeFile, exit_code  # noqa: E402

# Libraries that Windows loads from the system folder whatever lies beside the program.
# COMCTL32 and VERSION are not among them: a copy in a download folder would be taken instead.
ALWAYS_FROM_SYSTEM = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "ADVAPI32.DLL", "SHELL32.DLL",
                      "OLE32.DLL", "OLEAUT32.DLL", "MSVCRT.DLL", "SHLWAPI.DLL", "COMDLG32.DLL"}


def read_export_list(path):
    """{upper-case library name: set of function names}"""
    exports, library = {}, None
    for number, line in enumerate(open(path, encoding="ascii"), 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        if line.startswith("[") and line.endswith("]"):
            library = line[1:-1].upper()
            exports.setdefault(library, set())
        elif library is None:
            raise ValueError("%s:%d: a function before any [library]" % (path, number))
        else:
            exports[library].add(line)
    return exports


# The newest subsystem version that XP starts a program of: 5.1, and 5.2 for the x64 edition.
OLDEST_WINDOWS = {0x14C: (5, 1), 0x8664: (5, 2)}


def check_file(path, exports):
    failures = []
    pe = PeFile(open(path, "rb").read())
    if pe.subsystem_version() > OLDEST_WINDOWS.get(pe.machine, (0, 0)):
        failures.append("its header asks for Windows %d.%d, which XP refuses to start" % pe.subsystem_version())
    for library, functions in pe.imports().items():
        if library.upper() not in ALWAYS_FROM_SYSTEM:
            failures.append("imports %s, which Windows may load from beside the program" % library)
            continue
        known = exports.get(library.upper(), set())
        for function in functions:
            if function not in known:
                failures.append("imports %s!%s, which is not among the XP SP3 exports listed"
                                % (library, function))
    return failures


def main(argv):
    if len(argv) < 3:
        print("usage: check_imports.py <export list> <file> ...")
        return 2
    exports = read_export_list(argv[1])
    failures, missing = 0, []
    for path in argv[2:]:
        if not os.path.exists(path):
            missing.append(path)
            continue
        found = check_file(path, exports)
        for what in found:
            print("FAIL [%s] %s" % (path, what))
        print("checked %s: %d failures" % (path, len(found)))
        failures += len(found)
    return exit_code(failures, missing)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
