// download/PrivateFolder.cpp - the fresh folder that the download unpacks the package into.
#include "download/PrivateFolder.h"
#include <sddl.h>
#include <ntsecapi.h>

namespace {

// Full control for the system and the administrators, nothing for anyone else, and nothing
// inherited from the folder above ("P"): an unelevated process of an administrator holds the
// administrators' group for denying only. What is created inside inherits the same.
const wchar_t kPrivateFolderSddl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
const wchar_t kFolderNamePrefix[] = L"PixSetup-";
// Names are random: another process may have made the next one already, and then the next.
const int kNameAttempts = 16;

bool IsAdministrator()
{
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD cbSid = sizeof(sid);
    BOOL member = FALSE;
    if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, NULL, sid, &cbSid))
        return false;
    return ::CheckTokenMembership(NULL, sid, &member) && member;
}

std::wstring TrimSeparator(std::wstring folder)
{
    if (!folder.empty() && folder[folder.size() - 1] == L'\\')
        folder.resize(folder.size() - 1);
    return folder;
}

std::wstring WindowsTempFolder()
{
    wchar_t path[MAX_PATH];
    const UINT n = ::GetSystemWindowsDirectoryW(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return std::wstring();
    return TrimSeparator(path) + L"\\Temp";
}

std::wstring UserTempFolder()
{
    wchar_t path[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, path);
    if (n == 0 || n > MAX_PATH)
        return std::wstring();
    return TrimSeparator(path);
}

std::wstring RandomName()
{
    DWORD value[2] = {0, 0};
    if (!RtlGenRandom(value, sizeof(value))) {
        value[0] = ::GetTickCount();
        value[1] = ::GetCurrentProcessId();
    }
    wchar_t name[32];
    wsprintfW(name, L"%s%08lx%08lx", kFolderNamePrefix, value[0], value[1]);
    return name;
}

// Makes a folder of a name that did not exist before; a name taken by someone else is never used.
std::wstring CreateFreshFolder(const std::wstring& parent, SECURITY_ATTRIBUTES* pAttributes)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::wstring path = parent + L"\\" + RandomName();
        if (g_pfnCreateDirectoryW(path.c_str(), pAttributes))
            return path;
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return std::wstring();
}

}  // namespace

BOOL (WINAPI* g_pfnCreateDirectoryW)(LPCWSTR pszPath, LPSECURITY_ATTRIBUTES pAttributes) = ::CreateDirectoryW;

bool CPrivateFolder::Create()
{
    if (!IsAdministrator()) {
        const std::wstring parent = UserTempFolder();
        m_path = parent.empty() ? parent : CreateFreshFolder(parent, NULL);
        return !m_path.empty();
    }
    const std::wstring parent = WindowsTempFolder();
    PSECURITY_DESCRIPTOR pDescriptor = NULL;
    if (parent.empty() || !::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            kPrivateFolderSddl, SDDL_REVISION_1, &pDescriptor, NULL))
        return false;
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = pDescriptor;
    m_path = CreateFreshFolder(parent, &attributes);
    ::LocalFree(pDescriptor);
    return !m_path.empty();
}

void CPrivateFolder::Remove()
{
    if (m_path.empty())
        return;
    // Only files are ever unpacked here, and nobody else may write here: a folder found inside
    // was not put there by us, and is left alone with the folder around it.
    WIN32_FIND_DATAW found;
    HANDLE hFind = ::FindFirstFileW((m_path + L"\\*").c_str(), &found);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            const std::wstring file = m_path + L"\\" + found.cFileName;
            if (!::DeleteFileW(file.c_str()))
                ::MoveFileExW(file.c_str(), NULL, MOVEFILE_DELAY_UNTIL_REBOOT);  // best effort
        } while (::FindNextFileW(hFind, &found));
        ::FindClose(hFind);
    }
    if (!::RemoveDirectoryW(m_path.c_str()))
        ::MoveFileExW(m_path.c_str(), NULL, MOVEFILE_DELAY_UNTIL_REBOOT);  // best effort
    m_path.clear();
}
