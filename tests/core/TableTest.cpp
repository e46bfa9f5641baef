// The table engine: keys, orders, cursor, look-ups, filters, bookmarks and table files.
#include "core/Table.h"
#include "platform/Errors.h"
#include "support/NonFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <random>

namespace {

// A table shaped like the bad hosts: a unique case-insensitive name, a
// compound group order and a comment order that allows duplicates.
void DefineHosts(TTable& t)
{
    t.AddFieldDef({"hostname", TFieldType::ftString, 255, true});
    t.AddFieldDef({"group_id", TFieldType::ftInteger, 0, false});
    t.AddFieldDef({"comment", TFieldType::ftString, 255, false});
    t.AddIndexDef({"hostname", {"hostname"}, {true}, true, true});
    t.AddIndexDef({"group_id", {"group_id", "hostname"}, {false, true}, false, true});
    t.AddIndexDef({"comment", {"comment", "hostname"}, {true, true}, false, false});
}

void Add(TTable& t, const std::string& host, int group, const std::string& comment = {})
{
    t.Append();
    t.SetField("hostname", host);
    t.SetField("group_id", group);
    t.SetField("comment", comment);
    t.Post();
}

std::vector<std::string> Walk(TTable& t)
{
    std::vector<std::string> out;
    for (t.First(); !t.Eof(); t.Next())
        out.emplace_back(t.AsString("hostname"));
    return out;
}

class TableTest : public ::testing::Test {
protected:
    TTable t{"Hosts"};
    void SetUp() override
    {
        DefineHosts(t);
        t.CreateDataSet();
    }
};

TEST_F(TableTest, RefusedRowsLeaveTheTableUnchanged)
{
    int posts = 0;
    t.AfterPost = [&](TTable&) { ++posts; };
    Add(t, "ads.example.com", 1);
    EXPECT_EQ(posts, 1);

    t.Append();
    t.SetField("hostname", std::string("ADS.example.COM"));
    t.SetField("group_id", 2);
    try {
        t.Post();
        FAIL() << "a name differing only in case was stored";
    } catch (const EQuillonError& e) {
        EXPECT_STREQ(e.what(), "Key violation.");
    }
    t.Cancel();

    t.Append();
    t.SetField("group_id", 2);
    try {
        t.Post();
        FAIL() << "a row without its required name was stored";
    } catch (const EQuillonError& e) {
        EXPECT_STREQ(e.what(), "Field 'hostname' must have a value");
    }
    t.Cancel();

    EXPECT_EQ(posts, 1);
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(Walk(t), std::vector<std::string>{"ads.example.com"});

    // Renaming a row onto another row's name is refused too, and the row keeps its name.
    Add(t, "b.example", 1);
    t.Edit();
    t.SetField("hostname", std::string("Ads.Example.com"));
    EXPECT_THROW(t.Post(), EQuillonError);
    t.Cancel();
    EXPECT_EQ(Walk(t), (std::vector<std::string>{"ads.example.com", "b.example"}));
}

TEST_F(TableTest, TextIsCutToTheFieldSize)
{
    Add(t, std::string(300, 'a'), 1, std::string(260, 'c'));
    t.First();
    EXPECT_EQ(t.AsString("hostname").size(), 255u);
    EXPECT_EQ(t.AsString("comment").size(), 255u);
}

// Random appends, key edits and deletes, checked against a plain sorted model
// after every step of each kind, on all three orders.
TEST_F(TableTest, OrdersFollowEveryChange)
{
    std::mt19937 rng(7);
    struct Row {
        int group;
        std::string comment;
    };
    std::map<std::string, Row> model;   // keyed by lower-cased name
    std::map<std::string, std::string> spelled;
    auto lower = [](std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z')
                c += 32;
        return s;
    };
    const char* words[] = {"ads", "Ads", "track", "b", "zz", "A-1", "cdn", "Cdn"};
    auto randomName = [&] {
        return std::string(words[rng() % 8]) + "." + words[rng() % 8] + std::to_string(rng() % 50);
    };
    auto expected = [&](const std::string& index) {
        std::vector<std::string> keys;
        for (auto& [k, v] : model)
            keys.push_back(k);
        std::stable_sort(keys.begin(), keys.end(), [&](const std::string& a, const std::string& b) {
            if (index == "group_id" && model[a].group != model[b].group)
                return model[a].group < model[b].group;
            if (index == "comment" && lower(model[a].comment) != lower(model[b].comment))
                return lower(model[a].comment) < lower(model[b].comment);
            return a < b;
        });
        std::vector<std::string> out;
        for (auto& k : keys)
            out.push_back(spelled[k]);
        return out;
    };
    for (int step = 0; step < 1500; ++step) {
        int action = rng() % 10;
        t.SetIndexName(std::vector<const char*>{"hostname", "group_id", "comment"}[rng() % 3]);
        if (action < 6 || model.empty()) {
            std::string name = randomName();
            int group = rng() % 5;
            std::string comment = rng() % 3 ? "" : words[rng() % 8];
            bool dup = model.count(lower(name));
            t.Append();
            t.SetField("hostname", name);
            t.SetField("group_id", group);
            t.SetField("comment", comment);
            if (dup) {
                EXPECT_THROW(t.Post(), EQuillonError);
                t.Cancel();
            } else {
                t.Post();
                model[lower(name)] = {group, comment};
                spelled[lower(name)] = name;
                EXPECT_EQ(lower(std::string(t.AsString("hostname"))), lower(name));
            }
        } else {
            auto it = model.begin();
            std::advance(it, rng() % model.size());
            t.SetIndexName("hostname");
            ASSERT_TRUE(t.FindKey({it->first}));
            if (action < 8) {
                t.Edit();
                int group = rng() % 5;
                t.SetField("group_id", group);
                t.SetField("comment", std::string(words[rng() % 8]));
                t.Post();
                it->second = {group, std::string(t.AsString("comment"))};
            } else {
                t.Delete();
                spelled.erase(it->first);
                model.erase(it);
            }
        }
        if (step % 100 == 99) {
            for (const char* index : {"hostname", "group_id", "comment"}) {
                t.SetIndexName(index);
                ASSERT_EQ(Walk(t), expected(index)) << "order " << index << " at step " << step;
            }
        }
    }
}

// Bulk appends are ordered in one go (radix passes for large sets): the walk
// must equal a plain case-insensitive sort, shared prefixes and all.
TEST_F(TableTest, BulkOrderMatchesAPlainSort)
{
    std::mt19937 rng(11);
    std::vector<std::string> names;
    const char* prefixes[] = {"", "www.", "ads.", "ADS.", "a", "averylongsharedprefix."};
    for (int i = 0; i < 20000; ++i) {
        std::string n = prefixes[rng() % 6];
        for (int k = 0, len = 1 + rng() % 12; k < len; ++k)
            n += char("abcXYZ-.0"[rng() % 9]);
        n += std::to_string(i);
        names.push_back(n);
        Add(t, n, int(rng() % 3));
    }
    std::vector<std::string> expected = names;
    std::sort(expected.begin(), expected.end(),
              [](const std::string& a, const std::string& b) { return TTable::CompareText(a, b) < 0; });
    EXPECT_EQ(Walk(t), expected);
}

// Many rows given new groups at once end in the orders that posting them one
// by one gives: a few rows (moved within each order) and many (orders built anew).
class SetIntegersTest : public TableTest, public ::testing::WithParamInterface<int> {};

TEST_P(SetIntegersTest, MatchesRowByRowPosts)
{
    TTable posted{"Hosts"};
    DefineHosts(posted);
    posted.CreateDataSet();
    std::mt19937 rng(5);
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i) {
        names.push_back(std::string(i % 2 ? "Host" : "host") + std::to_string(rng() % 1000) + "-" +
                        std::to_string(i));
        const int group = int(rng() % 6);
        Add(t, names.back(), group, i % 4 ? "" : "c" + std::to_string(i % 7));
        Add(posted, names.back(), group, i % 4 ? "" : "c" + std::to_string(i % 7));
    }
    for (TTable* table : {&t, &posted})
        for (const char* index : {"comment", "hostname", "group_id"}) {
            table->SetIndexName(index);
            table->First();
        }

