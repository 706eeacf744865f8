// platform/HeldFiles.h - waiting out another program's passing hold on a file or folder. Virus
// scanners, the search indexer and backup agents open files for a moment, most of all files just
// written or about to be deleted; a step that tried once would lose its file for good.
#pragma once
#include <windows.h>
#include <string>
#include "platform/DeletionRules.h"

// A step gets another try for this long after its first failure, a run for this long in all:
// scanners and indexers let go well within a second and backup agents within a few, while a run in
// which several files are held for good (a program that could not be closed) still ends soon.
const DWORD kHeldRetryMs = 5000;
const DWORD kHeldRunBudgetMs = 30000;
// Between two tries.
const DWORD kHeldRetryPeriodMs = 100;

// Counts the waiting of one step against its own bound and the run's. Wait() sleeps one period
// and says true, or says false once the bound is spent. A path that stayed held through a whole
// wait is not waited for again in this run: the uninstaller, for one, is deleted by name and
// again as an entry of the log.
class CHeldWait {
public:
    explicit CHeldWait(const char* pszPath);
    bool Wait();
private:
    const char* m_pszPath;
    DWORD m_waitedMs;
    bool m_bHeldBefore;
};

// Runs step (returns true on success, leaves the platform's error on failure) until it succeeds,
// fails for a reason that waiting cannot clear, or the wait is spent. The only retry loop: every
// step that another program can block for a moment goes through it.
template <typename Step>
bool RetryWhileHeld(const char* pszPath, Step step)
{
    CHeldWait wait(pszPath);
    for (;;) {
        if (step())
            return true;
        const DWORD error = ::GetLastError();
        const LONG status = ReadLastNtStatus();
        if (!IsPassingHold(error, pszPath, status) || !wait.Wait()) {
            ::SetLastError(error);
            return false;
        }
    }
}

// While it lives, the file is open in this process itself (a log being read): a step on it that
// fails for a hold ends at once, since the hold lasts as long as the step's caller.
class CHeldHere {
public:
    explicit CHeldHere(const char* pszPath);
    ~CHeldHere();
    CHeldHere(const CHeldHere&) = delete;
    CHeldHere& operator=(const CHeldHere&) = delete;
private:
    std::string m_previous;
};

// DeleteFileA that waits out a passing hold. True once the file is gone; a file that was still
// going when it was last asked and is missing now counts as deleted. A file still there after the
// wait is left to the next system start when leftover says so and MayLeaveToRestart allows.
bool DeleteFileWaiting(const char* pszPath, ELeftover leftover = ELeftover::kStays);

// The same through DeleteConfirmed: the file is deleted as an entry of the folder that
// ConfirmFolder holds, or by its path where it holds none.
bool DeleteConfirmedWaiting(const std::string& path, const CConfirmedFolder& folder, ELeftover leftover);

// RemoveDirectoryA the same way (the folder only, never its content). A folder left to the next
// system start goes then only if it is empty by then.
bool RemoveFolderWaiting(const char* pszFolder, ELeftover leftover = ELeftover::kStays);

// The same through DeleteConfirmed, as DeleteConfirmedWaiting.
bool RemoveConfirmedWaiting(const std::string& folder, const CConfirmedFolder& parent, ELeftover leftover);

// The sleep between two tries. Tests point it elsewhere, so that the rule is tested without waiting.
extern void (WINAPI* g_pfnHeldWaitSleep)(DWORD);
// The waiting spent in this process so far; tests set it back, and ForgetHeldPaths() too.
extern DWORD g_heldWaitSpentMs;
void ForgetHeldPaths();
