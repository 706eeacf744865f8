// tests/install_ops/OpsTestHelpers.cpp - registry clean-up, delayed-deletion records and held files for the engine tests.
#include "install_ops/OpsTestHelpers.h"
#include <vector>

namespace opstest {

void DeleteKeyTree(HKEY hRoot, const std::string& key)
{
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(hRoot, key.c_str(), 0, KEY_READ | KEY_WRITE, &hKey) != ERROR_SUCCESS)
        return;
    char name[256];
    for (;;) {
        DWORD cchName = sizeof name;
        if (::RegEnumKeyExA(hKey, 0, name, &cchName, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        DeleteKeyTree(hKey, name);
    }
    ::RegCloseKey(hKey);
    ::RegDeleteKeyA(hRoot, key.c_str());
}

bool SetRawValue(HKEY hRoot, const char* pszKey, const char* pszValue, DWORD type, const std::string& bytes)
{
    HKEY hKey = NULL;
    if (::RegCreateKeyA(hRoot, pszKey, &hKey) != ERROR_SUCCESS)
        return false;
    const LONG status = ::RegSetValueExA(hKey, pszValue, 0, type,
                                         reinterpret_cast<const BYTE*>(bytes.data()),
                                         static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(hKey);
    return status == ERROR_SUCCESS;
}

std::string ReadPendingDeletions()
{
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                        KEY_READ, &hKey) != ERROR_SUCCESS)
        return std::string();
    DWORD cbData = 0;
    DWORD type = 0;
    std::string result;
    if (::RegQueryValueExW(hKey, L"PendingFileRenameOperations", NULL, &type, NULL, &cbData) == ERROR_SUCCESS
        && cbData > 0) {
        std::vector<wchar_t> data(cbData / sizeof(wchar_t) + 2, L'\0');
        if (::RegQueryValueExW(hKey, L"PendingFileRenameOperations", NULL, &type,
                               reinterpret_cast<BYTE*>(data.data()), &cbData) == ERROR_SUCCESS) {
            // Pairs of source and target; a deletion has an empty target, so empty strings
            // do not end the list here, the data's size does.
            const size_t count = cbData / sizeof(wchar_t);
            for (size_t i = 0; i < count; i += wcslen(&data[i]) + 1) {
                char narrow[1024] = "";
                ::WideCharToMultiByte(CP_ACP, 0, &data[i], -1, narrow, sizeof narrow, NULL, NULL);
                if (narrow[0])
                    result += Lower(narrow) + "\n";
            }
        }
    }
    ::RegCloseKey(hKey);
    return result;
}

bool IsPendingDeletion(const std::string& path)
{
    const std::string records = ReadPendingDeletions();
    const std::string wanted = Lower(path) + "\n";
    size_t pos = 0;
    while ((pos = records.find(wanted, pos)) != std::string::npos) {
        // The record must be the whole line: the path itself or the path after "\??\".
        if (pos == 0 || records[pos - 1] == '\n' || (pos >= 4 && records.compare(pos - 4, 4, "\\??\\") == 0))
            return true;
        ++pos;
    }
    return false;
}

HANDLE HoldFileExclusively(const std::string& path)
{
    return ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, NULL);
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

DWORD GetAttributes(const std::string& path) { return ::GetFileAttributesA(path.c_str()); }

}  // namespace opstest
