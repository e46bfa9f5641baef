// Base16 and Base64 coding: known vectors, padding rules and the exact failure texts.
#include "platform/Errors.h"
#include "settings/Codecs.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

struct TCodingCase {
    const char* name;
    std::string bytes;
    std::string coded;
};

struct TFailureCase {
    const char* name;
    std::string text;
    std::string message;
};

std::string CaseName(const char* name) { return name; }

// Failure output names the case instead of dumping its bytes.
void PrintTo(const TCodingCase& c, std::ostream* os) { *os << c.name; }
void PrintTo(const TFailureCase& c, std::ostream* os) { *os << c.name; }

template <class Decode>
void ExpectConvertError(Decode decode, const std::string& text, const std::string& message)
{
    try {
        decode(text);
        ADD_FAILURE() << "no error for \"" << text << "\"";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.what(), message);
    }
}

std::string AllByteValues()
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes += char(b);
    return bytes;
}

// ---- Base16

class Base16Coding : public testing::TestWithParam<TCodingCase> {};

TEST_P(Base16Coding, EncodesUpperCaseAndDecodesBack)
{
    EXPECT_EQ(Base16Encode(GetParam().bytes), GetParam().coded);
    EXPECT_EQ(Base16Decode(GetParam().coded), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Codecs, Base16Coding,
                         testing::Values(TCodingCase{"Empty", "", ""}, TCodingCase{"Tab", "\t", "09"},
                                         TCodingCase{"CommentSeparator", " # ", "202320"},
                                         TCodingCase{"HighAndZeroBytes", "\x00\x7F\x80\xFF"s, "007F80FF"},
                                         TCodingCase{"Letters", "\xAB\xCD\xEF", "ABCDEF"}),
                         [](const auto& info) { return CaseName(info.param.name); });

TEST(Base16, DecodesLowerCaseDigits)
{
    EXPECT_EQ(Base16Decode("0a"), "\n");
    EXPECT_EQ(Base16Decode("aBcD"), "\xAB\xCD");
}

TEST(Base16, EncodesEveryByteValueReversibly)
{
    const std::string bytes = AllByteValues();
    EXPECT_EQ(Base16Decode(Base16Encode(bytes)), bytes);
}

class Base16Failure : public testing::TestWithParam<TFailureCase> {};

TEST_P(Base16Failure, ReportsTheExactMessage)
{
    ExpectConvertError([](const std::string& t) { return Base16Decode(t); }, GetParam().text,
                       GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, Base16Failure,
    testing::Values(TFailureCase{"SingleDigit", "2", "B16Decode input length not even."},
                    TFailureCase{"OddLengthBeforeBadCharacter", "ZZZ", "B16Decode input length not even."},
                    TFailureCase{"LetterG", "0G", "Illegal Base16 character: #71"},
                    TFailureCase{"FirstBadCharacterWins", "ZG", "Illegal Base16 character: #90"},
                    TFailureCase{"Blank", "0 ", "Illegal Base16 character: #32"},
                    TFailureCase{"HighByte", "\xC3\xA9", "Illegal Base16 character: #195"}),
    [](const auto& info) { return CaseName(info.param.name); });

// ---- Base64

class Base64Coding : public testing::TestWithParam<TCodingCase> {};

TEST_P(Base64Coding, EncodesAndDecodesBack)
{
    EXPECT_EQ(Base64Encode(GetParam().bytes), GetParam().coded);
    EXPECT_EQ(Base64Decode(GetParam().coded), GetParam().bytes);
}

// The RFC 4648 vectors cover every remainder of the length divided by 3.
INSTANTIATE_TEST_SUITE_P(Codecs, Base64Coding,
                         testing::Values(TCodingCase{"Empty", "", ""}, TCodingCase{"OneByte", "f", "Zg=="},
                                         TCodingCase{"TwoBytes", "fo", "Zm8="},
                                         TCodingCase{"ThreeBytes", "foo", "Zm9v"},
                                         TCodingCase{"FourBytes", "foob", "Zm9vYg=="},
                                         TCodingCase{"FiveBytes", "fooba", "Zm9vYmE="},
                                         TCodingCase{"SixBytes", "foobar", "Zm9vYmFy"},
                                         TCodingCase{"HighBits", "\xFB\xFF\xBF", "+/+/"},
                                         TCodingCase{"Zeros", "\x00\x00\x00\x00"s, "AAAAAA=="}),
                         [](const auto& info) { return CaseName(info.param.name); });

class Base64Decoding : public testing::TestWithParam<TCodingCase> {};

TEST_P(Base64Decoding, Decodes) { EXPECT_EQ(Base64Decode(GetParam().coded), GetParam().bytes); }

INSTANTIATE_TEST_SUITE_P(
    Codecs, Base64Decoding,
    testing::Values(TCodingCase{"UnpaddedTwoCharacters", "f", "Zg"},
                    TCodingCase{"UnpaddedThreeCharacters", "fo", "Zm8"},
                    TCodingCase{"OnePadOfTwo", "f", "Zg="}, TCodingCase{"StartsWithPad", "", "=Zm9v"},
                    TCodingCase{"AnythingAfterFirstPadIgnored", "foo", "Zm9v=\n-_!"},
                    TCodingCase{"LoneDanglingBitsDropped", "f", "Zh"},
                    TCodingCase{"LongLine", std::string(300, '\xFF'), std::string(400, '/')}),
    [](const auto& info) { return CaseName(info.param.name); });

class Base64Failure : public testing::TestWithParam<TFailureCase> {};

TEST_P(Base64Failure, ReportsTheExactMessage)
{
    ExpectConvertError([](const std::string& t) { return Base64Decode(t); }, GetParam().text,
                       GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, Base64Failure,
    testing::Values(TFailureCase{"OneCharacter", "Z", "Illegal Base64 data length"},
                    TFailureCase{"FiveCharacters", "Zm9vY", "Illegal Base64 data length"},
                    TFailureCase{"LengthCountsUpToFirstPad", "Zm9vY==", "Illegal Base64 data length"},
                    TFailureCase{"LengthCheckedBeforeCharacters", "!!!!!", "Illegal Base64 data length"},
                    TFailureCase{"LineBreak", "Zm9v\nZg==", "Illegal Base64 character: #10"},
                    TFailureCase{"Blank", "Zm 9", "Illegal Base64 character: #32"},
                    TFailureCase{"UrlSafeMinus", "Zm-v", "Illegal Base64 character: #45"},
                    TFailureCase{"UrlSafeUnderscore", "Zm9_", "Illegal Base64 character: #95"},
                    TFailureCase{"InShortLastGroup", "Zm9vZ.", "Illegal Base64 character: #46"},
                    TFailureCase{"HighByte", "Zm9\xFF", "Illegal Base64 character: #255"}),
    [](const auto& info) { return CaseName(info.param.name); });

TEST(Base64, EncodesEveryByteValueReversiblyOnOneLine)
{
    const std::string bytes = AllByteValues();
    for (size_t length = 0; length <= bytes.size(); length += 37) {
        const std::string part = bytes.substr(bytes.size() - length);
        const std::string coded = Base64Encode(part);
        EXPECT_EQ(coded.size(), (length + 2) / 3 * 4);
        EXPECT_EQ(coded.find('\n'), std::string::npos);
        EXPECT_EQ(Base64Decode(coded), part) << "length " << length;
    }
}

}   // namespace
