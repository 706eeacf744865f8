// tests/launcher/InstanceListTest.cpp - the shared instance list: layout, notifications to other
// processes, full and hostile lists, the main-window rule.
#include <gtest/gtest.h>
#include <windows.h>
#include <imm.h>
#include <aclapi.h>
#include <sddl.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include "framework/Handles.h"
#include "launcher/LauncherTestSupport.h"
#include "framework/Handles.h"
#include "platform/InstanceManager.h"

using namespace launchtest;

namespace {

const uint32_t kListBytes = 4008;

// A test of its own name sees only what it registers itself.
class CPrivateListTest : public ::testing::Test {
protected:
    std::string Name() const
    {
        return std::string("Pixtest.") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
};

// Tests with stand-ins share the real list: each starts with none and leaves none behind.
class CSharedListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WaitForSectionGone(kInstanceName)) << "an earlier test left a participant running";
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        UseRecordFile(pixtest::MakeScratchFolder("list-" + name) + "\\record.txt");
    }
    void TearDown() override { EXPECT_TRUE(WaitForSectionGone(kInstanceName)); }
};

// Messages from one sender arrive in order: once a later notification is recorded, an earlier
// one that was posted would be recorded too.
std::vector<std::string> EventsAfterReady(const CStandin& s)
{
    std::vector<std::string> events = s.Events();
    std::vector<std::string> after;
    bool ready = false;
    for (const std::string& e : events) {
        if (ready)
            after.push_back(e);
        ready = ready || e == "ready";
    }
    return after;
}

// Started with this variable naming an event, this program only takes the list lock, sets the
// event and waits to be killed holding the lock, as a copy that dies inside it would.
const char kHoldListLockVariable[] = "PIX_HOLD_LIST_LOCK";
const std::string kListMutexName = std::string(kListMutexPrefix) + kInstanceName;

const struct SListLockHolder {
    SListLockHolder()
    {
        const char* pszEvent = std::getenv(kHoldListLockVariable);
        if (!pszEvent || !*pszEvent)
            return;
        ::WaitForSingleObject(::CreateMutexA(NULL, FALSE, kListMutexName.c_str()), INFINITE);
        ::SetEvent(::OpenEventA(EVENT_MODIFY_STATE, FALSE, pszEvent));
        ::Sleep(INFINITE);
    }
} g_listLockHolder;

std::string Added(DWORD id) { return "added " + std::to_string(id); }
std::string Removed(DWORD id) { return "removed " + std::to_string(id); }

}  // namespace

TEST_F(CPrivateListTest, FirstProcessCreatesInitialisesAndRegisters)
{
    const DWORD self = ::GetCurrentProcessId();
    {
        COXInstanceManager registry(Name().c_str(), 1024);
        CRawList raw;
        ASSERT_TRUE(raw.Open(Name()));
        EXPECT_EQ(raw.SectionBytes(), 131072u);  // list area and additional area, 64 KiB each
        const SListBytes list = raw.Read();
        EXPECT_EQ(list.marker, 1u);
        EXPECT_EQ(list.count, 1u);
        EXPECT_EQ(list.slots[0], self);
        for (uint32_t i = 1; i < kSlots; ++i)
            ASSERT_EQ(list.slots[i], 0u) << "slot " << i;
        for (size_t i = kListBytes; i < raw.SectionBytes(); ++i)
            ASSERT_EQ(raw.Bytes()[i], 0) << "byte " << i;
        EXPECT_EQ(registry.CountInstances(), 1u);
        std::vector<uint32_t> ids;
        EXPECT_TRUE(registry.ListInstances(ids));
        EXPECT_EQ(ids, std::vector<uint32_t>{self});
        EXPECT_STREQ(registry.GetRuntimeClass()->m_lpszClassName, "COXInstanceManager");
        HANDLE hExtra = ::OpenMutexA(SYNCHRONIZE, FALSE, ("COXInstanceManager_Additional_Mutex_" + Name()).c_str());
        EXPECT_NE(hExtra, (HANDLE)NULL);
        if (hExtra)
            ::CloseHandle(hExtra);
    }
    // Destruction left the list and closed the section: nothing holds it any more.
    EXPECT_FALSE(SectionExists(Name()));
}

