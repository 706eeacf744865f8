// tests/guidriver/GuiDriverTest.cpp - the GUI driver on message boxes and a dialog shown by
// another thread of this program and by a child process, read back and answered; and the watch
// that finds the child a program hands over to.
#include <gtest/gtest.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <thread>
#include "support/GuiDriver.h"
#include "support/StageWatch.h"
#include "support/TestSupport.h"

using namespace pixtest;

namespace {

const wchar_t kBoxCaption[] = L"Próba ablak";
const wchar_t kBoxText[] = L"Árvíztűrő tükörfúrógép?\nMásodik sor";
const char kBoxCaptionUtf8[] = u8"Próba ablak";
const char kBoxTextUtf8[] = u8"Árvíztűrő tükörfúrógép?\nMásodik sor";
const char kShowBoxSwitch[] = "--show-box";

// How long an answer given to a box or dialog of this program may take to be carried out: a
// press is posted, and a loaded machine gets to it late.
const DWORD kAnswerWaitMs = 20000;

// A message box shown by a second thread; a box left open by a failed test is cancelled so the
// thread can be joined. The answer the test gave is awaited first: cancelling the box while a
// posted press is still on its way would replace that answer.
class CBoxThread {
public:
    explicit CBoxThread(UINT style)
        : m_thread([this, style] { m_result = ::MessageBoxW(NULL, kBoxText, kBoxCaption, style); }) {}
    ~CBoxThread() { Finish(); }
    int Finish()
    {
        WaitResult(kAnswerWaitMs);
        if (m_thread.joinable()) {
            HWND h;
            while ((h = WaitForMessageBox(::GetCurrentProcessId(), 200)) != NULL)
                ::EndDialog(h, IDCANCEL);
            m_thread.join();
        }
        return m_result;
    }
    int WaitResult(DWORD timeoutMs)
    {
        const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
        while (m_result == 0 && ::GetTickCount64() < deadline)
            ::Sleep(20);
        return m_result;
    }
private:
    std::atomic<int> m_result{0};
    std::thread m_thread;
};

MessageBoxInfo WaitAndReadBox(DWORD processId)
{
    MessageBoxInfo box;
    HWND h = WaitForMessageBox(processId, 10000);
    EXPECT_TRUE(h != NULL) << "no message box appeared";
    if (h) {
        EXPECT_TRUE(ReadMessageBox(h, &box));
    }
    return box;
}

std::string OwnPath()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(NULL, path, MAX_PATH);
    return path;
}


// ---- A dialog of this program, built from an in-memory template --------------------------------

const char kDialogCaptionUtf8[] = u8"Párbeszéd";
enum { kEditId = 1001, kComboId = 1002, kCheckId = 1003, kDisabledId = 1004, kHiddenId = 1005 };
constexpr INT_PTR kClosedByCloseBox = 77;

std::atomic<int> g_editChanges{0}, g_comboEdits{0}, g_checkClicks{0}, g_disabledClicks{0};
// In the child process OK ends the dialog with a code that tells which notices arrived.
bool g_reportNotices = false;
const char kShowDialogSwitch[] = "--show-dialog";
// A child that only waits, until it is ended from outside or a minute has passed.
const char kWaitSwitch[] = "--wait";
const DWORD kChildWaitMs = 60000;
// A parent that hands over, as the uninstaller's first stage does: it starts a child, works a
// little longer, and ends; the child waits for it to end and then ends at once with a given code.
const char kHandOverSwitch[] = "--hand-over";
const char kAfterParentSwitch[] = "--after-parent";
const DWORD kParentWorkMs = 1000;
constexpr INT_PTR kNoticesBase = 1000;

