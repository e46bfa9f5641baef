// The table work of the groups dialogs: moving a group's hosts, deleting, renumbering, cleanup texts.
#include "core/DataUnit.h"
#include "core/GroupOps.h"
#include "support/DataRows.h"
#include "support/ScriptedPresenter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Host {
    std::string name;
    int group;
    std::string comment;
};

class GroupOpsTest : public ::testing::Test {
protected:
    TTempDir dir;
    TScriptedPresenter presenter;
    std::unique_ptr<TQuillonData> data;

    void SetUp() override
    {
        dir.Write("Quillon.ini", "[Preferences]\nHostsFile=" + dir.File("hosts") +
                                     "\nTextEditor=" + dir.File("no-editor") + "\n");
        data = std::make_unique<TQuillonData>(dir.Path());
        data->Prefs().LoadPrefs();
        ASSERT_TRUE(data->OpenDatabase());
    }

    void AddHosts(const std::vector<Host>& hosts)
    {
        for (const Host& h : hosts)
            AddBadRow(*data, h.name, h.group, h.comment);
    }

    // Group name to id.
    std::map<std::string, int> Groups()
    {
        std::map<std::string, int> out;
        TTable& g = data->Groups;
        for (g.First(); !g.Eof(); g.Next())
            out[std::string(g.AsString("group_name"))] = g.AsInteger("group_id");
        return out;
    }

    // The bad hosts walked in group_id order, as "name/group/comment".
    std::vector<std::string> HostsByGroup()
    {
        TTable& b = data->BadHosts;
        b.SetIndexName("group_id");
        std::vector<std::string> out;
        for (b.First(); !b.Eof(); b.Next())
            out.push_back(std::string(b.AsString("hostname")) + "/" +
                          std::to_string(b.AsInteger("group_id")) + "/" + std::string(b.AsString("comment")));
        return out;
    }

    // What HostsByGroup must give for these hosts: by group, then by name ignoring case.
    static std::vector<std::string> Expected(std::vector<Host> hosts)
    {
        std::sort(hosts.begin(), hosts.end(), [](const Host& a, const Host& b) {
            return a.group != b.group ? a.group < b.group : TTable::CompareText(a.name, b.name) < 0;
        });
        std::vector<std::string> out;
        for (const Host& h : hosts)
            out.push_back(h.name + "/" + std::to_string(h.group) + "/" + h.comment);
        return out;
    }
};

// ---------------------------------------------------------------------------
// Renumber

struct RenumberCase {
    const char* name;
    std::vector<std::pair<int, std::string>> groups;   // id, name
    int base;
    std::map<std::string, int> renumbered;   // name to new id
};
void PrintTo(const RenumberCase& c, std::ostream* os) { *os << c.name; }

class RenumberTest : public GroupOpsTest, public ::testing::WithParamInterface<RenumberCase> {};

TEST_P(RenumberTest, IdsFollowNamesAndHostsFollowTheirGroups)
{
    const RenumberCase& c = GetParam();
    for (const auto& [id, name] : c.groups)
        AddGroupRow(*data, id, name);
    std::vector<Host> hosts;
    for (const auto& [id, name] : c.groups)
        for (const char* host : {"Beta.example", "alpha.example", "gamma.example"})
            hosts.push_back({name + "-" + host, id, id % 2 ? "odd " + name : ""});
    AddHosts(hosts);

    EXPECT_EQ(RenumberGroups(*data), c.base);

    EXPECT_EQ(Groups(), c.renumbered);
    std::map<int, int> newId;
    for (const auto& [id, name] : c.groups)
        newId[id] = c.renumbered.at(name);
    for (Host& h : hosts)
        h.group = newId[h.group];
    EXPECT_EQ(HostsByGroup(), Expected(hosts));
    EXPECT_EQ(data->BadHosts.IndexName(), "group_id");
    EXPECT_EQ(data->Groups.IndexName(), "group_name");
}

