// Table saves cut off at many points (full disk, killed process): the next start sees every table from one save.
#include "core/DataUnit.h"
#include "core/TableSet.h"
#include "platform/Errors.h"
#include "support/DataRows.h"
#include "support/FailingWrites.h"
#include "support/ScriptedPresenter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>

#include <sys/wait.h>
#include <unistd.h>

namespace {

const char* const TableFiles[3] = {"GoodHosts.cds", "BadHosts.cds", "Groups.cds"};

// Which tables the new save changes; the others are saved clean, so only the
// changed ones are written.
struct TChange {
    const char* name;
    bool good, bad, groups;
};

// An old set of tables on disk, and in memory the new set that a save is cut
// off in the middle of writing. The two sets differ in the row counts of
// every changed table (the new set has more groups, hosts and good hosts),
// and the files of each set are known byte for byte.
class CrashSafeSave : public ::testing::Test {
protected:
    TTempDir dir;
    TScriptedPresenter presenter;
    std::unique_ptr<TQuillonData> data;
    TChange change{"All", true, true, true};
    bool changed[3] = {};
    std::string oldBytes[3], newBytes[3];
    size_t total = 0;   // bytes of the changed tables' files in the new set
    std::set<std::string> otherFiles{"Quillon.ini"};

    // Big enough that each table file takes many blocks to write.
    static constexpr int OldHosts = 20000, NewHosts = 10000;

    void Build(const TChange& c)
    {
        change = c;
        changed[0] = c.good;
        changed[1] = c.bad;
        changed[2] = c.groups;
        dir.Write("Quillon.ini", "[Preferences]\nHostsFile=" + dir.File("hosts") +
                                     "\nTextEditor=" + dir.File("no-editor") + "\n");
        data = std::make_unique<TQuillonData>(dir.Path());
        data->Prefs().LoadPrefs();
        ASSERT_TRUE(data->OpenDatabase());
        for (int g = 1; g <= 3; ++g)
            AddGroupRow(*data, g, "Group " + std::to_string(g));
        for (int i = 0; i < OldHosts; ++i)
            AddBadRow(*data, "old" + std::to_string(i) + ".example", 1 + i % 3, "kept");
        AddGoodRow(*data, "intranet.example", "10.0.0.1");
        data->SaveDatabase(false);
        for (int k = 0; k < 3; ++k)
            oldBytes[k] = dir.Read(TableFiles[k]);

        if (c.groups)
            AddGroupRow(*data, 4, "Group 4");
        if (c.bad)
            for (int i = 0; i < NewHosts; ++i)
                AddBadRow(*data, "new" + std::to_string(i) + ".example", c.groups ? 4 : 1, "added");
        if (c.good)
            AddGoodRow(*data, "printer.example", "10.0.0.2");
        TTable* tables[3] = {&data->GoodHosts, &data->BadHosts, &data->Groups};
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(data->Dirty(*tables[k]), changed[k] ? 1 : 0) << TableFiles[k];
            newBytes[k] = oldBytes[k];
            if (!changed[k])
                continue;
            tables[k]->SaveToFile(dir.File(std::string("new-") + TableFiles[k]));
            newBytes[k] = dir.Read(std::string("new-") + TableFiles[k]);
            std::filesystem::remove(dir.File(std::string("new-") + TableFiles[k]));
            ASSERT_NE(newBytes[k], oldBytes[k]);
            total += newBytes[k].size();
        }
    }

    // The old files back on disk, the changed tables to be written again.
    void Restore()
    {
        for (int k = 0; k < 3; ++k)
            dir.Write(TableFiles[k], oldBytes[k]);
        TTable* tables[3] = {&data->GoodHosts, &data->BadHosts, &data->Groups};
        for (int k = 0; k < 3; ++k)
            if (changed[k])
                data->SetDirty(*tables[k]);
    }

    // Where to cut: the start and end of every changed file, the bytes around
    // them, points spread through the content, and past it (the commit record).
    std::set<size_t> CutPoints() const
    {
        std::set<size_t> points;
        size_t start = 0;
        for (int k = 0; k < 3; ++k) {
            if (!changed[k])
                continue;
            for (size_t at : {start, start + 1, start + 8, start + newBytes[k].size() - 8,
                              start + newBytes[k].size() - 1})
                points.insert(at);
            start += newBytes[k].size();
        }
        for (size_t at = 0; at < total; at += total / 37 + 1)
            points.insert(at);
        for (size_t past : {0, 1, 20, 4096})
            points.insert(total + past);
        return points;
    }

    // "old" or "new" when every table file on disk comes from that set;
    // "mixed" otherwise.
    std::string SetOnDisk() const
    {
        int old = 0, now = 0;
        for (int k = 0; k < 3; ++k) {
            const std::string bytes = dir.Read(TableFiles[k]);
            old += bytes == oldBytes[k];
            now += bytes == newBytes[k];
        }
        return old == 3 ? "old" : now == 3 ? "new" : "mixed";
    }