    std::vector<std::pair<std::string, int>> moves;
    for (int i = 0; i < GetParam(); ++i)
        moves.emplace_back(names[rng() % names.size()], int(rng() % 8));
    moves.emplace_back(moves.front().first, 7);   // named twice: the last value counts
    std::vector<std::pair<TBookmark, int32_t>> changes;
    t.SetIndexName("hostname");
    posted.SetIndexName("hostname");
    for (const auto& [name, group] : moves) {
        ASSERT_TRUE(t.FindKey({name}));
        changes.emplace_back(t.GetBookmark(), group);
        ASSERT_TRUE(posted.FindKey({name}));
        posted.Edit();
        posted.SetField("group_id", group);
        posted.Post();
    }
    t.SetIndexName("group_id");
    t.MoveToRecNo(17);
    const std::string standing(t.AsString("hostname"));
    int posts = 0;
    t.AfterPost = [&](TTable&) { ++posts; };

    t.SetIntegers(t.FieldNo("group_id"), changes);

    EXPECT_EQ(posts, 1);
    EXPECT_EQ(t.AsString("hostname"), standing);
    auto rows = [](TTable& table) {
        std::vector<std::string> out;
        for (table.First(); !table.Eof(); table.Next())
            out.push_back(std::string(table.AsString("hostname")) + "/" +
                          std::string(table.AsString("group_id")) + "/" +
                          std::string(table.AsString("comment")));
        return out;
    };
    for (const char* index : {"group_id", "hostname", "comment"}) {
        t.SetIndexName(index);
        posted.SetIndexName(index);
        EXPECT_EQ(rows(t), rows(posted)) << "order " << index;
    }
    t.SetIndexName("group_id");
    ASSERT_TRUE(t.FindKey({7}));
    EXPECT_EQ(t.AsInteger("group_id"), 7);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SetIntegersTest, ::testing::Values(5, 800),
                         [](const auto& info) { return info.param == 5 ? "FewRows" : "ManyRows"; });

