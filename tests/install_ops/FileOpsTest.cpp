// tests/install_ops/FileOpsTest.cpp - copying into the installation folder, pattern copies, folder counts, own folder.
#include <gtest/gtest.h>
#include "install_ops/OpsTestHelpers.h"
#include "platform/FileOps.h"
#include "platform/HeldFiles.h"
#include "platform/LinkSafeDelete.h"
#include "support/TestSupport.h"

namespace {

using pixtest::FileExists;
using pixtest::FolderExists;
using pixtest::ReadFileBytes;
using pixtest::WriteFileBytes;

// While it lives, the waits between two tries do not sleep but count, and may let a held file go.
class CHeldWaitHook {
public:
    explicit CHeldWaitHook(HANDLE hLetGoAtFirstWait = NULL) : m_pfnBefore(g_pfnHeldWaitSleep)
    {
        s_waits = 0;
        s_hLetGo = hLetGoAtFirstWait;
        g_heldWaitSpentMs = 0;
        ForgetHeldPaths();
        g_pfnHeldWaitSleep = &CountWait;
    }
    ~CHeldWaitHook()
    {
        g_pfnHeldWaitSleep = m_pfnBefore;
        g_heldWaitSpentMs = 0;
        ForgetHeldPaths();
    }
    static int Waits() { return s_waits; }
    CHeldWaitHook(const CHeldWaitHook&) = delete;
    CHeldWaitHook& operator=(const CHeldWaitHook&) = delete;

private:
    static void WINAPI CountWait(DWORD)
    {
        if (s_waits++ == 0 && s_hLetGo)
            ::CloseHandle(s_hLetGo);
    }
    void (WINAPI* m_pfnBefore)(DWORD);
    static int s_waits;
    static HANDLE s_hLetGo;
};
int CHeldWaitHook::s_waits = 0;
HANDLE CHeldWaitHook::s_hLetGo = NULL;

const int kWaitsPerStep = static_cast<int>(kHeldRetryMs / kHeldRetryPeriodMs);

// A step that fails with the given error every time, counting its tries.
bool FailWith(DWORD error, int* pTries)
{
    ++*pTries;
    ::SetLastError(error);
    return false;
}

TEST(HeldFiles, OnlyErrorsThatCanClearAreWaitedOut)
{
    const std::string root = pixtest::MakeScratchFolder("held_rule");
    const std::string file = root + "\\plain.dll", readOnly = root + "\\ro.dll", folder = root + "\\sub";
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    ASSERT_TRUE(WriteFileBytes(readOnly, "x"));
    ASSERT_TRUE(::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), NULL));
    EXPECT_TRUE(IsPassingHold(ERROR_SHARING_VIOLATION, file.c_str()));
    EXPECT_TRUE(IsPassingHold(ERROR_LOCK_VIOLATION, file.c_str()));
    EXPECT_TRUE(IsPassingHold(ERROR_ACCESS_DENIED, file.c_str())) << "a file in use by a running program";
    EXPECT_FALSE(IsPassingHold(ERROR_ACCESS_DENIED, readOnly.c_str()));
    EXPECT_FALSE(IsPassingHold(ERROR_ACCESS_DENIED, folder.c_str()));
    EXPECT_FALSE(IsPassingHold(ERROR_ACCESS_DENIED, (root + "\\missing.dll").c_str())) << "refused by its folder";
    EXPECT_FALSE(IsPassingHold(ERROR_DIR_NOT_EMPTY, root.c_str())) << "files that stay keep it full";
    EXPECT_TRUE(::RemoveDirectoryA(folder.c_str()));
    EXPECT_TRUE(::DeleteFileA(file.c_str()));
    ::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(::DeleteFileA(readOnly.c_str()));
    for (DWORD error : {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_INVALID_NAME, ERROR_DISK_FULL})
        EXPECT_FALSE(IsPassingHold(error, file.c_str())) << error;
    pixtest::RemoveTree(root);
}

