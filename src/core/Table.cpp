// The in-memory table engine: column storage in one text arena, hashed unique keys,
// lazily built chunked orders, cursor, filter and bookmarks.
#include "core/Table.h"

#include "core/TableFilter.h"
#include "core/RawArray.h"
#include "core/TableOrder.h"
#include "platform/Errors.h"
#include "platform/Platform.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <numeric>

namespace {

constexpr uint32_t NoRow = UINT32_MAX;

inline unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// Big-endian 8 bytes from `from` on, so that comparing keys as numbers orders like the text.
inline uint64_t TextPrefix(std::string_view s, bool ci, size_t from = 0)
{
    uint64_t k = 0;
    size_t n = s.size() > from ? std::min<size_t>(8, s.size() - from) : 0;
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(s[from + i]);
        k |= uint64_t(ci ? Lower(c) : c) << (56 - 8 * i);
    }
    return k;
}

// Sort entry: two 8-byte prefix keys settle most comparisons without touching the text.
struct TSortItem {
    uint64_t k1, k2;
    uint32_t row;
};

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

int CompareBytes(std::string_view a, std::string_view b, bool ci)
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

// The values of one key, without allocating.
constexpr size_t MaxKeyParts = 4;
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
    void reserve(size_t) {}
    size_t size() const { return n; }
    const TCell& operator[](size_t i) const { return c[i]; }
};

} // namespace

// ---------------------------------------------------------------------------

struct TTable::Impl {
    struct Column {
        TFieldDef def;
        TRawArray<uint64_t> text;      // offset << 24 | length; length 0 is null
        TRawArray<int32_t> ints;       // integers and booleans
        TRawArray<uint8_t> nulls;      // 1 = null (integers and booleans)
    };

    struct KeyPart {
        int field;
        bool ci;
    };

    // Open-addressing set of row ids for one unique key.
    struct Hash {
        // Row and hash bits side by side: one cache line per probe.
        struct TSlot {
            uint32_t row;   // row id + 1; 0 empty; Tomb deleted
            uint32_t tag;   // low hash bits: skip most row look-ups, and re-home slots on growth
        };
        TRawArray<TSlot> slots;
        size_t used = 0, tombs = 0;
        static constexpr uint32_t Tomb = UINT32_MAX;
    };

    struct Index {
        TIndexDef def;
        std::vector<KeyPart> parts;
        bool hashed = false;           // has its own hash set (a unique key not implied by another)
        bool built = false;
        TTableOrder order;
        std::vector<uint32_t> pending; // rows added since the order was built
        Hash hash;
    };

    TTable& owner;
    std::vector<TFieldDef> fieldDefs;
    std::vector<TIndexDef> indexDefs;

    bool active = false;
    TTableState state = TTableState::dsInactive;
    std::vector<Column> cols;
    std::vector<Index> indexes;
    TRawArray<char> arena;
    size_t arenaGarbage = 0;
    TRawArray<uint8_t> deleted;
    size_t live = 0;
    int current = 0;   // current index number

    // Cursor: the current row, and its position in the current sequence when known.
    uint32_t curRow = NoRow;
    size_t curPos = 0;
    bool posValid = false;
    bool eof = true, bof = true;

    // Edit buffer for Append / Edit.
    std::vector<TValue> buffer;
    uint32_t editRow = NoRow;

    // Filter.
    std::string filterText;
    std::vector<TFilterCondition> filter;
    std::vector<int> filterFields;
    bool filtered = false;
    std::vector<uint32_t> view;    // rows that pass, in the current order
    bool viewValid = false;

    explicit Impl(TTable& t) : owner(t) {}

    // ---- cells
    TCell Cell(uint32_t row, int f) const
    {
        const Column& c = cols[f];
        TCell cell;
        if (c.def.type == TFieldType::ftString) {
            uint64_t slot = c.text[row];
            uint32_t len = uint32_t(slot & 0xFFFFFF);
            if (len) {
                cell.null = false;
                cell.s = std::string_view(arena.data() + (slot >> 24), len);
            }
        } else if (!c.nulls[row]) {
            cell.null = false;
            cell.i = c.ints[row];
        }
        return cell;
    }

    TCell BufferCell(int f) const
    {
        const TValue& v = buffer[f];
        TCell cell;
        if (v.kind == TValue::Text) {
            if (!v.s.empty()) {
                cell.null = false;
                cell.s = v.s;
            }
        } else if (v.kind != TValue::Null) {
            cell.null = false;
            cell.i = v.i;
        }
        return cell;
    }

    static TCell ValueCell(const TValue& v, TFieldType type)
    {
        TCell cell;
        if (type == TFieldType::ftString) {
            if (v.kind == TValue::Text && !v.s.empty()) {
                cell.null = false;
                cell.s = v.s;
            }
        } else if (v.kind == TValue::Int || v.kind == TValue::Bool) {
            cell.null = false;
            cell.i = v.i;
        }
        return cell;
    }

    static int CompareCells(const TCell& a, const TCell& b, TFieldType type, bool ci)
    {
        if (a.null || b.null)
            return a.null == b.null ? 0 : (a.null ? -1 : 1);
        if (type == TFieldType::ftString)
            return CompareBytes(a.s, b.s, ci);
        return a.i < b.i ? -1 : (a.i > b.i ? 1 : 0);
    }

    TFieldType Type(int f) const { return cols[f].def.type; }

    // Key order of two stored rows; equal keys fall back to row id so every order is total.
    int CompareRows(const Index& ix, uint32_t a, uint32_t b) const
    {
        for (const KeyPart& p : ix.parts) {
            int r = CompareCells(Cell(a, p.field), Cell(b, p.field), Type(p.field), p.ci);
            if (r)
                return r;
        }
        return a < b ? -1 : (a > b ? 1 : 0);
    }

    // Key order of two stored rows, without the row-id tie break.
    int CompareRowKeys(const Index& ix, uint32_t a, uint32_t b) const
    {
        for (const KeyPart& p : ix.parts) {
            int r = CompareCells(Cell(a, p.field), Cell(b, p.field), Type(p.field), p.ci);
            if (r)
                return r;
        }
        return 0;
    }

    // Compares a stored row with the first key.size() parts of a key.
    int CompareRowKey(const Index& ix, uint32_t row, const TKey& key) const
    {
        for (size_t i = 0; i < key.size() && i < ix.parts.size(); ++i) {
            const KeyPart& p = ix.parts[i];
            int r = CompareCells(Cell(row, p.field), key[i], Type(p.field), p.ci);
            if (r)
                return r;
        }
        return 0;
    }

    // ---- hashing of unique keys
    uint64_t HashCells(const Index& ix, const TKey& cells) const
    {
        if (ix.parts.size() == 1 && !cells[0].null && Type(ix.parts[0].field) == TFieldType::ftString)
            return HashText(cells[0].s, ix.parts[0].ci, 0x51ED27);
        uint64_t h = 0x51ED27;
        for (size_t i = 0; i < ix.parts.size(); ++i) {
            const TCell& c = cells[i];
            if (c.null)
                h = Mix(h ^ 0xA5A5);
            else if (Type(ix.parts[i].field) == TFieldType::ftString)
                h = HashText(c.s, ix.parts[i].ci, h);
            else
                h = Mix(h ^ (uint64_t(uint32_t(c.i)) + 0x1234567));
        }
        return h;
    }

    TKey RowKey(const Index& ix, uint32_t row) const
    {
        TKey k;
        k.reserve(ix.parts.size());
        for (const KeyPart& p : ix.parts)
            k.push_back(Cell(row, p.field));
        return k;
    }

    TKey BufferKey(const Index& ix) const
    {
        TKey k;
        k.reserve(ix.parts.size());
        for (const KeyPart& p : ix.parts)
            k.push_back(BufferCell(p.field));
        return k;
    }

    bool KeyEqualsRow(const Index& ix, const TKey& key, uint32_t row) const
    {
        for (size_t i = 0; i < ix.parts.size(); ++i) {
            const KeyPart& p = ix.parts[i];
            if (CompareCells(Cell(row, p.field), key[i], Type(p.field), p.ci))
                return false;
        }
        return true;
    }

    uint32_t HashFind(const Index& ix, const TKey& key, uint32_t except = NoRow) const
    {
        if (ix.hash.used == 0)
            return NoRow;   // nothing to find: spare the hashing
        return HashFindH(ix, key, HashCells(ix, key), except);
    }

    uint32_t HashFindH(const Index& ix, const TKey& key, uint64_t hv, uint32_t except = NoRow) const
    {
        const Hash& h = ix.hash;
        if (h.slots.empty())
            return NoRow;
        uint32_t tag = uint32_t(hv);
        size_t mask = h.slots.size() - 1;
        for (size_t i = size_t(hv) & mask;; i = (i + 1) & mask) {
            uint32_t s = h.slots[i].row;
            if (s == 0)
                return NoRow;
            if (s != Hash::Tomb && h.slots[i].tag == tag && s - 1 != except &&
                KeyEqualsRow(ix, key, s - 1))
                return s - 1;
        }
    }

    void HashGrow(Index& ix, size_t wanted)
    {
        Hash& h = ix.hash;
        size_t cap = 16;
        while (cap * 3 < wanted * 5)   // at most 60 % full
            cap <<= 1;
        TRawArray<Hash::TSlot> old = std::move(h.slots);
        h.slots.AssignZero(cap);
        h.used = 0;
        h.tombs = 0;
        // The slot mask never exceeds 32 bits, so the stored low bits re-home each entry.
        for (size_t i = 0; i < old.size(); ++i)
            if (old[i].row != 0 && old[i].row != Hash::Tomb)
                HashInsertRaw(ix, old[i].row - 1, old[i].tag);
    }

