// wizard/WizardFrame.cpp - the wizard frame: page order, the installation on the ready page, Finish.
#include "wizard/WizardFrame.h"
#include "framework/App.h"
#include "framework/UiText.h"
#include "install/InstallSteps.h"
#include "setup_resources/resource.h"
#include "wizard/SidePicture.h"
#include "wizard/WizardPages.h"

namespace {

// The steps of the frame, in the order Next takes them; Finish follows the last.
enum EStep { kPageWelcome, kPageAgreement, kPageInstallType, kPageProgramGroup, kPageReady, kStepInstalled };
// Posted on a change of scale, so that the dialog manager has rescaled the frame and its pages
// before the picture and the page are fitted to the new sizes.
constexpr UINT kRelayoutMessage = WM_APP + 1;

}  // namespace

CWizardFrameDlg::CWizardFrameDlg(InstallChoicesRecord& choices)
    : CDialog(IDD_WIZARD_FRAME, nullptr), m_choices(choices), m_nPageIndex(-1), m_pPage(nullptr),
      m_pReadyPage(nullptr), m_bInstalling(false), m_installResult(kInstallDone), m_hPicture(NULL)
{
}

CWizardFrameDlg::~CWizardFrameDlg()
{
    delete m_pPage;
    if (m_hPicture)
        ::DeleteObject(m_hPicture);
}

INT_PTR CWizardFrameDlg::DoModal()
{
    const INT_PTR result = CDialog::DoModal();
    CWinApp* pApp = CWinApp::GetApp();
    if (pApp && pApp->m_hMainWnd && !::IsWindow(pApp->m_hMainWnd))
        pApp->m_hMainWnd = NULL;
    return result;
}

void CWizardFrameDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDCANCEL, m_cancelButton);
    DDX_Control(pDX, IDC_PICTURE, m_picture);
    DDX_Control(pDX, IDC_BACK, m_backButton);
    DDX_Control(pDX, IDOK, m_nextButton);
}

BOOL CWizardFrameDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (CWinApp* pApp = CWinApp::GetApp())
        pApp->m_hMainWnd = m_hWnd;
    m_savedNextCaption = m_nextButton.GetWindowTextW();
    m_savedCancelCaption = m_cancelButton.GetWindowTextW();
    FitPicture();
    OnOK();
    return FALSE;  // the Next step has put the focus on Next
}

BOOL CWizardFrameDlg::OnCommand(WORD id, WORD code, HWND hControl)
{
    if (id == IDC_BACK && code == BN_CLICKED) {
        OnBack();
        return TRUE;
    }
    return CDialog::OnCommand(id, code, hControl);
}

BOOL CWizardFrameDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* pResult)
{
    if (msg == WM_DPICHANGED) {
        ::PostMessageA(m_hWnd, kRelayoutMessage, 0, 0);
        return FALSE;  // the dialog manager rescales the frame, its pages and their fonts
    }
    if (msg != kRelayoutMessage)
        return FALSE;
    FitPicture();
    PlacePage();
    return TRUE;
}

void CWizardFrameDlg::FitPicture()
{
    RECT rc = {};
    ::GetClientRect(m_picture.m_hWnd, &rc);
    if (rc.right <= 0 || rc.bottom <= 0)
        return;
    // At 100 % the drawing the resources carry; at any other size the picture drawn for it.
    HBITMAP hFitted = rc.right == kSidePictureWidth && rc.bottom == kSidePictureHeight
                          ? static_cast<HBITMAP>(::LoadImageW(AppResourceHandle(), MAKEINTRESOURCEW(IDB_WIZARD),
                                                              IMAGE_BITMAP, 0, 0, 0))
                          : DrawSidePicture(rc.right, rc.bottom);
    if (!hFitted)
        return;
    // Ours of the previous scale (the template names none); anything else it held is freed too.
    HGDIOBJ hOld = reinterpret_cast<HGDIOBJ>(
        m_picture.SendMessageW(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hFitted)));
    if (hOld && hOld != m_hPicture)
        ::DeleteObject(hOld);
    if (m_hPicture)
        ::DeleteObject(m_hPicture);
    m_hPicture = hFitted;
}

void CWizardFrameDlg::PlacePage()
{
    if (!m_pPage || !m_pPage->m_hWnd)
        return;
    if (m_nPageIndex == kPageAgreement)
        PlaceAgreementPage(m_pPage->m_hWnd);
    else
        PlacePageRightOfPicture();
}

