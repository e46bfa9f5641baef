// Host-name and address checks.
#include "core/DataUnit.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char* label;
    std::string name;
    std::string message;   // empty: accepted
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.label; }

std::string Labels(int count, int length)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s += (i ? "." : "") + std::string(length, 'a');
    return s;
}

class ValidateHostnameTest : public ::testing::TestWithParam<NameCase> {
protected:
    TTempDir dir;
    TQuillonData data{dir.Path()};
};

TEST_P(ValidateHostnameTest, AcceptsOrGivesTheReason)
{
    std::string message = "stale";
    bool ok = data.ValidateHostname(GetParam().name, message);
    EXPECT_EQ(ok, GetParam().message.empty());
    EXPECT_EQ(message, GetParam().message);
}

const std::string zeroLabel = "Zero-length hostname label (two adjacent dots or leading/trailing dot).";
const std::string notIP = "Hostname may not be an IP address.";

INSTANTIATE_TEST_SUITE_P(
    Names, ValidateHostnameTest,
    ::testing::Values(
        NameCase{"Blank", "", "Hostname may not be blank."},
        NameCase{"Localhost", "LocalHost", "Hostname \"localhost\" is handled automatically by Quillon."},
        NameCase{"LocalhostUpper", "LOCALHOST",
                 "Hostname \"localhost\" is handled automatically by Quillon."},
        NameCase{"LocalhostSubdomain", "localhost.example.com", ""},
        // 4 labels of 63 and 3 dots: 255 characters.
        NameCase{"Longest", Labels(4, 63), ""},
        NameCase{"TooLongWhateverElse", Labels(4, 63) + "!", "Maximum hostname length is 255 characters."},
        NameCase{"LeadingDot", ".example.com", zeroLabel}, NameCase{"DoubleDot", "example..com", zeroLabel},
        NameCase{"TrailingDot", "example.com.", zeroLabel},
        NameCase{"LongFirstLabel", std::string(64, 'x') + ".com",
                 "Maximum hostname label length is 63 characters: \"" + std::string(64, 'x') + "\"."},
        NameCase{"LongLastLabel", "ads." + std::string(64, 'y'),
                 "Maximum hostname label length is 63 characters: \"" + std::string(64, 'y') + "\"."},
        NameCase{"SingleLabel63", std::string(63, 'z'), ""},
        NameCase{"Blank20", "my host.com", "Invalid character in hostname:   (0x20)."},
        NameCase{"Colon", "a:b", "Invalid character in hostname: : (0x3a)."},
        NameCase{"CharBeforeLabelLength", std::string(70, 'x') + "#",
                 "Invalid character in hostname: # (0x23)."},
        NameCase{"Underscore", "ads_server.example", ""}, NameCase{"Hyphen", "ads-server.example", ""},
        NameCase{"Tab", "ads\tserver", "Invalid character in hostname: \t (0x09)."},
        NameCase{"LineFeed", "ads\nserver", "Invalid character in hostname: \n (0x0a)."},
        NameCase{"Delete", "ads\x7f", "Invalid character in hostname: \x7f (0x7f)."},
        NameCase{"Address", "10.0.0.1", notIP}, NameCase{"Broadcast", "255.255.255.255", notIP},
        NameCase{"TooShortForAnAddress", "1.2.3", ""}, NameCase{"OutOfRangeIsAName", "256.1.1.1", ""}),
    [](const auto& info) { return info.param.label; });

TEST(ValidateHostname, ControlCharactersRefusedWhateverTheForbiddenSet)
{
    TTempDir dir;
    TQuillonData data(dir.Path());
    data.Prefs().BadHostChars = "#";
    std::string message;
    EXPECT_TRUE(data.ValidateHostname("my host", message));
    EXPECT_FALSE(data.ValidateHostname("my\rhost", message));
    EXPECT_EQ(message, "Invalid character in hostname: \r (0x0d).");
}

TEST(IsIPAddress, DottedFourPartsOfZeroTo255)
{
    struct {
        const char* text;
        bool address;
    } cases[] = {
        {"10.0.0.1", true},   {"255.255.255.255", true}, {"1.2.3.04", true},   {"0.0.0.0", true},
        {"256.1.1.1", false}, {"1.2.3", false},          {"1.2.3.4.5", false}, {"1.2.3.0004", false},
        {".1.2.3.4", false},  {"1.2.3.4.", false},       {"1..2.3", false},    {"1.2.3.a", false},
        {"1.2.3. 4", false},  {"+1.2.3.4", false},       {"", false},          {"1234.1.1.1", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TQuillonData::IsIPAddress(c.text), c.address) << c.text;
}

}   // namespace
