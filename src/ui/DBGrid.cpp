// TDBGrid: a read-only grid that shows a table's rows straight from the table engine.
#include "ui/DBGrid.h"

#include "platform/Errors.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cstdint>

// The rows as the table orders and filters them, read by position when painted.
// The row count is taken at each reset, so a frozen grid keeps its rows while
// code changes the table; a row that has gone since paints empty.
class TDBGridModel : public QAbstractTableModel {
public:
    explicit TDBGridModel(TDBGrid* grid) : QAbstractTableModel(grid), grid(grid) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows; }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(grid->Columns().size());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        if (role == Qt::BackgroundRole)
            return grid->RowBackground(index.row());
        if (role != Qt::DisplayRole)
            return {};
        return Text(index.row(), index.column());
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Vertical) {
            // The row indicator: a mark on the current row, no numbers.
            if (role == Qt::DisplayRole && section == indicator)
                return QStringLiteral("\u25B8");
            return {};
        }
        if (section < 0 || size_t(section) >= grid->Columns().size())
            return {};
        const TDBColumn& column = grid->Columns()[size_t(section)];
        if (role == Qt::DisplayRole)
            return column.title;
        if (role == Qt::FontRole) {
            QFont font = grid->horizontalHeader()->font();
            font.setBold(column.titleBold);
            return font;
        }
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    QString Text(int row, int column) const
    {
        const TTable* table = grid->Table();
        if (!table || column < 0 || size_t(column) >= fieldNos.size())
            return {};
        const std::string_view text = table->AsString(table->BookmarkAt(row), fieldNos[size_t(column)]);
        return QString::fromUtf8(text.data(), qsizetype(text.size()));
    }

    void Reset()
    {
        beginResetModel();
        const TTable* table = grid->Table();
        rows = table ? table->RecordCount() : 0;
        fieldNos.clear();
        for (const TDBColumn& column : grid->Columns())
            fieldNos.push_back(table ? table->FieldNo(column.fieldName) : -1);
        indicator = -1;
        endResetModel();
    }

    void ColumnsChanged()
    {
        if (!fieldNos.empty())
            emit headerDataChanged(Qt::Horizontal, 0, int(fieldNos.size()) - 1);
    }

    void MoveIndicator(int row)
    {
        const int old = indicator;
        indicator = row;
        if (old >= 0 && old < rows)
            emit headerDataChanged(Qt::Vertical, old, old);
        if (row >= 0 && row < rows)
            emit headerDataChanged(Qt::Vertical, row, row);
    }

    // Moving a column keeps the rows: only the field behind each position changes.
    void MoveField(int from, int to)
    {
        const int field = fieldNos[size_t(from)];
        fieldNos.erase(fieldNos.begin() + from);
        fieldNos.insert(fieldNos.begin() + to, field);
        ColumnsChanged();
        if (rows > 0)
            emit dataChanged(index(0, 0), index(rows - 1, int(fieldNos.size()) - 1), {Qt::DisplayRole});
    }

private:
    TDBGrid* grid;
    int rows = 0;
    std::vector<int> fieldNos;   // per column, -1 for a field the table lacks
    int indicator = -1;
};

namespace {

// Hands each cell to the grid's drawing hook before the default drawing.
class TDBGridDelegate : public QStyledItemDelegate {
public:
    explicit TDBGridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell = option;
        grid->PrepareCell(cell, index.row());
        const TDBGrid::TDrawColumnCell& hook = grid->DrawColumnCell();
        if (hook && size_t(index.column()) < grid->Columns().size()) {
            QStyleOptionViewItem prepared = cell;
            initStyleOption(&prepared, index);
            if (hook(painter, prepared, grid->Columns()[size_t(index.column())],
                     grid->RowBookmark(index.row())))
                return;
        }
        QStyledItemDelegate::paint(painter, cell, index);
    }

private:
    TDBGrid* grid;
};

// ---- the stored layout

constexpr char LayoutMagic[4] = {'Q', 'G', 'L', 'Y'};
constexpr uint8_t LayoutVersion = 1;
constexpr uint8_t FlagVisible = 1, FlagBold = 2;
constexpr int MaxWidth = 32767;

void PutU16(std::string& out, size_t v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}

void PutText(std::string& out, std::string_view text)
{
    PutU16(out, text.size());
    out += text;
}

[[noreturn]] void BadLayout(const std::string& reason)
{
    throw EQuillonError("The saved column layout cannot be read: " + reason + ".");
}

