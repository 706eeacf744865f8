// tests/wizard/WizardHost.cpp - runs the wizard once with choices from its command line
// (key=value words) and writes how it ended, with the choices, to the file named by out=.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "framework/App.h"
#include "framework/Dialog.h"
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

// ---- Does every text fit its control? Measured here, where the controls' fonts live ---------

// How a control lays out its text: the rectangle the text has, the DrawText flags it uses.
// False for controls that show no text of their own (pictures, lines, edits, lists).
bool TextLayout(HWND hControl, RECT* pRoom, UINT* pFlags)
{
    wchar_t cls[32] = L"";
    ::GetClassNameW(hControl, cls, 32);
    const LONG style = static_cast<LONG>(::GetWindowLongPtrW(hControl, GWL_STYLE));
    ::GetClientRect(hControl, pRoom);
    const int dpi = static_cast<int>(WindowDpi(hControl));
    if (_wcsicmp(cls, L"Static") == 0) {
        const LONG kind = style & SS_TYPEMASK;
        if (kind > SS_RIGHT && kind != SS_LEFTNOWORDWRAP)
            return false;
        *pFlags = (kind == SS_LEFTNOWORDWRAP ? DT_SINGLELINE : DT_WORDBREAK) | DT_EXPANDTABS |
                  ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
        return true;
    }
    if (_wcsicmp(cls, L"Button") != 0)
        return false;
    const LONG kind = style & BS_TYPEMASK;
    *pFlags = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
    if (kind == BS_GROUPBOX) {
        // The caption sits in the top line, between the corners of the frame.
        ::InflateRect(pRoom, -::MulDiv(8, dpi, 96), 0);
        *pFlags = DT_SINGLELINE;
    } else if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) {
        // Inside the raised edge and the focus rectangle.
        ::InflateRect(pRoom, -::MulDiv(3, dpi, 96), -::MulDiv(3, dpi, 96));
    } else if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON ||
               kind == BS_AUTORADIOBUTTON || kind == BS_3STATE || kind == BS_AUTO3STATE) {
        // Right of the box: 13 pixels at 96 dpi and the gap before the text.
        pRoom->left += ::MulDiv(13 + 4, dpi, 96);
    } else {
        return false;
    }
    return true;
}

struct FitReport {
    std::string lines;
    int failures = 0;
};

BOOL CALLBACK MeasureControl(HWND hControl, LPARAM param)
{
    FitReport& report = *reinterpret_cast<FitReport*>(param);
    RECT room = {};
    UINT flags = 0;
    wchar_t text[512] = L"";
    wchar_t cls[32] = L"";
    ::GetClassNameW(hControl, cls, 32);
    const LONG style = static_cast<LONG>(::GetWindowLongPtrW(hControl, GWL_STYLE));
    if (_wcsicmp(cls, L"Static") == 0 && (style & SS_TYPEMASK) == SS_BITMAP) {
        // A picture shows its bitmap as it is only when the bitmap has the control's size.
        RECT rc = {};
        ::GetClientRect(hControl, &rc);
        BITMAP bm = {};
        HGDIOBJ hBitmap = reinterpret_cast<HGDIOBJ>(::SendMessageW(hControl, STM_GETIMAGE, IMAGE_BITMAP, 0));
        if (!hBitmap || !::GetObjectW(hBitmap, sizeof bm, &bm))
            bm.bmWidth = bm.bmHeight = 0;
        char line[120];
        std::snprintf(line, sizeof line, "picture id=%d bitmap=%ldx%ld control=%ldx%ld\n", ::GetDlgCtrlID(hControl),
                      bm.bmWidth, bm.bmHeight, rc.right, rc.bottom);
        report.lines += line;
        return TRUE;
    }
    // Hidden controls too: the ready page's texts of later states are there from the start.
    if (!TextLayout(hControl, &room, &flags) || ::GetWindowTextW(hControl, text, 512) <= 0)
        return TRUE;
    HDC hdc = ::GetDC(hControl);
    HGDIOBJ hOld = ::SelectObject(hdc, reinterpret_cast<HFONT>(::SendMessageW(hControl, WM_GETFONT, 0, 0)));
    RECT need = {0, 0, room.right - room.left, 0};
    ::DrawTextW(hdc, text, -1, &need, flags | DT_CALCRECT);
    ::SelectObject(hdc, hOld);
    ::ReleaseDC(hControl, hdc);
    const int haveW = room.right - room.left, haveH = room.bottom - room.top;
    const bool fits = need.right <= haveW && need.bottom <= haveH;
    report.failures += !fits;
    char line[200];
    std::snprintf(line, sizeof line, "%s id=%d need=%ldx%ld have=%dx%d\n", fits ? "fits" : "CUT",
                  ::GetDlgCtrlID(hControl), need.right, need.bottom, haveW, haveH);
    report.lines += line;
    return TRUE;
}

BOOL CALLBACK MeasureWindow(HWND hWnd, LPARAM param)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != ::GetCurrentProcessId() || !::IsWindowVisible(hWnd))
        return TRUE;
    // The scale the window is shown at (Wine shows every program at the screen's).
    reinterpret_cast<FitReport*>(param)->lines += "window dpi=" + std::to_string(WindowDpi(hWnd)) + "\n";
    ::EnumChildWindows(hWnd, MeasureControl, param);
    return TRUE;
}

// On each request of the test (an event named after this process), every text shown in the
// windows of this process is measured in its control's own font; the report goes beside the
// result file, and a second event says it is there.
DWORD WINAPI AnswerFitRequests(LPVOID)
{
    const std::string name = "Local\\PixFit" + std::to_string(::GetCurrentProcessId());
    HANDLE hRequest = ::CreateEventA(NULL, FALSE, FALSE, (name + "Request").c_str());
    HANDLE hDone = ::CreateEventA(NULL, FALSE, FALSE, (name + "Done").c_str());
    while (hRequest && hDone && ::WaitForSingleObject(hRequest, INFINITE) == WAIT_OBJECT_0) {
        FitReport report;
        ::EnumWindows(MeasureWindow, reinterpret_cast<LPARAM>(&report));
        if (FILE* f = std::fopen((g_resultPath + ".fit").c_str(), "wb")) {
            std::fprintf(f, "failures=%d\n%s", report.failures, report.lines.c_str());
            std::fclose(f);
        }
        ::SetEvent(hDone);
    }
    return 0;
}

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
        ::CloseHandle(::CreateThread(NULL, 0, AnswerFitRequests, NULL, 0, NULL));
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
