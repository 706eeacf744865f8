// tests/text/PathTextTest.cpp - parent folder, folder joining, literal-name and folders-on-a-path rules.
#include <gtest/gtest.h>
#include "text/GroupName.h"
#include "text/PathText.h"
#include "text/RunMode.h"

TEST(GetParentFolder, DropsOneTrailingBackslashThenTheLastPart)
{
    EXPECT_EQ(GetParentFolder("C:\\a\\b"), "C:\\a");
    EXPECT_EQ(GetParentFolder("C:\\a\\b\\"), "C:\\a");
    EXPECT_EQ(GetParentFolder("C:\\a\\b\\\\"), "C:\\a\\b");
    EXPECT_EQ(GetParentFolder("C:\\a"), "C:");
}

TEST(GetParentFolder, EmptyAtTheTopOrWithoutBackslash)
{
    EXPECT_EQ(GetParentFolder(nullptr), "");
    EXPECT_EQ(GetParentFolder(""), "");
    EXPECT_EQ(GetParentFolder("C:"), "");
    EXPECT_EQ(GetParentFolder("\\a"), "");
    EXPECT_EQ(GetParentFolder("\\"), "");
    EXPECT_EQ(GetParentFolder("package.exe"), "");
    EXPECT_EQ(GetParentFolder("D:\\dl\\package.exe"), "D:\\dl");
}

TEST(JoinFolderName, InsertsABackslashOnlyWhenNeeded)
{
    EXPECT_EQ(JoinFolderName("C:\\x", "a.txt"), "C:\\x\\a.txt");
    EXPECT_EQ(JoinFolderName("C:\\x\\", "a.txt"), "C:\\x\\a.txt");
    EXPECT_EQ(JoinFolderName("C:\\x/", "a.txt"), "C:\\x/a.txt");
    EXPECT_EQ(JoinFolderName("", "a.txt"), "\\a.txt");
}

// The installation's own names are appended as "\" + name: a folder picked as a drive's root
// keeps its doubled separator, as the installation has always written it.
TEST(AppendName, AlwaysInsertsOneBackslash)
{
    EXPECT_EQ(AppendName("C:\\x", "Pixcap5.exe"), "C:\\x\\Pixcap5.exe");
    EXPECT_EQ(AppendName("C:\\", "Pixorama 5"), "C:\\\\Pixorama 5");
    EXPECT_EQ(AppendName("", "PixUnInst.log"), "\\PixUnInst.log");
}

TEST(IsLiteralName, OnlyNamesTheSearchTakesAsTheyAreSkipIt)
{
    for (const char* pszName : {"a.txt", "PixUnInst.log", "no extension", ".hidden"})
        EXPECT_TRUE(IsLiteralName(pszName)) << pszName;
    const char* const refused[] = {"*.txt", "a?.txt", "a<b", "a>b", "a\"b", "sub\\a", "sub/a", "c:a",
                                   "a.txt:stream", "", "a.", "a ", nullptr};
    for (const char* pszName : refused)
        EXPECT_FALSE(IsLiteralName(pszName)) << (pszName ? pszName : "(null)");
}

TEST(ListFoldersOnPath, EveryFolderBelowTheRootDownToThePathItself)
{
    using List = std::vector<std::string>;
    EXPECT_EQ(ListFoldersOnPath("C:\\Users\\bob\\Start Menu"),
              (List{"C:\\Users", "C:\\Users\\bob", "C:\\Users\\bob\\Start Menu"}));
    // Trailing and doubled separators name no folder of their own; "/" separates as "\" does.
    EXPECT_EQ(ListFoldersOnPath("C:\\a\\\\b\\"), (List{"C:\\a", "C:\\a\\\\b"}));
    EXPECT_EQ(ListFoldersOnPath("C:/a/b"), (List{"C:/a", "C:/a/b"}));
    EXPECT_EQ(ListFoldersOnPath("\\\\srv\\share\\a\\b"), (List{"\\\\srv\\share\\a", "\\\\srv\\share\\a\\b"}));
    EXPECT_EQ(ListFoldersOnPath("\\\\?\\C:\\a"), (List{"\\\\?\\C:\\a"}));
    EXPECT_EQ(ListFoldersOnPath("\\a\\b"), (List{"\\a", "\\a\\b"}));
}

