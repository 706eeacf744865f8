// platform/SystemLibrary.h - libraries that Windows does not always take from the system folder
// (comctl32, version, psapi) loaded from there only, and the process-wide library search kept out
// of the program's own folder and the current folder. setup runs elevated from folders that
// other programs can write to; a library planted there must never run in its process.
#pragma once
#include <windows.h>

// Test seam: looks an export of kernel32 up. Functions newer than Windows XP SP3 are used only
// when this finds them, so a test that swaps in a look-up refusing them runs the roads of XP.
extern FARPROC (*g_pfnFindKernelExport)(const char* pszName);

template <class Proc>
Proc FindKernelExport(const char* pszName)
{
    return reinterpret_cast<Proc>(g_pfnFindKernelExport(pszName));
}

// An export of ntdll, which every process of the NT family has loaded; NULL on Windows 9x and
// where the version lacks the function.
FARPROC FindNtdllExport(const char* pszName);

// Keeps every later library search of the process, ours and those that system libraries make on
// our behalf, to the system folder. Where the loader cannot (XP, and Vista or 7 without the 2011
// loader update), only the current folder is taken out of the search. Needs kernel32 alone, so
// that it can run before the C runtime starts.
void RestrictLibrarySearch();

// The library of that file name from the system folder; NULL when it is not there. The caller
// takes ownership.
HMODULE LoadSystemLibrary(const wchar_t* pszFileName);

// The "three-dimensional look" of old, which is the common-controls look today, from the
// common-controls library of the system folder; the library then stays loaded for the windows of
// its classes. Best effort: without it the dialogs still show, in the plain look.
void InitCommonControlsFromSystem();

// Owner of a loaded library; freed at scope end unless detached.
class CLibrary {
public:
    CLibrary() : m_h(NULL) {}
    explicit CLibrary(HMODULE h) : m_h(h) {}
    ~CLibrary() { Free(); }
    void Free() { if (m_h) { ::FreeLibrary(m_h); m_h = NULL; } }
    HMODULE Detach() { HMODULE h = m_h; m_h = NULL; return h; }
    bool IsLoaded() const { return m_h != NULL; }
    operator HMODULE() const { return m_h; }
    // NULL when the library is not loaded or lacks the function.
    template <class Proc>
    Proc Export(const char* pszName) const
    {
        return m_h ? reinterpret_cast<Proc>(::GetProcAddress(m_h, pszName)) : NULL;
    }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;
private:
    HMODULE m_h;
};
