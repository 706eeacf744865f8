// platform/ObjectSecurity.h - security descriptors built in code, for what setup shares with the
// person at the desktop and for what it keeps from that person's programs; the token questions
// that decide between them.
#pragma once
#include <windows.h>
#include <initializer_list>
#include <vector>

// Whom one entry of a descriptor is for. The well-known ones are spelled out in code: the string
// form of descriptors needs a library that Windows XP SP3 lacks.
enum class Trustee {
    System,          // the local system account, which deployment tools run setup as
    Administrators,  // the built-in group, which an elevated token carries
    Interactive,     // anyone logged on at the desktop (or by remote desktop), elevated or not
    Users,           // the built-in group of every account of the machine and the domain
    TrustedInstaller,  // the service that owns the system's files (Vista and later; a SID that XP never meets)
    TokenUser,       // the account of this process's token
};

struct SAccessGrant {
    Trustee who;
    DWORD access;
};

// A descriptor whose DACL allows exactly the entries given, in that order, and nothing else;
// the owner is the creator's default. Keeps what the pointers inside it point at, so it must
// outlive every call that is handed Get().
class CSecurityAttributes {
public:
    CSecurityAttributes() : m_built(false) {}
    // inheritable: the entries pass on to the files and folders created inside a folder (and no
    // entry of the folder's own parent reaches it). False when the descriptor cannot be built.
    bool Build(std::initializer_list<SAccessGrant> grants, bool inheritable);
    // NULL until Build succeeded: the platform's default security then applies.
    SECURITY_ATTRIBUTES* Get() { return m_built ? &m_attributes : NULL; }
    CSecurityAttributes(const CSecurityAttributes&) = delete;
    CSecurityAttributes& operator=(const CSecurityAttributes&) = delete;

private:
    std::vector<std::vector<BYTE>> m_sids;
    std::vector<BYTE> m_acl;
    SECURITY_DESCRIPTOR m_descriptor;
    SECURITY_ATTRIBUTES m_attributes;
    bool m_built;
};

// The SID of the trustee, in a buffer of its own; empty when it cannot be made.
std::vector<BYTE> MakeTrusteeSid(Trustee who);

// The account of the token's user; empty when it cannot be read.
std::vector<BYTE> ReadTokenUserSid(HANDLE hToken);

// Whether the process runs with administrator rights that Windows granted by elevation, or as
// the local system account. False on Windows XP, whose tokens do not tell, and on failure.
bool IsProcessElevated(HANDLE hProcess);

// Test seam: reads one token information class as the platform does. Tests answer for a token
// that Wine, which runs everything as one elevated account, never has.
extern BOOL (WINAPI* g_pfnGetTokenInformation)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
