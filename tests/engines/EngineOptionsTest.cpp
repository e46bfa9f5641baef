// The engines' options: what each builder takes from the preferences and what a command forces,
// and that no engine reads or changes the preferences it was not handed.
#include "core/CommandLine.h"
#include "core/DataUnit.h"
#include "hostsfile/HostsWriter.h"
#include "import/ImportRun.h"
#include "support/DataFolder.h"
#include "support/DataRows.h"
#include "support/FixedClock.h"
#include "support/ScriptedPresenter.h"
#include "zones/RegistryGenerator.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class EngineOptions : public ::testing::Test, protected TDataFolder {
protected:
    TScriptedPresenter presenter;
    TFixedClock clock{2026, 3, 4, 13, 5, 9};

    void SetUp() override
    {
        AddGroupRow(*data, 1, "Default Group");
        AddGroupRow(*data, 2, "Ads", true);
        AddGroupRow(*data, 3, "Trackers", true, true);
        AddBadRow(*data, "ads.example.com", 2, "banner");
        AddBadRow(*data, "track.example.net", 3);
        AddGoodRow(*data, "intranet.example", "10.0.0.1");
    }

    TQuillonPrefs& Prefs() { return data->Prefs(); }
};

// ---------------------------------------------------------------------------
// No engine touches the preferences

struct TEngineCase {
    const char* name;
    // Runs the engine with options unlike the preferences; returns the file it was to write.
    std::function<std::string(TQuillonData&, const TTempDir&)> run;
};

void PrintTo(const TEngineCase& c, std::ostream* os) { *os << c.name; }

class PrefsUntouched : public EngineOptions, public ::testing::WithParamInterface<TEngineCase> {};

