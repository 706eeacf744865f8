// platform/LinkSafeDelete.cpp - keeping deletions off links.
#include "platform/LinkSafeDelete.h"
#include <aclapi.h>
#include <sddl.h>
#include "framework/Handles.h"
#include "platform/SystemLibrary.h"
#include "text/PathText.h"

namespace {

// The owners that only an administrator or the system can give a link: the Administrators group
// (the owner of what an elevated administrator makes), the system itself, and TrustedInstaller,
// the servicing account that owns the system's own folders.
const char* const kTrustedOwnerSids[] = {
    "S-1-5-32-544",
    "S-1-5-18",
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
};

// The absolute form, "/" as "\", "." and ".." resolved as the platform will resolve them when
// the path is used, so that the folders examined are the ones the deletion passes through.
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
    CHandle file(::CreateFileA(link.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               NULL, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, NULL));
    if (!file.IsValid())
        return false;
    PSID pOwner = NULL;
    PSECURITY_DESCRIPTOR pDescriptor = NULL;
    if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &pOwner, NULL, NULL, NULL,
                          &pDescriptor) != ERROR_SUCCESS)
        return false;
    char* pszSid = NULL;
    const bool converted = pOwner && ::ConvertSidToStringSidA(pOwner, &pszSid);
    if (converted) {
        pOwnerSid->assign(pszSid);
        ::LocalFree(pszSid);
    }
    ::LocalFree(pDescriptor);
    return converted;
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

bool IsTrustedLink(const std::string& link)
{
    std::string owner;
    return g_pfnReadLinkOwner(link, &owner) && IsTrustedLinkOwner(owner) && CanPassThrough(link);
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

}  // namespace

bool (*g_pfnReadLinkOwner)(const std::string& link, std::string* pOwnerSid) = ReadOwnerOfLinkItself;

bool IsLinkEntry(DWORD attributes, DWORD reparseTag)
{
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    return !IsReparseTagMicrosoft(reparseTag) || IsReparseTagNameSurrogate(reparseTag);
}

bool IsTrustedLinkOwner(const std::string& ownerSid)
{
    for (const char* pszTrusted : kTrustedOwnerSids)
        if (ownerSid == pszTrusted)
            return true;
    return false;
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
    return !CrossesLinkAbove(path) && DeleteFileWaiting(path.c_str(), leftover);
}

bool RemoveFolderOffLinks(const std::string& folder, ELeftover leftover)
{
    return !IsLinkItself(folder) && !CrossesLink(folder) && RemoveFolderWaiting(folder.c_str(), leftover);
}
