// wizard/WizardPages.h - the five pages of the setup wizard; each is a child dialog of the frame.
#pragma once
#include <windows.h>
#include <cstdlib>
#include <memory>
#include <string>
#include "framework/Dialog.h"
#include "install/InstallState.h"
#include "install/InstallSteps.h"

// The gap around a page (4 pixels at 96 dpi), at the window's scale.
inline int PageGap(HWND hWnd) { return ScaleToWindow(hWnd, 4); }
// The agreement page takes the place of the picture too: it sits a gap from the frame's corner.
void PlaceAgreementPage(HWND hPage);

// A page that shows choices of the frame's record. It takes them when it is made; what the user
// makes of them belongs to the page until it is taken down (Back, Next, Finish), and then it
// hands them over.
class CWizardPage : public CDialog {
public:
    CWizardPage(UINT idTemplate, CWnd* pParent, InstallChoicesRecord& choices);
    BOOL DestroyWindow() override;

protected:
    BOOL OnInitDialog() override;
    // Copies choices of m_choices into the members; the members then go to the controls.
    virtual void TakeChoices() = 0;
    // Stores the members in m_choices; the controls have just been read into the members.
    virtual void HandOverChoices() = 0;

    InstallChoicesRecord& m_choices;
};

// Page 0: greets the user and shows the version about to be installed (VersionRecord).
class CWelcomePage : public CDialog {
public:
    explicit CWelcomePage(CWnd* pParent);

protected:
    BOOL OnInitDialog() override;
};

// The version line of the welcome page: the format takes major, minor, third and the beta label.
std::wstring FormatVersionText(const std::wstring& format, const FileVersion& version);

// A zero-terminated 8-bit text in memory of the C runtime, released with free.
struct CFreeText {
    void operator()(char* p) const { std::free(p); }
};
using CAnsiText = std::unique_ptr<char, CFreeText>;

// The whole file, zero-terminated; none when it cannot be opened, sized or held in memory.
CAnsiText ReadAgreementFile(const char* pszPath);

// Page 1: the end-user agreement from "agreement.txt" in the current directory.
class CAgreementPage : public CDialog {
public:
    explicit CAgreementPage(CWnd* pParent);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

private:
    CWnd m_agreementEdit;
    CAnsiText m_agreementText;
};

// Page 2: current user or all users, and the destination folder, which Browse may change.
class CInstallTypePage : public CWizardPage {
public:
    CInstallTypePage(CWnd* pParent, InstallChoicesRecord& choices);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnCommand(WORD id, WORD code, HWND hControl) override;
    void TakeChoices() override;
    void HandOverChoices() override;

private:
    void OnBrowse();
    void TakePickedFolder(const std::wstring& picked);
    void ShowDestinationFolder(const std::string& folder);
    void UpdateFolderNote();
    static int CALLBACK BrowseCallback(HWND hWnd, UINT uMsg, LPARAM lParam, LPARAM lpData);

    std::wstring m_savedNote;
    CWnd m_folderLabel;
    int m_installType;
    std::string m_destinationFolder;
};

// Where the application goes when the user picked folder P (none of the suffixes checks for a
// trailing separator of P).
std::string ChooseDestinationFolder(const std::string& picked);

// Page 3: the Start-menu program group and the two shortcut options.
class CProgramGroupPage : public CWizardPage {
public:
    CProgramGroupPage(CWnd* pParent, InstallChoicesRecord& choices);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // The stored name stays in the edit field; the list offers the groups that exist.
    void TakeChoices() override;
    void HandOverChoices() override;

private:
    void FillGroupList();

    CWnd m_groupCombo;
    int m_startWithWindows;
    int m_desktopIcon;
};

// Page 4: tells that everything is set; the frame runs the installation on it and the page
// shows how far it got. Once installed it offers to start the application.
class CReadyPage : public CWizardPage {
public:
    CReadyPage(CWnd* pParent, InstallChoicesRecord& choices);

    // The progress text instead of the two lines, painted at once: no message is handled while
    // the install steps run.
    void ShowProgress();
    // The completion lines, or what failed, and the choice to start the application when it is
    // in place.
    void ShowCompleted(InstallStepsResult result);
    // The choice to start the application goes to the record while the page stays on show:
    // Finish ends the frame with the page still in it.
    void HandOverRunChoice();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void TakeChoices() override;
    // Only once installed: before, there is no such choice.
    void HandOverChoices() override;

private:
    bool m_bCompleted;
    int m_runAfterInstall;
};
