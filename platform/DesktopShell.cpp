// platform/DesktopShell.cpp - the person at the desktop, as the desktop's shell knows them.
#include "platform/DesktopShell.h"
#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>
#include <vector>
#include <aclapi.h>
#include <sddl.h>
#include "framework/Handles.h"
#include "framework/UiText.h"
#include "platform/ObjectSecurity.h"
#include "platform/Process.h"
#include "platform/ProcessImage.h"
#include "platform/SystemLibrary.h"
#include "text/PathText.h"

namespace {

typedef BSTR (WINAPI* SysAllocStringProc)(const OLECHAR*);
typedef void (WINAPI* SysFreeStringProc)(BSTR);

const wchar_t kOpenVerb[] = L"open";

// The component library for the span of one call; the process may have it already.
class CComScope {
public:
    CComScope() : m_hr(::CoInitialize(NULL)) {}
    ~CComScope() { if (SUCCEEDED(m_hr)) ::CoUninitialize(); }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;
private:
    HRESULT m_hr;
};

// Texts that cross to another process go as the automation library's strings, which that
// library, loaded from the system folder only, allocates and frees.
class CAutomationStrings {
public:
    CAutomationStrings()
        : m_oleaut32(LoadSystemLibrary(L"oleaut32.dll")),
          m_pfnAlloc(m_oleaut32.Export<SysAllocStringProc>("SysAllocString")),
          m_pfnFree(m_oleaut32.Export<SysFreeStringProc>("SysFreeString")) {}
    ~CAutomationStrings()
    {
        for (BSTR text : m_made)
            m_pfnFree(text);
    }
    bool IsUsable() const { return m_pfnAlloc && m_pfnFree; }
    // NULL when it cannot be made; freed with this object.
    BSTR Make(const std::wstring& text)
    {
        BSTR made = m_pfnAlloc(text.c_str());
        if (made)
            m_made.push_back(made);
        return made;
    }
    CAutomationStrings(const CAutomationStrings&) = delete;
    CAutomationStrings& operator=(const CAutomationStrings&) = delete;
private:
    CLibrary m_oleaut32;
    SysAllocStringProc m_pfnAlloc;
    SysFreeStringProc m_pfnFree;
    std::vector<BSTR> m_made;
};

VARIANT MakeVariant(VARTYPE type)
{
    VARIANT value;
    ZeroMemory(&value, sizeof value);
    value.vt = type;
    return value;
}

// The desktop shell's window, and its dispatch object when pDesktop is given. NULL when there is
// no desktop shell.
HWND FindDesktopWindow(IShellWindows* pWindows, IDispatch** ppDesktop)
{
    VARIANT location = MakeVariant(VT_I4);
    location.lVal = CSIDL_DESKTOP;
    VARIANT root = MakeVariant(VT_EMPTY);
    LONG hwnd = 0;
    CComPtr<IDispatch> desktop;
    if (pWindows->FindWindowSW(&location, &root, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, &desktop) != S_OK)
        return NULL;
    if (ppDesktop) {
        *ppDesktop = desktop;
        (*ppDesktop)->AddRef();
    }
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwnd));
}

// The shell's automation object of the desktop's own view, which runs in the shell's process.
bool FindDesktopShellDispatch(IShellDispatch2** ppShell)
{
    CComPtr<IShellWindows> windows;
    CComPtr<IDispatch> desktop;
    CComPtr<IServiceProvider> services;
    CComPtr<IShellBrowser> browser;
    CComPtr<IShellView> view;
    CComPtr<IDispatch> background;
    CComPtr<IShellFolderViewDual> folderView;
    CComPtr<IDispatch> application;
    return SUCCEEDED(::CoCreateInstance(CLSID_ShellWindows, NULL, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                        reinterpret_cast<void**>(&windows))) &&
           FindDesktopWindow(windows, &desktop) &&
           SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&services))) &&
           SUCCEEDED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                            reinterpret_cast<void**>(&browser))) &&
           SUCCEEDED(browser->QueryActiveShellView(&view)) &&
           SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, reinterpret_cast<void**>(&background))) &&
           SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, reinterpret_cast<void**>(&folderView))) &&
           SUCCEEDED(folderView->get_Application(&application)) &&
           SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(ppShell)));
}

