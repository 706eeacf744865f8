// text/PathText.h - path text rules shared by installer and uninstaller; free of <windows.h>.
#pragma once
#include <string>
#include <vector>

// Paths are 8-bit strings of at most 259 characters plus the terminator.
constexpr size_t kMaxPathChars = 260;

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

// ASCII lower-casing, as the platform's C runtime does it in the "C" locale.
std::string LowerAscii(std::string text);