// Deleting many rows at once leaves what deleting them one by one leaves: the
// same rows in every order, the names free for new rows, the cursor on its row.
class DeleteRowsTest : public TableTest, public ::testing::WithParamInterface<int> {};

TEST_P(DeleteRowsTest, MatchesRowByRowDeletes)
{
    TTable deleted{"Hosts"};
    DefineHosts(deleted);
    deleted.CreateDataSet();
    std::mt19937 rng(9);
    std::vector<std::string> names;
    for (int i = 0; i < 2000; ++i) {
        names.push_back("h" + std::to_string(rng() % 500) + "-" + std::to_string(i));
        const int group = int(rng() % 5);
        for (TTable* table : {&t, &deleted})
            Add(*table, names.back(), group, i % 3 ? "" : "c" + std::to_string(i % 4));
    }
    t.SetIndexName("comment");   // built before, then rows added: pending rows too
    Add(t, "late.example", 2, "c1");
    Add(deleted, "late.example", 2, "c1");
    names.push_back("late.example");

    std::vector<TBookmark> going;
    std::string goneName;
    t.SetIndexName("hostname");
    deleted.SetIndexName("hostname");
    for (int i = 0; i < GetParam(); ++i) {
        const std::string& name = names[rng() % names.size()];
        if (!deleted.FindKey({name}))
            continue;   // drawn twice: gone already
        deleted.Delete();
        ASSERT_TRUE(t.FindKey({name}));
        goneName = name;
        going.push_back(t.GetBookmark());
        going.push_back(t.GetBookmark());   // named twice: deleted once
    }
    // The cursor stands on a row that stays.
    t.First();
    while (std::find(going.begin(), going.end(), t.GetBookmark()) != going.end())
        t.Next();
    const std::string standing(t.AsString("hostname"));
    int deletes = 0;
    t.AfterDelete = [&](TTable&) { ++deletes; };

    t.DeleteRows(going);

    EXPECT_EQ(deletes, 1);
    EXPECT_EQ(t.AsString("hostname"), standing);
    EXPECT_EQ(t.RecordCount(), deleted.RecordCount());
    for (TBookmark b : going)
        EXPECT_FALSE(t.BookmarkValid(b));
    auto rows = [](TTable& table) {
        std::vector<std::string> out;
        for (table.First(); !table.Eof(); table.Next())
            out.push_back(std::string(table.AsString("hostname")) + "/" +
                          std::string(table.AsString("comment")));
        return out;
    };
    for (const char* index : {"group_id", "comment", "hostname"}) {
        t.SetIndexName(index);
        deleted.SetIndexName(index);
        EXPECT_EQ(rows(t), rows(deleted)) << "order " << index;
    }
    // A deleted name may be used again.
    EXPECT_NO_THROW(Add(t, goneName, 1));
}

