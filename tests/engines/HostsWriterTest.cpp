// The HOSTS and plain-text writer, Write HOSTS and the HOSTS file's states, on small fixtures.
#include "core/DataUnit.h"
#include "hostsfile/HostsWriter.h"
#include "platform/Errors.h"
#include "platform/Platform.h"
#include "support/DataFolder.h"
#include "support/DataRows.h"
#include "support/FixedClock.h"
#include "support/ScriptedPresenter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Expected texts are written with "\n"; files carry the platform's line end.
std::string Lines(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += platform::LineEnd;
        else
            out += c;
    }
    return out;
}

class TRecordingProgress : public IProgress {
public:
    std::vector<std::string> statuses;
    int events = 0;
    int cancelAfterEvents = -1;   // -1: never
    bool cancelled = false;
    void ShowStatus(const std::string& text) override { statuses.push_back(text); }
    void ProcessMessages() override
    {
        ++events;
        if (cancelAfterEvents >= 0 && events >= cancelAfterEvents)
            cancelled = true;
    }
    bool CancelRequested() const override { return cancelled; }
};

class WriterTest : public ::testing::Test, protected TDataFolder {
protected:
    TScriptedPresenter presenter;
    TFixedClock clock{2026, 3, 4, 13, 5, 9};
    std::string header;

    void SetUp() override
    {
        data->Prefs().ExportFile = dir.File("out.txt");
        data->Prefs().ExportView = false;
        header = data->CreatedByText();
    }

    void Group(int id, const std::string& name, bool r, bool x) { AddGroupRow(*data, id, name, r, x); }
    void Bad(const std::string& host, int group, const std::string& comment = {})
    {
        AddBadRow(*data, host, group, comment);
    }
    void Good(const std::string& host, const std::string& ip, const std::string& comment = {})
    {
        AddGoodRow(*data, host, ip, comment);
    }

    // Groups Ads [R], Tracking [X], an empty one and beta [RX]; one host in a
    // group that does not exist.
    void Fixture()
    {
        Group(1, "Ads", true, false);
        Group(2, "Tracking", false, true);
        Group(3, "Empty", false, false);
        Group(4, "beta", true, true);
        Bad("b.ads.net", 1);
        Bad("ads.example.com", 1, "banner");
        Bad("track.example", 2, "pixel");
        Bad("zeta.example", 4);
        Bad("orphan.example", 9, "lost");
        Good("intranet.example", "10.1.2.3", "office");
        Good("cdn.example.net", "10.0.0.9");
    }

    // The export preferences as they stand, over every group or all but those named.
    TExportOptions Options(std::vector<int> unticked = {})
    {
        return ExportOptionsFrom(data->Prefs(), Selection(unticked));
    }

    const std::string& Hosts() { return data->Prefs().HostsFile; }

    // Every group ticked, or all but those named.
    TGroupSelection Selection(std::vector<int> unticked = {})
    {
        TGroupList list;
        data->FillGroupList(list, false);
        TGroupSelection s;
        s.itemCount = list.size();
        for (auto& item : list)
            if (std::find(unticked.begin(), unticked.end(), item.object) == unticked.end())
                s.ticked.push_back(item.object);
        return s;
    }
};

struct WriterCase {
    const char* name;
    int format;
    bool groups, quillon, goodHosts, comments;
    std::string hostsIP;
    std::vector<int> unticked;
    std::string expected;   // "@" stands for the "Created by" text
};

void PrintTo(const WriterCase& c, std::ostream* os) { *os << c.name; }

class WriterLayoutTest : public WriterTest, public ::testing::WithParamInterface<WriterCase> {};

