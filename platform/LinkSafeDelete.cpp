// platform/LinkSafeDelete.cpp - the rules of a safe deletion.
#include "platform/LinkSafeDelete.h"
#include <aclapi.h>
#include <sddl.h>
#include <cstring>
#include <vector>
#include "framework/Handles.h"
#include "platform/HeldFiles.h"
#include "platform/SystemLibrary.h"
#include "text/PathText.h"

namespace {

// The trustees that only an administrator or the system can be: the Administrators group (the
// owner of what an elevated administrator makes), the system itself, and TrustedInstaller, the
// servicing account that owns the system's own folders.
const char* const kTrustedSids[] = {
    "S-1-5-32-544",
    "S-1-5-18",
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
};
// "OWNER RIGHTS": what the owner may do, whoever the owner is.
const char kOwnerRightsSid[] = "S-1-3-4";

// Rights that let their holder rename or delete a folder, turn it into a link or hand themselves
// more; write-data (adding a file) only while the folder may be emptied, see kAddFile.
const DWORD kChangeRights = DELETE | WRITE_DAC | WRITE_OWNER | FILE_WRITE_ATTRIBUTES | GENERIC_ALL | GENERIC_WRITE;
const DWORD kAddFile = FILE_WRITE_DATA;
// On the parent: rights that delete or rename any entry of it, whatever the entry allows.
const DWORD kParentRights = FILE_DELETE_CHILD | GENERIC_ALL;

// NT statuses behind ERROR_ACCESS_DENIED.
const LONG kStatusAccessDenied = static_cast<LONG>(0xC0000022L);
const LONG kStatusDeletePending = static_cast<LONG>(0xC0000056L);

typedef DWORD (WINAPI* GetFinalPathProc)(HANDLE, LPWSTR, DWORD, DWORD);
typedef BOOL (WINAPI* SetFileInformationProc)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);

std::string SidText(PSID pSid)
{
    char* pszSid = NULL;
    if (!pSid || !::ConvertSidToStringSidA(pSid, &pszSid))
        return std::string();
    const std::string text(pszSid);
    ::LocalFree(pszSid);
    return text;
}

// The running account as a SID text while this process is an administrator's (a member of
// Administrators, elevated): whatever it may change, only an administrator can. Empty otherwise.
const std::string& RunningAdministrator()
{
    static bool s_known = false;
    static std::string s_sid;
    if (s_known)
        return s_sid;
    s_known = true;
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID pAdmins = NULL;
    BOOL member = FALSE;
    if (::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                   0, 0, 0, &pAdmins)) {
        if (!::CheckTokenMembership(NULL, pAdmins, &member))
            member = FALSE;
        ::FreeSid(pAdmins);
    }
    CHandle token;
    HANDLE hToken = NULL;
    if (member && ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hToken)) {
        token.Attach(hToken);
        union { TOKEN_USER user; BYTE bytes[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)]; } info;
        DWORD size = 0;
        if (::GetTokenInformation(token, TokenUser, &info, sizeof info, &size))
            s_sid = SidText(info.user.User.Sid);
    }
    return s_sid;
}

bool IsTrustedTrustee(const std::string& sid, const std::string& ownerSid)
{
    if (sid == kOwnerRightsSid)
        return IsTrustedTrustee(ownerSid, ownerSid);
    return IsTrustedLinkOwner(sid) || (!sid.empty() && sid == RunningAdministrator());
}

// The rights that the descriptor's access list grants, on the object itself, to anyone but the
// trusted trustees; every right when the descriptor cannot be read or has no access list.
DWORD RightsOfOthers(PSECURITY_DESCRIPTOR pDescriptor, std::string* pOwner)
{
    const DWORD kEverything = ~static_cast<DWORD>(0);
    PSID pOwnerSid = NULL;
    BOOL defaulted = FALSE;
    if (!pDescriptor || !::GetSecurityDescriptorOwner(pDescriptor, &pOwnerSid, &defaulted))
        return kEverything;
    *pOwner = SidText(pOwnerSid);
    BOOL present = FALSE;
    PACL pAcl = NULL;
    if (!::GetSecurityDescriptorDacl(pDescriptor, &present, &pAcl, &defaulted) || !present || !pAcl)
        return kEverything;  // no access list: everyone may do everything
    // Its owner may always change an object's rights.
    DWORD rights = IsTrustedTrustee(*pOwner, *pOwner) ? 0 : WRITE_DAC;
    for (DWORD i = 0; i < pAcl->AceCount; ++i) {
        void* pAce = NULL;
        if (!::GetAce(pAcl, i, &pAce))
            return kEverything;
        const ACE_HEADER* pHeader = static_cast<const ACE_HEADER*>(pAce);
        if (pHeader->AceFlags & INHERIT_ONLY_ACE)
            continue;  // for entries made later, not for this one
        if (pHeader->AceType == ACCESS_ALLOWED_ACE_TYPE || pHeader->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE) {
            const ACCESS_ALLOWED_ACE* pAllowed = static_cast<const ACCESS_ALLOWED_ACE*>(pAce);
            if (!IsTrustedTrustee(SidText(const_cast<DWORD*>(&pAllowed->SidStart)), *pOwner))
                rights |= pAllowed->Mask;
        } else if (pHeader->AceType == ACCESS_ALLOWED_OBJECT_ACE_TYPE ||
                   pHeader->AceType == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE) {
            return kEverything;  // not met on files; not read, so not trusted
        }
        // A denial only narrows what others may do; passing it over errs on the safe side.
    }
    return rights;
}

