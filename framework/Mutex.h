// framework/Mutex.h - named mutex that knows whether it opened an existing object.
#pragma once
#include <windows.h>
#include "framework/Handles.h"
#include "framework/Object.h"

class CMutex : public CObject {
public:
    // Creates or opens the named mutex, not initially owned; the descriptor (default security
    // when none) applies only when this call creates it. Opening an existing one this way asks
    // for every right, which its descriptor must grant. m_bAlreadyExisted reports
    // ERROR_ALREADY_EXISTS; IsValid() is false when creation failed.
    explicit CMutex(const char* pszName, SECURITY_ATTRIBUTES* pSecurity = NULL)
        : m_h(::CreateMutexA(pSecurity, FALSE, pszName)),
          m_bAlreadyExisted(::GetLastError() == ERROR_ALREADY_EXISTS)
    {
    }
    bool IsValid() const { return m_h.IsValid(); }
    bool AlreadyExisted() const { return m_bAlreadyExisted; }

    // Waits without time-out. An abandoned mutex (its holder died holding it) counts as acquired.
    bool Lock()
    {
        if (!m_h.IsValid())
            return false;
        const DWORD r = ::WaitForSingleObject(m_h, INFINITE);
        return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
    }
    void Unlock() { if (m_h.IsValid()) ::ReleaseMutex(m_h); }

private:
    CHandle m_h;
    bool m_bAlreadyExisted;
};

// Holds a CMutex for a scope.
class CMutexLock {
public:
    explicit CMutexLock(CMutex& m) : m_m(m), m_bHeld(m.Lock()) {}
    ~CMutexLock() { if (m_bHeld) m_m.Unlock(); }
    bool IsHeld() const { return m_bHeld; }
    CMutexLock(const CMutexLock&) = delete;
    CMutexLock& operator=(const CMutexLock&) = delete;
private:
    CMutex& m_m;
    bool m_bHeld;
};
