// The import run on small input files: counters, tables, report lines and status texts.
#include "core/DataUnit.h"
#include "hostsfile/HostsWriter.h"
#include "import/ImportRun.h"
#include "platform/Errors.h"
#include "platform/Platform.h"
#include "support/DataFolder.h"
#include "support/DataRows.h"
#include "support/FixedClock.h"
#include "support/ScriptedPresenter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>

namespace {

class TCountingProgress : public IProgress {
public:
    std::vector<std::string> steps;
    std::string finalText;
    int events = 0;
    int cancelAtEvent = -1;
    void ShowStatus(const std::string& text) override { steps.push_back(text); }
    void SetStatusText(const std::string& text) override { finalText = text; }
    void ProcessMessages() override { ++events; }
    bool CancelRequested() const override { return cancelAtEvent >= 0 && events >= cancelAtEvent; }
};

class ImportTest : public ::testing::Test, protected TDataFolder {
protected:
    TScriptedPresenter presenter;
    TFixedClock clock{2026, 3, 4, 13, 5, 9};
    TCountingProgress progress;

    void SetUp() override
    {
        TGroupList list;
        data->FillGroupList(list, false);   // "Default Group", id 1
        TQuillonPrefs& p = data->Prefs();
        p.ImportFile = dir.File("input.txt");
        p.ImportDefaultGroup = 1;
        p.ImportWrite = false;
        p.ImportCleanup = false;
        p.ReportDupes = true;
    }

    std::unique_ptr<TImportRun> Import(const std::string& content)
    {
        dir.Write("input.txt", content);
        auto run = std::make_unique<TImportRun>(*data, Options(), progress);
        run->Run();
        return run;
    }

    // The import preferences as they stand; the closing Write HOSTS as the dialog runs it.
    TImportOptions Options()
    {
        TImportOptions options = ImportOptionsFrom(data->Prefs());
        options.writeHostsAction = [this] { WriteHosts(*data, data->Prefs()); };
        return options;
    }

    // "new/dupe/update" for groups, bad hosts and good hosts.
    static std::string Counters(const TImportRun& r)
    {
        std::ostringstream s;
        for (TEntity e : {TEntity::Group, TEntity::BadHost, TEntity::GoodHost}) {
            if (e != TEntity::Group)
                s << ' ';
            s << r.Counter(e, TOutcomeKind::New) << '/' << r.Counter(e, TOutcomeKind::Duplicate) << '/'
              << r.Counter(e, TOutcomeKind::Update);
        }
        return s.str();
    }

    // The report's outcome lines: between the header and the closing lines.
    std::vector<std::string> ReportBody()
    {
        std::vector<std::string> lines;
        std::istringstream in(dir.Read("ImportReport.txt"));
        for (std::string l; std::getline(in, l);)
            lines.push_back(l.size() && l.back() == '\r' ? l.substr(0, l.size() - 1) : l);
        if (lines.size() < 5)
            return {};
        return std::vector<std::string>(lines.begin() + 3, lines.end() - 2);
    }

    std::string Bad(const std::string& host)
    {
        TTable& b = data->BadHosts;
        if (!b.FindText(host))
            return "-";
        std::string c(b.AsString("comment"));
        return std::to_string(b.AsInteger("group_id")) + (c.empty() ? "" : " " + c);
    }

    std::string Good(const std::string& host)
    {
        TTable& g = data->GoodHosts;
        if (!g.FindText(host))
            return "-";
        std::string c(g.AsString("comment"));
        return std::string(g.AsString("ip")) + (c.empty() ? "" : " " + c);
    }

