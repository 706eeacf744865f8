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
};

// A running process that the given one (handle and id; it may have ended) started, or 0. The id
// a process records as its parent's outlives that parent and may be handed out again: a
// long-running process whose parent ended long ago would pass for the child of any later process
// given the same id. So only a process that began no earlier than the parent counts, and none
// that runs from the Windows folder: Wine starts its own programs (the desktop's explorer.exe)
// as children of the first process that needs them.
DWORD FindChildProcess(HANDLE hParent, DWORD parentId);

// "id <n> <program file name>" of a running process, for failure messages; just the id when it
// is not running.
std::string DescribeProcess(DWORD processId);

// Starts the command line in the folder (NULL: inherited), waits for it, then for the process
// it started. Every wait is bounded by timeoutMs; a process still running then is terminated.
SStageRun RunTwoStages(const std::string& commandLine, const char* pszFolder, DWORD timeoutMs);

// Milliseconds on the performance counter.
double NowMs();

}  // namespace stagewatch
