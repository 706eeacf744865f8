// tests/support/E2eSupport.cpp - what the installation and uninstallation tests share.
#include "support/E2eSupport.h"
#include <algorithm>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>
#include <gtest/gtest.h>
#include "support/GuiDriver.h"
#include "support/TestSupport.h"

namespace e2e {

std::string BuiltPackageFolder()
{
    return pixtest::OutDir() + "\\package";
}

std::vector<std::string> ListFiles(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(fd.cFileName);
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
    return names;
}

std::string CopyPackage(const std::string& scratchName)
{
    const std::string to = pixtest::MakeScratchFolder(scratchName);
    for (const std::string& name : ListFiles(BuiltPackageFolder()))
        if (name[0] != '.')
            pixtest::CopyFileTo(BuiltPackageFolder() + "\\" + name, to + "\\" + name);
    return to;
}

HANDLE StartProgram(const std::string& program, const std::string& args, DWORD* pProcessId)
{
    std::string line = "\"" + program + "\"";
    if (!args.empty())
        line += " " + args;
    return pixtest::StartProcess(line, pProcessId);
}

CProgramRun::~CProgramRun()
{
    if (!m_hProcess)
        return;
    if (::WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT)
        ::TerminateProcess(m_hProcess, 1);
    ::CloseHandle(m_hProcess);
}

bool CProgramRun::Start(const std::string& program, const std::string& args)
{
    m_program = program;
    m_hProcess = StartProgram(program, args, &m_pid);
    if (!m_hProcess)
        ADD_FAILURE() << "could not start " << program << " " << args;
    return m_hProcess != NULL;
}

std::string CProgramRun::Seen() const
{
    DWORD code = 0;
    if (!::GetExitCodeProcess(m_hProcess, &code))
        return "its state could not be read";
    return code == STILL_ACTIVE ? "it is still running" : "it ended with code " + std::to_string(code);
}

bool CProgramRun::WaitForBox()
{
    m_box = pixtest::MessageBoxInfo();
    if (pixtest::ReadMessageBox(pixtest::WaitForMessageBox(m_pid, kWaitMs), &m_box))
        return true;
    ADD_FAILURE() << "awaited a message box of " << m_program << " for " << kWaitMs << " ms; " << Seen();
    return false;
}

bool CProgramRun::Answer(int button)
{
    if (pixtest::PressButton(m_box.hwnd, button) && pixtest::WaitForWindowGone(m_box.hwnd, kWaitMs))
        return true;
    ADD_FAILURE() << "awaited the box \"" << m_box.text << "\" to go after button " << button << "; "
                  << (::IsWindowVisible(m_box.hwnd) ? "it is still shown" : "the button could not be pressed");
    return false;
}

DWORD CProgramRun::WaitForExitCode()
{
    DWORD code = kNoExitCode;
    if (pixtest::WaitForExit(m_hProcess, kWaitMs, &code))
        return code;
    ADD_FAILURE() << "awaited the end of " << m_program << " for " << kWaitMs << " ms; " << Seen();
    return kNoExitCode;
}

bool RunProgram(const std::string& program, const std::string& args, DWORD* pExitCode, DWORD timeoutMs)
{
    std::string line = "\"" + program + "\"";
    if (!args.empty())
        line += " " + args;
    return pixtest::RunAndWait(line, timeoutMs, pExitCode);
}

bool ReadRegText(HKEY hRoot, const std::string& key, const char* pszValue, std::string* pText)
{
    HKEY h;
    if (::RegOpenKeyExA(hRoot, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    char buffer[2048] = {};
    DWORD cb = sizeof buffer - 1;
    const LONG r = ::RegQueryValueExA(h, pszValue, NULL, NULL, reinterpret_cast<BYTE*>(buffer), &cb);
    ::RegCloseKey(h);
    if (r != ERROR_SUCCESS)
        return false;
    *pText = buffer;
    return true;
}

std::string RegText(HKEY hRoot, const std::string& key, const char* pszValue)
{
    std::string text;
    return ReadRegText(hRoot, key, pszValue, &text) ? text : std::string("<missing>");
}

bool ReadRegDword(HKEY hRoot, const std::string& key, const char* pszValue, DWORD* pValue)
{
    HKEY h;
    if (::RegOpenKeyExA(hRoot, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    DWORD type = REG_NONE;
    DWORD cb = sizeof *pValue;
    const LONG r = ::RegQueryValueExA(h, pszValue, NULL, &type, reinterpret_cast<BYTE*>(pValue), &cb);
    ::RegCloseKey(h);
    return r == ERROR_SUCCESS && type == REG_DWORD && cb == sizeof *pValue;
}

bool RegKeyExists(HKEY hRoot, const std::string& key)
{
    HKEY h;
    if (::RegOpenKeyExA(hRoot, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(h);
    return true;
}

bool WriteRegText(HKEY hRoot, const std::string& key, const char* pszValue, const std::string& text)
{
    HKEY h;
    if (::RegCreateKeyExA(hRoot, key.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &h, NULL) != ERROR_SUCCESS)
        return false;
    const LONG r = ::RegSetValueExA(h, pszValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<DWORD>(text.size() + 1));
    ::RegCloseKey(h);
    return r == ERROR_SUCCESS;
}

void DeleteRegTree(HKEY hRoot, const std::string& key)
{
    ::RegDeleteTreeA(hRoot, key.c_str());
    ::RegDeleteKeyA(hRoot, key.c_str());
}

namespace {

// Everyone may do everything with the key, or everything but setting values.
bool SetValueRefusal(const std::string& key, bool refuse)
{
    HKEY h;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, NULL, 0, READ_CONTROL | WRITE_DAC, NULL, &h, NULL) !=
        ERROR_SUCCESS)
        return false;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID pEveryone = NULL;
    ::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &pEveryone);
    alignas(DWORD) BYTE aclBytes[256];
    PACL pAcl = reinterpret_cast<PACL>(aclBytes);
    SECURITY_DESCRIPTOR sd;
    const bool built = pEveryone && ::InitializeAcl(pAcl, sizeof aclBytes, ACL_REVISION) &&
        (!refuse || ::AddAccessDeniedAce(pAcl, ACL_REVISION, KEY_SET_VALUE, pEveryone)) &&
        ::AddAccessAllowedAce(pAcl, ACL_REVISION, KEY_ALL_ACCESS, pEveryone) &&
        ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
        ::SetSecurityDescriptorDacl(&sd, TRUE, pAcl, FALSE);
    const bool set = built && ::RegSetKeySecurity(h, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
    if (pEveryone)
        ::FreeSid(pEveryone);
    ::RegCloseKey(h);
    return set;
}

}  // namespace

CRefusedValues::CRefusedValues(const std::string& key) : m_key(key), m_bInForce(SetValueRefusal(key, true)) {}

CRefusedValues::~CRefusedValues()
{
    SetValueRefusal(m_key, false);
}

std::string CWindowsTempBlocked::Folder()
{
    char windows[MAX_PATH];
    const UINT length = ::GetSystemWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows, length < MAX_PATH ? length : 0) + "\\Temp";
}

CWindowsTempBlocked::CWindowsTempBlocked()
    : m_bInForce(::MoveFileA(Folder().c_str(), (Folder() + ".away").c_str()) != FALSE)
{
    if (m_bInForce)
        pixtest::WriteFileBytes(Folder(), "not a folder");
}

CWindowsTempBlocked::~CWindowsTempBlocked()
{
    if (!m_bInForce)
        return;
    ::DeleteFileA(Folder().c_str());
    ::MoveFileA((Folder() + ".away").c_str(), Folder().c_str());
}

namespace {

bool IsProcessRunning(const char* pszExeName)
{
    HANDLE hSnap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnap == INVALID_HANDLE_VALUE)
        return true;  // cannot tell: keep waiting
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = ::Process32First(hSnap, &entry); more && !found; more = ::Process32Next(hSnap, &entry))
        found = ::lstrcmpiA(entry.szExeFile, pszExeName) == 0;
    ::CloseHandle(hSnap);
    return found;
}

}  // namespace

bool WaitForRecordedPage(DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (!pixtest::FileExists(kOpenedUrls) || IsProcessRunning("UrlRecorder.exe")) {
        if (::GetTickCount64() >= deadline)
            return false;
        ::Sleep(pixtest::kPollMs);
    }
    return true;
}

std::string ShellFolder(bool common, const char* pszName)
{
    return RegText(common ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, kShellFoldersKey, pszName);
}

std::string ProgramFilesFolder()
{
    return RegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
}

std::string DefaultInstallFolder()
{
    return ProgramFilesFolder() + "\\Pixorama 5";
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    const std::string bytes = pixtest::ReadFileBytes(path);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string ShortcutTarget(const std::string& linkPath)
{
    ::CoInitialize(NULL);
    std::string target;
    IShellLinkA* pLink = NULL;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&pLink))))
        return target;
    IPersistFile* pFile = NULL;
    if (SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile)))) {
        wchar_t wide[MAX_PATH];
        ::MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
        char path[MAX_PATH] = {};
        if (SUCCEEDED(pFile->Load(wide, STGM_READ)) && SUCCEEDED(pLink->GetPath(path, MAX_PATH, NULL, 0)))
            target = path;
        pFile->Release();
    }
    pLink->Release();
    return target;
}

