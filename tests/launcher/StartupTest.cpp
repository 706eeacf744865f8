// tests/launcher/StartupTest.cpp - run modes, questions and the close pass, observed through
// real copies of setup and stand-in capture applications, as a person at the screen sees them.
#include <gtest/gtest.h>
#include "launcher/LauncherTestSupport.h"
#include "platform/InstanceManager.h"
#include "setup_resources/resource.h"

using namespace launchtest;
using pixtest::MessageBoxInfo;

namespace {

const UINT kConfirmUninstallStyle = 0x134;  // Yes/No, exclamation, No by default
const UINT kCloseCopiesStyle = 0x34;        // Yes/No, exclamation, Yes by default
const UINT kAbortedStyle = 0x40;            // OK, information
const UINT kUninstalledStyle = 0x30;        // OK, exclamation
const int kWParamCloseWithoutSaving = 1001;

std::string Quote(const std::string& path) { return "\"" + path + "\""; }

class CStartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WaitForSectionGone(kInstanceName)) << "an earlier test left a participant running";
        m_folder = pixtest::MakeScratchFolder("startup-" + TestName());
        UseRecordFile(m_folder + "\\record.txt");
    }
    void TearDown() override
    {
        // A second uninstall stage started by a test runs on its own; it must end before the next test.
        EXPECT_TRUE(WaitForNoProcessNamed("uni", ".tmp", kStartMs));
        EXPECT_TRUE(WaitForSectionGone(kInstanceName));
    }
    static std::string TestName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

    // A copy of setup under that name, in a sub-folder of this test's folder.
    std::string CopySetup(const std::string& subFolder, const std::string& fileName)
    {
        const std::string folder = m_folder + "\\" + subFolder;
        ::CreateDirectoryA(folder.c_str(), NULL);
        const std::string path = folder + "\\" + fileName;
        EXPECT_TRUE(pixtest::CopyFileTo(SetupPath(), path));
        return path;
    }

    std::string m_folder;
};

void ExpectBox(const MessageBoxInfo& box, UINT captionId, const std::string& text, UINT style)
{
    EXPECT_FALSE(text.empty()) << "the string table lacks the text";
    EXPECT_EQ(box.caption, ResText(captionId));
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.Style(), style) << "text: " << box.text;
}

std::string CopiesRunningText(int copies)
{
    std::string text = ResText(IDS_COPIES_RUNNING);
    const size_t at = text.find("%d");
    if (at != std::string::npos)
        text.replace(at, 2, std::to_string(copies));
    return text;
}

// Declines the running-copies question: the abort notice follows and the run ends with 1.
void DeclineCloseCopies(CProgram& setup, const MessageBoxInfo& question)
{
    ASSERT_TRUE(pixtest::PressButton(question.hwnd, IDNO));
    // The press is posted: until it lands, the question is the box that setup shows.
    ASSERT_TRUE(pixtest::WaitForWindowGone(question.hwnd)) << "the question stayed after No";
    MessageBoxInfo notice;
    ASSERT_TRUE(WaitForBox(setup.Id(), &notice));
    ExpectBox(notice, IDS_CAPTION, ResText(IDS_INSTALL_ABORTED), kAbortedStyle);
    ASSERT_TRUE(pixtest::PressButton(notice.hwnd, IDOK));
    DWORD exitCode = 0;
    ASSERT_TRUE(setup.WaitForEnd(kStartMs, &exitCode));
    EXPECT_EQ(exitCode, 1u);
}

// Past the launch stage: the program has ended or shows a window that is not the question.
bool WaitForSetupToMoveOn(CProgram& setup, HWND hQuestion)
{
    const ULONGLONG deadline = ::GetTickCount64() + kStartMs;
    while (::GetTickCount64() < deadline) {
        if (!setup.IsRunning())
            return true;
        for (const pixtest::WindowInfo& w : pixtest::ListTopLevelWindows(setup.Id()))
            if (w.hwnd != hQuestion)
                return true;
        ::Sleep(pixtest::kPollMs);
    }
    return false;
}

