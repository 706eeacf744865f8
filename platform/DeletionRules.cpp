// platform/DeletionRules.cpp - the rules of a safe deletion.
#include "platform/DeletionRules.h"
#include <aclapi.h>
#include <winternl.h>
#include <sddl.h>
#include <cstring>
#include <cwchar>
#include <vector>
#include "framework/Handles.h"
#include "framework/UiText.h"
#include "platform/ObjectSecurity.h"
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
// The same trustees as SIDs, for the entries of access lists (each entry's SID compared as it is,
// without making a text of it), and "OWNER RIGHTS", what the owner may do whoever the owner is.
const BYTE kAdministratorsSid[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0};
const BYTE kSystemSid[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
const BYTE kTrustedInstallerSid[] = {1, 6, 0, 0, 0, 0, 0, 5, 80, 0, 0, 0, 0xB5, 0x89, 0xFB, 0x38, 0x19, 0x84,
                                     0xC2, 0xCB, 0x5C, 0x6C, 0x23, 0x6D, 0x57, 0x00, 0x77, 0x6E, 0xC0, 0x02, 0x64, 0x87};
const BYTE kOwnerRightsSid[] = {1, 1, 0, 0, 0, 0, 0, 3, 4, 0, 0, 0};

// Rights that let their holder rename or delete a folder or hand themselves more.
const DWORD kChangeRights = DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;
// Rights that set a reparse point (a junction) on a folder; the file system refuses it on a folder
// that is not empty, so they count only on a folder that holds no further folder of the path.
const DWORD kMakeLinkRights = FILE_WRITE_DATA | FILE_WRITE_ATTRIBUTES | GENERIC_WRITE;
// On the parent: rights that delete or rename any entry of it, whatever the entry allows.
const DWORD kParentRights = FILE_DELETE_CHILD | GENERIC_ALL;

// NT statuses behind ERROR_ACCESS_DENIED.
const LONG kStatusAccessDenied = static_cast<LONG>(0xC0000022L);
const LONG kStatusDeletePending = static_cast<LONG>(0xC0000056L);

std::string SidText(PSID pSid)
{
    char* pszSid = NULL;
    if (!pSid || !::ConvertSidToStringSidA(pSid, &pszSid))
        return std::string();
    const std::string text(pszSid);
    ::LocalFree(pszSid);
    return text;
}

bool IsSid(PSID pSid, const BYTE* pWellKnown)
{
    return ::EqualSid(pSid, const_cast<BYTE*>(pWellKnown)) != FALSE;
}

// What is read once a process: the running account while this process is an administrator's (a
// member of Administrators, elevated; whatever it may change, only an administrator can), and
// the profile folders, folded.
bool g_runningAccountRead = false;
BYTE g_runningAdministrator[SECURITY_MAX_SID_SIZE];
bool g_profileRootsRead = false;
std::string g_profileRoots[2];

// The running account's SID while it is an administrator's; NULL otherwise.
PSID RunningAdministrator()
{
    if (!g_runningAccountRead) {
        g_runningAccountRead = true;
        g_runningAdministrator[0] = 0;
        BOOL member = FALSE;
        if (!::CheckTokenMembership(NULL, const_cast<BYTE*>(kAdministratorsSid), &member))
            member = FALSE;
        const std::vector<BYTE> own = member ? MakeTrusteeSid(Trustee::TokenUser) : std::vector<BYTE>();
        if (!own.empty() && own.size() <= sizeof g_runningAdministrator)
            std::memcpy(g_runningAdministrator, own.data(), own.size());
    }
    return g_runningAdministrator[0] ? g_runningAdministrator : NULL;
}

bool IsTrustedTrustee(PSID pSid, PSID pOwner)
{
    if (IsSid(pSid, kOwnerRightsSid))
        return pOwner && !IsSid(pOwner, kOwnerRightsSid) && IsTrustedTrustee(pOwner, pOwner);
    const PSID pRunning = RunningAdministrator();
    return IsSid(pSid, kAdministratorsSid) || IsSid(pSid, kSystemSid) || IsSid(pSid, kTrustedInstallerSid) ||
           (pRunning && ::EqualSid(pSid, pRunning));
}

// The rights that the descriptor's access list grants, on the object itself, to anyone but the
// trusted trustees; every right when the descriptor cannot be read or has no access list.
DWORD RightsOfOthers(PSECURITY_DESCRIPTOR pDescriptor)
{
    const DWORD kEverything = ~static_cast<DWORD>(0);
    PSID pOwner = NULL;
    BOOL defaulted = FALSE;
    if (!pDescriptor || !::GetSecurityDescriptorOwner(pDescriptor, &pOwner, &defaulted) || !pOwner)
        return kEverything;
    BOOL present = FALSE;
    PACL pAcl = NULL;
    if (!::GetSecurityDescriptorDacl(pDescriptor, &present, &pAcl, &defaulted) || !present || !pAcl)
        return kEverything;  // no access list: everyone may do everything
    // Its owner may always change an object's rights.
    DWORD rights = IsTrustedTrustee(pOwner, pOwner) ? 0 : WRITE_DAC;
    for (DWORD i = 0; i < pAcl->AceCount; ++i) {
        void* pAce = NULL;
        if (!::GetAce(pAcl, i, &pAce))
            return kEverything;
        const ACE_HEADER* pHeader = static_cast<const ACE_HEADER*>(pAce);
        if (pHeader->AceFlags & INHERIT_ONLY_ACE)
            continue;  // for entries made later, not for this one
        if (pHeader->AceType == ACCESS_ALLOWED_ACE_TYPE || pHeader->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE) {
            ACCESS_ALLOWED_ACE* pAllowed = static_cast<ACCESS_ALLOWED_ACE*>(pAce);
            if (!IsTrustedTrustee(&pAllowed->SidStart, pOwner))
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
const std::string (&ProfileRoots())[2]
{
    if (g_profileRootsRead)
        return g_profileRoots;
    g_profileRootsRead = true;
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
        g_profileRoots[0] = FoldPath(expanded);
    const DWORD own = ::GetEnvironmentVariableA("USERPROFILE", expanded, kMaxPathChars);
    if (own != 0 && own < kMaxPathChars)
        g_profileRoots[1] = FoldPath(expanded);
    return g_profileRoots;
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

// pBase (may be NULL) receives what the path reaches its folders through: the last trusted link
// on the way, or else the path's root (a drive, a share).
bool CrossesLinkWithin(const std::string& path, bool countLastPart, std::string* pBase = NULL)
{
    std::string full;
    if (path.empty() || !GetFullForm(path, &full))
        return true;
    std::vector<std::string> folders = ListFoldersOnPath(full);
    if (pBase)
        *pBase = folders.empty() ? full : folders.front().substr(0, FindLastPathChar(folders.front(), "\\/") + 1);
    if (!countLastPart && !folders.empty())
        folders.pop_back();
    for (const std::string& folder : folders) {
        if (!IsLink(folder))
            continue;
        if (!IsTrustedLink(folder))
            return true;
        if (pBase)
            *pBase = folder;
    }
    return false;
}

bool ReadEntryKind(HANDLE hEntry, DWORD* pAttributes, DWORD* pTag);

}  // namespace

bool (*g_pfnReadLinkOwner)(const std::string& link, std::string* pOwnerSid) = ReadOwnerOfLinkItself;
PSECURITY_DESCRIPTOR (*g_pfnReadSecurity)(const std::string& path) = ReadSecurityOfItself;
bool (*g_pfnReadEntryKind)(HANDLE hEntry, DWORD* pAttributes, DWORD* pTag) = ReadEntryKind;

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
    for (size_t i = 0; i < folders.size(); ++i) {
        const CDescriptor parentDescriptor(parent);
        if (RightsOfOthers(parentDescriptor.Get()) & kParentRights)
            return false;
        const CDescriptor descriptor(folders[i]);
        const bool holdsNext = i + 1 < folders.size();
        if (RightsOfOthers(descriptor.Get()) & (kChangeRights | (holdsNext ? 0 : kMakeLinkRights)))
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
    // Looked up once, without a guarded static: setup links no thread library for its guard.
    static GetLastNtStatusProc s_pfn = NULL;
    static bool s_looked = false;
    if (!s_looked) {
        s_looked = true;
        s_pfn = reinterpret_cast<GetLastNtStatusProc>(FindNtdllExport("RtlGetLastNtStatus"));
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

// The native calls that open an entry by its name relative to a folder's handle, and read what
// an open entry is, which every NT version has and Windows 9x has not; NULL where one is missing.
struct SRelativeCalls {
    NTSTATUS (NTAPI* pfnOpen)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, ULONG, ULONG);
    NTSTATUS (NTAPI* pfnSetInformation)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
    NTSTATUS (NTAPI* pfnQueryInformation)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
    // Leaves both the error and the status, as a failing kernel32 call does.
    void (NTAPI* pfnSetLastStatus)(NTSTATUS);
};

const SRelativeCalls* RelativeCalls()
{
    static SRelativeCalls s_calls;
    static bool s_looked = false;
    if (!s_looked) {
        s_looked = true;
        s_calls.pfnOpen = reinterpret_cast<decltype(s_calls.pfnOpen)>(FindNtdllExport("NtOpenFile"));
        s_calls.pfnSetInformation =
            reinterpret_cast<decltype(s_calls.pfnSetInformation)>(FindNtdllExport("NtSetInformationFile"));
        s_calls.pfnQueryInformation =
            reinterpret_cast<decltype(s_calls.pfnQueryInformation)>(FindNtdllExport("NtQueryInformationFile"));
        s_calls.pfnSetLastStatus = reinterpret_cast<decltype(s_calls.pfnSetLastStatus)>(
            FindNtdllExport("RtlSetLastWin32ErrorAndNtStatusFromNtStatus"));
    }
    return s_calls.pfnOpen && s_calls.pfnSetInformation && s_calls.pfnQueryInformation && s_calls.pfnSetLastStatus
               ? &s_calls
               : NULL;
}

const ULONG kOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT
const ULONG kFileDispositionInformation = 13;
const ULONG kFileAttributeTagInformation = 35;
const ULONG kFileStandardInformation = 5;
const ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool ReadEntryKind(HANDLE hEntry, DWORD* pAttributes, DWORD* pTag)
{
    const SRelativeCalls* pCalls = RelativeCalls();
    struct { ULONG attributes; ULONG tag; } kind = {0, 0};
    IO_STATUS_BLOCK io;
    if (!pCalls ||
        !NT_SUCCESS(pCalls->pfnQueryInformation(hEntry, &io, &kind, sizeof kind, kFileAttributeTagInformation)))
        return false;
    *pAttributes = kind.attributes;
    *pTag = kind.tag;
    return true;
}

}  // namespace

bool ReadNamesAndAttributes(HANDLE hFile, DWORD* pNames, DWORD* pAttributes)
{
    const SRelativeCalls* pCalls = RelativeCalls();
    struct { LARGE_INTEGER allocated, size; ULONG names; BOOLEAN deletePending, directory; } standard = {};
    IO_STATUS_BLOCK io;
    DWORD tag = 0;
    if (!pCalls || !NT_SUCCESS(pCalls->pfnQueryInformation(hFile, &io, &standard, sizeof standard,
                                                           kFileStandardInformation)) ||
        !ReadEntryKind(hFile, pAttributes, &tag))
        return false;
    *pNames = standard.names;
    return true;
}

namespace {

// Opens the entry of that name in the folder, the entry itself where it is a reparse point; the
// platform's error and status are left on failure.
bool OpenEntry(const SRelativeCalls& calls, HANDLE hFolder, const std::wstring& name, ACCESS_MASK access,
               ULONG options, CHandle* pEntry)
{
    UNICODE_STRING text;
    text.Buffer = const_cast<wchar_t*>(name.c_str());  // read only
    text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, hFolder, NULL);
    IO_STATUS_BLOCK io;
    HANDLE hEntry = NULL;
    const NTSTATUS status = calls.pfnOpen(&hEntry, access | SYNCHRONIZE, &attributes, &io, kShareAll,
                                          kOpenReparsePoint | options);
    if (!NT_SUCCESS(status)) {
        calls.pfnSetLastStatus(status);
        return false;
    }
    pEntry->Attach(hEntry);
    return true;
}


// The path's last part, in UTF-16, where the path names an entry of the folder (its full form
// folded); false otherwise.
bool EntryName(const std::string& path, const std::string& foldedFolder, std::wstring* pName)
{
    std::string full;
    if (!GetFullForm(path, &full))
        return false;
    while (full.size() > 3 && EndsWithSeparator(full))
        full.erase(full.size() - 1);
    const size_t separator = FindLastPathChar(full, "\\/");
    if (separator == std::string::npos || separator + 1 >= full.size() ||
        FoldPath(full.substr(0, separator + 1).c_str()) != foldedFolder)
        return false;
    // An empty name would open the folder itself.
    *pName = WideFromAnsi(full.substr(separator + 1));
    return !pName->empty();
}

}  // namespace

bool ConfirmFolder(const std::string& folder, CConfirmedFolder* pConfirmed)
{
    pConfirmed->m_folder.Close();
    std::string full;
    std::string base;
    if (folder.empty() || !GetFullForm(folder, &full) || CrossesLinkWithin(full, true, &base))
        return false;
    pConfirmed->m_folded = FoldPath(full.c_str());
    const SRelativeCalls* pCalls = RelativeCalls();
    if (!pCalls)
        return true;  // each path deleted as named, after the check above
    // What the path goes through last, its last trusted link or its drive or share, no standard
    // user can change. From there each folder is opened by name within the one before, never
    // through a link: one that a folder was swapped for since the check ends the walk.
    CHandle walked(::CreateFileA(base.c_str(), FILE_TRAVERSE | FILE_READ_ATTRIBUTES, kShareAll, NULL, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, NULL));
    for (size_t start = base.size(); walked.IsValid() && start < full.size();) {
        size_t end = full.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = full.size();
        CHandle next;
        DWORD attributes = 0, tag = 0;
        if (end > start &&
            (!OpenEntry(*pCalls, walked, WideFromAnsi(full.substr(start, end - start)), FILE_TRAVERSE |
                        FILE_READ_ATTRIBUTES, FILE_DIRECTORY_FILE, &next) ||
             !g_pfnReadEntryKind(next, &attributes, &tag) || IsLinkEntry(attributes, tag)))
            return false;
        if (next.IsValid())
            walked.Attach(next.Detach());
        start = end + 1;
    }
    pConfirmed->m_folder.Attach(walked.Detach());
    return true;
}

bool DeleteConfirmed(const std::string& path, const CConfirmedFolder& folder, bool isFolder)
{
    // Only a platform with relative opens has a folder held.
    if (!folder.IsHeld())
        return isFolder ? ::RemoveDirectoryA(path.c_str()) != FALSE : ::DeleteFileA(path.c_str()) != FALSE;
    const SRelativeCalls* pCalls = RelativeCalls();
    std::wstring name;
    if (!EntryName(path, folder.m_folded, &name)) {
        ::SetLastError(ERROR_CANT_RESOLVE_FILENAME);  // no entry of the folder that was checked
        return false;
    }
    // A file goes as the platform's own deletion lets it go, when its handle closes: one call. A
    // folder is looked at first, and goes only when it is no reparse point.
    CHandle item;
    if (!OpenEntry(*pCalls, folder.m_folder, name, DELETE | FILE_READ_ATTRIBUTES,
                   isFolder ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE, &item))
        return false;
    if (!isFolder)
        return true;
    DWORD attributes = 0, tag = 0;
    if (!g_pfnReadEntryKind(item, &attributes, &tag) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ::SetLastError(ERROR_CANT_RESOLVE_FILENAME);  // a link, or what cannot be told from one: no folder of ours
        return false;
    }
    BOOLEAN deleteIt = TRUE;
    IO_STATUS_BLOCK io;
    const NTSTATUS status = pCalls->pfnSetInformation(item, &io, &deleteIt, sizeof deleteIt, kFileDispositionInformation);
    if (!NT_SUCCESS(status)) {
        pCalls->pfnSetLastStatus(status);
        return false;
    }
    return true;
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

bool IsLinkItself(const std::string& path)
{
    std::string full;
    if (!GetFullForm(path, &full))
        return false;  // CrossesLink refuses such a path anyway
    const std::vector<std::string> folders = ListFoldersOnPath(full);
    return !folders.empty() && IsLink(folders.back());
}

bool CrossesLink(const std::string& path)
{
    return CrossesLinkWithin(path, true);
}

bool CrossesLinkAbove(const std::string& path)
{
    return CrossesLinkWithin(path, false);
}
