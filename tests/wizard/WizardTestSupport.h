// tests/wizard/WizardTestSupport.h - starts the wizard host and moves through the wizard the way
// a person at the screen would, waiting for each change to show.
#pragma once
#include <windows.h>
#include <functional>
#include <map>
#include <string>
#include "support/GuiDriver.h"

namespace wiztest {

// Texts as the user sees them (UTF-8).
extern const char kFrameTitle[];
extern const char kAgreementTitle[];
extern const char kNextText[];
extern const char kCancelText[];
extern const char kYesText[];
extern const char kNoText[];
extern const char kFinishText[];
extern const char kConfirmCancel[];
extern const char kReadyLine1[];
extern const char kReadyLine2[];
extern const char kFilesFailed[];
extern const char kTryAgain[];

constexpr int kIdBack = 3;
constexpr int kIdPicture = 1002;

// Polls until the condition holds; false on time-out.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// One run of the wizard host, ended (cancelled or killed) at the latest when it goes out of scope.
class CWizardRun {
public:
    CWizardRun() = default;
    ~CWizardRun();
    CWizardRun(const CWizardRun&) = delete;
    CWizardRun& operator=(const CWizardRun&) = delete;

    // Starts the host with these key=value words and waits for the frame; false when it does not show.
    bool Start(const std::string& arguments);
    HWND Frame() const { return m_hFrame; }
    DWORD ProcessId() const { return m_processId; }
    const std::string& ResultPath() const { return m_resultPath; }

    // Which page shows: 0..4, or -1 (none recognised).
    int VisiblePage() const;
    bool WaitForPage(int page);
    // Presses the button (Next 1, Cancel 2, Back 3) and waits for the page to show.
    bool PressAndWaitForPage(int buttonId, int page);
    // Cancel (or the given key/close action), answer the question with Yes, wait for the end.
    bool CancelWithYes();
    // Waits for a message box of the run, reads it into *pBox when given, presses the button and
    // waits until the box is gone. A failure says what was awaited and what was seen.
    bool AnswerBox(int button, pixtest::MessageBoxInfo* pBox = nullptr);
    // Presses Next until the page shows.
    bool GoToPage(int page);
    // Next on the ready page: waits until the installation has run and Finish is offered.
    bool InstallAndWaitForFinish();

    std::string Text(int id) const;
    bool Visible(int id) const;
    bool Enabled(int id) const;
    // The page window that holds the control.
    HWND PageOf(int id) const;

    // Has the host measure every text its windows show, hidden controls too, each in its
    // control's font: "failures=N", then a line per control ("fits"/"CUT id=... need=WxH
    // have=WxH", "picture id=... bitmap=WxH control=WxH"). Empty when the host did not answer.
    std::string MeasureTexts() const;

    // Waits for the process to end and reads what it wrote; empty when it did not end.
    std::map<std::string, std::string> WaitForResult(DWORD timeoutMs = 15000);

private:
    HANDLE m_hProcess = NULL;
    DWORD m_processId = 0;
    HWND m_hFrame = NULL;
    std::string m_resultPath;
};

// Sets a registry value for one test and puts the old one back (or removes it) afterwards.
// The programs started meanwhile read the new value.
class CRegistryOverride {
public:
    CRegistryOverride(HKEY hRoot, const char* pszKey, const char* pszValue, DWORD type, const void* pData, DWORD size);
    ~CRegistryOverride();
    CRegistryOverride(const CRegistryOverride&) = delete;
    CRegistryOverride& operator=(const CRegistryOverride&) = delete;

private:
    HKEY m_hRoot;
    std::string m_key, m_value;
    bool m_hadValue = false;
    DWORD m_oldType = 0;
    std::string m_old;
};

// Points a shell-folder value (Explorer's "Shell Folders") at a folder for one test.
class CShellFolderOverride : public CRegistryOverride {
public:
    CShellFolderOverride(HKEY hRoot, const char* pszValue, const std::string& folder);
};

// Client rectangle position of a child window in its parent's client coordinates.
RECT ChildRect(HWND hChild);

// Saves the window for the documentation, beside the test programs (tests\screens\name.bmp),
// once it has had time to paint.
void SaveScreen(HWND hwnd, const char* name);

// The first line of a (possibly multi-line) text.
std::string FirstLine(const std::string& text);

}  // namespace wiztest