class CTemplate {
public:
    CTemplate(const wchar_t* caption, DWORD style, short cx, short cy)
    {
        PutDword(style | DS_SETFONT);
        PutDword(0);
        m_countAt = m_words.size();
        Put(0);
        PutRect(0, 0, cx, cy);
        Put(0);  // no menu
        Put(0);  // standard dialog class
        PutText(caption);
        Put(8);
        PutText(L"MS Shell Dlg");
    }
    void AddControl(WORD atom, WORD id, const wchar_t* text, DWORD style, short x, short y, short cx, short cy)
    {
        if (m_words.size() % 2)
            Put(0);  // items start on a DWORD boundary
        PutDword(style | WS_CHILD);
        PutDword(0);
        PutRect(x, y, cx, cy);
        Put(id);
        Put(0xFFFF);
        Put(atom);
        PutText(text);
        Put(0);
        ++m_words[m_countAt];
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }
private:
    void Put(WORD w) { m_words.push_back(w); }
    void PutDword(DWORD d) { Put(LOWORD(d)); Put(HIWORD(d)); }
    void PutRect(short x, short y, short cx, short cy) { Put(x); Put(y); Put(cx); Put(cy); }
    void PutText(const wchar_t* text) { for (; *text; ++text) Put(*text); Put(0); }
    std::vector<WORD> m_words;
    size_t m_countAt = 0;
};

INT_PTR CALLBACK TestDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_INITDIALOG)
        return TRUE;
    if (msg == WM_CLOSE) {
        ::EndDialog(hwnd, kClosedByCloseBox);
        return TRUE;
    }
    if (msg != WM_COMMAND)
        return FALSE;
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == IDOK && g_reportNotices)
        ::EndDialog(hwnd, kNoticesBase + (g_editChanges > 0) + 2 * (g_comboEdits > 0) + 4 * (g_checkClicks > 0));
    else if (id == IDOK || id == IDCANCEL)
        ::EndDialog(hwnd, id);
    else if (id == kEditId && code == EN_CHANGE)
        ++g_editChanges;
    else if (id == kComboId && code == CBN_EDITCHANGE)
        ++g_comboEdits;
    else if (id == kCheckId && code == BN_CLICKED)
        ++g_checkClicks;
    else if (id == kDisabledId)
        ++g_disabledClicks;
    return TRUE;
}

CTemplate MakeTestDialog()
{
    CTemplate t(L"Párbeszéd", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE, 200, 120);
    const DWORD v = WS_VISIBLE | WS_TABSTOP;
    t.AddControl(0x81, kEditId, L"", v | WS_BORDER | ES_AUTOHSCROLL, 10, 10, 120, 12);
    t.AddControl(0x85, kComboId, L"", v | CBS_DROPDOWN | WS_VSCROLL, 10, 28, 120, 60);
    t.AddControl(0x80, kCheckId, L"Jelölő", v | BS_AUTOCHECKBOX, 10, 46, 120, 10);
    t.AddControl(0x80, kDisabledId, L"Tiltott", v | BS_PUSHBUTTON | WS_DISABLED, 10, 60, 50, 14);
    t.AddControl(0x82, kHiddenId, L"Rejtett", SS_LEFT, 70, 60, 50, 10);
    t.AddControl(0x80, IDOK, L"OK", v | BS_DEFPUSHBUTTON, 140, 10, 50, 14);
    t.AddControl(0x80, IDCANCEL, L"Mégse", v | BS_PUSHBUTTON, 140, 28, 50, 14);
    return t;
}

// The dialog shown modally by a second thread; one left open by a failed test is ended.
class CDialogThread {
public:
    CDialogThread() : m_template(MakeTestDialog()), m_thread([this] {
        m_result = ::DialogBoxIndirectParamW(::GetModuleHandleW(NULL), m_template.Get(), NULL, TestDialogProc, 0);
    }) {}
    ~CDialogThread() { Finish(); }
    INT_PTR Finish(DWORD timeoutMs = kAnswerWaitMs)
    {
        const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
        while (m_result == -2 && ::GetTickCount64() < deadline)
            ::Sleep(20);
        if (m_thread.joinable()) {
            if (m_result == -2)
                if (HWND h = WaitForWindow(::GetCurrentProcessId(), kDialogClass, kDialogCaptionUtf8, 500))
                    ::EndDialog(h, -3);
            m_thread.join();
        }
        return m_result;
    }
private:
    CTemplate m_template;
    std::atomic<INT_PTR> m_result{-2};
    std::thread m_thread;
};

HWND WaitForTestDialog()
{
    return WaitForWindow(::GetCurrentProcessId(), kDialogClass, kDialogCaptionUtf8, 10000);
}

std::string OwnFolder()
{
    const std::string path = OwnPath();
    return path.substr(0, path.find_last_of('\\'));
}

}  // namespace