    void HashInsertRaw(Index& ix, uint32_t row, uint64_t hv)
    {
        Hash& h = ix.hash;
        size_t mask = h.slots.size() - 1;
        size_t i = size_t(hv) & mask;
        while (h.slots[i].row != 0 && h.slots[i].row != Hash::Tomb)
            i = (i + 1) & mask;
        if (h.slots[i].row == Hash::Tomb)
            --h.tombs;
        h.slots[i] = {row + 1, uint32_t(hv)};
        ++h.used;
    }

    void HashInsert(Index& ix, uint32_t row) { HashInsertH(ix, row, HashCells(ix, RowKey(ix, row))); }

    void HashInsertH(Index& ix, uint32_t row, uint64_t hv)
    {
        Hash& h = ix.hash;
        // Linear probing stays short up to about 60 % full.
        if ((h.used + h.tombs + 1) * 5 > h.slots.size() * 3)
            HashGrow(ix, std::max<size_t>(h.used + 1, 8));
        HashInsertRaw(ix, row, hv);
    }

    void HashErase(Index& ix, uint32_t row)
    {
        Hash& h = ix.hash;
        if (h.slots.empty())
            return;
        uint64_t hv = HashCells(ix, RowKey(ix, row));
        size_t mask = h.slots.size() - 1;
        for (size_t i = size_t(hv) & mask;; i = (i + 1) & mask) {
            if (h.slots[i].row == 0)
                return;
            if (h.slots[i].row == row + 1) {
                h.slots[i].row = Hash::Tomb;
                ++h.tombs;
                --h.used;
                return;
            }
        }
    }

    // ---- orders
    // Sorts rows by the index's key, quickly: 8-byte prefix keys first, full compare on ties.
    void SortRows(const Index& ix, std::vector<uint32_t>& rows) const
    {
        // 16-byte entries in arrays that are not zero-filled: on a million rows
        // first touching the memory costs more than the sorting itself.
        struct TKeyRow {
            uint64_t key;
            uint32_t row, pad;
        };
        TRawArray<TKeyRow> items;
        items.ResizeUninitialized(rows.size());
        const KeyPart& p0 = ix.parts[0];
        const bool text = Type(p0.field) == TFieldType::ftString;
        for (size_t i = 0; i < rows.size(); ++i) {
            TCell c = Cell(rows[i], p0.field);
            uint64_t k = c.null ? 0 : text ? TextPrefix(c.s, p0.ci) : uint64_t(uint32_t(c.i) ^ 0x80000000u) + 1;
            items[i] = {k, rows[i], 0};
        }
        auto less = [&](const TKeyRow& a, const TKeyRow& b) {
            if (a.key != b.key)
                return a.key < b.key;
            return CompareRows(ix, a.row, b.row) < 0;
        };
        const size_t n = rows.size();
        if (n < 4096) {
            std::sort(items.data(), items.data() + n, less);
        } else {
            // Radix passes on the prefix with byte-wide digits (the 256 scatter
            // targets stay in the cache; all histograms come from one pass),
            // then the few runs that share a prefix are compared in full.
            TRawArray<TKeyRow> tmp;
            tmp.ResizeUninitialized(n);
            std::array<std::array<uint32_t, 257>, 8> count{};
            for (size_t i = 0; i < n; ++i)
                for (int b = 0; b < 8; ++b)
                    ++count[b][((items[i].key >> (8 * b)) & 0xFF) + 1];
            for (int b = 0; b < 8; ++b) {
                std::array<uint32_t, 257>& c = count[b];
                if (std::find(c.begin() + 1, c.end(), uint32_t(n)) != c.end())
                    continue;   // every key has the same byte here
                for (size_t i = 1; i < c.size(); ++i)
                    c[i] += c[i - 1];
                const int shift = 8 * b;
                for (size_t i = 0; i < n; ++i)
                    tmp[c[(items[i].key >> shift) & 0xFF]++] = items[i];
                items.swap(tmp);
            }
            for (size_t a = 0; a < n;) {
                size_t b = a + 1;
                while (b < n && items[b].key == items[a].key)
                    ++b;
                if (b - a > 1)
                    std::sort(items.data() + a, items.data() + b, less);
                a = b;
            }
        }
        for (size_t i = 0; i < n; ++i)
            rows[i] = items[i].row;
    }

    // When the index is "field, then <another built index's key>", its order is
    // that order stably re-sorted on the leading field: much cheaper than a full sort.
    bool DeriveOrder(Index& ix, std::vector<uint32_t>& out)
    {
        if (ix.parts.size() < 2)
            return false;
        for (Index& base : indexes) {
            if (&base == &ix || !base.built || base.parts.size() != ix.parts.size() - 1)
                continue;
            bool match = true;
            for (size_t i = 0; i < base.parts.size(); ++i)
                if (base.parts[i].field != ix.parts[i + 1].field ||
                    (base.parts[i].ci != ix.parts[i + 1].ci &&
                     Type(base.parts[i].field) == TFieldType::ftString))
                    match = false;
            if (!match)
                continue;
            // Bringing the base order up to date first still beats a full sort.
            Flush(base);
            out = base.order.ToVector();
            const KeyPart p0 = ix.parts[0];
            if (Type(p0.field) == TFieldType::ftString) {
                // Rows without a value keep the base order at the front; only
                // the others are sorted.
                auto firstValued = std::stable_partition(out.begin(), out.end(), [&](uint32_t r) {
                    return Cell(r, p0.field).null;
                });
                size_t from = size_t(firstValued - out.begin());
                std::vector<TSortItem> items(out.size() - from);
                for (size_t i = 0; i < items.size(); ++i) {
                    uint32_t r = out[from + i];
                    std::string_view v = Cell(r, p0.field).s;
                    items[i] = {TextPrefix(v, p0.ci), TextPrefix(v, p0.ci, 8), r};
                }
                std::stable_sort(items.begin(), items.end(), [&](const TSortItem& a, const TSortItem& b) {
                    if (a.k1 != b.k1)
                        return a.k1 < b.k1;
                    if (a.k2 != b.k2)
                        return a.k2 < b.k2;
                    return CompareCells(Cell(a.row, p0.field), Cell(b.row, p0.field),
                                        TFieldType::ftString, p0.ci) < 0;
                });
                for (size_t i = 0; i < items.size(); ++i)
                    out[from + i] = items[i].row;
            } else {
                // Stable radix passes on the number, its value read once per
                // row (the rows lie scattered in memory in this order); rows
                // without a number keep the base order at the front.
                struct TKeyRow {
                    uint32_t key, row;
                };
                const size_t n = out.size();
                TRawArray<TKeyRow> items, scratch;
                items.ResizeUninitialized(n);
                std::vector<uint32_t> nullRows;
                size_t numbers = 0;
                const TRawArray<int32_t>& values = cols[p0.field].ints;
                const TRawArray<uint8_t>& nullFlags = cols[p0.field].nulls;
                for (size_t i = 0; i < n; ++i) {
                    if (i + 16 < n) {
                        __builtin_prefetch(&values[out[i + 16]]);
                        __builtin_prefetch(&nullFlags[out[i + 16]]);
                    }
                    uint32_t r = out[i];
                    if (nullFlags[r])
                        nullRows.push_back(r);
                    else
                        items[numbers++] = {uint32_t(values[r]) ^ 0x80000000u, r};
                }
                scratch.ResizeUninitialized(numbers);
                std::array<std::array<uint32_t, 257>, 4> count{};
                for (size_t i = 0; i < numbers; ++i)
                    for (int b = 0; b < 4; ++b)
                        ++count[b][((items[i].key >> (8 * b)) & 0xFF) + 1];
                for (int b = 0; b < 4; ++b) {
                    std::array<uint32_t, 257>& c = count[b];
                    if (std::find(c.begin() + 1, c.end(), uint32_t(numbers)) != c.end())
                        continue;   // every number has the same byte here
                    for (size_t i = 1; i < c.size(); ++i)
                        c[i] += c[i - 1];
                    for (size_t i = 0; i < numbers; ++i)
                        scratch[c[(items[i].key >> (8 * b)) & 0xFF]++] = items[i];
                    items.swap(scratch);
                }
                std::copy(nullRows.begin(), nullRows.end(), out.begin());
                for (size_t i = 0; i < numbers; ++i)
                    out[nullRows.size() + i] = items[i].row;
            }
            // The base order breaks ties by row id only where its own key is
            // equal; so does this one, hence the result is the exact order.
            return true;
        }
        return false;
    }

    void BuildOrder(Index& ix)
    {
        std::vector<uint32_t> rows;
        if (!DeriveOrder(ix, rows)) {
            rows.reserve(live);
            for (uint32_t r = 0; r < deleted.size(); ++r)
                if (!deleted[r])
                    rows.push_back(r);
            SortRows(ix, rows);
        }
        ix.order.Assign(rows);
        ix.built = true;
        ix.pending.clear();
    }

    size_t OrderLowerBound(const Index& ix, uint32_t row) const
    {
        return ix.order.LowerBound([&](uint32_t x) { return CompareRows(ix, x, row) < 0; });
    }

