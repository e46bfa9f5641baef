// The hash set of row ids behind a unique key. Private to the table's sources in core.
#pragma once

#include "core/Prefetch.h"
#include "core/RawArray.h"
#include "core/TableKeys.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace tableimpl {

// Open addressing with linear probing. The set holds row ids only: rows are
// found by their key's hash value and a test of the key the caller supplies.
class TKeyHash {
public:
    size_t Used() const { return used; }
    size_t Capacity() const { return slots.size(); }

    // Room for this many rows at most 60 % full; every entry is re-homed.
    void Grow(size_t wanted);

    // The row whose slot carries the hash's bits and whose key same(row) accepts; NoRow when none.
    template <class Same>
    uint32_t Find(uint64_t hv, Same same) const
    {
        if (slots.empty())
            return NoRow;
        const uint32_t tag = uint32_t(hv);
        const size_t mask = slots.size() - 1;
        for (size_t i = size_t(hv) & mask;; i = (i + 1) & mask) {
            uint32_t s = slots[i].row;
            if (s == 0)
                return NoRow;
            if (s != Tomb && slots[i].tag == tag && same(s - 1))
                return s - 1;
        }
    }

    // Adds a row (its key not in the set yet), growing the set as needed.
    void Insert(uint32_t row, uint64_t hv)
    {
        // Linear probing stays short up to about 60 % full.
        if ((used + tombs + 1) * 5 > slots.size() * 3)
            Grow(std::max<size_t>(used + 1, 8));
        Place(row, hv);
    }

    // Insert into a set that has room already (see Grow): the bulk load's path.
    void Place(uint32_t row, uint64_t hv)
    {
        const size_t mask = slots.size() - 1;
        size_t i = size_t(hv) & mask;
        while (slots[i].row != 0 && slots[i].row != Tomb)
            i = (i + 1) & mask;
        if (slots[i].row == Tomb)
            --tombs;
        slots[i] = {row + 1, uint32_t(hv)};
        ++used;
    }

    // Removes a row; hv is the hash of the key it was added under.
    void Erase(uint32_t row, uint64_t hv);

    // Starts fetching the slot where a look-up of this hash begins.
    void PrefetchSlot(uint64_t hv) const
    {
        if (!slots.empty())
            QUILLON_PREFETCH(&slots[size_t(hv) & (slots.size() - 1)]);
    }

    // The row a look-up of this hash will almost always end on: the first of
    // the next few slots with the hash's bits. NoRow when there is none.
    uint32_t LikelyRow(uint64_t hv) const
    {
        if (slots.empty())
            return NoRow;
        const size_t mask = slots.size() - 1;
        size_t i = size_t(hv) & mask;
        for (int step = 0; step < 4; ++step, i = (i + 1) & mask) {
            uint32_t s = slots[i].row;
            if (s == 0)
                return NoRow;
            if (s != Tomb && slots[i].tag == uint32_t(hv))
                return s - 1;
        }
        return NoRow;
    }

private:
    // Row and hash bits side by side: one cache line per probe.
    struct TSlot {
        uint32_t row;   // row id + 1; 0 empty; Tomb deleted
        uint32_t tag;   // low hash bits: skip most row look-ups, and re-home slots on growth
    };
    static constexpr uint32_t Tomb = UINT32_MAX;

    TRawArray<TSlot> slots;
    size_t used = 0, tombs = 0;
};

}   // namespace tableimpl
