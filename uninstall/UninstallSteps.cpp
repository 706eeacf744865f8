// uninstall/UninstallSteps.cpp - the body of the second uninstall stage.
#include "uninstall/UninstallSteps.h"
#include <shlobj.h>
#include <cstring>
#include <string>
#include "framework/Handles.h"
#include "platform/DesktopShell.h"
#include "platform/InstallLog.h"
#include "platform/LinkSafeDelete.h"
#include "platform/Registry.h"
#include "text/PathText.h"
#include "text/ProductNames.h"

LONG (WINAPI* g_pfnRegDeleteKeyA)(HKEY, LPCSTR) = ::RegDeleteKeyA;

namespace {

// Registry names and values are read into buffers of this many bytes.
const DWORD kRegBufferBytes = 512;

const char* const kImageExtensionTable[] = {
    ".bmp", ".dib", ".gif", ".jpg", ".jpeg", ".tif", ".tiff", ".png", ".cmp", ".tga", ".wpg",
};
const size_t kImageExtensionCount = sizeof kImageExtensionTable / sizeof kImageExtensionTable[0];

// Name of subkey nIndex, or false when the enumeration ends (a name over 511 bytes ends it too).
bool EnumSubkey(HKEY hKey, DWORD nIndex, std::string& name)
{
    char buffer[kRegBufferBytes];
    DWORD cch = sizeof buffer;
    if (::RegEnumKeyExA(hKey, nIndex, buffer, &cch, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
        return false;
    name.assign(buffer, cch < sizeof buffer ? cch : sizeof buffer - 1);
    return true;
}

// A value of any type as text: up to its first zero byte and never past the data that arrived,
// so a value stored without a terminator cannot make the text run on.
bool ReadValueText(HKEY hKey, const char* pszValue, std::string& text)
{
    char buffer[kRegBufferBytes];
    buffer[0] = '\0';
    DWORD cb = sizeof buffer;
    text.clear();
    if (::RegQueryValueExA(hKey, pszValue, NULL, NULL, reinterpret_cast<BYTE*>(buffer), &cb) != ERROR_SUCCESS)
        return false;
    const size_t size = cb < sizeof buffer ? cb : sizeof buffer;
    text.assign(buffer, strnlen(buffer, size));
    return true;
}

// An empty path would name the root itself: deleting "" would reach keys that are not ours.
bool IsUsableSubkey(const char* pszSubkey)
{
    return pszSubkey && *pszSubkey;
}

void RemoveProductKeys(HKEY hRoot, const std::string& productPath, const std::string& makerPath)
{
    DeleteKeyTree(hRoot, productPath.c_str());
    DeleteKeyIfNoSubkeys(hRoot, makerPath.c_str());
}

void DeleteSubkeyOf(const char* pszParent, const char* pszName)
{
    CRegKey parent;
    if (IsUsableSubkey(pszName) && parent.Open(HKEY_LOCAL_MACHINE, pszParent, KEY_ALL_ACCESS) == ERROR_SUCCESS)
        ::RegDeleteKeyA(parent, pszName);
}

// Opens one extension key (kept open in key for a write) and reads its association value.
bool ReadAssociation(HKEY hRoot, const char* pszExtension, const char* pszValue, std::string& value,
                     CRegKey& key)
{
    return key.Open(hRoot, pszExtension, KEY_ALL_ACCESS) == ERROR_SUCCESS && ReadValueText(key, pszValue, value);
}

// What each extension should get back: "PixcapOld" when ours holds it now, else what it holds.
void CollectAssociations(HKEY hRoot, const char* pszValue, std::string (&slots)[kImageExtensionCount])
{
    for (size_t i = 0; i < kImageExtensionCount; ++i) {
        slots[i].clear();
        CRegKey key;
        std::string value;
        if (!ReadAssociation(hRoot, kImageExtensionTable[i], pszValue, value, key) || value.empty())
            continue;
        if (value.find(kCaptureAppFile) == std::string::npos)
            slots[i] = value;
        else
            ReadValueText(key, kSavedAssociationValue, slots[i]);
    }
}

// True when at least one extension named our program.
bool ApplyAssociations(HKEY hRoot, const char* pszValue, const std::string (&slots)[kImageExtensionCount])
{
    bool changed = false;
    for (size_t i = 0; i < kImageExtensionCount; ++i) {
        CRegKey key;
        std::string value;
        if (!ReadAssociation(hRoot, kImageExtensionTable[i], pszValue, value, key) ||
            value.find(kCaptureAppFile) == std::string::npos)
            continue;
        changed = true;
        const std::string& slot = slots[i];
        if (!slot.empty())
            ::RegSetValueExA(key, pszValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(slot.c_str()),
                             static_cast<DWORD>(slot.size() + 1));
        else
            ::RegDeleteValueA(key, pszValue);
        ::RegDeleteValueA(key, kSavedAssociationValue);
    }
    return changed;
}

// What is still held after the wait goes at the next system start: no later run would remove it.
const ELeftover kLeftover = ELeftover::kGoesAtRestart;

// The shell-folder values are each user's own: a folder on the way may be a link the user made.
void DeleteFileIfFits(const std::string& path)
{
    if (FitsPath(path))
        DeleteFileOffLinks(path, kLeftover);
}

// Start-up and desktop shortcut and the fixed group of one profile; closes the key when done.
void RemoveProfileShortcuts(CRegKey& shellFolders, bool allUsers)
{
    std::string folder = ReadPathValue(shellFolders, ShellFolderValueName(ShellFolder::Startup, allUsers));
    if (!folder.empty())
        DeleteFileIfFits(AppendName(folder, kFixedShortcutFile));
    folder = ReadPathValue(shellFolders, ShellFolderValueName(ShellFolder::Desktop, allUsers));
    if (!folder.empty())
        DeleteFileIfFits(AppendName(folder, kFixedShortcutFile));
    folder = ReadPathValue(shellFolders, ShellFolderValueName(ShellFolder::Programs, allUsers));
    shellFolders.Close();
    if (folder.empty())
        return;
    const std::string group = AppendName(folder, kFixedGroupFolder) + "\\";
    if (!FitsPath(group))
        return;
    // A group that is a link, or lies behind one, is neither emptied nor removed.
    DeleteMatchingFiles(group.c_str(), "*.*", kLeftover);
    RemoveFolderOffLinks(group, kLeftover);  // stays when something else is left in it
}

// The image associations that setup took over go back: in this account's registry (or the
// classes root), and in that of the person at the desktop where that is another account. True
// when an association named our program.
bool RestoreAssociationsIn(HKEY hRoot, const char* pszValue)
{
    std::string slots[kImageExtensionCount];
    CollectAssociations(hRoot, pszValue, slots);
    return ApplyAssociations(hRoot, pszValue, slots);
}

bool RestoreOwnImageAssociations()
{
    CRegKey root;
    const char* pszValue = "Application";
    if (root.Open(HKEY_CURRENT_USER, kFileExtsKey, KEY_ALL_ACCESS) != ERROR_SUCCESS) {
        pszValue = NULL;  // the default value of each extension key
        if (root.Open(HKEY_CLASSES_ROOT, NULL, KEY_ALL_ACCESS) != ERROR_SUCCESS)
            return false;
    }
    return RestoreAssociationsIn(root, pszValue);
}

bool RestorePersonsImageAssociations()
{
    // Setup may run under another account than the person at the desktop, whose own choices
    // these are as much.
    const std::string hive = FindDesktopUserHive();
    CRegKey person;
    return !hive.empty() &&
           person.Open(HKEY_USERS, (hive + "\\" + kFileExtsKey).c_str(), KEY_ALL_ACCESS) == ERROR_SUCCESS &&
           RestoreAssociationsIn(person, "Application");
}

void TellAssociationsChanged(bool changed)
{
    if (changed)
        ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, NULL, NULL);
}

}  // namespace

void RunUninstallSteps(const char* pszFolder, const char* pszUninstaller)
{
    // Asking the desktop shell whose it is takes a moment: the files go meanwhile, and the
    // person's own associations follow them.
    StartFindingDesktopShell();
    RemoveRegistryEntries(kMakerKeyName, kProductKeyName, kUninstallEntryName, kCaptureAppFile);
    const bool ownChanged = RestoreOwnImageAssociations();
    // Without a folder the log names would be taken from the current directory and the files
    // they list deleted in the drive's root: nothing of the folder is touched then.
    const std::string folder = pszFolder ? pszFolder : "";
    const std::string log = folder + kInstallLogFile;
    if (!folder.empty() && FitsPath(log)) {
        const std::string oldLog = folder + kOldInstallLogFile;
        UndoLinksAndFolders(oldLog.c_str(), kLeftover);
        UndoLinksAndFolders(log.c_str(), kLeftover);
        UndoFileEntries(oldLog.c_str(), folder.c_str(), NULL, kLeftover, pszUninstaller);
        UndoFileEntries(log.c_str(), folder.c_str(), NULL, kLeftover, pszUninstaller);
        DeleteMatchingFiles(folder.c_str(), kInstallLogFile, kLeftover);
        // Our own current directory would keep the folder from being removed.
        ::SetCurrentDirectoryA("\\");
        // After every file of it, so that the next system start removes them first. With the
        // uninstaller still in it, the folder goes with the uninstaller instead.
        if (!pszUninstaller)
            RemoveFolderOffLinks(folder, kLeftover);
    }
    RemoveStandardShortcuts();
    TellAssociationsChanged(RestorePersonsImageAssociations() || ownChanged);
}

void RemoveUninstallerAndFolder(const char* pszUninstaller, const char* pszFolder)
{
    // Still held (by a first stage that has not let go, or by another program): it goes at the
    // next system start, listed before the folder. Its folder was checked before the steps, and
    // is confirmed again now, since whoever may change it has had the steps' time to do so.
    if (pszUninstaller)
        DeleteFileOffLinks(pszUninstaller, kLeftover);
    const std::string folder = pszFolder;
    if (!folder.empty() && FitsPath(folder + kInstallLogFile))
        RemoveFolderOffLinks(folder, kLeftover);
}

void RemoveRegistryEntries(const char* pszMaker, const char* pszProduct, const char* pszUninstallName,
                           const char* pszAppPathsName)
{
    if (!IsUsableSubkey(pszMaker) || !IsUsableSubkey(pszProduct))
        return;
    const std::string makerPath = std::string("SOFTWARE\\") + pszMaker;
    const std::string productPath = makerPath + "\\" + pszProduct;
    RemoveProductKeys(HKEY_LOCAL_MACHINE, productPath, makerPath);
    std::string hiveName;
    for (DWORD i = 0; EnumSubkey(HKEY_USERS, i, hiveName); ++i) {
        CRegKey hive;
        if (hive.Open(HKEY_USERS, hiveName.c_str(), KEY_ALL_ACCESS) == ERROR_SUCCESS)
            RemoveProductKeys(hive, productPath, makerPath);
    }
    DeleteKeyTree(HKEY_CLASSES_ROOT, kDocumentTypeKey);
    DeleteSubkeyOf(kUninstallRoot, pszUninstallName);
    DeleteSubkeyOf(kAppPathsRoot, pszAppPathsName);
}

bool DeleteKeyTree(HKEY hRoot, const char* pszSubkey)
{
    if (!IsUsableSubkey(pszSubkey))
        return false;
    CRegKey key;
    if (key.Open(hRoot, pszSubkey, KEY_ALL_ACCESS) == ERROR_SUCCESS) {
        // A deleted subkey lets the next one move up into its index; an undeletable one is stepped over.
        DWORD index = 0;
        std::string name;
        while (EnumSubkey(key, index, name))
            if (!DeleteKeyTree(key, name.c_str()))
                ++index;
        key.Close();
    }
    return g_pfnRegDeleteKeyA(hRoot, pszSubkey) == ERROR_SUCCESS;
}

void DeleteKeyIfNoSubkeys(HKEY hRoot, const char* pszSubkey)
{
    if (!IsUsableSubkey(pszSubkey))
        return;
    CRegKey key;
    if (key.Open(hRoot, pszSubkey, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return;
    DWORD count = 0;
    std::string name;
    while (EnumSubkey(key, count, name))
        ++count;
    key.Close();
    if (count == 0)
        ::RegDeleteKeyA(hRoot, pszSubkey);
}

void RestoreImageAssociations()
{
    const bool changed = RestoreOwnImageAssociations();
    TellAssociationsChanged(RestorePersonsImageAssociations() || changed);
}

void RemoveStandardShortcuts()
{
    CRegKey common;
    if (common.Open(HKEY_LOCAL_MACHINE, kShellFoldersKey, KEY_QUERY_VALUE) == ERROR_SUCCESS)
        RemoveProfileShortcuts(common, true);
    std::string hiveName;
    for (DWORD i = 0; EnumSubkey(HKEY_USERS, i, hiveName); ++i) {
        CRegKey hive;
        if (hive.Open(HKEY_USERS, hiveName.c_str(), KEY_ALL_ACCESS) != ERROR_SUCCESS)
            continue;
        CRegKey shellFolders;
        if (shellFolders.Open(hive, kShellFoldersKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
            RemoveProfileShortcuts(shellFolders, false);
    }
}
