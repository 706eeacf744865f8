// tests/text/RunModeTest.cpp - command-line words, silent switch, run-mode table, close switch.
#include <gtest/gtest.h>
#include "text/RunMode.h"

namespace {

using Words = std::vector<std::string>;

RunMode ModeOf(const char* commandLine, const std::string& ownPath)
{
    return DecideRunMode(SplitCommandLine(commandLine), ownPath);
}

const char kUninstaller[] = "C:\\Program Files\\Pixorama 5\\PixUnInst.exe";

}  // namespace

TEST(SplitCommandLine, BlanksAndTabsSeparateAndRunsOfThemCountOnce)
{
    EXPECT_EQ(SplitCommandLine("a.exe  b\t\tc \t d"), (Words{"a.exe", "b", "c", "d"}));
    EXPECT_EQ(SplitCommandLine("a.exe x   "), (Words{"a.exe", "x"}));
    EXPECT_EQ(SplitCommandLine("a.exe"), (Words{"a.exe"}));
}

TEST(SplitCommandLine, EmptyOrMissingLineGivesOneEmptyProgramWord)
{
    EXPECT_EQ(SplitCommandLine(""), (Words{""}));
    EXPECT_EQ(SplitCommandLine(nullptr), (Words{""}));
    EXPECT_EQ(SplitCommandLine("  x"), (Words{"", "x"}));
}

TEST(SplitCommandLine, QuotesGroupBlanksAndAreRemoved)
{
    EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\a.exe\" -delself \"C:\\My Apps\\PixUnInst.exe\" -s"),
              (Words{"C:\\Program Files\\a.exe", "-delself", "C:\\My Apps\\PixUnInst.exe", "-s"}));
    EXPECT_EQ(SplitCommandLine("a.exe \"a b\"c d\"e f\""), (Words{"a.exe", "a bc", "de f"}));
    EXPECT_EQ(SplitCommandLine("a.exe \"\" x"), (Words{"a.exe", "", "x"}));
    EXPECT_EQ(SplitCommandLine("a.exe \"unclosed quote  here"), (Words{"a.exe", "unclosed quote  here"}));
}

TEST(SplitCommandLine, BackslashesCountOnlyBeforeAQuote)
{
    EXPECT_EQ(SplitCommandLine("a.exe a\\\\\\b C:\\dir\\"), (Words{"a.exe", "a\\\\\\b", "C:\\dir\\"}));
    EXPECT_EQ(SplitCommandLine("a.exe a\\\"b"), (Words{"a.exe", "a\"b"}));            // 1: literal quote
    EXPECT_EQ(SplitCommandLine("a.exe \"a\\\\\" b"), (Words{"a.exe", "a\\", "b"}));  // 2: one, quote groups
    EXPECT_EQ(SplitCommandLine("a.exe a\\\\\\\"b"), (Words{"a.exe", "a\\\"b"}));     // 3: one and a quote
    EXPECT_EQ(SplitCommandLine("a.exe \"C:\\dir\\\\\" x"), (Words{"a.exe", "C:\\dir\\", "x"}));
}

TEST(SplitCommandLine, DoubledQuoteInsideQuotesIsALiteralQuoteAndStaysQuoted)
{
    EXPECT_EQ(SplitCommandLine("a.exe \"a\"\"b c\" d"), (Words{"a.exe", "a\"b c", "d"}));
    EXPECT_EQ(SplitCommandLine("a.exe a\"b\"\" c d"), (Words{"a.exe", "ab\" c d"}));
    // Outside quotes "" opens and closes an empty group.
    EXPECT_EQ(SplitCommandLine("a.exe a\"\"b c"), (Words{"a.exe", "ab", "c"}));
}

TEST(SplitCommandLine, ProgramWordTakesBackslashesLiterally)
{
    EXPECT_EQ(SplitCommandLine("\"C:\\dir\\\" x"), (Words{"C:\\dir\\", "x"}));
    EXPECT_EQ(SplitCommandLine("C:\\a\"b c\"d.exe x"), (Words{"C:\\ab cd.exe", "x"}));
    EXPECT_EQ(SplitCommandLine("a\\\"b x"), (Words{"a\\b x"}));  // the quote opens a group
}

TEST(IsSilentCommandLine, OnlyAnExactLastMinusS)
{
    EXPECT_TRUE(IsSilentCommandLine(SplitCommandLine("PixUnInst.exe -s")));
    EXPECT_TRUE(IsSilentCommandLine(SplitCommandLine("t.tmp -delself \"C:\\P F\\PixUnInst.exe\" -s")));
    EXPECT_TRUE(IsSilentCommandLine(SplitCommandLine("setup.exe \"-s\"")));
    EXPECT_FALSE(IsSilentCommandLine(SplitCommandLine("PixUnInst.exe -S")));
    EXPECT_FALSE(IsSilentCommandLine(SplitCommandLine("PixUnInst.exe -s x")));
    EXPECT_FALSE(IsSilentCommandLine(SplitCommandLine("PixUnInst.exe /S")));
    EXPECT_FALSE(IsSilentCommandLine(SplitCommandLine("PixUnInst.exe -s1")));
    EXPECT_FALSE(IsSilentCommandLine(SplitCommandLine("PixUnInst.exe")));
    EXPECT_FALSE(IsSilentCommandLine(Words{}));
    // With no argument the program word is the last word.
    EXPECT_TRUE(IsSilentCommandLine(SplitCommandLine("-s")));
}

