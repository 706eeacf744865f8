// uninstall/InstallLog.cpp - placeholder: filled in by its own change.
#include "uninstall/InstallLog.h"
void AppendLogLine(const char*, const char*) {}
bool ReadLogLine(FILE*, char (&)[kLogLineBytes]) { return false; }
void UndoLinksAndFolders(const char*) {}
void UndoFileEntries(const char*, const char*, const char*) {}
int DeleteMatchingFiles(const char*, const char*) { return 0; }
