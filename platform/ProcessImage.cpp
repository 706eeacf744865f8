// platform/ProcessImage.cpp - the program file of another process.
#include "platform/ProcessImage.h"
#include <vector>
#include "platform/SystemLibrary.h"

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
