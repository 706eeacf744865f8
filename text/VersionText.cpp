// text/VersionText.cpp - version comparison.
#include "text/VersionText.h"

uint32_t PackedVersion(const FileVersion& v)
{
    uint32_t packed = v.major;
    packed = packed * 100u + v.minor;
    packed = packed * 100u + v.third;
    packed = packed * 100u + v.fourth;
    return packed;
}
