// platform/AnsiPath.cpp - how a path that the platform gives in UTF-16 becomes 8-bit text in the
// system code page.
#include "platform/AnsiPath.h"
#include <algorithm>
#include <vector>
#include "framework/UiText.h"
#include "text/PathText.h"

DWORD (WINAPI* g_pfnGetShortPathNameW)(LPCWSTR, LPWSTR, DWORD) = ::GetShortPathNameW;

namespace {

// The longest path the platform's wide services accept.
const DWORD kLongPathChars = 32768;

bool IsSystemLeadByte(unsigned char byte)
{
    return ::IsDBCSLeadByte(byte) != FALSE;
}

std::wstring GetShortForm(const std::wstring& path)
{
    std::vector<wchar_t> buffer(kLongPathChars);
    const DWORD length = g_pfnGetShortPathNameW(path.c_str(), buffer.data(), kLongPathChars);
    return (length == 0 || length >= kLongPathChars) ? std::wstring() : std::wstring(buffer.data(), length);
}

}  // namespace

bool SpellInCodePage(const std::wstring& text, std::string* pText)
{
    pText->clear();
    if (text.empty())
        return true;
    // A system code page of UTF-8 (a Windows 10 option) spells everything and takes neither the
    // flag nor the question; any other answers whether it had to put in its default character.
    const bool utf8 = ::GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* pUsedDefault = utf8 ? NULL : &usedDefault;
    const int length = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(CP_ACP, flags, text.data(), length, NULL, 0, NULL, pUsedDefault);
    if (bytes <= 0 || usedDefault)
        return false;
    std::string spelled(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, flags, text.data(), length, &spelled[0], bytes, NULL, NULL);
    // Not every code page honours the no-best-fit flag; reading back is what proves the spelling.
    if (WideFromAnsi(spelled) != text)
        return false;
    *pText = spelled;
    return true;
}

std::string AnsiPathFromWide(const std::wstring& path)
{
    std::string spelled;
    if (SpellInCodePage(path, &spelled))
        return spelled;
    // Part by part: only a part that the code page cannot spell takes its short name, so the names
    // that the product makes and compares ("PixUnInst.exe", its copy's folder) keep their own.
    spelled.clear();
    for (size_t start = 0;;) {
        const size_t end = std::min(path.find_first_of(L"\\/", start), path.size());
        std::string part;
        if (!SpellInCodePage(path.substr(start, end - start), &part)) {
            // The short form of the path up to this part ends with the part's short name.
            const std::wstring shortForm = GetShortForm(path.substr(0, end));
            const size_t separator = shortForm.find_last_of(L"\\/");
            if (shortForm.empty() || !SpellInCodePage(shortForm.substr(separator + 1), &part) || part.empty())
                return std::string();
        }
        spelled += part;
        if (end == path.size())
            return spelled;
        spelled += static_cast<char>(path[end]);
        start = end + 1;
    }
}

std::wstring LongPathForReaders(const std::string& path)
{
    const std::wstring wide = WideFromAnsi(path);
    std::vector<wchar_t> buffer(kLongPathChars);
    const DWORD length = ::GetLongPathNameW(wide.c_str(), buffer.data(), kLongPathChars);
    return (length == 0 || length >= kLongPathChars) ? wide : std::wstring(buffer.data(), length);
}

void UseCodePageForPathTexts()
{
    CPINFO info = {};
    // Only the double-byte code pages have lead bytes; the single-byte ones keep every byte apart.
    if (::GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1)
        SetPathLeadBytes(IsSystemLeadByte);
}

bool CFoundEntries::First(const std::string& pattern)
{
    Close();
    if (FitsPath(pattern))
        m_h = ::FindFirstFileW(WideFromAnsi(pattern).c_str(), &m_data);
    if (m_h == INVALID_HANDLE_VALUE)
        return false;
    SpellName();
    return true;
}

bool CFoundEntries::Next()
{
    if (m_h == INVALID_HANDLE_VALUE || !::FindNextFileW(m_h, &m_data))
        return false;
    SpellName();
    return true;
}

void CFoundEntries::Close()
{
    if (m_h != INVALID_HANDLE_VALUE) {
        ::FindClose(m_h);
        m_h = INVALID_HANDLE_VALUE;
    }
}

// The search reports the short name beside the long one, so no second call to the platform.
void CFoundEntries::SpellName()
{
    if (!SpellInCodePage(m_data.cFileName, &m_name) && !SpellInCodePage(m_data.cAlternateFileName, &m_name))
        m_name.clear();
}
