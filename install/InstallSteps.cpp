// install/InstallSteps.cpp - placeholder: filled in by its own change.
#include "install/InstallSteps.h"
int PerformInstallSteps() { return 0; }
