// tests/launcher/LauncherTestSupport.cpp - the instance list seen from outside, stand-in capture
// applications and setup copies driven the way the launcher tests need them.
#include "launcher/LauncherTestSupport.h"
#include <tlhelp32.h>
#include <cstring>
#include <sstream>
#include "framework/UiText.h"
#include "platform/InstanceManager.h"
#include "text/PathText.h"

namespace launchtest {

namespace {

const char kRecordVariable[] = "PIXCAP5_RECORD";

std::string SectionName(const std::string& instanceName)
{
    return "COXInstanceManager_FileMap_" + instanceName;
}

std::string RecordPath()
{
    char path[MAX_PATH] = "";
    ::GetEnvironmentVariableA(kRecordVariable, path, MAX_PATH);
    return path;
}

bool WaitUntil(DWORD timeoutMs, bool (*pDone)(const void*), const void* param)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (!pDone(param)) {
        if (::GetTickCount64() >= deadline)
            return false;
        ::Sleep(pixtest::kPollMs);
    }
    return true;
}

}  // namespace

std::vector<uint32_t> SListBytes::Listed() const
{
    const uint32_t n = count < kSlots ? count : kSlots;
    return std::vector<uint32_t>(slots.begin(), slots.begin() + n);
}

bool CRawList::Open(const std::string& instanceName)
{
    Close();
    m_hSection = ::OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, SectionName(instanceName).c_str());
    m_hMutex = ::OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE,
                            (kListMutexPrefix + instanceName).c_str());
    if (!m_hSection || !m_hMutex)
        return false;
    m_pView = ::MapViewOfFile(m_hSection, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0);
    if (!m_pView)
        return false;
    MEMORY_BASIC_INFORMATION info;
    if (::VirtualQuery(m_pView, &info, sizeof info))
        m_sectionBytes = info.RegionSize;
    return true;
}

void CRawList::Close()
{
    if (m_pView)
        ::UnmapViewOfFile(m_pView);
    if (m_hSection)
        ::CloseHandle(m_hSection);
    if (m_hMutex)
        ::CloseHandle(m_hMutex);
    m_pView = nullptr;
    m_hSection = m_hMutex = NULL;
    m_sectionBytes = 0;
}

SListBytes CRawList::Read()
{
    SListBytes list;
    if (!m_pView)
        return list;
    ::WaitForSingleObject(m_hMutex, INFINITE);
    const uint32_t* p = static_cast<const uint32_t*>(m_pView);
    list.marker = p[0];
    list.count = p[1];
    std::memcpy(list.slots.data(), p + 2, kSlots * sizeof(uint32_t));
    ::ReleaseMutex(m_hMutex);
    return list;
}

void CRawList::Write(const SListBytes& list)
{
    if (!m_pView)
        return;
    ::WaitForSingleObject(m_hMutex, INFINITE);
    uint32_t* p = static_cast<uint32_t*>(m_pView);
    p[0] = list.marker;
    p[1] = list.count;
    std::memcpy(p + 2, list.slots.data(), kSlots * sizeof(uint32_t));
    ::ReleaseMutex(m_hMutex);
}

bool SectionExists(const std::string& instanceName)
{
    HANDLE h = ::OpenFileMappingA(FILE_MAP_READ, FALSE, SectionName(instanceName).c_str());
    if (h)
        ::CloseHandle(h);
    return h != NULL;
}

bool WaitForSectionGone(const std::string& instanceName, DWORD timeoutMs)
{
    return WaitUntil(timeoutMs, [](const void* p) { return !SectionExists(*static_cast<const std::string*>(p)); },
                     &instanceName);
}

void UseRecordFile(const std::string& path)
{
    ::DeleteFileA(path.c_str());
    ::SetEnvironmentVariableA(kRecordVariable, path.c_str());
}

std::string StandinPath() { return pixtest::OutDir() + "\\Pixcap5.exe"; }
std::string SetupPath() { return pixtest::OutDir() + "\\setup.exe"; }

CStandin::CStandin(const std::string& exePath)
{
    m_hProcess = pixtest::StartProcess("\"" + (exePath.empty() ? StandinPath() : exePath) + "\"", &m_id);
    if (m_hProcess)
        m_ready = WaitForEvent("ready");
}

CStandin::CStandin(HANDLE hToken)
{
    m_hProcess = pixtest::StartProcessAsUser(hToken, "\"" + StandinPath() + "\"", &m_id);
    if (m_hProcess)
        m_ready = WaitForEvent("ready");
}

CStandin::~CStandin()
{
    Kill();
    if (m_hProcess)
        ::CloseHandle(m_hProcess);
}

std::vector<std::string> CStandin::Events() const
{
    std::vector<std::string> events;
    std::istringstream lines(pixtest::ReadFileBytes(RecordPath()));
    const std::string prefix = std::to_string(m_id) + " ";
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, prefix.size(), prefix) == 0)
            events.push_back(line.substr(prefix.size()));
    }
    return events;
}