class TLayoutReader {
public:
    explicit TLayoutReader(std::string_view bytes) : rest(bytes) {}

    std::string_view Take(size_t n)
    {
        if (rest.size() < n)
            BadLayout("it ends too early");
        std::string_view part = rest.substr(0, n);
        rest.remove_prefix(n);
        return part;
    }
    unsigned U8() { return uint8_t(Take(1)[0]); }
    unsigned U16()
    {
        std::string_view b = Take(2);
        return uint8_t(b[0]) | unsigned(uint8_t(b[1])) << 8;
    }
    std::string_view Text() { return Take(U16()); }
    bool AtEnd() const { return rest.empty(); }

private:
    std::string_view rest;
};

}   // namespace

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), rowsModel(new TDBGridModel(this))
{
    setModel(rowsModel);
    setItemDelegate(new TDBGridDelegate(this));
    setEditTriggers(NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(SingleSelection);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);

    QHeaderView* titles = horizontalHeader();
    titles->setSectionsMovable(true);
    titles->setSectionsClickable(true);
    titles->setHighlightSections(false);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setStretchLastSection(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // Every row has the same height, so nothing is measured per row.
    QHeaderView* indicator = verticalHeader();
    indicator->setSectionResizeMode(QHeaderView::Fixed);
    indicator->setDefaultSectionSize(fontMetrics().height() + 6);
    indicator->setFixedWidth(fontMetrics().horizontalAdvance(QChar(0x25B8)) + 8);
    indicator->setSectionsClickable(false);

    connect(titles, &QHeaderView::sectionMoved, this, &TDBGrid::SectionMoved);
    connect(titles, &QHeaderView::sectionResized, this, &TDBGrid::SectionResized);
    connect(titles, &QHeaderView::sectionClicked, this, [this](int logical) {
        if (!syncing)
            emit TitleClick(logical);
    });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { CurrentRowChanged(current); });
}

TDBGrid::~TDBGrid() = default;

void TDBGrid::SetTable(TTable* newTable)
{
    if (newTable != table) {
        selected.clear();
        selectedCount = 0;
        anchor = -1;
    }
    table = newTable;
    Reload();
}

void TDBGrid::SetColumns(std::vector<TDBColumn> newColumns)
{
    columns = std::move(newColumns);
    Reload();
}

void TDBGrid::SetTitleBold(int column, bool bold)
{
    if (column < 0 || size_t(column) >= columns.size() || columns[size_t(column)].titleBold == bold)
        return;
    columns[size_t(column)].titleBold = bold;
    rowsModel->ColumnsChanged();
}

int TDBGrid::ColumnOfField(std::string_view fieldName) const
{
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].fieldName == fieldName)
            return int(i);
    return -1;
}

TBookmark TDBGrid::RowBookmark(int row) const
{
    if (!table || row < 0 || row >= rowsModel->rowCount())
        return NoBookmark;
    return table->BookmarkAt(row);
}

void TDBGrid::Refresh()
{
    if (!Frozen())
        Reload();
}

void TDBGrid::Reload()
{
    syncing = true;
    rowsModel->Reset();
    ApplyColumns();
    syncing = false;
    ShowCursorRow();
}

// A reset may forget the header's section sizes; the collection holds them.
void TDBGrid::ApplyColumns()
{
    QHeaderView* titles = horizontalHeader();
    for (size_t i = 0; i < columns.size(); ++i) {
        titles->resizeSection(int(i), columns[i].width);
        titles->setSectionHidden(int(i), !columns[i].visible);
    }
}

void TDBGrid::ShowCursorRow()
{
    if (Frozen())
        return;
    const int row = table ? table->RecNo() : -1;
    syncing = true;
    if (row >= 0 && row < rowsModel->rowCount()) {
        int column = 0;
        while (column + 1 < rowsModel->columnCount() && isColumnHidden(column))
            ++column;
        // Only up or down: the user's horizontal scrolling stays.
        const int across = horizontalScrollBar()->value();
        const QModelIndex index = rowsModel->index(row, column);
        setCurrentIndex(index);
        scrollTo(index);
        horizontalScrollBar()->setValue(across);
    } else {
        selectionModel()->clear();
        rowsModel->MoveIndicator(-1);
    }
    syncing = false;
}

// ---------------------------------------------------------------------------
// Selecting many rows

void TDBGrid::SetMultiSelect(bool on)
{
    multiSelect = on;
    // The grid paints the selection itself; the view keeps only the current row.
    setSelectionMode(on ? NoSelection : SingleSelection);
    ClearSelectedRows();
}