    std::vector<std::string> StrayFiles() const
    {
        std::vector<std::string> stray;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            std::string name = entry.path().filename().string();
            if (!otherFiles.count(name) && name != TableFiles[0] && name != TableFiles[1] &&
                name != TableFiles[2])
                stray.push_back(name);
        }
        return stray;
    }

    // What the next start sees: the set it opens ("old" or "new"), after
    // checking that it opens, that its tables hold the row counts of that
    // set, and that no temporary file of the cut-off save is left.
    std::string NextStart(const std::string& when)
    {
        TQuillonData next(dir.Path());
        EXPECT_TRUE(next.OpenDatabase()) << when;
        const std::string set = SetOnDisk();
        EXPECT_NE(set, "mixed") << when;
        if (next.BadHosts.Active()) {
            const bool isNew = set == "new";
            EXPECT_EQ(next.Groups.RecordCount(), isNew && change.groups ? 4 : 3) << when;
            EXPECT_EQ(next.BadHosts.RecordCount(), OldHosts + (isNew && change.bad ? NewHosts : 0)) << when;
            EXPECT_EQ(next.GoodHosts.RecordCount(), isNew && change.good ? 2 : 1) << when;
        }
        EXPECT_EQ(StrayFiles(), std::vector<std::string>{}) << when;
        return set;
    }

    // Runs save in a child process that ends there; the child's exit status
    // when it finished the save (3), -1 when it was killed.
    template <class Save>
    int SaveInChild(Save save)
    {
        pid_t child = fork();
        if (child == 0) {
            try {
                save();
            } catch (...) {
                _exit(4);
            }
            _exit(3);   // the save was never cut off
        }
        int status = 0;
        EXPECT_EQ(waitpid(child, &status, 0), child);
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
    }
};

void PrintTo(const TChange& change, std::ostream* out) { *out << change.name; }

class CrashSafeSaveOf : public CrashSafeSave, public ::testing::WithParamInterface<TChange> {
protected:
    void SetUp() override { Build(GetParam()); }
};

TEST_P(CrashSafeSaveOf, AFullDiskKeepsTheOldSetAndEveryChangedTableDirty)
{
    for (size_t cut : CutPoints()) {
        Restore();
        try {
            TFailingWrites full(cut);
            data->SaveDatabase(false);
            // Only a cut past everything the save writes lets it through.
            EXPECT_GE(cut, total) << "a save cut at byte " << cut << " reported success";
            EXPECT_EQ(SetOnDisk(), "new") << "cut at " << cut;
            continue;
        } catch (const EQuillonError& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find("No space left on device"), std::string::npos) << text;
            EXPECT_NE(text.find(dir.Path()), std::string::npos) << text;
        }
        // The failed save cleaned up after itself: nothing for the next start to do.
        EXPECT_EQ(SetOnDisk(), "old") << "cut at " << cut;
        EXPECT_EQ(StrayFiles(), std::vector<std::string>{}) << "cut at " << cut;
        EXPECT_EQ(data->Dirty(data->GoodHosts), changed[0] ? 1 : 0) << "cut at " << cut;
        EXPECT_EQ(data->Dirty(data->BadHosts), changed[1] ? 1 : 0) << "cut at " << cut;
        EXPECT_EQ(data->Dirty(data->Groups), changed[2] ? 1 : 0) << "cut at " << cut;
    }
    // With room again the next save writes everything.
    data->SaveDatabase(false);
    EXPECT_EQ(NextStart("after the save with room"), "new");
}

TEST_P(CrashSafeSaveOf, AKillWhileTheFilesAreWrittenLeavesTheOldSet)
{
    int finished = 0;
    for (size_t cut : CutPoints()) {
        Restore();
        // Killed the moment the save reaches the cut, without any clean-up.
        const int status = SaveInChild([&] {
            TFailingWrites crash(cut, TFailingWrites::Crash);
            data->SaveDatabase(false);
        });
        const std::string when = "kill at byte " + std::to_string(cut);
        ASSERT_TRUE(status == -1 || status == 3) << when << ": status " << status;
        if (status == 3) {
            ++finished;
            EXPECT_GE(cut, total) << when;
            EXPECT_EQ(NextStart(when), "new");
        } else {
            EXPECT_EQ(NextStart(when), "old");
        }
    }
    EXPECT_GE(finished, 1);   // the last cut lies past the whole save
}

