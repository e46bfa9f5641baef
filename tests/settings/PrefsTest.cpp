// TQuillonPrefs: defaults, the hex-coded values, fallbacks for bad values, and saving beside other sections.
#include "platform/Platform.h"
#include "settings/Codecs.h"
#include "settings/IniFile.h"
#include "settings/QuillonPrefs.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#ifdef _WIN32
#include "support/FileAssociation.h"
#endif

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using TLines = std::vector<std::string>;
class Prefs : public testing::Test {
protected:
    TTempDir dir;
    TScopedEnv env;

    // The text-editor lookup sees an empty desktop in the temporary folder,
    // never the machine's own associations.
    void SetUp() override
    {
        env.Set("HOME", dir.Path());
        env.Set("XDG_CONFIG_HOME", dir.File("config"));
        env.Set("XDG_CONFIG_DIRS", dir.File("etc-xdg"));
        env.Set("XDG_DATA_HOME", dir.File("data"));
        env.Set("XDG_DATA_DIRS", dir.File("share"));
        env.Set("PATH", dir.File("bin"));
        env.Unset("XDG_CURRENT_DESKTOP");
    }

    std::string IniName() const { return dir.File("Quillon.ini"); }
    TQuillonPrefs Make() const { return TQuillonPrefs(IniName(), dir.Path()); }
    TQuillonPrefs LoadFrom(const std::string& content) const
    {
        dir.Write("Quillon.ini", content);
        TQuillonPrefs prefs = Make();
        prefs.LoadPrefs();
        return prefs;
    }
    // Saving always points HostsFile at the temporary folder first.
    void Save(TQuillonPrefs& prefs) const
    {
        prefs.HostsFile = dir.File("hosts");
        prefs.SavePrefs();
    }
};

TEST_F(Prefs, MissingFileGivesEveryDefault)
{
    TQuillonPrefs p = Make();
    p.LoadPrefs();
    EXPECT_EQ(p.HostsFile, platform::DefaultHostsFileName());
    EXPECT_EQ(p.HostsIP, "127.0.0.1");
    EXPECT_EQ(p.IPSeparator, "\t");
    EXPECT_EQ(p.CommentSeparator, " # ");
    EXPECT_EQ(p.TextEditor, "") << "no program is associated with text files here";
    EXPECT_EQ(p.WriteAction, "");
    EXPECT_TRUE(p.RestrictedDefault && p.SaveWindows && p.WriteHostsAfterAdd && p.ClearEntryAfterAdd);
    EXPECT_EQ(p.LastGroup, 0);
    EXPECT_EQ(p.BadHostChars, DefaultBadHostChars);
    EXPECT_EQ(p.TextComment, "**");
    EXPECT_FALSE(p.OldShortcuts);
    EXPECT_TRUE(p.ImportUpdates && p.ImportCleanup && p.ImportGoodHosts && p.ImportReport && p.ReportNew &&
                p.ReportUpdates && p.ImportWrite);
    EXPECT_FALSE(p.UpdateGoodHosts || p.ImportSwapHosts || p.ReportDupes);
    EXPECT_TRUE(p.ExportGroups && p.ExportQuillon && p.ExportComments && p.ExportBackup && p.ExportView);
    EXPECT_FALSE(p.ExportGoodHosts);
    EXPECT_EQ(p.ExportHeight, 0);
    EXPECT_FALSE(p.RegistryUninstall || p.RegistryBoth);
    EXPECT_TRUE(p.RegistryBackup && p.RegistryView);
    EXPECT_FALSE(dir.Exists("Quillon.ini")) << "loading writes nothing";
}

TEST_F(Prefs, ValueIsTrimmedAndOtherKeysKeepDefaults)
{
    const TQuillonPrefs p = LoadFrom("[Preferences]\r\nHostsIP=  10.0.0.1  \r\n");
    EXPECT_EQ(p.HostsIP, "10.0.0.1");
    EXPECT_EQ(p.HostsFile, platform::DefaultHostsFileName());
    EXPECT_EQ(p.IPSeparator, "\t");
    EXPECT_EQ(p.TextComment, "**");
}

