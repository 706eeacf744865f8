// tests/uninstall_ops/InstallLogTest.cpp - writing the InstallLog and undoing its entries; the
// image associations given back in the person at the desktop's hive.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "platform/DesktopShell.h"
#include "platform/InstallLog.h"
#include "support/E2eSupport.h"
#include "support/TestSupport.h"
#include "text/ProductNames.h"
#include "uninstall/UninstallSteps.h"

using pixtest::ExistingFiles;
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

using Names = std::vector<std::string>;

void MakeFiles(const std::string& folder, const Names& names)
{
    for (const std::string& name : names)
        MakeFile(folder + "\\" + name);
}

void MakeFolder(const std::string& path)
{
    ASSERT_TRUE(::CreateDirectoryA(path.c_str(), NULL)) << path;
}

// Writes the log into the folder and undoes its shortcut and folder entries.
void UndoLinkLines(const std::string& folder, const std::string& logText)
{
    const std::string logPath = folder + "\\PixUnInst.log";
    ASSERT_TRUE(WriteFileBytes(logPath, logText));
    UndoLinksAndFolders(logPath.c_str());
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
    UndoLinkLines(base, "Made Dir: " + base + "\\A\\B\\  \r\n");
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
    UndoLinkLines(base, "Made Dir: " + base + "\\Used\n"
                        "Made Dir: " + base + "\\Missing\n"
                        "Made Dir: " + base + "\\Parent\\Empty\n");
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
    UndoLinkLines(base, "Shell Link: " + base + "\\Pixcap5.exe\r\n"
                        "Shell Link: " + base + "\\notes.lnk.txt\r\n"
                        "Shell Link: " + base + "\\locked.lnk\r\n"
                        "Shell Link: " + base + "\\plain.lnk\r\n");
    // Shortcut attributes are not touched, so a read-only one stays.
    EXPECT_EQ((Names{"Pixcap5.exe", "notes.lnk.txt", "locked.lnk"}),
              ExistingFiles(base, {"Pixcap5.exe", "notes.lnk.txt", "locked.lnk", "plain.lnk"}));
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
    EXPECT_EQ((Names{"keep.txt", "sub\\d.dll", "e.dll\\f.dll"}),
              ExistingFiles(folder, {"a.dll", "b.dll", "c.DLL", "keep.txt", "sub\\d.dll", "e.dll\\f.dll"}));
}

TEST(UndoFileEntries, RenamingFormsAndRemarksNameOnlyTheTarget)
{
    const std::string folder = MakeScratchFolder("log_rename");
    const Names names = {"new.dll", "old.dll", "src.txt", "tgt.txt", "a.txt", "a.txt.bak", "remark"};
    MakeFiles(folder, names);
    UndoFileLines(folder, "File Copy: new.dll > old.dll\r\n"
                          "File Overwrite: src.txt> \t tgt.txt\r\n"
                          "File Del: a.txt | a.txt.bak remark\r\n");
    EXPECT_EQ((Names{"new.dll", "src.txt", "a.txt.bak", "remark"}), ExistingFiles(folder, names));
}

TEST(UndoFileEntries, TheOnlyPrefixLimitsTheKinds)
{
    const std::string folder = MakeScratchFolder("log_only");
    const std::string log = "File Copy: copied.dll\nFile Overwrite: over.dll\nFile Del: obsolete.dll\n";
    const Names names = {"copied.dll", "over.dll", "obsolete.dll"};
    MakeFiles(folder, names);
    UndoFileLines(folder, log, kPrefixFileDel);
    EXPECT_EQ((Names{"copied.dll", "over.dll"}), ExistingFiles(folder, names));

    MakeFile(folder + "\\obsolete.dll");
    UndoFileLines(folder, log);
    EXPECT_EQ(Names(), ExistingFiles(folder, names));
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
    const Names names = {"crlf.txt", "lf.txt", "blanks.txt", "lower.txt", "noblank.txt", "indent.txt", "last.txt"};
    MakeFiles(folder, names);
    UndoFileLines(folder, "File Del: crlf.txt\r\n"
                          "File Del: lf.txt\n"
                          "File Del: blanks.txt \t  \t\r\n"
                          "file del: lower.txt\r\n"
                          "File Del:noblank.txt\r\n"
                          " File Del: indent.txt\r\n"
                          "File Del: \r\n"
                          "File Del:    \t\r\n"
                          "File Del: last.txt");
    EXPECT_EQ((Names{"lower.txt", "noblank.txt", "indent.txt"}), ExistingFiles(folder, names));
}

TEST(UndoFileEntries, LongLinesArriveInPieces)
{
    const std::string folder = MakeScratchFolder("log_long");
    const Names names = {"piece.txt", "whole.txt", "RRRR"};
    MakeFiles(folder, names);
    UndoFileLines(folder, std::string(511, 'R') + "File Del: piece.txt\r\n"
                          "File Del: whole.txt" + std::string(600, ' ') + "\r\n"
                          "File Del: " + std::string(520, 'R') + "\r\n");
    EXPECT_EQ((Names{"RRRR"}), ExistingFiles(folder, names));
}

