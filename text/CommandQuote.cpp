// text/CommandQuote.cpp - the second uninstall stage's command line.
#include "text/CommandQuote.h"

std::string QuoteCommandWord(const std::string& word)
{
    // The C runtime splits words at blanks and tabs only; quotes keep such a path one word.
    if (word.find_first_of(" \t") == std::string::npos)
        return word;
    return "\"" + word + "\"";
}

std::string BuildSecondStageCommandLine(const std::string& tempCopyPath,
                                        const std::string& uninstallerPath, bool silent)
{
    std::string line = QuoteCommandWord(tempCopyPath);
    line += " -delself ";
    line += QuoteCommandWord(uninstallerPath);
    // "-s" must stay the last word: the second stage tests only the last word for it.
    if (silent)
        line += " -s";
    return line;
}
