// download/AppendedCabinet.cpp - the package's cabinet that follows the download's program image,
// unpacked with the system's own cabinet library.
#include "download/AppendedCabinet.h"
#include <fdi.h>
#include <cstring>
#include "framework/Handles.h"
#include "platform/SystemLibrary.h"

namespace {

typedef HFDI (DIAMONDAPI* FdiCreateProc)(PFNALLOC, PFNFREE, PFNOPEN, PFNREAD, PFNWRITE, PFNCLOSE,
                                         PFNSEEK, int, PERF);
typedef BOOL (DIAMONDAPI* FdiCopyProc)(HFDI, char*, char*, int, PFNFDINOTIFY, PFNFDIDECRYPT, void*);
typedef BOOL (DIAMONDAPI* FdiDestroyProc)(HFDI);

// The cabinet library opens its cabinet by name; this name stands for the cabinet inside the
// program file, which is opened by its wide path at its offset (s_cabinet).
char kCabinetName[] = "package.cab";
const char kCabinetSignature[4] = { 'M', 'S', 'C', 'F' };

struct SCabinetSource {
    const wchar_t* pszProgramPath;
    LONGLONG offset;
};
SCabinetSource s_cabinet;

// A file the cabinet library works on: the cabinet, a window of the program file that starts at
// base, or an unpacked file (base 0).
struct SFdiFile {
    HANDLE h;
    LONGLONG base;
};

struct SUnpack {
    std::wstring folder;
    bool failed;
};

// Where the program image ends: after the data of its last section. The download's tools strip
// the symbol table, so the cabinet follows at once. 0 when the headers cannot be read.
LONGLONG FindImageEnd(HANDLE hFile)
{
    IMAGE_DOS_HEADER dos;
    IMAGE_FILE_HEADER header;
    DWORD read = 0, signature = 0;
    if (!::ReadFile(hFile, &dos, sizeof(dos), &read, NULL) || read != sizeof(dos) ||
        dos.e_magic != IMAGE_DOS_SIGNATURE)
        return 0;
    LARGE_INTEGER at;
    at.QuadPart = dos.e_lfanew;
    if (!::SetFilePointerEx(hFile, at, NULL, FILE_BEGIN) ||
        !::ReadFile(hFile, &signature, sizeof(signature), &read, NULL) || read != sizeof(signature) ||
        signature != IMAGE_NT_SIGNATURE ||
        !::ReadFile(hFile, &header, sizeof(header), &read, NULL) || read != sizeof(header))
        return 0;
    at.QuadPart = dos.e_lfanew + sizeof(signature) + sizeof(header) + header.SizeOfOptionalHeader;
    if (!::SetFilePointerEx(hFile, at, NULL, FILE_BEGIN))
        return 0;
    LONGLONG end = 0;
    for (WORD i = 0; i < header.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section;
        if (!::ReadFile(hFile, &section, sizeof(section), &read, NULL) || read != sizeof(section))
            return 0;
        const LONGLONG sectionEnd = LONGLONG(section.PointerToRawData) + section.SizeOfRawData;
        if (section.SizeOfRawData != 0 && sectionEnd > end)
            end = sectionEnd;
    }
    return end;
}

// Offset of the cabinet in the program file; 0 when none follows the image.
LONGLONG FindAppendedCabinet(const std::wstring& programPath)
{
    CHandle file(::CreateFileW(programPath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file.IsValid())
        return 0;
    LARGE_INTEGER at;
    at.QuadPart = FindImageEnd(file);
    char signature[sizeof(kCabinetSignature)];
    DWORD read = 0;
    if (at.QuadPart == 0 || !::SetFilePointerEx(file, at, NULL, FILE_BEGIN) ||
        !::ReadFile(file, signature, sizeof(signature), &read, NULL) || read != sizeof(signature) ||
        memcmp(signature, kCabinetSignature, sizeof(signature)) != 0)
        return 0;
    return at.QuadPart;
}

// A name the cabinet gives a file: one plain name, nothing that leads out of the folder.
bool IsPlainFileName(const std::wstring& name)
{
    if (name.empty() || name == L"." || name == L"..")
        return false;
    return name.find_first_of(L"\\/:") == std::wstring::npos;
}

std::wstring WideFromCabinetName(const char* pszName, USHORT attributes)
{
    const UINT codePage = (attributes & _A_NAME_IS_UTF) ? CP_UTF8 : CP_ACP;
    wchar_t name[MAX_PATH];
    const int n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, pszName, -1, name, MAX_PATH);
    return n > 0 ? std::wstring(name) : std::wstring();
}

FNALLOC(FdiAlloc) { return ::HeapAlloc(::GetProcessHeap(), 0, cb); }
FNFREE(FdiFree) { ::HeapFree(::GetProcessHeap(), 0, pv); }

INT_PTR WrapFile(HANDLE h, LONGLONG base)
{
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    SFdiFile* pFile = static_cast<SFdiFile*>(FdiAlloc(sizeof(SFdiFile)));
    if (!pFile) {
        ::CloseHandle(h);
        return -1;
    }
    pFile->h = h;
    pFile->base = base;
    // The library reads from where a file is opened, before it ever seeks.
    LARGE_INTEGER at;
    at.QuadPart = base;
    if (!::SetFilePointerEx(h, at, NULL, FILE_BEGIN)) {
        ::CloseHandle(h);
        FdiFree(pFile);
        return -1;
    }
    return reinterpret_cast<INT_PTR>(pFile);
}

SFdiFile* FileOf(INT_PTR hf) { return reinterpret_cast<SFdiFile*>(hf); }

// The library opens nothing but its cabinet: the unpacked files are made in FdiNotify.
FNOPEN(FdiOpen)
{
    if (lstrcmpA(pszFile, kCabinetName) != 0)
        return -1;
    return WrapFile(::CreateFileW(s_cabinet.pszProgramPath, GENERIC_READ, FILE_SHARE_READ, NULL,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL), s_cabinet.offset);
}

FNREAD(FdiRead)
{
    DWORD read = 0;
    return ::ReadFile(FileOf(hf)->h, pv, cb, &read, NULL) ? read : UINT(-1);
}

FNWRITE(FdiWrite)
{
    DWORD written = 0;
    return ::WriteFile(FileOf(hf)->h, pv, cb, &written, NULL) ? written : UINT(-1);
}

FNCLOSE(FdiClose)
{
    SFdiFile* pFile = FileOf(hf);
    const BOOL closed = ::CloseHandle(pFile->h);
    FdiFree(pFile);
    return closed ? 0 : -1;
}

FNSEEK(FdiSeek)
{
    SFdiFile* pFile = FileOf(hf);
    LARGE_INTEGER to, now;
    to.QuadPart = dist + (seektype == SEEK_SET ? pFile->base : 0);
    const DWORD method = seektype == SEEK_SET ? FILE_BEGIN : seektype == SEEK_CUR ? FILE_CURRENT : FILE_END;
    if (!::SetFilePointerEx(pFile->h, to, &now, method))
        return -1;
    return static_cast<long>(now.QuadPart - pFile->base);
}

// A new file for each name; a name given twice finds its file made already and fails.
INT_PTR CreateUnpackedFile(SUnpack* pUnpack, const FDINOTIFICATION* pNote)
{
    const std::wstring name = WideFromCabinetName(pNote->psz1, pNote->attribs);
    if (!IsPlainFileName(name))
        return -1;
    const std::wstring path = pUnpack->folder + L"\\" + name;
    return WrapFile(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, NULL), 0);
}

