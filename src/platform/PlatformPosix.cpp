// The operating-system services on Linux and other POSIX systems.
#include "platform/Platform.h"

#include "platform/Errors.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

std::string EnvOr(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : fallback;
}

std::string HomeDir() { return EnvOr("HOME", "/"); }

std::vector<std::string> SplitList(std::string_view text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start)
            parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string AsciiLower(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return result;
}

std::string_view TrimView(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

bool IsExecutableFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Full path of a program: a name with a slash is taken as it is, a bare name
// is looked up on PATH. Empty when it is not an executable file.
std::string ResolveProgram(const std::string& name)
{
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return IsExecutableFile(name) ? name : std::string();
    for (const std::string& dir : SplitList(EnvOr("PATH", "/usr/local/bin:/usr/bin:/bin"), ':')) {
        std::string candidate = IncludeTrailingPathDelimiter(dir) + name;
        if (IsExecutableFile(candidate))
            return candidate;
    }
    return {};
}

// An executable file that the kernel can run. Files on FAT or NTFS mounts often
// carry the execute bit whatever they hold; those are documents.
bool IsProgramFile(const std::string& path)
{
    if (!IsExecutableFile(path))
        return false;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char magic[4] = {};
    ssize_t got = read(fd, magic, sizeof magic);
    close(fd);
    return (got >= 2 && magic[0] == '#' && magic[1] == '!') ||
           (got == 4 && std::memcmp(magic, "\177ELF", 4) == 0);
}

// ---- XDG association lookup

std::string MimeTypeOf(const std::string& document)
{
    std::string base = ExtractFileName(document);
    size_t dot = base.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : AsciiLower(base.substr(dot + 1));
    if (ext == "html" || ext == "htm")
        return "text/html";
    // .txt, .reg and whatever cannot be classified: the text viewer is the useful answer.
    return "text/plain";
}

std::string ConfigHome() { return EnvOr("XDG_CONFIG_HOME", HomeDir() + "/.config"); }
std::string DataHome() { return EnvOr("XDG_DATA_HOME", HomeDir() + "/.local/share"); }
std::vector<std::string> ConfigDirs() { return SplitList(EnvOr("XDG_CONFIG_DIRS", "/etc/xdg"), ':'); }
std::vector<std::string> DataDirs()
{
    return SplitList(EnvOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share"), ':');
}

std::vector<std::string> ApplicationDirs()
{
    std::vector<std::string> dirs{IncludeTrailingPathDelimiter(DataHome()) + "applications/"};
    for (const std::string& dir : DataDirs())
        dirs.push_back(IncludeTrailingPathDelimiter(dir) + "applications/");
    return dirs;
}

// The mimeapps.list files in order of precedence, each folder's desktop-specific
// lists before its general one.
std::vector<std::string> MimeAppsLists()
{
    std::vector<std::string> desktops;
    for (const std::string& desktop : SplitList(EnvOr("XDG_CURRENT_DESKTOP", ""), ':'))
        desktops.push_back(AsciiLower(desktop));
    std::vector<std::string> folders{IncludeTrailingPathDelimiter(ConfigHome())};
    for (const std::string& dir : ConfigDirs())
        folders.push_back(IncludeTrailingPathDelimiter(dir));
    for (const std::string& dir : ApplicationDirs())
        folders.push_back(dir);
    std::vector<std::string> files;
    for (const std::string& folder : folders) {
        for (const std::string& desktop : desktops)
            files.push_back(folder + desktop + "-mimeapps.list");
        files.push_back(folder + "mimeapps.list");
    }
    return files;
}

// The ';'-separated value of a key in one section of a desktop-style INI file.
std::string ReadDesktopValue(const std::string& file, std::string_view section, std::string_view key)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return {};
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        std::string_view text = TrimView(line);
        if (text.empty() || text.front() == '#')
            continue;
        if (text.front() == '[') {
            inSection = text == "[" + std::string(section) + "]";
            continue;
        }
        if (!inSection)
            continue;
        size_t eq = text.find('=');
        if (eq != std::string_view::npos && TrimView(text.substr(0, eq)) == key)
            return std::string(TrimView(text.substr(eq + 1)));
    }
    return {};
}

