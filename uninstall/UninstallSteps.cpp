// uninstall/UninstallSteps.cpp - placeholder: filled in by its own change.
#include "uninstall/UninstallSteps.h"
void RunUninstallSteps(const char*) {}
void RemoveRegistryEntries(const char*, const char*, const char*, const char*) {}
bool DeleteKeyTree(HKEY, const char*) { return false; }
void DeleteKeyIfNoSubkeys(HKEY, const char*) {}
void RestoreImageAssociations() {}
void RemoveStandardShortcuts() {}
