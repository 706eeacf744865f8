// platform/ObjectSecurity.cpp - security descriptors built in code, and the token questions that
// choose between them.
#include "platform/ObjectSecurity.h"

BOOL (WINAPI* g_pfnGetTokenInformation)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD) =
    ::GetTokenInformation;

namespace {

// Token classes of Windows Vista and later, by number: the XP headers lack them, and XP answers
// a query for them with a failure.
const TOKEN_INFORMATION_CLASS kTokenElevationClass = static_cast<TOKEN_INFORMATION_CLASS>(20);
const DWORD kNoInheritance = 0;

struct SWellKnownSid {
    BYTE subAuthorityCount;
    DWORD subAuthorities[6];
};

// NT SERVICE\TrustedInstaller: a service SID, the same on every machine.
const SWellKnownSid kTrustedInstallerSid = {
    6, {SECURITY_SERVICE_ID_BASE_RID, 956008885, 3418522649, 1831038044, 1853292631, 2271478464}};

bool DescribeWellKnownSid(Trustee who, SWellKnownSid* pSid)
{
    switch (who) {
    case Trustee::System:
        *pSid = SWellKnownSid{1, {SECURITY_LOCAL_SYSTEM_RID, 0}};
        return true;
    case Trustee::Administrators:
        *pSid = SWellKnownSid{2, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}};
        return true;
    case Trustee::Interactive:
        *pSid = SWellKnownSid{1, {SECURITY_INTERACTIVE_RID, 0}};
        return true;
    case Trustee::Users:
        *pSid = SWellKnownSid{2, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS}};
        return true;
    case Trustee::TrustedInstaller:
        *pSid = kTrustedInstallerSid;
        return true;
    default:
        return false;
    }
}

std::vector<BYTE> ReadTokenBytes(HANDLE hToken, TOKEN_INFORMATION_CLASS infoClass)
{
    DWORD needed = 0;
    g_pfnGetTokenInformation(hToken, infoClass, NULL, 0, &needed);
    if (needed == 0)
        return std::vector<BYTE>();
    std::vector<BYTE> bytes(needed);
    if (!g_pfnGetTokenInformation(hToken, infoClass, bytes.data(), needed, &needed))
        return std::vector<BYTE>();
    return bytes;
}

std::vector<BYTE> ReadOwnUserSid()
{
    HANDLE hToken = NULL;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return std::vector<BYTE>();
    std::vector<BYTE> sid = ReadTokenUserSid(hToken);
    ::CloseHandle(hToken);
    return sid;
}

bool IsSystemAccount(const std::vector<BYTE>& sid)
{
    const std::vector<BYTE> system = MakeTrusteeSid(Trustee::System);
    return !sid.empty() && !system.empty() && ::EqualSid(const_cast<BYTE*>(sid.data()),
                                                         const_cast<BYTE*>(system.data()));
}

}  // namespace

std::vector<BYTE> MakeTrusteeSid(Trustee who)
{
    if (who == Trustee::TokenUser)
        return ReadOwnUserSid();
    SWellKnownSid known;
    if (!DescribeWellKnownSid(who, &known))
        return std::vector<BYTE>();
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    std::vector<BYTE> sid(::GetSidLengthRequired(known.subAuthorityCount));
    if (!::InitializeSid(sid.data(), &ntAuthority, known.subAuthorityCount))
        return std::vector<BYTE>();
    for (BYTE i = 0; i < known.subAuthorityCount; ++i)
        *::GetSidSubAuthority(sid.data(), i) = known.subAuthorities[i];
    return sid;
}

std::vector<BYTE> ReadTokenUserSid(HANDLE hToken)
{
    const std::vector<BYTE> bytes = ReadTokenBytes(hToken, TokenUser);
    if (bytes.size() < sizeof(TOKEN_USER))
        return std::vector<BYTE>();
    PSID pSid = reinterpret_cast<const TOKEN_USER*>(bytes.data())->User.Sid;
    if (!pSid || !::IsValidSid(pSid))
        return std::vector<BYTE>();
    const DWORD length = ::GetLengthSid(pSid);
    const BYTE* pBytes = static_cast<const BYTE*>(pSid);
    return std::vector<BYTE>(pBytes, pBytes + length);
}

bool IsProcessElevated(HANDLE hProcess)
{
    HANDLE hToken = NULL;
    if (!::OpenProcessToken(hProcess, TOKEN_QUERY, &hToken))
        return false;
    const std::vector<BYTE> elevation = ReadTokenBytes(hToken, kTokenElevationClass);
    // The system account's token may not say so, yet it can do all that an elevated one can.
    const bool elevated = (elevation.size() >= sizeof(DWORD) && *reinterpret_cast<const DWORD*>(elevation.data())) ||
                          IsSystemAccount(ReadTokenUserSid(hToken));
    ::CloseHandle(hToken);
    return elevated;
}

bool CSecurityAttributes::Build(std::initializer_list<SAccessGrant> grants, bool inheritable)
{
    m_built = false;
    m_sids.clear();
    DWORD aclBytes = sizeof(ACL);
    for (const SAccessGrant& grant : grants) {
        m_sids.push_back(MakeTrusteeSid(grant.who));
        if (m_sids.back().empty())
            return false;
        aclBytes += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + static_cast<DWORD>(m_sids.back().size());
    }
    m_acl.assign(aclBytes, 0);
    PACL pAcl = reinterpret_cast<PACL>(m_acl.data());
    if (!::InitializeAcl(pAcl, aclBytes, ACL_REVISION))
        return false;
    const DWORD aceFlags = inheritable ? (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) : kNoInheritance;
    size_t i = 0;
    for (const SAccessGrant& grant : grants) {
        if (!::AddAccessAllowedAceEx(pAcl, ACL_REVISION, aceFlags, grant.access, m_sids[i++].data()))
            return false;
    }
    if (!::InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorDacl(&m_descriptor, TRUE, pAcl, FALSE))
        return false;
    // A folder's entries are all it has: those of the folder it lies in, which its user may
    // write to, must not reach it.
    if (inheritable && !::SetSecurityDescriptorControl(&m_descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return false;
    m_attributes.nLength = sizeof m_attributes;
    m_attributes.lpSecurityDescriptor = &m_descriptor;
    m_attributes.bInheritHandle = FALSE;
    m_built = true;
    return true;
}
