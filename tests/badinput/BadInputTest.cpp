// tests/badinput/BadInputTest.cpp - hostile manifests, InstallLogs, command lines and registry
// values: every run must end by itself with 0 or 1, show nothing in a silent run and change
// nothing beside the folders and keys that setup owns.
#include <gtest/gtest.h>
#include "badinput/BadInputSupport.h"
#include "support/E2eSupport.h"
#include "support/TestSupport.h"

using namespace badinput;

namespace {

const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Pixcap5.exe";
const char kVendorKey[] = "SOFTWARE\\Corvanta\\Pixorama 5";

class BadInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        WipeAll();
        m_canary.Plant();
    }
    void TearDown() override { WipeAll(); }

    // One silent run must end by itself with 0 or 1, show nothing and leave the canary alone.
    void ExpectQuietAndHarmless(const SRunOutcome& outcome, const std::string& label)
    {
        EXPECT_TRUE(outcome.started) << label;
        EXPECT_TRUE(outcome.ended) << label << ": " << Describe(outcome);
        EXPECT_TRUE(IsSaneExitCode(outcome.exitCode)) << label << ": " << Describe(outcome);
        EXPECT_TRUE(outcome.windows.empty()) << label << ": " << Describe(outcome);
        const std::string diff = m_canary.Compare();
        EXPECT_EQ("", diff) << label;
        if (!diff.empty())
            m_canary.Plant();
    }

    SRunOutcome InstallSilently(const std::string& package, const std::string& args = "-s")
    {
        return RunWatched(package + "\\setup.exe", args, package, false);
    }

    // From the drive's root: a current directory inside the folder would keep it from going.
    SRunOutcome Uninstall(const std::string& folder, const std::string& args = "-s")
    {
        return RunWatched(folder + "\\PixUnInst.exe", args, "C:\\", true);
    }

    CCanary m_canary;
};

TEST_F(BadInput, HostileManifestOverAnEarlierInstallationWithAHostileLog)
{
    for (const SVariant& variant : HostileLogs()) {
        const std::string package = MakePackage("pkg", &variant.bytes);
        MakeInstallation("dest", variant.bytes, true);
        ExpectQuietAndHarmless(InstallSilently(package), "manifest: " + variant.label);
        // The installer keeps to its folder: the subfolder of the earlier installation stays.
        EXPECT_TRUE(pixtest::FileExists(std::string(kScratch) + "\\dest\\sub\\inner.txt")) << variant.label;
        WipeAll();
        m_canary.Plant();
    }
}

TEST_F(BadInput, UninstallerOverAHostileInstallLog)
{
    for (const SVariant& variant : HostileLogs()) {
        const std::string folder = MakeInstallation("inst", variant.bytes, true);
        ExpectQuietAndHarmless(Uninstall(folder), "log: " + variant.label);
        // Folders are never deleted by file entries, wildcards or not.
        EXPECT_TRUE(pixtest::FileExists(folder + "\\sub\\inner.txt")) << variant.label;
        WipeAll();
        m_canary.Plant();
    }
}

TEST_F(BadInput, InstallLogAsInstallDotLogToo)
{
    // The older log name is undone first and never deleted by name; the same rules hold for it.
    const std::string folder = MakeInstallation("inst2", "", true);
    pixtest::WriteFileBytes(folder + "\\install.log", PrefixOperandMatrix());
    ExpectQuietAndHarmless(Uninstall(folder), "install.log matrix");
    EXPECT_TRUE(pixtest::FileExists(folder + "\\install.log"));
}

// A "Shell Link: " line of the earlier log that walks out of the Start menu with ".." would name
// the program group of the next installation, and its shortcuts and "Made Dir: " with it.
// Disabled while the installer still takes such a group (it puts the four shortcuts into
// C:\pixcanary); run with --gtest_also_run_disabled_tests.
TEST_F(BadInput, EarlierLogCannotMoveTheProgramGroupOutOfTheStartMenu)
{
    std::string up;
    for (int i = 0; i < 12; ++i)
        up += "..\\";
    const std::string log = "Shell Link: " + ProgramsFolder() + "\\" + up + "pixcanary\\Pixorama 5.lnk\r\n";
    const std::string package = MakePackage("pkg");
    MakeInstallation("dest", log, true);
    ExpectQuietAndHarmless(InstallSilently(package), "earlier group with ..");
}

TEST_F(BadInput, CommandLinesOfTheInstaller)
{
    const std::string package = MakePackage("pkg");
    const std::string longWord(30000, 'x');
    const struct {
        const char* label;
        std::string args;
    } cases[] = {
        {"30,000-character word", longWord + " -s"},
        {"many words", std::string(8000, ' ') + "a b c d \"e f\" g\\\\\" -s"},
        {"unbalanced quote before -s", "\"/S x -s"},
        {"quotes and backslashes", "\\\\\\\" \"\" \"\\\"\" -s"},
        {"-delself alone is an installation", "-install -delself -s"},
        {"close switch", "-install /S -s"},
    };
    for (const auto& c : cases) {
        const SRunOutcome outcome = InstallSilently(package, c.args);
        // An unbalanced quote may swallow the "-s": then the wizard is the one allowed window.
        if (outcome.wizardShown) {
            EXPECT_EQ(1u, outcome.windows.size()) << c.label << ": " << Describe(outcome);
            EXPECT_EQ("", m_canary.Compare()) << c.label;
        } else {
            ExpectQuietAndHarmless(outcome, c.label);
        }
        WipeInstalled();
        m_canary.Plant();
    }
}

