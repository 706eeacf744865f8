// tests/install_e2e/InstallStepsTest.cpp - the install steps in process, with choices that a
// silent run never makes: odd group names, the current user's folders, the start-up shortcut
// without the desktop one, and the settings file beside the package.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <sddl.h>
#include "install/InstallState.h"
#include "install/InstallSteps.h"
#include "platform/DesktopShell.h"
#include "support/E2eSupport.h"
#include "support/TestSupport.h"

using namespace e2e;
using pixtest::FileExists;
using pixtest::FolderExists;

namespace {

class InstallSteps : public ::testing::Test {
protected:
    void SetUp() override
    {
        WipeInstallation();
        _putenv("sfxname=");
        m_package = CopyPackage("steps-pkg");
        InstallChoices = InstallChoicesRecord();
        InstallChoices.sourceFolder = m_package;
        InstallChoices.destinationFolder = DefaultInstallFolder();
        InstallChoices.freshInstall = 1;
    }
    void TearDown() override { WipeInstallation(); }

    std::vector<std::string> LinesAfterManifest()
    {
        const std::vector<std::string> log = ReadLines(DefaultInstallFolder() + "\\PixUnInst.log");
        const size_t manifestLines = ReadLines(m_package + "\\PixUnInst.log").size();
        if (log.size() < manifestLines)
            return {};
        return std::vector<std::string>(log.begin() + static_cast<long>(manifestLines), log.end());
    }

    std::string m_package;
};

}  // namespace

TEST_F(InstallSteps, NestedGroupNameIsNormalisedAndOnlyTheInnerFolderLogged)
{
    InstallChoices.programGroupName = " /Tools/Pixorama 5/";
    InstallChoices.desktopIcon = 0;
    EXPECT_EQ(PerformInstallSteps(), 0);

    const std::string programs = ShellFolder(false, "Programs");
    const std::string group = programs + "\\Tools\\Pixorama 5";
    EXPECT_EQ(InstallChoices.programGroupName, "Tools\\Pixorama 5");
    EXPECT_TRUE(FolderExists(programs + "\\Tools"));
    EXPECT_TRUE(FolderExists(group));
    const std::vector<std::string> expected = {
        "", "Made Dir: " + group, "Shell Link: " + group + "\\" + kLinkProgram, "Shell Link: " + group + "\\" + kLinkHelp,
        "Shell Link: " + group + "\\" + kLinkReadme, "Shell Link: " + group + "\\" + kLinkUninstall,
    };
    EXPECT_EQ(LinesAfterManifest(), expected);
    EXPECT_EQ(ShortcutTarget(group + "\\" + kLinkHelp), DefaultInstallFolder() + "\\Pixcap5Man.chm");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "AllUsers"), "A");
    // No "sfxname": the settings file lying in the source folder is not taken.
    EXPECT_FALSE(FileExists(DefaultInstallFolder() + "\\Pixcap5.ini"));
}

TEST_F(InstallSteps, EmptyGroupNamePutsTheLinksIntoTheProgramsFolderAndStartUpWithoutDesktop)
{
    InstallChoices.programGroupName = "  / \\ ";
    InstallChoices.desktopIcon = 0;
    InstallChoices.startWithWindows = 1;
    const std::string beside = pixtest::MakeScratchFolder("dl");
    ASSERT_TRUE(pixtest::WriteFileBytes(beside + "\\Pixcap5.ini", "[x]\r\n"));
    _putenv(("sfxname=" + beside + "\\package.exe").c_str());
    EXPECT_EQ(PerformInstallSteps(), 0);

    const std::string programs = ShellFolder(false, "Programs");
    const std::string startupLink = ShellFolder(false, "Startup") + "\\" + kLinkProgram;
    const std::vector<std::string> expected = {
        "", "Made Dir: " + programs + "\\", "Shell Link: " + programs + "\\" + kLinkProgram,
        "Shell Link: " + programs + "\\" + kLinkHelp, "Shell Link: " + programs + "\\" + kLinkReadme,
        "Shell Link: " + programs + "\\" + kLinkUninstall, "Shell Link: " + startupLink,
    };
    EXPECT_EQ(LinesAfterManifest(), expected);
    EXPECT_EQ(ShortcutTarget(startupLink), DefaultInstallFolder() + "\\Pixcap5.exe");
    EXPECT_FALSE(FileExists(ShellFolder(false, "Desktop") + "\\" + kLinkProgram));
    EXPECT_EQ(pixtest::ReadFileBytes(DefaultInstallFolder() + "\\Pixcap5.ini"), "[x]\r\n");
    for (const char* link : { kLinkHelp, kLinkReadme, kLinkUninstall })
        ::DeleteFileA((programs + "\\" + link).c_str());
}

