// tests/badinput/ElevatedRunTest.cpp - what a user without administrator rights can put in the
// way of setup, which runs with them: shell folders, the program group and logged folders turned
// into links to folders of the user's choosing; and the uninstaller started through other
// spellings of its path, or in a way that leaves nothing removed, which must then say so.
#include <gtest/gtest.h>
#include <algorithm>
#include <cctype>
#include <vector>
#include "badinput/BadInputSupport.h"
#include "support/E2eSupport.h"
#include "support/TestSupport.h"

using namespace badinput;
using pixtest::FileExists;

namespace {

const char kUserShellFolders[] = "S-1-5-21-9-9-9-1201\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUserHive[] = "S-1-5-21-9-9-9-1201";
const char kRefused[] = u8"A Pixorama 5 eltávolítása megszakadt, semmi sem lett eltávolítva a gépről. Kérjük indítsa "
                        u8"újra az eltávolítást.";
// Longer than 8.3, so that the folder has a short name of its own.
const char kFormsName[] = "spelling forms";

std::string ShortPath(const std::string& path)
{
    char buffer[MAX_PATH] = "";
    const DWORD n = ::GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return (n > 0 && n < MAX_PATH) ? std::string(buffer, n) : std::string();
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

class ElevatedRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        WipeAll();
        // Beside the usual canary: a program group with a shortcut, a shortcut of the fixed
        // name and an empty folder, which Wine removes when asked to remove a link to it.
        ASSERT_TRUE(::CreateDirectoryA(kCanaryFolder, NULL));
        for (const char* pszFolder : {"\\Pixorama 5", "\\hollow"})
            ASSERT_TRUE(::CreateDirectoryA((std::string(kCanaryFolder) + pszFolder).c_str(), NULL));
        for (const char* pszFile : {"\\Pixorama 5.lnk", "\\Pixorama 5\\Pixorama 5.lnk"})
            ASSERT_TRUE(pixtest::WriteFileBytes(kCanaryFolder + std::string(pszFile), "canary"));
        m_canary.Plant();
        ::CreateDirectoryA(kScratch, NULL);
    }
    void TearDown() override
    {
        // A link whose folder a faulty run removed is no longer seen by Wine, so no tree walk
        // would find it; each goes by name.
        for (const std::string& link : m_links)
            pixtest::RemoveLink(link);
        e2e::DeleteRegTree(HKEY_USERS, kUserHive);
        WipeAll();
    }

    void Link(const std::string& link, const std::string& target)
    {
        m_links.push_back(link);
        ASSERT_EQ("", pixtest::MakeFolderLink(link, target));
    }

    // The log of an installation whose shortcuts and folders a user has moved behind links.
    std::string LogThroughLinks()
    {
        const std::string logLink = std::string(kScratch) + "\\loglink";
        const std::string hollowLink = std::string(kScratch) + "\\hollowlink";
        Link(logLink, kCanaryFolder);
        Link(hollowLink, std::string(kCanaryFolder) + "\\hollow");
        return "Shell Link: " + logLink + "\\Pixorama 5.lnk\r\n"
               "Shell Link: " + logLink + "\\Pixorama 5\\Pixorama 5.lnk\r\n"
               "Made Dir: " + logLink + "\\hollow\r\n"
               "Made Dir: " + logLink + "\\Pixorama 5\r\n"
               "Made Dir: " + logLink + "\r\n"
               "Made Dir: " + hollowLink + "\r\n";
    }

    void ExpectHarmless(const SRunOutcome& outcome, const std::string& label)
    {
        EXPECT_TRUE(outcome.ended) << label << ": " << Describe(outcome);
        EXPECT_EQ("", m_canary.Compare()) << label;
    }

    // The installation's uninstaller and log are gone: the second stage did its work.
    void ExpectUninstalled(const std::string& folder, const SRunOutcome& outcome, const std::string& label)
    {
        EXPECT_TRUE(outcome.ended) << label << ": " << Describe(outcome);
        EXPECT_EQ(0u, outcome.exitCode) << label << ": " << Describe(outcome);
        EXPECT_FALSE(FileExists(folder + "\\PixUnInst.exe")) << label;
        EXPECT_FALSE(FileExists(folder + "\\PixUnInst.log")) << label;
        EXPECT_TRUE(FileExists(folder + "\\users-own.txt")) << label;
    }

    // A stand-in for the temporary copy that the first stage starts.
    std::string MakeSecondStageCopy(const std::string& folder)
    {
        const std::string copy = std::string(kScratch) + "\\stage2-copy.exe";
        EXPECT_TRUE(pixtest::CopyFileTo(folder + "\\PixUnInst.exe", copy));
        return copy;
    }

    CCanary m_canary;
    std::vector<std::string> m_links;
};

}  // namespace

// Every profile's shell folders, the current user's program group and the logged folders point
// into the canary; the uninstallation still runs to its end.
TEST_F(ElevatedRun, UninstallerLeavesWhatLiesBehindLinksWhole)
{
    const std::string folder = MakeInstallation("inst", LogThroughLinks(), true);
    const std::string profileLink = std::string(kScratch) + "\\profilelink";
    Link(profileLink, kCanaryFolder);
    for (const char* pszName : {"Programs", "Desktop", "Startup"})
        ASSERT_TRUE(e2e::WriteRegText(HKEY_USERS, kUserShellFolders, pszName, profileLink));
    Link(ProgramsFolder() + "\\Pixorama 5", std::string(kCanaryFolder) + "\\Pixorama 5");

    const SRunOutcome outcome = RunWatched(folder + "\\PixUnInst.exe", "-s", "C:\\", true);
    ExpectHarmless(outcome, "uninstaller");
    ExpectUninstalled(folder, outcome, "uninstaller");
    EXPECT_TRUE(outcome.windows.empty()) << Describe(outcome);
}

