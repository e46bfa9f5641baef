// The command line without a display: the engines called directly, no window and no Qt.
#pragma once

#include <string>
#include <vector>

// Takes the data folder for the run, waiting while another run has it, or
// hands the arguments to the window that owns it and returns the status that
// window's run ended with. Otherwise opens the folder's preferences and
// tables as the program's start-up does, carries out the arguments in order
// and saves as its shutdown does, with messages on standard error ("caption:
// text", questions answered No) and each run's closing status on standard
// output. Returns the exit status: 0 after a complete command line, 1 when it
// stopped at an error, the start-up failed or the folder stayed busy.
// dataDir: empty for the program's own data folder.
int RunHeadless(const std::vector<std::string>& arguments, const std::string& dataDir = {});
