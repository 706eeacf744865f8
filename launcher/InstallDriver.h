// launcher/InstallDriver.h - install mode: earlier installation, versions, wizard or silent run, follow-up.
#pragma once

// 0 when the installation went through; 1 when the user declined or the wizard was cancelled;
// else what the install steps could not write (InstallStepsResult).
int RunInstaller();

// Tells the user the package is damaged, opens the maker's home page, ends the process with code 1.
[[noreturn]] void ReportDamagedPackage();
