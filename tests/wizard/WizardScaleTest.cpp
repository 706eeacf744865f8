// tests/wizard/WizardScaleTest.cpp - the wizard at 96, 120, 144 and 192 dpi, installed with the
// keyboard alone: every text fits its control in the control's own font, the picture is drawn
// for the scale, Tab follows the reading order, Enter, Escape and the arrow keys act as in any
// dialog, labels name the fields for a screen reader, and a high-contrast scheme colours the pages.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include "support/GuiDriver.h"
#include "support/TestSupport.h"
#include "wizard/SidePicture.h"
#include "wizard/WizardFrame.h"
#include "wizard/WizardTestSupport.h"

using namespace pixtest;
using namespace wiztest;

namespace {

constexpr int kIdAllUsers = 1002;
constexpr int kIdCurrentUser = 1001;
constexpr int kIdGroupCombo = 1007;
const char kGroupLabel[] = "Adja meg a Programcsoport nevét, ahova a Pixorama 5 indító ikonja kerüljön:";

// The focused control of the frame's thread; a combo box stands for its edit field.
HWND FocusOf(const CWizardRun& run)
{
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof gti;
    if (!WaitForWindowToCatchUp(run.Frame()) ||
        !::GetGUIThreadInfo(::GetWindowThreadProcessId(run.Frame(), NULL), &gti) || !gti.hwndFocus)
        return NULL;
    HWND hParent = ::GetParent(gti.hwndFocus);
    return ReadClassName(hParent) == "ComboBox" ? hParent : gti.hwndFocus;
}

// A key, and the wait until what it changes has changed: the keys are posted, and a message sent
// to the window after them would be handled first, so nothing but the change tells they arrived.
bool KeyAndWaitFor(const CWizardRun& run, UINT key, const std::function<bool()>& changed)
{
    return PressKey(run.Frame(), key) && WaitUntil(changed);
}

// Tab moves the focus on.
bool Tab(const CWizardRun& run)
{
    const HWND before = FocusOf(run);
    return KeyAndWaitFor(run, VK_TAB, [&] { return FocusOf(run) != before; });
}

// Tab until the control has the focus; false when a whole round does not reach it.
bool TabTo(const CWizardRun& run, HWND hControl)
{
    for (int i = 0; i < 12 && FocusOf(run) != hControl; ++i)
        if (!Tab(run))
            return false;
    return FocusOf(run) == hControl;
}

// An arrow key in a radio group ticks the button it moves to.
bool ArrowTicks(const CWizardRun& run, UINT key, int id)
{
    return KeyAndWaitFor(run, key, [&] { return ReadCheck(run.Frame(), id) == BST_CHECKED; });
}

RECT ScreenRect(HWND hwnd)
{
    RECT rc = {};
    ::GetWindowRect(hwnd, &rc);
    return rc;
}

// Tab from the focused control round to it again: every control that takes the focus once, in
// reading order (top to bottom, then left to right), the page before the buttons below it.
void ExpectTabFollowsReadingOrder(const CWizardRun& run, const char* page)
{
    SCOPED_TRACE(page);
    const HWND start = FocusOf(run);
    ASSERT_TRUE(start != NULL);
    std::vector<HWND> cycle;
    for (int i = 0; i < 12 && (cycle.empty() || cycle.back() != start); ++i) {
        ASSERT_TRUE(Tab(run));
        cycle.push_back(FocusOf(run));
    }
    ASSERT_EQ(start, cycle.back()) << "Tab does not come round to where it started";
    // Every control a person can tab to: visible, enabled tab stops (a radio group is one stop).
    size_t stops = 0;
    for (const ControlInfo& c : ReadDialog(run.Frame()).controls)
        stops += c.visible && c.enabled && (c.style & WS_TABSTOP) && ::IsWindowVisible(::GetParent(c.hwnd));
    EXPECT_EQ(stops, cycle.size());
    const auto first = std::min_element(cycle.begin(), cycle.end(), [](HWND a, HWND b) {
        const RECT ra = ScreenRect(a), rb = ScreenRect(b);
        return ra.top < rb.top || (ra.top == rb.top && ra.left < rb.left);
    });
    std::rotate(cycle.begin(), first, cycle.end());
    for (size_t i = 1; i < cycle.size(); ++i) {
        const RECT before = ScreenRect(cycle[i - 1]), after = ScreenRect(cycle[i]);
        EXPECT_TRUE(after.top > before.top || (after.top == before.top && after.left > before.left))
            << "control " << ::GetDlgCtrlID(cycle[i]) << " at " << after.left << "," << after.top << " comes after "
            << ::GetDlgCtrlID(cycle[i - 1]) << " at " << before.left << "," << before.top;
    }
}

// Every measured text fits, and the ids named were among them (a report of nothing proves nothing).
void ExpectTextsFit(const CWizardRun& run, const char* what, std::initializer_list<int> ids)
{
    SCOPED_TRACE(what);
    const std::string report = run.MeasureTexts();
    ASSERT_FALSE(report.empty()) << "the host did not measure";
    EXPECT_EQ(0u, report.find("failures=0\n")) << report;
    for (int id : ids)
        EXPECT_NE(std::string::npos, report.find("fits id=" + std::to_string(id) + " ")) << id << "\n" << report;
    // The picture, wherever it shows, has a bitmap of its control's size: drawn or fitted for it.
    for (size_t at = report.find("picture "); at != std::string::npos; at = report.find("picture ", at + 1)) {
        const std::string line = report.substr(at, report.find('\n', at) - at);
        const size_t bitmap = line.find("bitmap="), control = line.find(" control=");
        EXPECT_EQ(line.substr(bitmap + 7, control - bitmap - 7), line.substr(control + 9)) << line;
    }
}

struct ScaleCase {
    int dpi;
    bool highContrast;        // the 120-dpi run also shows the high-contrast scheme
    const char* screenshots;  // prefix of the pictures for the documentation, or none
};

class WizardScaleTest : public testing::TestWithParam<ScaleCase> {};

// One scheme of the classic high-contrast kind: white on black, the picture alone keeps its colours.
const char* const kHighContrastColours[][2] = {
    {"ButtonFace", "0 0 0"},      {"ButtonText", "255 255 255"}, {"Window", "0 0 0"},
    {"WindowText", "255 255 255"}, {"GrayText", "0 255 0"},      {"Hilight", "0 0 255"},
    {"HilightText", "255 255 255"}, {"ButtonShadow", "128 128 128"}, {"ButtonHilight", "255 255 255"},
};

TEST_P(WizardScaleTest, EveryTextFitsAndTheKeyboardAloneInstalls)
{
    const ScaleCase scale = GetParam();
    const DWORD dpi = static_cast<DWORD>(scale.dpi);
    CRegistryOverride logPixels(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &dpi, sizeof dpi);
    std::vector<std::unique_ptr<CRegistryOverride>> colours;
    if (scale.highContrast) {
        for (const auto& colour : kHighContrastColours)
            colours.emplace_back(new CRegistryOverride(HKEY_CURRENT_USER, "Control Panel\\Colors", colour[0], REG_SZ,
                                                       colour[1], static_cast<DWORD>(strlen(colour[1]) + 1)));
        colours.emplace_back(new CRegistryOverride(HKEY_CURRENT_USER, "Control Panel\\Accessibility\\HighContrast",
                                                   "Flags", REG_SZ, "127", 4));
        // Windows turns visual styles off under a high-contrast scheme; Wine's theme would else
        // draw the group box's caption in its own dark colour.
        colours.emplace_back(new CRegistryOverride(HKEY_CURRENT_USER,
                                                   "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager",
                                                   "ThemeActive", REG_SZ, "0", 2));
    }
    const std::string folder = MakeScratchFolder("scale" + std::to_string(scale.dpi));
    const std::string programs = folder + "\\Programs";
    ::CreateDirectoryA(programs.c_str(), NULL);
    for (const char* group : {"Kepek", "Pixorama 5"})
        ASSERT_TRUE(::CreateDirectoryA((programs + "\\" + group).c_str(), NULL));
    CShellFolderOverride userPrograms(HKEY_CURRENT_USER, "Programs", programs);
    ::CreateDirectoryA((folder + "\\package").c_str(), NULL);
    // A complete installation needs the uninstaller beside the program.
    WriteFileBytes(folder + "\\package\\PixUnInst.log", "File Copy: Pixcap5.exe\r\nFile Copy: PixUnInst.exe\r\n");
    WriteFileBytes(folder + "\\package\\Pixcap5.exe", "program");
    WriteFileBytes(folder + "\\package\\PixUnInst.exe", "uninstaller");

    CWizardRun run;
    ASSERT_TRUE(run.Start("fresh=1 allusers=0 version=5.2.0.0 \"dest=" + folder + "\\Pixorama 5\" \"source=" +
                          folder + "\\package\" \"group=Pixorama 5\""));
    auto shoot = [&](const char* page) {
        if (scale.screenshots)
            SaveScreen(run.Frame(), (std::string(scale.screenshots) + page).c_str());
    };

    // Welcome: only the buttons take the focus; Enter is Next. The picture is decoration: a
    // bitmap without text that the focus never reaches.
    const HWND hPicture = FindControl(run.Frame(), kIdPicture);
    EXPECT_EQ(SS_BITMAP, ::GetWindowLongPtrW(hPicture, GWL_STYLE) & (SS_TYPEMASK | WS_TABSTOP));
    EXPECT_EQ("", ReadWindowText(hPicture));
    ExpectTextsFit(run, "welcome", {1003, IDOK, IDCANCEL, kIdBack});
    EXPECT_NE(std::string::npos, run.MeasureTexts().find("window dpi=" + std::to_string(scale.dpi) + "\n"))
        << "the run is at the scale set for it";
    ExpectTabFollowsReadingOrder(run, "welcome");
    if (scale.highContrast) {
        // The page is the scheme's black; the picture keeps its own colours (its sky is blue).
        ::RedrawWindow(run.Frame(), NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        ASSERT_TRUE(WaitForWindowToCatchUp(run.Frame()));
        const RECT page = ScreenRect(run.PageOf(1003)), picture = ScreenRect(FindControl(run.Frame(), kIdPicture));
        const std::vector<DWORD> background = GrabScreenPixels({page.left, page.bottom - 4, page.left + 4, page.bottom});
        const LONG middle = (picture.left + picture.right) / 2;
        const std::vector<DWORD> sky = GrabScreenPixels({middle, picture.top + 4, middle + 1, picture.top + 5});
        ASSERT_EQ(16u, background.size());
        ASSERT_EQ(1u, sky.size());
        for (DWORD pixel : background)
            EXPECT_EQ(0u, pixel & 0xFFFFFFu) << std::hex << pixel;
        EXPECT_GT(sky[0] & 0xFF, (sky[0] >> 16) & 0xFF) << std::hex << sky[0];
    }
    shoot("1-welcome");
    ASSERT_TRUE(PressEnter(run.Frame()));
    ASSERT_TRUE(run.WaitForPage(1));

    // Agreement: the text, then the buttons; Enter is "Igen".
    ExpectTextsFit(run, "agreement", {IDOK, IDCANCEL, kIdBack});
    ExpectTabFollowsReadingOrder(run, "agreement");
    shoot("2-agreement");
    ASSERT_TRUE(PressEnter(run.Frame()));
    ASSERT_TRUE(run.WaitForPage(2));

    // Install type: the radio group is one stop whose arrows tick the other button.
    ExpectTextsFit(run, "install type", {kIdCurrentUser, kIdAllUsers, 1005, 1006});
    ExpectTabFollowsReadingOrder(run, "install type");
    shoot("3-install-type");
    ASSERT_TRUE(TabTo(run, FindControl(run.Frame(), kIdCurrentUser)));
    ASSERT_TRUE(ArrowTicks(run, VK_DOWN, kIdAllUsers));
    EXPECT_EQ(FindControl(run.Frame(), kIdAllUsers), FocusOf(run));
    ASSERT_TRUE(ArrowTicks(run, VK_UP, kIdCurrentUser));
    EXPECT_EQ(BST_UNCHECKED, ReadCheck(run.Frame(), kIdAllUsers));
    // Escape asks; the question's texts fit too, and Enter takes its default answer, No.
    ASSERT_TRUE(PressEscape(run.Frame()));
    // Found as the other dialog of the host: reading a box's icon compares it with one drawn at
    // this program's own scale, which another scale never matches.
    WindowQuery boxQuery;
    boxQuery.processId = run.ProcessId();
    boxQuery.className = kDialogClass;
    boxQuery.exclude.push_back(run.Frame());
    const HWND hBox = WaitForWindow(boxQuery);
    ASSERT_TRUE(hBox != NULL);
    ExpectTextsFit(run, "cancel question", {kMessageBoxTextId, IDYES, IDNO});
    shoot("3c-cancel-question");
    ASSERT_TRUE(PressEnter(hBox));
    ASSERT_TRUE(WaitForWindowGone(hBox));
    EXPECT_EQ(2, run.VisiblePage());
    // Back into the frame, the focus is on a control of it again; Tab round to Next, then Enter.
    ASSERT_TRUE(TabTo(run, FindControl(run.Frame(), IDOK)));
    ASSERT_TRUE(PressEnter(run.Frame()));
    ASSERT_TRUE(run.WaitForPage(3));

    // Program group: the list answers the arrow keys; edit and list take their name from the label.
    ExpectTextsFit(run, "program group", {1008, 1009});
    ExpectTabFollowsReadingOrder(run, "program group");
    const HWND hCombo = FindControl(run.Frame(), kIdGroupCombo);
    const HWND hLabel = ::GetWindow(hCombo, GW_HWNDPREV);
    EXPECT_EQ("Static", ReadClassName(hLabel));
    EXPECT_FALSE(::GetWindowLongPtrW(hLabel, GWL_STYLE) & WS_TABSTOP);
    std::string label = ReadWindowText(hLabel);
    EXPECT_NE(std::string::npos, label.find('&')) << "a mnemonic leads to the list: " << label;
    label.erase(std::remove(label.begin(), label.end(), '&'), label.end());
    // A screen reader names an edit field or list by the label just before it (Wine's oleacc
    // gives the field's own text instead, so the rule itself is what is checked here).
    EXPECT_EQ(kGroupLabel, label);
    shoot("4-program-group");
    // Alt+P, as the keyboard's translation delivers it, goes to the field after the label.
    ASSERT_TRUE(::PostMessageW(FocusOf(run), WM_SYSCHAR, L'p', 1 | (1 << 29)));
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(run) == hCombo; }));
    ASSERT_TRUE(KeyAndWaitFor(run, VK_DOWN, [&] { return run.Text(kIdGroupCombo) != "Pixorama 5"; }));
    const std::string picked = run.Text(kIdGroupCombo);
    EXPECT_TRUE(picked == "Kepek" || picked == "Pixorama 5") << picked;
    EXPECT_NE("Pixorama 5", picked) << "Down moves on from the stored group";
    // Tab on to Next: the two check boxes, Back, Next.
    ASSERT_TRUE(TabTo(run, FindControl(run.Frame(), IDOK)));
    ASSERT_TRUE(PressEnter(run.Frame()));
    ASSERT_TRUE(run.WaitForPage(4));

    // Ready, installed, completed: Enter installs, then finishes.
    ExpectTextsFit(run, "ready", {1010, 1011, 1009, 1012});
    ExpectTabFollowsReadingOrder(run, "ready");
    shoot("5-ready");
    ASSERT_TRUE(PressEnter(run.Frame()));
    ASSERT_TRUE(WaitUntil([&] { return run.Text(IDOK) == kFinishText && run.Enabled(IDOK); }, 120000));
    ExpectTextsFit(run, "completed", {1010, 1011, 1012, IDOK});
    shoot("6-completed");
    if (scale.dpi == 96) {
        // A move to a monitor of another scale: the dialog manager rescales the frame, then the
        // frame fits the picture and places the page again. Wine has one scale and sends no
        // WM_DPICHANGED, so the control is resized here as the dialog manager would, and the
        // message posted.
        const HWND hPicture = FindControl(run.Frame(), kIdPicture);
        ASSERT_TRUE(::SetWindowPos(hPicture, NULL, 0, 0, 180, 390, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
        ASSERT_TRUE(::PostMessageW(run.Frame(), WM_DPICHANGED, MAKEWPARAM(144, 144), 0));
        EXPECT_TRUE(WaitUntil([&] { return ChildRect(run.PageOf(1010)).left == ChildRect(hPicture).right + 4; }));
        RECT client = {};
        ::GetClientRect(hPicture, &client);
        ExpectTextsFit(run, "after a change of scale", {1010});
        EXPECT_NE(std::string::npos, run.MeasureTexts().find("picture id=1002 bitmap=" + std::to_string(client.right) +
                                                            "x" + std::to_string(client.bottom)));
    }
    ASSERT_TRUE(PressEnter(run.Frame()));
    auto result = run.WaitForResult();
    EXPECT_EQ("1", result["result"]);
    EXPECT_EQ("0", result["installed"]);
    EXPECT_EQ(picked, result["group"]);
    EXPECT_EQ("0", result["allusers"]);
}

INSTANTIATE_TEST_SUITE_P(Dpi, WizardScaleTest,
                         testing::Values(ScaleCase{96, false, nullptr}, ScaleCase{120, true, "hc-"},
                                         ScaleCase{144, false, nullptr}, ScaleCase{192, false, "192-"}),
                         [](const testing::TestParamInfo<ScaleCase>& info) {
                             return std::to_string(info.param.dpi) + (info.param.highContrast ? "HighContrast" : "");
                         });

// The pixels of the side picture drawn for a control of this size, as its DIB section holds
// them (a row at a time, top first); empty unless it is a 32-bit DIB section of that size.
std::vector<DWORD> DrawnPicture(int width, int height)
{
    std::vector<DWORD> pixels;
    HBITMAP hbm = DrawSidePicture(width, height);
    DIBSECTION ds = {};
    if (hbm && ::GetObjectW(hbm, sizeof ds, &ds) == sizeof ds && ds.dsBm.bmWidth == width &&
        ds.dsBm.bmHeight == height && ds.dsBm.bmBitsPixel == 32) {
        const DWORD* pBits = static_cast<const DWORD*>(ds.dsBm.bmBits);
        pixels.assign(pBits, pBits + static_cast<size_t>(width) * height);
    }
    if (hbm)
        ::DeleteObject(hbm);
    return pixels;
}

TEST(SidePicture, IsDrawnCrispAtTheControlsSizeAndCutOffAtTheTopOrTheSides)
{
    // 150 %: every pixel is the colour at its centre, in the picture's own colours (no blending),
    // with alpha 0 (a static control would copy and blend any other).
    const std::vector<DWORD> full = DrawnPicture(180, 390);
    ASSERT_EQ(180u * 390, full.size());
    size_t wrong = 0;
    for (int y = 0; y < 390; ++y)
        for (int x = 0; x < 180; ++x)
            wrong += full[y * 180 + x] != kSidePictureColours[SidePictureColourAt((x + 0.5) / 1.5, (y + 0.5) / 1.5)];
    EXPECT_EQ(0u, wrong);
    EXPECT_EQ(13u, std::set<DWORD>(full.begin(), full.end()).size()) << "every colour of the picture shows";

    // A control wider than the picture's proportions takes the same scale and loses the top of
    // the sky, never the hills at the bottom.
    const std::vector<DWORD> wide = DrawnPicture(180, 325);
    ASSERT_EQ(180u * 325, wide.size());
    EXPECT_TRUE(std::equal(wide.begin(), wide.end(), full.end() - wide.size()));
    // A taller one loses as much at either side.
    const std::vector<DWORD> tall = DrawnPicture(150, 390);
    ASSERT_EQ(150u * 390, tall.size());
    for (int y = 0; y < 390; ++y)
        ASSERT_TRUE(std::equal(tall.begin() + y * 150, tall.begin() + (y + 1) * 150, full.begin() + y * 180 + 15))
            << "row " << y;
}

TEST(WindowScale, AsksTheWindowWhereWindowsCanElseTheScreen)
{
    auto* const pfnReal = g_pfnGetDpiForWindow;
    g_pfnGetDpiForWindow = [](HWND) -> UINT { return 144; };
    EXPECT_EQ(144u, WindowDpi(::GetDesktopWindow()));
    EXPECT_EQ(6, ScaleToWindow(::GetDesktopWindow(), 4));
    // Before Windows 10 there is no such call: the screen's scale holds for every window.
    g_pfnGetDpiForWindow = nullptr;
    HDC hScreen = ::GetDC(NULL);
    const UINT screen = static_cast<UINT>(::GetDeviceCaps(hScreen, LOGPIXELSY));
    ::ReleaseDC(NULL, hScreen);
    EXPECT_EQ(screen, WindowDpi(::GetDesktopWindow()));
    g_pfnGetDpiForWindow = pfnReal;
    EXPECT_TRUE(pfnReal != nullptr) << "this system's user32 has GetDpiForWindow";
}

}  // namespace