    // Brings an order up to date: builds it, or merges the rows added since.
    void Flush(Index& ix)
    {
        if (!ix.built) {
            BuildOrder(ix);
            return;
        }
        if (ix.pending.empty())
            return;
        if (ix.pending.size() <= 32) {
            for (uint32_t r : ix.pending)
                ix.order.Insert(OrderLowerBound(ix, r), r);
        } else {
            std::vector<uint32_t> added = std::move(ix.pending);
            SortRows(ix, added);
            if (ix.order.Size() == 0) {
                ix.order.Assign(added);
                ix.pending.clear();
                return;
            }
            std::vector<uint32_t> old = ix.order.ToVector(), merged(old.size() + added.size());
            std::merge(old.begin(), old.end(), added.begin(), added.end(), merged.begin(),
                       [&](uint32_t a, uint32_t b) { return CompareRows(ix, a, b) < 0; });
            ix.order.Assign(merged);
        }
        ix.pending.clear();
    }

    void OrderErase(Index& ix, uint32_t row)
    {
        if (!ix.built)
            return;
        Flush(ix);
        size_t p = OrderLowerBound(ix, row);
        if (p < ix.order.Size() && ix.order.At(p) == row)
            ix.order.Erase(p);
    }

    void OrderInsert(Index& ix, uint32_t row)
    {
        if (ix.built)
            ix.pending.push_back(row);
    }

    // ---- the current sequence: the current order, or the rows that pass the filter
    Index& Cur() { return indexes[current]; }

    bool PassesFilter(uint32_t row) const
    {
        for (size_t i = 0; i < filter.size(); ++i) {
            const TFilterCondition& c = filter[i];
            int f = filterFields[i];
            TCell cell = Cell(row, f);
            if (c.op == TFilterCondition::Like) {
                std::string_view v = cell.null ? std::string_view() : cell.s;
                if (Type(f) != TFieldType::ftString) {
                    std::string n = cell.null ? std::string() : std::to_string(cell.i);
                    if (!LikeMatch(n, c.value.s))
                        return false;
                } else if (!LikeMatch(v, c.value.s)) {
                    return false;
                }
            } else if (Type(f) == TFieldType::ftString) {
                std::string_view want = c.value.kind == TValue::Text ? std::string_view(c.value.s)
                                                                     : std::string_view();
                std::string num;
                if (c.value.kind == TValue::Int) {
                    num = std::to_string(c.value.i);
                    want = num;
                }
                if (CompareBytes(cell.null ? std::string_view() : cell.s, want, true))
                    return false;
            } else {
                if (cell.null || c.value.kind != TValue::Int || cell.i != c.value.i)
                    return false;
            }
        }
        return true;
    }

    bool Filtering() const { return filtered && !filter.empty(); }

    void EnsureView()
    {
        Index& ix = Cur();
        Flush(ix);
        if (viewValid)
            return;
        view.clear();
        for (size_t k = 0, n = ix.order.Size(); k < n; ++k) {
            uint32_t r = ix.order.At(k);
            if (PassesFilter(r))
                view.push_back(r);
        }
        viewValid = true;
    }

    size_t SeqSize()
    {
        if (Filtering()) {
            EnsureView();
            return view.size();
        }
        Flush(Cur());
        return Cur().order.Size();
    }

    uint32_t SeqAt(size_t k)
    {
        if (Filtering()) {
            EnsureView();
            return view[k];
        }
        return Cur().order.At(k);
    }

    // First position whose row does not sort before `less` says.
    template <class Less>
    size_t SeqLowerBound(Less less)
    {
        if (Filtering()) {
            EnsureView();
            return size_t(std::partition_point(view.begin(), view.end(), less) - view.begin());
        }
        Flush(Cur());
        return Cur().order.LowerBound(less);
    }

    // Position of the current row in the current sequence (or where it would stand).
    void ResolvePos()
    {
        if (posValid || curRow == NoRow)
            return;
        Index& ix = Cur();
        curPos = SeqLowerBound([&](uint32_t x) { return CompareRows(ix, x, curRow) < 0; });
        size_t n = SeqSize();
        if (curPos < n && SeqAt(curPos) != curRow && Filtering()) {
            // The row no longer passes the filter: stand on the next one that does.
        }
        if (curPos >= n) {
            if (n == 0) {
                curRow = NoRow;
                eof = bof = true;
                return;
            }
            curPos = n - 1;
        }
        curRow = SeqAt(curPos);
        posValid = true;
    }

    void SetCursor(uint32_t row)
    {
        curRow = row;
        posValid = false;
        eof = bof = (row == NoRow);
    }

    void InvalidateView()
    {
        viewValid = false;
        posValid = false;
    }

    // Walking an order other than the storage order jumps through memory; a
    // look ahead keeps the rows' text on its way into the cache.
    void PrefetchAhead()
    {
        if (Filtering())
            return;
        size_t avail;
        const uint32_t* next = Cur().order.Span(curPos, avail);
        for (const Column& c : cols) {
            if (c.def.type != TFieldType::ftString) {
                // Walking an order the rows lie scattered: fetch the numbers too.
                if (avail > 16) {
                    __builtin_prefetch(&c.ints[next[16]]);
                    __builtin_prefetch(&c.nulls[next[16]]);
                }
                continue;
            }
            if (avail > 16)
                __builtin_prefetch(&c.text[next[16]]);
            if (avail > 8)
                __builtin_prefetch(arena.data() + (c.text[next[8]] >> 24));
        }
    }

    // ---- storage
    uint64_t StoreText(std::string_view s)
    {
        if (s.empty())
            return 0;
        uint64_t off = arena.size();
        arena.append(s.data(), s.size());
        return off << 24 | s.size();
    }

    void CheckActive() const
    {
        if (!active)
            throw EQuillonError("Table " + owner.name + ": cannot perform this operation on a closed table.");
    }

    void CheckBrowse() const
    {
        CheckActive();
        if (state != TTableState::dsBrowse)
            throw EQuillonError("Table " + owner.name + ": not in browse mode (a row is being edited).");
    }

    void SetupRuntime()
    {
        cols.clear();
        for (const TFieldDef& d : fieldDefs) {
            Column c;
            c.def = d;
            cols.push_back(std::move(c));
        }
        indexes.clear();
        for (const TIndexDef& d : indexDefs) {
            Index ix;
            ix.def = d;
            for (size_t i = 0; i < d.fields.size(); ++i) {
                int f = owner.FieldNo(d.fields[i]);
                if (f < 0)
                    throw EQuillonError("Table " + owner.name + ": index " + d.name +
                                        " names the unknown field " + d.fields[i] + ".");
                bool ci = i < d.caseInsensitive.size() && d.caseInsensitive[i];
                ix.parts.push_back({f, ci});
            }
            if (ix.parts.size() > MaxKeyParts)
                throw EQuillonError("Table " + owner.name + ": index " + d.name + " has too many fields.");
            if (ix.parts.empty())
                throw EQuillonError("Table " + owner.name + ": index " + d.name + " has no fields.");
            indexes.push_back(std::move(ix));
        }
        // A unique key that contains another unique key (no looser in case) is
        // unique already; only the others need a hash set of their own.
        for (size_t i = 0; i < indexes.size(); ++i) {
            Index& ix = indexes[i];
            if (!ix.def.unique)
                continue;
            bool implied = false;
            for (size_t j = 0; j < i && !implied; ++j) {
                const Index& other = indexes[j];
                if (!other.hashed)
                    continue;
                bool all = true;
                for (const KeyPart& op : other.parts) {
                    bool found = false;
                    for (const KeyPart& p : ix.parts)
                        if (p.field == op.field && (op.ci || !p.ci))
                            found = true;
                    all = all && found;
                }
                implied = all;
            }
            ix.hashed = !implied;
        }
        arena.clear();
        arenaGarbage = 0;
        deleted.clear();
        live = 0;
        current = 0;
        for (size_t i = 0; i < indexes.size(); ++i)
            if (indexes[i].def.primary) {
                current = int(i);
                break;
            }
        SetCursor(NoRow);
        buffer.clear();
        editRow = NoRow;
        viewValid = false;
    }

    uint32_t AddRowStorage()
    {
        uint32_t r = uint32_t(deleted.size());
        deleted.push_back(0);
        for (Column& c : cols) {
            if (c.def.type == TFieldType::ftString) {
                c.text.push_back(0);
            } else {
                c.ints.push_back(0);
                c.nulls.push_back(1);
            }
        }
        return r;
    }

    void WriteRow(uint32_t r)
    {
        for (size_t f = 0; f < cols.size(); ++f) {
            Column& c = cols[f];
            const TValue& v = buffer[f];
            if (c.def.type == TFieldType::ftString) {
                uint64_t old = c.text[r];
                std::string_view now = v.kind == TValue::Text ? std::string_view(v.s) : std::string_view();
                TCell oldCell = Cell(r, int(f));
                if (!oldCell.null && oldCell.s == now)
                    continue;
                arenaGarbage += old & 0xFFFFFF;
                c.text[r] = StoreText(now);
            } else {
                c.nulls[r] = v.kind == TValue::Null ? 1 : 0;
                c.ints[r] = v.kind == TValue::Null ? 0 : v.i;
            }
        }
    }

