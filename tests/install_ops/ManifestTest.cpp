// tests/install_ops/ManifestTest.cpp - carrying out the package manifest's "File Copy: " lines.
#include <gtest/gtest.h>
#include "install/InstallState.h"
#include "install/PackageManifest.h"
#include "install_ops/OpsTestHelpers.h"
#include "platform/FileOps.h"
#include "support/TestSupport.h"

namespace {

using pixtest::FileExists;
using pixtest::ReadFileBytes;
using pixtest::WriteFileBytes;

class ManifestTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = pixtest::MakeScratchFolder("ops_manifest");
        m_source = m_root + "\\package";
        m_dest = m_root + "\\install";
        ::CreateDirectoryA(m_source.c_str(), NULL);
        ::CreateDirectoryA(m_dest.c_str(), NULL);
        InstallChoices.sourceFolder = m_source;
        InstallChoices.destinationFolder = m_dest;
        for (const char* name : {"Pixcap5.exe", "PixRes5.dll", "Pixcap5.chm", "readme.txt", "old.txt", "lower.txt"})
            ASSERT_TRUE(WriteFileBytes(m_source + "\\" + name, std::string("from ") + name));
        ASSERT_TRUE(WriteFileBytes(m_root + "\\secret.txt", "outside"));
    }
    void TearDown() override
    {
        InstallChoices.sourceFolder.clear();
        InstallChoices.destinationFolder.clear();
        pixtest::RemoveTree(m_root);
    }
    // True when every file that the manifest names and the package holds was written.
    bool RunManifest(const std::string& text)
    {
        const std::string manifest = m_source + "\\PixUnInst.log";
        EXPECT_TRUE(WriteFileBytes(manifest, text));
        return RunPackageManifest(manifest.c_str());
    }
    std::string m_root;
    std::string m_source;
    std::string m_dest;
};

TEST_F(ManifestTest, CopiesPlainPatternAndRenamedEntriesOnly)
{
    ASSERT_TRUE(WriteFileBytes(m_dest + "\\gone.txt", "must stay"));
    EXPECT_TRUE(RunManifest("File Copy: Pixcap5.exe\r\n"
                "File Copy: *.dll\n"
                "File Copy: readme.txt  \t>  \t liesmich.txt   \r\n"
                "File Del: gone.txt\r\n"
                "file copy: lower.txt\r\n"
                "File Overwrite: old.txt\r\n"
                "\r\n"
                "Made Dir: C:\\nowhere\r\n"));
    EXPECT_EQ("from Pixcap5.exe", ReadFileBytes(m_dest + "\\Pixcap5.exe"));
    EXPECT_EQ("from PixRes5.dll", ReadFileBytes(m_dest + "\\PixRes5.dll"));
    EXPECT_EQ("from readme.txt", ReadFileBytes(m_dest + "\\liesmich.txt"));
    EXPECT_FALSE(FileExists(m_dest + "\\readme.txt"));
    EXPECT_EQ("must stay", ReadFileBytes(m_dest + "\\gone.txt"));
    EXPECT_FALSE(FileExists(m_dest + "\\lower.txt"));
    EXPECT_FALSE(FileExists(m_dest + "\\old.txt"));
}

// A missing file stops nothing but its own line; what the package lacks is no write failure.
TEST_F(ManifestTest, FailedLineDoesNotStopTheFollowingOnes)
{
    EXPECT_TRUE(RunManifest("File Copy: missing.exe\nFile Copy: nothing*.bin\nFile Copy: ghost.txt > real.txt\n"
                            "File Copy: Pixcap5.chm\n"));
    EXPECT_EQ("from Pixcap5.chm", ReadFileBytes(m_dest + "\\Pixcap5.chm"));
    EXPECT_FALSE(FileExists(m_dest + "\\real.txt"));
}

// The installer's exit code rests on this answer: a destination that refuses a file of the
// package, by name, by pattern or under a new name, is a failure; the other lines still run.
TEST_F(ManifestTest, DestinationThatRefusesAFileIsReported)
{
    const char* const lines[] = {"File Copy: readme.txt\n", "File Copy: *.txt\n", "File Copy: Pixcap5.exe > readme.txt\n"};
    for (const char* line : lines) {
        ASSERT_TRUE(::CreateDirectoryA((m_dest + "\\readme.txt").c_str(), NULL));
        EXPECT_FALSE(RunManifest(std::string(line) + "File Copy: Pixcap5.chm\n")) << line;
        EXPECT_EQ("from Pixcap5.chm", ReadFileBytes(m_dest + "\\Pixcap5.chm")) << line;
        pixtest::RemoveTree(m_dest + "\\readme.txt");
        ::DeleteFileA((m_dest + "\\Pixcap5.chm").c_str());
    }
}