// The NT statuses behind ERROR_ACCESS_DENIED: the access list's refusal, a file whose deletion
// waits for another program's last handle, and a running program's image (or a read-only file).
const LONG kStatusAccessDenied = static_cast<LONG>(0xC0000022L);
const LONG kStatusDeletePending = static_cast<LONG>(0xC0000056L);
const LONG kStatusCannotDelete = static_cast<LONG>(0xC0000121L);

// A step whose platform call failed with the status, as the platform sets the error from it.
bool FailWithStatus(LONG status, int* pTries)
{
    typedef ULONG (WINAPI* StatusToErrorProc)(LONG);
    static const StatusToErrorProc pfnToError = reinterpret_cast<StatusToErrorProc>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "RtlNtStatusToDosError")));
    ++*pTries;
    ::SetLastError(pfnToError(status));
    return false;
}

// A denial is no hold: the access list's refusal ends the step at once, while a file already being
// deleted or a running program's image is waited for; the status of the failing call tells them
// apart where the error alone is the same.
TEST(HeldFiles, AnAccessListsRefusalIsToldAtOnce)
{
    const std::string root = pixtest::MakeScratchFolder("held_denial");
    const std::string file = root + "\\plain.dll", readOnly = root + "\\ro.dll";
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    ASSERT_TRUE(WriteFileBytes(readOnly, "x"));
    ASSERT_TRUE(::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(IsPassingHold(ERROR_ACCESS_DENIED, file.c_str(), kStatusAccessDenied));
    EXPECT_TRUE(IsPassingHold(ERROR_ACCESS_DENIED, file.c_str(), kStatusCannotDelete)) << "a running program";
    EXPECT_FALSE(IsPassingHold(ERROR_ACCESS_DENIED, readOnly.c_str(), kStatusCannotDelete));
    EXPECT_TRUE(IsPassingHold(ERROR_ACCESS_DENIED, (root + "\\going.dll").c_str(), kStatusDeletePending));

    CHeldWaitHook hook;
    int tries = 0;
    EXPECT_FALSE(RetryWhileHeld(file.c_str(), [&] { return FailWithStatus(kStatusAccessDenied, &tries); }));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(tries, 1);
    EXPECT_EQ(CHeldWaitHook::Waits(), 0);
    tries = 0;
    EXPECT_FALSE(RetryWhileHeld(readOnly.c_str(), [&] { return FailWithStatus(kStatusDeletePending, &tries); }));
    EXPECT_EQ(tries, kWaitsPerStep + 1);
    ::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    pixtest::RemoveTree(root);
}

TEST(HeldFiles, TheWaitIsBoundedPerStepAndPerRun)
{
    CHeldWaitHook hook;
    int tries = 0;
    EXPECT_FALSE(RetryWhileHeld("x", [&] { return FailWith(ERROR_SHARING_VIOLATION, &tries); }));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << "the step's own error is told";
    EXPECT_EQ(CHeldWaitHook::Waits(), kWaitsPerStep);
    EXPECT_EQ(tries, kWaitsPerStep + 1);
    // Held through a whole wait once, the same file (in any letter case) gets one try from then on.
    tries = 0;
    EXPECT_FALSE(RetryWhileHeld("X", [&] { return FailWith(ERROR_SHARING_VIOLATION, &tries); }));
    EXPECT_EQ(tries, 1);

    // A run that has waited nearly all it may gets the rest of its budget, then one try a step.
    g_heldWaitSpentMs = kHeldRunBudgetMs - 2 * kHeldRetryPeriodMs;
    tries = 0;
    EXPECT_FALSE(RetryWhileHeld("y", [&] { return FailWith(ERROR_LOCK_VIOLATION, &tries); }));
    EXPECT_EQ(tries, 3);
    tries = 0;
    EXPECT_FALSE(RetryWhileHeld("z", [&] { return FailWith(ERROR_SHARING_VIOLATION, &tries); }));
    EXPECT_EQ(tries, 1);

    // An error that no wait mends costs no wait, so a clean run is as fast as ever.
    g_heldWaitSpentMs = 0;
    const int before = CHeldWaitHook::Waits();
    tries = 0;
    EXPECT_FALSE(RetryWhileHeld("x", [&] { return FailWith(ERROR_FILE_NOT_FOUND, &tries); }));
    EXPECT_EQ(tries, 1);
    EXPECT_EQ(CHeldWaitHook::Waits(), before);
}

// Every link as an administrator's: Wine reports the running user as the owner of its links.
bool ReadOwnerAsAdministrators(const std::string&, std::string* pOwnerSid)
{
    *pOwnerSid = "S-1-5-32-544";
    return true;
}

class CopyInstallFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = pixtest::MakeScratchFolder("ops_copy");
        m_source = m_root + "\\src";
        m_dest = m_root + "\\dst";
        ::CreateDirectoryA(m_source.c_str(), NULL);
        ::CreateDirectoryA(m_dest.c_str(), NULL);
        ASSERT_TRUE(WriteFileBytes(m_source + "\\app.dll", "new"));
    }
    void TearDown() override { pixtest::RemoveTree(m_root); }
    std::string m_root;
    std::string m_source;
    std::string m_dest;
    CHeldWaitHook m_noSleep;  // files held for good cost no time
};

