// Radix passes of the prefix sort.
#include "core/PrefixSort.h"

#include <array>

namespace {

template <class Entry>
void RadixSort(TRawArray<Entry>& entries)
{
    using Key = decltype(Entry::key);
    constexpr int Digits = int(sizeof(Key));
    const size_t n = entries.size();
    if (n < 2)
        return;
    std::array<std::array<uint32_t, 257>, Digits> count{};
    const Entry* in = entries.data();
    for (size_t i = 0; i < n; ++i)
        for (int b = 0; b < Digits; ++b)
            ++count[b][((in[i].key >> (8 * b)) & 0xFF) + 1];
    // Not zero-filled: on a million entries first touching the memory costs
    // more than the sorting itself.
    TRawArray<Entry> scratch;
    for (int b = 0; b < Digits; ++b) {
        std::array<uint32_t, 257>& c = count[b];
        if (std::find(c.begin() + 1, c.end(), uint32_t(n)) != c.end())
            continue;   // every key has the same byte here
        if (scratch.empty())
            scratch.ResizeUninitialized(n);
        for (size_t i = 1; i < c.size(); ++i)
            c[i] += c[i - 1];
        const int shift = 8 * b;
        const Entry* from = entries.data();
        Entry* to = scratch.data();
        for (size_t i = 0; i < n; ++i)
            to[c[(from[i].key >> shift) & 0xFF]++] = from[i];
        entries.swap(scratch);
    }
}

}   // namespace

void RadixSortByKey(TRawArray<TPrefixEntry>& entries) { RadixSort(entries); }
void RadixSortByKey(TRawArray<TNumberEntry>& entries) { RadixSort(entries); }
