// framework/App.h - the application object: start-up routine and main window.
#pragma once
#include <windows.h>

// The title of the application, used as the caption of framework message boxes, is string
// 57344 of the string table (see UiText.h).
class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();

    // The start-up routine, called once by Run. 0 ends the process at once; any other result
    // first runs the message loop, which ends at once because no main window is left.
    virtual int RunStartup() = 0;

    // Called from WinMain. Returns the process exit code, which is RunStartup's result.
    int Run();

    HWND m_hMainWnd;
    static CWinApp* GetApp() { return s_pApp; }

private:
    static CWinApp* s_pApp;
};
