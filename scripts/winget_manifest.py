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
# The Apps entry's key name is the product code by which winget finds the installed package.
PRODUCT_CODE = "Pixorama 5"
PUBLISHER = "Corvanta Technology LLC"
# "-s" last: silent. "/S" from word 2 on: close running copies of Pixorama without asking, which
# an unattended installation cannot answer. "-install" fills word 1, where "/S" is not looked for.
SILENT_SWITCHES = "-install /S -s"
# setup's exit codes other than 0 (README, "Deployment"), with the nearest answer winget knows.
EXIT_CODES = [
    (1, "cancelledByUser",
     "nothing installed: running copies or the version question declined, the wizard cancelled, "
     "or the package damaged"),
    (2, "custom", "the installation folder, a package file or the InstallLog could not be written"),
    (3, "custom", "the files are in place, but a registry value could not be written"),
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
        "AppsAndFeaturesEntries:\n  - DisplayName: %s\n    Publisher: %s\n    ProductCode: %s\n"
        % (quoted(PRODUCT_CODE), quoted(PUBLISHER), quoted(PRODUCT_CODE)) +
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
    c.equal(name, "ExpectedReturnCodes", [e.get("InstallerReturnCode") for e in codes],
            [code for code, _, _ in EXIT_CODES])
    installers = m.get("Installers") or []
    if len(installers) != 1:
        c.faults.append("%s: %d installers, expected the one download" % (name, len(installers)))
    for installer in installers:
        c.require(installer, name + " installer", ["Architecture", "InstallerUrl", "InstallerSha256"])
        c.one_of(name, "Architecture", installer.get("Architecture"), {"x86", "x64", "arm", "arm64", "neutral"})
        c.match(name, "InstallerUrl", installer.get("InstallerUrl"), URL_RE, 2048)
        c.match(name, "InstallerSha256", installer.get("InstallerSha256"), SHA256_RE)
        c.equal(name, "InstallerSha256", str(installer.get("InstallerSha256")).upper(), sha256_of(download))


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
