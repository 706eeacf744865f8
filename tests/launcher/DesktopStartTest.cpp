// tests/launcher/DesktopStartTest.cpp - programs started as the person at the desktop: from the
// desktop shell's process, which Wine's desktop offers as Windows' does, and from this process
// where there is no desktop shell to ask.
#include <gtest/gtest.h>
#include "framework/Handles.h"
#include "launcher/LauncherTestSupport.h"
#include "platform/DesktopShell.h"
#include "platform/ObjectSecurity.h"
#include "support/StageWatch.h"

using namespace launchtest;

namespace {

bool RefuseTheDesktopShell(const std::wstring&, const std::wstring&) { return false; }

// A desktop shell that takes the errand and does not answer until the test lets it (or, should
// the caller wait for it, until far beyond any bound, so that such a wait shows as a failure
// rather than a hang).
HANDLE g_hShellTaken = NULL;
HANDLE g_hShellAnswers = NULL;
HANDLE g_hShellAnswered = NULL;
bool HangInTheDesktopShell(const std::wstring&, const std::wstring&)
{
    ::SetEvent(g_hShellTaken);
    ::WaitForSingleObject(g_hShellAnswers, kStartMs);
    ::SetEvent(g_hShellAnswered);
    return true;
}

class CDesktopStartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WaitForSectionGone(kInstanceName)) << "an earlier test left a participant running";
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_folder = pixtest::MakeScratchFolder("desktop-" + name);
        m_exeName = "Desk" + std::to_string(::GetCurrentProcessId()) + name.substr(0, 4) + ".exe";
        m_program = m_folder + "\\" + m_exeName;
        ASSERT_TRUE(pixtest::CopyFileTo(StandinPath(), m_program));
        m_record = m_folder + "\\record.txt";
        UseRecordFile(m_record);
    }
    void TearDown() override
    {
        if (m_hStarted) {
            ::TerminateProcess(m_hStarted, 0);
            ::WaitForSingleObject(m_hStarted, kStartMs);
            ::CloseHandle(m_hStarted);
        }
        EXPECT_TRUE(WaitForSectionGone(kInstanceName));
    }

    // The started copy, held until the end of the test; its parent's id.
    bool WaitForStartedCopy(DWORD* pParentId)
    {
        const ULONGLONG deadline = ::GetTickCount64() + kStartMs;
        DWORD id = 0;
        while (!(id = pixtest::FindProcessNamed(m_exeName, pParentId)) && ::GetTickCount64() < deadline)
            ::Sleep(pixtest::kPollMs);
        m_hStarted = id ? ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id) : NULL;
        m_startedId = id;
        return m_hStarted != NULL;
    }

    // The stand-in's "start <folder>|<arguments>" line. A copy started by the desktop shell has
    // the shell's environment, which may not name this test's record: it then records beside itself.
    std::string WaitForStartLine()
    {
        const std::string prefix = std::to_string(m_startedId) + " start ";
        const ULONGLONG deadline = ::GetTickCount64() + kStartMs;
        do {
            for (const std::string& path : {m_record, m_program + ".received.txt"}) {
                const std::string text = pixtest::ReadFileBytes(path);
                const size_t at = text.find(prefix);
                if (at != std::string::npos)
                    return text.substr(at + prefix.size(), text.find('\r', at) - at - prefix.size());
            }
            ::Sleep(pixtest::kPollMs);
        } while (::GetTickCount64() < deadline);
        return "(no start recorded)";
    }

    std::string m_folder, m_exeName, m_program, m_record;
    HANDLE m_hStarted = NULL;
    DWORD m_startedId = 0;
};

}  // namespace

TEST_F(CDesktopStartTest, AProgramStartsFromTheDesktopShellsProcessInItsFolderAsThisAccountHere)
{
    const DWORD shellId = FindDesktopShellProcessId();
    ASSERT_NE(shellId, 0u) << "no desktop shell answered";
    ASSERT_TRUE(StartAsDesktopUser(m_program, m_folder, DesktopStart::Program));
    DWORD parentId = 0;
    ASSERT_TRUE(WaitForStartedCopy(&parentId));
    EXPECT_EQ(parentId, shellId) << stagewatch::DescribeProcess(parentId) << " started it, not "
                                 << stagewatch::DescribeProcess(shellId);
    EXPECT_NE(parentId, ::GetCurrentProcessId());
    EXPECT_EQ(WaitForStartLine(), m_folder + "|");
    // Wine runs the shell under this process's account, as the usual elevation does: the
    // person's registry is then the current user's.
    std::vector<BYTE> person;
    EXPECT_TRUE(g_pfnReadDesktopUserSid(&person));
    EXPECT_EQ(person, MakeTrusteeSid(Trustee::TokenUser));
    EXPECT_EQ(FindDesktopUserHive(), "");
}

// No desktop shell (none runs, or a service session): started from this process, with no
// arguments, in the folder given (the installation folder, for the application).
TEST_F(CDesktopStartTest, WithoutADesktopShellTheProgramStartsFromThisProcessInItsFolder)
{
    const auto saved = g_pfnStartThroughDesktopShell;
    g_pfnStartThroughDesktopShell = RefuseTheDesktopShell;
    const bool started = StartAsDesktopUser(m_program, m_folder, DesktopStart::Program);
    g_pfnStartThroughDesktopShell = saved;
    ASSERT_TRUE(started);
    DWORD parentId = 0;
    ASSERT_TRUE(WaitForStartedCopy(&parentId));
    EXPECT_EQ(parentId, ::GetCurrentProcessId());
    EXPECT_EQ(WaitForStartLine(), m_folder + "|");
}

// A desktop shell that takes the errand and hangs: the program starts from this process, in its
// folder, while the shell still has not answered; the errand is abandoned, not waited for.
TEST_F(CDesktopStartTest, AHungDesktopShellIsGivenUpAndTheProgramStartsFromThisProcess)
{
    CHandle taken(::CreateEventA(NULL, TRUE, FALSE, NULL));
    CHandle answers(::CreateEventA(NULL, TRUE, FALSE, NULL));
    CHandle answered(::CreateEventA(NULL, TRUE, FALSE, NULL));
    g_hShellTaken = taken;
    g_hShellAnswers = answers;
    g_hShellAnswered = answered;
    const auto saved = g_pfnStartThroughDesktopShell;
    const DWORD savedBound = g_desktopShellBoundMs;
    g_pfnStartThroughDesktopShell = HangInTheDesktopShell;
    g_desktopShellBoundMs = 200;  // any bound: the shell answers only when told
    const bool started = StartAsDesktopUser(m_program, m_folder, DesktopStart::Program);
    g_pfnStartThroughDesktopShell = saved;
    g_desktopShellBoundMs = savedBound;
    const bool tookIt = ::WaitForSingleObject(taken, 0) == WAIT_OBJECT_0;
    const bool answeredMeanwhile = ::WaitForSingleObject(answered, 0) == WAIT_OBJECT_0;
    ::SetEvent(answers);
    EXPECT_TRUE(tookIt) << "the errand never reached the shell";
    EXPECT_FALSE(answeredMeanwhile) << "the start waited for the shell's answer";
    // The abandoned errand ends once the shell answers, before its events go.
    EXPECT_EQ(::WaitForSingleObject(answered, kStartMs), WAIT_OBJECT_0);
    ASSERT_TRUE(started);
    DWORD parentId = 0;
    ASSERT_TRUE(WaitForStartedCopy(&parentId));
    EXPECT_EQ(parentId, ::GetCurrentProcessId());
    EXPECT_EQ(WaitForStartLine(), m_folder + "|");
}
