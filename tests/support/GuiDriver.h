// tests/support/GuiDriver.h - acts on the windows of another process (or of another thread of
// this one) the way a person at the screen would: finds them, reads them, presses, types, closes.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace pixtest {

constexpr DWORD kDefaultWaitMs = 10000;
constexpr DWORD kPollMs = 50;
constexpr DWORD kAnyProcess = 0;
// The class name of dialogs and message boxes.
constexpr const char* kDialogClass = "#32770";
// The static control that holds a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;

// ---- Text ------------------------------------------------------------------------------------
std::string Utf8FromWide(const std::wstring& text);
std::wstring WideFromUtf8(const std::string& text);

// WM_GETTEXT, so that it also reads controls of other processes.
std::wstring ReadWindowTextW(HWND hwnd);
std::string ReadWindowText(HWND hwnd);                 // UTF-8
std::string ReadClassName(HWND hwnd);
std::string ReadControlText(HWND hDialog, int id);     // UTF-8; empty when there is no such control

// ---- Finding windows ---------------------------------------------------------------------------
struct WindowInfo {
    HWND hwnd = NULL;
    DWORD processId = 0;
    DWORD threadId = 0;
    std::string className;
    std::string caption;  // UTF-8
    bool visible = false;
    bool enabled = false;
    HWND owner = NULL;
};

// What a wanted window looks like; empty texts match anything.
struct WindowQuery {
    DWORD processId = kAnyProcess;
    std::string className;
    std::string caption;          // exact caption, UTF-8
    bool visibleOnly = true;
    std::vector<HWND> exclude;    // windows already dealt with
};

WindowInfo DescribeWindow(HWND hwnd);
std::vector<WindowInfo> ListTopLevelWindows(DWORD processId, bool visibleOnly = true);
std::vector<WindowInfo> FindWindows(const WindowQuery& query);

// Polls until a matching top-level window exists; NULL on time-out.
HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs = kDefaultWaitMs);
HWND WaitForWindow(DWORD processId, const char* className, const char* caption,
                   DWORD timeoutMs = kDefaultWaitMs);
// A dialog of the process that has a message-box text control (id 0xFFFF, class Static).
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs = kDefaultWaitMs);

// True once the window is destroyed or hidden.
bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs = kDefaultWaitMs);
// Waits until the window's thread is back in its message loop, so that whatever the last input
// started there has finished: a sent message is handled only then. False on time-out.
bool WaitForWindowToCatchUp(HWND hwnd, DWORD timeoutMs = kDefaultWaitMs);
// True once the process has ended (or never existed); the exit code when it could be read.
bool WaitForProcessEnd(DWORD processId, DWORD timeoutMs = kDefaultWaitMs, DWORD* pExitCode = nullptr);
// Polls until no visible top-level window of the process is left.
bool WaitForNoWindows(DWORD processId, DWORD timeoutMs = kDefaultWaitMs);

// ---- Reading dialogs -----------------------------------------------------------------------
struct ControlInfo {
    HWND hwnd = NULL;
    int id = 0;
    std::string className;
    std::string text;      // UTF-8
    std::wstring textW;
    LONG style = 0;
    bool visible = false;
    bool enabled = false;
    int checked = -1;      // BST_UNCHECKED/CHECKED/INDETERMINATE for buttons, -1 for the rest
    RECT rect = {};        // in the dialog's client coordinates
};

struct DialogInfo {
    HWND hwnd = NULL;
    std::string className;
    std::string caption;
    std::vector<ControlInfo> controls;  // every descendant, in z-order, depth first

    const ControlInfo* Find(int id) const;  // first visible one of that id, else any
};

DialogInfo ReadDialog(HWND hDialog);
HWND FindControl(HWND hDialog, int id);  // prefers a visible control when ids repeat
int ReadCheck(HWND hDialog, int id);     // -1 when there is no such control

// ---- Message boxes ------------------------------------------------------------------------------
enum class BoxIcon { None, Hand, Question, Exclamation, Asterisk, Unknown };

struct BoxButton {
    int id = 0;
    std::string text;
    bool enabled = false;
    bool isDefault = false;
};

struct MessageBoxInfo {
    HWND hwnd = NULL;
    std::string caption;
    std::string text;
    std::vector<BoxButton> buttons;  // left to right
    BoxIcon icon = BoxIcon::None;
    int defaultId = 0;

    // The MB_ type, icon and default-button bits the box was shown with, rebuilt from what it
    // shows (modality and the other flags cannot be seen and are not included).
    UINT Style() const;
    bool HasButton(int id) const;
};

// False when the window is not a message box. Icon handles cannot be compared across processes
// under Wine, so the icon of another process's box is told by what its icon control shows on
// the screen: keep the box uncovered while reading it.
bool ReadMessageBox(HWND hwnd, MessageBoxInfo* pInfo);
const char* BoxIconName(BoxIcon icon);

// ---- Acting ----------------------------------------------------------------------------------
// A click on a visible, enabled button (posted, so a box it opens does not block the caller).
bool PressButton(HWND hDialog, int id);
// WM_COMMAND BN_CLICKED as the button would send it, without the visible/enabled checks.
bool SendCommand(HWND hDialog, int id);
// A key pressed and released in the window's focused control (or the window itself).
bool PressKey(HWND hwnd, UINT virtualKey);
bool PressEnter(HWND hwnd);
bool PressEscape(HWND hwnd);
// Replaces an edit's or a combo box's text the way typing would (the owner gets EN_CHANGE or
// CBN_EDITCHANGE).
bool SetControlText(HWND hDialog, int id, const std::string& utf8);
// Picks the item of that exact text in a combo box; the owner gets CBN_SELCHANGE.
bool SelectComboItem(HWND hDialog, int id, const std::string& utf8);
// Clicks a check box or radio button until it shows the wanted state; false on time-out (as for
// unticking a radio button, which only ticking another one of its group does).
bool SetCheck(HWND hDialog, int id, bool checked, DWORD timeoutMs = kDefaultWaitMs);
// The close box of the caption bar.
bool PressCloseBox(HWND hwnd);

// ---- Pictures ---------------------------------------------------------------------------------
// What the screen shows in the rectangle, top row first, as 0x00RRGGBB.
std::vector<DWORD> GrabScreenPixels(const RECT& r);
// Saves a window (NULL: the whole screen) as a 24-bit .bmp, as it shows on the screen.
bool SaveScreenshot(HWND hwnd, const std::string& path);

}  // namespace pixtest
