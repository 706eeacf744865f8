// tests/text/PathTextTest.cpp - parent folder, folder joining and folders-on-a-path rules.
#include <gtest/gtest.h>
#include "framework/PathText.h"

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
