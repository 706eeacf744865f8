// tests/badinput/SharedInputTest.cpp - inputs that other programs or the package put in setup's
// way: an instance list written by a hostile process, and a huge or binary "HomePage.url" and
// "agreement.txt" met on the way through the wizard.
#include <gtest/gtest.h>
#include <cstring>
#include "badinput/BadInputSupport.h"
#include "support/E2eSupport.h"
#include "platform/InstanceManager.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"
#include "text/MakerAddresses.h"

using namespace badinput;

namespace {

const char kSectionName[] = "COXInstanceManager_FileMap_Corvanta.Pixorama.v4";
const DWORD kSectionBytes = 2 * 65536;
const size_t kListBytes = sizeof(SInstanceList);
const unsigned char kGuardByte = 0xA5;

// The section as a hostile participant leaves it: a count beyond the list, ids of processes that
// are no participants, and a pattern in every byte past the list.
class CHostileList {
public:
    bool Create()
    {
        m_hMap = ::CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE | SEC_COMMIT, 0, kSectionBytes, kSectionName);
        if (!m_hMap)
            return false;
        m_pView = static_cast<unsigned char*>(::MapViewOfFile(m_hMap, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kSectionBytes));
        return m_pView != NULL;
    }
    ~CHostileList()
    {
        if (m_pView)
            ::UnmapViewOfFile(m_pView);
        if (m_hMap)
            ::CloseHandle(m_hMap);
    }
    void Write(uint32_t count, const std::vector<uint32_t>& ids)
    {
        std::memset(m_pView, kGuardByte, kSectionBytes);
        SInstanceList* pList = reinterpret_cast<SInstanceList*>(m_pView);
        pList->dwMarker = 1;
        pList->dwCount = count;
        for (uint32_t i = 0; i < kInstanceListCapacity; ++i)
            pList->dwProcessId[i] = i < ids.size() ? ids[i] : 0x50000000u + 4 * i;
        m_written.assign(m_pView, m_pView + kSectionBytes);
    }
    // Offset of the first byte past the list that changed; -1 when none did.
    long FirstChangePastList() const
    {
        for (size_t i = kListBytes; i < kSectionBytes; ++i)
            if (m_pView[i] != m_written[i])
                return static_cast<long>(i);
        return -1;
    }
    // The count and the listed ids; slots past the count hold no meaning.
    bool ListUnchanged() const
    {
        const SInstanceList* pNow = reinterpret_cast<const SInstanceList*>(m_pView);
        const uint32_t count = pNow->dwCount < kInstanceListCapacity ? pNow->dwCount : kInstanceListCapacity;
        return std::memcmp(m_pView, m_written.data(), 8 + 4 * count) == 0;
    }
private:
    HANDLE m_hMap = NULL;
    unsigned char* m_pView = NULL;
    std::vector<unsigned char> m_written;
};

bool IsRunning(HANDLE hProcess)
{
    return ::WaitForSingleObject(hProcess, 0) == WAIT_TIMEOUT;
}