bool ShowsQuestionAboutCopies(DWORD processId)
{
    for (const pixtest::WindowInfo& w : pixtest::ListTopLevelWindows(processId)) {
        MessageBoxInfo box;
        if (pixtest::ReadMessageBox(w.hwnd, &box) &&
            (box.text == ResText(IDS_ONE_COPY_RUNNING) || box.text.find(ResText(IDS_COPIES_RUNNING).substr(2)) != std::string::npos))
            return true;
    }
    return false;
}

// The close pass posts WM_CLOSE with 1001 and terminates the copy 10 ms later with exit code 0,
// so whether the copy got to record the request is up to the scheduler. What is certain: it has
// ended with 0, and no close request of another kind reached it.
void ExpectClosedWithoutSaving(const CStandin& s)
{
    ASSERT_TRUE(s.WaitForEnd()) << "awaited the end of the copy; " << s.Describe();
    EXPECT_EQ(s.ExitCode(), 0u) << s.Describe();
    const std::string closeWithoutSaving = "close " + std::to_string(kWParamCloseWithoutSaving);
    for (const std::string& e : s.Events()) {
        if (e.compare(0, 6, "close ") == 0) {
            EXPECT_EQ(e, closeWithoutSaving) << s.Describe();
        }
    }
}

// The files the system is to delete at its next start, as one lower-case text.
std::string PendingDeletions()
{
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                        KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return std::string();
    std::vector<char> data(65536);
    DWORD size = static_cast<DWORD>(data.size());
    const LONG rc = ::RegQueryValueExA(hKey, "PendingFileRenameOperations", NULL, NULL,
                                       reinterpret_cast<BYTE*>(data.data()), &size);
    ::RegCloseKey(hKey);
    if (rc != ERROR_SUCCESS)
        return std::string();
    std::string text(data.data(), size);
    for (char& c : text)
        c = c == '\0' ? '|' : static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    return text;
}

enum class Seen { UninstallQuestion, CopiesQuestion };

struct SModeCase {
    const char* folder;
    const char* file;
    const char* arguments;
    Seen seen;
};

}  // namespace

// One stand-in runs, so that the installer shows itself by asking about it; every question is
// declined, so nothing is installed or removed and the stand-in stays.
TEST_F(CStartupTest, RunModeFollowsTheFileNameAndTheArguments)
{
    CStandin standin;
    ASSERT_TRUE(IsReady(standin));
    const SModeCase cases[] = {
        {"a", "setup.exe", "", Seen::CopiesQuestion},
        {"b", "SETUP.EXE", "", Seen::CopiesQuestion},
        {"c", "MySetup.exe", "", Seen::CopiesQuestion},
        {"old setup.exe files", "Pix.exe", "", Seen::CopiesQuestion},
        {"d", "PixUnInst.exe", "", Seen::UninstallQuestion},
        {"d", "PixUnInst.exe", "-install", Seen::CopiesQuestion},
        {"d", "PixUnInst.exe", "-INSTALL", Seen::CopiesQuestion},
        {"d", "PixUnInst.exe", "x -install", Seen::UninstallQuestion},
        {"a", "setup.exe", "-delself", Seen::CopiesQuestion},
        {"d", "PixUnInst.exe", "-S", Seen::UninstallQuestion},
        {"d", "PixUnInst.exe", "-s x", Seen::UninstallQuestion},
        {"a", "setup.exe", "/S", Seen::CopiesQuestion},
        {"a", "setup.exe", "-s", Seen::CopiesQuestion},
    };
    for (const SModeCase& c : cases) {
        SCOPED_TRACE(std::string(c.folder) + "\\" + c.file + " " + c.arguments);
        const std::string path = m_folder + "\\" + c.folder + "\\" + c.file;
        if (!pixtest::FileExists(path))
            CopySetup(c.folder, c.file);
        CProgram setup(Quote(path) + " " + c.arguments);
        ASSERT_TRUE(setup.IsStarted());
        MessageBoxInfo box;
        ASSERT_TRUE(WaitForBox(setup.Id(), &box));
        if (c.seen == Seen::UninstallQuestion) {
            ExpectBox(box, IDS_CAPTION, ResText(IDS_CONFIRM_UNINSTALL), kConfirmUninstallStyle);
            ASSERT_TRUE(pixtest::PressButton(box.hwnd, IDNO));
            DWORD exitCode = 99;
            ASSERT_TRUE(setup.WaitForEnd(kStartMs, &exitCode));
            EXPECT_EQ(exitCode, 0u);
        } else {
            ExpectBox(box, IDS_CAPTION, ResText(IDS_ONE_COPY_RUNNING), kCloseCopiesStyle);
            DeclineCloseCopies(setup, box);
        }
    }
    EXPECT_TRUE(standin.IsRunning());
    for (const std::string& e : standin.Events())
        EXPECT_NE(e.compare(0, 6, "close "), 0) << e;
}

