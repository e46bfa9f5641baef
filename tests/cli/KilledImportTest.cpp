// The real program killed (SIGKILL) at many moments of a headless import: the next start opens the tables of one save.
#include "RunProgram.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char* const TableFiles[3] = {"GoodHosts.cds", "BadHosts.cds", "Groups.cds"};

// A copy of the program in a folder of its own with an old set of tables,
// and a large list whose import changes all three: a new group, 300,000 bad
// hosts and a good host. The report and the closing Write HOSTS are off, so
// what the run writes in the folder is the save and the preferences.
class KilledImport : public testing::Test {
protected:
    TTempDir dir;     // program, preferences, tables
    TTempDir lists;   // the lists, and the next start's export
    std::string oldFiles[3], newFiles[3], oldIni;

    void SetUp() override
    {
        std::filesystem::copy_file(QUILLON_BINARY, dir.File("quillon"));
        dir.Write("Quillon.ini", "[Preferences]\nHostsFile=" + dir.File("hosts") + "\nTextEditor=" +
                                     dir.File("no-editor") + "\n[Import]\nImportReport=0\nImportWrite=0\n");
        {
            std::ofstream old(lists.File("old.txt"));
            old << "# Old\n10.0.0.1 intranet.example\n";
            for (int i = 0; i < 2000; ++i)
                old << "0.0.0.0 old" << i << ".example.org\n";
            std::ofstream big(lists.File("big.txt"));
            big << "# New\n10.0.0.2 printer.example\n";
            for (int i = 0; i < 300000; ++i)
                big << "0.0.0.0 n" << i << ".example.com\n";
        }
        const TRun first = Run({"/i=" + lists.File("old.txt")});
        ASSERT_EQ(first.status, 0) << first.err;
        for (int k = 0; k < 3; ++k)
            oldFiles[k] = dir.Read(TableFiles[k]);
        oldIni = dir.Read("Quillon.ini");
    }

    TRun Run(const std::vector<std::string>& args)
    {
        return RunWithoutDisplay(dir.File("quillon"), dir.Path(), args);
    }

    // The folder as the first import left it.
    void Restore()
    {
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            if (entry.path().filename() != "quillon")
                std::filesystem::remove_all(entry.path());
        for (int k = 0; k < 3; ++k)
            dir.Write(TableFiles[k], oldFiles[k]);
        dir.Write("Quillon.ini", oldIni);
    }

    // Starts the big import and kills it (SIGKILL) on the killAt-th change it
    // makes in the folder (a file made, written, renamed into or removed
    // from it), so that kills fall between and inside the steps of the save;
    // 0 lets it run to its end. The number of changes seen when the kill was
    // sent, or when the run ended by itself.
    int ImportKilledAt(int killAt)
    {
        const int watch = inotify_init1(IN_CLOEXEC);
        EXPECT_GE(watch, 0);
        inotify_add_watch(watch, dir.Path().c_str(), IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE);
        TRunningProgram run(dir.File("quillon"), dir.Path(), {"/i=" + lists.File("big.txt")});
        const pid_t pid = run.Pid();
        EXPECT_GT(pid, 0);
        const int ended = int(syscall(SYS_pidfd_open, pid, 0));
        EXPECT_GE(ended, 0);
        int seen = 0;
        bool running = true;
        while (running && (killAt == 0 || seen < killAt)) {
            pollfd fds[2] = {{watch, POLLIN, 0}, {ended, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0)
                break;
            if (fds[0].revents & POLLIN) {
                alignas(inotify_event) char buffer[4096];
                const ssize_t got = read(watch, buffer, sizeof buffer);
                for (ssize_t at = 0; at < got && (killAt == 0 || seen < killAt);) {
                    const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                    at += ssize_t(sizeof(inotify_event) + event->len);
                    if (++seen == killAt)
                        run.Kill();
                }
            } else if (fds[1].revents & POLLIN) {
                running = false;
            }
        }
        run.Wait();
        close(ended);
        close(watch);
        return seen;
    }

    // "old" or "new" when every table file comes from that set, "mixed" otherwise.
    std::string SetOnDisk() const
    {
        int old = 0, now = 0;
        for (int k = 0; k < 3; ++k) {
            const std::string bytes = dir.Read(TableFiles[k]);
            old += bytes == oldFiles[k];
            now += bytes == newFiles[k];
        }
        return old == 3 ? "old" : now == 3 ? "new" : "mixed";
    }

    std::vector<std::string> StrayFiles() const
    {
        // The lock file stays: it is the folder's, not a run's.
        const std::set<std::string> expected{"quillon",     "Quillon.ini", "Quillon.lock",
                                             TableFiles[0], TableFiles[1], TableFiles[2]};
        std::vector<std::string> stray;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            if (!expected.count(entry.path().filename().string()))
                stray.push_back(entry.path().filename().string());
        return stray;
    }
};

TEST_F(KilledImport, TheNextStartOpensTheTablesOfOneSaveAndNothingIsLeftOver)
{
    // An import that runs to its end: the new set, and how many changes it makes.
    const int changes = ImportKilledAt(0);
    for (int k = 0; k < 3; ++k) {
        newFiles[k] = dir.Read(TableFiles[k]);
        ASSERT_NE(newFiles[k], oldFiles[k]) << TableFiles[k] << " did not change";
    }
    ASSERT_GE(changes, 3 * 3) << "every table made, written and renamed into place";

    std::set<std::string> outcomes;
    for (int killAt = 1; killAt <= changes; ++killAt) {
        Restore();
        ImportKilledAt(killAt);
        const std::string when =
            "killed at change " + std::to_string(killAt) + " of " + std::to_string(changes);
        const TRun next = Run({"/x=" + lists.File("export.txt")});
        EXPECT_EQ(next.status, 0) << when << ": " << next.err;
        const std::string set = SetOnDisk();
        EXPECT_NE(set, "mixed") << when;
        EXPECT_EQ(StrayFiles(), std::vector<std::string>{}) << when;
        // The export holds what the next start opened: the new set has the big list.
        const bool exportsNew = lists.Read("export.txt").find("n299999.example.com") != std::string::npos;
        EXPECT_EQ(exportsNew, set == "new") << when;
        outcomes.insert(set);
    }
    // The last kill falls after the save: the new set whatever the timing.
    EXPECT_TRUE(outcomes.count("new"));
}

}   // namespace