    TValue RowValue(uint32_t r, int f) const
    {
        TCell c = Cell(r, f);
        if (c.null)
            return TValue();
        if (Type(f) == TFieldType::ftString)
            return TValue(c.s);
        if (Type(f) == TFieldType::ftBoolean)
            return TValue(c.i != 0);
        return TValue(int(c.i));
    }

    bool KeyChanged(const Index& ix, uint32_t r) const
    {
        for (const KeyPart& p : ix.parts) {
            TCell a = Cell(r, p.field), b = BufferCell(p.field);
            if (a.null != b.null)
                return true;
            if (a.null)
                continue;
            if (Type(p.field) == TFieldType::ftString ? a.s != b.s : a.i != b.i)
                return true;
        }
        return false;
    }

    // Reclaims text that edits left behind, once it outweighs the live text.
    void CompactArena()
    {
        if (arenaGarbage < (1u << 20) || arenaGarbage < arena.size() / 2)
            return;
        TRawArray<char> fresh;
        fresh.reserve(arena.size() - arenaGarbage);
        for (Column& c : cols) {
            if (c.def.type != TFieldType::ftString)
                continue;
            for (size_t r = 0; r < c.text.size(); ++r) {
                uint64_t slot = c.text[r];
                uint32_t len = uint32_t(slot & 0xFFFFFF);
                if (!len || deleted[r]) {
                    c.text[r] = deleted[r] ? 0 : slot;
                    continue;
                }
                uint64_t off = fresh.size();
                fresh.append(arena.data() + (slot >> 24), len);
                c.text[r] = off << 24 | len;
            }
        }
        arena.swap(fresh);
        arenaGarbage = 0;
    }
};

// ---------------------------------------------------------------------------

TTable::TTable(std::string n) : name(std::move(n)), d(std::make_unique<Impl>(*this)) {}
TTable::~TTable() = default;

int TTable::CompareText(std::string_view a, std::string_view b) { return CompareBytes(a, b, true); }
bool TTable::SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && CompareBytes(a, b, true) == 0;
}

void TTable::AddFieldDef(const TFieldDef& def)
{
    if (d->active)
        throw EQuillonError("Table " + name + ": fields cannot be defined while it is open.");
    d->fieldDefs.push_back(def);
}

void TTable::AddIndexDef(const TIndexDef& def)
{
    if (d->active)
        throw EQuillonError("Table " + name + ": indexes cannot be defined while it is open.");
    d->indexDefs.push_back(def);
}

void TTable::ClearDefs()
{
    if (d->active)
        throw EQuillonError("Table " + name + ": definitions cannot change while it is open.");
    d->fieldDefs.clear();
    d->indexDefs.clear();
}

const std::vector<TFieldDef>& TTable::FieldDefs() const { return d->fieldDefs; }
const std::vector<TIndexDef>& TTable::IndexDefs() const { return d->indexDefs; }

int TTable::FieldNo(std::string_view fieldName) const
{
    for (size_t i = 0; i < d->fieldDefs.size(); ++i)
        if (SameText(d->fieldDefs[i].name, fieldName))
            return int(i);
    return -1;
}

int TTable::RequireField(std::string_view f) const
{
    int n = FieldNo(f);
    if (n < 0)
        throw EQuillonError(name + ": Field '" + std::string(f) + "' not found");
    return n;
}

const TFieldDef& TTable::FieldDef(std::string_view fieldName) const
{
    return d->fieldDefs[RequireField(fieldName)];
}

void TTable::CreateDataSet()
{
    if (d->fieldDefs.empty())
        throw EQuillonError("Table " + name + " has no fields.");
    Close();
    d->SetupRuntime();
    d->active = true;
    d->state = TTableState::dsBrowse;
}

void TTable::Close()
{
    auto fresh = std::make_unique<Impl>(*this);
    fresh->fieldDefs = std::move(d->fieldDefs);
    fresh->indexDefs = std::move(d->indexDefs);
    d = std::move(fresh);
}

bool TTable::Active() const { return d->active; }
TTableState TTable::State() const { return d->state; }

// ---- index

void TTable::SetIndexName(std::string_view indexName)
{
    d->CheckActive();
    for (size_t i = 0; i < d->indexes.size(); ++i) {
        if (SameText(d->indexes[i].def.name, indexName)) {
            if (int(i) != d->current) {
                d->current = int(i);
                d->InvalidateView();
            }
            return;
        }
    }
    throw EQuillonError(name + ": Index '" + std::string(indexName) + "' not found");
}

const std::string& TTable::IndexName() const
{
    static const std::string none;
    return d->indexes.empty() ? none : d->indexes[d->current].def.name;
}

// ---- cursor

void TTable::First()
{
    d->CheckBrowse();
    size_t n = d->SeqSize();
    if (n == 0) {
        d->SetCursor(NoRow);
        return;
    }
    d->curRow = d->SeqAt(0);
    d->curPos = 0;
    d->posValid = true;
    d->bof = true;
    d->eof = false;
}

void TTable::Last()
{
    d->CheckBrowse();
    size_t n = d->SeqSize();
    if (n == 0) {
        d->SetCursor(NoRow);
        return;
    }
    d->curRow = d->SeqAt(n - 1);
    d->curPos = n - 1;
    d->posValid = true;
    d->bof = false;
    d->eof = true;
}

void TTable::Next()
{
    d->CheckBrowse();
    if (d->curRow == NoRow)
        return;
    d->ResolvePos();
    if (d->curRow == NoRow)
        return;
    if (d->curPos + 1 < d->SeqSize()) {
        ++d->curPos;
        d->curRow = d->SeqAt(d->curPos);
        d->bof = false;
        d->eof = false;
        d->PrefetchAhead();
    } else {
        d->eof = true;
    }
}

void TTable::Prior()
{
    d->CheckBrowse();
    if (d->curRow == NoRow)
        return;
    d->ResolvePos();
    if (d->curRow == NoRow)
        return;
    if (d->curPos > 0) {
        --d->curPos;
        d->curRow = d->SeqAt(d->curPos);
        d->eof = false;
        d->bof = false;
    } else {
        d->bof = true;
    }
}

bool TTable::Eof() const { return !d->active || d->eof; }
bool TTable::Bof() const { return !d->active || d->bof; }

bool TTable::IsEmpty() const { return RecordCount() == 0; }

int TTable::RecordCount() const
{
    if (!d->active)
        return 0;
    if (d->Filtering())
        return int(d->SeqSize());
    return int(d->live);
}

void TTable::Reserve(size_t rows, size_t textBytes)
{
    if (!d->active)
        return;
    if (textBytes)
        d->arena.reserve(d->arena.size() + textBytes);
    for (Impl::Index& ix : d->indexes)
        if (ix.hashed && (rows + 1) * 5 > ix.hash.slots.size() * 3)
            d->HashGrow(ix, rows);
    for (Impl::Column& c : d->cols) {
        if (c.def.type == TFieldType::ftString) {
            c.text.reserve(rows);
        } else {
            c.ints.reserve(rows);
            c.nulls.reserve(rows);
        }
    }
    d->deleted.reserve(rows);
}

int TTable::RowCount() const { return d->active ? int(d->live) : 0; }

int TTable::RecNo() const
{
    if (!d->active || d->curRow == NoRow || d->state != TTableState::dsBrowse)
        return -1;
    d->ResolvePos();
    return d->curRow == NoRow ? -1 : int(d->curPos);
}

void TTable::MoveToRecNo(int position)
{
    d->CheckBrowse();
    size_t n = d->SeqSize();
    if (position < 0 || size_t(position) >= n)
        throw EQuillonError(name + ": row " + std::to_string(position) + " is out of range.");
    d->curPos = size_t(position);
    d->curRow = d->SeqAt(d->curPos);
    d->posValid = true;
    d->eof = false;
    d->bof = false;
}

TBookmark TTable::BookmarkAt(int position) const
{
    if (!d->active || position < 0 || size_t(position) >= d->SeqSize())
        return NoBookmark;
    return d->SeqAt(size_t(position));
}

// ---- field access

std::string_view TTable::AsString(TBookmark row, int f) const
{
    if (!BookmarkValid(row) || f < 0 || size_t(f) >= d->cols.size())
        return {};
    TCell c = d->Cell(row, f);
    if (c.null)
        return {};
    if (d->Type(f) == TFieldType::ftString)
        return c.s;
    thread_local std::string num;
    num = d->Type(f) == TFieldType::ftBoolean ? (c.i ? "True" : "False") : std::to_string(c.i);
    return num;
}

int32_t TTable::AsInteger(TBookmark row, int f) const
{
    if (!BookmarkValid(row) || f < 0 || size_t(f) >= d->cols.size())
        return 0;
    TCell c = d->Cell(row, f);
    if (c.null)
        return 0;
    if (d->Type(f) == TFieldType::ftString) {
        int32_t v = 0;
        auto [end, ec] = std::from_chars(c.s.data(), c.s.data() + c.s.size(), v);
        return ec == std::errc() && end == c.s.data() + c.s.size() ? v : 0;
    }
    return c.i;
}

std::string_view TTable::AsString(int f) const
{
    if (!d->active)
        return {};
    if (d->state == TTableState::dsEdit || d->state == TTableState::dsInsert) {
        const TValue& v = d->buffer[f];
        if (v.kind == TValue::Text)
            return v.s;
        if (v.kind == TValue::Null)
            return {};
        thread_local std::string num;
        num = d->Type(f) == TFieldType::ftBoolean ? (v.i ? "True" : "False") : std::to_string(v.i);
        return num;
    }
    if (d->curRow == NoRow)
        return {};
    TCell c = d->Cell(d->curRow, f);
    if (c.null)
        return {};
    if (d->Type(f) == TFieldType::ftString)
        return c.s;
    thread_local std::string num;
    num = d->Type(f) == TFieldType::ftBoolean ? (c.i ? "True" : "False") : std::to_string(c.i);
    return num;
}

