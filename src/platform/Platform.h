// The few operating-system services the program needs; one implementation per platform.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace platform {

#ifdef _WIN32
inline constexpr char PathDelim = '\\';
inline constexpr const char* LineEnd = "\r\n";
#else
inline constexpr char PathDelim = '/';
// /etc/hosts and the tools that read it expect LF.
inline constexpr const char* LineEnd = "\n";
#endif

// Folder of the running executable, with a trailing path delimiter.
std::string ExeDir();

// Called once at start: large blocks freed by the table engine stay with the
// process for reuse, so a million-name import does not fault the same memory
// in again for every temporary order it builds.
void TuneMemory();

// Where this system keeps its HOSTS file (/etc/hosts on Linux; the registry's
// DataBasePath, or the Windows folder, followed by HOSTS on Windows).
std::string DefaultHostsFileName();

// Program the desktop associates with the given document, or empty.
std::string FindExecutableFor(const std::string& document);

// Every %NAME% reference replaced by that environment variable's value; a
// reference to an unset variable stays as written. Throws EQuillonError on failure.
std::string ExpandEnvVars(const std::string& text);

// The Windows folder, empty where there is none.
std::string WindowsDir(bool withDelimiter);

// Registry string value under HKEY_LOCAL_MACHINE; empty when the key or value is
// missing (always empty off Windows). Throws EQuillonError for a non-string value.
std::string ReadMachineRegistryString(const std::string& key, const std::string& value);

// Ask the desktop to open a document, folder or URL, or to start a program with
// parameters (params passed as one argument). Returns false when nothing could be started.
bool ShellOpen(const std::string& fileOrProgram, const std::string& params = {},
               const std::string& workDir = {});

// Start a command line as a separate process that outlives this one.
bool StartDetached(const std::string& commandLine);

// The system sound of a message kind (MB_ICONHAND 0x10, MB_ICONQUESTION 0x20,
// MB_ICONEXCLAMATION 0x30, MB_ICONASTERISK 0x40, MB_OK 0).
void MessageBeep(unsigned soundType);

// File services. Rename fails when the target exists.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);
bool CopyFile(const std::string& from, const std::string& to);
bool DeleteFile(const std::string& path);
// Text of the last system error (errno / GetLastError) for messages.
std::string LastErrorText();

// Path helpers.
std::string IncludeTrailingPathDelimiter(const std::string& path);
std::string ExcludeTrailingPathDelimiter(const std::string& path);
std::string RemoveFileExt(const std::string& path);
std::string ExtractFileName(const std::string& path);
std::string ExtractFilePath(const std::string& path);   // with trailing delimiter

// Test seam imitating a full disk, or a crash in the middle of a write: called
// with the size of each block of file content that TAtomicFileWriter (and so
// TTextOut) is about to write, the blocks of an in-place copy included, it
// answers how many of those bytes may reach the file; a shorter answer makes
// the write fail there with ENOSPC ("No space left on device"). Null, as
// always outside tests, lets every byte through.
using TWriteLimiter = size_t (*)(size_t size);
inline TWriteLimiter WriteLimiter = nullptr;

// Bytes of a block of the given size that may be written (all of it unless a
// test set WriteLimiter).
inline size_t WritableBytes(size_t size)
{
    if (!WriteLimiter)
        return size;
    size_t allowed = WriteLimiter(size);
    return allowed < size ? allowed : size;
}

// ---- Files replaced whole

// What a TAtomicFileWriter replaces; the kinds differ only in what happens
// around the rename.
enum class TFileKind {
    // A table file of the database: temporary file, flush, rename, nothing more.
    Table,
    // The preferences file. Temporary files that a killed write of the same
    // file left beside it are removed first (a live writer's are locked and
    // stay). Where the target cannot be renamed over (a bind-mounted file:
    // EBUSY, EXDEV, EPERM; on Windows a file that another program holds
    // open) the complete temporary file is renamed to target +
    // InPlaceCopySuffix and copied into the target; that copy stays until the
    // target is whole, and whoever writes or backs up the target next finishes
    // the copy first. A target that is no regular file (a device, a pipe), or
    // one whose folder takes no new file while the file itself is writable, is
    // written in place directly.
    Settings,
    // The HOSTS file, exports, registry files, the import report: as Settings;
    // besides, a file that did not exist and cannot be created is reported as
    // "Cannot create file", and an existing file that may not be written (a
    // read-only file) is refused before anything is written.
    Text
};

// The complete copy of an in-place rewrite that has not reached its end.
inline constexpr const char* InPlaceCopySuffix = ".tmp-copy";

// Copies a file to its backup and replaces the backup whole (temporary file,
// flush, rename); a new backup gets the file's permissions, as a copy would.
// A file that a killed in-place rewrite left incomplete is first made whole
// from its complete copy, so a backup never holds a cut-off file. False, with
// the reason for LastErrorText, when the backup cannot be made.
bool BackupFile(const std::string& file, const std::string& backup);

// Test seam imitating a target that cannot be renamed over (a bind mount):
// while set, renaming a Settings or Text file over its target fails with the
// error number it returns (0 lets the rename go ahead). Null outside tests.
using TRenameFault = int (*)(const std::string& target);
inline TRenameFault RenameFault = nullptr;

// Replaces a file atomically while its content is streamed in: a temporary file
// in the same folder, flushed to disk and renamed over the target by Commit,
// keeping the target's owner and permissions (on Windows its hidden and system
// attributes). Destroyed without Commit, it leaves the old file as it was and
// removes its temporary file. Errors throw EQuillonError naming the file and
// the system's reason.
class TAtomicFileWriter {
public:
    explicit TAtomicFileWriter(const std::string& path, TFileKind kind = TFileKind::Table);
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;
    void Write(const char* data, size_t size);
    void Commit();

    // For files replaced together (the table set): Prepare ends the writing
    // with the content flushed to disk and the temporary file closed, but not
    // renamed; TempName and TargetName say where it lies and what it is to
    // replace (RenameOver does that). Keep leaves the temporary file when the
    // writer goes, once it has been renamed or a commit record names it;
    // otherwise the writer removes it.
    void Prepare();
    void Keep();
    const std::string& TempName() const;
    const std::string& TargetName() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Replace a file's content atomically: write to a temporary file in the same
// folder, flush it to disk, rename it over the target. Throws EQuillonError
// naming the file and the system's reason.
void WriteFileAtomic(const std::string& path, const char* data, size_t size,
                     TFileKind kind = TFileKind::Table);
inline void WriteFileAtomic(const std::string& path, const std::string& content,
                            TFileKind kind = TFileKind::Table)
{
    WriteFileAtomic(path, content.data(), content.size(), kind);
}

// Whole content of a file; throws EQuillonError naming the file when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// ---- Files replaced together (the table set)

// Renames a file over another one in the same folder, replacing it in one
// step. False on failure, with the reason in LastErrorText.
bool RenameOver(const std::string& from, const std::string& to);

// Makes the renames and removals done in a folder durable (nothing where the
// system does that by itself). A folder that cannot be flushed is no reason to fail.
void SyncFolder(const std::string& folder);

}   // namespace platform
