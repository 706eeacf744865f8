// uninstall/CommandQuote.cpp - placeholder: filled in by its own change.
#include "uninstall/CommandQuote.h"
std::string QuoteCommandWord(const std::string& w) { return w; }
std::string BuildSecondStageCommandLine(const std::string&, const std::string&, bool) { return std::string(); }
