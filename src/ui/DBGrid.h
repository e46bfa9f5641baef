// TDBGrid: a read-only grid that shows a table's rows straight from the table engine.
#pragma once

#include "core/Table.h"

#include <QString>
#include <QTableView>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QPainter;
class QStyleOptionViewItem;
class TDBGridModel;

// One column of the grid: the part of it that the stored layout keeps.
struct TDBColumn {
    std::string fieldName;
    QString title;
    int width = 64;
    bool titleBold = false;
    bool visible = true;

    bool operator==(const TDBColumn&) const = default;
};

// The grid reads the rows it paints by position from the table (no copy), so
// a million rows open and scroll at once. It selects whole rows; its current
// row and the table's cursor follow each other, except while it is frozen.
// The column collection is kept in display order: a column the user drags
// to another place moves in the collection, and a resized one keeps its width.
class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    // The grid never owns the table; null shows no rows.
    void SetTable(TTable* table);
    TTable* Table() const { return table; }

    const std::vector<TDBColumn>& Columns() const { return columns; }
    void SetColumns(std::vector<TDBColumn> newColumns);
    void SetTitleBold(int column, bool bold);
    int ColumnOfField(std::string_view fieldName) const;   // -1 when no column shows it

    // The stored form of the column layout: versioned bytes holding each
    // column's field, title, width, bold title mark and visibility, in display order.
    std::string SaveLayout() const;
    // Throws EQuillonError naming what is wrong when the bytes are not a layout.
    static std::vector<TDBColumn> DecodeLayout(std::string_view bytes);

    // The table's rows, order or filter changed: count the rows again, repaint
    // and show the cursor's row. Waits for the last Unfreeze while frozen.
    void Refresh();
    // Code moved the table's cursor: make its row the current row and scroll to it.
    void ShowCursorRow();

    // A frozen grid neither follows the table's cursor nor moves it, and keeps
    // its row count while code works through the table (an editor, a pass over
    // many rows); the last Unfreeze refreshes. Calls nest.
    void Freeze();
    void Unfreeze();
    bool Frozen() const { return frozen > 0; }

    // Paints a cell itself: option is the prepared cell (rectangle, colours of
    // a normal or selected row, font, the field's text). Returns false to leave
    // the cell to the default drawing.
    using TDrawColumnCell = std::function<bool(QPainter* painter, const QStyleOptionViewItem& option,
                                               const TDBColumn& column, TBookmark row)>;
    void SetDrawColumnCell(TDrawColumnCell hook) { drawColumnCell = std::move(hook); }
    const TDrawColumnCell& DrawColumnCell() const { return drawColumnCell; }

    // The row behind a position of the grid (NoBookmark when there is none).
    TBookmark RowBookmark(int row) const;

    // Many rows may be selected at once. The selection is a set of the table's
    // bookmarks kept by the grid (a byte per row, so selecting a million rows
    // is one pass); it is independent of the current row, which the row
    // indicator marks. A click clears it, Ctrl+click toggles a row, Shift+click
    // and Shift with the arrow and page keys select a run of rows; Ctrl with
    // those keys moves without touching it. Painting reads it per visible row.
    void SetMultiSelect(bool on);
    bool MultiSelect() const { return multiSelect; }
    bool RowSelected(TBookmark row) const { return row < selected.size() && selected[row]; }
    void SelectRow(TBookmark row, bool on);
    // Selects the rows from one position of the grid to another, both included.
    void SelectPositions(int from, int to);
    void SelectRows(const std::vector<TBookmark>& rows);
    void ClearSelectedRows();
    int SelectedCount() const { return selectedCount; }
    // The selected rows that still exist, by bookmark.
    std::vector<TBookmark> SelectedRows() const;

    // The look of a cell as the grid paints it: selected rows in the
    // selection colours, the current row tinted when it is not selected.
    void PrepareCell(QStyleOptionViewItem& cell, int row) const;
    QVariant RowBackground(int row) const;   // the current row's tint, or none

signals:
    // A column title was clicked; column is its display position.
    void TitleClick(int column);
    // A character was typed while the grid had the focus (the browsers'
    // type-ahead); the grid does nothing else with it.
    void CharTyped(QChar character);

protected:
    // Typing searches the table, not the painted texts; the browsers do that.
    void keyboardSearch(const QString&) override {}
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Reload();
    void ApplyColumns();
    void SectionMoved(int logical, int oldVisual, int newVisual);
    void SectionResized(int logical, int oldSize, int newSize);
    void CurrentRowChanged(const QModelIndex& current);
    void MoveToEnd(bool last);

    TTable* table = nullptr;
    std::vector<TDBColumn> columns;
    TDBGridModel* rowsModel;
    TDrawColumnCell drawColumnCell;
    int frozen = 0;
    bool syncing = false;   // the grid is setting its own current row or header
    bool multiSelect = false;
    std::vector<uint8_t> selected;   // by bookmark
    int selectedCount = 0;
    int anchor = -1;   // where a Shift run of rows starts
};

// Freezes a grid for a scope, so that it is unfrozen also when a step fails.
class TGridFreeze {
public:
    explicit TGridFreeze(TDBGrid* grid) : grid(grid) { grid->Freeze(); }
    ~TGridFreeze() { grid->Unfreeze(); }
    TGridFreeze(const TGridFreeze&) = delete;
    TGridFreeze& operator=(const TGridFreeze&) = delete;

private:
    TDBGrid* grid;
};
