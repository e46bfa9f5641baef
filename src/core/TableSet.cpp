// The table files saved as one set: the commit record, and finishing or undoing a save that was cut off.
#include "core/TableSet.h"

#include "core/Table.h"
#include "platform/Errors.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

namespace {

constexpr char RecordMagic[8] = {'Q', 'L', 'N', 'C', 'O', 'M', 'I', 'T'};
constexpr uint32_t RecordVersion = 1;
// More than any save names, and short enough that a damaged count is caught.
constexpr uint32_t MostFiles = 64;
constexpr uint32_t LongestName = 32768;

// A temporary file and the file it is to replace.
using TPlacement = std::pair<std::string, std::string>;

void Step(int step)
{
    if (CommitStepHook)
        CommitStepHook(step);
}

bool IsDelimiter(char c) { return c == '/' || c == '\\'; }

// The temporary name the atomic writer gives a file: the name, ".tmp" and six
// letters or digits.
bool IsTemporaryNameOf(std::string_view name, std::string_view file)
{
    constexpr std::string_view Suffix = ".tmp";
    if (name.size() != file.size() + Suffix.size() + 6 || name.substr(0, file.size()) != file ||
        name.substr(file.size(), Suffix.size()) != Suffix)
        return false;
    return std::all_of(name.end() - 6, name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    });
}

// A file directly in the folder is recorded by its name alone, so a data
// folder moved before the next start still finds its set; others (the target
// of a symbolic link) by their full path.
std::string RecordedName(const std::string& folder, const std::string& path)
{
    if (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
        std::none_of(path.begin() + std::ptrdiff_t(folder.size()), path.end(), IsDelimiter))
        return path.substr(folder.size());
    return path;
}

std::string FullName(const std::string& folder, const std::string& name)
{
    return std::any_of(name.begin(), name.end(), IsDelimiter) ? name : folder + name;
}

void PutU32(std::string& out, uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); }

std::string RecordBytes(const std::string& folder, const std::vector<TPlacement>& set)
{
    std::string out(RecordMagic, sizeof RecordMagic);
    PutU32(out, RecordVersion);
    PutU32(out, uint32_t(set.size()));
    for (const auto& [temp, target] : set) {
        for (const std::string& name : {RecordedName(folder, temp), RecordedName(folder, target)}) {
            PutU32(out, uint32_t(name.size()));
            out += name;
        }
    }
    uint64_t check = TTable::FileCheckValue(out.data(), out.size());
    out.append(reinterpret_cast<const char*>(&check), 8);
    return out;
}

// The set a record names; nothing when it is incomplete, damaged or not a
// record at all, or when it names anything but temporary files of the
// atomic writer beside their targets.
std::optional<std::vector<TPlacement>> ParseRecord(const std::string& folder, const std::string& bytes)
{
    if (bytes.size() < sizeof RecordMagic + 8 + 8 || std::memcmp(bytes.data(), RecordMagic, 8) != 0)
        return std::nullopt;
    uint64_t stored;
    std::memcpy(&stored, bytes.data() + bytes.size() - 8, 8);
    if (stored != TTable::FileCheckValue(bytes.data(), bytes.size() - 8))
        return std::nullopt;
    size_t at = sizeof RecordMagic;
    const size_t end = bytes.size() - 8;
    auto u32 = [&](uint32_t& v) {
        if (end - at < 4)
            return false;
        std::memcpy(&v, bytes.data() + at, 4);
        at += 4;
        return true;
    };
    auto text = [&](std::string& s) {
        uint32_t n;
        if (!u32(n) || n == 0 || n > LongestName || end - at < n)
            return false;
        s.assign(bytes, at, n);
        at += n;
        return true;
    };
    uint32_t version, count;
    if (!u32(version) || version != RecordVersion || !u32(count) || count > MostFiles)
        return std::nullopt;
    std::vector<TPlacement> set(count);
    for (auto& [temp, target] : set) {
        if (!text(temp) || !text(target))
            return std::nullopt;
        temp = FullName(folder, temp);
        target = FullName(folder, target);
        if (!IsTemporaryNameOf(temp, target))
            return std::nullopt;
    }
    if (at != end)
        return std::nullopt;
    return set;
}

void Replace(const std::string& temp, const std::string& target)
{
    if (!platform::RenameOver(temp, target))
        throw EQuillonError("Cannot write file " + target + ": " + platform::LastErrorText());
}

// Makes the renames durable in the folder and in any other folder a target lies in.
void SyncFolders(const std::string& folder, const std::vector<TPlacement>& set)
{
    std::vector<std::string> folders{folder};
    for (const auto& placement : set) {
        std::string other = platform::ExtractFilePath(placement.second);
        if (std::find(folders.begin(), folders.end(), other) == folders.end())
            folders.push_back(other);
    }
    for (const std::string& f : folders)
        platform::SyncFolder(f);
}

}   // namespace

void CommitTableFiles(const std::string& folder, const std::vector<platform::TAtomicFileWriter*>& files)
{
    if (files.empty())
        return;
    std::vector<TPlacement> set;
    for (platform::TAtomicFileWriter* file : files)
        set.emplace_back(file->TempName(), file->TargetName());
    if (files.size() == 1) {
        // One rename is all or nothing by itself.
        Step(1);
        Replace(set[0].first, set[0].second);
        files[0]->Keep();
        SyncFolders(platform::ExtractFilePath(set[0].second), {});
        Step(2);
        return;
    }
    const std::string record = folder + CommitRecordName;
    Step(1);
    // Made durable before any rename, and whole or not there at all.
    platform::WriteFileAtomic(record, RecordBytes(folder, set));
    // From here on the set is the next start's to finish if this run cannot.
    for (platform::TAtomicFileWriter* file : files)
        file->Keep();
    int step = 2;
    for (const auto& [temp, target] : set) {
        Step(step++);
        Replace(temp, target);
    }
    // The renames must be on disk before the record that would redo them goes.
    SyncFolders(folder, set);
    Step(step++);
    // A record left behind names files that are gone: the next start drops it.
    platform::DeleteFile(record);
    Step(step);
}

void RecoverTableFiles(const std::string& folder, const std::vector<std::string>& fileNames)
{
    namespace fs = std::filesystem;
    const std::string record = folder + CommitRecordName;
    std::error_code ec;
    if (fs::is_regular_file(record, ec)) {
        if (auto set = ParseRecord(folder, platform::ReadWholeFile(record))) {
            // Renames done before the kill left no temporary file behind.
            for (const auto& [temp, target] : *set)
                if (platform::FileExists(temp))
                    Replace(temp, target);
            SyncFolders(folder, *set);
        }
        platform::DeleteFile(record);
    }

    std::vector<std::string> names(fileNames);
    names.push_back(CommitRecordName);
    std::vector<std::string> stray;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code kindError;
        if (it->symlink_status(kindError).type() != fs::file_type::regular)
            continue;
        std::string name;
        try {
            name = it->path().filename().string();
        } catch (const std::exception&) {
            continue;   // a name the narrow code page cannot spell is none of ours
        }
        if (std::any_of(names.begin(), names.end(),
                        [&](const std::string& file) { return IsTemporaryNameOf(name, file); }))
            stray.push_back(folder + name);
    }
    for (const std::string& file : stray)
        platform::DeleteFile(file);
}
