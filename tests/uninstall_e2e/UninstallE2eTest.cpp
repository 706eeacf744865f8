// tests/uninstall_e2e/UninstallE2eTest.cpp - the installed PixUnInst.exe and its temporary
// second stage, run to their end after a silent installation of the demo package.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <thread>
#include "support/E2eSupport.h"
#include "support/GuiDriver.h"
#include "support/StageWatch.h"
#include "support/TestSupport.h"

using namespace e2e;
using pixtest::FileExists;
using pixtest::FolderExists;

namespace {

const char kOtherHive[] = "S-1-5-21-9-9-9-1001";
const char kFileExts[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The second stage runs as "uni*.tmp" from the temporary folder.
DWORD FindSecondStage(std::string* pName)
{
    return pixtest::FindProcess([pName](DWORD, DWORD, const char* pszExeFile) {
        const std::string name = Lower(pszExeFile);
        if (name.rfind("uni", 0) != 0 || name.size() <= 4 || name.substr(name.size() - 4) != ".tmp")
            return false;
        if (pName)
            *pName = pszExeFile;
        return true;
    });
}

std::string WindowsTempFolder()
{
    return CWindowsTempBlocked::Folder();
}

class UninstallE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        WipeExtras();
        WipeInstallation();
        m_dest = DefaultInstallFolder();
        DWORD code = 99;
        ASSERT_TRUE(RunProgram(CopyPackage("uninst-pkg") + "\\setup.exe", "-s", &code));
        ASSERT_EQ(code, 0u);
        ASSERT_TRUE(FileExists(m_dest + "\\PixUnInst.exe"));
        m_group = ShellFolder(true, "Common Programs") + "\\Pixorama 5";
        m_desktopLink = ShellFolder(true, "Common Desktop") + "\\" + kLinkProgram;
        ASSERT_TRUE(FileExists(m_group + "\\" + kLinkProgram));
    }
    void TearDown() override
    {
        WipeExtras();
        WipeInstallation();
    }
    static void WipeExtras()
    {
        DeleteRegTree(HKEY_USERS, kOtherHive);
        DeleteRegTree(HKEY_CURRENT_USER, kFileExts);
        for (const char* ext : { ".cmp", ".wpg" })
            DeleteRegTree(HKEY_CLASSES_ROOT, ext);
        DeleteRegTree(HKEY_CLASSES_ROOT, "PX5.Document");
        pixtest::RemoveTree("C:\\pixtest\\user2");
        ForgetPendingDeletions();
    }

    // Runs the first stage and waits for the second to end; the second stage's file name. The
    // first stage's 0 says that the second has removed the installation; the second ends once
    // it has deleted the uninstaller and the folder too.
    std::string UninstallSilently()
    {
        const stagewatch::SStageRun run =
            stagewatch::RunTwoStages("\"" + m_dest + "\\PixUnInst.exe\" -s", NULL, kRunTimeoutMs);
        EXPECT_TRUE(run.firstEnded) << "the first stage did not end";
        EXPECT_EQ(run.firstExitCode, 0u) << "the second stage told no removal";
        EXPECT_TRUE(run.childFound) << "no second stage was started";
        EXPECT_TRUE(run.childEnded) << "the second stage did not end";
        // The process followed is the temporary copy, not a program that Wine started meanwhile.
        const std::string name = Lower(run.childName);
        EXPECT_TRUE(name.rfind("uni", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".tmp")
            << "followed " << run.childName;
        return run.childName;
    }

    // Holds the installation's file open without delete sharing until the second stage has ended:
    // the file, then the folder, are left to the next system start, and everything else is gone.
    void UninstallWhileHeldThroughout(const std::string& name)
    {
        const std::string path = m_dest + "\\" + name;
        HANDLE hHeld = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
        UninstallSilently();
        ::CloseHandle(hHeld);
        const std::string pending = Lower(PendingDeletions());
        const size_t fileEntry = pending.find(Lower(path) + "\n");
        const size_t folderEntry = pending.find(Lower(m_dest) + "\n");
        EXPECT_NE(fileEntry, std::string::npos) << pending;
        EXPECT_NE(folderEntry, std::string::npos) << pending;
        EXPECT_LT(fileEntry, folderEntry) << "the folder can go only once the file has gone: " << pending;
        EXPECT_EQ(ListFiles(m_dest), std::vector<std::string>{ name });
        EXPECT_FALSE(FolderExists(m_group));
        EXPECT_FALSE(FileExists(m_desktopLink));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    }

    std::string m_dest;
    std::string m_group;
    std::string m_desktopLink;
};

}  // namespace