TEST_F(CPrivateListTest, SecondRegistryOpensTheListWithoutWipingIt)
{
    const DWORD self = ::GetCurrentProcessId();
    COXInstanceManager first(Name().c_str(), 1024);
    EXPECT_TRUE(first.AddProcess(4242));
    COXInstanceManager second(Name().c_str(), 1024);
    std::vector<uint32_t> ids;
    ASSERT_TRUE(second.ListInstances(ids));
    EXPECT_EQ(ids, (std::vector<uint32_t>{self, 4242, self}));
}

TEST_F(CPrivateListTest, AnIdTwiceStandsTwiceAndOneRemovalTakesTheFirst)
{
    const DWORD self = ::GetCurrentProcessId();
    COXInstanceManager registry(Name().c_str(), 1024);
    EXPECT_TRUE(registry.AddProcess(7001));
    EXPECT_TRUE(registry.AddProcess(self));
    EXPECT_TRUE(registry.AddProcess(7002));
    EXPECT_TRUE(registry.RemoveProcess(self));
    CRawList raw;
    ASSERT_TRUE(raw.Open(Name()));
    SListBytes list = raw.Read();
    EXPECT_EQ(list.Listed(), (std::vector<uint32_t>{7001, self, 7002}));
    EXPECT_EQ(list.slots[3], 0u);
    EXPECT_FALSE(registry.RemoveProcess(7777));
    EXPECT_EQ(raw.Read().Listed(), (std::vector<uint32_t>{7001, self, 7002}));
    EXPECT_TRUE(registry.RemoveProcess(7001));
    EXPECT_TRUE(registry.RemoveProcess(7002));
    list = raw.Read();
    EXPECT_EQ(list.Listed(), std::vector<uint32_t>{self});
    EXPECT_EQ(list.slots[1], 0u);
    EXPECT_EQ(list.slots[2], 0u);
}

TEST_F(CPrivateListTest, EmptyListIsListedAsEmpty)
{
    COXInstanceManager registry(Name().c_str(), 1024);
    ASSERT_TRUE(registry.RemoveProcess(::GetCurrentProcessId()));
    std::vector<uint32_t> ids = {1, 2, 3};
    EXPECT_TRUE(registry.ListInstances(ids));
    EXPECT_TRUE(ids.empty());
    EXPECT_EQ(registry.CountInstances(), 0u);
    EXPECT_FALSE(registry.RemoveProcess(::GetCurrentProcessId()));
}

TEST_F(CPrivateListTest, FullListRefusesAndChangesNothing)
{
    COXInstanceManager registry(Name().c_str(), 1024);
    CRawList raw;
    ASSERT_TRUE(raw.Open(Name()));
    SListBytes full;
    full.marker = 1;
    full.count = kSlots;
    for (uint32_t i = 0; i < kSlots; ++i)
        full.slots[i] = 100000 + i;
    raw.Write(full);
    EXPECT_FALSE(registry.AddProcess(::GetCurrentProcessId()));
    const SListBytes after = raw.Read();
    EXPECT_EQ(after.count, kSlots);
    EXPECT_EQ(after.slots, full.slots);
    EXPECT_EQ(registry.CountInstances(), kSlots);
    // One slot short of full: the newcomer takes the last slot, and the list is full again.
    full.count = kSlots - 1;
    raw.Write(full);
    EXPECT_TRUE(registry.AddProcess(555));
    EXPECT_EQ(raw.Read().slots[kSlots - 1], 555u);
    EXPECT_FALSE(registry.AddProcess(556));
}

