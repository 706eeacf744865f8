// bench/fuzz/FuzzRunMode.cpp - libFuzzer target: command-line words, silent switch, run mode.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include "text/RunMode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> words = SplitCommandLine(line.c_str());
    if (words.empty())
        std::abort();  // word 0 is always there, even for an empty line
    const bool silent = IsSilentCommandLine(words);
    if (silent != (words.back() == "-s"))
        std::abort();
    const RunMode mode = DecideRunMode(words, words[0]);
    if (mode == RunMode::UninstallStage2 && (words.size() < 3 || words[1] != "-delself"))
        std::abort();
    HasCloseWithoutAskingSwitch(words);
    for (const std::string& word : words) {
        // No word is longer than the line it came from; a folder part is a prefix of its word.
        if (word.size() > line.size())
            std::abort();
        const std::string folder = GetDriveAndFolder(word);
        if (folder.size() > word.size() || word.compare(0, folder.size(), folder) != 0)
            std::abort();
    }
    return 0;
}