INSTANTIATE_TEST_SUITE_P(Sizes, DeleteRowsTest, ::testing::Values(6, 900),
                         [](const auto& info) { return info.param == 6 ? "FewRows" : "ManyRows"; });

TEST_F(TableTest, DeleteRowsMovesACursorWhoseRowWentAndKeepsTheFilter)
{
    for (int i = 0; i < 10; ++i)
        Add(t, "host" + std::to_string(i), i % 2);
    t.SetFilter("group_id = 1");
    t.SetFiltered(true);
    t.First();   // host1, host3, host5, host7, host9
    t.Next();
    const TBookmark host3 = t.GetBookmark();
    t.Next();
    const TBookmark host5 = t.GetBookmark();
    t.GotoBookmark(host3);

    t.DeleteRows({host3, host5});

    EXPECT_EQ(t.AsString("hostname"), "host7");   // the row now at the old position
    EXPECT_EQ(Walk(t), (std::vector<std::string>{"host1", "host7", "host9"}));
    t.SetFiltered(false);
    EXPECT_EQ(t.RecordCount(), 8);
    EXPECT_FALSE(t.FindKey({"host5"}));
}

// Where a unique key holds the number, a clash is refused as a post would refuse it.
TEST(TableSetIntegers, UniqueNumberKeyRefusesAClash)
{
    TTable g{"Groups"};
    g.AddFieldDef({"group_id", TFieldType::ftInteger, 0, true});
    g.AddFieldDef({"group_name", TFieldType::ftString, 255, true});
    g.AddIndexDef({"group_id", {"group_id"}, {false}, true, true});
    g.CreateDataSet();
    std::vector<TBookmark> rows;
    for (int id : {1, 2, 3}) {
        g.Append();
        g.SetField("group_id", id);
        g.SetField("group_name", "g" + std::to_string(id));
        g.Post();
        rows.push_back(g.GetBookmark());
    }
    try {
        g.SetIntegers(0, {{rows[0], 4}, {rows[1], 3}});
        FAIL() << "two groups were given the id 3";
    } catch (const EQuillonError& e) {
        EXPECT_STREQ(e.what(), "Key violation.");
    }
    EXPECT_EQ(g.State(), TTableState::dsBrowse);
    std::vector<int> ids;
    for (g.First(); !g.Eof(); g.Next())
        ids.push_back(g.AsInteger("group_id"));
    EXPECT_EQ(ids, (std::vector<int>{2, 3, 4}));
}

