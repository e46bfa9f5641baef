// Runs the built program the way a scheduled job would: no display, in a folder, capturing both streams.
#include "RunProgram.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string Slurp(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Spawns program in workDir with its standard output and error on the given
// descriptors; the process id, or -1.
pid_t Spawn(const std::string& program, const std::string& workDir, const std::vector<std::string>& args,
            const std::vector<std::string>& extraEnv, int outFd, int errFd)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string var = *e;
        const std::string name = var.substr(0, var.find('='));
        if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "QT_QPA_PLATFORM")
            env.push_back(var);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp;
    for (auto& v : env)
        envp.push_back(v.data());
    envp.push_back(nullptr);

    std::vector<std::string> argStore{program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

} // namespace

TRun RunWithoutDisplay(const std::string& program, const std::string& workDir,
                       const std::vector<std::string>& args, const std::vector<std::string>& extraEnv)
{
    // The streams go to files outside workDir, so tests can list what the program wrote.
    char outName[] = "/tmp/quillon-run-out-XXXXXX";
    char errName[] = "/tmp/quillon-run-err-XXXXXX";
    const int outFd = mkstemp(outName);
    const int errFd = mkstemp(errName);
    const pid_t pid = Spawn(program, workDir, args, extraEnv, outFd, errFd);
    close(outFd);
    close(errFd);

    TRun run;
    if (pid > 0) {
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        if (WIFEXITED(wstatus))
            run.status = WEXITSTATUS(wstatus);
    }
    run.out = Slurp(outName);
    run.err = Slurp(errName);
    std::remove(outName);
    std::remove(errName);
    return run;
}

int StartWithoutDisplay(const std::string& program, const std::string& workDir,
                        const std::vector<std::string>& args, const std::vector<std::string>& extraEnv)
{
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t pid = Spawn(program, workDir, args, extraEnv, null, null);
    close(null);
    return pid;
}
