// framework/App.h - the application object: title, start-up routine, main window.
#pragma once
#include <windows.h>
#include <string>

class CWinApp {
public:
    // With no name of its own the application's title is string 57344 of the string table.
    explicit CWinApp(const char* pszAppName = nullptr);
    virtual ~CWinApp();

    // The start-up routine, called once by Run. 0 ends the process at once; any other result
    // first runs the message loop, which ends at once because no main window is left.
    virtual int RunStartup() = 0;

    // The standard Help command; the program has no help file of its own, so this does nothing.
    virtual void OnHelp() {}

    // The application title (UTF-16, for captions of framework message boxes).
    const std::wstring& GetTitle();

    // Called from WinMain. Returns the process exit code, which is RunStartup's result.
    int Run();

    HWND m_hMainWnd;
    static CWinApp* GetApp() { return s_pApp; }

private:
    std::wstring m_title;
    const char* m_pszAppName;
    static CWinApp* s_pApp;
};

// The module whose resources the program's texts come from.
HINSTANCE AppResourceHandle();
