// tests/support/VersionStamp.h - gives a copied program file another file version.
#pragma once
#include <cstdint>
#include <string>

namespace pixtest {

// Rewrites the fixed file version of the program's version resource (the one GetFileVersionInfo
// reports). The other parts of an existing resource are kept, the textual "FileVersion" among
// them; a file without a version resource gets a minimal one. False when the file could not be
// read or rewritten.
bool StampFileVersion(const std::string& exePath, uint16_t major, uint16_t minor, uint16_t third,
                      uint16_t fourth);

}  // namespace pixtest

// Callable with or without the namespace.
using pixtest::StampFileVersion;
