// wizard/WizardFrame.h - the modal wizard frame of an interactive installation.
#pragma once
#include <windows.h>
#include <string>
#include "framework/Dialog.h"
#include "install/InstallState.h"
#include "install/InstallSteps.h"

class CReadyPage;

class CWizardFrameDlg : public CDialog {
public:
    // The pages show the choices of the record and hand theirs back to it when they are taken
    // down: on Back, on Next and on Finish; a cancelled wizard hands nothing back.
    explicit CWizardFrameDlg(InstallChoicesRecord& choices);
    ~CWizardFrameDlg() override;

    // 1 after Finish, 2 after a confirmed cancellation, -1 when the frame cannot be created.
    // The frame is the application's main window while it runs.
    INT_PTR DoModal() override;
    // What the install steps achieved on the ready page (done, while they have not run).
    InstallStepsResult GetInstallResult() const { return m_installResult; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // The Next step; Back and the frame's start run it too.
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(WORD id, WORD code, HWND hControl) override;
    BOOL OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* pResult) override;
    void OnBack();

private:
    void ReleasePage();
    void ShowAgreementPage();
    void ShowPage(CDialog* pPage);
    void PlacePageRightOfPicture();
    // The picture at its control's size; again after a change of scale.
    void FitPicture();
    void PlacePage();
    void RunInstallation();
    void Finish();
    void FocusNext();

    InstallChoicesRecord& m_choices;
    int m_nPageIndex;  // -1 before the start, 0..4 the pages, 5 installed, 6 finished
    CDialog* m_pPage;
    CReadyPage* m_pReadyPage;  // m_pPage while it is the ready page
    bool m_bInstalling;
    InstallStepsResult m_installResult;
    std::wstring m_savedTitle;
    std::wstring m_savedNextCaption;
    std::wstring m_savedCancelCaption;
    HBITMAP m_hPicture;  // owned; the control shows it
    CWnd m_cancelButton;
    CWnd m_picture;
    CWnd m_backButton;
    CWnd m_nextButton;
};