// A desktop id "vendor-app.desktop" may live as applications/vendor/app.desktop.
std::string FindDesktopFile(const std::string& id)
{
    for (const std::string& dir : ApplicationDirs()) {
        std::string candidate = dir + id;
        if (FileExists(candidate))
            return candidate;
        std::string nested = id;
        for (size_t dash = nested.find('-'); dash != std::string::npos; dash = nested.find('-', dash + 1)) {
            nested[dash] = '/';
            if (FileExists(dir + nested))
                return dir + nested;
        }
    }
    return {};
}

// First word of an Exec line, with quoting and field codes removed.
std::string ExecProgram(std::string_view exec)
{
    exec = TrimView(exec);
    std::string word;
    size_t i = 0;
    if (!exec.empty() && exec.front() == '"') {
        for (i = 1; i < exec.size() && exec[i] != '"'; ++i) {
            if (exec[i] == '\\' && i + 1 < exec.size())
                ++i;
            word += exec[i];
        }
    } else {
        while (i < exec.size() && exec[i] != ' ' && exec[i] != '\t')
            word += exec[i++];
    }
    std::string program;
    for (size_t k = 0; k < word.size(); ++k) {
        if (word[k] == '%' && k + 1 < word.size()) {
            if (word[++k] == '%')
                program += '%';
        } else {
            program += word[k];
        }
    }
    return program;
}

std::string ProgramOfDesktopId(const std::string& id)
{
    std::string file = FindDesktopFile(id);
    if (file.empty() || ReadDesktopValue(file, "Desktop Entry", "Hidden") == "true")
        return {};
    return ResolveProgram(ExecProgram(ReadDesktopValue(file, "Desktop Entry", "Exec")));
}

std::string ProgramFromLists(const std::vector<std::string>& lists, std::string_view section,
                             const std::string& mime)
{
    for (const std::string& list : lists)
        for (const std::string& id : SplitList(ReadDesktopValue(list, section, mime), ';'))
            if (std::string program = ProgramOfDesktopId(id); !program.empty())
                return program;
    return {};
}

// ---- detached processes

void WriteErrno(int fd, int error)
{
    ssize_t written;
    do
        written = write(fd, &error, sizeof error);
    while (written < 0 && errno == EINTR);
}

// Starts a program in its own session through an intermediate child that exits
// at once, so no zombie is left and the program outlives us. A pipe closed on
// exec tells whether the program actually started.
bool SpawnDetached(const std::string& program, const std::vector<std::string>& args,
                   const std::string& workDir)
{
    // Everything the children need is prepared before fork: only
    // async-signal-safe calls are allowed between fork and exec.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const char* dir = workDir.empty() ? nullptr : workDir.c_str();

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return false;
    pid_t child = fork();
    if (child < 0) {
        int error = errno;
        close(report[0]);
        close(report[1]);
        errno = error;
        return false;
    }
    if (child == 0) {
        close(report[0]);
        setsid();
        pid_t grandchild = fork();
        if (grandchild < 0) {
            WriteErrno(report[1], errno);
            _exit(127);
        }
        if (grandchild > 0)
            _exit(0);
        if (dir && chdir(dir) != 0) {
            WriteErrno(report[1], errno);
            _exit(127);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
        signal(SIGCHLD, SIG_DFL);
        int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0) {
            dup2(devNull, STDIN_FILENO);
            if (devNull != STDIN_FILENO)
                close(devNull);
        }
        execve(program.c_str(), argv.data(), environ);
        WriteErrno(report[1], errno);
        _exit(127);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    do
        got = read(report[0], &error, sizeof error);
    while (got < 0 && errno == EINTR);
    close(report[0]);
    if (got > 0) {
        errno = error;
        return false;
    }
    return true;
}

}   // namespace

std::string ExeDir()
{
    std::string buffer(PATH_MAX, '\0');
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0)
        return "./";
    buffer.resize(size_t(length));
    return ExtractFilePath(buffer);
}

std::string DefaultHostsFileName() { return "/etc/hosts"; }

std::string FindExecutableFor(const std::string& document)
{
    // Like the desktop's own lookup, the document has to exist.
    if (!FileExists(document))
        return {};
    const std::string mime = MimeTypeOf(document);
    const std::vector<std::string> lists = MimeAppsLists();
    std::vector<std::string> defaultLists = lists;
    for (const std::string& dir : ApplicationDirs())
        defaultLists.push_back(dir + "defaults.list");

    std::string program = ProgramFromLists(defaultLists, "Default Applications", mime);
    if (program.empty())
        program = ProgramFromLists(lists, "Added Associations", mime);
    if (program.empty()) {
        std::vector<std::string> caches;
        for (const std::string& dir : ApplicationDirs())
            caches.push_back(dir + "mimeinfo.cache");
        program = ProgramFromLists(caches, "MIME Cache", mime);
    }
    if (program.empty())
        program = ResolveProgram("xdg-open");
    return program;
}

