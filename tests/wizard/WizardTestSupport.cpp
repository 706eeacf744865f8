// tests/wizard/WizardTestSupport.cpp - starts the wizard host and moves through the wizard.
#include <gtest/gtest.h>
#include "support/GuiDriver.h"
#include "support/TestSupport.h"
#include "wizard/WizardTestSupport.h"

using namespace pixtest;

namespace wiztest {

const char kFrameTitle[] = "A Pixorama 5 telepítése";
const char kAgreementTitle[] = "Kérjük fogadja el a licenc szerződést";
const char kNextText[] = "&Tovább >";
const char kCancelText[] = "Mégse";
const char kYesText[] = "Igen";
const char kNoText[] = "Nem";
const char kFinishText[] = "&Befejezés >";
const char kConfirmCancel[] = "Valóban megszakítja a Pixorama 5 telepítését?";
const char kReadyLine1[] = "Mostmár telepítheti a Pixorama 5-öt.";
const char kReadyLine2[] =
    "Kérjük válassza a \"Tovább >\" gombot a telepítés folytatásához, illetve a \"< Vissza\" gombot a "
    "telepítési beállítások módosításához.";

const char kFilesFailed[] =
    "A Pixorama 5 telepítése nem sikerült: a program fájljait nem lehetett a célmappába írni.";
const char kTryAgain[] =
    "Kérjük zárja be a telepítőt a \"Befejezés >\" gombbal, majd rendszergazdaként próbálja újra a telepítést.";

// Generous: a page that reads a large file, on a loaded machine, takes its time to show.
const DWORD kPageShowMs = 30000;

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (::GetTickCount64() >= deadline)
            return false;
        ::Sleep(kPollMs);
    }
}

CWizardRun::~CWizardRun()
{
    if (!m_hProcess)
        return;
    if (::WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT)
        ::TerminateProcess(m_hProcess, 99);
    ::CloseHandle(m_hProcess);
}

bool CWizardRun::Start(const std::string& arguments)
{
    static int s_run = 0;
    m_resultPath = MakeScratchFolder("wizard-result") + "\\run" + std::to_string(++s_run) + ".txt";
    const std::string host = OutDir() + "\\tests\\wizard_host.exe";
    m_hProcess = StartProcess("\"" + host + "\" \"out=" + m_resultPath + "\" " + arguments, &m_processId);
    if (!m_hProcess) {
        ADD_FAILURE() << "the wizard host could not be started, error " << ::GetLastError();
        return false;
    }
    m_hFrame = WaitForWindow(m_processId, kDialogClass, kFrameTitle);
    return m_hFrame != NULL && WaitForPage(0);
}

int CWizardRun::VisiblePage() const
{
    // One control that only that page has, and that stays visible while the page shows.
    static const int kMarkers[][2] = {{1003, 0}, {1000, 1}, {1005, 2}, {1007, 3}, {1010, 4}};
    for (const auto& marker : kMarkers) {
        HWND h = FindControl(m_hFrame, marker[0]);
        if (h && ::IsWindowVisible(h))
            return marker[1];
    }
    return -1;
}

bool CWizardRun::WaitForPage(int page)
{
    return WaitUntil([&] { return VisiblePage() == page; }, kPageShowMs);
}

bool CWizardRun::PressAndWaitForPage(int buttonId, int page)
{
    return PressButton(m_hFrame, buttonId) && WaitForPage(page);
}

bool CWizardRun::CancelWithYes()
{
    return PressButton(m_hFrame, IDCANCEL) && AnswerBox(IDYES) && WaitForProcessEnd(m_processId);
}

bool CWizardRun::AnswerBox(int button, MessageBoxInfo* pBox)
{
    const HWND hBox = WaitForMessageBox(m_processId);
    if (!hBox) {
        ADD_FAILURE() << "awaited a message box of the wizard host; none showed, and the host "
                      << (WaitForProcessEnd(m_processId, 0) ? "has ended" : "is still running");
        return false;
    }
    if (pBox && !ReadMessageBox(hBox, pBox)) {
        ADD_FAILURE() << "a message box showed but could not be read";
        return false;
    }
    if (PressButton(hBox, button) && WaitForWindowGone(hBox))
        return true;
    ADD_FAILURE() << "awaited the message box to go after button " << button << "; it is still shown";
    return false;
}