void TDBGrid::SelectRow(TBookmark row, bool on)
{
    if (row == NoBookmark || RowSelected(row) == on)
        return;
    if (row >= selected.size())
        selected.resize(std::max<size_t>(row + 1, table ? size_t(table->RowCount()) : 0));
    selected[row] = on;
    selectedCount += on ? 1 : -1;
    viewport()->update();
}

void TDBGrid::SelectPositions(int from, int to)
{
    if (!table)
        return;
    from = std::max(from, 0);
    to = std::min(to, table->RecordCount() - 1);
    for (int k = from; k <= to; ++k) {
        const TBookmark row = table->BookmarkAt(k);
        if (row == NoBookmark)
            continue;
        if (row >= selected.size())
            selected.resize(std::max<size_t>(row + 1, size_t(table->RowCount())));
        if (!selected[row]) {
            selected[row] = 1;
            ++selectedCount;
        }
    }
    viewport()->update();
}

void TDBGrid::SelectRows(const std::vector<TBookmark>& rows)
{
    for (TBookmark row : rows) {
        if (row == NoBookmark)
            continue;
        if (row >= selected.size())
            selected.resize(std::max<size_t>(row + 1, table ? size_t(table->RowCount()) : 0));
        if (!selected[row]) {
            selected[row] = 1;
            ++selectedCount;
        }
    }
    viewport()->update();
}

void TDBGrid::ClearSelectedRows()
{
    if (selectedCount == 0)
        return;
    std::fill(selected.begin(), selected.end(), uint8_t(0));
    selectedCount = 0;
    viewport()->update();
}

std::vector<TBookmark> TDBGrid::SelectedRows() const
{
    std::vector<TBookmark> rows;
    rows.reserve(size_t(selectedCount));
    for (size_t b = 0; b < selected.size(); ++b)
        if (selected[b] && table && table->BookmarkValid(TBookmark(b)))
            rows.push_back(TBookmark(b));
    return rows;
}

void TDBGrid::PrepareCell(QStyleOptionViewItem& cell, int row) const
{
    if (!multiSelect)
        return;
    cell.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    if (RowSelected(RowBookmark(row)))
        cell.state |= QStyle::State_Selected;
    else
        cell.backgroundBrush = RowBackground(row).value<QBrush>();
}

QVariant TDBGrid::RowBackground(int row) const
{
    if (!multiSelect || row != currentIndex().row() || RowSelected(RowBookmark(row)))
        return {};
    QColor tint = palette().color(QPalette::Highlight);
    tint.setAlpha(60);
    return QBrush(tint);
}

void TDBGrid::mousePressEvent(QMouseEvent* event)
{
    const int row = rowAt(int(event->position().y()));
    if (multiSelect && event->button() == Qt::LeftButton && row >= 0) {
        const Qt::KeyboardModifiers mods = event->modifiers();
        if (mods & Qt::ControlModifier) {
            const TBookmark b = RowBookmark(row);
            SelectRow(b, !RowSelected(b));
            anchor = row;
        } else if (mods & Qt::ShiftModifier) {
            if (anchor < 0)
                anchor = std::max(currentIndex().row(), 0);
            ClearSelectedRows();
            SelectPositions(std::min(anchor, row), std::max(anchor, row));
        } else {
            ClearSelectedRows();
            anchor = row;
        }
    }
    QTableView::mousePressEvent(event);
}

void TDBGrid::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (!(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && !event->text().isEmpty()) {
        bool typed = false;
        for (QChar c : event->text())
            if (c.unicode() >= 32 && c.unicode() != 127) {
                typed = true;
                emit CharTyped(c);
            }
        if (typed)
            return;
    }
    static constexpr int moves[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown};
    const bool ends = event->key() == Qt::Key_Home || event->key() == Qt::Key_End;
    if (!ends &&
        (!multiSelect || std::find(std::begin(moves), std::end(moves), event->key()) == std::end(moves))) {
        QTableView::keyPressEvent(event);
        return;
    }
    const int before = currentIndex().row();
    if (multiSelect && (mods & Qt::ShiftModifier) && anchor < 0)
        anchor = std::max(before, 0);
    if (ends) {
        MoveToEnd(event->key() == Qt::Key_End);
    } else {
        // The view only moves the current row; the selection is the grid's own.
        QKeyEvent move(event->type(), event->key(), Qt::NoModifier);
        QTableView::keyPressEvent(&move);
    }
    if (multiSelect) {
        if (mods & Qt::ShiftModifier) {
            ClearSelectedRows();
            const int after = currentIndex().row();
            SelectPositions(std::min(anchor, after), std::max(anchor, after));
        } else {
            if (!(mods & Qt::ControlModifier))
                ClearSelectedRows();
            anchor = currentIndex().row();
        }
    }
    event->accept();
}

