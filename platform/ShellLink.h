// platform/ShellLink.h - shortcut files, recorded in the InstallLog.
#pragma once
#include <windows.h>

// Creates a shortcut; on success appends "Shell Link: " + pszLinkPath to the destination folder's
// "PixUnInst.log". Returns the save's result code (negative on failure). nShowCmd 1 leaves the default.
HRESULT CreateShellLink(const char* pszTarget, const char* pszLinkPath, const char* pszDescription,
                        int nShowCmd, const char* pszArguments, const char* pszWorkingFolder);
