// platform/AnsiPath.h - how a path that the platform gives in UTF-16 becomes 8-bit text in the
// system code page, the form in which the product holds, logs and registers every path.
#pragma once
#include <windows.h>
#include <string>

// The text in the system code page when the code page spells every character of it exactly:
// no character becomes a look-alike (best fit) or the default "?". False otherwise.
bool SpellInCodePage(const std::wstring& text, std::string* pText);

// The path spelled in the system code page so that it names the same file: as it is where the
// code page has every character, else its short (8.3) form, which every code page spells. Empty
// when neither exists: a name the code page lacks on a volume without short names, or such a
// path that does not exist (yet). A path is never handed on altered into another one; the 8-bit
// form comes back to UTF-16 whole (WideFromAnsi) for the platform's wide services.
std::string AnsiPathFromWide(const std::wstring& path);

// Tells the path-text rules which bytes begin a two-byte character of the system code page.
// Called once at start, before any path is taken apart.
void UseCodePageForPathTexts();

// The platform's short-name call. Tests point it elsewhere to reach a volume without short
// names, which the platform here never produces by itself.
extern DWORD (WINAPI* g_pfnGetShortPathNameW)(LPCWSTR, LPWSTR, DWORD);
