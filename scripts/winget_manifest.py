#!/usr/bin/env python3
"""scripts/winget_manifest.py - the winget manifest set of a download, and its check.

  winget_manifest.py write DOWNLOAD VERSION INSTALLER-URL OUT-FOLDER
      writes OUT-FOLDER/manifests/c/Corvanta/Pixorama5/VERSION/ with the version, installer and
      default-locale manifests (manifest schema 1.6.0) and prints the folder.
  winget_manifest.py check FOLDER DOWNLOAD
      checks the three manifests against the fields that winget's manifest documentation names
      for schema 1.6.0 (required fields, types, patterns and value lists, as far as we use them)
      and against the download: its SHA-256, and the exit codes and switches of setup.

No published copy of the schema is offered by the package registries this project uses, so the
check holds the documented rules itself.
"""
import hashlib
import os
import re
import sys

import yaml

IDENTIFIER = "Corvanta.Pixorama5"
MANIFEST_VERSION = "1.6.0"
LOCALE = "hu-HU"
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")


def source_text(path):
    return open(os.path.join(SOURCE, path), encoding="utf-8").read()


def apps_entry():
    """The Apps entry as setup writes it, read from the code that writes it: its key name (the
    product code by which winget finds the installed package), publisher and DisplayVersion."""
    names = source_text(os.path.join("text", "ProductNames.h"))
    steps = source_text(os.path.join("install", "InstallSteps.cpp"))
    found = {
        "ProductCode": re.search(r'^#define PIX_UNINSTALL_ENTRY_NAME "([^"]+)"', names, re.M),
        "Publisher": re.search(r'kPublisherName\[\] = "([^"]+)"', names),
        "DisplayVersion": re.search(r'WriteString\(kUninstallKey, "DisplayVersion", "([^"]+)"\)', steps),
    }
    missing = [key for key, match in found.items() if not match]
    if missing:
        sys.exit("winget_manifest.py: the Apps entry's %s cannot be read from the sources "
                 "(text/ProductNames.h, install/InstallSteps.cpp)" % ", ".join(missing))
    return {key: match.group(1) for key, match in found.items()}


APPS_ENTRY = apps_entry()
PRODUCT_CODE = APPS_ENTRY["ProductCode"]
PUBLISHER = APPS_ENTRY["Publisher"]
# "-s" last: silent. "/S" from word 2 on: close running copies of Pixorama without asking, which
# an unattended installation cannot answer. "-install" fills word 1, where "/S" is not looked for.
SILENT_SWITCHES = "-install /S -s"
# setup's exit codes other than 0 (README, "Deployment"), each with the answer of winget's that
# says no more than the code does. 1 is a choice of the person's in the wizard as well as a
# damaged package: "cancelledByUser" would tell a damaged download as a choice, so it is
# "custom" (the installer's own code, explained at the URL).
EXIT_CODES = [
    (1, "custom",
     "nothing installed: running copies or the version question declined or the wizard cancelled "
     "(interactive), or the package or download damaged, or a path the code page cannot spell"),
    (2, "custom", "the installation folder, a package file or the InstallLog could not be written"),
    (3, "contactSupport", "the files are in place, but a registry value could not be written"),
]
# The uninstaller's first stage, which winget runs through the Apps entry's QuietUninstallString.
# Schema 1.6.0 maps only the installer's codes (ExpectedReturnCodes), and winget counts a removal
# as done on 0 alone, which is what these codes need: they stand in the manifest as comments.
UNINSTALL_CODES = [
    (0, "removed"),
    (1, "nothing removed: the uninstaller named is no copy of the program, or its folder lies "
        "behind an untrusted link, or its path cannot be spelled"),
    (4, "nothing removed: the second stage could not be started"),
    (5, "the second stage ended without telling its outcome (killed, crashed)"),
]


def sha256_of(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest().upper()


def maker_addresses():
    header = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "text", "MakerAddresses.h")
    found = dict(re.findall(r'^#define (PIX_MAKER_\w+) "([^"]*)"', open(header).read(), re.M))
    return found["PIX_MAKER_HOME_PAGE"], found["PIX_MAKER_WEB_SERVER"]


def quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def manifest_folder(out, version):
    return os.path.join(out, "manifests", "c", "Corvanta", "Pixorama5", version)