std::string ExpandEnvVars(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        size_t open = text.find('%', i);
        if (open == std::string::npos) {
            result.append(text, i, std::string::npos);
            break;
        }
        result.append(text, i, open - i);
        size_t close = text.find('%', open + 1);
        if (close == std::string::npos) {
            result.append(text, open, std::string::npos);
            break;
        }
        std::string name = text.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value)
            result += value;
        else
            result.append(text, open, close - open + 1);
        i = close + 1;
    }
    return result;
}

std::string WindowsDir(bool) { return {}; }

std::string ReadMachineRegistryString(const std::string&, const std::string&) { return {}; }

bool ShellOpen(const std::string& fileOrProgram, const std::string& params, const std::string& workDir)
{
    if (fileOrProgram.empty())
        return false;
    std::string program = ResolveProgram(fileOrProgram);
    if (!program.empty() && IsProgramFile(program)) {
        std::vector<std::string> args;
        if (!params.empty())
            args.push_back(params);
        return SpawnDetached(program, args, workDir);
    }
    std::string opener = ResolveProgram("xdg-open");
    if (opener.empty()) {
        errno = ENOENT;
        return false;
    }
    return SpawnDetached(opener, {fileOrProgram}, workDir);
}

bool StartDetached(const std::string& commandLine)
{
    return SpawnDetached("/bin/sh", {"-c", commandLine}, {});
}

void MessageBeep(unsigned)
{
    if (isatty(STDERR_FILENO)) {
        ssize_t ignored = write(STDERR_FILENO, "\a", 1);
        (void)ignored;
    }
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RenameFile(const std::string& from, const std::string& to)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
    // File systems without RENAME_NOREPLACE: a hard link refuses an existing target too.
    if (link(from.c_str(), to.c_str()) == 0) {
        if (unlink(from.c_str()) == 0)
            return true;
        int error = errno;
        unlink(to.c_str());
        errno = error;
        return false;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP)
        return false;
    // No hard links either (FAT and the like): check, then rename.
    if (access(to.c_str(), F_OK) == 0) {
        errno = EEXIST;
        return false;
    }
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool CopyFile(const std::string& from, const std::string& to)
{
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat source;
    struct stat target;
    if (fstat(in, &source) != 0) {
        int error = errno;
        close(in);
        errno = error;
        return false;
    }
    // Opening the source itself as target would truncate it before the copy.
    if (stat(to.c_str(), &target) == 0 && target.st_dev == source.st_dev && target.st_ino == source.st_ino) {
        close(in);
        errno = EINVAL;
        return false;
    }
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, source.st_mode & 0777);
    if (out < 0) {
        int error = errno;
        close(in);
        errno = error;
        return false;
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
        ssize_t got = read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < got;) {
            ssize_t put = write(out, buffer + done, size_t(got - done));
            if (put < 0 && errno != EINTR)
                ok = false;
            else if (put > 0)
                done += put;
        }
        if (!ok)
            break;
    }
    int error = ok ? 0 : errno;
    if (close(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    close(in);
    errno = error;
    return ok;
}

bool DeleteFile(const std::string& path) { return unlink(path.c_str()) == 0; }

std::string LastErrorText() { return std::strerror(errno); }

std::string IncludeTrailingPathDelimiter(const std::string& path)
{
    if (!path.empty() && path.back() == PathDelim)
        return path;
    return path + PathDelim;
}

std::string ExcludeTrailingPathDelimiter(const std::string& path)
{
    if (!path.empty() && path.back() == PathDelim)
        return path.substr(0, path.size() - 1);
    return path;
}

std::string RemoveFileExt(const std::string& path)
{
    size_t dot = path.rfind('.');
    size_t delim = path.rfind(PathDelim);
    if (dot == std::string::npos || (delim != std::string::npos && dot < delim))
        return path;
    return path.substr(0, dot);
}

std::string ExtractFileName(const std::string& path)
{
    size_t delim = path.rfind(PathDelim);
    return delim == std::string::npos ? path : path.substr(delim + 1);
}

std::string ExtractFilePath(const std::string& path)
{
    size_t delim = path.rfind(PathDelim);
    return delim == std::string::npos ? std::string() : path.substr(0, delim + 1);
}

// ---- Files replaced whole

namespace {

constexpr int TempNameLength = 6;   // random characters after ".tmp"

// The characters of those random names: ASCII letters and digits, whatever the locale.
bool IsTempNameChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The file a write of path really replaces: a symbolic link is written
// through rather than replaced itself.
std::string WrittenFile(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = realpath(path.c_str(), nullptr)) {
            std::string target = real;
            std::free(real);
            return target;
        }
    }
    return path;
}

