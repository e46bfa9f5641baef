// The POSIX platform services: environment expansion, file services, atomic writes,
// the desktop's program associations and detached processes.
#include "platform/Errors.h"
#include "platform/Platform.h"
#include "support/ExpandEnvCases.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

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

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// ---- environment expansion

INSTANTIATE_TEST_SUITE_P(Shared, ExpandEnvVars, testing::ValuesIn(SharedExpandCases), ExpandCaseName);
INSTANTIATE_TEST_SUITE_P(
    Posix, ExpandEnvVars,
    testing::Values(TExpandCase{"UnsetThenKnownNamePart", "%QUILLON_T_UNSET%QUILLON_T_ROOT%",
                                "%QUILLON_T_UNSET%QUILLON_T_ROOT%"},
                    TExpandCase{"DoublePercent", "%%", "%%"},
                    TExpandCase{"UnclosedAfterKnown", "%QUILLON_T_ROOT%%", "C:\\Windows%"}),
    ExpandCaseName);

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
    Platform, PathHelpers,
    testing::Values(TPathCase{"FullName", "/srv/lists/hosts", "/srv/lists/hosts/", "/srv/lists/hosts",
                              "/srv/lists/hosts", "hosts", "/srv/lists/"},
                    TPathCase{"Extension", "/a/zones.reg", "/a/zones.reg/", "/a/zones.reg", "/a/zones",
                              "zones.reg", "/a/"},
                    TPathCase{"LastExtensionOnly", "/a/b.tar.gz", "/a/b.tar.gz/", "/a/b.tar.gz", "/a/b.tar",
                              "b.tar.gz", "/a/"},
                    TPathCase{"DotInFolderOnly", "a.b/c", "a.b/c/", "a.b/c", "a.b/c", "c", "a.b/"},
                    TPathCase{"Folder", "/data/", "/data/", "/data", "/data/", "", "/data/"},
                    TPathCase{"BareName", "hosts.txt", "hosts.txt/", "hosts.txt", "hosts", "hosts.txt", ""},
                    TPathCase{"Root", "/", "/", "", "/", "", "/"},
                    TPathCase{"Empty", "", "/", "", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- file services

class PlatformFiles : public testing::Test {
protected:
    TTempDir dir;
};

TEST_F(PlatformFiles, ExistenceTellsFilesFromFolders)
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

TEST_F(PlatformFiles, RenameRefusesAnExistingTarget)
{
    dir.Write("hosts", "new");
    dir.Write("hosts.Quillon", "old");
    errno = 0;
    EXPECT_FALSE(platform::RenameFile(dir.File("hosts"), dir.File("hosts.Quillon")));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(platform::LastErrorText(), "File exists");
    EXPECT_EQ(dir.Read("hosts"), "new");
    EXPECT_EQ(dir.Read("hosts.Quillon"), "old");
}

TEST_F(PlatformFiles, RenameMovesToAFreeName)
{
    dir.Write("hosts", "content");
    EXPECT_TRUE(platform::RenameFile(dir.File("hosts"), dir.File("hosts.Quillon")));
    EXPECT_EQ(FolderEntries(dir.Path()), TNames{"hosts.Quillon"});
    EXPECT_EQ(dir.Read("hosts.Quillon"), "content");
    EXPECT_FALSE(platform::RenameFile(dir.File("hosts"), dir.File("other")));
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(PlatformFiles, CopyOverwritesWithExactBytes)
{
    const std::string bytes = std::string("line\r\nnul\0byte\xFF", 15) + std::string(200000, 'x');
    dir.Write("source", bytes);
    dir.Write("target", "a longer old content that must not survive at the end of the file........");
    EXPECT_TRUE(platform::CopyFile(dir.File("source"), dir.File("target")));
    EXPECT_EQ(dir.Read("target"), bytes);
    EXPECT_FALSE(platform::CopyFile(dir.File("missing"), dir.File("target2")));
    EXPECT_FALSE(dir.Exists("target2"));
}

TEST_F(PlatformFiles, CopyOntoItselfKeepsTheFile)
{
    dir.Write("hosts", "keep me");
    EXPECT_FALSE(platform::CopyFile(dir.File("hosts"), dir.File("./hosts")));
    EXPECT_EQ(dir.Read("hosts"), "keep me");
}

TEST_F(PlatformFiles, DeleteRemovesOnlyExistingFiles)
{
    dir.Write("file", "x");
    EXPECT_TRUE(platform::DeleteFile(dir.File("file")));
    EXPECT_FALSE(dir.Exists("file"));
    EXPECT_FALSE(platform::DeleteFile(dir.File("file")));
}

TEST_F(PlatformFiles, WriteAtomicReplacesContentAndLeavesNoTemporaryFile)
{
    dir.Write("Groups.cds", "old content that is longer than the new one");
    ASSERT_EQ(chmod(dir.File("Groups.cds").c_str(), 0640), 0);
    platform::WriteFileAtomic(dir.File("Groups.cds"), std::string("new\0", 4));
    EXPECT_EQ(dir.Read("Groups.cds"), std::string("new\0", 4));
    EXPECT_EQ(ModeOf(dir.File("Groups.cds")), 0640u) << "permissions of the replaced file are kept";
    EXPECT_EQ(FolderEntries(dir.Path()), TNames{"Groups.cds"});
}

TEST_F(PlatformFiles, WriteAtomicCreatesANewFile)
{
    platform::WriteFileAtomic(dir.File("new.ini"), "");
    EXPECT_TRUE(dir.Exists("new.ini"));
    EXPECT_EQ(dir.Read("new.ini"), "");
    EXPECT_EQ(FolderEntries(dir.Path()), TNames{"new.ini"});
}

TEST_F(PlatformFiles, WriteAtomicThroughASymbolicLinkKeepsTheLink)
{
    dir.Write("real.ini", "old");
    fs::create_symlink(dir.File("real.ini"), dir.File("link.ini"));
    platform::WriteFileAtomic(dir.File("link.ini"), "new");
    EXPECT_TRUE(fs::is_symlink(dir.File("link.ini")));
    EXPECT_EQ(dir.Read("real.ini"), "new");
}

TEST_F(PlatformFiles, WriteAtomicFailureNamesTheFileAndReason)
{
    const std::string name = dir.File("missing/BadHosts.cds");
    try {
        platform::WriteFileAtomic(name, "data");
        FAIL() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write file " + name + ": No such file or directory");
    }
}

TEST_F(PlatformFiles, WriteAtomicFailureRemovesTheTemporaryFile)
{
    // A folder in the target's place makes the final rename fail.
    fs::create_directories(dir.File("taken/inside"));
    EXPECT_THROW(platform::WriteFileAtomic(dir.File("taken"), "data"), EQuillonError);
    EXPECT_EQ(FolderEntries(dir.Path()), TNames{"taken"});
}

TEST_F(PlatformFiles, ReadWholeFileGivesEveryByte)
{
    const std::string bytes = std::string("a\0b\r\n", 5) + std::string(100000, '\xEE');
    dir.Write("data", bytes);
    EXPECT_EQ(platform::ReadWholeFile(dir.File("data")), bytes);
    EXPECT_EQ(platform::ReadWholeFile(dir.File("data")).size(), bytes.size());
}

TEST_F(PlatformFiles, ReadWholeFileFailureNamesTheFile)
{
    const std::string name = dir.File("missing.cds");
    try {
        platform::ReadWholeFile(name);
        FAIL() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + name + ": No such file or directory");
    }
}

TEST(Platform, ExeDirIsTheFolderOfThisTest)
{
    const std::string folder = platform::ExeDir();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(platform::DirectoryExists(folder));
}

TEST(Platform, HostsFileAndWindowsPlacesOnThisSystem)
{
    EXPECT_EQ(platform::DefaultHostsFileName(), "/etc/hosts");
    EXPECT_EQ(platform::WindowsDir(true), "");
    EXPECT_EQ(platform::ReadMachineRegistryString("System\\CurrentControlSet\\Services\\Tcpip\\Parameters",
                                                  "DataBasePath"),
              "");
}

// ---- the desktop's program associations

// A fake desktop: XDG folders and PATH all inside the temporary folder.
class FakeDesktop : public testing::Test {
protected:
    TTempDir dir;
    TScopedEnv env;

    void SetUp() override
    {
        for (const char* folder :
             {"home", "config", "etc-xdg", "data/applications", "share/applications", "bin"})
            fs::create_directories(dir.File(folder));
        env.Set("HOME", dir.File("home"));
        env.Set("XDG_CONFIG_HOME", dir.File("config"));
        env.Set("XDG_CONFIG_DIRS", dir.File("etc-xdg"));
        env.Set("XDG_DATA_HOME", dir.File("data"));
        env.Set("XDG_DATA_DIRS", dir.File("share"));
        env.Set("PATH", dir.File("bin"));
        env.Unset("XDG_CURRENT_DESKTOP");
    }

    // "@" in a content stands for the temporary folder.
    void Put(const std::string& name, std::string content, bool executable = false) const
    {
        for (size_t at = content.find('@'); at != std::string::npos; at = content.find('@', at))
            content.replace(at, 1, dir.Path());
        fs::create_directories(fs::path(dir.File(name)).parent_path());
        dir.Write(name, content);
        if (executable)
            chmod(dir.File(name).c_str(), 0755);
    }
    void Program(const std::string& name) const { Put(name, "#!/bin/sh\n", true); }
    void Desktop(const std::string& name, const std::string& exec) const
    {
        Put(name, "[Desktop Entry]\nType=Application\nName=Test\nExec=" + exec + "\n");
    }
};

struct TFakeFile {
    const char* name;
    const char* content;   // nullptr: an executable script
};

struct TAssociationCase {
    const char* name;
    std::vector<TFakeFile> files;
    const char* document;
    const char* expected;   // relative to the temporary folder; "" for none
};

class Associations : public FakeDesktop, public testing::WithParamInterface<TAssociationCase> {};

TEST_P(Associations, FindTheAssociatedProgram)
{
    for (const TFakeFile& file : GetParam().files) {
        if (file.content)
            Put(file.name, file.content);
        else
            Program(file.name);
    }
    const std::string document = dir.File(GetParam().document);
    if (!dir.Exists(GetParam().document))
        Put(GetParam().document, "Delete me!\n");
    const std::string expected = *GetParam().expected ? dir.File(GetParam().expected) : "";
    EXPECT_EQ(platform::FindExecutableFor(document), expected);
}

const char* const EditorDesktop = "[Desktop Entry]\nType=Application\nExec=editor %F\n";
const char* const BrowserDesktop = "[Desktop Entry]\nType=Application\nExec=browser --new %u\n";

INSTANTIATE_TEST_SUITE_P(
    Platform, Associations,
    testing::Values(
        TAssociationCase{"UserDefault",
                         {{"config/mimeapps.list", "[Default Applications]\ntext/plain=editor.desktop\n"},
                          {"data/applications/editor.desktop", EditorDesktop},
                          {"bin/editor", nullptr}},
                         "~temp.txt",
                         "bin/editor"},
        TAssociationCase{"HtmlHasItsOwnType",
                         {{"config/mimeapps.list",
                           "[Default Applications]\ntext/plain=editor.desktop\ntext/html=browser.desktop\n"},
                          {"share/applications/editor.desktop", EditorDesktop},
                          {"share/applications/browser.desktop", BrowserDesktop},
                          {"bin/editor", nullptr},
                          {"bin/browser", nullptr}},
                         "Help/index.HTM",
                         "bin/browser"},
        TAssociationCase{"RegistryFileIsText",
                         {{"etc-xdg/mimeapps.list", "[Default Applications]\ntext/plain=editor.desktop\n"},
                          {"share/applications/editor.desktop", EditorDesktop},
                          {"bin/editor", nullptr}},
                         "zones.reg",
                         "bin/editor"},
        TAssociationCase{"UserListBeatsSystemList",
                         {{"etc-xdg/mimeapps.list", "[Default Applications]\ntext/plain=browser.desktop\n"},
                          {"config/mimeapps.list", "[Default Applications]\ntext/plain=editor.desktop\n"},
                          {"share/applications/editor.desktop", EditorDesktop},
                          {"share/applications/browser.desktop", BrowserDesktop},
                          {"bin/editor", nullptr},
                          {"bin/browser", nullptr}},
                         "a.txt",
                         "bin/editor"},
        TAssociationCase{
            "DefaultsList",
            {{"share/applications/defaults.list", "[Default Applications]\ntext/plain=editor.desktop\n"},
             {"share/applications/editor.desktop", EditorDesktop},
             {"bin/editor", nullptr}},
            "a.txt",
            "bin/editor"},
        TAssociationCase{
            "SkipsEntryWhoseProgramIsMissing",
            {{"config/mimeapps.list", "[Default Applications]\ntext/plain=gone.desktop;editor.desktop;\n"},
             {"share/applications/gone.desktop", "[Desktop Entry]\nExec=not-installed %f\n"},
             {"share/applications/editor.desktop", EditorDesktop},
             {"bin/editor", nullptr}},
            "a.txt",
            "bin/editor"},
        TAssociationCase{"QuotedFullPathInExec",
                         {{"config/mimeapps.list", "[Default Applications]\ntext/plain=spaced.desktop\n"},
                          {"data/applications/spaced.desktop", "[Desktop Entry]\nExec=\"@my tools/ed\" %U\n"},
                          {"my tools/ed", nullptr}},
                         "a.txt",
                         "my tools/ed"},
        TAssociationCase{"VendorPrefixedIdInSubfolder",
                         {{"config/mimeapps.list", "[Default Applications]\ntext/plain=kde-editor.desktop\n"},
                          {"share/applications/kde/editor.desktop", EditorDesktop},
                          {"bin/editor", nullptr}},
                         "a.txt",
                         "bin/editor"},
        TAssociationCase{"AddedAssociationWithoutDefault",
                         {{"config/mimeapps.list", "[Added Associations]\ntext/plain=editor.desktop\n"},
                          {"share/applications/editor.desktop", EditorDesktop},
                          {"bin/editor", nullptr}},
                         "a.txt",
                         "bin/editor"},
        TAssociationCase{"ExecOfActionIgnored",
                         {{"config/mimeapps.list", "[Default Applications]\ntext/plain=odd.desktop\n"},
                          {"share/applications/odd.desktop",
                           "[Desktop Action new]\nExec=editor\n[Desktop Entry]\nExec=viewer %f\n"},
                          {"bin/editor", nullptr},
                          {"bin/viewer", nullptr}},
                         "a.txt",
                         "bin/viewer"},
        TAssociationCase{"OpenerWhenNothingIsAssociated",
                         {{"bin/xdg-open", nullptr}, {"bin/editor", nullptr}},
                         "a.txt",
                         "bin/xdg-open"},
        TAssociationCase{"NothingAtAll", {}, "a.txt", ""},
        TAssociationCase{"OtherTypeOnly",
                         {{"config/mimeapps.list", "[Default Applications]\ntext/html=browser.desktop\n"},
                          {"share/applications/browser.desktop", BrowserDesktop},
                          {"bin/browser", nullptr}},
                         "a.txt",
                         ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FakeDesktop, MissingDocumentHasNoProgram)
{
    Put("config/mimeapps.list", "[Default Applications]\ntext/plain=editor.desktop\n");
    Put("data/applications/editor.desktop", EditorDesktop);
    Program("bin/editor");
    EXPECT_EQ(platform::FindExecutableFor(dir.File("absent.txt")), "");
}

// ---- starting programs

class Launching : public FakeDesktop {
protected:
    // A script that records its folder and arguments into the file "record".
    void Recorder(const std::string& name) const
    {
        Put(name,
            "#!/bin/sh\n"
            "printf '%s|%s|%s\\n' \"$(pwd -P)\" \"$#\" \"$1\" > @record.part\n"
            "/bin/mv @record.part @record\n",
            true);
    }
    // The detached process needs its moment; the content is what is checked.
    std::string WaitForRecord() const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!dir.Exists("record") && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return dir.Read("record");
    }
    std::string Real(const std::string& path) const { return fs::canonical(path).string(); }
};

TEST_F(Launching, ProgramGetsParametersAsOneArgumentInItsFolder)
{
    Recorder("bin/tool");
    fs::create_directory(dir.File("work"));
    EXPECT_TRUE(platform::ShellOpen(dir.File("bin/tool"), "two words", dir.File("work")));
    EXPECT_EQ(WaitForRecord(), Real(dir.File("work")) + "|1|two words\n");
}

TEST_F(Launching, BareProgramNameIsFoundOnPath)
{
    Recorder("bin/tool");
    EXPECT_TRUE(platform::ShellOpen("tool", "", dir.Path()));
    EXPECT_EQ(WaitForRecord(), Real(dir.Path()) + "|0|\n");
}

TEST_F(Launching, DocumentsAndAddressesGoToTheDesktopOpener)
{
    Recorder("bin/xdg-open");
    Put("doc.txt", "text");
    chmod(dir.File("doc.txt").c_str(), 0755);   // as on a FAT mount: still a document
    EXPECT_TRUE(platform::ShellOpen(dir.File("doc.txt")));
    EXPECT_EQ(WaitForRecord(), Real(fs::current_path().string()) + "|1|" + dir.File("doc.txt") + "\n");
    fs::remove(dir.File("record"));
    EXPECT_TRUE(platform::ShellOpen("https://example.org/help"));
    EXPECT_EQ(WaitForRecord(), Real(fs::current_path().string()) + "|1|https://example.org/help\n");
}

TEST_F(Launching, NothingToStartReturnsFalse)
{
    Recorder("bin/tool");
    Put("doc.txt", "text");
    EXPECT_FALSE(platform::ShellOpen(""));
    EXPECT_FALSE(platform::ShellOpen(dir.File("doc.txt"))) << "no opener on PATH";
    EXPECT_FALSE(platform::ShellOpen("not-installed"));
    EXPECT_FALSE(platform::ShellOpen(dir.File("bin/tool"), "", dir.File("no-such-folder")));
    EXPECT_FALSE(dir.Exists("record"));
}

TEST_F(Launching, CommandLineRunsThroughTheShell)
{
    EXPECT_TRUE(platform::StartDetached("cd '" + dir.Path() +
                                        "' && echo started > record.part && /bin/mv record.part record"));
    EXPECT_EQ(WaitForRecord(), "started\n");
}

}   // namespace
