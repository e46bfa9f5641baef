// Text files replaced whole: writes cut off anywhere, owner and permissions, leftovers, targets that cannot be renamed over.
#include "core/DataUnit.h"
#include "hostsfile/HostsWriter.h"
#include "import/ImportRun.h"
#include "platform/Errors.h"
#include "platform/Platform.h"
#include "support/DataRows.h"
#include "support/FailingWrites.h"
#include "support/FixedClock.h"
#include "support/ScriptedPresenter.h"
#include "support/TempDir.h"
#include "zones/RegistryGenerator.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <tuple>

#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using TNames = std::set<std::string>;

class ReplacedWhole : public ::testing::Test {
protected:
    TTempDir dir;
    TScriptedPresenter presenter;
    TFixedClock clock{2026, 3, 4, 13, 5, 9};
    std::unique_ptr<TQuillonData> data;
    TSilentProgress silent;

    void SetUp() override
    {
        dir.Write("Quillon.ini", "[Preferences]\nHostsFile=" + dir.File("hosts") +
                                     "\nTextEditor=" + dir.File("no-editor") + "\n");
        data = std::make_unique<TQuillonData>(dir.Path());
        data->Prefs().LoadPrefs();
        ASSERT_EQ(data->Prefs().HostsFile, dir.File("hosts"));
        ASSERT_TRUE(data->OpenDatabase());
        // Enough hosts, each of a domain of its own, for every file to take several blocks.
        AddGroupRow(*data, 1, "Ads", true);
        for (int i = 0; i < 3000; ++i)
            AddBadRow(*data, "www.site" + std::to_string(i) + ".com", 1);
        data->SaveDatabase(false);
        std::string list;
        for (int i = 0; i < 3000; ++i)
            list += "new" + std::to_string(i) + ".example.org\n";
        dir.Write("list.txt", list);
        TQuillonPrefs& p = data->Prefs();
        p.RegistryFile = dir.File("zones.reg");
        p.RegistryView = false;
        FillRegistryDefaults(p);
        fixture = Names();
    }

    TNames fixture;   // the files of the fixture itself

    // The fixture's files and the given ones.
    TNames With(const TNames& more) const
    {
        TNames names = fixture;
        names.insert(more.begin(), more.end());
        return names;
    }

    TNames Names() const
    {
        TNames names;
        for (const auto& entry : fs::directory_iterator(dir.Path()))
            names.insert(entry.path().filename().string());
        return names;
    }

    bool WriteHostsFile() { return WriteHosts(*data, data->Prefs()).completed; }
};

// ---- a write cut off anywhere

// One writer of a text file as the program runs it, the file it replaces and
// whether it makes a backup of it first.
struct TWriterCase {
    const char* name;
    const char* file;
    bool backup;
    void (*run)(TQuillonData& data, const TTempDir& dir);
};

void PrintTo(const TWriterCase& c, std::ostream* os) { *os << c.name; }

const TWriterCase Writers[] = {
    {"WriteHosts", "hosts", false,
     [](TQuillonData& data, const TTempDir&) {
         data.Prefs().ExportBackup = false;
         WriteHosts(data, data.Prefs());
     }},
    {"WriteHostsWithBackup", "hosts", true,
     [](TQuillonData& data, const TTempDir&) {
         data.Prefs().ExportBackup = true;
         WriteHosts(data, data.Prefs());
     }},
    {"RegistryFile", "zones.reg", true,
     [](TQuillonData& data, const TTempDir&) {
         TRegistryOptions options = RegistryOptionsFrom(data.Prefs());
         options.backup = true;
         TSilentProgress silent;
         TRegistryGenerator(data, silent).CreateRegistryFile(options);
     }},
    {"ImportReport", "ImportReport.txt", false,
     [](TQuillonData& data, const TTempDir& dir) {
         TImportOptions options = ImportOptionsFrom(data.Prefs());
         options.file = dir.File("list.txt");
         options.plainText = true;
         options.defaultGroup = 1;
         options.report = options.reportNew = true;
         TSilentProgress silent;
         TImportRun(data, options, silent).Run();
     }},
    {"Preferences", "Quillon.ini", false,
     [](TQuillonData& data, const TTempDir&) {
         data.Prefs().ExportFile = std::string(40000, 'x');
         data.Prefs().SavePrefs();
     }},
};

