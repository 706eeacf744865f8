// tests/reslib/ResourceTableTest.cpp - the x86_64 library's resources as the platform sees
// them: the inventory by type, name and language, and each kind loaded the way the capture
// application loads it.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>
#include "support/TestSupport.h"

namespace {

// "#<number>" for an integer id, the name itself otherwise, as the resource compiler writes them.
std::wstring KeyOf(LPCWSTR p)
{
    return IS_INTRESOURCE(p) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(p)) : p;
}

typedef std::map<std::wstring, std::map<std::wstring, std::vector<WORD>>> Inventory;

BOOL CALLBACK OnLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD lang, LONG_PTR p)
{
    (*reinterpret_cast<Inventory*>(p))[KeyOf(type)][KeyOf(name)].push_back(lang);
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE h, LPCWSTR type, LPWSTR name, LONG_PTR p)
{
    return ::EnumResourceLanguagesW(h, type, name, OnLanguage, p);
}

BOOL CALLBACK OnType(HMODULE h, LPWSTR type, LONG_PTR p)
{
    return ::EnumResourceNamesW(h, type, OnName, p);
}

class ResourceTable : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ::LoadLibraryA("comctl32.dll");
        s_hLibrary = ::LoadLibraryA((pixtest::OutDir() + "\\PixRes5.dll").c_str());
        if (s_hLibrary)
            ::EnumResourceTypesW(s_hLibrary, OnType, reinterpret_cast<LONG_PTR>(&s_inventory));
    }
    static void TearDownTestSuite()
    {
        if (s_hLibrary)
            ::FreeLibrary(s_hLibrary);
    }
    void SetUp() override { ASSERT_NE(s_hLibrary, nullptr); }

    // Id -> language of one type; every resource must exist in exactly one language.
    static std::map<std::wstring, WORD> Languages(const std::wstring& type)
    {
        std::map<std::wstring, WORD> result;
        for (const auto& name : s_inventory[type]) {
            EXPECT_EQ(name.second.size(), 1u) << "languages of " << type << " " << name.first;
            result[name.first] = name.second.empty() ? 0xFFFF : name.second[0];
        }
        return result;
    }
    static std::vector<long> NumericIds(const std::map<std::wstring, WORD>& ids)
    {
        std::vector<long> numbers;
        for (const auto& id : ids)
            if (id.first[0] == L'#')
                numbers.push_back(std::stol(id.first.substr(1)));
        std::sort(numbers.begin(), numbers.end());
        return numbers;
    }
    static size_t CountLanguage(const std::map<std::wstring, WORD>& ids, WORD lang)
    {
        return std::count_if(ids.begin(), ids.end(), [lang](const auto& id) { return id.second == lang; });
    }
    static std::string Bytes(LPCWSTR type, LPCWSTR name)
    {
        HRSRC hInfo = ::FindResourceW(s_hLibrary, name, type);
        if (!hInfo)
            return std::string();
        const char* p = static_cast<const char*>(::LockResource(::LoadResource(s_hLibrary, hInfo)));
        return p ? std::string(p, ::SizeofResource(s_hLibrary, hInfo)) : std::string();
    }

    static HMODULE s_hLibrary;
    static Inventory s_inventory;
};
HMODULE ResourceTable::s_hLibrary = nullptr;
Inventory ResourceTable::s_inventory;

const WORD kUS = 1033, kNeutral = 0;

