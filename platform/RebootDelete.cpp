// platform/RebootDelete.cpp - deletion of a file, or removal of a folder, at the next system start.
#include "platform/RebootDelete.h"
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>
#include "platform/DeletionRules.h"
#include "text/PathText.h"

namespace {

bool IsNtFamily()
{
    return (::GetVersion() & 0x80000000) == 0;
}

// The size the 9x family's profile functions handle for one section.
const DWORD kRenameSectionBytes = 16384;
const char kRenameSection[] = "rename";
const char kRenameKeyPrefix[] = "NUL=";

// Where the NT family keeps what its session manager does at the next start: pairs of strings,
// an NT path ("\??\C:\...") and the new name, empty for a deletion.
const wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingValue[] = L"PendingFileRenameOperations";
const wchar_t kNtPathPrefix[] = L"\\??\\";

// What this process has read of the pending list: its strings, each with its NUL, as read, and
// one NUL more that no read can lack; read whole, since a deletion's new name is an empty string. Known
// while it is current: our own additions make it stale.
bool g_pendingKnown = false;
std::vector<wchar_t> g_pending;

std::string GetWininitPath()
{
    char buffer[kMaxPathChars];
    const UINT length = ::GetWindowsDirectoryA(buffer, kMaxPathChars);
    if (length == 0 || length >= kMaxPathChars)
        return std::string();
    const std::string path = JoinFolderName(std::string(buffer, length), "WININIT.INI");
    return FitsPath(path) ? path : std::string();
}

// The bytes of the lines before the closing NUL, found by walking them; the buffer size when
// there is no closing NUL in it.
size_t MeasureSection(const std::vector<char>& section)
{
    size_t position = 0;
    while (position < section.size() && section[position] != '\0') {
        const void* pEnd = std::memchr(section.data() + position, '\0', section.size() - position);
        if (!pEnd)
            return section.size();
        position = static_cast<const char*>(pEnd) - section.data() + 1;
    }
    return position;
}

// The 9x family's road: a "NUL=path" line in WININIT.INI's "rename" section. A section that
// does not fit the buffer with the new line is left as it is: writing back a cut read would
// drop the lines that did not fit.
bool AppendRenameLine(const char* pszPath)
{
    const std::string iniPath = GetWininitPath();
    if (iniPath.empty())
        return false;
    std::vector<char> section(kRenameSectionBytes, '\0');
    const DWORD read = ::GetPrivateProfileSectionA(kRenameSection, section.data(), kRenameSectionBytes,
                                                   iniPath.c_str());
    // A full buffer reads back as size - 2 whether the section fitted or was cut.
    if (read >= kRenameSectionBytes - 2)
        return false;
    const size_t used = MeasureSection(section);
    const std::string line = std::string(kRenameKeyPrefix) + pszPath;
    // The new line, its NUL and the closing NUL.
    if (used + line.size() + 2 > kRenameSectionBytes)
        return false;
    std::memcpy(section.data() + used, line.c_str(), line.size() + 1);
    section[used + line.size() + 1] = '\0';
    return ::WritePrivateProfileSectionA(kRenameSection, section.data(), iniPath.c_str()) != FALSE;
}

const std::vector<wchar_t>& ReadPendingList()
{
    if (g_pendingKnown)
        return g_pending;
    g_pendingKnown = true;
    g_pending.clear();
    HKEY hKey = NULL;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return g_pending;
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(hKey, kPendingValue, NULL, &type, NULL, &size) == ERROR_SUCCESS && type == REG_MULTI_SZ &&
        size >= sizeof(wchar_t)) {
        g_pending.assign(size / sizeof(wchar_t) + 1, L'\0');
        if (::RegQueryValueExW(hKey, kPendingValue, NULL, &type, reinterpret_cast<BYTE*>(g_pending.data()), &size) !=
            ERROR_SUCCESS)
            g_pending.clear();
        else
            g_pending.resize(size / sizeof(wchar_t) + 1);
    }
    ::RegCloseKey(hKey);
    return g_pending;
}

// Whether the list asks for the deletion of the full path (as MoveFileEx lists it, "\??\" and the
// path, letter case aside); with withdraw, every such pair leaves the list read.
bool MatchListedDeletion(const wchar_t* pszFull, bool withdraw)
{
    std::vector<wchar_t>& list = g_pending;
    bool matched = false;
    size_t at = 0;
    while (at < list.size()) {
        const size_t target = at + std::wcslen(&list[at]) + 1;
        if (target >= list.size())
            break;
        const size_t end = target + std::wcslen(&list[target]) + 1;
        const wchar_t* pszSource = &list[at];
        if (std::wcsncmp(pszSource, kNtPathPrefix, 4) == 0)
            pszSource += 4;
        if (end == target + 1 && ::lstrcmpiW(pszSource, pszFull) == 0) {
            matched = true;
            if (withdraw) {
                list.erase(list.begin() + at, list.begin() + end);
                continue;
            }
        }
        at = end;
    }
    return matched;
}