// The second stage deletes the file its command line names and undoes the folder around it:
// a path that is no uninstaller of ours must not make it a deleter of other files.
TEST_F(BadInput, SecondStageWithPathsThatAreNoUninstaller)
{
    const std::string folder = MakeInstallation("stage2", "", false);
    const std::string copy = std::string(kScratch) + "\\stage2-copy.exe";
    ASSERT_TRUE(pixtest::CopyFileTo(folder + "\\PixUnInst.exe", copy));
    const std::string cases[] = {
        "-delself -s", "-delself \"\" -s", "-delself relative\\victim.txt -s",
        "-delself C:\\pixcanary\\victim.txt -s", "-delself C:\\windows\\notepad.exe -s",
        "-delself C:\\windows\\pixcanary-win.txt -s", "-delself C:\\pixcanary-root.txt -s",
        "-delself \\\\pixnohost\\share\\PixUnInst.exe -s", "-delself C:\\" + std::string(300, 'd') + "\\x.exe -s",
        "-delself \"C:\\pixcanary\\sub\\inner.txt\" -s",
    };
    for (const std::string& args : cases) {
        const SRunOutcome outcome = RunWatched(copy, args, "C:\\pixcanary", false);
        ExpectQuietAndHarmless(outcome, args.substr(0, 80));
        // Nothing was removed after an uninstallation was asked for: the exit code says so.
        EXPECT_EQ(1u, outcome.exitCode) << args.substr(0, 80);
    }
}

TEST_F(BadInput, RegistryValuesOfAnEarlierInstallation)
{
    const std::string package = MakePackage("pkg");
    const std::string chars259(259, 'v');
    const struct {
        const char* label;
        const char* key;
        const char* value;
        DWORD type;
        std::string data;
    } cases[] = {
        {"Path as DWORD", kVendorKey, "Path", REG_DWORD, std::string("\x78\x56\x34\x12", 4)},
        {"Path binary without zero", kVendorKey, "Path", REG_BINARY, "C:\\pixbad\\bin"},
        {"Path binary with zeros", kVendorKey, "Path", REG_BINARY, std::string("C:\\pix\0canary\0\0", 15)},
        {"Path of 259 bytes", kVendorKey, "Path", REG_BINARY, "C:\\" + chars259.substr(3)},
        {"Path of 260 bytes", kVendorKey, "Path", REG_SZ, "C:\\" + chars259.substr(3)},
        {"Path of 261 bytes", kVendorKey, "Path", REG_SZ, "C:\\" + chars259.substr(3) + "w"},
        {"Path multi-string", kVendorKey, "Path", REG_MULTI_SZ, std::string("C:\\pixbad\\m\0C:\\windows\0\0", 25)},
        {"Path the Windows folder", kVendorKey, "Path", REG_SZ, "C:\\windows"},
        {"Path a drive root", kVendorKey, "Path", REG_SZ, "C:\\"},
        {"Path a bare drive", kVendorKey, "Path", REG_SZ, "C:"},
        {"App Paths in the Windows folder", kAppPathsKey, "", REG_SZ, "C:\\windows\\Pixcap5.exe"},
        {"App Paths at a drive root", kAppPathsKey, "", REG_SZ, "C:\\Pixcap5.exe"},
        {"App Paths binary of 261 bytes", kAppPathsKey, "", REG_BINARY, std::string(261, '\\')},
    };
    for (const auto& c : cases) {
        HKEY hKey;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyA(HKEY_LOCAL_MACHINE, c.key, &hKey));
        std::string data = c.data;
        if (c.type == REG_SZ)
            data.push_back('\0');
        ::RegSetValueExA(hKey, c.value, 0, c.type, reinterpret_cast<const BYTE*>(data.data()),
                         static_cast<DWORD>(data.size()));
        ::RegCloseKey(hKey);
        ExpectQuietAndHarmless(InstallSilently(package), c.label);
        // What the run installed, wherever it went, is removed by its own uninstaller.
        std::string dest;
        if (e2e::ReadRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvanta\\Pixorama v.5", "Path", &dest) && !dest.empty() &&
            pixtest::FileExists(dest + "\\PixUnInst.exe")) {
            const SRunOutcome removal = Uninstall(dest);
            ExpectQuietAndHarmless(removal, std::string(c.label) + ", uninstalled");
            // The watch returns once the second stage has ended, so its work is done by now.
            EXPECT_FALSE(removal.followed.empty()) << c.label << ": no second stage was followed";
            EXPECT_FALSE(pixtest::FileExists(dest + "\\PixUnInst.log")) << c.label;
        }
        WipeInstalled();
        m_canary.Plant();
    }
}

}  // namespace