void CWizardFrameDlg::OnOK()
{
    if (m_bInstalling)
        return;
    const int index = ++m_nPageIndex;
    if (index < kStepInstalled)
        ReleasePage();
    if (m_savedTitle.empty())
        m_savedTitle = GetWindowTextW();
    if (index != kPageAgreement) {
        m_nextButton.SetWindowTextW(m_savedNextCaption);
        m_cancelButton.SetWindowTextW(m_savedCancelCaption);
    }
    switch (index) {
    case kPageWelcome:
        m_backButton.ShowWindow(SW_HIDE);
        ShowPage(new CWelcomePage(this));
        break;
    case kPageAgreement:
        ShowAgreementPage();
        break;
    case kPageInstallType:
        ShowPage(new CInstallTypePage(this, m_choices));
        break;
    case kPageProgramGroup:
        ShowPage(new CProgramGroupPage(this, m_choices));
        break;
    case kPageReady:
        ShowPage(m_pReadyPage = new CReadyPage(this, m_choices));
        break;
    case kStepInstalled:
        RunInstallation();
        break;
    default:
        Finish();
        break;
    }
}

void CWizardFrameDlg::OnBack()
{
    // Back exists on the pages after the first one only; the installation is not undone.
    if (m_bInstalling || m_nPageIndex < kPageAgreement || m_nPageIndex > kPageReady)
        return;
    m_nPageIndex -= 2;
    OnOK();
}

void CWizardFrameDlg::OnCancel()
{
    if (m_bInstalling)
        return;
    // Once installed there is nothing left to cancel: closing the frame (close box, Alt+F4,
    // Escape) finishes it, so that the run ends with what the installation achieved.
    if (m_nPageIndex == kStepInstalled) {
        OnOK();
        return;
    }
    // Cancelled, the wizard's choices count for nothing: the page hands nothing over.
    if (AppMessageBoxId(m_hWnd, IDS_CONFIRM_CANCEL, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES)
        EndDialog(IDCANCEL);
}

void CWizardFrameDlg::ReleasePage()
{
    if (!m_pPage)
        return;
    // The page's own window-destroying operation lets it hand its choices to the record first.
    m_pPage->DestroyWindow();
    delete m_pPage;
    m_pPage = nullptr;
    m_pReadyPage = nullptr;
}

void CWizardFrameDlg::ShowAgreementPage()
{
    m_nextButton.SetWindowTextW(LoadResStringW(IDS_YES));
    m_cancelButton.SetWindowTextW(LoadResStringW(IDS_NO));
    m_backButton.ShowWindow(SW_SHOW);
    m_picture.ShowWindow(SW_HIDE);
    m_pPage = new CAgreementPage(this);
    m_pPage->Create(this);  // places and shows itself
    SetWindowTextW(LoadResStringW(IDS_AGREEMENT_TITLE));
}

void CWizardFrameDlg::ShowPage(CDialog* pPage)
{
    m_pPage = pPage;
    m_pPage->Create(this);
    SetWindowTextW(m_savedTitle);
    m_picture.ShowWindow(SW_SHOW);
    m_nextButton.EnableWindow(TRUE);
    FocusNext();
    PlacePageRightOfPicture();
}

void CWizardFrameDlg::PlacePageRightOfPicture()
{
    RECT rc;
    ::GetWindowRect(m_picture.m_hWnd, &rc);
    ::MapWindowPoints(NULL, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    ::SetWindowPos(m_pPage->m_hWnd, HWND_TOP, rc.right + PageGap(m_hWnd), rc.top, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
}

void CWizardFrameDlg::FocusNext()
{
    // Through the dialog manager, so that the default-button look follows the focus.
    SendMessageW(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_nextButton.m_hWnd), TRUE);
}

void CWizardFrameDlg::RunInstallation()
{
    if (!m_pReadyPage)
        return;
    m_pReadyPage->ShowProgress();
    m_backButton.EnableWindow(FALSE);
    m_nextButton.EnableWindow(FALSE);
    m_cancelButton.EnableWindow(FALSE);
    m_bInstalling = true;
    ::SetCursor(::LoadCursor(NULL, IDC_WAIT));
    m_installResult = PerformInstallSteps();
    ::SetCursor(::LoadCursor(NULL, IDC_ARROW));
    m_bInstalling = false;
    m_nextButton.EnableWindow(TRUE);
    m_nextButton.SetWindowTextW(LoadResStringW(IDS_FINISH));
    m_pReadyPage->ShowCompleted(m_installResult);
    FocusNext();
}

void CWizardFrameDlg::Finish()
{
    // The ready page stays until the frame goes, so that the page area never shows blank.
    if (m_pReadyPage)
        m_pReadyPage->HandOverRunChoice();
    CDialog::OnOK();
}