class CDescriptor {
public:
    explicit CDescriptor(const std::string& path) : m_p(g_pfnReadSecurity(path)) {}
    ~CDescriptor() { if (m_p) ::LocalFree(m_p); }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    PSECURITY_DESCRIPTOR Get() const { return m_p; }
private:
    PSECURITY_DESCRIPTOR m_p;
};

PSECURITY_DESCRIPTOR ReadSecurityOfItself(const std::string& path)
{
    CHandle item(::CreateFileA(path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               NULL, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, NULL));
    PSECURITY_DESCRIPTOR pDescriptor = NULL;
    if (!item.IsValid() || ::GetSecurityInfo(item, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION |
                                             DACL_SECURITY_INFORMATION, NULL, NULL, NULL, NULL,
                                             &pDescriptor) != ERROR_SUCCESS)
        return NULL;
    return pDescriptor;
}

// The folder that holds the profiles ("C:\Users", "C:\Documents and Settings"), and the running
// account's own profile, folded; read once.
const std::vector<std::string>& ProfileRoots()
{
    static bool s_read = false;
    static std::vector<std::string> s_roots;
    if (s_read)
        return s_roots;
    s_read = true;
    HKEY hKey = NULL;
    char value[kMaxPathChars] = "";
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", 0,
                        KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS) {
        if (::RegQueryValueExA(hKey, "ProfilesDirectory", NULL, &type, reinterpret_cast<BYTE*>(value), &size) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            value[0] = '\0';
        ::RegCloseKey(hKey);
    }
    char expanded[kMaxPathChars];
    const DWORD length = ::ExpandEnvironmentStringsA(value, expanded, kMaxPathChars);
    if (value[0] && length != 0 && length <= kMaxPathChars)
        s_roots.push_back(FoldPath(expanded));
    const DWORD own = ::GetEnvironmentVariableA("USERPROFILE", expanded, kMaxPathChars);
    if (own != 0 && own < kMaxPathChars)
        s_roots.push_back(FoldPath(expanded));
    return s_roots;
}

GetFinalPathProc FinalPathCall()
{
    return FindKernelExport<GetFinalPathProc>("GetFinalPathNameByHandleW");
}

