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