TEST_F(UninstallE2e, SilentRunRemovesTheInstallationAndLeavesOnlyTheTemporaryCopy)
{
    const std::string tempName = UninstallSilently();
    ASSERT_FALSE(tempName.empty());

    EXPECT_FALSE(FolderExists(m_dest));
    EXPECT_FALSE(FolderExists(m_group));
    EXPECT_FALSE(FileExists(m_desktopLink));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kMakerKey));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kAppPathsKey));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

    // Elevated, as Wine runs everything, the copy lies in a folder of its own in the Windows
    // folder's Temp, outside every profile, and that folder goes after it at the next start.
    const std::string pending = Lower(PendingDeletions());
    const std::string folderStart = Lower(WindowsTempFolder() + "\\PixUnInst-");
    const size_t folderAt = pending.find(folderStart);
    ASSERT_NE(folderAt, std::string::npos) << pending;
    const size_t folderEnd = pending.find_first_of("\\\n", folderAt + folderStart.size());
    const std::string folder = pending.substr(folderAt, folderEnd - folderAt);
    EXPECT_TRUE(FileExists(folder + "\\" + tempName)) << folder;
    const size_t copyEntry = pending.find(folder + "\\" + Lower(tempName) + "\n");
    EXPECT_NE(copyEntry, std::string::npos) << pending;
    EXPECT_LT(copyEntry, pending.find(folder + "\n")) << "the folder can go only once the copy has gone: " << pending;
    // The second stage waited for the first to let go of the uninstaller: deleted now, not later.
    EXPECT_EQ(Lower(PendingDeletions()).find("pixuninst.exe"), std::string::npos) << PendingDeletions();
}

// A first stage that is slow to let go of the uninstaller's file, played by this test holding it
// open without delete sharing until the second stage has ended: the uninstaller and the emptied
// installation folder are left to the next system start, and everything else is gone.
TEST_F(UninstallE2e, UninstallerStillInUseGoesWithItsFolderAtTheNextStart)
{
    UninstallWhileHeldThroughout("PixUnInst.exe");
}

