// launcher/Globals.cpp - setup's process-wide objects. They live in this one file because their
// construction order matters: the instance registry first (so the process is listed before
// anything else runs), then the application object, then the text fields. Destruction runs in
// reverse at a normal end, which takes the process out of the list last.
#include "install/InstallState.h"
#include "launcher/Startup.h"
#include "platform/InstanceManager.h"
#include "text/ProductNames.h"

COXInstanceManager InstanceRegistry(kInstanceRegistryName, 1024);
CSetupApp theApp;
InstallChoicesRecord InstallChoices;
FileVersion VersionRecord;
bool SilentFlag = false;