struct TCodedCase {
    const char* name;
    const char* stored;
    const char* loaded;
};

class PrefsCoded : public Prefs, public testing::WithParamInterface<TCodedCase> {};

TEST_P(PrefsCoded, IPSeparatorDecodesOrFallsBackToTab)
{
    const TQuillonPrefs p = LoadFrom(std::string("[Preferences]\nIPSeparator=") + GetParam().stored + "\n");
    EXPECT_EQ(p.IPSeparator, GetParam().loaded);
}

INSTANTIATE_TEST_SUITE_P(Prefs, PrefsCoded,
                         testing::Values(TCodedCase{"Tab", "09", "\t"}, TCodedCase{"TwoBlanks", "2020", "  "},
                                         TCodedCase{"LowerCaseDigits", "0a", "\n"},
                                         TCodedCase{"OddLength", "2", "\t"}, TCodedCase{"NotHex", "ZZ", "\t"},
                                         TCodedCase{"Empty", "", "\t"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TFallbackCase {
    const char* name;
    const char* lines;
    bool saveWindows;
    int lastGroup;
};

class PrefsFallback : public Prefs, public testing::WithParamInterface<TFallbackCase> {};

TEST_P(PrefsFallback, NonNumbersGiveTheDefault)
{
    const TQuillonPrefs p = LoadFrom(std::string("[Preferences]\n") + GetParam().lines);
    EXPECT_EQ(p.SaveWindows, GetParam().saveWindows);
    EXPECT_EQ(p.LastGroup, GetParam().lastGroup);
}

INSTANTIATE_TEST_SUITE_P(
    Prefs, PrefsFallback,
    testing::Values(TFallbackCase{"WordIsDefault", "SaveWindows=yes\nLastGroup=abc\n", true, 0},
                    TFallbackCase{"AnyNonZeroIsTrue", "SaveWindows=2\nLastGroup=17\n", true, 17},
                    TFallbackCase{"ZeroIsFalse", "SaveWindows=0\nLastGroup=-4\n", false, -4},
                    TFallbackCase{"KeysIgnoreCase", "savewindows=0\nLASTGROUP=3\n", false, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Prefs, SavesHexCodedValuesAndNumbers)
{
    TQuillonPrefs p = Make();
    p.LoadPrefs();
    p.LastGroup = -12;
    p.OldShortcuts = true;
    Save(p);
    const TIniFile ini(IniName());
    EXPECT_EQ(ini.ReadString("Preferences", "IPSeparator", ""), "09");
    EXPECT_EQ(ini.ReadString("Preferences", "CommentSeparator", ""), "202320");
    EXPECT_EQ(ini.ReadString("Preferences", "BadHostChars", ""), Base16Encode(DefaultBadHostChars));
    EXPECT_EQ(ini.ReadString("Preferences", "LastGroup", ""), "-12");
    EXPECT_EQ(ini.ReadString("Preferences", "OldShortcuts", ""), "1");
    EXPECT_EQ(ini.ReadString("Preferences", "SaveWindows", ""), "1");
    EXPECT_EQ(ini.ReadString("Import", "ReportDupes", ""), "0");
    EXPECT_EQ(ini.ReadString("Preferences", "HostsFile", ""), dir.File("hosts"));
}

TEST_F(Prefs, WritesEverySectionAndKeyInTableOrder)
{
    TQuillonPrefs p = Make();
    Save(p);
    const TIniFile ini(IniName());
    EXPECT_EQ(ini.Sections(), (TLines{"Preferences", "Import", "Export", "Registry"}));
    EXPECT_EQ(ini.ReadSection("Preferences"),
              (TLines{"HostsFile", "HostsIP", "IPSeparator", "CommentSeparator", "TextEditor", "WriteAction",
                      "RestrictedDefault", "SaveWindows", "WriteHostsAfterAdd", "ClearEntryAfterAdd",
                      "LastGroup", "BadHostChars", "TextComment", "OldShortcuts"}));
    EXPECT_EQ(ini.ReadSection("Import"),
              (TLines{"ImportFile", "ImportFormat", "ImportDefaultGroup", "ImportGroupOption",
                      "ImportUpdates", "ImportCleanup", "ImportGoodHosts", "UpdateGoodHosts",
                      "ImportSwapHosts", "ImportReport", "ReportNew", "ReportDupes", "ReportUpdates",
                      "ImportWrite"}));
    EXPECT_EQ(ini.ReadSection("Export"),
              (TLines{"ExportFile", "ExportFormat", "ExportGroups", "ExportQuillon", "ExportGoodHosts",
                      "ExportComments", "ExportBackup", "ExportView", "ExportHeight"}));
    EXPECT_EQ(ini.ReadSection("Registry"),
              (TLines{"RegistryFile", "RegistryExclude", "RegistryFormat", "RegistryUninstall",
                      "RegistryBoth", "RegistryBackup", "RegistryView", "RegistryTLDs", "RegistryKey",
                      "RegistryValue"}));
}

TEST_F(Prefs, EveryFieldSurvivesSaveAndLoad)
{
    TQuillonPrefs p = Make();
    p.HostsIP = "0.0.0.0";
    p.IPSeparator = " ";
    p.CommentSeparator = "\t;= ";
    p.TextEditor = "/opt/ed";
    p.WriteAction = "notify %hosts%";
    p.RestrictedDefault = false;
    p.LastGroup = 2147483647;
    p.BadHostChars = "!\xE9";
    p.TextComment = "#";
    p.ImportFile = "/in.txt";
    p.ImportGroupOption = 2;
    p.ImportSwapHosts = true;
    p.ExportFormat = 1;
    p.ExportView = false;
    p.ExportHeight = 480;
    p.RegistryExclude = "a.com,b.net";
    p.RegistryBoth = true;
    p.RegistryValue = "\"x\"=dword:00000004";
    Save(p);

    TQuillonPrefs q = Make();
    q.LoadPrefs();
    EXPECT_EQ(q.HostsFile, dir.File("hosts"));
    EXPECT_EQ(q.HostsIP, "0.0.0.0");
    EXPECT_EQ(q.IPSeparator, " ");
    EXPECT_EQ(q.CommentSeparator, "\t;= ");
    EXPECT_EQ(q.TextEditor, "/opt/ed");
    EXPECT_EQ(q.WriteAction, "notify %hosts%");
    EXPECT_FALSE(q.RestrictedDefault);
    EXPECT_EQ(q.LastGroup, 2147483647);
    EXPECT_EQ(q.BadHostChars, "!\xE9");
    EXPECT_EQ(q.TextComment, "#");
    EXPECT_EQ(q.ImportFile, "/in.txt");
    EXPECT_EQ(q.ImportGroupOption, 2);
    EXPECT_TRUE(q.ImportSwapHosts);
    EXPECT_EQ(q.ExportFormat, 1);
    EXPECT_FALSE(q.ExportView);
    EXPECT_EQ(q.ExportHeight, 480);
    EXPECT_EQ(q.RegistryExclude, "a.com,b.net");
    EXPECT_TRUE(q.RegistryBoth);
    EXPECT_EQ(q.RegistryValue, "\"x\"=dword:00000004");
}

TEST_F(Prefs, SavedEmptyBadHostCharsReadsBackAsDefault)
{
    TQuillonPrefs p = Make();
    p.BadHostChars.clear();
    Save(p);
    EXPECT_EQ(TIniFile(IniName()).ReadString("Preferences", "BadHostChars", "-"), "");
    p.LoadPrefs();
    EXPECT_EQ(p.BadHostChars, DefaultBadHostChars);
}

TEST_F(Prefs, SaveKeepsOtherSectionsAndKeys)
{
    dir.Write("Quillon.ini", "[MainWindow]\nTop=10\nLeft=20\n\n"
                             "[Preferences]\nFutureKey=kept\nHostsIP=1.2.3.4\n\n"
                             "[BadHostBrowse]\nTop=1\nColumns=QUJD\n\n"
                             "[GoodHostBrowse]\nMaximized=1\n");
    TQuillonPrefs p = Make();
    p.LoadPrefs();
    p.HostsIP = "5.6.7.8";
    Save(p);

    const TIniFile ini(IniName());
    EXPECT_EQ(ini.Sections(), (TLines{"MainWindow", "Preferences", "BadHostBrowse", "GoodHostBrowse",
                                      "Import", "Export", "Registry"}));
    EXPECT_EQ(ini.ReadSection("MainWindow"), (TLines{"Top", "Left"}));
    EXPECT_EQ(ini.ReadInteger("MainWindow", "Left", 0), 20);
    EXPECT_EQ(ini.ReadString("BadHostBrowse", "Columns", ""), "QUJD");
    EXPECT_TRUE(ini.ReadBool("GoodHostBrowse", "Maximized", false));
    const TLines keys = ini.ReadSection("Preferences");
    ASSERT_GE(keys.size(), 3u);
    EXPECT_EQ(keys[0], "FutureKey");
    EXPECT_EQ(keys[1], "HostsIP");
    EXPECT_EQ(keys[2], "HostsFile") << "new keys follow the ones already there";
    EXPECT_EQ(ini.ReadString("Preferences", "FutureKey", ""), "kept");
    EXPECT_EQ(ini.ReadString("Preferences", "HostsIP", ""), "5.6.7.8");
}

TEST_F(Prefs, LoadDiscardsUnsavedChanges)
{
    TQuillonPrefs p = LoadFrom("[Export]\nExportHeight=300\n");
    p.ExportHeight = 999;
    p.HostsIP = "9.9.9.9";
    p.ReportDupes = true;
    p.LoadPrefs();
    EXPECT_EQ(p.ExportHeight, 300);
    EXPECT_EQ(p.HostsIP, "127.0.0.1");
    EXPECT_FALSE(p.ReportDupes);
}

TEST_F(Prefs, IniFileNameIsTheOneGiven) { EXPECT_EQ(Make().IniFileName(), IniName()); }

TEST_F(Prefs, DefaultHostsFileIsTheSystemOne)
{
    // Without a registry and a Windows folder the platform's own place is used.
    EXPECT_EQ(DefaultHostsFileName(), platform::DefaultHostsFileName());
}

TEST_F(Prefs, EmptyTextEditorIsLookedUpWithATemporaryDocument)
{
#ifdef _WIN32
    const std::string viewer = dir.File("viewer.exe");
    dir.Write("viewer.exe", "");
    const TFileAssociation txt(".txt", viewer);
#else
    const std::string viewer = dir.File("bin/viewer");
    for (const char* folder : {"config", "data/applications", "bin"})
        std::filesystem::create_directories(dir.File(folder));
    dir.Write("config/mimeapps.list", "[Default Applications]\ntext/plain=viewer.desktop\n");
    dir.Write("data/applications/viewer.desktop", "[Desktop Entry]\nType=Application\nExec=viewer %f\n");
    dir.Write("bin/viewer", "#!/bin/sh\n");
    chmod(viewer.c_str(), 0755);
#endif

    const TQuillonPrefs p = LoadFrom("[Preferences]\nTextEditor=\n");
    EXPECT_EQ(p.TextEditor, viewer);
    EXPECT_FALSE(dir.Exists("~temp.txt")) << "the temporary document is removed";
    EXPECT_EQ(LoadFrom("[Preferences]\nTextEditor=/usr/bin/mine\n").TextEditor, "/usr/bin/mine");
}

TEST_F(Prefs, TextEditorStaysEmptyWhenTheDocumentCannotBeWritten)
{
    EXPECT_EQ(DefaultTextEditor(dir.File("no/such/folder/")), "");
}

TEST(DecodePref, FallsBackOnlyWhenEmptyOrUndecodable)
{
    EXPECT_EQ(DecodePref("41", "d"), "A");
    EXPECT_EQ(DecodePref("", "d"), "d");
    EXPECT_EQ(DecodePref("4", "d"), "d");
    EXPECT_EQ(DecodePref("4G", "d"), "d");
}

}   // namespace