// The section is writable by any program: a count beyond the capacity must never carry an
// operation past the 1000 slots.
TEST_F(CPrivateListTest, HostileCountReadsAsAFullListAndIsRepairedByARemoval)
{
    const DWORD self = ::GetCurrentProcessId();
    COXInstanceManager registry(Name().c_str(), 1024);
    CRawList raw;
    ASSERT_TRUE(raw.Open(Name()));
    SListBytes hostile;
    hostile.marker = 1;
    hostile.count = 0xFFFFFFF0u;
    for (uint32_t i = 0; i < kSlots; ++i)
        hostile.slots[i] = 200000 + i;
    hostile.slots[3] = self;
    raw.Write(hostile);

    EXPECT_EQ(registry.CountInstances(), kSlots);
    std::vector<uint32_t> ids;
    ASSERT_TRUE(registry.ListInstances(ids));
    EXPECT_EQ(ids, hostile.slots);
    EXPECT_FALSE(registry.AddProcess(123));
    EXPECT_FALSE(registry.RemoveProcess(424242));
    for (size_t i = kListBytes; i < raw.SectionBytes(); ++i)
        ASSERT_EQ(raw.Bytes()[i], 0) << "written past the list at byte " << i;

    EXPECT_TRUE(registry.RemoveProcess(self));
    const SListBytes after = raw.Read();
    EXPECT_EQ(after.count, kSlots - 1);
    EXPECT_EQ(after.slots[3], 200004u);
    EXPECT_EQ(after.slots[kSlots - 2], 200000u + kSlots - 1);
    EXPECT_EQ(after.slots[kSlots - 1], 0u);
    for (size_t i = kListBytes; i < raw.SectionBytes(); ++i)
        ASSERT_EQ(raw.Bytes()[i], 0) << "written past the list at byte " << i;
}

// A section of that name too small for the list (another program's, or a hostile one): no view
// can be mapped, so every operation fails without touching anything.
TEST_F(CPrivateListTest, SectionTooSmallForTheListMakesTheRegistryUnavailable)
{
    HANDLE hSmall = ::CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, 4096,
                                         ("COXInstanceManager_FileMap_" + Name()).c_str());
    ASSERT_NE(hSmall, (HANDLE)NULL);
    unsigned char* pSmall = static_cast<unsigned char*>(::MapViewOfFile(hSmall, FILE_MAP_WRITE, 0, 0, 4096));
    ASSERT_NE(pSmall, nullptr);
    std::memset(pSmall, 0x5A, 4096);
    {
        COXInstanceManager registry(Name().c_str(), 1024);
        EXPECT_EQ(registry.CountInstances(), 0u);
        std::vector<uint32_t> ids = {9};
        EXPECT_FALSE(registry.ListInstances(ids));
        EXPECT_EQ(ids, std::vector<uint32_t>{9});
        EXPECT_FALSE(registry.AddProcess(1));
        EXPECT_FALSE(registry.RemoveProcess(1));
    }
    for (int i = 0; i < 4096; ++i)
        ASSERT_EQ(pSmall[i], 0x5A) << "byte " << i;
    ::UnmapViewOfFile(pSmall);
    ::CloseHandle(hSmall);
}

// Another kind of object holds the mutex name: without its lock the list is not used at all.
TEST_F(CPrivateListTest, MutexThatCannotBeCreatedMakesTheRegistryUnavailable)
{
    HANDLE hEvent = ::CreateEventA(NULL, TRUE, FALSE, (kListMutexPrefix + Name()).c_str());
    ASSERT_NE(hEvent, (HANDLE)NULL);
    {
        COXInstanceManager registry(Name().c_str(), 1024);
        EXPECT_FALSE(SectionExists(Name()));
        EXPECT_EQ(registry.CountInstances(), 0u);
        std::vector<uint32_t> ids;
        EXPECT_FALSE(registry.ListInstances(ids));
        EXPECT_FALSE(registry.AddProcess(1));
    }
    ::CloseHandle(hEvent);
}

