// platform/ShellLink.h - shortcut files.
#pragma once
#include <windows.h>

// Creates a shortcut file. Returns the save's result code (negative on failure). nShowCmd 1
// leaves the default.
HRESULT SaveShellLink(const char* pszTarget, const char* pszLinkPath, const char* pszDescription,
                        int nShowCmd, const char* pszArguments, const char* pszWorkingFolder);
