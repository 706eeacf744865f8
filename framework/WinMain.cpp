// framework/WinMain.cpp - entry point of a GUI program built on the application object.
#include "framework/App.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CWinApp* pApp = CWinApp::GetApp();
    return pApp ? pApp->Run() : 1;
}
