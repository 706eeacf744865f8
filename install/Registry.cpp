// install/Registry.cpp - placeholder: filled in by its own change.
#include "install/Registry.h"
std::string ReadRegistryString(HKEY, const char*, const char*) { return std::string(); }
bool WriteRegistryString(HKEY, const char*, const char*, const char*) { return false; }
std::string FindPreviousInstallFolder() { return std::string(); }
std::string GetProgramFilesFolder() { return std::string(); }
void GetFileVersion(const char*) {}
