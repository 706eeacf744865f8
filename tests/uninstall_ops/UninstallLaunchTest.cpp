// tests/uninstall_ops/UninstallLaunchTest.cpp - the first uninstall stage, through LaunchProbe.exe.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>
#include "framework/Handles.h"
#include "platform/ObjectSecurity.h"
#include "support/StageWatch.h"
#include "support/TestSupport.h"

using pixtest::FileExists;
using pixtest::MakeScratchFolder;

namespace {

const DWORD kProbeTimeoutMs = 30000;

// What the second stage recorded about itself.
struct SecondStageRecord {
    DWORD processId = 0;
    bool inherited = false;
    std::string commandLine;
    std::string module;
    std::string currentFolder;
    std::vector<std::string> args;
};

// Sets an environment variable for the processes started while it lives.
class CScopedEnvironment {
public:
    CScopedEnvironment(const char* pszName, const std::string& value) : m_name(pszName)
    {
        char old[1024];
        const DWORD length = ::GetEnvironmentVariableA(pszName, old, sizeof old);
        m_hadValue = length > 0 && length < sizeof old;
        if (m_hadValue)
            m_oldValue.assign(old, length);
        ::SetEnvironmentVariableA(pszName, value.c_str());
    }
    ~CScopedEnvironment() { ::SetEnvironmentVariableA(m_name.c_str(), m_hadValue ? m_oldValue.c_str() : NULL); }
private:
    std::string m_name;
    std::string m_oldValue;
    bool m_hadValue = false;
};

std::string ValueAfter(const std::string& line, const char* pszKey)
{
    const std::string key = std::string(pszKey) + "=";
    return line.compare(0, key.size(), key) == 0 ? line.substr(key.size()) : std::string();
}

SecondStageRecord ParseRecord(const std::string& text)
{
    SecondStageRecord record;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.rfind("pid=", 0) == 0)
            record.processId = std::strtoul(ValueAfter(line, "pid").c_str(), NULL, 10);
        else if (line.rfind("inherited=", 0) == 0)
            record.inherited = ValueAfter(line, "inherited") == "1";
        else if (line.rfind("cmdline=", 0) == 0)
            record.commandLine = ValueAfter(line, "cmdline");
        else if (line.rfind("module=", 0) == 0)
            record.module = ValueAfter(line, "module");
        else if (line.rfind("cwd=", 0) == 0)
            record.currentFolder = ValueAfter(line, "cwd");
        else if (line.rfind("arg=", 0) == 0)
            record.args.push_back(ValueAfter(line, "arg"));
    }
    return record;
}

bool WaitForFile(const std::string& path, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        if (FileExists(path))
            return true;
        ::Sleep(100);
    }
    return FileExists(path);
}

std::string OwnUserSid()
{
    std::vector<BYTE> sid = MakeTrusteeSid(Trustee::TokenUser);
    char* pszSid = NULL;
    const std::string text = !sid.empty() && ::ConvertSidToStringSidA(sid.data(), &pszSid) ? pszSid : "";
    ::LocalFree(pszSid);
    return text;
}

std::string ParentOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('\\'));
}

// Where an elevated first stage makes the copy's folder, whatever TMP and TEMP say.
std::string WindowsTempFolder()
{
    char windows[MAX_PATH];
    const UINT length = ::GetSystemWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows, length < MAX_PATH ? length : 0) + "\\Temp";
}

void WaitForProcessEnd(DWORD processId)
{
    const HANDLE hProcess = ::OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (hProcess) {
        ::WaitForSingleObject(hProcess, kProbeTimeoutMs);
        ::CloseHandle(hProcess);
    }
}

