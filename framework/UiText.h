// framework/UiText.h - texts of the string table and the message boxes that show them.
#pragma once
#include <windows.h>
#include <string>

// Buffers of the user-facing texts, in characters.
constexpr int kCaptionChars = 128;
constexpr int kMessageChars = 256;
constexpr UINT kIdsAppTitle = 57344;

// The module whose resources the program's texts and dialogs come from.
HINSTANCE AppResourceHandle();

// User-visible texts are loaded and shown as UTF-16, so they read right on any system code page.
std::wstring LoadResStringW(UINT id, int cchBuffer = kMessageChars);

// The same text as 8-bit text in the system code page, for the engine (file names, registry).
std::string LoadResString(UINT id);

std::wstring WideFromAnsi(const std::string& text);
std::string AnsiFromWide(const std::wstring& text);

// A framework box: caption = the application title, string kIdsAppTitle. An OK-only box without an icon of its
// own gets the exclamation icon.
int AppMessageBox(HWND hOwner, const std::wstring& text, UINT style);
int AppMessageBoxId(HWND hOwner, UINT textId, UINT style);

// printf-style formatting of a string-table text into a message buffer (bounded; never overflows).
std::wstring FormatResString(UINT id, ...);
