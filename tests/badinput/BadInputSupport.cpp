// tests/badinput/BadInputSupport.cpp - canary tree, watched runs and hostile texts.
#include "badinput/BadInputSupport.h"
#include <algorithm>
#include <cstdio>
#include "support/StageWatch.h"
#include "support/E2eSupport.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"

namespace badinput {

namespace {

const char kCanaryUserKey[] = "Software\\PixCanary";
const char kCanaryMachineKey[] = "SOFTWARE\\PixCanary";
// A sibling of the product under the maker key: the uninstaller must leave it and its parent.
const char kCanarySiblingKey[] = "SOFTWARE\\Corvanta\\PixCanarySibling";
const char kVendorKey[] = "SOFTWARE\\Corvanta\\Pixorama 5";

const char* const kCanaryFiles[] = {
    "C:\\pixcanary\\victim.txt", "C:\\pixcanary\\victim.dll", "C:\\pixcanary\\PixUnInst.log",
    "C:\\pixcanary\\sub\\inner.txt", "C:\\pixcanary-root.txt", "C:\\windows\\pixcanary-win.txt",
    "C:\\windows\\notepad.exe", "C:\\windows\\system32\\notepad.exe", "C:\\windows\\win.ini",
};

void ListTree(const std::string& folder, std::map<std::string, std::string>& out)
{
    pixtest::ForEachEntryBelow(folder, [&out](const std::string& path, bool isFolder) {
        out["entry " + path] = isFolder ? "folder" : "file";
    });
}

void ReadKey(HKEY hRoot, const char* pszRootName, const char* pszKey, std::map<std::string, std::string>& out)
{
    std::string text;
    out[std::string("reg ") + pszRootName + "\\" + pszKey] =
        e2e::ReadRegText(hRoot, pszKey, "canary", &text) ? text : "<missing>";
}

bool IsDialogOfOthers(const pixtest::WindowInfo& w)
{
    return w.processId != ::GetCurrentProcessId() && w.className == pixtest::kDialogClass;
}

// Answers or ends one dialog; true when the run is to end (a wizard in place of a silent run).
bool HandleDialog(const pixtest::WindowInfo& w, bool answerYes, SRunOutcome& outcome)
{
    pixtest::MessageBoxInfo box;
    if (pixtest::ReadMessageBox(w.hwnd, &box)) {
        outcome.windows.push_back("message: " + box.text);
        const bool hasYes = std::any_of(box.buttons.begin(), box.buttons.end(),
                                        [](const pixtest::BoxButton& b) { return b.id == IDYES; });
        if (answerYes && hasYes)
            pixtest::PressButton(w.hwnd, IDYES);
        else
            pixtest::PressEnter(w.hwnd);
        return false;
    }
    outcome.windows.push_back("dialog: " + w.caption);
    outcome.wizardShown = true;
    return true;
}

}  // namespace

void CCanary::Plant()
{
    ::CreateDirectoryA(kCanaryFolder, NULL);
    ::CreateDirectoryA("C:\\pixcanary\\sub", NULL);
    ::CreateDirectoryA("C:\\pixcanary\\emptyish", NULL);
    pixtest::WriteFileBytes("C:\\pixcanary\\emptyish\\keep.lnk.txt", "keeps the folder");
    for (const char* pszFile : kCanaryFiles)
        if (!pixtest::FileExists(pszFile))
            pixtest::WriteFileBytes(pszFile, std::string("canary ") + pszFile);
    e2e::WriteRegText(HKEY_CURRENT_USER, kCanaryUserKey, "canary", "user");
    e2e::WriteRegText(HKEY_LOCAL_MACHINE, kCanaryMachineKey, "canary", "machine");
    e2e::WriteRegText(HKEY_LOCAL_MACHINE, kCanarySiblingKey, "canary", "sibling");
    m_before = Take();
}

std::map<std::string, std::string> CCanary::Take() const
{
    std::map<std::string, std::string> state;
    for (const char* pszFile : kCanaryFiles) {
        const std::string bytes = pixtest::ReadFileBytes(pszFile);
        state[std::string("file ") + pszFile] = pixtest::FileExists(pszFile)
            ? std::to_string(bytes.size()) + ":" + std::to_string(std::hash<std::string>()(bytes)) : "<missing>";
    }
    ListTree(kCanaryFolder, state);
    ReadKey(HKEY_CURRENT_USER, "HKCU", kCanaryUserKey, state);
    ReadKey(HKEY_LOCAL_MACHINE, "HKLM", kCanaryMachineKey, state);
    ReadKey(HKEY_LOCAL_MACHINE, "HKLM", kCanarySiblingKey, state);
    return state;
}

std::string CCanary::Compare() const
{
    const std::map<std::string, std::string> after = Take();
    std::string diff;
    for (const auto& [key, value] : m_before) {
        auto it = after.find(key);
        if (it == after.end())
            diff += "gone: " + key + "\n";
        else if (it->second != value)
            diff += "changed: " + key + "\n";
    }
    for (const auto& [key, value] : after)
        if (!m_before.count(key))
            diff += "new: " + key + "\n";
    return diff;
}

SRunOutcome RunWatched(const std::string& program, const std::string& args, const std::string& folder,
                       bool followChild, DWORD timeoutMs, bool answerYes)
{
    SRunOutcome outcome;
    std::string line = "\"" + program + "\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    // The program is named apart from the line, so that the line may be as broken as it likes.
    if (!::CreateProcessA(program.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL,
                          folder.empty() ? NULL : folder.c_str(), &si, &pi))
        return outcome;
    outcome.started = true;
    ::CloseHandle(pi.hThread);
    HANDLE hProcess = pi.hProcess;
    stagewatch::CChildHold child(pi.hProcess, pi.dwProcessId);
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    std::vector<HWND> seen;
    bool stop = false;
    while (!stop && ::GetTickCount64() < deadline) {
        if (followChild)
            child.Look();
        if (::WaitForSingleObject(hProcess, 30) == WAIT_OBJECT_0) {
            ::GetExitCodeProcess(hProcess, &outcome.exitCode);
            HANDLE hChild = followChild && child.Look() ? child.Release() : NULL;
            ::CloseHandle(hProcess);
            hProcess = hChild;
            followChild = false;
            if (!hProcess) {
                outcome.ended = true;
                return outcome;
            }
            outcome.followed = stagewatch::DescribeProcess(child.Id());
            continue;
        }
        for (const pixtest::WindowInfo& w : pixtest::ListTopLevelWindows(pixtest::kAnyProcess)) {
            if (!IsDialogOfOthers(w) || std::find(seen.begin(), seen.end(), w.hwnd) != seen.end())
                continue;
            seen.push_back(w.hwnd);
            stop = HandleDialog(w, answerYes, outcome) || stop;
        }
    }
    // A hang, or a wizard where none belongs: the run is ended from here and not counted as ended.
    ::TerminateProcess(hProcess, 0xDEAD);
    ::WaitForSingleObject(hProcess, 10000);
    ::CloseHandle(hProcess);
    return outcome;
}

bool IsSaneExitCode(DWORD code)
{
    return code <= 5;  // the codes that README lists for the installer and both uninstall stages
}

std::string Describe(const SRunOutcome& outcome)
{
    char head[96];
    std::snprintf(head, sizeof head, "started=%d ended=%d exit=0x%lX", outcome.started, outcome.ended,
                  static_cast<unsigned long>(outcome.exitCode));
    std::string text = head;
    if (!outcome.followed.empty())
        text += "; followed the child " + outcome.followed;
    for (const std::string& w : outcome.windows)
        text += "\n  " + w.substr(0, 200);
    return text;
}

std::string MakePackage(const std::string& name, const std::string* pManifest)
{
    const std::string folder = std::string(kScratch) + "\\" + name;
    ::CreateDirectoryA(kScratch, NULL);
    pixtest::RemoveTree(folder);
    ::CreateDirectoryA(folder.c_str(), NULL);
    const std::string built = e2e::BuiltPackageFolder();
    for (const std::string& file : e2e::ListFiles(built))
        if (file[0] != '.')
            pixtest::CopyFileTo(built + "\\" + file, folder + "\\" + file);
    if (pManifest)
        pixtest::WriteFileBytes(folder + "\\PixUnInst.log", *pManifest);
    return folder;
}

std::string MakeInstallation(const std::string& name, const std::string& log, bool registerIt)
{
    const std::string folder = std::string(kScratch) + "\\" + name;
    ::CreateDirectoryA(kScratch, NULL);
    pixtest::RemoveTree(folder);
    ::CreateDirectoryA(folder.c_str(), NULL);
    ::CreateDirectoryA((folder + "\\sub").c_str(), NULL);
    const std::string built = e2e::BuiltPackageFolder();
    pixtest::CopyFileTo(built + "\\Pixcap5.exe", folder + "\\Pixcap5.exe");
    pixtest::CopyFileTo(built + "\\setup.exe", folder + "\\PixUnInst.exe");
    pixtest::WriteFileBytes(folder + "\\PixUnInst.log", log);
    pixtest::WriteFileBytes(folder + "\\users-own.txt", "mine");
    pixtest::WriteFileBytes(folder + "\\sub\\inner.txt", "inside a subfolder");
    if (registerIt)
        e2e::WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Pixcap5.exe",
                          "", folder + "\\Pixcap5.exe");
    return folder;
}

