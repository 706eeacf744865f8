// tests/resources/ResourcesTest.cpp - the installer's resources as the program finds them at run
// time: every text by number, the wizard picture, the program icon and the version information.
#include <gtest/gtest.h>
#include <windows.h>
#include <map>
#include <cstring>
#include <set>
#include <string>
#include <vector>
#include "setup_resources/resource.h"
#include "text/MakerAddresses.h"
#include "wizard/SidePicture.h"

namespace {

// What each text must read, written here independently of the resource script.
const std::map<UINT, std::string>& ExpectedTexts()
{
    static const std::map<UINT, std::string> texts = {
        {1, u8"A Pixorama egy példánya jelenleg is fut. Amennyiben az \"Igen\" gombot választja, a TELEPÍŐ "
            u8"megpróbálja bezárni az esetleges változtatások mentése nélkül. \n\nFolytatja a telepítést?"},
        {2, u8"Pixorama Telepítő"},
        {3, u8"A Pixorama telepítése megszakadt. Kérjük zárja be a PXR másik futó példányát, az esetleges "
            u8"változások mentése után, majd indítsa újra a telepítőt."},
        {4, u8"%d példányban fut jelenleg a Pixorama. Amennyiben az \"Igen\" gombot választja, a TELEPÍTŐ "
            u8"megpróbálja bezárni az esetleges változtatások mentése nélkül. \n\nFolytatja a telepítést?"},
        {6, u8"Ezzel teljesen eltávolítja a Pixorama 5-öt.\nValóban folytatja?"},
        {7, u8"Kérjük fogadja el a licenc szerződést"},
        {8, u8"&Befejezés >"},
        {9, u8"A Pixorama 5 sikeresen telepítésre került!"},
        {10, u8"Kérjük válassza a \"Befejezés >\" gombot a telepítés befejezéséhez."},
        {11, u8"Valóban megszakítja a Pixorama 5 telepítését?"},
        {12, u8"Kérjük válassza ki a mappát, ahová a Pixorama 5-öt telepíteni szeretné."},
        {13, u8"Érvénytelen mappa nevet adott meg. Kérjük javítsa ki.\nAmennyiben új mappát szeretne "
             u8"létrehozni, Kérjük válassza az \"Új mappa létrehozása\" gombot."},
        {14, u8"A Pixorama ver. 5 nem telepíthető ugyanabba a mappába, mnt ahova a 4.xx-es verziót "
             u8"telepítette. Kérjük válasszon egy másik mappát."},
        {15, u8"Pixorama 5"},
        {16, u8"A Pixorama %d.%02d.%02d.%02d verziója már telepítve van erre a gépre. Ön most egy régebbi "
             u8"verziót próbál telepíteni: %d.%02d.%02d.%02d .\n\nValóban folytatja?"},
        {17, u8"A Pixorama %d.%02d.%02d.%02d verziója már telepítve van ezen a gépen.\n\nValóban újra "
             u8"akarja telepíteni a programot?"},
        {18, u8"A telepítő fájl sérült, telepítés megszakítva.\n\nKérjük töltse le a terméket honlapunkról: "
             PIX_MAKER_HOME_PAGE u8" majd a telepítést próbálja újra."},
        {19, u8"Ez a mappa már tartalmazza a Pixorama 5 régebbi verzióját. Amennyiben frissíteni, vagy "
             u8"újra telepíteni szeretné, ne változtasson a mappán."},
        {20, u8"Pixorama 5 sikeresen el lett távolítva a gépről."},
        {21, u8"Igen"},
        {22, u8"Nem"},
        {23, u8"A Pixorama 5 eltávolítása megszakadt, semmi sem lett eltávolítva a gépről. Kérjük indítsa újra "
             u8"az eltávolítást."},
        {24, u8"A mappa neve olyan betűt tartalmaz, amelyet a Windows nyelvi beállítása nem ismer, ezért a "
             u8"Pixorama 5 nem használhatja. Kérjük válasszon másik mappát, vagy indítsa a telepítőt egy olyan "
             u8"mappából, amelynek a neve csak ismert betűket tartalmaz."},
        {30, u8"A Pixorama 5 telepítése nem sikerült: a program fájljait nem lehetett a célmappába írni."},
        {31, u8"A Pixorama 5 fájljai a helyükre kerültek, de a beállításait nem lehetett a rendszerleíró "
             u8"adatbázisba írni."},
        {32, u8"Kérjük zárja be a telepítőt a \"Befejezés >\" gombbal, majd rendszergazdaként próbálja újra "
             u8"a telepítést."},
        {101, u8"Pixorama 5 Súgó"},
        {102, u8"Bővebben a Pixorama 5-ről"},
        {104, u8"A Pixorama 5 eltávolítása"},
        {57344, u8"A Pixorama 5 telepítése"},
    };
    return texts;
}

std::string Utf8FromWide(const std::wstring& text)
{
    std::string out(text.size() * 3, '\0');
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0],
                                        static_cast<int>(out.size()), NULL, NULL);
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

