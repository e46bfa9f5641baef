// The program's error types, shared by every layer.
#pragma once

#include <stdexcept>
#include <string>

// An unexpected failure (a file that cannot be read or written, a table that
// refuses a row). Its text is what the user reads, so it names the file or
// value at fault and the system's reason.
class EQuillonError : public std::runtime_error {
public:
    explicit EQuillonError(const std::string& message) : std::runtime_error(message) {}
};

// A text that does not convert (Base16 and Base64 decoding).
class EConvertError : public EQuillonError {
public:
    explicit EConvertError(const std::string& message) : EQuillonError(message) {}
};
