// platform/InstanceManager.h - cross-process list of running copies, shared with the capture application.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "framework/Handles.h"
#include "framework/Mutex.h"
#include "framework/Object.h"
#include "platform/ObjectSecurity.h"

// Posted to the main windows of listed processes; wParam 0, lParam = the process id concerned.
constexpr UINT WM_INSTANCE_ADDED = 1946;
constexpr UINT WM_INSTANCE_REMOVED = 1947;

// The list holds at most this many ids; a larger count read from the section is not believed.
constexpr uint32_t kInstanceListCapacity = 1000;

// The list area as every participant sees it (little-endian, unsigned 32-bit fields).
struct SInstanceList {
    uint32_t dwMarker;
    uint32_t dwCount;
    uint32_t dwProcessId[kInstanceListCapacity];
};

class COXInstanceManager : public CObject {
    DECLARE_RUNTIME_CLASS(COXInstanceManager)
public:
    COXInstanceManager(const char* pszName, uint32_t nExtraSize);
    ~COXInstanceManager() override;

    uint32_t CountInstances();
    bool ListInstances(std::vector<uint32_t>& ids);
    bool AddProcess(uint32_t id);
    bool RemoveProcess(uint32_t id);

private:
    void CreateSection();
    void ResetList();
    bool MapList();
    void UnmapList();
    template <class Work>
    bool RunLocked(Work work);

    std::string m_sName;
    uint32_t m_nListSize;
    uint32_t m_nExtraSize;
    CSecurityAttributes m_mutexSecurity;  // before the mutexes, which are created with it
    CMutex m_listMutex;
    CMutex m_extraMutex;
    CHandle m_hFileMap;
    CMappedView m_pList;   // only for the duration of one operation
    CMappedView m_pExtra;  // never mapped by this program
};

// The process's main window: top-level, not owned, not a tool window, not titled
// "DDE Server Window" or "OleMainThreadWndName". NULL when none qualifies.
HWND FindMainWindow(DWORD processId);

// The one instance of this program, named kInstanceRegistryName.
extern COXInstanceManager InstanceRegistry;
