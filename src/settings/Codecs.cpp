// Base16 and Base64 coding of 8-bit strings.
#include "settings/Codecs.h"

#include "platform/Errors.h"

#include <algorithm>
#include <array>

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";
constexpr char Base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr signed char Invalid = -1;

constexpr std::array<signed char, 256> MakeDecodeTable(std::string_view alphabet, bool hex)
{
    std::array<signed char, 256> table{};
    table.fill(Invalid);
    for (size_t i = 0; i < alphabet.size(); ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
    if (hex)
        for (char c = 'a'; c <= 'f'; ++c)
            table[static_cast<unsigned char>(c)] = static_cast<signed char>(c - 'a' + 10);
    return table;
}

constexpr auto HexValues = MakeDecodeTable(HexDigits, true);
constexpr auto Base64Values = MakeDecodeTable(Base64Alphabet, false);

inline unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

}   // namespace

std::string Base16Encode(std::string_view bytes)
{
    std::string result(bytes.size() * 2, '\0');
    char* out = result.data();
    for (char c : bytes) {
        *out++ = HexDigits[Byte(c) >> 4];
        *out++ = HexDigits[Byte(c) & 15];
    }
    return result;
}

std::string Base16Decode(std::string_view text)
{
    if (text.size() % 2 != 0)
        throw EConvertError("B16Decode input length not even.");
    std::string result(text.size() / 2, '\0');
    for (size_t i = 0; i < result.size(); ++i) {
        int value = 0;
        for (char c : text.substr(2 * i, 2)) {
            signed char digit = HexValues[Byte(c)];
            if (digit == Invalid)
                throw EConvertError("Illegal Base16 character: #" + std::to_string(Byte(c)));
            value = value * 16 + digit;
        }
        result[i] = static_cast<char>(value);
    }
    return result;
}

std::string Base64Encode(std::string_view bytes)
{
    std::string result((bytes.size() + 2) / 3 * 4, '\0');
    char* out = result.data();
    const size_t whole = bytes.size() / 3 * 3;
    size_t i = 0;
    for (; i < whole; i += 3) {
        const unsigned group = Byte(bytes[i]) << 16 | Byte(bytes[i + 1]) << 8 | Byte(bytes[i + 2]);
        *out++ = Base64Alphabet[group >> 18];
        *out++ = Base64Alphabet[(group >> 12) & 63];
        *out++ = Base64Alphabet[(group >> 6) & 63];
        *out++ = Base64Alphabet[group & 63];
    }
    const size_t rest = bytes.size() - whole;
    if (rest > 0) {
        unsigned group = Byte(bytes[i]) << 16;
        if (rest == 2)
            group |= Byte(bytes[i + 1]) << 8;
        *out++ = Base64Alphabet[group >> 18];
        *out++ = Base64Alphabet[(group >> 12) & 63];
        *out++ = rest == 2 ? Base64Alphabet[(group >> 6) & 63] : '=';
        *out++ = '=';
    }
    return result;
}

std::string Base64Decode(std::string_view text)
{
    const size_t length = std::min(text.find('='), text.size());
    if (length % 4 == 1)
        throw EConvertError("Illegal Base64 data length");
    auto value = [text](size_t pos) -> unsigned {
        const unsigned char c = Byte(text[pos]);
        const signed char decoded = Base64Values[c];
        if (decoded == Invalid)
            throw EConvertError("Illegal Base64 character: #" + std::to_string(c));
        return unsigned(decoded);
    };

    std::string result(length / 4 * 3 + (length % 4) * 6 / 8, '\0');
    char* out = result.data();
    const size_t whole = length / 4 * 4;
    size_t i = 0;
    for (; i < whole; i += 4) {
        unsigned group = value(i) << 18;
        group |= value(i + 1) << 12;
        group |= value(i + 2) << 6;
        group |= value(i + 3);
        *out++ = static_cast<char>(group >> 16);
        *out++ = static_cast<char>((group >> 8) & 0xFF);
        *out++ = static_cast<char>(group & 0xFF);
    }
    // A short last group of 2 or 3 characters; bits that fill no whole byte are dropped.
    if (i < length) {
        unsigned group = value(i) << 18;
        group |= value(i + 1) << 12;
        *out++ = static_cast<char>(group >> 16);
        if (length - i == 3) {
            group |= value(i + 2) << 6;
            *out++ = static_cast<char>((group >> 8) & 0xFF);
        }
    }
    return result;
}
