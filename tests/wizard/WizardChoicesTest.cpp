// tests/wizard/WizardChoicesTest.cpp - the install type, folder and program group pages: what
// they show, what the user changes there, and what ends up in the choices.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <commctrl.h>
#include "support/E2eSupport.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"
#include "wizard/WizardTestSupport.h"

using namespace pixtest;
using namespace wiztest;

namespace {

const char kTemplateNote[] =
    "Amennyiben máshova kívánja telepíteni, kérjük válassza a Tallóz gombot, majd keresse meg a célmappát.";
const char kOldVersionNote[] =
    "Ez a mappa már tartalmazza a Pixorama 5 régebbi verzióját. Amennyiben frissíteni, vagy újra telepíteni "
    "szeretné, ne változtasson a mappán.";
const char kOldGeneration[] =
    "A Pixorama ver. 5 nem telepíthető ugyanabba a mappába, mnt ahova a 4.xx-es verziót telepítette. Kérjük "
    "válasszon egy másik mappát.";

constexpr int kIdNote = 1006;
constexpr int kIdDestFolder = 1013;
constexpr int kIdBrowse = 1005;
constexpr int kIdGroupCombo = 1007;
constexpr int kBrowseTree = 14145;
constexpr int kBrowseEdit = 14149;

// Opens the folder dialog with Browse; NULL when it does not show.
HWND OpenFolderDialog(CWizardRun& run)
{
    if (!PressButton(run.Frame(), kIdBrowse))
        return NULL;
    WindowQuery query;
    query.processId = run.ProcessId();
    query.className = kDialogClass;
    query.exclude.push_back(run.Frame());
    HWND hDialog = WaitForWindow(query);
    if (hDialog && !WaitUntil([&] { return FindControl(hDialog, kBrowseTree) != NULL; }))
        return NULL;
    return hDialog;
}

// Item handles are plain values, so they can be asked of another process's tree.
LRESULT TreeItem(HWND hTree, WPARAM which, LRESULT from = 0)
{
    DWORD_PTR item = 0;
    ::SendMessageTimeoutA(hTree, TVM_GETNEXTITEM, which, from, SMTO_NORMAL, 5000, &item);
    return static_cast<LRESULT>(item);
}

bool IsOpen(HWND hTree, LRESULT item)
{
    DWORD_PTR state = 0;
    ::SendMessageTimeoutA(hTree, TVM_GETITEMSTATE, static_cast<WPARAM>(item), TVIS_EXPANDED, SMTO_NORMAL, 5000, &state);
    return (state & TVIS_EXPANDED) != 0;
}

// Walks the folder tree with the arrow keys, as a person would, reading the name of the selected
// folder from the dialog's name field: down to each name in turn, opening it to go deeper.
::testing::AssertionResult SelectFolder(HWND hDialog, const std::vector<std::string>& names)
{
    HWND hTree = FindControl(hDialog, kBrowseTree);
    PressKey(hTree, VK_HOME);
    if (!WaitUntil([&] { return TreeItem(hTree, TVGN_CARET) == TreeItem(hTree, TVGN_ROOT); }))
        return ::testing::AssertionFailure() << "Home did not select the tree's root";
    for (size_t i = 0; i < names.size(); ++i) {
        std::string passed;
        while (_stricmp(ReadControlText(hDialog, kBrowseEdit).c_str(), names[i].c_str()) != 0) {
            // One key at a time: a second press before the first has moved the selection would
            // step over the wanted name on a loaded machine. No change means the list's end.
            const std::string before = ReadControlText(hDialog, kBrowseEdit);
            passed += " [" + before + "]";
            PressKey(hTree, VK_DOWN);
            if (!WaitUntil([&] { return ReadControlText(hDialog, kBrowseEdit) != before; }))
                return ::testing::AssertionFailure() << "no \"" << names[i] << "\" below; passed" << passed;
        }
        if (i + 1 < names.size()) {
            // Right on a folder that is already open moves to its first child, and that move
            // could land after the next name had been looked for; so only a closed folder gets
            // the key, and the walk goes on with Down from the open folder itself.
            const LRESULT hOpening = TreeItem(hTree, TVGN_CARET);
            if (!IsOpen(hTree, hOpening)) {
                PressKey(hTree, VK_RIGHT);
                if (!WaitUntil([&] { return IsOpen(hTree, hOpening) && TreeItem(hTree, TVGN_CHILD, hOpening) != 0; }))
                    return ::testing::AssertionFailure() << "\"" << names[i] << "\" did not open";
            }
            if (TreeItem(hTree, TVGN_CARET) != hOpening)
                return ::testing::AssertionFailure() << "opening \"" << names[i] << "\" moved the selection";
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult PickFolder(CWizardRun& run, const std::vector<std::string>& names)
{
    HWND hDialog = OpenFolderDialog(run);
    if (!hDialog)
        return ::testing::AssertionFailure() << "the folder dialog did not open";
    const ::testing::AssertionResult selected = SelectFolder(hDialog, names);
    if (!selected)
        return selected;
    if (!PressButton(hDialog, IDOK) || !WaitForWindowGone(hDialog))
        return ::testing::AssertionFailure() << "the folder dialog did not close on OK";
    return ::testing::AssertionSuccess();
}

bool WaitForDestination(CWizardRun& run, const std::string& folder)
{
    return WaitUntil([&] { return run.Text(kIdDestFolder) == folder; }, 5000);
}

std::wstring WideFromAnsiPath(const std::string& path)
{
    wchar_t wide[MAX_PATH] = L"";
    ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    return wide;
}


std::vector<std::string> ReadComboList(HWND hFrame)
{
    std::vector<std::string> items;
    HWND hCombo = FindControl(hFrame, kIdGroupCombo);
    const LRESULT n = ::SendMessageW(hCombo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        wchar_t buffer[MAX_PATH] = L"";
        if (::SendMessageW(hCombo, CB_GETLBTEXTLEN, i, 0) < MAX_PATH)
            ::SendMessageW(hCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
        items.push_back(Utf8FromWide(buffer));
    }
    return items;
}

}  // namespace

TEST(InstallTypePageTest, AllUsersChoiceSurvivesBackAndIsStoredOnLeaving)
{
    const std::string dest = MakeScratchFolder("type-old");
    ASSERT_TRUE(WriteFileBytes(dest + "\\Pixcap5.exe", "MZ"));
    CWizardRun run;
    ASSERT_TRUE(run.Start("allusers=0 fresh=0 \"dest=" + dest + "\""));
    ASSERT_TRUE(run.GoToPage(2));
    EXPECT_EQ(dest, run.Text(kIdDestFolder));
    EXPECT_EQ(kOldVersionNote, run.Text(kIdNote));
    EXPECT_EQ(BST_CHECKED, ReadCheck(run.Frame(), 1001));
    EXPECT_EQ(BST_UNCHECKED, ReadCheck(run.Frame(), 1002));
    SaveScreen(run.Frame(), "3-install-type");

    ASSERT_TRUE(SetCheck(run.Frame(), 1002, true));
    ASSERT_TRUE(run.PressAndWaitForPage(kIdBack, 1));
    ASSERT_TRUE(run.PressAndWaitForPage(IDOK, 2));
    EXPECT_EQ(BST_CHECKED, ReadCheck(run.Frame(), 1002));
    EXPECT_EQ(BST_UNCHECKED, ReadCheck(run.Frame(), 1001));
    ASSERT_TRUE(run.PressAndWaitForPage(IDOK, 3));
    ASSERT_TRUE(run.CancelWithYes());
    auto result = run.WaitForResult();
    EXPECT_EQ("2", result["result"]);
    EXPECT_EQ("1", result["allusers"]);
    EXPECT_EQ(dest, result["dest"]);
}

TEST(InstallTypePageTest, NoteNamesAnEarlierVersionOnlyOverAnEarlierInstallation)
{
    const std::string withExe = MakeScratchFolder("note-exe");
    ASSERT_TRUE(WriteFileBytes(withExe + "\\Pixcap5.exe", "MZ"));
    const std::string withoutExe = MakeScratchFolder("note-other");
    ASSERT_TRUE(WriteFileBytes(withoutExe + "\\Pixcap.ini", "x"));
    {
        CWizardRun run;  // a fresh installation never shows the note, whatever the folder holds
        ASSERT_TRUE(run.Start("fresh=1 \"dest=" + withExe + "\""));
        ASSERT_TRUE(run.GoToPage(2));
        EXPECT_EQ(kTemplateNote, run.Text(kIdNote));
    }
    CWizardRun run;
    ASSERT_TRUE(run.Start("fresh=0 \"dest=" + withoutExe + "\""));
    ASSERT_TRUE(run.GoToPage(2));
    EXPECT_EQ(kTemplateNote, run.Text(kIdNote));
}

TEST(InstallTypePageTest, BrowseDecidesTheDestinationFromWhatThePickedFolderHolds)
{
    const std::string root = MakeScratchFolder("browse");
    for (const char* name : {"a_empty", "b_files", "c_pix5", "d_pix4"})
        ASSERT_TRUE(::CreateDirectoryA((root + "\\" + name).c_str(), NULL));
    ASSERT_TRUE(WriteFileBytes(root + "\\b_files\\notes.txt", "x"));
    ASSERT_TRUE(WriteFileBytes(root + "\\c_pix5\\Pixcap5.exe", "MZ"));
    ASSERT_TRUE(WriteFileBytes(root + "\\d_pix4\\Pixcap.exe", "MZ"));
    ASSERT_TRUE(WriteFileBytes(root + "\\d_pix4\\Pixcap5.exe", "MZ"));
    const std::wstring cyrillic = WideFromAnsiPath(root) + L"\\e_\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438";
    ASSERT_TRUE(::CreateDirectoryW(cyrillic.c_str(), NULL));
    // Directly under C: so that the dialog can select it at start.
    const std::string start = "C:\\pixwizstart";
    pixtest::RemoveTree(start);
    // Without its agreement the package still installs its programs, and the wizard need not
    // lay out the long text.
    const std::string package = e2e::CopyPackage("browse-package");
    ASSERT_TRUE(::DeleteFileA((package + "\\agreement.txt").c_str()));

    CWizardRun run;
    ASSERT_TRUE(run.Start("fresh=0 \"dest=" + start + "\" \"source=" + package + "\" \"group=Pixorama teszt browse\""));
    ASSERT_TRUE(run.GoToPage(2));

    // The pre-selected folder, made for the dialog and removed again: no suffix, no folder left.
    HWND hDialog = OpenFolderDialog(run);
    ASSERT_NE(nullptr, hDialog);
    EXPECT_TRUE(WaitUntil([&] { return ReadControlText(hDialog, kBrowseEdit) == "pixwizstart"; }, 3000));
    SaveScreen(hDialog, "3b-folder-dialog");
    ASSERT_TRUE(PressButton(hDialog, IDOK));
    ASSERT_TRUE(WaitForWindowGone(hDialog));
    EXPECT_TRUE(WaitForDestination(run, start));
    EXPECT_FALSE(FolderExists(start));

    // A folder of the 4.xx generation is refused, even with a Pixcap5.exe beside.
    ASSERT_NE(nullptr, hDialog = OpenFolderDialog(run));
    ASSERT_TRUE(SelectFolder(hDialog, {"pixtest", "browse", "d_pix4"}));
    ASSERT_TRUE(PressButton(hDialog, IDOK));
    MessageBoxInfo box;
    ASSERT_TRUE(run.AnswerBox(IDOK, &box));
    EXPECT_EQ(kOldGeneration, box.text);
    EXPECT_EQ(kFrameTitle, box.caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION), box.Style());
    EXPECT_EQ(start, run.Text(kIdDestFolder));

    ASSERT_TRUE(PickFolder(run, {"pixtest", "browse", "c_pix5"}));
    EXPECT_TRUE(WaitForDestination(run, root + "\\c_pix5"));
    EXPECT_EQ(kOldVersionNote, run.Text(kIdNote));

    ASSERT_TRUE(PickFolder(run, {"pixtest", "browse", "b_files"}));
    EXPECT_TRUE(WaitForDestination(run, root + "\\b_files\\Pixorama 5"));
    EXPECT_EQ(kTemplateNote, run.Text(kIdNote));
    EXPECT_FALSE(FolderExists(root + "\\b_files\\Pixorama 5"));

    ASSERT_TRUE(PickFolder(run, {"pixtest", "browse", "a_empty"}));
    EXPECT_TRUE(WaitForDestination(run, root + "\\a_empty"));
    EXPECT_FALSE(FolderExists(root + "\\a_empty"));  // the installation makes it again

    // Cancel changes nothing.
    ASSERT_NE(nullptr, hDialog = OpenFolderDialog(run));
    ASSERT_TRUE(SelectFolder(hDialog, {"pixtest", "browse", "c_pix5"}));
    ASSERT_TRUE(PressButton(hDialog, IDCANCEL));
    ASSERT_TRUE(WaitForWindowGone(hDialog));
    // What followed the dialog (removing the folder made for it) is done once the wizard answers.
    ASSERT_TRUE(WaitForWindowToCatchUp(run.Frame())) << "the wizard did not answer after the dialog";
    EXPECT_EQ(root + "\\a_empty", run.Text(kIdDestFolder));
    EXPECT_FALSE(FolderExists(root + "\\a_empty"));

    // Code page 1250 has no Cyrillic letters: the page holds such a folder by its short name,
    // which finds it still when the installation arrives, so it is not taken away as an empty
    // one is. The page hands the folder to the record when it is left.
    ASSERT_TRUE(PickFolder(run, {"pixtest", "browse", "e_Загрузки"}));
    ASSERT_TRUE(WaitUntil([&] { return run.Text(kIdDestFolder) != root + "\\a_empty"; }, 5000));
    ASSERT_TRUE(run.GoToPage(4));
    ASSERT_TRUE(run.InstallAndWaitForFinish());
    for (const wchar_t* name : {L"\\Pixcap5.exe", L"\\PixUnInst.exe", L"\\PixUnInst.log"})
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((cyrillic + name).c_str())) << Utf8FromWide(name);
    ASSERT_TRUE(PressButton(run.Frame(), IDOK));
    const std::string dest = run.WaitForResult()["dest"];
    wchar_t longForm[MAX_PATH] = L"";
    ::GetLongPathNameW(WideFromAnsiPath(dest).c_str(), longForm, MAX_PATH);
    EXPECT_EQ(Utf8FromWide(cyrillic), Utf8FromWide(longForm)) << dest;
    e2e::WipeInstallation();
}

TEST(ProgramGroupPageTest, ListsGroupsOfTheChosenProgramsFolderAndStoresWhatIsTyped)
{
    const std::string user = MakeScratchFolder("progs-user");
    for (const char* name : {"Zeta", "alpha", "Beta"})
        ASSERT_TRUE(::CreateDirectoryA((user + "\\" + name).c_str(), NULL));
    ASSERT_TRUE(WriteFileBytes(user + "\\Jegyzettomb.lnk", "L"));
    const std::string common = MakeScratchFolder("progs-common");
    ASSERT_TRUE(::CreateDirectoryA((common + "\\CommonOnly").c_str(), NULL));
    // A group of a Cyrillic name, which code page 1250 cannot spell, is listed by its short name.
    const std::wstring cyrillic = WideFromAnsiPath(common) + L"\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b";
    ASSERT_TRUE(::CreateDirectoryW(cyrillic.c_str(), NULL));
    wchar_t shortForm[MAX_PATH] = L"";
    ASSERT_GT(::GetShortPathNameW(cyrillic.c_str(), shortForm, MAX_PATH), 0u);
    const std::wstring shortPath = shortForm;
    const std::string shortName = Utf8FromWide(shortPath.substr(shortPath.rfind(L'\\') + 1));
    ASSERT_TRUE(WriteFileBytes(common + "\\Other.lnk", "L"));
    CShellFolderOverride userPrograms(HKEY_CURRENT_USER, "Programs", user);
    CShellFolderOverride commonPrograms(HKEY_LOCAL_MACHINE, "Common Programs", common);

    CWizardRun run;
    ASSERT_TRUE(run.Start("allusers=0 \"group=Pixorama 5\""));
    ASSERT_TRUE(run.GoToPage(3));
    EXPECT_EQ("Pixorama 5", run.Text(kIdGroupCombo));
    EXPECT_EQ((std::vector<std::string>{"alpha", "Beta", "Zeta"}), ReadComboList(run.Frame()));
    EXPECT_EQ(BST_UNCHECKED, ReadCheck(run.Frame(), 1008));
    EXPECT_EQ(BST_CHECKED, ReadCheck(run.Frame(), 1009));

    ASSERT_TRUE(SetControlText(run.Frame(), kIdGroupCombo, "Saját programok\\Képek ő ű"));
    ASSERT_TRUE(SetCheck(run.Frame(), 1008, true));
    ASSERT_TRUE(SetCheck(run.Frame(), 1009, false));
    SaveScreen(run.Frame(), "4-program-group");
    ASSERT_TRUE(run.PressAndWaitForPage(IDOK, 4));
    // The ready page as its template has it, with the installation texts hidden.
    EXPECT_EQ(kReadyLine1, run.Text(1010));
    EXPECT_EQ(kReadyLine2, run.Text(1011));
    EXPECT_FALSE(run.Visible(1012));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(run.PageOf(1010), 1009)));
    SaveScreen(run.Frame(), "5-ready");