// The full path in UTF-16, as the list holds it; empty when it does not convert.
bool Widen(const std::string& fullPath, wchar_t (&wide)[kMaxPathChars])
{
    return ::MultiByteToWideChar(CP_ACP, 0, fullPath.c_str(), -1, wide, kMaxPathChars) > 0;
}

// The NT family's road, for a path that the rule allows.
bool ArrangeDeletion(const std::string& fullPath)
{
    wchar_t wide[kMaxPathChars];
    ReadPendingList();
    if (Widen(fullPath, wide) && MatchListedDeletion(wide, false))
        return true;
    if (!g_pfnMoveFileExA(fullPath.c_str(), NULL, MOVEFILE_DELAY_UNTIL_REBOOT))
        return false;
    g_pendingKnown = false;
    return true;
}

}  // namespace

BOOL (WINAPI* g_pfnMoveFileExA)(LPCSTR, LPCSTR, DWORD) = ::MoveFileExA;
bool (*g_pfnIsNtFamily)() = IsNtFamily;

bool DeleteFileAtReboot(const char* pszPath)
{
    if (!pszPath || !*pszPath)
        return false;
    if (!g_pfnIsNtFamily())
        return g_pfnMoveFileExA(pszPath, NULL, MOVEFILE_DELAY_UNTIL_REBOOT) || AppendRenameLine(pszPath);
    std::string full;
    return GetFullForm(pszPath, &full) && MayLeaveToRestart(full.c_str(), false) && ArrangeDeletion(full);
}

bool RemoveFolderAtReboot(const char* pszFolder)
{
    std::string folder = pszFolder ? pszFolder : "";
    while (EndsWithSeparator(folder))
        folder.erase(folder.size() - 1);
    // A drive's root is never removed; without its backslash, "C:" would even name the drive's
    // current folder.
    if (GetParentFolder(folder.c_str()).empty())
        return false;
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    if (!g_pfnIsNtFamily())
        return g_pfnMoveFileExA(folder.c_str(), NULL, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
    std::string full;
    return GetFullForm(folder, &full) && MayLeaveToRestart(full.c_str(), true) && ArrangeDeletion(full);
}

void WithdrawRestartDeletion(const wchar_t* pszPath)
{
    if (!pszPath || !g_pfnIsNtFamily() || ReadPendingList().empty())
        return;
    wchar_t full[kMaxPathChars];
    wchar_t* pszName = NULL;
    const DWORD length = ::GetFullPathNameW(pszPath, kMaxPathChars, full, &pszName);
    if (length == 0 || length >= kMaxPathChars || !MatchListedDeletion(full, false))
        return;
    // Other programs add to the list while this one runs: what is written back is the list as it
    // stands now, less our path's deletions, not the copy read at the run's first copy.
    g_pendingKnown = false;
    ReadPendingList();
    if (!MatchListedDeletion(full, true))
        return;
    HKEY hKey = NULL;
    LONG written = ERROR_ACCESS_DENIED;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &hKey) == ERROR_SUCCESS) {
        // Written back as read, less the withdrawn pairs; a list left without any goes.
        bool anyLeft = false;
        for (wchar_t c : g_pending)
            anyLeft = anyLeft || c != L'\0';
        written = anyLeft ? ::RegSetValueExW(hKey, kPendingValue, 0, REG_MULTI_SZ,
                                             reinterpret_cast<const BYTE*>(g_pending.data()),
                                             static_cast<DWORD>((g_pending.size() - 1) * sizeof(wchar_t)))
                          : ::RegDeleteValueW(hKey, kPendingValue);
        ::RegCloseKey(hKey);
    }
    if (written != ERROR_SUCCESS)
        g_pendingKnown = false;
}

void WithdrawRestartDeletion(const char* pszPath)
{
    std::string full;
    wchar_t wide[kMaxPathChars];
    if (pszPath && g_pfnIsNtFamily() && !ReadPendingList().empty() && GetFullForm(pszPath, &full) && Widen(full, wide))
        WithdrawRestartDeletion(wide);
}

void ForgetPendingList()
{
    g_pendingKnown = false;
}
