// The in-memory table engine: typed fields, named indexes, a cursor, filters and table files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {
class TAtomicFileWriter;
}

enum class TFieldType : uint8_t { ftString = 1, ftInteger = 2, ftBoolean = 3 };

struct TFieldDef {
    std::string name;
    TFieldType type = TFieldType::ftString;
    int size = 0;   // largest number of characters of a text field
    bool required = false;
};

struct TIndexDef {
    std::string name;
    std::vector<std::string> fields;     // key fields, most significant first
    std::vector<bool> caseInsensitive;   // per key field (ignored for numbers)
    bool primary = false;
    bool unique = false;
};

// A field value for keys and edits. Null is an absent value (an empty text counts as null).
struct TValue {
    enum Kind : uint8_t { Null, Int, Bool, Text } kind = Null;
    int32_t i = 0;
    std::string s;

    TValue() = default;
    TValue(int v) : kind(Int), i(v) {}
    TValue(bool v) : kind(Bool), i(v ? 1 : 0) {}
    TValue(const char* v) : kind(Text), s(v) {}
    TValue(std::string v) : kind(Text), s(std::move(v)) {}
    TValue(std::string_view v) : kind(Text), s(v) {}
};

enum class TTableState { dsInactive, dsBrowse, dsEdit, dsInsert };

// A stable handle to a row for multi-row selections; survives edits and
// re-sorting, not a reload.
using TBookmark = uint32_t;
inline constexpr TBookmark NoBookmark = UINT32_MAX;

class TTable {
public:
    explicit TTable(std::string name);
    ~TTable();
    TTable(const TTable&) = delete;
    TTable& operator=(const TTable&) = delete;

    const std::string& Name() const { return name; }

    // ---- definitions (while closed)
    void AddFieldDef(const TFieldDef& def);
    void AddIndexDef(const TIndexDef& def);
    void ClearDefs();   // forget every field and index definition
    const std::vector<TFieldDef>& FieldDefs() const;
    const std::vector<TIndexDef>& IndexDefs() const;
    int FieldNo(std::string_view fieldName) const;   // -1 when there is no such field
    bool HasField(std::string_view fieldName) const { return FieldNo(fieldName) >= 0; }
    const TFieldDef& FieldDef(std::string_view fieldName) const;   // throws when missing

    // ---- open / close
    void CreateDataSet();   // open empty with the current definitions
    void Close();           // drops every row (definitions stay)
    bool Active() const;
    TTableState State() const;

    // ---- files: a self-describing, versioned file with a check against damage
    // Loading replaces definitions and rows; throws EQuillonError naming the file.
    void LoadFromFile(const std::string& fileName);
    // Replaces the file atomically; rows are written in primary-index order.
    void SaveToFile(const std::string& fileName);
    // The same content in a temporary file beside fileName, flushed to disk,
    // with fileName left as it is: for several tables replaced together
    // (CommitTableFiles). The temporary file goes with the writer unless kept.
    std::unique_ptr<platform::TAtomicFileWriter> SaveToTemporaryFile(const std::string& fileName);
    // The check value that ends a table file, worked out over everything before
    // it; the fuzz target uses it to build files that get past the check.
    static uint64_t FileCheckValue(const char* data, size_t size);

    // ---- current index
    void SetIndexName(std::string_view indexName);   // throws for an unknown index
    const std::string& IndexName() const;

    // ---- cursor
    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const;   // past the last row (or empty)
    bool Bof() const;   // at or before the first row
    bool IsEmpty() const;
    int RecordCount() const;          // rows that pass the filter when filtering is on
    int RecNo() const;                // 0-based position in the current order (and filter); -1 when none
    void MoveToRecNo(int position);   // k-th row in the current order (and filter)

    // ---- fields of the current row (or of the row being edited). A text view
    // stays valid until the row changes; a number shown as text, until the next call.
    std::string_view AsString(int fieldNo) const;
    int32_t AsInteger(int fieldNo) const;   // 0 for null
    bool AsBoolean(int fieldNo) const;      // false for null
    bool IsNull(int fieldNo) const;
    std::string_view AsString(std::string_view f) const { return AsString(RequireField(f)); }
    int32_t AsInteger(std::string_view f) const { return AsInteger(RequireField(f)); }
    bool AsBoolean(std::string_view f) const { return AsBoolean(RequireField(f)); }
    bool IsNull(std::string_view f) const { return IsNull(RequireField(f)); }

