// text/RunMode.cpp - command-line words and the run-mode decision; free of <windows.h>.
#include "text/RunMode.h"
#include "text/PathText.h"
#include "text/ProductNames.h"

namespace {

const char kDeleteSelfSwitch[] = "-delself";
const char kInstallSwitch[] = "-install";
const char kSilentSwitch[] = "-s";
const char kCloseWithoutAskingSwitch[] = "/S";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The program path is a file name, so the runtime takes it plainly: quotes only group.
const char* ReadProgramWord(const char* p, std::string& word)
{
    bool inQuote = false;
    for (; *p && (inQuote || !IsBlank(*p)); ++p) {
        if (*p == '"')
            inQuote = !inQuote;
        else
            word += *p;
    }
    return p;
}

// One argument word; inQuote carries over, as in the runtime, though a word ends only outside quotes.
const char* ReadArgumentWord(const char* p, std::string& word, bool& inQuote)
{
    for (;;) {
        size_t slashes = 0;
        while (*p == '\\') {
            ++p;
            ++slashes;
        }
        bool copy = true;
        if (*p == '"') {
            if (slashes % 2 == 0) {
                if (inQuote && p[1] == '"')
                    ++p;  // "" inside quotes: a literal quote, still inside
                else {
                    copy = false;
                    inQuote = !inQuote;
                }
            }
            slashes /= 2;
        }
        word.append(slashes, '\\');
        if (*p == '\0' || (!inQuote && IsBlank(*p)))
            return p;
        if (copy)
            word += *p;
        ++p;
    }
}

}  // namespace

std::vector<std::string> SplitCommandLine(const char* pszCommandLine)
{
    std::vector<std::string> words;
    const char* p = pszCommandLine ? pszCommandLine : "";
    std::string program;
    p = ReadProgramWord(p, program);
    words.push_back(program);
    bool inQuote = false;
    for (;;) {
        while (IsBlank(*p))
            ++p;
        if (*p == '\0')
            break;
        std::string word;
        p = ReadArgumentWord(p, word, inQuote);
        words.push_back(word);
    }
    return words;
}

bool IsSilentCommandLine(const std::vector<std::string>& words)
{
    return !words.empty() && words.back() == kSilentSwitch;
}

RunMode DecideRunMode(const std::vector<std::string>& words, const std::string& ownPath)
{
    // In table order: a second stage is never an installation, whatever its file name.
    if (words.size() >= 3 && words[1] == kDeleteSelfSwitch)
        return RunMode::UninstallStage2;
    if (words.size() >= 2 && LowerAscii(words[1]) == kInstallSwitch)
        return RunMode::Install;
    if (LowerAscii(ownPath).find(kInstallerFileMark) != std::string::npos)
        return RunMode::Install;
    return RunMode::UninstallStage1;
}

bool HasCloseWithoutAskingSwitch(const std::vector<std::string>& words)
{
    for (size_t i = 2; i < words.size(); ++i)
        if (words[i] == kCloseWithoutAskingSwitch)
            return true;
    return false;
}

std::string GetDriveAndFolder(const std::string& path)
{
    const size_t lastSeparator = FindLastPathChar(path, "\\/");
    std::string folder;
    if (lastSeparator != std::string::npos)
        folder = path.substr(0, lastSeparator + 1);
    else if (path.size() >= 2 && path[1] == ':')
        folder = path.substr(0, 2);
    return FitsPath(folder) ? folder : std::string();
}
