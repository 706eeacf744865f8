// wizard/IntroPages.cpp - the welcome page and the agreement page.
#include <cstdio>
#include <cstdlib>
#include "framework/Handles.h"
#include "setup_resources/resource.h"
#include "text/ProductNames.h"
#include "wizard/WizardPages.h"

// Room for the format's own text plus three numbers and the label, whatever the format holds.
constexpr size_t kVersionExtraChars = 64;
constexpr int kBetaLabelChars = 32;

CWelcomePage::CWelcomePage(CWnd* pParent) : CDialog(IDD_WELCOME_PAGE, pParent) {}

BOOL CWelcomePage::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The template's text is the format.
    SetDlgItemTextW(IDC_VERSION_TEXT, FormatVersionText(GetDlgItemTextW(IDC_VERSION_TEXT), VersionRecord));
    return TRUE;
}

std::wstring FormatVersionText(const std::wstring& format, const FileVersion& version)
{
    wchar_t beta[kBetaLabelChars] = L"";
    if (version.fourth != 0)
        _snwprintf(beta, kBetaLabelChars - 1, L"Beta %d", static_cast<int>(version.fourth));
    std::wstring text(format.size() + kVersionExtraChars, L'\0');
    const int n = _snwprintf(&text[0], text.size() - 1, format.c_str(), static_cast<int>(version.major),
                             static_cast<int>(version.minor), static_cast<int>(version.third), beta);
    text.resize(n >= 0 ? static_cast<size_t>(n) : std::wcslen(text.c_str()));
    return text;
}

CAnsiText ReadAgreementFile(const char* pszPath)
{
    CHandle file(::CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL));
    LARGE_INTEGER length = {};
    // A length the process cannot address, or memory it cannot get, leaves the text empty
    // rather than reading into a buffer that is too small.
    CAnsiText text;
    if (file.IsValid() && ::GetFileSizeEx(file, &length) && length.QuadPart >= 0 &&
        static_cast<unsigned long long>(length.QuadPart) < SIZE_MAX / 2 && length.QuadPart < MAXDWORD)
        text.reset(static_cast<char*>(std::malloc(static_cast<size_t>(length.QuadPart) + 1)));
    if (text) {
        // A file that shrank meanwhile ends where the read ended.
        DWORD got = 0;
        if (!::ReadFile(file, text.get(), static_cast<DWORD>(length.QuadPart), &got, NULL))
            got = 0;
        text.get()[got] = '\0';
    }
    return text;
}

namespace {

// The agreement text is a multi-line edit, which would swallow Enter, Escape and Tab; handing them
// to the dialog manager keeps Enter the frame's Next and Escape its cancel command on this page
// too, and lets Tab leave the text (it is read-only: a tab typed there would change nothing).
LRESULT CALLBACK AgreementEditProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC pfnOriginal = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    LRESULT result = ::CallWindowProcW(pfnOriginal, hWnd, msg, wParam, lParam);
    const MSG* pMsg = reinterpret_cast<const MSG*>(lParam);
    if (msg == WM_GETDLGCODE && pMsg && pMsg->message == WM_KEYDOWN &&
        (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE || pMsg->wParam == VK_TAB))
        result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
    return result;
}

void PassDialogKeysOn(HWND hEdit)
{
    const LONG_PTR original = ::GetWindowLongPtrW(hEdit, GWLP_WNDPROC);
    ::SetWindowLongPtrW(hEdit, GWLP_USERDATA, original);
    ::SetWindowLongPtrW(hEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AgreementEditProc));
}

}  // namespace

void PlaceAgreementPage(HWND hPage)
{
    // Wider than the other pages: it takes the place of the picture, which the frame hides.
    const int gap = PageGap(hPage);
    ::SetWindowPos(hPage, HWND_TOP, gap, gap, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
}

CAgreementPage::CAgreementPage(CWnd* pParent) : CDialog(IDD_AGREEMENT_PAGE, pParent) {}

void CAgreementPage::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_AGREEMENT_TEXT, m_agreementEdit);
    // The text is 8-bit in the system code page and ends at its first zero byte.
    if (!pDX->m_bSaveAndValidate)
        ::SetWindowTextA(m_agreementEdit.m_hWnd, m_agreementText ? m_agreementText.get() : "");
}

BOOL CAgreementPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    PassDialogKeysOn(m_agreementEdit.m_hWnd);
    // The program never changes its current directory before the wizard, so this is the folder
    // the package was started from.
    m_agreementText = ReadAgreementFile(kAgreementFile);
    UpdateData(FALSE);
    m_agreementEdit.SendMessageW(EM_SETSEL, static_cast<WPARAM>(-1), 0);
    m_agreementEdit.SendMessageW(EM_SCROLLCARET);
    PlaceAgreementPage(m_hWnd);
    // Setting the text again leaves the caret at the start, nothing selected, the view at the top.
    UpdateData(FALSE);
    return FALSE;
}
