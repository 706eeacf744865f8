// framework/Dialog.h - window and dialog classes of the application framework, with data exchange.
#pragma once
#include <windows.h>
#include <string>

// A thin owner of nothing: wraps a window handle that the window itself or its dialog owns.
class CWnd {
public:
    CWnd() : m_hWnd(NULL) {}
    virtual ~CWnd() {}

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

    // User-visible texts travel as UTF-16, so accented letters survive any system code page.
    std::wstring GetWindowTextW() const;
    void SetWindowTextW(const std::wstring& text);
    std::wstring GetDlgItemTextW(int id) const;
    void SetDlgItemTextW(int id, const std::wstring& text);

    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }
    void ShowDlgItem(int id, BOOL bShow) { ::ShowWindow(GetDlgItem(id), bShow ? SW_SHOW : SW_HIDE); }
    LRESULT SendMessageW(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, msg, wParam, lParam);
    }

    HWND m_hWnd;
};

class CDialog;

// One transfer between a dialog's controls and its members; the direction is fixed per run.
class CDataExchange {
public:
    CDataExchange(CDialog* pDlg, BOOL bSaveAndValidate) : m_pDlgWnd(pDlg), m_bSaveAndValidate(bSaveAndValidate) {}
    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;  // TRUE: controls -> members
};

// A dialog from a template: modal (DoModal) or as a child window of another dialog (Create).
class CDialog : public CWnd {
public:
    explicit CDialog(UINT idTemplate, CWnd* pParent = nullptr);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // The result passed to EndDialog, or -1 when the dialog cannot be created.
    virtual INT_PTR DoModal();
    // Creates the dialog as a modeless window (a child when the template says so) of pParent.
    BOOL Create(CWnd* pParent);
    // Takes the window down; pages override it to store their choices before the window goes.
    virtual BOOL DestroyWindow();
    void EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }
    // TRUE: controls -> members; FALSE: members -> controls.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

protected:
    virtual void DoDataExchange(CDataExchange* pDX) {}
    // TRUE lets the dialog manager set the default focus.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // The command table: TRUE when the command was handled.
    virtual BOOL OnCommand(WORD id, WORD code, HWND hControl);
    // Any other message; TRUE when handled (the result goes in *pResult).
    virtual BOOL OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* pResult) { return FALSE; }

    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    UINT m_idTemplate;
};

// Pixels per logical inch of the window: of its monitor where Windows tells (Windows 10 from
// 1607 on), else of the screen, which is what earlier systems scale every window to.
UINT WindowDpi(HWND hWnd);
// A length in 96-dpi pixels as the window shows it.
int ScaleToWindow(HWND hWnd, int pixels);
// Looked up at run time (user32 of earlier systems lacks it); NULL: ask the screen.
extern UINT(WINAPI* g_pfnGetDpiForWindow)(HWND);

// Data exchange helpers. A control binding attaches the member to the dialog's control.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
// Index of the ticked button of the group that starts at idFirst (-1: none ticked).
void DDX_Radio(CDataExchange* pDX, int idFirst, int& value);
// 1 ticked, 0 not.
void DDX_Check(CDataExchange* pDX, int id, int& value);