TEST_F(ElevatedRun, InstallerOverAnEarlierLogThroughLinksLeavesThemWhole)
{
    const std::string package = MakePackage("pkg");
    MakeInstallation("dest", LogThroughLinks(), true);
    const SRunOutcome outcome = RunWatched(package + "\\setup.exe", "-s", package, false);
    ExpectHarmless(outcome, "installer");
    EXPECT_EQ(0u, outcome.exitCode) << Describe(outcome);
    EXPECT_TRUE(outcome.windows.empty()) << Describe(outcome);
}

// The first stage passes on the path it was started by; every spelling of the installed
// uninstaller's path is that uninstaller.
TEST_F(ElevatedRun, SecondStageTakesEverySpellingOfTheUninstallersPath)
{
    const struct {
        const char* label;
        std::string (*spell)(const std::string& folder);
    } cases[] = {
        {"8.3 name", [](const std::string& f) { return ShortPath(f + "\\PixUnInst.exe"); }},
        {"8.3 folder", [](const std::string& f) { return ShortPath(f) + "\\PixUnInst.exe"; }},
        {"letter case", [](const std::string& f) { return Upper(f) + "\\pixuninst.EXE"; }},
        {"slashes", [](const std::string& f) {
             std::string path = f + "/PixUnInst.exe";
             std::replace(path.begin(), path.end(), '\\', '/');
             return path;
         }},
        {"dot parts", [](const std::string& f) { return f + "\\..\\" + kFormsName + "\\.\\PixUnInst.exe"; }},
    };
    for (const auto& c : cases) {
        const std::string folder = MakeInstallation(kFormsName, "File Copy: Pixcap5.exe\r\n", false);
        const std::string spelled = c.spell(folder);
        ASSERT_TRUE(FileExists(spelled)) << c.label << ": " << spelled;
        const std::string copy = MakeSecondStageCopy(folder);
        const SRunOutcome outcome = RunWatched(copy, "-delself \"" + spelled + "\" -s", "C:\\", false);
        ExpectUninstalled(folder, outcome, std::string(c.label) + ": " + spelled);
        EXPECT_FALSE(FileExists(folder + "\\Pixcap5.exe")) << c.label;
        EXPECT_EQ("", m_canary.Compare()) << c.label;
    }
}

// Where nothing is removed after the user asked for it, the run says so: a box of ours when
// interactive, exit code 1 when silent. A copy of the uninstaller refused for the link (Wine's
// links are the user's) is the uninstaller's temporary copy all the same, and goes at the next
// system start; one that names no uninstaller does not delete itself.
TEST_F(ElevatedRun, ARunThatRemovesNothingSaysSo)
{
    const std::string folder = MakeInstallation("kept", "", false);
    const std::string copy = MakeSecondStageCopy(folder);
    const std::string instLink = std::string(kScratch) + "\\instlink";
    Link(instLink, folder);
    const struct {
        const char* label;
        std::string args;
        bool copyGoes;
    } cases[] = {
        {"no uninstaller", "-delself C:\\pixcanary\\victim.txt", false},
        {"installation behind a link", "-delself " + instLink + "\\PixUnInst.exe", true},
    };
    for (const auto& c : cases) {
        e2e::ForgetPendingDeletions();
        for (const bool silent : {true, false}) {
            const std::string label = std::string(c.label) + (silent ? ", silent" : ", interactive");
            const SRunOutcome outcome = RunWatched(copy, c.args + (silent ? " -s" : ""), "C:\\", false);
            ExpectHarmless(outcome, label);
            EXPECT_EQ(1u, outcome.exitCode) << label << ": " << Describe(outcome);
            const std::vector<std::string> expected =
                silent ? std::vector<std::string>{} : std::vector<std::string>{std::string("message: ") + kRefused};
            EXPECT_EQ(expected, outcome.windows) << label;
            EXPECT_TRUE(FileExists(folder + "\\PixUnInst.exe")) << label;
            EXPECT_TRUE(FileExists(folder + "\\PixUnInst.log")) << label;
        }
        const std::string pending = e2e::PendingDeletions();
        EXPECT_EQ(c.copyGoes, Upper(pending).find(Upper(copy)) != std::string::npos) << c.label << ": " << pending;
    }
}

// The first stage cannot make its temporary copy: after Yes the user is told; the exit code is 4
// either way.
TEST_F(ElevatedRun, FirstStageWithoutATemporaryFolderSaysSo)
{
    const std::string folder = MakeInstallation("notemp", "", true);
    SRunOutcome silent, asked;
    {
        // Elevated, the copy goes into the Windows folder's Temp, whatever TMP and TEMP say.
        e2e::CWindowsTempBlocked blocked;
        ASSERT_TRUE(blocked.IsInForce());
        silent = RunWatched(folder + "\\PixUnInst.exe", "-s", "C:\\", true);
        asked = RunWatched(folder + "\\PixUnInst.exe", "", "C:\\", true, kRunTimeoutMs, true);
    }

    EXPECT_TRUE(silent.ended && silent.windows.empty()) << Describe(silent);
    EXPECT_EQ(4u, silent.exitCode) << Describe(silent);
    EXPECT_TRUE(asked.ended) << Describe(asked);
    EXPECT_EQ(4u, asked.exitCode) << Describe(asked);
    ASSERT_EQ(2u, asked.windows.size()) << Describe(asked);
    EXPECT_EQ(std::string("message: ") + kRefused, asked.windows[1]);
    EXPECT_TRUE(FileExists(folder + "\\PixUnInst.log"));
    EXPECT_EQ("", m_canary.Compare());
}