// Home and End go to the first and the last row. The view's own keys would go
// to the first or last column as well and scroll the host names out of sight.
void TDBGrid::MoveToEnd(bool last)
{
    const int rows = rowsModel->rowCount();
    if (rows == 0)
        return;
    int column = currentIndex().isValid() ? currentIndex().column() : 0;
    while (column + 1 < rowsModel->columnCount() && isColumnHidden(column))
        ++column;
    const QModelIndex target = rowsModel->index(last ? rows - 1 : 0, column);
    const int across = horizontalScrollBar()->value();
    setCurrentIndex(target);
    scrollTo(target);
    horizontalScrollBar()->setValue(across);
}

void TDBGrid::Freeze() { ++frozen; }

void TDBGrid::Unfreeze()
{
    if (frozen > 0 && --frozen == 0)
        Reload();
}

void TDBGrid::CurrentRowChanged(const QModelIndex& current)
{
    rowsModel->MoveIndicator(current.isValid() ? current.row() : -1);
    if (multiSelect)
        viewport()->update();   // the whole row's tint moves, not one cell's focus
    if (syncing || Frozen() || !table || !current.isValid())
        return;
    // A row being edited keeps the cursor; the grid catches up at the next refresh.
    if (table->State() == TTableState::dsBrowse && current.row() < table->RecordCount())
        table->MoveToRecNo(current.row());
}

// The header moved a section on screen; move the column in the collection
// instead and put the header back, so that positions in the model, the
// collection and on screen stay the same.
void TDBGrid::SectionMoved(int, int oldVisual, int newVisual)
{
    if (syncing)
        return;
    syncing = true;
    horizontalHeader()->moveSection(newVisual, oldVisual);
    TDBColumn moved = std::move(columns[size_t(oldVisual)]);
    columns.erase(columns.begin() + oldVisual);
    columns.insert(columns.begin() + newVisual, std::move(moved));
    rowsModel->MoveField(oldVisual, newVisual);
    ApplyColumns();
    syncing = false;
}

void TDBGrid::SectionResized(int logical, int, int newSize)
{
    // A hidden section reports a size of 0; its width is kept for when it shows again.
    if (syncing || logical < 0 || size_t(logical) >= columns.size() ||
        horizontalHeader()->isSectionHidden(logical))
        return;
    columns[size_t(logical)].width = newSize;
}

std::string TDBGrid::SaveLayout() const
{
    std::string out(LayoutMagic, sizeof LayoutMagic);
    out += char(LayoutVersion);
    PutU16(out, columns.size());
    for (const TDBColumn& column : columns) {
        out += char((column.visible ? FlagVisible : 0) | (column.titleBold ? FlagBold : 0));
        PutU16(out, size_t(std::clamp(column.width, 0, MaxWidth)));
        PutText(out, column.fieldName);
        PutText(out, column.title.toStdString());
    }
    return out;
}

std::vector<TDBColumn> TDBGrid::DecodeLayout(std::string_view bytes)
{
    const std::string_view magic(LayoutMagic, sizeof LayoutMagic);
    if (bytes.substr(0, magic.size()) != magic)
        BadLayout("it is not a column layout");
    TLayoutReader in(bytes.substr(magic.size()));
    const unsigned version = in.U8();
    if (version != LayoutVersion)
        BadLayout("its version " + std::to_string(version) + " is not known");
    const unsigned count = in.U16();
    if (count == 0)
        BadLayout("it has no columns");
    std::vector<TDBColumn> result;
    for (unsigned i = 0; i < count; ++i) {
        TDBColumn column;
        const unsigned flags = in.U8();
        if (flags & ~unsigned(FlagVisible | FlagBold))
            BadLayout("it is not a column layout");
        column.visible = flags & FlagVisible;
        column.titleBold = flags & FlagBold;
        column.width = int(in.U16());
        if (column.width > MaxWidth)
            BadLayout("a column width is out of range");
        column.fieldName = std::string(in.Text());
        if (column.fieldName.empty())
            BadLayout("a column has no field");
        const std::string_view title = in.Text();
        column.title = QString::fromUtf8(title.data(), qsizetype(title.size()));
        result.push_back(std::move(column));
    }
    if (!in.AtEnd())
        BadLayout("it has bytes left over");
    return result;
}
