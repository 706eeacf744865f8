// tests/badinput/BadInputSupport.h - what the bad-input tests share: a canary tree of files and
// registry keys beside the folders setup owns, runs of setup that watch for every window it
// shows, and the hostile texts themselves.
#pragma once
#include <windows.h>
#include <map>
#include <string>
#include <vector>

namespace badinput {

const char kCanaryFolder[] = "C:\\pixcanary";
const char kScratch[] = "C:\\pixbad";
const DWORD kRunTimeoutMs = 60000;

// Files, a folder listing and registry values that no run may change.
class CCanary {
public:
    void Plant();
    // Empty when nothing changed; otherwise one line per difference.
    std::string Compare() const;
private:
    std::map<std::string, std::string> Take() const;
    std::map<std::string, std::string> m_before;
};

// What one run of setup (and, for the uninstaller, its second stage) did.
struct SRunOutcome {
    bool started = false;
    bool ended = false;               // every process ended by itself within the time-out
    DWORD exitCode = 0xFFFFFFFF;      // of the last process (the second stage when there is one)
    std::vector<std::string> windows; // dialogs seen: message box texts, or "dialog: caption"
    bool wizardShown = false;
    std::string followed;             // the child followed to its end: id and program file name
};

// Starts program + " " + args in the folder and watches every dialog of every process but this
// one until the run ends: message boxes are answered with their default button (with Yes, when
// they have one, if answerYes), any other dialog (the wizard) ends the run. followChild: the
// program hands over to a child (the uninstaller's first stage), which is followed to its end too.
SRunOutcome RunWatched(const std::string& program, const std::string& args, const std::string& folder,
                       bool followChild, DWORD timeoutMs = kRunTimeoutMs, bool answerYes = false);

// Exit codes a program may end with by itself: those README lists (0 to 4), never a crash or abort code.
bool IsSaneExitCode(DWORD code);
std::string Describe(const SRunOutcome& outcome);

// The built demo package copied to kScratch\<name>; its manifest replaced when given.
std::string MakePackage(const std::string& name, const std::string* pManifest = nullptr);
// An earlier installation in kScratch\<name>: Pixcap5.exe, the uninstaller, the given log, a
// user file and a subfolder; registered through App Paths so that setup finds it.
std::string MakeInstallation(const std::string& name, const std::string& log, bool registerIt);
// Removes what any run of these tests can have installed or left, canary included.
void WipeAll();
// Removes what an installation left (folders, shortcuts, keys), keeping packages and canary.
void WipeInstalled();

// A hostile text and its label.
struct SVariant {
    std::string label;
    std::string bytes;
};
// Whole-file variants of an InstallLog or manifest: random bytes, NUL bytes, lone CR, long
// lines, 100,000 lines, and every prefix with every hostile operand.
std::vector<SVariant> HostileLogs();
// Every prefix followed by every hostile operand, one line each.
std::string PrefixOperandMatrix();

std::string ProgramsFolder();

}  // namespace badinput
