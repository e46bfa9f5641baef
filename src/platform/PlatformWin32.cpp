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

}   // namespace

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
        status = RegQueryValueExA(handle, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                  &size);
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
    HINSTANCE result =
        ShellExecuteA(nullptr, "open", fileOrProgram.c_str(), arguments.empty() ? nullptr : arguments.c_str(),
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

// ---- Files replaced whole

#ifndef REPLACEFILE_IGNORE_ACL_ERRORS
#define REPLACEFILE_IGNORE_ACL_ERRORS 0x00000004
#endif

namespace {

constexpr int TempNameLength = 6;   // random characters after ".tmp"

// The characters of those random names: ASCII letters and digits, whatever the locale.
bool IsTempNameChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The attributes a replaced file hands on to its successor.
constexpr DWORD KeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Creates target + ".tmp" and random characters exclusively, in the target's
// folder so that the final move stays on one volume. The descriptor, or -1
// with errno. Opened without delete sharing, the file cannot be removed while
// it is open: that keeps a live writer's file from RemoveLeftovers.
int CreateTempBeside(const std::string& target, std::string& name)
{
    std::random_device seed;
    std::mt19937 random(seed());
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + ".tmp";
        for (int k = 0; k < TempNameLength; ++k)
            name += alphabet[random() % (sizeof alphabet - 1)];
        int fd = _open(name.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                       _S_IREAD | _S_IWRITE);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST)
            break;
    }
    int error = errno;
    name.clear();
    errno = error;
    return -1;
}

// Where another file cannot take the target's place while the target itself
// may still be written: a file that some program holds open.
bool CannotReplace(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_USER_MAPPED_FILE || error == ERROR_UNABLE_TO_REMOVE_REPLACED ||
           error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_NOT_SAME_DEVICE;
}

// Puts a file in the target's place: ReplaceFile over an existing target (it
// keeps the target's identity: creation time, security), a move to a new
// name. A folder is never replaced. 0 or a Windows error code.
DWORD ReplaceOver(const std::string& from, const std::string& to)
{
    const DWORD attributes = Attributes(to);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return ERROR_ACCESS_DENIED;
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (ReplaceFileA(to.c_str(), from.c_str(), nullptr,
                         REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr))
            return 0;
    } else if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    return GetLastError();
}

// The written file put in place of its target, or the test seam's failure,
// which reads as a file that another program holds open.
DWORD ReplaceTarget(const std::string& from, const std::string& to)
{
    if (RenameFault && RenameFault(to) != 0)
        return ERROR_SHARING_VIOLATION;
    return ReplaceOver(from, to);
}

// Writes a whole block as far as WritableBytes lets it; 0 or an error number.
int WriteBlock(int fd, const char* data, size_t size)
{
    const size_t allowed = WritableBytes(size);
    for (size_t left = allowed; left > 0;) {
        unsigned chunk = unsigned(std::min<size_t>(left, 1u << 30));
        int put = _write(fd, data, chunk);
        if (put < 0)
            return errno;
        data += put;
        left -= size_t(put);
    }
    return allowed < size ? ENOSPC : 0;
}

