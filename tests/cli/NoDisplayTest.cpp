// Without a display the program says so and ends with status 2, before Qt could abort it.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct TRun {
    int status = -1;
    std::string err;
};

// Runs program with the environment minus the variables that name a display,
// plus the given ones.
TRun RunWithoutDisplay(const std::string& program, const std::string& workDir,
                       const std::vector<std::string>& extra)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string var = *e;
        const std::string name = var.substr(0, var.find('='));
        if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "QT_QPA_PLATFORM")
            env.push_back(var);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    std::vector<char*> envp;
    for (auto& v : env)
        envp.push_back(v.data());
    envp.push_back(nullptr);

    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    std::string arg0 = program;
    char* argv[] = {arg0.data(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);

    TRun run;
    char buf[512];
    for (ssize_t n; (n = read(pipeFds[0], buf, sizeof buf)) > 0;)
        run.err.append(buf, size_t(n));
    close(pipeFds[0]);
    if (spawned != 0)
        return run;
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    if (WIFEXITED(wstatus))
        run.status = WEXITSTATUS(wstatus);
    return run;
}

} // namespace

struct TNoDisplayCase {
    const char* name;
    std::vector<std::string> env;
};

void PrintTo(const TNoDisplayCase& c, std::ostream* os) { *os << c.name; }

class NoDisplay : public testing::TestWithParam<TNoDisplayCase> {};

TEST_P(NoDisplay, ExitsWithStatus2AndWritesNothing)
{
    TTempDir dir;
    const std::string copy = dir.File("quillon");
    std::filesystem::copy_file(QUILLON_BINARY, copy);

    const TRun run = RunWithoutDisplay(copy, dir.Path(), GetParam().env);

    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err,
              "Quillon: no display available (set DISPLAY or run under a desktop session).\n");
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        files.insert(entry.path().filename().string());
    EXPECT_EQ(files, std::set<std::string>{"quillon"});
}

// The display a platform needs must be the one that is named.
INSTANTIATE_TEST_SUITE_P(
    Platforms, NoDisplay,
    testing::Values(
        TNoDisplayCase{"NothingSet", {}},
        TNoDisplayCase{"X11WithOnlyWayland", {"QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY=wayland-0"}},
        TNoDisplayCase{"WaylandWithOnlyX11", {"QT_QPA_PLATFORM=wayland", "DISPLAY=:99"}},
        TNoDisplayCase{"NeitherFallback", {"QT_QPA_PLATFORM=wayland;xcb"}}),
    [](const auto& info) { return std::string(info.param.name); });
