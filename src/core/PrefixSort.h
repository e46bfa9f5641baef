// The sort of the big lists (table orders, the registry domain list): radix passes on an integer prefix of each key.
#pragma once

#include "core/RawArray.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

// Eight bytes of a text from `from` on, big-endian (ASCII lower-cased when ci),
// so that comparing two prefixes as numbers orders like the texts.
inline uint64_t TextPrefix(std::string_view s, bool ci = false, size_t from = 0)
{
    uint64_t k = 0;
    const size_t n = s.size() > from ? std::min<size_t>(8, s.size() - from) : 0;
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(s[from + i]);
        if (ci && c >= 'A' && c <= 'Z')
            c += 32;
        k |= uint64_t(c) << (56 - 8 * i);
    }
    return k;
}

// An entry to sort: a prefix and the id of what it stands for (a row, a list
// item). 16 bytes, so an entry never straddles a cache line.
struct TPrefixEntry {
    uint64_t key;
    uint32_t id, pad;
};

// The same for keys that are 32-bit numbers: 8 bytes an entry.
struct TNumberEntry {
    uint32_t key, id;
};

// Stable sort on the key alone: entries with equal keys keep their order.
// Byte-wide digits (the 256 scatter targets stay in the cache), all histograms
// from one pass, and a digit every key shares is skipped.
void RadixSortByKey(TRawArray<TPrefixEntry>& entries);
void RadixSortByKey(TRawArray<TNumberEntry>& entries);

// Sorts on the key, then by tieLess(idA, idB) among entries whose keys are
// equal: the radix passes settle nearly all of the order, and only the runs
// that share a prefix are compared in full. A short list is sorted at once.
template <class TieLess>
void PrefixSort(TRawArray<TPrefixEntry>& entries, TieLess tieLess)
{
    auto less = [&tieLess](const TPrefixEntry& a, const TPrefixEntry& b) {
        if (a.key != b.key)
            return a.key < b.key;
        return tieLess(a.id, b.id);
    };
    TPrefixEntry* e = entries.data();
    const size_t n = entries.size();
    if (n < 4096) {
        std::sort(e, e + n, less);
        return;
    }
    RadixSortByKey(entries);
    e = entries.data();
    for (size_t a = 0; a < n;) {
        size_t b = a + 1;
        while (b < n && e[b].key == e[a].key)
            ++b;
        if (b - a > 1)
            std::sort(e + a, e + b, less);
        a = b;
    }
}
