// platform/InstallLog.h - writing the InstallLog and undoing what it records.
#pragma once
#include "platform/HeldFiles.h"
#include "text/LogLine.h"

// Opens the log for appending (creating it), writes the text and CR LF, closes it. Nothing is
// reported when the file cannot be opened, even after waiting out another program's hold.
void AppendLogLine(const char* pszLogPath, const char* pszText);

// Deletes the shortcuts of the "Shell Link: " entries (".lnk" files only), then removes the
// "Made Dir: " folders and their emptied parents. Nothing is deleted or removed through a link:
// the walk upwards ends at one. Every deletion waits out a passing hold; leftover says what becomes
// of a shortcut or a logged folder still held after that.
void UndoLinksAndFolders(const char* pszLogPath, ELeftover leftover = ELeftover::kStays);

// Deletes, in the folder, the files named by the file entries; pszOnlyPrefix NULL means all three
// kinds. An operand that would reach outside the folder (IsSafeFileOperand) is skipped, and so is
// the whole log when the folder is reached through a link. pszKept names a file of the folder that
// no entry deletes (its full path as the folder and a name join to it; NULL: none).
void UndoFileEntries(const char* pszLogPath, const char* pszFolder, const char* pszOnlyPrefix,
                     ELeftover leftover = ELeftover::kStays, const char* pszKept = NULL);

// Deletes the files (not folders) matching the pattern in the folder, read-only and hidden ones
// too; returns how many. A search path beyond the path buffer, or a folder that is a link or is
// reached through one, deletes nothing.
int DeleteMatchingFiles(const char* pszFolder, const char* pszPattern, ELeftover leftover = ELeftover::kStays);
