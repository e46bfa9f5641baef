// The operating-system services on Windows.
#include "platform/Platform.h"

#include "platform/Errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string_view>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>

// windows.h turns these names into macros for its A/W pairs; here they are ours.
#undef CopyFile
#undef DeleteFile

namespace platform {

namespace {

// Both slashes separate folders on Windows; the colon ends a drive.
bool IsDelimiter(char c) { return c == '\\' || c == '/'; }

size_t LastNameStart(const std::string& path)
{
    size_t delim = path.find_last_of("\\/:");
    return delim == std::string::npos ? 0 : delim + 1;
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

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

// One argument of a command line, quoted so that the C runtime's argument
// splitting gives it back unchanged (spaces in a file name, for instance).
std::string QuoteArgument(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
        return arg;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only in front of a quote: there they are doubled.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

} // namespace

std::string ExeDir()
{
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, buffer.data(), DWORD(buffer.size()));
        if (length == 0)
            return ".\\";
        if (length < buffer.size()) {
            buffer.resize(length);
            return ExtractFilePath(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

void TuneMemory() {}

std::string DefaultHostsFileName()
{
    std::string folder =
        ReadMachineRegistryString("System\\CurrentControlSet\\Services\\Tcpip\\Parameters", "DataBasePath");
    if (!folder.empty())
        return IncludeTrailingPathDelimiter(ExpandEnvVars(folder)) + "HOSTS";
    std::string windows = WindowsDir(true);
    return windows.empty() ? std::string() : windows + "HOSTS";
}

std::string FindExecutableFor(const std::string& document)
{
    char program[MAX_PATH + 1] = {};
    std::string folder = ExtractFilePath(document);
    HINSTANCE result = FindExecutableA(document.c_str(), folder.empty() ? nullptr : folder.c_str(), program);
    // Results of 32 and less are error codes.
    if (reinterpret_cast<INT_PTR>(result) <= 32)
        return {};
    return program;
}

std::string ExpandEnvVars(const std::string& text)
{
    std::string buffer(text.size() + 260, '\0');
    for (;;) {
        DWORD needed = ExpandEnvironmentStringsA(text.c_str(), buffer.data(), DWORD(buffer.size()));
        if (needed == 0)
            throw EQuillonError(SystemErrorText(GetLastError()));
        if (needed <= buffer.size())
            break;
        buffer.assign(needed, '\0');
    }
    // The count may overstate the ANSI result; the terminating null does not.
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

std::string WindowsDir(bool withDelimiter)
{
    std::string buffer(MAX_PATH, '\0');
    UINT length = GetWindowsDirectoryA(buffer.data(), UINT(buffer.size()));
    if (length >= buffer.size()) {
        buffer.assign(length, '\0');
        length = GetWindowsDirectoryA(buffer.data(), UINT(buffer.size()));
    }
    if (length == 0 || length >= buffer.size())
        return {};
    buffer.resize(length);
    return withDelimiter ? IncludeTrailingPathDelimiter(buffer) : ExcludeTrailingPathDelimiter(buffer);
}

std::string ReadMachineRegistryString(const std::string& key, const std::string& value)
{
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return {};
    DWORD type = 0;
    DWORD size = 0;
    std::string data;
    LSTATUS status = RegQueryValueExA(handle, value.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) {
        RegCloseKey(handle);
        throw EQuillonError("Invalid data type for '" + value + "'");
    }
    // The value may grow between asking its size and reading it.
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        data.assign(size, '\0');
        status = RegQueryValueExA(handle, value.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_SUCCESS) {
            data.resize(std::min<size_t>(size, data.size()));
            break;
        }
    }
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS)
        return {};
    // Stored strings usually carry their terminating null; some carry none.
    data.resize(std::strlen(data.c_str()));
    return data;
}

bool ShellOpen(const std::string& fileOrProgram, const std::string& params, const std::string& workDir)
{
    if (fileOrProgram.empty())
        return false;
    std::string arguments = params.empty() ? std::string() : QuoteArgument(params);
    HINSTANCE result = ShellExecuteA(nullptr, "open", fileOrProgram.c_str(),
                                     arguments.empty() ? nullptr : arguments.c_str(),
                                     workDir.empty() ? nullptr : workDir.c_str(), SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

bool StartDetached(const std::string& commandLine)
{
    // The first word of the command line names the program; CreateProcess may
    // write into the buffer, so it is a copy.
    std::string buffer = commandLine;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process))
        return false;
    // Nobody waits for it.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void MessageBeep(unsigned soundType) { ::MessageBeep(soundType); }

bool FileExists(const std::string& path)
{
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path)
{
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RenameFile(const std::string& from, const std::string& to)
{
    // Without MOVEFILE_REPLACE_EXISTING an existing target makes the move fail.
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED) != 0;
}

bool CopyFile(const std::string& from, const std::string& to)
{
    // CopyFile refuses to overwrite a hidden target, and a copy of a hidden
    // HOSTS file (its backup) is hidden too: uncover it first. The copy gives
    // the target the source's attributes again.
    DWORD target = Attributes(to);
    if (target != INVALID_FILE_ATTRIBUTES && !(target & FILE_ATTRIBUTE_DIRECTORY) &&
        (target & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
        SetFileAttributesA(to.c_str(), target & ~DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool DeleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

std::string LastErrorText() { return SystemErrorText(GetLastError()); }

std::FILE* OpenFileForRewrite(const std::string& path)
{
    DWORD attributes = Attributes(path);
    const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
    // Windows refuses such a file anyway; saying why spares the user a guess.
    if (existed && !(attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_READONLY))
        throw EQuillonError("Cannot write file " + path + ": the file has the read-only attribute");
    auto fail = [&](int error) {
        throw EQuillonError((existed ? "Cannot write file " : "Cannot create file ") + path + ": " +
                            std::strerror(error));
    };
    // Not "w" or O_TRUNC: they re-create the file (CREATE_ALWAYS), which Windows
    // refuses for a hidden or system file such as a protected HOSTS file. Opened
    // as it is and then emptied, the file keeps its attributes.
    int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        fail(errno);
    if (_chsize(fd, 0) != 0) {
        int error = errno;
        _close(fd);
        fail(error);
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) {
        int error = errno;
        _close(fd);
        fail(error);
    }
    return file;
}

std::string IncludeTrailingPathDelimiter(const std::string& path)
{
    if (!path.empty() && IsDelimiter(path.back()))
        return path;
    return path + PathDelim;
}

std::string ExcludeTrailingPathDelimiter(const std::string& path)
{
    if (!path.empty() && IsDelimiter(path.back()))
        return path.substr(0, path.size() - 1);
    return path;
}

std::string RemoveFileExt(const std::string& path)
{
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < LastNameStart(path))
        return path;
    return path.substr(0, dot);
}

std::string ExtractFileName(const std::string& path) { return path.substr(LastNameStart(path)); }

std::string ExtractFilePath(const std::string& path) { return path.substr(0, LastNameStart(path)); }

struct TAtomicFileWriter::Impl {
    std::string path;
    std::string temp;
    int fd = -1;

    [[noreturn]] void Fail(const std::string& reason)
    {
        Abandon();
        throw EQuillonError("Cannot write file " + path + ": " + reason);
    }
    [[noreturn]] void Fail(int error) { Fail(std::strerror(error)); }

    void Abandon()
    {
        if (fd >= 0) {
            _close(fd);
            fd = -1;
        }
        if (!temp.empty()) {
            DeleteFileA(temp.c_str());
            temp.clear();
        }
    }
};

TAtomicFileWriter::TAtomicFileWriter(const std::string& path) : d(std::make_unique<Impl>())
{
    d->path = path;
    // A name of our own in the same folder, so the final move stays on one volume.
    std::random_device seed;
    std::mt19937 random(seed());
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100 && d->fd < 0; ++attempt) {
        std::string name = path + ".tmp";
        for (int k = 0; k < 6; ++k)
            name += alphabet[random() % (sizeof alphabet - 1)];
        d->fd = _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                      _S_IREAD | _S_IWRITE);
        if (d->fd >= 0)
            d->temp = name;
        else if (errno != EEXIST)
            d->Fail(errno);
    }
    if (d->fd < 0)
        d->Fail(EEXIST);
}

TAtomicFileWriter::~TAtomicFileWriter() { d->Abandon(); }

void TAtomicFileWriter::Write(const char* data, size_t size)
{
    const size_t allowed = WritableBytes(size);
    const bool full = allowed < size;
    size = allowed;
    while (size > 0) {
        unsigned chunk = unsigned(std::min<size_t>(size, 1u << 30));
        int put = _write(d->fd, data, chunk);
        if (put < 0)
            d->Fail(errno);
        data += put;
        size -= size_t(put);
    }
    if (full)
        d->Fail(ENOSPC);
}

void TAtomicFileWriter::Commit()
{
    if (_commit(d->fd) != 0)
        d->Fail(errno);
    int fd = d->fd;
    d->fd = -1;
    if (_close(fd) != 0)
        d->Fail(errno);
    if (!MoveFileExA(d->temp.c_str(), d->path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        d->Fail(SystemErrorText(GetLastError()));
    d->temp.clear();
}

void WriteFileAtomic(const std::string& path, const char* data, size_t size)
{
    TAtomicFileWriter file(path);
    file.Write(data, size);
    file.Commit();
}

std::string ReadWholeFile(const std::string& path)
{
    int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0)
        throw EQuillonError("Cannot open file " + path + ": " + std::strerror(errno));
    std::string content;
    __int64 expected = _filelengthi64(fd);
    content.resize(expected > 0 ? size_t(expected) + 1 : 65536);
    size_t have = 0;
    for (;;) {
        if (have == content.size())
            content.resize(content.size() * 2);
        unsigned chunk = unsigned(std::min<size_t>(content.size() - have, 1u << 30));
        int got = _read(fd, content.data() + have, chunk);
        if (got < 0) {
            int error = errno;
            _close(fd);
            throw EQuillonError("Cannot read file " + path + ": " + std::strerror(error));
        }
        if (got == 0)
            break;
        have += size_t(got);
    }
    _close(fd);
    content.resize(have);
    return content;
}

// ---- Files replaced together (the table set)

void TAtomicFileWriter::Prepare()
{
    if (_commit(d->fd) != 0)
        d->Fail(errno);
    int fd = d->fd;
    d->fd = -1;
    if (_close(fd) != 0)
        d->Fail(errno);
}

void TAtomicFileWriter::Keep() { d->temp.clear(); }

const std::string& TAtomicFileWriter::TempName() const { return d->temp; }

const std::string& TAtomicFileWriter::TargetName() const { return d->path; }

bool RenameOver(const std::string& from, const std::string& to)
{
    // Written through: the move is on disk when the call returns.
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// MoveFileEx with MOVEFILE_WRITE_THROUGH has flushed every rename already.
void SyncFolder(const std::string&) {}

} // namespace platform
