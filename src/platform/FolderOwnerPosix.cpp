// The data folder's lock (flock) and the Unix-domain socket that reaches the window owning it, on POSIX systems.
#include "platform/FolderOwner.h"

#include "platform/Errors.h"
#include "platform/Platform.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

// Room for a path in a socket address, its closing NUL included.
constexpr size_t SocketPathRoom = sizeof(sockaddr_un::sun_path);

TLockHolder ParseLockFile(const std::string& text)
{
    TLockHolder holder;
    const size_t lineEnd = text.find('\n');
    const std::string first = text.substr(0, lineEnd);
    if (!first.empty() && first.find_first_not_of("0123456789") == std::string::npos && first.size() < 10)
        holder.pid = std::strtol(first.c_str(), nullptr, 10);
    if (lineEnd != std::string::npos) {
        holder.note = text.substr(lineEnd + 1);
        while (!holder.note.empty() && holder.note.back() == '\n')
            holder.note.pop_back();
    }
    return holder;
}

std::string ReadFrom(int fd)
{
    char buffer[4096];
    ssize_t got;
    do
        got = pread(fd, buffer, sizeof buffer, 0);
    while (got < 0 && errno == EINTR);
    return got > 0 ? std::string(buffer, size_t(got)) : std::string();
}

// A folder nobody but this user can enter or change: a real folder, not a
// link to one, owned by this user, with no rights for group or others.
bool IsPrivateFolder(const std::string& folder)
{
    struct stat st;
    return lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
           (st.st_mode & 077) == 0;
}

// FNV-1a: stable across builds and machines, which std::hash is not.
std::string HashText(const std::string& text)
{
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

std::string CanonicalFolder(const std::string& folder)
{
    std::string path = ExcludeTrailingPathDelimiter(folder);
    if (char* real = realpath(path.empty() ? "/" : path.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    return path;
}

}   // namespace

// ---- the lock

struct TFolderLock::Impl {
    int fd = -1;
    bool writable = false;
};

TFolderLock::TFolderLock() : d(std::make_unique<Impl>()) {}

TFolderLock::~TFolderLock()
{
    // Closing the only descriptor of the open file drops the lock.
    if (d->fd >= 0)
        close(d->fd);
}

std::unique_ptr<TFolderLock> TFolderLock::TryAcquire(const std::string& folder, TLockHolder* holder)
{
    const std::string path = IncludeTrailingPathDelimiter(folder) + FolderLockFileName;
    bool writable = true;
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    // A folder shared with other users: their lock file locks just as well
    // when it can only be read.
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        writable = false;
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0)
        throw EQuillonError("Cannot open file " + path + ": " + std::strerror(errno));

    // flock, not fcntl: an fcntl lock is the process's, so a second object in
    // the same process would get it too, and closing any descriptor of the
    // file would drop it.
    int locked;
    do
        locked = flock(fd, LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            if (holder)
                *holder = ParseLockFile(ReadFrom(fd));
            close(fd);
            return nullptr;
        }
        close(fd);
        throw EQuillonError("Cannot lock file " + path + ": " + std::strerror(error));
    }
    std::unique_ptr<TFolderLock> lock(new TFolderLock);
    lock->d->fd = fd;
    lock->d->writable = writable;
    lock->SetNote({});
    return lock;
}

void TFolderLock::SetNote(const std::string& note)
{
    if (!d->writable)
        return;
    std::string text = std::to_string(CurrentProcessId()) + "\n";
    if (!note.empty())
        text += note + "\n";
    // The whole text first, then the length: a reader never sees an empty
    // file in between. What the file says only helps messages and the
    // hand-over, so a full disk is no reason to give the folder up.
    ssize_t put;
    do
        put = pwrite(d->fd, text.data(), text.size(), 0);
    while (put < 0 && errno == EINTR);
    if (put == ssize_t(text.size())) {
        int ignored = ftruncate(d->fd, off_t(text.size()));
        (void)ignored;
    }
}

long CurrentProcessId() { return long(getpid()); }

// ---- the window's end point

std::string OwnerEndpointName(const std::string& folder)
{
    const std::string name = "quillon-" + HashText(CanonicalFolder(folder)) + ".sock";
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        const std::string dir = ExcludeTrailingPathDelimiter(runtime);
        const std::string path = dir + "/" + name;
        if (path.size() < SocketPathRoom && IsPrivateFolder(dir))
            return path;
    }
    const std::string dir = "/tmp/quillon-" + std::to_string(getuid());
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        throw EQuillonError("Cannot create folder " + dir + ": " + std::strerror(errno));
    // Someone else may have made it first, to listen in our place.
    if (!IsPrivateFolder(dir))
        throw EQuillonError("The folder " + dir + " is not private to this user.");
    return dir + "/" + name;
}

// ---- the calling side

struct TLocalConnection::Impl {
    int fd = -1;
};

TLocalConnection::TLocalConnection() : d(std::make_unique<Impl>()) {}

TLocalConnection::~TLocalConnection()
{
    if (d->fd >= 0)
        close(d->fd);
}

std::unique_ptr<TLocalConnection> TLocalConnection::Connect(const std::string& endpoint)
{
    if (endpoint.empty() || endpoint[0] != '/' || endpoint.size() >= SocketPathRoom)
        return nullptr;
    // The socket's folder must be this user's alone, and the socket too.
    if (!IsPrivateFolder(ExcludeTrailingPathDelimiter(ExtractFilePath(endpoint))))
        return nullptr;
    struct stat st;
    if (lstat(endpoint.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != getuid())
        return nullptr;

    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return nullptr;
    std::unique_ptr<TLocalConnection> connection(new TLocalConnection);
    connection->d->fd = fd;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, endpoint.c_str(), endpoint.size() + 1);
    int connected;
    do
        connected = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    while (connected != 0 && errno == EINTR);
    if (connected != 0)
        return nullptr;   // a socket left by a window that is gone: nobody listens

        // And the process at the other end runs as this user.
#ifdef SO_PEERCRED
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != getuid())
        return nullptr;
#else
    uid_t peerUid = 0;
    gid_t peerGid = 0;
    if (getpeereid(fd, &peerUid, &peerGid) != 0 || peerUid != getuid())
        return nullptr;
#endif
    return connection;
}

bool TLocalConnection::Send(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        // No SIGPIPE when the window has gone: that is an answer, not a crash.
        const ssize_t put = send(d->fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += size_t(put);
    }
    return true;
}

TLocalConnection::TReceived TLocalConnection::Receive(std::string& into, int timeoutMs)
{
    pollfd wait{d->fd, POLLIN, 0};
    int ready;
    do
        ready = poll(&wait, 1, timeoutMs);
    while (ready < 0 && errno == EINTR);
    if (ready == 0)
        return TReceived::TimedOut;
    if (ready < 0)
        return TReceived::Closed;
    char buffer[65536];
    ssize_t got;
    do
        got = recv(d->fd, buffer, sizeof buffer, 0);
    while (got < 0 && errno == EINTR);
    if (got <= 0)
        return TReceived::Closed;
    into.append(buffer, size_t(got));
    return TReceived::Data;
}

}   // namespace platform