int32_t TTable::AsInteger(int f) const
{
    if (!d->active)
        return 0;
    TCell c;
    if (d->state == TTableState::dsEdit || d->state == TTableState::dsInsert)
        c = d->BufferCell(f);
    else if (d->curRow != NoRow)
        c = d->Cell(d->curRow, f);
    if (c.null)
        return 0;
    if (d->Type(f) == TFieldType::ftString) {
        try {
            return std::stoi(std::string(c.s));
        } catch (...) {
            throw EQuillonError("'" + std::string(c.s) + "' is not a valid integer value");
        }
    }
    return c.i;
}

bool TTable::AsBoolean(int f) const
{
    if (d->Type(f) == TFieldType::ftString)
        return SameText(AsString(f), "true");
    return AsInteger(f) != 0;
}

bool TTable::IsNull(int f) const
{
    if (!d->active)
        return true;
    if (d->state == TTableState::dsEdit || d->state == TTableState::dsInsert)
        return d->BufferCell(f).null;
    if (d->curRow == NoRow)
        return true;
    return d->Cell(d->curRow, f).null;
}

// ---- look-ups

bool TTable::FindKey(const std::vector<TValue>& key)
{
    d->CheckBrowse();
    Impl::Index& ix = d->Cur();
    if (key.empty() || key.size() > ix.parts.size())
        throw EQuillonError(name + ": the key for index " + ix.def.name + " has " +
                            std::to_string(key.size()) + " values.");
    TKey cells;
    for (size_t i = 0; i < key.size(); ++i)
        cells.push_back(Impl::ValueCell(key[i], d->Type(ix.parts[i].field)));

    uint32_t found = NoRow;
    if (ix.hashed && key.size() == ix.parts.size() && !d->Filtering()) {
        found = d->HashFind(ix, cells);
    } else {
        size_t p = d->SeqLowerBound([&](uint32_t x) { return d->CompareRowKey(ix, x, cells) < 0; });
        if (p < d->SeqSize() && d->CompareRowKey(ix, d->SeqAt(p), cells) == 0) {
            found = d->SeqAt(p);
            d->curRow = found;
            d->curPos = p;
            d->posValid = true;
            d->eof = d->bof = false;
            return true;
        }
    }
    if (found == NoRow)
        return false;
    d->SetCursor(found);
    return true;
}

bool TTable::FindText(std::string_view key)
{
    d->CheckBrowse();
    Impl::Index& ix = d->Cur();
    if (!ix.hashed || ix.parts.size() != 1 || d->Type(ix.parts[0].field) != TFieldType::ftString ||
        d->Filtering())
        return FindKey({TValue(key)});
    TCell cell;
    cell.null = key.empty();
    cell.s = key;
    uint32_t r = d->HashFind(ix, TKey{cell});
    if (r == NoRow)
        return false;
    d->SetCursor(r);
    return true;
}

uint64_t TTable::KeyHash(std::string_view key) const
{
    if (!d->active || key.empty())
        return 0;
    const Impl::Index& ix = d->indexes[d->current];
    if (!ix.hashed || ix.parts.size() != 1 || d->Type(ix.parts[0].field) != TFieldType::ftString)
        return 0;
    TCell cell;
    cell.null = false;
    cell.s = key;
    return d->HashCells(ix, TKey{cell});
}

bool TTable::FindText(std::string_view key, uint64_t hash)
{
    d->CheckBrowse();
    Impl::Index& ix = d->Cur();
    if (hash == 0 || !ix.hashed || ix.parts.size() != 1 || d->Filtering())
        return FindText(key);
    TCell cell;
    cell.null = false;
    cell.s = key;
    uint32_t r = d->HashFindH(ix, TKey{cell}, hash);
    if (r == NoRow)
        return false;
    d->SetCursor(r);
    return true;
}

void TTable::PrefetchKey(uint64_t hv, int stage) const
{
    if (!d->active || hv == 0)
        return;
    const Impl::Index& ix = d->indexes[d->current];
    const Impl::Hash& h = ix.hash;
    if (!ix.hashed || h.slots.empty())
        return;
    size_t mask = h.slots.size() - 1, i = size_t(hv) & mask;
    if (stage == 0) {
        __builtin_prefetch(&h.slots[i]);
        return;
    }
    // The first entry with the key's hash bits is almost always the row.
    for (int step = 0; step < 4; ++step, i = (i + 1) & mask) {
        uint32_t s = h.slots[i].row;
        if (s == 0)
            return;
        if (s == Impl::Hash::Tomb || h.slots[i].tag != uint32_t(hv))
            continue;
        uint32_t row = s - 1;
        for (const Impl::Column& c : d->cols) {
            if (c.def.type == TFieldType::ftString) {
                if (stage == 1)
                    __builtin_prefetch(&c.text[row]);
                else
                    __builtin_prefetch(d->arena.data() + (c.text[row] >> 24));
            } else if (stage == 1) {
                __builtin_prefetch(&c.ints[row]);
            }
        }
        return;
    }
}

void TTable::FindNearest(const std::vector<TValue>& key)
{
    d->CheckBrowse();
    Impl::Index& ix = d->Cur();
    TKey cells;
    for (size_t i = 0; i < key.size() && i < ix.parts.size(); ++i)
        cells.push_back(Impl::ValueCell(key[i], d->Type(ix.parts[i].field)));
    size_t p = d->SeqLowerBound([&](uint32_t x) { return d->CompareRowKey(ix, x, cells) < 0; });
    size_t n = d->SeqSize();
    if (n == 0) {
        d->SetCursor(NoRow);
        return;
    }
    if (p >= n) {
        Last();
        return;
    }
    d->curPos = p;
    d->curRow = d->SeqAt(p);
    d->posValid = true;
    d->eof = false;
    d->bof = (p == 0);
}

bool TTable::Locate(std::string_view fieldName, const TValue& value, bool ignoreCase)
{
    d->CheckBrowse();
    int f = RequireField(fieldName);
    TCell want = Impl::ValueCell(value, d->Type(f));
    bool ci = ignoreCase;
    // A single-field unique key answers at once when its case rule is the one asked for.
    if (!d->Filtering()) {
        for (Impl::Index& ix : d->indexes) {
            if (ix.hashed && ix.parts.size() == 1 && ix.parts[0].field == f &&
                (d->Type(f) != TFieldType::ftString || ix.parts[0].ci == ci)) {
                uint32_t r = d->HashFind(ix, {want});
                if (r == NoRow)
                    return false;
                d->SetCursor(r);
                return true;
            }
        }
    }
    size_t n = d->SeqSize();
    for (size_t k = 0; k < n; ++k) {
        uint32_t r = d->SeqAt(k);
        if (Impl::CompareCells(d->Cell(r, f), want, d->Type(f), ci) == 0) {
            d->curRow = r;
            d->curPos = k;
            d->posValid = true;
            d->eof = d->bof = false;
            return true;
        }
    }
    return false;
}

// ---- editing

void TTable::Append()
{
    d->CheckBrowse();
    // Reset rather than reallocate: appending is the hot path of loading lists.
    d->buffer.resize(d->cols.size());
    for (TValue& v : d->buffer) {
        v.kind = TValue::Null;
        v.s.clear();
    }
    d->editRow = NoRow;
    d->state = TTableState::dsInsert;
}

void TTable::Edit()
{
    d->CheckBrowse();
    if (d->curRow == NoRow)
        throw EQuillonError(name + ": Cannot perform this operation on an empty dataset");
    d->buffer.clear();
    for (size_t f = 0; f < d->cols.size(); ++f)
        d->buffer.push_back(d->RowValue(d->curRow, int(f)));
    d->editRow = d->curRow;
    d->state = TTableState::dsEdit;
}

void TTable::SetField(int f, const TValue& value)
{
    if (d->state != TTableState::dsEdit && d->state != TTableState::dsInsert)
        throw EQuillonError(name + ": Dataset not in edit or insert mode");
    const Impl::Column& c = d->cols[f];
    TValue v;
    switch (c.def.type) {
    case TFieldType::ftString:
        if (value.kind == TValue::Text) {
            TValue& slot = d->buffer[f];
            slot.kind = TValue::Text;
            slot.s.assign(value.s, 0, c.def.size > 0 ? size_t(c.def.size) : value.s.size());
            if (slot.s.empty())
                slot.kind = TValue::Null;
            return;
        }
        else if (value.kind == TValue::Int)
            v = TValue(std::to_string(value.i));
        else if (value.kind == TValue::Bool)
            v = TValue(value.i ? "True" : "False");
        if (v.kind == TValue::Text && v.s.empty())
            v = TValue();
        break;
    case TFieldType::ftInteger:
        if (value.kind == TValue::Int || value.kind == TValue::Bool) {
            v = TValue(int(value.i));
        } else if (value.kind == TValue::Text && !value.s.empty()) {
            try {
                size_t used = 0;
                long long n = std::stoll(value.s, &used);
                if (used != value.s.size() || n < INT32_MIN || n > INT32_MAX)
                    throw std::invalid_argument("x");
                v = TValue(int(n));
            } catch (const std::exception&) {
                throw EQuillonError("'" + value.s + "' is not a valid integer value for field '" +
                                    c.def.name + "'");
            }
        }
        break;
    case TFieldType::ftBoolean:
        if (value.kind == TValue::Bool || value.kind == TValue::Int)
            v = TValue(value.i != 0);
        else if (value.kind == TValue::Text && !value.s.empty())
            v = TValue(SameText(value.s, "true") || value.s == "1");
        break;
    }
    d->buffer[f] = std::move(v);
}