TEST(DecideRunMode, FileNameDecidesWithoutArguments)
{
    EXPECT_EQ(ModeOf("PixUnInst.exe", kUninstaller), RunMode::UninstallStage1);
    EXPECT_EQ(ModeOf("setup.exe", "C:\\pkg\\setup.exe"), RunMode::Install);
    EXPECT_EQ(ModeOf("SETUP.EXE", "C:\\PKG\\SETUP.EXE"), RunMode::Install);
    EXPECT_EQ(ModeOf("MySetup.exe", "C:\\pkg\\MySetup.exe"), RunMode::Install);
    EXPECT_EQ(ModeOf("x.exe", "C:\\old setup.exe files\\x.exe"), RunMode::Install);
    EXPECT_EQ(ModeOf("setup.ex", "C:\\pkg\\setup.ex"), RunMode::UninstallStage1);
    EXPECT_EQ(ModeOf("setup-exe", "C:\\pkg\\setup_exe"), RunMode::UninstallStage1);
    // The own path decides, not the word the program was started by.
    EXPECT_EQ(ModeOf("setup.exe", kUninstaller), RunMode::UninstallStage1);
}

TEST(DecideRunMode, InstallSwitchCountsOnlyAsWordOneInAnyCase)
{
    EXPECT_EQ(ModeOf("PixUnInst.exe -install", kUninstaller), RunMode::Install);
    EXPECT_EQ(ModeOf("PixUnInst.exe -INSTALL", kUninstaller), RunMode::Install);
    EXPECT_EQ(ModeOf("PixUnInst.exe -InStAlL -s", kUninstaller), RunMode::Install);
    EXPECT_EQ(ModeOf("PixUnInst.exe x -install", kUninstaller), RunMode::UninstallStage1);
    EXPECT_EQ(ModeOf("PixUnInst.exe /install", kUninstaller), RunMode::UninstallStage1);
    EXPECT_EQ(ModeOf("PixUnInst.exe -installer", kUninstaller), RunMode::UninstallStage1);
}

TEST(DecideRunMode, DeleteSelfNeedsAPathAndWinsOverEverything)
{
    EXPECT_EQ(ModeOf("setup.exe -delself", "C:\\pkg\\setup.exe"), RunMode::Install);
    EXPECT_EQ(ModeOf("PixUnInst.exe -delself", kUninstaller), RunMode::UninstallStage1);
    EXPECT_EQ(ModeOf("setup.exe -delself C:\\a\\PixUnInst.exe", "C:\\pkg\\setup.exe"), RunMode::UninstallStage2);
    EXPECT_EQ(ModeOf("uni1.tmp -delself \"C:\\P F\\PixUnInst.exe\" -s", "C:\\T\\uni1.tmp"), RunMode::UninstallStage2);
    EXPECT_EQ(ModeOf("uni1.tmp -delself \"\"", "C:\\T\\uni1.tmp"), RunMode::UninstallStage2);
    // Case-sensitive, and only as word 1.
    EXPECT_EQ(ModeOf("uni1.tmp -DELSELF C:\\a\\PixUnInst.exe", "C:\\T\\uni1.tmp"), RunMode::UninstallStage1);
    EXPECT_EQ(ModeOf("uni1.tmp x -delself C:\\a", "C:\\T\\uni1.tmp"), RunMode::UninstallStage1);
}

TEST(HasCloseWithoutAskingSwitch, ExactSlashSFromWordTwoOn)
{
    EXPECT_TRUE(HasCloseWithoutAskingSwitch(SplitCommandLine("setup.exe x /S")));
    EXPECT_TRUE(HasCloseWithoutAskingSwitch(SplitCommandLine("setup.exe x /S -s")));
    EXPECT_TRUE(HasCloseWithoutAskingSwitch(SplitCommandLine("setup.exe a b c /S")));
    EXPECT_FALSE(HasCloseWithoutAskingSwitch(SplitCommandLine("setup.exe /S")));
    EXPECT_FALSE(HasCloseWithoutAskingSwitch(SplitCommandLine("setup.exe /S x")));
    EXPECT_FALSE(HasCloseWithoutAskingSwitch(SplitCommandLine("setup.exe x /s")));
    EXPECT_FALSE(HasCloseWithoutAskingSwitch(SplitCommandLine("setup.exe x -s")));
    EXPECT_FALSE(HasCloseWithoutAskingSwitch(SplitCommandLine("setup.exe")));
}

TEST(GetDriveAndFolder, KeepsTheLastSeparator)
{
    EXPECT_EQ(GetDriveAndFolder("C:\\Program Files\\Pixorama 5\\PixUnInst.exe"), "C:\\Program Files\\Pixorama 5\\");
    EXPECT_EQ(GetDriveAndFolder("C:/a/b.exe"), "C:/a/");
    EXPECT_EQ(GetDriveAndFolder("\\\\srv\\share\\x.exe"), "\\\\srv\\share\\");
    EXPECT_EQ(GetDriveAndFolder("C:\\x.exe"), "C:\\");
    EXPECT_EQ(GetDriveAndFolder("C:x.exe"), "C:");
    EXPECT_EQ(GetDriveAndFolder("x.exe"), "");
    EXPECT_EQ(GetDriveAndFolder(""), "");
}

TEST(GetDriveAndFolder, RefusesAFolderThatDoesNotFitAPathBuffer)
{
    const std::string longFolder = "C:\\" + std::string(300, 'a') + "\\";
    EXPECT_EQ(GetDriveAndFolder(longFolder + "PixUnInst.exe"), "");
    const std::string fits = "C:\\" + std::string(255, 'b') + "\\";  // 259 characters
    EXPECT_EQ(GetDriveAndFolder(fits + "PixUnInst.exe"), fits);
}