// Installs LaunchProbe.exe as the uninstaller and runs it with TMP and TEMP set to tempFolder.
class UninstallLaunch : public ::testing::Test {
protected:
    void Prepare(const std::string& name, const std::string& installFolder, const std::string& tempFolder)
    {
        m_base = MakeScratchFolder(name);
        m_installFolder = m_base + "\\" + installFolder;
        m_tempFolder = m_base + "\\" + tempFolder;
        ASSERT_TRUE(::CreateDirectoryA(m_installFolder.c_str(), NULL));
        ASSERT_TRUE(::CreateDirectoryA(m_tempFolder.c_str(), NULL));
        m_uninstaller = m_installFolder + "\\PixUnInst.exe";
        ASSERT_TRUE(pixtest::CopyFileTo(pixtest::OutDir() + "\\tests\\LaunchProbe.exe", m_uninstaller));
        m_recordPath = m_base + "\\record.txt";
    }

    DWORD RunUninstaller(const std::string& arguments)
    {
        CScopedEnvironment tmp("TMP", m_tempFolder);
        CScopedEnvironment temp("TEMP", m_tempFolder);
        CScopedEnvironment record("PIX_PROBE_RECORD", m_recordPath);
        const std::string eventName = "PixProbeInherit" + std::to_string(::GetCurrentProcessId());
        CScopedEnvironment event("PIX_PROBE_EVENT", eventName);
        m_hEvent = ::CreateEventA(NULL, TRUE, FALSE, eventName.c_str());
        DWORD exitCode = 999;
        EXPECT_TRUE(pixtest::RunAndWait("\"" + m_uninstaller + "\"" + arguments, kProbeTimeoutMs, &exitCode));
        return exitCode;
    }

    SecondStageRecord ReadRecord()
    {
        EXPECT_TRUE(WaitForFile(m_recordPath, kProbeTimeoutMs)) << "the copy did not run";
        SecondStageRecord record = ParseRecord(pixtest::ReadFileBytes(m_recordPath));
        WaitForProcessEnd(record.processId);
        return record;
    }

    void TearDown() override
    {
        if (m_hEvent)
            ::CloseHandle(m_hEvent);
        if (!m_base.empty())
            pixtest::RemoveTree(m_base);
    }

    bool EventSignalled() const { return m_hEvent && ::WaitForSingleObject(m_hEvent, 0) == WAIT_OBJECT_0; }

    std::string m_base, m_installFolder, m_tempFolder, m_uninstaller, m_recordPath;
    HANDLE m_hEvent = NULL;
};

}  // namespace

TEST_F(UninstallLaunch, QuotesPathsWithBlanksAndPassesSilentOn)
{
    Prepare("launch_blanks", "Program Files", "Temp Files");
    ASSERT_TRUE(::CreateDirectoryA((m_installFolder + "\\Pixorama 5").c_str(), NULL));
    m_uninstaller = m_installFolder + "\\Pixorama 5\\PixUnInst.exe";
    ASSERT_TRUE(pixtest::CopyFileTo(pixtest::OutDir() + "\\tests\\LaunchProbe.exe", m_uninstaller));
    // Unelevated, so that the copy lies in the temporary folder named, whose name has a blank.
    CScopedEnvironment asOnXp("PIX_PROBE_AS_XP", "1");

    EXPECT_EQ(RunUninstaller(" -s"), 0u);
    const SecondStageRecord record = ReadRecord();
    ASSERT_EQ(record.args.size(), 4u);
    const std::string copy = record.args[0];
    EXPECT_EQ(copy.rfind(m_tempFolder + "\\uni", 0), 0u) << copy;
    EXPECT_EQ(record.args[1], "-delself");
    EXPECT_EQ(record.args[2], m_uninstaller);
    EXPECT_EQ(record.args[3], "-s");
    EXPECT_EQ(record.commandLine, "\"" + copy + "\" -delself \"" + m_uninstaller + "\" -s");
    // The copy itself runs, from the temporary folder, and is a full copy of the uninstaller.
    EXPECT_EQ(record.module, copy);
    EXPECT_EQ(pixtest::ReadFileBytes(copy), pixtest::ReadFileBytes(m_uninstaller));

    char folder[MAX_PATH] = "";
    ::GetCurrentDirectoryA(MAX_PATH, folder);
    EXPECT_EQ(record.currentFolder, folder);
    EXPECT_TRUE(record.inherited);
    EXPECT_TRUE(EventSignalled());
}

