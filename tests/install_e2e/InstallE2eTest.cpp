// tests/install_e2e/InstallE2eTest.cpp - setup.exe from a copy of the demo package, as a user or
// a self-extracting package would run it: silent installations, the version question, the
// damaged package and the interactive road to the after-installation page.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <thread>
#include "support/E2eSupport.h"
#include "support/StageWatch.h"
#include "support/GuiDriver.h"
#include "support/StageWatch.h"
#include "support/TestSupport.h"
#include "support/VersionStamp.h"
#include "text/MakerAddresses.h"

using namespace e2e;
using pixtest::FileExists;
using pixtest::FolderExists;

namespace {

const char kAppTitleUtf8[] = "A Pixorama 5 telep\xC3\xADt\xC3\xA9se";
const char kStandinRecord[] = "C:\\pixtest\\standin-record.txt";

class InstallE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        WipeInstallation();
        _putenv("sfxname=");
    }
    void TearDown() override { WipeInstallation(); }

    // A package copy whose stand-in carries the given version.
    std::string Package(const std::string& name, uint16_t a, uint16_t b, uint16_t c, uint16_t d)
    {
        const std::string pkg = CopyPackage(name);
        EXPECT_TRUE(StampFileVersion(pkg + "\\Pixcap5.exe", a, b, c, d));
        return pkg;
    }

    void InstallSilently(const std::string& pkg)
    {
        DWORD code = 99;
        ASSERT_TRUE(RunProgram(pkg + "\\setup.exe", "-s", &code));
        ASSERT_EQ(code, 0u);
    }
};

std::string Join(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& line : lines)
        all += line + "\n";
    return all;
}

// Polls the web handler's record: it is written by another process, a moment after the call.
std::vector<std::string> OpenedUrls(DWORD waitMs)
{
    // The recorder writes a whole line at once; a file without its line end is still being written.
    const ULONGLONG deadline = ::GetTickCount64() + waitMs;
    std::string bytes = pixtest::ReadFileBytes(kOpenedUrls);
    while ((bytes.empty() || bytes.back() != '\n') && ::GetTickCount64() < deadline) {
        ::Sleep(pixtest::kPollMs);
        bytes = pixtest::ReadFileBytes(kOpenedUrls);
    }
    return ReadLines(kOpenedUrls);
}

// The wizard run through to Finish; an unexpected message fails the test.
bool RunWizardToFinish(DWORD pid, HANDLE hProcess, bool runAfterInstall = false)
{
    std::string message;
    const bool finished = e2e::RunWizardToFinish(pid, hProcess, runAfterInstall, &message);
    if (!message.empty())
        ADD_FAILURE() << "unexpected message: " << message;
    return finished;
}

// Bytes of the folder's files, in whole kilobytes rounded up.
DWORD FolderKilobytes(const std::string& folder)
{
    ULONGLONG bytes = 0;
    for (const std::string& name : ListFiles(folder))
        bytes += pixtest::ReadFileBytes(folder + "\\" + name).size();
    return static_cast<DWORD>((bytes + 1023) / 1024);
}

