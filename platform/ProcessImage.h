// platform/ProcessImage.h - the program file of another process, on Windows XP SP3 and later.
#pragma once
#include <windows.h>
#include <string>

// The access rights that ReadProcessImagePath needs, to be asked for when opening the process:
// the limited query right where the system knows it, else the query and memory-read rights that
// XP needs to walk the process's module list.
DWORD ProcessImageAccess();

// The full path of the process's program file; false when it cannot be read or needs maxChars
// characters or more.
bool ReadProcessImagePath(HANDLE hProcess, DWORD maxChars, std::string* pPath);

// Opens another process with the access given, whichever account it runs under: where its
// descriptor refuses the access (another account's process), once more with the debugging
// privilege, which an administrator's token holds, enabled for that one call only. NULL when
// neither opens it. The caller takes ownership.
HANDLE OpenAnyAccountProcess(DWORD access, DWORD processId);

// Test seam: opens a process as the platform does. Tests refuse, as Windows does for another
// account's process, what Wine's one account always gets.
extern HANDLE (WINAPI* g_pfnOpenProcess)(DWORD, BOOL, DWORD);
