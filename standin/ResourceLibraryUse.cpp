// standin/ResourceLibraryUse.cpp - loads PixRes5.dll as the capture application does and
// reports what the load-time call and the library's resources gave it.
#include "standin/ResourceLibraryUse.h"
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kLoadSwitch[] = "-loadres";
const char kResultSwitch[] = "-callback-result";
const UINT kStringIds[] = {101, 57344};
const WORD kMainMenuId = 99;
const WORD kHotkeyDialogId = 135;

// Words of the command line; a word in double quotes may hold spaces (paths).
std::vector<std::string> SplitWords(const char* pszCommandLine)
{
    std::vector<std::string> words;
    const char* p = pszCommandLine ? pszCommandLine : "";
    while (*p) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (!*p)
            break;
        std::string word;
        const bool bQuoted = *p == '"';
        if (bQuoted)
            ++p;
        while (*p && (bQuoted ? *p != '"' : (*p != ' ' && *p != '\t')))
            word += *p++;
        if (bQuoted && *p == '"')
            ++p;
        words.push_back(word);
    }
    return words;
}

std::string FormatHandle(const void* p)
{
    static const char kDigits[] = "0123456789abcdef";
    UINT_PTR value = reinterpret_cast<UINT_PTR>(p);
    std::string digits;
    do {
        digits.insert(digits.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value);
    return "0x" + digits;
}

std::string Utf8FromWide(const wchar_t* psz, int nChars)
{
    const int nBytes = ::WideCharToMultiByte(CP_UTF8, 0, psz, nChars, NULL, 0, NULL, NULL);
    if (nBytes <= 0)
        return std::string();
    std::string text(nBytes, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, psz, nChars, &text[0], nBytes, NULL, NULL);
    return text;
}

std::string LoadLibraryString(HMODULE hLibrary, UINT id)
{
    const wchar_t* psz = NULL;
    // Length 0 asks for a read-only pointer into the resource instead of a copy.
    const int n = ::LoadStringW(hLibrary, id, reinterpret_cast<LPWSTR>(&psz), 0);
    return n > 0 ? Utf8FromWide(psz, n) : std::string();
}

std::string DescribeMenu(HMODULE hLibrary, WORD id)
{
    HMENU hMenu = ::LoadMenuW(hLibrary, MAKEINTRESOURCEW(id));
    if (!hMenu)
        return std::string();
    std::string texts;
    const int nItems = ::GetMenuItemCount(hMenu);
    for (int i = 0; i < nItems; ++i) {
        wchar_t text[128] = L"";
        const int n = ::GetMenuStringW(hMenu, i, text, 128, MF_BYPOSITION);
        texts += (i ? "|" : "") + Utf8FromWide(text, n);
    }
    ::DestroyMenu(hMenu);
    return texts;
}

INT_PTR CALLBACK SilentDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// Creating the dialog (not just finding its template) proves the template and its control
// classes are usable. The hot-key controls live in comctl32, which registers them on load.
std::string DescribeDialog(HMODULE hLibrary, WORD id)
{
    ::LoadLibraryA("comctl32.dll");
    HWND hDialog = ::CreateDialogParamW(hLibrary, MAKEINTRESOURCEW(id), NULL, SilentDialogProc, 0);
    if (!hDialog)
        return std::string();
    wchar_t caption[128] = L"";
    const int n = ::GetWindowTextW(hDialog, caption, 128);
    ::DestroyWindow(hDialog);
    return Utf8FromWide(caption, n);
}

std::string DescribeResources(HMODULE hLibrary)
{
    std::string report;
    for (UINT id : kStringIds)
        report += "string-" + std::to_string(id) + "=" + LoadLibraryString(hLibrary, id) + "\r\n";
    report += "menu-99=" + DescribeMenu(hLibrary, kMainMenuId) + "\r\n";
    report += "dialog-135=" + DescribeDialog(hLibrary, kHotkeyDialogId) + "\r\n";
    return report;
}

std::string LoadAndDescribe(const std::string& libraryPath)
{
    HMODULE hLibrary = ::LoadLibraryA(libraryPath.c_str());
    const DWORD dwError = hLibrary ? 0 : ::GetLastError();
    const HostCallbackRecord record = GetHostCallbackRecord();
    std::string report = "host=" + FormatHandle(::GetModuleHandleA(NULL)) + "\r\n";
    report += "load=" + FormatHandle(hLibrary) + "\r\n";
    report += "load-error=" + std::to_string(dwError) + "\r\n";
    report += "callback-calls=" + std::to_string(record.nCalls) + "\r\n";
    report += "callback-host=" + FormatHandle(record.hHost) + "\r\n";
    report += "callback-library=" + FormatHandle(record.hLibrary) + "\r\n";
    if (hLibrary) {
        report += DescribeResources(hLibrary);
        ::FreeLibrary(hLibrary);
        report += "callback-calls-after-free=" + std::to_string(GetHostCallbackRecord().nCalls);
        report += "\r\n";
    }
    return report;
}

bool WriteReport(const std::string& path, const std::string& report)
{
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL bOk = ::WriteFile(h, report.data(), static_cast<DWORD>(report.size()), &written, NULL);
    ::CloseHandle(h);
    return bOk && written == report.size();
}

}  // namespace

bool StandinUseResourceLibrary(const char* pszCommandLine)
{
    const std::vector<std::string> words = SplitWords(pszCommandLine);
    size_t at = 0;
    while (at < words.size() && words[at] != kLoadSwitch)
        ++at;
    if (at == words.size())
        return false;
    // Asked for but incomplete: still handled (the caller ends), with nothing to report to.
    if (at + 2 >= words.size())
        return true;
    for (size_t i = at + 3; i + 1 < words.size(); ++i)
        if (words[i] == kResultSwitch)
            SetHostCallbackResult(std::atoi(words[i + 1].c_str()));
    WriteReport(words[at + 2], LoadAndDescribe(words[at + 1]));
    return true;
}
