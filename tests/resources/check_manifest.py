# tests/resources/check_manifest.py - reads the application manifest back out of setup.exe as a
# file (the shipped i686 build cannot be run on this machine) and checks what Windows reads in
# it before the program starts: elevation, supported systems, common controls, DPI awareness.
# Usage: check_manifest.py [--common-controls-6] <machine> <setup.exe> [<machine> <other setup.exe>]
#   machine is i386 or amd64. With two programs, their manifests must also be identical.
#   --common-controls-6: the dependency on common controls 6 must be there (else it must not).
# Exit code: 0 all checks passed, 1 a check failed, 77 a named file is missing (skipped).
import os
import sys
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from pefile import MACHINES, Failures, PeFile  # noqa: E402

RT_MANIFEST = 24
CREATEPROCESS_MANIFEST_RESOURCE_ID = 1
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT_V1 = "{urn:schemas-microsoft-com:compatibility.v1}"
# Vista, 7, 8, 8.1, 10 and 11 (one id for the last two).
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
}
COMMON_CONTROLS = {"type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
                   "processorArchitecture": "*", "publicKeyToken": "6595b64144ccf1df", "language": "*"}
ASM_V3_APP = ASM_V3 + "application/" + ASM_V3 + "windowsSettings/"
# Per-monitor awareness: the newer element for Windows 10 (version 2, then the first form), the
# older one for 8.1 and before. Either alone would leave some systems stretching the wizard.
DPI_SETTINGS = {
    "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware": "true/pm",
    "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}dpiAwareness": "permonitorv2,permonitor",
}


def check_elevation(root, f):
    levels = root.findall("%strustInfo/%ssecurity/%srequestedPrivileges/%srequestedExecutionLevel"
                          % (ASM_V3, ASM_V3, ASM_V3, ASM_V3))
    if f.check(len(levels) == 1, "one requestedExecutionLevel under trustInfo (asm.v3), found %d" % len(levels)):
        f.check(levels[0].get("level") == "requireAdministrator", "level %r" % levels[0].get("level"))
        f.check(levels[0].get("uiAccess") == "false", "uiAccess %r" % levels[0].get("uiAccess"))


def check_supported_os(root, f):
    ids = [e.get("Id", "").lower() for e in root.iter(COMPAT_V1 + "supportedOS")]
    f.check(len(ids) == len(set(ids)), "supportedOS ids repeat: %r" % ids)
    f.check(set(ids) == SUPPORTED_OS, "supportedOS missing %r, unexpected %r"
            % (sorted(SUPPORTED_OS - set(ids)), sorted(set(ids) - SUPPORTED_OS)))
    apps = root.findall("%scompatibility/%sapplication" % (COMPAT_V1, COMPAT_V1))
    f.check(len(apps) == 1, "one compatibility/application element, found %d" % len(apps))


def check_common_controls(root, f, wanted):
    found = [e.attrib for e in root.iter(ASM_V1 + "assemblyIdentity")
             if e.get("name") == COMMON_CONTROLS["name"]]
    if not wanted:
        f.check(not found, "common controls dependency present: %r" % found)
        return
    under_dependency = root.findall("%sdependency/%sdependentAssembly/%sassemblyIdentity" % (ASM_V1, ASM_V1, ASM_V1))
    f.check([e.attrib for e in under_dependency] == [COMMON_CONTROLS],
            "dependency on common controls 6: %r" % [e.attrib for e in under_dependency])


def check_manifest(text, f, want_common_controls):
    try:
        root = ET.fromstring(text)
    except ET.ParseError as e:
        f.check(False, "manifest is not well-formed XML: %s" % e)
        return
    f.check(root.tag == ASM_V1 + "assembly" and root.get("manifestVersion") == "1.0",
            "root element %s manifestVersion %r" % (root.tag, root.get("manifestVersion")))
    own = root.findall(ASM_V1 + "assemblyIdentity")
    f.check(len(own) == 1 and all(own[0].get(a) for a in ("type", "name", "version")),
            "one assemblyIdentity of our own with type, name and version")
    check_elevation(root, f)
    check_supported_os(root, f)
    check_common_controls(root, f, want_common_controls)
    check_dpi_awareness(root, f)


def check_dpi_awareness(root, f):
    anywhere = [e.tag for e in root.iter() if e.tag.rsplit("}", 1)[-1] in ("dpiAware", "dpiAwareness")]
    f.check(len(anywhere) == len(DPI_SETTINGS), "one of each DPI element, found %r" % anywhere)
    for tag, wanted in DPI_SETTINGS.items():
        # Windows reads them only in their own namespaces under application/windowsSettings (asm.v3).
        found = root.findall(ASM_V3_APP + tag)
        value = "".join((found[0].text or "").split()).lower() if len(found) == 1 else None
        f.check(value == wanted, "%s under application/windowsSettings: %r, expected %r" % (tag, value, wanted))


def read_manifest(machine, path, f):
    try:
        with open(path, "rb") as fh:
            pe = PeFile(fh.read())
    except ValueError as e:
        f.check(False, str(e))
        return None
    f.check(pe.machine == MACHINES[machine], "machine 0x%x, expected %s" % (pe.machine, machine))
    manifests = pe.resources().get(RT_MANIFEST, {})
    # A second manifest (another id, another language) would leave it to the loader which counts.
    if not f.check(list(manifests) == [CREATEPROCESS_MANIFEST_RESOURCE_ID] and
                   len(manifests[CREATEPROCESS_MANIFEST_RESOURCE_ID]) == 1,
                   "exactly one manifest, id 1 in one language: %r" % {k: len(v) for k, v in manifests.items()}):
        return None
    return next(iter(manifests[CREATEPROCESS_MANIFEST_RESOURCE_ID].values()))


def main(argv):
    want_common_controls = "--common-controls-6" in argv
    args = [a for a in argv[1:] if not a.startswith("--")]
    if len(args) not in (2, 4) or any(m not in MACHINES for m in args[0::2]):
        print("usage: check_manifest.py [--common-controls-6] <machine> <setup.exe> [<machine> <setup.exe>]")
        return 2
    builds = list(zip(args[0::2], args[1::2]))
    for _, path in builds:
        try:
            open(path, "rb").close()
        except OSError:
            print("SKIP %s is missing" % path)
            return 77
    failed = 0
    texts = []
    for machine, path in builds:
        f = Failures(machine)
        text = read_manifest(machine, path, f)
        if text is not None:
            check_manifest(text, f, want_common_controls)
            texts.append(text)
        failed += f.count
    if len(texts) == 2 and texts[0] != texts[1]:
        print("FAIL the two builds carry different manifests")
        failed += 1
    print("%s: %d failure(s)" % ("FAILED" if failed else "OK", failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
