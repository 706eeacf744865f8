// framework/WinMain.cpp - entry points of a GUI program built on the application object.
#include "framework/App.h"
#include "framework/SystemLibrary.h"

extern "C" int WinMainCRTStartup(void);

// The program's first instruction when it is linked with this as its entry point (setup.exe is):
// the library search is restricted before the C runtime and the process-wide objects start, so
// that nothing they load can come from the folder the program was started from. The i686 loader
// calls it with the stack aligned to 4 bytes only.
extern "C" __attribute__((force_align_arg_pointer)) int ProgramEntry(void)
{
    RestrictLibrarySearch();
    return WinMainCRTStartup();
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CWinApp* pApp = CWinApp::GetApp();
    return pApp ? pApp->Run() : 1;
}