void WipeInstalled()
{
    e2e::WipeInstallation();
    e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, kVendorKey);
}

void WipeAll()
{
    WipeInstalled();
    e2e::DeleteRegTree(HKEY_CURRENT_USER, kCanaryUserKey);
    e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, kCanaryMachineKey);
    pixtest::RemoveTree(kScratch);
    pixtest::RemoveTree(kCanaryFolder);
}

std::string ProgramsFolder()
{
    return e2e::ShellFolder(false, "Programs");
}

std::string PrefixOperandMatrix()
{
    const char* const prefixes[] = {"Made Dir: ", "Shell Link: ", "File Copy: ", "File Overwrite: ", "File Del: "};
    const std::string a259(259 - 3, 'a');
    std::vector<std::string> operands = {
        "", "   ", "\t", "..", ".", ". .", "...", "..\\..\\pixcanary\\victim.txt", "../../pixcanary/victim.txt",
        "C:\\pixcanary\\victim.txt", "C:\\pixcanary\\victim.dll", "C:\\pixcanary", "C:\\pixcanary\\sub",
        "C:\\pixcanary\\sub\\", "C:\\", "C:", "C:victim.txt", "\\pixcanary\\victim.txt", "/pixcanary/victim.txt",
        "\\\\pixnohost\\share\\victim.txt", "\\\\pixnohost\\share\\x.lnk", "\\\\?\\C:\\pixcanary\\victim.txt",
        "*", "*.*", "?", "s*", "sub", "sub\\*", "*.txt", "users-own.txt > ..\\..\\pixcanary\\victim.txt",
        "..\\..\\pixcanary\\victim.txt > stolen.txt", "Pixcap5.exe > C:\\pixcanary\\victim.txt",
        "Pixcap5.exe > ..", "victim.txt | ..\\..\\pixcanary\\victim.txt", " | C:\\pixcanary\\victim.txt",
        "C:\\pixcanary\\victim.txt.lnk", "C:\\pixcanary\\sub\\..\\victim.txt", "C:\\" + a259,
        "C:\\" + a259 + "b", "C:\\" + a259 + "bc", "C:\\pixcanary\\" + std::string(259 - 13, 'x') + ".lnk",
        std::string(259, 'n'), std::string(260, 'n'), std::string(261, 'n'), "con", "nul", "aux.txt", "lpt1",
        "C:\\pixcanary\\victim.txt:stream", "victim.txt::$DATA", "\xFF\xFE\xC1\xE9",
    };
    std::string text;
    for (const char* pszPrefix : prefixes)
        for (const std::string& operand : operands)
            text += pszPrefix + operand + "\r\n";
    return text;
}

