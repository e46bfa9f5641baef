// Write HOSTS of a million hosts killed at several moments: the HOSTS file and its backup stay whole.
#include "RunProgram.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A copy of the program in a folder of its own, with a database of a million
// bad hosts that a headless import made.
class KilledWrite : public testing::Test {
protected:
    static constexpr int Hosts = 1000000;
    TTempDir dir;
    std::string ini;

    void SetUp() override
    {
        fs::copy_file(QUILLON_BINARY, dir.File("quillon"));
        ini =
            "[Preferences]\nHostsFile=" + dir.File("hosts") + "\nTextEditor=" + dir.File("no-editor") + "\n";
        std::string list;
        list.reserve(size_t(Hosts) * 24);
        for (int i = 0; i < Hosts; ++i)
            list += "host" + std::to_string(i) + ".example.com\n";
        dir.Write("list.txt", list);
        Prefs("0.0.0.0");
        const TRun run = Run({"/ip=list.txt"});
        ASSERT_EQ(run.status, 0) << run.err;
        fs::remove(dir.File("list.txt"));
    }

    void Prefs(const std::string& hostsIP) { dir.Write("Quillon.ini", ini + "HostsIP=" + hostsIP + "\n"); }

    TRun Run(const std::vector<std::string>& args)
    {
        return RunWithoutDisplay(dir.File("quillon"), dir.Path(), args);
    }

    // Names in the folder that belong to neither the program nor its data.
    std::set<std::string> Strays() const
    {
        const std::set<std::string> known = {"quillon",       "Quillon.ini",      "BadHosts.cds",
                                             "GoodHosts.cds", "Groups.cds",       "hosts",
                                             "hosts.bak",     "ImportReport.txt", "Quillon.lock"};
        std::set<std::string> strays;
        for (const auto& entry : fs::directory_iterator(dir.Path()))
            if (!known.count(entry.path().filename().string()))
                strays.insert(entry.path().filename().string());
        return strays;
    }

    // The size of a file named prefix and six characters (a temporary file
    // being written), if there is one that is not among those left before.
    std::optional<uintmax_t> TempSize(const std::string& prefix, const std::set<std::string>& left = {}) const
    {
        std::optional<uintmax_t> size;
        if (DIR* folder = opendir(dir.Path().c_str())) {
            while (const dirent* entry = readdir(folder)) {
                const std::string name = entry->d_name;
                struct stat st;
                if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
                    !left.count(name) && stat(dir.File(name).c_str(), &st) == 0)
                    size = uintmax_t(st.st_size);
            }
            closedir(folder);
        }
        return size;
    }
};

// The file without its first line, the "Created by" line with the time of the run.
std::string Body(const std::string& content) { return content.substr(content.find('\n') + 1); }

TEST_F(KilledWrite, LeavesTheOldOrTheNewFileAndAWholeBackup)
{
    // Two complete files to tell apart: the old one with 0.0.0.0, the new one with 127.0.0.1.
    ASSERT_EQ(Run({"/w"}).status, 0);
    const std::string oldHosts = dir.Read("hosts");
    Prefs("127.0.0.1");
    ASSERT_EQ(Run({"/w"}).status, 0);
    const std::string newBody = Body(dir.Read("hosts"));
    const std::string oldBody = Body(oldHosts);
    ASSERT_NE(oldBody, newBody);
    ASSERT_GT(newBody.size(), size_t(Hosts) * 20);
    const std::string olderBackup = "# an older backup\n";

    struct TKill {
        const char* name;
        bool mustHitTheWrite;
    };
    const std::vector<TKill> moments = {
        {"while the backup is copied", false},
        {"as the HOSTS file's first block is written", true},
        {"half-way through the HOSTS file", true},
        {"with the whole content written, before it takes the file's place", false},
        {"after the HOSTS file was replaced", false}};
    for (size_t k = 0; k < moments.size(); ++k) {
        SCOPED_TRACE(moments[k].name);
        // Watches the folder as the run goes and kills it at the moment; a
        // moment the run went past too fast to be seen is tried again.
        bool hit = false;
        for (int attempt = 0; attempt < 5 && !hit; ++attempt) {
            dir.Write("hosts", oldHosts);
            dir.Write("hosts.bak", olderBackup);
            struct stat st;
            ASSERT_EQ(stat(dir.File("hosts").c_str(), &st), 0);
            const ino_t oldInode = st.st_ino;
            // Temporary files of the runs killed before are no sign of this one.
            const std::set<std::string> left = Strays();
            TStartedRun started = StartWithoutDisplay(dir.File("quillon"), dir.Path(), {"/w"});
            ASSERT_GT(started.pid, 0);
            for (bool reached = false; !reached;) {
                // How much of the new content is written, wherever it goes:
                // into a temporary file, or (a writer in place) into the file itself.
                std::optional<uintmax_t> written = TempSize("hosts.tmp", left);
                if (!written && stat(dir.File("hosts").c_str(), &st) == 0 &&
                    uintmax_t(st.st_size) != oldHosts.size())
                    written = uintmax_t(st.st_size);
                switch (k) {
                case 0:
                    reached = TempSize("hosts.bak.tmp", left).has_value() || written.has_value();
                    break;
                case 1:
                    reached = written && *written > 0;
                    break;
                case 2:
                    reached = written && *written >= newBody.size() / 2;
                    break;
                case 3:
                    reached = written && *written >= newBody.size();
                    break;
                default:
                    reached = stat(dir.File("hosts").c_str(), &st) == 0 && st.st_ino != oldInode;
                    break;
                }
                // A run that ended has nothing more to show.
                if (!reached && waitpid(started.pid, nullptr, WNOHANG) == started.pid) {
                    started.pid = -1;
                    break;
                }
                if (!reached)
                    usleep(200);
            }
            if (started.pid > 0)
                kill(started.pid, SIGKILL);
            const TRun run = Finish(started);
            hit = run.signal == SIGKILL;
            if (!hit && !moments[k].mustHitTheWrite)
                break;
        }
        if (moments[k].mustHitTheWrite) {
            EXPECT_TRUE(hit) << "the run never showed that moment";
        }

        // The HOSTS file is the old one or the complete new one, never a part.
        const std::string hosts = dir.Read("hosts");
        EXPECT_TRUE(hosts == oldHosts || Body(hosts) == newBody) << hosts.size() << " bytes";
        // The backup is the older one or a whole copy of the old file.
        const std::string backup = dir.Read("hosts.bak");
        EXPECT_TRUE(backup == olderBackup || backup == oldHosts) << backup.size() << " bytes";
    }

    // The next complete run removes what the killed ones left beside the files.
    dir.Write("hosts", oldHosts);
    const TRun run = Run({"/w"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Body(dir.Read("hosts")), newBody);
    EXPECT_EQ(dir.Read("hosts.bak"), oldHosts);
    EXPECT_EQ(Strays(), std::set<std::string>{});
}

}   // namespace
