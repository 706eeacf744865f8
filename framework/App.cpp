// framework/App.cpp - the application object.
#include "framework/App.h"

CWinApp* CWinApp::s_pApp = nullptr;

CWinApp::CWinApp() : m_hMainWnd(NULL)
{
    s_pApp = this;
}

CWinApp::~CWinApp()
{
    if (s_pApp == this)
        s_pApp = nullptr;
}

int CWinApp::Run()
{
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
