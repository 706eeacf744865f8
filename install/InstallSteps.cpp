// install/InstallSteps.cpp - the whole installation from settled choices.
#include "install/InstallSteps.h"
#include <windows.h>
#include <io.h>
#include <string>
#include "framework/UiText.h"
#include "install/InstallState.h"
#include "install/PackageManifest.h"
#include "platform/AnsiPath.h"
#include "platform/FileOps.h"
#include "platform/InstallLog.h"
#include "platform/Registry.h"
#include "platform/ShellLink.h"
#include "setup_resources/resource.h"
#include "text/GroupName.h"
#include "text/LogLine.h"
#include "text/MakerAddresses.h"
#include "text/PathText.h"
#include "text/ProductNames.h"

namespace {

// A shorter common programs folder (no drive and folder name) cannot be used for the group.
const size_t kMinCommonProgramsChars = 4;

// Writes values under HKLM and remembers whether any was refused; every value is still tried.
class CMachineValueWriter {
public:
    CMachineValueWriter() : m_bAllWritten(true) {}
    void WriteString(const char* pszKey, const char* pszValue, const std::string& text)
    {
        m_bAllWritten &= WriteRegistryString(HKEY_LOCAL_MACHINE, pszKey, pszValue, text.c_str());
    }
    void WriteDword(const char* pszKey, const char* pszValue, DWORD value)
    {
        m_bAllWritten &= WriteRegistryDword(HKEY_LOCAL_MACHINE, pszKey, pszValue, value);
    }
    bool AllWritten() const { return m_bAllWritten; }
private:
    bool m_bAllWritten;
};

std::string NewLogPath()
{
    return AppendName(InstallChoices.destinationFolder, kInstallLogFile);
}

// The package's files, then the manifest itself as the new installation's log, to which the
// lines of the later steps are appended. False when the destination refused any of them.
bool CopyPackageAndLog()
{
    const InstallChoicesRecord& c = InstallChoices;
    const bool filesWritten = RunPackageManifest(AppendName(c.sourceFolder, kInstallLogFile).c_str());
    const bool logWritten = CopyMatchingFiles(kInstallLogFile, c.sourceFolder.c_str(), c.destinationFolder.c_str()) > 0;
    AppendLogLine(NewLogPath().c_str(), "");
    return filesWritten && logWritten;
}

void RemoveEarlierInstallation()
{
    const std::string& dest = InstallChoices.destinationFolder;
    UndoLinksAndFolders(AppendName(dest, kOldInstallLogFile).c_str());
    UndoLinksAndFolders(AppendName(dest, kInstallLogFile).c_str());
    const std::string manifest = AppendName(InstallChoices.sourceFolder, kInstallLogFile);
    UndoFileEntries(manifest.c_str(), dest.c_str(), kPrefixFileDel);
}

// The folder of the common installation unless its programs folder is unusable; then the
// current user's, and the all-users flag stays cleared for everything that follows.
std::string SettleProgramsFolder()
{
    if (InstallChoices.allUsers) {
        const std::string common = ReadShellFolder(ShellFolder::Programs, true);
        if (common.size() >= kMinCommonProgramsChars)
            return common;
        InstallChoices.allUsers = 0;
    }
    return ReadShellFolder(ShellFolder::Programs, false);
}

void CreateFolderIfFits(const std::string& path)
{
    if (FitsPath(path))
        ::CreateDirectoryA(path.c_str(), NULL);  // an existing folder is fine; failures pass over
}

// Makes programs folder + "\" + name level by level; returns the group folder, logged once:
// the uninstaller removes emptied parents upward from it.
std::string CreateGroupFolder(const std::string& programsFolder, const std::string& name)
{
    for (size_t p = FindPathChar(name, "\\"); p != std::string::npos; p = FindPathChar(name, "\\", p + 1))
        CreateFolderIfFits(programsFolder + "\\" + name.substr(0, p));
    const std::string group = programsFolder + "\\" + name;
    CreateFolderIfFits(group);
    if (FitsPath(group))
        AppendLogLine(NewLogPath().c_str(), (std::string(kPrefixMadeDir) + group).c_str());
    return group;
}

// folder ends with a separator; the caption comes from the string table as it is written there,
// whether or not the system code page has all of its letters.
void CreateLinkIn(const std::string& folder, UINT captionId, const char* pszTargetName)
{
    const std::wstring link = WideFromAnsi(folder) + LoadResStringW(captionId) + L".lnk";
    const std::string target = AppendName(InstallChoices.destinationFolder, pszTargetName);
    if (!FitsPath(target))
        return;
    CreateShellLink(target.c_str(), link.c_str(), "", 1, NULL, NULL);  // logs itself on success
}

std::string WithSeparator(const std::string& folder)
{
    return EndsWithSeparator(folder) ? folder : folder + "\\";
}

void CreateGroupLinks(const std::string& groupFolder)
{
    if (!FitsPath(groupFolder) || _access(groupFolder.c_str(), 0) != 0)
        return;
    const std::string folder = WithSeparator(groupFolder);
    CreateLinkIn(folder, IDS_PRODUCT_NAME, kCaptureAppFile);
    CreateLinkIn(folder, IDS_HELP_LINK, kHelpFile);
    CreateLinkIn(folder, IDS_README_LINK, kReadmeFile);
    CreateLinkIn(folder, IDS_UNINSTALL_LINK, kUninstallerFile);
}

// A shell folder that cannot be read gives no shortcut: an empty text would put it into the
// root folder of the current drive.
void CreateShellFolderLink(ShellFolder where)
{
    const std::string folder = ReadShellFolder(where, InstallChoices.allUsers != 0);
    if (!folder.empty())
        CreateLinkIn(WithSeparator(folder), IDS_PRODUCT_NAME, kCaptureAppFile);
}

// What the Apps list and deployment tools read besides the uninstaller: the silent removal,
// the icon and the folder; there is nothing to modify or repair.
void WriteAppsEntryDetails(CMachineValueWriter& values, const std::string& dest, const std::string& uninstaller)
{
    values.WriteString(kUninstallKey, "QuietUninstallString", uninstaller + " -s");
    values.WriteString(kUninstallKey, "DisplayIcon", AppendName(dest, kCaptureAppFile) + ",0");
    values.WriteString(kUninstallKey, "InstallLocation", dest);
    values.WriteDword(kUninstallKey, "NoModify", 1);
    values.WriteDword(kUninstallKey, "NoRepair", 1);
}

// The Apps entry and the App Paths entry promise an installation that can be used and removed:
// they stand only when its uninstaller and its log are in place. Otherwise Windows would list an
// installation whose uninstaller does not exist, so an entry of an earlier run goes too.
bool CanBeUninstalled(const std::string& dest)
{
    return PathExists(AppendName(dest, kUninstallerFile)) && PathExists(AppendName(dest, kInstallLogFile));
}

void WriteAppsEntry(CMachineValueWriter& values, const std::string& dest)
{
    // Quoted: the path holds blanks, and the system runs an unquoted one as "C:\Program.exe"
    // first when such a file exists.
    const std::string uninstaller = "\"" + AppendName(dest, kUninstallerFile) + "\"";
    values.WriteString(kAppPathsKey, NULL, AppendName(dest, kCaptureAppFile));
    values.WriteString(kUninstallKey, "Contact", "Support");
    values.WriteString(kUninstallKey, "DisplayName", LoadResString(IDS_PRODUCT_NAME));
    values.WriteString(kUninstallKey, "DisplayVersion", "5");
    values.WriteString(kUninstallKey, "Publisher", kPublisherName);
    values.WriteString(kUninstallKey, "UninstallString", uninstaller);
    values.WriteString(kUninstallKey, "URLInfoAbout", PIX_MAKER_HOME_PAGE);
    WriteAppsEntryDetails(values, dest, uninstaller);
}

// True when the Apps entry was written.
bool WriteRegistryEntries(CMachineValueWriter& values)
{
    const std::string& dest = InstallChoices.destinationFolder;
    values.WriteString(kProductKey, kAllUsersValue, InstallChoices.allUsers ? kAllUsersCommon : kAllUsersCurrentUser);
    values.WriteString(kProductKey, kInstallFolderValue, dest);
    if (CanBeUninstalled(dest)) {
        WriteAppsEntry(values, dest);
        return true;
    }
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPathsKey);
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    return false;
}

