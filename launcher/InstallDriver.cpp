// launcher/InstallDriver.cpp - install mode: earlier installation, versions, wizard or silent run, follow-up.
#include "launcher/InstallDriver.h"
#include <windows.h>
#include <shellapi.h>
#include <io.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "framework/UiText.h"
#include "install/InstallState.h"
#include "install/InstallSteps.h"
#include "platform/DesktopShell.h"
#include "platform/FileOps.h"
#include "platform/Registry.h"
#include "setup_resources/resource.h"
#include "text/GroupName.h"
#include "text/LogLine.h"
#include "text/MakerAddresses.h"
#include "text/PathText.h"
#include "text/ProductNames.h"
#include "text/VersionText.h"
#include "wizard/WizardFrame.h"

namespace {

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
    std::string programs = ReadShellFolder(ShellFolder::Programs, common);
    std::string startup = ReadShellFolder(ShellFolder::Startup, common);
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
    FILE* pLog = std::fopen(AppendName(dest, kInstallLogFile).c_str(), "r");
    if (!pLog)
        pLog = std::fopen(AppendName(dest, kOldInstallLogFile).c_str(), "r");
    if (!pLog)
        return;
    TakeEarlierProgramGroup(pLog);
    std::fclose(pLog);
}

// Leaves the package version in VersionRecord. False when the user declined the question.
bool SettleVersionsAndEarlierChoices()
{
    InstallChoicesRecord& c = InstallChoices;
    VersionRecord = GetFileVersion(AppendName(c.sourceFolder, kCaptureAppFile).c_str());
    if (c.freshInstall)
        return true;
    const FileVersion installed = GetFileVersion(AppendName(c.destinationFolder, kCaptureAppFile).c_str());
    if (SilentFlag || PackedVersion(VersionRecord) > PackedVersion(installed))
        c.upgrade = 1;
    else if (!AskVersionQuestion(installed, VersionRecord))
        return false;
    c.allUsers = ReadRegistryString(HKEY_LOCAL_MACHINE, kProductKey, kAllUsersValue) == kAllUsersCommon;
    ReadEarlierProgramGroup();
    return true;
}

// The text from "?" to the end of the first "URL=http://" line of "HomePage.url", or empty.
std::string ReadHomePageQuery()
{
    FILE* pFile = std::fopen(AppendName(InstallChoices.destinationFolder, kHomePageFile).c_str(), "r");
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
    // The browser is the person's, not the elevated account's.
    StartAsDesktopUser(page, std::string(), DesktopStart::Document);  // a failure is not reported
}

// As the person at the desktop: an application started with setup's elevated token would save
// its settings in another profile, miss the person's network drives and refuse their drag and drop.
void StartInstalledProgram()
{
    const std::string program = AppendName(InstallChoices.destinationFolder, kCaptureAppFile);
    if (!FitsPath(program))
        return;
    StartAsDesktopUser(program, InstallChoices.destinationFolder, DesktopStart::Program);  // not reported
}

bool PackageIsComplete()
{
    const std::string manifest = AppendName(InstallChoices.sourceFolder, kInstallLogFile);
    return VersionRecord.major != 0 && _access(manifest.c_str(), 0) == 0;
}

// An earlier installation in a folder that the code page cannot name, not even by short names:
// an installation there cannot be written, one elsewhere would leave it orphaned with its Apps
// entry. Nothing has been written yet, and nothing is.
int RefuseUnspellableEarlierFolder()
{
    if (!SilentFlag)
        AppMessageBoxId(NULL, IDS_UNSPELLABLE_FOLDER, MB_OK | MB_ICONSTOP);
    return 1;
}

}  // namespace

int RunInstaller()
{
    InstallChoicesRecord& c = InstallChoices;
    bool unspellable = false;
    c.destinationFolder = FindPreviousInstallFolder(&unspellable);
    if (unspellable)
        return RefuseUnspellableEarlierFolder();
    c.sourceFolder = GetOwnFolder();
    if (c.destinationFolder.empty()) {
        c.destinationFolder = AppendName(GetProgramFilesFolder(), kDefaultFolderName);
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
        CWizardFrameDlg dlg(InstallChoices);
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
