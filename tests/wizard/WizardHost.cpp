// tests/wizard/WizardHost.cpp - runs the wizard once with choices from its command line
// (key=value words) and writes how it ended, with the choices, to the file named by out=.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "framework/App.h"
#include "install/InstallState.h"
#include "platform/SystemLibrary.h"
#include "wizard/WizardFrame.h"

namespace {

HWND g_seenMainWnd = NULL;

void CALLBACK RecordMainWindow(HWND, UINT, UINT_PTR, DWORD)
{
    CWinApp* pApp = CWinApp::GetApp();
    if (pApp && pApp->m_hMainWnd)
        g_seenMainWnd = pApp->m_hMainWnd;
}

FileVersion ParseVersion(const std::string& text)
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    std::sscanf(text.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d);
    FileVersion v;
    v.major = static_cast<uint16_t>(a);
    v.minor = static_cast<uint16_t>(b);
    v.third = static_cast<uint16_t>(c);
    v.fourth = static_cast<uint16_t>(d);
    return v;
}

std::string g_resultPath;

void ApplyArgument(const std::string& word)
{
    const size_t eq = word.find('=');
    if (eq == std::string::npos)
        return;
    const std::string key = word.substr(0, eq), value = word.substr(eq + 1);
    if (key == "out") g_resultPath = value;
    else if (key == "dest") InstallChoices.destinationFolder = value;
    else if (key == "source") InstallChoices.sourceFolder = value;
    else if (key == "group") InstallChoices.programGroupName = value;
    else if (key == "allusers") InstallChoices.allUsers = std::atoi(value.c_str());
    else if (key == "fresh") InstallChoices.freshInstall = std::atoi(value.c_str());
    else if (key == "start") InstallChoices.startWithWindows = std::atoi(value.c_str());
    else if (key == "desktop") InstallChoices.desktopIcon = std::atoi(value.c_str());
    else if (key == "version") VersionRecord = ParseVersion(value);
    else if (key == "cwd") ::SetCurrentDirectoryA(value.c_str());
}

void WriteResult(INT_PTR result, InstallStepsResult installed, HWND hMainAfter)
{
    FILE* f = std::fopen(g_resultPath.c_str(), "wb");
    if (!f)
        return;
    std::fprintf(f, "result=%d\ninstalled=%d\n", static_cast<int>(result), static_cast<int>(installed));
    std::fprintf(f, "dest=%s\n", InstallChoices.destinationFolder.c_str());
    std::fprintf(f, "group=%s\n", InstallChoices.programGroupName.c_str());
    std::fprintf(f, "allusers=%d\nstart=%d\ndesktop=%d\nrun=%d\n", InstallChoices.allUsers,
                 InstallChoices.startWithWindows, InstallChoices.desktopIcon, InstallChoices.runAfterInstall);
    std::fprintf(f, "mainwnd=%llu\nmainwnd_after=%llu\n",
                 static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(g_seenMainWnd)),
                 static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hMainAfter)));
    std::fclose(f);
}

class CHostApp : public CWinApp {
public:
    int RunStartup() override
    {
        InitCommonControlsFromSystem();  // as setup's start-up does
        for (int i = 1; i < __argc; ++i)
            ApplyArgument(__argv[i]);
        const UINT_PTR timer = ::SetTimer(NULL, 0, 20, RecordMainWindow);
        CWizardFrameDlg dlg(InstallChoices);
        const INT_PTR result = dlg.DoModal();
        ::KillTimer(NULL, timer);
        WriteResult(result, dlg.GetInstallResult(), m_hMainWnd);
        return 0;
    }
};

CHostApp theApp;

}  // namespace
