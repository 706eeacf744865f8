// uninstall/UninstallLaunch.h - the first uninstall stage, and what the two stages tell each other.
#pragma once
#include <windows.h>
#include <string>

// Exit codes of the first stage: what the removal came to. A deployment tool waits for the
// process it started and reads them.
enum EUninstallOutcome {
    kOutcomeRemoved = 0,      // the installation is removed
    kOutcomeRefused = 1,      // nothing removed: the uninstaller named is no copy of this program,
                              // or its folder lies behind a link
    kOutcomeNotStarted = 4,   // the second stage could not be started: nothing removed
    kOutcomeUntold = 5,       // the second stage ended without telling (killed, crashed)
};

// Copies the running program to a temporary file and starts it as the second stage, with "-s"
// as its last word when silent, then waits until the second stage tells what the removal came
// to and ends the process with it; the second stage removes the uninstaller's own file once this
// process has ended. Returns (kOutcomeNotStarted) only when the second stage could not be
// started. An elevated process puts the copy into a fresh folder of its own in the Windows
// folder's Temp, which only administrators and the system may change, and holds folder and copy
// so that neither can be renamed or replaced before the copy runs.
int LaunchUninstallCopy(bool silent);

// The second stage's side. TakeFirstStageChannel, first thing, takes over what its first stage
// listens on (nothing, when no first stage of ours started it); TellFirstStage sends the outcome
// once, after which the first stage ends.
void TakeFirstStageChannel();
void TellFirstStage(int outcome);

// Starts the copy with the channel's writing end as its standard output, inheriting the handles,
// the environment and the current directory.
bool StartSecondStage(const std::string& program, const std::string& commandLine, HANDLE hChannel);

// Test seams: the folder's creation and the copy's start as the platform does them. Tests see
// the descriptor that Wine, which keeps no descriptors of files, cannot show, and act between
// the copy and its start.
extern BOOL (WINAPI* g_pfnCreateCopyFolder)(LPCSTR, LPSECURITY_ATTRIBUTES);
extern bool (*g_pfnStartSecondStage)(const std::string& program, const std::string& commandLine, HANDLE hChannel);