TEST_F(CStartupTest, NoOtherCopyMeansNoQuestion)
{
    CProgram setup(Quote(CopySetup("pkg", "setup.exe")));
    ASSERT_TRUE(setup.IsStarted());
    ASSERT_TRUE(WaitForSetupToMoveOn(setup, NULL));
    EXPECT_FALSE(ShowsQuestionAboutCopies(setup.Id()));
}

TEST_F(CStartupTest, OneCopyIsAskedAboutAndClosedWithoutSaving)
{
    CStandin standin;
    ASSERT_TRUE(IsReady(standin));
    CProgram setup(Quote(CopySetup("pkg", "setup.exe")));
    MessageBoxInfo box;
    ASSERT_TRUE(WaitForBox(setup.Id(), &box));
    ExpectBox(box, IDS_CAPTION, ResText(IDS_ONE_COPY_RUNNING), kCloseCopiesStyle);
    ASSERT_TRUE(pixtest::PressButton(box.hwnd, IDYES));
    ExpectClosedWithoutSaving(standin);
    ASSERT_TRUE(WaitForSetupToMoveOn(setup, box.hwnd));
}

TEST_F(CStartupTest, ThreeCopiesAreCountedInTheQuestionAndAllClosed)
{
    CStandin a, b, c;
    ASSERT_TRUE(IsReady(a));
    ASSERT_TRUE(IsReady(b));
    ASSERT_TRUE(IsReady(c));
    CProgram setup(Quote(CopySetup("pkg", "setup.exe")));
    MessageBoxInfo box;
    ASSERT_TRUE(WaitForBox(setup.Id(), &box));
    ExpectBox(box, IDS_CAPTION, CopiesRunningText(3), kCloseCopiesStyle);
    EXPECT_NE(box.text.find('3'), std::string::npos);
    ASSERT_TRUE(pixtest::PressButton(box.hwnd, IDYES));
    ExpectClosedWithoutSaving(a);
    ExpectClosedWithoutSaving(b);
    ExpectClosedWithoutSaving(c);
}

TEST_F(CStartupTest, DecliningLeavesTheCopiesRunning)
{
    CStandin a, b;
    ASSERT_TRUE(IsReady(a));
    ASSERT_TRUE(IsReady(b));
    CProgram setup(Quote(CopySetup("pkg", "setup.exe")));
    MessageBoxInfo box;
    ASSERT_TRUE(WaitForBox(setup.Id(), &box));
    ExpectBox(box, IDS_CAPTION, CopiesRunningText(2), kCloseCopiesStyle);
    DeclineCloseCopies(setup, box);
    EXPECT_TRUE(a.IsRunning());
    EXPECT_TRUE(b.IsRunning());
    EXPECT_FALSE(a.HasEvent("close 1001"));
    EXPECT_FALSE(b.HasEvent("close 1001"));
}