// What the Apps list and deployment tools read beside the uninstaller, with their types.
void ExpectAppsEntryDetails(const std::string& dest)
{
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString"), "\"" + dest + "\\PixUnInst.exe\" -s");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon"), dest + "\\Pixcap5.exe,0");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"), dest);
    DWORD value = 0;
    EXPECT_TRUE(ReadRegDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoModify", &value) && value == 1) << value;
    EXPECT_TRUE(ReadRegDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoRepair", &value) && value == 1) << value;
    // Every installed file counts, the settings file copied after the other registry entries too.
    ASSERT_TRUE(ReadRegDword(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", &value));
    EXPECT_EQ(value, FolderKilobytes(dest));
    EXPECT_GT(value, 0u);
}

}  // namespace

TEST_F(InstallE2e, FreshSilentInstallationCopiesLogsLinksAndRegisters)
{
    const std::string pkg = CopyPackage("fresh");
    // Large enough to show in the installation's size, which is taken after this file arrives.
    ASSERT_TRUE(pixtest::WriteFileBytes(pkg + "\\Pixcap5.ini", "[Pixcap5]\r\n" + std::string(8192, ';') + "\r\n"));
    _putenv(("sfxname=" + pkg + "\\Pixorama5Setup.exe").c_str());
    InstallSilently(pkg);

    const std::string dest = DefaultInstallFolder();
    for (const char* name : { "Pixcap5.exe", "PixUnInst.exe", "Pixcap5Man.chm", "readme.txt", "agreement.txt",
                              "HomePage.url", "PixUnInst.log", "Pixcap5.ini" })
        EXPECT_TRUE(FileExists(dest + "\\" + name)) << name;
    EXPECT_FALSE(FileExists(dest + "\\setup.exe"));
    EXPECT_EQ(pixtest::ReadFileBytes(dest + "\\PixUnInst.exe"), pixtest::ReadFileBytes(pkg + "\\setup.exe"));
    if (FileExists(pkg + "\\PixRes5.dll")) {
        EXPECT_TRUE(FileExists(dest + "\\PixRes5.dll"));
    }

    // A silent first installation is made for all users.
    const std::string group = ShellFolder(true, "Common Programs") + "\\Pixorama 5";
    const std::string desktopLink = ShellFolder(true, "Common Desktop") + "\\" + kLinkProgram;
    std::vector<std::string> expected = ReadLines(pkg + "\\PixUnInst.log");
    expected.push_back("");
    expected.push_back("Made Dir: " + group);
    for (const char* link : { kLinkProgram, kLinkHelp, kLinkReadme, kLinkUninstall })
        expected.push_back("Shell Link: " + group + "\\" + link);
    expected.push_back("Shell Link: " + desktopLink);
    EXPECT_EQ(Join(ReadLines(dest + "\\PixUnInst.log")), Join(expected));

    EXPECT_EQ(ShortcutTarget(group + "\\" + kLinkProgram), dest + "\\Pixcap5.exe");
    EXPECT_EQ(ShortcutTarget(group + "\\" + kLinkHelp), dest + "\\Pixcap5Man.chm");
    EXPECT_EQ(ShortcutTarget(group + "\\" + kLinkReadme), dest + "\\readme.txt");
    EXPECT_EQ(ShortcutTarget(group + "\\" + kLinkUninstall), dest + "\\PixUnInst.exe");
    EXPECT_EQ(ShortcutTarget(desktopLink), dest + "\\Pixcap5.exe");
    EXPECT_FALSE(FileExists(ShellFolder(true, "Common Startup") + "\\" + kLinkProgram));

    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "AllUsers"), "B");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Path"), dest);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kAppPathsKey, ""), dest + "\\Pixcap5.exe");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "Contact"), "Support");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "Pixorama 5");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), "5");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher"), "Corvanta Technology LLC");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), "\"" + dest + "\\PixUnInst.exe\"");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "URLInfoAbout"), PIX_MAKER_HOME_PAGE);
    ExpectAppsEntryDetails(dest);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvanta\\Pixorama 5"));

    // Silent: no web page.
    ::Sleep(500);
    EXPECT_FALSE(FileExists(kOpenedUrls));
}

TEST_F(InstallE2e, SilentInstallationOverAnEarlierOneCleansUpAndKeepsItsGroup)
{
    const std::string dest = DefaultInstallFolder();
    const std::string programs = ShellFolder(true, "Common Programs");
    const std::string startup = ShellFolder(true, "Common Startup");
    const std::string oldGroup = programs + "\\Old Group";
    const std::string toolsGroup = programs + "\\Tools\\Pixorama 5";
    ASSERT_TRUE(::CreateDirectoryA(dest.c_str(), NULL));
    ::CreateDirectoryA(oldGroup.c_str(), NULL);
    ::CreateDirectoryA((programs + "\\Tools").c_str(), NULL);
    ::CreateDirectoryA(toolsGroup.c_str(), NULL);
    for (const std::string& f : { oldGroup + "\\Old.lnk", toolsGroup + "\\Stale.lnk", dest + "\\Pixcap4.hlp",
                                  dest + "\\PixRes4.dll", dest + "\\Mine.txt" })
        ASSERT_TRUE(pixtest::WriteFileBytes(f, "x"));
    // The earlier log: the group is its last program-group link, in its own letter case; the
    // start-up link lies under the programs folder too and must not count.
    const std::string oldLog = "File Copy: Pixcap5.exe\r\n\r\nMade Dir: " + oldGroup + "\r\nMade Dir: " + toolsGroup +
        "\r\nShell Link: " + oldGroup + "\\Old.lnk\r\nShell Link: " + toolsGroup + "\\Stale.lnk\r\nShell Link: " +
        startup + "\\Pixorama 5.lnk\r\n";
    ASSERT_TRUE(pixtest::WriteFileBytes(dest + "\\PixUnInst.log", oldLog));
    ASSERT_TRUE(WriteRegText(HKEY_LOCAL_MACHINE, kAppPathsKey, NULL, dest + "\\Pixcap5.exe"));
    ASSERT_TRUE(WriteRegText(HKEY_LOCAL_MACHINE, kProductKey, "AllUsers", "B"));

    InstallSilently(CopyPackage("over"));

    EXPECT_FALSE(FolderExists(oldGroup));
    EXPECT_FALSE(FileExists(toolsGroup + "\\Stale.lnk"));
    EXPECT_FALSE(FileExists(dest + "\\Pixcap4.hlp"));
    EXPECT_FALSE(FileExists(dest + "\\PixRes4.dll"));
    EXPECT_TRUE(FileExists(dest + "\\Mine.txt"));
    EXPECT_TRUE(FileExists(toolsGroup + "\\" + kLinkProgram));
    EXPECT_FALSE(FolderExists(programs + "\\Pixorama 5"));
    const std::vector<std::string> log = ReadLines(dest + "\\PixUnInst.log");
    EXPECT_NE(std::find(log.begin(), log.end(), "Made Dir: " + toolsGroup), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "Shell Link: " + toolsGroup + "\\" + kLinkUninstall), log.end());
    EXPECT_EQ(std::find(log.begin(), log.end(), "Shell Link: " + oldGroup + "\\Old.lnk"), log.end());
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "AllUsers"), "B");
}

