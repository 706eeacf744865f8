// standin/Pixcap5.cpp - placeholder: the stand-in capture application lands with its own change.
#include <windows.h>
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