def write(download, version, url, out):
    home_page, web_server = maker_addresses()
    folder = manifest_folder(out, version)
    os.makedirs(folder, exist_ok=True)
    head = "PackageIdentifier: %s\nPackageVersion: %s\n" % (IDENTIFIER, version)
    tail = "ManifestVersion: %s\n" % MANIFEST_VERSION
    codes = "".join("  # %s\n  - InstallerReturnCode: %d\n    ReturnResponse: %s\n    ReturnResponseUrl: %s\n"
                    % (meaning, code, response, home_page) for code, response, meaning in EXIT_CODES)
    removal = ("# The removal (the Apps entry's QuietUninstallString) ends with these codes, which schema\n"
               "# %s cannot map (ExpectedReturnCodes are the installer's); winget takes 0 alone as done:\n"
               % MANIFEST_VERSION + "".join("#   %d: %s\n" % (code, meaning) for code, meaning in UNINSTALL_CODES))
    files = {
        IDENTIFIER + ".yaml": head + "DefaultLocale: %s\nManifestType: version\n" % LOCALE + tail,
        IDENTIFIER + ".installer.yaml": head +
        "MinimumOSVersion: 5.1.2600.0\n"
        "InstallerType: exe\n"
        "Scope: machine\n"
        "InstallModes:\n  - interactive\n  - silent\n  - silentWithProgress\n"
        "InstallerSwitches:\n  Silent: %s\n  SilentWithProgress: %s\n" % (quoted(SILENT_SWITCHES), quoted(SILENT_SWITCHES)) +
        "ExpectedReturnCodes:\n" + codes +
        "UpgradeBehavior: install\n"
        # The download's manifest asks Windows for administrator rights itself.
        "ElevationRequirement: elevatesSelf\n"
        "ProductCode: %s\n" % quoted(PRODUCT_CODE) +
        # The installed version that winget reads is the Apps entry's DisplayVersion: mapped
        # to this package version, or every upgrade would find the product out of date again.
        "AppsAndFeaturesEntries:\n  - DisplayName: %s\n    Publisher: %s\n    DisplayVersion: %s\n"
        "    ProductCode: %s\n"
        % (quoted(PRODUCT_CODE), quoted(PUBLISHER), quoted(APPS_ENTRY["DisplayVersion"]), quoted(PRODUCT_CODE)) +
        removal +
        "Installers:\n  - Architecture: x86\n    InstallerUrl: %s\n    InstallerSha256: %s\n"
        % (url, sha256_of(download)) +
        "ManifestType: installer\n" + tail,
        IDENTIFIER + ".locale.%s.yaml" % LOCALE: head +
        "PackageLocale: %s\nPublisher: %s\nPublisherUrl: %s\nPackageName: Pixorama 5\nPackageUrl: %s\n"
        "License: Proprietary\nShortDescription: Képernyőfelvevő program\nManifestType: defaultLocale\n"
        % (LOCALE, quoted(PUBLISHER), web_server, home_page) + tail,
    }
    for name, text in files.items():
        with open(os.path.join(folder, name), "w", encoding="utf-8", newline="\n") as f:
            f.write("# Written by scripts/release.sh (winget manifest schema %s).\n" % MANIFEST_VERSION + text)
    print(folder)


# The documented rules, for the fields we write.
IDENTIFIER_RE = r'^[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}(\.[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}){1,7}$'
VERSION_RE = r'^[^\\/:\*\?"<>\|\x01-\x1f]+$'
MANIFEST_VERSION_RE = r'^\d+\.\d+\.\d+$'
URL_RE = r'^([Hh][Tt][Tt][Pp][Ss]?)://.+$'
SHA256_RE = r'^[A-Fa-f0-9]{64}$'
LOCALE_RE = r'^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$'
RETURN_RESPONSES = {"packageInUse", "packageInUseByApplication", "installInProgress", "fileInUse",
                    "missingDependency", "diskFull", "insufficientMemory", "invalidParameter",
                    "noNetwork", "contactSupport", "rebootRequiredToFinish", "rebootRequiredForInstall",
                    "rebootInitiated", "cancelledByUser", "alreadyInstalled", "downgrade",
                    "blockedByPolicy", "systemNotSupported", "custom"}
INSTALLER_TYPES = {"msix", "msi", "appx", "exe", "zip", "inno", "nullsoft", "wix", "burn", "pwa", "portable"}


