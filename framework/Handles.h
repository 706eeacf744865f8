// framework/Handles.h - small non-copyable owners for the platform's handle kinds.
#pragma once
#include <windows.h>
#include <string>
#include "text/PathText.h"

// Kernel object handle (process, section, file, mutex). Close is idempotent.
class CHandle {
public:
    CHandle() : m_h(NULL) {}
    explicit CHandle(HANDLE h) : m_h(h == INVALID_HANDLE_VALUE ? NULL : h) {}
    ~CHandle() { Close(); }
    void Attach(HANDLE h) { Close(); m_h = (h == INVALID_HANDLE_VALUE) ? NULL : h; }
    void Close() { if (m_h) { ::CloseHandle(m_h); m_h = NULL; } }
    operator HANDLE() const { return m_h; }
    bool IsValid() const { return m_h != NULL; }
    // Hands the handle over; this owner closes nothing afterwards.
    HANDLE Detach() { HANDLE h = m_h; m_h = NULL; return h; }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
private:
    HANDLE m_h;
};

// File search started with FindFirstFileA.
class CFindFile {
public:
    CFindFile() : m_h(INVALID_HANDLE_VALUE) {}
    ~CFindFile() { Close(); }
    // A pattern that does not fit a path buffer finds nothing: cut short it would search elsewhere.
    bool First(const std::string& pattern, WIN32_FIND_DATAA* pData)
    {
        Close();
        if (FitsPath(pattern))
            m_h = ::FindFirstFileA(pattern.c_str(), pData);
        return m_h != INVALID_HANDLE_VALUE;
    }
    bool Next(WIN32_FIND_DATAA* pData) { return m_h != INVALID_HANDLE_VALUE && ::FindNextFileA(m_h, pData); }
    // Visits each entry the pattern finds, in the platform's order, until visit returns false.
    // False when the pattern finds nothing.
    template <class Visit>
    static bool ForEach(const std::string& pattern, Visit visit)
    {
        CFindFile search;
        WIN32_FIND_DATAA data;
        if (!search.First(pattern, &data))
            return false;
        while (visit(data) && search.Next(&data)) {
        }
        return true;
    }
    void Close() { if (m_h != INVALID_HANDLE_VALUE) { ::FindClose(m_h); m_h = INVALID_HANDLE_VALUE; } }
    CFindFile(const CFindFile&) = delete;
    CFindFile& operator=(const CFindFile&) = delete;
private:
    HANDLE m_h;
};

// Registry key. Open/Create pass the platform's LONG status through.
class CRegKey {
public:
    CRegKey() : m_hKey(NULL) {}
    ~CRegKey() { Close(); }
    LONG Open(HKEY hRoot, const char* pszSub, REGSAM sam)
    {
        Close();
        return ::RegOpenKeyExA(hRoot, pszSub, 0, sam, &m_hKey);
    }
    // RegCreateKeyA creates every missing key along the path.
    LONG Create(HKEY hRoot, const char* pszSub)
    {
        Close();
        return ::RegCreateKeyA(hRoot, pszSub, &m_hKey);
    }
    void Close() { if (m_hKey) { ::RegCloseKey(m_hKey); m_hKey = NULL; } }
    operator HKEY() const { return m_hKey; }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
private:
    HKEY m_hKey;
};

// View of a file mapping; unmapped at scope end. Unmap is idempotent.
class CMappedView {
public:
    CMappedView() : m_p(NULL) {}
    ~CMappedView() { Unmap(); }
    void Attach(void* p) { Unmap(); m_p = p; }
    void Unmap() { if (m_p) { ::UnmapViewOfFile(m_p); m_p = NULL; } }
    void* Get() const { return m_p; }
    CMappedView(const CMappedView&) = delete;
    CMappedView& operator=(const CMappedView&) = delete;
private:
    void* m_p;
};

// COM interface pointer; released at scope end.
template <class T>
class CComPtr {
public:
    CComPtr() : m_p(NULL) {}
    ~CComPtr() { Release(); }
    void Release() { if (m_p) { m_p->Release(); m_p = NULL; } }
    T** operator&() { Release(); return &m_p; }
    T* operator->() const { return m_p; }
    operator T*() const { return m_p; }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;
private:
    T* m_p;
};
