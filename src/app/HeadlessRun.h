// The command line without a display: the engines called directly, no window and no Qt.
#pragma once

#include <string>
#include <vector>

// Opens the data folder's preferences and tables as the program's start-up
// does, carries out the arguments in order and saves as its shutdown does,
// with messages on standard error ("caption: text", questions answered No)
// and each run's closing status on standard output. Returns the exit status:
// 0 after a complete command line, 1 when it stopped at an error or the
// start-up failed. dataDir: empty for the program's own data folder.
int RunHeadless(const std::vector<std::string>& arguments, const std::string& dataDir = {});