TEST(GuiDriverMessageBox, ReadsCaptionTextButtonsAndStyleOfThisProcessBox)
{
    CBoxThread shown(MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
    const MessageBoxInfo box = WaitAndReadBox(::GetCurrentProcessId());
    EXPECT_EQ(box.caption, kBoxCaptionUtf8);
    EXPECT_EQ(box.text, kBoxTextUtf8);
    ASSERT_EQ(box.buttons.size(), 2u);
    EXPECT_EQ(box.buttons[0].id, IDYES);
    EXPECT_EQ(box.buttons[1].id, IDNO);
    EXPECT_FALSE(box.buttons[0].isDefault);
    EXPECT_TRUE(box.buttons[1].isDefault);
    EXPECT_TRUE(box.buttons[0].enabled && box.buttons[1].enabled);
    EXPECT_EQ(box.icon, BoxIcon::Exclamation);
    EXPECT_EQ(box.Style(), 0x134u);

    // Enter answers with the default button, as a person pressing it would get.
    ASSERT_TRUE(PressEnter(box.hwnd));
    EXPECT_TRUE(WaitForWindowGone(box.hwnd, 5000));
    EXPECT_EQ(shown.Finish(), IDNO);
}

TEST(GuiDriverMessageBox, RecognisesEachStandardIconInThisProcess)
{
    const struct { UINT style; BoxIcon icon; } cases[] = {
        {0x34, BoxIcon::Exclamation}, {0x40, BoxIcon::Asterisk}, {0x30, BoxIcon::Exclamation},
        {0x10, BoxIcon::Hand}, {0x0, BoxIcon::None}, {0x123, BoxIcon::Question},
        {0x223, BoxIcon::Question},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << std::hex << c.style);
        CBoxThread shown(c.style);
        const MessageBoxInfo box = WaitAndReadBox(::GetCurrentProcessId());
        EXPECT_EQ(box.icon, c.icon);
        EXPECT_EQ(box.Style(), c.style);
        ASSERT_FALSE(box.buttons.empty());
        ASSERT_TRUE(PressButton(box.hwnd, box.buttons.front().id));
        EXPECT_EQ(shown.Finish(), box.buttons.front().id);
    }
}

TEST(GuiDriverMessageBox, ReadsAndAnswersTheBoxOfAnotherProcess)
{
    const struct { UINT style; int press; } cases[] = {
        {0x134, IDYES}, {0x34, IDNO}, {0x40, IDOK}, {0x30, IDOK}, {0x10, IDOK}, {0x21, IDCANCEL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << std::hex << c.style);
        DWORD pid = 0;
        HANDLE h = StartProcess("\"" + OwnPath() + "\" " + kShowBoxSwitch + " " + std::to_string(c.style), &pid);
        ASSERT_TRUE(h != NULL);
        const MessageBoxInfo box = WaitAndReadBox(pid);
        EXPECT_EQ(box.caption, kBoxCaptionUtf8);
        EXPECT_EQ(box.text, kBoxTextUtf8);
        EXPECT_EQ(box.Style(), c.style);
        EXPECT_TRUE(PressButton(box.hwnd, c.press));
        DWORD exitCode = 0;
        EXPECT_TRUE(WaitForProcessEnd(pid, 10000, &exitCode));
        EXPECT_EQ(exitCode, static_cast<DWORD>(c.press));
        ::TerminateProcess(h, 255);
        ::CloseHandle(h);
    }
}

