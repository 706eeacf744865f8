// uninstall/UninstallSteps.h - the body of the second uninstall stage.
#pragma once
#include <windows.h>

// pszFolder is the installation folder ending with a backslash.
void RunUninstallSteps(const char* pszFolder);
void RemoveRegistryEntries(const char* pszMaker, const char* pszProduct, const char* pszUninstallName,
                           const char* pszAppPathsName);
bool DeleteKeyTree(HKEY hRoot, const char* pszSubkey);
void DeleteKeyIfNoSubkeys(HKEY hRoot, const char* pszSubkey);
void RestoreImageAssociations();
void RemoveStandardShortcuts();
