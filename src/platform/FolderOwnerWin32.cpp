// The data folder's lock (LockFileEx) and the named pipe that reaches the window owning it, on Windows.
#include "platform/FolderOwner.h"

#include "platform/Errors.h"
#include "platform/Platform.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace platform {

namespace {

// The locked byte lies far beyond the text of the lock file, which other
// processes must still be able to read while it is locked.
constexpr DWORD LockedByteHigh = 1;

TLockHolder ParseLockFile(const std::string& text)
{
    TLockHolder holder;
    const size_t lineEnd = text.find('\n');
    std::string first = text.substr(0, lineEnd);
    if (!first.empty() && first.back() == '\r')
        first.pop_back();
    if (!first.empty() && first.find_first_not_of("0123456789") == std::string::npos && first.size() < 10)
        holder.pid = std::strtol(first.c_str(), nullptr, 10);
    if (lineEnd != std::string::npos) {
        holder.note = text.substr(lineEnd + 1);
        while (!holder.note.empty() && (holder.note.back() == '\n' || holder.note.back() == '\r'))
            holder.note.pop_back();
    }
    return holder;
}

std::string ReadFrom(HANDLE file)
{
    char buffer[4096];
    OVERLAPPED at{};
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, &at))
        return {};
    return std::string(buffer, got);
}

std::string SystemErrorText(DWORD code)
{
    char* buffer = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length ? std::string(buffer, length) : "System error " + std::to_string(code);
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.pop_back();
    return text;
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

// The user SID of a process's token, as bytes; empty when it cannot be read.
std::vector<char> TokenUserOf(HANDLE process)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<char> buffer(size);
    std::vector<char> sid;
    if (size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
        if (IsValidSid(user)) {
            const char* bytes = static_cast<const char*>(user);
            sid.assign(bytes, bytes + GetLengthSid(user));
        }
    }
    CloseHandle(token);
    return sid;
}

}   // namespace

// ---- the lock

struct TFolderLock::Impl {
    HANDLE file = INVALID_HANDLE_VALUE;
    bool writable = false;
};

TFolderLock::TFolderLock() : d(std::make_unique<Impl>()) {}

TFolderLock::~TFolderLock()
{
    if (d->file != INVALID_HANDLE_VALUE) {
        OVERLAPPED at{};
        at.OffsetHigh = LockedByteHigh;
        UnlockFileEx(d->file, 0, 1, 0, &at);
        CloseHandle(d->file);
    }
}

std::unique_ptr<TFolderLock> TFolderLock::TryAcquire(const std::string& folder, TLockHolder* holder)
{
    const std::string path = IncludeTrailingPathDelimiter(folder) + FolderLockFileName;
    constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    // Handles are not inherited by started programs unless asked for.
    bool writable = true;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    // A folder shared with other users: their lock file locks just as well
    // when it can only be read.
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        writable = false;
        file = CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    }
    if (file == INVALID_HANDLE_VALUE)
        throw EQuillonError("Cannot open file " + path + ": " + SystemErrorText(GetLastError()));

    OVERLAPPED at{};
    at.OffsetHigh = LockedByteHigh;
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD error = GetLastError();
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) {
            if (holder)
                *holder = ParseLockFile(ReadFrom(file));
            CloseHandle(file);
            return nullptr;
        }
        CloseHandle(file);
        throw EQuillonError("Cannot lock file " + path + ": " + SystemErrorText(error));
    }
    std::unique_ptr<TFolderLock> lock(new TFolderLock);
    lock->d->file = file;
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
    // The whole text first, then the length; what the file says only helps
    // messages and the hand-over, so a failed write keeps the lock.
    OVERLAPPED at{};
    DWORD put = 0;
    if (WriteFile(d->file, text.data(), DWORD(text.size()), &put, &at) && put == text.size()) {
        LARGE_INTEGER end;
        end.QuadPart = LONGLONG(text.size());
        if (SetFilePointerEx(d->file, end, nullptr, FILE_BEGIN))
            SetEndOfFile(d->file);
    }
}

long CurrentProcessId() { return long(GetCurrentProcessId()); }

// ---- the window's end point

std::string OwnerEndpointName(const std::string& folder)
{
    // Folder names do not depend on letter case here.
    char full[MAX_PATH * 4];
    const DWORD length =
        GetFullPathNameA(ExcludeTrailingPathDelimiter(folder).c_str(), sizeof full, full, nullptr);
    std::string canonical = length > 0 && length < sizeof full ? std::string(full, length) : folder;
    CharLowerBuffA(canonical.data(), DWORD(canonical.size()));
    char user[256];
    DWORD userSize = sizeof user;
    const std::string userName =
        GetUserNameA(user, &userSize) && userSize > 0 ? std::string(user, userSize - 1) : "";
    return "\\\\.\\pipe\\quillon-" + HashText(userName) + "-" + HashText(canonical);
}

// ---- the calling side

struct TLocalConnection::Impl {
    HANDLE pipe = INVALID_HANDLE_VALUE;
};

TLocalConnection::TLocalConnection() : d(std::make_unique<Impl>()) {}

TLocalConnection::~TLocalConnection()
{
    if (d->pipe != INVALID_HANDLE_VALUE)
        CloseHandle(d->pipe);
}

std::unique_ptr<TLocalConnection> TLocalConnection::Connect(const std::string& endpoint)
{
    if (endpoint.rfind("\\\\.\\pipe\\", 0) != 0)
        return nullptr;
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 2 && pipe == INVALID_HANDLE_VALUE; ++attempt) {
        pipe = CreateFileA(endpoint.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
        // Every instance taken: wait for the server to offer another.
        if (pipe == INVALID_HANDLE_VALUE &&
            (GetLastError() != ERROR_PIPE_BUSY || !WaitNamedPipeA(endpoint.c_str(), 2000)))
            return nullptr;
    }
    if (pipe == INVALID_HANDLE_VALUE)
        return nullptr;
    std::unique_ptr<TLocalConnection> connection(new TLocalConnection);
    connection->d->pipe = pipe;

    // Anyone may create a pipe of any name: the server must run as this user.
    ULONG serverPid = 0;
    if (!GetNamedPipeServerProcessId(pipe, &serverPid))
        return nullptr;
    HANDLE server = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverPid);
    if (!server)
        return nullptr;
    const std::vector<char> serverUser = TokenUserOf(server);
    CloseHandle(server);
    const std::vector<char> ownUser = TokenUserOf(GetCurrentProcess());
    if (serverUser.empty() || serverUser != ownUser)
        return nullptr;
    return connection;
}

bool TLocalConnection::Send(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD put = 0;
        if (!WriteFile(d->pipe, bytes.data() + done, DWORD(bytes.size() - done), &put, nullptr))
            return false;
        done += put;
    }
    return true;
}

TLocalConnection::TReceived TLocalConnection::Receive(std::string& into, int timeoutMs)
{
    // A pipe opened for plain reads has no waiting read with a time limit:
    // look for bytes in short steps instead.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(d->pipe, nullptr, 0, nullptr, &available, nullptr))
            return TReceived::Closed;
        if (available > 0)
            break;
        if (std::chrono::steady_clock::now() >= deadline)
            return TReceived::TimedOut;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    char buffer[65536];
    DWORD got = 0;
    if (!ReadFile(d->pipe, buffer, sizeof buffer, &got, nullptr) || got == 0)
        return TReceived::Closed;
    into.append(buffer, got);
    return TReceived::Data;
}

}   // namespace platform
