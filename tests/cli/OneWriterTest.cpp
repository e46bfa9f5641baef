// Command-line runs of the real program on one data folder take it in turn: overlapping runs, a busy folder, a killed holder.
#include "RunProgram.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A HOSTS-format list of count names, all ending in ".<list>.example".
std::string HostsList(const std::string& list, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "0.0.0.0 h" + std::to_string(i) + "." + list + ".example\n";
    return text;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t from = 0, nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1)
        lines.push_back(text.substr(from, nl - from));
    return lines;
}

// The host lines of a HOSTS file: without its comments, whose "Created by"
// line carries the time of the run.
std::vector<std::string> HostLines(const std::string& text)
{
    std::vector<std::string> hosts;
    for (std::string& line : Lines(text))
        if (!line.empty() && line[0] != '#')
            hosts.push_back(std::move(line));
    return hosts;
}

size_t CountEndingIn(const std::vector<std::string>& lines, const std::string& suffix)
{
    size_t n = 0;
    for (const std::string& line : lines)
        if (line.size() >= suffix.size() &&
            line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
            ++n;
    return n;
}

// Polls until the condition holds; false if it never does within a generous limit.
bool Eventually(const std::function<bool()>& condition)
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A copy of the program in a folder of its own, with preferences whose HOSTS
// file lies in that folder.
class OneWriter : public testing::Test {
protected:
    TTempDir dir;
    // The data folder as the program names it in its messages.
    std::string folder;

    void SetUp() override
    {
        fs::copy_file(QUILLON_BINARY, dir.File("quillon"));
        dir.Write("Quillon.ini", "[Preferences]\nHostsFile=" + dir.File("hosts") +
                                     "\nTextEditor=" + dir.File("no-editor") + "\n");
        folder = fs::canonical(dir.Path()).string();
    }

    TRun Run(const std::vector<std::string>& args, const std::vector<std::string>& env = {})
    {
        return RunWithoutDisplay(dir.File("quillon"), dir.Path(), args, env);
    }

    std::unique_ptr<TRunningProgram> Start(const std::vector<std::string>& args,
                                           const std::vector<std::string>& env = {})
    {
        return std::make_unique<TRunningProgram>(dir.File("quillon"), dir.Path(), args, env);
    }

    // A run that holds the folder until the test lets it go: it imports from
    // a pipe that nobody writes to yet. Returns once it holds the folder.
    std::unique_ptr<TRunningProgram> StartHolder()
    {
        EXPECT_EQ(mkfifo(dir.File("feed.txt").c_str(), 0600), 0);
        auto holder = Start({"/i=feed.txt"});
        const std::string pidLine = std::to_string(holder->Pid()) + "\n";
        EXPECT_TRUE(Eventually([&] { return dir.Read("Quillon.lock").rfind(pidLine, 0) == 0; }))
            << "the run never took the folder";
        return holder;
    }

    // Gives the holder its list, so it can finish. The list starts with a
    // line of blanks: what these tests look at must not depend on how the
    // import reads the first bytes of a pipe.
    void Feed(const std::string& list)
    {
        const std::string text = "    \n" + list;
        const int fd = open(dir.File("feed.txt").c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size()));
        close(fd);
    }

    std::string InUse(pid_t pid) const
    {
        return "the data folder " + folder + " is in use by process " + std::to_string(pid);
    }
};

TEST_F(OneWriter, TwoImportsStartedTogetherBothLand)
{
    dir.Write("a.txt", HostsList("a", 200000));
    dir.Write("b.txt", HostsList("b", 200000));

    auto first = std::async(std::launch::async, [&] { return Run({"/i=a.txt"}); });
    auto second = std::async(std::launch::async, [&] { return Run({"/i=b.txt"}); });
    const TRun a = first.get();
    const TRun b = second.get();

    EXPECT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(a.out, "200000 lines processed.\n");
    EXPECT_EQ(b.out, "200000 lines processed.\n");

    const TRun all = Run({"/xpa=all.txt"});
    ASSERT_EQ(all.status, 0) << all.err;
    const std::vector<std::string> names = Lines(dir.Read("all.txt"));
    EXPECT_EQ(CountEndingIn(names, ".a.example"), 200000u);
    EXPECT_EQ(CountEndingIn(names, ".b.example"), 200000u);
}

