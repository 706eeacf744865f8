// platform/InstanceManager.cpp - cross-process list of running copies, shared with the capture application.
#include "platform/InstanceManager.h"
#include <algorithm>
#include <cstring>
#include "text/ProductNames.h"

IMPLEMENT_RUNTIME_CLASS(COXInstanceManager)

namespace {

const char kListMutexPrefix[] = "COXInstanceManager_InstanceList_Mutex_";
const char kExtraMutexPrefix[] = "COXInstanceManager_Additional_Mutex_";
const char kFileMapPrefix[] = "COXInstanceManager_FileMap_";
const int kTitleChars = 512;
const DWORD kSectionProtection = PAGE_READWRITE | SEC_COMMIT;  // 0x08000004
const DWORD kViewAccess = FILE_MAP_READ | FILE_MAP_WRITE;      // 6

static_assert(sizeof(SInstanceList) == 4008, "the list layout is shared with other programs");

// Everyone who takes part gets every right: the protocol's own calls, CreateMutexA and
// CreateFileMappingA, ask for all access when they open an existing object (CreateMutexA asks for
// MUTEX_ALL_ACCESS; Microsoft names no narrower set for CreateFileMappingA, so it is granted
// all). Setup runs elevated, often under another account than the person at the desktop, whose
// capture application makes exactly those calls, and the other way round. The person could
// change the objects' security with that: the coordination would fail, nothing more, for the
// close pass acts on no listed id alone.
SECURITY_ATTRIBUTES* BuildSharedSecurity(CSecurityAttributes& security, DWORD allAccess)
{
    security.Build({{Trustee::System, allAccess}, {Trustee::Administrators, allAccess}, {Trustee::Interactive, allAccess}},
                   false);
    return security.Get();
}

// Creates or opens the section. existed: it was there.
HANDLE CreateOrOpenSection(const std::string& name, DWORD totalSize, bool* pExisted)
{
    CSecurityAttributes security;
    HANDLE hFileMap = ::CreateFileMappingA(INVALID_HANDLE_VALUE, BuildSharedSecurity(security, SECTION_ALL_ACCESS),
                                           kSectionProtection, 0, totalSize, name.c_str());
    *pExisted = ::GetLastError() == ERROR_ALREADY_EXISTS;
    return hFileMap;
}

// Views of a section begin at multiples of the allocation granularity, so both areas are sized
// in that unit. A 64-bit result: a huge size must not wrap round to a small one. The division
// stays 32-bit, which spares the shipped 32-bit program the runtime's 64-bit division helpers.
uint64_t RoundUpToUnit(uint32_t size, uint32_t unit)
{
    if (unit == 0)
        return size;
    const uint32_t units = size / unit + (size % unit != 0 ? 1 : 0);
    return static_cast<uint64_t>(units) * unit;
}

// Any participant, or a hostile program, can write the section: a count beyond the capacity
// is read as a full list, so that no operation reaches past the slots.
uint32_t UsableCount(const SInstanceList& list)
{
    const uint32_t count = list.dwCount;
    return count < kInstanceListCapacity ? count : kInstanceListCapacity;
}

// Owner, style and title, the rules besides the process: a process's main window is the first
// top-level window, from the top, that passes them.
bool IsMainWindowCandidate(HWND hWnd)
{
    if (::GetWindow(hWnd, GW_OWNER) != NULL)
        return false;
    if (::GetWindowLongA(hWnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)
        return false;
    char title[kTitleChars] = "";
    ::GetWindowTextA(hWnd, title, kTitleChars);
    return std::strcmp(title, kDdeServerWindowTitle) != 0 && std::strcmp(title, kOleMainThreadWindowTitle) != 0;
}

DWORD GetWindowProcessId(HWND hWnd)
{
    DWORD owner = 0;
    return ::GetWindowThreadProcessId(hWnd, &owner) ? owner : 0;
}

// The main windows of many processes from one walk of the windows: a walk per listed id would,
// with a full list, visit every window a thousand times while the list lock is held.
class CMainWindowTable {
public:
    explicit CMainWindowTable(const std::vector<uint32_t>& ids) : m_nMissing(0)
    {
        for (uint32_t id : ids)
            m_entries.push_back(SEntry{id, NULL});
        SortById(m_entries);
        m_entries.erase(std::unique(m_entries.begin(), m_entries.end(), IsSameId), m_entries.end());
        m_nMissing = m_entries.size();
    }
    void FindWindows()
    {
        if (m_nMissing)
            ::EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(this));
    }
    HWND GetMainWindow(uint32_t processId) const
    {
        const SEntry key = {processId, NULL};
        auto it = std::lower_bound(m_entries.begin(), m_entries.end(), key, IsLowerId);
        return it != m_entries.end() && it->processId == processId ? it->hWnd : NULL;
    }

private:
    struct SEntry {
        uint32_t processId;
        HWND hWnd;
    };
    static bool IsLowerId(const SEntry& a, const SEntry& b) { return a.processId < b.processId; }
    // A Shell sort: a full list (a thousand ids) in well under a millisecond, in a fraction of the
    // code that std::sort instantiates.
    static void SortById(std::vector<SEntry>& entries)
    {
        for (size_t gap = entries.size() / 2; gap > 0; gap /= 2) {
            for (size_t i = gap; i < entries.size(); ++i) {
                const SEntry moving = entries[i];
                size_t j = i;
                for (; j >= gap && IsLowerId(moving, entries[j - gap]); j -= gap)
                    entries[j] = entries[j - gap];
                entries[j] = moving;
            }
        }
    }
    static bool IsSameId(const SEntry& a, const SEntry& b) { return a.processId == b.processId; }

    // Only the first qualifying window of a process counts; the walk ends once every listed
    // process has its window.
    static BOOL CALLBACK VisitWindow(HWND hWnd, LPARAM param)
    {
        CMainWindowTable* pTable = reinterpret_cast<CMainWindowTable*>(param);
        const DWORD processId = GetWindowProcessId(hWnd);
        if (!processId)
            return TRUE;
        const SEntry key = {processId, NULL};
        auto it = std::lower_bound(pTable->m_entries.begin(), pTable->m_entries.end(), key, IsLowerId);
        if (it == pTable->m_entries.end() || it->processId != processId || it->hWnd)
            return TRUE;
        if (!IsMainWindowCandidate(hWnd))
            return TRUE;
        it->hWnd = hWnd;
        return --pTable->m_nMissing != 0;
    }

    std::vector<SEntry> m_entries;
    size_t m_nMissing;
};

// Best effort: a listed id without a main window hears nothing, and the others follow in order.
// The ids are read once: the section is writable by anyone, and the windows found must be
// those of the ids that are notified.
void NotifyProcesses(const uint32_t* pListed, uint32_t count, UINT message, uint32_t aboutId)
{
    if (count == 0)
        return;
    const std::vector<uint32_t> ids(pListed, pListed + count);
    CMainWindowTable windows(ids);
    windows.FindWindows();
    for (uint32_t id : ids) {
        HWND hWnd = windows.GetMainWindow(id);
        if (hWnd)
            ::PostMessageA(hWnd, message, 0, static_cast<LPARAM>(aboutId));
    }
}

}  // namespace