std::vector<SVariant> HostileLogs()
{
    std::vector<SVariant> v;
    uint32_t seed = 20261207;
    std::string random(64 * 1024, '\0');
    for (char& c : random) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
    }
    v.push_back({"random bytes", random});
    v.push_back({"NUL bytes", std::string("File Copy: Pixcap5.exe\0..\\..\\pixcanary\\victim.txt\r\nFile Del: \0victim.txt\r\n"
                                          "Shell Link: C:\\pixcanary\\victim.txt\0.lnk\r\n", 110) + std::string(4096, '\0')});
    v.push_back({"lone CR", "File Copy: Pixcap5.exe\rFile Del: *\rShell Link: C:\\pixcanary\\victim.txt\rMade Dir: C:\\pixcanary\r"});
    std::string lengths;
    for (size_t n : {511u, 512u, 513u, 100000u}) {
        for (const char* pszPrefix : {"File Del: ", "Shell Link: C:\\pixcanary\\", "Made Dir: C:\\pixcanary\\"}) {
            std::string line = pszPrefix;
            line += std::string(n - line.size() - 2, 'L');
            lengths += line + "\r\n";
            // The piece after the cut begins with a prefix of its own.
            lengths += std::string(510, 'P') + "File Del: victim.txt\r\n" + std::string(509, 'Q') + "Made Dir: C:\\pixcanary\r\n";
        }
    }
    v.push_back({"lines of 511, 512, 513 and 100,000 bytes", lengths});
    std::string many;
    many.reserve(1200000);
    for (int i = 0; i < 100000; ++i)
        many += (i % 10000 == 0) ? "File Del: ..\\victim.txt\r\n" : "; line\r\n";
    v.push_back({"100,000 lines", many});
    v.push_back({"every prefix with every hostile operand", PrefixOperandMatrix()});
    v.push_back({"empty file", ""});
    v.push_back({"only prefixes", "Made Dir: \r\nShell Link: \r\nFile Copy: \r\nFile Overwrite: \r\nFile Del: \r\nFile Del:"});
    return v;
}

}  // namespace badinput
