// tests/support/StageWatch.h - runs a program that hands over to a child of its own (the
// uninstaller's first stage starts the second and ends) and follows the child to its end.
#pragma once
#include <windows.h>
#include <string>

namespace stagewatch {

constexpr DWORD kNoExitCode = 0xFFFFFFFF;

struct SStageRun {
    bool started = false;
    bool firstEnded = false;
    DWORD firstExitCode = kNoExitCode;
    bool childFound = false;
    bool childEnded = false;
    DWORD childExitCode = kNoExitCode;
    double firstEndMs = 0;    // from the start of the first process
    double childEndMs = 0;    // from the start of the first process; 0 when no child was found
    std::string childName;    // the child's program file name, without its folder
};

// A running process that the given one (handle and id; it may have ended) started, or 0. The id
// a process records as its parent's outlives that parent and may be handed out again: a
// long-running process whose parent ended long ago would pass for the child of any later process
// given the same id. So only a process that began no earlier than the parent counts, and none
// that runs from the Windows folder: Wine starts its own programs (the desktop's explorer.exe)
// as children of the first process that needs them.
DWORD FindChildProcess(HANDLE hParent, DWORD parentId);

// Holds the child that a running process hands over to, from the first look that finds it. Look
// while the parent still runs: the child may finish its work soon after its parent has ended, and
// a process that has ended and that nobody holds can no longer be opened or waited for.
class CChildHold {
public:
    CChildHold(HANDLE hParent, DWORD parentId) : m_hParent(hParent), m_parentId(parentId) {}
    ~CChildHold();
    CChildHold(const CChildHold&) = delete;
    CChildHold& operator=(const CChildHold&) = delete;

    // Looks once, unless the child is held already; true when it is held.
    bool Look();
    HANDLE Handle() const { return m_hChild; }
    DWORD Id() const { return m_childId; }
    // Hands the handle to the caller, who closes it.
    HANDLE Release();

private:
    HANDLE m_hParent;
    DWORD m_parentId;
    HANDLE m_hChild = NULL;
    DWORD m_childId = 0;
};

// How the watch reads a process's program path: the platform's call. Tests point it elsewhere to
// play the moment, at a process's start and end, when Wine lists a process but cannot tell its
// program yet.
extern BOOL (WINAPI* g_pfnQueryImageName)(HANDLE, DWORD, LPSTR, PDWORD);

// The program file name of a process, without its folder; empty when it cannot be read.
std::string ProgramName(HANDLE hProcess);

// "id <n> <program file name>" of a running process, for failure messages; just the id when it
// is not running.
std::string DescribeProcess(DWORD processId);

// Starts the command line in the folder (NULL: inherited), waits for it, then for the process
// it started. Every wait is bounded by timeoutMs; a process still running then is terminated.
SStageRun RunTwoStages(const std::string& commandLine, const char* pszFolder, DWORD timeoutMs);

// Milliseconds on the performance counter.
double NowMs();

}  // namespace stagewatch
