// The table engine's inside: unique-key look-up, building and mending orders, the filtered view,
// setup and arena compaction.
#include "core/TableImpl.h"

#include "core/PrefixSort.h"

using namespace tableimpl;

namespace {

// An entry of the stable re-sort on a text field: two prefixes settle most
// comparisons without touching the text.
struct TSortItem {
    uint64_t k1, k2;
    uint32_t row;
};

}   // namespace

// Kept out of line: its callers then pass the key in registers instead of
// building the test of the key on the stack (measurably cheaper per post).
uint32_t TTable::Impl::HashFindH(const Index& ix, const TKey& key, uint64_t hv, uint32_t except) const
{
    return ix.hash.Find(hv, [&](uint32_t row) { return row != except && KeyEqualsRow(ix, key, row); });
}

// Sorts rows by the index's key, quickly: 8-byte prefix keys first, full compare on ties.
void TTable::Impl::SortRows(const Index& ix, std::vector<uint32_t>& rows) const
{
    TRawArray<TPrefixEntry> items;
    items.ResizeUninitialized(rows.size());
    const KeyPart& p0 = ix.parts[0];
    const bool text = Type(p0.field) == TFieldType::ftString;
    for (size_t i = 0; i < rows.size(); ++i) {
        TCell c = Cell(rows[i], p0.field);
        uint64_t k = c.null ? 0 : text ? TextPrefix(c.s, p0.ci) : uint64_t(uint32_t(c.i) ^ 0x80000000u) + 1;
        items[i] = {k, rows[i], 0};
    }
    PrefixSort(items, [&](uint32_t a, uint32_t b) { return CompareRows(ix, a, b) < 0; });
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = items[i].id;
}

// When the index is "field, then <another built index's key>", its order is
// that order stably re-sorted on the leading field: much cheaper than a full sort.
bool TTable::Impl::DeriveOrder(Index& ix, std::vector<uint32_t>& out)
{
    if (ix.parts.size() < 2)
        return false;
    for (Index& base : indexes) {
        if (&base == &ix || !base.built || base.parts.size() != ix.parts.size() - 1)
            continue;
        bool match = true;
        for (size_t i = 0; i < base.parts.size(); ++i)
            if (base.parts[i].field != ix.parts[i + 1].field ||
                (base.parts[i].ci != ix.parts[i + 1].ci && Type(base.parts[i].field) == TFieldType::ftString))
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
            auto firstValued = std::stable_partition(out.begin(), out.end(),
                                                     [&](uint32_t r) { return Cell(r, p0.field).null; });
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
                return CompareCells(Cell(a.row, p0.field), Cell(b.row, p0.field), TFieldType::ftString,
                                    p0.ci) < 0;
            });
            for (size_t i = 0; i < items.size(); ++i)
                out[from + i] = items[i].row;
        } else {
            // Stable radix passes on the number, its value read once per
            // row (the rows lie scattered in memory in this order); rows
            // without a number keep the base order at the front.
            const size_t n = out.size();
            TRawArray<TNumberEntry> items;
            items.ResizeUninitialized(n);
            std::vector<uint32_t> nullRows;
            size_t numbers = 0;
            const TRawArray<int32_t>& values = cols[p0.field].ints;
            const TRawArray<uint8_t>& nullFlags = cols[p0.field].nulls;
            for (size_t i = 0; i < n; ++i) {
                if (i + 16 < n) {
                    QUILLON_PREFETCH(&values[out[i + 16]]);
                    QUILLON_PREFETCH(&nullFlags[out[i + 16]]);
                }
                uint32_t r = out[i];
                if (nullFlags[r])
                    nullRows.push_back(r);
                else
                    items[numbers++] = {uint32_t(values[r]) ^ 0x80000000u, r};
            }
            items.ResizeUninitialized(numbers);
            RadixSortByKey(items);
            std::copy(nullRows.begin(), nullRows.end(), out.begin());
            for (size_t i = 0; i < numbers; ++i)
                out[nullRows.size() + i] = items[i].id;
        }
        // The base order breaks ties by row id only where its own key is
        // equal; so does this one, hence the result is the exact order.
        return true;
    }
    return false;
}

void TTable::Impl::BuildOrder(Index& ix)
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

void TTable::Impl::CatchUp(Index& ix)
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

bool TTable::Impl::PassesFilter(uint32_t row) const
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
            std::string_view want =
                c.value.kind == TValue::Text ? std::string_view(c.value.s) : std::string_view();
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

void TTable::Impl::EnsureView()
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

void TTable::Impl::SetupRuntime()
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

void TTable::Impl::CompactArena()
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
