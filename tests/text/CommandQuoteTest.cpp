// tests/text/CommandQuoteTest.cpp - the second uninstall stage's command line.
#include <gtest/gtest.h>
#include "text/CommandQuote.h"

TEST(QuoteCommandWord, QuotesOnlyWordsWithABlankOrATab)
{
    EXPECT_EQ(QuoteCommandWord("C:\\TEMP\\uni1A.tmp"), "C:\\TEMP\\uni1A.tmp");
    EXPECT_EQ(QuoteCommandWord("C:\\Program Files\\Pixorama 5\\PixUnInst.exe"),
              "\"C:\\Program Files\\Pixorama 5\\PixUnInst.exe\"");
    EXPECT_EQ(QuoteCommandWord("C:\\a\tb\\x.exe"), "\"C:\\a\tb\\x.exe\"");
    EXPECT_EQ(QuoteCommandWord("C:\\\xE1rv\xEDzt\xFBr\\x.exe"), "C:\\\xE1rv\xEDzt\xFBr\\x.exe");
}

TEST(BuildSecondStageCommandLine, FourWordsWithSilentLast)
{
    EXPECT_EQ(BuildSecondStageCommandLine("C:\\T\\uni2.tmp", "C:\\P\\PixUnInst.exe", false),
              "C:\\T\\uni2.tmp -delself C:\\P\\PixUnInst.exe");
    EXPECT_EQ(BuildSecondStageCommandLine("C:\\T\\uni2.tmp", "C:\\P\\PixUnInst.exe", true),
              "C:\\T\\uni2.tmp -delself C:\\P\\PixUnInst.exe -s");
    EXPECT_EQ(BuildSecondStageCommandLine("C:\\My Temp\\uni2.tmp", "C:\\Program Files\\P 5\\PixUnInst.exe", true),
              "\"C:\\My Temp\\uni2.tmp\" -delself \"C:\\Program Files\\P 5\\PixUnInst.exe\" -s");
}