bool CStandin::HasEvent(const std::string& event) const
{
    for (const std::string& e : Events())
        if (e == event)
            return true;
    return false;
}

bool CStandin::WaitForEvent(const std::string& event, DWORD timeoutMs) const
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (!HasEvent(event)) {
        if (::GetTickCount64() >= deadline)
            return false;
        ::Sleep(pixtest::kPollMs);
    }
    return true;
}

bool CStandin::IsRunning() const
{
    return m_hProcess && ::WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT;
}

bool CStandin::WaitForEnd(DWORD timeoutMs) const
{
    return !m_hProcess || ::WaitForSingleObject(m_hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD CStandin::ExitCode() const
{
    DWORD exitCode = STILL_ACTIVE;
    if (m_hProcess)
        ::GetExitCodeProcess(m_hProcess, &exitCode);
    return exitCode;
}

std::string CStandin::Describe() const
{
    std::ostringstream text;
    text << "stand-in " << m_id;
    DWORD exitCode = 0;
    if (IsRunning())
        text << " (running)";
    else if (m_hProcess && ::GetExitCodeProcess(m_hProcess, &exitCode))
        text << " (ended, exit code " << exitCode << ")";
    text << "; events:";
    for (const std::string& e : Events())
        text << " [" << e << "]";
    text << "; main window " << FindMainWindow(m_id) << "; windows:\n" << DescribeWindows(m_id);
    return text.str();
}

::testing::AssertionResult IsReady(const CStandin& s)
{
    if (s.IsReady())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "awaited \"ready\" for " << kStartMs << " ms; " << s.Describe();
}

::testing::AssertionResult Hears(const CStandin& s, const std::string& event, DWORD timeoutMs)
{
    if (s.WaitForEvent(event, timeoutMs))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "awaited [" << event << "] for " << timeoutMs << " ms; " << s.Describe();
}

std::string DescribeWindows(DWORD processId)
{
    std::ostringstream text;
    for (const pixtest::WindowInfo& w : pixtest::ListTopLevelWindows(processId, false))
        text << "  " << w.hwnd << " class " << w.className << " title \"" << w.caption << "\" owner "
             << w.owner << " exstyle " << std::hex << ::GetWindowLongA(w.hwnd, GWL_EXSTYLE) << std::dec
             << (w.visible ? " visible" : " hidden") << "\n";
    return text.str();
}

void CStandin::Kill()
{
    if (IsRunning()) {
        ::TerminateProcess(m_hProcess, 99);
        ::WaitForSingleObject(m_hProcess, kStartMs);
    }
}

CProgram::CProgram(const std::string& commandLine)
{
    m_hProcess = pixtest::StartProcess(commandLine, &m_id);
}

CProgram::CProgram(const std::string& commandLine, const CProgram& parent)
{
    m_hProcess = pixtest::StartProcessAsChildOf(parent.Handle(), commandLine, &m_id);
}

CProgram::~CProgram()
{
    Kill();
    if (m_hProcess)
        ::CloseHandle(m_hProcess);
}

bool CProgram::IsRunning() const
{
    return m_hProcess && ::WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT;
}

bool CProgram::WaitForEnd(DWORD timeoutMs, DWORD* pExitCode)
{
    return m_hProcess && pixtest::WaitForExit(m_hProcess, timeoutMs, pExitCode);
}

void CProgram::Kill()
{
    if (IsRunning()) {
        ::TerminateProcess(m_hProcess, 99);
        ::WaitForSingleObject(m_hProcess, kStartMs);
    }
}

bool WaitForBox(DWORD processId, pixtest::MessageBoxInfo* pBox, DWORD timeoutMs)
{
    HWND hBox = pixtest::WaitForMessageBox(processId, timeoutMs);
    return hBox && pixtest::ReadMessageBox(hBox, pBox);
}

std::string ResText(UINT id)
{
    return pixtest::Utf8FromWide(LoadResStringW(id));
}

namespace {

bool IsProcessNamedRunning(const std::string& prefix, const std::string& suffix)
{
    HANDLE hSnap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnap == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = ::Process32First(hSnap, &entry); more && !found; more = ::Process32Next(hSnap, &entry)) {
        std::string name = LowerAscii(entry.szExeFile);
        const size_t slash = name.find_last_of("\\/");
        if (slash != std::string::npos)
            name = name.substr(slash + 1);
        found = name.size() >= prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
    }
    ::CloseHandle(hSnap);
    return found;
}

}  // namespace

bool WaitForNoProcessNamed(const std::string& prefix, const std::string& suffix, DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (IsProcessNamedRunning(prefix, suffix)) {
        if (::GetTickCount64() >= deadline)
            return false;
        ::Sleep(pixtest::kPollMs);
    }
    return true;
}

}  // namespace launchtest