void TTable::SetText(int f, std::string_view text)
{
    if ((d->state != TTableState::dsEdit && d->state != TTableState::dsInsert) ||
        d->cols[f].def.type != TFieldType::ftString) {
        SetField(f, TValue(text));
        return;
    }
    int size = d->cols[f].def.size;
    TValue& slot = d->buffer[f];
    slot.s.assign(text.substr(0, size > 0 ? size_t(size) : text.size()));
    slot.kind = slot.s.empty() ? TValue::Null : TValue::Text;
}

void TTable::SetInteger(int f, int32_t value)
{
    if ((d->state != TTableState::dsEdit && d->state != TTableState::dsInsert) ||
        d->cols[f].def.type != TFieldType::ftInteger) {
        SetField(f, TValue(int(value)));
        return;
    }
    TValue& slot = d->buffer[f];
    slot.kind = TValue::Int;
    slot.i = value;
}

void TTable::Post()
{
    if (d->state != TTableState::dsEdit && d->state != TTableState::dsInsert)
        throw EQuillonError(name + ": Dataset not in edit or insert mode");
    for (size_t f = 0; f < d->cols.size(); ++f)
        if (d->cols[f].def.required && d->BufferCell(int(f)).null)
            throw EQuillonError("Field '" + d->cols[f].def.name + "' must have a value");
    bool inserting = d->state == TTableState::dsInsert;
    uint32_t self = inserting ? NoRow : d->editRow;
    // Hash values of the new keys, worked out once for the check and the insert.
    uint64_t keyHash[MaxKeyParts * 4];
    for (size_t i = 0; i < d->indexes.size(); ++i) {
        Impl::Index& ix = d->indexes[i];
        if (!ix.hashed)
            continue;
        if (!inserting && !d->KeyChanged(ix, self))
            continue;
        TKey key = d->BufferKey(ix);
        uint64_t hv = d->HashCells(ix, key);
        if (i < std::size(keyHash))
            keyHash[i] = hv;
        if (d->HashFindH(ix, key, hv, self) != NoRow)
            throw EQuillonError("Key violation.");
    }

    uint32_t r;
    if (inserting) {
        r = d->AddRowStorage();
        d->WriteRow(r);
        ++d->live;
        for (size_t i = 0; i < d->indexes.size(); ++i) {
            Impl::Index& ix = d->indexes[i];
            if (ix.hashed) {
                if (i < std::size(keyHash))
                    d->HashInsertH(ix, r, keyHash[i]);
                else
                    d->HashInsert(ix, r);
            }
            d->OrderInsert(ix, r);
        }
    } else {
        r = self;
        std::vector<bool> changed(d->indexes.size());
        for (size_t i = 0; i < d->indexes.size(); ++i) {
            Impl::Index& ix = d->indexes[i];
            changed[i] = d->KeyChanged(ix, r);
            if (!changed[i])
                continue;
            d->OrderErase(ix, r);
            if (ix.hashed)
                d->HashErase(ix, r);
        }
        d->WriteRow(r);
        for (size_t i = 0; i < d->indexes.size(); ++i) {
            if (!changed[i])
                continue;
            Impl::Index& ix = d->indexes[i];
            if (ix.hashed)
                d->HashInsert(ix, r);
            d->OrderInsert(ix, r);
        }
        d->CompactArena();
    }
    d->state = TTableState::dsBrowse;
    d->editRow = NoRow;
    d->viewValid = false;
    d->SetCursor(r);
    if (AfterPost)
        AfterPost(*this);
}

void TTable::Cancel()
{
    if (d->state == TTableState::dsEdit || d->state == TTableState::dsInsert) {
        d->state = TTableState::dsBrowse;
        d->buffer.clear();
        d->editRow = NoRow;
    }
}

void TTable::Delete()
{
    d->CheckBrowse();
    if (d->curRow == NoRow)
        throw EQuillonError(name + ": Cannot perform this operation on an empty dataset");
    d->ResolvePos();
    uint32_t r = d->curRow;
    size_t pos = d->curPos;
    for (Impl::Index& ix : d->indexes) {
        d->OrderErase(ix, r);
        if (ix.hashed)
            d->HashErase(ix, r);
    }
    if (d->Filtering() && d->viewValid) {
        auto it = std::find(d->view.begin() + std::min(pos, d->view.size()), d->view.end(), r);
        if (it != d->view.end())
            d->view.erase(it);
    }
    for (Impl::Column& c : d->cols)
        if (c.def.type == TFieldType::ftString) {
            d->arenaGarbage += c.text[r] & 0xFFFFFF;
            c.text[r] = 0;
        }
    d->deleted[r] = 1;
    --d->live;
    // The cursor moves to the row that followed; past the end it stays on the last row at Eof.
    size_t n = d->SeqSize();
    if (n == 0) {
        d->SetCursor(NoRow);
    } else if (pos < n) {
        d->curPos = pos;
        d->curRow = d->SeqAt(pos);
        d->posValid = true;
        d->eof = false;
        d->bof = (pos == 0);
    } else {
        d->curPos = n - 1;
        d->curRow = d->SeqAt(n - 1);
        d->posValid = true;
        d->eof = true;
        d->bof = false;
    }
    if (AfterDelete)
        AfterDelete(*this);
}

void TTable::SetIntegers(int f, const std::vector<std::pair<TBookmark, int32_t>>& changes)
{
    d->CheckBrowse();
    if (f < 0 || size_t(f) >= d->cols.size() || d->Type(f) != TFieldType::ftInteger)
        throw EQuillonError(name + ": SetIntegers needs an integer field.");
    for (const auto& [row, value] : changes)
        if (!BookmarkValid(row))
            throw EQuillonError(name + ": Record not found");
    auto holdsField = [f](const Impl::Index& ix) {
        return std::any_of(ix.parts.begin(), ix.parts.end(),
                           [f](const Impl::KeyPart& p) { return p.field == f; });
    };
    // A hashed unique key must check every new key against the others: the
    // plain posts do exactly that.
    if (std::any_of(d->indexes.begin(), d->indexes.end(),
                    [&](const Impl::Index& ix) { return ix.hashed && holdsField(ix); })) {
        const uint32_t keep = d->curRow;
        for (const auto& [row, value] : changes) {
            GotoBookmark(row);
            Edit();
            SetInteger(f, value);
            try {
                Post();
            } catch (...) {
                Cancel();
                throw;
            }
        }
        if (keep != NoRow && BookmarkValid(keep))
            d->SetCursor(keep);
        return;
    }

    Impl::Column& column = d->cols[f];
    // A row named twice takes its last value, as two posts would leave it.
    std::vector<std::pair<uint32_t, int32_t>> changed;
    changed.reserve(changes.size());
    std::vector<uint8_t> seen(d->deleted.size());
    for (auto it = changes.rbegin(); it != changes.rend(); ++it) {
        const auto [row, value] = *it;
        if (seen[row])
            continue;
        seen[row] = 1;
        if (column.nulls[row] || column.ints[row] != value)
            changed.emplace_back(row, value);
    }
    if (changed.empty())
        return;
    // A few rows are moved within each order one at a time, as posts do; more
    // than Flush inserts one by one, and the order is dropped and built again
    // in bulk when next used (a stable re-sort, far cheaper than a shift per row).
    const bool few = changed.size() <= 32;
    for (Impl::Index& ix : d->indexes) {
        if (!ix.built || !holdsField(ix))
            continue;
        if (few) {
            for (const auto& change : changed)
                d->OrderErase(ix, change.first);
        } else {
            ix.built = false;
            ix.order.Clear();
            ix.pending.clear();
        }
    }
    for (const auto& [row, value] : changed) {
        column.ints[row] = value;
        column.nulls[row] = 0;
    }
    if (few)
        for (Impl::Index& ix : d->indexes)
            if (ix.built && holdsField(ix))
                for (const auto& change : changed)
                    d->OrderInsert(ix, change.first);
    d->viewValid = false;
    d->SetCursor(d->curRow);
    if (AfterPost)
        AfterPost(*this);
}