std::wstring WideFromUtf8(const std::string& text)
{
    std::wstring out(text.size(), L'\0');
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                        &out[0], static_cast<int>(out.size()));
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

// The whole text as stored, whatever its length (LoadStringW with no buffer hands out the
// resource itself).
std::wstring StoredText(UINT id)
{
    const wchar_t* p = nullptr;
    const int n = ::LoadStringW(::GetModuleHandleW(NULL), id, reinterpret_cast<LPWSTR>(&p), 0);
    return (n > 0 && p) ? std::wstring(p, static_cast<size_t>(n)) : std::wstring();
}

std::wstring LoadedText(UINT id, int cchBuffer)
{
    std::vector<wchar_t> buffer(static_cast<size_t>(cchBuffer), L'\0');
    const int n = ::LoadStringW(::GetModuleHandleW(NULL), id, buffer.data(), cchBuffer);
    return std::wstring(buffer.data(), static_cast<size_t>(n > 0 ? n : 0));
}

// Every string id present in the module: blocks of 16 under RT_STRING, empty slots skipped.
BOOL CALLBACK CollectStringBlock(HMODULE hModule, LPCWSTR, LPWSTR name, LONG_PTR param)
{
    if (!IS_INTRESOURCE(name))
        return TRUE;
    const UINT block = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name));
    HRSRC hRes = ::FindResourceW(hModule, name, MAKEINTRESOURCEW(6));
    const WORD* p = hRes ? static_cast<const WORD*>(::LockResource(::LoadResource(hModule, hRes))) : nullptr;
    for (UINT i = 0; p && i < 16; ++i) {
        if (*p)
            reinterpret_cast<std::set<UINT>*>(param)->insert((block - 1) * 16 + i);
        p += 1 + *p;
    }
    return TRUE;
}

const BYTE* FindResourceBytes(LPCWSTR type, UINT id, DWORD* pSize)
{
    HMODULE h = ::GetModuleHandleW(NULL);
    HRSRC hRes = ::FindResourceW(h, MAKEINTRESOURCEW(id), type);
    if (!hRes)
        return nullptr;
    *pSize = ::SizeofResource(h, hRes);
    return static_cast<const BYTE*>(::LockResource(::LoadResource(h, hRes)));
}

// The bitmap's pixels, top row first, as 0x00RRGGBB.
std::vector<DWORD> ReadPixels(HBITMAP hbm, int width = 120, int height = 260)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    HDC hdc = ::GetDC(NULL);
    const int rows = ::GetDIBits(hdc, hbm, 0, height, pixels.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(NULL, hdc);
    if (rows != height)
        pixels.clear();
    return pixels;
}

}  // namespace

TEST(StringTable, EveryTextReadsExactlyAsWritten)
{
    for (const auto& [id, text] : ExpectedTexts()) {
        SCOPED_TRACE(testing::Message() << "string " << id);
        ASSERT_FALSE(WideFromUtf8(text).empty()) << "the expected text is valid UTF-8";
        EXPECT_EQ(Utf8FromWide(StoredText(id)), text);
        EXPECT_EQ(Utf8FromWide(LoadedText(id, 256)), text) << "what the 256-character message buffer receives";
    }
}