TEST_F(ResourceTable, TypesAndLanguagesMatchTheTable)
{
    std::set<std::wstring> types;
    for (const auto& t : s_inventory)
        types.insert(t.first);
    EXPECT_EQ(types, (std::set<std::wstring>{L"#1", L"#2", L"#3", L"#4", L"#5", L"#6", L"#9", L"#12",
                                             L"#14", L"#16", L"#240", L"#241", L"WAVE"}));

    const auto strings = Languages(L"#6");
    const auto blocks = NumericIds(strings);
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(blocks.front(), 99 / 16 + 1);
    EXPECT_EQ(blocks.back(), 61888 / 16 + 1);
    EXPECT_EQ(CountLanguage(strings, kUS), strings.size());

    const auto dialogs = Languages(L"#5");
    const auto dialogIds = NumericIds(dialogs);
    ASSERT_FALSE(dialogIds.empty());
    EXPECT_EQ(dialogIds.front(), 100);
    EXPECT_EQ(dialogIds.back(), 30723);
    EXPECT_EQ(CountLanguage(dialogs, kNeutral), 1u);
    EXPECT_EQ(CountLanguage(dialogs, kUS), dialogs.size() - 1);

    typedef std::map<std::wstring, WORD> Table;
    EXPECT_EQ(Languages(L"#4"), (Table{{L"#99", kUS}, {L"#2002", kUS}, {L"#2042", kUS},
                                       {L"#2059", kUS}, {L"#2060", kUS}, {L"#16102", kUS}}));
    EXPECT_EQ(Languages(L"#9"), (Table{{L"#99", kUS}, {L"#30997", kUS}}));
    EXPECT_EQ(Languages(L"#241"), (Table{{L"#99", kUS}, {L"#100", kUS}, {L"#2039", kUS},
                                         {L"#16138", kNeutral}, {L"#16960", kNeutral}}));
    EXPECT_EQ(Languages(L"#240"), (Table{{L"#105", kUS}, {L"#138", kUS}, {L"#2056", kUS},
                                         {L"#16134", kUS}}));
    EXPECT_EQ(Languages(L"#14"), (Table{{L"#99", kUS}, {L"#868", kUS}, {L"#2021", kUS},
                                        {L"#2022", kUS}, {L"#16931", kNeutral},
                                        {L"#16995", kNeutral}}));
    EXPECT_EQ(Languages(L"WAVE"), (Table{{L"#2003", kUS}}));
    EXPECT_EQ(Languages(L"#16"), (Table{{L"#1", kUS}}));
}

TEST_F(ResourceTable, ImageCountsMatchTheTable)
{
    const auto bitmaps = Languages(L"#2");
    const auto bitmapIds = NumericIds(bitmaps);
    ASSERT_EQ(bitmapIds.size(), 35u);
    EXPECT_EQ(bitmapIds.front(), 99);
    EXPECT_EQ(bitmapIds.back(), 30996);
    EXPECT_EQ(CountLanguage(bitmaps, kUS), 22u);
    EXPECT_EQ(CountLanguage(bitmaps, kNeutral), 13u);

    EXPECT_EQ(s_inventory[L"#3"].size(), 14u) << "icon images";
    EXPECT_EQ(s_inventory[L"#1"].size(), 32u) << "cursor images";
    const auto cursors = Languages(L"#12");
    EXPECT_EQ(cursors.size(), 26u);
    EXPECT_EQ(cursors.count(L"SCROLLCUR"), 1u);
    const auto cursorIds = NumericIds(cursors);
    ASSERT_EQ(cursorIds.size(), 25u);
    EXPECT_EQ(cursorIds.front(), 211);
    EXPECT_EQ(cursorIds.back(), 30982);
    EXPECT_EQ(CountLanguage(cursors, kUS), 16u);
    EXPECT_EQ(CountLanguage(cursors, kNeutral), 10u);
}