TEST_F(TableTest, LookUpsOnTheCurrentIndex)
{
    Add(t, "c.example", 2, "Three");
    Add(t, "a.example", 2, "one");
    Add(t, "b.example", 1, "two");
    Add(t, "d.example", 4, "");

    t.SetIndexName("group_id");
    ASSERT_TRUE(t.FindKey({2}));   // first field alone: the first row of group 2
    EXPECT_EQ(t.AsString("hostname"), "a.example");
    EXPECT_TRUE(t.FindKey({2, "C.EXAMPLE"}));
    EXPECT_EQ(t.AsString("hostname"), "c.example");
    EXPECT_FALSE(t.FindKey({3}));
    EXPECT_EQ(t.AsString("hostname"), "c.example") << "a failed look-up moves the cursor";

    t.FindNearest({3});
    EXPECT_EQ(t.AsString("hostname"), "d.example");
    EXPECT_FALSE(t.Eof());
    t.FindNearest({9});
    EXPECT_TRUE(t.Eof());

    t.SetIndexName("hostname");
    t.FindNearest({"B"});
    EXPECT_EQ(t.AsString("hostname"), "b.example");
    EXPECT_TRUE(t.FindKey({"A.Example"}));
    EXPECT_EQ(t.AsString("hostname"), "a.example");

    t.SetIndexName("comment");
    EXPECT_TRUE(t.Locate("comment", TValue("three"), true));
    EXPECT_EQ(t.AsString("hostname"), "c.example");
    EXPECT_FALSE(t.Locate("comment", TValue("three"), false));
    EXPECT_TRUE(t.Locate("hostname", TValue("D.EXAMPLE"), true));
    EXPECT_EQ(t.AsInteger("group_id"), 4);

    EXPECT_THROW(t.SetIndexName("nosuch"), EQuillonError);
}

TEST_F(TableTest, CursorAndDelete)
{
    EXPECT_TRUE(t.Eof());
    EXPECT_TRUE(t.Bof());
    t.First();
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.AsString("hostname"), "");

    for (const char* h : {"a", "b", "c"})
        Add(t, h, 1);
    t.First();
    EXPECT_TRUE(t.Bof());
    t.Next();
    EXPECT_EQ(t.AsString("hostname"), "b");
    EXPECT_EQ(t.RecNo(), 1);
    t.Delete();   // the cursor moves to the row that followed
    EXPECT_EQ(t.AsString("hostname"), "c");
    EXPECT_FALSE(t.Eof());
    t.Delete();   // the last row: the cursor stays on the new last row, at the end
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.AsString("hostname"), "a");
    t.Last();
    EXPECT_TRUE(t.Eof());
    t.Prior();
    EXPECT_TRUE(t.Bof());
    t.Delete();
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_TRUE(t.Eof());
}

TEST_F(TableTest, BookmarksAndRowPositions)
{
    for (int i = 0; i < 5000; ++i)
        Add(t, "host" + std::to_string(100000 + i) + ".example", i % 7);
    t.SetIndexName("hostname");
    t.MoveToRecNo(4321);
    EXPECT_EQ(t.AsString("hostname"), "host104321.example");
    TBookmark b = t.GetBookmark();

    t.SetIndexName("group_id");
    t.Edit();
    t.SetField("hostname", std::string("aaa.example"));
    t.Post();
    t.First();
    t.GotoBookmark(b);
    EXPECT_EQ(t.AsString("hostname"), "aaa.example");
    int pos = t.RecNo();
    t.MoveToRecNo(pos);
    EXPECT_EQ(t.GetBookmark(), b);

    t.Delete();
    EXPECT_FALSE(t.BookmarkValid(b));
    EXPECT_THROW(t.GotoBookmark(b), EQuillonError);
    EXPECT_THROW(t.MoveToRecNo(4999), EQuillonError);
}

