// tests/uninstall_ops/InstallLogTest.cpp - writing the InstallLog and undoing its entries.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "platform/InstallLog.h"
#include "support/TestSupport.h"

using pixtest::FileExists;
using pixtest::FolderExists;
using pixtest::MakeScratchFolder;
using pixtest::WriteFileBytes;

namespace {

void MakeFile(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    ASSERT_TRUE(WriteFileBytes(path, "x")) << path;
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), attributes)) << path;
}

void MakeFolder(const std::string& path)
{
    ASSERT_TRUE(::CreateDirectoryA(path.c_str(), NULL)) << path;
}

// Writes the log and undoes its file entries against the folder.
void UndoFileLines(const std::string& folder, const std::string& logText, const char* pszOnlyPrefix = nullptr)
{
    const std::string logPath = folder + "\\PixUnInst.log";
    ASSERT_TRUE(WriteFileBytes(logPath, logText));
    UndoFileEntries(logPath.c_str(), folder.c_str(), pszOnlyPrefix);
}

}  // namespace

TEST(AppendLogLine, CreatesTheLogAndEndsEveryLineWithCrLf)
{
    const std::string folder = MakeScratchFolder("log_append");
    const std::string log = folder + "\\PixUnInst.log";
    AppendLogLine(log.c_str(), "File Copy: Pixcap5.exe");
    AppendLogLine(log.c_str(), "");
    AppendLogLine(log.c_str(), "Made Dir: C:\\Start\\Pixorama 5 \xE1");
    EXPECT_EQ(pixtest::ReadFileBytes(log), "File Copy: Pixcap5.exe\r\n\r\nMade Dir: C:\\Start\\Pixorama 5 \xE1\r\n");
    // No handle outlives the line: the file can go at once.
    EXPECT_TRUE(::DeleteFileA(log.c_str()));

    const std::string unreachable = folder + "\\missing\\PixUnInst.log";
    AppendLogLine(unreachable.c_str(), "Made Dir: C:\\x");
    EXPECT_FALSE(FileExists(unreachable));
}

TEST(UndoLinksAndFolders, RemovesANestedGroupUpToTheProgramsFolder)
{
    const std::string programs = MakeScratchFolder("log_nested") + "\\Programs";
    MakeFolder(programs);
    MakeFile(programs + "\\Other.lnk");
    MakeFolder(programs + "\\Outer");
    MakeFolder(programs + "\\Outer\\Inner");
    MakeFile(programs + "\\Outer\\Inner\\Pixorama 5.lnk");
    MakeFile(programs + "\\Outer\\Inner\\Uninstall.LNK");
    // The folder line comes first: links must all go before any folder is tried.
    const std::string log = programs + "\\..\\PixUnInst.log";
    ASSERT_TRUE(WriteFileBytes(log, "File Copy: Pixcap5.exe\r\n\r\n"
                                    "Made Dir: " + programs + "\\Outer\\Inner\r\n"
                                    "Shell Link: " + programs + "\\Outer\\Inner\\Pixorama 5.lnk\r\n"
                                    "Shell Link: " + programs + "\\Outer\\Inner\\Uninstall.LNK\n"));
    UndoLinksAndFolders(log.c_str());
    EXPECT_FALSE(FolderExists(programs + "\\Outer\\Inner"));
    EXPECT_FALSE(FolderExists(programs + "\\Outer"));
    EXPECT_TRUE(FolderExists(programs));
    EXPECT_TRUE(FileExists(programs + "\\Other.lnk"));
}

TEST(UndoLinksAndFolders, ATrailingBackslashWalksTheSameParents)
{
    const std::string base = MakeScratchFolder("log_trailing");
    MakeFile(base + "\\keep.txt");
    MakeFolder(base + "\\A");
    MakeFolder(base + "\\A\\B");
    const std::string log = base + "\\PixUnInst.log";
    ASSERT_TRUE(WriteFileBytes(log, "Made Dir: " + base + "\\A\\B\\  \r\n"));
    UndoLinksAndFolders(log.c_str());
    EXPECT_FALSE(FolderExists(base + "\\A"));
    EXPECT_TRUE(FolderExists(base));
}