TEST_F(CSharedListTest, OtherProcessesHearOfArrivalsButNeverOfThemselves)
{
    CStandin a;
    ASSERT_TRUE(IsReady(a));
    CRawList raw;
    ASSERT_TRUE(raw.Open(kInstanceName));
    EXPECT_EQ(raw.Read().marker, 1u);
    EXPECT_EQ(raw.Read().Listed(), std::vector<uint32_t>{a.Id()});

    CStandin b;
    ASSERT_TRUE(IsReady(b));
    EXPECT_EQ(raw.Read().Listed(), (std::vector<uint32_t>{a.Id(), b.Id()}));
    EXPECT_TRUE(Hears(a, Added(b.Id())));

    // This process joins too; both hear of it, in registration order after what came before.
    {
        COXInstanceManager registry(kInstanceName, 1024);
        EXPECT_EQ(registry.CountInstances(), 3u);
        EXPECT_TRUE(Hears(b, Added(::GetCurrentProcessId())));
        EXPECT_TRUE(Hears(a, Added(::GetCurrentProcessId())));
    }
    EXPECT_TRUE(Hears(b, Removed(::GetCurrentProcessId())));
    EXPECT_TRUE(Hears(a, Removed(::GetCurrentProcessId())));
    EXPECT_EQ(EventsAfterReady(a), (std::vector<std::string>{Added(b.Id()), Added(::GetCurrentProcessId()),
                                                            Removed(::GetCurrentProcessId())}));
    EXPECT_EQ(EventsAfterReady(b), (std::vector<std::string>{Added(::GetCurrentProcessId()),
                                                            Removed(::GetCurrentProcessId())}));
    raw.Close();
}

// A lock whose holder was killed holding it is taken over: without that, a copy that died inside
// it would leave every later copy, setup and the capture application alike, waiting for ever.
TEST_F(CSharedListTest, ALockWhoseHolderWasKilledIsTakenOver)
{
    const char kHeldEvent[] = "Pixtest.ListLockHeld";
    CHandle held(::CreateEventA(NULL, TRUE, FALSE, kHeldEvent));
    char program[MAX_PATH];
    ASSERT_TRUE(::GetModuleFileNameA(NULL, program, MAX_PATH));
    ::SetEnvironmentVariableA(kHoldListLockVariable, kHeldEvent);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION holder = {};
    const BOOL started = ::CreateProcessA(program, NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &holder);
    ::SetEnvironmentVariableA(kHoldListLockVariable, NULL);
    ASSERT_TRUE(started);
    CHandle holderProcess(holder.hProcess), holderThread(holder.hThread);
    ASSERT_EQ(::WaitForSingleObject(held, kStartMs), WAIT_OBJECT_0) << "the holder did not take the lock";
    // Kept open, so that the lock outlives its holder as it does while any participant runs.
    CHandle lock(::OpenMutexA(SYNCHRONIZE, FALSE, kListMutexName.c_str()));
    ASSERT_TRUE(lock.IsValid());
    ::TerminateProcess(holderProcess, 1);
    ASSERT_EQ(::WaitForSingleObject(holderProcess, kStartMs), WAIT_OBJECT_0);

    CStandin a;
    ASSERT_TRUE(IsReady(a)) << "the first copy after the holder's death did not register";
    CStandin b;
    ASSERT_TRUE(IsReady(b)) << "a later copy did not register";
    CRawList raw;
    ASSERT_TRUE(raw.Open(kInstanceName));
    EXPECT_EQ(raw.Read().Listed(), (std::vector<uint32_t>{a.Id(), b.Id()}));
    raw.Close();
}

