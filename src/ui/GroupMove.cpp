// TGroupMoveForm: the move dialog's text, its list of other groups, and the move of the hosts on OK.
#include "ui/GroupMove.h"

#include "core/AppHooks.h"
#include "core/DataUnit.h"
#include "core/GroupOps.h"
#include "ui/ControlUtils.h"
#include "ui/ErrorGuard.h"
#include "ui/WindowFrame.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

TGroupMoveForm::TGroupMoveForm(TQuillonData& d, QWidget* parent) : QDialog(parent), data(d)
{
    setObjectName("GroupMoveForm");
    CentreOverMainWindow(this);
    setWindowTitle("Reassign Group");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    Label1 = Named(new QLabel("There are hosts that belong to this group.", this), "Label1");
    Label2 =
        Named(new QLabel("Before you can delete it, these hosts must be assigned to another group.", this),
              "Label2");
    Label3 = Named(new QLabel("Select the new group and press OK to reassign the hosts and delete the group.",
                              this),
                   "Label3");
    Label4 = Named(new QLabel("Press Cancel to leave things as they are.", this), "Label4");
    cbxNewGroup = Named(new QComboBox(this), "cbxNewGroup");
    btnOK = Named(new QPushButton("OK", this), "btnOK");
    btnOK->setDefault(true);
    btnCancel = Named(new QPushButton("Cancel", this), "btnCancel");

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(10, 10, 10, 10);
    form->setSpacing(2);
    form->setSizeConstraint(QLayout::SetFixedSize);
    for (QLabel* line : {Label1, Label2, Label3, Label4})
        form->addWidget(line);
    form->addSpacing(10);
    form->addWidget(cbxNewGroup);
    form->addSpacing(10);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    form->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, GuardedSlot(this, &TGroupMoveForm::OKClick));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, GuardedSlot(this, [this] { data.ShowHelp("groups.html"); }));
}

void TGroupMoveForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar is not a new showing.
    if (!event->spontaneous())
        Guarded(this, [this] { FormShow(); });
}

void TGroupMoveForm::FormShow()
{
    setWindowTitle(QString::fromStdString("Delete Group: " + data.GroupCaption(OldGroupId, true)));
    TGroupList groups;
    data.FillGroupList(groups, false);
    std::erase_if(groups, [this](const TGroupListItem& item) { return item.object == OldGroupId; });
    SetGroupItems(cbxNewGroup, groups);
}

void TGroupMoveForm::OKClick()
{
    if (cbxNewGroup->currentIndex() < 0) {
        InfoDlg("Please select a new group.", windowTitle().toStdString(), this);
        cbxNewGroup->setFocus();
        return;
    }
    TBusyCursor busy;
    NewGroupId = ComboObject(cbxNewGroup);
    MoveGroupHosts(data, OldGroupId, NewGroupId);
    accept();
}