TEST_F(CopyInstallFileTest, CopiesUnderOwnOrNewName)
{
    EXPECT_NE(0, CopyInstallFile("app.dll", m_source.c_str(), m_dest.c_str(), NULL));
    EXPECT_EQ("new", ReadFileBytes(m_dest + "\\app.dll"));
    EXPECT_NE(0, CopyInstallFile("app.dll", m_source.c_str(), m_dest.c_str(), "renamed.dll"));
    EXPECT_EQ("new", ReadFileBytes(m_dest + "\\renamed.dll"));
    EXPECT_EQ("new", ReadFileBytes(m_source + "\\app.dll"));
}

TEST_F(CopyInstallFileTest, MissingSourceFailsAndLeavesDestinationAlone)
{
    ASSERT_TRUE(WriteFileBytes(m_dest + "\\gone.dll", "keep"));
    EXPECT_EQ(0, CopyInstallFile("gone.dll", m_source.c_str(), m_dest.c_str(), NULL));
    EXPECT_EQ("keep", ReadFileBytes(m_dest + "\\gone.dll"));
}

TEST_F(CopyInstallFileTest, ReadOnlyAndHiddenDestinationsAreOverwritten)
{
    const std::string target = m_dest + "\\app.dll";
    for (DWORD attributes : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN,
                             FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN}) {
        ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(WriteFileBytes(target, "old"));
        ASSERT_TRUE(::SetFileAttributesA(target.c_str(), attributes));
        EXPECT_NE(0, CopyInstallFile("app.dll", m_source.c_str(), m_dest.c_str(), NULL)) << attributes;
        EXPECT_EQ("new", ReadFileBytes(target)) << attributes;
        EXPECT_FALSE(FileExists(target + ".old")) << attributes;
    }
}

// The running program keeps its file: the copy goes in beside it and the old one waits for the
// next system start under its backup name.
TEST_F(CopyInstallFileTest, RunningProgramIsMovedAsideAndScheduledForDeletion)
{
    const std::string program = m_dest + "\\Pixcap5.exe";
    const std::string backup = program + ".old";
    ASSERT_TRUE(pixtest::CopyFileTo(pixtest::OutDir() + "\\Pixcap5.exe", program));
    const std::string running = ReadFileBytes(program);
    ASSERT_TRUE(WriteFileBytes(m_source + "\\Pixcap5.exe", "new program"));
    ASSERT_TRUE(WriteFileBytes(backup, "stale"));
    HANDLE hProcess = pixtest::StartProcess("\"" + program + "\"");
    ASSERT_NE(nullptr, hProcess);
    ::WaitForInputIdle(hProcess, 10000);
    const bool deletable = ::DeleteFileA(program.c_str()) != FALSE;

    const int result = deletable ? 0 : CopyInstallFile("Pixcap5.exe", m_source.c_str(), m_dest.c_str(), NULL);
    const bool stillRunning = ::WaitForSingleObject(hProcess, 0) == WAIT_TIMEOUT;
    ::TerminateProcess(hProcess, 0);
    pixtest::WaitForExit(hProcess, 10000);
    ::CloseHandle(hProcess);
    ASSERT_FALSE(deletable) << "the platform here lets a running program's file go";
    EXPECT_TRUE(stillRunning);
    EXPECT_NE(0, result);
    EXPECT_EQ("new program", ReadFileBytes(program));
    EXPECT_EQ(running, ReadFileBytes(backup));
    EXPECT_TRUE(opstest::IsPendingDeletion(backup)) << opstest::ReadPendingDeletions();
    EXPECT_FALSE(opstest::IsPendingDeletion(program));
}

