// standin/ResourceLibraryUse.h - how the stand-in loads and uses PixRes5.dll.
#pragma once
#include <windows.h>

// Loads the resource library when the command line asks for it and shows that its resources
// are used. Returns true when the command line asked for it (the caller then ends).
bool StandinUseResourceLibrary(const char* pszCommandLine);