// Opens an existing file to be written from its start. Not "w" or O_TRUNC:
// they re-create the file (CREATE_ALWAYS), which Windows refuses for a hidden
// or system file; opened as it is and then emptied, the file keeps its
// attributes. A descriptor, or -1 with errno.
int OpenEmptied(const std::string& path)
{
    int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd >= 0 && _chsize(fd, 0) != 0) {
        int error = errno;
        _close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// Copies a file's content into the target in place and flushes it. 0 or an error number.
int CopyIntoPlace(const std::string& from, const std::string& target)
{
    int in = _open(from.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (in < 0)
        return errno;
    int out = OpenEmptied(target);
    if (out < 0) {
        int error = errno;
        _close(in);
        return error;
    }
    constexpr unsigned Block = 1 << 20;
    std::unique_ptr<char[]> buffer(new char[Block]);
    int error = 0;
    while (!error) {
        int got = _read(in, buffer.get(), Block);
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        error = WriteBlock(out, buffer.get(), size_t(got));
    }
    if (!error && _commit(out) != 0)
        error = errno;
    if (_close(out) != 0 && !error)
        error = errno;
    _close(in);
    return error;
}

// An in-place rewrite that a killed run left unfinished: its complete copy
// beside the target goes into the target, so the target is whole again
// before anybody copies or replaces it. An empty text, or the reason of a failure.
std::string FinishInPlaceCopy(const std::string& target)
{
    const std::string copy = target + InPlaceCopySuffix;
    if (Attributes(copy) == INVALID_FILE_ATTRIBUTES)
        return {};
    DWORD error = ReplaceTarget(copy, target);
    if (error == 0 || error == ERROR_FILE_NOT_FOUND)
        return {};
    if (!CannotReplace(error))
        return SystemErrorText(error);
    if (int copyError = CopyIntoPlace(copy, target))
        return std::strerror(copyError);
    DeleteFileA(copy.c_str());
    return {};
}

// Removes the temporary files that killed writes of the target left beside
// it; Windows refuses to delete a live writer's.
void RemoveLeftovers(const std::string& target)
{
    const std::string folder = ExtractFilePath(target);
    const std::string prefix = ExtractFileName(target) + ".tmp";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + prefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::string> names;
    do {
        std::string_view name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            name.size() == prefix.size() + TempNameLength &&
            std::all_of(name.begin() + prefix.size(), name.end(), IsTempNameChar))
            names.push_back(folder + std::string(name));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    for (const std::string& name : names)
        DeleteFileA(name.c_str());
}

}   // namespace

struct TAtomicFileWriter::Impl {
    std::string path;
    std::string temp;   // empty once moved, and while writing in place
    TFileKind kind = TFileKind::Table;
    DWORD keep = 0;   // attributes of the replaced file that the new one takes on
    int fd = -1;
    bool inPlace = false;   // straight into the target

    [[noreturn]] void Fail(const std::string& reason, const char* what = "Cannot write file ")
    {
        Abandon();
        throw EQuillonError(what + path + ": " + reason);
    }
    [[noreturn]] void Fail(int error, const char* what = "Cannot write file ")
    {
        Fail(std::strerror(error), what);
    }

    void Abandon()
    {
        if (fd >= 0) {
            _close(fd);
            fd = -1;
        }
        if (!temp.empty()) {
            SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(temp.c_str());
            temp.clear();
        }
    }

    void OpenInPlace()
    {
        fd = OpenEmptied(path);
        if (fd < 0)
            Fail(errno);
        inPlace = true;
    }
};

TAtomicFileWriter::TAtomicFileWriter(const std::string& path, TFileKind kind) : d(std::make_unique<Impl>())
{
    d->path = path;
    d->kind = kind;
    DWORD attributes = Attributes(path);
    bool hadTarget = attributes != INVALID_FILE_ATTRIBUTES;
    const bool table = kind == TFileKind::Table;
    if (!table) {
        // A folder is refused by the open, with the reason it always had.
        if (hadTarget && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            d->OpenInPlace();
            return;
        }
        // Windows refuses such a file anyway; saying why spares the user a guess.
        if (hadTarget && kind == TFileKind::Text && (attributes & FILE_ATTRIBUTE_READONLY))
            throw EQuillonError("Cannot write file " + path + ": the file has the read-only attribute");
        std::string reason = FinishInPlaceCopy(path);
        if (!reason.empty())
            d->Fail(reason);
        RemoveLeftovers(path);
        attributes = Attributes(path);
        hadTarget = attributes != INVALID_FILE_ATTRIBUTES;
        // A HOSTS file may carry the hidden and system attributes (some
        // security tools set them); its successor carries them too.
        if (hadTarget)
            d->keep = attributes & KeptAttributes;
    }
    d->fd = CreateTempBeside(path, d->temp);
    if (d->fd < 0) {
        const int error = errno;
        // A folder that takes no new file while the file itself may be written:
        // it is rewritten in place, as it always was.
        if (!table && hadTarget && error == EACCES) {
            d->OpenInPlace();
            return;
        }
        d->Fail(error, kind == TFileKind::Text && !hadTarget ? "Cannot create file " : "Cannot write file ");
    }
}

TAtomicFileWriter::~TAtomicFileWriter() { d->Abandon(); }

void TAtomicFileWriter::Write(const char* data, size_t size)
{
    if (int error = WriteBlock(d->fd, data, size))
        d->Fail(error);
}

void TAtomicFileWriter::Commit()
{
    Impl& w = *d;
    if (_commit(w.fd) != 0)
        w.Fail(errno);
    int fd = w.fd;
    w.fd = -1;
    if (_close(fd) != 0)
        w.Fail(errno);
    if (w.inPlace)
        return;

    if (w.kind == TFileKind::Table) {
        if (!MoveFileExA(w.temp.c_str(), w.path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            w.Fail(SystemErrorText(GetLastError()));
        w.temp.clear();
        return;
    }

    if (w.keep && !SetFileAttributesA(w.temp.c_str(), w.keep))
        w.Fail(SystemErrorText(GetLastError()));
    DWORD error = ReplaceTarget(w.temp, w.path);
    if (error == 0) {
        w.temp.clear();
        return;
    }
    if (!CannotReplace(error))
        w.Fail(SystemErrorText(error));
    // The target cannot be replaced, only rewritten. The complete file first
    // takes the name that says it is the whole new content; a kill while it is
    // copied into the target leaves that copy, and whoever writes or backs up
    // the target next finishes the copy first. So a cut-off target is never
    // taken for the file itself, nor copied over a good backup.
    const std::string copy = w.path + InPlaceCopySuffix;
    if (!MoveFileExA(w.temp.c_str(), copy.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        w.Fail(SystemErrorText(GetLastError()));
    w.temp.clear();
    if (int copyError = CopyIntoPlace(copy, w.path))
        w.Fail(copyError);
    SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(copy.c_str());
}

void WriteFileAtomic(const std::string& path, const char* data, size_t size, TFileKind kind)
{
    TAtomicFileWriter file(path, kind);
    file.Write(data, size);
    file.Commit();
}

bool BackupFile(const std::string& file, const std::string& backup)
{
    if (!FinishInPlaceCopy(file).empty())
        return false;
    RemoveLeftovers(backup);
    std::string temp;
    int fd = CreateTempBeside(backup, temp);
    if (fd < 0)
        return false;
    _close(fd);
    // CopyFile carries the file's attributes to the copy, as a backup of a
    // hidden HOSTS file always was; the copy is flushed before it takes the
    // backup's place.
    bool ok = CopyFileA(file.c_str(), temp.c_str(), FALSE) != 0;
    if (ok) {
        HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        ok = h != INVALID_HANDLE_VALUE;
        if (ok) {
            ok = FlushFileBuffers(h) != 0;
            CloseHandle(h);
        }
    }
    if (ok) {
        DWORD error = ReplaceOver(temp, backup);
        SetLastError(error);
        ok = error == 0;
    }
    if (!ok) {
        DWORD error = GetLastError();
        SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(temp.c_str());
        SetLastError(error);
    }
    return ok;
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

}   // namespace platform
