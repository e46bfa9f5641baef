// Table saves cut off at many points (full disk, killed process): each table file stays whole, old or new.
#include "core/DataUnit.h"
#include "platform/Errors.h"
#include "support/DataRows.h"
#include "support/FailingWrites.h"
#include "support/ScriptedPresenter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

class CrashSafeSave : public ::testing::Test {
protected:
    TTempDir dir;
    TScriptedPresenter presenter;
    std::unique_ptr<TQuillonData> data;
    const char* names[3] = {"GoodHosts.cds", "BadHosts.cds", "Groups.cds"};
    std::string oldBytes[3], newBytes[3];
    size_t total = 0;   // bytes of a whole save of the new content

    void SetUp() override
    {
        dir.Write("Quillon.ini", "[Preferences]\nHostsFile=" + dir.File("hosts") + "\nTextEditor=" +
                                     dir.File("no-editor") + "\n");
        data = std::make_unique<TQuillonData>(dir.Path());
        data->Prefs().LoadPrefs();
        ASSERT_TRUE(data->OpenDatabase());
        for (int g = 1; g <= 3; ++g)
            AddGroupRow(*data, g, "Group " + std::to_string(g));
        for (int i = 0; i < 300; ++i)
            AddBadRow(*data, "old" + std::to_string(i) + ".example", 1 + i % 3, "kept");
        AddGoodRow(*data, "intranet.example", "10.0.0.1");
        data->SaveDatabase(false);
        for (int k = 0; k < 3; ++k)
            oldBytes[k] = dir.Read(names[k]);

        // The new content differs in every table.
        AddGroupRow(*data, 4, "Group 4");
        for (int i = 0; i < 200; ++i)
            AddBadRow(*data, "new" + std::to_string(i) + ".example", 4, "added");
        AddGoodRow(*data, "printer.example", "10.0.0.2");
        TTable* tables[3] = {&data->GoodHosts, &data->BadHosts, &data->Groups};
        for (int k = 0; k < 3; ++k) {
            tables[k]->SaveToFile(dir.File(std::string("new-") + names[k]));
            newBytes[k] = dir.Read(std::string("new-") + names[k]);
            std::filesystem::remove(dir.File(std::string("new-") + names[k]));
            total += newBytes[k].size();
        }
    }

    // The old files back on disk, every table to be written again.
    void Restore()
    {
        for (int k = 0; k < 3; ++k)
            dir.Write(names[k], oldBytes[k]);
        data->SetDirty(data->GoodHosts);
        data->SetDirty(data->BadHosts);
        data->SetDirty(data->Groups);
    }

    // Where to cut: the start and end of every file, the bytes around them,
    // and points spread through the content.
    std::set<size_t> CutPoints() const
    {
        std::set<size_t> points;
        size_t start = 0;
        for (int k = 0; k < 3; ++k) {
            for (size_t at : {start, start + 1, start + 8, start + newBytes[k].size() - 8,
                              start + newBytes[k].size() - 1})
                points.insert(at);
            start += newBytes[k].size();
        }
        for (size_t at = 0; at < total; at += total / 37 + 1)
            points.insert(at);
        return points;
    }

    // Each table file is the old or the new content, whole, and loads.
    void ExpectOldOrNew(size_t cut, bool* allNew = nullptr)
    {
        bool everyNew = true;
        for (int k = 0; k < 3; ++k) {
            const std::string bytes = dir.Read(names[k]);
            EXPECT_TRUE(bytes == oldBytes[k] || bytes == newBytes[k])
                << names[k] << " is a mix after a cut at byte " << cut;
            everyNew = everyNew && bytes == newBytes[k];
            TTable loaded("Check");
            EXPECT_NO_THROW(loaded.LoadFromFile(dir.File(names[k]))) << names[k] << ", cut at " << cut;
        }
        if (allNew)
            *allNew = everyNew;
    }

    std::vector<std::string> StrayFiles() const
    {
        std::vector<std::string> stray;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            std::string name = entry.path().filename().string();
            if (name != "Quillon.ini" && name != names[0] && name != names[1] && name != names[2])
                stray.push_back(name);
        }
        return stray;
    }
};

TEST_F(CrashSafeSave, AFullDiskLeavesEachTableOldOrNewAndDirty)
{
    for (size_t cut : CutPoints()) {
        Restore();
        try {
            TFailingWrites full(cut);
            data->SaveDatabase(false);
            ADD_FAILURE() << "a save cut at byte " << cut << " reported success";
        } catch (const EQuillonError& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find("No space left on device"), std::string::npos) << text;
            EXPECT_NE(text.find(dir.Path()), std::string::npos) << text;
        }
        ExpectOldOrNew(cut);
        EXPECT_EQ(StrayFiles(), std::vector<std::string>{}) << "cut at " << cut;
        // The table whose write failed is still to be written.
        EXPECT_EQ(data->Dirty(data->Groups), 1) << "cut at " << cut;
    }
    // With room again the next save writes everything.
    data->SaveDatabase(false);
    bool allNew = false;
    ExpectOldOrNew(total, &allNew);
    EXPECT_TRUE(allNew);
}

#ifndef _WIN32
TEST_F(CrashSafeSave, AProcessKilledMidSaveLeavesEachTableOldOrNew)
{
    int seenNew = 0;
    for (size_t cut : CutPoints()) {
        Restore();
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Ends the process the moment the save reaches the cut, without
            // any clean-up, as a power cut or a kill would.
            TFailingWrites crash(cut, TFailingWrites::Crash);
            try {
                data->SaveDatabase(false);
            } catch (...) {
            }
            _exit(3);   // the save never reached the cut
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "cut at " << cut;
        bool allNew = false;
        ExpectOldOrNew(cut, &allNew);
        seenNew += allNew;
        // A killed save may leave its temporary file behind, never a table.
        for (const std::string& name : StrayFiles())
            EXPECT_NE(name.find(".cds.tmp"), std::string::npos) << name;
        for (const std::string& name : StrayFiles())
            std::filesystem::remove(dir.File(name));
    }
    EXPECT_EQ(seenNew, 0);   // every cut lies inside the save
}
#endif

} // namespace