TEST_F(InstallE2e, SameVersionAsksMessage17AndNoChangesNothing)
{
    InstallSilently(Package("same1", 5, 10, 0, 0));
    const std::string dest = DefaultInstallFolder();
    const std::string logBefore = pixtest::ReadFileBytes(dest + "\\PixUnInst.log");
    const std::string pkg = Package("same2", 5, 10, 0, 0);
    ASSERT_TRUE(pixtest::WriteFileBytes(pkg + "\\readme.txt", "changed"));

    CProgramRun run;
    ASSERT_TRUE(run.Start(pkg + "\\setup.exe", ""));
    ASSERT_TRUE(run.WaitForBox());
    const pixtest::MessageBoxInfo& box = run.Box();
    EXPECT_EQ(box.caption, kAppTitleUtf8);
    EXPECT_EQ(box.text, "A Pixorama 5.10.00.00 verzi\xC3\xB3ja m\xC3\xA1r telep\xC3\xADtve van ezen a g\xC3\xA9pen.\n\n"
                        "Val\xC3\xB3""ban \xC3\xBajra akarja telep\xC3\xADteni a programot?");
    EXPECT_EQ(box.icon, pixtest::BoxIcon::Question);
    EXPECT_TRUE(box.HasButton(IDYES) && box.HasButton(IDNO));
    run.Answer(IDNO);
    EXPECT_EQ(run.WaitForExitCode(), 1u);
    EXPECT_EQ(pixtest::ReadFileBytes(dest + "\\PixUnInst.log"), logBefore);
    EXPECT_NE(pixtest::ReadFileBytes(dest + "\\readme.txt"), "changed");
}

TEST_F(InstallE2e, ConfirmedReinstallationOpensNoWebPage)
{
    InstallSilently(Package("again1", 5, 10, 0, 0));
    const std::string pkg = Package("again2", 5, 10, 0, 0);
    CProgramRun run;
    ASSERT_TRUE(run.Start(pkg + "\\setup.exe", ""));
    ASSERT_TRUE(run.WaitForBox());
    ASSERT_TRUE(run.Answer(IDYES));
    EXPECT_TRUE(RunWizardToFinish(run.ProcessId(), run.Process()));
    EXPECT_EQ(run.WaitForExitCode(), 0u);
    EXPECT_TRUE(OpenedUrls(3000).empty());
    EXPECT_TRUE(FileExists(DefaultInstallFolder() + "\\PixUnInst.exe"));
}

