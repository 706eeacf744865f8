// text/CommandQuote.h - the second uninstall stage's command line; free of <windows.h>.
#pragma once
#include <string>

// The word itself, or the word in double quotes when it holds a blank or a tab.
std::string QuoteCommandWord(const std::string& word);

// word 0 (the temporary copy), "-delself", word 2 (the uninstaller), and "-s" when silent.
std::string BuildSecondStageCommandLine(const std::string& tempCopyPath,
                                        const std::string& uninstallerPath, bool silent);
