// Runs the built program the way a scheduled job would: no display, in a folder, capturing both streams.
#pragma once

#include <string>
#include <vector>

struct TRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs program in workDir with the given arguments, with the environment minus
// the variables that name a display, plus extraEnv ("NAME=value").
TRun RunWithoutDisplay(const std::string& program, const std::string& workDir,
                       const std::vector<std::string>& args = {},
                       const std::vector<std::string>& extraEnv = {});

// Starts the program as RunWithoutDisplay does without waiting for it, its
// output dropped; the process id (for kill and waitpid), or -1.
int StartWithoutDisplay(const std::string& program, const std::string& workDir,
                        const std::vector<std::string>& args = {},
                        const std::vector<std::string>& extraEnv = {});
