// tests/text/LogLineTest.cpp - InstallLog line rule, prefixes and file operands.
#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <vector>
#include "text/LogLine.h"

namespace {

std::string Stripped(std::string text)
{
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    StripLineEnd(buffer.data());
    return buffer.data();
}

// Every line ReadLogLine returns for the given file bytes.
std::vector<std::string> ReadAllLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    FILE* pFile = std::tmpfile();
    if (!pFile)
        return lines;
    std::fwrite(bytes.data(), 1, bytes.size(), pFile);
    std::rewind(pFile);
    char line[kLogLineBytes];
    while (ReadLogLine(pFile, line))
        lines.push_back(line);
    std::fclose(pFile);
    return lines;
}

}  // namespace

TEST(StripLineEnd, RemovesLineEndsBlanksAndControlBytesButNeverTheFirstByte)
{
    EXPECT_EQ(Stripped("File Del: a.txt\r\n"), "File Del: a.txt");
    EXPECT_EQ(Stripped("File Del: a.txt\n"), "File Del: a.txt");
    EXPECT_EQ(Stripped("File Del: a.txt \t \x01\x1f\r\n"), "File Del: a.txt");
    EXPECT_EQ(Stripped("  x  "), "  x");
    EXPECT_EQ(Stripped(" \t\n"), " ");
    EXPECT_EQ(Stripped("\n"), "\n");
    EXPECT_EQ(Stripped(""), "");
    StripLineEnd(nullptr);
}

TEST(StripLineEnd, KeepsAccentedBytesAtTheEnd)
{
    // "tárgyú" / "mappá" in code page 1250: bytes 0xE1 and 0xFA must survive a signed compare.
    EXPECT_EQ(Stripped("Made Dir: C:\\mapp\xE1\r\n"), "Made Dir: C:\\mapp\xE1");
    EXPECT_EQ(Stripped("x\xFA\xA0 \n"), "x\xFA\xA0");
    EXPECT_EQ(Stripped("\x80"), "\x80");
}

TEST(LineHasPrefix, MatchesOnlyTheExactPrefixAtTheStart)
{
    EXPECT_TRUE(LineHasPrefix("File Del: a.txt", kPrefixFileDel));
    EXPECT_FALSE(LineHasPrefix(" File Del: a.txt", kPrefixFileDel));
    EXPECT_FALSE(LineHasPrefix("file del: a.txt", kPrefixFileDel));
    EXPECT_FALSE(LineHasPrefix("File Del:a.txt", kPrefixFileDel));
    EXPECT_FALSE(LineHasPrefix("x File Del: File Del: a", kPrefixFileDel));
    EXPECT_FALSE(LineHasPrefix(nullptr, kPrefixFileDel));
    // A line holding only a prefix has lost its blank to the line rule.
    EXPECT_FALSE(LineHasPrefix(Stripped("Shell Link: \r\n").c_str(), kPrefixShellLink));
    EXPECT_FALSE(LineHasPrefix(Stripped("Made Dir:    \t\n").c_str(), kPrefixMadeDir));
}

TEST(ClassifyLogLine, KnowsTheFiveKinds)
{
    EXPECT_EQ(ClassifyLogLine("Made Dir: C:\\g"), LogEntryKind::MadeDir);
    EXPECT_EQ(ClassifyLogLine("Shell Link: C:\\g\\a.lnk"), LogEntryKind::ShellLink);
    EXPECT_EQ(ClassifyLogLine("File Copy: a.exe"), LogEntryKind::FileCopy);
    EXPECT_EQ(ClassifyLogLine("File Overwrite: a.exe"), LogEntryKind::FileOverwrite);
    EXPECT_EQ(ClassifyLogLine("File Del: a.exe"), LogEntryKind::FileDel);
    EXPECT_EQ(ClassifyLogLine(""), LogEntryKind::None);
    EXPECT_EQ(ClassifyLogLine("File Copy:a.exe"), LogEntryKind::None);
    EXPECT_EQ(ClassifyLogLine("FILE COPY: a.exe"), LogEntryKind::None);
}

TEST(ReadLogLine, GivesTheSameLinesForCrLfLfAndTrailingBlanks)
{
    // An empty line keeps its one line-end byte: the first byte is never stripped.
    EXPECT_EQ(ReadAllLines("File Del: a.txt\r\n\r\nMade Dir: C:\\g\r\nx\r\n"),
              (std::vector<std::string>{"File Del: a.txt", "\r", "Made Dir: C:\\g", "x"}));
    EXPECT_EQ(ReadAllLines("File Del: a.txt\n\nMade Dir: C:\\g\nx"),
              (std::vector<std::string>{"File Del: a.txt", "\n", "Made Dir: C:\\g", "x"}));
    EXPECT_EQ(ReadAllLines("File Del: a.txt  \t\nMade Dir: C:\\g \t\r\nx\t\n"),
              (std::vector<std::string>{"File Del: a.txt", "Made Dir: C:\\g", "x"}));
    EXPECT_TRUE(ReadAllLines("").empty());
    char line[kLogLineBytes];
    EXPECT_FALSE(ReadLogLine(nullptr, line));
}

