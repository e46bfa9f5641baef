// The registry file generator on small fixtures: domains, file layouts, backups, cancel, status.
#include "zones/RegistryGenerator.h"

#include "core/DataUnit.h"
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

// The expected key lines, spelled out here rather than taken from the program.
const std::string Key = "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet "
                        "Settings\\ZoneMap\\Domains\\";
const std::string RemoveKey = "[-HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet "
                              "Settings\\ZoneMap\\Domains\\";
const std::string Value = "\"*\"=dword:00000004";
// An install file of example.com alone.
const std::string OneEntry = "REGEDIT4\n\n; @\n\n" + Key + "example.com]\n" + Value + "\n";

class TRecordingProgress : public IProgress {
public:
    const TRegistryGenerator* run = nullptr;
    std::vector<std::string> steps;
    std::string finalText;
    std::vector<int> counts;   // the count at each counters-changed call
    std::vector<int> events;   // the count at each chance to process events
    int cancelAtEvent = -1;    // cancel from this event on (1-based); -1: never
    bool cancelled = false;

    void ShowStatus(const std::string& text) override { steps.push_back(text); }
    void SetStatusText(const std::string& text) override { finalText = text; }
    void UpdateCounters() override { counts.push_back(run->DomainCount()); }
    void ProcessMessages() override
    {
        events.push_back(run->DomainCount());
        if (cancelAtEvent > 0 && int(events.size()) >= cancelAtEvent)
            cancelled = true;
    }
    bool CancelRequested() const override { return cancelled; }
};

class RegistryTest : public ::testing::Test, protected TDataFolder {
protected:
    TScriptedPresenter presenter;
    TFixedClock clock{2026, 3, 4, 13, 5, 9};
    TRecordingProgress progress;
    std::string created;
    int count = -1;
    std::string status;

    void SetUp() override
    {
        TQuillonPrefs& p = data->Prefs();
        p.RegistryFile = dir.File("zones.reg");
        p.RegistryView = false;
        FillRegistryDefaults(p);
        created = data->CreatedByText();
    }

    TQuillonPrefs& Prefs() { return data->Prefs(); }

    void Run(std::vector<std::string> exclude = {})
    {
        TRegistryOptions options = RegistryOptionsFrom(Prefs());
        options.exclude = std::move(exclude);
        TRegistryGenerator generator(*data, progress);
        progress.run = &generator;
        const TRegistryResult result = generator.CreateRegistryFile(options);
        count = result.domainCount;
        status = result.status;
    }

    // The domain lines of a plain-text file.
    std::vector<std::string> PlainDomains()
    {
        std::vector<std::string> lines;
        SplitString(dir.Read("zones.reg"), platform::LineEnd, lines);
        EXPECT_GE(lines.size(), size_t(4));
        EXPECT_TRUE(lines.back().empty());
        if (lines.size() < 4)
            return {};
        return std::vector<std::string>(lines.begin() + 3, lines.end() - 1);
    }

    std::string WithHeader(const std::string& expected) const
    {
        std::string text = expected;
        for (size_t at; (at = text.find('@')) != std::string::npos;)
            text.replace(at, 1, created);
        return Lines(text);
    }

    // 120 restricted hosts with distinct domains, and a second host under each.
    void ManyDomains()
    {
        AddGroupRow(*data, 1, "Many", true);
        for (int i = 0; i < 120; ++i) {
            AddBadRow(*data, "a.d" + std::to_string(i) + ".example", 1);
            AddBadRow(*data, "b.d" + std::to_string(i) + ".example", 1);
        }
    }
};

// ---------------------------------------------------------------------------
// Host names to domains

struct DomainCase {
    const char* name;
    const char* host;
    std::vector<std::string> exclude;
    const char* domain;   // empty: nothing added
};

void PrintTo(const DomainCase& c, std::ostream* os) { *os << c.name; }

