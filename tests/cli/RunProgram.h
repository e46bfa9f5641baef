// Runs the built program the way a scheduled job would: no display, in a folder, capturing both streams.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

struct TRun {
    int status = -1;   // the exit status; -1 when a signal ended it
    int signal = 0;    // the signal that ended it, 0 when it exited
    std::string out;
    std::string err;
};

// Runs program in workDir with the given arguments, with the environment minus
// the variables that name a display, plus extraEnv ("NAME=value").
TRun RunWithoutDisplay(const std::string& program, const std::string& workDir,
                       const std::vector<std::string>& args = {},
                       const std::vector<std::string>& extraEnv = {});

// The same started in the background, for tests that overlap runs or kill
// one. A run still going when the object is destroyed is killed.
class TRunningProgram {
public:
    TRunningProgram(const std::string& program, const std::string& workDir,
                    const std::vector<std::string>& args = {},
                    const std::vector<std::string>& extraEnv = {});
    ~TRunningProgram();
    TRunningProgram(const TRunningProgram&) = delete;
    TRunningProgram& operator=(const TRunningProgram&) = delete;

    pid_t Pid() const { return pid; }
    // What the run has written to standard error so far.
    std::string ErrSoFar() const;
    // Sends SIGKILL.
    void Kill();
    // Waits for the end, once.
    TRun Wait();

private:
    pid_t pid = 0;
    bool waited = false;
    std::string outName;
    std::string errName;
};