bool CWizardRun::GoToPage(int page)
{
    for (int p = VisiblePage(); p >= 0 && p < page; ++p)
        if (!PressAndWaitForPage(IDOK, p + 1))
            return false;
    return VisiblePage() == page;
}

bool CWizardRun::InstallAndWaitForFinish()
{
    return PressButton(m_hFrame, IDOK) &&
           WaitUntil([&] { return Text(IDOK) == kFinishText && Enabled(IDOK); }, 120000);
}

std::string CWizardRun::Text(int id) const { return ReadControlText(m_hFrame, id); }

bool CWizardRun::Visible(int id) const
{
    HWND h = FindControl(m_hFrame, id);
    return h && ::IsWindowVisible(h);
}

bool CWizardRun::Enabled(int id) const
{
    HWND h = FindControl(m_hFrame, id);
    return h && ::IsWindowEnabled(h);
}

HWND CWizardRun::PageOf(int id) const
{
    HWND h = FindControl(m_hFrame, id);
    return h ? ::GetParent(h) : NULL;
}

std::string CWizardRun::MeasureTexts() const
{
    const std::string name = "Local\\PixFit" + std::to_string(m_processId);
    HANDLE hRequest = NULL, hDone = NULL;
    WaitUntil([&] {
        hRequest = hRequest ? hRequest : ::OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + "Request").c_str());
        hDone = hDone ? hDone : ::OpenEventA(SYNCHRONIZE, FALSE, (name + "Done").c_str());
        return hRequest && hDone;
    });
    std::string report;
    if (hRequest && hDone && ::SetEvent(hRequest) && ::WaitForSingleObject(hDone, kDefaultWaitMs) == WAIT_OBJECT_0)
        report = ReadFileBytes(m_resultPath + ".fit");
    if (hRequest) ::CloseHandle(hRequest);
    if (hDone) ::CloseHandle(hDone);
    return report;
}

std::map<std::string, std::string> CWizardRun::WaitForResult(DWORD timeoutMs)
{
    std::map<std::string, std::string> values;
    if (!m_hProcess || !WaitForExit(m_hProcess, timeoutMs))
        return values;
    const std::string bytes = ReadFileBytes(m_resultPath);
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos)
            end = bytes.size();
        const std::string line = bytes.substr(pos, end - pos);
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
        pos = end + 1;
    }
    return values;
}

CRegistryOverride::CRegistryOverride(HKEY hRoot, const char* pszKey, const char* pszValue, DWORD type,
                                     const void* pData, DWORD size)
    : m_hRoot(hRoot), m_key(pszKey), m_value(pszValue)
{
    char buffer[1024];
    DWORD oldSize = sizeof buffer;
    m_hadValue = ::RegGetValueA(hRoot, pszKey, pszValue, RRF_RT_ANY | RRF_NOEXPAND, &m_oldType, buffer, &oldSize) ==
                 ERROR_SUCCESS;
    if (m_hadValue)
        m_old.assign(buffer, oldSize);
    ::RegSetKeyValueA(hRoot, pszKey, pszValue, type, pData, size);
}

CRegistryOverride::~CRegistryOverride()
{
    if (m_hadValue)
        ::RegSetKeyValueA(m_hRoot, m_key.c_str(), m_value.c_str(), m_oldType, m_old.data(),
                          static_cast<DWORD>(m_old.size()));
    else
        ::RegDeleteKeyValueA(m_hRoot, m_key.c_str(), m_value.c_str());
}

CShellFolderOverride::CShellFolderOverride(HKEY hRoot, const char* pszValue, const std::string& folder)
    : CRegistryOverride(hRoot, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", pszValue,
                        REG_SZ, folder.c_str(), static_cast<DWORD>(folder.size() + 1))
{
}

RECT ChildRect(HWND hChild)
{
    RECT r = {};
    ::GetWindowRect(hChild, &r);
    ::MapWindowPoints(NULL, ::GetParent(hChild), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void SaveScreen(HWND hwnd, const char* name)
{
    // Painted now, whatever the load: the picture is taken from the screen.
    ::RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    const std::string folder = OutDir() + "\\tests\\screens";
    ::CreateDirectoryA(folder.c_str(), NULL);
    SaveScreenshot(hwnd, folder + "\\" + name + ".bmp");
}

std::string FirstLine(const std::string& text)
{
    const size_t end = text.find_first_of("\r\n");
    return end == std::string::npos ? text : text.substr(0, end);
}

}  // namespace wiztest