TEST(UndoLinksAndFolders, AFolderStillInUseStaysAndLaterLinesRun)
{
    const std::string base = MakeScratchFolder("log_inuse");
    MakeFolder(base + "\\Used");
    MakeFile(base + "\\Used\\user notes.txt");
    MakeFolder(base + "\\Parent");
    MakeFile(base + "\\Parent\\other.txt");
    MakeFolder(base + "\\Parent\\Empty");
    const std::string log = base + "\\PixUnInst.log";
    ASSERT_TRUE(WriteFileBytes(log, "Made Dir: " + base + "\\Used\n"
                                    "Made Dir: " + base + "\\Missing\n"
                                    "Made Dir: " + base + "\\Parent\\Empty\n"));
    UndoLinksAndFolders(log.c_str());
    EXPECT_TRUE(FileExists(base + "\\Used\\user notes.txt"));
    EXPECT_FALSE(FolderExists(base + "\\Parent\\Empty"));
    EXPECT_TRUE(FileExists(base + "\\Parent\\other.txt"));
}

TEST(UndoLinksAndFolders, DeletesOnlyShortcutFilesAndLeavesProtectedOnes)
{
    const std::string base = MakeScratchFolder("log_links");
    MakeFile(base + "\\Pixcap5.exe");
    MakeFile(base + "\\notes.lnk.txt");
    MakeFile(base + "\\plain.lnk");
    MakeFile(base + "\\locked.lnk", FILE_ATTRIBUTE_READONLY);
    const std::string log = base + "\\PixUnInst.log";
    ASSERT_TRUE(WriteFileBytes(log, "Shell Link: " + base + "\\Pixcap5.exe\r\n"
                                    "Shell Link: " + base + "\\notes.lnk.txt\r\n"
                                    "Shell Link: " + base + "\\locked.lnk\r\n"
                                    "Shell Link: " + base + "\\plain.lnk\r\n"));
    UndoLinksAndFolders(log.c_str());
    EXPECT_TRUE(FileExists(base + "\\Pixcap5.exe"));
    EXPECT_TRUE(FileExists(base + "\\notes.lnk.txt"));
    // Shortcut attributes are not touched, so a read-only one stays.
    EXPECT_TRUE(FileExists(base + "\\locked.lnk"));
    EXPECT_FALSE(FileExists(base + "\\plain.lnk"));
    ::SetFileAttributesA((base + "\\locked.lnk").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(InstallLogUndo, AMissingLogDoesNothing)
{
    const std::string base = MakeScratchFolder("log_missing");
    MakeFile(base + "\\a.dll");
    UndoLinksAndFolders((base + "\\PixUnInst.log").c_str());
    UndoFileEntries((base + "\\PixUnInst.log").c_str(), base.c_str(), nullptr);
    UndoFileEntries(nullptr, base.c_str(), nullptr);
    EXPECT_TRUE(FileExists(base + "\\a.dll"));
    EXPECT_TRUE(FolderExists(base));
}

TEST(UndoFileEntries, APatternDeletesProtectedFilesButNoFolderOrSubfolderFile)
{
    const std::string folder = MakeScratchFolder("log_pattern");
    MakeFile(folder + "\\a.dll", FILE_ATTRIBUTE_READONLY);
    MakeFile(folder + "\\b.dll", FILE_ATTRIBUTE_HIDDEN);
    MakeFile(folder + "\\c.DLL", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    MakeFile(folder + "\\keep.txt");
    MakeFolder(folder + "\\sub");
    MakeFile(folder + "\\sub\\d.dll");
    MakeFolder(folder + "\\e.dll");
    MakeFile(folder + "\\e.dll\\f.dll");
    UndoFileLines(folder, "File Copy: *.dll\r\n");
    EXPECT_FALSE(FileExists(folder + "\\a.dll"));
    EXPECT_FALSE(FileExists(folder + "\\b.dll"));
    EXPECT_FALSE(FileExists(folder + "\\c.DLL"));
    EXPECT_TRUE(FileExists(folder + "\\keep.txt"));
    EXPECT_TRUE(FileExists(folder + "\\sub\\d.dll"));
    EXPECT_TRUE(FileExists(folder + "\\e.dll\\f.dll"));
}

TEST(UndoFileEntries, RenamingFormsAndRemarksNameOnlyTheTarget)
{
    const std::string folder = MakeScratchFolder("log_rename");
    const char* const names[] = {"new.dll", "old.dll", "src.txt", "tgt.txt", "a.txt", "a.txt.bak", "remark"};
    for (const char* pszName : names)
        MakeFile(folder + "\\" + pszName);
    UndoFileLines(folder, "File Copy: new.dll > old.dll\r\n"
                          "File Overwrite: src.txt> \t tgt.txt\r\n"
                          "File Del: a.txt | a.txt.bak remark\r\n");
    EXPECT_TRUE(FileExists(folder + "\\new.dll"));
    EXPECT_FALSE(FileExists(folder + "\\old.dll"));
    EXPECT_TRUE(FileExists(folder + "\\src.txt"));
    EXPECT_FALSE(FileExists(folder + "\\tgt.txt"));
    EXPECT_FALSE(FileExists(folder + "\\a.txt"));
    EXPECT_TRUE(FileExists(folder + "\\a.txt.bak"));
    EXPECT_TRUE(FileExists(folder + "\\remark"));
}

TEST(UndoFileEntries, TheOnlyPrefixLimitsTheKinds)
{
    const std::string folder = MakeScratchFolder("log_only");
    const std::string log = "File Copy: copied.dll\nFile Overwrite: over.dll\nFile Del: obsolete.dll\n";
    for (const char* pszName : {"copied.dll", "over.dll", "obsolete.dll"})
        MakeFile(folder + "\\" + pszName);
    UndoFileLines(folder, log, kPrefixFileDel);
    EXPECT_TRUE(FileExists(folder + "\\copied.dll"));
    EXPECT_TRUE(FileExists(folder + "\\over.dll"));
    EXPECT_FALSE(FileExists(folder + "\\obsolete.dll"));

    MakeFile(folder + "\\obsolete.dll");
    UndoFileLines(folder, log);
    EXPECT_FALSE(FileExists(folder + "\\copied.dll"));
    EXPECT_FALSE(FileExists(folder + "\\over.dll"));
    EXPECT_FALSE(FileExists(folder + "\\obsolete.dll"));
}

TEST(UndoFileEntries, OperandsThatLeaveTheFolderAreRefused)
{
    const std::string base = MakeScratchFolder("log_unsafe");
    const std::string folder = base + "\\inst";
    MakeFolder(folder);
    MakeFolder(folder + "\\sub");
    MakeFile(base + "\\up.txt");
    MakeFile(base + "\\abs.txt");
    MakeFile(base + "\\renamed.txt");
    MakeFile(folder + "\\sub\\inner.txt");
    MakeFile(folder + "\\slash.txt");
    MakeFile(folder + "\\last.txt");
    UndoFileLines(folder, "File Del: ..\\up.txt\r\n"
                          "File Del: " + base + "\\abs.txt\r\n"
                          "File Copy: sub\\inner.txt\r\n"
                          "File Overwrite: /slash.txt\r\n"
                          "File Del: ..\r\n"
                          "File Del: ..\\*\r\n"
                          "File Copy: x.txt > ..\\renamed.txt\r\n"
                          "File Del: last.txt\r\n");
    for (const char* pszName : {"\\up.txt", "\\abs.txt", "\\renamed.txt", "\\inst\\sub\\inner.txt", "\\inst\\slash.txt"})
        EXPECT_TRUE(FileExists(base + pszName)) << pszName;
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_FALSE(FileExists(folder + "\\last.txt"));
}

TEST(UndoFileEntries, LineEndsAndMalformedPrefixes)
{
    const std::string folder = MakeScratchFolder("log_lines");
    const char* const names[] = {"crlf.txt", "lf.txt", "blanks.txt", "lower.txt", "noblank.txt", "indent.txt", "last.txt"};
    for (const char* pszName : names)
        MakeFile(folder + "\\" + pszName);
    UndoFileLines(folder, "File Del: crlf.txt\r\n"
                          "File Del: lf.txt\n"
                          "File Del: blanks.txt \t  \t\r\n"
                          "file del: lower.txt\r\n"
                          "File Del:noblank.txt\r\n"
                          " File Del: indent.txt\r\n"
                          "File Del: \r\n"
                          "File Del:    \t\r\n"
                          "File Del: last.txt");
    EXPECT_FALSE(FileExists(folder + "\\crlf.txt"));
    EXPECT_FALSE(FileExists(folder + "\\lf.txt"));
    EXPECT_FALSE(FileExists(folder + "\\blanks.txt"));
    EXPECT_TRUE(FileExists(folder + "\\lower.txt"));
    EXPECT_TRUE(FileExists(folder + "\\noblank.txt"));
    EXPECT_TRUE(FileExists(folder + "\\indent.txt"));
    EXPECT_FALSE(FileExists(folder + "\\last.txt"));
}

TEST(UndoFileEntries, LongLinesArriveInPieces)
{
    const std::string folder = MakeScratchFolder("log_long");
    for (const char* pszName : {"piece.txt", "whole.txt", "RRRR"})
        MakeFile(folder + "\\" + pszName);
    UndoFileLines(folder, std::string(511, 'R') + "File Del: piece.txt\r\n"
                          "File Del: whole.txt" + std::string(600, ' ') + "\r\n"
                          "File Del: " + std::string(520, 'R') + "\r\n");
    EXPECT_FALSE(FileExists(folder + "\\piece.txt"));
    EXPECT_FALSE(FileExists(folder + "\\whole.txt"));
    EXPECT_TRUE(FileExists(folder + "\\RRRR"));
}

TEST(UndoFileEntries, AccentedLastBytesStayPartOfTheName)
{
    const std::string folder = MakeScratchFolder("log_accents");
    // "tükörfú" ends in 0xFA, which a signed compare would strip as a blank.
    const std::string names[] = {"t\xFCk\xF6rf\xFA", "\xE1rv\xEDzt\xFBr\xF5.txt"};
    // Needs the host's hu_HU.UTF-8 locale, through which Wine names the files.
    for (const std::string& name : names)
        MakeFile(folder + "\\" + name);
    UndoFileLines(folder, "File Del: " + names[0] + "\r\nFile Del: " + names[1] + "\n");
    EXPECT_FALSE(FileExists(folder + "\\" + names[0]));
    EXPECT_FALSE(FileExists(folder + "\\" + names[1]));
}

TEST(DeleteMatchingFiles, CountsDeletionsAndHonoursTheSeparatorRule)
{
    const std::string folder = MakeScratchFolder("log_match");
    for (const char* pszName : {"a.tmp", "b.tmp", "c.tmp", "d.log"})
        MakeFile(folder + "\\" + pszName);
    MakeFolder(folder + "\\e.tmp");
    EXPECT_EQ(DeleteMatchingFiles(folder.c_str(), "*.none"), 0);
    EXPECT_EQ(DeleteMatchingFiles((folder + "\\").c_str(), "a.tmp"), 1);
    EXPECT_EQ(DeleteMatchingFiles((folder + "/").c_str(), "b.tmp"), 1);
    EXPECT_EQ(DeleteMatchingFiles(folder.c_str(), "*.*"), 2);
    EXPECT_TRUE(FolderExists(folder + "\\e.tmp"));
    EXPECT_EQ(DeleteMatchingFiles(folder.c_str(), "*.*"), 0);
    EXPECT_EQ(DeleteMatchingFiles(nullptr, "*.*"), 0);
}

TEST(DeleteMatchingFiles, APathBeyondTheBufferIsNotCutIntoAnotherName)
{
    const std::string folder = MakeScratchFolder("log_toolong");
    MakeFile(folder + "\\victim.txt");
    // Cut at 259 bytes, the blanks would fall away and leave "victim.txt".
    const std::string pattern = "victim.txt" + std::string(300, ' ') + "keep";
    EXPECT_EQ(DeleteMatchingFiles(folder.c_str(), pattern.c_str()), 0);
    EXPECT_TRUE(FileExists(folder + "\\victim.txt"));
}

// A name without wildcards is answered by one attribute read instead of a search; the answers
// must stay the search's: protected files go, folders and absent names count nothing.
TEST(DeleteMatchingFiles, APlainNameDeletesProtectedFilesButNoFolder)
{
    const std::string folder = MakeScratchFolder("log_plain");
    MakeFile(folder + "\\ro.txt", FILE_ATTRIBUTE_READONLY);
    MakeFile(folder + "\\hidden.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    MakeFile(folder + "\\plain.txt");
    MakeFolder(folder + "\\sub");
    MakeFile(folder + "\\sub\\inner.txt", FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(DeleteMatchingFiles(folder.c_str(), "ro.txt"), 1);
    EXPECT_EQ(DeleteMatchingFiles(folder.c_str(), "HIDDEN.TXT"), 1);
    EXPECT_EQ(DeleteMatchingFiles(folder.c_str(), "plain.txt"), 1);
    EXPECT_EQ(DeleteMatchingFiles(folder.c_str(), "plain.txt"), 0);
    EXPECT_EQ(DeleteMatchingFiles(folder.c_str(), "sub"), 0);
    EXPECT_FALSE(FileExists(folder + "\\ro.txt"));
    EXPECT_FALSE(FileExists(folder + "\\hidden.txt"));
    EXPECT_TRUE(FileExists(folder + "\\sub\\inner.txt"));
    EXPECT_EQ(::GetFileAttributesA((folder + "\\sub\\inner.txt").c_str()) & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}