// A scanner or backup agent that holds a file of the installation for a moment, played by this
// test holding it without delete or write sharing: the uninstallation waits for it, and the file
// and the folder are gone.
TEST_F(UninstallE2e, FileHeldForAMomentIsWaitedForAndGoesWithItsFolder)
{
    const std::string readme = m_dest + "\\readme.txt";
    HANDLE hHeld = ::CreateFileA(readme.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    std::thread letGo([hHeld] {
        ::Sleep(2000);
        ::CloseHandle(hHeld);
    });
    UninstallSilently();
    letGo.join();
    EXPECT_FALSE(FolderExists(m_dest));
    EXPECT_EQ(Lower(PendingDeletions()).find(Lower(readme)), std::string::npos) << PendingDeletions();
}

// Held for good (a scanner or backup agent that does not let go): nothing else would ever remove
// it, so it goes at the next system start, and its folder after it; everything else is gone now.
// Installed again before that start, the product keeps the file: the installation withdraws the
// deletion of what it writes, and the restart (Wine carries the list out at the prefix's restart)
// leaves the installation whole.
TEST_F(UninstallE2e, FileHeldThroughoutGoesWithItsFolderAtTheNextStart)
{
    UninstallWhileHeldThroughout("readme.txt");
    DWORD code = 99;
    ASSERT_TRUE(RunProgram(CopyPackage("uninst-pkg") + "\\setup.exe", "-s", &code));
    ASSERT_EQ(code, 0u);
    EXPECT_EQ(Lower(PendingDeletions()).find(Lower(m_dest + "\\readme.txt")), std::string::npos) << PendingDeletions();
    char system[MAX_PATH] = "";
    ASSERT_NE(0u, ::GetSystemDirectoryA(system, MAX_PATH));
    ASSERT_TRUE(RunProgram(std::string(system) + "\\wineboot.exe", "-r", &code));
    EXPECT_EQ(PendingDeletions(), "") << "the restart carried out the list";
    EXPECT_TRUE(FileExists(m_dest + "\\readme.txt"));
    EXPECT_TRUE(FileExists(m_dest + "\\PixUnInst.exe"));
    EXPECT_TRUE(FileExists(m_group + "\\" + kLinkProgram));
}

// A shortcut held for good where a person could redirect its path (the common desktop lies in the
// profiles folder) is not left to the next start, once or twice: at boot the deletion would follow
// whatever link the person put there by then, while the leftover shortcut is harmless.
TEST_F(UninstallE2e, ShortcutHeldThroughoutInAProfileStaysUnlisted)
{
    HANDLE hHeld = ::CreateFileA(m_desktopLink.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    UninstallSilently();
    ::CloseHandle(hHeld);
    EXPECT_TRUE(FileExists(m_desktopLink));
    EXPECT_EQ(Lower(PendingDeletions()).find(Lower(kLinkProgram)), std::string::npos) << PendingDeletions();
    EXPECT_FALSE(FolderExists(m_dest));
    EXPECT_FALSE(FolderExists(m_group));
    ::DeleteFileA(m_desktopLink.c_str());
}

TEST_F(UninstallE2e, GroupOfAnotherNameGoesThroughTheLogWithItsEmptiedParents)
{
    // An earlier log that names "Tools\Pixorama 5" makes the next installation use that group.
    const std::string programs = ShellFolder(true, "Common Programs");
    const std::string tools = programs + "\\Tools\\Pixorama 5";
    const std::string line = "Shell Link: " + tools + "\\Pixorama 5.lnk\r\n";
    const std::string log = pixtest::ReadFileBytes(m_dest + "\\PixUnInst.log") + line;
    ASSERT_TRUE(pixtest::WriteFileBytes(m_dest + "\\PixUnInst.log", log));
    DWORD code = 99;
    ASSERT_TRUE(RunProgram(CopyPackage("uninst-pkg2") + "\\setup.exe", "-s", &code));
    ASSERT_TRUE(FileExists(tools + "\\" + kLinkUninstall));
    ASSERT_FALSE(FolderExists(m_group));

    UninstallSilently();
    EXPECT_FALSE(FolderExists(tools));
    EXPECT_FALSE(FolderExists(programs + "\\Tools"));
    EXPECT_TRUE(FolderExists(programs));
}

TEST_F(UninstallE2e, UsersOwnFileKeepsTheFolderAndSurvives)
{
    ASSERT_TRUE(pixtest::WriteFileBytes(m_dest + "\\Mine.txt", "my notes"));
    UninstallSilently();
    EXPECT_EQ(pixtest::ReadFileBytes(m_dest + "\\Mine.txt"), "my notes");
    EXPECT_EQ(ListFiles(m_dest), std::vector<std::string>{ "Mine.txt" });
}

TEST_F(UninstallE2e, MakerKeyStaysWhileAnotherProductLivesUnderIt)
{
    ASSERT_TRUE(WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvanta\\Other Product", "Path", "C:\\Other"));
    UninstallSilently();
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvanta\\Other Product", "Path"), "C:\\Other");
}

TEST_F(UninstallE2e, AnotherUsersHiveAndProfileAreCleanedToo)
{
    const std::string hive = kOtherHive;
    ASSERT_TRUE(WriteRegText(HKEY_USERS, hive + "\\SOFTWARE\\Corvanta\\Pixorama v.5\\Deep\\Deeper", "x", "y"));
    ASSERT_TRUE(WriteRegText(HKEY_USERS, hive + "\\SOFTWARE\\Corvanta\\Pixorama v.5", "AllUsers", "A"));
    const std::string root = pixtest::MakeScratchFolder("user2");
    for (const char* sub : { "\\Programs", "\\Programs\\Pixorama 5", "\\Desktop", "\\Startup" })
        ::CreateDirectoryA((root + sub).c_str(), NULL);
    for (const char* file : { "\\Programs\\Pixorama 5\\Pixorama 5.lnk", "\\Programs\\Pixorama 5\\Notes.txt",
                              "\\Desktop\\Pixorama 5.lnk", "\\Startup\\Pixorama 5.lnk", "\\Startup\\Other.lnk" })
        ASSERT_TRUE(pixtest::WriteFileBytes(root + file, "x"));
    const std::string folders = hive + "\\" + kShellFoldersKey;
    WriteRegText(HKEY_USERS, folders, "Programs", root + "\\Programs");
    WriteRegText(HKEY_USERS, folders, "Desktop", root + "\\Desktop");
    WriteRegText(HKEY_USERS, folders, "Startup", root + "\\Startup");

    UninstallSilently();
    EXPECT_FALSE(RegKeyExists(HKEY_USERS, hive + "\\SOFTWARE\\Corvanta"));
    EXPECT_TRUE(RegKeyExists(HKEY_USERS, hive + "\\SOFTWARE"));
    EXPECT_FALSE(FolderExists(root + "\\Programs\\Pixorama 5"));
    EXPECT_FALSE(FileExists(root + "\\Desktop\\Pixorama 5.lnk"));
    EXPECT_FALSE(FileExists(root + "\\Startup\\Pixorama 5.lnk"));
    EXPECT_TRUE(FileExists(root + "\\Startup\\Other.lnk"));
}

TEST_F(UninstallE2e, ImageAssociationsGoBackToTheSavedOnesAndOthersAreUntouched)
{
    const std::string exts = kFileExts;
    WriteRegText(HKEY_CURRENT_USER, exts + "\\.bmp", "Application", "Pixcap5.exe");
    WriteRegText(HKEY_CURRENT_USER, exts + "\\.bmp", "PixcapOld", "mspaint.exe");
    WriteRegText(HKEY_CURRENT_USER, exts + "\\.gif", "Application", "C:\\Program Files\\Pixorama 5\\Pixcap5.exe");
    WriteRegText(HKEY_CURRENT_USER, exts + "\\.png", "Application", "viewer.exe");
    WriteRegText(HKEY_CURRENT_USER, exts + "\\.png", "PixcapOld", "kept");
    WriteRegText(HKEY_CLASSES_ROOT, "PX5.Document\\shell\\open\\command", NULL, "Pixcap5.exe \"%1\"");

    UninstallSilently();
    std::string text;
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, exts + "\\.bmp", "Application"), "mspaint.exe");
    EXPECT_FALSE(ReadRegText(HKEY_CURRENT_USER, exts + "\\.bmp", "PixcapOld", &text));
    EXPECT_FALSE(ReadRegText(HKEY_CURRENT_USER, exts + "\\.gif", "Application", &text));
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, exts + "\\.png", "Application"), "viewer.exe");
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, exts + "\\.png", "PixcapOld"), "kept");
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "PX5.Document"));
}

