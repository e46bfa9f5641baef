// Runs the built program the way a scheduled job would: no display, in a folder, capturing both streams.
#include "RunProgram.h"

#include <cerrno>
#include <csignal>
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

// Starts the program with its standard input read from inputFd (-1: /dev/null).
TStartedRun Start(const std::string& program, const std::string& workDir,
                  const std::vector<std::string>& args, const std::vector<std::string>& extraEnv, int inputFd,
                  int parentEnd)
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
    char outName[] = "/tmp/quillon-run-out-XXXXXX";
    char errName[] = "/tmp/quillon-run-err-XXXXXX";
    const int outFd = mkstemp(outName);
    const int errFd = mkstemp(errName);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    if (inputFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, inputFd, STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (parentEnd >= 0)
        posix_spawn_file_actions_addclose(&actions, parentEnd);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    TStartedRun started;
    started.outName = outName;
    started.errName = errName;
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0)
        started.pid = pid;
    posix_spawn_file_actions_destroy(&actions);
    close(outFd);
    close(errFd);
    return started;
}

}   // namespace

TStartedRun StartWithoutDisplay(const std::string& program, const std::string& workDir,
                                const std::vector<std::string>& args,
                                const std::vector<std::string>& extraEnv)
{
    return Start(program, workDir, args, extraEnv, -1, -1);
}

TRun Finish(TStartedRun& started)
{
    TRun run;
    if (started.pid > 0) {
        int wstatus = 0;
        while (waitpid(started.pid, &wstatus, 0) < 0 && errno == EINTR) {
        }
        if (WIFEXITED(wstatus))
            run.status = WEXITSTATUS(wstatus);
        else if (WIFSIGNALED(wstatus))
            run.signal = WTERMSIG(wstatus);
        started.pid = -1;
    }
    run.out = Slurp(started.outName);
    run.err = Slurp(started.errName);
    std::remove(started.outName.c_str());
    std::remove(started.errName.c_str());
    return run;
}

TRun RunWithoutDisplay(const std::string& program, const std::string& workDir,
                       const std::vector<std::string>& args, const std::vector<std::string>& extraEnv)
{
    TStartedRun started = StartWithoutDisplay(program, workDir, args, extraEnv);
    return Finish(started);
}

TRun RunWithInput(const std::string& program, const std::string& workDir,
                  const std::vector<std::string>& args, const std::string& input)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return {};
    TStartedRun started = Start(program, workDir, args, {}, pipeFds[0], pipeFds[1]);
    close(pipeFds[0]);
    // A program that stops reading early (a refused input) closes the pipe:
    // the rest of the input is dropped, as a shell pipeline's producer would see.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    for (size_t done = 0; done < input.size();) {
        ssize_t put = write(pipeFds[1], input.data() + done, input.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            break;
        done += size_t(put);
    }
    close(pipeFds[1]);
    sigaction(SIGPIPE, &previous, nullptr);
    return Finish(started);
}

TRunningProgram::TRunningProgram(const std::string& program, const std::string& workDir,
                                 const std::vector<std::string>& args,
                                 const std::vector<std::string>& extraEnv)
    : started(StartWithoutDisplay(program, workDir, args, extraEnv)), pid(started.pid)
{
}

TRunningProgram::~TRunningProgram()
{
    if (!waited) {
        Kill();
        Wait();
    }
}

std::string TRunningProgram::ErrSoFar() const { return Slurp(started.errName); }

void TRunningProgram::Kill()
{
    if (started.pid > 0 && !waited)
        kill(started.pid, SIGKILL);
}

TRun TRunningProgram::Wait()
{
    if (waited)
        return {};
    waited = true;
    return Finish(started);
}