class Checker:
    def __init__(self):
        self.faults = []

    def require(self, manifest, name, fields):
        for field in fields:
            if field not in manifest:
                self.faults.append("%s: %s is missing" % (name, field))

    def match(self, name, field, value, pattern, max_length=None):
        if not isinstance(value, str) or not re.match(pattern, value):
            self.faults.append("%s: %s = %r does not match %s" % (name, field, value, pattern))
        elif max_length and len(value) > max_length:
            self.faults.append("%s: %s is longer than %d" % (name, field, max_length))

    def one_of(self, name, field, value, allowed):
        if value not in allowed:
            self.faults.append("%s: %s = %r is none of %s" % (name, field, value, sorted(allowed)))

    def text(self, name, field, value, min_length, max_length):
        if not isinstance(value, str) or not min_length <= len(value) <= max_length:
            self.faults.append("%s: %s = %r is no text of %d to %d characters"
                               % (name, field, value, min_length, max_length))

    def equal(self, name, field, value, expected):
        if value != expected:
            self.faults.append("%s: %s = %r, expected %r" % (name, field, value, expected))


def check_common(c, name, m, manifest_type):
    c.require(m, name, ["PackageIdentifier", "PackageVersion", "ManifestType", "ManifestVersion"])
    c.match(name, "PackageIdentifier", m.get("PackageIdentifier"), IDENTIFIER_RE, 128)
    c.match(name, "PackageVersion", m.get("PackageVersion"), VERSION_RE, 128)
    c.match(name, "ManifestVersion", m.get("ManifestVersion"), MANIFEST_VERSION_RE)
    c.equal(name, "ManifestType", m.get("ManifestType"), manifest_type)


def check_installer(c, name, m, download):
    c.require(m, name, ["Installers"])
    c.one_of(name, "InstallerType", m.get("InstallerType"), INSTALLER_TYPES)
    c.one_of(name, "Scope", m.get("Scope"), {"user", "machine"})
    c.one_of(name, "ElevationRequirement", m.get("ElevationRequirement"),
             {"elevationRequired", "elevationProhibited", "elevatesSelf"})
    c.one_of(name, "UpgradeBehavior", m.get("UpgradeBehavior"), {"install", "uninstallPrevious"})
    for mode in m.get("InstallModes") or []:
        c.one_of(name, "InstallModes", mode, {"interactive", "silent", "silentWithProgress"})
    switches = m.get("InstallerSwitches") or {}
    for key in ("Silent", "SilentWithProgress"):
        c.equal(name, "InstallerSwitches." + key, switches.get(key), SILENT_SWITCHES)
    c.equal(name, "ProductCode", m.get("ProductCode"), PRODUCT_CODE)
    codes = m.get("ExpectedReturnCodes") or []
    for entry in codes:
        code = entry.get("InstallerReturnCode")
        if not isinstance(code, int) or code == 0 or not -2147483648 <= code <= 4294967295:
            c.faults.append("%s: InstallerReturnCode %r is no non-zero 32-bit code" % (name, code))
        c.one_of(name, "ReturnResponse", entry.get("ReturnResponse"), RETURN_RESPONSES)
        if "ReturnResponseUrl" in entry:
            c.match(name, "ReturnResponseUrl", entry["ReturnResponseUrl"], URL_RE, 2048)
    c.equal(name, "ExpectedReturnCodes", [(e.get("InstallerReturnCode"), e.get("ReturnResponse")) for e in codes],
            [(code, response) for code, response, _ in EXIT_CODES])
    c.equal(name, "ExpectedReturnCodes (setup's codes other than 0 in README)",
            [code for code, _, _ in EXIT_CODES], readme_codes("`setup.exe`"))
    check_apps_entries(c, name, m.get("AppsAndFeaturesEntries"))
    installers = m.get("Installers") or []
    if len(installers) != 1:
        c.faults.append("%s: %d installers, expected the one download" % (name, len(installers)))
    for installer in installers:
        c.require(installer, name + " installer", ["Architecture", "InstallerUrl", "InstallerSha256"])
        c.one_of(name, "Architecture", installer.get("Architecture"), {"x86", "x64", "arm", "arm64", "neutral"})
        c.match(name, "InstallerUrl", installer.get("InstallerUrl"), URL_RE, 2048)
        c.match(name, "InstallerSha256", installer.get("InstallerSha256"), SHA256_RE)
        c.equal(name, "InstallerSha256", str(installer.get("InstallerSha256")).upper(), sha256_of(download))