COXInstanceManager::COXInstanceManager(const char* pszName, uint32_t nExtraSize)
    : m_sName(pszName ? pszName : ""),
      m_nListSize(sizeof(SInstanceList)),
      m_nExtraSize(nExtraSize),
      m_listMutex((kListMutexPrefix + m_sName).c_str(), BuildSharedSecurity(m_mutexSecurity, MUTEX_ALL_ACCESS)),
      m_extraMutex((kExtraMutexPrefix + m_sName).c_str(), m_mutexSecurity.Get())
{
    // Without its lock the list cannot be shared safely: the registry then stays unavailable
    // (no section), every operation fails, and the run goes on seeing no other copies.
    if (!m_listMutex.IsValid() || !m_extraMutex.IsValid())
        return;
    CreateSection();
    AddProcess(::GetCurrentProcessId());
}

COXInstanceManager::~COXInstanceManager()
{
    RemoveProcess(::GetCurrentProcessId());
    // The members then unmap the additional view, close the section, the additional mutex and
    // the list mutex, in this order (reverse declaration).
}

void COXInstanceManager::CreateSection()
{
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    const uint64_t listSize = RoundUpToUnit(m_nListSize, info.dwAllocationGranularity);
    const uint64_t extraSize = RoundUpToUnit(m_nExtraSize, info.dwAllocationGranularity);
    if (listSize + extraSize > 0xFFFFFFFFu)
        return;
    m_nListSize = static_cast<uint32_t>(listSize);
    m_nExtraSize = static_cast<uint32_t>(extraSize);

    // Creation and initialisation are one step for the other processes: one that opens the new
    // section meanwhile waits for this lock instead of registering into a list about to be wiped.
    CMutexLock lock(m_listMutex);
    if (!lock.IsHeld())
        return;
    bool existed = false;
    m_hFileMap.Attach(CreateOrOpenSection(kFileMapPrefix + m_sName, m_nListSize + m_nExtraSize, &existed));
    if (m_hFileMap.IsValid() && !existed)
        ResetList();
}

