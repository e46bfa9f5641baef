// Taking the data folder for this process, or handing the command line to the window that owns it (no Qt).
#pragma once

#include "platform/FolderOwner.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct TClaimLimits {
    // How long a start waits for a command-line run (or a window still
    // opening its tables) to let the folder go.
    std::chrono::milliseconds folderWait{60'000};
    // How long a caller waits for the window to carry out its command line.
    std::chrono::milliseconds windowWait{600'000};
};

// The limits above. Only tests change them, so they need not wait a
// minute: QUILLON_TEST_FOLDER_WAIT_MS and QUILLON_TEST_WINDOW_WAIT_MS, in
// milliseconds, replace the two limits when set.
TClaimLimits ClaimLimitsFromEnvironment();

struct TClaim {
    // The folder is this process's until the lock is destroyed.
    std::unique_ptr<platform::TFolderLock> lock;
    // The window that owns the folder took the arguments; this is the status
    // its run ended with. Its status lines and messages have been printed.
    std::optional<int> handedOver;
    // Neither: the folder stayed busy for the whole wait. Who held it:
    platform::TLockHolder holder;
};

// Takes the data folder, or, while a window owns it, hands it the arguments
// (none: the window only comes to the front) and prints what it reports:
// status lines on standard output, messages on standard error. Waiting for
// a busy folder or a busy window is said on standard error. Throws
// EQuillonError when the lock file cannot be opened.
TClaim ClaimDataFolder(const std::string& folder, const std::vector<std::string>& arguments,
                       const TClaimLimits& limits);
