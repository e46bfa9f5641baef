// An output text file written through a buffer of its own and replaced whole, with errors that name the file.
#pragma once

#include "platform/Platform.h"

#include <cstring>
#include <string>
#include <string_view>

// An output text file with a 32768-byte buffer of its own: a million lines
// are appended byte-wise and reach the system in large writes. The content
// goes to a temporary file that Close puts in the file's place, so the file
// holds its old content or the complete new one, never a part (see
// platform::TFileKind::Text). Destroyed without Close (a cancel, an error),
// it leaves the file as it was. Errors name the file and the system's reason.
class TTextOut {
public:
    explicit TTextOut(const std::string& name) : file(name, platform::TFileKind::Text) {}

    TTextOut(const TTextOut&) = delete;
    TTextOut& operator=(const TTextOut&) = delete;

    void Put(std::string_view s)
    {
        if (s.size() > sizeof buffer - used) {
            Flush();
            if (s.size() > sizeof buffer) {
                file.Write(s.data(), s.size());
                return;
            }
        }
        std::memcpy(buffer + used, s.data(), s.size());
        used += s.size();
    }

    void EndLine() { Put(platform::LineEnd); }

    void Line(std::string_view s)
    {
        Put(s);
        EndLine();
    }

    void Close()
    {
        Flush();
        file.Commit();
    }

private:
    platform::TAtomicFileWriter file;
    char buffer[32768];
    size_t used = 0;

    void Flush()
    {
        if (used) {
            file.Write(buffer, used);
            used = 0;
        }
    }
};