// A destination folder that cannot be made refuses every file.
TEST_F(ManifestTest, DestinationFolderThatCannotBeMadeIsReported)
{
    pixtest::RemoveTree(m_dest);
    InstallChoices.destinationFolder = m_root + "\\no parent\\install";
    EXPECT_FALSE(RunManifest("File Copy: Pixcap5.exe\n"));
    EXPECT_FALSE(FileExists(InstallChoices.destinationFolder + "\\Pixcap5.exe"));
}

// One run meets new and existing targets in any mix: an existing, protected target after new
// ones is replaced, and a new one after it is still created; the destination folder, created by
// the first line, serves every later one.
TEST_F(ManifestTest, NewAndExistingTargetsMixWithinOneRun)
{
    pixtest::RemoveTree(m_dest);
    ASSERT_TRUE(WriteFileBytes(m_source + "\\Pixcap5.ini", "settings"));
    EXPECT_TRUE(RunManifest("File Copy: Pixcap5.exe\nFile Copy: readme.txt\n"));
    const std::string existing = m_dest + "\\PixRes5.dll";
    ASSERT_TRUE(WriteFileBytes(existing, "an older library, longer than the new one"));
    ASSERT_TRUE(::SetFileAttributesA(existing.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(RunManifest("File Copy: Pixcap5.chm\nFile Copy: PixRes5.dll\nFile Copy: old.txt > renamed.txt\n"
                            "File Copy: Pixcap5.exe\nFile Copy: Pixcap5.ini\n"));
    EXPECT_EQ("from Pixcap5.chm", ReadFileBytes(m_dest + "\\Pixcap5.chm"));
    EXPECT_EQ("from PixRes5.dll", ReadFileBytes(existing));
    EXPECT_EQ(0u, opstest::GetAttributes(existing) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ("from old.txt", ReadFileBytes(m_dest + "\\renamed.txt"));
    EXPECT_EQ("from Pixcap5.exe", ReadFileBytes(m_dest + "\\Pixcap5.exe"));
    EXPECT_EQ("settings", ReadFileBytes(m_dest + "\\Pixcap5.ini"));
    EXPECT_EQ("from readme.txt", ReadFileBytes(m_dest + "\\readme.txt"));
    EXPECT_EQ(6, CountFolderEntries("*", m_dest.c_str()));
}

// The manifest names files directly inside the two folders; no line may reach outside them.
TEST_F(ManifestTest, OperandsReachingOutsideTheFoldersAreSkipped)
{
    // Skipped lines are refused by the rule, not by the destination: no write failure.
    EXPECT_TRUE(RunManifest("File Copy: ..\\secret.txt\n"
                            "File Copy: ..\\secret.txt > stolen.txt\n"
                            "File Copy: readme.txt > ..\\escaped.txt\n"
                            "File Copy: readme.txt > sub/escaped.txt\n"
                            "File Copy: readme.txt > C:escaped.txt\n"
                            "File Copy: readme.txt > ..\n"
                            "File Copy: Pixcap5.exe > \n"
                            "File Copy:  > target.txt\n"
                            "File Copy: C:\\pixtest\\ops_manifest\\package\\readme.txt\n"));
    EXPECT_FALSE(FileExists(m_root + "\\escaped.txt"));
    EXPECT_EQ(std::vector<std::string>(),
              pixtest::ExistingFiles(m_dest, {"secret.txt", "stolen.txt", "target.txt", "readme.txt", "Pixcap5.exe"}));
    EXPECT_EQ(0, CountFolderEntries("*", m_dest.c_str()));
    EXPECT_EQ(7, CountFolderEntries("*", m_source.c_str()));  // six package files and the manifest
}

// No " | " remark cutting on the install side: such a line names no existing file.
TEST_F(ManifestTest, RemarkIsPartOfTheOperand)
{
    EXPECT_TRUE(RunManifest("File Copy: readme.txt | shipped since 5.0\n"));
    EXPECT_EQ(0, CountFolderEntries("*", m_dest.c_str()));
}

TEST_F(ManifestTest, MissingManifestCopiesNothing)
{
    EXPECT_FALSE(RunPackageManifest((m_source + "\\absent.log").c_str()));
    EXPECT_FALSE(RunPackageManifest(NULL));
    EXPECT_EQ(0, CountFolderEntries("*", m_dest.c_str()));
}

}  // namespace