// The handle's final path as the DOS form ("C:\...", "\\server\share\..."), upper-cased so that
// two spellings compare equal, without a trailing separator; empty when it cannot be told.
std::wstring FinalPathOf(HANDLE hItem, GetFinalPathProc pfnFinalPath)
{
    std::vector<wchar_t> buffer(MAX_PATH + 8);
    DWORD length = pfnFinalPath(hItem, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = pfnFinalPath(hItem, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    }
    if (length == 0 || length >= buffer.size())
        return std::wstring();
    std::wstring path(buffer.data(), length);
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        path.erase(2, 6);
    else if (path.compare(0, 4, L"\\\\?\\") == 0)
        path.erase(0, 4);
    while (!path.empty() && path[path.size() - 1] == L'\\')
        path.erase(path.size() - 1);
    if (!path.empty())
        ::CharUpperBuffW(&path[0], static_cast<DWORD>(path.size()));
    return path;
}

// The long form of a full path, in the same form as FinalPathOf.
std::wstring LongFormOf(const std::string& fullPath)
{
    const int length = ::MultiByteToWideChar(CP_ACP, 0, fullPath.c_str(), -1, NULL, 0);
    if (length <= 0)
        return std::wstring();
    std::vector<wchar_t> wide(length);
    ::MultiByteToWideChar(CP_ACP, 0, fullPath.c_str(), -1, wide.data(), length);
    std::vector<wchar_t> longForm(MAX_PATH + 8);
    DWORD longLength = ::GetLongPathNameW(wide.data(), longForm.data(), static_cast<DWORD>(longForm.size()));
    std::wstring path = (longLength == 0 || longLength >= longForm.size()) ? std::wstring(wide.data())
                                                                           : std::wstring(longForm.data(), longLength);
    while (!path.empty() && path[path.size() - 1] == L'\\')
        path.erase(path.size() - 1);
    if (!path.empty())
        ::CharUpperBuffW(&path[0], static_cast<DWORD>(path.size()));
    return path;
}

// A search without a wildcard reports the entry itself, and only the search reports its tag.
DWORD ReadReparseTag(const std::string& path)
{
    CFindFile search;
    WIN32_FIND_DATAA data;
    return search.First(path, &data) && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
               ? data.dwReserved0
               : kReparseTagUnread;
}

// A trailing separator hides the reparse attribute under Wine; the folders listed have none.
bool IsLink(const std::string& folder)
{
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    return IsLinkEntry(attributes, ReadReparseTag(folder));
}

bool ReadOwnerOfLinkItself(const std::string& link, std::string* pOwnerSid)
{
    const CDescriptor descriptor(link);
    PSID pOwner = NULL;
    BOOL defaulted = FALSE;
    if (!descriptor.Get() || !::GetSecurityDescriptorOwner(descriptor.Get(), &pOwner, &defaulted) || !pOwner)
        return false;
    *pOwnerSid = SidText(pOwner);
    return !pOwnerSid->empty();
}

// Where RedirectionGuard is on, Windows judges the link by who made it (recorded by the file
// system), which its owner need not show; a link Windows will not pass is not followed either.
bool CanPassThrough(const std::string& link)
{
    CHandle target(::CreateFileA(link.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, NULL));
    return target.IsValid();
}

// A link is followed only where a standard user can neither have made it nor swap it: its owner
// is trusted, it lies outside every profile, and no one else can change it or a folder above it.
bool IsTrustedLink(const std::string& link)
{
    std::string owner;
    return g_pfnReadLinkOwner(link, &owner) && IsTrustedLinkOwner(owner) && !IsInProfile(link) &&
           MayOnlyAdministratorsChange(link, true) && CanPassThrough(link);
}

// The path's last part is a link, trusted or not; in its full form, where neither a trailing
// separator nor ".." hides it.
bool IsLinkItself(const std::string& path)
{
    std::string full;
    if (!GetFullForm(path, &full))
        return false;  // CrossesLink refuses such a path anyway
    const std::vector<std::string> folders = ListFoldersOnPath(full);
    return !folders.empty() && IsLink(folders.back());
}

bool CrossesLinkWithin(const std::string& path, bool countLastPart)
{
    std::string full;
    if (path.empty() || !GetFullForm(path, &full))
        return true;
    std::vector<std::string> folders = ListFoldersOnPath(full);
    if (!countLastPart && !folders.empty())
        folders.pop_back();
    for (const std::string& folder : folders)
        if (IsLink(folder) && !IsTrustedLink(folder))
            return true;
    return false;
}

// The folder that a file of the path lies in: the text before its last part.
std::string FolderAbove(const std::string& path)
{
    std::string full;
    if (!GetFullForm(path, &full))
        return std::string();
    while (full.size() > 3 && EndsWithSeparator(full))
        full.erase(full.size() - 1);
    const size_t separator = FindLastPathChar(full, "\\/");
    return separator == std::string::npos ? std::string() : full.substr(0, separator + 1);
}

std::wstring ConfirmedFolder(const std::string& folder);

}  // namespace

bool (*g_pfnReadLinkOwner)(const std::string& link, std::string* pOwnerSid) = ReadOwnerOfLinkItself;
PSECURITY_DESCRIPTOR (*g_pfnReadSecurity)(const std::string& path) = ReadSecurityOfItself;

bool GetFullForm(const std::string& path, std::string* pFull)
{
    char buffer[kMaxPathChars];
    char* pszName = NULL;
    const DWORD length = ::GetFullPathNameA(path.c_str(), kMaxPathChars, buffer, &pszName);
    if (length == 0 || length >= kMaxPathChars)
        return false;
    pFull->assign(buffer, length);
    return true;
}

