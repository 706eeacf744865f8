// framework/App.cpp - the application object and the program's entry point.
#include "framework/App.h"
#include <commctrl.h>
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

int CWinApp::Run()
{
    // The "three-dimensional look" of old is the common-controls look today.
    ::InitCommonControls();
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