FNFDINOTIFY(FdiNotify)
{
    SUnpack* pUnpack = static_cast<SUnpack*>(pfdin->pv);
    switch (fdint) {
    case fdintCOPY_FILE: {
        const INT_PTR hf = CreateUnpackedFile(pUnpack, pfdin);
        if (hf == -1)
            pUnpack->failed = true;
        return hf;
    }
    case fdintCLOSE_FILE_INFO:
        return FdiClose(pfdin->hf) == 0 ? TRUE : FALSE;
    case fdintNEXT_CABINET:
        // The package is one cabinet: a continuation asked for means a cut one.
        pUnpack->failed = true;
        return -1;
    default:
        return 0;
    }
}

}  // namespace

bool UnpackAppendedCabinet(const std::wstring& programPath, const std::wstring& folder)
{
    s_cabinet.pszProgramPath = programPath.c_str();
    s_cabinet.offset = FindAppendedCabinet(programPath);
    if (s_cabinet.offset == 0)
        return false;
    CLibrary cabinet(LoadSystemLibrary(L"cabinet.dll"));
    FdiCreateProc pfnCreate = cabinet.Export<FdiCreateProc>("FDICreate");
    FdiCopyProc pfnCopy = cabinet.Export<FdiCopyProc>("FDICopy");
    FdiDestroyProc pfnDestroy = cabinet.Export<FdiDestroyProc>("FDIDestroy");
    if (!pfnCreate || !pfnCopy || !pfnDestroy)
        return false;
    ERF error;
    HFDI hfdi = pfnCreate(FdiAlloc, FdiFree, FdiOpen, FdiRead, FdiWrite, FdiClose, FdiSeek,
                          cpuUNKNOWN, &error);
    if (!hfdi)
        return false;
    SUnpack unpack = { folder, false };
    char noFolder[] = "";
    const BOOL copied = pfnCopy(hfdi, kCabinetName, noFolder, 0, FdiNotify, NULL, &unpack);
    pfnDestroy(hfdi);
    return copied && !unpack.failed;
}