std::string FoldCase(std::string text)
{
    if (!text.empty())
        ::CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::string FoldPath(const char* pszPath)
{
    std::string folded;
    if (!pszPath || !GetFullForm(pszPath, &folded))
        folded = pszPath ? pszPath : "";
    while (folded.size() > 1 && EndsWithSeparator(folded))
        folded.erase(folded.size() - 1);
    return FoldCase(folded);
}

bool IsLinkEntry(DWORD attributes, DWORD reparseTag)
{
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    return !IsReparseTagMicrosoft(reparseTag) || IsReparseTagNameSurrogate(reparseTag);
}

bool IsTrustedLinkOwner(const std::string& ownerSid)
{
    for (const char* pszTrusted : kTrustedSids)
        if (ownerSid == pszTrusted)
            return true;
    return false;
}

bool IsInProfile(const std::string& fullPath)
{
    const std::string folded = FoldPath(fullPath.c_str()) + "\\";
    for (const std::string& root : ProfileRoots())
        if (!root.empty() && folded.compare(0, root.size() + 1, root + "\\") == 0)
            return true;
    return false;
}

bool MayOnlyAdministratorsChange(const std::string& fullPath, bool isFolder)
{
    std::vector<std::string> folders = ListFoldersOnPath(fullPath);
    if (!isFolder && !folders.empty())
        folders.pop_back();
    if (folders.empty())
        return true;  // a drive's root: never renamed, deleted or made a link
    const std::string& first = folders.front();
    std::string parent = first.substr(0, FindLastPathChar(first, "\\/") + 1);
    std::string owner;
    for (size_t i = 0; i < folders.size(); ++i) {
        const CDescriptor parentDescriptor(parent);
        if (RightsOfOthers(parentDescriptor.Get(), &owner) & kParentRights)
            return false;
        const CDescriptor descriptor(folders[i]);
        const bool holdsNext = i + 1 < folders.size();
        if (RightsOfOthers(descriptor.Get(), &owner) & (kChangeRights | (holdsNext ? 0 : kAddFile)))
            return false;
        parent = folders[i];
    }
    return true;
}

bool MayLeaveToRestart(const char* pszPath, bool isFolder)
{
    std::string full;
    return pszPath && GetFullForm(pszPath, &full) && !IsInProfile(full) && MayOnlyAdministratorsChange(full, isFolder);
}

LONG ReadLastNtStatus()
{
    typedef LONG (NTAPI* GetLastNtStatusProc)();
    static GetLastNtStatusProc s_pfn = NULL;
    static bool s_looked = false;
    if (!s_looked) {
        s_looked = true;
        const HMODULE hNtdll = ::GetModuleHandleA("ntdll.dll");
        s_pfn = hNtdll ? reinterpret_cast<GetLastNtStatusProc>(
                             reinterpret_cast<void*>(::GetProcAddress(hNtdll, "RtlGetLastNtStatus")))
                       : NULL;
    }
    return s_pfn ? s_pfn() : kStatusUnread;
}

namespace {

// A file whose deletion waits for another program's last handle keeps its name until then, but
// refuses to be opened or even asked for its attributes, with a status that says why.
bool IsGoing(const std::string& path)
{
    if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES || ::GetLastError() != ERROR_ACCESS_DENIED)
        return false;
    const LONG status = ReadLastNtStatus();
    return status == kStatusDeletePending || status == kStatusUnread;
}

// A folder that is not empty only because its last files are going: anything else in it (a
// user's file, a file we could not delete) stays, and waiting would not change that.
bool HoldsOnlyGoingEntries(const char* pszFolder)
{
    const std::string folder = JoinFolderName(pszFolder, "");
    bool onlyGoing = true;
    // A folder that cannot be listed shows nothing going.
    const bool listed = CFindFile::ForEach(folder + "*", [&folder, &onlyGoing](const WIN32_FIND_DATAA& data) {
        if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0)
            return true;
        onlyGoing = IsGoing(folder + data.cFileName);
        return onlyGoing;
    });
    return listed && onlyGoing;
}

}  // namespace

bool IsPassingHold(DWORD error, const char* pszPath, LONG status)
{
    switch (error) {
    case ERROR_SHARING_VIOLATION:  // open in another program without the sharing we need
    case ERROR_LOCK_VIOLATION:     // part of it locked by another program
        return true;
    case ERROR_ACCESS_DENIED: {
        // Also what a file being deleted and a running program's image answer, each with a
        // status of its own; the access list's refusal has the plain one and never clears.
        if (status == kStatusDeletePending)
            return true;
        if (status == kStatusAccessDenied || !pszPath)
            return false;
        // A missing file was refused by its folder, a read-only one refuses for good, and a
        // folder asked to be deleted as a file always refuses: none of them clears.
        const DWORD attributes = ::GetFileAttributesA(pszPath);
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return IsGoing(pszPath);
        return !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
    }
    case ERROR_DIR_NOT_EMPTY:
        return pszPath && HoldsOnlyGoingEntries(pszPath);
    default:
        return false;  // not found, invalid name, no room, a redirected name: no wait mends them
    }
}