// The person at the desktop's copy runs under another account than setup's: it is closed too.
TEST_F(CStartupTest, SlashSFromWordTwoClosesWithoutAsking)
{
    CStandin standin;
    ASSERT_TRUE(IsReady(standin));
    const HANDLE hPersonToken = pixtest::MakeOtherDesktopUserToken();
    ASSERT_NE(hPersonToken, (HANDLE)NULL);
    CStandin person(hPersonToken);
    ::CloseHandle(hPersonToken);
    ASSERT_TRUE(IsReady(person));
    CProgram setup(Quote(CopySetup("pkg", "setup.exe")) + " x /S");
    ExpectClosedWithoutSaving(standin);
    ExpectClosedWithoutSaving(person);
    ASSERT_TRUE(WaitForSetupToMoveOn(setup, NULL));
    EXPECT_FALSE(ShowsQuestionAboutCopies(setup.Id()));
}

TEST_F(CStartupTest, CopyThatRegisteredAfterTheInstallerIsNotVisited)
{
    CStandin before;
    ASSERT_TRUE(IsReady(before));
    CProgram setup(Quote(CopySetup("pkg", "setup.exe")));
    MessageBoxInfo box;
    ASSERT_TRUE(WaitForBox(setup.Id(), &box));
    CStandin after;  // listed behind the installer, while its question is open
    ASSERT_TRUE(IsReady(after));
    ASSERT_TRUE(pixtest::PressButton(box.hwnd, IDYES));
    ExpectClosedWithoutSaving(before);
    ASSERT_TRUE(WaitForSetupToMoveOn(setup, box.hwnd));
    setup.Kill();
    EXPECT_TRUE(after.IsRunning());
    EXPECT_FALSE(after.HasEvent("close 1001"));
}

