// bench/fuzz/FuzzGroupName.cpp - libFuzzer target: program group name normalisation.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include "text/GroupName.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string name(reinterpret_cast<const char*>(data), size);
    const size_t before = name.size();
    NormaliseGroupName(name);
    static const char kTrimmed[] = " \t\r\n\\";
    if (name.size() > before || name.find('/') != std::string::npos)
        std::abort();
    if (!name.empty() && (std::string(kTrimmed).find(name.front()) != std::string::npos ||
                          std::string(kTrimmed).find(name.back()) != std::string::npos))
        std::abort();
    std::string again = name;
    NormaliseGroupName(again);
    if (again != name)
        std::abort();  // the rule is idempotent: a normalised name stays as it is
    return 0;
}
