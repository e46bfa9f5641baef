// TBadHostBrowseForm: the bad hosts grid, its type-ahead search, and the commands on one or many selected hosts.
#include "ui/BadHostBrowse.h"

#include "core/AppHooks.h"
#include "core/DataUnit.h"
#include "core/Messages.h"
#include "ui/BadHostEdit.h"
#include "ui/ControlUtils.h"
#include "ui/DBGrid.h"
#include "ui/ErrorGuard.h"
#include "ui/GroupPick.h"
#include "ui/WindowFrame.h"
#include "ui/WindowState.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QStyleOptionViewItem>
#include <QTimer>
#include <QVBoxLayout>

#include <string_view>

namespace {

const std::string StateSection = "BadHostBrowse";

// Lower-cases A-Z only, the one case rule of host names and comments here.
std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

// Whether needle (already lower-case) occurs in text in any letter case.
bool ContainsLower(std::string_view text, std::string_view needle)
{
    if (needle.size() > text.size())
        return false;
    char buffer[512];
    if (text.size() <= sizeof buffer) {
        // Branch-free, so that the compiler lowers many letters at a time.
        for (size_t i = 0; i < text.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            buffer[i] = char(c + (static_cast<unsigned char>(c - 'A') < 26 ? 32 : 0));
        }
        return std::string_view(buffer, text.size()).find(needle) != std::string_view::npos;
    }
    return LowerAscii(std::string(text)).find(needle) != std::string::npos;
}

}   // namespace

TBadHostBrowseForm::TBadHostBrowseForm(TQuillonData& d, QWidget* parent) : QDialog(parent), data(d)
{
    setObjectName("BadHostBrowseForm");
    CentreOverMainWindow(this);
    setWindowTitle("Bad Hosts");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    auto button = [this](const char* name, const char* text) {
        auto* b = Named(new QPushButton(text, this), name);
        b->setAutoDefault(false);
        return b;
    };
    btnAdd = button("btnAdd", "Add");
    btnEdit = button("btnEdit", "Edit");
    btnDelete = button("btnDelete", "Delete");
    btnGroup = button("btnGroup", "Group...");
    btnSelect = button("btnSelect", "Select...");
    btnAll = button("btnAll", "All");
    btnNone = button("btnNone", "None");
    btnClose = button("btnClose", "Close");

    BrowseGrid = Named(new TDBGrid(this), "BrowseGrid");
    BrowseGrid->SetMultiSelect(true);
    BrowseGrid->SetColumns({
        {"hostname", "Host", 350, true},
        {"group_id", "Group", 200, false},
        {"comment", "Comment", 250, false},
    });

    SearchTimer = Named(new QTimer(this), "SearchTimer");
    SearchTimer->setInterval(SearchInterval);
    SearchTimer->setSingleShot(false);

    auto* form = new QHBoxLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(0);
    auto* panelWidget = Named(new QWidget(this), "ButtonPanel");
    panelWidget->setFixedWidth(PanelWidth);
    auto* panel = new QVBoxLayout(panelWidget);
    panel->setContentsMargins(8, 8, 8, 8);
    panel->setSpacing(6);
    for (QPushButton* b : {btnAdd, btnEdit, btnDelete, btnGroup, btnSelect, btnAll, btnNone})
        panel->addWidget(b);
    panel->addStretch();
    panel->addWidget(btnClose);
    form->addWidget(panelWidget);
    form->addWidget(BrowseGrid, 1);

    setMinimumSize(MinimumWidth, MinimumHeight);
    resize(ClientWidth, ClientHeight);

    connect(btnAdd, &QPushButton::clicked, this, GuardedSlot(this, [this] { EditHost(true); }));
    connect(btnEdit, &QPushButton::clicked, this, GuardedSlot(this, [this] { EditHost(false); }));
    connect(BrowseGrid, &QAbstractItemView::doubleClicked, this,
            GuardedSlot(this, [this] { EditHost(false); }));
    connect(btnDelete, &QPushButton::clicked, this, GuardedSlot(this, &TBadHostBrowseForm::DeleteClick));
    connect(btnGroup, &QPushButton::clicked, this, GuardedSlot(this, &TBadHostBrowseForm::GroupClick));
    connect(btnSelect, &QPushButton::clicked, this, GuardedSlot(this, &TBadHostBrowseForm::SelectClick));
    connect(btnAll, &QPushButton::clicked, this, GuardedSlot(this, &TBadHostBrowseForm::AllClick));
    connect(btnNone, &QPushButton::clicked, this,
            GuardedSlot(this, [this] { BrowseGrid->ClearSelectedRows(); }));
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(BrowseGrid, &TDBGrid::TitleClick, this, GuardedSlot(this, &TBadHostBrowseForm::TitleClick));
    connect(BrowseGrid, &TDBGrid::CharTyped, this, GuardedSlot(this, &TBadHostBrowseForm::CharTyped));
    connect(SearchTimer, &QTimer::timeout, this, GuardedSlot(this, &TBadHostBrowseForm::SearchTimerTimer));
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, GuardedSlot(this, [this] { data.ShowHelp("badhosts.html"); }));

    // Group cells show the group's caption, not its number.
    BrowseGrid->SetDrawColumnCell([this](QPainter* painter, const QStyleOptionViewItem& cell,
                                         const TDBColumn& column, TBookmark row) {
        if (column.fieldName != "group_id" || row == NoBookmark || data.BadHosts.RecordCount() == 0)
            return false;
        if (textOffset < 0)
            textOffset = (cell.rect.height() - QFontMetrics(cell.font).height()) / 2;
        const bool selected = cell.state & QStyle::State_Selected;
        const QPalette& colours = cell.palette;
        if (selected)
            painter->fillRect(cell.rect, colours.brush(QPalette::Highlight));
        else if (cell.backgroundBrush.style() != Qt::NoBrush)
            painter->fillRect(cell.rect, cell.backgroundBrush);
        const int id = data.BadHosts.AsInteger(row, data.BadHosts.FieldNo("group_id"));
        const QString caption = QString::fromStdString(data.GroupCaption(id, true));
        const QRect text = cell.rect.adjusted(textOffset, textOffset, -textOffset, 0);
        painter->save();
        painter->setFont(cell.font);
        painter->setPen(colours.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                          QFontMetrics(cell.font).elidedText(caption, Qt::ElideRight, text.width()));
        painter->restore();
        return true;
    });

    Guarded(this,
            [this] { LoadWindowState(StateSection, this, BrowseGrid, data.BadHosts, data.IniFileName()); });
}

