// tests/wizard/WizardTest.cpp - the setup wizard driven through its windows as a person would.
#include <gtest/gtest.h>
#include "support/GuiDriver.h"
#include "support/TestSupport.h"
#include "wizard/WizardFrame.h"
#include "wizard/WizardTestSupport.h"

using namespace pixtest;
using namespace wiztest;

namespace {

const char kInstalledOk[] = "A Pixorama 5 sikeresen telepítésre került!";
const char kPressFinish[] = "Kérjük válassza a \"Befejezés >\" gombot a telepítés befejezéséhez.";

void ExpectStandardButtons(const CWizardRun& run)
{
    EXPECT_EQ(kFrameTitle, ReadWindowText(run.Frame()));
    EXPECT_EQ(kNextText, run.Text(IDOK));
    EXPECT_EQ(kCancelText, run.Text(IDCANCEL));
    EXPECT_TRUE(run.Visible(kIdPicture));
}

void ExpectAgreementButtons(const CWizardRun& run)
{
    EXPECT_EQ(kAgreementTitle, ReadWindowText(run.Frame()));
    EXPECT_EQ(kYesText, run.Text(IDOK));
    EXPECT_EQ(kNoText, run.Text(IDCANCEL));
    EXPECT_TRUE(run.Visible(kIdBack));
    EXPECT_FALSE(run.Visible(kIdPicture));
}

}  // namespace

TEST(WizardFrameTest, FrameWithoutItsTemplateCannotBeCreated)
{
    InstallChoicesRecord choices;
    CWizardFrameDlg dlg(choices);
    EXPECT_EQ(-1, dlg.DoModal());
}

TEST(WizardFrameTest, FrameOpensInTheMiddleOfTheWorkAreaOfItsMonitor)
{
    CWizardRun run;
    ASSERT_TRUE(run.Start("version=5.0.3.0"));
    RECT frame = {};
    ASSERT_TRUE(::GetWindowRect(run.Frame(), &frame));
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(run.Frame(), MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT& work = monitor.rcWork;
    // Halving an odd remainder may leave one pixel more on either side.
    EXPECT_NEAR((work.left + work.right) / 2.0, (frame.left + frame.right) / 2.0, 1.0)
        << "frame " << frame.left << "-" << frame.right << ", work area " << work.left << "-" << work.right;
    EXPECT_NEAR((work.top + work.bottom) / 2.0, (frame.top + frame.bottom) / 2.0, 1.0)
        << "frame " << frame.top << "-" << frame.bottom << ", work area " << work.top << "-" << work.bottom;
}

TEST(WizardFrameTest, AgreementPageSwapsCaptionsAndEveryWayOutRestoresThem)
{
    const std::string dest = MakeScratchFolder("nav") + "\\Pixorama 5";
    CWizardRun run;
    ASSERT_TRUE(run.Start("version=5.0.3.0 \"dest=" + dest + "\""));
    ExpectStandardButtons(run);
    EXPECT_FALSE(run.Visible(kIdBack));
    const RECT picture = ChildRect(FindControl(run.Frame(), kIdPicture));
    const RECT welcome = ChildRect(run.PageOf(1003));
    EXPECT_EQ(picture.right + 4, welcome.left);
    EXPECT_EQ(picture.top, welcome.top);
    // The picture stays above the separator line, whatever size the bitmap has on this screen.
    int separators = 0;
    for (const ControlInfo& c : ReadDialog(run.Frame()).controls) {
        if (::GetParent(c.hwnd) == run.Frame() && (c.style & SS_TYPEMASK) == SS_ETCHEDHORZ) {
            EXPECT_LE(picture.bottom, c.rect.top);
            ++separators;
        }
    }
    EXPECT_EQ(1, separators);
    SaveScreen(run.Frame(), "1-welcome");

    ASSERT_TRUE(run.PressAndWaitForPage(IDOK, 1));
    ExpectAgreementButtons(run);
    const RECT agreement = ChildRect(run.PageOf(1000));
    EXPECT_EQ(4, agreement.left);
    EXPECT_EQ(4, agreement.top);

    ASSERT_TRUE(run.PressAndWaitForPage(kIdBack, 0));
    ExpectStandardButtons(run);
    EXPECT_FALSE(run.Visible(kIdBack));

    // Enter is Next everywhere, also where Next reads "Igen".
    ASSERT_TRUE(PressEnter(run.Frame()));
    ASSERT_TRUE(run.WaitForPage(1));
    ASSERT_TRUE(PressEnter(run.Frame()));
    ASSERT_TRUE(run.WaitForPage(2));
    ExpectStandardButtons(run);
    EXPECT_TRUE(run.Visible(kIdBack));
    ASSERT_TRUE(run.PressAndWaitForPage(kIdBack, 1));
    ExpectAgreementButtons(run);

    // "Nem" is the cancel command; No keeps the page as it was.
    ASSERT_TRUE(PressButton(run.Frame(), IDCANCEL));
    MessageBoxInfo box;
    ASSERT_TRUE(run.AnswerBox(IDNO, &box));
    EXPECT_EQ(kFrameTitle, box.caption);
    EXPECT_EQ(kConfirmCancel, box.text);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), box.Style());
    EXPECT_EQ(1, run.VisiblePage());
    ExpectAgreementButtons(run);

    ASSERT_TRUE(run.CancelWithYes());
    auto result = run.WaitForResult();
    EXPECT_EQ("2", result["result"]);
    EXPECT_FALSE(FolderExists(dest));
    // The frame was the application's main window while it ran, and is no longer afterwards.
    EXPECT_EQ(std::to_string(reinterpret_cast<UINT_PTR>(run.Frame())), result["mainwnd"]);
    EXPECT_EQ("0", result["mainwnd_after"]);
}

