// tests/text/GroupNameTest.cpp - program group names as the install steps make folders of them.
#include <gtest/gtest.h>
#include "text/GroupName.h"

namespace {
std::string Normalised(std::string name)
{
    NormaliseGroupName(name);
    return name;
}
}  // namespace

TEST(NormaliseGroupName, SlashesBecomeBackslashesAndEndsAreTrimmed)
{
    EXPECT_EQ(Normalised(" /Tools/Pixorama 5/"), "Tools\\Pixorama 5");
    EXPECT_EQ(Normalised("\\\\Tools\\Pixorama 5\\\\"), "Tools\\Pixorama 5");
    EXPECT_EQ(Normalised("\t\r\nPixorama 5 \r\n"), "Pixorama 5");
    EXPECT_EQ(Normalised("Pixorama 5"), "Pixorama 5");
}

TEST(NormaliseGroupName, InnerBlanksAndSeparatorsStay)
{
    EXPECT_EQ(Normalised("A  B/ C"), "A  B\\ C");
    EXPECT_EQ(Normalised("a//b"), "a\\\\b");
}

TEST(NormaliseGroupName, OnlySeparatorsAndBlanksLeaveNothing)
{
    EXPECT_EQ(Normalised(""), "");
    EXPECT_EQ(Normalised(" "), "");
    EXPECT_EQ(Normalised(" / \\ \t"), "");
}

TEST(NormaliseGroupName, AccentedBytesAreNotTakenForBlanks)
{
    // "Súgó" in code page 1250: bytes above 0x7F must survive at either end.
    EXPECT_EQ(Normalised("\xE1gy\xF3 "), "\xE1gy\xF3");
}

TEST(IsSafeGroupName, NamesThatStayInsideTheProgramsFolder)
{
    EXPECT_TRUE(IsSafeGroupName(""));
    EXPECT_TRUE(IsSafeGroupName("Pixorama 5"));
    EXPECT_TRUE(IsSafeGroupName("Tools\\Pixorama 5"));
    EXPECT_TRUE(IsSafeGroupName("Pixorama 5.1"));
    EXPECT_TRUE(IsSafeGroupName("..hidden\\a..b"));
}

TEST(IsSafeGroupName, NamesThatClimbOutOrNameADrive)
{
    EXPECT_FALSE(IsSafeGroupName(".."));
    EXPECT_FALSE(IsSafeGroupName("."));
    EXPECT_FALSE(IsSafeGroupName("..\\..\\Windows"));
    EXPECT_FALSE(IsSafeGroupName("Tools\\..\\..\\x"));
    EXPECT_FALSE(IsSafeGroupName("Tools\\...\\x"));
    EXPECT_FALSE(IsSafeGroupName("Tools\\ . \\x"));
    EXPECT_FALSE(IsSafeGroupName("Tools/../x"));
    EXPECT_FALSE(IsSafeGroupName("C:\\Windows"));
    EXPECT_FALSE(IsSafeGroupName("Pixorama 5:stream"));
}