    std::string GroupFlags(const std::string& name)
    {
        TTable& g = data->Groups;
        g.SetIndexName("group_name");
        if (!g.FindText(name))
            return "-";
        return std::string(g.AsBoolean("restricted") ? "R" : "") + (g.AsBoolean("exclude") ? "X" : "");
    }
};

struct LineCase {
    const char* name;
    std::string input;
    std::function<void(TQuillonPrefs&)> settings;
    std::string counters;
    std::vector<std::string> report;
    std::string status;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class ImportLinesTest : public ImportTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ImportLinesTest, CountsAndReports)
{
    const LineCase& c = GetParam();
    if (c.settings)
        c.settings(data->Prefs());
    auto run = Import(c.input);
    EXPECT_EQ(Counters(*run), c.counters);
    EXPECT_EQ(ReportBody(), c.report);
    EXPECT_EQ(run->Status(), c.status);
}

const auto noChange = std::function<void(TQuillonPrefs&)>();

INSTANTIATE_TEST_SUITE_P(
    Lines, ImportLinesTest,
    ::testing::Values(
        LineCase{"EmptyFile", "", noChange, "0/0/0 0/0/0 0/0/0", {}, "0 lines processed."},
        LineCase{"BlankLines", "\n  \n\t\r\n", noChange, "0/0/0 0/0/0 0/0/0", {}, "3 lines processed."},
        LineCase{"SeveralNamesOnALine",
                 "127.0.0.1 a.example b.example,c.example\n",
                 noChange,
                 "0/0/0 3/0/0 0/0/0",
                 {"NEW    BadHost  a.example", "NEW    BadHost  b.example", "NEW    BadHost  c.example"},
                 "1 lines processed."},
        LineCase{"OtherAddressIsAGoodHost",
                 "1.2.3.4 x.example # office\n",
                 noChange,
                 "0/0/0 0/0/0 1/0/0",
                 {"NEW    GoodHost 1.2.3.4 x.example # office"},
                 "1 lines processed."},
        LineCase{"GoodHostsOff",
                 "1.2.3.4 x.example\n",
                 [](TQuillonPrefs& p) { p.ImportGoodHosts = false; },
                 "0/0/0 1/0/0 0/0/0",
                 {"NEW    BadHost  x.example"},
                 "1 lines processed."},
        LineCase{"BlockingAddresses",
                 "0.0.0.0 x.example\n10.9.9.9 y.example\n",
                 [](TQuillonPrefs& p) { p.HostsIP = "10.9.9.9"; },
                 "0/0/0 2/0/0 0/0/0",
                 {"NEW    BadHost  x.example", "NEW    BadHost  y.example"},
                 "2 lines processed."},
        LineCase{"LocalhostIsSkipped",
                 "127.0.0.1 LocalHost\n127.0.0.1 localhost a.example\n",
                 noChange,
                 "0/0/0 1/0/0 0/0/0",
                 {"NEW    BadHost  a.example"},
                 "2 lines processed."},
        LineCase{"SecondOccurrence",
                 "127.0.0.1 a.example # one\n127.0.0.1 A.example # one\n127.0.0.1 a.example\n",
                 noChange,
                 "0/0/0 1/1/1 0/0/0",
                 {"NEW    BadHost  a.example # one", "DUPE   BadHost  A.example # one",
                  "UPDATE BadHost  a.example"},
                 "3 lines processed."},
        LineCase{"CommentedOutHost",
                 "# 127.0.0.1 old.example.com\n#127.0.0.1\n",
                 noChange,
                 "1/0/0 0/0/0 0/0/0",
                 {"IGNORE BadHost  # 127.0.0.1 old.example.com", "NEW    Group    127.0.0.1"},
                 "2 lines processed."},
        LineCase{"WritersFirstLineSkipped",
                 "# Created by Quillon 4.1 - 03/04/26\n\n",
                 noChange,
                 "0/0/0 0/0/0 0/0/0",
                 {},
                 "2 lines processed."},
        LineCase{"OptionTwoIgnoresCommentLines",
                 "# Ads\n# 127.0.0.1 x.example\n127.0.0.1 a.example\n",
                 [](TQuillonPrefs& p) { p.ImportGroupOption = 2; },
                 "0/0/0 1/0/0 0/0/0",
                 {"NEW    BadHost  a.example"},
                 "3 lines processed."},
        LineCase{"OptionOneMapsUnknownGroups",
                 "# Default Group\n# Unknown\n127.0.0.1 a.example\n",
                 [](TQuillonPrefs& p) { p.ImportGroupOption = 1; },
                 "0/1/0 1/0/0 0/0/0",
                 {"DUPE   Group    Default Group", "NEW    BadHost  a.example"},
                 "3 lines processed."},
        LineCase{
            "LineErrors",
            "ads.example\n999.1.1.1 a.example\n127.0.0.1 bad!one ,\n127.0.0.1 \"b\"\"c\" \"ok.example\"\n",
            noChange,
            "0/0/0 1/0/0 0/0/0",
            {"ERROR  Line 1 - Invalid format - no whitespace",
             "ERROR  Line 2 - Invalid IP address \"999.1.1.1\"",
             "ERROR  Line 3 - Invalid hostname \"bad!one\"", "ERROR  Line 3 - Invalid hostname \"\"",
             "ERROR  Line 4 - Invalid hostname \"b\"c\"", "NEW    BadHost  ok.example"},
            "5 errors in 4 lines."},
        LineCase{"QuoteInsideANameDoesNotSplitIt",
                 "127.0.0.1 a.example\"b.example\" c.example\n",
                 noChange,
                 "0/0/0 1/0/0 0/0/0",
                 {"ERROR  Line 1 - Invalid hostname \"a.example\"b.example\"\"", "NEW    BadHost  c.example"},
                 "1 errors in 1 lines."},
        // Files that end exactly where the read buffer ends.
        LineCase{"LineEndsFillTheBuffer",
                 std::string(32768, '\n'),
                 noChange,
                 "0/0/0 0/0/0 0/0/0",
                 {},
                 "32768 lines processed."},
        LineCase{"LineEndsFillTwoBuffers",
                 std::string(65536, '\n'),
                 noChange,
                 "0/0/0 0/0/0 0/0/0",
                 {},
                 "65536 lines processed."},
        LineCase{"LastLineWithoutEndFillsTheBuffer",
                 std::string(32767, '\n') + " ",
                 noChange,
                 "0/0/0 0/0/0 0/0/0",
                 {},
                 "32768 lines processed."},
        LineCase{"MoreErrorsThanLines",
                 "127.0.0.1 a! b! c!\n",
                 noChange,
                 "0/0/0 0/0/0 0/0/0",
                 {"ERROR  Line 1 - Invalid hostname \"a!\"", "ERROR  Line 1 - Invalid hostname \"b!\"",
                  "ERROR  Line 1 - Invalid hostname \"c!\""},
                 "3 errors in 1 lines."},
        LineCase{"EmptyNamesFromCommas",
                 "127.0.0.1 ,a.example,,b.example,\n",
                 noChange,
                 "0/0/0 2/0/0 0/0/0",
                 {"ERROR  Line 1 - Invalid hostname \"\"", "NEW    BadHost  a.example",
                  "ERROR  Line 1 - Invalid hostname \"\"", "NEW    BadHost  b.example",
                  "ERROR  Line 1 - Invalid hostname \"\""},
                 "3 errors in 1 lines."},
        LineCase{"PlainText",
                 "** Ads\nads.example.com ** banner\n127.0.0.1\n",
                 [](TQuillonPrefs& p) { p.ImportFormat = 1; },
                 "1/0/0 1/0/0 0/0/0",
                 {"NEW    Group    Ads", "NEW    BadHost  ads.example.com ** banner",
                  "ERROR  Line 3 - Invalid hostname \"127.0.0.1\""},
                 "1 errors in 3 lines."},
        LineCase{"ByteOrderMarkSkipped",
                 "\xEF\xBB\xBF# Ads\r\n127.0.0.1 a.example\r\n",
                 noChange,
                 "1/0/0 1/0/0 0/0/0",
                 {"NEW    Group    Ads", "NEW    BadHost  a.example"},
                 "2 lines processed."}),
    [](const auto& info) { return info.param.name; });

TEST_F(ImportTest, GroupHeadingsAndFlags)
{
    data->Prefs().RestrictedDefault = true;
    Import("# Ads [RX]\n127.0.0.1 a.example\n# Plain []\n# Default\n# Lower [rx]\n# [R]\n## Twice\n"
           "# Ads\n127.0.0.1 b.example\n");
    EXPECT_EQ(GroupFlags("Ads"), "RX");
    EXPECT_EQ(GroupFlags("Plain"), "");
    EXPECT_EQ(GroupFlags("Default"), "R");
    EXPECT_EQ(GroupFlags("Lower [rx]"), "R");
    EXPECT_EQ(GroupFlags("[R]"), "R");
    EXPECT_EQ(GroupFlags("Twice"), "R");
    EXPECT_EQ(GroupFlags("#Twice"), "-");
    // The second "# Ads" selects the group again.
    int ads = (data->Groups.FindText("Ads"), data->Groups.AsInteger("group_id"));
    EXPECT_EQ(Bad("a.example"), std::to_string(ads));
    EXPECT_EQ(Bad("b.example"), std::to_string(ads));
}

TEST_F(ImportTest, OverlongGroupNameFindsItsGroupAgain)
{
    std::string name(300, 'g');
    auto run = Import("# " + name + "\n127.0.0.1 a.example\n# " + name + "\n127.0.0.1 b.example\n");
    EXPECT_EQ(Counters(*run), "1/1/0 2/0/0 0/0/0");
    EXPECT_EQ(Bad("a.example"), Bad("b.example"));
}

TEST_F(ImportTest, UpdatesAndSwaps)
{
    AddGroupRow(*data, 2, "Ads");
    AddBadRow(*data, "bad.example", 2, "old");
    AddGoodRow(*data, "good.example", "10.0.0.1", "mine");
    AddGoodRow(*data, "shop.example.com", "10.0.0.2");
    data->SaveDatabase(false);

    // Without swaps and updates of addresses: duplicates, comments still updated.
    data->Prefs().ImportSwapHosts = false;
    data->Prefs().UpdateGoodHosts = false;
    auto run = Import("10.0.0.9 good.example # mine\n10.0.0.9 bad.example\n127.0.0.1 shop.example.com\n");
    EXPECT_EQ(Counters(*run), "0/0/0 0/1/0 0/2/0");
    EXPECT_EQ(Good("good.example"), "10.0.0.1 mine");

    data->Prefs().ImportSwapHosts = true;
    data->Prefs().UpdateGoodHosts = true;
    run = Import("10.0.0.9 good.example # mine\n10.0.0.9 bad.example\n127.0.0.1 shop.example.com\n");
    EXPECT_EQ(Counters(*run), "0/0/0 1/0/-1 1/0/0");
    EXPECT_EQ(ReportBody(), (std::vector<std::string>{
                                "UPDATE GoodHost 10.0.0.9 good.example # mine",
                                "UPDATE BadHost  REMOVED - bad.example",
                                "NEW    GoodHost 10.0.0.9 bad.example",
                                "UPDATE GoodHost REMOVED - 127.0.0.1 shop.example.com",
                                "NEW    BadHost  shop.example.com",
                            }));
    EXPECT_EQ(run->Counter(TEntity::GoodHost, TOutcomeKind::Update), 0);   // +1 and -1
    EXPECT_EQ(Good("good.example"), "10.0.0.9 mine");
    EXPECT_EQ(Good("bad.example"), "10.0.0.9");
    EXPECT_EQ(Bad("bad.example"), "-");
    EXPECT_EQ(Bad("shop.example.com"), "1");
    EXPECT_EQ(Good("shop.example.com"), "-");
}

TEST_F(ImportTest, HostsInExcludedGroupsStayExcluded)
{
    AddGroupRow(*data, 2, "Ads");
    AddGroupRow(*data, 3, "Never", false, true);
    AddGroupRow(*data, 4, "Also Never", false, true);
    AddBadRow(*data, "kept.example", 3);
    AddBadRow(*data, "moved.example", 3);
    AddBadRow(*data, "orphan.example", 9);
    AddBadRow(*data, "plain.example", 2);
    auto run = Import("# Ads\n127.0.0.1 kept.example orphan.example\n# Also Never\n127.0.0.1 moved.example\n"
                      "# Ads\n127.0.0.1 plain.example\n");
    EXPECT_EQ(Bad("kept.example"), "3");
    EXPECT_EQ(Bad("orphan.example"), "2");
    EXPECT_EQ(Bad("moved.example"), "4");
    EXPECT_EQ(Counters(*run), "0/3/0 0/2/2 0/0/0");

    data->Prefs().ImportUpdates = false;
    run = Import("# Ads\n127.0.0.1 moved.example\n");
    EXPECT_EQ(Bad("moved.example"), "4");
}

TEST_F(ImportTest, CleanupKeepsTheDefaultGroup)
{
    AddGroupRow(*data, 2, "Empty one");
    AddGroupRow(*data, 3, "Empty two");
    AddGroupRow(*data, 4, "Used");
    AddBadRow(*data, "a.example", 4);
    data->Prefs().ImportCleanup = true;
    auto run = Import("");
    EXPECT_EQ(run->Counter(TEntity::Group, TOutcomeKind::Update), -2);
    EXPECT_EQ(ReportBody(),
              std::vector<std::string>{"UPDATE Group    REMOVED - 2 groups removed during Group Cleanup"});
    EXPECT_EQ(GroupFlags("Default Group"), "");
    EXPECT_EQ(GroupFlags("Empty one"), "-");
    EXPECT_EQ(progress.steps,
              (std::vector<std::string>{"Importing...", "Performing group cleanup...", "Saving data..."}));
    EXPECT_TRUE(dir.Exists("Groups.cds"));
}

TEST_F(ImportTest, ReportHeaderAndClosingLines)
{
    data->Prefs().ReportNew = false;
    data->Prefs().ReportDupes = false;
    data->Prefs().ReportUpdates = false;
    Import("127.0.0.1 a.example\n# 127.0.0.1 b.example\nnope\n");
    std::string nl = platform::LineEnd;
    EXPECT_EQ(dir.Read("ImportReport.txt"),
              "Quillon Import Report - " + data->DateTimeText() + nl + "Importing " + dir.File("input.txt") +
                  nl + nl + "IGNORE BadHost  # 127.0.0.1 b.example" + nl +
                  "ERROR  Line 3 - Invalid format - no whitespace" + nl + nl + "1 errors in 3 lines." + nl);

    data->Prefs().ImportReport = false;
    std::filesystem::remove(dir.File("ImportReport.txt"));
    Import("127.0.0.1 c.example\n");
    EXPECT_FALSE(dir.Exists("ImportReport.txt"));
}

TEST_F(ImportTest, CancelReloadsTheSavedTables)
{
    AddBadRow(*data, "saved.example", 1);
    data->SaveDatabase(false);
    std::string input;
    for (int i = 0; i < 1500; ++i)
        input += "127.0.0.1 host" + std::to_string(i) + ".example\n";
    input += "127.0.0.1 saved.example # changed\n";
    progress.cancelAtEvent = 2;   // seen after line 1000
    auto run = Import(input);
    EXPECT_EQ(run->LineCount(), 1000);
    EXPECT_EQ(run->Status(), "Import cancelled");
    EXPECT_EQ(data->BadHosts.RecordCount(), 1);
    EXPECT_EQ(Bad("saved.example"), "1");
    std::string report = dir.Read("ImportReport.txt");
    std::string closing =
        std::string(platform::LineEnd) + platform::LineEnd + "Import cancelled" + platform::LineEnd;
    ASSERT_GE(report.size(), closing.size());
    EXPECT_EQ(report.substr(report.size() - closing.size()), closing);
}

TEST_F(ImportTest, WrittenFileComesBackAsDuplicates)
{
    AddGroupRow(*data, 2, "Ads", true, false);
    AddGroupRow(*data, 3, "Both", true, true);
    AddBadRow(*data, "a.example", 2, "banner");
    AddBadRow(*data, "b.example", 3);
    AddBadRow(*data, "c.example", 1);
    AddGoodRow(*data, "intranet.example", "10.1.2.3", "office");
    data->SaveDatabase(false);
    TQuillonPrefs& p = data->Prefs();
    p.ExportFile = dir.File("export.txt");
    p.ExportGoodHosts = true;
    p.ExportView = false;
    TSilentProgress silent;
    ASSERT_TRUE(
        THostsWriter(*data, silent).DoExport(ExportOptionsFrom(p, DefaultGroupSelection(*data))).completed);
    p.ExportBackup = false;

    p.ImportFile = dir.File("export.txt");
    auto run = std::make_unique<TImportRun>(*data, Options(), progress);
    run->Run();
    // Ads, Default Group (Both is excluded and left out of the written file).
    EXPECT_EQ(Counters(*run), "0/2/0 0/2/0 0/1/0");
}

TEST_F(ImportTest, WriteHostsAfterImport)
{
    data->Prefs().ImportWrite = true;
    data->Prefs().SavePrefs();
    auto run = Import("127.0.0.1 a.example\n");
    EXPECT_EQ(run->Status(), "1 lines processed.");
    EXPECT_EQ(progress.steps.back(), "Writing HOSTS...");
    EXPECT_NE(dir.Read("hosts").find("a.example"), std::string::npos);
    EXPECT_EQ(progress.finalText, "1 lines processed.");
}

TEST_F(ImportTest, MissingInputIsNamed)
{
    data->Prefs().ImportFile = dir.File("missing.txt");
    TImportRun run(*data, Options(), progress);
    try {
        run.Run();
        FAIL() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file " + dir.File("missing.txt") + ": No such file or directory");
    }
}

}   // namespace