TEST(WizardFrameTest, WelcomeLineCarriesTheBetaLabelOnlyForABetaBuild)
{
    {
        CWizardRun run;
        ASSERT_TRUE(run.Start("version=5.0.3.0"));
        EXPECT_EQ("Pixorama ver. 5.00.03 ", FirstLine(run.Text(1003)));
    }
    CWizardRun run;
    ASSERT_TRUE(run.Start("version=5.2.1.7"));
    EXPECT_EQ("Pixorama ver. 5.02.01 Beta 7", FirstLine(run.Text(1003)));
    // The two notice lines below have no conversions and stay as they are.
    EXPECT_NE(std::string::npos, run.Text(1003).find("Corvanta"));
    // Escape is the cancel command too.
    ASSERT_TRUE(PressEscape(run.Frame()));
    ASSERT_TRUE(run.AnswerBox(IDYES));
    EXPECT_EQ("2", run.WaitForResult()["result"]);
}

namespace {

struct AgreementView {
    std::string text;
    LRESULT length = 0;
    LRESULT lines = 0;
    LRESULT selection = -1;
    LRESULT firstVisible = -1;
    LONG style = 0;
};

// Visits the agreement page once more (it reads the file at every visit) and reads what shows.
AgreementView VisitAgreement(CWizardRun& run, const char* screenshot = nullptr)
{
    AgreementView view;
    if (!run.PressAndWaitForPage(IDOK, 1))
        return view;
    HWND hEdit = FindControl(run.Frame(), 1000);
    if (screenshot)
        SaveScreen(run.Frame(), screenshot);
    view.length = ::SendMessageW(hEdit, WM_GETTEXTLENGTH, 0, 0);
    view.text = view.length < 4096 ? ReadWindowText(hEdit) : std::string();
    view.lines = ::SendMessageW(hEdit, EM_GETLINECOUNT, 0, 0);
    view.selection = ::SendMessageW(hEdit, EM_GETSEL, 0, 0);
    view.firstVisible = ::SendMessageW(hEdit, EM_GETFIRSTVISIBLELINE, 0, 0);
    view.style = static_cast<LONG>(::GetWindowLongPtrW(hEdit, GWL_STYLE));
    // Back must have landed before the next visit: until it has, page 1 is still the one showing,
    // and the next visit would read this one's text again.
    if (!run.PressAndWaitForPage(kIdBack, 0)) {
        ADD_FAILURE() << "the wizard did not go back from the agreement page";
        return AgreementView();
    }
    return view;
}

}  // namespace