TEST_F(CStartupTest, UninstallerClosesCopiesWithoutAFurtherQuestion)
{
    CStandin standin;
    ASSERT_TRUE(IsReady(standin));
    CProgram setup(Quote(CopySetup("inst", "PixUnInst.exe")) + " -s");
    ExpectClosedWithoutSaving(standin);
    DWORD exitCode = 99;
    ASSERT_TRUE(setup.WaitForEnd(kStartMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(ShowsQuestionAboutCopies(setup.Id()));
}

TEST_F(CStartupTest, ConfirmedUninstallClosesCopiesWithoutAFurtherQuestion)
{
    CStandin standin;
    ASSERT_TRUE(IsReady(standin));
    CProgram setup(Quote(CopySetup("inst", "PixUnInst.exe")));
    MessageBoxInfo box;
    ASSERT_TRUE(WaitForBox(setup.Id(), &box));
    ExpectBox(box, IDS_CAPTION, ResText(IDS_CONFIRM_UNINSTALL), kConfirmUninstallStyle);
    ASSERT_TRUE(pixtest::PressButton(box.hwnd, IDYES));
    ExpectClosedWithoutSaving(standin);
    DWORD exitCode = 99;
    ASSERT_TRUE(setup.WaitForEnd(kStartMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    // The second stage reports from its temporary copy; acknowledge it so that it ends.
    pixtest::WindowQuery query;
    query.className = pixtest::kDialogClass;
    query.caption = ResText(IDS_APP_TITLE);
    HWND hReport = pixtest::WaitForWindow(query, kStartMs);
    if (hReport)
        pixtest::PressButton(hReport, IDOK);
}

// Only the capture application and copies of setup are closed; an id in the list whose process
// is something else (a stale id reused, a foreign program) gets no message and is not ended.
TEST_F(CStartupTest, ClosePassLeavesProcessesThatAreNoParticipants)
{
    const std::string otherPath = m_folder + "\\Other.exe";
    ASSERT_TRUE(pixtest::CopyFileTo(StandinPath(), otherPath));
    CStandin other(otherPath);  // takes part in the list, but is not the capture application
    ASSERT_TRUE(IsReady(other));

    char system[MAX_PATH];
    ::GetSystemDirectoryA(system, MAX_PATH);
    CProgram notepad(Quote(std::string(system) + "\\notepad.exe"));
    ASSERT_TRUE(notepad.IsStarted());
    ASSERT_NE(pixtest::WaitForWindow(notepad.Id(), nullptr, nullptr), (HWND)NULL);
    CRawList raw;
    ASSERT_TRUE(raw.Open(kInstanceName));
    SListBytes list = raw.Read();
    list.slots[list.count++] = notepad.Id();
    raw.Write(list);
    raw.Close();

    CProgram uninstaller(Quote(CopySetup("inst", "PixUnInst.exe")));  // waits at its question
    MessageBoxInfo box;
    ASSERT_TRUE(WaitForBox(uninstaller.Id(), &box));
    CStandin standin;
    ASSERT_TRUE(IsReady(standin));

    CProgram setup(Quote(CopySetup("pkg", "setup.exe")) + " x /S");
    ExpectClosedWithoutSaving(standin);
    DWORD exitCode = 99;
    EXPECT_TRUE(uninstaller.WaitForEnd(kStartMs, &exitCode)) << "a copy of setup is a participant";
    EXPECT_EQ(exitCode, 0u);
    ASSERT_TRUE(WaitForSetupToMoveOn(setup, NULL));
    setup.Kill();
    EXPECT_TRUE(notepad.IsRunning());
    EXPECT_NE(FindMainWindow(notepad.Id()), (HWND)NULL);
    EXPECT_TRUE(other.IsRunning());
    EXPECT_FALSE(other.HasEvent("close 1001"));
}

// The first stage is the uninstaller at its confirmation question: running, and so holding its
// file, until the test answers. It stays that long after the second stage has started and listed
// itself: a first stage slow to end, which a fixed pause of the second stage would not outwait.
TEST_F(CStartupTest, SecondStageWaitsForItsFirstStageThenDeletesTheUninstallerReportsAndLeavesTheList)
{
    const DWORD kSlowFirstStageMs = 2000;
    CStandin standin;
    ASSERT_TRUE(IsReady(standin));
    const std::string uninstaller = CopySetup("Pixorama 5", "PixUnInst.exe");
    const std::string copy = CopySetup("temp", "uni1A.tmp");
    CProgram firstStage(Quote(uninstaller));
    MessageBoxInfo question;
    ASSERT_TRUE(WaitForBox(firstStage.Id(), &question));

    CProgram stage(Quote(copy) + " -delself " + Quote(uninstaller), firstStage);
    ASSERT_TRUE(stage.IsStarted());
    ASSERT_TRUE(Hears(standin, "added " + std::to_string(stage.Id())));
    ::Sleep(kSlowFirstStageMs);
    EXPECT_TRUE(stage.IsRunning()) << "the second stage ended while its first stage still ran";
    EXPECT_TRUE(pixtest::FileExists(uninstaller)) << "the second stage acted while its first stage still ran";
    EXPECT_TRUE(pixtest::ListTopLevelWindows(stage.Id()).empty())
        << "the second stage showed a window while its first stage still ran:\n" << DescribeWindows(stage.Id());

    ASSERT_TRUE(pixtest::PressButton(question.hwnd, IDNO));
    DWORD exitCode = 99;
    ASSERT_TRUE(firstStage.WaitForEnd(kStartMs, &exitCode));
    MessageBoxInfo box;
    ASSERT_TRUE(WaitForBox(stage.Id(), &box)) << "awaited the report once the first stage had ended; windows: "
                                              << DescribeWindows(stage.Id());
    ExpectBox(box, IDS_APP_TITLE, ResText(IDS_UNINSTALLED), kUninstalledStyle);
    EXPECT_FALSE(pixtest::FileExists(uninstaller));
    EXPECT_EQ(PendingDeletions().find(Lower(uninstaller)), std::string::npos) << PendingDeletions();
    EXPECT_TRUE(pixtest::FileExists(copy)) << "the running copy is deleted at the next start only";
    EXPECT_NE(PendingDeletions().find(Lower(copy)), std::string::npos) << PendingDeletions();
    ASSERT_TRUE(pixtest::PressButton(box.hwnd, IDOK));
    ASSERT_TRUE(stage.WaitForEnd(kStartMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    // A normal end: the process-wide objects were destroyed and took the copy out of the list.
    EXPECT_TRUE(Hears(standin, "removed " + std::to_string(stage.Id())));
    EXPECT_TRUE(standin.IsRunning()) << "the second stage closes nothing";
}

// A copy that an elevated first stage put into a folder of its own takes the folder along at the
// next start; the temporary folder of a copy that lies directly in it (above) stays.
TEST_F(CStartupTest, SilentSecondStageReportsNothing)
{
    const std::string uninstaller = CopySetup("inst", "PixUnInst.exe");
    ::CreateDirectoryA((m_folder + "\\temp").c_str(), NULL);
    const std::string copyFolder = m_folder + "\\temp\\PixUnInst-0badc0de";
    CProgram stage(Quote(CopySetup("temp\\PixUnInst-0badc0de", "uni2B.tmp")) + " -delself " + Quote(uninstaller) +
                   " -s");
    DWORD exitCode = 99;
    ASSERT_TRUE(stage.WaitForEnd(kStartMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(pixtest::FileExists(uninstaller));
    const std::string pending = PendingDeletions();
    const size_t copyAt = pending.find(Lower(copyFolder + "\\uni2B.tmp"));
    EXPECT_NE(copyAt, std::string::npos) << pending;
    EXPECT_NE(pending.find(Lower(copyFolder) + "|", copyAt), std::string::npos) << "no folder after the copy: "
                                                                                  << pending;
    EXPECT_EQ(pending.find(Lower(m_folder + "\\temp|")), std::string::npos) << pending;
}

// Word 2 decides what the second stage deletes: only an uninstaller of which the running program
// is a copy is taken, so a stray or hostile command line deletes nothing; silent, it says so only
// by its exit code (the box of an interactive run is the bad-input campaign's).
TEST_F(CStartupTest, SecondStageLeavesAloneWhatIsNoCopyOfItsUninstaller)
{
    const std::string other = m_folder + "\\other";
    ::CreateDirectoryA(other.c_str(), NULL);
    const std::string notACopy = other + "\\PixUnInst.exe";
    ASSERT_TRUE(pixtest::WriteFileBytes(notACopy, "MZ not really"));
    const std::string wrongName = CopySetup("other", "setup.exe");
    const std::string victim = other + "\\victim.txt";
    ASSERT_TRUE(pixtest::WriteFileBytes(victim, "keep me"));
    ASSERT_TRUE(pixtest::WriteFileBytes(other + "\\PixUnInst.log", "File Del: victim.txt\r\n"));
    const std::string copy = CopySetup("temp", "uni3C.tmp");
    for (const std::string& word2 : {notACopy, wrongName, victim, copy}) {
        CProgram stage(Quote(copy) + " -delself " + Quote(word2) + " -s");
        DWORD exitCode = 99;
        ASSERT_TRUE(stage.WaitForEnd(kStartMs, &exitCode)) << word2;
        EXPECT_EQ(exitCode, 1u) << word2;
        EXPECT_TRUE(pixtest::FileExists(word2)) << word2;
    }
    EXPECT_TRUE(pixtest::FileExists(victim));
    EXPECT_EQ(PendingDeletions().find(Lower(copy)), std::string::npos) << PendingDeletions();
}
