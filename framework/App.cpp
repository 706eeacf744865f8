// framework/App.cpp - the application object and the program's entry point.
#include "framework/App.h"
#include "framework/SystemLibrary.h"
#include "framework/UiText.h"

CWinApp* CWinApp::s_pApp = nullptr;

CWinApp::CWinApp(const char* pszAppName) : m_hMainWnd(NULL), m_pszAppName(pszAppName)
{
    s_pApp = this;
}

CWinApp::~CWinApp()
{
    if (s_pApp == this)
        s_pApp = nullptr;
}

const std::wstring& CWinApp::GetTitle()
{
    if (m_title.empty()) {
        if (m_pszAppName)
            m_title = WideFromAnsi(m_pszAppName);
        else
            m_title = LoadResStringW(kIdsAppTitle);
    }
    return m_title;
}

namespace {

// The "three-dimensional look" of old is the common-controls look today. The common-controls
// library is not one that Windows always takes from the system folder, so it is loaded from there
// instead of being imported; it stays loaded for the windows of its classes. Best effort: without
// it the dialogs still show, in the plain look.
void InitCommonControlsFromSystem()
{
    typedef void (WINAPI* InitCommonControlsProc)();
    CLibrary comctl32(LoadSystemLibrary(L"comctl32.dll"));
    InitCommonControlsProc pfnInit = comctl32.Export<InitCommonControlsProc>("InitCommonControls");
    if (!pfnInit)
        return;
    pfnInit();
    comctl32.Detach();
}

}  // namespace

int CWinApp::Run()
{
    InitCommonControlsFromSystem();
    GetTitle();
    const int result = RunStartup();
    if (result != 0) {
        // No main window is left, so the loop has nothing to wait for; drain what is queued.
        MSG msg;
        while (::PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return result;
}

HINSTANCE AppResourceHandle()
{
    return ::GetModuleHandleW(NULL);
}
