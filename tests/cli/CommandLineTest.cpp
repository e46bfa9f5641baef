// The command line as a scheduled job runs it: no display, every switch, exit codes and output.
#include "RunProgram.h"
#include "core/CommandLine.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// A copy of the program in a folder of its own, with preferences whose HOSTS
// file lies in that folder and a small list to import.
class CommandLine : public testing::Test {
protected:
    TTempDir dir;
    std::string ini;

    void SetUp() override
    {
        std::filesystem::copy_file(QUILLON_BINARY, dir.File("quillon"));
        ini =
            "[Preferences]\nHostsFile=" + dir.File("hosts") + "\nTextEditor=" + dir.File("no-editor") + "\n";
        dir.Write("Quillon.ini", ini);
        // The first name comes before any group heading: it joins the default group.
        dir.Write(
            "list.txt",
            "0.0.0.0 first.example.org\n# Ads [R]\n0.0.0.0 ads.example.com\n0.0.0.0 banner.example.com\n"
            "# Trackers [X]\n0.0.0.0 track.example.net\n");
    }

    TRun Run(const std::vector<std::string>& args)
    {
        return RunWithoutDisplay(dir.File("quillon"), dir.Path(), args);
    }

    bool Has(const std::string& file, const std::string& text) const
    {
        return dir.Read(file).find(text) != std::string::npos;
    }
};

TEST_F(CommandLine, FreshInstallationRunsEverySwitchInOrderAndKeepsThePreferences)
{
    // A HOSTS file is there but nobody can answer the first-run question.
    dir.Write("hosts", "127.0.0.1 localhost\n");

    const TRun run =
        Run({"/i=list.txt", "/w", "/x=out.txt", "/XPA=plain.txt", "/b=zones.reg", "/p=domains.txt"});

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    std::vector<std::string> lines;
    for (size_t from = 0, nl; (nl = run.out.find('\n', from)) != std::string::npos; from = nl + 1)
        lines.push_back(run.out.substr(from, nl - from));
    ASSERT_EQ(lines.size(), 6u) << run.out;
    EXPECT_EQ(lines[0], "6 lines processed.");
    EXPECT_EQ(lines[1], "3 hosts written");   // the excluded group stays out
    EXPECT_EQ(lines[2], "3 hosts written");
    EXPECT_TRUE(Has("hosts", "first.example.org"));

    EXPECT_TRUE(Has("hosts", "ads.example.com"));
    EXPECT_FALSE(Has("hosts", "track.example.net"));
    EXPECT_TRUE(Has("out.txt", "banner.example.com"));
    EXPECT_FALSE(Has("out.txt", "track.example.net"));
    EXPECT_EQ(dir.Read("plain.txt").find("0.0.0.0"), std::string::npos);
    EXPECT_TRUE(Has("plain.txt", "track.example.net"));   // "a": every group
    EXPECT_TRUE(dir.Exists("zones.reg"));
    EXPECT_TRUE(Has("domains.txt", "example.com"));
    EXPECT_TRUE(dir.Exists("BadHosts.cds"));

    // Unattended runs leave no trace of their files or formats in the preferences.
    for (const char* file : {"list.txt", "out.txt", "plain.txt", "zones.reg", "domains.txt"})
        EXPECT_FALSE(Has("Quillon.ini", file)) << file;
}

