// TRawArray: values survive growth across the switch from heap blocks to
// mapped huge-page blocks, and zeroed blocks are zero at every size.
#include "core/RawArray.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

class RawArraySizes : public ::testing::TestWithParam<size_t> {};

TEST_P(RawArraySizes, GrowsKeepingValuesAndZeroFillsOnRequest)
{
    const size_t count = GetParam();
    TRawArray<uint32_t> a;
    for (size_t i = 0; i < count; ++i)
        a.push_back(uint32_t(i * 2654435761u));
    ASSERT_EQ(a.size(), count);
    for (size_t i = 0; i < count; ++i)
        ASSERT_EQ(a[i], uint32_t(i * 2654435761u)) << "at " << i;

    // A block reserved up front (mapped when large) then grown past its capacity.
    TRawArray<uint64_t> b;
    b.reserve(count);
    b.ResizeUninitialized(count);
    for (size_t i = 0; i < count; ++i)
        b[i] = i;
    b.resize(count * 2 + 1);
    for (size_t i = 0; i < count; ++i)
        ASSERT_EQ(b[i], i);
    for (size_t i = count; i < b.size(); ++i)
        ASSERT_EQ(b[i], 0u);

    TRawArray<uint8_t> z;
    z.AssignZero(count * 5 + 3);
    for (size_t i = 0; i < z.size(); i += 4093)
        ASSERT_EQ(z[i], 0);
    ASSERT_EQ(z[z.size() - 1], 0);

    TRawArray<uint64_t> moved(std::move(b));
    EXPECT_EQ(moved.size(), count * 2 + 1);
    EXPECT_TRUE(b.empty());
    moved.clear();
    EXPECT_TRUE(moved.empty());
}

// Small, just under and over the 2 MB block where mapping starts, and a
// size that is no multiple of a huge page.
INSTANTIATE_TEST_SUITE_P(Sizes, RawArraySizes,
                         ::testing::Values(size_t(10), size_t(262143), size_t(524289), size_t(3000001)));

}   // namespace