TEST_P(PrefsUntouched, NeitherInMemoryNorOnDisk)
{
    // Saved preferences, then changes in memory that were never saved: a
    // run that reloaded the file or saved the object would show.
    TQuillonPrefs& p = Prefs();
    p.ExportFile = dir.File("saved-export.txt");
    p.ImportFile = dir.File("saved-import.txt");
    p.RegistryFile = dir.File("saved.reg");
    p.ImportWrite = true;
    p.SavePrefs();
    p.ExportFormat = 1;
    p.ExportView = true;
    p.ImportFormat = 1;
    p.RegistryFormat = 1;
    p.LastGroup = 42;
    const TQuillonPrefs before = p;
    const std::string ini = dir.Read("Quillon.ini");

    const std::string written = GetParam().run(*data, dir);

    EXPECT_TRUE(dir.Exists(written)) << written;
    EXPECT_FALSE(dir.Exists("saved-export.txt"));
    EXPECT_FALSE(dir.Exists("saved.reg"));
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_EQ(dir.Read("Quillon.ini"), ini);
    // Templates filled in for a registry run stay out of the preferences.
    EXPECT_EQ(p.RegistryKey, "");
    // Every field compared: both objects saved to the same file in turn.
    TQuillonPrefs(before).SavePrefs();
    const std::string expected = dir.Read("Quillon.ini");
    p.SavePrefs();
    EXPECT_EQ(dir.Read("Quillon.ini"), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Engines, PrefsUntouched,
    ::testing::Values(
        TEngineCase{"Export",
                    [](TQuillonData& data, const TTempDir& dir) {
                        TSilentProgress silent;
                        const TCmdCommand command = DecodeArgument("/xa=" + dir.File("cmd.txt"));
                        THostsWriter(data, silent)
                            .DoExport(CommandExportOptions(data.Prefs(), command, AllGroupsSelection(data)));
                        return std::string("cmd.txt");
                    }},
        TEngineCase{"WriteHosts",
                    [](TQuillonData& data, const TTempDir&) {
                        WriteHosts(data, data.Prefs());
                        return std::string("hosts");
                    }},
        TEngineCase{"ImportWithItsClosingWrite",
                    [](TQuillonData& data, const TTempDir& dir) {
                        dir.Write("cmd.txt", "0.0.0.0 new.example.org\n");
                        TGroupList groups;
                        data.FillGroupList(groups, false);
                        TImportOptions options = CommandImportOptions(
                            data.Prefs(), DecodeArgument("/i=" + dir.File("cmd.txt")), groups);
                        options.writeHosts = true;
                        options.writeHostsAction = [&data] { WriteHosts(data, data.Prefs()); };
                        TSilentProgress silent;
                        TImportRun(data, options, silent).Run();
                        return std::string("hosts");
                    }},
        TEngineCase{"RegistryFile",
                    [](TQuillonData& data, const TTempDir& dir) {
                        TSilentProgress silent;
                        TRegistryGenerator(data, silent)
                            .CreateRegistryFile(CommandRegistryOptions(
                                data.Prefs(), DecodeArgument("/b=" + dir.File("cmd.reg"))));
                        return std::string("cmd.uninstall.reg");
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// What the builders take and force

TEST_F(EngineOptions, CommandExportTakesTheSavedOptionsButFileFormatAndViewing)
{
    TQuillonPrefs& p = Prefs();
    p.ExportFile = "/lists/saved.txt";
    p.ExportFormat = 1;
    p.ExportGroups = false;
    p.ExportQuillon = false;
    p.ExportGoodHosts = true;
    p.ExportComments = false;
    p.ExportBackup = false;
    p.ExportView = true;
    p.IPSeparator = "  ";
    const TExportOptions o =
        CommandExportOptions(p, DecodeArgument("/x=/tmp/cmd.txt"), DefaultGroupSelection(*data));
    EXPECT_EQ(o.file, "/tmp/cmd.txt");
    EXPECT_FALSE(o.plainText);
    EXPECT_FALSE(o.view);
    EXPECT_FALSE(o.unattended);
    EXPECT_EQ(o.afterWrite, "");
    EXPECT_FALSE(o.groupHeadings);
    EXPECT_FALSE(o.groupFlags);
    EXPECT_TRUE(o.goodHosts);
    EXPECT_FALSE(o.comments);
    EXPECT_FALSE(o.backup);
    EXPECT_EQ(o.ipSeparator, "  ");
    EXPECT_EQ(o.groups.ticked, (std::vector<int>{2, 1}));   // Ads, Default Group; Trackers is excluded
    EXPECT_EQ(o.groups.itemCount, 3u);
}

TEST_F(EngineOptions, WriteHostsForcesTheActiveHostsFileInHostsFormat)
{
    TQuillonPrefs& p = Prefs();
    p.ExportFile = "/lists/saved.txt";
    p.ExportFormat = 1;
    p.ExportGoodHosts = false;
    p.ExportView = true;
    p.ExportComments = false;
    p.WriteAction = "notify %hosts%";
    dir.Write("hosts.Quillon", "disabled\n");
    const TExportOptions o = WriteHostsOptionsFrom(p, DefaultGroupSelection(*data));
    EXPECT_EQ(o.file, dir.File("hosts.Quillon"));
    EXPECT_FALSE(o.plainText);
    EXPECT_TRUE(o.goodHosts);
    EXPECT_FALSE(o.view);
    EXPECT_TRUE(o.unattended);
    EXPECT_EQ(o.afterWrite, "notify %hosts%");
    EXPECT_FALSE(o.comments);
}

struct TDefaultGroupCase {
    const char* name;
    int saved;                 // ImportDefaultGroup
    std::vector<int> groups;   // the groups there are
    int expected;
};

void PrintTo(const TDefaultGroupCase& c, std::ostream* os) { *os << c.name; }

class CommandImportDefaultGroup : public EngineOptions,
                                  public ::testing::WithParamInterface<TDefaultGroupCase> {};

TEST_P(CommandImportDefaultGroup, FallsBackToTheOnlyGroupThereIs)
{
    const TDefaultGroupCase& c = GetParam();
    TQuillonPrefs& p = Prefs();
    p.ImportDefaultGroup = c.saved;
    p.ImportFile = "/lists/saved.txt";
    p.ImportFormat = 0;
    p.ImportWrite = true;
    p.ImportCleanup = false;
    TGroupList groups;
    for (int id : c.groups)
        groups.push_back({"Group " + std::to_string(id), id});

    const TImportOptions o = CommandImportOptions(p, DecodeArgument("/ip=/tmp/cmd.txt"), groups);
    EXPECT_EQ(o.defaultGroup, c.expected);
    EXPECT_EQ(o.file, "/tmp/cmd.txt");
    EXPECT_TRUE(o.plainText);
    EXPECT_FALSE(o.writeHosts);
    EXPECT_FALSE(o.cleanup);
    EXPECT_EQ(p.ImportDefaultGroup, c.saved);
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandImportDefaultGroup,
                         ::testing::Values(TDefaultGroupCase{"SavedGroupThere", 2, {1, 2}, 2},
                                           TDefaultGroupCase{"SavedGroupThereAlone", 2, {2}, 2},
                                           TDefaultGroupCase{"FreshInstallationTakesTheOnlyGroup", 0, {1}, 1},
                                           TDefaultGroupCase{"GoneTakesTheOnlyGroup", 7, {4}, 4},
                                           TDefaultGroupCase{"GoneAmongSeveralStays", 7, {1, 4}, 7}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineOptions, ImportGroupOptionsTheProgramDoesNotKnowMeanTheFirst)
{
    const std::pair<int, TImportGroups> cases[] = {{0, TImportGroups::FromHeadings},
                                                   {1, TImportGroups::DefaultForNew},
                                                   {2, TImportGroups::DefaultForAll},
                                                   {3, TImportGroups::FromHeadings},
                                                   {-1, TImportGroups::FromHeadings}};
    for (const auto& [saved, expected] : cases) {
        Prefs().ImportGroupOption = saved;
        EXPECT_EQ(ImportOptionsFrom(Prefs()).groups, expected) << saved;
    }
}

struct TRegistryCommandCase {
    const char* argument;
    bool plainText, both, uninstall;
};

TEST_F(EngineOptions, CommandRegistryFileTakesFormatFromTheSwitchAndTemplatesDefaultedForTheRun)
{
    TQuillonPrefs& p = Prefs();
    p.RegistryFile = "/lists/saved.reg";
    p.RegistryFormat = 1;
    p.RegistryUninstall = true;
    p.RegistryBoth = true;
    p.RegistryBackup = false;
    p.RegistryView = true;
    p.RegistryExclude = "Example.com,\"\"";
    p.RegistryKey = "[HKEY_CURRENT_USER\\Mine\\^]";
    const TRegistryCommandCase cases[] = {{"/r=c.reg", false, false, false},
                                          {"/u=c.reg", false, false, true},
                                          {"/b=c.reg", false, true, true},
                                          {"/p=c.txt", true, false, false}};
    for (const TRegistryCommandCase& c : cases) {
        const TCmdCommand command = DecodeArgument(c.argument);
        const TRegistryOptions o = CommandRegistryOptions(p, command);
        EXPECT_EQ(o.file, command.file) << c.argument;
        EXPECT_EQ(o.plainText, c.plainText) << c.argument;
        EXPECT_EQ(o.both, c.both) << c.argument;
        EXPECT_EQ(o.uninstall, c.uninstall) << c.argument;
        EXPECT_FALSE(o.view) << c.argument;
        EXPECT_FALSE(o.backup) << c.argument;
        EXPECT_EQ(o.exclude, std::vector<std::string>{"Example.com"}) << c.argument;
        // A saved template is used; empty ones get their defaults for the run only.
        EXPECT_EQ(o.key, p.RegistryKey) << c.argument;
        EXPECT_EQ(o.value, DefaultRegistryValue) << c.argument;
        EXPECT_EQ(o.tlds, DefaultRegistryTLDs) << c.argument;
    }
    EXPECT_EQ(p.RegistryValue, "");
    EXPECT_EQ(p.RegistryTLDs, "");
}

TEST(ExcludeLines, OneItemALineAndNoFinalEmptyLine)
{
    const struct {
        const char* saved;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"\"\"", {}},
        {"a.com", {"a.com"}},
        {"a.com,B.net", {"a.com", "B.net"}},
        {"a.com,", {"a.com"}},
        {"a.com,,", {"a.com", ""}},
        {"a.com,,b.net", {"a.com", "", "b.net"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExcludeLines(c.saved), c.lines) << '"' << c.saved << '"';
}

}   // namespace