TEST_P(CrashSafeSaveOf, AKillBetweenTheStepsOfPuttingTheFilesInPlaceLeavesOneSet)
{
    // Once every file is on disk the set is committed: from then on a kill
    // leaves the new set for the next start.
    int killed = 0;
    for (int step = 1;; ++step) {
        ASSERT_LT(step, 20) << "the save never finished";
        Restore();
        static int killAt;
        killAt = step;
        const int status = SaveInChild([this] {
            CommitStepHook = [](int at) {
                if (at == killAt)
                    std::raise(SIGKILL);
            };
            data->SaveDatabase(false);
        });
        const std::string when = "kill at step " + std::to_string(step);
        if (status == 3) {
            EXPECT_EQ(NextStart("a save that finished"), "new");
            break;
        }
        ASSERT_EQ(status, -1) << when;
        ++killed;
        EXPECT_EQ(NextStart(when), step == 1 ? "old" : "new");
    }
    // Before the set is in place, after it, and for several tables each rename and the end.
    EXPECT_GE(killed, change.good + change.bad + change.groups == 1 ? 2 : 5);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, CrashSafeSaveOf,
    ::testing::Values(TChange{"AllThreeTables", true, true, true},
                      TChange{"HostsAndGroups", false, true, true}, TChange{"HostsOnly", false, true, false}),
    [](const ::testing::TestParamInfo<TChange>& info) { return std::string(info.param.name); });

class CrashSafeSaveRecord : public CrashSafeSave {
protected:
    void SetUp() override { Build({"All", true, true, true}); }

    // Leaves the folder as a kill right after the commit record was made leaves it.
    void KillAfterTheRecord()
    {
        Restore();
        const int status = SaveInChild([this] {
            CommitStepHook = [](int at) {
                if (at == 2)
                    std::raise(SIGKILL);
            };
            data->SaveDatabase(false);
        });
        ASSERT_EQ(status, -1);
        ASSERT_TRUE(dir.Exists(CommitRecordName));
    }
};

TEST_F(CrashSafeSaveRecord, ADamagedRecordDropsTheSet)
{
    for (const char* damage : {"flipped", "truncated", "empty"}) {
        KillAfterTheRecord();
        std::string record = dir.Read(CommitRecordName);
        if (damage == std::string("flipped"))
            record[record.size() / 2] ^= 0x04;
        else if (damage == std::string("truncated"))
            record.resize(record.size() - 3);
        else
            record.clear();
        dir.Write(CommitRecordName, record);
        EXPECT_EQ(NextStart(damage), "old");
    }
}

TEST_F(CrashSafeSaveRecord, OnlyTheProgramsOwnTemporaryFilesAreRemoved)
{
    // Names that look like ours but are not what a save leaves.
    const char* lookalikes[] = {"BadHosts.cds.tmp",       "BadHosts.cds.tmpABC",   "BadHosts.cds.tmpABCDEFG",
                                "BadHosts.cds.tmpAB-DEF", "Notes.txt.tmpABCDEF",   "BadHosts.cds.bak",
                                "Quillon.commit.bak",     "badhosts.cds.tmpABCDEF"};
    for (const char* name : lookalikes) {
        dir.Write(name, "mine");
        otherFiles.insert(name);
    }
    std::filesystem::create_directory(dir.File("Groups.cds.tmpABCDEF"));
    otherFiles.insert("Groups.cds.tmpABCDEF");
    // And what killed writes of the tables, the record and the preferences leave.
    for (const char* name : {"BadHosts.cds.tmpAbC123", "Quillon.commit.tmpXYZ789", "Quillon.ini.tmp0a1B2c"})
        dir.Write(name, "left by a killed run");

    KillAfterTheRecord();
    EXPECT_EQ(NextStart("killed after the record"), "new");
    Restore();
    const int status = SaveInChild([this] {
        TFailingWrites crash(total / 2, TFailingWrites::Crash);
        data->SaveDatabase(false);
    });
    ASSERT_EQ(status, -1);
    EXPECT_EQ(NextStart("killed while writing"), "old");

    for (const char* name : lookalikes)
        EXPECT_EQ(dir.Read(name), "mine") << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("Groups.cds.tmpABCDEF")));
}

TEST_F(CrashSafeSaveRecord, ATableReachedThroughALinkIsFinishedThroughIt)
{
    // BadHosts.cds links to a file in another folder, where its new content is written.
    std::filesystem::create_directory(dir.File("store"));
    std::filesystem::rename(dir.File("BadHosts.cds"), dir.File("store/BadHosts.cds"));
    std::filesystem::create_symlink(dir.File("store/BadHosts.cds"), dir.File("BadHosts.cds"));
    otherFiles.insert("store");

    KillAfterTheRecord();
    EXPECT_EQ(NextStart("killed after the record"), "new");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("BadHosts.cds")));
    EXPECT_EQ(dir.Read("store/BadHosts.cds"), newBytes[1]);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("store")),
                            std::filesystem::directory_iterator()),
              1);
}

}   // namespace