    ASSERT_TRUE(run.PressAndWaitForPage(kIdBack, 3));
    EXPECT_EQ("Saját programok\\Képek ő ű", run.Text(kIdGroupCombo));
    EXPECT_EQ(BST_CHECKED, ReadCheck(run.Frame(), 1008));
    EXPECT_EQ(BST_UNCHECKED, ReadCheck(run.Frame(), 1009));

    // All users: the list comes from the common programs folder; the typed name stays.
    ASSERT_TRUE(run.PressAndWaitForPage(kIdBack, 2));
    ASSERT_TRUE(SetCheck(run.Frame(), 1002, true));
    ASSERT_TRUE(run.PressAndWaitForPage(IDOK, 3));
    std::vector<std::string> commonGroups = {"CommonOnly", shortName};
    std::sort(commonGroups.begin(), commonGroups.end(), [](const std::string& a, const std::string& b) {
        return _stricmp(a.c_str(), b.c_str()) < 0;
    });
    EXPECT_EQ(commonGroups, ReadComboList(run.Frame()));
    EXPECT_EQ("Saját programok\\Képek ő ű", run.Text(kIdGroupCombo));
    ASSERT_TRUE(run.PressAndWaitForPage(IDOK, 4));
    EXPECT_EQ(kReadyLine1, run.Text(1010));

    ASSERT_TRUE(run.CancelWithYes());
    auto result = run.WaitForResult();
    EXPECT_EQ("2", result["result"]);
    // Code page 1250, as the engine keeps its texts.
    EXPECT_EQ("Saj\xE1t programok\\K\xE9pek \xF5 \xFB", result["group"]);
    EXPECT_EQ("1", result["start"]);
    EXPECT_EQ("0", result["desktop"]);
    EXPECT_EQ("1", result["allusers"]);
}