// The new content replaces the old one whole: a longer old file leaves no tail, and the copy
// ends with the source's attributes, whatever the old file had.
TEST_F(CopyInstallFileTest, OverwrittenFileHoldsExactlyTheNewContent)
{
    const std::string target = m_dest + "\\app.dll";
    const DWORD sourceAttributes = opstest::GetAttributes(m_source + "\\app.dll");
    for (DWORD attributes : {FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN,
                             FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}) {
        ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(WriteFileBytes(target, "an older and much longer content"));
        ASSERT_TRUE(::SetFileAttributesA(target.c_str(), attributes));
        EXPECT_NE(0, CopyInstallFile("app.dll", m_source.c_str(), m_dest.c_str(), NULL)) << attributes;
        EXPECT_EQ("new", ReadFileBytes(target)) << attributes;
        EXPECT_EQ(sourceAttributes, opstest::GetAttributes(target)) << attributes;
    }
    EXPECT_EQ(1, CountFolderEntries("*", m_dest.c_str())) << "no backup or stray file beside the copy";
}

// Whatever the lengths (none, several chunks of the copy), the destination ends with the source's
// bytes and nothing more, and with the source's last-write time, as a copy would leave it.
TEST_F(CopyInstallFileTest, OverwriteOfAnyLengthCarriesTheSourcesBytesAndTime)
{
    const std::string source = m_source + "\\app.dll";
    const std::string target = m_dest + "\\app.dll";
    std::string large(600 * 1024 + 17, '\0');
    for (size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7 + i / 4096);
    for (const std::string& content : {large, std::string(), std::string("short")}) {
        ASSERT_TRUE(WriteFileBytes(source, content));
        ASSERT_TRUE(WriteFileBytes(target, std::string(1024 * 1024, 'o')));
        EXPECT_NE(0, CopyInstallFile("app.dll", m_source.c_str(), m_dest.c_str(), NULL)) << content.size();
        EXPECT_TRUE(ReadFileBytes(target) == content) << "bytes differ for a source of " << content.size();
        WIN32_FILE_ATTRIBUTE_DATA from, to;
        ASSERT_TRUE(::GetFileAttributesExA(source.c_str(), GetFileExInfoStandard, &from));
        ASSERT_TRUE(::GetFileAttributesExA(target.c_str(), GetFileExInfoStandard, &to));
        EXPECT_EQ(0, ::CompareFileTime(&from.ftLastWriteTime, &to.ftLastWriteTime)) << content.size();
    }
}

// A source that vanishes or is locked after it was found must not cost the installed file.
TEST_F(CopyInstallFileTest, UnreadableSourceLeavesTheDestinationAlone)
{
    const std::string target = m_dest + "\\app.dll";
    ASSERT_TRUE(WriteFileBytes(target, "installed"));
    HANDLE hHeld = opstest::HoldFileExclusively(m_source + "\\app.dll");
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    const int result = CopyInstallFile("app.dll", m_source.c_str(), m_dest.c_str(), NULL);
    ::CloseHandle(hHeld);
    EXPECT_EQ(0, result);
    EXPECT_EQ("installed", ReadFileBytes(target));
    EXPECT_EQ(1, CountFolderEntries("*", m_dest.c_str())) << "no backup or stray file beside it";
}