TEST_F(InstallE2e, DowngradeAsksMessage16WithInstalledThenPackageVersion)
{
    InstallSilently(Package("down1", 5, 10, 0, 2));
    const std::string pkg = Package("down2", 5, 9, 0, 0);
    CProgramRun run;
    ASSERT_TRUE(run.Start(pkg + "\\setup.exe", ""));
    ASSERT_TRUE(run.WaitForBox());
    const pixtest::MessageBoxInfo& box = run.Box();
    EXPECT_EQ(box.text, "A Pixorama 5.10.00.02 verzi\xC3\xB3ja m\xC3\xA1r telep\xC3\xADtve van erre a g\xC3\xA9pre. "
                        "\xC3\x96n most egy r\xC3\xA9gebbi verzi\xC3\xB3t pr\xC3\xB3""b\xC3\xA1l telep\xC3\xADteni: "
                        "5.09.00.00 .\n\nVal\xC3\xB3""ban folytatja?");
    EXPECT_EQ(box.icon, pixtest::BoxIcon::Question);
    run.Answer(IDNO);
    EXPECT_EQ(run.WaitForExitCode(), 1u);
}

TEST_F(InstallE2e, UpgradeAsksNothingAndOpensTheQueryPageAfterTheWizard)
{
    InstallSilently(Package("up1", 5, 9, 0, 0));
    const std::string pkg = Package("up2", 5, 10, 0, 0);
    CProgramRun run;
    ASSERT_TRUE(run.Start(pkg + "\\setup.exe", ""));
    EXPECT_TRUE(RunWizardToFinish(run.ProcessId(), run.Process()));
    EXPECT_EQ(run.WaitForExitCode(), 0u);
    const std::vector<std::string> urls = OpenedUrls(10000);
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0], PIX_MAKER_WEB_SERVER "/pxr/InstScript.asp?ref=pix5demo");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Path"), DefaultInstallFolder());
}

TEST_F(InstallE2e, InteractiveFreshInstallationOpensThePlainPageAndStartsTheProgramInItsFolder)
{
    const std::string pkg = CopyPackage("plain");
    ASSERT_TRUE(pixtest::WriteFileBytes(pkg + "\\HomePage.url", "[InternetShortcut]\r\nURL=http://www.corvanta.hu/\r\n"));
    ::DeleteFileA(kStandinRecord);
    _putenv((std::string("PIXCAP5_RECORD=") + kStandinRecord).c_str());
    CProgramRun run;
    ASSERT_TRUE(run.Start(pkg + "\\setup.exe", ""));
    EXPECT_TRUE(RunWizardToFinish(run.ProcessId(), run.Process(), true));
    EXPECT_EQ(run.WaitForExitCode(), 0u);
    const std::vector<std::string> urls = OpenedUrls(10000);
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0], PIX_MAKER_WEB_SERVER "/pxr/installed.asp");

    // The installed program was started with no arguments, from the installation folder, by the
    // desktop's shell as the person at the desktop. It has the shell's environment, which may not
    // name the record set here: it then records beside itself.
    const std::string besideItself = DefaultInstallFolder() + "\\Pixcap5.exe.received.txt";
    std::vector<std::string> record;
    for (int i = 0; i < 100 && record.empty(); ++i, ::Sleep(100)) {
        record = ReadLines(kStandinRecord);
        if (record.empty())
            record = ReadLines(besideItself);
    }
    _putenv("PIXCAP5_RECORD=");
    ASSERT_FALSE(record.empty());
    const std::string first = record[0];
    const size_t blank = first.find(' ');
    EXPECT_EQ(first.substr(blank + 1), "start " + DefaultInstallFolder() + "|");
    DWORD parentId = 0;
    EXPECT_EQ(pixtest::FindProcessNamed("Pixcap5.exe", &parentId), std::stoul(first.substr(0, blank)));
    EXPECT_EQ(stagewatch::DescribeProcess(parentId), "id " + std::to_string(parentId) + " explorer.exe");
    HANDLE hApp = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, std::stoul(first.substr(0, blank)));
    if (hApp) {
        ::TerminateProcess(hApp, 0);
        ::WaitForSingleObject(hApp, 5000);
        ::CloseHandle(hApp);
    }
}