TEST(StringTable, HoldsNoOtherNumbers)
{
    std::set<UINT> present;
    ::EnumResourceNamesW(::GetModuleHandleW(NULL), MAKEINTRESOURCEW(6), CollectStringBlock,
                         reinterpret_cast<LONG_PTR>(&present));
    std::set<UINT> expected;
    for (const auto& entry : ExpectedTexts())
        expected.insert(entry.first);
    EXPECT_EQ(present, expected);
}

TEST(StringTable, AccentedLettersAndLineBreaksSurviveAsUtf16)
{
    // Spot checks by code point, so that an encoding slip cannot hide behind the same slip in
    // the expected texts: ő U+0151, ű U+0171, í, é, á, and real line feeds.
    EXPECT_EQ(StoredText(IDS_README_LINK)[1], L'\x0151');
    EXPECT_EQ(StoredText(IDS_HELP_LINK), std::wstring(L"Pixorama 5 S\x00FAg\x00F3"));
    EXPECT_NE(StoredText(IDS_FOLDER_HOLDS_OLD).find(L"friss\x00EDteni"), std::wstring::npos);
    EXPECT_NE(StoredText(IDS_INVALID_FOLDER).find(L"\x00C9rv\x00E9nytelen"), std::wstring::npos);
    EXPECT_NE(StoredText(IDS_ONE_COPY_RUNNING).find(L"TELEP\x00CD\x0150"), std::wstring::npos);
    EXPECT_NE(StoredText(IDS_UNINSTALLED).find(L"t\x00E1vol\x00EDtva"), std::wstring::npos);
    const std::wstring twoLines = StoredText(IDS_CONFIRM_UNINSTALL);
    EXPECT_EQ(twoLines.find(L'\n'), twoLines.find(L"\nVal\x00F3"));
    EXPECT_EQ(twoLines.find(L'\\'), std::wstring::npos);
    const std::wstring typed = StoredText(IDS_INVALID_FOLDER);
    EXPECT_NE(typed.find(L"\"\x00DAj mappa"), std::wstring::npos) << "inner quotation marks kept";
    for (const auto& entry : ExpectedTexts())
        EXPECT_EQ(StoredText(entry.first).find(L'\xFFFD'), std::wstring::npos) << "string " << entry.first;
}

