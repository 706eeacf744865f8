// platform/ProcessImage.cpp - the program file of another process.
#include "platform/ProcessImage.h"
#include <vector>
#include "platform/SystemLibrary.h"

HANDLE (WINAPI* g_pfnOpenProcess)(DWORD, BOOL, DWORD) = ::OpenProcess;

namespace {

typedef BOOL (WINAPI* QueryFullProcessImageNameAProc)(HANDLE, DWORD, LPSTR, PDWORD);
typedef DWORD (WINAPI* GetModuleFileNameExAProc)(HANDLE, HMODULE, LPSTR, DWORD);

// Windows Vista and later.
QueryFullProcessImageNameAProc FindImageNameQuery()
{
    return FindKernelExport<QueryFullProcessImageNameAProc>("QueryFullProcessImageNameA");
}

// XP: the file of the process's first module, read from its memory by the process-status library.
DWORD ReadFirstModulePath(HANDLE hProcess, std::vector<char>& buffer)
{
    CLibrary psapi(LoadSystemLibrary(L"psapi.dll"));
    GetModuleFileNameExAProc pfnRead = psapi.Export<GetModuleFileNameExAProc>("GetModuleFileNameExA");
    if (!pfnRead)
        return 0;
    const DWORD length = pfnRead(hProcess, NULL, buffer.data(), static_cast<DWORD>(buffer.size()));
    // A path that filled the buffer may have been cut short, with or without its terminator.
    return length + 1 >= buffer.size() ? 0 : length;
}

}  // namespace

DWORD ProcessImageAccess()
{
    return FindImageNameQuery() ? PROCESS_QUERY_LIMITED_INFORMATION : PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
}

bool ReadProcessImagePath(HANDLE hProcess, DWORD maxChars, std::string* pPath)
{
    std::vector<char> buffer(maxChars);
    DWORD length = 0;
    if (QueryFullProcessImageNameAProc pfnQuery = FindImageNameQuery()) {
        DWORD size = maxChars;
        if (!pfnQuery(hProcess, 0, buffer.data(), &size) || size >= maxChars)
            return false;
        length = size;
    } else {
        length = ReadFirstModulePath(hProcess, buffer);
    }
    if (length == 0)
        return false;
    pPath->assign(buffer.data(), length);
    return true;
}

namespace {

// Enables the privilege in this process's token for the scope, and gives the token back its
// earlier state at the end. IsEnabled() is false when the token lacks the privilege.
class CScopedPrivilege {
public:
    explicit CScopedPrivilege(const char* pszName) : m_hToken(NULL), m_enabled(false)
    {
        m_previous.PrivilegeCount = 0;
        LUID luid;
        if (!::LookupPrivilegeValueA(NULL, pszName, &luid) ||
            !::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &m_hToken))
            return;
        TOKEN_PRIVILEGES wanted;
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Luid = luid;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        DWORD previousBytes = sizeof m_previous;
        // Succeeds without enabling anything when the token lacks the privilege; only the error
        // code tells.
        m_enabled = ::AdjustTokenPrivileges(m_hToken, FALSE, &wanted, sizeof m_previous, &m_previous,
                                            &previousBytes) &&
                    ::GetLastError() == ERROR_SUCCESS;
    }
    ~CScopedPrivilege()
    {
        if (m_enabled && m_previous.PrivilegeCount)
            ::AdjustTokenPrivileges(m_hToken, FALSE, &m_previous, 0, NULL, NULL);
        if (m_hToken)
            ::CloseHandle(m_hToken);
    }
    bool IsEnabled() const { return m_enabled; }
    CScopedPrivilege(const CScopedPrivilege&) = delete;
    CScopedPrivilege& operator=(const CScopedPrivilege&) = delete;

private:
    HANDLE m_hToken;
    TOKEN_PRIVILEGES m_previous;
    bool m_enabled;
};

}  // namespace

HANDLE OpenAnyAccountProcess(DWORD access, DWORD processId)
{
    HANDLE hProcess = g_pfnOpenProcess(access, FALSE, processId);
    if (hProcess || ::GetLastError() != ERROR_ACCESS_DENIED)
        return hProcess;
    CScopedPrivilege debugging("SeDebugPrivilege");
    return debugging.IsEnabled() ? g_pfnOpenProcess(access, FALSE, processId) : NULL;
}