TEST(ListFoldersOnPath, ARootAloneHasNoFolderToExamine)
{
    EXPECT_TRUE(ListFoldersOnPath("C:\\").empty());
    EXPECT_TRUE(ListFoldersOnPath("C:").empty());
    EXPECT_TRUE(ListFoldersOnPath("\\\\srv\\share\\").empty());
    EXPECT_TRUE(ListFoldersOnPath("\\\\srv\\share").empty());
    EXPECT_TRUE(ListFoldersOnPath("\\").empty());
    EXPECT_TRUE(ListFoldersOnPath("").empty());
}

// Code page 932: "ソ" is 0x83 0x5C and "表" 0x95 0x5C, so their second byte is the byte of "\".
class ShiftJisPaths : public ::testing::Test {
protected:
    static bool IsShiftJisLeadByte(unsigned char byte)
    {
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    }
    void SetUp() override { SetPathLeadBytes(IsShiftJisLeadByte); }
    void TearDown() override { SetPathLeadBytes(nullptr); }
};

#define SO "\x83\x5C"
#define HYO "\x95\x5C"

TEST_F(ShiftJisPaths, SplitOnlyAtBackslashesThatBeginACharacter)
{
    EXPECT_EQ(GetParentFolder("C:\\" SO "\\b"), "C:\\" SO);
    EXPECT_EQ(GetParentFolder("C:\\a\\" SO), "C:\\a");
    EXPECT_EQ(GetParentFolder("C:\\a\\" SO "\\"), "C:\\a");
    EXPECT_FALSE(EndsWithSeparator("C:\\" SO));
    EXPECT_EQ(JoinFolderName("C:\\" SO, "a.txt"), "C:\\" SO "\\a.txt");
    EXPECT_EQ(ListFoldersOnPath("C:\\" SO "\\" HYO "\\"), (std::vector<std::string>{"C:\\" SO, "C:\\" SO "\\" HYO}));
    EXPECT_EQ(ListFoldersOnPath("\\\\srv" SO "\\share\\a"), (std::vector<std::string>{"\\\\srv" SO "\\share\\a"}));
    EXPECT_EQ(GetDriveAndFolder("C:\\" SO "\\" HYO ".exe"), "C:\\" SO "\\");
    EXPECT_EQ(GetDriveAndFolder("C:" HYO ".exe"), "C:");
}

TEST_F(ShiftJisPaths, NamesAndGroupsKeepTheirSecondBytes)
{
    EXPECT_TRUE(IsLiteralName(SO ".txt"));
    EXPECT_TRUE(IsLiteralName("a" SO));
    EXPECT_FALSE(IsLiteralName(SO "\\a"));
    // "ア" is 0x83 0x41: its second byte is no capital letter.
    EXPECT_EQ(LowerAscii("AB\x83\x41" "C"), "ab\x83\x41" "c");
    std::string group = " Pixorama " SO "\\" HYO "\\ ";
    NormaliseGroupName(group);
    EXPECT_EQ(group, "Pixorama " SO "\\" HYO);
    EXPECT_TRUE(IsSafeGroupName("a" SO ".."));
}

// Without the code page's lead bytes every byte stands alone, as on code page 1250.
TEST(SingleBytePaths, EveryBackslashByteSeparates)
{
    EXPECT_EQ(GetParentFolder("C:\\" SO "\\b"), "C:\\\x83\\");
    EXPECT_TRUE(EndsWithSeparator("C:\\" SO));
    EXPECT_EQ(GetDriveAndFolder("C:\\" SO "a.exe"), "C:\\" SO);
}
