// download/AppendedCabinet.h - the package's cabinet that follows the download's program image,
// unpacked with the system's own cabinet library.
#pragma once
#include <windows.h>
#include <string>

// Unpacks the cabinet appended to the program file into the folder, which must be empty. The
// cabinet holds plain file names only; a name with a folder or a drive in it, a name given twice,
// a damaged block (the cabinet's checksums) or a missing cabinet fails the whole unpack, and
// whatever was written so far stays for the caller to remove.
bool UnpackAppendedCabinet(const std::wstring& programPath, const std::wstring& folder);
