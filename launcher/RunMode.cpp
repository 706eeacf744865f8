// launcher/RunMode.cpp - placeholder: filled in by its own change.
#include "launcher/RunMode.h"
std::vector<std::string> SplitCommandLine(const char*) { return {}; }
bool IsSilentCommandLine(const std::vector<std::string>&) { return false; }
RunMode DecideRunMode(const std::vector<std::string>&, const std::string&) { return RunMode::Install; }
bool HasCloseWithoutAskingSwitch(const std::vector<std::string>&) { return false; }
