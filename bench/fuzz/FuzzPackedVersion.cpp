// bench/fuzz/FuzzPackedVersion.cpp - libFuzzer target: version packing with wrap-around.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include "text/VersionText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint16_t parts[4] = {};
    std::memcpy(parts, data, size < sizeof parts ? size : sizeof parts);
    FileVersion v;
    v.major = parts[0];
    v.minor = parts[1];
    v.third = parts[2];
    v.fourth = parts[3];
    // Reference in 64-bit arithmetic, reduced modulo 2^32 at the end.
    const uint64_t wide = ((uint64_t(parts[0]) * 100 + parts[1]) * 100 + parts[2]) * 100 + parts[3];
    if (PackedVersion(v) != static_cast<uint32_t>(wide))
        std::abort();
    return 0;
}