namespace {

std::wstring ConfirmedFolder(const std::string& folder)
{
    const GetFinalPathProc pfnFinalPath = FinalPathCall();
    std::string full;
    if (!pfnFinalPath || !GetFullForm(folder, &full))
        return std::wstring();
    CHandle item(::CreateFileA(full.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE |
                               FILE_SHARE_DELETE, NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL));
    if (!item.IsValid())
        return std::wstring();
    const std::wstring final = FinalPathOf(item, pfnFinalPath);
    // Where no link lies on the way, the folder opened is the one that was named. Where one lay
    // on the way when it was checked (a trusted one), it is checked again now that the folder
    // is open, so that the folder confirmed is one it reaches.
    if (final.empty() || (final != LongFormOf(full) && CrossesLink(full)))
        return L"?";  // no final path lies in this: every deletion is refused
    return final;
}

}  // namespace

bool ConfirmFolder(const std::string& folder, std::wstring* pFinal)
{
    pFinal->clear();
    if (folder.empty() || CrossesLink(folder))
        return false;
    *pFinal = ConfirmedFolder(folder);
    return true;
}

bool DeleteConfirmed(const std::string& path, const std::wstring& confirmedFolder, bool isFolder)
{
    const GetFinalPathProc pfnFinalPath = FinalPathCall();
    const SetFileInformationProc pfnSetInformation =
        FindKernelExport<SetFileInformationProc>("SetFileInformationByHandle");
    if (confirmedFolder.empty() || !pfnFinalPath || !pfnSetInformation)
        return isFolder ? ::RemoveDirectoryA(path.c_str()) != FALSE : ::DeleteFileA(path.c_str()) != FALSE;
    CHandle item(::CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT | (isFolder ? FILE_FLAG_BACKUP_SEMANTICS : 0), NULL));
    if (!item.IsValid())
        return false;
    if (isFolder) {
        BY_HANDLE_FILE_INFORMATION info;
        if (!::GetFileInformationByHandle(item, &info))
            return false;
        if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            ::SetLastError(ERROR_CANT_RESOLVE_FILENAME);  // a file, or a link: no folder of ours
            return false;
        }
    }
    const std::wstring final = FinalPathOf(item, pfnFinalPath);
    const size_t separator = final.rfind(L'\\');
    if (separator == std::wstring::npos || final.compare(0, separator, confirmedFolder) != 0 ||
        separator != confirmedFolder.size()) {
        ::SetLastError(ERROR_CANT_RESOLVE_FILENAME);  // reached some other folder's entry
        return false;
    }
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return pfnSetInformation(item, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

void TurnOnRedirectionGuard()
{
    typedef BOOL (WINAPI* SetProcessMitigationPolicyProc)(PROCESS_MITIGATION_POLICY, PVOID, SIZE_T);
    SetProcessMitigationPolicyProc pfnSet =
        FindKernelExport<SetProcessMitigationPolicyProc>("SetProcessMitigationPolicy");
    if (!pfnSet)
        return;
    PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY policy = {};
    policy.EnforceRedirectionTrust = 1;
    // Systems before Windows 10 22H2 refuse the policy they do not know; nothing else is asked.
    pfnSet(ProcessRedirectionTrustPolicy, &policy, sizeof policy);
}

bool CrossesLink(const std::string& path)
{
    return CrossesLinkWithin(path, true);
}

bool CrossesLinkAbove(const std::string& path)
{
    return CrossesLinkWithin(path, false);
}

bool DeleteFileOffLinks(const std::string& path, ELeftover leftover)
{
    std::wstring confirmed;
    return ConfirmFolder(FolderAbove(path), &confirmed) && DeleteConfirmedWaiting(path, confirmed, leftover);
}

bool RemoveFolderOffLinks(const std::string& folder, ELeftover leftover)
{
    std::wstring confirmed;
    return !IsLinkItself(folder) && ConfirmFolder(FolderAbove(folder), &confirmed) &&
           RemoveConfirmedWaiting(folder, confirmed, leftover);
}
