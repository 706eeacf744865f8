// install/InstallSteps.cpp - the whole installation from settled choices.
#include "install/InstallSteps.h"
#include <windows.h>
#include <io.h>
#include <string>
#include <vector>
#include "framework/UiText.h"
#include "install/InstallState.h"
#include "install/PackageManifest.h"
#include "platform/AnsiPath.h"
#include "platform/FileOps.h"
#include "platform/InstallLog.h"
#include "platform/ObjectSecurity.h"
#include "platform/Registry.h"
#include "platform/ShellLink.h"
#include "setup_resources/resource.h"
#include "text/GroupName.h"
#include "text/LogLine.h"
#include "text/MakerAddresses.h"
#include "text/PathText.h"
#include "text/ProductNames.h"

BOOL (WINAPI* g_pfnCreateInstallFolder)(LPCSTR, LPSECURITY_ATTRIBUTES) = ::CreateDirectoryA;

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
    void WriteText(const char* pszKey, const char* pszValue, const std::wstring& text)
    {
        m_bAllWritten &= WriteRegistryText(HKEY_LOCAL_MACHINE, pszKey, pszValue, text);
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

// What the copy of the package achieved.
struct SPackageCopy {
    bool filesWritten;  // every file that the manifest names and the package holds
    bool logCopied;     // the manifest became the new installation's log
};

// The package's files, then the manifest itself as the new installation's log, to which the
// lines of the later steps are appended.
SPackageCopy CopyPackageAndLog()
{
    const InstallChoicesRecord& c = InstallChoices;
    SPackageCopy copy;
    copy.filesWritten = RunPackageManifest(AppendName(c.sourceFolder, kInstallLogFile).c_str());
    copy.logCopied = CopyMatchingFiles(kInstallLogFile, c.sourceFolder.c_str(), c.destinationFolder.c_str()) > 0;
    AppendLogLine(NewLogPath().c_str(), "");
    return copy;
}

// The rights that Program Files gives what lies in it: the system, the administrators and the
// installer service may change the folder and its files, every user may read and run them.
// Protected, so that nothing of the folder it lies in reaches it: on a drive's root, for one,
// authenticated users may change the folders inside, and would replace the uninstaller that
// administrators later run elevated. Only for a process that the entries let write there: any
// other would lock itself out of the folder it is about to fill.
void CreateInstallFolder(const std::string& folder)
{
    if (!FitsPath(folder) || PathExists(folder))
        return;  // a folder that exists already keeps its rights
    CSecurityAttributes security;
    BOOL administrator = FALSE;
    const std::vector<BYTE> administrators = MakeTrusteeSid(Trustee::Administrators);
    if (!administrators.empty() &&
        ::CheckTokenMembership(NULL, const_cast<BYTE*>(administrators.data()), &administrator) && administrator)
        security.Build({{Trustee::System, FILE_ALL_ACCESS},
                        {Trustee::Administrators, FILE_ALL_ACCESS},
                        {Trustee::TrustedInstaller, FILE_ALL_ACCESS},
                        {Trustee::Users, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE}},
                       true);
    g_pfnCreateInstallFolder(folder.c_str(), security.Get());  // a failure shows in the copies
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

// The Apps entry promises an installation that can be removed: it stands only when the
// uninstaller is in place and the manifest became its log (a log that only later lines made
// holds no file to remove). Otherwise Windows would list an installation that its uninstaller
// cannot remove, so an entry of an earlier run goes too.
bool CanBeUninstalled(const std::string& dest, bool logCopied)
{
    return logCopied && PathExists(AppendName(dest, kUninstallerFile));
}

// People and other programs read these in UTF-16, so they name the folder in its long form even
// where the code page lacks a letter of it; the product itself reads them back by its path rule.
void WriteAppsEntry(CMachineValueWriter& values, const std::string& dest, const std::wstring& program)
{
    // Quoted: the path holds blanks, and the system runs an unquoted one as "C:\Program.exe"
    // first when such a file exists.
    const std::wstring uninstaller = L"\"" + LongPathForReaders(AppendName(dest, kUninstallerFile)) + L"\"";
    values.WriteString(kUninstallKey, "Contact", "Support");
    values.WriteString(kUninstallKey, "DisplayName", LoadResString(IDS_PRODUCT_NAME));
    values.WriteString(kUninstallKey, "DisplayVersion", "5");
    values.WriteString(kUninstallKey, "Publisher", kPublisherName);
    values.WriteText(kUninstallKey, "UninstallString", uninstaller);
    values.WriteString(kUninstallKey, "URLInfoAbout", PIX_MAKER_HOME_PAGE);
    // What the Apps list and deployment tools read besides: the silent removal, the icon and the
    // folder; there is nothing to modify or repair.
    values.WriteText(kUninstallKey, "QuietUninstallString", uninstaller + L" -s");
    values.WriteText(kUninstallKey, "DisplayIcon", program + L",0");
    values.WriteText(kUninstallKey, "InstallLocation", LongPathForReaders(dest));
    values.WriteDword(kUninstallKey, "NoModify", 1);
    values.WriteDword(kUninstallKey, "NoRepair", 1);
}

// True when the Apps entry was written. The App Paths entry names the application wherever it
// is in place, entry or not: it is how the next setup finds this folder again.
bool WriteRegistryEntries(CMachineValueWriter& values, bool logCopied)
{
    const std::string& dest = InstallChoices.destinationFolder;
    values.WriteString(kProductKey, kAllUsersValue, InstallChoices.allUsers ? kAllUsersCommon : kAllUsersCurrentUser);
    values.WriteString(kProductKey, kInstallFolderValue, dest);
    const std::string program = AppendName(dest, kCaptureAppFile);
    const std::wstring programForReaders = LongPathForReaders(program);
    if (PathExists(program))
        values.WriteText(kAppPathsKey, NULL, programForReaders);
    else
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPathsKey);
    if (CanBeUninstalled(dest, logCopied)) {
        WriteAppsEntry(values, dest, programForReaders);
        return true;
    }
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
    CreateInstallFolder(c.destinationFolder);
    const SPackageCopy copy = CopyPackageAndLog();
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
    const bool listed = WriteRegistryEntries(values, copy.logCopied);
    CopySettingsBesidePackage();
    if (listed)
        RecordInstalledSize(values);  // last, once every file is in place
    // Without the uninstaller and its log the installation cannot be removed: no installation to
    // report as done, whatever the package named.
    if (!copy.filesWritten || !listed)
        return kInstallFilesNotWritten;
    return values.AllWritten() ? kInstallDone : kInstallKeysNotWritten;
}
