// install/InstallState.h - the process-wide installation choices and engine state.
#pragma once
#include <string>
#include "text/VersionText.h"

// Choices of the user and what the engine settled, read and written on the GUI thread only.
// Folder texts never end with a backslash.
struct InstallChoicesRecord {
    std::string destinationFolder;
    std::string sourceFolder;
    std::string programGroupName;
    int allUsers = 0;          // common shell folders; recorded as "AllUsers" = "B" (else "A")
    int startWithWindows = 0;  // start-up shortcut
    int desktopIcon = 1;       // desktop shortcut
    int runAfterInstall = 0;   // start the application at the end (the wizard's Finish sets it)
    int freshInstall = 0;      // no earlier installation was found
    int upgrade = 0;           // the package is newer than the installed program, or the run is silent
};

// Defined beside the other process-wide objects, in the order that construction requires.
extern InstallChoicesRecord InstallChoices;

// The last word of the command line is exactly "-s". Set first thing at start-up, never changed.
extern bool SilentFlag;

// The package's version (of the capture application in the source folder), settled by the
// install driver before the wizard, which shows it.
extern FileVersion VersionRecord;
