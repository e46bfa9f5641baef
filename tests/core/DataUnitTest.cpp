// The data module: opening and saving the tables, and the group and host operations.
#include "core/AppHooks.h"
#include "core/DataUnit.h"
#include "platform/Errors.h"
#include "platform/Platform.h"
#include "support/DataRows.h"
#include "support/FixedClock.h"
#include "support/NonFile.h"
#include "support/ScriptedPresenter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>

namespace {

class DataUnitTest : public ::testing::Test {
protected:
    TTempDir dir;
    TScriptedPresenter presenter;
    std::unique_ptr<TQuillonData> data;
    int terminations = 0;
    std::function<void()> savedTerminate;

    void SetUp() override
    {
        savedTerminate = apphooks::Terminate;
        apphooks::Terminate = [this] { ++terminations; };
        Open();
    }
    void TearDown() override { apphooks::Terminate = savedTerminate; }

    bool Open()
    {
        data = std::make_unique<TQuillonData>(dir.Path());
        data->Prefs().HostsFile = dir.File("hosts");
        return data->OpenDatabase();
    }

    void AddGroupRow(int id, const std::string& name, bool r = false, bool x = false)
    {
        ::AddGroupRow(*data, id, name, r, x);
    }
    void AddBad(const std::string& host, int group, const std::string& comment = {})
    {
        AddBadRow(*data, host, group, comment);
    }
    void AddGood(const std::string& host, const std::string& ip) { AddGoodRow(*data, host, ip); }
};

TEST_F(DataUnitTest, FirstStartWritesOnlyWhatChanged)
{
    EXPECT_TRUE(data->GoodHosts.Active() && data->BadHosts.Active() && data->Groups.Active());
    EXPECT_TRUE(data->BadHosts.IsEmpty());
    data->SaveDatabase(false);
    EXPECT_FALSE(dir.Exists("Groups.cds") || dir.Exists("BadHosts.cds") || dir.Exists("GoodHosts.cds"));

    TGroupList list;
    data->FillGroupList(list, false);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].text, "Default Group");
    EXPECT_EQ(list[0].object, 1);
    EXPECT_EQ(data->Dirty(data->Groups), 1);
    data->SaveDatabase(false);
    EXPECT_TRUE(dir.Exists("Groups.cds"));
    EXPECT_FALSE(dir.Exists("BadHosts.cds") || dir.Exists("GoodHosts.cds"));
    EXPECT_EQ(data->Dirty(data->Groups), 0);

    // Saving again leaves the clean file alone; forcing writes every table.
    std::string before = dir.Read("Groups.cds");
    dir.Write("Groups.cds", "sentinel");
    data->SaveDatabase(false);
    EXPECT_EQ(dir.Read("Groups.cds"), "sentinel");
    data->SaveDatabase(true);
    EXPECT_EQ(dir.Read("Groups.cds"), before);
    EXPECT_TRUE(dir.Exists("BadHosts.cds") && dir.Exists("GoodHosts.cds"));
}

TEST_F(DataUnitTest, SavedRowsComeBack)
{
    AddGroupRow(1, "Ads", true);
    AddBad("ads.example.com", 1, "banner");
    AddGood("intranet.example", "10.1.2.3");
    data->SaveDatabase(false);
    ASSERT_TRUE(Open());
    EXPECT_EQ(data->Dirty(data->BadHosts), 0);
    EXPECT_EQ(data->BadHosts.IndexName(), "hostname");
    EXPECT_EQ(data->Groups.IndexName(), "group_id");
    ASSERT_TRUE(data->BadHosts.FindKey({"ADS.example.com"}));
    EXPECT_EQ(data->BadHosts.AsString("comment"), "banner");
    EXPECT_EQ(data->GroupCaption(1, true), "Ads [R]");
    ASSERT_TRUE(data->GoodHosts.FindKey({"intranet.example"}));
    EXPECT_EQ(data->GoodHosts.AsString("ip"), "10.1.2.3");

    // Opening again throws away whatever was not saved.
    AddBad("unsaved.example", 1);
    ASSERT_TRUE(data->OpenDatabase());
    EXPECT_FALSE(data->BadHosts.FindKey({"unsaved.example"}));
    EXPECT_EQ(data->BadHosts.RecordCount(), 1);
}

