// text/RunMode.h - command-line words and the run-mode decision; free of <windows.h>.
#pragma once
#include <string>
#include <vector>

enum class RunMode { Install, UninstallStage1, UninstallStage2 };

// Splits a command line into words the way the platform's C runtime does for argv: blanks and
// tabs separate, double quotes group and are removed, 2n backslashes before a quote give n and
// the quote groups, 2n+1 give n and a literal quote, "" inside quotes is a literal quote.
// Word 0, the program path, knows no backslash rules: quotes only group it.
std::vector<std::string> SplitCommandLine(const char* pszCommandLine);

// The last word is exactly "-s" (word 0 counts as the last word when there are no arguments).
bool IsSilentCommandLine(const std::vector<std::string>& words);

// The mode table: "-delself" + path, then "-install" as word 1 or "setup.exe" in the own path.
RunMode DecideRunMode(const std::vector<std::string>& words, const std::string& ownPath);

// "/S" (exact) stands at word 2 or later.
bool HasCloseWithoutAskingSwitch(const std::vector<std::string>& words);

// Drive and folder of a program path, as the C runtime splits a path: everything up to and
// including the last "\" or "/" (just the drive, or empty, when there is none). Empty too when
// the result would not fit a path buffer: a cut folder would name another, wrong folder.
std::string GetDriveAndFolder(const std::string& path);