TEST(UndoFileEntries, AccentedLastBytesStayPartOfTheName)
{
    const std::string folder = MakeScratchFolder("log_accents");
    // "tükörfú" ends in 0xFA, which a signed compare would strip as a blank.
    const Names names = {"t\xFCk\xF6rf\xFA", "\xE1rv\xEDzt\xFBr\xF5.txt"};
    // Needs the host's hu_HU.UTF-8 locale, through which Wine names the files.
    MakeFiles(folder, names);
    ASSERT_EQ(names, ExistingFiles(folder, names));
    UndoFileLines(folder, "File Del: " + names[0] + "\r\nFile Del: " + names[1] + "\n");
    EXPECT_EQ(Names(), ExistingFiles(folder, names));
}

TEST(DeleteMatchingFiles, CountsDeletionsAndHonoursTheSeparatorRule)
{
    const std::string folder = MakeScratchFolder("log_match");
    MakeFiles(folder, {"a.tmp", "b.tmp", "c.tmp", "d.log"});
    MakeFolder(folder + "\\e.tmp");
    EXPECT_EQ(DeleteMatchingFiles(folder.c_str(), "*.none"), 0);
    EXPECT_EQ(DeleteMatchingFiles((folder + "\\").c_str(), "a.tmp"), 1);
    EXPECT_EQ(DeleteMatchingFiles((folder + "/").c_str(), "b.tmp"), 1);
    EXPECT_EQ(DeleteMatchingFiles(folder.c_str(), "*.*"), 2);
    EXPECT_TRUE(FolderExists(folder + "\\e.tmp"));
    EXPECT_EQ(DeleteMatchingFiles(folder.c_str(), "*.*"), 0);
    EXPECT_EQ(DeleteMatchingFiles(nullptr, "*.*"), 0);
}

// A shortcut named beyond the code page (Cyrillic on 1250), as a person or another program may
// leave in the fixed group: the search hands over its short name, which deletes that very file.
TEST(DeleteMatchingFiles, ANameTheCodePageLacksIsDeletedByItsShortName)
{
    const std::string folder = MakeScratchFolder("log_match_cyrillic");
    wchar_t wideFolder[MAX_PATH] = L"";
    ::MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wideFolder, MAX_PATH);
    const std::wstring link = std::wstring(wideFolder) + L"\\\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438.lnk";
    HANDLE h = ::CreateFileW(link.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_READONLY, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    ::CloseHandle(h);
    EXPECT_EQ(DeleteMatchingFiles(folder.c_str(), "*.*"), 1);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(link.c_str()));
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

// The person at the desktop, under an account of their own, whose hive is loaded beside ours.
const char kPersonSid[] = "S-1-5-21-7-7-7-1002";

// The uninstaller runs under the administrator's account that setup was elevated with: the
// person at the desktop gets their own image associations back too, the administrator's own
// as before.
TEST(ImageAssociations, GoBackInThePersonsHiveAsWellAsTheCurrentOne)
{
    const std::string mine = std::string(kFileExtsKey) + "\\.bmp";
    const std::string person = std::string(kPersonSid) + "\\" + kFileExtsKey;
    const auto savedReader = g_pfnReadDesktopUserSid;
    g_pfnReadDesktopUserSid = [](std::vector<BYTE>* pSid) {
        *pSid = pixtest::SidFromText(kPersonSid);
        return !pSid->empty();
    };
    // Alone, and as the uninstallation runs it: the person's part after the files.
    for (const bool wholeRun : {false, true}) {
        SCOPED_TRACE(wholeRun ? "the uninstallation's steps" : "alone");
        e2e::WriteRegText(HKEY_CURRENT_USER, mine, "Application", kCaptureAppFile);
        e2e::WriteRegText(HKEY_CURRENT_USER, mine, kSavedAssociationValue, "mspaint.exe");
        e2e::WriteRegText(HKEY_USERS, person + "\\.gif", "Application", std::string("C:\\Pixorama 5\\") + kCaptureAppFile);
        e2e::WriteRegText(HKEY_USERS, person + "\\.gif", kSavedAssociationValue, "viewer.exe");
        e2e::WriteRegText(HKEY_USERS, person + "\\.png", "Application", "other.exe");
        if (wholeRun)
            RunUninstallSteps("");
        else
            RestoreImageAssociations();

        EXPECT_EQ(e2e::RegText(HKEY_CURRENT_USER, mine, "Application"), "mspaint.exe");
        EXPECT_EQ(e2e::RegText(HKEY_USERS, person + "\\.gif", "Application"), "viewer.exe");
        std::string saved;
        EXPECT_FALSE(e2e::ReadRegText(HKEY_USERS, person + "\\.gif", kSavedAssociationValue, &saved));
        EXPECT_EQ(e2e::RegText(HKEY_USERS, person + "\\.png", "Application"), "other.exe");
        e2e::DeleteRegTree(HKEY_USERS, kPersonSid);
        e2e::DeleteRegTree(HKEY_CURRENT_USER, kFileExtsKey);
    }
    g_pfnReadDesktopUserSid = savedReader;
}