// Map, lock, work, unmap, unlock: the view never outlives the lock, and none stays mapped
// between operations. A view that cannot be mapped fails the operation before the lock.
template <class Work>
bool COXInstanceManager::RunLocked(Work work)
{
    if (!MapList())
        return false;
    CMutexLock lock(m_listMutex);
    if (lock.IsHeld())
        work(*static_cast<SInstanceList*>(m_pList.Get()));
    UnmapList();
    return lock.IsHeld();
}

void COXInstanceManager::ResetList()
{
    RunLocked([](SInstanceList& list) {
        list.dwMarker = 1;
        list.dwCount = 0;
        std::memset(list.dwProcessId, 0, sizeof list.dwProcessId);
    });
}

uint32_t COXInstanceManager::CountInstances()
{
    uint32_t count = 0;
    RunLocked([&count](SInstanceList& list) { count = UsableCount(list); });
    return count;
}

bool COXInstanceManager::ListInstances(std::vector<uint32_t>& ids)
{
    std::vector<uint32_t> snapshot;
    const bool ok = RunLocked([&snapshot](SInstanceList& list) {
        snapshot.assign(list.dwProcessId, list.dwProcessId + UsableCount(list));
    });
    if (ok)
        ids.swap(snapshot);
    return ok;
}

bool COXInstanceManager::AddProcess(uint32_t id)
{
    bool added = false;
    RunLocked([id, &added](SInstanceList& list) {
        const uint32_t count = list.dwCount;
        if (count >= kInstanceListCapacity)
            return;
        // The listed processes hear of the newcomer before it is listed, so none hears of itself.
        NotifyProcesses(list.dwProcessId, count, WM_INSTANCE_ADDED, id);
        list.dwProcessId[count] = id;
        list.dwCount = count + 1;
        added = true;
    });
    return added;
}

bool COXInstanceManager::RemoveProcess(uint32_t id)
{
    bool removed = false;
    RunLocked([id, &removed](SInstanceList& list) {
        const uint32_t count = UsableCount(list);
        uint32_t slot = 0;
        while (slot < count && list.dwProcessId[slot] != id)
            ++slot;
        if (slot == count)
            return;
        for (uint32_t i = slot; i + 1 < count; ++i)
            list.dwProcessId[i] = list.dwProcessId[i + 1];
        list.dwProcessId[count - 1] = 0;
        list.dwCount = count - 1;
        NotifyProcesses(list.dwProcessId, count - 1, WM_INSTANCE_REMOVED, id);
        removed = true;
    });
    return removed;
}

bool COXInstanceManager::MapList()
{
    if (!m_hFileMap.IsValid())
        return false;
    if (!m_pList.Get())
        m_pList.Attach(::MapViewOfFile(m_hFileMap, kViewAccess, 0, 0, m_nListSize));
    return m_pList.Get() != NULL;
}

void COXInstanceManager::UnmapList()
{
    m_pList.Unmap();
}

HWND FindMainWindow(DWORD processId)
{
    CMainWindowTable windows(std::vector<uint32_t>(1, processId));
    windows.FindWindows();
    return windows.GetMainWindow(processId);
}
