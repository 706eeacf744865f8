// platform/AnsiPath.h - how a path that the platform gives in UTF-16 becomes 8-bit text in the
// system code page, the form in which the product holds, logs and registers every path.
#pragma once
#include <windows.h>
#include <string>

// The text in the system code page when the code page spells every character of it exactly:
// no character becomes a look-alike (best fit) or the default "?". False otherwise.
bool SpellInCodePage(const std::wstring& text, std::string* pText);

// The path spelled in the system code page so that it names the same file: as it is where the
// code page has every character; else part by part, each folder or file name that the code page
// spells as it is and each one that it cannot by its short (8.3) name, which every code page
// spells. Empty when such a part has no short name: a volume without short names, or a part that
// does not exist (yet); the parts after the last one that needs a short name may be missing. A
// path is never handed on altered into another one; the 8-bit form comes back to UTF-16 whole
// (WideFromAnsi) for the platform's wide services.
std::string AnsiPathFromWide(const std::wstring& path);

// The long form in UTF-16 of an existing path held in 8-bit text, every short name spelled out:
// what people and other programs read (the Apps entry), whatever the code page lacks. The path
// as it is, in UTF-16, when the platform cannot tell (it does not exist).
std::wstring LongPathForReaders(const std::string& path);

// File search by the names in UTF-16, each found name spelled by the same rule: the name itself
// where the code page has every letter of it, else its short name, else empty (an entry that can
// be counted but not named).
class CFoundEntries {
public:
    CFoundEntries() : m_h(INVALID_HANDLE_VALUE) {}
    ~CFoundEntries() { Close(); }
    // A pattern that does not fit a path buffer finds nothing: cut short it would search elsewhere.
    bool First(const std::string& pattern);
    bool Next();
    const WIN32_FIND_DATAW& Data() const { return m_data; }
    const std::string& Name() const { return m_name; }
    void Close();
    // Visits each entry the pattern finds, in the platform's order, until visit(name, data)
    // returns false. False when the pattern finds nothing.
    template <class Visit>
    static bool ForEach(const std::string& pattern, Visit visit)
    {
        CFoundEntries search;
        if (!search.First(pattern))
            return false;
        while (visit(search.Name(), search.Data()) && search.Next()) {
        }
        return true;
    }
    CFoundEntries(const CFoundEntries&) = delete;
    CFoundEntries& operator=(const CFoundEntries&) = delete;
private:
    void SpellName();
    HANDLE m_h;
    WIN32_FIND_DATAW m_data;
    std::string m_name;
};

// Tells the path-text rules which bytes begin a two-byte character of the system code page.
// Called once at start, before any path is taken apart.
void UseCodePageForPathTexts();

// The platform's short-name call. Tests point it elsewhere to reach a volume without short
// names, which the platform here never produces by itself.
extern DWORD (WINAPI* g_pfnGetShortPathNameW)(LPCWSTR, LPWSTR, DWORD);