TEST_F(InstallSteps, UnusableCommonProgramsFolderFallsBackToTheCurrentUser)
{
    const std::string saved = ShellFolder(true, "Common Programs");
    ASSERT_TRUE(WriteRegText(HKEY_LOCAL_MACHINE, kShellFoldersKey, "Common Programs", "C:\\"));
    InstallChoices.programGroupName = "Pixorama 5";
    InstallChoices.allUsers = 1;
    PerformInstallSteps();
    WriteRegText(HKEY_LOCAL_MACHINE, kShellFoldersKey, "Common Programs", saved);

    EXPECT_EQ(InstallChoices.allUsers, 0);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "AllUsers"), "A");
    EXPECT_TRUE(FileExists(ShellFolder(false, "Programs") + "\\Pixorama 5\\" + kLinkProgram));
    EXPECT_TRUE(FileExists(ShellFolder(false, "Desktop") + "\\" + kLinkProgram));
    EXPECT_FALSE(FileExists(ShellFolder(true, "Common Desktop") + "\\" + kLinkProgram));
}

TEST_F(InstallSteps, OverAnEarlierInstallationTheOldGroupGoesBeforeTheNewIsMade)
{
    // First installation into "Old Group", then a second one that the user moved to "Pixorama 5".
    InstallChoices.programGroupName = "Old Group";
    PerformInstallSteps();
    const std::string programs = ShellFolder(false, "Programs");
    ASSERT_TRUE(FileExists(programs + "\\Old Group\\" + kLinkProgram));
    ASSERT_TRUE(pixtest::WriteFileBytes(DefaultInstallFolder() + "\\Pixcap4.hlp", "old help"));

    InstallChoices.freshInstall = 0;
    InstallChoices.programGroupName = "Pixorama 5";
    PerformInstallSteps();
    EXPECT_FALSE(FolderExists(programs + "\\Old Group"));
    EXPECT_TRUE(FileExists(programs + "\\Pixorama 5\\" + kLinkProgram));
    EXPECT_FALSE(FileExists(DefaultInstallFolder() + "\\Pixcap4.hlp"));
    // The desktop link of the first installation was deleted and made anew: it is logged once.
    const std::vector<std::string> tail = LinesAfterManifest();
    EXPECT_EQ(std::count(tail.begin(), tail.end(),
                         "Shell Link: " + ShellFolder(false, "Desktop") + "\\" + kLinkProgram), 1);
    EXPECT_EQ(tail.size(), 7u);
}

namespace {

// The person at the desktop, under an account of their own, whose hive is loaded beside ours.
const char kPersonSid[] = "S-1-5-21-7-7-7-1001";

}  // namespace

// Setup elevated with an administrator's name: "only for me" puts the group, the desktop and the
// start-up shortcut into the profile of the person at the desktop, not into the administrator's.
TEST_F(InstallSteps, OnlyForMeMeansThePersonAtTheDesktopUnderAnotherAccount)
{
    const std::string person = pixtest::MakeScratchFolder("person");
    const std::string hiveFolders = std::string(kPersonSid) + "\\" + kShellFoldersKey;
    for (const char* pszName : {"Programs", "Desktop", "Startup"}) {
        ASSERT_TRUE(::CreateDirectoryA((person + "\\" + pszName).c_str(), NULL));
        ASSERT_TRUE(WriteRegText(HKEY_USERS, hiveFolders, pszName, person + "\\" + pszName));
    }
    const auto saved = g_pfnReadDesktopUserSid;
    g_pfnReadDesktopUserSid = [](std::vector<BYTE>* pSid) {
        *pSid = pixtest::SidFromText(kPersonSid);
        return !pSid->empty();
    };
    InstallChoices.programGroupName = "Pixorama 5";
    InstallChoices.desktopIcon = 1;
    InstallChoices.startWithWindows = 1;
    const int result = PerformInstallSteps();
    g_pfnReadDesktopUserSid = saved;
    DeleteRegTree(HKEY_USERS, kPersonSid);

    EXPECT_EQ(result, 0);
    const std::string group = person + "\\Programs\\Pixorama 5";
    const std::vector<std::string> expected = {
        "", "Made Dir: " + group, "Shell Link: " + group + "\\" + kLinkProgram,
        "Shell Link: " + group + "\\" + kLinkHelp, "Shell Link: " + group + "\\" + kLinkReadme,
        "Shell Link: " + group + "\\" + kLinkUninstall, "Shell Link: " + person + "\\Desktop\\" + kLinkProgram,
        "Shell Link: " + person + "\\Startup\\" + kLinkProgram,
    };
    EXPECT_EQ(LinesAfterManifest(), expected);
    EXPECT_TRUE(FileExists(person + "\\Desktop\\" + kLinkProgram));
    EXPECT_FALSE(FileExists(ShellFolder(false, "Desktop") + "\\" + kLinkProgram));
    EXPECT_FALSE(FolderExists(ShellFolder(false, "Programs") + "\\Pixorama 5"));
}

