// The table engine's inside (TTable::Impl): columns in one text arena, hashed unique keys,
// lazily built orders, cursor and filter state. Private to the table's sources in core.
#pragma once

#include "core/Prefetch.h"
#include "core/RawArray.h"
#include "core/Table.h"
#include "core/TableFilter.h"
#include "core/TableHash.h"
#include "core/TableKeys.h"
#include "core/TableOrder.h"
#include "platform/Errors.h"

#include <algorithm>
#include <string>
#include <vector>

struct TTable::Impl {
    using TCell = tableimpl::TCell;
    using TKey = tableimpl::TKey;
    static constexpr uint32_t NoRow = tableimpl::NoRow;

    struct Column {
        TFieldDef def;
        TRawArray<uint64_t> text;   // offset << 24 | length; length 0 is null
        TRawArray<int32_t> ints;    // integers and booleans
        TRawArray<uint8_t> nulls;   // 1 = null (integers and booleans)
    };

    struct KeyPart {
        int field;
        bool ci;
    };

    struct Index {
        TIndexDef def;
        std::vector<KeyPart> parts;
        bool hashed = false;   // has its own hash set (a unique key not implied by another)
        bool built = false;
        TTableOrder order;
        std::vector<uint32_t> pending;   // rows added since the order was built
        tableimpl::TKeyHash hash;
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
    std::vector<uint32_t> view;   // rows that pass, in the current order
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

    TFieldType Type(int f) const { return cols[f].def.type; }

    // Key order of two stored rows; equal keys fall back to row id so every order is total.
    int CompareRows(const Index& ix, uint32_t a, uint32_t b) const
    {
        int r = CompareRowKeys(ix, a, b);
        if (r)
            return r;
        return a < b ? -1 : (a > b ? 1 : 0);
    }

    // Key order of two stored rows, without the row-id tie break.
    int CompareRowKeys(const Index& ix, uint32_t a, uint32_t b) const
    {
        for (const KeyPart& p : ix.parts) {
            int r = tableimpl::CompareCells(Cell(a, p.field), Cell(b, p.field), Type(p.field), p.ci);
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
            int r = tableimpl::CompareCells(Cell(row, p.field), key[i], Type(p.field), p.ci);
            if (r)
                return r;
        }
        return 0;
    }

    // ---- unique keys
    uint64_t HashCells(const Index& ix, const TKey& cells) const
    {
        using tableimpl::HashText;
        using tableimpl::Mix;
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
        for (const KeyPart& p : ix.parts)
            k.push_back(Cell(row, p.field));
        return k;
    }

    TKey BufferKey(const Index& ix) const
    {
        TKey k;
        for (const KeyPart& p : ix.parts)
            k.push_back(BufferCell(p.field));
        return k;
    }

    bool KeyEqualsRow(const Index& ix, const TKey& key, uint32_t row) const
    {
        for (size_t i = 0; i < ix.parts.size(); ++i) {
            const KeyPart& p = ix.parts[i];
            if (tableimpl::CompareCells(Cell(row, p.field), key[i], Type(p.field), p.ci))
                return false;
        }
        return true;
    }

    uint32_t HashFind(const Index& ix, const TKey& key, uint32_t except = NoRow) const
    {
        if (ix.hash.Used() == 0)
            return NoRow;   // nothing to find: spare the hashing
        return HashFindH(ix, key, HashCells(ix, key), except);
    }

    // The row with this key (hash value hv), other than `except`; NoRow when none.
    uint32_t HashFindH(const Index& ix, const TKey& key, uint64_t hv, uint32_t except = NoRow) const;

    void HashInsert(Index& ix, uint32_t row) { ix.hash.Insert(row, HashCells(ix, RowKey(ix, row))); }

    void HashErase(Index& ix, uint32_t row)
    {
        if (ix.hash.Capacity())
            ix.hash.Erase(row, HashCells(ix, RowKey(ix, row)));
    }

    // ---- orders
    void SortRows(const Index& ix, std::vector<uint32_t>& rows) const;
    bool DeriveOrder(Index& ix, std::vector<uint32_t>& out);
    void BuildOrder(Index& ix);

    size_t OrderLowerBound(const Index& ix, uint32_t row) const
    {
        return ix.order.LowerBound([&](uint32_t x) { return CompareRows(ix, x, row) < 0; });
    }

    // Brings an order up to date: builds it, or merges the rows added since.
    void Flush(Index& ix)
    {
        if (!ix.built || !ix.pending.empty())
            CatchUp(ix);
    }
    void CatchUp(Index& ix);

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

    bool PassesFilter(uint32_t row) const;
    bool Filtering() const { return filtered && !filter.empty(); }
    void EnsureView();

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

    // Position of the current row in the current sequence (or where it would
    // stand): a row that no longer passes the filter gives way to the next one.
    void ResolvePos()
    {
        if (posValid || curRow == NoRow)
            return;
        Index& ix = Cur();
        curPos = SeqLowerBound([&](uint32_t x) { return CompareRows(ix, x, curRow) < 0; });
        size_t n = SeqSize();
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
                    QUILLON_PREFETCH(&c.ints[next[16]]);
                    QUILLON_PREFETCH(&c.nulls[next[16]]);
                }
                continue;
            }
            if (avail > 16)
                QUILLON_PREFETCH(&c.text[next[16]]);
            if (avail > 8)
                QUILLON_PREFETCH(arena.data() + (c.text[next[8]] >> 24));
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

    // Columns and indexes from the definitions, with no rows.
    void SetupRuntime();

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
                const uint64_t old = c.text[r];
                const uint32_t oldLen = uint32_t(old & 0xFFFFFF);
                std::string_view now = v.kind == TValue::Text ? std::string_view(v.s) : std::string_view();
                if (oldLen && std::string_view(arena.data() + (old >> 24), oldLen) == now)
                    continue;
                arenaGarbage += oldLen;
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
    void CompactArena();
};
