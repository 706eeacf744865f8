// tests/launcher/LauncherTestSupport.h - the instance list seen from outside, stand-in capture
// applications and setup copies driven the way the launcher tests need them.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "support/GuiDriver.h"
#include "support/TestSupport.h"

namespace launchtest {

// The name every participant uses; tests of the class alone use names of their own.
constexpr const char* kInstanceName = "Corvanta.Pixorama.v4";
// The list mutex's name is this prefix and the instance name.
constexpr const char* kListMutexPrefix = "COXInstanceManager_InstanceList_Mutex_";
constexpr uint32_t kSlots = 1000;
// Enough for any of our processes to start, show a box or end under Wine on a busy machine.
constexpr DWORD kStartMs = 20000;

struct SListBytes {
    uint32_t marker = 0;
    uint32_t count = 0;
    std::vector<uint32_t> slots = std::vector<uint32_t>(kSlots, 0);
    // The first count slots (at most all of them).
    std::vector<uint32_t> Listed() const;
};

// The section and list mutex opened by their names alone, as another program would.
class CRawList {
public:
    ~CRawList() { Close(); }
    bool Open(const std::string& instanceName);
    void Close();
    SListBytes Read();
    void Write(const SListBytes& list);
    // Every byte of the mapped section, for checks beyond the list.
    const unsigned char* Bytes() const { return static_cast<const unsigned char*>(m_pView); }
    size_t SectionBytes() const { return m_sectionBytes; }

private:
    HANDLE m_hSection = NULL;
    HANDLE m_hMutex = NULL;
    void* m_pView = nullptr;
    size_t m_sectionBytes = 0;
};

bool SectionExists(const std::string& instanceName);
// The section vanishes once no process holds it; false when it is still there after the wait.
bool WaitForSectionGone(const std::string& instanceName, DWORD timeoutMs = kStartMs);

// Points stand-ins (and anything they start) at one record file of this test.
void UseRecordFile(const std::string& path);

// A running stand-in capture application; killed at destruction if still running.
class CStandin {
public:
    explicit CStandin(const std::string& exePath = "");
    // Started under the token given (see pixtest::MakeOtherDesktopUserToken).
    explicit CStandin(HANDLE hToken);
    ~CStandin();
    // Started, main window shown and listed.
    bool IsReady() const { return m_ready; }
    DWORD Id() const { return m_id; }
    std::vector<std::string> Events() const;
    bool HasEvent(const std::string& event) const;
    bool WaitForEvent(const std::string& event, DWORD timeoutMs = kStartMs) const;
    bool IsRunning() const;
    bool WaitForEnd(DWORD timeoutMs = kStartMs) const;
    // The exit code once ended; STILL_ACTIVE while running.
    DWORD ExitCode() const;
    void Kill();
    // What a failure message needs: id, running or exit code, the events on record, its
    // top-level windows and which of them the main-window rule picks.
    std::string Describe() const;

private:
    HANDLE m_hProcess = NULL;
    DWORD m_id = 0;
    bool m_ready = false;
};

// For assertions: success, or what was awaited and what the stand-in shows instead.
::testing::AssertionResult IsReady(const CStandin& s);
::testing::AssertionResult Hears(const CStandin& s, const std::string& event, DWORD timeoutMs = kStartMs);

// Every top-level window of the process, one line each, in window order.
std::string DescribeWindows(DWORD processId);

std::string StandinPath();
std::string SetupPath();

// A started program that is killed at destruction when still running.
class CProgram {
public:
    explicit CProgram(const std::string& commandLine);
    // Started on behalf of the parent program, which the platform then records as its parent.
    CProgram(const std::string& commandLine, const CProgram& parent);
    ~CProgram();
    bool IsStarted() const { return m_hProcess != NULL; }
    DWORD Id() const { return m_id; }
    HANDLE Handle() const { return m_hProcess; }
    bool IsRunning() const;
    // False on time-out; the exit code when it ended.
    bool WaitForEnd(DWORD timeoutMs, DWORD* pExitCode);
    void Kill();

private:
    HANDLE m_hProcess = NULL;
    DWORD m_id = 0;
};

// The next message box of the process, read; false when none appears in time.
bool WaitForBox(DWORD processId, pixtest::MessageBoxInfo* pBox, DWORD timeoutMs = kStartMs);
// A string of the installer's string table as UTF-8 (the tests link that table).
std::string ResText(UINT id);
// True once no process runs a program file whose name starts with prefix and ends with suffix.
bool WaitForNoProcessNamed(const std::string& prefix, const std::string& suffix, DWORD timeoutMs);

}  // namespace launchtest
