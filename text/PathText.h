// text/PathText.h - path text rules shared by installer and uninstaller; free of <windows.h>.
#pragma once
#include <string>
#include <vector>

// Paths are 8-bit strings of at most 259 characters plus the terminator.
constexpr size_t kMaxPathChars = 260;

// On a double-byte code page (932 and its kin) the second byte of a character can be 0x5C, the
// byte of "\", so the rules below look for separators only where a character begins. The
// platform layer tells which bytes begin a two-byte character, once at start; without it every
// byte is a character of its own, as on the single-byte code pages.
typedef bool (*LeadBytePredicate)(unsigned char byte);
void SetPathLeadBytes(LeadBytePredicate pfnIsLeadByte);

// The first of the characters in pszChars at or after from (a character's start), or npos; a
// byte that ends a two-byte character never matches.
size_t FindPathChar(const std::string& text, const char* pszChars, size_t from = 0);

// The last of the characters in pszChars, or npos; as FindPathChar.
size_t FindLastPathChar(const std::string& text, const char* pszChars);

// Where the last character of the text begins; npos for the empty text.
size_t LastCharStart(const std::string& text);

// The parent folder of a path: one trailing backslash is ignored; the text before the last
// backslash when that backslash is not the first character, else the empty text (also for NULL).
std::string GetParentFolder(const char* pszPath);

// True when the folder text ends with "\" or "/", so that joining needs no separator.
bool EndsWithSeparator(const std::string& folder);

// folder + ("\" unless it already ends with "\" or "/") + name. An empty folder gives "\" + name.
std::string JoinFolderName(const std::string& folder, const std::string& name);

// folder + "\" + name whatever the folder ends with: how the installation appends its own file
// and folder names to the folders it holds without a trailing backslash.
std::string AppendName(const std::string& folder, const std::string& name);

// True when the text fits a platform path buffer of kMaxPathChars bytes, terminator included.
// Operations refuse a longer path rather than truncate it into another, valid one.
inline bool FitsPath(const std::string& path) { return path.size() < kMaxPathChars; }

// The folders that a full path passes through, from the first one below its root ("C:\",
// "\\server\share\") down to the path itself: "C:\a\b\" gives "C:\a" and "C:\a\b". "\" and "/"
// both separate, empty parts and trailing separators are passed over; a root alone gives none.
std::vector<std::string> ListFoldersOnPath(const std::string& fullPath);

// True when the platform's file search would take the name literally, so that one attribute read
// answers what the search would: no wildcard (the platform's "<", ">" and '"' among them), no
// separator or stream, not empty, no trailing dot or blank (which the platform drops).
bool IsLiteralName(const char* pszName);

// ASCII lower-casing, as the platform's C runtime does it in the "C" locale; the second byte of a
// two-byte character is part of that character and stays.
std::string LowerAscii(std::string text);