namespace {
// Message 18, OK, the home page, exit code 1, nothing installed.
void ExpectDamagedPackageReport(const std::string& pkg, const std::string& args)
{
    CProgramRun run;
    ASSERT_TRUE(run.Start(pkg + "\\setup.exe", args));
    ASSERT_TRUE(run.WaitForBox());
    const pixtest::MessageBoxInfo& box = run.Box();
    EXPECT_EQ(box.caption, kAppTitleUtf8);
    EXPECT_EQ(box.text.rfind("A telep\xC3\xADt\xC5\x91 f\xC3\xA1jl s\xC3\xA9r\xC3\xBClt, telep\xC3\xADt\xC3\xA9s "
                             "megszak\xC3\xADtva.\n\nK\xC3\xA9rj\xC3\xBCk t\xC3\xB6ltse le a term\xC3\xA9ket "
                             "honlapunkr\xC3\xB3l: ", 0), 0u) << box.text;
    EXPECT_NE(box.text.find(" majd a telep\xC3\xADt\xC3\xA9st pr\xC3\xB3""b\xC3\xA1lja \xC3\xBAjra."), std::string::npos);
    EXPECT_EQ(box.icon, pixtest::BoxIcon::Hand);
    EXPECT_EQ(box.buttons.size(), 1u);
    run.Answer(IDOK);
    EXPECT_EQ(run.WaitForExitCode(), 1u);
    const std::vector<std::string> urls = OpenedUrls(10000);
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0], PIX_MAKER_HOME_PAGE);
    EXPECT_FALSE(FolderExists(DefaultInstallFolder()));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
}
}  // namespace

TEST_F(InstallE2e, PackageProgramOfMajorVersion0IsReportedEvenWhenSilent)
{
    ExpectDamagedPackageReport(Package("zero", 0, 9, 0, 0), "-s");
}

TEST_F(InstallE2e, PackageWithoutManifestIsReported)
{
    const std::string pkg = CopyPackage("nomanifest");
    ASSERT_TRUE(::DeleteFileA((pkg + "\\PixUnInst.log").c_str()));
    ExpectDamagedPackageReport(pkg, "");
}

// A deployment tool learns from the exit code alone whether the installation is in place.
TEST_F(InstallE2e, SilentInstallationWhoseFolderCannotBeMadeEndsWithCode2)
{
    const std::string dest = DefaultInstallFolder();
    ASSERT_TRUE(pixtest::WriteFileBytes(dest, "a file of the folder's name"));
    DWORD code = 99;
    const bool ran = RunProgram(CopyPackage("blocked") + "\\setup.exe", "-s", &code);
    const std::string left = pixtest::ReadFileBytes(dest);
    ::DeleteFileA(dest.c_str());
    ASSERT_TRUE(ran);
    EXPECT_EQ(code, 2u);
    EXPECT_EQ(left, "a file of the folder's name");
    // Windows must not list an installation that is not there, with an uninstaller that is not.
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kAppPathsKey));
}

// A scanner that holds an installed file for a moment while a reinstallation writes over it,
// played by this test holding it without write or delete sharing: the new content gets in.
TEST_F(InstallE2e, FileHeldForAMomentDuringAReinstallationGetsTheNewContent)
{
    const std::string pkg = CopyPackage("held");
    InstallSilently(pkg);
    const std::string readme = DefaultInstallFolder() + "\\readme.txt";
    ASSERT_TRUE(pixtest::WriteFileBytes(pkg + "\\readme.txt", "the new readme"));
    HANDLE hHeld = ::CreateFileA(readme.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    std::thread letGo([hHeld] {
        ::Sleep(1000);
        ::CloseHandle(hHeld);
    });
    DWORD code = 99;
    const bool ran = RunProgram(pkg + "\\setup.exe", "-s", &code);
    letGo.join();
    ASSERT_TRUE(ran);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(pixtest::ReadFileBytes(readme), "the new readme");
    EXPECT_FALSE(FileExists(readme + ".old"));
}

TEST_F(InstallE2e, SilentInstallationThatCannotWriteItsKeysEndsWithCode3)
{
    DWORD code = 99;
    {
        CRefusedValues refused(kProductKey);
        ASSERT_TRUE(refused.IsInForce());
        ASSERT_TRUE(RunProgram(CopyPackage("nokeys") + "\\setup.exe", "-s", &code));
    }
    EXPECT_EQ(code, 3u);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Path"), "<missing>");
    // Every other step ran all the same.
    EXPECT_TRUE(FileExists(DefaultInstallFolder() + "\\PixUnInst.exe"));
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "Pixorama 5");
}