void TTable::DeleteRows(const std::vector<TBookmark>& rows)
{
    d->CheckBrowse();
    d->ResolvePos();
    const uint32_t keep = d->curRow;
    const size_t keepPos = d->curPos;
    std::vector<uint32_t> going;
    going.reserve(rows.size());
    std::vector<uint8_t> seen(d->deleted.size());
    for (TBookmark r : rows)
        if (BookmarkValid(r) && !seen[r]) {
            seen[r] = 1;
            going.push_back(r);
        }
    if (going.empty())
        return;
    // A few rows are found and erased where they stand, as Delete does (while
    // their keys are still there to find them by); more, and each order is
    // filtered once afterwards.
    const bool few = going.size() <= 32;
    if (few)
        for (Impl::Index& ix : d->indexes)
            for (uint32_t r : going)
                d->OrderErase(ix, r);
    for (uint32_t r : going) {
        for (Impl::Index& ix : d->indexes)
            if (ix.hashed)
                d->HashErase(ix, r);
        for (Impl::Column& c : d->cols)
            if (c.def.type == TFieldType::ftString) {
                d->arenaGarbage += c.text[r] & 0xFFFFFF;
                c.text[r] = 0;
            }
        d->deleted[r] = 1;
        --d->live;
    }
    auto isGone = [&](uint32_t r) { return d->deleted[r] != 0; };
    for (Impl::Index& ix : d->indexes) {
        std::erase_if(ix.pending, isGone);
        if (!few && ix.built) {
            std::vector<uint32_t> order = ix.order.ToVector();
            std::erase_if(order, isGone);
            ix.order.Assign(order);
        }
    }
    d->viewValid = false;
    if (keep != NoRow && !d->deleted[keep]) {
        d->SetCursor(keep);
    } else {
        const size_t n = d->SeqSize();
        if (n == 0) {
            d->SetCursor(NoRow);
        } else {
            const size_t pos = std::min(keepPos, n - 1);
            d->curRow = d->SeqAt(pos);
            d->curPos = pos;
            d->posValid = true;
            d->eof = false;
            d->bof = pos == 0;
        }
    }
    if (AfterDelete)
        AfterDelete(*this);
}

// ---- filter

void TTable::SetFilter(const std::string& expression)
{
    std::vector<TFilterCondition> parsed = ParseFilter(expression);
    std::vector<int> fields;
    for (const TFilterCondition& c : parsed) {
        int f = FieldNo(c.field);
        if (f < 0)
            throw EQuillonError(name + ": Field '" + c.field + "' not found");
        fields.push_back(f);
    }
    d->filterText = expression;
    d->filter = std::move(parsed);
    d->filterFields = std::move(fields);
    d->InvalidateView();
}

const std::string& TTable::Filter() const { return d->filterText; }

void TTable::SetFiltered(bool on)
{
    if (d->filtered != on) {
        d->filtered = on;
        d->InvalidateView();
        if (d->active && d->state == TTableState::dsBrowse)
            First();
    }
}

bool TTable::Filtered() const { return d->filtered; }

// ---- bookmarks

TBookmark TTable::GetBookmark() const { return d->curRow == NoRow ? NoBookmark : d->curRow; }

bool TTable::BookmarkValid(TBookmark b) const
{
    return d->active && b < d->deleted.size() && !d->deleted[b];
}

TBookmark TTable::BookmarkLimit() const { return d->active ? TBookmark(d->deleted.size()) : 0; }

void TTable::GotoBookmark(TBookmark b)
{
    d->CheckBrowse();
    if (!BookmarkValid(b))
        throw EQuillonError(name + ": Record not found");
    d->SetCursor(b);
}

// ---- files

namespace {

constexpr char Magic[8] = {'Q', 'L', 'N', 'T', 'A', 'B', 'L', 'E'};
constexpr uint32_t FileVersion = 1;

// The check value of a table file. Four independent lanes keep the multiplier
// busy, so checking tens of megabytes costs little; it is fed piece by piece
// while the file streams out, and over the whole buffer when it is read back.
class TChecksum {
public:
    void Update(const char* p, size_t n)
    {
        total += n;
        if (tailLen) {
            size_t take = std::min(n, sizeof tail - tailLen);
            std::memcpy(tail + tailLen, p, take);
            tailLen += take;
            p += take;
            n -= take;
            if (tailLen < sizeof tail)
                return;
            Block(tail);
            tailLen = 0;
        }
        // Lanes in locals: through a char pointer the compiler would otherwise
        // reload them from memory on every block.
        uint64_t a = h[0], b = h[1], c = h[2], e = h[3];
        for (; n >= 32; p += 32, n -= 32) {
            a = Lane(a, p);
            b = Lane(b, p + 8);
            c = Lane(c, p + 16);
            e = Lane(e, p + 24);
        }
        h[0] = a;
        h[1] = b;
        h[2] = c;
        h[3] = e;
        std::memcpy(tail, p, n);
        tailLen = n;
    }

    uint64_t Final() const
    {
        uint64_t r = Mix(h[0] ^ total) ^ Mix(h[1] + 1) ^ Mix(h[2] + 2) ^ Mix(h[3] + 3);
        for (size_t i = 0; i < tailLen; ++i)
            r = (r ^ static_cast<unsigned char>(tail[i])) * 0x100000001B3ULL;
        return Mix(r);
    }

private:
    uint64_t h[4] = {0x9E3779B97F4A7C15ULL, 0xC2B2AE3D27D4EB4FULL, 0x165667B19E3779F9ULL,
                     0x27D4EB2F165667C5ULL};
    uint64_t total = 0;
    char tail[32];
    size_t tailLen = 0;

    static uint64_t Lane(uint64_t lane, const char* p)
    {
        uint64_t w;
        std::memcpy(&w, p, 8);
        lane = (lane ^ w) * 0x100000001B3ULL;
        return lane ^ (lane >> 29);
    }

    void Block(const char* p)
    {
        h[0] = Lane(h[0], p);
        h[1] = Lane(h[1], p + 8);
        h[2] = Lane(h[2], p + 16);
        h[3] = Lane(h[3], p + 24);
    }
};

// Streams a table file out through a buffer of its own, checking as it goes:
// nothing the size of the file is ever held in memory.
class TWriter {
public:
    // sizeHint: about how large the file will be. A small table gets a small
    // buffer, left uninitialised: clearing a megabyte would cost more than
    // writing the whole file.
    TWriter(const std::string& fileName, size_t sizeHint)
        : Size(std::clamp<size_t>(sizeHint, 4096, 1 << 20)), out(fileName), buffer(new char[Size])
    {
    }

    void Put(const void* p, size_t k)
    {
        if (used + k > Size) {
            Flush();
            if (k > Size) {
                sum.Update(static_cast<const char*>(p), k);
                out.Write(static_cast<const char*>(p), k);
                return;
            }
        }
        std::memcpy(buffer.get() + used, p, k);
        used += k;
    }
    void U8(uint8_t v) { Put(&v, 1); }
    void U32(uint32_t v) { Put(&v, 4); }
    void U64(uint64_t v) { Put(&v, 8); }
    void Str(std::string_view s)
    {
        U32(uint32_t(s.size()));
        Put(s.data(), s.size());
    }

    void Finish()
    {
        Flush();
        uint64_t check = sum.Final();
        out.Write(reinterpret_cast<const char*>(&check), 8);
        out.Commit();
    }

private:
    const size_t Size;
    platform::TAtomicFileWriter out;
    TChecksum sum;
    std::unique_ptr<char[]> buffer;
    size_t used = 0;

    void Flush()
    {
        sum.Update(buffer.get(), used);
        out.Write(buffer.get(), used);
        used = 0;
    }
};

class TReader {
public:
    TReader(const char* data, size_t size, const std::string& file) : p(data), n(size), file(file) {}
    [[noreturn]] void Damaged(const std::string& why) const
    {
        throw EQuillonError("Cannot read table file " + file + ": " + why);
    }
    const char* Take(size_t k)
    {
        if (k > n - at)
            Damaged("the file is truncated.");
        const char* r = p + at;
        at += k;
        return r;
    }
    uint8_t U8() { return static_cast<uint8_t>(*Take(1)); }
    uint32_t U32()
    {
        uint32_t v;
        std::memcpy(&v, Take(4), 4);
        return v;
    }
    std::string Str()
    {
        uint32_t len = U32();
        return std::string(Take(len), len);
    }
    size_t Left() const { return n - at; }

private:
    const char* p;
    size_t n;
    size_t at = 0;
    const std::string& file;
};

} // namespace

uint64_t TTable::FileCheckValue(const char* data, size_t size)
{
    TChecksum check;
    check.Update(data, size);
    return check.Final();
}