// Without elevation (here: as on XP, whose tokens do not tell) the copy lies in the temporary
// folder itself.
TEST_F(UninstallLaunch, BarePathsAndNoSilentWord)
{
    Prepare("launch_bare", "Pixorama5", "Tmp");
    CScopedEnvironment asOnXp("PIX_PROBE_AS_XP", "1");
    EXPECT_EQ(RunUninstaller(""), 0u);
    EXPECT_FALSE(FileExists(m_recordPath + ".folder"));
    const SecondStageRecord record = ReadRecord();
    ASSERT_EQ(record.args.size(), 3u);
    EXPECT_EQ(record.args[2], m_uninstaller);
    EXPECT_EQ(record.commandLine, record.args[0] + " -delself " + m_uninstaller);
    EXPECT_EQ(record.args[0].rfind(m_tempFolder + "\\uni", 0), 0u) << record.args[0];
}

// A temporary folder of a name that the code page cannot spell, on a volume without short names:
// the copy goes into the Windows folder's Temp instead, which the code page spells.
TEST_F(UninstallLaunch, AnUnspellableTemporaryFolderGivesWayToTheWindowsTemp)
{
    Prepare("launch_unspellable", "Pixorama5", "Tmp");
    const std::wstring cyrillic = std::wstring(m_base.begin(), m_base.end()) + L"\\\x0412\x0440\x0435\x043C\x044F";
    ASSERT_TRUE(::CreateDirectoryW(cyrillic.c_str(), NULL));
    CScopedEnvironment asOnXp("PIX_PROBE_AS_XP", "1");
    CScopedEnvironment noShortNames("PIX_PROBE_NO_SHORT_NAMES", "1");
    CScopedEnvironment record("PIX_PROBE_RECORD", m_recordPath);
    wchar_t savedTmp[MAX_PATH] = L"", savedTemp[MAX_PATH] = L"";
    ::GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH);
    ::GetEnvironmentVariableW(L"TEMP", savedTemp, MAX_PATH);
    ::SetEnvironmentVariableW(L"TMP", cyrillic.c_str());
    ::SetEnvironmentVariableW(L"TEMP", cyrillic.c_str());
    DWORD exitCode = 99;
    const bool ran = pixtest::RunAndWait("\"" + m_uninstaller + "\" -s", kProbeTimeoutMs, &exitCode);
    ::SetEnvironmentVariableW(L"TMP", savedTmp);
    ::SetEnvironmentVariableW(L"TEMP", savedTemp);
    ASSERT_TRUE(ran);
    EXPECT_EQ(exitCode, 0u);
    const SecondStageRecord second = ReadRecord();
    ASSERT_GE(second.args.size(), 1u);
    EXPECT_EQ(_stricmp(ParentOf(second.args[0]).c_str(), WindowsTempFolder().c_str()), 0) << second.args[0];
    ::DeleteFileA(second.args[0].c_str());
}

TEST_F(UninstallLaunch, AFailedStartReturnsToTheCaller)
{
    Prepare("launch_fails", "Pixorama5", "Tmp");
    // Unelevated, so that the temporary folder named is the one taken.
    CScopedEnvironment asOnXp("PIX_PROBE_AS_XP", "1");
    m_tempFolder = m_base + "\\no such folder";
    // The probe's exit code 3 means LaunchUninstallCopy came back, without a message box in the way.
    EXPECT_EQ(RunUninstaller(" -s"), 3u);
    EXPECT_FALSE(WaitForFile(m_recordPath, 1000));
}