// The Apps entry stands only with both the uninstaller and its log in place; the App Paths entry,
// by which the next setup finds the folder, whenever the application is there. Each half of the
// gate alone keeps the entry away and ends with 2.
TEST_F(InstallSteps, WithoutTheUninstallerOrWithoutTheLogThereIsNoAppsEntryButTheFolderIsFound)
{
    const std::string dest = DefaultInstallFolder();
    std::string manifest = pixtest::ReadFileBytes(m_package + "\\PixUnInst.log");
    const std::string uninstallerLine = "File Copy: setup.exe > PixUnInst.exe";
    const size_t line = manifest.find(uninstallerLine);
    ASSERT_NE(line, std::string::npos);
    ASSERT_TRUE(pixtest::WriteFileBytes(m_package + "\\PixUnInst.log",
                                        manifest.substr(0, line) + manifest.substr(line + uninstallerLine.size())));
    EXPECT_EQ(PerformInstallSteps(), kInstallFilesNotWritten);
    EXPECT_TRUE(FileExists(dest + "\\PixUnInst.log"));
    EXPECT_FALSE(FileExists(dest + "\\PixUnInst.exe"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << "the uninstaller is missing";
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kAppPathsKey, ""), dest + "\\Pixcap5.exe") << "found by the next setup";

    // The uninstaller in place, but a folder where the log should be: the manifest cannot become it.
    WipeInstallation();
    ASSERT_TRUE(pixtest::WriteFileBytes(m_package + "\\PixUnInst.log", manifest));
    ASSERT_TRUE(::CreateDirectoryA(dest.c_str(), NULL));
    ASSERT_TRUE(::CreateDirectoryA((dest + "\\PixUnInst.log").c_str(), NULL));
    EXPECT_EQ(PerformInstallSteps(), kInstallFilesNotWritten);
    EXPECT_TRUE(FileExists(dest + "\\PixUnInst.exe"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << "the log is missing";
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kAppPathsKey, ""), dest + "\\Pixcap5.exe") << "found by the next setup";
}

namespace {

// What the steps asked the folder creation for: the folder and its access list in the string form.
std::vector<std::string> g_folderRequests;

BOOL WINAPI RecordInstallFolder(LPCSTR pszPath, LPSECURITY_ATTRIBUTES pAttributes)
{
    char* pszList = NULL;
    if (pAttributes && ::ConvertSecurityDescriptorToStringSecurityDescriptorA(pAttributes->lpSecurityDescriptor,
                           SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &pszList, NULL)) {
        g_folderRequests.push_back(std::string(pszPath) + " " + pszList);
        ::LocalFree(pszList);
    } else {
        g_folderRequests.push_back(std::string(pszPath) + " inherited");
    }
    return ::CreateDirectoryA(pszPath, pAttributes);
}

}  // namespace

// Wine keeps no access list on files, so the list is read where the steps hand it to the folder
// creation. A folder that setup makes gets Program Files' rights, its own and protected; one that
// exists already is not made again and keeps its own.
TEST_F(InstallSteps, TheInstallationFolderThatSetupMakesGetsTheRightsOfProgramFiles)
{
    g_folderRequests.clear();
    g_pfnCreateInstallFolder = RecordInstallFolder;
    const InstallStepsResult fresh = PerformInstallSteps();
    InstallChoices.freshInstall = 0;
    const InstallStepsResult again = PerformInstallSteps();
    g_pfnCreateInstallFolder = ::CreateDirectoryA;

    EXPECT_EQ(fresh, kInstallDone);
    EXPECT_EQ(again, kInstallDone);
    // Protected ("P"), inherited by what is made inside ("OICI"): full control for SYSTEM,
    // Administrators and TrustedInstaller, reading and running (0x1200a9) for Users.
    const std::vector<std::string> expected = {
        DefaultInstallFolder() + " D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
        "(A;OICI;FA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)(A;OICI;0x1200a9;;;BU)",
    };
    EXPECT_EQ(g_folderRequests, expected) << "only the folder that did not exist is made";
    EXPECT_TRUE(FileExists(DefaultInstallFolder() + "\\PixUnInst.exe"));
}
