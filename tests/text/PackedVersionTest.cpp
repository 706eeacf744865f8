// tests/text/PackedVersionTest.cpp - the single number that installed and package versions compare by.
#include <gtest/gtest.h>
#include "text/VersionText.h"

namespace {
FileVersion Version(uint16_t a, uint16_t b, uint16_t c, uint16_t d)
{
    FileVersion v;
    v.major = a;
    v.minor = b;
    v.third = c;
    v.fourth = d;
    return v;
}
}  // namespace

TEST(PackedVersion, DecimalPositionsOfTwoDigits)
{
    EXPECT_EQ(PackedVersion(Version(5, 10, 0, 2)), 5100002u);
    EXPECT_EQ(PackedVersion(Version(0, 0, 0, 0)), 0u);
    EXPECT_LT(PackedVersion(Version(5, 9, 0, 0)), PackedVersion(Version(5, 10, 0, 0)));
    EXPECT_GT(PackedVersion(Version(5, 10, 0, 2)), PackedVersion(Version(5, 9, 0, 0)));
    EXPECT_EQ(PackedVersion(Version(5, 20, 0, 0)), PackedVersion(Version(5, 20, 0, 0)));
}

TEST(PackedVersion, APartAbove99SpillsIntoTheNextPosition)
{
    EXPECT_EQ(PackedVersion(Version(5, 100, 0, 0)), PackedVersion(Version(6, 0, 0, 0)));
    EXPECT_EQ(PackedVersion(Version(1, 0, 0, 150)), PackedVersion(Version(1, 0, 1, 50)));
}

TEST(PackedVersion, WrapsAroundIn32Bits)
{
    // 65535 * 10^6 exceeds 2^32: the product wraps, so a huge major can compare below a small one.
    const uint64_t exact = 65535ull * 1000000ull + 99ull * 10000ull + 99ull * 100ull + 99ull;
    EXPECT_EQ(PackedVersion(Version(65535, 99, 99, 99)), static_cast<uint32_t>(exact));
    EXPECT_LT(PackedVersion(Version(4295, 0, 0, 0)), PackedVersion(Version(4294, 0, 0, 0)));
}
