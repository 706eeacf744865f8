// wizard/GroupPages.cpp - the program group page and the ready page.
#include "framework/Handles.h"
#include "framework/UiText.h"
#include "platform/Registry.h"
#include "setup_resources/resource.h"
#include "text/ProductNames.h"
#include "wizard/WizardPages.h"

namespace {


}  // namespace

CProgramGroupPage::CProgramGroupPage(CWnd* pParent)
    : CDialog(IDD_PROGRAM_GROUP_PAGE, pParent), m_startWithWindows(0), m_desktopIcon(0)
{
}

void CProgramGroupPage::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_GROUP_COMBO, m_groupCombo);
    DDX_Check(pDX, IDC_START_WITH_WINDOWS, m_startWithWindows);
    DDX_Check(pDX, IDC_DESKTOP_ICON, m_desktopIcon);
}

BOOL CProgramGroupPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_startWithWindows = InstallChoices.startWithWindows;
    m_desktopIcon = InstallChoices.desktopIcon;
    m_groupCombo.SetWindowTextW(WideFromAnsi(InstallChoices.programGroupName));
    UpdateData(FALSE);
    FillGroupList();
    return TRUE;
}

void CProgramGroupPage::FillGroupList()
{
    const bool allUsers = InstallChoices.allUsers != 0;
    const std::string programs = ReadRegistryString(allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                                                    kShellFoldersKey, allUsers ? "Common Programs" : "Programs");
    // Without a programs folder the pattern would be "\*", the root of the current drive,
    // whose folders are no program groups.
    if (programs.empty())
        return;
    CFindFile find;
    WIN32_FIND_DATAA data;
    for (bool more = find.First(programs + "\\*", &data); more; more = find.Next(&data)) {
        const std::string name = data.cFileName;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == "." || name == "..")
            continue;
        // The list sorts itself; the edit field keeps the stored name.
        m_groupCombo.SendMessageW(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideFromAnsi(name).c_str()));
    }
}

BOOL CProgramGroupPage::DestroyWindow()
{
    UpdateData(TRUE);
    InstallChoices.startWithWindows = m_startWithWindows;
    InstallChoices.desktopIcon = m_desktopIcon;
    InstallChoices.programGroupName = AnsiFromWide(m_groupCombo.GetWindowTextW());
    return CDialog::DestroyWindow();
}

CReadyPage::CReadyPage(CWnd* pParent) : CDialog(IDD_READY_PAGE, pParent) {}
