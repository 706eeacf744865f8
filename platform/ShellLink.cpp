// platform/ShellLink.cpp - shortcut files.
#include "platform/ShellLink.h"
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <cstring>
#include <cwchar>
#include <string>
#include "framework/App.h"
#include "framework/Handles.h"
#include "framework/UiText.h"
#include "platform/RebootDelete.h"
#include "text/PathText.h"

namespace {

constexpr size_t kTargetBytes = 512;

// The component library stays initialised for the rest of the process: later shortcuts and
// the shell's own objects rely on it.
bool s_bComInitialised = false;

void InitialiseComOnce()
{
    if (s_bComInitialised)
        return;
    ::CoInitialize(NULL);
    s_bComInitialised = true;
}

// The diagnostic texts are English literals on purpose: they are for support, not for users.
void ShowLinkWarning(const wchar_t* pszText)
{
    CWinApp* pApp = CWinApp::GetApp();
    AppMessageBox(pApp ? pApp->m_hMainWnd : NULL, pszText, MB_OK | MB_ICONWARNING);
}

// The target without one leading and one trailing double quote; false when it does not fit.
bool UnquoteTarget(const char* pszTarget, char (&target)[kTargetBytes])
{
    const char* pszStart = (*pszTarget == '"') ? pszTarget + 1 : pszTarget;
    size_t length = std::strlen(pszStart);
    if (length >= kTargetBytes)
        return false;
    if (length > 0 && pszStart[length - 1] == '"')
        --length;
    std::memcpy(target, pszStart, length);
    target[length] = '\0';
    return true;
}

void SetLinkOptions(IShellLinkA* pLink, int nShowCmd, const char* pszArguments, const char* pszWorkingFolder)
{
    if (nShowCmd != SW_SHOWNORMAL)
        pLink->SetShowCmd(nShowCmd);
    if (pszArguments && *pszArguments)
        pLink->SetArguments(pszArguments);
    if (pszWorkingFolder && *pszWorkingFolder)
        pLink->SetWorkingDirectory(pszWorkingFolder);
}

}  // namespace

HRESULT SaveShellLink(const char* pszTarget, const wchar_t* pszLinkPath, const char* pszDescription,
                      int nShowCmd, const char* pszArguments, const char* pszWorkingFolder)
{
    // A path that does not fit is refused rather than cut into the name of another file.
    char target[kTargetBytes];
    if (!pszTarget || !pszLinkPath || !UnquoteTarget(pszTarget, target) || std::wcslen(pszLinkPath) >= kMaxPathChars)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);

    InitialiseComOnce();
    CComPtr<IShellLinkA> pLink;
    HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    reinterpret_cast<void**>(&pLink));
    if (FAILED(hr))
        return hr;
    CComPtr<IPersistFile> pFile;
    hr = pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile));
    if (FAILED(hr))
        return hr;

    // Both failures leave a usable, if poorer, shortcut: say so and go on.
    if (FAILED(pLink->SetPath(target)))
        ShowLinkWarning(L"SetPath failed!");
    if (FAILED(pLink->SetDescription(pszDescription ? pszDescription : "")))
        ShowLinkWarning(L"SetDescription failed!");
    SetLinkOptions(pLink, nShowCmd, pszArguments, pszWorkingFolder);

    hr = pFile->Save(pszLinkPath, TRUE);
    // An earlier uninstallation may have left a shortcut of this name to the next system start.
    if (SUCCEEDED(hr))
        WithdrawRestartDeletion(pszLinkPath);
    return hr;
}
