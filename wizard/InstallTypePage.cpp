// wizard/InstallTypePage.cpp - install type (current user or all users) and destination folder.
#include <ole2.h>
#include <shlobj.h>
#include "framework/UiText.h"
#include "platform/AnsiPath.h"
#include "platform/FileOps.h"
#include "platform/LinkSafeDelete.h"
#include "setup_resources/resource.h"
#include "text/PathText.h"
#include "text/ProductNames.h"
#include "wizard/WizardPages.h"

namespace {

// File-system folders only, an edit box whose typed name is validated, the resizable dialog
// with its button for a new folder.
constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_VALIDATE | BIF_NEWDIALOGSTYLE;

}  // namespace

std::string ChooseDestinationFolder(const std::string& picked)
{
    if (PathExists(AppendName(picked, kCaptureAppFile)))
        return picked;  // an update in place
    if (CountFolderEntries("*", picked.c_str()) != 0)
        return AppendName(picked, kDefaultFolderName);  // never spill the program's files among others
    return picked;
}

CInstallTypePage::CInstallTypePage(CWnd* pParent, InstallChoicesRecord& choices)
    : CWizardPage(IDD_INSTALL_TYPE_PAGE, pParent, choices), m_installType(-1)
{
}

void CInstallTypePage::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_DEST_FOLDER, m_folderLabel);
    DDX_Radio(pDX, IDC_CURRENT_USER, m_installType);
}

void CInstallTypePage::TakeChoices()
{
    m_savedNote = GetDlgItemTextW(IDC_FOLDER_NOTE);
    ShowDestinationFolder(m_choices.destinationFolder);
    m_installType = m_choices.allUsers;
}

void CInstallTypePage::HandOverChoices()
{
    // Only the all-users button sets the flag; an unticked group must not read as "set".
    m_choices.allUsers = m_installType == 1 ? 1 : 0;
    m_choices.destinationFolder = m_destinationFolder;
}

BOOL CInstallTypePage::OnCommand(WORD id, WORD code, HWND hControl)
{
    if (id == IDC_BROWSE && code == BN_CLICKED) {
        OnBrowse();
        return TRUE;
    }
    return CDialog::OnCommand(id, code, hControl);
}

void CInstallTypePage::ShowDestinationFolder(const std::string& folder)
{
    m_destinationFolder = folder;
    UpdateFolderNote();
    m_folderLabel.SetWindowTextW(WideFromAnsi(m_destinationFolder));
}

void CInstallTypePage::UpdateFolderNote()
{
    if (!m_choices.freshInstall && PathExists(AppendName(m_destinationFolder, kCaptureAppFile)))
        SetDlgItemTextW(IDC_FOLDER_NOTE, LoadResStringW(IDS_FOLDER_HOLDS_OLD));
    else
        SetDlgItemTextW(IDC_FOLDER_NOTE, m_savedNote);
}

void CInstallTypePage::OnBrowse()
{
    const std::string title = LoadResString(IDS_BROWSE_TITLE);
    char displayName[MAX_PATH] = "";
    BROWSEINFOA info = {};
    info.hwndOwner = m_hWnd;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = kBrowseFlags;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(m_destinationFolder.c_str());
    // The resizable dialog style needs OLE on this thread.
    const HRESULT hrOle = ::OleInitialize(NULL);
    // The dialog can only select a folder that exists; an empty one is taken away again below,
    // unless it is a link or lies behind one.
    const std::string current = m_destinationFolder;
    ::CreateDirectoryA(current.c_str(), NULL);
    LPITEMIDLIST pidl = ::SHBrowseForFolderA(&info);
    RemoveFolderOffLinks(current);
    if (SUCCEEDED(hrOle))
        ::OleUninitialize();
    if (!pidl)
        return;
    WCHAR picked[MAX_PATH] = L"";
    if (::SHGetPathFromIDListW(pidl, picked))
        TakePickedFolder(picked);
    ::CoTaskMemFree(pidl);
}

// A folder whose name the code page cannot spell, even in its short form, cannot be held: the
// page keeps what it showed rather than another folder's name.
void CInstallTypePage::TakePickedFolder(const std::wstring& picked)
{
    const std::string folder = AnsiPathFromWide(picked);
    if (folder.empty()) {
        AppMessageBoxId(m_hWnd, IDS_UNSPELLABLE_FOLDER, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // An empty folder (perhaps just made in the dialog) is created again by the installation;
    // one held by its short name stays, since only the folder itself carries that name.
    std::string longForm;
    if (SpellInCodePage(picked, &longForm))
        RemoveFolderOffLinks(folder);
    if (PathExists(AppendName(folder, kOldGenerationAppFile)))
        AppMessageBoxId(m_hWnd, IDS_OLD_GENERATION_FOLDER, MB_OK | MB_ICONEXCLAMATION);
    else
        ShowDestinationFolder(ChooseDestinationFolder(folder));
}

int CALLBACK CInstallTypePage::BrowseCallback(HWND hWnd, UINT uMsg, LPARAM lParam, LPARAM lpData)
{
    switch (uMsg) {
    case BFFM_INITIALIZED:
        ::SendMessageA(hWnd, BFFM_SETSELECTIONA, TRUE, lpData);  // the folder the page shows
        return 0;
    case BFFM_VALIDATEFAILEDA:
    case BFFM_VALIDATEFAILEDW:  // a shell that answers an 8-bit caller in UTF-16 still means the same
        AppMessageBoxId(hWnd, IDS_INVALID_FOLDER, MB_OK | MB_ICONEXCLAMATION);
        return 1;  // keeps the folder dialog open
    default:
        return 0;
    }
}
