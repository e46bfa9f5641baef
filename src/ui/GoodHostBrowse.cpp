// TGoodHostBrowseForm: the good hosts browser's grid and buttons, title-click sorting, saved state.
#include "ui/GoodHostBrowse.h"

#include "core/DataUnit.h"
#include "core/Messages.h"
#include "ui/ControlUtils.h"
#include "ui/DBGrid.h"
#include "ui/ErrorGuard.h"
#include "ui/GoodHostEdit.h"
#include "ui/WindowFrame.h"
#include "ui/WindowState.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

constexpr const char* StateSection = "GoodHostBrowse";

}   // namespace

TGoodHostBrowseForm::TGoodHostBrowseForm(TQuillonData& d, QWidget* parent) : QDialog(parent), data(d)
{
    setObjectName("GoodHostBrowseForm");
    CentreOverMainWindow(this);
    setWindowTitle("Good Hosts");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    BrowseGrid = Named(new TDBGrid(this), "BrowseGrid");
    BrowseGrid->SetColumns({{"hostname", "Host", 384, false, true},
                            {"ip", "IP Address", 128, false, true},
                            {"comment", "Comment", 250, false, true}});

    BottomPanel = Named(new QWidget(this), "BottomPanel");
    auto button = [this](const char* name, const char* text) {
        auto* b = Named(new QPushButton(text, BottomPanel), name);
        b->setAutoDefault(false);
        return b;
    };
    btnAdd = button("btnAdd", "Add");
    btnEdit = button("btnEdit", "Edit");
    btnDelete = button("btnDelete", "Delete");
    btnClose = button("btnClose", "Close");
    auto* panel = new QHBoxLayout(BottomPanel);
    panel->setContentsMargins(8, 8, 8, 8);
    panel->setSpacing(8);
    panel->addStretch();
    for (QPushButton* b : {btnAdd, btnEdit, btnDelete, btnClose})
        panel->addWidget(b);

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(0);
    form->addWidget(BrowseGrid, 1);
    form->addWidget(BottomPanel);

    setMinimumSize(MinimumWidth, MinimumHeight);
    resize(ClientWidth, ClientHeight);

    connect(BrowseGrid, &TDBGrid::TitleClick, this, GuardedSlot(this, &TGoodHostBrowseForm::TitleClick));
    connect(BrowseGrid, &QAbstractItemView::doubleClicked, this, GuardedSlot(this, [this] { EditClick(); }));
    connect(btnAdd, &QPushButton::clicked, this, GuardedSlot(this, &TGoodHostBrowseForm::AddClick));
    connect(btnEdit, &QPushButton::clicked, this, GuardedSlot(this, &TGoodHostBrowseForm::EditClick));
    connect(btnDelete, &QPushButton::clicked, this, GuardedSlot(this, &TGoodHostBrowseForm::DeleteClick));
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this,
            GuardedSlot(this, [this] { data.ShowHelp("goodhosts.html"); }));

    // Size, columns and order of the last closing; reports its own failures.
    LoadWindowState(StateSection, this, BrowseGrid, data.GoodHosts, data.IniFileName());
}

// ---------------------------------------------------------------------------
// Showing and closing

void TGoodHostBrowseForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar is not a new showing.
    if (!event->spontaneous())
        Guarded(this, [this] { FormShow(); });
}

void TGoodHostBrowseForm::FormShow()
{
    TTable& good = data.GoodHosts;
    // Edit and Delete act on the current row, so the grid starts on one.
    if (good.GetBookmark() == NoBookmark)
        good.First();
    BrowseGrid->SetTable(&good);
    BrowseGrid->setFocus();
}

void TGoodHostBrowseForm::done(int result)
{
    // A failed write is reported and the window closes all the same: the
    // tables stay marked changed and are written at shutdown.
    Guarded(this, [this] { data.SaveDatabase(false); });
    Guarded(this, [this] {
        SaveWindowState(StateSection, this, BrowseGrid, data.GoodHosts, data.IniFileName(),
                        data.Prefs().SaveWindows);
    });
    QDialog::done(result);
}

// ---------------------------------------------------------------------------
// Grid

void TGoodHostBrowseForm::TitleClick(int column)
{
    const auto& columns = BrowseGrid->Columns();
    if (column < 0 || size_t(column) >= columns.size())
        return;
    TTable& good = data.GoodHosts;
    // Each column's field names the index that sorts by it.
    const std::string field = columns[size_t(column)].fieldName;
    if (TTable::SameText(good.IndexName(), field))
        return;
    good.SetIndexName(field);
    good.First();
    for (int i = 0; i < int(columns.size()); ++i)
        BrowseGrid->SetTitleBold(i, i == column);
    BrowseGrid->Refresh();
}

// ---------------------------------------------------------------------------
// Buttons

void TGoodHostBrowseForm::ShowEditor(bool addMode)
{
    bool posted;
    {
        // The editor's look-ups move the cursor; the grid stays on its row meanwhile.
        TGridFreeze freeze(BrowseGrid);
        TGoodHostEditForm editor(data, this);
        editor.AddMode = addMode;
        posted = editor.exec() == QDialog::Accepted;
    }
    if (posted)
        BrowseGrid->Refresh();
}

void TGoodHostBrowseForm::AddClick() { ShowEditor(true); }

void TGoodHostBrowseForm::EditClick() { ShowEditor(false); }

void TGoodHostBrowseForm::DeleteClick()
{
    TTable& good = data.GoodHosts;
    if (good.RecordCount() == 0 || good.GetBookmark() == NoBookmark)
        return;
    if (!ConfirmDlg("Are you sure you want to delete this host?", "Delete Good Host", this))
        return;
    good.Delete();
    BrowseGrid->Refresh();
}