TBadHostBrowseForm::~TBadHostBrowseForm() = default;

int TBadHostBrowseForm::ExecEditor(TBadHostEditForm& editor) { return editor.exec(); }

int TBadHostBrowseForm::PickGroup(const QString& prompt) { return TGroupPickForm::Pick(data, this, prompt); }

// ---------------------------------------------------------------------------
// Showing and closing

void TBadHostBrowseForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar is not a new showing.
    if (!event->spontaneous())
        Guarded(this, [this] { FormShow(); });
}

void TBadHostBrowseForm::FormShow()
{
    // The table keeps the order the window state restored (its title is the
    // bold one); the group captions are looked up by id.
    data.Groups.SetIndexName("group_id");
    TTable& hosts = data.BadHosts;
    // Opened from a search, the caption tells what was searched for.
    if (hosts.Filtered())
        setWindowTitle(QStringLiteral("Bad Hosts - ") + QString::fromStdString(hosts.Filter()));
    // Edit, Delete and Group... act on the current row, so the grid starts on one.
    if (hosts.GetBookmark() == NoBookmark)
        hosts.First();
    BrowseGrid->SetTable(&hosts);
    textOffset = -1;
    // Typing searches at once: the grid, not the first button, has the focus.
    BrowseGrid->setFocus();
}

void TBadHostBrowseForm::done(int result)
{
    if (isVisible())
        FormClose();
    QDialog::done(result);
}

void TBadHostBrowseForm::FormClose()
{
    SearchTimer->stop();
    // Each step is reported on its own and the window closes all the same:
    // tables that could not be written stay marked changed for shutdown.
    Guarded(this, [this] {
        data.BadHosts.SetFiltered(false);
        data.BadHosts.SetFilter({});
    });
    Guarded(this, [this] { data.SaveDatabase(false); });
    Guarded(this, [this] {
        SaveWindowState(StateSection, this, BrowseGrid, data.BadHosts, data.IniFileName(),
                        data.Prefs().SaveWindows);
    });
}

// ---------------------------------------------------------------------------
// Sorting and type-ahead

void TBadHostBrowseForm::TitleClick(int column)
{
    const std::vector<TDBColumn>& columns = BrowseGrid->Columns();
    if (column < 0 || size_t(column) >= columns.size())
        return;
    TTable& hosts = data.BadHosts;
    const std::string field = columns[size_t(column)].fieldName;
    if (field == hosts.IndexName())
        return;
    hosts.SetIndexName(field);
    hosts.First();
    for (size_t i = 0; i < columns.size(); ++i)
        BrowseGrid->SetTitleBold(int(i), int(i) == column);
    BrowseGrid->Refresh();
}

void TBadHostBrowseForm::CharTyped(QChar character)
{
    TTable& hosts = data.BadHosts;
    if (character == QLatin1Char(' ')) {
        const TBookmark row = hosts.GetBookmark();
        if (row != NoBookmark) {
            BrowseGrid->SelectRow(row, !BrowseGrid->RowSelected(row));
            hosts.Next();
        }
        searchBuffer.clear();
        BrowseGrid->ShowCursorRow();
        return;
    }
    // Rows in group order are not in the order of any typed text.
    if (hosts.IndexName() == "group_id")
        return;
    searchBuffer += QString(character).toStdString();
    hosts.FindNearest({searchBuffer});
    BrowseGrid->ShowCursorRow();
    SearchTimer->stop();
    SearchTimer->start();
}

