// bench/fuzz/FuzzCommandQuote.cpp - libFuzzer target: the second stage's command line must split
// back into the words it was built from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include "text/CommandQuote.h"
#include "text/RunMode.h"

namespace {

// What the platform can hand over as a program path: no quote, no NUL, not empty, no control
// byte, and no backslash at the end (a path names a file).
bool IsPlausiblePath(const std::string& path)
{
    if (path.empty() || path.back() == '\\' || path.find('\\') == std::string::npos)
        return false;
    if (path.front() == ' ' || path.front() == '\t' || path.back() == ' ' || path.back() == '\t')
        return false;
    for (char c : path)
        if (c == '"' || (static_cast<unsigned char>(c) < 0x20 && c != '\t'))
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const bool silent = data[0] & 1;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t cut = rest.find('\x01');
    const std::string tempPath = rest.substr(0, cut);
    const std::string uninstaller = cut == std::string::npos ? std::string("C:\\x\\PixUnInst.exe") : rest.substr(cut + 1);
    const std::string line = BuildSecondStageCommandLine(tempPath, uninstaller, silent);
    if (!IsPlausiblePath(tempPath) || !IsPlausiblePath(uninstaller))
        return 0;
    const std::vector<std::string> words = SplitCommandLine(line.c_str());
    if (words.size() != (silent ? 4u : 3u) || words[0] != tempPath || words[1] != "-delself" ||
        words[2] != uninstaller || IsSilentCommandLine(words) != silent)
        std::abort();
    if (DecideRunMode(words, tempPath) != RunMode::UninstallStage2)
        std::abort();
    return 0;
}