// The folder of the package that "sfxname" names, taken in UTF-16: it may lie in a folder that
// the code page cannot spell. Empty when the variable is not set.
std::string FindPackageFolder()
{
    const std::wstring name = WideFromAnsi(kPackagePathVariable);
    const DWORD chars = ::GetEnvironmentVariableW(name.c_str(), NULL, 0);
    if (chars == 0)
        return std::string();
    std::wstring package(chars, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name.c_str(), &package[0], chars);
    package.resize(length < chars ? length : 0);
    const size_t backslash = package.rfind(L'\\');
    if (backslash == std::wstring::npos || backslash == 0)
        return std::string();
    return AnsiPathFromWide(package.substr(0, backslash));
}

// The self-extracting package names itself in "sfxname"; settings lying beside it come along.
void CopySettingsBesidePackage()
{
    const std::string folder = FindPackageFolder();
    if (!folder.empty())
        CopyInstallFile(kSettingsFile, folder.c_str(), InstallChoices.destinationFolder.c_str(), NULL);
}

// The package installs no subfolders, so the folder's own files are the installation; a file
// that someone put beside them takes the same disk and counts too.
void RecordInstalledSize(CMachineValueWriter& values)
{
    values.WriteDword(kUninstallKey, "EstimatedSize", MeasureFolderKilobytes(InstallChoices.destinationFolder));
}

}  // namespace

