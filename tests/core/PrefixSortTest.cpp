// The shared prefix sort: the same order as std::sort with the same comparison,
// below and above the size where the radix passes take over; its radix passes are stable.
#include "core/PrefixSort.h"
#include "core/Table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

// Beyond 4096 entries the radix passes run; below, a plain sort does.
constexpr size_t Small = 300, Large = 20000;

std::string RandomName(std::mt19937& rng, size_t minLen, size_t maxLen, const std::string& alphabet)
{
    std::uniform_int_distribution<size_t> len(minLen, maxLen), pick(0, alphabet.size() - 1);
    std::string s(len(rng), ' ');
    for (char& c : s)
        c = alphabet[pick(rng)];
    return s;
}

const std::string Lower = "abcdefghijklmnopqrstuvwxyz0123456789.-";

std::vector<std::string> Names(size_t n)
{
    std::mt19937 rng(7);
    std::vector<std::string> v;
    for (size_t i = 0; i < n; ++i)
        v.push_back(RandomName(rng, 1, 24, Lower));
    return v;
}

struct SortCase {
    const char* name;
    size_t size;
    bool ci;   // compare ignoring ASCII case, on lower-cased prefixes
    std::function<std::vector<std::string>(size_t)> make;
};

void PrintTo(const SortCase& c, std::ostream* os) { *os << c.name; }

std::vector<std::string> SharedLongPrefix(size_t n)
{
    // Every prefix is equal: the order comes from the full comparison alone.
    std::vector<std::string> v = Names(n);
    for (std::string& s : v)
        s = "advertising-" + s;
    return v;
}

std::vector<std::string> CaseDifferences(size_t n)
{
    // Few names in many spellings: runs of names equal but for case.
    std::mt19937 rng(11);
    std::vector<std::string> pool = Names(n / 8 + 1), v;
    std::uniform_int_distribution<size_t> pick(0, pool.size() - 1);
    std::bernoulli_distribution upper(0.5);
    for (size_t i = 0; i < n; ++i) {
        std::string s = pool[pick(rng)];
        for (char& c : s)
            if (c >= 'a' && c <= 'z' && upper(rng))
                c = char(c - 32);
        v.push_back(s);
    }
    return v;
}

std::vector<std::string> Sorted(size_t n)
{
    std::vector<std::string> v = Names(n);
    std::sort(v.begin(), v.end());
    return v;
}

std::vector<std::string> Reversed(size_t n)
{
    std::vector<std::string> v = Sorted(n);
    std::reverse(v.begin(), v.end());
    return v;
}

std::vector<std::string> ShortTextsAndHighBytes(size_t n)
{
    // Texts shorter than a prefix (padded with zero bytes, like a text that
    // holds zero bytes) and bytes above 127, which must sort after ASCII.
    std::mt19937 rng(13);
    const std::string bytes = std::string("aZ\x7f\x80\xe9\xff", 6) + std::string(1, '\0');
    std::vector<std::string> v;
    for (size_t i = 0; i < n; ++i)
        v.push_back(RandomName(rng, 0, 10, bytes));
    return v;
}

class PrefixSortOrder : public ::testing::TestWithParam<SortCase> {};

