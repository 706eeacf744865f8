// standin/Pixcap5.cpp - stand-in for the capture application: takes part in the instance list,
// has a main window, closes without saving on request, and records what reached it.
//
// Record file: the path in the environment variable PIXCAP5_RECORD, else "<program path>.received.txt".
// One line per event, appended at once (the close pass terminates 10 ms after its
// request), each line starting with this process's id in decimal:
//   <pid> start <current directory>|<command-line arguments>
//   <pid> ready                       main window shown and process listed
//   <pid> added <lParam>              message 1946
//   <pid> removed <lParam>            message 1947
//   <pid> close <wParam>              WM_CLOSE; 1001 closes without saving, as any other value here
//   <pid> exit                        normal end, after leaving the list
#include <windows.h>
#include <imm.h>
#include <cstdio>
#include <string>
#include "platform/InstanceManager.h"
#include "standin/ResourceLibraryUse.h"
#include "text/ProductNames.h"

namespace {

const uint32_t kExtraAreaBytes = 1024;
const char kWindowClass[] = "Pixcap5StandinMainWindow";
const char kWindowTitle[] = "Pixorama";
const char kRecordVariable[] = "PIXCAP5_RECORD";
const char kRecordSuffix[] = ".received.txt";
const char kRecordLockName[] = "Pixcap5StandinRecordLock";
// Far longer than any one write; a lock that stays taken beyond it must not silence the stand-in.
const DWORD kRecordLockWaitMs = 10000;

std::string RecordPath()
{
    char path[MAX_PATH * 2] = "";
    const DWORD n = ::GetEnvironmentVariableA(kRecordVariable, path, sizeof path);
    if (n > 0 && n < sizeof path)
        return path;
    if (!::GetModuleFileNameA(NULL, path, MAX_PATH))
        return std::string();
    return std::string(path) + kRecordSuffix;
}

// Several stand-ins share one record and often hear one notification at the same moment. Wine
// appends through FILE_APPEND_DATA by seeking to the end and then writing, so two processes can
// write at the same offset and one line is lost; a lock held across the write keeps every line.
// A holder terminated mid-write leaves the lock abandoned, which still counts as taken. The file
// stays open, so that a close request is on record within the 10 ms before the termination follows.
void RecordEvent(const std::string& event)
{
    static const HANDLE s_hRecord = ::CreateFileA(RecordPath().c_str(), FILE_APPEND_DATA,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                  NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    static const HANDLE s_hLock = ::CreateMutexA(NULL, FALSE, kRecordLockName);
    if (s_hRecord == INVALID_HANDLE_VALUE)
        return;
    const std::string line = std::to_string(::GetCurrentProcessId()) + " " + event + "\r\n";
    const DWORD wait = s_hLock ? ::WaitForSingleObject(s_hLock, kRecordLockWaitMs) : WAIT_FAILED;
    const bool locked = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    DWORD written = 0;
    ::WriteFile(s_hRecord, line.data(), static_cast<DWORD>(line.size()), &written, NULL);
    if (locked)
        ::ReleaseMutex(s_hLock);
}

void RecordStart(const char* pszArguments)
{
    char folder[MAX_PATH] = "";
    ::GetCurrentDirectoryA(MAX_PATH, folder);
    RecordEvent(std::string("start ") + folder + "|" + (pszArguments ? pszArguments : ""));
}

LRESULT CALLBACK MainWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INSTANCE_ADDED:
        RecordEvent("added " + std::to_string(static_cast<unsigned long>(lParam)));
        return 0;
    case WM_INSTANCE_REMOVED:
        RecordEvent("removed " + std::to_string(static_cast<unsigned long>(lParam)));
        return 0;
    case WM_CLOSE:
        // Nothing is ever unsaved here, so every close request closes at once.
        RecordEvent("close " + std::to_string(static_cast<unsigned long long>(wParam)));
        ::DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    }
}

HWND CreateMainWindow(HINSTANCE hInstance, int nShow)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursorA(NULL, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kWindowClass;
    if (!::RegisterClassA(&wc))
        return NULL;
    HWND hWnd = ::CreateWindowExA(0, kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 400, 300, NULL, NULL, hInstance, NULL);
    if (hWnd)
        ::ShowWindow(hWnd, nShow);
    return hWnd;
}

int RunMessageLoop()
{
    MSG msg;
    while (::GetMessageA(&msg, NULL, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR pszCmdLine, int nShow)
{
    if (StandinUseResourceLibrary(pszCmdLine))
        return 0;
    RecordStart(pszCmdLine);
    // Wine gives each GUI thread an unowned "Default IME" window, which the main-window rule
    // would accept as readily as ours; without it, ours is the only candidate.
    ::ImmDisableIME(static_cast<DWORD>(-1));
    // The window comes first, so that no notification meant for it is lost once others see us.
    HWND hWnd = CreateMainWindow(hInstance, nShow);
    if (!hWnd)
        return 1;
    int result = 0;
    {
        COXInstanceManager registry(kInstanceRegistryName, kExtraAreaBytes);
        RecordEvent("ready");
        result = RunMessageLoop();
    }
    RecordEvent("exit");
    return result;
}
