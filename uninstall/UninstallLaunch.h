// uninstall/UninstallLaunch.h - the first uninstall stage.
#pragma once

// Copies the running program to a temporary file and starts it as the second stage, with "-s"
// as its last word when silent; on success the process ends here. Returns only when the start
// failed.
void LaunchUninstallCopy(bool silent);