bool StartThroughDesktopShell(const std::wstring& file, const std::wstring& folder)
{
    CComScope com;
    CAutomationStrings strings;
    CComPtr<IShellDispatch2> shell;
    if (!strings.IsUsable() || !FindDesktopShellDispatch(&shell))
        return false;
    BSTR fileText = strings.Make(file);
    VARIANT arguments = MakeVariant(VT_EMPTY);
    VARIANT workingFolder = MakeVariant(folder.empty() ? VT_EMPTY : VT_BSTR);
    if (!folder.empty())
        workingFolder.bstrVal = strings.Make(folder);
    VARIANT operation = MakeVariant(VT_BSTR);
    operation.bstrVal = strings.Make(kOpenVerb);
    VARIANT show = MakeVariant(VT_I4);
    show.lVal = SW_SHOWNORMAL;
    if (!fileText || !operation.bstrVal || (!folder.empty() && !workingFolder.bstrVal))
        return false;
    return SUCCEEDED(shell->ShellExecute(fileText, arguments, workingFolder, operation, show));
}

// The process id of the desktop shell's window; 0 when there is no desktop shell.
DWORD AskDesktopShellProcessId()
{
    CComScope com;
    CComPtr<IShellWindows> windows;
    if (FAILED(::CoCreateInstance(CLSID_ShellWindows, NULL, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                  reinterpret_cast<void**>(&windows))))
        return 0;
    HWND hDesktop = FindDesktopWindow(windows, NULL);
    DWORD processId = 0;
    return hDesktop && ::GetWindowThreadProcessId(hDesktop, &processId) ? processId : 0;
}

// One errand to the desktop shell's process, run on a thread of its own (in an apartment of its
// own) so that the caller can stop waiting: a call into another process may never return when
// that process hangs, and neither a time-out nor a cancellation reaches a call that the other
// side has taken and does not answer. The caller and the thread each hold a reference; the last
// to let go frees it, so an abandoned thread that returns late finds its errand still there.
struct SShellErrand {
    LONG references;
    bool (*pfnRoute)(const std::wstring& file, const std::wstring& folder);  // NULL: find the shell's process
    std::wstring file;
    std::wstring folder;
    DWORD shellProcessId;
    bool succeeded;
};

void ReleaseErrand(SShellErrand* pErrand)
{
    if (::InterlockedDecrement(&pErrand->references) == 0)
        delete pErrand;
}

DWORD WINAPI RunErrand(void* param)
{
    SShellErrand* pErrand = static_cast<SShellErrand*>(param);
    if (pErrand->pfnRoute)
        pErrand->succeeded = pErrand->pfnRoute(pErrand->file, pErrand->folder);
    else
        pErrand->succeeded = (pErrand->shellProcessId = AskDesktopShellProcessId()) != 0;
    ReleaseErrand(pErrand);
    return 0;
}

HANDLE StartErrand(SShellErrand* pErrand)
{
    pErrand->references = 2;
    const HANDLE hThread = ::CreateThread(NULL, 0, RunErrand, pErrand, 0, NULL);
    if (!hThread)
        delete pErrand;
    return hThread;
}

// False when the errand failed or did not end within the bound; it is then left to end, or
// not, by itself, and what it does afterwards is not looked at. Takes the errand and its thread
// over.
bool FinishErrand(SShellErrand* pErrand, HANDLE hThread, DWORD* pShellProcessId)
{
    const CHandle thread(hThread);
    const bool ended = ::WaitForSingleObject(thread, g_desktopShellBoundMs) == WAIT_OBJECT_0;
    const bool succeeded = ended && pErrand->succeeded;
    if (succeeded && pShellProcessId)
        *pShellProcessId = pErrand->shellProcessId;
    ReleaseErrand(pErrand);
    return succeeded;
}

bool RunErrandBounded(SShellErrand* pErrand, DWORD* pShellProcessId)
{
    const HANDLE hThread = StartErrand(pErrand);
    return hThread && FinishErrand(pErrand, hThread, pShellProcessId);
}

// The look-up for the desktop shell's process that StartFindingDesktopShell began, with its
// thread; the next FindDesktopShellProcessId takes it over.
SShellErrand* g_pLookupAhead = NULL;
HANDLE g_hLookupAhead = NULL;