void TBadHostBrowseForm::SearchTimerTimer()
{
    searchBuffer.clear();
    SearchTimer->stop();
}

// ---------------------------------------------------------------------------
// One host

void TBadHostBrowseForm::EditHost(bool add)
{
    TBadHostEditForm editor(data, this);
    editor.Mode = add ? TBadHostEditMode::Add : TBadHostEditMode::Edit;
    int result;
    {
        // The grid catches up once, when the editor has closed.
        TGridFreeze freeze(BrowseGrid);
        result = ExecEditor(editor);
    }
    if (result == QDialog::Accepted)
        BrowseGrid->Refresh();
}

void TBadHostBrowseForm::DeleteClick()
{
    TTable& hosts = data.BadHosts;
    if (hosts.RecordCount() == 0)
        return;
    const int count = BrowseGrid->SelectedCount();
    if (count > 1) {
        if (!ConfirmDlg("Are you sure you want to delete the " + std::to_string(count) + " selected hosts?",
                        "Delete Multiple Hosts", this))
            return;
        TGridFreeze freeze(BrowseGrid);
        hosts.DeleteRows(BrowseGrid->SelectedRows());
        BrowseGrid->ClearSelectedRows();
        return;   // the grid repaints as the freeze ends
    }
    if (!ConfirmDlg("Are you sure you want to delete this host?", "Delete Bad Host", this))
        return;
    // A row that goes leaves the selection with it.
    BrowseGrid->SelectRow(hosts.GetBookmark(), false);
    hosts.Delete();
    BrowseGrid->Refresh();
}

// ---------------------------------------------------------------------------
// Many hosts

void TBadHostBrowseForm::GroupClick()
{
    TTable& hosts = data.BadHosts;
    if (hosts.RecordCount() == 0)
        return;
    if (BrowseGrid->SelectedCount() == 0)
        BrowseGrid->SelectRow(hosts.GetBookmark(), true);
    const int count = BrowseGrid->SelectedCount();
    const QString prompt = count == 1 ? QStringLiteral("Select a new group for this host:")
                                      : QStringLiteral("Select a new group for these %1 host(s):").arg(count);
    const int groupId = PickGroup(prompt);
    if (groupId == 0)
        return;
    TGridFreeze freeze(BrowseGrid);
    const int groupField = hosts.FieldNo("group_id");
    std::vector<std::pair<TBookmark, int32_t>> changes;
    for (TBookmark row : BrowseGrid->SelectedRows())
        if (hosts.AsInteger(row, groupField) != groupId)
            changes.emplace_back(row, groupId);
    hosts.SetIntegers(groupField, changes);
    BrowseGrid->ClearSelectedRows();
}

void TBadHostBrowseForm::AllClick()
{
    TTable& hosts = data.BadHosts;
    TBusyCursor busy;
    TGridFreeze freeze(BrowseGrid);
    // Rows are selected by position; the cursor stays on its row.
    BrowseGrid->SelectPositions(0, hosts.RecordCount() - 1);
}

void TBadHostBrowseForm::SelectClick()
{
    std::string host, comment;
    int groupId;
    {
        TBadHostEditForm editor(data, this);
        editor.Mode = TBadHostEditMode::Select;
        if (ExecEditor(editor) != QDialog::Accepted)
            return;
        host = editor.HostEdit->text().toStdString();
        groupId = ComboObject(editor.cbxGroup);
        comment = editor.CommentEdit->text().toStdString();
    }
    if (groupId <= 0 && host.empty() && comment.empty())
        return;
    host = LowerAscii(host);
    comment = LowerAscii(comment);

    TTable& hosts = data.BadHosts;
    TBusyCursor busy;
    TGridFreeze freeze(BrowseGrid);
    BrowseGrid->ClearSelectedRows();
    const int hostField = hosts.FieldNo("hostname");
    const int groupField = hosts.FieldNo("group_id");
    const int commentField = hosts.FieldNo("comment");
    auto matches = [&](TBookmark row) {
        return (groupId < 1 || hosts.AsInteger(row, groupField) == groupId) &&
               (host.empty() || ContainsLower(hosts.AsString(row, hostField), host)) &&
               (comment.empty() || ContainsLower(hosts.AsString(row, commentField), comment));
    };
    // The selection is a set, so the rows may be visited in any order: in
    // storage order they are read front to back instead of all over memory.
    std::vector<TBookmark> found;
    if (hosts.Filtered()) {
        for (int k = 0, n = hosts.RecordCount(); k < n; ++k)
            if (const TBookmark row = hosts.BookmarkAt(k); matches(row))
                found.push_back(row);
    } else {
        for (TBookmark row = 0, limit = hosts.BookmarkLimit(); row < limit; ++row)
            if (hosts.BookmarkValid(row) && matches(row))
                found.push_back(row);
    }
    BrowseGrid->SelectRows(found);
}
