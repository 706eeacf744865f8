// wizard/GroupPages.cpp - the pages that hand choices to the record: their common part, the
// program group page and the ready page.
#include "framework/UiText.h"
#include "platform/FileOps.h"
#include "platform/AnsiPath.h"
#include "platform/Registry.h"
#include "setup_resources/resource.h"
#include "text/PathText.h"
#include "text/ProductNames.h"
#include "wizard/WizardPages.h"

CWizardPage::CWizardPage(UINT idTemplate, CWnd* pParent, InstallChoicesRecord& choices)
    : CDialog(idTemplate, pParent), m_choices(choices)
{
}

BOOL CWizardPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    TakeChoices();
    UpdateData(FALSE);
    return TRUE;
}

BOOL CWizardPage::DestroyWindow()
{
    UpdateData(TRUE);
    HandOverChoices();
    return CDialog::DestroyWindow();
}

CProgramGroupPage::CProgramGroupPage(CWnd* pParent, InstallChoicesRecord& choices)
    : CWizardPage(IDD_PROGRAM_GROUP_PAGE, pParent, choices), m_startWithWindows(0), m_desktopIcon(0)
{
}

void CProgramGroupPage::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_GROUP_COMBO, m_groupCombo);
    DDX_Check(pDX, IDC_START_WITH_WINDOWS, m_startWithWindows);
    DDX_Check(pDX, IDC_DESKTOP_ICON, m_desktopIcon);
}

void CProgramGroupPage::TakeChoices()
{
    m_startWithWindows = m_choices.startWithWindows;
    m_desktopIcon = m_choices.desktopIcon;
    m_groupCombo.SetWindowTextW(WideFromAnsi(m_choices.programGroupName));
    FillGroupList();
}

void CProgramGroupPage::FillGroupList()
{
    const std::string programs = ReadShellFolder(ShellFolder::Programs, m_choices.allUsers != 0);
    // Without a programs folder the pattern would be "\*", the root of the current drive,
    // whose folders are no program groups.
    if (programs.empty())
        return;
    // A group of a name beyond the code page is listed by its short name, which still finds it.
    CFoundEntries::ForEach(programs + "\\*", [this](const std::string& name, const WIN32_FIND_DATAW& data) {
        // The list sorts itself; the edit field keeps the stored name.
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !name.empty() && name != "." && name != "..")
            m_groupCombo.SendMessageW(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideFromAnsi(name).c_str()));
        return true;
    });
}

void CProgramGroupPage::HandOverChoices()
{
    m_choices.startWithWindows = m_startWithWindows;
    m_choices.desktopIcon = m_desktopIcon;
    m_choices.programGroupName = AnsiFromWide(m_groupCombo.GetWindowTextW());
}

CReadyPage::CReadyPage(CWnd* pParent, InstallChoicesRecord& choices)
    : CWizardPage(IDD_READY_PAGE, pParent, choices), m_bCompleted(false), m_runAfterInstall(0)
{
}

void CReadyPage::DoDataExchange(CDataExchange* pDX)
{
    DDX_Check(pDX, IDC_RUN_AFTER_INSTALL, m_runAfterInstall);
}

void CReadyPage::TakeChoices()
{
    m_runAfterInstall = m_choices.runAfterInstall;
}

void CReadyPage::HandOverChoices()
{
    if (m_bCompleted)
        m_choices.runAfterInstall = m_runAfterInstall;
}

void CReadyPage::ShowProgress()
{
    ShowDlgItem(IDC_READY_LINE1, FALSE);
    ShowDlgItem(IDC_READY_LINE2, FALSE);
    ShowDlgItem(IDC_PROGRESS_TEXT, TRUE);
    ::RedrawWindow(m_hWnd, NULL, NULL, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void CReadyPage::HandOverRunChoice()
{
    UpdateData(TRUE);
    HandOverChoices();
}

namespace {

// What the first line tells: the kind of step that failed, so that the user knows where to look.
UINT CompletionTextId(InstallStepsResult result)
{
    switch (result) {
    case kInstallDone:
        return IDS_INSTALLED_OK;
    case kInstallKeysNotWritten:
        return IDS_INSTALL_KEYS_FAILED;
    default:
        return IDS_INSTALL_FILES_FAILED;
    }
}

}  // namespace

void CReadyPage::ShowCompleted(InstallStepsResult result)
{
    m_bCompleted = true;
    ShowDlgItem(IDC_PROGRESS_TEXT, FALSE);
    // A program that is not in place cannot be started.
    const std::string program = AppendName(m_choices.destinationFolder, kCaptureAppFile);
    ShowDlgItem(IDC_RUN_AFTER_INSTALL, PathExists(program));
    SetDlgItemTextW(IDC_READY_LINE1, LoadResStringW(CompletionTextId(result)));
    SetDlgItemTextW(IDC_READY_LINE2, LoadResStringW(result == kInstallDone ? IDS_PRESS_FINISH : IDS_INSTALL_TRY_AGAIN));
    ShowDlgItem(IDC_READY_LINE1, TRUE);
    ShowDlgItem(IDC_READY_LINE2, TRUE);
}