TEST_F(TableTest, PositionalReadsLeaveTheCursorAlone)
{
    Add(t, "b.example", 2, "beta");
    Add(t, "a.example", 3);
    Add(t, "c.test", 1);
    t.SetIndexName("group_id");
    t.SetFilter("hostname LIKE '%.example'");
    t.SetFiltered(true);
    t.Last();
    const int host = t.FieldNo("hostname"), group = t.FieldNo("group_id"), comment = t.FieldNo("comment");

    EXPECT_EQ(t.AsString(t.BookmarkAt(0), host), "b.example");
    EXPECT_EQ(t.AsString(t.BookmarkAt(1), group), "3");
    EXPECT_EQ(t.AsInteger(t.BookmarkAt(0), group), 2);
    EXPECT_EQ(t.AsString(t.BookmarkAt(0), comment), "beta");
    EXPECT_EQ(t.BookmarkAt(2), NoBookmark);
    EXPECT_EQ(t.BookmarkAt(-1), NoBookmark);
    EXPECT_EQ(t.AsString(NoBookmark, host), "");
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.AsString("hostname"), "a.example");

    t.Edit();
    t.SetField("hostname", std::string("edited.example"));
    EXPECT_EQ(t.AsString(t.BookmarkAt(1), host), "a.example");
    t.Cancel();
}

struct FilterCase {
    const char* name;
    const char* expression;
    std::vector<std::string> hosts;
};

void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.name; }