    // ---- rows by position without moving the cursor: what a grid paints, so
    // that painting never disturbs code that walks the table. Stored values,
    // also while a row is being edited.
    // The row at a position in the current order (and filter); NoBookmark when out of range.
    TBookmark BookmarkAt(int position) const;
    std::string_view AsString(TBookmark row, int fieldNo) const;   // as AsString; empty for a bad bookmark
    int32_t AsInteger(TBookmark row, int fieldNo) const;           // 0 for null or a bad bookmark

    // ---- look-ups on the current index
    // Whole key, or fewer values for its leading fields: positions on the first
    // matching row and returns true; otherwise false and the cursor stays.
    bool FindKey(const std::vector<TValue>& key);
    // FindKey for a one-field text key, without building a key: the hot path of
    // imports that look every name up.
    bool FindText(std::string_view key);
    // The hash of a one-field text key on the current index (0 where there is
    // none), worked out once for PrefetchKey and FindText.
    uint64_t KeyHash(std::string_view key) const;
    // Starts fetching from memory what FindText(key, hash) will read, so a
    // caller that knows its next keys can hide the waiting: stage 0 fetches the
    // key's hash slot; stage 1 (once that has arrived) the row's fields; stage 2
    // the row's text.
    void PrefetchKey(uint64_t hash, int stage) const;
    bool FindText(std::string_view key, uint64_t hash);
    // First row at or after the key (Eof when there is none).
    void FindNearest(const std::vector<TValue>& key);
    // First row (in the current order) whose field equals the value.
    bool Locate(std::string_view fieldName, const TValue& value, bool ignoreCase);

    // ---- editing
    void Append();                                     // a new empty row to fill, then Post or Cancel
    void Edit();                                       // edit the current row
    void SetField(int fieldNo, const TValue& value);   // text is cut to the field's size
    void SetField(std::string_view f, const TValue& value) { SetField(RequireField(f), value); }
    // SetField for a text or a number without building a TValue.
    void SetText(int fieldNo, std::string_view text);
    void SetInteger(int fieldNo, int32_t value);
    // Stores the row; throws EQuillonError "Key violation." or
    // "Field 'x' must have a value", leaving the table unchanged and the row in edit.
    void Post();
    void Cancel();
    void Delete();   // the cursor then stands on the next row
    // Sets an integer field of many rows, each to its own value: what
    // GotoBookmark, Edit, SetField and Post would do row by row, but each
    // order that holds the field is mended once rather than once per row
    // (moving a large group's hosts would otherwise shift the order a million
    // times). Runs AfterPost once when a row changed; the cursor stays on its
    // row. Where a unique key's hash holds the field the rows are posted one
    // by one, so a clash stops with "Key violation." as Post would.
    void SetIntegers(int fieldNo, const std::vector<std::pair<TBookmark, int32_t>>& changes);
    // Deletes many rows at once: what GotoBookmark and Delete would do row by
    // row, but each order is filtered once instead of shifted once per row.
    // Rows already gone are skipped. The cursor keeps its row when that row
    // stays, else it stands on the row that now holds its old position.
    // Runs AfterDelete once when a row went.
    void DeleteRows(const std::vector<TBookmark>& rows);

    // Run after every successful post and delete.
    std::function<void(TTable&)> AfterPost;
    std::function<void(TTable&)> AfterDelete;

    // ---- filter ("group_id = 3 and hostname LIKE '%ads%'"), case-insensitive
    void SetFilter(const std::string& expression);   // throws for a malformed expression
    const std::string& Filter() const;
    void SetFiltered(bool on);
    bool Filtered() const;

    // ---- bookmarks
    TBookmark GetBookmark() const;           // NoBookmark when there is no current row
    bool BookmarkValid(TBookmark b) const;   // the row still exists
    // One past the highest bookmark: a pass over 0..limit visiting the valid
    // ones meets every row in storage order, the quickest order to read them.
    TBookmark BookmarkLimit() const;
    void GotoBookmark(TBookmark b);   // throws when the row is gone

    // Makes room for this many rows in all, so that a bulk load does not grow
    // its key hashes step by step.
    void Reserve(size_t rows, size_t textBytes = 0);

    // Number of stored rows, ignoring the filter.
    int RowCount() const;

    // Lower-cases A-Z only: the one case rule of every case-insensitive order.
    static int CompareText(std::string_view a, std::string_view b);
    static bool SameText(std::string_view a, std::string_view b);

    struct Impl;
private:
    int RequireField(std::string_view f) const;
    std::string name;
    std::unique_ptr<Impl> d;
};
