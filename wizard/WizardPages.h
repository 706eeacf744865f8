// wizard/WizardPages.h - the five pages of the setup wizard; each is a child dialog of the frame.
#pragma once
#include <windows.h>
#include <cstdlib>
#include <memory>
#include <string>
#include "framework/Dialog.h"
#include "install/InstallState.h"

// Page 0: greets the user and shows the version about to be installed.
class CWelcomePage : public CDialog {
public:
    explicit CWelcomePage(CWnd* pParent);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

private:
    CWnd m_versionText;
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

// Page 2: current user or all users, and the destination folder.
class CInstallTypePage : public CDialog {
public:
    explicit CInstallTypePage(CWnd* pParent);
    BOOL DestroyWindow() override;

    void OnBrowse();
    void UpdateFolderNote();
    static int CALLBACK BrowseCallback(HWND hWnd, UINT uMsg, LPARAM lParam, LPARAM lpData);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(WORD id, WORD code, HWND hControl) override;

private:
    std::wstring m_savedNote;
    CWnd m_folderLabel;
    int m_installType;
};

// Where the application goes when the user picked folder P (none of the suffixes checks for a
// trailing separator of P).
std::string ChooseDestinationFolder(const std::string& picked);

// Page 3: the Start-menu program group and the two shortcut options.
class CProgramGroupPage : public CDialog {
public:
    explicit CProgramGroupPage(CWnd* pParent);
    BOOL DestroyWindow() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

private:
    void FillGroupList();

    CWnd m_groupCombo;
    int m_startWithWindows;
    int m_desktopIcon;
};

// Page 4: tells that everything is set; the frame runs the installation on it.
class CReadyPage : public CDialog {
public:
    explicit CReadyPage(CWnd* pParent);
};