TEST_F(UninstallE2e, WithoutFileExtsTheClassesRootDefaultsAreRestored)
{
    ASSERT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kFileExts));
    WriteRegText(HKEY_CLASSES_ROOT, ".wpg", NULL, "Pixcap5.exe");
    WriteRegText(HKEY_CLASSES_ROOT, ".wpg", "PixcapOld", "WPGFile");
    WriteRegText(HKEY_CLASSES_ROOT, ".cmp", NULL, "Pixcap5.exe");

    UninstallSilently();
    std::string text;
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, ".wpg", NULL), "WPGFile");
    EXPECT_FALSE(ReadRegText(HKEY_CLASSES_ROOT, ".wpg", "PixcapOld", &text));
    EXPECT_FALSE(ReadRegText(HKEY_CLASSES_ROOT, ".cmp", NULL, &text));
}

TEST_F(UninstallE2e, ReadOnlyShortcutInTheFixedGroupIsDeletedToo)
{
    const std::string link = m_group + "\\" + kLinkProgram;
    ASSERT_TRUE(::SetFileAttributesA(link.c_str(), FILE_ATTRIBUTE_READONLY));
    UninstallSilently();
    EXPECT_FALSE(FileExists(link));
    EXPECT_FALSE(FolderExists(m_group));
}

