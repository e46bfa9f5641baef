// One owner per data folder: the folder's lock, and the local connection through which a window that owns it takes command lines.
#pragma once

#include <memory>
#include <string>

namespace platform {

// The lock file, in the data folder. It stays there between runs: deleting
// it could let one process lock the old file while another creates and locks
// a new one, and both would think they own the folder.
inline constexpr const char* FolderLockFileName = "Quillon.lock";

// What the lock file tells about the process that holds it.
struct TLockHolder {
    long pid = 0;       // 0 while the holder has not written it yet
    std::string note;   // the holder's own words after the pid line
};

// Ownership of a data folder for the object's lifetime. The lock belongs to
// the open lock file (flock on POSIX, LockFileEx on Windows), so the system
// drops it however the holder ends, a killed process included: a lock left by
// a process that is gone never blocks. Two objects in one process exclude each
// other as two processes do, and started programs do not inherit the lock.
class TFolderLock {
public:
    // One attempt. Null when another process (or object) holds the folder;
    // holder, when given, then says what its lock file says. Throws
    // EQuillonError naming the lock file when it cannot be created or opened.
    static std::unique_ptr<TFolderLock> TryAcquire(const std::string& folder, TLockHolder* holder = nullptr);
    ~TFolderLock();
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

    // Rewrites the lock file as this process's id and the note, for the
    // processes that find the folder busy.
    void SetNote(const std::string& note);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    TFolderLock();
};

// This process's id, as the lock file records it.
long CurrentProcessId();

// Where a window listens for the command lines of its data folder: a name in
// a folder only this user can enter ($XDG_RUNTIME_DIR when it is private,
// otherwise /tmp/quillon-<uid>, created 0700 and checked to be this user's),
// made from a hash of the folder's canonical path and short enough for a
// Unix-domain socket; a named pipe carrying the user's name and the hash on
// Windows. Throws EQuillonError when there is no safe place.
std::string OwnerEndpointName(const std::string& folder);

// The calling side of a window's end point: a byte stream.
class TLocalConnection {
public:
    // Null when nothing listens there, or when what listens is not run by this
    // user (an end point in a folder other users can write, a socket or pipe
    // of someone else's).
    static std::unique_ptr<TLocalConnection> Connect(const std::string& endpoint);
    ~TLocalConnection();
    TLocalConnection(const TLocalConnection&) = delete;
    TLocalConnection& operator=(const TLocalConnection&) = delete;

    // False when the other side has gone.
    bool Send(const std::string& bytes);

    enum class TReceived { Data, Closed, TimedOut };
    // Waits at most timeoutMs for bytes and appends what arrived to into.
    TReceived Receive(std::string& into, int timeoutMs);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    TLocalConnection();
};

}   // namespace platform
