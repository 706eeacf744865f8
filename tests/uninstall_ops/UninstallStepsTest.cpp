// tests/uninstall_ops/UninstallStepsTest.cpp - the uninstallation's registry removal where a key
// refuses to go.
#include <gtest/gtest.h>
#include <windows.h>
#include "support/E2eSupport.h"
#include "uninstall/UninstallSteps.h"

namespace {

const char kProductKey[] = "SOFTWARE\\Corvanta\\Pixorama v.5";
const char kLockedKey[] = "SOFTWARE\\Corvanta\\Pixorama v.5\\locked";
// Far more than the removal takes; a removal that loops on the locked key never ends.
const DWORD kRemovalLimitMs = 20000;

// A key that refuses to go, as one whose security descriptor denies DELETE does on Windows.
LONG WINAPI DeleteKeyUnlessLocked(HKEY hParent, LPCSTR pszSubkey)
{
    if (lstrcmpiA(pszSubkey, "locked") == 0)
        return ERROR_ACCESS_DENIED;
    return ::RegDeleteKeyA(hParent, pszSubkey);
}

DWORD WINAPI RemoveEntries(LPVOID)
{
    RemoveRegistryEntries("Corvanta", "Pixorama v.5", "Pixorama 5", "Pixcap5.exe");
    return 0;
}

}  // namespace

// An undeletable subkey is stepped over, never tried again and again: the removal ends, and
// everything else of ours is gone.
TEST(RemoveRegistryEntries, ASubkeyThatCannotBeDeletedIsSteppedOver)
{
    for (const char* key : {"SOFTWARE\\Corvanta\\Pixorama v.5\\a", kLockedKey, "SOFTWARE\\Corvanta\\Pixorama v.5\\z"})
        ASSERT_TRUE(e2e::WriteRegText(HKEY_LOCAL_MACHINE, key, "v", "x"));
    ASSERT_TRUE(e2e::WriteRegText(HKEY_LOCAL_MACHINE, e2e::kUninstallKey, "DisplayName", "Pixorama 5"));
    g_pfnRegDeleteKeyA = DeleteKeyUnlessLocked;

    HANDLE hThread = ::CreateThread(NULL, 0, RemoveEntries, NULL, 0, NULL);
    ASSERT_TRUE(hThread);
    const bool ended = ::WaitForSingleObject(hThread, kRemovalLimitMs) == WAIT_OBJECT_0;
    ::CloseHandle(hThread);  // a removal that never ends keeps running until the program ends
    EXPECT_TRUE(ended) << "the removal did not end within " << kRemovalLimitMs << " ms";
    EXPECT_TRUE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, kLockedKey));
    EXPECT_TRUE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey)) << "it still holds the locked key";
    EXPECT_FALSE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvanta\\Pixorama v.5\\a"));
    EXPECT_FALSE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvanta\\Pixorama v.5\\z"));
    EXPECT_FALSE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, e2e::kUninstallKey));
    if (ended) {
        g_pfnRegDeleteKeyA = ::RegDeleteKeyA;
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvanta");
    }
}