TEST(StringTable, ShortcutNamesConvertToTheHungarianCodePage)
{
    // The engine takes link names as 8-bit text: "ő" must become 0xF5 in code page 1250.
    ASSERT_EQ(::GetACP(), 1250u);
    char buffer[64] = "";
    ASSERT_GT(::LoadStringA(::GetModuleHandleW(NULL), IDS_README_LINK, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "B\xF5vebben a Pixorama 5-r\xF5l");
    ASSERT_GT(::LoadStringA(::GetModuleHandleW(NULL), IDS_UNINSTALL_LINK, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "A Pixorama 5 elt\xE1vol\xEDt\xE1sa");
}

TEST(StringTable, TextsFitTheirBuffersEvenWhenFormatted)
{
    for (const auto& entry : ExpectedTexts()) {
        const std::wstring text = StoredText(entry.first);
        // Every "%d" may grow to 10 digits; "%02d" to 10 as well.
        size_t worst = text.size();
        for (size_t at = text.find(L'%'); at != std::wstring::npos; at = text.find(L'%', at + 1))
            worst += 8;
        EXPECT_LT(worst, 256u) << "string " << entry.first;
    }
    EXPECT_LT(StoredText(IDS_CAPTION).size(), 128u);
    EXPECT_LT(StoredText(IDS_APP_TITLE).size(), 128u);
}

TEST(StringTable, DamagedPackageNamesTheMakerHomePage)
{
    const std::wstring address = WideFromUtf8(PIX_MAKER_HOME_PAGE);
    ASSERT_EQ(address.rfind(L"http://", 0), 0u);
    const std::wstring text = StoredText(IDS_DAMAGED_PACKAGE);
    EXPECT_NE(text.find(L"honlapunkr\x00F3l: " + address + L" majd"), std::wstring::npos);
}

TEST(WizardPicture, IsDrawnAt100PerCentWith16ColoursPacked)
{
    DWORD size = 0;
    const BYTE* p = FindResourceBytes(MAKEINTRESOURCEW(2), IDB_WIZARD, &size);
    ASSERT_TRUE(p != nullptr);
    ASSERT_GE(size, sizeof(BITMAPINFOHEADER));
    const BITMAPINFOHEADER* bih = reinterpret_cast<const BITMAPINFOHEADER*>(p);
    EXPECT_EQ(bih->biWidth, 120);
    EXPECT_EQ(bih->biHeight, 260);
    EXPECT_EQ(bih->biBitCount, 8);
    EXPECT_EQ(bih->biCompression, static_cast<DWORD>(BI_RLE8));
    EXPECT_LE(bih->biClrUsed, 16u);
    EXPECT_GT(bih->biClrUsed, 0u);
    EXPECT_LT(size, 3u * 1024) << "kept small: setup.exe has a size budget";
    // The other scales are drawn in code; no other bitmap is carried.
    EXPECT_EQ(NULL, ::FindResourceW(::GetModuleHandleW(NULL), MAKEINTRESOURCEW(102), MAKEINTRESOURCEW(2)));
    EXPECT_EQ(NULL, ::FindResourceW(::GetModuleHandleW(NULL), MAKEINTRESOURCEW(103), MAKEINTRESOURCEW(2)));
}

TEST(WizardPicture, LoadsAsAPictureOfItsOwnPaletteColours)
{
    DWORD size = 0;
    const BYTE* p = FindResourceBytes(MAKEINTRESOURCEW(2), IDB_WIZARD, &size);
    ASSERT_TRUE(p != nullptr);
    const BITMAPINFOHEADER* bih = reinterpret_cast<const BITMAPINFOHEADER*>(p);
    const RGBQUAD* palette = reinterpret_cast<const RGBQUAD*>(p + sizeof(BITMAPINFOHEADER));
    std::set<DWORD> paletteColours;
    for (DWORD i = 0; i < bih->biClrUsed; ++i)
        paletteColours.insert(RGB(palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue));

    // As a picture control loads it (a device-dependent bitmap) and as a DIB section.
    for (UINT flags : {0u, static_cast<UINT>(LR_CREATEDIBSECTION)}) {
        SCOPED_TRACE(testing::Message() << "LoadImage flags " << flags);
        HBITMAP hbm = static_cast<HBITMAP>(
            ::LoadImageW(::GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDB_WIZARD), IMAGE_BITMAP, 0, 0, flags));
        ASSERT_TRUE(hbm != NULL);
        const std::vector<DWORD> pixels = ReadPixels(hbm);
        ::DeleteObject(hbm);
        ASSERT_EQ(pixels.size(), 120u * 260);

        std::set<DWORD> used;
        size_t foreign = 0;
        for (DWORD px : pixels) {
            const DWORD c = RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF);
            used.insert(c);
            foreign += paletteColours.count(c) == 0;
        }
        EXPECT_EQ(foreign, 0u) << "every pixel decodes to a palette colour";
        EXPECT_EQ(used.size(), paletteColours.size()) << "a drawn picture, not a blank or a few stray bytes";
        EXPECT_NE(pixels.front(), pixels.back()) << "the sky darkens towards the top";
    }
}

TEST(WizardPicture, IsWhatTheFrameDrawsInCodeAtEveryOtherScale)
{
    // The drawing and the code evaluate the same shapes at the same pixel centres: at 100 % they
    // agree pixel for pixel, so the picture looks the same at every scale.
    HBITMAP hLoaded = static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDB_WIZARD), IMAGE_BITMAP, 0, 0, 0));
    HBITMAP hDrawn = DrawSidePicture(120, 260);
    ASSERT_TRUE(hLoaded != NULL);
    ASSERT_TRUE(hDrawn != NULL);
    const std::vector<DWORD> loaded = ReadPixels(hLoaded), drawn = ReadPixels(hDrawn);
    ::DeleteObject(hLoaded);
    ::DeleteObject(hDrawn);
    ASSERT_EQ(loaded.size(), 120u * 260);
    ASSERT_EQ(drawn.size(), loaded.size());
    size_t differing = 0;
    for (size_t i = 0; i < loaded.size(); ++i)
        if ((loaded[i] & 0xFFFFFF) != (drawn[i] & 0xFFFFFF) && differing++ < 5)
            ADD_FAILURE() << "pixel " << i % 120 << "," << i / 120 << ": " << std::hex << loaded[i] << " drawn as "
                          << drawn[i];
    EXPECT_EQ(0u, differing);
}