TEST_P(WriterLayoutTest, WritesTheFileByteForByte)
{
    const WriterCase& c = GetParam();
    Fixture();
    TQuillonPrefs& p = data->Prefs();
    p.ExportFormat = c.format;
    p.ExportGroups = c.groups;
    p.ExportQuillon = c.quillon;
    p.ExportGoodHosts = c.goodHosts;
    p.ExportComments = c.comments;
    if (!c.hostsIP.empty())
        p.HostsIP = c.hostsIP;
    TRecordingProgress progress;
    THostsWriter writer(*data, progress);
    ASSERT_TRUE(writer.DoExport(Options(c.unticked)).completed);
    std::string expected = c.expected;
    expected.replace(expected.find('@'), 1, header);
    EXPECT_EQ(dir.Read("out.txt"), Lines(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, WriterLayoutTest,
    ::testing::Values(
        WriterCase{"HostsGroupedEverything",
                   0,
                   true,
                   true,
                   true,
                   true,
                   "",
                   {},
                   "# @\n\n"
                   "127.0.0.1\tlocalhost\n10.0.0.9\tcdn.example.net\n10.1.2.3\tintranet.example # office\n\n"
                   "# Ads [R]\n\n127.0.0.1\tads.example.com # banner\n127.0.0.1\tb.ads.net\n\n"
                   "# beta [RX]\n\n127.0.0.1\tzeta.example\n\n"
                   "# Tracking [X]\n\n127.0.0.1\ttrack.example # pixel\n\n"},
        WriterCase{"HostsGroupedBareHeadings",
                   0,
                   true,
                   false,
                   false,
                   true,
                   "",
                   {},
                   "# @\n\n"
                   "# Ads\n\n127.0.0.1\tads.example.com # banner\n127.0.0.1\tb.ads.net\n\n"
                   "# beta\n\n127.0.0.1\tzeta.example\n\n"
                   "# Tracking\n\n127.0.0.1\ttrack.example # pixel\n\n"},
        WriterCase{"PlainTextNeverWritesGoodHosts",
                   1,
                   true,
                   true,
                   true,
                   true,
                   "",
                   {},
                   "** @\n\n"
                   "** Ads [R]\n\nads.example.com ** banner\nb.ads.net\n\n"
                   "** beta [RX]\n\nzeta.example\n\n"
                   "** Tracking [X]\n\ntrack.example ** pixel\n\n"},
        WriterCase{"UngroupedKeepsHostsWithoutAGroup",
                   0,
                   false,
                   true,
                   true,
                   false,
                   "0.0.0.0",
                   {},
                   "# @\n\n"
                   "127.0.0.1\tlocalhost\n10.0.0.9\tcdn.example.net\n10.1.2.3\tintranet.example\n\n"
                   "0.0.0.0\tads.example.com\n0.0.0.0\tb.ads.net\n0.0.0.0\torphan.example\n"
                   "0.0.0.0\ttrack.example\n0.0.0.0\tzeta.example\n"},
        WriterCase{"UngroupedOneGroupUnticked",
                   1,
                   false,
                   true,
                   false,
                   true,
                   "",
                   {2},
                   "** @\n\nads.example.com ** banner\nb.ads.net\nzeta.example\n"},
        WriterCase{"GroupedOneGroupUnticked",
                   0,
                   true,
                   true,
                   false,
                   false,
                   "",
                   {1},
                   "# @\n\n# beta [RX]\n\n127.0.0.1\tzeta.example\n\n"
                   "# Tracking [X]\n\n127.0.0.1\ttrack.example\n\n"}),
    [](const auto& info) { return info.param.name; });

TEST_F(WriterTest, SeparatorsAndMarkersAreWrittenExactly)
{
    Group(1, "Ads", false, false);
    Bad("ads.example.com", 1, "a comment");
    TQuillonPrefs& p = data->Prefs();
    p.IPSeparator = "  ";
    p.CommentSeparator = " ;; ";
    p.ExportGoodHosts = false;
    TSilentProgress silent;
    ASSERT_TRUE(THostsWriter(*data, silent).DoExport(Options()).completed);
    EXPECT_EQ(dir.Read("out.txt"),
              Lines("# " + header + "\n\n# Ads\n\n127.0.0.1  ads.example.com ;; a comment\n\n"));

    p.ExportFormat = 1;
    p.TextComment = "//";
    ASSERT_TRUE(THostsWriter(*data, silent).DoExport(Options()).completed);
    EXPECT_EQ(dir.Read("out.txt"), Lines("// " + header + "\n\n// Ads\n\nads.example.com // a comment\n\n"));
}

TEST_F(WriterTest, EmptyTablesAndStatus)
{
    data->Prefs().ExportGoodHosts = true;
    TRecordingProgress progress;
    THostsWriter writer(*data, progress);
    const TExportResult result = writer.DoExport(Options());
    ASSERT_TRUE(result.completed);
    EXPECT_EQ(dir.Read("out.txt"), Lines("# " + header + "\n\n127.0.0.1\tlocalhost\n\n"));
    EXPECT_EQ(progress.statuses.back(), "0 hosts written");
    EXPECT_EQ(result.status, "0 hosts written");
}

TEST_F(WriterTest, AttendedRunsReportEvery500Hosts)
{
    Group(1, "Ads", false, false);
    for (int i = 0; i < 500; ++i)
        Bad("host" + std::to_string(1000 + i) + ".example", 1);
    data->Prefs().ExportGroups = false;
    TRecordingProgress progress;
    THostsWriter writer(*data, progress);
    TExportResult result = writer.DoExport(Options());
    ASSERT_TRUE(result.completed);
    EXPECT_EQ(progress.statuses,
              (std::vector<std::string>{"Exporting...", "Exporting... 500", "500 hosts written"}));
    EXPECT_EQ(progress.events, 1);
    EXPECT_EQ(result.hostCount, 500);

    // Grouped: a status per group, none per 500 hosts; unattended: none at all.
    data->Prefs().ExportGroups = true;
    progress.statuses.clear();
    ASSERT_TRUE(writer.DoExport(Options()).completed);
    EXPECT_EQ(progress.statuses, (std::vector<std::string>{"Exporting group Ads", "500 hosts written"}));
    progress.statuses.clear();
    TExportOptions unattended = Options();
    unattended.unattended = true;
    result = writer.DoExport(unattended);
    ASSERT_TRUE(result.completed);
    EXPECT_TRUE(progress.statuses.empty());
    EXPECT_EQ(result.status, "");
    EXPECT_EQ(result.hostCount, 500);
}

TEST_F(WriterTest, CancelRestoresTheBackupOrDeletesTheFile)
{
    Group(1, "Ads", false, false);
    for (int i = 0; i < 1200; ++i)
        Bad("host" + std::to_string(1000 + i) + ".example", 1);
    data->Prefs().ExportGroups = false;
    dir.Write("out.txt", "previous content\n");

    TRecordingProgress progress;
    progress.cancelAfterEvents = 1;
    THostsWriter writer(*data, progress);
    const TExportResult result = writer.DoExport(Options());
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(dir.Read("out.txt"), "previous content\n");
    EXPECT_FALSE(dir.Exists("out.txt.bak"));
    EXPECT_EQ(progress.statuses.back(), "Export cancelled, backup restored");
    EXPECT_EQ(result.status, "Export cancelled, backup restored");
    EXPECT_EQ(result.hostCount, 500);

    data->Prefs().ExportBackup = false;
    progress.events = 0;
    progress.cancelled = false;
    EXPECT_FALSE(writer.DoExport(Options()).completed);
    EXPECT_FALSE(dir.Exists("out.txt"));
    EXPECT_EQ(progress.statuses.back(), "Export cancelled, file deleted");
}

TEST_F(WriterTest, BackupKeepsThePreviousFile)
{
    Fixture();
    dir.Write("out.txt", "old\n");
    TSilentProgress silent;
    ASSERT_TRUE(THostsWriter(*data, silent).DoExport(Options()).completed);
    EXPECT_EQ(dir.Read("out.txt.bak"), "old\n");

    // A backup that cannot be made stops everything before the file is touched.
    std::filesystem::remove(dir.File("out.txt.bak"));
    std::filesystem::create_directory(dir.File("out.txt.bak"));
    std::string before = dir.Read("out.txt");
    EXPECT_FALSE(THostsWriter(*data, silent).DoExport(Options()).completed);
    EXPECT_EQ(presenter.Last().text, "Backup failed!");
    EXPECT_EQ(presenter.Last().caption, "Export Hosts");
    EXPECT_EQ(presenter.Last().kind, TMsgDlgType::mtError);
    EXPECT_EQ(dir.Read("out.txt"), before);
}

TEST_F(WriterTest, UnwritableFileIsNamedWithTheReason)
{
    Fixture();
    data->Prefs().ExportFile = dir.File("missing/folder/out.txt");
    TSilentProgress silent;
    try {
        THostsWriter(*data, silent).DoExport(Options());
        FAIL() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file " + dir.File("missing/folder/out.txt") + ": No such file or directory");
    }

#ifdef __linux__
    // A full disk shows when the buffer reaches the file.
    if (platform::FileExists("/dev/full")) {
        data->Prefs().ExportFile = "/dev/full";
        data->Prefs().ExportBackup = false;
        try {
            THostsWriter(*data, silent).DoExport(Options());
            FAIL() << "no error";
        } catch (const EQuillonError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot write file /dev/full: No space left on device");
        }
    }
#endif
}

TEST_F(WriterTest, WriteProtectedHostsFileIsNamedAndLeftAsItWas)
{
#ifdef _WIN32
    const std::string reason = "the file has the read-only attribute";
#else
    if (geteuid() == 0)
        GTEST_SKIP() << "the superuser writes any file";
    const std::string reason = "Permission denied";
#endif
    Fixture();
    dir.Write("hosts", "keep\n");
    // On Windows this sets the read-only attribute.
    ASSERT_EQ(chmod(dir.File("hosts").c_str(), S_IREAD), 0);
    data->Prefs().ExportBackup = false;
    try {
        WriteHosts(*data, data->Prefs());
        ADD_FAILURE() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write file " + dir.File("hosts") + ": " + reason);
    }
    EXPECT_EQ(dir.Read("hosts"), "keep\n");
    chmod(dir.File("hosts").c_str(), S_IREAD | S_IWRITE);
}

// Every bad-host line starts with HostsIP: one that is no address would make
// each of them a line the resolver cannot read.
class RefusedHostsIP : public WriterTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RefusedHostsIP, WritesNoHostsFormatFile)
{
    Fixture();
    TQuillonPrefs& p = data->Prefs();
    p.HostsIP = GetParam();
    p.ExportBackup = true;
    dir.Write("hosts", "old hosts\n");
    dir.Write("out.txt", "old export\n");
    const std::string message =
        std::string("The HOSTS IP address preference (HostsIP) is not a valid IP address: \"") + GetParam() +
        "\"";

    EXPECT_FALSE(WriteHosts(*data, p).completed);
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.Last().text, message);
    EXPECT_EQ(presenter.Last().caption, "Export Hosts");
    EXPECT_EQ(presenter.Last().kind, TMsgDlgType::mtError);

    TRecordingProgress progress;
    const TExportResult result = THostsWriter(*data, progress).DoExport(Options());
    EXPECT_FALSE(result.completed);
    EXPECT_TRUE(progress.statuses.empty());
    ASSERT_EQ(presenter.shown.size(), 2u);
    EXPECT_EQ(presenter.Last().text, message);
    EXPECT_EQ(dir.Read("hosts"), "old hosts\n");
    EXPECT_EQ(dir.Read("out.txt"), "old export\n");
    EXPECT_FALSE(dir.Exists("hosts.bak"));
    EXPECT_FALSE(dir.Exists("out.txt.bak"));

    // A plain list holds no addresses.
    p.ExportFormat = 1;
    ASSERT_TRUE(THostsWriter(*data, progress).DoExport(Options()).completed);
    EXPECT_EQ(presenter.shown.size(), 2u);
    EXPECT_NE(dir.Read("out.txt").find("\nads.example.com"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Values, RefusedHostsIP,
                         ::testing::Values("banana", "", "127.0.0.256", "10.0.0", " 0.0.0.0"),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

// ---- Write HOSTS and the HOSTS file's states

TEST_F(WriterTest, WriteHostsUsesTheDefaultSelectionAndForcesItsSettingsForTheRunOnly)
{
    Fixture();
    TQuillonPrefs& p = data->Prefs();
    p.ExportFile = dir.File("my-export.txt");
    p.ExportFormat = 1;
    p.ExportGoodHosts = false;
    p.ExportView = true;
    p.ExportQuillon = false;
    p.SavePrefs();
    const std::string ini = dir.Read("Quillon.ini");

    ASSERT_TRUE(WriteHosts(*data, data->Prefs()).completed);
    std::string written = dir.Read("hosts");
    EXPECT_EQ(written,
              Lines("# " + header +
                    "\n\n"
                    "127.0.0.1\tlocalhost\n10.0.0.9\tcdn.example.net\n10.1.2.3\tintranet.example # office\n\n"
                    "# Ads\n\n127.0.0.1\tads.example.com # banner\n127.0.0.1\tb.ads.net\n\n"));
    EXPECT_EQ(p.ExportFile, dir.File("my-export.txt"));
    EXPECT_EQ(p.ExportFormat, 1);
    EXPECT_FALSE(p.ExportGoodHosts);
    EXPECT_TRUE(p.ExportView);
    EXPECT_EQ(dir.Read("Quillon.ini"), ini);
    EXPECT_EQ(HostsState(Hosts()), THostsState::Present);
}

TEST_F(WriterTest, WriteHostsRewritesTheDisabledCopy)
{
    EXPECT_EQ(HostsState(Hosts()), THostsState::Absent);
    dir.Write("hosts.Quillon", "disabled\n");
    EXPECT_EQ(HostsState(Hosts()), THostsState::Disabled);
    ASSERT_TRUE(WriteHosts(*data, data->Prefs()).completed);
    EXPECT_FALSE(dir.Exists("hosts"));
    EXPECT_NE(dir.Read("hosts.Quillon").find("localhost"), std::string::npos);
    EXPECT_EQ(HostsState(Hosts()), THostsState::Disabled);
}

bool WaitForFile(const std::string& name)
{
    for (int i = 0; i < 300 && !platform::FileExists(name); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return platform::FileExists(name);
}

TEST_F(WriterTest, AfterWriteCommandRunsOnlyAfterASuccessfulWrite)
{
#ifdef _WIN32
    // A program that records its arguments in record.log stands in for the command.
    ASSERT_TRUE(platform::CopyFile(QUILLON_RECORDER, dir.File("action.exe")));
    data->Prefs().WriteAction = dir.File("action.exe") + " %hosts% %HOSTS%";
    const std::string ran = "record.log";
    const std::string expected =
        std::filesystem::current_path().string() + "|2|" + dir.File("hosts") + " " + dir.File("hosts") + "\n";
#else
    data->Prefs().WriteAction = "echo %hosts% %HOSTS% > " + dir.File("ran.tmp") + " && mv " +
                                dir.File("ran.tmp") + " " + dir.File("ran");
    const std::string ran = "ran";
    const std::string expected = dir.File("hosts") + " " + dir.File("hosts") + "\n";
#endif
    data->Prefs().ExportBackup = true;
    data->Prefs().SavePrefs();

    // The backup cannot be made: no command.
    dir.Write("hosts", "old\n");
    std::filesystem::create_directory(dir.File("hosts.bak"));
    EXPECT_FALSE(WriteHosts(*data, data->Prefs()).completed);
    std::filesystem::remove(dir.File("hosts.bak"));

    ASSERT_TRUE(WriteHosts(*data, data->Prefs()).completed);
    ASSERT_TRUE(WaitForFile(dir.File(ran)));
    EXPECT_EQ(dir.Read(ran), expected);
    std::filesystem::remove(dir.File(ran));

    // A file that cannot be written: the error passes on, the settings stay as they were, no command.
    std::filesystem::remove(dir.File("hosts"));
    std::filesystem::create_directory(dir.File("hosts"));
    data->Prefs().ExportFormat = 1;
    EXPECT_THROW(WriteHosts(*data, data->Prefs()), EQuillonError);
    EXPECT_EQ(data->Prefs().ExportFormat, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(dir.Exists(ran));
}

TEST(ExpandWriteAction, ReplacesThePlaceholderInAnyCase)
{
    struct {
        const char* action;
        const char* expected;
    } cases[] = {
        {"notify %hosts%", "notify /etc/x"}, {"cp %hosts% %HOSTS%.copy", "cp /etc/x /etc/x.copy"},
        {"%Hosts%%hOsTs%", "/etc/x/etc/x"},  {"no placeholder", "no placeholder"},
        {"%host% %hosts", "%host% %hosts"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandWriteAction(c.action, "/etc/x"), c.expected) << c.action;
}

TEST_F(WriterTest, ActiveHostsFileIsTheDisabledCopyOnlyWhenThatAloneExists)
{
    EXPECT_EQ(ActiveHostsFileName(Hosts()), Hosts());
    dir.Write("hosts.Quillon", "x");
    EXPECT_EQ(ActiveHostsFileName(Hosts()), Hosts() + ".Quillon");
    dir.Write("hosts", "x");
    EXPECT_EQ(ActiveHostsFileName(Hosts()), Hosts());
}

TEST_F(WriterTest, DisableAndEnable)
{
    EXPECT_EQ(ToggleHostsFile(Hosts()), "You have neither a HOSTS file nor a renamed copy");

    const std::string content = "127.0.0.1\tlocalhost\r\n# keep me\n";
    dir.Write("hosts", content);
    dir.Write("hosts.Quillon", "stale copy");
    EXPECT_EQ(ToggleHostsFile(Hosts()),
              "The HOSTS file has been disabled by renaming it to\r\n" + dir.File("hosts.Quillon"));
    EXPECT_EQ(HostsState(Hosts()), THostsState::Disabled);
    EXPECT_EQ(dir.Read("hosts.Quillon"), content);

    EXPECT_EQ(ToggleHostsFile(Hosts()), "The HOSTS file has been enabled");
    EXPECT_EQ(HostsState(Hosts()), THostsState::Present);
    EXPECT_EQ(dir.Read("hosts"), content);
    EXPECT_FALSE(dir.Exists("hosts.Quillon"));
}

TEST_F(WriterTest, DisableAndEnableEachRenameOnlyWhenTheirRuleAllows)
{
    const struct {
        const char* name;
        bool disable;
        const char* hosts;   // content before, nullptr: no file
        const char* copy;
        bool renamed;
        const char* hostsAfter;
        const char* copyAfter;
    } cases[] = {
        {"disable", true, "h", nullptr, true, nullptr, "h"},
        {"disable over a stale copy", true, "h", "stale", true, nullptr, "h"},
        {"disable with only the copy", true, nullptr, "c", false, nullptr, "c"},
        {"disable with neither", true, nullptr, nullptr, false, nullptr, nullptr},
        {"enable", false, nullptr, "c", true, "c", nullptr},
        {"enable with the HOSTS file in the way", false, "h", "c", false, "h", "c"},
        {"enable with only the HOSTS file", false, "h", nullptr, false, "h", nullptr},
        {"enable with neither", false, nullptr, nullptr, false, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(dir.File("hosts"));
        std::filesystem::remove(dir.File("hosts.Quillon"));
        if (c.hosts)
            dir.Write("hosts", c.hosts);
        if (c.copy)
            dir.Write("hosts.Quillon", c.copy);
        EXPECT_EQ(c.disable ? DisableHostsFile(Hosts()) : EnableHostsFile(Hosts()), c.renamed) << c.name;
        EXPECT_EQ(dir.Exists("hosts") ? dir.Read("hosts") : "-", c.hostsAfter ? c.hostsAfter : "-") << c.name;
        EXPECT_EQ(dir.Exists("hosts.Quillon") ? dir.Read("hosts.Quillon") : "-",
                  c.copyAfter ? c.copyAfter : "-")
            << c.name;
    }
    EXPECT_EQ(DisabledHostsFileName(Hosts()), Hosts() + ".Quillon");
}

TEST_F(WriterTest, AFailedRenameIsReportedNotAnnounced)
{
    dir.Write("hosts", "x");
    std::filesystem::create_directory(dir.File("hosts.Quillon"));
    try {
        ToggleHostsFile(Hosts());
        FAIL() << "the failed rename was announced as done";
    } catch (const EQuillonError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot rename " + dir.File("hosts")), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(HostsState(Hosts()), THostsState::Present);
}

TEST_F(WriterTest, ViewWithoutAFile)
{
    EXPECT_EQ(ViewHostsFile(Hosts(), ""), "There is no HOSTS file to view.");
    dir.Write("hosts.Quillon", "x");
    EXPECT_EQ(ViewHostsFile(Hosts(), ""), "");
}

TEST_F(WriterTest, DefaultSelectionLeavesExcludedGroupsOut)
{
    Fixture();
    TGroupSelection s = DefaultGroupSelection(*data);
    EXPECT_EQ(s.itemCount, 4u);
    EXPECT_EQ(s.ticked, (std::vector<int>{1, 3}));   // Ads, Empty; beta and Tracking are excluded
    EXPECT_EQ(data->Groups.IndexName(), "group_name");
}

}   // namespace
