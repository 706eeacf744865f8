// bench/fuzz/FuzzPathText.cpp - libFuzzer target: parent folder, joining, lower-casing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include "text/PathText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string path = text.substr(0, text.find('\0'));
    const std::string parent = GetParentFolder(path.c_str());
    // The parent is a proper prefix of the path, followed there by a backslash, never empty-led.
    if (!parent.empty() && (parent.size() >= path.size() || path.compare(0, parent.size(), parent) != 0 ||
                            path[parent.size()] != '\\'))
        std::abort();
    const size_t half = size / 2;
    const std::string folder = text.substr(0, half);
    const std::string name = text.substr(half);
    const std::string joined = JoinFolderName(folder, name);
    if (joined.size() != folder.size() + name.size() + (EndsWithSeparator(folder) ? 0 : 1))
        std::abort();
    const std::string lower = LowerAscii(text);
    if (lower.size() != text.size() || lower.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") != std::string::npos)
        std::abort();
    FitsPath(joined);
    return 0;
}