INSTANTIATE_TEST_SUITE_P(
    Bases, RenumberTest,
    ::testing::Values(
        // Lowest id 1 is not above 2 groups: count on from the highest id.
        RenumberCase{
            "LowestIdNotAboveCountCountsOnFromHighest", {{1, "b"}, {2, "a"}}, 2, {{"a", 3}, {"b", 4}}},
        // Lowest id 5 is above 3 groups: start again from 1.
        RenumberCase{"LowestIdAboveCountStartsFromOne",
                     {{5, "b"}, {9, "A"}, {7, "c"}},
                     0,
                     {{"A", 1}, {"b", 2}, {"c", 3}}},
        // Ids with gaps below the count: 1, 2, 7 for three groups.
        RenumberCase{"GapsAboveTheCount",
                     {{7, "alpha"}, {1, "Zulu"}, {2, "mike"}},
                     7,
                     {{"alpha", 8}, {"mike", 9}, {"Zulu", 10}}},
        RenumberCase{"NoGroups", {}, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GroupOpsTest, SecondRenumberStartsFromOne)
{
    AddGroupRow(*data, 1, "b");
    AddGroupRow(*data, 2, "a");
    AddHosts({{"x.example", 1, "kept"}, {"y.example", 2, ""}});
    data->SaveDatabase(false);

    EXPECT_EQ(RenumberGroups(*data), 2);
    EXPECT_EQ(RenumberGroups(*data), 0);

    EXPECT_EQ(Groups(), (std::map<std::string, int>{{"a", 1}, {"b", 2}}));
    EXPECT_EQ(HostsByGroup(), Expected({{"x.example", 2, "kept"}, {"y.example", 1, ""}}));
    // Saved with the others when the browser closes.
    EXPECT_EQ(data->Dirty(data->BadHosts), 1);
    EXPECT_EQ(data->Dirty(data->Groups), 1);
}

// ---------------------------------------------------------------------------
// Delete with the move of its hosts

TEST_F(GroupOpsTest, DeleteAfterMovingTheHostsElsewhere)
{
    AddGroupRow(*data, 1, "Default Group");
    AddGroupRow(*data, 2, "Ads", true);
    AddGroupRow(*data, 3, "Trackers");
    std::vector<Host> hosts;
    // More hosts than the table moves one at a time, mixed in name with the target's.
    for (int i = 0; i < 40; ++i)
        hosts.push_back({(i % 2 ? "AD" : "ad") + std::to_string(i) + ".example", 2, i % 3 ? "" : "list"});
    hosts.push_back({"ad5x.example", 3, "tracker"});
    hosts.push_back({"zz.example", 3, ""});
    hosts.push_back({"keep.example", 1, ""});
    AddHosts(hosts);

    EXPECT_TRUE(GroupHasHosts(*data, 2));
    EXPECT_EQ(MoveGroupHosts(*data, 2, 3), 40);
    EXPECT_TRUE(DeleteGroup(*data, 2));

    EXPECT_FALSE(GroupHasHosts(*data, 2));
    EXPECT_EQ(Groups(), (std::map<std::string, int>{{"Default Group", 1}, {"Trackers", 3}}));
    for (Host& h : hosts)
        if (h.group == 2)
            h.group = 3;
    EXPECT_EQ(HostsByGroup(), Expected(hosts));
    // The other orders still find every host by its own key.
    data->BadHosts.SetIndexName("hostname");
    ASSERT_TRUE(data->BadHosts.FindKey({"Ad7.EXAMPLE"}));
    EXPECT_EQ(data->BadHosts.AsInteger("group_id"), 3);
}

TEST_F(GroupOpsTest, DeletingAGroupWithoutHostsTouchesNothingElse)
{
    AddGroupRow(*data, 1, "Default Group");
    AddGroupRow(*data, 2, "Empty");
    AddHosts({{"a.example", 1, ""}});

    EXPECT_FALSE(GroupHasHosts(*data, 2));
    EXPECT_TRUE(DeleteGroup(*data, 2));
    EXPECT_FALSE(DeleteGroup(*data, 2));

    EXPECT_EQ(Groups(), (std::map<std::string, int>{{"Default Group", 1}}));
    EXPECT_EQ(HostsByGroup(), Expected({{"a.example", 1, ""}}));
}

// ---------------------------------------------------------------------------
// Cleanup

struct CleanupCase {
    const char* name;
    int emptyGroups;
    const char* text;
};
void PrintTo(const CleanupCase& c, std::ostream* os) { *os << c.name; }

class CleanupTest : public GroupOpsTest, public ::testing::WithParamInterface<CleanupCase> {};

TEST_P(CleanupTest, SaysHowManyGroupsWentAway)
{
    AddGroupRow(*data, 1, "Default Group");
    AddHosts({{"a.example", 1, ""}});
    for (int i = 0; i < GetParam().emptyGroups; ++i)
        data->AddGroup("Empty " + std::to_string(i), false, false);

    EXPECT_EQ(CleanupResultText(data->GroupCleanup(0)), GetParam().text);
    EXPECT_EQ(Groups(), (std::map<std::string, int>{{"Default Group", 1}}));
}

INSTANTIATE_TEST_SUITE_P(Counts, CleanupTest,
                         ::testing::Values(CleanupCase{"None", 0, "No groups were deleted."},
                                           CleanupCase{"One", 1, "1 group was deleted."},
                                           CleanupCase{"Three", 3, "3 groups were deleted."}),
                         [](const auto& info) { return std::string(info.param.name); });

}   // namespace