namespace {
void RemoveShortcutsOf(bool common)
{
    const char* pszPrograms = common ? "Common Programs" : "Programs";
    const char* pszDesktop = common ? "Common Desktop" : "Desktop";
    const char* pszStartup = common ? "Common Startup" : "Startup";
    pixtest::RemoveTree(ShellFolder(common, pszPrograms) + "\\Pixorama 5");
    pixtest::RemoveTree(ShellFolder(common, pszPrograms) + "\\Tools");
    pixtest::RemoveTree(ShellFolder(common, pszPrograms) + "\\Old Group");
    ::DeleteFileA((ShellFolder(common, pszPrograms) + "\\" + kLinkProgram).c_str());
    ::DeleteFileA((ShellFolder(common, pszDesktop) + "\\" + kLinkProgram).c_str());
    ::DeleteFileA((ShellFolder(common, pszStartup) + "\\" + kLinkProgram).c_str());
}
}  // namespace

void WipeInstallation()
{
    pixtest::RemoveTree(DefaultInstallFolder());
    RemoveShortcutsOf(true);
    RemoveShortcutsOf(false);
    DeleteRegTree(HKEY_LOCAL_MACHINE, kMakerKey);
    DeleteRegTree(HKEY_LOCAL_MACHINE, kAppPathsKey);
    DeleteRegTree(HKEY_LOCAL_MACHINE, kUninstallKey);
    ::DeleteFileA(kOpenedUrls);
}