class CutWrite : public ReplacedWhole,
                 public ::testing::WithParamInterface<std::tuple<TWriterCase, size_t>> {};

TEST_P(CutWrite, LeavesTheOldFileAndNoTemporaryFile)
{
    const auto& [writer, cut] = GetParam();
    const std::string old =
        writer.file == std::string("Quillon.ini") ? dir.Read("Quillon.ini") : "old content\n";
    dir.Write(writer.file, old);
    TNames expected = Names();
    if (writer.backup)
        expected.insert(writer.file + std::string(".bak"));

    {
        TFailingWrites full(cut);
        try {
            writer.run(*data, dir);
            ADD_FAILURE() << "the write went through";
        } catch (const EQuillonError& e) {
            EXPECT_NE(std::string(e.what()).find(": No space left on device"), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(dir.Read(writer.file), old);
    if (writer.backup) {
        // The backup made for the run stays beside the file.
        EXPECT_EQ(dir.Read(writer.file + std::string(".bak")), old);
    }
    EXPECT_EQ(Names(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, CutWrite,
    ::testing::Combine(::testing::ValuesIn(Writers),
                       ::testing::Values(size_t(0), size_t(1), size_t(32767), size_t(32768), size_t(40000))),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_" + std::to_string(std::get<1>(info.param));
    });

// ---- what stays of the replaced file

#ifndef _WIN32
struct TTargetCase {
    const char* name;
    void (*prepare)(const TTempDir& dir);   // makes the HOSTS file as it is before the write
    void (*check)(const TTempDir& dir);     // what must hold of it afterwards
};

void PrintTo(const TTargetCase& c, std::ostream* os) { *os << c.name; }

struct stat StatOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st;
}

class ReplacedTarget : public ReplacedWhole, public ::testing::WithParamInterface<TTargetCase> {};

TEST_P(ReplacedTarget, KeepsWhatTheFileWas)
{
    const TTargetCase& c = GetParam();
    data->Prefs().ExportBackup = false;
    c.prepare(dir);
    if (IsSkipped())
        return;
    ASSERT_TRUE(WriteHostsFile());
    c.check(dir);
    EXPECT_NE(dir.Read("hosts").find("\twww.site2999.com\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, ReplacedTarget,
    ::testing::Values(
        TTargetCase{"Permissions",
                    [](const TTempDir& dir) {
                        dir.Write("hosts", "old\n");
                        ASSERT_EQ(chmod(dir.File("hosts").c_str(), 0604), 0);
                    },
                    [](const TTempDir& dir) { EXPECT_EQ(StatOf(dir.File("hosts")).st_mode & 07777, 0604u); }},
        TTargetCase{"Owner",
                    [](const TTempDir& dir) {
                        if (geteuid() != 0)
                            GTEST_SKIP() << "only the superuser gives files away";
                        dir.Write("hosts", "old\n");
                        ASSERT_EQ(chown(dir.File("hosts").c_str(), 4321, 4322), 0);
                    },
                    [](const TTempDir& dir) {
                        const struct stat st = StatOf(dir.File("hosts"));
                        EXPECT_EQ(st.st_uid, 4321u);
                        EXPECT_EQ(st.st_gid, 4322u);
                    }},
        TTargetCase{"NewFileAsTheUmaskSays", [](const TTempDir&) { umask(027); },
                    [](const TTempDir& dir) {
                        umask(022);
                        EXPECT_EQ(StatOf(dir.File("hosts")).st_mode & 07777, 0640u);
                    }},
        TTargetCase{"ThroughASymbolicLink",
                    [](const TTempDir& dir) {
                        fs::create_directory(dir.File("etc"));
                        dir.Write("etc/hosts", "old\n");
                        fs::create_symlink(dir.File("etc/hosts"), dir.File("hosts"));
                    },
                    [](const TTempDir& dir) {
                        EXPECT_TRUE(fs::is_symlink(dir.File("hosts")));
                        EXPECT_NE(dir.Read("etc/hosts").find("www.site2999.com"), std::string::npos);
                        // Nothing else in the folder the link leads to.
                        EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("etc")),
                                                fs::directory_iterator()),
                                  1);
                    }}),
    [](const auto& info) { return std::string(info.param.name); });
#endif

#ifndef _WIN32
// A user given write access to the HOSTS file but not to its folder: no file
// can be made beside it, so it is rewritten in place, as it always was. A
// file the user may not write is refused before anything is written, even
// where the folder would take a file in its place.
struct TUserCase {
    const char* name;
    mode_t folderMode, fileMode;   // of the folder and the HOSTS file, which the superuser owns
    const char* error;             // what the write reports; empty: it completes
    bool inPlace;                  // the file keeps its inode
};

void PrintTo(const TUserCase& c, std::ostream* os) { *os << c.name; }

class ForeignFolder : public ReplacedWhole, public ::testing::WithParamInterface<TUserCase> {};

TEST_P(ForeignFolder, IsWrittenAsTheFileAllows)
{
    const TUserCase& c = GetParam();
    if (geteuid() != 0)
        GTEST_SKIP() << "only the superuser can become another user";
    data->Prefs().ExportBackup = false;
    dir.Write("hosts", "old\n");
    ASSERT_EQ(chmod(dir.File("hosts").c_str(), c.fileMode), 0);
    ASSERT_EQ(chmod(dir.Path().c_str(), c.folderMode), 0);
    struct stat before;
    ASSERT_EQ(stat(dir.File("hosts").c_str(), &before), 0);

    // The write runs as nobody in a child process, which reports its error through a pipe.
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(report[0]);
        std::string error;
        if (setgid(65534) != 0 || setuid(65534) != 0) {
            error = "cannot become nobody";
        } else {
            try {
                if (!WriteHostsFile())
                    error = "not completed";
            } catch (const EQuillonError& e) {
                error = e.what();
            }
        }
        ssize_t ignored = write(report[1], error.data(), error.size());
        (void)ignored;
        _exit(0);
    }
    close(report[1]);
    std::string error;
    char buffer[512];
    for (ssize_t got; (got = read(report[0], buffer, sizeof buffer)) > 0;)
        error.append(buffer, size_t(got));
    close(report[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);

    if (*c.error) {
        EXPECT_EQ(error, "Cannot write file " + dir.File("hosts") + ": " + c.error);
        EXPECT_EQ(dir.Read("hosts"), "old\n");
    } else {
        EXPECT_EQ(error, "");
        EXPECT_NE(dir.Read("hosts").find("\twww.site2999.com\n"), std::string::npos);
        struct stat after;
        ASSERT_EQ(stat(dir.File("hosts").c_str(), &after), 0);
        EXPECT_EQ(after.st_ino == before.st_ino, c.inPlace);
    }
    EXPECT_EQ(Names(), With({"hosts"}));
}

INSTANTIATE_TEST_SUITE_P(
    Users, ForeignFolder,
    ::testing::Values(TUserCase{"WritableFileInAClosedFolder", 0755, 0666, "", true},
                      TUserCase{"ReadOnlyFileInAClosedFolder", 0755, 0644, "Permission denied", true},
                      TUserCase{"WritableFileInAnOpenFolder", 0777, 0666, "", false},
                      TUserCase{"ReadOnlyFileInAnOpenFolder", 0777, 0644, "Permission denied", true}),
    [](const auto& info) { return std::string(info.param.name); });

#endif

// ---- leftovers of killed writes

TEST_F(ReplacedWhole, TheNextWriteRemovesWhatKilledWritesLeft)
{
    data->Prefs().ExportBackup = true;
    dir.Write("hosts", "old\n");
    {
        // A write of the HOSTS file still going on: its temporary file is not touched.
        platform::TAtomicFileWriter live(dir.File("hosts"), platform::TFileKind::Text);
        live.Write("x", 1);
        // Left by writes killed half-way: of the HOSTS file, of its backup, of the preferences.
        for (const char* name :
             {"hosts.tmpAbC123", "hosts.tmpZZZZZZ", "hosts.bak.tmp00X0a0", "Quillon.ini.tmpQwErTy"})
            dir.Write(name, "half a file");
        // Names that are no temporary file of these files.
        for (const char* name : {"hosts.tmp", "hosts.tmpABCDEFG", "hosts.tmp-old1", "myhosts.tmpAbC123"})
            dir.Write(name, "not ours");
        const TNames before = Names();

        ASSERT_TRUE(WriteHostsFile());
        data->Prefs().SavePrefs();

        TNames removed;
        const TNames after = Names();
        for (const std::string& name : before)
            if (!after.count(name))
                removed.insert(name);
        EXPECT_EQ(removed, (TNames{"hosts.tmpAbC123", "hosts.tmpZZZZZZ", "hosts.bak.tmp00X0a0",
                                   "Quillon.ini.tmpQwErTy"}));
        EXPECT_EQ(after.size(), before.size() - removed.size() + 1);   // the backup came
    }
    EXPECT_EQ(Names(), With({"hosts", "hosts.bak", "hosts.tmp", "hosts.tmpABCDEFG", "hosts.tmp-old1",
                             "myhosts.tmpAbC123"}));
}

// ---- a target that cannot be renamed over

int renameError = 0;
int ImitatedRenameFailure(const std::string&) { return renameError; }

// While it lives, renaming a text file over its target fails with the given error.
class TRenameFails {
public:
    explicit TRenameFails(int error)
    {
        renameError = error;
        platform::RenameFault = &ImitatedRenameFailure;
    }
    ~TRenameFails() { platform::RenameFault = nullptr; }
    TRenameFails(const TRenameFails&) = delete;
    TRenameFails& operator=(const TRenameFails&) = delete;
};

class BindMounted : public ReplacedWhole, public ::testing::WithParamInterface<int> {};

// A bind-mounted /etc/hosts, as in a container: rename refuses, the file is rewritten in place.
TEST_P(BindMounted, FileIsRewrittenInPlace)
{
    data->Prefs().ExportBackup = true;
    dir.Write("hosts", "old\n");
    struct stat before;
    ASSERT_EQ(stat(dir.File("hosts").c_str(), &before), 0);
    {
        TRenameFails busy(GetParam());
        ASSERT_TRUE(WriteHostsFile());
    }
    EXPECT_NE(dir.Read("hosts").find("\twww.site2999.com"), std::string::npos);
    EXPECT_EQ(dir.Read("hosts.bak"), "old\n");
#ifndef _WIN32
    struct stat after;
    ASSERT_EQ(stat(dir.File("hosts").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the file was replaced, not rewritten";
#endif
    EXPECT_EQ(Names(), With({"hosts", "hosts.bak"}));
}

INSTANTIATE_TEST_SUITE_P(Refusals, BindMounted, ::testing::Values(EBUSY, EXDEV, EPERM), [](const auto& info) {
    return std::string(info.param == EBUSY ? "EBUSY" : info.param == EXDEV ? "EXDEV" : "EPERM");
});

#ifndef _WIN32
TEST_F(ReplacedWhole, ARenameThatFailsOtherwiseIsAnError)
{
    dir.Write("hosts", "old\n");
    {
        TRenameFails failing(EIO);
        try {
            WriteHostsFile();
            ADD_FAILURE() << "no error";
        } catch (const EQuillonError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Cannot write file " + dir.File("hosts") + ": Input/output error");
        }
    }
    EXPECT_EQ(dir.Read("hosts"), "old\n");
    EXPECT_EQ(Names(), With({"hosts", "hosts.bak"}));
}
#endif

// An in-place rewrite cut off half-way (a full disk, or a kill) leaves a cut
// HOSTS file beside its complete copy. The next run finishes the copy before
// it makes the backup, so the backup never holds the cut file.
TEST_F(ReplacedWhole, ACutInPlaceRewriteIsFinishedBeforeTheNextBackup)
{
    data->Prefs().ExportBackup = false;
    TRenameFails busy(EBUSY);
    ASSERT_TRUE(WriteHostsFile());
    const std::string complete = dir.Read("hosts");
    dir.Write("hosts", "old\n");

    {
        // The whole temporary file gets through, then 100 bytes of the copy into place.
        TFailingWrites full(complete.size() + 100);
        EXPECT_THROW(WriteHostsFile(), EQuillonError);
    }
    ASSERT_EQ(dir.Read("hosts"), complete.substr(0, 100));
    EXPECT_EQ(dir.Read(std::string("hosts") + platform::InPlaceCopySuffix), complete);

    data->Prefs().ExportBackup = true;
    AddBadRow(*data, "later.example.com", 1);
    ASSERT_TRUE(WriteHostsFile());
    EXPECT_EQ(dir.Read("hosts.bak"), complete);
    EXPECT_NE(dir.Read("hosts").find("\tlater.example.com"), std::string::npos);
    EXPECT_EQ(Names(), With({"hosts", "hosts.bak"}));
}

}   // namespace