TEST_F(CommandLine, DisablesAndEnablesTheHostsFile)
{
    dir.Write("hosts", "127.0.0.1 localhost\n");
    TRun run = Run({"/d"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(dir.Exists("hosts"));
    EXPECT_EQ(dir.Read("hosts.Quillon"), "127.0.0.1 localhost\n");

    run = Run({"/ENABLE"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(dir.Read("hosts"), "127.0.0.1 localhost\n");
    EXPECT_FALSE(dir.Exists("hosts.Quillon"));

    run = Run({"/d", "/n"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(dir.Exists("hosts"));
    EXPECT_FALSE(dir.Exists("hosts.Quillon"));
    EXPECT_EQ(run.out + run.err, "");
}

TEST_F(CommandLine, FailedRunEndsWithStatus1AndTheReason)
{
    const TRun run = Run({"/w", "/x=no-such-folder/out.txt", "/d"});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("Quillon: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("no-such-folder/out.txt"), std::string::npos) << run.err;
    EXPECT_TRUE(dir.Exists("hosts"));            // /w ran
    EXPECT_FALSE(dir.Exists("hosts.Quillon"));   // /d did not
}

TEST_F(CommandLine, ReportedErrorInARunEndsWithStatus1)
{
    // The backup copy of out.txt cannot be made: a folder holds its name.
    dir.Write("out.txt", "old\n");
    std::filesystem::create_directory(dir.File("out.txt.bak"));
    const TRun run = Run({"/x=out.txt", "/w"});

    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_EQ(run.err, "Export Hosts: Backup failed!\n");
    EXPECT_EQ(dir.Read("out.txt"), "old\n");
    EXPECT_FALSE(dir.Exists("hosts"));   // nothing after the failed run
}

TEST_F(CommandLine, RunsWithoutAnyQtPlatformPluginAndKeepsNoWindowPosition)
{
    // Qt finds no platform plugin here: a run that started one would abort.
    std::filesystem::create_directory(dir.File("no-plugins"));
    dir.Write("qt.conf", "[Paths]\nPlugins=" + dir.File("no-plugins") + "\n");
    dir.Write("hosts", "127.0.0.1 localhost\n");

    const TRun run = RunWithoutDisplay(dir.File("quillon"), dir.Path(),
                                       {"/i=list.txt", "/x=out.txt", "/r=zones.reg", "/w"},
                                       {"QT_QPA_PLATFORM_PLUGIN_PATH=" + dir.File("no-plugins")});

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "6 lines processed.\n3 hosts written\nRegistry file created.\n3 hosts written\n");
    EXPECT_TRUE(Has("out.txt", "banner.example.com"));
    EXPECT_FALSE(Has("out.txt", "track.example.net"));
    EXPECT_TRUE(Has("zones.reg", "\\example.com]"));
    EXPECT_TRUE(Has("hosts", "first.example.org"));
    EXPECT_TRUE(Has("BadHosts.cds", "ads.example.com"));
    // Saved at the end as after any run, but a window never shown has no position to keep.
    EXPECT_TRUE(Has("Quillon.ini", "[Preferences]"));
    EXPECT_FALSE(Has("Quillon.ini", "[MainWindow]"));
}

// ---- lists piped in

struct TPipedCase {
    const char* name;
    const char* importSwitch;
    std::string (*input)();
    std::string status;   // the import's status line
};

void PrintTo(const TPipedCase& c, std::ostream* os) { *os << c.name; }

class PipedList : public CommandLine, public testing::WithParamInterface<TPipedCase> {};

// Each name sits at the very start of the stream, where the bytes a rewind
// cannot bring back would go missing.
TEST_P(PipedList, IsImportedWhole)
{
    const TPipedCase& c = GetParam();
    const std::string input = c.input();
    const TRun run = RunWithInput(dir.File("quillon"), dir.Path(), {c.importSwitch, "/w"}, input);

    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.substr(0, run.out.find('\n') + 1), c.status + "\n");
    const std::string hosts = dir.Read("hosts");
    EXPECT_NE(hosts.find("\tdoubleclick.net\n"), std::string::npos) << hosts.substr(0, 300);
    EXPECT_EQ(hosts.find("\tleclick.net\n"), std::string::npos);
    EXPECT_NE(hosts.find("\tlast.example.org\n"), std::string::npos);
}

std::string ManyNames()
{
    // Larger than a pipe's buffer and the reader's, so the input arrives in pieces.
    std::string names = "doubleclick.net\n";
    for (int i = 0; i < 20000; ++i)
        names += "h" + std::to_string(i) + ".example.com\n";
    return names + "last.example.org\n";
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PipedList,
    testing::Values(
        TPipedCase{"HostsFormat", "/i=/dev/stdin",
                   [] { return std::string("0.0.0.0 doubleclick.net\n0.0.0.0 last.example.org\n"); },
                   "2 lines processed."},
        TPipedCase{"PlainList", "/ip=/dev/stdin",
                   [] { return std::string("doubleclick.net\nlast.example.org"); }, "2 lines processed."},
        TPipedCase{"PlainListInPieces", "/ip=/dev/stdin", ManyNames, "20002 lines processed."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandLine, PipedUtf16IsRefusedAsAFileIs)
{
    std::string utf16 = "\xFF\xFE";
    for (char ch : std::string("0.0.0.0 a.example\r\n"))
        utf16 += std::string{ch, '\0'};
    const TRun run = RunWithInput(dir.File("quillon"), dir.Path(), {"/i=/dev/stdin", "/w"}, utf16);

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "Quillon: Cannot import file /dev/stdin: it holds UTF-16 text. Save it as ANSI or UTF-8 "
              "text and import it again.\n");
    EXPECT_FALSE(dir.Exists("hosts"));
}

// ---- a HOSTS file that cannot be renamed over

// A file bind-mounted over the HOSTS file, as a container gets its /etc/hosts:
// no other file can take its place (EBUSY), so it is rewritten in place.
TEST_F(CommandLine, ABindMountedHostsFileIsRewrittenInPlace)
{
    if (geteuid() != 0 || access("/usr/bin/unshare", X_OK) != 0)
        GTEST_SKIP() << "a mount namespace needs the superuser and unshare";
    dir.Write("hosts", "127.0.0.1 beneath\n");
    dir.Write("mounted", "127.0.0.1 mounted\n");
    // The mount lives in a namespace of its own and ends with the run.
    const TRun run = RunWithoutDisplay("/usr/bin/unshare", dir.Path(),
                                       {"--mount", "sh", "-c",
                                        "mount --bind mounted hosts && exec ./quillon /i=list.txt /w"});
    if (run.status != 0 && (run.err.rfind("unshare:", 0) == 0 || run.err.rfind("mount:", 0) == 0))
        GTEST_SKIP() << run.err;

    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "6 lines processed.\n3 hosts written\n");
    EXPECT_TRUE(Has("mounted", "\tads.example.com\n"));
    EXPECT_EQ(dir.Read("hosts"), "127.0.0.1 beneath\n");
    EXPECT_EQ(dir.Read("hosts.bak"), "127.0.0.1 mounted\n");
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().find("hosts.tmp"), std::string::npos) << entry.path();
}

// ---- a HostsIP that is no address

TEST_F(CommandLine, AHostsIPThatIsNoAddressWritesNoHostsFile)
{
    dir.Write("Quillon.ini", ini + "HostsIP=banana\n");
    dir.Write("hosts", "127.0.0.1 localhost\n");

    TRun run = Run({"/i=list.txt", "/w", "/x=out.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Export Hosts: The HOSTS IP address preference (HostsIP) is not a valid IP address: "
                       "\"banana\"\n");
    EXPECT_EQ(dir.Read("hosts"), "127.0.0.1 localhost\n");
    EXPECT_FALSE(dir.Exists("hosts.bak"));
    EXPECT_FALSE(dir.Exists("out.txt"));

    // A plain list has no addresses.
    run = Run({"/xp=plain.txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has("plain.txt", "ads.example.com"));
}

// LastGroup as the main window's group list leaves it: the saved group while
// it is there (also once an import creates it), -1 once it is gone.
struct TLastGroupCase {
    const char* name;
    int saved;
    std::vector<std::string> args;
    int stored;
};

void PrintTo(const TLastGroupCase& c, std::ostream* os) { *os << c.name; }

class LastGroup : public CommandLine, public testing::WithParamInterface<TLastGroupCase> {};

TEST_P(LastGroup, IsStoredAsTheGroupListLeavesIt)
{
    const TLastGroupCase& c = GetParam();
    dir.Write("Quillon.ini", ini + "LastGroup=" + std::to_string(c.saved) + "\n");
    // Moves the Ads hosts to a group of their own: Ads is cleaned up.
    dir.Write("move.txt", "# Other\n0.0.0.0 ads.example.com\n0.0.0.0 banner.example.com\n");

    const TRun run = Run(c.args);

    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has("Quillon.ini", "\nLastGroup=" + std::to_string(c.stored) + "\n"))
        << dir.Read("Quillon.ini");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LastGroup,
    testing::Values(TLastGroupCase{"DefaultGroupMadeAtStartUp", 1, {"/w"}, 1},
                    TLastGroupCase{"BlankItem", 0, {"/w"}, 0}, TLastGroupCase{"GroupGone", 5, {"/w"}, -1},
                    TLastGroupCase{"CreatedByTheImport", 3, {"/i=list.txt"}, 3},
                    TLastGroupCase{"RemovedByTheImportsCleanup", 2, {"/i=list.txt", "/i=move.txt"}, -1}),
    [](const auto& info) { return std::string(info.param.name); });

struct TErrorCase {
    const char* name;
    std::vector<std::string> args;
    std::string err;     // what standard error starts with
    bool usage;          // followed by the usage text
    bool hostsWritten;   // the /w before the error took effect
};

void PrintTo(const TErrorCase& c, std::ostream* os) { *os << c.name; }

class CommandLineErrors : public CommandLine, public testing::WithParamInterface<TErrorCase> {};

TEST_P(CommandLineErrors, StopAtTheErrorAndEndWithStatus1)
{
    const TErrorCase& c = GetParam();
    const TRun run = Run(c.args);

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, c.err + (c.usage ? UsageText() : std::string()));
    EXPECT_EQ(dir.Exists("hosts"), c.hostsWritten);
    EXPECT_FALSE(dir.Exists("out.txt"));   // nothing after the error runs
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineErrors,
    testing::Values(TErrorCase{"ImportWithoutValue",
                               {"/import"},
                               "Quillon Command Line: Unrecognized argument:\n/import\n",
                               true,
                               false},
                    TErrorCase{"NeitherEnNorEx",
                               {"/e=out.txt"},
                               "Quillon Command Line: Unrecognized argument:\n/e=out.txt\n",
                               true,
                               false},
                    TErrorCase{"ErrorInTheMiddle",
                               {"/w", "/i=missing.txt", "/x=out.txt"},
                               "Quillon Command Line: Import file not found: missing.txt\n",
                               false,
                               true},
                    TErrorCase{"UnknownAfterWrite",
                               {"/W", "/Zap=1", "/x=out.txt"},
                               "Quillon Command Line: Unrecognized argument:\n/Zap=1\n",
                               true,
                               true}),
    [](const auto& info) { return std::string(info.param.name); });

}   // namespace
