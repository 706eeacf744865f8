// tests/launcher/VersionStampTest.cpp - copies of programs restamped with another file version.
#include <gtest/gtest.h>
#include <windows.h>
#include <vector>
#include "launcher/LauncherTestSupport.h"
#include "support/VersionStamp.h"

namespace {

// The fixed file version as the platform's version service reports it; empty when there is none.
std::vector<unsigned> ReadFileVersion(const std::string& path)
{
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0)
        return {};
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* pInfo = nullptr;
    UINT length = 0;
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
        !::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&pInfo), &length) || !pInfo)
        return {};
    return {HIWORD(pInfo->dwFileVersionMS), LOWORD(pInfo->dwFileVersionMS), HIWORD(pInfo->dwFileVersionLS),
            LOWORD(pInfo->dwFileVersionLS)};
}

}  // namespace

TEST(StampFileVersion, RestampsTheStandinAndKeepsItRunnable)
{
    const std::string folder = pixtest::MakeScratchFolder("stamp");
    const std::string copy = folder + "\\Pixcap5.exe";
    ASSERT_TRUE(pixtest::CopyFileTo(launchtest::StandinPath(), copy));
    EXPECT_EQ(ReadFileVersion(copy), (std::vector<unsigned>{5, 20, 0, 0}));
    ASSERT_TRUE(StampFileVersion(copy, 6, 1, 65535, 7));
    EXPECT_EQ(ReadFileVersion(copy), (std::vector<unsigned>{6, 1, 65535, 7}));
    ASSERT_TRUE(pixtest::StampFileVersion(copy, 0, 0, 0, 0));
    EXPECT_EQ(ReadFileVersion(copy), (std::vector<unsigned>{0, 0, 0, 0}));
    EXPECT_EQ(ReadFileVersion(launchtest::StandinPath()), (std::vector<unsigned>{5, 20, 0, 0}));
    // Still a program that runs.
    launchtest::UseRecordFile(folder + "\\record.txt");
    launchtest::CStandin stamped(copy);
    EXPECT_TRUE(IsReady(stamped));
}

TEST(StampFileVersion, GivesAProgramWithoutVersionOneAndRefusesAMissingFile)
{
    const std::string folder = pixtest::MakeScratchFolder("stamp-none");
    const std::string copy = folder + "\\Plain.exe";
    ASSERT_TRUE(pixtest::CopyFileTo(pixtest::OutDir() + "\\tests\\UrlRecorder.exe", copy));
    ASSERT_TRUE(ReadFileVersion(copy).empty()) << "expected a program without version information";
    ASSERT_TRUE(StampFileVersion(copy, 2, 3, 4, 5));
    EXPECT_EQ(ReadFileVersion(copy), (std::vector<unsigned>{2, 3, 4, 5}));
    EXPECT_FALSE(StampFileVersion(folder + "\\missing.exe", 1, 0, 0, 0));
}
