// install/FileOps.cpp - placeholder: filled in by its own change.
#include "install/FileOps.h"
int CopyInstallFile(const char*, const char*, const char*, const char*) { return 0; }
int CopyMatchingFiles(const char*, const char*, const char*) { return 0; }
void RunPackageManifest(const char*) {}
int CountFolderEntries(const char*, const char*) { return 0; }
std::string GetOwnFolder() { return std::string(); }
