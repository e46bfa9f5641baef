// A write layer that fails after a set number of bytes, as a full disk does, or ends the process there.
#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <cstdlib>

#ifndef _WIN32
#include <csignal>
#endif

// While it lives, file content written through TAtomicFileWriter and TTextOut
// stops after `bytes` bytes: the write that crosses the limit fails with
// "No space left on device". With Crash, the process is killed at once
// instead (SIGKILL where there is one), before the block that crosses the
// limit (for a child process standing in for a program killed in the middle
// of a save).
class TFailingWrites {
public:
    enum TMode { Fail, Crash };

    explicit TFailingWrites(size_t bytes, TMode mode = Fail)
    {
        left = bytes;
        crash = mode == Crash;
        calls = 0;
        platform::WriteLimiter = &Limit;
    }
    ~TFailingWrites() { platform::WriteLimiter = nullptr; }
    TFailingWrites(const TFailingWrites&) = delete;
    TFailingWrites& operator=(const TFailingWrites&) = delete;

    // Blocks handed to the write layer so far.
    static int Calls() { return calls; }

private:
    inline static size_t left = 0;
    inline static bool crash = false;
    inline static int calls = 0;

    static size_t Limit(size_t size)
    {
        ++calls;
        if (size <= left) {
            left -= size;
            return size;
        }
        if (crash) {
#ifndef _WIN32
            std::raise(SIGKILL);
#endif
            std::_Exit(0);
        }
        size_t allowed = left;
        left = 0;
        return allowed;
    }
};
