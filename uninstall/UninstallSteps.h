// uninstall/UninstallSteps.h - the body of the second uninstall stage.
#pragma once
#include <windows.h>

// pszFolder is the installation folder ending with a backslash. pszUninstaller (NULL: none) is
// the uninstaller in it that the first stage still runs from: no step waits for it, and the
// folder stays for RemoveUninstallerAndFolder, which follows once the first stage has ended.
void RunUninstallSteps(const char* pszFolder, const char* pszUninstaller = NULL);
void RemoveUninstallerAndFolder(const char* pszUninstaller, const char* pszFolder);
void RemoveRegistryEntries(const char* pszMaker, const char* pszProduct, const char* pszUninstallName,
                           const char* pszAppPathsName);
bool DeleteKeyTree(HKEY hRoot, const char* pszSubkey);
void DeleteKeyIfNoSubkeys(HKEY hRoot, const char* pszSubkey);
void RestoreImageAssociations();
void RemoveStandardShortcuts();

// The platform's key deletion. Tests point it elsewhere for a key that refuses to go: Wine stores
// a key's security descriptor but does not enforce it, so no key there can be made undeletable.
extern LONG (WINAPI* g_pfnRegDeleteKeyA)(HKEY, LPCSTR);
