// install/InstallSteps.h - the whole installation from settled choices.
#pragma once
#include <windows.h>

// SaveShellLink, and on success "Shell Link: " + pszLinkPath appended to the destination
// folder's InstallLog, so that the uninstaller finds the shortcut.
HRESULT CreateShellLink(const char* pszTarget, const char* pszLinkPath, const char* pszDescription,
                        int nShowCmd, const char* pszArguments, const char* pszWorkingFolder);

// The same for a shortcut named in UTF-16. The log line names the file as AnsiPathFromWide
// spells it (its short form where the code page lacks a character of the name); a shortcut that
// cannot be spelled so, and so could never be removed, is deleted again and the call fails.
HRESULT CreateShellLink(const char* pszTarget, const wchar_t* pszLinkPath, const char* pszDescription,
                        int nShowCmd, const char* pszArguments, const char* pszWorkingFolder);

// The platform's folder creation, for the installation folder when the steps make it. Tests
// point it elsewhere to read the rights it is given, which the platform here does not keep.
extern BOOL (WINAPI* g_pfnCreateInstallFolder)(LPCSTR, LPSECURITY_ATTRIBUTES);

// What the install steps achieved; the installer ends with it as its exit code. Every step runs
// whatever an earlier one achieved, so the first kind of failure in this order is the one told.
enum InstallStepsResult {
    kInstallDone = 0,
    kInstallFilesNotWritten = 2,  // the installation folder, a package file, the uninstaller or the log is not in place
    kInstallKeysNotWritten = 3,   // the files are in place; a registry value could not be written
};

// Reads and updates InstallChoices (group name normalised, all-users flag may clear).
InstallStepsResult PerformInstallSteps();