// A destination that is also another file's name must not have that other file rewritten.
TEST_F(CopyInstallFileTest, HardLinkedDestinationIsReplacedNotWrittenThrough)
{
    const std::string elsewhere = m_root + "\\elsewhere.dll";
    const std::string target = m_dest + "\\app.dll";
    ASSERT_TRUE(WriteFileBytes(elsewhere, "someone else's"));
    ASSERT_TRUE(::CreateHardLinkA(target.c_str(), elsewhere.c_str(), NULL)) << ::GetLastError();
    EXPECT_NE(0, CopyInstallFile("app.dll", m_source.c_str(), m_dest.c_str(), NULL));
    EXPECT_EQ("new", ReadFileBytes(target));
    EXPECT_EQ("someone else's", ReadFileBytes(elsewhere));
    EXPECT_FALSE(FileExists(target + ".old"));
}

// A file that can be neither deleted nor renamed stays as it is, and the copy fails once the
// wait is spent; one that its holder lets go during the wait is written.
TEST_F(CopyInstallFileTest, ExclusivelyHeldDestinationIsWaitedFor)
{
    const std::string target = m_dest + "\\app.dll";
    const std::string backup = target + ".old";
    ASSERT_TRUE(WriteFileBytes(target, "held"));
    ASSERT_TRUE(WriteFileBytes(backup, "stale"));
    HANDLE hHeld = opstest::HoldFileExclusively(target);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    {
        CHeldWaitHook hook;
        EXPECT_EQ(0, CopyInstallFile("app.dll", m_source.c_str(), m_dest.c_str(), NULL));
        EXPECT_EQ(CHeldWaitHook::Waits(), kWaitsPerStep);
    }
    ::CloseHandle(hHeld);
    EXPECT_EQ("held", ReadFileBytes(target));
    EXPECT_FALSE(FileExists(backup)) << "a stale backup goes before the move is tried";
    EXPECT_FALSE(opstest::IsPendingDeletion(backup));

    CHeldWaitHook letGo(opstest::HoldFileExclusively(target));
    EXPECT_NE(0, CopyInstallFile("app.dll", m_source.c_str(), m_dest.c_str(), NULL));
    EXPECT_EQ(CHeldWaitHook::Waits(), 1);
    EXPECT_EQ("new", ReadFileBytes(target));
    EXPECT_FALSE(FileExists(backup));
}

