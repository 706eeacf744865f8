// text/VersionText.h - version comparison; free of <windows.h>.
#pragma once
#include <cstdint>

// Four-part file version (the file version, never the product version).
struct FileVersion {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint16_t third = 0;
    uint16_t fourth = 0;
};

// ((major*100 + minor)*100 + third)*100 + fourth in unsigned 32-bit arithmetic with wrap-around:
// a part above 99 spills into the next higher position. That is the comparison rule.
uint32_t PackedVersion(const FileVersion& v);
