// tests/support/E2eSupport.h - what the installation and uninstallation tests share: package
// copies, runs of setup, registry and shortcut look-ups, and wiping an installation's traces.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "support/GuiDriver.h"

namespace e2e {

const char kProductKey[] = "SOFTWARE\\Corvanta\\Pixorama v.5";
const char kMakerKey[] = "SOFTWARE\\Corvanta";
const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Pixcap5.exe";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorama 5";
const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kOpenedUrls[] = "C:\\opened-urls.txt";
const DWORD kRunTimeoutMs = 60000;

// Captions of the shortcuts, in code page 1250 as the engine writes them into the log.
const char kLinkProgram[] = "Pixorama 5.lnk";
const char kLinkHelp[] = "Pixorama 5 S\xFAg\xF3.lnk";
const char kLinkReadme[] = "B\xF5vebben a Pixorama 5-r\xF5l.lnk";
const char kLinkUninstall[] = "A Pixorama 5 elt\xE1vol\xEDt\xE1sa.lnk";

// The built demo package, and a copy of it in a scratch folder of that name (returned).
std::string BuiltPackageFolder();
std::string CopyPackage(const std::string& scratchName);
std::vector<std::string> ListFiles(const std::string& folder);

// Runs a program with arguments; false on a start failure or time-out.
bool RunProgram(const std::string& program, const std::string& args, DWORD* pExitCode, DWORD timeoutMs = kRunTimeoutMs);
HANDLE StartProgram(const std::string& program, const std::string& args, DWORD* pProcessId);

// One run of a program (setup.exe, the uninstaller) that the test answers through its message
// boxes: start, wait for a box and read it, answer it, wait for the end. A failed wait is
// reported as a test failure that says what was awaited and what was seen instead. The process
// handle is closed, and a run still going ended, when the object goes.
class CProgramRun {
public:
    CProgramRun() = default;
    ~CProgramRun();
    CProgramRun(const CProgramRun&) = delete;
    CProgramRun& operator=(const CProgramRun&) = delete;

    bool Start(const std::string& program, const std::string& args);
    // Waits for the run's next message box and reads it into Box().
    bool WaitForBox();
    const pixtest::MessageBoxInfo& Box() const { return m_box; }
    // Presses the button of the box read last and waits until the box is gone.
    bool Answer(int button);
    // Waits for the end of the run; its exit code, or kNoExitCode when it did not end.
    DWORD WaitForExitCode();

    DWORD ProcessId() const { return m_pid; }
    HANDLE Process() const { return m_hProcess; }

    static constexpr DWORD kNoExitCode = 99;
    static constexpr DWORD kWaitMs = 20000;

private:
    std::string Seen() const;

    HANDLE m_hProcess = NULL;
    DWORD m_pid = 0;
    std::string m_program;
    pixtest::MessageBoxInfo m_box;
};

// Registry look-ups of our own, independent of the engine's.
bool ReadRegText(HKEY hRoot, const std::string& key, const char* pszValue, std::string* pText);
std::string RegText(HKEY hRoot, const std::string& key, const char* pszValue);
// A REG_DWORD value; false when it is missing or of another type.
bool ReadRegDword(HKEY hRoot, const std::string& key, const char* pszValue, DWORD* pValue);
bool RegKeyExists(HKEY hRoot, const std::string& key);
bool WriteRegText(HKEY hRoot, const std::string& key, const char* pszValue, const std::string& text);
void DeleteRegTree(HKEY hRoot, const std::string& key);

// While it lives, no value can be set in the key of HKEY_LOCAL_MACHINE (created when missing),
// as for a user without administrator rights; afterwards the key takes values again, so that the
// usual clean-up can delete it.
class CRefusedValues {
public:
    explicit CRefusedValues(const std::string& key);
    ~CRefusedValues();
    // False when the refusal could not be set up.
    bool IsInForce() const { return m_bInForce; }
    CRefusedValues(const CRefusedValues&) = delete;
    CRefusedValues& operator=(const CRefusedValues&) = delete;
private:
    std::string m_key;
    bool m_bInForce;
};

// While it lives, the Windows folder's Temp is a file, so that nothing can be made in it (an
// elevated uninstaller finds no place for its temporary copy); afterwards the folder is back.
class CWindowsTempBlocked {
public:
    CWindowsTempBlocked();
    ~CWindowsTempBlocked();
    // False when the folder could not be put aside.
    bool IsInForce() const { return m_bInForce; }
    static std::string Folder();
    CWindowsTempBlocked(const CWindowsTempBlocked&) = delete;
    CWindowsTempBlocked& operator=(const CWindowsTempBlocked&) = delete;
private:
    bool m_bInForce;
};

std::string ShellFolder(bool common, const char* pszName);
std::string ProgramFilesFolder();
std::string DefaultInstallFolder();

// Waits until the web handler has recorded a page and ended: it starts in the installer's current
// folder, the installation folder, which cannot be removed while it runs there. False on time-out.
bool WaitForRecordedPage(DWORD timeoutMs);

// Lines of a text file without their line ends.
std::vector<std::string> ReadLines(const std::string& path);
// The target a shortcut file resolves to; empty when it cannot be loaded.
std::string ShortcutTarget(const std::string& linkPath);

// Removes what any installation of ours can have left: folders, shortcuts, registry keys,
// the recorded web pages.
void WipeInstallation();

// The list of deletions at the next system start, one path a line; each test looks for its own
// entries in it after forgetting the list.
std::string PendingDeletions();
void ForgetPendingDeletions();

// Presses Next until the wizard of the process ends, ticking "run after installation" on the way
// when asked. False when a message box shows up (its text goes to *pMessage when given) or the
// run takes too long.
bool RunWizardToFinish(DWORD pid, HANDLE hProcess, bool runAfterInstall, std::string* pMessage);

}  // namespace e2e
