// platform/ShellLink.h - shortcut files.
#pragma once
#include <windows.h>

// Creates a shortcut file. Returns the save's result code (negative on failure). nShowCmd 1
// leaves the default. The file is named in UTF-16, so its name is exactly the one given
// whatever the system code page can spell; a name of kMaxPathChars or more is refused.
HRESULT SaveShellLink(const char* pszTarget, const wchar_t* pszLinkPath, const char* pszDescription,
                      int nShowCmd, const char* pszArguments, const char* pszWorkingFolder);
