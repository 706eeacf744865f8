// bench/BenchDriver.cpp - times, side by side in one Wine prefix and over several rounds, the
// silent installation, reinstallation and uninstallation of the benchmark package against the
// plain copy and delete loops of BaselineOps, and the time to the wizard's first page.
//   BenchDriver package-folder BaselineOps.exe rounds gui-rounds result-file
// The result file gets one line per measurement: "name round milliseconds".
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "support/StageWatch.h"
#include "support/GuiDriver.h"

namespace {

const DWORD kRunTimeoutMs = 600000;
const char kBaselineFolder[] = "C:\\pixbench\\baseline";
const int kWelcomeVersionId = 1003;

struct SBench {
    std::string package;
    std::string baseline;
    std::string list;
    std::string installFolder;
    FILE* pOut = nullptr;
};

void Record(const SBench& b, const char* pszName, int round, double ms)
{
    std::fprintf(b.pOut, "%s %d %.1f\n", pszName, round, ms);
    std::fflush(b.pOut);
    std::printf("  %-22s round %d: %8.1f ms\n", pszName, round, ms);
    std::fflush(stdout);
}

// One process from start to end; the time includes its start, as for setup.exe.
double TimeRun(const std::string& commandLine, const std::string& folder, DWORD* pExitCode)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    const double start = stagewatch::NowMs();
    if (!::CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, folder.c_str(), &si, &pi))
        return -1;
    ::WaitForSingleObject(pi.hProcess, kRunTimeoutMs);
    const double ms = stagewatch::NowMs() - start;
    ::GetExitCodeProcess(pi.hProcess, pExitCode);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return ms;
}

std::string ReadProgramFilesFolder()
{
    char buffer[MAX_PATH] = "C:\\Program Files";
    DWORD cb = sizeof buffer;
    HKEY hKey;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ, &hKey) == 0) {
        ::RegQueryValueExA(hKey, "ProgramFilesDir", NULL, NULL, reinterpret_cast<BYTE*>(buffer), &cb);
        ::RegCloseKey(hKey);
    }
    return buffer;
}

bool FolderExists(const std::string& path)
{
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void Check(bool ok, const char* pszWhat, DWORD code)
{
    if (!ok)
        std::printf("  !! %s failed (exit code %lu)\n", pszWhat, static_cast<unsigned long>(code));
}

void RunBaselines(const SBench& b, int round)
{
    DWORD code = 0;
    const std::string base = "\"" + b.baseline + "\" ";
    double ms = TimeRun(base + "copy \"" + b.list + "\" \"" + b.package + "\" " + kBaselineFolder, b.package, &code);
    Check(code == 0, "baseline copy", code);
    Record(b, "baseline_copy", round, ms);
    ms = TimeRun(base + "copy \"" + b.list + "\" \"" + b.package + "\" " + kBaselineFolder, b.package, &code);
    Check(code == 0, "baseline overwrite", code);
    Record(b, "baseline_overwrite", round, ms);
    ms = TimeRun(base + "delete \"" + b.list + "\" " + kBaselineFolder, b.package, &code);
    Check(code == 0 && !FolderExists(kBaselineFolder), "baseline delete", code);
    Record(b, "baseline_delete", round, ms);
    // The uninstallation runs in two processes, the plain loop in one: the second one's start.
    ms = TimeRun(base + "start", b.package, &code);
    Check(code == 0, "process start", code);
    Record(b, "process_start", round, ms);
}

void RunProduct(const SBench& b, int round)
{
    DWORD code = 0;
    const std::string setup = "\"" + b.package + "\\setup.exe\" -s";
    double ms = TimeRun(setup, b.package, &code);
    Check(code == 0 && FolderExists(b.installFolder), "installation", code);
    Record(b, "install", round, ms);
    ms = TimeRun(setup, b.package, &code);
    Check(code == 0, "reinstallation", code);
    Record(b, "reinstall", round, ms);

    const stagewatch::SStageRun run = stagewatch::RunTwoStages(
        "\"" + b.installFolder + "\\PixUnInst.exe\" -s", "C:\\", kRunTimeoutMs);
    Check(run.childFound && run.childEnded && run.childExitCode == 0, "uninstallation", run.childExitCode);
    Check(!FolderExists(b.installFolder), "removal of the installation folder", 0);
    Record(b, "uninstall_stage1", round, run.firstEndMs);
    Record(b, "uninstall_total", round, run.childEndMs);
}

// From the start of setup.exe to the welcome page showing the version line.
void TimeFirstPage(const SBench& b, int round)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string line = "\"" + b.package + "\\setup.exe\"";
    const double start = stagewatch::NowMs();
    if (!::CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, b.package.c_str(), &si, &pi))
        return;
    double shown = -1;
    while (stagewatch::NowMs() - start < 60000 && ::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
        pixtest::WindowQuery query;
        query.processId = pi.dwProcessId;
        query.className = pixtest::kDialogClass;
        for (const pixtest::WindowInfo& w : pixtest::FindWindows(query)) {
            HWND hVersion = pixtest::FindControl(w.hwnd, kWelcomeVersionId);
            if (hVersion && ::IsWindowVisible(hVersion) && !pixtest::ReadWindowText(hVersion).empty())
                shown = stagewatch::NowMs() - start;
        }
        if (shown >= 0)
            break;
        ::Sleep(2);
    }
    ::TerminateProcess(pi.hProcess, 0);
    ::WaitForSingleObject(pi.hProcess, 10000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    Check(shown >= 0, "wizard first page", 0);
    if (shown >= 0)
        Record(b, "first_page", round, shown);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: BenchDriver package BaselineOps.exe rounds gui-rounds result-file\n");
        return 2;
    }
    SBench b;
    b.package = argv[1];
    b.baseline = argv[2];
    b.list = b.package + "\\bench-files.txt";
    b.installFolder = ReadProgramFilesFolder() + "\\Pixorama 5";
    const int rounds = std::atoi(argv[3]);
    const int guiRounds = std::atoi(argv[4]);
    b.pOut = std::fopen(argv[5], "w");
    if (!b.pOut)
        return 2;
    ::CreateDirectoryA("C:\\pixbench", NULL);
    for (int round = 1; round <= rounds; ++round) {
        // Alternating order, so that neither side always runs on a cache the other has warmed.
        if (round % 2) {
            RunBaselines(b, round);
            RunProduct(b, round);
        } else {
            RunProduct(b, round);
            RunBaselines(b, round);
        }
    }
    for (int round = 1; round <= guiRounds; ++round)
        TimeFirstPage(b, round);
    std::fclose(b.pOut);
    return 0;
}
