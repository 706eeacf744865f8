// install/InstallSteps.h - the whole installation from settled choices.
#pragma once

#include <windows.h>

// SaveShellLink, and on success "Shell Link: " + pszLinkPath appended to the destination
// folder's InstallLog, so that the uninstaller finds the shortcut.
HRESULT CreateShellLink(const char* pszTarget, const char* pszLinkPath, const char* pszDescription,
                        int nShowCmd, const char* pszArguments, const char* pszWorkingFolder);

// Always 0. Reads and updates InstallChoices (group name normalised, all-users flag may clear).
int PerformInstallSteps();
