# tests/support/pefile.py - what the file checks of the test suite share: a reader of Windows
# program files and libraries (headers, sections, resource tree, import and export tables), read
# as plain files because the shipped i686 build cannot be loaded on this machine, and the way
# each check counts its failures and turns them into an exit code.
import struct

MACHINES = {"i386": 0x14C, "amd64": 0x8664}
# The exit code CTest reads as "skipped": a named file has not been built.
SKIPPED = 77


class Failures:
    def __init__(self, label):
        self.label, self.count = label, 0

    def check(self, ok, what):
        if not ok:
            self.count += 1
            print("FAIL [%s] %s" % (self.label, what))
        return ok

    def equal(self, actual, expected, what):
        return self.check(actual == expected, "%s: %r, expected %r" % (what, actual, expected))


class PeFile:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        self.machine, nsections, _, _, _, optsize, self.characteristics = \
            struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        self.entry = struct.unpack_from("<I", data, opt + 16)[0]
        dirs = opt + (96 if self.magic == 0x10B else 112)
        self.dirs = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(16)]
        self.sections = []
        # The section table as the file holds it: name, sizes in memory and in the file, places.
        self.section_table = []
        for i in range(nsections):
            s = opt + optsize + 40 * i
            raw_name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", data, s)
            self.sections.append((va, max(vsize, rawsize), rawptr))
            self.section_table.append({"name": raw_name.rstrip(b"\0").decode(), "virtual_size": vsize,
                                       "rva": va, "raw_size": rawsize, "raw_offset": rawptr})
        # The bytes before the first section's data.
        self.headers = self.section_table[0]["raw_offset"] if self.section_table else len(data)

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError("RVA 0x%x outside every section" % rva)

    def bytes_at(self, rva, size):
        o = self.offset(rva)
        return self.data[o:o + size]

    def cstring(self, rva):
        o = self.offset(rva)
        return self.data[o:self.data.index(b"\0", o)].decode("ascii")

    def resources(self):
        """{type: {name: {language: bytes}}}; names are ints or strings."""
        rva = self.dirs[2][0]
        base = self.offset(rva)
        return self._resource_level(base, 0, 3)

    def _resource_level(self, base, at, depth):
        named, ids = struct.unpack_from("<HH", self.data, base + at + 12)
        result = {}
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", self.data, base + at + 16 + 8 * i)
            if name & 0x80000000:
                o = base + (name & 0x7FFFFFFF)
                n = struct.unpack_from("<H", self.data, o)[0]
                name = self.data[o + 2:o + 2 + 2 * n].decode("utf-16-le")
            if depth > 1:
                if not target & 0x80000000:
                    raise ValueError("resource tree is too shallow")
                result[name] = self._resource_level(base, target & 0x7FFFFFFF, depth - 1)
            else:
                data_rva, size = struct.unpack_from("<II", self.data, base + target)
                result[name] = self.bytes_at(data_rva, size)
        return result

    def imports(self):
        """{dll name: [function names]}"""
        result = {}
        rva = self.dirs[1][0]
        thunk_size, ordinal_flag = (4, 1 << 31) if self.magic == 0x10B else (8, 1 << 63)
        while True:
            lookup, _, _, name, first = struct.unpack("<IIIII", self.bytes_at(rva, 20))
            if name == 0:
                return result
            functions = []
            t = lookup or first
            while True:
                entry = int.from_bytes(self.bytes_at(t, thunk_size), "little")
                if entry == 0:
                    break
                functions.append("#%d" % (entry & 0xFFFF) if entry & ordinal_flag
                                 else self.cstring(entry + 2))
                t += thunk_size
            result[self.cstring(name)] = functions
            rva += 20

    def exports(self):
        rva, size = self.dirs[0]
        if rva == 0:
            return None
        fields = struct.unpack("<IIHHIIIIIII", self.bytes_at(rva, 40))
        return {"name": self.cstring(fields[4]), "functions": fields[6], "names": fields[7]}

    def export_names(self):
        rva = self.dirs[0][0]
        if rva == 0:
            return []
        fields = struct.unpack("<IIHHIIIIIII", self.bytes_at(rva, 40))
        pointers = struct.unpack("<%dI" % fields[7], self.bytes_at(fields[9], 4 * fields[7]))
        return [self.cstring(p) for p in pointers]

    def subsystem_version(self):
        opt = struct.unpack_from("<I", self.data, 0x3C)[0] + 24
        return struct.unpack_from("<HH", self.data, opt + 48)



def exit_code(failures, missing):
    """1 when a check failed, 77 when nothing failed but a named file was missing, else 0."""
    for path in missing:
        print("SKIP %s does not exist (build it first)" % path)
    if failures:
        return 1
    return SKIPPED if missing else 0
