// launcher/Startup.cpp - placeholder: filled in by its own change.
#include "launcher/Startup.h"
#include "install/InstallDriver.h"
int CSetupApp::RunStartup() { return RunInstaller(); }
