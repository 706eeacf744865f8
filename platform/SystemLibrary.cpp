// platform/SystemLibrary.cpp - loading libraries from the system folder only.
#include "platform/SystemLibrary.h"

namespace {

typedef BOOL (WINAPI* SetDefaultDllDirectoriesProc)(DWORD);

FARPROC FindInKernel32(const char* pszName)
{
    return ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), pszName);
}

// SetDefaultDllDirectories and the LOAD_LIBRARY_SEARCH_ flags came together (Windows 8, and the
// 2011 loader update for Vista and 7): where the one is missing the loader rejects the others.
bool LoaderKnowsSearchFlags()
{
    return FindKernelExport<SetDefaultDllDirectoriesProc>("SetDefaultDllDirectories") != NULL;
}

// "<system folder>\<name>" in a fixed buffer (this runs before the C runtime); false when it does
// not fit.
bool JoinSystemPath(const wchar_t* pszFileName, wchar_t* pszPath, UINT cchPath)
{
    const UINT folderChars = ::GetSystemDirectoryW(pszPath, cchPath);
    if (folderChars == 0 || folderChars >= cchPath)
        return false;
    UINT at = folderChars;
    if (pszPath[at - 1] != L'\\')
        pszPath[at++] = L'\\';
    for (const wchar_t* p = pszFileName; *p; ++p) {
        if (at + 1 >= cchPath)
            return false;
        pszPath[at++] = *p;
    }
    pszPath[at] = L'\0';
    return true;
}

}  // namespace

FARPROC (*g_pfnFindKernelExport)(const char* pszName) = FindInKernel32;

FARPROC FindNtdllExport(const char* pszName)
{
    const HMODULE hNtdll = ::GetModuleHandleA("ntdll.dll");
    return hNtdll ? ::GetProcAddress(hNtdll, pszName) : NULL;
}

void RestrictLibrarySearch()
{
    SetDefaultDllDirectoriesProc pfnSetDefault =
        FindKernelExport<SetDefaultDllDirectoriesProc>("SetDefaultDllDirectories");
    if (pfnSetDefault && pfnSetDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    // The older loaders still search the program's own folder first; our own loads name the
    // system folder in full, which is all that can be done there. A DLL directory takes the
    // current folder's place in the search: the system folder, searched anyway, rather than the
    // empty text that Windows also accepts, which Wine takes for "none".
    wchar_t systemFolder[MAX_PATH];
    const UINT folderChars = ::GetSystemDirectoryW(systemFolder, MAX_PATH);
    if (folderChars > 0 && folderChars < MAX_PATH)
        ::SetDllDirectoryW(systemFolder);
}

HMODULE LoadSystemLibrary(const wchar_t* pszFileName)
{
    if (LoaderKnowsSearchFlags())
        return ::LoadLibraryExW(pszFileName, NULL, LOAD_LIBRARY_SEARCH_SYSTEM32);
    wchar_t path[MAX_PATH];
    if (!JoinSystemPath(pszFileName, path, MAX_PATH))
        return NULL;
    // The altered search makes the library's own imports come from its folder first.
    return ::LoadLibraryExW(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void InitCommonControlsFromSystem()
{
    typedef void (WINAPI* InitCommonControlsProc)();
    CLibrary comctl32(LoadSystemLibrary(L"comctl32.dll"));
    InitCommonControlsProc pfnInit = comctl32.Export<InitCommonControlsProc>("InitCommonControls");
    if (!pfnInit)
        return;
    pfnInit();
    comctl32.Detach();
}