TEST_F(InstallE2e, InteractiveInstallationThatCannotWriteItsKeysEndsWithCode3AfterFinish)
{
    CRefusedValues refused(kProductKey);
    ASSERT_TRUE(refused.IsInForce());
    DWORD pid = 0;
    HANDLE hProcess = StartProgram(CopyPackage("nokeys-wizard") + "\\setup.exe", "", &pid);
    ASSERT_TRUE(hProcess);
    EXPECT_TRUE(RunWizardToFinish(pid, hProcess));
    DWORD code = 99;
    EXPECT_TRUE(pixtest::WaitForExit(hProcess, 20000, &code));
    ::CloseHandle(hProcess);
    EXPECT_EQ(code, 3u);
    EXPECT_TRUE(FileExists(DefaultInstallFolder() + "\\PixUnInst.exe"));
    EXPECT_TRUE(WaitForRecordedPage(20000)) << "the after-installation page was not recorded, or its handler still runs";
}

TEST_F(InstallE2e, CancelledWizardEndsWithCode1AndInstallsNothing)
{
    DWORD pid = 0;
    HANDLE hProcess = StartProgram(CopyPackage("cancel") + "\\setup.exe", "", &pid);
    ASSERT_TRUE(hProcess);
    const HWND hFrame = pixtest::WaitForWindow(pid, pixtest::kDialogClass, kAppTitleUtf8, 20000);
    ASSERT_TRUE(hFrame) << "no wizard frame";
    ASSERT_TRUE(pixtest::PressButton(hFrame, IDCANCEL));
    pixtest::MessageBoxInfo box;
    ASSERT_TRUE(pixtest::ReadMessageBox(pixtest::WaitForMessageBox(pid, 20000), &box));
    pixtest::PressButton(box.hwnd, IDYES);
    DWORD code = 99;
    EXPECT_TRUE(pixtest::WaitForExit(hProcess, 20000, &code));
    ::CloseHandle(hProcess);
    EXPECT_EQ(code, 1u);
    EXPECT_FALSE(FolderExists(DefaultInstallFolder()));
}

