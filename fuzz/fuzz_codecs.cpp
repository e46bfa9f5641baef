// Fuzz target: Base16Decode and Base64Decode on arbitrary text, and both codecs' round trips.
#include "platform/Errors.h"
#include "settings/Codecs.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(bytes), size);
    try {
        std::string decoded = Base16Decode(input);
        if (decoded.size() * 2 != input.size())
            std::abort();
    } catch (const EConvertError&) {
    }
    try {
        std::string decoded = Base64Decode(input);
        if (decoded.size() > input.size())
            std::abort();
    } catch (const EConvertError&) {
    }
    // Whatever the bytes, encoding and decoding gives them back.
    if (Base16Decode(Base16Encode(input)) != input || Base64Decode(Base64Encode(input)) != input)
        std::abort();
    return 0;
}
