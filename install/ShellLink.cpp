// install/ShellLink.cpp - placeholder: filled in by its own change.
#include "install/ShellLink.h"
HRESULT CreateShellLink(const char*, const char*, const char*, int, const char*, const char*) { return E_FAIL; }