class RegistryDomainTest : public RegistryTest, public ::testing::WithParamInterface<DomainCase> {};

TEST_P(RegistryDomainTest, ReducesTheHostToItsDomain)
{
    const DomainCase& c = GetParam();
    AddGroupRow(*data, 1, "Ads", true);
    AddBadRow(*data, c.host, 1);
    Prefs().RegistryFormat = 1;
    Run(c.exclude);

    const std::vector<std::string> expected =
        *c.domain ? std::vector<std::string>{c.domain} : std::vector<std::string>{};
    EXPECT_EQ(PlainDomains(), expected);
    EXPECT_EQ(count, int(expected.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, RegistryDomainTest,
    ::testing::Values(
        DomainCase{"TopLevelDomain", "shop.example.com", {}, "example.com"},
        DomainCase{"SecondLevelLabel", "shop.example.co.uk", {}, "example.co.uk"},
        DomainCase{"SecondLevelUnderAnyCountry", "ads.example.com.au", {}, "example.com.au"},
        DomainCase{"CountryCodeAlone", "example.uk", {}, "example.uk"},
        DomainCase{"StateCode", "shop.example.ny.us", {}, "example.ny.us"},
        DomainCase{"NoStateCode", "shop.example.zz.us", {}, "zz.us"},
        DomainCase{"StateCodesOnlyUnderUs", "a.example.ny.ca", {}, "ny.ca"},
        DomainCase{"SecondLevelOnlyBeforeACountryCode", "www.example.co.com", {}, "co.com"},
        DomainCase{"UpperCaseHost", "Shop.EXAMPLE.Co.UK", {}, "example.co.uk"},
        DomainCase{"BareSecondLevelSuffix", "co.uk", {}, ""}, DomainCase{"BareStateSuffix", "ca.us", {}, ""},
        DomainCase{"OneLabel", "com", {}, ""},
        DomainCase{"ExcludedDomainListsTheLongerName", "ads.example.com", {"example.com"}, "ads.example.com"},
        DomainCase{"ExcludedDomainItself", "example.com", {"example.com"}, ""},
        DomainCase{"ExcludeLinesIgnoreCase", "x.ads.example.com", {"Example.COM"}, "ads.example.com"},
        DomainCase{"SeveralExcludedLevels",
                   "x.ads.example.com",
                   {"ads.example.com", "example.com"},
                   "x.ads.example.com"},
        DomainCase{
            "ExcludedUnderASecondLevelSuffix", "shop.example.co.uk", {"example.co.uk"}, "shop.example.co.uk"},
        DomainCase{"ExcludedWholeHost", "example.co.uk", {"example.co.uk"}, ""}),
    [](const auto& info) { return info.param.name; });

TEST_F(RegistryTest, SecondLevelLabelsComeFromThePreferences)
{
    AddGroupRow(*data, 1, "Ads", true);
    AddBadRow(*data, "shop.example.xy.br", 1);
    AddBadRow(*data, "shop.example.co.uk", 1);
    Prefs().RegistryFormat = 1;
    Prefs().RegistryTLDs = "ORG,XY";
    Run();

    EXPECT_EQ(PlainDomains(), (std::vector<std::string>{"co.uk", "example.xy.br"}));
}

TEST_F(RegistryTest, DomainsAreListedOnceInByteOrderAfterLowerCasing)
{
    AddGroupRow(*data, 1, "Ads", true);
    for (const char* host :
         {"x.a_b.net", "shop.a-b.net", "cdn.A1.net", "www.Example.com", "ads.example.COM", "a.b.zz"})
        AddBadRow(*data, host, 1);
    AddBadRow(*data, "deep.ads.example.com", 1);
    Prefs().RegistryFormat = 1;
    Run();

    EXPECT_EQ(PlainDomains(),
              (std::vector<std::string>{"a-b.net", "a1.net", "a_b.net", "b.zz", "example.com"}));
    EXPECT_EQ(count, 5);
}

// ---------------------------------------------------------------------------
// Layouts

struct LayoutCase {
    const char* name;
    int format;
    bool uninstall, both;
    std::string file;            // "@" stands for the "Created by" text
    std::string uninstallFile;   // empty: no uninstall file
    const char* status;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class RegistryLayoutTest : public RegistryTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(RegistryLayoutTest, WritesTheFilesByteForByte)
{
    const LayoutCase& c = GetParam();
    // Only the restricted flag counts, whatever the exclude flag says.
    AddGroupRow(*data, 1, "Ads", true, false);
    AddGroupRow(*data, 2, "Plain", false, false);
    AddGroupRow(*data, 3, "Hidden", true, true);
    AddGroupRow(*data, 4, "Off", false, true);
    AddBadRow(*data, "ads.example.com", 1);
    AddBadRow(*data, "cdn.Example.com", 1);
    AddBadRow(*data, "tracker.co.uk", 1);
    AddBadRow(*data, "co.uk", 1);
    AddBadRow(*data, "plain.example.org", 2);
    AddBadRow(*data, "zeta.example", 3);
    AddBadRow(*data, "off.example.net", 4);
    AddBadRow(*data, "orphan.example.biz", 9);
    Prefs().RegistryFormat = c.format;
    Prefs().RegistryUninstall = c.uninstall;
    Prefs().RegistryBoth = c.both;
    Run();

    EXPECT_EQ(dir.Read("zones.reg"), WithHeader(c.file));
    EXPECT_EQ(dir.Exists("zones.uninstall.reg"), !c.uninstallFile.empty());
    if (!c.uninstallFile.empty()) {
        EXPECT_EQ(dir.Read("zones.uninstall.reg"), WithHeader(c.uninstallFile));
    }
    EXPECT_EQ(progress.steps, (std::vector<std::string>{"Gathering data...", "Writing file..."}));
    EXPECT_EQ(progress.finalText, c.status);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(count, 3);
    EXPECT_TRUE(presenter.shown.empty());
}

const std::string InstallEntries = "REGEDIT4\n\n; @\n\n" + Key + "example.com]\n" + Value + "\n\n" + Key +
                                   "tracker.co.uk]\n" + Value + "\n\n" + Key + "zeta.example]\n" + Value +
                                   "\n";
const std::string UninstallEntries = "REGEDIT4\n\n; @\n\n" + RemoveKey + "example.com]\n\n" + RemoveKey +
                                     "tracker.co.uk]\n\n" + RemoveKey + "zeta.example]\n";

INSTANTIATE_TEST_SUITE_P(
    Layouts, RegistryLayoutTest,
    ::testing::Values(
        LayoutCase{"Install", 0, false, false, InstallEntries, "", "Registry file created."},
        LayoutCase{"UninstallOnly", 0, true, false, UninstallEntries, "", "Registry file created."},
        LayoutCase{"Both", 0, false, true, InstallEntries, UninstallEntries, "Registry files created."},
        LayoutCase{"UnknownFormatIsRegedit", 7, true, true, InstallEntries, UninstallEntries,
                   "Registry files created."},
        LayoutCase{"PlainTextIgnoresBoth", 1, true, true,
                   "** Restricted Zone domain list\n** @\n\nexample.com\ntracker.co.uk\nzeta.example\n", "",
                   "Registry file created."}),
    [](const auto& info) { return info.param.name; });

TEST_F(RegistryTest, TemplatesAndCommentMarkerComeFromThePreferences)
{
    AddGroupRow(*data, 1, "Ads", true);
    AddBadRow(*data, "ads.example.com", 1);
    Prefs().RegistryKey = "[HKEY_TEST\\^\\sub\\^]";
    Prefs().RegistryValue = "\"x\"=dword:1";
    Prefs().RegistryBoth = true;
    Run();
    EXPECT_EQ(dir.Read("zones.reg"),
              WithHeader("REGEDIT4\n\n; @\n\n[HKEY_TEST\\example.com\\sub\\example.com]\n\"x\"=dword:1\n"));
    EXPECT_EQ(dir.Read("zones.uninstall.reg"),
              WithHeader("REGEDIT4\n\n; @\n\n[-HKEY_TEST\\example.com\\sub\\example.com]\n"));

    Prefs().RegistryFormat = 1;
    Prefs().TextComment = "//";
    Run();
    EXPECT_EQ(dir.Read("zones.reg"), WithHeader("// Restricted Zone domain list\n// @\n\nexample.com\n"));
}

TEST_F(RegistryTest, NoRestrictedGroupWritesTheHeaderAlone)
{
    AddGroupRow(*data, 1, "Ads", false, true);
    AddBadRow(*data, "ads.example.com", 1);
    Run();

    EXPECT_EQ(dir.Read("zones.reg"), WithHeader("REGEDIT4\n\n; @\n"));
    EXPECT_EQ(progress.finalText, "Registry file created.");
    EXPECT_EQ(count, 0);
    EXPECT_EQ(progress.counts, std::vector<int>{0});
}

TEST(UninstallFileName, PutsUninstallBeforeTheExtension)
{
    const struct {
        const char* file;
        const char* expected;
    } cases[] = {
        {"/data/restricted.reg", "/data/restricted.uninstall.reg"},
        {"/data/name", "/data/name.uninstall"},
        {"/my.lists/zones", "/my.lists/zones.uninstall"},
        {"/data/a.b.TXT", "/data/a.b.uninstall.TXT"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UninstallFileName(c.file), c.expected) << c.file;
}

// ---------------------------------------------------------------------------
// Counting and status

TEST_F(RegistryTest, CountsEachNewDomainAndLetsEventsRunEvery50)
{
    ManyDomains();
    Run();

    EXPECT_EQ(count, 120);
    ASSERT_EQ(progress.counts.size(), size_t(121));
    EXPECT_EQ(progress.counts.front(), 0);
    EXPECT_EQ(progress.counts.back(), 120);
    EXPECT_EQ(progress.events, (std::vector<int>{50, 100}));
}

// ---------------------------------------------------------------------------
// Backups, cancel and failures

TEST_F(RegistryTest, BackupCopiesReplaceOlderOnes)
{
    AddGroupRow(*data, 1, "Ads", true);
    AddBadRow(*data, "ads.example.com", 1);
    dir.Write("zones.reg", "old install\n");
    dir.Write("zones.reg.bak", "older install\n");
    dir.Write("zones.uninstall.reg", "old uninstall\n");
    Prefs().RegistryBackup = true;
    Prefs().RegistryBoth = true;
    Run();

    EXPECT_EQ(dir.Read("zones.reg.bak"), "old install\n");
    EXPECT_EQ(dir.Read("zones.uninstall.reg.bak"), "old uninstall\n");
    EXPECT_NE(dir.Read("zones.reg").find("example.com"), std::string::npos);
    EXPECT_NE(dir.Read("zones.uninstall.reg").find("example.com"), std::string::npos);
}

TEST_F(RegistryTest, NoBackupWhenSwitchedOff)
{
    AddGroupRow(*data, 1, "Ads", true);
    AddBadRow(*data, "ads.example.com", 1);
    dir.Write("zones.reg", "old install\n");
    dir.Write("zones.uninstall.reg", "old uninstall\n");
    Prefs().RegistryBackup = false;
    Prefs().RegistryBoth = true;
    Run();

    EXPECT_FALSE(dir.Exists("zones.reg.bak"));
    EXPECT_FALSE(dir.Exists("zones.uninstall.reg.bak"));
    EXPECT_EQ(progress.finalText, "Registry files created.");
}

TEST_F(RegistryTest, FailedBackupStopsBeforeAnythingIsWritten)
{
    AddGroupRow(*data, 1, "Ads", true);
    AddBadRow(*data, "ads.example.com", 1);
    dir.Write("zones.reg", "old install\n");
    std::filesystem::create_directory(dir.File("zones.reg.bak"));
    Prefs().RegistryBackup = true;
    Run();

    ASSERT_EQ(presenter.shown.size(), size_t(1));
    EXPECT_EQ(presenter.Last().text, "Backup failed!");
    EXPECT_EQ(presenter.Last().caption, "Create Restricted Zone Registry File");
    EXPECT_EQ(presenter.Last().kind, TMsgDlgType::mtError);
    EXPECT_EQ(dir.Read("zones.reg"), "old install\n");
    // The dialog's count and status keep what they showed.
    EXPECT_TRUE(progress.steps.empty());
    EXPECT_TRUE(progress.counts.empty());
    EXPECT_EQ(progress.finalText, "");
}

TEST_F(RegistryTest, FailedUninstallBackupLeavesTheUninstallFileAlone)
{
    AddGroupRow(*data, 1, "Ads", true);
    AddBadRow(*data, "ads.example.com", 1);
    dir.Write("zones.uninstall.reg", "old uninstall\n");
    std::filesystem::create_directory(dir.File("zones.uninstall.reg.bak"));
    Prefs().RegistryBackup = true;
    Prefs().RegistryBoth = true;
    Run();

    ASSERT_EQ(presenter.shown.size(), size_t(1));
    EXPECT_EQ(presenter.Last().text, "Backup failed!");
    EXPECT_EQ(presenter.Last().caption, "Create Restricted Zone Registry File");
    EXPECT_EQ(dir.Read("zones.uninstall.reg"), "old uninstall\n");
    EXPECT_EQ(dir.Read("zones.reg"), WithHeader(OneEntry));
    EXPECT_EQ(progress.finalText, "Registry file created.");
}

struct CancelCase {
    const char* name;
    bool backup;
    const char* before;   // the file before the run; null: none
    int cancelAtEvent;    // 0: cancelled before the run starts
    const char* status;
};

void PrintTo(const CancelCase& c, std::ostream* os) { *os << c.name; }

class RegistryCancelTest : public RegistryTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(RegistryCancelTest, DeletesTheFileAndRestoresTheBackup)
{
    const CancelCase& c = GetParam();
    ManyDomains();
    if (c.before)
        dir.Write("zones.reg", c.before);
    dir.Write("zones.uninstall.reg", "old uninstall\n");
    Prefs().RegistryBackup = c.backup;
    Prefs().RegistryBoth = true;
    progress.cancelAtEvent = c.cancelAtEvent;
    progress.cancelled = c.cancelAtEvent == 0;
    Run();

    EXPECT_EQ(dir.Exists("zones.reg"), c.backup && c.before);
    if (c.backup && c.before) {
        EXPECT_EQ(dir.Read("zones.reg"), c.before);
    }
    EXPECT_FALSE(dir.Exists("zones.reg.bak"));
    EXPECT_EQ(dir.Read("zones.uninstall.reg"), "old uninstall\n");
    EXPECT_FALSE(dir.Exists("zones.uninstall.reg.bak"));
    EXPECT_EQ(progress.steps, std::vector<std::string>{"Gathering data..."});
    EXPECT_EQ(progress.finalText, c.status);
    // Gathering stopped at the host after the cancel.
    EXPECT_EQ(count, c.cancelAtEvent * 50);
    EXPECT_TRUE(presenter.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cancel, RegistryCancelTest,
    ::testing::Values(
        CancelCase{"BackupRestored", true, "old install\n", 1, "Create cancelled, backup restored"},
        CancelCase{"NoEarlierFile", true, nullptr, 1, "Create cancelled, file deleted"},
        CancelCase{"BackupOff", false, "old install\n", 2, "Create cancelled, file deleted"},
        CancelCase{"BeforeTheFirstGroup", true, "old install\n", 0, "Create cancelled, backup restored"}),
    [](const auto& info) { return info.param.name; });

TEST_F(RegistryTest, FileThatCannotBeCreatedThrows)
{
    AddGroupRow(*data, 1, "Ads", true);
    AddBadRow(*data, "ads.example.com", 1);
    Prefs().RegistryFile = dir.File("missing/zones.reg");
    EXPECT_THROW(Run(), EQuillonError);

    // The uninstall file cannot be created: the install file is complete.
    Prefs().RegistryFile = dir.File("zones.reg");
    Prefs().RegistryBoth = true;
    std::filesystem::create_directory(dir.File("zones.uninstall.reg"));
    try {
        Run();
        ADD_FAILURE() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_NE(std::string(e.what()).find(dir.File("zones.uninstall.reg")), std::string::npos);
    }
    EXPECT_EQ(dir.Read("zones.reg"), WithHeader(OneEntry));
}

TEST_F(RegistryTest, ViewOpensTheFinishedFileOnly)
{
#ifdef _WIN32
    // A program that records its arguments stands in for the editor.
    ASSERT_TRUE(platform::CopyFile(QUILLON_RECORDER, dir.File("editor.exe")));
    Prefs().TextEditor = dir.File("editor.exe");
    const std::string log = "record.log";
    const std::string expected =
        std::filesystem::current_path().string() + "|1|" + dir.File("zones.reg") + "\n";
#else
    dir.Write("editor.sh", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + dir.File("editor.log") + "'\n");
    std::filesystem::permissions(dir.File("editor.sh"), std::filesystem::perms::owner_all);
    Prefs().TextEditor = dir.File("editor.sh");
    const std::string log = "editor.log";
    const std::string expected = dir.File("zones.reg") + "\n";
#endif
    AddGroupRow(*data, 1, "Ads", true);
    AddBadRow(*data, "ads.example.com", 1);
    Prefs().RegistryView = true;
    Prefs().RegistryBoth = true;
    Run();

    for (int i = 0; i < 300 && !dir.Exists(log); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(dir.Read(log), expected);
}

// ---------------------------------------------------------------------------
// Text helpers

TEST(SplitString, AppendsEveryPiece)
{
    const struct {
        const char* text;
        const char* separator;
        std::vector<std::string> pieces;
    } cases[] = {
        {"a.b.c", ".", {"a", "b", "c"}}, {"", ".", {}},
        {"abc", ".", {"abc"}},           {"a..b", ".", {"a", "", "b"}},
        {".a.", ".", {"", "a", ""}},     {"a--b-c--", "--", {"a", "b-c", ""}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> list{"kept"};
        SplitString(c.text, c.separator, list);
        std::vector<std::string> expected{"kept"};
        expected.insert(expected.end(), c.pieces.begin(), c.pieces.end());
        EXPECT_EQ(list, expected) << '"' << c.text << '"';
    }
}

TEST(CommaText, WritesAndReadsStringLists)
{
    const struct {
        std::vector<std::string> items;
        const char* text;
    } cases[] = {
        {{}, ""},
        {{"a.com"}, "a.com"},
        {{"a.com", "b.net"}, "a.com,b.net"},
        {{""}, "\"\""},
        {{"a b", "c,d", "say \"hi\"", "x"}, "\"a b\",\"c,d\",\"say \"\"hi\"\"\",x"},
        {{"a", "", "b"}, "a,,b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CommaText(c.items), c.text);
        EXPECT_EQ(SplitCommaText(c.text), c.items) << c.text;
    }
    // Unquoted blanks separate items too; blanks around them are dropped.
    EXPECT_EQ(SplitCommaText(" a.com, b.net c.org ,"),
              (std::vector<std::string>{"a.com", "b.net", "c.org", ""}));
}

}   // namespace
