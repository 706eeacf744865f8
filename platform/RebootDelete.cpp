// platform/RebootDelete.cpp - deletion of a file, or removal of a folder, at the next system start.
#include "platform/RebootDelete.h"
#include <cstring>
#include <string>
#include <vector>
#include "platform/LinkSafeDelete.h"
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

// What this process has read of the pending list (its strings, each with its NUL), while it is
// known to be current: our own additions make it stale.
struct SPendingList {
    bool known = false;
    std::wstring strings;
};
SPendingList g_pending;

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

std::wstring FoldListedPath(std::wstring listed)
{
    if (listed.compare(0, 4, kNtPathPrefix) == 0)
        listed.erase(0, 4);
    while (listed.size() > 1 && listed[listed.size() - 1] == L'\\')
        listed.erase(listed.size() - 1);
    if (!listed.empty())
        ::CharLowerBuffW(&listed[0], static_cast<DWORD>(listed.size()));
    return listed;
}

// A full path folded as the listed ones are, in UTF-16 as the list holds it.
std::wstring FoldWide(const std::string& fullPath)
{
    const int length = ::MultiByteToWideChar(CP_ACP, 0, fullPath.c_str(), static_cast<int>(fullPath.size()), NULL, 0);
    std::wstring wide(length > 0 ? length : 0, L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, fullPath.c_str(), static_cast<int>(fullPath.size()), &wide[0], length);
    return FoldListedPath(wide);
}

const std::wstring& ReadPendingList()
{
    if (g_pending.known)
        return g_pending.strings;
    g_pending.known = true;
    g_pending.strings.clear();
    HKEY hKey = NULL;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return g_pending.strings;
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(hKey, kPendingValue, NULL, &type, NULL, &size) == ERROR_SUCCESS && type == REG_MULTI_SZ &&
        size >= sizeof(wchar_t)) {
        std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
        if (::RegQueryValueExW(hKey, kPendingValue, NULL, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
            ERROR_SUCCESS) {
            // A deletion's new name is an empty string: the list is read whole, not up to the first.
            g_pending.strings.assign(data.data(), size / sizeof(wchar_t));
        }
    }
    ::RegCloseKey(hKey);
    return g_pending.strings;
}

// Calls visit(source, target, offset of the pair, length of the pair) for each pair of the list.
template <typename Visit>
void ForEachPendingPair(const std::wstring& strings, Visit visit)
{
    size_t at = 0;
    while (at < strings.size()) {
        const size_t sourceEnd = strings.find(L'\0', at);
        if (sourceEnd == std::wstring::npos)
            return;
        const size_t targetEnd = strings.find(L'\0', sourceEnd + 1);
        if (targetEnd == std::wstring::npos)
            return;
        visit(strings.substr(at, sourceEnd - at), strings.substr(sourceEnd + 1, targetEnd - sourceEnd - 1), at,
              targetEnd + 1 - at);
        at = targetEnd + 1;
    }
}

bool IsListedForDeletion(const std::string& fullPath)
{
    const std::wstring folded = FoldWide(fullPath);
    bool listed = false;
    ForEachPendingPair(ReadPendingList(), [&](const std::wstring& source, const std::wstring& target, size_t, size_t) {
        listed = listed || (target.empty() && FoldListedPath(source) == folded);
    });
    return listed;
}

// The NT family's road, for a path that the rule allows.
bool ArrangeDeletion(const std::string& fullPath)
{
    if (IsListedForDeletion(fullPath))
        return true;
    if (!g_pfnMoveFileExA(fullPath.c_str(), NULL, MOVEFILE_DELAY_UNTIL_REBOOT))
        return false;
    g_pending.known = false;
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
    if (length == 0 || length >= kMaxPathChars)
        return;
    const std::wstring folded = FoldListedPath(std::wstring(full, length));
    std::wstring kept;
    bool withdrawn = false;
    const std::wstring& strings = g_pending.strings;
    ForEachPendingPair(strings, [&](const std::wstring& source, const std::wstring& target, size_t at, size_t length) {
        const bool ours = target.empty() && FoldListedPath(source) == folded;
        withdrawn = withdrawn || ours;
        if (!ours)
            kept.append(strings, at, length);
    });
    if (!withdrawn)
        return;
    HKEY hKey = NULL;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &hKey) != ERROR_SUCCESS)
        return;
    // Written back as read, less the withdrawn pairs; a list left empty goes.
    const std::wstring value = kept + L'\0';
    const LONG written = kept.empty() ? ::RegDeleteValueW(hKey, kPendingValue)
                                      : ::RegSetValueExW(hKey, kPendingValue, 0, REG_MULTI_SZ,
                                                         reinterpret_cast<const BYTE*>(value.c_str()),
                                                         static_cast<DWORD>(value.size() * sizeof(wchar_t)));
    ::RegCloseKey(hKey);
    if (written == ERROR_SUCCESS)
        g_pending.strings = kept;
    else
        g_pending.known = false;
}

void WithdrawRestartDeletion(const char* pszPath)
{
    if (!pszPath || !g_pfnIsNtFamily() || ReadPendingList().empty())
        return;
    std::string full;
    if (GetFullForm(pszPath, &full))
        WithdrawRestartDeletion(FoldWide(full).c_str());
}

void ForgetPendingList()
{
    g_pending.known = false;
}