TEST_P(PrefixSortOrder, MatchesStdSortWithTheSameComparison)
{
    const SortCase& c = GetParam();
    const std::vector<std::string> texts = c.make(c.size);
    ASSERT_EQ(texts.size(), c.size);
    // A total order, as every caller's is (the table breaks ties by row id).
    auto tieLess = [&](uint32_t a, uint32_t b) {
        int r = c.ci ? TTable::CompareText(texts[a], texts[b]) : texts[a].compare(texts[b]);
        return r != 0 ? r < 0 : a < b;
    };

    std::vector<uint32_t> expected(texts.size());
    std::iota(expected.begin(), expected.end(), 0u);
    std::sort(expected.begin(), expected.end(), tieLess);

    TRawArray<TPrefixEntry> entries;
    entries.ResizeUninitialized(texts.size());
    for (size_t i = 0; i < texts.size(); ++i)
        entries[i] = {TextPrefix(texts[i], c.ci), uint32_t(i), 0};
    PrefixSort(entries, tieLess);

    ASSERT_EQ(entries.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(entries[i].id, expected[i]) << "at " << i << ": '" << texts[entries[i].id] << "' where '"
                                              << texts[expected[i]] << "' belongs";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrefixSortOrder,
    ::testing::Values(SortCase{"Empty", 0, false, Names}, SortCase{"OneItem", 1, false, Names},
                      SortCase{"SharedLongPrefix_Small", Small, false, SharedLongPrefix},
                      SortCase{"SharedLongPrefix_Large", Large, false, SharedLongPrefix},
                      SortCase{"CaseDifferences_Small", Small, true, CaseDifferences},
                      SortCase{"CaseDifferences_Large", Large, true, CaseDifferences},
                      SortCase{"AlreadySorted_Small", Small, false, Sorted},
                      SortCase{"AlreadySorted_Large", Large, false, Sorted},
                      SortCase{"Reversed_Small", Small, false, Reversed},
                      SortCase{"Reversed_Large", Large, false, Reversed},
                      SortCase{"ShortTextsAndHighBytes_Small", Small, false, ShortTextsAndHighBytes},
                      SortCase{"ShortTextsAndHighBytes_Large", Large, false, ShortTextsAndHighBytes}),
    [](const ::testing::TestParamInfo<SortCase>& info) { return std::string(info.param.name); });

// The derived orders rely on the radix passes keeping equal keys in the order
// they came in; keys are drawn from a few values so that most are equal.
class RadixStability : public ::testing::TestWithParam<size_t> {};

TEST_P(RadixStability, EqualKeysKeepTheirOrder)
{
    const size_t n = GetParam();
    std::mt19937 rng(17);
    // Keys that differ in the high bytes and in the low ones, so every digit pass runs.
    const uint32_t numbers[] = {0x00000000u, 0x7fffffffu, 0x80000000u, 0xffffffffu, 0x00ff0001u, 0x12345678u};
    const uint64_t prefixes[] = {0, 1, 0x6164732e00000000ull, 0xff00000000000000ull, 0x00000000ffffffffull};
    std::uniform_int_distribution<size_t> pickNumber(0, std::size(numbers) - 1),
        pickPrefix(0, std::size(prefixes) - 1);

    TRawArray<TNumberEntry> byNumber;
    TRawArray<TPrefixEntry> byPrefix;
    std::vector<TNumberEntry> expectNumber;
    std::vector<TPrefixEntry> expectPrefix;
    for (size_t i = 0; i < n; ++i) {
        TNumberEntry e{numbers[pickNumber(rng)], uint32_t(i)};
        byNumber.push_back(e);
        expectNumber.push_back(e);
        TPrefixEntry p{prefixes[pickPrefix(rng)], uint32_t(i), 0};
        byPrefix.push_back(p);
        expectPrefix.push_back(p);
    }
    std::stable_sort(expectNumber.begin(), expectNumber.end(),
                     [](const TNumberEntry& a, const TNumberEntry& b) { return a.key < b.key; });
    std::stable_sort(expectPrefix.begin(), expectPrefix.end(),
                     [](const TPrefixEntry& a, const TPrefixEntry& b) { return a.key < b.key; });

    RadixSortByKey(byNumber);
    RadixSortByKey(byPrefix);
    ASSERT_EQ(byNumber.size(), n);
    ASSERT_EQ(byPrefix.size(), n);
    for (size_t i = 0; i < n; ++i) {
        ASSERT_EQ(byNumber[i].key, expectNumber[i].key) << "at " << i;
        ASSERT_EQ(byNumber[i].id, expectNumber[i].id) << "at " << i;
        ASSERT_EQ(byPrefix[i].key, expectPrefix[i].key) << "at " << i;
        ASSERT_EQ(byPrefix[i].id, expectPrefix[i].id) << "at " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RadixStability,
                         ::testing::Values(size_t(0), size_t(1), size_t(2), size_t(5000)));

}   // namespace