// A table file written with a shorter comment field, as an older version did.
void WriteOldBadHosts(const std::string& file, int commentSize, bool withComment)
{
    TTable old("BadHosts");
    old.AddFieldDef({"hostname", TFieldType::ftString, 255, true});
    old.AddFieldDef({"group_id", TFieldType::ftInteger, 0, false});
    if (withComment)
        old.AddFieldDef({"comment", TFieldType::ftString, commentSize, false});
    old.AddIndexDef({"hostname", {"hostname"}, {true}, true, true});
    old.CreateDataSet();
    old.SaveToFile(file);
}

TEST_F(DataUnitTest, OldDataFilesEndTheRunUntouched)
{
    for (bool withComment : {true, false}) {
        WriteOldBadHosts(dir.File("BadHosts.cds"), 100, withComment);
        std::string before = dir.Read("BadHosts.cds");
        presenter.Clear();
        terminations = 0;
        EXPECT_FALSE(Open());
        ASSERT_EQ(presenter.shown.size(), 1u);
        EXPECT_EQ(presenter.Last().caption, "Database Error");
        EXPECT_EQ(presenter.Last().text,
                  "You are running against old data files.\r\nPlease follow proper upgrade procedures "
                  "or delete *.cds from the Quillon directory.");
        EXPECT_EQ(presenter.Last().kind, TMsgDlgType::mtError);
        EXPECT_EQ(presenter.Last().owner, nullptr);
        EXPECT_EQ(terminations, 1);
        EXPECT_FALSE(data->Groups.Active());
        data->SaveDatabase(true);
        EXPECT_EQ(dir.Read("BadHosts.cds"), before);
        EXPECT_FALSE(dir.Exists("Groups.cds"));
    }
}

TEST_F(DataUnitTest, DamagedTableFileIsNamedAndNeverOverwritten)
{
    AddBad("a.example", 1);
    data->SaveDatabase(false);
    const std::string saved = dir.Read("BadHosts.cds");
    std::string flipped = saved;
    flipped[saved.size() / 2] ^= 1;
    const std::pair<std::string, const char*> damages[] = {
        {flipped, "the file is damaged (its check value does not match)."},
        {saved.substr(0, saved.size() / 2), "the file is damaged (its check value does not match)."},
        {saved.substr(0, 10), "not a table file."}};
    for (const auto& [bytes, reason] : damages) {
        dir.Write("BadHosts.cds", bytes);
        presenter.Clear();
        terminations = 0;
        EXPECT_FALSE(Open());
        ASSERT_EQ(presenter.shown.size(), 1u);
        EXPECT_EQ(presenter.Last().caption, "Database Error");
        EXPECT_EQ(presenter.Last().text, "Cannot read table file " + dir.File("BadHosts.cds") + ": " +
                                             reason + "\r\nQuillon will close without changing any file.");
        EXPECT_EQ(terminations, 1);
        data->SaveDatabase(true);
        EXPECT_EQ(dir.Read("BadHosts.cds"), bytes);
    }
}

// A folder, a FIFO or a device under a table file's name ends the start-up
// like a damaged file: a folder named BadHosts.cds once loaded as an empty
// table, and the next Write HOSTS wrote no host at all.
class NotAFileAtStartTest : public DataUnitTest, public ::testing::WithParamInterface<TNonFileCase> {};

