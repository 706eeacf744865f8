// tests/support/VersionStamp.cpp - gives a copied program file another file version.
#include "support/VersionStamp.h"
#include <windows.h>
#include <cstring>
#include <vector>

namespace pixtest {

namespace {

const DWORD kFixedInfoSignature = 0xFEEF04BD;
const WORD kHungarian = MAKELANGID(LANG_HUNGARIAN, SUBLANG_DEFAULT);

struct CVersionResource {
    std::vector<unsigned char> bytes;
    WORD language = kHungarian;
    bool found = false;
};

BOOL CALLBACK RememberLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    reinterpret_cast<CVersionResource*>(param)->language = language;
    return FALSE;  // the first language is the one to replace
}

CVersionResource ReadVersionResource(const std::string& exePath)
{
    CVersionResource res;
    HMODULE h = ::LoadLibraryExA(exePath.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!h)
        return res;
    ::EnumResourceLanguagesA(h, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), RememberLanguage,
                             reinterpret_cast<LONG_PTR>(&res));
    HRSRC hRes = ::FindResourceExA(h, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), res.language);
    if (hRes) {
        const DWORD size = ::SizeofResource(h, hRes);
        const void* p = ::LockResource(::LoadResource(h, hRes));
        if (p && size) {
            const unsigned char* b = static_cast<const unsigned char*>(p);
            res.bytes.assign(b, b + size);
            res.found = true;
        }
    }
    ::FreeLibrary(h);
    return res;
}

// VS_VERSIONINFO with the fixed part only: header, "VS_VERSION_INFO", padding, VS_FIXEDFILEINFO.
std::vector<unsigned char> MakeMinimalVersionResource()
{
    static const wchar_t kKey[] = L"VS_VERSION_INFO";
    const size_t headerSize = 6 + sizeof kKey;                 // 6 + 32 = 38
    const size_t fixedOffset = (headerSize + 3) & ~size_t(3);  // 40
    std::vector<unsigned char> bytes(fixedOffset + sizeof(VS_FIXEDFILEINFO), 0);
    const WORD length = static_cast<WORD>(bytes.size());
    const WORD valueLength = sizeof(VS_FIXEDFILEINFO);
    std::memcpy(&bytes[0], &length, 2);
    std::memcpy(&bytes[2], &valueLength, 2);
    std::memcpy(&bytes[6], kKey, sizeof kKey);
    VS_FIXEDFILEINFO info = {};
    info.dwSignature = kFixedInfoSignature;
    info.dwStrucVersion = 0x00010000;
    info.dwFileFlagsMask = 0x3F;
    info.dwFileOS = VOS__WINDOWS32;
    info.dwFileType = VFT_APP;
    std::memcpy(&bytes[fixedOffset], &info, sizeof info);
    return bytes;
}

// The fixed part follows the key; its signature marks it, so no walk of the tree is needed.
VS_FIXEDFILEINFO* FindFixedInfo(std::vector<unsigned char>& bytes)
{
    for (size_t i = 0; i + sizeof(VS_FIXEDFILEINFO) <= bytes.size(); i += 4) {
        DWORD signature;
        std::memcpy(&signature, &bytes[i], 4);
        if (signature == kFixedInfoSignature)
            return reinterpret_cast<VS_FIXEDFILEINFO*>(&bytes[i]);
    }
    return nullptr;
}

}  // namespace

bool StampFileVersion(const std::string& exePath, uint16_t major, uint16_t minor, uint16_t third,
                      uint16_t fourth)
{
    CVersionResource res = ReadVersionResource(exePath);
    if (!res.found)
        res.bytes = MakeMinimalVersionResource();
    VS_FIXEDFILEINFO* pInfo = FindFixedInfo(res.bytes);
    if (!pInfo)
        return false;
    pInfo->dwFileVersionMS = (DWORD(major) << 16) | minor;
    pInfo->dwFileVersionLS = (DWORD(third) << 16) | fourth;

    HANDLE hUpdate = ::BeginUpdateResourceA(exePath.c_str(), FALSE);
    if (!hUpdate)
        return false;
    BOOL ok = ::UpdateResourceA(hUpdate, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), res.language,
                                res.bytes.data(), static_cast<DWORD>(res.bytes.size()));
    return ::EndUpdateResourceA(hUpdate, ok ? FALSE : TRUE) && ok;
}

}  // namespace pixtest