TEST_F(OneWriter, TwoWriteHostsRunsStartedTogetherLeaveACompleteHostsFile)
{
    dir.Write("a.txt", HostsList("a", 200000));
    ASSERT_EQ(Run({"/i=a.txt", "/w"}).status, 0);
    const std::vector<std::string> expected = HostLines(dir.Read("hosts"));
    ASSERT_EQ(CountEndingIn(expected, ".a.example"), 200000u);

    auto first = std::async(std::launch::async, [&] { return Run({"/w"}); });
    auto second = std::async(std::launch::async, [&] { return Run({"/w"}); });
    for (const TRun& run : {first.get(), second.get()}) {
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "200000 hosts written\n");
    }

    const std::string hosts = dir.Read("hosts");
    EXPECT_EQ(hosts.find('\0'), std::string::npos);
    EXPECT_EQ(HostLines(hosts), expected);
    // The backup is the whole file one of the runs found, too.
    const std::string backup = dir.Read("hosts.bak");
    EXPECT_EQ(backup.find('\0'), std::string::npos);
    EXPECT_EQ(HostLines(backup), expected);
}

TEST_F(OneWriter, RunWaitsForTheHolderAndThenGoesOn)
{
    auto holder = StartHolder();
    auto waiting = Start({"/w"});
    const std::string said =
        "Quillon: " + InUse(holder->Pid()) + "; waiting up to 60 seconds for it to be free ...\n";
    ASSERT_TRUE(Eventually([&] { return waiting->ErrSoFar() == said; })) << waiting->ErrSoFar();
    EXPECT_FALSE(dir.Exists("hosts"));

    Feed(HostsList("a", 3));
    const TRun first = holder->Wait();
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "4 lines processed.\n");
    // It wrote the HOSTS file from what the holder had saved.
    const TRun second = waiting->Wait();
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out, "3 hosts written\n");
    EXPECT_EQ(second.err, said);
    EXPECT_EQ(CountEndingIn(HostLines(dir.Read("hosts")), ".a.example"), 3u);
}

TEST_F(OneWriter, RunGivesUpAfterTheWaitNamingFolderAndHolder)
{
    auto holder = StartHolder();
    const std::string ini = dir.Read("Quillon.ini");

    const TRun run = Run({"/i=other.txt", "/w"}, {"QUILLON_TEST_FOLDER_WAIT_MS=300"});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Quillon: " + InUse(holder->Pid()) +
                           "; waiting up to 300 milliseconds for it to be free ...\n"
                           "Quillon: the data folder " +
                           folder + " is still in use by process " + std::to_string(holder->Pid()) +
                           "; nothing was changed.\n");
    EXPECT_FALSE(dir.Exists("hosts"));
    EXPECT_FALSE(dir.Exists("BadHosts.cds"));
    EXPECT_EQ(dir.Read("Quillon.ini"), ini);

    // The holder was not disturbed.
    Feed(HostsList("a", 2));
    const TRun first = holder->Wait();
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "3 lines processed.\n");
}

TEST_F(OneWriter, LockOfAKilledRunDoesNotBlock)
{
    auto holder = StartHolder();
    holder->Kill();
    ASSERT_EQ(holder->Wait().signal, SIGKILL);
    // The lock file still names the dead process.
    ASSERT_EQ(dir.Read("Quillon.lock").rfind(std::to_string(holder->Pid()) + "\n", 0), 0u);

    // No wait at all: a folder still taken would fail the run at once.
    const TRun run = Run({"/w"}, {"QUILLON_TEST_FOLDER_WAIT_MS=0"});

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "0 hosts written\n");
    EXPECT_TRUE(dir.Exists("hosts"));
}

}   // namespace