TEST(BadSharedInput, InstanceListBeyondItsCapacityWithUnrelatedProcesses)
{
    WipeAll();
    CHostileList list;
    ASSERT_TRUE(list.Create());
    DWORD victimId = 0;
    HANDLE hVictim = pixtest::StartProcess("C:\\windows\\notepad.exe", &victimId);
    ASSERT_TRUE(hVictim);
    pixtest::WaitForWindow(victimId, nullptr, nullptr, 10000);
    const std::string package = MakePackage("pkg");
    const uint32_t counts[] = {1000, 1001, 5000, 0xFFFFFFFFu, 3};
    for (uint32_t count : counts) {
        // The unrelated programs stand first, where the close pass looks.
        list.Write(count, {victimId, ::GetCurrentProcessId(), victimId});
        const SRunOutcome outcome = RunWatched(package + "\\setup.exe", "-install /S -s", package, false);
        EXPECT_TRUE(outcome.ended) << count << ": " << Describe(outcome);
        EXPECT_TRUE(IsSaneExitCode(outcome.exitCode)) << count << ": " << Describe(outcome);
        EXPECT_TRUE(outcome.windows.empty()) << count << ": " << Describe(outcome);
        EXPECT_TRUE(IsRunning(hVictim)) << "an unrelated process was terminated, count " << count;
        EXPECT_EQ(-1, list.FirstChangePastList()) << "written past the list, count " << count;
        // setup leaves the list as it found it: a full list takes no new id, and its own goes at its end.
        EXPECT_TRUE(list.ListUnchanged()) << count;
        WipeInstalled();
        if (!IsRunning(hVictim))
            break;
    }
    // The uninstaller's first stage closes copies without asking, silent or not.
    const std::string folder = MakeInstallation("listinst", "", true);
    list.Write(1001, {victimId, ::GetCurrentProcessId()});
    const SRunOutcome outcome = RunWatched(folder + "\\PixUnInst.exe", "-s", "C:\\", true);
    EXPECT_TRUE(outcome.ended && IsSaneExitCode(outcome.exitCode)) << Describe(outcome);
    EXPECT_TRUE(outcome.windows.empty()) << Describe(outcome);
    EXPECT_TRUE(IsRunning(hVictim)) << "the uninstaller terminated an unrelated process";
    EXPECT_EQ(-1, list.FirstChangePastList());
    EXPECT_TRUE(list.ListUnchanged());
    ::TerminateProcess(hVictim, 0);
    ::CloseHandle(hVictim);
    WipeAll();
}

TEST(BadSharedInput, HugeAndBinaryHomePageAndAgreementThroughTheWizard)
{
    std::string binary(60000, '\0');
    uint32_t seed = 7;
    for (char& c : binary) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    // Words, not one unbroken run of letters: Wine's edit control needs minutes to lay out a
    // single 60,000-letter word, which says nothing about setup.
    std::string endlessWords;
    while (endlessWords.size() < 60000)
        endlessWords += "szerz\xF5" "d\xE9s ";
    const struct {
        const char* label;
        std::string homePage;
        std::string agreement;
    } cases[] = {
        {"one endless line", "URL=http://x/?" + std::string(100000, 'q'), endlessWords},
        {"binary", std::string("URL=http://\0?", 13) + binary, binary},
    };
    for (const auto& c : cases) {
        WipeAll();
        const std::string package = MakePackage("wiz");
        pixtest::WriteFileBytes(package + "\\HomePage.url", c.homePage);
        pixtest::WriteFileBytes(package + "\\agreement.txt", c.agreement);
        std::string line = "\"" + package + "\\setup.exe\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(::CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, package.c_str(), &si, &pi));
        ::CloseHandle(pi.hThread);
        std::string message;
        const bool finished = e2e::RunWizardToFinish(pi.dwProcessId, pi.hProcess, false, &message);
        EXPECT_TRUE(finished) << c.label << ": " << message;
        if (!finished)
            pixtest::SaveScreenshot(NULL, "C:\\pixbad-wizard.bmp");
        DWORD code = 0xDEAD;
        if (::WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0)
            ::TerminateProcess(pi.hProcess, 0xDEAD);
        ::GetExitCodeProcess(pi.hProcess, &code);
        ::CloseHandle(pi.hProcess);
        EXPECT_EQ(0u, code) << c.label;
        // One page opened, on the maker's server, its query cut where the line buffer ends.
        // The recorder runs from the installation folder, which the next case wipes: let it end.
        EXPECT_TRUE(e2e::WaitForRecordedPage(20000)) << c.label << ": no page was recorded";
        const std::vector<std::string> urls = e2e::ReadLines(e2e::kOpenedUrls);
        ASSERT_EQ(1u, urls.size()) << c.label;
        EXPECT_EQ(0u, urls[0].find(PIX_MAKER_WEB_SERVER "/pxr/")) << urls[0].substr(0, 100);
        EXPECT_LT(urls[0].size(), 300u) << c.label;
    }
    WipeAll();
}

}  // namespace