TEST_F(CSharedListTest, RemovalKeepsTheOrderClearsTheFreedSlotAndTellsTheOthers)
{
    CStandin a, b, c;
    ASSERT_TRUE(IsReady(a));
    ASSERT_TRUE(IsReady(b));
    ASSERT_TRUE(IsReady(c));
    CRawList raw;
    ASSERT_TRUE(raw.Open(kInstanceName));
    ASSERT_EQ(raw.Read().Listed(), (std::vector<uint32_t>{a.Id(), b.Id(), c.Id()}));

    // An ordinary close request: the stand-in ends normally and leaves the list itself.
    ::PostMessageA(FindMainWindow(a.Id()), WM_CLOSE, 0, 0);
    ASSERT_TRUE(a.WaitForEnd());
    EXPECT_TRUE(a.HasEvent("close 0"));
    const SListBytes list = raw.Read();
    EXPECT_EQ(list.count, 2u);
    EXPECT_EQ(list.Listed(), (std::vector<uint32_t>{b.Id(), c.Id()}));
    EXPECT_EQ(list.slots[2], 0u);
    EXPECT_TRUE(Hears(b, Removed(a.Id())));
    EXPECT_TRUE(Hears(c, Removed(a.Id())));
    EXPECT_FALSE(a.HasEvent(Removed(a.Id())));
    raw.Close();
}

TEST_F(CSharedListTest, UnlistedRemovalAndFullListPostNothing)
{
    CStandin b;
    ASSERT_TRUE(IsReady(b));
    CRawList raw;
    ASSERT_TRUE(raw.Open(kInstanceName));
    COXInstanceManager registry(kInstanceName, 1024);
    ASSERT_TRUE(Hears(b, Added(::GetCurrentProcessId())));

    EXPECT_FALSE(registry.RemoveProcess(31337));
    SListBytes full = raw.Read();
    const SListBytes before = full;
    full.count = kSlots;
    for (uint32_t i = 2; i < kSlots; ++i)
        full.slots[i] = 300000 + i;
    raw.Write(full);
    EXPECT_FALSE(registry.AddProcess(31338));
    raw.Write(before);

    // A notification posted now arrives after anything the two failures might have posted.
    ASSERT_TRUE(registry.AddProcess(31339));
    ASSERT_TRUE(Hears(b, Added(31339)));
    EXPECT_EQ(EventsAfterReady(b), (std::vector<std::string>{Added(::GetCurrentProcessId()), Added(31339)}));
    EXPECT_TRUE(registry.RemoveProcess(31339));
    raw.Close();
}

// Every listed stand-in hears each notice at the same moment and records it at once: no notice
// may be lost between them, whatever the machine's load.
TEST_F(CSharedListTest, StandinsThatHearTogetherRecordEveryNotice)
{
    const int kStandins = 5;
    const uint32_t kFirstId = 31400;
    const uint32_t kRounds = 40;
    std::vector<std::unique_ptr<CStandin>> standins;
    for (int i = 0; i < kStandins; ++i) {
        standins.push_back(std::make_unique<CStandin>());
        ASSERT_TRUE(IsReady(*standins.back()));
    }
    {
        COXInstanceManager registry(kInstanceName, 1024);
        for (uint32_t id = kFirstId; id < kFirstId + kRounds; ++id) {
            ASSERT_TRUE(registry.AddProcess(id));
            ASSERT_TRUE(registry.RemoveProcess(id));
        }
    }
    // The last notice is posted after all the others, so once it is on record they are too.
    std::vector<std::string> expected = {Added(::GetCurrentProcessId())};
    for (uint32_t id = kFirstId; id < kFirstId + kRounds; ++id) {
        expected.push_back(Added(id));
        expected.push_back(Removed(id));
    }
    expected.push_back(Removed(::GetCurrentProcessId()));
    for (const auto& s : standins) {
        EXPECT_TRUE(Hears(*s, expected.back()));
        std::vector<std::string> heard = EventsAfterReady(*s);
        // Those started later heard of the earlier ones' arrivals first; only this process's
        // rounds are compared.
        heard.erase(heard.begin(), std::find(heard.begin(), heard.end(), expected.front()));
        EXPECT_EQ(heard, expected) << s->Describe();
    }
}