TEST_P(NotAFileAtStartTest, EndsTheRunWithoutWritingAnyFile)
{
    AddGroupRow(1, "Ads");
    AddBad("a.example", 1);
    data->SaveDatabase(false);
    const std::string groups = dir.Read("Groups.cds");
    std::filesystem::remove(dir.File("BadHosts.cds"));
    ASSERT_TRUE(MakeNonFile(dir.File("BadHosts.cds"), GetParam().kind));
    const auto kindBefore = std::filesystem::symlink_status(dir.File("BadHosts.cds")).type();

    EXPECT_FALSE(Open());
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.Last().caption, "Database Error");
    EXPECT_EQ(presenter.Last().text, "Cannot read table file " + dir.File("BadHosts.cds") + ": it is " +
                                         GetParam().what +
                                         ", not a file.\r\nQuillon will close without changing any file.");
    EXPECT_EQ(terminations, 1);
    data->SaveDatabase(true);
    EXPECT_EQ(std::filesystem::symlink_status(dir.File("BadHosts.cds")).type(), kindBefore);
    EXPECT_EQ(dir.Read("Groups.cds"), groups);
    EXPECT_FALSE(dir.Exists("GoodHosts.cds"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, NotAFileAtStartTest, ::testing::ValuesIn(NonFileCases()),
                         [](const ::testing::TestParamInfo<TNonFileCase>& info) {
                             return std::string(info.param.name);
                         });

// Table files that pass the check value but were written for another shape of
// table: each is refused at start-up, naming the file and what is wrong.
struct ShapeCase {
    const char* name;
    const char* file;
    void (*define)(TTable&);
    const char* reason;
};

class TableShapeTest : public DataUnitTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(TableShapeTest, IsRefusedByNameAndLeftAlone)
{
    const ShapeCase& c = GetParam();
    TTable odd(std::string(c.file).substr(0, std::string(c.file).find('.')));
    c.define(odd);
    odd.CreateDataSet();
    odd.SaveToFile(dir.File(c.file));
    const std::string before = dir.Read(c.file);

    EXPECT_FALSE(Open());
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.Last().caption, "Database Error");
    EXPECT_EQ(presenter.Last().text, "Cannot read table file " + dir.File(c.file) + ": " + c.reason +
                                         ".\r\nQuillon will close without changing any file.");
    data->SaveDatabase(true);
    EXPECT_EQ(dir.Read(c.file), before);
}

INSTANTIATE_TEST_SUITE_P(
    OtherShapes, TableShapeTest,
    ::testing::Values(
        // Found by fuzzing: a group number stored as a flag made every new group a failed post.
        ShapeCase{"GroupIdAsFlag", "Groups.cds",
                  [](TTable& t) {
                      t.AddFieldDef({"group_id", TFieldType::ftBoolean, 0, true});
                      t.AddFieldDef({"group_name", TFieldType::ftString, 255, true});
                      t.AddFieldDef({"restricted", TFieldType::ftBoolean, 0, false});
                      t.AddFieldDef({"exclude", TFieldType::ftBoolean, 0, false});
                      t.AddIndexDef({"group_id", {"group_id"}, {false}, true, true});
                      t.AddIndexDef({"group_name", {"group_name"}, {true}, false, true});
                  },
                  "its field group_id has the wrong type"},
        // Found by fuzzing: an empty group number matched group 0 and sent the export round in circles.
        ShapeCase{"GroupIdMayBeEmpty", "Groups.cds",
                  [](TTable& t) {
                      t.AddFieldDef({"group_id", TFieldType::ftInteger, 0, false});
                      t.AddFieldDef({"group_name", TFieldType::ftString, 255, true});
                      t.AddFieldDef({"restricted", TFieldType::ftBoolean, 0, false});
                      t.AddFieldDef({"exclude", TFieldType::ftBoolean, 0, false});
                      t.AddIndexDef({"group_id", {"group_id"}, {false}, true, true});
                      t.AddIndexDef({"group_name", {"group_name"}, {true}, false, true});
                  },
                  "its field group_id may be empty"},
        ShapeCase{"NameIndexOnComments", "BadHosts.cds",
                  [](TTable& t) {
                      t.AddFieldDef({"hostname", TFieldType::ftString, 255, true});
                      t.AddFieldDef({"group_id", TFieldType::ftInteger, 0, false});
                      t.AddFieldDef({"comment", TFieldType::ftString, 255, false});
                      t.AddIndexDef({"hostname", {"comment"}, {true}, true, false});
                      t.AddIndexDef({"group_id", {"group_id", "hostname"}, {false, true}, false, true});
                      t.AddIndexDef({"comment", {"comment", "hostname"}, {true, true}, false, false});
                  },
                  "its index hostname is not the one Quillon uses"},
        ShapeCase{"NoAddressField", "GoodHosts.cds",
                  [](TTable& t) {
                      t.AddFieldDef({"hostname", TFieldType::ftString, 255, true});
                      t.AddFieldDef({"comment", TFieldType::ftString, 255, false});
                      t.AddIndexDef({"hostname", {"hostname"}, {true}, true, true});
                  },
                  "it has no field ip"}),
    [](const ::testing::TestParamInfo<ShapeCase>& info) { return std::string(info.param.name); });

