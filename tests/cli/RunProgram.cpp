// Runs the built program the way a scheduled job would: no display, in a folder, capturing both streams.
#include "RunProgram.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

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

} // namespace

TRunningProgram::TRunningProgram(const std::string& program, const std::string& workDir,
                                 const std::vector<std::string>& args, const std::vector<std::string>& extraEnv)
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

    // The streams go to files outside workDir, so tests can list what the program wrote.
    char outTemplate[] = "/tmp/quillon-run-out-XXXXXX";
    char errTemplate[] = "/tmp/quillon-run-err-XXXXXX";
    const int outFd = mkstemp(outTemplate);
    const int errFd = mkstemp(errTemplate);
    outName = outTemplate;
    errName = errTemplate;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    close(outFd);
    close(errFd);
}

TRunningProgram::~TRunningProgram()
{
    if (!waited && pid > 0) {
        Kill();
        Wait();
    }
    std::remove(outName.c_str());
    std::remove(errName.c_str());
}

std::string TRunningProgram::ErrSoFar() const { return Slurp(errName); }

void TRunningProgram::Kill()
{
    if (pid > 0 && !waited)
        kill(pid, SIGKILL);
}

TRun TRunningProgram::Wait()
{
    TRun run;
    if (pid > 0 && !waited) {
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        if (WIFEXITED(wstatus))
            run.status = WEXITSTATUS(wstatus);
        if (WIFSIGNALED(wstatus))
            run.signal = WTERMSIG(wstatus);
    }
    waited = true;
    run.out = Slurp(outName);
    run.err = Slurp(errName);
    return run;
}

TRun RunWithoutDisplay(const std::string& program, const std::string& workDir,
                       const std::vector<std::string>& args, const std::vector<std::string>& extraEnv)
{
    return TRunningProgram(program, workDir, args, extraEnv).Wait();
}
