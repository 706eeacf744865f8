// platform/Process.h - this program's own file, starting other programs, and what the platform
// tells of a process: who started it and when it began.
#pragma once
#include <windows.h>
#include <string>

// The whole path of the running program's file, however long, spelled by AnsiPathFromWide; empty
// on failure and when the code page cannot spell it. Callers that hand it to a path buffer check
// FitsPath: a cut path would name another file.
std::string GetOwnProgramPath();

// Starts the program as a new process with the whole command line (word 0 included) and does
// not wait for it; the process and thread handles are closed at once. pszFolder: its working
// folder (NULL: this process's current directory). hStandardOutput, when given, is the new
// process's standard output (and its only standard handle); it must be inheritable. False when it
// could not be started.
bool StartProgram(const std::string& program, const std::string& commandLine, bool inheritHandles,
                  const char* pszFolder = NULL, HANDLE hStandardOutput = NULL);

// The id of the process that started this one; 0 when the platform does not tell. The id is
// recorded once and outlives that process, so it may belong to a later one by now.
DWORD FindParentProcessId();

// When the process began, in the platform's file-time units; 0 when the platform does not tell.
ULONGLONG GetProcessCreationTime(HANDLE hProcess);