TEST_F(DataUnitTest, AddGroupAfterTheHighestNumberTakesTheFirstFreeOne)
{
    // One more than the largest group number would overflow.
    AddGroupRow(1, "One");
    AddGroupRow(INT32_MAX, "Last");
    EXPECT_EQ(data->AddGroup("Next", false, false), 2);
    EXPECT_EQ(data->GroupCaption(2, false), "Next");
}

TEST_F(DataUnitTest, AddBadHostConflicts)
{
    AddGroupRow(2, "Tracking");
    AddGroupRow(3, "Ads", true);
    AddBad("ADS.example.com", 2, "old comment");
    data->SaveDatabase(false);

    // Same group: refused.
    EXPECT_FALSE(data->AddBadHost(2, "ads.example.com", ""));
    EXPECT_EQ(presenter.Last().caption, "Duplicate Host");
    EXPECT_EQ(presenter.Last().text, "This host already exists in this group.");
    EXPECT_EQ(presenter.Last().kind, TMsgDlgType::mtInformation);

    // Another group: the question names both captions; No changes nothing.
    presenter.AnswerNo();
    EXPECT_FALSE(data->AddBadHost(3, "ads.example.com", "new"));
    EXPECT_EQ(presenter.Last().caption, "Existing Host, Different Group");
    EXPECT_EQ(presenter.Last().text, "This host already exists, but in the \"Tracking\" group.\r\n"
                                     "Change the group assignment to \"Ads [R]\"?");
    EXPECT_EQ(data->Dirty(data->BadHosts), 0);

    // Yes with an empty comment moves the host and keeps its comment.
    presenter.AnswerYes();
    EXPECT_FALSE(data->AddBadHost(3, "ads.example.com", ""));
    ASSERT_TRUE(data->BadHosts.FindKey({"ads.example.com"}));
    EXPECT_EQ(data->BadHosts.AsInteger("group_id"), 3);
    EXPECT_EQ(data->BadHosts.AsString("comment"), "old comment");
    EXPECT_EQ(data->BadHosts.AsString("hostname"), "ADS.example.com");
    EXPECT_EQ(data->Dirty(data->BadHosts), 1);

    // Yes with a comment replaces it.
    presenter.AnswerYes();
    EXPECT_FALSE(data->AddBadHost(2, "ads.example.com", "replaced"));
    data->BadHosts.FindKey({"ads.example.com"});
    EXPECT_EQ(data->BadHosts.AsString("comment"), "replaced");
    EXPECT_EQ(data->BadHosts.RecordCount(), 1);

    // Invalid names never reach the tables.
    EXPECT_FALSE(data->AddBadHost(2, "bad host", ""));
    EXPECT_EQ(presenter.Last().caption, "Invalid Host");
    EXPECT_EQ(presenter.Last().text, "Invalid character in hostname:   (0x20).");
}

