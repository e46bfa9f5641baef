// TGroupBrowseForm: the groups browser's list and buttons, and what each button does to groups and hosts.
#include "ui/GroupBrowse.h"

#include "core/AppHooks.h"
#include "core/DataUnit.h"
#include "core/GroupOps.h"
#include "ui/ControlUtils.h"
#include "ui/ErrorGuard.h"
#include "ui/GroupEdit.h"
#include "ui/GroupMove.h"
#include "ui/WindowFrame.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include <utility>
#include <vector>

TGroupBrowseForm::TGroupBrowseForm(TQuillonData& d, QWidget* parent) : QDialog(parent), data(d)
{
    setObjectName("GroupBrowseForm");
    CentreOverMainWindow(this);
    setWindowTitle("Groups");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    lbxGroups = Named(new QListWidget(this), "lbxGroups");
    lbxGroups->setSelectionMode(QAbstractItemView::SingleSelection);
    CurrentOnlyWhenSelected(lbxGroups);
    auto button = [this](const char* name, const char* text) {
        auto* b = Named(new QPushButton(text, this), name);
        b->setAutoDefault(false);
        return b;
    };
    btnAdd = button("btnAdd", "Add");
    btnEdit = button("btnEdit", "Edit");
    btnDelete = button("btnDelete", "Delete");
    btnRenumber = button("btnRenumber", "Renumber");
    btnRenumber->setToolTip("Renumber group identifiers so they sort in the Bad Host browse correctly");
    btnCleanup = button("btnCleanup", "Cleanup");
    btnCleanup->setToolTip("Delete groups that don't contain any Bad Hosts");
    btnClose = button("btnClose", "Close");

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(0);
    form->addWidget(lbxGroups, 1);
    auto* panel = new QHBoxLayout;
    panel->setContentsMargins(8, 8, 8, 8);
    panel->setSpacing(8);
    for (QPushButton* b : {btnAdd, btnEdit, btnDelete, btnRenumber, btnCleanup})
        panel->addWidget(b);
    panel->addStretch();
    panel->addWidget(btnClose);
    form->addLayout(panel);

    setMinimumSize(MinimumWidth, MinimumHeight);
    resize(ClientWidth, ClientHeight);

    connect(btnAdd, &QPushButton::clicked, this, GuardedSlot(this, &TGroupBrowseForm::AddClick));
    connect(btnEdit, &QPushButton::clicked, this, GuardedSlot(this, &TGroupBrowseForm::EditClick));
    connect(lbxGroups, &QListWidget::itemDoubleClicked, this,
            GuardedSlot(this, &TGroupBrowseForm::EditClick));
    connect(btnDelete, &QPushButton::clicked, this, GuardedSlot(this, &TGroupBrowseForm::DeleteClick));
    connect(btnRenumber, &QPushButton::clicked, this, GuardedSlot(this, &TGroupBrowseForm::RenumberClick));
    connect(btnCleanup, &QPushButton::clicked, this, GuardedSlot(this, &TGroupBrowseForm::CleanupClick));
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, GuardedSlot(this, [this] { data.ShowHelp("groups.html"); }));
}

// ---------------------------------------------------------------------------
// Showing and closing

void TGroupBrowseForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar is not a new showing.
    if (!event->spontaneous())
        Guarded(this, [this] { FormShow(); });
}

void TGroupBrowseForm::FormShow()
{
    FillList();
    data.Groups.SetIndexName("group_id");
}

void TGroupBrowseForm::done(int result)
{
    // A failed write is reported and the window closes all the same: the
    // tables stay marked changed and are written at shutdown.
    Guarded(this, [this] { data.SaveDatabase(false); });
    QDialog::done(result);
}

void TGroupBrowseForm::FillList()
{
    TGroupList groups;
    data.FillGroupList(groups, false);
    SetGroupItems(lbxGroups, groups);
}

void TGroupBrowseForm::SelectGroup(int groupId)
{
    for (int i = 0; i < lbxGroups->count(); ++i)
        if (lbxGroups->item(i)->data(Qt::UserRole).toInt() == groupId) {
            lbxGroups->setCurrentRow(i);
            return;
        }
}

// ---------------------------------------------------------------------------
// Buttons

void TGroupBrowseForm::AddClick()
{
    TGroupEditForm editor(data, this);
    editor.GroupId = 0;
    if (editor.exec() != QDialog::Accepted)
        return;
    FillList();
    SelectGroup(editor.GroupId);
}

void TGroupBrowseForm::EditClick()
{
    const int id = ListObject(lbxGroups);
    if (id < 0)
        return;
    TGroupEditForm editor(data, this);
    editor.GroupId = id;
    if (editor.exec() != QDialog::Accepted)
        return;
    FillList();
    SelectGroup(id);
}

void TGroupBrowseForm::DeleteClick()
{
    const int id = ListObject(lbxGroups);
    if (id < 0)
        return;
    bool confirmed;
    if (GroupHasHosts(data, id)) {
        TGroupMoveForm move(data, this);
        move.OldGroupId = id;
        confirmed = move.exec() == QDialog::Accepted;
    } else {
        confirmed = ConfirmDlg("Are you sure you want to delete this group?", "Delete Group", this);
    }
    if (!confirmed)
        return;
    DeleteGroup(data, id);
    const auto selected = lbxGroups->selectedItems();
    if (!selected.isEmpty())
        delete lbxGroups->takeItem(lbxGroups->row(selected.first()));
    lbxGroups->clearSelection();
}

void TGroupBrowseForm::CleanupClick()
{
    if (lbxGroups->count() == 0)
        return;
    if (!ConfirmDlg(std::string("This process will delete any groups that have no hosts assigned to them.") +
                        MsgBreak + "Continue?",
                    "Group Cleanup", this))
        return;
    int deleted;
    {
        TBusyCursor busy;
        lbxGroups->clear();
        deleted = data.GroupCleanup(0);
        FillList();
    }
    InfoDlg(CleanupResultText(deleted), "Group Cleanup", this);
}

void TGroupBrowseForm::RenumberClick()
{
    if (!ConfirmDlg(
            std::string("This process will renumber the internal group identifiers so the Bad Host grid "
                        "will sort groups alphabetically.") +
                MsgBreak + "It may take a minute or two.  Continue?",
            "Renumber Groups", this))
        return;
    TBusyCursor busy;
    lbxGroups->clear();
    TTable& groups = data.Groups;
    std::vector<std::pair<TBookmark, int>> before;
    for (groups.First(); !groups.Eof(); groups.Next())
        before.emplace_back(groups.GetBookmark(), groups.AsInteger("group_id"));
    RenumberGroups(data);
    std::map<int, int> newIds;
    const int idField = groups.FieldNo("group_id");
    for (const auto& [row, oldId] : before)
        newIds[oldId] = groups.AsInteger(row, idField);
    if (!renumberedOnce) {
        renumbered = std::move(newIds);
        renumberedOnce = true;
    } else {
        for (auto& [opening, now] : renumbered) {
            const auto found = newIds.find(now);
            now = found == newIds.end() ? -1 : found->second;
        }
    }
    FillList();
}

int TGroupBrowseForm::GroupIdNow(int openingId) const
{
    if (!renumberedOnce || openingId <= 0)
        return openingId;
    const auto found = renumbered.find(openingId);
    return found == renumbered.end() ? -1 : found->second;
}