// Files are copied into a destination folder that is a user's link, but nothing there is deleted
// or moved aside: that would reach the folder the link points at with the installer's rights.
TEST_F(CopyInstallFileTest, LinkedDestinationHasNothingDeletedOrMovedAside)
{
    const std::string pointedAt = m_root + "\\theirs";
    const std::string link = m_root + "\\dstlink";
    ASSERT_TRUE(::CreateDirectoryA(pointedAt.c_str(), NULL));
    ASSERT_EQ("", pixtest::MakeFolderLink(link, pointedAt));
    // A system file is replaced, not written in place; a held one with a stale backup would have
    // the backup deleted and itself moved aside; a same-folder rename deletes its target first.
    ASSERT_TRUE(WriteFileBytes(pointedAt + "\\app.dll", "theirs"));
    ASSERT_TRUE(::SetFileAttributesA((pointedAt + "\\app.dll").c_str(), FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(WriteFileBytes(m_source + "\\held.dll", "new"));
    ASSERT_TRUE(WriteFileBytes(pointedAt + "\\held.dll", "held"));
    ASSERT_TRUE(WriteFileBytes(pointedAt + "\\held.dll.old", "stale"));
    ASSERT_TRUE(WriteFileBytes(pointedAt + "\\copy.dll", "their copy"));
    ASSERT_TRUE(WriteFileBytes(m_source + "\\fresh.dll", "fresh"));
    HANDLE hHeld = opstest::HoldFileExclusively(pointedAt + "\\held.dll");
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);

    EXPECT_EQ(0, CopyInstallFile("app.dll", m_source.c_str(), link.c_str(), NULL));
    EXPECT_EQ(0, CopyInstallFile("held.dll", m_source.c_str(), link.c_str(), NULL));
    EXPECT_NE(0, CopyInstallFile("app.dll", link.c_str(), link.c_str(), "copy.dll"));
    EXPECT_NE(0, CopyInstallFile("fresh.dll", m_source.c_str(), (link + "\\").c_str(), NULL));
    ::CloseHandle(hHeld);
    EXPECT_EQ("theirs", ReadFileBytes(pointedAt + "\\app.dll"));
    EXPECT_EQ("held", ReadFileBytes(pointedAt + "\\held.dll"));
    EXPECT_EQ("stale", ReadFileBytes(pointedAt + "\\held.dll.old"));
    EXPECT_FALSE(opstest::IsPendingDeletion(pointedAt + "\\held.dll.old"));
    EXPECT_EQ("their copy", ReadFileBytes(pointedAt + "\\copy.dll"));
    EXPECT_EQ("fresh", ReadFileBytes(pointedAt + "\\fresh.dll"));

    // The same folder behind an administrator's link is an installation folder like any other.
    bool (*pfnSavedReadOwner)(const std::string&, std::string*) = g_pfnReadLinkOwner;
    g_pfnReadLinkOwner = ReadOwnerAsAdministrators;
    const int replaced = CopyInstallFile("app.dll", m_source.c_str(), link.c_str(), NULL);
    g_pfnReadLinkOwner = pfnSavedReadOwner;
    EXPECT_NE(0, replaced);
    EXPECT_EQ("new", ReadFileBytes(pointedAt + "\\app.dll"));
    ::SetFileAttributesA((pointedAt + "\\app.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ("", pixtest::RemoveLink(link));
}

TEST_F(CopyInstallFileTest, FolderInTheWayIsNeitherRenamedNorReplaced)
{
    ::CreateDirectoryA((m_dest + "\\app.dll").c_str(), NULL);
    EXPECT_EQ(0, CopyInstallFile("app.dll", m_source.c_str(), m_dest.c_str(), NULL));
    EXPECT_TRUE(FolderExists(m_dest + "\\app.dll"));
    EXPECT_FALSE(FolderExists(m_dest + "\\app.dll.old"));
    EXPECT_FALSE(opstest::IsPendingDeletion(m_dest + "\\app.dll.old"));
}

// Copying a file onto itself would delete the only copy first: every spelling of the source
// folder must count as the same folder.
TEST_F(CopyInstallFileTest, SameFolderInAnotherSpellingCopiesNothingAndKeepsTheFile)
{
    const std::string file = m_source + "\\app.dll";
    ASSERT_TRUE(::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    std::string upper = m_source;
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    std::string slashes = m_source;
    for (char& c : slashes)
        if (c == '\\')
            c = '/';
    for (const std::string& other : {upper, m_source + "\\", slashes, m_root + "\\dst\\..\\src"}) {
        EXPECT_NE(0, CopyInstallFile("app.dll", m_source.c_str(), other.c_str(), NULL)) << other;
        EXPECT_NE(0, CopyInstallFile("app.dll", other.c_str(), m_source.c_str(), "APP.DLL")) << other;
        EXPECT_EQ("new", ReadFileBytes(file)) << other;
        EXPECT_EQ(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN,
                  opstest::GetAttributes(file) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)) << other;
    }
    EXPECT_EQ(1, CountFolderEntries("*", m_source.c_str()));
}

TEST_F(CopyInstallFileTest, SameFolderWithNewNameCopiesUnlessTargetIsUndeletable)
{
    const std::string copy = m_source + "\\copy.dll";
    EXPECT_NE(0, CopyInstallFile("app.dll", m_source.c_str(), m_source.c_str(), "copy.dll"));
    EXPECT_EQ("new", ReadFileBytes(copy));

    ASSERT_TRUE(WriteFileBytes(copy, "held"));
    HANDLE hHeld = opstest::HoldFileExclusively(copy);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    const int result = CopyInstallFile("app.dll", m_source.c_str(), m_source.c_str(), "copy.dll");
    ::CloseHandle(hHeld);
    EXPECT_NE(0, result);
    EXPECT_EQ("held", ReadFileBytes(copy));
    EXPECT_FALSE(FileExists(copy + ".old"));
}

// A folder ending in "/" gets no second separator: the joined path is exactly one character
// short of the limit and must still be accepted, while one more character is refused.
TEST_F(CopyInstallFileTest, SlashEndedFolderAndPathLimit)
{
    const std::string name = "app.dll";
    const size_t folderChars = 259 - name.size();  // folder incl. its "/" + name = 259 characters
    const std::string longFolder = m_root + "\\" + std::string(folderChars - m_root.size() - 2, 'f');
    ASSERT_TRUE(::CreateDirectoryA(longFolder.c_str(), NULL));
    const std::string withSlash = longFolder + "/";
    ASSERT_EQ(259u, (withSlash + name).size());

    EXPECT_NE(0, CopyInstallFile(name.c_str(), m_source.c_str(), withSlash.c_str(), NULL));
    EXPECT_EQ("new", ReadFileBytes(longFolder + "\\" + name));
    // Without the slash the separator is added, the path no longer fits and nothing is written,
    // not even under a shortened name.
    EXPECT_EQ(0, CopyInstallFile(name.c_str(), m_source.c_str(), longFolder.c_str(), "app.dllx"));
    EXPECT_EQ(1, CountFolderEntries("*", longFolder.c_str()));
}

class CopyMatchingFilesTest : public CopyInstallFileTest {
protected:
    void SetUp() override
    {
        CopyInstallFileTest::SetUp();
        ASSERT_TRUE(WriteFileBytes(m_source + "\\one.txt", "1"));
        ASSERT_TRUE(WriteFileBytes(m_source + "\\two.txt", "2"));
        ASSERT_TRUE(WriteFileBytes(m_source + "\\three.txt", "3"));
    }
};

TEST_F(CopyMatchingFilesTest, CopiesEveryMatchIntoACreatedFolder)
{
    const std::string created = m_root + "\\fresh";
    EXPECT_EQ(3, CopyMatchingFiles("*.txt", m_source.c_str(), created.c_str()));
    EXPECT_EQ("1", ReadFileBytes(created + "\\one.txt"));
    EXPECT_EQ("2", ReadFileBytes(created + "\\two.txt"));
    EXPECT_EQ("3", ReadFileBytes(created + "\\three.txt"));
    EXPECT_FALSE(FileExists(created + "\\app.dll"));
}

TEST_F(CopyMatchingFilesTest, NoMatchOrMissingParentCopiesNothing)
{
    const std::string untouched = m_root + "\\untouched";
    EXPECT_EQ(0, CopyMatchingFiles("*.exe", m_source.c_str(), untouched.c_str()));
    EXPECT_FALSE(FolderExists(untouched));

    const std::string deep = m_root + "\\missing\\deeper";
    EXPECT_EQ(0, CopyMatchingFiles("*.txt", m_source.c_str(), deep.c_str()));
    EXPECT_FALSE(FolderExists(m_root + "\\missing"));
}

// A name without wildcards is answered without a search, and must answer as the search would:
// nothing there leaves the destination alone; a folder of that name creates the destination
// (one level) and copies nothing; a file is copied, whatever the letter case of the name.
TEST_F(CopyMatchingFilesTest, PlainNameAnswersAsTheSearchWould)
{
    const std::string absent = m_root + "\\absent";
    EXPECT_EQ(0, CopyMatchingFiles("gone.txt", m_source.c_str(), absent.c_str()));
    EXPECT_FALSE(FolderExists(absent));

    ASSERT_TRUE(::CreateDirectoryA((m_source + "\\sub").c_str(), NULL));
    ASSERT_TRUE(WriteFileBytes(m_source + "\\sub\\inner.txt", "inner"));
    const std::string forFolder = m_root + "\\for-folder";
    EXPECT_EQ(0, CopyMatchingFiles("sub", m_source.c_str(), forFolder.c_str()));
    EXPECT_TRUE(FolderExists(forFolder));
    EXPECT_EQ(0, CountFolderEntries("*", forFolder.c_str()));

    const std::string forFile = m_root + "\\for-file";
    EXPECT_EQ(1, CopyMatchingFiles("TWO.TXT", m_source.c_str(), forFile.c_str()));
    EXPECT_EQ("2", ReadFileBytes(forFile + "\\two.txt"));
    EXPECT_EQ(1, CountFolderEntries("*", forFile.c_str()));

    const std::string deep = m_root + "\\missing\\deeper";
    EXPECT_EQ(0, CopyMatchingFiles("one.txt", m_source.c_str(), deep.c_str()));
    EXPECT_FALSE(FolderExists(m_root + "\\missing"));

    // Source and destination one folder: success, the file untouched.
    EXPECT_EQ(1, CopyMatchingFiles("one.txt", m_source.c_str(), (m_source + "\\").c_str()));
    EXPECT_EQ("1", ReadFileBytes(m_source + "\\one.txt"));
}

// The search order is the platform's; whatever it is, the copies stop at the first folder.
TEST_F(CopyMatchingFilesTest, StopsAtTheFirstFolderInSearchOrder)
{
    ASSERT_TRUE(::CreateDirectoryA((m_source + "\\sub.txt").c_str(), NULL));
    std::vector<std::string> before;
    bool folderSeen = false;
    WIN32_FIND_DATAA data;
    HANDLE hFind = ::FindFirstFileA((m_source + "\\*.txt").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFind);
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            folderSeen = true;
        else if (!folderSeen)
            before.push_back(data.cFileName);
    } while (::FindNextFileA(hFind, &data));
    ::FindClose(hFind);

    EXPECT_EQ(static_cast<int>(before.size()), CopyMatchingFiles("*.txt", m_source.c_str(), m_dest.c_str()));
    EXPECT_EQ(static_cast<int>(before.size()), CountFolderEntries("*", m_dest.c_str()));
    for (const std::string& name : before)
        EXPECT_TRUE(FileExists(m_dest + "\\" + name)) << name;
    // A catch-all pattern meets "." first and copies nothing.
    const std::string other = m_root + "\\other";
    EXPECT_EQ(0, CopyMatchingFiles("*", m_source.c_str(), other.c_str()));
    EXPECT_EQ(0, CountFolderEntries("*", other.c_str()));
}

TEST_F(CopyMatchingFilesTest, CountFolderEntriesSkipsDotsAndCountsFolders)
{
    const std::string empty = m_root + "\\empty";
    ASSERT_TRUE(::CreateDirectoryA(empty.c_str(), NULL));
    EXPECT_EQ(0, CountFolderEntries("*", empty.c_str()));
    ASSERT_TRUE(::CreateDirectoryA((empty + "\\inner").c_str(), NULL));
    EXPECT_EQ(1, CountFolderEntries("*", empty.c_str()));
    EXPECT_EQ(4, CountFolderEntries("*", m_source.c_str()));
    EXPECT_EQ(3, CountFolderEntries("*.txt", m_source.c_str()));
    EXPECT_EQ(0, CountFolderEntries("*.exe", m_source.c_str()));
    EXPECT_EQ(0, CountFolderEntries("*", (m_root + "\\nowhere").c_str()));
}

TEST(GetOwnFolderTest, IsTheFolderOfTheRunningProgram)
{
    const std::string own = GetOwnFolder();
    EXPECT_EQ(opstest::Lower(pixtest::OutDir() + "\\tests"), opstest::Lower(own));
    EXPECT_TRUE(FileExists(own + "\\install_ops_test.exe"));
}

}  // namespace
