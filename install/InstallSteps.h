// install/InstallSteps.h - the whole installation from settled choices.
#pragma once

// Always 0. Reads and updates InstallChoices (group name normalised, all-users flag may clear).
int PerformInstallSteps();