namespace {

// Names that code page 1250 cannot spell: the package's download folder and a temporary folder.
const wchar_t kCyrillicDownloads[] = L"\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438";  // "Загрузки"
const wchar_t kCyrillicTemp[] = L"\u0412\u0440\u0435\u043c\u0435\u043d\u043d\u044b\u0435";     // "Временные"
const wchar_t kCyrillicPrograms[] = L"\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b";  // "Программы"

bool FileExistsW(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The test's own paths are in the system code page.
std::wstring Wide(const std::string& text)
{
    wchar_t wide[MAX_PATH] = L"";
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH);
    return wide;
}

// A copy of the demo package in a folder of that name below the scratch folder (returned).
std::wstring CopyPackageTo(const std::string& scratchName, const std::wstring& folderName)
{
    std::wstring to = Wide(pixtest::MakeScratchFolder(scratchName)) + L"\\" + folderName;
    EXPECT_TRUE(::CreateDirectoryW(to.c_str(), NULL));
    for (const std::string& name : ListFiles(BuiltPackageFolder())) {
        const std::wstring from = Wide(BuiltPackageFolder() + "\\" + name);
        if (name[0] != '.') {
            EXPECT_TRUE(::CopyFileW(from.c_str(), (to + L"\\" + Wide(name)).c_str(), FALSE)) << name;
        }
    }
    return to;
}

bool RunWide(std::wstring commandLine, DWORD* pExitCode)
{
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return false;
    ::CloseHandle(pi.hThread);
    const bool ended = pixtest::WaitForExit(pi.hProcess, kRunTimeoutMs, pExitCode);
    ::CloseHandle(pi.hProcess);
    return ended;
}

// Sets an environment variable of this process, which the programs it starts inherit, for as
// long as it lives.
class CEnvironmentOverride {
public:
    CEnvironmentOverride(const wchar_t* pszName, const std::wstring& value) : m_name(pszName)
    {
        wchar_t old[MAX_PATH] = L"";
        m_hadValue = ::GetEnvironmentVariableW(pszName, old, MAX_PATH) != 0;
        m_old = old;
        ::SetEnvironmentVariableW(pszName, value.c_str());
    }
    ~CEnvironmentOverride() { ::SetEnvironmentVariableW(m_name.c_str(), m_hadValue ? m_old.c_str() : NULL); }
    CEnvironmentOverride(const CEnvironmentOverride&) = delete;
    CEnvironmentOverride& operator=(const CEnvironmentOverride&) = delete;
private:
    std::wstring m_name;
    std::wstring m_old;
    bool m_hadValue;
};

// A string value as people and other programs read it, in UTF-16; "<missing>" when it cannot be read.
std::wstring RegTextW(const char* pszKey, const wchar_t* pszValue)
{
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, pszKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return L"<missing>";
    wchar_t text[1024] = L"";
    DWORD cbData = sizeof text - sizeof(wchar_t);
    DWORD type = REG_NONE;
    const LONG status = ::RegQueryValueExW(hKey, pszValue, NULL, &type, reinterpret_cast<BYTE*>(text), &cbData);
    ::RegCloseKey(hKey);
    return status == ERROR_SUCCESS && type == REG_SZ ? std::wstring(text) : L"<missing>";
}

// The App Paths entry as an earlier installation wrote it, in UTF-16.
bool RecordEarlierInstallation(const std::wstring& program)
{
    HKEY hKey = NULL;
    if (::RegCreateKeyA(HKEY_LOCAL_MACHINE, kAppPathsKey, &hKey) != ERROR_SUCCESS)
        return false;
    const LONG status = ::RegSetValueExW(hKey, L"", 0, REG_SZ, reinterpret_cast<const BYTE*>(program.c_str()),
                                         static_cast<DWORD>((program.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(hKey);
    return status == ERROR_SUCCESS;
}

// The short form of an existing path, which every code page spells.
std::string ShortForm(const std::wstring& path)
{
    wchar_t shortForm[MAX_PATH] = L"";
    const DWORD length = ::GetShortPathNameW(path.c_str(), shortForm, MAX_PATH);
    char spelled[MAX_PATH] = "";
    ::WideCharToMultiByte(CP_ACP, 0, shortForm, -1, spelled, MAX_PATH, NULL, NULL);
    return length > 0 && length < MAX_PATH ? spelled : "";
}

// The installed uninstaller, silent, with its second stage run to its end.
void UninstallSilently(const std::string& dest)
{
    const stagewatch::SStageRun run = stagewatch::RunTwoStages("\"" + dest + "\\PixUnInst.exe\" -s", NULL, kRunTimeoutMs);
    EXPECT_TRUE(run.firstEnded && run.firstExitCode == 0) << "first stage: " << run.firstExitCode;
    EXPECT_TRUE(run.childFound) << "no second stage";
    EXPECT_TRUE(run.childEnded && run.childExitCode == 0) << "second stage: " << run.childExitCode;
}

}  // namespace

// A download folder, an installation folder and a temporary folder of Cyrillic names on a
// Hungarian system. The earlier installation in "Программы\Pixo" is installed over, and again by
// what that run wrote, by an installer saved under another name; the Apps entry names the folder
// as people read it; the uninstaller, reached through the folder's short name and run from a
// temporary copy, removes it all.
TEST_F(InstallE2e, FoldersThatTheCodePageCannotSpellInstallUpgradeAndUninstall)
{
    const std::wstring pkg = CopyPackageTo("cyrillic", kCyrillicDownloads);
    const std::wstring programs = Wide(pixtest::MakeScratchFolder("cyrillic-dest")) + L"\\" + kCyrillicPrograms;
    ASSERT_TRUE(::CreateDirectoryW(programs.c_str(), NULL));
    const std::wstring dest = programs + L"\\Pixo";
    const std::wstring program = dest + L"\\Pixcap5.exe";
    ASSERT_TRUE(::CreateDirectoryW(dest.c_str(), NULL));
    ASSERT_TRUE(pixtest::WriteFileBytes(ShortForm(dest) + "\\Pixcap5.exe", "the earlier application"));
    ASSERT_TRUE(RecordEarlierInstallation(program));
    ASSERT_TRUE(WriteRegText(HKEY_LOCAL_MACHINE, kProductKey, "AllUsers", "B"));
    // Saved under the download's name: an installer by its name, which has a short name of its own.
    const std::wstring installer = pkg + L"\\Pixorama5-setup.exe";
    ASSERT_TRUE(::CopyFileW((pkg + L"\\setup.exe").c_str(), installer.c_str(), TRUE));
    for (const char* run : { "over the earlier installation", "over its own" }) {
        DWORD code = 99;
        ASSERT_TRUE(RunWide(L"\"" + installer + L"\" -s", &code));
        ASSERT_EQ(code, 0u) << run;
    }
    for (const wchar_t* name : { L"Pixcap5.exe", L"PixUnInst.exe", L"PixUnInst.log", L"Pixcap5Man.chm" })
        EXPECT_TRUE(FileExistsW(dest + L"\\" + name)) << pixtest::Utf8FromWide(name);
    EXPECT_FALSE(FolderExists(DefaultInstallFolder()));
    const std::string group = ShellFolder(true, "Common Programs") + "\\Pixorama 5";
    EXPECT_TRUE(FileExists(group + "\\" + kLinkProgram));
    const std::wstring uninstaller = L"\"" + dest + L"\\PixUnInst.exe\"";
    EXPECT_EQ(RegTextW(kUninstallKey, L"UninstallString"), uninstaller);
    EXPECT_EQ(RegTextW(kUninstallKey, L"QuietUninstallString"), uninstaller + L" -s");
    EXPECT_EQ(RegTextW(kUninstallKey, L"DisplayIcon"), program + L",0");
    EXPECT_EQ(RegTextW(kUninstallKey, L"InstallLocation"), dest);
    EXPECT_EQ(RegTextW(kAppPathsKey, L""), program);

    const std::string shortPrograms = ShortForm(programs);
    ASSERT_FALSE(shortPrograms.empty());
    const std::wstring temp = Wide(pixtest::MakeScratchFolder("cyrillic-temp")) + L"\\" + kCyrillicTemp;
    ASSERT_TRUE(::CreateDirectoryW(temp.c_str(), NULL));
    {
        CEnvironmentOverride tempOverride(L"TEMP", temp);
        CEnvironmentOverride tmpOverride(L"TMP", temp);
        UninstallSilently(shortPrograms + "\\Pixo");
    }
    EXPECT_EQ(::GetFileAttributesW(dest.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(FolderExists(group));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kAppPathsKey));
    ::RemoveDirectoryW(programs.c_str());
}

// An earlier installation recorded in a folder that cannot be named in the code page (here: its
// Cyrillic folder is gone, so it has no short name either) is neither installed over nor left
// orphaned by a fresh installation elsewhere: nothing is written, and the run ends with 1.
TEST_F(InstallE2e, EarlierInstallationInAFolderWithoutAnyNameInTheCodePageIsRefused)
{
    const std::wstring program = Wide(pixtest::MakeScratchFolder("cyrillic-gone")) + L"\\" + kCyrillicPrograms +
                                 L"\\Pixcap5.exe";
    ASSERT_TRUE(RecordEarlierInstallation(program));
    DWORD code = 99;
    ASSERT_TRUE(RunProgram(CopyPackage("unnamed") + "\\setup.exe", "-s", &code));
    EXPECT_EQ(code, 1u);
    EXPECT_FALSE(FolderExists(DefaultInstallFolder()));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(RegTextW(kAppPathsKey, L""), program);
}

// Code page 1252 has no "ő": the shortcuts are named as the string table writes them all the
// same, the log names them by their short names, and the uninstallation removes them. Runs in a
// registration of its own under a Western European locale (PIX_WINE_LANG=C.UTF-8).
TEST_F(InstallE2e, OnAWesternCodePageTheHungarianShortcutNamesAreExactAndGoWithTheUninstallation)
{
    if (::GetACP() != 1252)
        GTEST_SKIP() << "needs code page 1252; this run has " << ::GetACP();
    InstallSilently(CopyPackage("western"));
    const std::string dest = DefaultInstallFolder();
    const std::wstring group = Wide(ShellFolder(true, "Common Programs")) + L"\\Pixorama 5\\";
    const wchar_t* const captions[] = { L"Pixorama 5.lnk", L"Pixorama 5 S\u00fag\u00f3.lnk",
                                        L"B\u0151vebben a Pixorama 5-r\u0151l.lnk",
                                        L"A Pixorama 5 elt\u00e1vol\u00edt\u00e1sa.lnk" };
    for (const wchar_t* caption : captions)
        EXPECT_TRUE(FileExistsW(group + caption)) << pixtest::Utf8FromWide(caption);
    EXPECT_FALSE(FileExistsW(group + L"Bovebben a Pixorama 5-rol.lnk"));
    // Every logged shortcut names a file that is there, in whatever form the log holds it.
    int links = 0;
    for (const std::string& line : ReadLines(dest + "\\PixUnInst.log")) {
        if (line.rfind("Shell Link: ", 0) != 0)
            continue;
        ++links;
        EXPECT_TRUE(FileExists(line.substr(12))) << line;
    }
    EXPECT_EQ(links, 5);

    UninstallSilently(dest);
    for (const wchar_t* caption : captions)
        EXPECT_FALSE(FileExistsW(group + caption)) << pixtest::Utf8FromWide(caption);
    EXPECT_FALSE(FolderExists(dest));
}
