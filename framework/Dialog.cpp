// framework/Dialog.cpp - window and dialog classes of the application framework, with data exchange.
#include "framework/Dialog.h"
#include <vector>
#include "framework/UiText.h"

std::wstring CWnd::GetWindowTextW() const
{
    const int n = ::GetWindowTextLengthW(m_hWnd);
    if (n <= 0)
        return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(n) + 1, L'\0');
    const int got = ::GetWindowTextW(m_hWnd, buffer.data(), n + 1);
    return std::wstring(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void CWnd::SetWindowTextW(const std::wstring& text)
{
    ::SetWindowTextW(m_hWnd, text.c_str());
}

std::wstring CWnd::GetDlgItemTextW(int id) const
{
    CWnd item;
    item.m_hWnd = GetDlgItem(id);
    return item.m_hWnd ? item.GetWindowTextW() : std::wstring();
}

void CWnd::SetDlgItemTextW(int id, const std::wstring& text)
{
    ::SetDlgItemTextW(m_hWnd, id, text.c_str());
}

CDialog::CDialog(UINT idTemplate, CWnd* pParent) : m_pParentWnd(pParent), m_idTemplate(idTemplate) {}

CDialog::~CDialog()
{
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        // The object is going: later messages of the window must not reach it.
        ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
        ::DestroyWindow(m_hWnd);
    }
    m_hWnd = NULL;
}

INT_PTR CDialog::DoModal()
{
    HWND hParent = m_pParentWnd ? m_pParentWnd->m_hWnd : NULL;
    return ::DialogBoxParamW(AppResourceHandle(), MAKEINTRESOURCEW(m_idTemplate), hParent, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(CWnd* pParent)
{
    m_pParentWnd = pParent;
    HWND hParent = pParent ? pParent->m_hWnd : NULL;
    HWND hWnd = ::CreateDialogParamW(AppResourceHandle(), MAKEINTRESOURCEW(m_idTemplate), hParent, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    return hWnd != NULL;
}

BOOL CDialog::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    const BOOL ok = ::DestroyWindow(m_hWnd);
    m_hWnd = NULL;
    return ok;
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(WORD id, WORD code, HWND hControl)
{
    if (id != IDOK && id != IDCANCEL)
        return FALSE;
    // A page never ends by itself: Enter and Escape inside it are the frame's commands.
    if (::GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_CHILD) {
        ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(hControl));
        return TRUE;
    }
    if (id == IDOK)
        OnOK();
    else
        OnCancel();
    return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CDialog* pDlg;
    if (msg == WM_INITDIALOG) {
        pDlg = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        pDlg->m_hWnd = hWnd;
    } else {
        pDlg = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) and after the object went get the defaults.
    if (!pDlg)
        return FALSE;
    return pDlg->HandleMessage(msg, wParam, lParam);
}

INT_PTR CDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR result = 0;
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CLOSE:
        // The close box is the cancel command even when the Cancel button is disabled, so that
        // closing always goes through the dialog's own question.
        OnCommand(IDCANCEL, BN_CLICKED, GetDlgItem(IDCANCEL));
        return TRUE;
    case WM_NCDESTROY:
        ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
        m_hWnd = NULL;
        return FALSE;
    default:
        if (OnMessage(msg, wParam, lParam, &result)) {
            ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
        return FALSE;
    }
}

namespace {

UINT(WINAPI* LookUpGetDpiForWindow())(HWND)
{
    const HMODULE hUser = ::GetModuleHandleW(L"user32.dll");
    return hUser ? reinterpret_cast<UINT(WINAPI*)(HWND)>(
                       reinterpret_cast<void*>(::GetProcAddress(hUser, "GetDpiForWindow")))
                 : nullptr;
}

}  // namespace

UINT(WINAPI* g_pfnGetDpiForWindow)(HWND) = LookUpGetDpiForWindow();

UINT WindowDpi(HWND hWnd)
{
    if (g_pfnGetDpiForWindow) {
        if (const UINT dpi = g_pfnGetDpiForWindow(hWnd))
            return dpi;
    }
    HDC hdc = ::GetDC(NULL);
    const int dpi = hdc ? ::GetDeviceCaps(hdc, LOGPIXELSY) : 0;
    ::ReleaseDC(NULL, hdc);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

int ScaleToWindow(HWND hWnd, int pixels)
{
    return ::MulDiv(pixels, static_cast<int>(WindowDpi(hWnd)), USER_DEFAULT_SCREEN_DPI);
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    if (!control.m_hWnd)
        control.m_hWnd = pDX->m_pDlgWnd->GetDlgItem(id);
}

void DDX_Radio(CDataExchange* pDX, int idFirst, int& value)
{
    HWND hButton = pDX->m_pDlgWnd->GetDlgItem(idFirst);
    if (pDX->m_bSaveAndValidate)
        value = -1;
    for (int index = 0; hButton; ++index) {
        if (pDX->m_bSaveAndValidate) {
            if (::SendMessageW(hButton, BM_GETCHECK, 0, 0) == BST_CHECKED)
                value = index;
        } else {
            ::SendMessageW(hButton, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        hButton = ::GetWindow(hButton, GW_HWNDNEXT);
        // The group ends at the next control that starts a group, or at a control that is no radio button.
        if (!hButton || (::GetWindowLongPtrW(hButton, GWL_STYLE) & WS_GROUP) ||
            !(::SendMessageW(hButton, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON))
            break;
    }
}

void DDX_Check(CDataExchange* pDX, int id, int& value)
{
    HWND hButton = pDX->m_pDlgWnd->GetDlgItem(id);
    if (pDX->m_bSaveAndValidate)
        value = ::SendMessageW(hButton, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    else
        ::SendMessageW(hButton, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