// The road of a process that is the person at the desktop already, or where no desktop shell
// runs or answers.
bool StartDirectly(const std::string& file, const std::string& folder, DesktopStart kind)
{
    const char* pszFolder = folder.empty() ? NULL : folder.c_str();
    if (kind == DesktopStart::Document)
        return reinterpret_cast<INT_PTR>(::ShellExecuteA(NULL, "open", file.c_str(), NULL, pszFolder, SW_SHOW)) > 32;
    return FitsPath(file) && StartProgram(file, "\"" + file + "\"", false, pszFolder);
}

// The shell's token names its user; where the token refuses an administrator of another
// account, the process's owner, which is the same account, is read instead.
std::vector<BYTE> ReadProcessUserSid(HANDLE hProcess)
{
    HANDLE hToken = NULL;
    if (::OpenProcessToken(hProcess, TOKEN_QUERY, &hToken)) {
        std::vector<BYTE> sid = ReadTokenUserSid(hToken);
        ::CloseHandle(hToken);
        if (!sid.empty())
            return sid;
    }
    PSID pOwner = NULL;
    PSECURITY_DESCRIPTOR pDescriptor = NULL;
    if (::GetSecurityInfo(hProcess, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &pOwner, NULL, NULL, NULL,
                          &pDescriptor) != ERROR_SUCCESS)
        return std::vector<BYTE>();
    std::vector<BYTE> sid;
    if (pOwner && ::IsValidSid(pOwner))
        sid.assign(static_cast<BYTE*>(pOwner), static_cast<BYTE*>(pOwner) + ::GetLengthSid(pOwner));
    ::LocalFree(pDescriptor);
    return sid;
}

bool ReadDesktopUserSid(std::vector<BYTE>* pSid)
{
    const DWORD shellId = FindDesktopShellProcessId();
    if (shellId == 0)
        return false;
    CHandle shell(OpenAnyAccountProcess(PROCESS_QUERY_INFORMATION | READ_CONTROL, shellId));
    if (!shell.IsValid())
        return false;
    *pSid = ReadProcessUserSid(shell);
    return !pSid->empty();
}

bool IsSameSid(const std::vector<BYTE>& a, const std::vector<BYTE>& b)
{
    return !a.empty() && !b.empty() && ::EqualSid(const_cast<BYTE*>(a.data()), const_cast<BYTE*>(b.data()));
}

}  // namespace

bool (*g_pfnReadDesktopUserSid)(std::vector<BYTE>*) = ReadDesktopUserSid;

std::string FindDesktopUserHive()
{
    std::vector<BYTE> person;
    if (!g_pfnReadDesktopUserSid(&person) || IsSameSid(person, MakeTrusteeSid(Trustee::TokenUser)))
        return std::string();
    char* pszSid = NULL;
    if (!::ConvertSidToStringSidA(person.data(), &pszSid))
        return std::string();
    const std::string hive = pszSid;
    ::LocalFree(pszSid);
    // A hive that is not loaded (the person logged off meanwhile) holds nothing to use.
    CRegKey key;
    return key.Open(HKEY_USERS, hive.c_str(), KEY_QUERY_VALUE) == ERROR_SUCCESS ? hive : std::string();
}

bool (*g_pfnStartThroughDesktopShell)(const std::wstring&, const std::wstring&) = StartThroughDesktopShell;

DWORD g_desktopShellBoundMs = 5000;

bool StartAsDesktopUser(const std::string& file, const std::string& folder, DesktopStart kind)
{
    // A shell that takes the errand but answers only after the bound may still carry it out
    // then: the start may happen twice, which is better than a setup that never ends.
    SShellErrand* pErrand = new SShellErrand{0, g_pfnStartThroughDesktopShell, WideFromAnsi(file),
                                             WideFromAnsi(folder), 0, false};
    return RunErrandBounded(pErrand, NULL) || StartDirectly(file, folder, kind);
}

void StartFindingDesktopShell()
{
    if (g_pLookupAhead)
        return;
    SShellErrand* pErrand = new SShellErrand{0, NULL, std::wstring(), std::wstring(), 0, false};
    g_hLookupAhead = StartErrand(pErrand);
    g_pLookupAhead = g_hLookupAhead ? pErrand : NULL;
}

DWORD FindDesktopShellProcessId()
{
    if (!g_pLookupAhead)
        StartFindingDesktopShell();
    SShellErrand* const pErrand = g_pLookupAhead;
    g_pLookupAhead = NULL;
    DWORD processId = 0;
    if (pErrand)
        FinishErrand(pErrand, g_hLookupAhead, &processId);
    return processId;
}
