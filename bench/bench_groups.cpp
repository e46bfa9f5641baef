// Group figures on a million bad hosts: Renumber and moving a big group's hosts, beside the table's own walk.
#include "BenchCommon.h"
#include "core/DataUnit.h"
#include "core/GroupOps.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace bench;

namespace {

// Seconds for one walk of every row in group_id order, reading each row's group.
double WalkByGroup(TTable& bad)
{
    bad.SetIndexName("group_id");
    bad.First();   // the order is built before the clock starts
    const int field = bad.FieldNo("group_id");
    auto t0 = Clock::now();
    long long sum = 0;
    for (bad.First(); !bad.Eof(); bad.Next())
        sum += bad.AsInteger(field);
    double s = Seconds(t0);
    if (sum == 0)
        std::printf("  (empty walk)\n");
    return s;
}

// Every order of BadHosts built, so a figure holds only its own work.
void BuildOrders(TTable& bad)
{
    for (const char* index : {"hostname", "comment", "group_id"}) {
        bad.SetIndexName(index);
        bad.First();
    }
}

}   // namespace

int main()
{
    const size_t N = 1000000;
    const int BigGroup = 100000;
    std::string dir = MakeTempDir();
    {
        std::ofstream ini(dir + "Quillon.ini");
        ini << "[Preferences]\nHostsFile=" << dir << "hosts\nTextEditor=" << dir << "no-editor\n";
    }

    std::printf("Groups, %zu bad hosts in 100 groups (names in another order than the ids)\n", N);
    std::vector<Row> rows = Generate(N);
    auto data = std::make_unique<TQuillonData>(dir);
    data->Prefs().LoadPrefs();
    data->OpenDatabase();
    std::mt19937 rng(3);
    for (int g = 1; g <= 100; ++g)
        data->AddGroup("Group " + std::to_string(rng() % 1000000) + "-" + std::to_string(g), false, false);
    AppendRows(data->BadHosts, rows);
    TTable& bad = data->BadHosts;
    BuildOrders(bad);

    double walk = WalkByGroup(bad);
    char base[96];
    std::snprintf(base, sizeof base, "baseline: walk of every row by group_id %.3f s", walk);

    // The figure includes the first look-up after it, which finds the group
    // order as the browser's next step would.
    for (const char* what :
         {"Renumber of 100 groups holding 1,000,000 hosts", "second Renumber (other base)"}) {
        auto t0 = Clock::now();
        int b = RenumberGroups(*data);
        bad.SetIndexName("group_id");
        bad.FindKey({b + 1});
        double renumber = Seconds(t0);
        Report(what, renumber, "s", 2.0, base);
    }

    // One group of 100,000 hosts, moved into another group of about 10,000.
    {
        const int fGroup = bad.FieldNo("group_id");
        const int big = data->AddGroup("Big Group", false, false);
        std::vector<std::pair<TBookmark, int32_t>> changes;
        bad.SetIndexName("hostname");
        int k = 0;
        for (bad.First(); !bad.Eof() && k < BigGroup; bad.Next(), ++k)
            changes.emplace_back(bad.GetBookmark(), big);
        bad.SetIntegers(fGroup, changes);
        BuildOrders(bad);
        bad.SetIndexName("group_id");
        bad.First();
        const int target = bad.AsInteger(fGroup);

        auto t0 = Clock::now();
        int moved = MoveGroupHosts(*data, big, target);
        bad.FindKey({target});
        double move = Seconds(t0);
        char what[80];
        std::snprintf(what, sizeof what, "moving a group of %d hosts", moved);
        Report(what, move, "s", 0.3, base);
    }

    data.reset();
    std::filesystem::remove_all(dir);
    return 0;
}
