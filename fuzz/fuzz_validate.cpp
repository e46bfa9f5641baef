// Fuzz target: ValidateHostname and IsIPAddress on arbitrary text, checked against what they promise.
#include "FuzzData.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Four parts of 1 to 3 decimal digits, each at most 255, and 7 to 15 characters in all.
bool PlainAddress(std::string_view s)
{
    if (s.size() < 7 || s.size() > 15)
        return false;
    int parts = 0;
    size_t start = 0;
    for (;;) {
        size_t dot = s.find('.', start);
        std::string_view part = s.substr(start, dot == std::string_view::npos ? s.npos : dot - start);
        if (part.empty() || part.size() > 3)
            return false;
        int value = 0;
        for (char c : part) {
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + (c - '0');
        }
        if (value > 255)
            return false;
        ++parts;
        if (dot == std::string_view::npos)
            return parts == 4;
        start = dot + 1;
    }
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static std::unique_ptr<TQuillonData> data = fuzz::NewData();
    const std::string_view name(reinterpret_cast<const char*>(bytes), size);
    const bool address = TQuillonData::IsIPAddress(name);
    if (address != PlainAddress(name))
        std::abort();
    std::string message = "stale";
    const bool valid = data->ValidateHostname(name, message);
    if (valid != message.empty())
        std::abort();
    if (valid) {
        // Nothing that could break a HOSTS line or its look-ups gets through.
        if (name.empty() || name.size() > 255 || address)
            std::abort();
        for (unsigned char c : name)
            if (c < 32 || c == 127 || data->Prefs().BadHostChars.find(char(c)) != std::string::npos)
                std::abort();
        if (name.front() == '.' || name.back() == '.' || name.find("..") != std::string_view::npos)
            std::abort();
    }
    return 0;
}