void TTable::SaveToFile(const std::string& fileName)
{
    d->CheckActive();
    // Rows go out in primary-key order, so loading gets that order for free.
    std::vector<uint32_t> rows;
    Impl::Index* primary = nullptr;
    for (Impl::Index& ix : d->indexes)
        if (ix.def.primary)
            primary = &ix;
    if (primary) {
        d->Flush(*primary);
        rows = primary->order.ToVector();
    } else {
        for (uint32_t r = 0; r < d->deleted.size(); ++r)
            if (!d->deleted[r])
                rows.push_back(r);
    }

    TWriter w(fileName, 1024 + rows.size() * (4 + 5 * d->cols.size()) + d->arena.size() - d->arenaGarbage);
    w.Put(Magic, 8);
    w.U32(FileVersion);
    w.Str(name);
    w.U32(uint32_t(d->fieldDefs.size()));
    for (const TFieldDef& f : d->fieldDefs) {
        w.Str(f.name);
        w.U8(uint8_t(f.type));
        w.U32(uint32_t(f.size));
        w.U8(f.required ? 1 : 0);
    }
    w.U32(uint32_t(d->indexDefs.size()));
    for (const TIndexDef& ix : d->indexDefs) {
        w.Str(ix.name);
        w.U8(uint8_t((ix.primary ? 1 : 0) | (ix.unique ? 2 : 0)));
        w.U32(uint32_t(ix.fields.size()));
        for (size_t i = 0; i < ix.fields.size(); ++i) {
            w.Str(ix.fields[i]);
            w.U8(i < ix.caseInsensitive.size() && ix.caseInsensitive[i] ? 1 : 0);
        }
    }
    w.U32(uint32_t(rows.size()));
    TRawArray<uint64_t> slots;   // every entry is written before it is read
    slots.ResizeUninitialized(rows.size());
    constexpr size_t Ahead = 16;
    for (size_t f = 0; f < d->cols.size(); ++f) {
        const Impl::Column& c = d->cols[f];
        if (c.def.type == TFieldType::ftString) {
            // One pass gathers the slots in file order (rows are scattered in
            // memory after bulk appends, so fetch ahead), then lengths and bytes.
            bool wide = false;
            uint64_t total = 0;
            for (size_t i = 0; i < rows.size(); ++i) {
                if (i + Ahead < rows.size())
                    __builtin_prefetch(&c.text[rows[i + Ahead]]);
                uint64_t slot = c.text[rows[i]];
                slots[i] = slot;
                uint32_t len = uint32_t(slot & 0xFFFFFF);
                wide = wide || len > 255;
                total += len;
            }
            w.U8(wide ? 4 : 1);
            for (size_t i = 0; i < rows.size(); ++i) {
                uint32_t len = uint32_t(slots[i] & 0xFFFFFF);
                if (wide)
                    w.U32(len);
                else
                    w.U8(uint8_t(len));
            }
            w.U64(total);
            const char* src = d->arena.data();
            for (size_t i = 0; i < rows.size(); ++i) {
                if (i + Ahead < rows.size())
                    __builtin_prefetch(src + (slots[i + Ahead] >> 24));
                w.Put(src + (slots[i] >> 24), uint32_t(slots[i] & 0xFFFFFF));
            }
        } else {
            for (uint32_t r : rows)
                w.U8(c.nulls[r]);
            for (uint32_t r : rows)
                w.Put(&c.ints[r], 4);
        }
    }
    w.Finish();
}

namespace {

// The whole file in a buffer that later serves as the text arena as it is.
TRawArray<char> ReadTableFile(const std::string& fileName)
{
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f)
        throw EQuillonError("Cannot open file " + fileName + ": " + std::strerror(errno));
    std::error_code ec;
    uintmax_t expected = std::filesystem::file_size(fileName, ec);
    TRawArray<char> buf;
    buf.ResizeUninitialized(ec ? size_t(1) << 20 : size_t(expected) + 1);
    size_t have = 0;
    for (;;) {
        if (have == buf.size())
            buf.ResizeUninitialized(buf.size() * 2);
        size_t got = std::fread(buf.data() + have, 1, buf.size() - have, f);
        have += got;
        if (got == 0) {
            bool failed = std::ferror(f);
            int error = errno;
            std::fclose(f);
            if (failed)
                throw EQuillonError("Cannot read file " + fileName + ": " + std::strerror(error));
            break;
        }
    }
    buf.ResizeUninitialized(have);
    return buf;
}

} // namespace

void TTable::LoadFromFile(const std::string& fileName)
{
    TRawArray<char> data = ReadTableFile(fileName);
    TReader rd(data.data(), data.size(), fileName);
    if (data.size() < 8 + 4 + 8 || std::memcmp(data.data(), Magic, 8) != 0)
        rd.Damaged("not a table file.");
    uint64_t stored;
    std::memcpy(&stored, data.data() + data.size() - 8, 8);
    TChecksum check;
    check.Update(data.data(), data.size() - 8);
    if (stored != check.Final())
        rd.Damaged("the file is damaged (its check value does not match).");
    rd.Take(8);
    uint32_t version = rd.U32();
    if (version != FileVersion)
        rd.Damaged("the file was written by another version (format " + std::to_string(version) + ").");
    rd.Str();   // the name it was saved under

    uint32_t nf = rd.U32();
    if (nf == 0 || nf > 1024)
        rd.Damaged("the file holds no valid field list.");
    std::vector<TFieldDef> fields(nf);
    for (TFieldDef& f : fields) {
        f.name = rd.Str();
        uint8_t type = rd.U8();
        if (type < 1 || type > 3)
            rd.Damaged("field " + f.name + " has an unknown type.");
        f.type = TFieldType(type);
        f.size = int(rd.U32());
        f.required = rd.U8() != 0;
    }
    uint32_t ni = rd.U32();
    if (ni > 1024)
        rd.Damaged("the file holds no valid index list.");
    std::vector<TIndexDef> indexDefs(ni);
    for (TIndexDef& ix : indexDefs) {
        ix.name = rd.Str();
        uint8_t flags = rd.U8();
        ix.primary = flags & 1;
        ix.unique = flags & 2;
        uint32_t parts = rd.U32();
        if (parts == 0 || parts > nf)
            rd.Damaged("index " + ix.name + " is not valid.");
        for (uint32_t i = 0; i < parts; ++i) {
            ix.fields.push_back(rd.Str());
            ix.caseInsensitive.push_back(rd.U8() != 0);
        }
    }
    uint32_t rows = rd.U32();

    Close();
    d->fieldDefs = fields;
    d->indexDefs = indexDefs;
    try {
        d->SetupRuntime();
    } catch (const EQuillonError& e) {
        Close();
        rd.Damaged(e.what());
    }
    // The file buffer itself becomes the text arena: the text bytes are used
    // where they lie, and the rest of the file counts as reclaimable garbage.
    uint64_t textBytes = 0;
    try {
        for (Impl::Column& c : d->cols) {
            if (c.def.type == TFieldType::ftString) {
                uint8_t width = rd.U8();
                if (width != 1 && width != 4)
                    rd.Damaged("field " + c.def.name + " is not valid.");
                const char* lens = rd.Take(size_t(rows) * width);
                uint64_t total;
                std::memcpy(&total, rd.Take(8), 8);
                if (total > rd.Left())
                    rd.Damaged("the file is truncated.");
                const char* bytes = rd.Take(size_t(total));
                c.text.ResizeUninitialized(rows);   // every slot is set below
                uint64_t off = uint64_t(bytes - data.data()), sum = 0;
                for (uint32_t i = 0; i < rows; ++i) {
                    uint32_t len;
                    if (width == 1)
                        len = static_cast<unsigned char>(lens[i]);
                    else
                        std::memcpy(&len, lens + 4 * i, 4);
                    if (len > 0xFFFFFF || sum + len > total)
                        rd.Damaged("field " + c.def.name + " is not valid.");
                    c.text[i] = len ? (off + sum) << 24 | len : 0;
                    sum += len;
                }
                if (sum != total)
                    rd.Damaged("field " + c.def.name + " is not valid.");
                textBytes += total;
            } else {
                const char* nulls = rd.Take(rows);
                const char* vals = rd.Take(size_t(rows) * 4);
                c.nulls.assign(reinterpret_cast<const uint8_t*>(nulls), reinterpret_cast<const uint8_t*>(nulls) + rows);
                c.ints.ResizeUninitialized(rows);
                if (rows > 0)   // an empty table has no array to copy into
                    std::memcpy(c.ints.data(), vals, size_t(rows) * 4);
            }
        }
        if (rd.Left() != 8)
            rd.Damaged("the file has trailing data.");
    } catch (...) {
        Close();
        throw;
    }
    d->arenaGarbage = data.size() - textBytes;
    d->arena = std::move(data);
    d->deleted.AssignZero(rows);
    d->live = rows;
    d->active = true;
    d->state = TTableState::dsBrowse;

    // Unique keys and the primary order; rows were saved in primary order, which
    // is checked rather than trusted.
    try {
        for (Impl::Index& ix : d->indexes) {
            bool strictlySorted = false;
            if (ix.def.primary) {
                strictlySorted = true;
                for (uint32_t r = 1; r < rows && strictlySorted; ++r)
                    strictlySorted = d->CompareRowKeys(ix, r - 1, r) < 0;
                if (strictlySorted) {
                    std::vector<uint32_t> ids(rows);
                    std::iota(ids.begin(), ids.end(), 0u);
                    ix.order.Assign(ids);
                    ix.built = true;
                } else {
                    d->BuildOrder(ix);
                }
            }
            if (!ix.hashed)
                continue;
            d->HashGrow(ix, rows);
            // Keys in strictly rising order are distinct already; others are probed.
            constexpr uint32_t Batch = 16;
            uint64_t hv[Batch];
            for (uint32_t base = 0; base < rows; base += Batch) {
                uint32_t n = std::min(Batch, rows - base);
                size_t mask = ix.hash.slots.size() - 1;
                for (uint32_t k = 0; k < n; ++k) {
                    hv[k] = d->HashCells(ix, d->RowKey(ix, base + k));
                    __builtin_prefetch(&ix.hash.slots[size_t(hv[k]) & mask]);
                }
                for (uint32_t k = 0; k < n; ++k) {
                    if (!strictlySorted && d->HashFindH(ix, d->RowKey(ix, base + k), hv[k]) != NoRow)
                        rd.Damaged("two rows share the key of index " + ix.def.name + ".");
                    d->HashInsertRaw(ix, base + k, hv[k]);
                }
            }
        }
        for (size_t f = 0; f < d->cols.size(); ++f) {
            if (!d->cols[f].def.required)
                continue;
            for (uint32_t r = 0; r < rows; ++r)
                if (d->Cell(r, int(f)).null)
                    rd.Damaged("a row has no value in the required field " + d->cols[f].def.name + ".");
        }
    } catch (...) {
        Close();
        throw;
    }
    First();
}
