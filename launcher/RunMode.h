// launcher/RunMode.h - command-line words and the run-mode decision; free of <windows.h>.
#pragma once
#include <string>
#include <vector>

enum class RunMode { Install, UninstallStage1, UninstallStage2 };

// Splits a command line into words the way the platform's C runtime does for argv.
std::vector<std::string> SplitCommandLine(const char* pszCommandLine);

// The last word is exactly "-s" (word 0 counts as the last word when there are no arguments).
bool IsSilentCommandLine(const std::vector<std::string>& words);

// The mode table: "-delself" + path, then "-install" as word 1 or "setup.exe" in the own path.
RunMode DecideRunMode(const std::vector<std::string>& words, const std::string& ownPath);

// "/S" (exact) stands at word 2 or later.
bool HasCloseWithoutAskingSwitch(const std::vector<std::string>& words);