// Creates target + ".tmp" and random characters exclusively, in the target's
// folder so that the rename stays on one file system. The descriptor, or -1
// with errno.
int CreateTempBeside(const std::string& target, int access, mode_t mode, std::string& name)
{
    std::random_device seed;
    std::mt19937 random(seed());
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + ".tmp";
        for (int k = 0; k < TempNameLength; ++k)
            name += alphabet[random() % (sizeof alphabet - 1)];
        int fd = open(name.c_str(), access | O_CREAT | O_EXCL | O_CLOEXEC, mode);
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

// Where a rename cannot put another file in the target's place: a bind mount
// (EBUSY), a file mounted from another file system (EXDEV), a container's
// refusal (EPERM).
bool RenameCannotReplace(int error) { return error == EBUSY || error == EXDEV || error == EPERM; }

// rename() over a target, or the failure the test seam imitates; 0 or an error number.
int RenameOverOrError(const std::string& from, const std::string& to)
{
    if (RenameFault)
        if (int error = RenameFault(to))
            return error;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Writes a whole block as far as WritableBytes lets it; 0 or an error number.
int WriteBlock(int fd, const char* data, size_t size)
{
    const size_t allowed = WritableBytes(size);
    for (size_t left = allowed; left > 0;) {
        ssize_t put = write(fd, data, left);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += put;
        left -= size_t(put);
    }
    return allowed < size ? ENOSPC : 0;
}

// Copies an open file's content into the target in place, so that the target
// keeps its inode (what a bind mount shows), and flushes it. 0 or an error number.
int CopyIntoPlace(int from, const std::string& target)
{
    int out = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
    if (out < 0)
        return errno;
    constexpr size_t Block = 1 << 20;
    std::unique_ptr<char[]> buffer(new char[Block]);
    int error = 0;
    for (off_t at = 0; !error;) {
        ssize_t got = pread(from, buffer.get(), Block, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        error = WriteBlock(out, buffer.get(), size_t(got));
        at += got;
    }
    if (!error && fsync(out) != 0)
        error = errno;
    if (close(out) != 0 && !error)
        error = errno;
    return error;
}

// An in-place rewrite that a killed run left unfinished: its complete copy
// beside the target goes into the target, so the target is whole again
// before anybody copies or replaces it. A copy that a live writer holds
// (locked) is left to it. 0 or an error number.
int FinishInPlaceCopy(const std::string& target)
{
    const std::string copy = target + InPlaceCopySuffix;
    int fd = open(copy.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? 0 : errno;
    int error = 0;
    struct stat st;
    // A writer that finished between the open and the lock has removed the name.
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink > 0) {
        error = RenameOverOrError(copy, target);
        if (RenameCannotReplace(error)) {
            error = CopyIntoPlace(fd, target);
            if (!error)
                unlink(copy.c_str());
        }
    }
    close(fd);
    return error == ENOENT ? 0 : error;
}

// Removes the temporary files that killed writes of the target left beside
// it. A live writer holds a lock on its own, which keeps it there.
void RemoveLeftovers(const std::string& target)
{
    const std::string folder = ExtractFilePath(target);
    const std::string prefix = ExtractFileName(target) + ".tmp";
    std::vector<std::string> found;
    if (DIR* dir = opendir(folder.empty() ? "." : folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            std::string_view name = entry->d_name;
            if (name.size() == prefix.size() + TempNameLength && name.substr(0, prefix.size()) == prefix &&
                std::all_of(name.begin() + prefix.size(), name.end(), IsTempNameChar))
                found.push_back(folder + std::string(name));
        }
        closedir(dir);
    }
    for (const std::string& name : found) {
        int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0)
            unlink(name.c_str());
        close(fd);
    }
}

}   // namespace

struct TAtomicFileWriter::Impl {
    std::string path;     // as the caller named it, for messages
    std::string target;   // the file really replaced
    std::string temp;     // empty once renamed, and while writing in place
    TFileKind kind = TFileKind::Table;
    int fd = -1;
    bool inPlace = false;    // straight into the target
    bool flushable = true;   // a regular file (devices and pipes are not flushed)

    [[noreturn]] void Fail(int error, const char* what = "Cannot write file ")
    {
        Abandon();
        throw EQuillonError(what + path + ": " + std::strerror(error));
    }

    void Abandon()
    {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
        if (!temp.empty()) {
            unlink(temp.c_str());
            temp.clear();
        }
    }

    void OpenInPlace(bool regular)
    {
        fd = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            Fail(errno);
        inPlace = true;
        flushable = regular;
    }
};

TAtomicFileWriter::TAtomicFileWriter(const std::string& path, TFileKind kind) : d(std::make_unique<Impl>())
{
    d->path = path;
    d->kind = kind;
    d->target = WrittenFile(path);
    struct stat old;
    bool hadTarget = stat(d->target.c_str(), &old) == 0;
    const bool table = kind == TFileKind::Table;
    if (!table) {
        // Nothing can take the place of a device or a pipe; a folder is refused by the open.
        if (hadTarget && !S_ISREG(old.st_mode)) {
            d->OpenInPlace(false);
            return;
        }
        // A file that may not be written stays as it is, as it would if it were rewritten in place.
        if (hadTarget && kind == TFileKind::Text) {
            int probe = open(d->target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
            if (probe < 0)
                d->Fail(errno);
            close(probe);
        }
        if (int error = FinishInPlaceCopy(d->target))
            d->Fail(error);
        RemoveLeftovers(d->target);
        hadTarget = stat(d->target.c_str(), &old) == 0;
    }

    // Mode 0666 lets the umask decide, as for any newly created file. The
    // content is read back when the target has to be rewritten in place.
    d->fd = CreateTempBeside(d->target, table ? O_WRONLY : O_RDWR, 0666, d->temp);
    if (d->fd < 0) {
        const int error = errno;
        // A folder that takes no new file while the file itself may be written
        // (a user given write access to /etc/hosts alone, a read-only root
        // with a bind-mounted file): it is rewritten in place, as it always was.
        if (!table && hadTarget && (error == EACCES || error == EPERM || error == EROFS)) {
            d->OpenInPlace(true);
            return;
        }
        d->Fail(error, kind == TFileKind::Text && !hadTarget ? "Cannot create file " : "Cannot write file ");
    }
    // The lock tells a later writer of the same file that this one is alive.
    if (!table)
        flock(d->fd, LOCK_EX | LOCK_NB);
    if (hadTarget) {
        // Keeping the owner is best effort: only the superuser may give files away.
        if (old.st_uid != geteuid() || old.st_gid != getegid()) {
            int ignored = fchown(d->fd, old.st_uid, old.st_gid);
            (void)ignored;
        }
        // After the owner: a change of owner may clear the set-id bits.
        if (fchmod(d->fd, old.st_mode & 07777) != 0)
            d->Fail(errno);
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
    if (w.inPlace) {
        if (w.flushable && fsync(w.fd) != 0)
            w.Fail(errno);
        int fd = w.fd;
        w.fd = -1;
        if (close(fd) != 0)
            w.Fail(errno);
        return;
    }
    if (fsync(w.fd) != 0)
        w.Fail(errno);

    if (w.kind == TFileKind::Table) {
        int fd = w.fd;
        w.fd = -1;
        if (close(fd) != 0)
            w.Fail(errno);
        if (std::rename(w.temp.c_str(), w.target.c_str()) != 0)
            w.Fail(errno);
        w.temp.clear();
        // Make the rename itself durable; a folder that cannot be synced is no reason to fail.
        std::string folder = ExtractFilePath(w.target);
        int dirFd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            fsync(dirFd);
            close(dirFd);
        }
        return;
    }

    // The temporary file stays open, and locked, until it has taken the
    // target's place. Its content is on disk already: a crash after the rename
    // finds the old file or the new one, whether the rename itself lasted or not.
    int error = RenameOverOrError(w.temp, w.target);
    if (error == 0) {
        w.temp.clear();
        close(w.fd);
        w.fd = -1;
        return;
    }
    if (!RenameCannotReplace(error))
        w.Fail(error);
    // The target cannot be replaced, only rewritten. The complete file first
    // takes the name that says it is the whole new content; a kill while it is
    // copied into the target leaves that copy, and whoever writes or backs up
    // the target next finishes the copy first. So a cut-off target is never
    // taken for the file itself, nor copied over a good backup.
    const std::string copy = w.target + InPlaceCopySuffix;
    if (std::rename(w.temp.c_str(), copy.c_str()) != 0)
        w.Fail(errno);
    w.temp.clear();
    error = CopyIntoPlace(w.fd, w.target);
    if (!error)
        unlink(copy.c_str());
    close(w.fd);
    w.fd = -1;
    if (error)
        w.Fail(error);
}

void WriteFileAtomic(const std::string& path, const char* data, size_t size, TFileKind kind)
{
    TAtomicFileWriter file(path, kind);
    file.Write(data, size);
    file.Commit();
}

bool BackupFile(const std::string& file, const std::string& backup)
{
    auto fail = [](int error) {
        errno = error;
        return false;
    };
    if (int error = FinishInPlaceCopy(WrittenFile(file)))
        return fail(error);
    int in = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat source;
    if (fstat(in, &source) != 0) {
        int error = errno;
        close(in);
        return fail(error);
    }
    const std::string target = WrittenFile(backup);
    struct stat old;
    const bool hadBackup = stat(target.c_str(), &old) == 0;
    // Copied onto itself, the file would be lost.
    if (hadBackup && old.st_dev == source.st_dev && old.st_ino == source.st_ino) {
        close(in);
        return fail(EINVAL);
    }
    RemoveLeftovers(target);
    std::string temp;
    // A new backup gets the file's permissions (through the umask), as a copy would.
    int out = CreateTempBeside(target, O_WRONLY, source.st_mode & 0777, temp);
    if (out < 0) {
        int error = errno;
        close(in);
        return fail(error);
    }
    flock(out, LOCK_EX | LOCK_NB);
    int error = 0;
    if (hadBackup && S_ISREG(old.st_mode)) {
        if (old.st_uid != geteuid() || old.st_gid != getegid()) {
            int ignored = fchown(out, old.st_uid, old.st_gid);
            (void)ignored;
        }
        if (fchmod(out, old.st_mode & 07777) != 0)
            error = errno;
    }
    // The write limiter stands for the run's own file; the backup is made
    // before that file is touched and takes no part in it.
    char buffer[65536];
    while (!error) {
        ssize_t got = read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        for (ssize_t done = 0; !error && done < got;) {
            ssize_t put = write(out, buffer + done, size_t(got - done));
            if (put < 0 && errno != EINTR)
                error = errno;
            else if (put > 0)
                done += put;
        }
    }
    close(in);
    if (!error && fsync(out) != 0)
        error = errno;
    if (!error && std::rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    close(out);
    if (error) {
        unlink(temp.c_str());
        return fail(error);
    }
    return true;
}

std::string ReadWholeFile(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw EQuillonError("Cannot open file " + path + ": " + std::strerror(errno));
    // Read straight into the result: table files run to tens of megabytes.
    std::string content;
    struct stat st;
    size_t expected = (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) ? size_t(st.st_size) : 0;
    content.resize(expected + 1);
    size_t have = 0;
    for (;;) {
        if (have == content.size())
            content.resize(content.size() * 2 + 65536);
        ssize_t got = read(fd, content.data() + have, content.size() - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            int error = errno;
            close(fd);
            throw EQuillonError("Cannot read file " + path + ": " + std::strerror(error));
        }
        if (got == 0)
            break;
        have += size_t(got);
    }
    close(fd);
    content.resize(have);
    return content;
}

// ---- Files replaced together (the table set)

void TAtomicFileWriter::Prepare()
{
    if (fsync(d->fd) != 0)
        d->Fail(errno);
    int fd = d->fd;
    d->fd = -1;
    if (close(fd) != 0)
        d->Fail(errno);
}

void TAtomicFileWriter::Keep() { d->temp.clear(); }

const std::string& TAtomicFileWriter::TempName() const { return d->temp; }

const std::string& TAtomicFileWriter::TargetName() const { return d->target; }

bool RenameOver(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void SyncFolder(const std::string& folder)
{
    int dirFd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
}

void TuneMemory()
{
    // Keep freed memory in the heap (no trimming back to the system) and grow
    // it in large steps.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_TOP_PAD, 64 << 20);
}

}   // namespace platform