HRESULT CreateShellLink(const char* pszTarget, const char* pszLinkPath, const char* pszDescription,
                        int nShowCmd, const char* pszArguments, const char* pszWorkingFolder)
{
    if (!pszLinkPath)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    return CreateShellLink(pszTarget, WideFromAnsi(pszLinkPath).c_str(), pszDescription, nShowCmd, pszArguments,
                           pszWorkingFolder);
}

HRESULT CreateShellLink(const char* pszTarget, const wchar_t* pszLinkPath, const char* pszDescription,
                        int nShowCmd, const char* pszArguments, const char* pszWorkingFolder)
{
    const HRESULT hr = SaveShellLink(pszTarget, pszLinkPath, pszDescription, nShowCmd, pszArguments,
                                     pszWorkingFolder);
    if (FAILED(hr))
        return hr;
    const std::string logged = AnsiPathFromWide(pszLinkPath);
    if (logged.empty() || !FitsPath(logged)) {
        ::DeleteFileW(pszLinkPath);
        return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    }
    const std::string logPath = NewLogPath();
    if (FitsPath(logPath))
        AppendLogLine(logPath.c_str(), (std::string(kPrefixShellLink) + logged).c_str());
    return hr;
}

InstallStepsResult PerformInstallSteps()
{
    InstallChoicesRecord& c = InstallChoices;
    if (!c.freshInstall)
        RemoveEarlierInstallation();
    const bool filesWritten = CopyPackageAndLog();
    const std::string programsFolder = SettleProgramsFolder();
    NormaliseGroupName(c.programGroupName);
    // A name that climbs out of the programs folder (typed, or taken from an earlier log) would
    // put shortcuts and a logged folder anywhere on the disk: the default group stands instead.
    if (!IsSafeGroupName(c.programGroupName))
        c.programGroupName = LoadResString(IDS_PRODUCT_NAME);
    if (!programsFolder.empty())  // else the group would land in the current drive's root
        CreateGroupLinks(CreateGroupFolder(programsFolder, c.programGroupName));
    if (c.desktopIcon)
        CreateShellFolderLink(ShellFolder::Desktop);
    if (c.startWithWindows)
        CreateShellFolderLink(ShellFolder::Startup);
    CMachineValueWriter values;
    const bool listed = WriteRegistryEntries(values);
    CopySettingsBesidePackage();
    if (listed)
        RecordInstalledSize(values);  // last, once every file is in place
    if (!filesWritten)
        return kInstallFilesNotWritten;
    return values.AllWritten() ? kInstallDone : kInstallKeysNotWritten;
}
