// Key hashing and comparison of the table engine. Private to the table's sources in core.
#pragma once

#include "core/Table.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace tableimpl {

inline constexpr uint32_t NoRow = UINT32_MAX;

inline unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

inline uint64_t Mix(uint64_t h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

inline uint64_t HashText(std::string_view s, bool ci, uint64_t seed)
{
    uint64_t h = seed ^ (s.size() * 0x9E3779B97F4A7C15ULL);
    size_t i = 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
    if (ci) {
        for (; i + 8 <= s.size(); i += 8) {
            uint64_t w;
            std::memcpy(&w, p + i, 8);
            // Lower-case A-Z in all eight bytes at once.
            uint64_t heptets = w & 0x7F7F7F7F7F7F7F7FULL;
            uint64_t geA = heptets + 0x3F3F3F3F3F3F3F3FULL;   // >= 'A'
            uint64_t gtZ = heptets + 0x2525252525252525ULL;   // > 'Z'
            uint64_t upper = (geA ^ gtZ) & ~w & 0x8080808080808080ULL;
            w |= upper >> 2;
            h = (h ^ w) * 0x100000001B3ULL;
            h = (h << 29) | (h >> 35);
        }
        uint64_t w = 0;
        if (i < s.size() && s.size() >= 8) {
            // The last, partial word: read the final eight bytes whole and drop
            // the ones already hashed.
            std::memcpy(&w, p + s.size() - 8, 8);
            uint64_t heptets = w & 0x7F7F7F7F7F7F7F7FULL;
            uint64_t geA = heptets + 0x3F3F3F3F3F3F3F3FULL;
            uint64_t gtZ = heptets + 0x2525252525252525ULL;
            w |= ((geA ^ gtZ) & ~w & 0x8080808080808080ULL) >> 2;
            w >>= 8 * (8 - (s.size() - i));
        } else {
            for (size_t j = 0; i < s.size(); ++i, ++j)
                w |= uint64_t(Lower(p[i])) << (8 * j);
        }
        h = (h ^ w) * 0x100000001B3ULL;
    } else {
        for (; i + 8 <= s.size(); i += 8) {
            uint64_t w;
            std::memcpy(&w, p + i, 8);
            h = (h ^ w) * 0x100000001B3ULL;
            h = (h << 29) | (h >> 35);
        }
        uint64_t w = 0;
        for (size_t j = 0; i < s.size(); ++i, ++j)
            w |= uint64_t(p[i]) << (8 * j);
        h = (h ^ w) * 0x100000001B3ULL;
    }
    return Mix(h);
}

inline int CompareBytes(std::string_view a, std::string_view b, bool ci)
{
    size_t n = std::min(a.size(), b.size());
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a.data());
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b.data());
    if (ci) {
        size_t i = 0;
        // Bytes that are equal as they stand are equal ignoring case: skip
        // them a word at a time (names mostly meet their own spelling).
        for (; i + 8 <= n; i += 8) {
            uint64_t u, v;
            std::memcpy(&u, x + i, 8);
            std::memcpy(&v, y + i, 8);
            if (u != v)
                break;
        }
        for (; i < n; ++i) {
            unsigned char c = Lower(x[i]), d = Lower(y[i]);
            if (c != d)
                return c < d ? -1 : 1;
        }
    } else if (n) {
        int r = std::memcmp(x, y, n);
        if (r)
            return r < 0 ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// A field value as the indexes see it.
struct TCell {
    bool null = true;
    int32_t i = 0;
    std::string_view s;
};

// Null sorts first; text by bytes (ASCII case folded when ci), numbers by value.
inline int CompareCells(const TCell& a, const TCell& b, TFieldType type, bool ci)
{
    if (a.null || b.null)
        return a.null == b.null ? 0 : (a.null ? -1 : 1);
    if (type == TFieldType::ftString)
        return CompareBytes(a.s, b.s, ci);
    return a.i < b.i ? -1 : (a.i > b.i ? 1 : 0);
}

// The values of one key, without allocating.
inline constexpr size_t MaxKeyParts = 4;
struct TKey {
    TCell c[MaxKeyParts];
    size_t n = 0;
    TKey() = default;
    TKey(std::initializer_list<TCell> cells)
    {
        for (const TCell& x : cells)
            c[n++] = x;
    }
    void push_back(const TCell& x) { c[n++] = x; }
    size_t size() const { return n; }
    const TCell& operator[](size_t i) const { return c[i]; }
};

}   // namespace tableimpl
