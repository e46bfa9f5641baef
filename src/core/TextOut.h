// An output text file written through a buffer of its own, with errors that name the file.
#pragma once

#include "platform/Errors.h"
#include "platform/Platform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

// An output text file with a 32768-byte buffer of its own: a million lines
// are appended byte-wise and reach the system in large writes. Errors name
// the file and the system's reason; the file is closed whatever happens.
class TTextOut {
public:
    explicit TTextOut(std::string name) : fileName(std::move(name))
    {
        file = platform::OpenFileForRewrite(fileName);
        std::setvbuf(file, nullptr, _IONBF, 0);   // our own buffer is the only one
    }

    ~TTextOut()
    {
        if (file)
            std::fclose(file);
    }

    TTextOut(const TTextOut&) = delete;
    TTextOut& operator=(const TTextOut&) = delete;

    void Put(std::string_view s)
    {
        if (s.size() > sizeof buffer - used) {
            Flush();
            if (s.size() > sizeof buffer) {
                WriteRaw(s.data(), s.size());
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
        std::FILE* f = file;
        file = nullptr;
        if (std::fclose(f) != 0)
            throw EQuillonError("Cannot write file " + fileName + ": " + std::strerror(errno));
    }

private:
    std::string fileName;
    std::FILE* file = nullptr;
    char buffer[32768];
    size_t used = 0;

    void Flush()
    {
        if (used) {
            WriteRaw(buffer, used);
            used = 0;
        }
    }

    void WriteRaw(const char* p, size_t n)
    {
        const size_t allowed = platform::WritableBytes(n);
        if (std::fwrite(p, 1, allowed, file) != allowed)
            throw EQuillonError("Cannot write file " + fileName + ": " + std::strerror(errno));
        if (allowed < n)
            throw EQuillonError("Cannot write file " + fileName + ": " + std::strerror(ENOSPC));
    }
};

