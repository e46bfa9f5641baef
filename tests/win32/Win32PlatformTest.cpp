// The Win32 platform services: environment expansion, the Windows folder, path helpers, file services,
// program associations and started programs.
#include "platform/Errors.h"
#include "platform/Platform.h"
#include "support/ExpandEnvCases.h"
#include "support/FileAssociation.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>
// windows.h makes macros of these names; the tests mean the platform's functions.
#undef CopyFile
#undef DeleteFile

namespace fs = std::filesystem;

namespace {

using TNames = std::vector<std::string>;
TNames FolderEntries(const std::string& folder)
{
    TNames names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// ---- environment expansion

INSTANTIATE_TEST_SUITE_P(Shared, ExpandEnvVars, testing::ValuesIn(SharedExpandCases), ExpandCaseName);
INSTANTIATE_TEST_SUITE_P(Win32, ExpandEnvVars,
                         testing::Values(TExpandCase{"NameInAnyCase", "%quillon_t_root%", "C:\\Windows"}),
                         ExpandCaseName);

// The first buffer holds the text plus 260 characters: results that just fit,
// just miss, and need far more.
TEST(Win32Expand, GrowsTheBufferWhenTheResultNeedsIt)
{
    TScopedEnv env;
    const std::string text = "%QUILLON_T_LONG%";
    for (size_t length : {text.size() + 259, text.size() + 260, size_t(20000)}) {
        const std::string value(length, 'v');
        env.Set("QUILLON_T_LONG", value);
        EXPECT_EQ(platform::ExpandEnvVars(text), value) << length;
    }
}

// ---- places

TEST(Win32Places, WindowsFolderWithAndWithoutDelimiter)
{
    char system[MAX_PATH];
    ASSERT_GT(GetSystemWindowsDirectoryA(system, MAX_PATH), 0u);
    const std::string folder = platform::WindowsDir(false);
    EXPECT_EQ(_stricmp(folder.c_str(), system), 0) << folder << " / " << system;
    EXPECT_EQ(platform::WindowsDir(true), folder + "\\");
    EXPECT_TRUE(platform::DirectoryExists(folder));
}

TEST(Win32Places, ExeDirHoldsThisTest)
{
    const std::string folder = platform::ExeDir();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_TRUE(platform::FileExists(folder + "win32_tests.exe")) << folder;
}

// ---- path helpers

struct TPathCase {
    const char* name;
    const char* path;
    const char* withDelimiter;
    const char* withoutDelimiter;
    const char* withoutExt;
    const char* fileName;
    const char* filePath;
};

class PathHelpers : public testing::TestWithParam<TPathCase> {};

TEST_P(PathHelpers, SplitAndChangeNames)
{
    const TPathCase& c = GetParam();
    EXPECT_EQ(platform::IncludeTrailingPathDelimiter(c.path), c.withDelimiter);
    EXPECT_EQ(platform::ExcludeTrailingPathDelimiter(c.path), c.withoutDelimiter);
    EXPECT_EQ(platform::RemoveFileExt(c.path), c.withoutExt);
    EXPECT_EQ(platform::ExtractFileName(c.path), c.fileName);
    EXPECT_EQ(platform::ExtractFilePath(c.path), c.filePath);
}

// Columns: path; with and without trailing delimiter; without extension; file name; folder.
INSTANTIATE_TEST_SUITE_P(
    Win32, PathHelpers,
    testing::Values(TPathCase{"FullName", "C:\\Windows\\System32\\etc\\HOSTS",
                              "C:\\Windows\\System32\\etc\\HOSTS\\", "C:\\Windows\\System32\\etc\\HOSTS",
                              "C:\\Windows\\System32\\etc\\HOSTS", "HOSTS", "C:\\Windows\\System32\\etc\\"},
                    TPathCase{"LastExtensionOnly", "C:\\a\\b.tar.gz", "C:\\a\\b.tar.gz\\", "C:\\a\\b.tar.gz",
                              "C:\\a\\b.tar", "b.tar.gz", "C:\\a\\"},
                    TPathCase{"DotInFolderOnly", "C:\\a.b\\c", "C:\\a.b\\c\\", "C:\\a.b\\c", "C:\\a.b\\c",
                              "c", "C:\\a.b\\"},
                    TPathCase{"ForwardSlashes", "C:/lists/ads.txt", "C:/lists/ads.txt\\", "C:/lists/ads.txt",
                              "C:/lists/ads", "ads.txt", "C:/lists/"},
                    TPathCase{"Folder", "C:\\data\\", "C:\\data\\", "C:\\data", "C:\\data\\", "",
                              "C:\\data\\"},
                    TPathCase{"DriveRelative", "C:hosts.txt", "C:hosts.txt\\", "C:hosts.txt", "C:hosts",
                              "hosts.txt", "C:"},
                    TPathCase{"BareName", "hosts.txt", "hosts.txt\\", "hosts.txt", "hosts", "hosts.txt", ""},
                    TPathCase{"Empty", "", "\\", "", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- file services

class Win32Files : public testing::Test {
protected:
    TTempDir dir;
    DWORD Attributes(const std::string& name) const { return GetFileAttributesA(dir.File(name).c_str()); }
};

TEST_F(Win32Files, ExistenceTellsFilesFromFolders)
{
    dir.Write("file", "x");
    fs::create_directory(dir.File("folder"));
    EXPECT_TRUE(platform::FileExists(dir.File("file")));
    EXPECT_FALSE(platform::FileExists(dir.File("folder")));
    EXPECT_FALSE(platform::FileExists(dir.File("missing")));
    EXPECT_TRUE(platform::DirectoryExists(dir.File("folder")));
    EXPECT_FALSE(platform::DirectoryExists(dir.File("file")));
    EXPECT_FALSE(platform::DirectoryExists(dir.File("missing")));
}

TEST_F(Win32Files, RenameRefusesAnExistingTarget)
{
    dir.Write("hosts", "new");
    dir.Write("hosts.Quillon", "old");
    EXPECT_FALSE(platform::RenameFile(dir.File("hosts"), dir.File("hosts.Quillon")));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(platform::LastErrorText().empty());
    EXPECT_EQ(dir.Read("hosts"), "new");
    EXPECT_EQ(dir.Read("hosts.Quillon"), "old");
}

TEST_F(Win32Files, RenameMovesToAFreeName)
{
    dir.Write("hosts", "content");
    EXPECT_TRUE(platform::RenameFile(dir.File("hosts"), dir.File("hosts.Quillon")));
    EXPECT_EQ(FolderEntries(dir.Path()), TNames{"hosts.Quillon"});
    EXPECT_EQ(dir.Read("hosts.Quillon"), "content");
    EXPECT_FALSE(platform::RenameFile(dir.File("hosts"), dir.File("other")));
}

TEST_F(Win32Files, CopyOverwritesWithExactBytes)
{
    const std::string bytes = std::string("line\r\nnul\0byte\xFF\n", 16) + std::string(200000, 'x');
    dir.Write("source", bytes);
    dir.Write("target", "a longer old content that must not survive at the end of the file........");
    EXPECT_TRUE(platform::CopyFile(dir.File("source"), dir.File("target")));
    EXPECT_EQ(dir.Read("target"), bytes);
    EXPECT_FALSE(platform::CopyFile(dir.File("missing"), dir.File("target2")));
    EXPECT_FALSE(dir.Exists("target2"));
}

// The backup of a hidden HOSTS file is hidden too, and the next backup replaces it.
TEST_F(Win32Files, CopyReplacesAHiddenTarget)
{
    dir.Write("hosts", "current");
    dir.Write("hosts.bak", "previous");
    const DWORD hiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    ASSERT_TRUE(SetFileAttributesA(dir.File("hosts.bak").c_str(), hiddenSystem));
    EXPECT_TRUE(platform::CopyFile(dir.File("hosts"), dir.File("hosts.bak")));
    EXPECT_EQ(dir.Read("hosts.bak"), "current");
}

TEST_F(Win32Files, CopyOntoItselfKeepsTheFile)
{
    dir.Write("hosts", "keep me");
    EXPECT_FALSE(platform::CopyFile(dir.File("hosts"), dir.File("hosts")));
    EXPECT_EQ(dir.Read("hosts"), "keep me");
}

TEST_F(Win32Files, DeleteRemovesOnlyExistingFiles)
{
    dir.Write("file", "x");
    EXPECT_TRUE(platform::DeleteFile(dir.File("file")));
    EXPECT_FALSE(dir.Exists("file"));
    EXPECT_FALSE(platform::DeleteFile(dir.File("file")));
}

TEST_F(Win32Files, WriteAtomicReplacesContentAndLeavesNoTemporaryFile)
{
    dir.Write("Groups.cds", "old content that is longer than the new one");
    platform::WriteFileAtomic(dir.File("Groups.cds"), std::string("new\0\n", 5));
    EXPECT_EQ(dir.Read("Groups.cds"), std::string("new\0\n", 5));
    platform::WriteFileAtomic(dir.File("new.ini"), "");
    EXPECT_EQ(dir.Read("new.ini"), "");
    EXPECT_EQ(FolderEntries(dir.Path()), (TNames{"Groups.cds", "new.ini"}));
}

TEST_F(Win32Files, WriteAtomicFailureNamesTheFileAndLeavesNothing)
{
    const std::string name = dir.File("missing\\BadHosts.cds");
    try {
        platform::WriteFileAtomic(name, "data");
        FAIL() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write file " + name + ": No such file or directory");
    }
    // A folder in the target's place makes the final move fail.
    fs::create_directories(dir.File("taken\\inside"));
    EXPECT_THROW(platform::WriteFileAtomic(dir.File("taken"), "data"), EQuillonError);
    EXPECT_EQ(FolderEntries(dir.Path()), TNames{"taken"});
}

TEST_F(Win32Files, ReadWholeFileGivesEveryByte)
{
    const std::string bytes = std::string("a\0b\r\n\x1A", 6) + std::string(100000, '\xEE');
    dir.Write("data", bytes);
    EXPECT_EQ(platform::ReadWholeFile(dir.File("data")), bytes);
    const std::string name = dir.File("missing.cds");
    try {
        platform::ReadWholeFile(name);
        FAIL() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + name + ": No such file or directory");
    }
}

// ---- program associations

struct TAssociationCase {
    const char* name;
    const char* document;
    bool exists;
    bool associated;
};

class Associations : public Win32Files, public testing::WithParamInterface<TAssociationCase> {};

TEST_P(Associations, FindTheAssociatedProgram)
{
    dir.Write("viewer.exe", "");
    const TFileAssociation association(".quillontest", dir.File("viewer.exe"));
    if (GetParam().exists)
        dir.Write(GetParam().document, "Delete me!\r\n");
    EXPECT_EQ(platform::FindExecutableFor(dir.File(GetParam().document)),
              GetParam().associated ? dir.File("viewer.exe") : "");
}

INSTANTIATE_TEST_SUITE_P(
    Win32, Associations,
    testing::Values(TAssociationCase{"Registered", "~temp.quillontest", true, true},
                    TAssociationCase{"NotRegistered", "~temp.quillonnone", true, false},
                    TAssociationCase{"MissingDocument", "absent.quillontest", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- starting programs

class Launching : public Win32Files {
protected:
    // A copy of the recorder in the temporary folder: it adds
    // "folder|argument count|arguments" to record.log there.
    void SetUp() override { ASSERT_TRUE(platform::CopyFile(QUILLON_RECORDER, dir.File("tool.exe"))); }

    // A started program needs its moment; the content is what is checked.
    std::string WaitFor(const std::string& name) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!dir.Exists(name) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return dir.Read(name);
    }
};

TEST_F(Launching, ProgramGetsParametersAsOneArgumentInItsFolder)
{
    fs::create_directory(dir.File("my work"));
    EXPECT_TRUE(platform::ShellOpen(dir.File("tool.exe"), "two words", dir.File("my work")));
    EXPECT_EQ(WaitFor("record.log"), dir.File("my work") + "|1|two words\n");
}

TEST_F(Launching, NothingToStartReturnsFalse)
{
    EXPECT_FALSE(platform::ShellOpen(""));
    EXPECT_FALSE(platform::ShellOpen(dir.File("missing.exe")));
    EXPECT_FALSE(platform::StartDetached("\"" + dir.File("missing.exe") + "\" x"));
    EXPECT_FALSE(dir.Exists("record.log"));
}

// The after-write command: its first word names the program, the rest is its command line.
TEST_F(Launching, CommandLineStartsItsProgram)
{
    EXPECT_TRUE(platform::StartDetached("\"" + dir.File("tool.exe") + "\" \"" + dir.File("hosts") + "\""));
    EXPECT_EQ(WaitFor("record.log"), fs::current_path().string() + "|1|" + dir.File("hosts") + "\n");
}

}   // namespace
