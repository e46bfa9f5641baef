// The hash set of row ids behind a unique key: growth and removal.
#include "core/TableHash.h"

namespace tableimpl {

void TKeyHash::Grow(size_t wanted)
{
    size_t cap = 16;
    while (cap * 3 < wanted * 5)   // at most 60 % full
        cap <<= 1;
    TRawArray<TSlot> old = std::move(slots);
    slots.AssignZero(cap);
    used = 0;
    tombs = 0;
    // The slot mask never exceeds 32 bits, so the stored low bits re-home each entry.
    for (size_t i = 0; i < old.size(); ++i)
        if (old[i].row != 0 && old[i].row != Tomb)
            Place(old[i].row - 1, old[i].tag);
}

void TKeyHash::Erase(uint32_t row, uint64_t hv)
{
    if (slots.empty())
        return;
    const size_t mask = slots.size() - 1;
    for (size_t i = size_t(hv) & mask;; i = (i + 1) & mask) {
        if (slots[i].row == 0)
            return;
        if (slots[i].row == row + 1) {
            slots[i].row = Tomb;
            ++tombs;
            --used;
            return;
        }
    }
}

}   // namespace tableimpl
