// tests/support/TestGlobals.cpp - the process-wide state that setup.exe defines in its own
// globals file, for test programs that link the engine.
#include "install/InstallState.h"

InstallChoicesRecord InstallChoices;
FileVersion VersionRecord;
bool SilentFlag = false;
