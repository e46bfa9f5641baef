// Things that can stand under a file's name without being a file: a folder, a FIFO, a link to a device.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

enum class TNonFile { Folder, Fifo, LinkToDevice };

struct TNonFileCase {
    const char* name;
    TNonFile kind;
    const char* what;   // as the refusal names it
};

inline void PrintTo(const TNonFileCase& c, std::ostream* out) { *out << c.name; }

// The kinds this system can make.
inline std::vector<TNonFileCase> NonFileCases()
{
    return {
        {"Folder", TNonFile::Folder, "a folder"},
#ifndef _WIN32
        {"Fifo", TNonFile::Fifo, "a pipe (FIFO)"},
        {"LinkToDevice", TNonFile::LinkToDevice, "a device"},
#endif
    };
}

// Makes one at path; false when the system refused.
inline bool MakeNonFile(const std::string& path, TNonFile kind)
{
    std::error_code ec;
    switch (kind) {
    case TNonFile::Folder:
        return std::filesystem::create_directory(path, ec);
#ifndef _WIN32
    case TNonFile::Fifo:
        return mkfifo(path.c_str(), 0600) == 0;
    case TNonFile::LinkToDevice:
        std::filesystem::create_symlink("/dev/null", path, ec);
        return !ec;
#endif
    default:
        return false;
    }
}
