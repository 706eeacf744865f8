// bench/fuzz/FuzzLogLine.cpp - libFuzzer target: the InstallLog line rule and operand rules, fed
// through the same stdio reader the product uses.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "text/LogLine.h"

namespace {

const char* const kPrefixes[] = {kPrefixMadeDir, kPrefixShellLink, kPrefixFileCopy, kPrefixFileOverwrite,
                                 kPrefixFileDel};

void CheckOperand(const std::string& operand)
{
    if (IsSafeFileOperand(operand) &&
        (operand.empty() || operand.find_first_of("\\/:") != std::string::npos || operand == ".."))
        std::abort();
    std::string source, target;
    const bool renamed = SplitRenameOperand(operand, &source, &target);
    if (renamed != (operand.find('>') != std::string::npos))
        std::abort();
    if (source.size() > operand.size() || target.size() > operand.size())
        std::abort();
    HasShortcutExtension(operand);
}

void CheckLine(char (&line)[kLogLineBytes])
{
    const size_t length = std::strlen(line);
    if (length >= kLogLineBytes)
        std::abort();
    if (length > 1 && static_cast<unsigned char>(line[length - 1]) <= 0x20)
        std::abort();  // the line rule leaves no trailing control byte but the first
    ClassifyLogLine(line);
    for (const char* pszPrefix : kPrefixes) {
        if (!LineHasPrefix(line, pszPrefix))
            continue;
        const std::string name = ExtractUndoFileName(line, pszPrefix);
        if (name.size() > length)
            std::abort();
        CheckOperand(name);
        CheckOperand(line + std::strlen(pszPrefix));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    FILE* pFile = fmemopen(const_cast<uint8_t*>(data), size, "r");
    if (!pFile)
        return 0;
    char line[kLogLineBytes];
    while (ReadLogLine(pFile, line))
        CheckLine(line);
    std::fclose(pFile);
    // The rule applied to a raw buffer, as a caller with its own buffer would.
    std::string raw(reinterpret_cast<const char*>(data), size);
    StripLineEnd(&raw[0]);
    return 0;
}
