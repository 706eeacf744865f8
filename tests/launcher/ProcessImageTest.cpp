// tests/launcher/ProcessImageTest.cpp - the program file of another process, which the close
// pass checks before it closes anything, read on the road of current Windows and on that of XP
// (kernel32 without QueryFullProcessImageNameA).
#include <gtest/gtest.h>
#include <cctype>
#include "framework/Handles.h"
#include "platform/ProcessImage.h"
#include "platform/SystemLibrary.h"
#include "launcher/LauncherTestSupport.h"

using namespace launchtest;

namespace {

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Parameter: the road of XP.
class CProcessImageTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WaitForSectionGone(kInstanceName)) << "an earlier test left a participant running";
        UseRecordFile(pixtest::MakeScratchFolder("process-image") + "\\record.txt");
        m_savedFind = g_pfnFindKernelExport;
        if (GetParam())
            g_pfnFindKernelExport = pixtest::FindKernelExportAsOnXp;
    }
    void TearDown() override { g_pfnFindKernelExport = m_savedFind; }

    FARPROC (*m_savedFind)(const char*) = nullptr;
};

}  // namespace

TEST_P(CProcessImageTest, ReadsTheWholePathOrNothing)
{
    CStandin standin;
    ASSERT_TRUE(IsReady(standin));
    CHandle process(::OpenProcess(ProcessImageAccess(), FALSE, standin.Id()));
    ASSERT_TRUE(process.IsValid()) << "error " << ::GetLastError();

    std::string path;
    EXPECT_TRUE(ReadProcessImagePath(process, 1024, &path));
    EXPECT_EQ(Lower(path), Lower(StandinPath()));
    // One character short of room for the terminator: a cut path would pass for another program.
    std::string cut;
    EXPECT_FALSE(ReadProcessImagePath(process, static_cast<DWORD>(StandinPath().size()), &cut)) << cut;
}

INSTANTIATE_TEST_SUITE_P(Roads, CProcessImageTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "AsOnXp" : "Current");
                         });

namespace {

bool IsDebugPrivilegeEnabled()
{
    HANDLE hToken = NULL;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return false;
    PRIVILEGE_SET wanted = {};
    wanted.PrivilegeCount = 1;
    wanted.Control = PRIVILEGE_SET_ALL_NECESSARY;
    ::LookupPrivilegeValueA(NULL, "SeDebugPrivilege", &wanted.Privilege[0].Luid);
    BOOL enabled = FALSE;
    ::PrivilegeCheck(hToken, &wanted, &enabled);
    ::CloseHandle(hToken);
    return enabled != FALSE;
}

int g_openCalls = 0;

// Windows refuses another account's process to an administrator, unless the debugging
// privilege is enabled at that moment; Wine's one account is never refused.
HANDLE WINAPI OpenAsAnotherAccountsProcess(DWORD access, BOOL inherit, DWORD processId)
{
    ++g_openCalls;
    if (!IsDebugPrivilegeEnabled()) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return NULL;
    }
    return ::OpenProcess(access, inherit, processId);
}

}  // namespace

// The close pass reaches the person's copy whichever account setup was elevated with, and
// the privilege is on only for the opening call.
TEST(OpenAnyAccountProcess, RetriesARefusalWithTheDebuggingPrivilegeForThatCallOnly)
{
    ASSERT_TRUE(WaitForSectionGone(kInstanceName));
    UseRecordFile(pixtest::MakeScratchFolder("any-account") + "\\record.txt");
    CStandin standin;
    ASSERT_TRUE(IsReady(standin));
    ASSERT_FALSE(IsDebugPrivilegeEnabled());
    const auto saved = g_pfnOpenProcess;
    g_pfnOpenProcess = OpenAsAnotherAccountsProcess;
    g_openCalls = 0;
    CHandle process(OpenAnyAccountProcess(PROCESS_TERMINATE | ProcessImageAccess(), standin.Id()));
    const int refusedThenOpened = g_openCalls;
    const bool enabledAfter = IsDebugPrivilegeEnabled();
    g_pfnOpenProcess = saved;

    ASSERT_TRUE(process.IsValid());
    EXPECT_EQ(refusedThenOpened, 2);
    EXPECT_FALSE(enabledAfter);
    std::string path;
    EXPECT_TRUE(ReadProcessImagePath(process, 1024, &path));
    EXPECT_EQ(Lower(path), Lower(StandinPath()));
}