TEST(AgreementPageTest, ShowsTheFileAsReadAtEveryVisit)
{
    const std::string folder = MakeScratchFolder("agreement");
    const std::string file = folder + "\\agreement.txt";
    CWizardRun run;
    ASSERT_TRUE(run.Start("\"cwd=" + folder + "\""));

    // Code page 1250 bytes: "Első sor" / "Második szerződés".
    ASSERT_TRUE(WriteFileBytes(file, "Els\xF5 sor\r\nM\xE1sodik szerz\xF5" "d\xE9s\r\n"));
    AgreementView view = VisitAgreement(run, "2-agreement");
    EXPECT_EQ("Első sor\r\nMásodik szerződés\r\n", view.text);
    EXPECT_EQ(3, view.lines);
    EXPECT_EQ(0, view.selection);  // caret at the start, nothing selected
    EXPECT_EQ(0, view.firstVisible);
    EXPECT_TRUE(view.style & ES_READONLY);

    ASSERT_TRUE(WriteFileBytes(file, "egy\nketto\nharom"));
    view = VisitAgreement(run);
    // Handed over unchanged: no line ends are added (how a lone LF shows is the edit control's affair).
    EXPECT_EQ("egy\nketto\nharom", view.text);

    ASSERT_TRUE(WriteFileBytes(file, std::string("elotte\0utana", 12)));
    EXPECT_EQ("elotte", VisitAgreement(run).text);

    ASSERT_TRUE(WriteFileBytes(file, ""));
    EXPECT_EQ(0, VisitAgreement(run).length);

    // Far beyond what a person types into an edit field: all of it arrives.
    std::string large;
    while (large.size() < 1000000)
        large += "Minden sor ugyanaz a szoveg, csak sokszor.\r\n";
    ASSERT_TRUE(WriteFileBytes(file, large));
    EXPECT_EQ(static_cast<LRESULT>(large.size()), VisitAgreement(run).length);

    ASSERT_TRUE(::DeleteFileA(file.c_str()));
    EXPECT_EQ(0, VisitAgreement(run).length);
    // Without a file "Igen" still moves on, also by Enter with the text clicked into.
    ASSERT_TRUE(run.PressAndWaitForPage(IDOK, 1));
    HWND hEdit = FindControl(run.Frame(), 1000);
    ::PostMessageW(hEdit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    ::PostMessageW(hEdit, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof gti;
    ASSERT_TRUE(WaitUntil([&] {
        return ::GetGUIThreadInfo(::GetWindowThreadProcessId(hEdit, NULL), &gti) && gti.hwndFocus == hEdit;
    }));
    ASSERT_TRUE(PressEnter(run.Frame()));
    ASSERT_TRUE(run.WaitForPage(2));
    // Escape from the text is the cancel command as well.
    ASSERT_TRUE(run.PressAndWaitForPage(kIdBack, 1));
    ::PostMessageW(hEdit = FindControl(run.Frame(), 1000), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    ::PostMessageW(hEdit, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    ASSERT_TRUE(WaitUntil([&] {
        return ::GetGUIThreadInfo(::GetWindowThreadProcessId(hEdit, NULL), &gti) && gti.hwndFocus == hEdit;
    }));
    ASSERT_TRUE(PressEscape(run.Frame()));
    ASSERT_TRUE(run.AnswerBox(IDYES));
    EXPECT_EQ("2", run.WaitForResult()["result"]);
}

namespace {

// A package of the two programs and the manifest that names them: enough for a complete
// installation, which shows the completion page.
void WriteSmallPackage(const std::string& folder)
{
    ::CreateDirectoryA(folder.c_str(), NULL);
    WriteFileBytes(folder + "\\PixUnInst.log", "File Copy: Pixcap5.exe\r\nFile Copy: PixUnInst.exe\r\n");
    WriteFileBytes(folder + "\\Pixcap5.exe", "program");
    WriteFileBytes(folder + "\\PixUnInst.exe", "uninstaller");
}

// Runs the wizard up to the completion state; the installation lands in a scratch folder, or
// fails there when a file of the destination's name is in the way.
bool InstallInScratch(CWizardRun& run, const char* name, bool blocked = false)
{
    const std::string folder = MakeScratchFolder(name);
    WriteSmallPackage(folder + "\\package");
    if (blocked)
        WriteFileBytes(folder + "\\Pixorama 5", "a file of the folder's name");
    return run.Start("fresh=1 \"dest=" + folder + "\\Pixorama 5\" \"source=" + folder +
                     "\\package\" \"group=Pixorama teszt " + name + "\"") &&
           run.GoToPage(4) && run.InstallAndWaitForFinish();
}

}  // namespace

TEST(WizardFrameTest, InstallationTurnsTheReadyPageIntoTheCompletionPage)
{
    CWizardRun run;
    ASSERT_TRUE(InstallInScratch(run, "install-a"));
    EXPECT_TRUE(run.Enabled(IDOK));
    EXPECT_FALSE(run.Enabled(kIdBack));
    EXPECT_FALSE(run.Enabled(IDCANCEL));
    EXPECT_EQ(kInstalledOk, run.Text(1010));
    EXPECT_EQ(kPressFinish, run.Text(1011));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(run.PageOf(1010), 1009)));
    EXPECT_TRUE(run.Visible(1012));
    EXPECT_EQ(BST_UNCHECKED, ReadCheck(run.Frame(), 1012));
    EXPECT_EQ(kFrameTitle, ReadWindowText(run.Frame()));
    SaveScreen(run.Frame(), "6-completed");

    // Installed, there is nothing left to cancel: Escape finishes without a question.
    ASSERT_TRUE(PressEscape(run.Frame()));
    auto result = run.WaitForResult();
    EXPECT_EQ("1", result["result"]);
    EXPECT_EQ("0", result["installed"]);
    EXPECT_EQ("0", result["run"]);
}

TEST(WizardFrameTest, FinishAndTheCloseBoxStoreTheRunTickAndTheOutcome)
{
    {
        CWizardRun run;
        ASSERT_TRUE(InstallInScratch(run, "install-b"));
        ASSERT_TRUE(SetCheck(run.Frame(), 1012, true));
        ASSERT_TRUE(PressEnter(run.Frame()));  // Finish is the default button
        auto result = run.WaitForResult();
        EXPECT_EQ("1", result["result"]);
        EXPECT_EQ("1", result["run"]);
    }
    CWizardRun run;
    ASSERT_TRUE(InstallInScratch(run, "install-c"));
    ASSERT_TRUE(SetCheck(run.Frame(), 1012, true));
    ASSERT_TRUE(PressCloseBox(run.Frame()));
    auto result = run.WaitForResult();
    // OK, so the driver opens the web page, starts the application and ends with the outcome.
    EXPECT_EQ("1", result["result"]);
    EXPECT_EQ("0", result["installed"]);
    EXPECT_EQ("1", result["run"]);
}

// The destination cannot be made: the page says that the files could not be written and offers
// no start of a program that is not there; Finish hands the outcome to the exit code.
TEST(WizardFrameTest, FailedInstallationSaysWhatFailedAndOffersNoStart)
{
    CWizardRun run;
    ASSERT_TRUE(InstallInScratch(run, "install-blocked", true));
    EXPECT_EQ(kFilesFailed, run.Text(1010));
    EXPECT_EQ(kTryAgain, run.Text(1011));
    EXPECT_TRUE(run.Visible(1010));
    EXPECT_FALSE(run.Visible(1012));
    EXPECT_EQ(kFinishText, run.Text(IDOK));
    // The longer texts of a failure fit their lines too.
    const std::string fit = run.MeasureTexts();
    EXPECT_EQ(0u, fit.find("failures=0\n")) << fit;
    SaveScreen(run.Frame(), "7-failed");
    ASSERT_TRUE(PressButton(run.Frame(), IDOK));
    auto result = run.WaitForResult();
    EXPECT_EQ("1", result["result"]);
    EXPECT_EQ("2", result["installed"]);
    EXPECT_EQ("0", result["run"]);
}