// The ready page's "run after installation" box.
const int kRunAfterInstallId = 1012;

namespace {

// The page shown (its dialog handle) and the text of the Next/Finish button: what a press of
// Next changes, unless it ends the wizard or brings up a message box.
std::string WizardState(HWND hFrame)
{
    std::string state = "page";
    for (HWND hChild = ::GetWindow(hFrame, GW_CHILD); hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        char className[32] = "";
        ::GetClassNameA(hChild, className, sizeof className);
        if (::IsWindowVisible(hChild) && std::string(className) == pixtest::kDialogClass)
            state += " " + std::to_string(reinterpret_cast<uintptr_t>(hChild));
    }
    return state + ", button \"" + pixtest::ReadControlText(hFrame, IDOK) + "\"";
}

// A page can take its time: Wine lays out a 60,000-character agreement for about 18 s on an idle
// machine, several times that on a loaded one.
const DWORD kPageChangeMs = 120000;

bool WaitForWizardToMoveOn(DWORD pid, HANDLE hProcess, HWND hFrame, const std::string& before)
{
    const ULONGLONG deadline = ::GetTickCount64() + kPageChangeMs;
    while (::GetTickCount64() < deadline) {
        if (::WaitForSingleObject(hProcess, 0) == WAIT_OBJECT_0 || !::IsWindow(hFrame) ||
            !::IsWindowVisible(hFrame) || WizardState(hFrame) != before)
            return true;
        for (const pixtest::WindowInfo& w : pixtest::ListTopLevelWindows(pid)) {
            pixtest::MessageBoxInfo box;
            if (w.hwnd != hFrame && pixtest::ReadMessageBox(w.hwnd, &box))
                return true;
        }
        ::Sleep(pixtest::kPollMs);
    }
    return false;
}

}  // namespace

bool RunWizardToFinish(DWORD pid, HANDLE hProcess, bool runAfterInstall, std::string* pMessage)
{
    pixtest::WindowQuery query;
    query.processId = pid;
    query.className = pixtest::kDialogClass;
    const ULONGLONG deadline = ::GetTickCount64() + 5 * kPageChangeMs;
    for (int presses = 0; presses < 30 && ::GetTickCount64() < deadline;) {
        if (::WaitForSingleObject(hProcess, 0) == WAIT_OBJECT_0)
            return true;
        const HWND hFrame = pixtest::WaitForWindow(query, 300);
        if (!hFrame)
            continue;
        pixtest::MessageBoxInfo box;
        if (pixtest::ReadMessageBox(hFrame, &box)) {
            if (pMessage)
                *pMessage = box.text;
            return false;
        }
        // Whatever the last press started (the installation on the ready page) has finished.
        pixtest::WaitForWindowToCatchUp(hFrame, kPageChangeMs);
        const HWND hNext = pixtest::FindControl(hFrame, IDOK);
        if (!hNext || !::IsWindowEnabled(hNext))
            continue;
        const HWND hRunAfter = pixtest::FindControl(hFrame, kRunAfterInstallId);
        if (runAfterInstall && hRunAfter && ::IsWindowVisible(hRunAfter) && !pixtest::SetCheck(hFrame, kRunAfterInstallId, true))
            return false;
        const std::string before = WizardState(hFrame);
        pixtest::PressButton(hFrame, IDOK);
        ++presses;
        // Pressing again before the press has taken effect would skip a page on a loaded machine.
        if (!WaitForWizardToMoveOn(pid, hProcess, hFrame, before)) {
            if (pMessage)
                *pMessage = "Next was pressed, but the wizard still shows " + before + " after " +
                            std::to_string(kPageChangeMs / 1000) + " s";
            return false;
        }
    }
    return ::WaitForSingleObject(hProcess, 20000) == WAIT_OBJECT_0;
}

namespace {

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";

}  // namespace

std::string PendingDeletions()
{
    HKEY h;
    std::string text;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return text;
    std::vector<char> buffer(65536);
    DWORD cb = static_cast<DWORD>(buffer.size());
    if (::RegQueryValueExA(h, "PendingFileRenameOperations", NULL, NULL, reinterpret_cast<BYTE*>(buffer.data()),
                           &cb) == ERROR_SUCCESS)
        text.assign(buffer.data(), cb);
    ::RegCloseKey(h);
    std::replace(text.begin(), text.end(), '\0', '\n');
    return text;
}

void ForgetPendingDeletions()
{
    HKEY h;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS)
        return;
    ::RegDeleteValueA(h, "PendingFileRenameOperations");
    ::RegCloseKey(h);
}

}  // namespace e2e