TEST_F(UninstallE2e, RunningCaptureApplicationIsClosedFirst)
{
    const std::string record = pixtest::MakeScratchFolder("standin") + "\\record.txt";
    _putenv(("PIXCAP5_RECORD=" + record).c_str());
    DWORD pid = 0;
    HANDLE hApp = StartProgram(m_dest + "\\Pixcap5.exe", "", &pid);
    _putenv("PIXCAP5_RECORD=");
    ASSERT_TRUE(hApp);
    const std::string ready = std::to_string(pid) + " ready";
    std::vector<std::string> lines;
    for (int i = 0; i < 100 && std::find(lines.begin(), lines.end(), ready) == lines.end(); ++i, ::Sleep(100))
        lines = ReadLines(record);
    ASSERT_NE(std::find(lines.begin(), lines.end(), ready), lines.end());

    UninstallSilently();
    // Terminated 10 ms after the close request, with exit code 0: whether the application got to
    // record the request is up to the scheduler, but no other kind of close may have reached it.
    DWORD exitCode = 99;
    EXPECT_TRUE(pixtest::WaitForExit(hApp, 20000, &exitCode)) << "the capture application still runs";
    EXPECT_EQ(exitCode, 0u);
    ::CloseHandle(hApp);
    for (const std::string& line : ReadLines(record)) {
        if (line.find(" close ") != std::string::npos) {
            EXPECT_EQ(line, std::to_string(pid) + " close 1001");
        }
    }
    EXPECT_FALSE(FolderExists(m_dest));
}

TEST_F(UninstallE2e, ConfirmationAnsweredNoLeavesEverythingInPlace)
{
    CProgramRun run;
    ASSERT_TRUE(run.Start(m_dest + "\\PixUnInst.exe", ""));
    ASSERT_TRUE(run.WaitForBox());
    const pixtest::MessageBoxInfo& box = run.Box();
    EXPECT_EQ(box.caption, "Pixorama Telep\xC3\xADt\xC5\x91");
    EXPECT_EQ(box.text, "Ezzel teljesen elt\xC3\xA1vol\xC3\xADtja a Pixorama 5-\xC3\xB6t.\nVal\xC3\xB3""ban folytatja?");
    EXPECT_EQ(box.Style(), static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2));
    run.Answer(IDNO);
    EXPECT_EQ(run.WaitForExitCode(), 0u);
    // A second stage would have been started before the first one ended.
    EXPECT_EQ(FindSecondStage(nullptr), 0u);
    EXPECT_TRUE(FileExists(m_dest + "\\PixUnInst.exe"));
    EXPECT_TRUE(FileExists(m_dest + "\\PixUnInst.log"));
    EXPECT_TRUE(FileExists(m_group + "\\" + kLinkProgram));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
}

// What the person sees is what it was before the first stage waited for the outcome: the
// confirmation, then the success message of the second stage, and nothing in between.
TEST_F(UninstallE2e, ConfirmationAnsweredYesEndsWithTheSuccessMessage)
{
    CProgramRun run;
    ASSERT_TRUE(run.Start(m_dest + "\\PixUnInst.exe", ""));
    ASSERT_TRUE(run.WaitForBox());
    EXPECT_EQ(run.Box().text, "Ezzel teljesen elt\xC3\xA1vol\xC3\xADtja a Pixorama 5-\xC3\xB6t.\nVal\xC3\xB3""ban folytatja?");
    run.Answer(IDYES);
    EXPECT_EQ(run.WaitForExitCode(), 0u);

    const DWORD stage2 = FindSecondStage(nullptr);
    ASSERT_NE(stage2, 0u);
    // Held from here, while it waits at its message, so that its end can be awaited after OK.
    HANDLE hStage2 = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, stage2);
    ASSERT_TRUE(hStage2 != NULL);
    pixtest::MessageBoxInfo done;
    ASSERT_TRUE(pixtest::ReadMessageBox(pixtest::WaitForMessageBox(stage2, 20000), &done));
    EXPECT_EQ(done.caption, "A Pixorama 5 telep\xC3\xADt\xC3\xA9se");
    EXPECT_EQ(done.text, "Pixorama 5 sikeresen el lett t\xC3\xA1vol\xC3\xADtva a g\xC3\xA9pr\xC5\x91l.");
    EXPECT_EQ(done.Style(), static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    // By the time the message shows, the work is done.
    EXPECT_FALSE(FolderExists(m_dest));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    pixtest::PressButton(done.hwnd, IDOK);
    DWORD code = 99;
    EXPECT_TRUE(pixtest::WaitForExit(hStage2, 20000, &code));
    ::CloseHandle(hStage2);
    EXPECT_EQ(code, 0u);
}