TEST_F(ResourceTable, EveryBitmapIconAndCursorLoads)
{
    for (const auto& id : s_inventory[L"#2"]) {
        HBITMAP hBitmap = static_cast<HBITMAP>(::LoadImageW(
            s_hLibrary, MAKEINTRESOURCEW(std::stoi(id.first.substr(1))), IMAGE_BITMAP, 0, 0, 0));
        BITMAP info = {};
        EXPECT_TRUE(hBitmap && ::GetObjectW(hBitmap, sizeof info, &info)) << "bitmap " << id.first;
        EXPECT_GT(info.bmWidth * info.bmHeight, 0);
        ::DeleteObject(hBitmap);
    }
    for (const auto& id : s_inventory[L"#14"]) {
        for (int size : {16, 32}) {
            HICON hIcon = static_cast<HICON>(::LoadImageW(
                s_hLibrary, MAKEINTRESOURCEW(std::stoi(id.first.substr(1))), IMAGE_ICON, size, size, 0));
            EXPECT_NE(hIcon, nullptr) << "icon group " << std::stoi(id.first.substr(1)) << " at " << size;
            ::DestroyIcon(hIcon);
        }
    }
    for (const auto& id : s_inventory[L"#12"]) {
        LPCWSTR name = id.first[0] == L'#' ? MAKEINTRESOURCEW(std::stoi(id.first.substr(1)))
                                           : id.first.c_str();
        HCURSOR hCursor = static_cast<HCURSOR>(::LoadImageW(s_hLibrary, name, IMAGE_CURSOR, 0, 0,
                                                            LR_DEFAULTSIZE));
        EXPECT_NE(hCursor, nullptr) << "cursor group " << id.first;
        ::DestroyCursor(hCursor);
    }
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Dialog-init data: entries of control id, message, byte count and ANSI text, closed by a 0.
struct InitEntry {
    WORD control;
    WORD message;
    std::string text;
};
std::vector<InitEntry> ParseDialogInit(const std::string& data, bool* pWellFormed)
{
    std::vector<InitEntry> entries;
    size_t at = 0;
    *pWellFormed = false;
    while (at + 2 <= data.size()) {
        InitEntry e = {};
        std::memcpy(&e.control, data.data() + at, 2);
        if (e.control == 0) {
            *pWellFormed = at + 2 == data.size();
            return entries;
        }
        DWORD length = 0;
        if (at + 8 > data.size())
            return entries;
        std::memcpy(&e.message, data.data() + at + 2, 2);
        std::memcpy(&length, data.data() + at + 4, 4);
        if (length == 0 || at + 8 + length > data.size() || data[at + 8 + length - 1] != '\0')
            return entries;
        e.text.assign(data.data() + at + 8, length - 1);
        entries.push_back(e);
        at += 8 + length;
    }
    return entries;
}

std::wstring FromCodePage(UINT codePage, const std::string& text)
{
    wchar_t wide[256] = L"";
    const int n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(),
                                        static_cast<int>(text.size()), wide, 255);
    return std::wstring(wide, n > 0 ? n : 0);
}

TEST_F(ResourceTable, EveryDialogOpensAndItsInitDataFillsItsComboBoxes)
{
    for (const auto& id : s_inventory[L"#5"]) {
        const int dialogId = std::stoi(id.first.substr(1));
        HWND hDialog = ::CreateDialogParamW(s_hLibrary, MAKEINTRESOURCEW(dialogId), NULL,
                                            QuietDialogProc, 0);
        ASSERT_NE(hDialog, nullptr) << "dialog " << dialogId;
        if (s_inventory[L"#240"].count(id.first)) {
            bool bWellFormed = false;
            const auto entries = ParseDialogInit(Bytes(MAKEINTRESOURCEW(240), MAKEINTRESOURCEW(dialogId)),
                                                 &bWellFormed);
            EXPECT_TRUE(bWellFormed) << "init data of dialog " << dialogId;
            EXPECT_FALSE(entries.empty());
            for (const auto& e : entries) {
                // 0x0403 is the 16-bit numbering of CB_ADDSTRING that the init data uses.
                EXPECT_EQ(e.message, 0x0403);
                wchar_t className[32] = L"";
                ::GetClassNameW(::GetDlgItem(hDialog, e.control), className, 32);
                EXPECT_STREQ(className, L"ComboBox") << "control " << e.control << " of " << dialogId;
                EXPECT_FALSE(FromCodePage(1250, e.text).empty()) << e.text;
            }
        }
        ::DestroyWindow(hDialog);
    }
    bool bWellFormed = false;
    const auto timer = ParseDialogInit(Bytes(MAKEINTRESOURCEW(240), MAKEINTRESOURCEW(2056)), &bWellFormed);
    ASSERT_FALSE(timer.empty());
    EXPECT_EQ(FromCodePage(1250, timer[0].text), L"Teljes képernyő") << "texts are in code page 1250";
}