TEST(ReadLogLine, SplitsALongLineIntoPiecesOfAtMost511Bytes)
{
    const std::string first(511, 'R');
    const std::string rest = "File Del: b.txt" + std::string(74, 'S');
    const std::vector<std::string> lines = ReadAllLines(first + rest + "\r\nnext\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], first);
    EXPECT_EQ(lines[1], rest);
    EXPECT_EQ(ClassifyLogLine(lines[1].c_str()), LogEntryKind::FileDel);
    EXPECT_EQ(lines[2], "next");

    const std::string exact(510, 'x');
    const std::vector<std::string> fits = ReadAllLines(exact + "\n");
    ASSERT_EQ(fits.size(), 1u);
    EXPECT_EQ(fits[0], exact);
}

TEST(ExtractUndoFileName, CutsAtTheRemarkAndKeepsTheRenamedTarget)
{
    EXPECT_EQ(ExtractUndoFileName("File Del: a.txt", kPrefixFileDel), "a.txt");
    EXPECT_EQ(ExtractUndoFileName("File Del: a.txt | old help", kPrefixFileDel), "a.txt");
    EXPECT_EQ(ExtractUndoFileName("File Del: a|b.txt", kPrefixFileDel), "a|b.txt");
    EXPECT_EQ(ExtractUndoFileName("File Copy: new.dll > old.dll", kPrefixFileCopy), "old.dll");
    EXPECT_EQ(ExtractUndoFileName("File Copy: new.dll>\t\v\f old.dll", kPrefixFileCopy), "old.dll");
    EXPECT_EQ(ExtractUndoFileName("File Copy: a > b > c", kPrefixFileCopy), "b > c");
    EXPECT_EQ(ExtractUndoFileName("File Copy: a > b | c > d", kPrefixFileCopy), "b");
    EXPECT_EQ(ExtractUndoFileName("File Copy: a >", kPrefixFileCopy), "");
    EXPECT_EQ(ExtractUndoFileName("File Copy: *.dll", kPrefixFileCopy), "*.dll");
}

TEST(ExtractUndoFileName, ARemarkInsideThePrefixLeavesNoName)
{
    // The " | " starts at the prefix's own blank: the cut line is shorter than the prefix.
    EXPECT_EQ(ExtractUndoFileName("File Del: | a.txt", kPrefixFileDel), "");
    EXPECT_EQ(ExtractUndoFileName("File Del:  | a.txt", kPrefixFileDel), "");
    EXPECT_EQ(ExtractUndoFileName("File Del:   | a.txt", kPrefixFileDel), " ");
    EXPECT_EQ(ExtractUndoFileName(nullptr, kPrefixFileDel), "");
}

TEST(SplitRenameOperand, TrimsTheWhiteSpaceNextToTheArrow)
{
    std::string source, target;
    EXPECT_TRUE(SplitRenameOperand("new.dll \t> \told.dll", &source, &target));
    EXPECT_EQ(source, "new.dll");
    EXPECT_EQ(target, "old.dll");
    EXPECT_TRUE(SplitRenameOperand(" >", &source, &target));
    EXPECT_EQ(source, "");
    EXPECT_EQ(target, "");
    EXPECT_TRUE(SplitRenameOperand(">b", &source, &target));
    EXPECT_EQ(source, "");
    EXPECT_EQ(target, "b");
    EXPECT_FALSE(SplitRenameOperand("*.dll", &source, &target));
    EXPECT_EQ(source, "*.dll");
    EXPECT_EQ(target, "*.dll");
}

TEST(IsSafeFileOperand, RefusesEverythingThatLeavesTheFolder)
{
    EXPECT_TRUE(IsSafeFileOperand("Pixcap5.exe"));
    EXPECT_TRUE(IsSafeFileOperand("*.dll"));
    EXPECT_TRUE(IsSafeFileOperand("a..b.txt"));
    EXPECT_TRUE(IsSafeFileOperand(".hidden"));
    EXPECT_TRUE(IsSafeFileOperand("Pixorama 5 kézikönyv.chm"));
    const char* const unsafe[] = {"..\\x", "C:\\x", "sub\\x", "/x", "..", ".", "...", " .. ",
                                  "C:x", "a.txt:stream", "x/..", "", " ", "\\\\server\\share\\x"};
    for (const char* pszOperand : unsafe)
        EXPECT_FALSE(IsSafeFileOperand(pszOperand)) << "operand \"" << pszOperand << "\"";
}

TEST(HasShortcutExtension, OnlyLnkInAnyCase)
{
    EXPECT_TRUE(HasShortcutExtension("C:\\g\\Pixorama 5.lnk"));
    EXPECT_TRUE(HasShortcutExtension("C:\\g\\A.LNK"));
    EXPECT_TRUE(HasShortcutExtension("C:\\g\\a.LnK"));
    EXPECT_FALSE(HasShortcutExtension("C:\\g\\a.lnk.exe"));
    EXPECT_FALSE(HasShortcutExtension("C:\\g\\a.exe"));
    EXPECT_FALSE(HasShortcutExtension("C:\\g\\alnk"));
    EXPECT_FALSE(HasShortcutExtension("lnk"));
    EXPECT_FALSE(HasShortcutExtension(""));
}