TEST(WizardPicture, ShowsInAPictureControlAsTheFrameTemplateAsksForIt)
{
    // A static control with SS_BITMAP that names the 100 % drawing, as a dialog template may.
    HWND hPicture = ::CreateWindowExW(0, L"Static", L"#101", WS_POPUP | SS_BITMAP | SS_SUNKEN, 0, 0, 10, 10,
                                      NULL, NULL, ::GetModuleHandleW(NULL), NULL);
    ASSERT_TRUE(hPicture != NULL);
    HBITMAP hbm = reinterpret_cast<HBITMAP>(::SendMessageW(hPicture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_TRUE(hbm != NULL);
    BITMAP bm = {};
    ASSERT_TRUE(::GetObjectW(hbm, sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 120);
    EXPECT_EQ(bm.bmHeight, 260);
    const std::vector<DWORD> pixels = ReadPixels(hbm);
    ASSERT_FALSE(pixels.empty());
    EXPECT_NE(pixels.front(), pixels.back());
    ::DestroyWindow(hPicture);
}

TEST(ProgramIcon, HasAnImageForEveryScaleOfTheShell)
{
    DWORD size = 0;
    const BYTE* dir = FindResourceBytes(MAKEINTRESOURCEW(14), IDI_SETUP, &size);
    ASSERT_TRUE(dir != nullptr);
    EXPECT_EQ(8, reinterpret_cast<const WORD*>(dir)[2]) << "images in the group";
    for (int side : {16, 20, 24, 32, 40, 48, 64, 256}) {
        SCOPED_TRACE(testing::Message() << side << " pixels");
        const int iconId = ::LookupIconIdFromDirectoryEx(const_cast<BYTE*>(dir), TRUE, side, side, LR_DEFAULTCOLOR);
        DWORD imageSize = 0;
        const BYTE* image = FindResourceBytes(MAKEINTRESOURCEW(3), static_cast<UINT>(iconId), &imageSize);
        ASSERT_TRUE(image != nullptr);
        // XP reads only bitmap images, and asks for 16 and 32; the rest are PNG, read from Vista on.
        const bool png = imageSize > 24 && std::memcmp(image, "\x89PNG", 4) == 0;
        EXPECT_EQ(side != 16 && side != 32, png);
        const LONG width = png ? static_cast<LONG>(image[16] << 24 | image[17] << 16 | image[18] << 8 | image[19])
                               : reinterpret_cast<const BITMAPINFOHEADER*>(image)->biWidth;
        EXPECT_EQ(width, side);

        HICON hIcon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDI_SETUP),
                                                      IMAGE_ICON, side, side, 0));
        ASSERT_TRUE(hIcon != NULL);
        ICONINFO info = {};
        ASSERT_TRUE(::GetIconInfo(hIcon, &info));
        BITMAP bm = {};
        ::GetObjectW(info.hbmColor, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, side);
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        ::DestroyIcon(hIcon);
    }
}

TEST(VersionInformation, DescribesSetupOfPixorama5)
{
    wchar_t path[MAX_PATH] = L"";
    ::GetModuleFileNameW(NULL, path, MAX_PATH);
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path, 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00050014u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00050014u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));

    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
    ASSERT_GE(len, 4u);
    EXPECT_EQ(translation[0], 0x040E);
    EXPECT_EQ(translation[1], 0x04B0);

    const std::map<std::wstring, std::string> values = {
        {L"CompanyName", u8"Corvanta Technology LLC"}, {L"ProductName", u8"Pixorama v.5"},
        {L"OriginalFilename", u8"setup.exe"}, {L"FileVersion", u8"5, 20, 0, 0"},
        {L"ProductVersion", u8"5, 20, 0, 0"}, {L"FileDescription", u8"Pixorama 5 telepítő"},
    };
    for (const auto& [key, expected] : values) {
        wchar_t* value = nullptr;
        const std::wstring query = L"\\StringFileInfo\\040E04B0\\" + key;
        ASSERT_TRUE(::VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &len)) << expected;
        EXPECT_TRUE(std::wstring(value) == WideFromUtf8(expected)) << expected;
    }
}