// One notification round: a listed id without a window does not hold up the ids after it, and
// an id listed twice hears twice, in list order.
TEST_F(CSharedListTest, EveryListingWithAWindowHearsInListOrder)
{
    CStandin b;
    ASSERT_TRUE(IsReady(b));
    CRawList raw;
    ASSERT_TRUE(raw.Open(kInstanceName));
    COXInstanceManager registry(kInstanceName, 1024);
    const uint32_t self = ::GetCurrentProcessId();
    ASSERT_TRUE(Hears(b, Added(self)));

    const SListBytes before = raw.Read();
    ASSERT_EQ(before.Listed(), (std::vector<uint32_t>{b.Id(), self}));
    SListBytes crowded = before;
    crowded.count = 4;
    crowded.slots[0] = 31340;  // no process of that id has a window
    crowded.slots[1] = b.Id();
    crowded.slots[2] = self;
    crowded.slots[3] = b.Id();
    raw.Write(crowded);
    EXPECT_TRUE(registry.AddProcess(31341));
    raw.Write(before);

    // Posted after the round above, so its arrival means the round's posts have arrived.
    ASSERT_TRUE(registry.AddProcess(31342));
    ASSERT_TRUE(Hears(b, Added(31342)));
    EXPECT_EQ(EventsAfterReady(b), (std::vector<std::string>{Added(self), Added(31341), Added(31341),
                                                            Added(31342)}));
    EXPECT_TRUE(registry.RemoveProcess(31342));
    raw.Close();
}

namespace {

// The object's DACL in the platform's string form.
std::string ReadDacl(HANDLE hObject)
{
    PSECURITY_DESCRIPTOR pDescriptor = NULL;
    char* pszText = NULL;
    const DWORD error = ::GetSecurityInfo(hObject, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, NULL, NULL, NULL,
                                          NULL, &pDescriptor);
    if (error != ERROR_SUCCESS)
        return "error " + std::to_string(error);
    ::ConvertSecurityDescriptorToStringSecurityDescriptorA(pDescriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                           &pszText, NULL);
    const std::string text = pszText ? pszText : "";
    ::LocalFree(pszText);
    ::LocalFree(pDescriptor);
    return text;
}

// The person at the desktop, under another account than this process's elevated one.
class COtherUserListTest : public CSharedListTest {
protected:
    void SetUp() override
    {
        CSharedListTest::SetUp();
        m_hToken = pixtest::MakeOtherDesktopUserToken();
        ASSERT_NE(m_hToken, (HANDLE)NULL) << "error " << ::GetLastError();
    }
    void TearDown() override
    {
        if (m_hToken)
            ::CloseHandle(m_hToken);
        CSharedListTest::TearDown();
    }
    HANDLE m_hToken = NULL;
};

}  // namespace

// Setup holds the list: the person's capture application, which neither the elevated account
// nor its groups include, still takes part. The stand-in opens the existing objects with the
// protocol's calls alone (CreateMutexA, CreateFileMappingA), as the real application does.
TEST_F(COtherUserListTest, APersonsCaptureApplicationJoinsTheListThatSetupHolds)
{
    COXInstanceManager registry(kInstanceName, 1024);
    CStandin person(m_hToken);
    ASSERT_TRUE(IsReady(person));
    std::vector<uint32_t> ids;
    ASSERT_TRUE(registry.ListInstances(ids));
    EXPECT_EQ(ids, (std::vector<uint32_t>{::GetCurrentProcessId(), person.Id()})) << person.Describe();
}

