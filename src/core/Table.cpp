// The in-memory table engine's public face: definitions, cursor, fields, look-ups, editing, filter and bookmarks.
#include "core/Table.h"

#include "core/TableImpl.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

using namespace tableimpl;

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
        if (ix.hashed && (rows + 1) * 5 > ix.hash.Capacity() * 3)
            ix.hash.Grow(rows);
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
    if (!ix.hashed || ix.hash.Capacity() == 0)
        return;
    if (stage == 0) {
        ix.hash.PrefetchSlot(hv);
        return;
    }
    const uint32_t row = ix.hash.LikelyRow(hv);
    if (row == NoRow)
        return;
    for (const Impl::Column& c : d->cols) {
        if (c.def.type == TFieldType::ftString) {
            if (stage == 1)
                QUILLON_PREFETCH(&c.text[row]);
            else
                QUILLON_PREFETCH(d->arena.data() + (c.text[row] >> 24));
        } else if (stage == 1) {
            QUILLON_PREFETCH(&c.ints[row]);
        }
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
        if (CompareCells(d->Cell(r, f), want, d->Type(f), ci) == 0) {
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
        } else if (value.kind == TValue::Int)
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
                    ix.hash.Insert(r, keyHash[i]);
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

bool TTable::BookmarkValid(TBookmark b) const { return d->active && b < d->deleted.size() && !d->deleted[b]; }

TBookmark TTable::BookmarkLimit() const { return d->active ? TBookmark(d->deleted.size()) : 0; }

void TTable::GotoBookmark(TBookmark b)
{
    d->CheckBrowse();
    if (!BookmarkValid(b))
        throw EQuillonError(name + ": Record not found");
    d->SetCursor(b);
}
