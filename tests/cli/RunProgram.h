// Runs the built program the way a scheduled job would: no display, in a folder, capturing both streams.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

struct TRun {
    int status = -1;   // the exit status; -1 when the program did not exit by itself
    int signal = 0;    // the signal that ended it, if one did
    std::string out;
    std::string err;
};

// A program started and not yet waited for.
struct TStartedRun {
    pid_t pid = -1;
    std::string outName, errName;   // where its streams go
};

// Starts program in workDir with the given arguments, with the environment
// minus the variables that name a display, plus extraEnv ("NAME=value").
// Standard input is /dev/null.
TStartedRun StartWithoutDisplay(const std::string& program, const std::string& workDir,
                                const std::vector<std::string>& args = {},
                                const std::vector<std::string>& extraEnv = {});

// Waits for a started program to end and collects its streams.
TRun Finish(TStartedRun& started);

// Runs program to its end as StartWithoutDisplay starts it.
TRun RunWithoutDisplay(const std::string& program, const std::string& workDir,
                       const std::vector<std::string>& args = {},
                       const std::vector<std::string>& extraEnv = {});

// The same with input piped into its standard input, as `producer | program` does.
TRun RunWithInput(const std::string& program, const std::string& workDir,
                  const std::vector<std::string>& args, const std::string& input);

// A program started in the background, for tests that overlap runs or kill
// one. A run still going when the object is destroyed is killed.
class TRunningProgram {
public:
    TRunningProgram(const std::string& program, const std::string& workDir,
                    const std::vector<std::string>& args = {}, const std::vector<std::string>& extraEnv = {});
    ~TRunningProgram();
    TRunningProgram(const TRunningProgram&) = delete;
    TRunningProgram& operator=(const TRunningProgram&) = delete;

    // Also once it has been waited for.
    pid_t Pid() const { return pid; }
    // What the run has written to standard error so far.
    std::string ErrSoFar() const;
    // Sends SIGKILL.
    void Kill();
    // Waits for the end, once.
    TRun Wait();

private:
    TStartedRun started;
    pid_t pid;
    bool waited = false;
};