// The person's capture application made the list: setup, elevated, joins it, and the objects
// grant the person what the protocol's calls ask for on an existing object (all access: an
// application that follows the protocol has no other way in); read back here, outside the
// process that made them.
TEST_F(COtherUserListTest, ListObjectsGrantThePersonWhatTheProtocolsCallsAskFor)
{
    CStandin person(m_hToken);
    ASSERT_TRUE(IsReady(person));
    {
        COXInstanceManager registry(kInstanceName, 1024);
        std::vector<uint32_t> ids;
        ASSERT_TRUE(registry.ListInstances(ids));
        EXPECT_EQ(ids, (std::vector<uint32_t>{person.Id(), ::GetCurrentProcessId()}));
    }
    const std::string sectionName = std::string("COXInstanceManager_FileMap_") + kInstanceName;
    CHandle section(::OpenFileMappingA(READ_CONTROL, FALSE, sectionName.c_str()));
    ASSERT_TRUE(section.IsValid()) << "error " << ::GetLastError();
    // SECTION_ALL_ACCESS for the system, administrators and the person.
    EXPECT_EQ(ReadDacl(section),
              "D:(A;;CCDCLCSWRPSDRCWDWO;;;SY)(A;;CCDCLCSWRPSDRCWDWO;;;BA)(A;;CCDCLCSWRPSDRCWDWO;;;IU)");
    for (const char* pszPrefix : {kListMutexPrefix, "COXInstanceManager_Additional_Mutex_"}) {
        CHandle mutex(::OpenMutexA(READ_CONTROL, FALSE, (pszPrefix + std::string(kInstanceName)).c_str()));
        ASSERT_TRUE(mutex.IsValid()) << pszPrefix << ", error " << ::GetLastError();
        // MUTEX_ALL_ACCESS (0x1f0001) for all three.
        EXPECT_EQ(ReadDacl(mutex), "D:(A;;0x1f0001;;;SY)(A;;0x1f0001;;;BA)(A;;0x1f0001;;;IU)") << pszPrefix;
    }
}

namespace {

HWND MakeWindow(DWORD exStyle, const char* title, HWND hOwner, bool visible)
{
    HWND h = ::CreateWindowExA(exStyle, "STATIC", title, WS_OVERLAPPED | (visible ? WS_VISIBLE : 0), 0, 0, 100, 50,
                               hOwner, NULL, ::GetModuleHandleA(NULL), NULL);
    EXPECT_NE(h, (HWND)NULL);
    return h;
}

}  // namespace

TEST(FindMainWindow, SkipsToolOwnedAndSystemWindowsButNotHiddenOnes)
{
    const DWORD self = ::GetCurrentProcessId();
    HWND hEarlier = FindMainWindow(self);
    ASSERT_EQ(hEarlier, (HWND)NULL) << "a window of this process exists already: class "
                                    << pixtest::ReadClassName(hEarlier) << ", title " << pixtest::ReadWindowText(hEarlier);
    // Wine gives each GUI thread an unowned "Default IME" window, which would qualify; this
    // process needs none.
    ::ImmDisableIME(static_cast<DWORD>(-1));
    HWND hTool = MakeWindow(WS_EX_TOOLWINDOW, "Tool", NULL, true);
    HWND hOwned = MakeWindow(0, "Owned", hTool, true);
    HWND hOle = MakeWindow(0, "OleMainThreadWndName", NULL, true);
    HWND hDde = MakeWindow(0, "DDE Server Window", NULL, false);
    HWND hFound = FindMainWindow(self);
    EXPECT_EQ(hFound, (HWND)NULL) << "class " << pixtest::ReadClassName(hFound) << ", title "
                                  << pixtest::ReadWindowText(hFound);

    // Titles compare exactly, case included.
    HWND hAlmost = MakeWindow(0, "dde server window", NULL, false);
    EXPECT_EQ(FindMainWindow(self), hAlmost);
    ::DestroyWindow(hAlmost);

    HWND hHidden = MakeWindow(0, "Main", NULL, false);
    EXPECT_EQ(FindMainWindow(self), hHidden);
    EXPECT_EQ(FindMainWindow(0), (HWND)NULL);
    for (HWND h : {hHidden, hDde, hOle, hOwned, hTool})
        ::DestroyWindow(h);
}

TEST_F(CSharedListTest, FindMainWindowFindsAnotherProcessesTitledWindow)
{
    CStandin a;
    ASSERT_TRUE(IsReady(a));
    HWND h = FindMainWindow(a.Id());
    ASSERT_NE(h, (HWND)NULL);
    char title[64] = "";
    ::GetWindowTextA(h, title, sizeof title);
    EXPECT_STREQ(title, "Pixorama");
    EXPECT_TRUE(::IsWindowVisible(h));
}