TEST(GuiDriverMessageBox, PressesOnlyButtonsTheBoxHasAndEscapeCancels)
{
    CBoxThread yesNo(MB_YESNO);
    const MessageBoxInfo box = WaitAndReadBox(::GetCurrentProcessId());
    EXPECT_FALSE(PressButton(box.hwnd, IDCANCEL)) << "there is no Cancel button to press";
    EXPECT_FALSE(PressButton(box.hwnd, IDOK));
    ASSERT_TRUE(PressButton(box.hwnd, IDYES));
    EXPECT_EQ(yesNo.Finish(), IDYES);

    CBoxThread okCancel(MB_OKCANCEL | MB_ICONQUESTION);
    const MessageBoxInfo box2 = WaitAndReadBox(::GetCurrentProcessId());
    EXPECT_EQ(box2.Style(), static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
    ASSERT_TRUE(PressEscape(box2.hwnd));
    EXPECT_EQ(okCancel.WaitResult(5000), IDCANCEL);
}

TEST(GuiDriverDialog, ReadsControlsWithStatesAndClientRectangles)
{
    CDialogThread shown;
    HWND hDlg = WaitForTestDialog();
    ASSERT_TRUE(hDlg != NULL);
    MessageBoxInfo notABox;
    EXPECT_FALSE(ReadMessageBox(hDlg, &notABox));

    const DialogInfo d = ReadDialog(hDlg);
    EXPECT_EQ(d.caption, kDialogCaptionUtf8);
    EXPECT_EQ(d.className, kDialogClass);
    const ControlInfo* check = d.Find(kCheckId);
    ASSERT_TRUE(check != nullptr);
    EXPECT_EQ(check->className, "Button");
    EXPECT_EQ(check->text, u8"Jelölő");
    EXPECT_EQ(check->checked, BST_UNCHECKED);
    ASSERT_TRUE(d.Find(kDisabledId) && d.Find(kHiddenId) && d.Find(IDOK) && d.Find(kEditId));
    EXPECT_FALSE(d.Find(kDisabledId)->enabled);
    EXPECT_TRUE(d.Find(kDisabledId)->visible);
    EXPECT_FALSE(d.Find(kHiddenId)->visible);
    EXPECT_EQ(d.Find(IDOK)->checked, -1);
    EXPECT_EQ(d.Find(kEditId)->className, "Edit");

    RECT expected = {140, 10, 190, 24};
    ASSERT_TRUE(::MapDialogRect(hDlg, &expected));
    const RECT okRect = d.Find(IDOK)->rect;
    EXPECT_EQ(okRect.left, expected.left);
    EXPECT_EQ(okRect.top, expected.top);
    EXPECT_EQ(okRect.right, expected.right);
    EXPECT_EQ(okRect.bottom, expected.bottom);

    EXPECT_TRUE(PressCloseBox(hDlg));
    EXPECT_EQ(shown.Finish(), kClosedByCloseBox);
}

TEST(GuiDriverDialog, TypesTicksAndRefusesWhatAPersonCannotPress)
{
    g_editChanges = g_comboEdits = g_checkClicks = g_disabledClicks = 0;
    CDialogThread shown;
    HWND hDlg = WaitForTestDialog();
    ASSERT_TRUE(hDlg != NULL);

    ASSERT_TRUE(SetControlText(hDlg, kEditId, u8"Árvíztűrő"));
    EXPECT_EQ(ReadControlText(hDlg, kEditId), u8"Árvíztűrő");
    EXPECT_GT(g_editChanges.load(), 0);
    ASSERT_TRUE(SetControlText(hDlg, kComboId, u8"Csoport ő"));
    EXPECT_EQ(ReadControlText(hDlg, kComboId), u8"Csoport ő");
    EXPECT_GT(g_comboEdits.load(), 0);
    HWND hCombo = FindControl(hDlg, kComboId);
    ::SendMessageW(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Első"));
    ::SendMessageW(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Második"));
    EXPECT_TRUE(SelectComboItem(hDlg, kComboId, u8"Második"));
    EXPECT_EQ(ReadControlText(hDlg, kComboId), u8"Második");
    EXPECT_FALSE(SelectComboItem(hDlg, kComboId, u8"Harmadik"));

    EXPECT_TRUE(SetCheck(hDlg, kCheckId, true));
    EXPECT_EQ(ReadCheck(hDlg, kCheckId), BST_CHECKED);
    EXPECT_TRUE(SetCheck(hDlg, kCheckId, true));
    EXPECT_EQ(g_checkClicks.load(), 1) << "an already ticked box is not clicked again";
    EXPECT_TRUE(SetCheck(hDlg, kCheckId, false));
    EXPECT_EQ(ReadCheck(hDlg, kCheckId), BST_UNCHECKED);
    EXPECT_EQ(ReadCheck(hDlg, 4242), -1);

    EXPECT_FALSE(PressButton(hDlg, kDisabledId));
    EXPECT_FALSE(PressButton(hDlg, kHiddenId));
    EXPECT_FALSE(PressButton(hDlg, 4242));
    ::Sleep(200);
    EXPECT_EQ(g_disabledClicks.load(), 0);

    ASSERT_TRUE(PressButton(hDlg, IDCANCEL));
    EXPECT_EQ(shown.Finish(), IDCANCEL);
}

TEST(GuiDriverDialog, TypesAndTicksInAnotherProcess)
{
    DWORD pid = 0;
    HANDLE h = StartProcess("\"" + OwnPath() + "\" " + kShowDialogSwitch, &pid);
    ASSERT_TRUE(h != NULL);
    HWND hDlg = WaitForWindow(pid, kDialogClass, kDialogCaptionUtf8, 10000);
    ASSERT_TRUE(hDlg != NULL);
    EXPECT_TRUE(SetControlText(hDlg, kEditId, u8"Kérjük válasszon"));
    EXPECT_EQ(ReadControlText(hDlg, kEditId), u8"Kérjük válasszon");
    EXPECT_TRUE(SetControlText(hDlg, kComboId, u8"Pixorama 5 ű"));
    EXPECT_EQ(ReadControlText(hDlg, kComboId), u8"Pixorama 5 ű");
    EXPECT_TRUE(SetCheck(hDlg, kCheckId, true));
    EXPECT_EQ(ReadDialog(hDlg).Find(kCheckId)->checked, BST_CHECKED);
    EXPECT_TRUE(PressButton(hDlg, IDOK));
    DWORD exitCode = 0;
    EXPECT_TRUE(WaitForProcessEnd(pid, 10000, &exitCode));
    EXPECT_EQ(exitCode, static_cast<DWORD>(kNoticesBase + 7)) << "edit, combo and check box notices";
    ::TerminateProcess(h, 255);
    ::CloseHandle(h);
}

// Keys go to the focused control: a dialog that has just appeared may not have set it yet.
static bool WaitForFocusIn(HWND hDlg)
{
    const ULONGLONG deadline = ::GetTickCount64() + kDefaultWaitMs;
    for (;;) {
        GUITHREADINFO gti = {};
        gti.cbSize = sizeof gti;
        if (::GetGUIThreadInfo(::GetWindowThreadProcessId(hDlg, NULL), &gti) && gti.hwndFocus &&
            (gti.hwndFocus == hDlg || ::IsChild(hDlg, gti.hwndFocus)))
            return true;
        if (::GetTickCount64() >= deadline)
            return false;
        ::Sleep(kPollMs);
    }
}

TEST(GuiDriverDialog, EnterAndEscapeReachTheDefaultAndCancelCommands)
{
    {
        CDialogThread shown;
        HWND hDlg = WaitForTestDialog();
        ASSERT_TRUE(hDlg != NULL);
        ASSERT_TRUE(WaitForFocusIn(hDlg));
        ASSERT_TRUE(PressEnter(hDlg));
        EXPECT_EQ(shown.Finish(), IDOK);
    }
    {
        CDialogThread shown;
        HWND hDlg = WaitForTestDialog();
        ASSERT_TRUE(hDlg != NULL);
        ASSERT_TRUE(WaitForFocusIn(hDlg));
        ASSERT_TRUE(PressEscape(hDlg));
        EXPECT_EQ(shown.Finish(), IDCANCEL);
    }
}

TEST(GuiDriverDialog, ScreenshotIsABitmapOfTheWindowSize)
{
    CDialogThread shown;
    HWND hDlg = WaitForTestDialog();
    ASSERT_TRUE(hDlg != NULL);
    ::RedrawWindow(hDlg, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    const std::string folder = MakeScratchFolder("guidriver-shot");
    const std::string file = folder + "\\dialog.bmp";
    ASSERT_TRUE(SaveScreenshot(hDlg, file));
    RECT r;
    ::GetWindowRect(hDlg, &r);
    HBITMAP hbm = static_cast<HBITMAP>(::LoadImageA(NULL, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    ASSERT_TRUE(hbm != NULL);
    DIBSECTION dib = {};
    ASSERT_EQ(::GetObjectW(hbm, sizeof dib, &dib), static_cast<int>(sizeof dib));
    EXPECT_EQ(dib.dsBm.bmWidth, r.right - r.left);
    EXPECT_EQ(dib.dsBm.bmHeight, r.bottom - r.top);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 24);
    // A painted dialog has more than one colour in it.
    const BYTE* bits = static_cast<const BYTE*>(dib.dsBm.bmBits);
    bool varied = false;
    for (LONG i = 3; i < dib.dsBm.bmWidthBytes * dib.dsBm.bmHeight && !varied; ++i)
        varied = bits[i] != bits[i % 3];
    EXPECT_TRUE(varied);
    ::DeleteObject(hbm);
    EXPECT_TRUE(SaveScreenshot(NULL, folder + "\\screen.bmp"));
    EXPECT_TRUE(FileExists(folder + "\\screen.bmp"));
    PressCloseBox(hDlg);
    shown.Finish();
    RemoveTree(folder);
}

TEST(GuiDriverWaits, TimeOutsAndProcessEnd)
{
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_TRUE(WaitForWindow(kAnyProcess, kDialogClass, "nincs ilyen ablak", 300) == NULL);
    EXPECT_GE(::GetTickCount64() - start, 300u);
    EXPECT_TRUE(WaitForMessageBox(::GetCurrentProcessId(), 100) == NULL);

    DWORD pid = 0;
    HANDLE h = StartProcess("\"" + OwnFolder() + "\\guidrive.exe\"", &pid);
    ASSERT_TRUE(h != NULL);
    DWORD exitCode = 0;
    EXPECT_TRUE(WaitForProcessEnd(pid, 10000, &exitCode));
    EXPECT_EQ(exitCode, 2u) << "usage";
    ::CloseHandle(h);
}

TEST(GuiDriverCommandLine, DescribesAndAnswersABox)
{
    CBoxThread shown(MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
    const std::string folder = MakeScratchFolder("guidriver-cli");
    const std::string out = folder + "\\box.txt";
    const std::string tool = "\"" + OwnFolder() + "\\guidrive.exe\"";
    DWORD exitCode = 99;
    ASSERT_TRUE(RunAndWait("cmd /c \"" + tool + " msgbox " + std::to_string(::GetCurrentProcessId()) +
                           " 10000 > " + out + "\"", 20000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    const std::string text = ReadFileBytes(out);
    EXPECT_NE(text.find("style=0x134 icon=exclamation default=7"), std::string::npos) << text;
    EXPECT_NE(text.find(std::string("caption=\"") + kBoxCaptionUtf8 + "\""), std::string::npos) << text;

    HWND hBox = WaitForMessageBox(::GetCurrentProcessId(), 1000);
    ASSERT_TRUE(hBox != NULL);
    char handle[32];
    std::snprintf(handle, sizeof handle, "%#llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hBox)));
    ASSERT_TRUE(RunAndWait(tool + " press " + handle + " 6", 20000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(shown.Finish(), IDYES);
    RemoveTree(folder);
}

// Ends the waiting children a test started (a NULL stands for one that did not start).
static void EndWaiters(std::initializer_list<HANDLE> processes)
{
    for (HANDLE h : processes) {
        if (!h)
            continue;
        ::TerminateProcess(h, 0);
        ::WaitForSingleObject(h, 10000);
        ::CloseHandle(h);
    }
}

// A parent id is recorded once and outlives its process, whose id may then be handed out again:
// to the watch, a long-running process started by an earlier holder of the id must not pass for
// the child of the later one. Played with a process started on behalf of a parent, then another
// process that stands for the later holder of that parent's id.
TEST(StageWatchChild, OnlyAProcessBegunAfterItsParentCountsAsItsChild)
{
    const std::string waiter = "\"" + OwnPath() + "\" " + kWaitSwitch;
    DWORD parentId = 0, childId = 0, laterId = 0;
    HANDLE hParent = StartProcess(waiter, &parentId);
    ASSERT_TRUE(hParent != NULL);
    HANDLE hChild = StartProcessAsChildOf(hParent, waiter, &childId);
    ::Sleep(50);  // creation times a clock tick apart, however coarse the clock
    HANDLE hLater = StartProcess(waiter, &laterId);
    if (hChild && hLater) {
        EXPECT_EQ(stagewatch::FindChildProcess(hParent, parentId), childId);
        EXPECT_EQ(stagewatch::FindChildProcess(hLater, parentId), 0u)
            << "took " << stagewatch::DescribeProcess(stagewatch::FindChildProcess(hLater, parentId));
    }
    EndWaiters({hChild, hLater, hParent});
    ASSERT_TRUE(hChild != NULL);
    ASSERT_TRUE(hLater != NULL);
}

// The second uninstall stage finishes as soon as its first stage has ended: a watch that looks for
// it only then finds nothing, or no exit code. It must hold the child from while the parent runs.
TEST(StageWatchChild, AChildThatEndsWithItsParentIsFollowedToItsExitCode)
{
    const std::string own = OwnPath();
    const stagewatch::SStageRun run =
        stagewatch::RunTwoStages("\"" + own + "\" " + kHandOverSwitch + " 7", NULL, 30000);
    ASSERT_TRUE(run.firstEnded);
    EXPECT_EQ(run.firstExitCode, 0u) << "the parent could not start its child";
    ASSERT_TRUE(run.childFound) << "the child was not held";
    EXPECT_TRUE(run.childEnded);
    EXPECT_EQ(run.childExitCode, 7u);
    EXPECT_EQ(_stricmp(run.childName.c_str(), own.substr(own.rfind('\\') + 1).c_str()), 0) << run.childName;
}

// Wine starts programs of its own (the desktop's explorer.exe, services.exe) as children of the
// first process that needs them; such a child, begun before the one handed over to, is not it.
TEST(StageWatchChild, AProgramOfTheWindowsFolderIsNoHandedOverChild)
{
    char windows[MAX_PATH];
    const UINT length = ::GetWindowsDirectoryA(windows, MAX_PATH);
    ASSERT_TRUE(length > 0 && length < MAX_PATH);
    const std::string platformCopy = std::string(windows, length) + "\\pixwaiter.exe";
    ASSERT_TRUE(::CopyFileA(OwnPath().c_str(), platformCopy.c_str(), FALSE));
    const std::string waiter = "\"" + OwnPath() + "\" " + kWaitSwitch;
    DWORD parentId = 0, platformId = 0, childId = 0;
    HANDLE hParent = StartProcess(waiter, &parentId);
    ASSERT_TRUE(hParent != NULL);
    HANDLE hPlatform = StartProcessAsChildOf(hParent, "\"" + platformCopy + "\" " + kWaitSwitch, &platformId);
    HANDLE hChild = StartProcessAsChildOf(hParent, waiter, &childId);
    if (hPlatform && hChild) {
        EXPECT_EQ(stagewatch::FindChildProcess(hParent, parentId), childId)
            << "took " << stagewatch::DescribeProcess(stagewatch::FindChildProcess(hParent, parentId));
    }
    EndWaiters({hPlatform, hChild, hParent});
    ::DeleteFileA(platformCopy.c_str());
    ASSERT_TRUE(hPlatform != NULL);
    ASSERT_TRUE(hChild != NULL);
}

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], kWaitSwitch) == 0) {
        ::Sleep(kChildWaitMs);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], kHandOverSwitch) == 0) {
        const std::string line = "\"" + OwnPath() + "\" " + kAfterParentSwitch + " " +
                                 std::to_string(::GetCurrentProcessId()) + " " + argv[2];
        DWORD childId = 0;
        HANDLE hChild = StartProcess(line, &childId);
        if (!hChild)
            return 1;
        ::CloseHandle(hChild);
        ::Sleep(kParentWorkMs);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], kAfterParentSwitch) == 0) {
        HANDLE hParent = ::OpenProcess(SYNCHRONIZE, FALSE, std::strtoul(argv[2], nullptr, 10));
        if (hParent) {
            ::WaitForSingleObject(hParent, kChildWaitMs);
            ::CloseHandle(hParent);
        }
        return std::atoi(argv[3]);
    }
    // The child-process half of the cross-process tests: show one box or the dialog, exit with
    // the answer.
    if (argc == 3 && std::strcmp(argv[1], kShowBoxSwitch) == 0)
        return ::MessageBoxW(NULL, kBoxText, kBoxCaption, static_cast<UINT>(std::strtoul(argv[2], nullptr, 0)));
    if (argc == 2 && std::strcmp(argv[1], kShowDialogSwitch) == 0) {
        g_reportNotices = true;
        const CTemplate t = MakeTestDialog();
        return static_cast<int>(::DialogBoxIndirectParamW(::GetModuleHandleW(NULL), t.Get(), NULL, TestDialogProc, 0));
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
