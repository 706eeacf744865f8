// download/PrivateFolder.h - the fresh folder that the download unpacks the package into.
#pragma once
#include <windows.h>
#include <string>

// A folder of a new name that only administrators and the system may write to: setup runs
// elevated from it, so no unelevated process may put a file there or change one. It lies in the
// Windows folder's Temp, where other users may create what is theirs but not rename or delete
// what is ours. A process that is no administrator has no such boundary to guard: it takes the
// user's temporary folder and the rights it inherits there.
// Test seam: makes the folder. Wine does not keep the access list it is given, so the tests look
// at what is asked for here.
extern BOOL (WINAPI* g_pfnCreateDirectoryW)(LPCWSTR pszPath, LPSECURITY_ATTRIBUTES pAttributes);

class CPrivateFolder {
public:
    CPrivateFolder() {}
    ~CPrivateFolder() { Remove(); }
    bool Create();
    // Full path, no trailing backslash; empty before Create succeeded.
    const std::wstring& Path() const { return m_path; }
    // Deletes the files in it and the folder itself; what is still held goes at the next system
    // start. Idempotent.
    void Remove();
    CPrivateFolder(const CPrivateFolder&) = delete;
    CPrivateFolder& operator=(const CPrivateFolder&) = delete;
private:
    std::wstring m_path;
};
