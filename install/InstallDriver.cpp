// install/InstallDriver.cpp - install mode: earlier installation, versions, wizard or silent run, follow-up.
#include "install/InstallDriver.h"
#include <windows.h>
#include <shellapi.h>
#include <io.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "framework/PathText.h"
#include "framework/UiText.h"
#include "install/FileOps.h"
#include "install/GroupName.h"
#include "install/InstallState.h"
#include "install/InstallSteps.h"
#include "install/MakerAddresses.h"
#include "install/Registry.h"
#include "install/VersionText.h"
#include "setup_resources/resource.h"
#include "uninstall/InstallLog.h"
#include "uninstall/LogLine.h"
#include "wizard/WizardFrame.h"

namespace {

const char kProgramName[] = "\\Pixcap5.exe";
const char kLogName[] = "\\PixUnInst.log";
const char kOldLogName[] = "\\install.log";
const char kUrlLineStart[] = "URL=http://";
// "HomePage.url" lines are read into this many bytes, terminator included.
const int kUrlLineBytes = 260;

bool AskVersionQuestion(const FileVersion& installed, const FileVersion& package)
{
    std::wstring text;
    if (PackedVersion(package) < PackedVersion(installed))
        text = FormatResString(IDS_DOWNGRADE_QUESTION, installed.major, installed.minor, installed.third,
                               installed.fourth, package.major, package.minor, package.third, package.fourth);
    else
        text = FormatResString(IDS_REINSTALL_QUESTION, package.major, package.minor, package.third,
                               package.fourth);
    return AppMessageBox(NULL, text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// "Shell Link: " + programs folder + group + "\" + name: the last such line names the group.
// The start-up shortcut lies under the programs folder too, so its lines are left out.
void TakeEarlierProgramGroup(FILE* pLog)
{
    const bool common = InstallChoices.allUsers != 0;
    HKEY hRoot = common ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    std::string programs = ReadRegistryString(hRoot, kShellFoldersKey, common ? "Common Programs" : "Programs");
    std::string startup = ReadRegistryString(hRoot, kShellFoldersKey, common ? "Common Startup" : "Startup");
    if (programs.empty() || programs.back() != '\\')
        programs += '\\';
    programs = LowerAscii(programs);
    startup = LowerAscii(startup);
    const size_t prefixChars = std::strlen(kPrefixShellLink);
    char line[kLogLineBytes];
    while (ReadLogLine(pLog, line)) {
        if (!LineHasPrefix(line, kPrefixShellLink))
            continue;
        const std::string rest(line + prefixChars);
        const std::string lower = LowerAscii(rest);
        if (lower.compare(0, programs.size(), programs) != 0 || lower.find(startup) != std::string::npos)
            continue;
        const std::string group = GetParentFolder(rest.c_str() + programs.size());
        std::string normalised = group;
        NormaliseGroupName(normalised);
        if (IsSafeGroupName(normalised))  // a group outside the programs folder is no group of ours
            InstallChoices.programGroupName = group;
    }
}

void ReadEarlierProgramGroup()
{
    const std::string& dest = InstallChoices.destinationFolder;
    FILE* pLog = std::fopen((dest + kLogName).c_str(), "r");
    if (!pLog)
        pLog = std::fopen((dest + kOldLogName).c_str(), "r");
    if (!pLog)
        return;
    TakeEarlierProgramGroup(pLog);
    std::fclose(pLog);
}

// Leaves the package version in VersionRecord. False when the user declined the question.
bool SettleVersionsAndEarlierChoices()
{
    InstallChoicesRecord& c = InstallChoices;
    if (c.freshInstall) {
        GetFileVersion((c.sourceFolder + kProgramName).c_str());
        return true;
    }
    GetFileVersion((c.destinationFolder + kProgramName).c_str());
    const FileVersion installed = VersionRecord;
    GetFileVersion((c.sourceFolder + kProgramName).c_str());
    if (SilentFlag || PackedVersion(VersionRecord) > PackedVersion(installed))
        c.upgrade = 1;
    else if (!AskVersionQuestion(installed, VersionRecord))
        return false;
    c.allUsers = ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvanta\\Pixorama v.5", "AllUsers") == "B";
    ReadEarlierProgramGroup();
    return true;
}

// The text from "?" to the end of the first "URL=http://" line of "HomePage.url", or empty.
std::string ReadHomePageQuery()
{
    FILE* pFile = std::fopen((InstallChoices.destinationFolder + "\\HomePage.url").c_str(), "r");
    if (!pFile)
        return std::string();
    std::string query;
    char line[kUrlLineBytes];
    while (std::fgets(line, sizeof line, pFile)) {
        if (std::strncmp(line, kUrlLineStart, std::strlen(kUrlLineStart)) != 0)
            continue;
        const char* pQuery = std::strchr(line, '?');
        if (pQuery)
            query.assign(pQuery, std::strcspn(pQuery, "\r\n"));
        break;
    }
    std::fclose(pFile);
    return query;
}

void OpenAfterInstallPage()
{
    const std::string query = ReadHomePageQuery();
    std::string page = PIX_MAKER_WEB_SERVER;
    page += query.empty() ? "/pxr/installed.asp" : "/pxr/InstScript.asp" + query;
    ::ShellExecuteA(NULL, "open", page.c_str(), NULL, NULL, SW_SHOW);  // a failure is not reported
}

void StartInstalledProgram()
{
    const std::string program = InstallChoices.destinationFolder + kProgramName;
    if (!FitsPath(program))
        return;
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (::CreateProcessA(program.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
}

bool PackageIsComplete()
{
    const std::string manifest = InstallChoices.sourceFolder + kLogName;
    return VersionRecord.major != 0 && _access(manifest.c_str(), 0) == 0;
}

}  // namespace

int RunInstaller()
{
    InstallChoicesRecord& c = InstallChoices;
    c.destinationFolder = FindPreviousInstallFolder();
    c.sourceFolder = GetOwnFolder();
    if (c.destinationFolder.empty()) {
        c.destinationFolder = GetProgramFilesFolder() + "\\Pixorama 5";
        c.freshInstall = 1;
    }
    c.programGroupName = LoadResString(IDS_PRODUCT_NAME);
    if (!SettleVersionsAndEarlierChoices())
        return 1;
    if (!PackageIsComplete())
        ReportDamagedPackage();
    InstallStepsResult result = kInstallDone;
    if (SilentFlag) {
        if (c.freshInstall)
            c.allUsers = 1;
        result = PerformInstallSteps();
    } else {
        CWizardFrameDlg dlg;
        if (dlg.DoModal() != IDOK)
            return 1;
        result = dlg.GetInstallResult();
    }
    ::SetCurrentDirectoryA(c.destinationFolder.c_str());  // result ignored
    if (!SilentFlag && (c.freshInstall || c.upgrade))
        OpenAfterInstallPage();
    if (c.runAfterInstall)
        StartInstalledProgram();
    // Deployment tools learn from this alone that a file or key could not be written.
    return result;
}

void ReportDamagedPackage()
{
    AppMessageBoxId(NULL, IDS_DAMAGED_PACKAGE, MB_OK | MB_ICONSTOP);
    ::ShellExecuteA(NULL, "open", PIX_MAKER_HOME_PAGE, NULL, NULL, SW_SHOW);
    std::exit(1);
}
