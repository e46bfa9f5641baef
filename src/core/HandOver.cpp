// The hand-over protocol's encoding and decoding, and the window's note in the lock file.
#include "core/HandOver.h"

#include <cstdint>

namespace handover {

namespace {

// Far above any real command line, low enough that a stray client cannot
// make the window allocate much.
constexpr uint32_t MaxArguments = 4096;
constexpr uint32_t MaxRequestBytes = 4u << 20;
// A message text can be long (a list of files), never this long.
constexpr uint32_t MaxRecordBytes = 16u << 20;

constexpr const char* WindowNotePrefix = "window ";

void PutNumber(std::string& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

uint32_t NumberAt(const std::string& buffer, size_t at)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(buffer[at + size_t(i)]);
    return value;
}

}   // namespace

std::string EncodeRequest(const TRequest& request)
{
    std::string out;
    PutNumber(out, uint32_t(request.workingFolder.size()));
    out += request.workingFolder;
    PutNumber(out, uint32_t(request.arguments.size()));
    for (const std::string& argument : request.arguments) {
        PutNumber(out, uint32_t(argument.size()));
        out += argument;
    }
    return out;
}

TDecoded DecodeRequest(std::string& buffer, TRequest& request)
{
    size_t at = 0;
    // One length-prefixed text at `at`; Complete when it is all there.
    auto text = [&buffer, &at](std::string& into) {
        if (buffer.size() < at + 4)
            return TDecoded::Incomplete;
        const uint32_t length = NumberAt(buffer, at);
        if (length > MaxRequestBytes || at + 4 + length > MaxRequestBytes)
            return TDecoded::Malformed;
        if (buffer.size() < at + 4 + length)
            return TDecoded::Incomplete;
        into = buffer.substr(at + 4, length);
        at += 4 + length;
        return TDecoded::Complete;
    };
    TRequest decoded;
    if (const TDecoded folder = text(decoded.workingFolder); folder != TDecoded::Complete)
        return folder;
    if (buffer.size() < at + 4)
        return TDecoded::Incomplete;
    const uint32_t count = NumberAt(buffer, at);
    at += 4;
    if (count > MaxArguments)
        return TDecoded::Malformed;
    decoded.arguments.resize(count);
    for (std::string& argument : decoded.arguments)
        if (const TDecoded one = text(argument); one != TDecoded::Complete)
            return one;
    buffer.erase(0, at);
    request = std::move(decoded);
    return TDecoded::Complete;
}

std::string EncodeRecord(TRecordType type, std::string_view payload)
{
    std::string out(1, static_cast<char>(type));
    PutNumber(out, uint32_t(payload.size()));
    out += payload;
    return out;
}

std::string EncodeExit(int status) { return EncodeRecord(TRecordType::Exit, std::string(1, char(status))); }

TDecoded DecodeRecord(std::string& buffer, TRecord& record)
{
    if (buffer.size() < 5)
        return TDecoded::Incomplete;
    const char type = buffer[0];
    switch (static_cast<TRecordType>(type)) {
    case TRecordType::Queued:
    case TRecordType::Begun:
    case TRecordType::Status:
    case TRecordType::Message:
    case TRecordType::Exit:
        break;
    default:
        return TDecoded::Malformed;
    }
    const uint32_t length = NumberAt(buffer, 1);
    if (length > MaxRecordBytes || (static_cast<TRecordType>(type) == TRecordType::Exit && length != 1))
        return TDecoded::Malformed;
    if (buffer.size() < 5 + size_t(length))
        return TDecoded::Incomplete;
    record.type = static_cast<TRecordType>(type);
    record.payload = buffer.substr(5, length);
    buffer.erase(0, 5 + size_t(length));
    return TDecoded::Complete;
}

int ExitStatusOf(const TRecord& record)
{
    return record.payload.empty() ? 1 : static_cast<unsigned char>(record.payload[0]);
}

std::string WindowLockNote(const std::string& endpoint) { return WindowNotePrefix + endpoint; }

std::string EndpointOfLockNote(const std::string& note)
{
    const std::string prefix = WindowNotePrefix;
    return note.rfind(prefix, 0) == 0 ? note.substr(prefix.size()) : std::string();
}

std::string HolderName(const platform::TLockHolder& holder)
{
    return holder.pid > 0 ? "process " + std::to_string(holder.pid) : "another process";
}

}   // namespace handover