def readme_codes(program):
    """The codes other than 0 of one program's rows in README's exit-code table: from the row
    that names the program to the next row that names another."""
    codes, inside = [], False
    for line in source_text("README.md").splitlines():
        cells = [cell.strip() for cell in line.split("|")[1:-1]] if line.startswith("|") else []
        if len(cells) != 3:
            inside = False
            continue
        if cells[0]:
            inside = cells[0].startswith(program)
        if inside and cells[1].isdigit() and int(cells[1]) != 0:
            codes.append(int(cells[1]))
    return codes


def check_apps_entries(c, name, entries):
    if not isinstance(entries, list) or not 1 <= len(entries) <= 128:
        c.faults.append("%s: AppsAndFeaturesEntries = %r is no list of 1 to 128 entries" % (name, entries))
        return
    for entry in entries:
        for field, longest in (("DisplayName", 256), ("Publisher", 256), ("DisplayVersion", 128),
                               ("ProductCode", 255), ("UpgradeCode", 255)):
            if field in entry:
                c.text(name, "AppsAndFeaturesEntries." + field, entry[field], 1, longest)
        if "InstallerType" in entry:
            c.one_of(name, "AppsAndFeaturesEntries.InstallerType", entry["InstallerType"], INSTALLER_TYPES)
    # One entry, the one setup writes: winget reads the installed version from its DisplayVersion.
    c.equal(name, "AppsAndFeaturesEntries", [{k: e.get(k) for k in ("ProductCode", "Publisher", "DisplayVersion")}
                                             for e in entries],
            [{k: APPS_ENTRY[k] for k in ("ProductCode", "Publisher", "DisplayVersion")}])


def show_mapping(installer):
    """What winget learns from the manifests, as the release check shows it."""
    version = installer.get("PackageVersion")
    for entry in installer.get("AppsAndFeaturesEntries") or []:
        print("mapping: Apps entry %r with DisplayVersion %r -> package version %s"
              % (entry.get("ProductCode"), entry.get("DisplayVersion"), version))
    meanings = {code: meaning for code, _, meaning in EXIT_CODES}
    for entry in installer.get("ExpectedReturnCodes") or []:
        code = entry.get("InstallerReturnCode")
        print("mapping: setup exit code %s -> %s (%s)" % (code, entry.get("ReturnResponse"), meanings.get(code, "?")))
    for code, meaning in UNINSTALL_CODES:
        print("mapping: removal exit code %d -> %s (%s)"
              % (code, "success" if code == 0 else "failure, no schema field for its meaning", meaning))


def check(folder, download):
    c = Checker()
    names = {"version": IDENTIFIER + ".yaml", "installer": IDENTIFIER + ".installer.yaml",
             "defaultLocale": IDENTIFIER + ".locale.%s.yaml" % LOCALE}
    manifests = {}
    for kind, name in names.items():
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            c.faults.append("%s is missing" % name)
            continue
        manifests[kind] = yaml.safe_load(open(path, encoding="utf-8"))
        check_common(c, name, manifests[kind], kind)
    if "version" in manifests:
        c.match(names["version"], "DefaultLocale", manifests["version"].get("DefaultLocale"), LOCALE_RE, 20)
    if "installer" in manifests:
        check_installer(c, names["installer"], manifests["installer"], download)
    if "defaultLocale" in manifests:
        m = manifests["defaultLocale"]
        name = names["defaultLocale"]
        c.require(m, name, ["PackageLocale", "Publisher", "PackageName", "License", "ShortDescription"])
        c.match(name, "PackageLocale", m.get("PackageLocale"), LOCALE_RE, 20)
        for field in ("PublisherUrl", "PackageUrl"):
            if field in m:
                c.match(name, field, m[field], URL_RE, 2048)
    versions = {m.get("PackageVersion") for m in manifests.values()}
    if len(versions) > 1:
        c.faults.append("the manifests name different versions: %s" % sorted(map(str, versions)))
    if "installer" in manifests:
        show_mapping(manifests["installer"])
    for fault in c.faults:
        print("FAIL " + fault)
    print("winget manifests in %s: %d fault(s)" % (folder, len(c.faults)))
    return 1 if c.faults else 0


def main(argv):
    if len(argv) == 6 and argv[1] == "write":
        write(argv[2], argv[3], argv[4], argv[5])
        return 0
    if len(argv) == 4 and argv[1] == "check":
        return check(argv[2], argv[3])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