class TableFilterTest : public TableTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(TableFilterTest, KeepsMatchingRows)
{
    Add(t, "ads.example.com", 3, "O'Brien list");
    Add(t, "tracker.ADS.net", 3, "");
    Add(t, "adserver.org", 1, "from o'brien");
    Add(t, "cdn.example.com", 2, "50% off");
    Add(t, "a_b.example", 2, "");
    t.SetFilter(GetParam().expression);
    t.SetFiltered(true);
    EXPECT_EQ(Walk(t), GetParam().hosts);
    EXPECT_EQ(t.RecordCount(), int(GetParam().hosts.size()));
    t.SetFiltered(false);
    EXPECT_EQ(t.RecordCount(), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Expressions, TableFilterTest,
    ::testing::Values(
        FilterCase{"Group", "group_id = 3", {"ads.example.com", "tracker.ADS.net"}},
        FilterCase{
            "GroupAndName", "group_id = 3 and hostname LIKE '%ads%'", {"ads.example.com", "tracker.ADS.net"}},
        FilterCase{"WholeFieldMatch", "hostname LIKE 'ad%.com'", {"ads.example.com"}},
        FilterCase{"Underscore", "hostname LIKE 'a_b%'", {"a_b.example"}},
        FilterCase{"AnyOneCharacter", "hostname LIKE '___.example'", {"a_b.example"}},
        FilterCase{"DoubledQuote", "comment LIKE '%O''Brien%'", {"ads.example.com", "adserver.org"}},
        FilterCase{"KeywordsInAnyCase", "GROUP_ID = 2 AND comment like '%OFF'", {"cdn.example.com"}},
        FilterCase{"PercentInComment", "comment LIKE '50%'", {"cdn.example.com"}},
        FilterCase{"NoMatch", "group_id = 9", {}}),
    [](const auto& info) { return info.param.name; });

TEST_F(TableTest, MalformedFiltersAreRefused)
{
    for (const char* bad : {"group_id =", "hostname LIKE 'open", "hostname LIKE 3", "nosuch = 1",
                            "group_id = 1 or group_id = 2"})
        EXPECT_THROW(t.SetFilter(bad), EQuillonError) << bad;
}

TEST_F(TableTest, FilesRoundTripDefinitionsAndRows)
{
    TTempDir dir;
    Add(t, "b.example", 2, "second");
    Add(t, "A.example", 1, "");
    t.Append();
    t.SetField("hostname", std::string("nogroup.example"));
    t.Post();
    t.SaveToFile(dir.File("Hosts.cds"));

    TTable loaded("Hosts");
    loaded.LoadFromFile(dir.File("Hosts.cds"));
    ASSERT_EQ(loaded.FieldDefs().size(), 3u);
    EXPECT_EQ(loaded.FieldDef("comment").size, 255);
    EXPECT_TRUE(loaded.FieldDef("hostname").required);
    EXPECT_EQ(loaded.FieldDef("group_id").type, TFieldType::ftInteger);
    EXPECT_EQ(Walk(loaded), (std::vector<std::string>{"A.example", "b.example", "nogroup.example"}));
    loaded.SetIndexName("group_id");
    EXPECT_EQ(Walk(loaded), (std::vector<std::string>{"nogroup.example", "A.example", "b.example"}));
    loaded.Last();
    EXPECT_EQ(loaded.AsString("comment"), "second");
    EXPECT_TRUE(loaded.FindKey({TValue()}));
    EXPECT_TRUE(loaded.IsNull("group_id"));
    EXPECT_FALSE(dir.Exists("Hosts.cds.tmp"));
}

TEST_F(TableTest, EmptyTablesRoundTripThroughFiles)
{
    // An integer column of no rows once copied from a null array.
    TTempDir dir;
    t.SaveToFile(dir.File("Hosts.cds"));
    TTable loaded("Hosts");
    loaded.LoadFromFile(dir.File("Hosts.cds"));
    EXPECT_TRUE(loaded.Active());
    EXPECT_EQ(loaded.RowCount(), 0);
    Add(loaded, "a.example", 1);
    EXPECT_EQ(Walk(loaded), std::vector<std::string>{"a.example"});
}

TEST_F(TableTest, UnreadableFilesAreReportedByName)
{
    TTempDir dir;
    Add(t, "a.example", 1);
    t.SaveToFile(dir.File("good.cds"));
    std::string bytes = dir.Read("good.cds");

    std::string flipped = bytes;
    flipped[bytes.size() / 2] ^= 0x20;
    dir.Write("flipped.cds", flipped);
    dir.Write("short.cds", bytes.substr(0, bytes.size() - 11));
    dir.Write("text.cds", "127.0.0.1 localhost\n");
    dir.Write("empty.cds", "");
    // Every table is kept in some order: a file that declares none is not one of ours.
    {
        TTable unordered("Hosts");
        unordered.AddFieldDef({"hostname", TFieldType::ftString, 255, true});
        unordered.CreateDataSet();
        unordered.SaveToFile(dir.File("noindex.cds"));
    }

    for (const char* name :
         {"flipped.cds", "short.cds", "text.cds", "empty.cds", "noindex.cds", "missing.cds"}) {
        TTable u("Hosts");
        try {
            u.LoadFromFile(dir.File(name));
            FAIL() << name << " was accepted";
        } catch (const EQuillonError& e) {
            EXPECT_NE(std::string(e.what()).find(dir.File(name)), std::string::npos) << e.what();
        }
        EXPECT_FALSE(u.Active());
    }
}

// Whatever stands under a table file's name and is no file is refused by
// name without being opened: a FIFO would wait for a writer for ever, a
// device or a folder would pass for an empty or damaged table.
class NotAFileTest : public ::testing::TestWithParam<TNonFileCase> {};

TEST_P(NotAFileTest, IsRefusedByNameAndLeftAlone)
{
    TTempDir dir;
    const std::string file = dir.File("Hosts.cds");
    ASSERT_TRUE(MakeNonFile(file, GetParam().kind));
    const auto kindBefore = std::filesystem::symlink_status(file).type();
    TTable u("Hosts");
    try {
        u.LoadFromFile(file);
        FAIL() << "loaded";
    } catch (const EQuillonError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot read table file " + file + ": it is " + GetParam().what + ", not a file.");
    }
    EXPECT_FALSE(u.Active());
    EXPECT_EQ(std::filesystem::symlink_status(file).type(), kindBefore);
}

INSTANTIATE_TEST_SUITE_P(Kinds, NotAFileTest, ::testing::ValuesIn(NonFileCases()),
                         [](const ::testing::TestParamInfo<TNonFileCase>& info) {
                             return std::string(info.param.name);
                         });

}   // namespace