TEST_F(ResourceTable, TitlesAndTextsReachTheApplication)
{
    wchar_t text[256] = L"";
    ASSERT_GT(::LoadStringW(s_hLibrary, 57344, text, 256), 0);
    EXPECT_STREQ(text, L"Pixorama");
    ASSERT_GT(::LoadStringW(s_hLibrary, 101, text, 256), 0);
    EXPECT_STREQ(text, L"Felvétel");
    EXPECT_GT(::LoadStringW(s_hLibrary, 99, text, 256), 0);
    EXPECT_GT(::LoadStringW(s_hLibrary, 61888, text, 256), 0);

    HWND hDialog = ::CreateDialogParamW(s_hLibrary, MAKEINTRESOURCEW(135), NULL, QuietDialogProc, 0);
    ASSERT_NE(hDialog, nullptr);
    ::GetWindowTextW(hDialog, text, 256);
    EXPECT_STREQ(text, L"Gyorsbillentyűk felvételhez");
    ::DestroyWindow(hDialog);

    HMENU hMenu = ::LoadMenuW(s_hLibrary, MAKEINTRESOURCEW(99));
    ASSERT_NE(hMenu, nullptr);
    const wchar_t* const popups[] = {L"&Fájl", L"S&zerkesztés", L"&Nézet", L"&Felvétel", L"&Kép"};
    for (int i = 0; i < 5; ++i) {
        ::GetMenuStringW(hMenu, i, text, 256, MF_BYPOSITION);
        EXPECT_STREQ(text, popups[i]);
        EXPECT_NE(::GetSubMenu(hMenu, i), nullptr);
    }
    ::DestroyMenu(hMenu);
}

void CollectCommands(HMENU hMenu, std::set<UINT>* pCommands)
{
    for (int i = 0; i < ::GetMenuItemCount(hMenu); ++i) {
        if (HMENU hSub = ::GetSubMenu(hMenu, i))
            CollectCommands(hSub, pCommands);
        else if (::GetMenuItemID(hMenu, i) != 0)
            pCommands->insert(::GetMenuItemID(hMenu, i));
    }
}

// The application shows a command's prompt in the status bar and takes shortcuts from the
// accelerator table; a command without either is a dead end for the user.
TEST_F(ResourceTable, MainMenuCommandsHavePromptsAndShortcutsLeadToThem)
{
    std::set<UINT> commands;
    for (int menuId : {99, 2002, 2042, 2059, 2060, 16102}) {
        HMENU hMenu = ::LoadMenuW(s_hLibrary, MAKEINTRESOURCEW(menuId));
        ASSERT_NE(hMenu, nullptr) << "menu " << menuId;
        std::set<UINT> own;
        CollectCommands(hMenu, &own);
        EXPECT_FALSE(own.empty()) << "menu " << menuId;
        commands.insert(own.begin(), own.end());
        if (menuId == 99) {
            HACCEL hAccel = ::LoadAcceleratorsW(s_hLibrary, MAKEINTRESOURCEW(99));
            ASSERT_NE(hAccel, nullptr);
            ACCEL keys[64];
            const int n = ::CopyAcceleratorTableW(hAccel, keys, 64);
            EXPECT_GT(n, 0);
            for (int i = 0; i < n; ++i)
                EXPECT_EQ(own.count(keys[i].cmd), 1u) << "shortcut to command " << keys[i].cmd;
            ::DestroyAcceleratorTable(hAccel);
        }
        ::DestroyMenu(hMenu);
    }
    EXPECT_NE(::LoadAcceleratorsW(s_hLibrary, MAKEINTRESOURCEW(30997)), nullptr);
    for (UINT command : commands) {
        wchar_t prompt[256] = L"";
        EXPECT_GT(::LoadStringW(s_hLibrary, command, prompt, 256), 0) << "prompt of " << command;
    }
}