TEST_F(DataUnitTest, AddBadHostOverAGoodHost)
{
    AddGroupRow(1, "Default Group");
    AddGood("cdn.example.net", "10.0.0.9");

    presenter.AnswerNo();
    EXPECT_FALSE(data->AddBadHost(1, "CDN.example.net", "x"));
    EXPECT_EQ(presenter.Last().caption, "Good Host Gone Bad?");
    EXPECT_EQ(presenter.Last().text, "This host is listed as a Good Host with the IP address 10.0.0.9!\r\n"
                                     "Do you want to change it to a Bad Host?");
    EXPECT_EQ(presenter.Last().kind, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(data->GoodHosts.RecordCount(), 1);

    presenter.AnswerYes();
    EXPECT_TRUE(data->AddBadHost(1, "CDN.example.net", "now bad"));
    EXPECT_TRUE(data->GoodHosts.IsEmpty());
    ASSERT_TRUE(data->BadHosts.FindKey({"cdn.example.net"}));
    EXPECT_EQ(data->BadHosts.AsString("hostname"), "CDN.example.net");
    EXPECT_EQ(data->BadHosts.AsString("comment"), "now bad");
    EXPECT_EQ(data->BadHosts.IndexName(), "hostname");
    EXPECT_EQ(data->GoodHosts.IndexName(), "hostname");
    EXPECT_EQ(data->Dirty(data->GoodHosts), 1);

    // A plain new host with an empty comment.
    EXPECT_TRUE(data->AddBadHost(1, "new.example", ""));
    EXPECT_TRUE(data->BadHosts.IsNull("comment"));
}

TEST_F(DataUnitTest, GroupCaptionsAndLists)
{
    AddGroupRow(4, "zeta", false, true);
    AddGroupRow(1, "Ads", true, true);
    AddGroupRow(2, "beta", true, false);
    AddGroupRow(3, "Alpha");
    data->Groups.SetIndexName("group_name");

    EXPECT_EQ(data->GroupCaption(1, true), "Ads [RX]");
    EXPECT_EQ(data->GroupCaption(1, false), "Ads");
    EXPECT_EQ(data->GroupCaption(2, true), "beta [R]");
    EXPECT_EQ(data->GroupCaption(4, true), "zeta [X]");
    EXPECT_EQ(data->GroupCaption(3, true), "Alpha");
    EXPECT_EQ(data->GroupCaption(9, true), "Failed to find group_id 9");
    EXPECT_EQ(data->Groups.IndexName(), "group_name");

    TGroupList list;
    data->FillGroupList(list, true);
    std::vector<std::pair<std::string, int>> got;
    for (auto& i : list)
        got.emplace_back(i.text, i.object);
    EXPECT_EQ(got, (std::vector<std::pair<std::string, int>>{
                       {" ", 0}, {"Ads [RX]", 1}, {"Alpha", 3}, {"beta [R]", 2}, {"zeta [X]", 4}}));
    EXPECT_EQ(data->Groups.IndexName(), "group_name");
    EXPECT_EQ(data->Dirty(data->Groups), 1);
}

TEST_F(DataUnitTest, AddGroupAndCleanup)
{
    EXPECT_EQ(data->AddGroup("First", false, false), 1);
    AddGroupRow(2, "Two");
    AddGroupRow(7, "Seven");
    EXPECT_EQ(data->AddGroup(std::string(300, 'n'), true, false), 8);
    ASSERT_TRUE(data->Groups.FindKey({8}));
    EXPECT_EQ(data->Groups.AsString("group_name").size(), 255u);
    EXPECT_TRUE(data->Groups.AsBoolean("restricted"));
    EXPECT_THROW(data->AddGroup("first", false, false), EQuillonError);   // a taken name
    EXPECT_EQ(data->Groups.State(), TTableState::dsBrowse);

    AddBad("a.example", 2);
    AddBad("b.example", 7);
    EXPECT_EQ(data->GroupCleanup(1), 1);   // 8 goes, 1 is kept
    EXPECT_EQ(data->AddGroup("Again", false, false), 8);
    data->BadHosts.SetIndexName("comment");
    EXPECT_EQ(data->GroupCleanup(0), 2);   // 1 and 8
    EXPECT_EQ(data->BadHosts.IndexName(), "comment");
    std::vector<int> left;
    for (data->Groups.First(); !data->Groups.Eof(); data->Groups.Next())
        left.push_back(data->Groups.AsInteger("group_id"));
    EXPECT_EQ(left, (std::vector<int>{2, 7}));
}

TEST_F(DataUnitTest, NamesAndTexts)
{
    {
        TFixedClock clock(2026, 3, 4, 0, 0, 0);
        std::string text = data->CreatedByText();
        ASSERT_EQ(text.rfind("Created by Quillon 4.1 - ", 0), 0u);
        EXPECT_EQ(text.find(':'), std::string::npos) << "no time part at midnight: " << text;
    }
    {
        TFixedClock clock(2026, 3, 4, 13, 5, 9);
        EXPECT_NE(data->CreatedByText().find("13:05:09"), std::string::npos) << data->CreatedByText();
    }

    data->ShowHelp("import.html");
    EXPECT_EQ(presenter.Last().caption, "Help Error");
    EXPECT_EQ(presenter.Last().text, "Path not found:\r\n" + dir.Path() + "Help");
    std::filesystem::create_directory(dir.File("Help"));
    data->ShowHelp("import.html");
    EXPECT_EQ(presenter.Last().text,
              "File not found:\r\n" + dir.Path() + "Help" + platform::PathDelim + "import.html");
}

}   // namespace