// Between the copy and its start another program of the user tries to replace the copy or its
// folder, and cannot; the copy that runs is the uninstaller's. Wine keeps no descriptors of
// files, so the folder's is read where it is handed to the platform; Windows refuses the user's
// programs by it, Wine by the first stage's holds on folder and copy, which this shows.
TEST_F(UninstallLaunch, TheCopyCannotBeReplacedBeforeItRunsAndItsFolderIsForAdministratorsOnly)
{
    Prepare("launch_guarded", "Pixorama5", "Tmp");
    const std::string name = "PixProbeWindow" + std::to_string(::GetCurrentProcessId());
    CScopedEnvironment window("PIX_PROBE_WINDOW", name);
    CHandle open(::CreateEventA(NULL, TRUE, FALSE, (name + ".open").c_str()));
    CHandle done(::CreateEventA(NULL, TRUE, FALSE, (name + ".done").c_str()));
    CScopedEnvironment record("PIX_PROBE_RECORD", m_recordPath);
    CScopedEnvironment tmp("TMP", m_tempFolder);
    CScopedEnvironment temp("TEMP", m_tempFolder);
    CHandle firstStage(pixtest::StartProcess("\"" + m_uninstaller + "\""));
    ASSERT_TRUE(firstStage.IsValid());
    ASSERT_EQ(::WaitForSingleObject(open, kProbeTimeoutMs), WAIT_OBJECT_0);

    const std::string copy = pixtest::ReadFileBytes(m_recordPath + ".window");
    const std::string folder = ParentOf(copy);
    EXPECT_EQ(folder.rfind(WindowsTempFolder() + "\\PixUnInst-", 0), 0u) << copy;
    const std::string other = m_base + "\\other.exe";
    ASSERT_TRUE(pixtest::CopyFileTo(pixtest::OutDir() + "\\tests\\LaunchProbe.exe", other));
    EXPECT_FALSE(::CopyFileA(other.c_str(), copy.c_str(), FALSE));
    EXPECT_FALSE(::DeleteFileA(copy.c_str()));
    EXPECT_FALSE(::MoveFileA(copy.c_str(), (copy + ".away").c_str()));
    EXPECT_FALSE(::MoveFileExA(other.c_str(), copy.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(::MoveFileA(folder.c_str(), (folder + ".away").c_str()));
    EXPECT_FALSE(::RemoveDirectoryA(folder.c_str()));
    ::SetEvent(done);

    DWORD exitCode = 99;
    EXPECT_TRUE(pixtest::WaitForExit(firstStage, kProbeTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    const SecondStageRecord second = ReadRecord();
    // The platform names the Windows folder's Temp as the disk spells it.
    EXPECT_EQ(_stricmp(second.module.c_str(), copy.c_str()), 0) << second.module << " ran, not " << copy;
    EXPECT_EQ(pixtest::ReadFileBytes(copy), pixtest::ReadFileBytes(m_uninstaller));
    // Full control for the system and administrators, reading and running for the user, passed
    // on to what the folder holds, and nothing from the temporary folder above it.
    const std::string user = OwnUserSid();
    ASSERT_FALSE(user.empty());
    EXPECT_EQ(pixtest::ReadFileBytes(m_recordPath + ".folder"),
              folder + "\nD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;" + user + ")");
}

// The first stage ends with what the second tells it, and only once it has been told: a second
// stage that ends without telling, or writes what no second stage writes, leaves it code 5.
TEST_F(UninstallLaunch, TheFirstStageEndsWithTheOutcomeItIsTold)
{
    const struct {
        const char* pszTold;
        DWORD exitCode;
    } cases[] = {{"0", 0}, {"1", 1}, {"untold", 5}, {"garbled", 5}, {"4", 5}};
    for (const auto& c : cases) {
        Prepare(std::string("launch_told_") + c.pszTold, "Pixorama5", "Tmp");
        CScopedEnvironment outcome("PIX_PROBE_OUTCOME", c.pszTold);
        EXPECT_EQ(RunUninstaller(" -s"), c.exitCode) << "told " << c.pszTold;
        ReadRecord();
        TearDown();
        m_base.clear();
        m_hEvent = NULL;
    }
}

namespace {

BOOL WINAPI ImageNotYetKnown(HANDLE, DWORD, LPSTR, PDWORD)
{
    ::SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
}

}  // namespace

// Wine lists a process a moment before it can tell the process's program, and a moment after:
// measured, about one look in ten at a starting child. A process that the watch cannot place is no
// second stage yet; taken for one, a program of Wine's that ends early passed for a second stage
// that had ended.
TEST_F(UninstallLaunch, TheStageWatchTakesNoChildWhoseProgramItCannotRead)
{
    Prepare("watch_unread", "Pixorama5", "Tmp");
    const std::string name = "PixProbeTell" + std::to_string(::GetCurrentProcessId());
    CHandle tell(::CreateEventA(NULL, TRUE, FALSE, name.c_str()));
    CScopedEnvironment after("PIX_PROBE_TELL_AFTER", name);
    CScopedEnvironment record("PIX_PROBE_RECORD", m_recordPath);
    DWORD childId = 0;
    CHandle child(pixtest::StartProcess("\"" + m_uninstaller + "\" -delself x", &childId));
    ASSERT_TRUE(child.IsValid());
    EXPECT_TRUE(WaitForFile(m_recordPath, kProbeTimeoutMs)) << "the child did not run";
    const auto saved = stagewatch::g_pfnQueryImageName;
    stagewatch::g_pfnQueryImageName = ImageNotYetKnown;
    const DWORD unread = stagewatch::FindChildProcess(::GetCurrentProcess(), ::GetCurrentProcessId());
    stagewatch::g_pfnQueryImageName = saved;
    const DWORD read = stagewatch::FindChildProcess(::GetCurrentProcess(), ::GetCurrentProcessId());
    ::SetEvent(tell);
    ::WaitForSingleObject(child, kProbeTimeoutMs);
    EXPECT_EQ(unread, 0u) << "took " << stagewatch::DescribeProcess(unread);
    EXPECT_EQ(read, childId) << "took " << stagewatch::DescribeProcess(read);
}

namespace {

const TOKEN_INFORMATION_CLASS kTokenElevationClass = static_cast<TOKEN_INFORMATION_CLASS>(20);
bool g_tokenIsSystem = false;

// A token that does not answer the elevation question (XP), of the system account or not.
BOOL WINAPI ReadTokenWithoutElevation(HANDLE hToken, TOKEN_INFORMATION_CLASS infoClass, LPVOID pInfo, DWORD size,
                                      PDWORD pNeeded)
{
    if (infoClass == kTokenElevationClass) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (infoClass != TokenUser || !g_tokenIsSystem)
        return ::GetTokenInformation(hToken, infoClass, pInfo, size, pNeeded);
    const std::vector<BYTE> system = MakeTrusteeSid(Trustee::System);
    *pNeeded = static_cast<DWORD>(sizeof(TOKEN_USER) + system.size());
    if (size < *pNeeded) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    TOKEN_USER* pUser = static_cast<TOKEN_USER*>(pInfo);
    BYTE* pSid = static_cast<BYTE*>(pInfo) + sizeof(TOKEN_USER);
    std::copy(system.begin(), system.end(), pSid);
    pUser->User.Sid = pSid;
    pUser->User.Attributes = 0;
    return TRUE;
}

}  // namespace

// Deployment tools run setup as the system account, whose token need not answer the elevation
// question: its copy goes into a folder of its own all the same; an XP user's does not.
TEST(CopyPlace, TheSystemAccountCountsAsElevatedWhateverItsTokenSays)
{
    const auto saved = g_pfnGetTokenInformation;
    g_pfnGetTokenInformation = ReadTokenWithoutElevation;
    g_tokenIsSystem = true;
    const bool system = IsProcessElevated(::GetCurrentProcess());
    g_tokenIsSystem = false;
    const bool xpUser = IsProcessElevated(::GetCurrentProcess());
    g_pfnGetTokenInformation = saved;
    EXPECT_TRUE(system);
    EXPECT_FALSE(xpUser);
    // Wine's own token answers: elevated.
    EXPECT_TRUE(IsProcessElevated(::GetCurrentProcess()));
}