std::wstring VersionString(const std::vector<char>& block, const wchar_t* key, bool* pFound)
{
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040E04B0\\") + key;
    void* p = nullptr;
    UINT length = 0;
    *pFound = ::VerQueryValueW(block.data(), path.c_str(), &p, &length) != 0;
    if (!*pFound || !p)
        return std::wstring();
    std::wstring value(static_cast<const wchar_t*>(p), length);
    return value.substr(0, value.find(L'\0'));
}

TEST_F(ResourceTable, VersionBlockReadsBackValueByValue)
{
    const std::string file = pixtest::OutDir() + "\\PixRes5.dll";
    const DWORD size = ::GetFileVersionInfoSizeA(file.c_str(), NULL);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(::GetFileVersionInfoA(file.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&pFixed), &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(pFixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(pFixed->dwFileVersionMS, 0x00050014u);
    EXPECT_EQ(pFixed->dwFileVersionLS, 0u);
    EXPECT_EQ(pFixed->dwProductVersionMS, 0x00050014u);
    EXPECT_EQ(pFixed->dwProductVersionLS, 0u);
    EXPECT_EQ(pFixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(pFixed->dwFileFlags, 0u);
    EXPECT_EQ(pFixed->dwFileOS, 0x4u);
    EXPECT_EQ(pFixed->dwFileType, 1u);
    EXPECT_EQ(pFixed->dwFileSubtype, 0u);

    WORD* pTranslation = nullptr;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                                 reinterpret_cast<void**>(&pTranslation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(pTranslation[0], 0x040E);
    EXPECT_EQ(pTranslation[1], 0x04B0);

    const std::pair<const wchar_t*, const wchar_t*> values[] = {
        {L"Comments", L""}, {L"CompanyName", L"Corvanta Technology LLC"},
        {L"FileDescription", L"Pixorama"}, {L"FileVersion", L"5, 20, 0, 0"},
        {L"InternalName", L"Pixcap5"}, {L"LegalTrademarks", L""},
        {L"OriginalFilename", L"PixRes5.dll"}, {L"PrivateBuild", L""},
        {L"ProductName", L"Pixorama v.5"}, {L"ProductVersion", L"5, 20, 0, 0"},
        {L"SpecialBuild", L""}};
    for (const auto& v : values) {
        bool bFound = false;
        EXPECT_EQ(VersionString(block, v.first, &bFound), v.second) << "value of a key";
        EXPECT_TRUE(bFound) << "key present";
    }
    bool bFound = false;
    EXPECT_NE(VersionString(block, L"LegalCopyright", &bFound).find(L"Corvanta"), std::wstring::npos);
}

TEST_F(ResourceTable, ShutterSoundIsAShortMonoPcmWave)
{
    const std::string wave = Bytes(L"WAVE", MAKEINTRESOURCEW(2003));
    ASSERT_EQ(wave.size(), 3419u);
    struct Header {
        char riff[4];
        DWORD riffSize;
        char wave[4];
        char fmt[4];
        DWORD fmtSize;
        WORD format, channels;
        DWORD rate, byteRate;
        WORD blockAlign, bits;
        char data[4];
        DWORD dataSize;
    } h;
    static_assert(sizeof h == 44, "canonical 44-byte header");
    std::memcpy(&h, wave.data(), sizeof h);
    EXPECT_EQ(std::string(h.riff, 4) + std::string(h.wave, 4) + std::string(h.fmt, 4) +
                  std::string(h.data, 4),
              "RIFFWAVEfmt data");
    EXPECT_EQ(h.riffSize, wave.size() - 8);
    EXPECT_EQ(h.fmtSize, 16u);
    EXPECT_EQ(h.format, WAVE_FORMAT_PCM);
    EXPECT_EQ(h.channels, 1);
    EXPECT_EQ(h.rate, 22050u);
    EXPECT_EQ(h.byteRate, 22050u);
    EXPECT_EQ(h.blockAlign, 1);
    EXPECT_EQ(h.bits, 8);
    EXPECT_EQ(h.dataSize, 3375u);
}

}  // namespace