// A deployment tool runs the whole value as the command line, waits for the process it started
// and at once checks its detection rule: the product is gone by then, and the exit code says so.
TEST_F(UninstallE2e, QuietUninstallStringRunAsWrittenRemovesTheInstallationBeforeItEnds)
{
    std::string command;
    ASSERT_TRUE(ReadRegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString", &command));
    DWORD pid = 0;
    HANDLE hFirst = pixtest::StartProcess(command, &pid);
    ASSERT_TRUE(hFirst) << command;
    stagewatch::CChildHold second(hFirst, pid);  // followed only to let it end before the next test
    while (::WaitForSingleObject(hFirst, 20) == WAIT_TIMEOUT)
        second.Look();
    DWORD code = 99;
    ::GetExitCodeProcess(hFirst, &code);
    ::CloseHandle(hFirst);
    const bool entryLeft = RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey);
    const bool programLeft = FileExists(m_dest + "\\Pixcap5.exe");
    EXPECT_EQ(code, 0u) << command;
    EXPECT_FALSE(entryLeft) << "the Apps entry outlived the uninstaller that " << command << " started";
    EXPECT_FALSE(programLeft) << "Pixcap5.exe outlived the uninstaller that " << command << " started";
    ASSERT_TRUE(second.Handle()) << "no second stage was seen";
    EXPECT_TRUE(pixtest::WaitForExit(second.Handle(), kRunTimeoutMs, &code)) << "the second stage did not end";
    EXPECT_FALSE(FolderExists(m_dest));
}

// A second stage that ends part-way without telling (killed here once the Apps entry is gone,
// while it waits on a held file) leaves its first stage nothing to wait for: it ends with 5 and
// the uninstaller stays, so that running it again removes the rest.
TEST_F(UninstallE2e, FirstStageWhoseSecondStageIsKilledEndsWithCode5)
{
    const std::string readme = m_dest + "\\readme.txt";
    HANDLE hHeld = ::CreateFileA(readme.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    DWORD pid = 0;
    HANDLE hFirst = StartProgram(m_dest + "\\PixUnInst.exe", "-s", &pid);
    ASSERT_TRUE(hFirst);
    stagewatch::CChildHold second(hFirst, pid);
    // The entry goes in the second stage's first steps, long after its start has returned.
    while (RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey) && ::WaitForSingleObject(hFirst, 20) == WAIT_TIMEOUT)
        second.Look();
    const bool killed = second.Look() && ::TerminateProcess(second.Handle(), 0xDEAD);
    DWORD code = 99;
    const bool ended = pixtest::WaitForExit(hFirst, kRunTimeoutMs, &code);
    ::CloseHandle(hFirst);
    ::CloseHandle(hHeld);
    ASSERT_TRUE(killed) << "no second stage was seen";
    EXPECT_TRUE(ended) << "the first stage did not end";
    EXPECT_EQ(code, 5u);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(FileExists(m_dest + "\\PixUnInst.exe"));
}

// Without the Windows folder's Temp there is no second stage: the first one says so in its exit
// code, and nothing is removed.
TEST_F(UninstallE2e, FirstStageThatCannotStartTheSecondEndsWithCode4)
{
    DWORD code = 99;
    bool ran = false;
    {
        CWindowsTempBlocked blocked;
        ASSERT_TRUE(blocked.IsInForce());
        ran = RunProgram(m_dest + "\\PixUnInst.exe", "-s", &code);
    }
    ASSERT_TRUE(ran);
    EXPECT_EQ(code, 4u);
    EXPECT_EQ(FindSecondStage(nullptr), 0u);
    EXPECT_TRUE(FileExists(m_dest + "\\PixUnInst.exe"));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}
