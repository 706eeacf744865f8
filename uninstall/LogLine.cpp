// uninstall/LogLine.cpp - placeholder: filled in by its own change.
#include "uninstall/LogLine.h"
void StripLineEnd(char*) {}
bool LineHasPrefix(const char*, const char*) { return false; }
LogEntryKind ClassifyLogLine(const char*) { return LogEntryKind::None; }
