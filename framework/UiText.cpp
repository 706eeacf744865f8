// framework/UiText.cpp - texts of the string table and the message boxes that show them.
#include "framework/UiText.h"
#include <cstdarg>
#include <cwchar>

HINSTANCE AppResourceHandle()
{
    return ::GetModuleHandleW(NULL);
}

std::wstring LoadResStringW(UINT id, int cchBuffer)
{
    std::wstring buffer(static_cast<size_t>(cchBuffer), L'\0');
    const int n = ::LoadStringW(AppResourceHandle(), id, &buffer[0], cchBuffer);
    buffer.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return buffer;
}

std::string LoadResString(UINT id)
{
    return AnsiFromWide(LoadResStringW(id));
}

std::wstring WideFromAnsi(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), NULL, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string AnsiFromWide(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), NULL, 0, NULL, NULL);
    std::string ansi(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &ansi[0], n, NULL, NULL);
    return ansi;
}

int AppMessageBox(HWND hOwner, const std::wstring& text, UINT style)
{
    if ((style & MB_ICONMASK) == 0 && (style & MB_TYPEMASK) == MB_OK)
        style |= MB_ICONEXCLAMATION;
    const std::wstring caption = LoadResStringW(kIdsAppTitle, kCaptionChars);
    return ::MessageBoxW(hOwner, text.c_str(), caption.c_str(), style);
}

int AppMessageBoxId(HWND hOwner, UINT textId, UINT style)
{
    return AppMessageBox(hOwner, LoadResStringW(textId, kMessageChars), style);
}

std::wstring FormatResString(UINT id, ...)
{
    const std::wstring format = LoadResStringW(id, kMessageChars);
    wchar_t buffer[kMessageChars * 2];
    va_list args;
    va_start(args, id);
    const int n = _vsnwprintf(buffer, kMessageChars * 2 - 1, format.c_str(), args);
    va_end(args);
    buffer[kMessageChars * 2 - 1] = L'\0';
    return n < 0 ? std::wstring(buffer) : std::wstring(buffer, static_cast<size_t>(n));
}
