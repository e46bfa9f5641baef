// TGroupPickForm: the group pick dialog's controls, its list of groups and the choice on OK or double-click.
#include "ui/GroupPick.h"

#include "core/DataUnit.h"
#include "ui/ControlUtils.h"
#include "ui/ErrorGuard.h"
#include "ui/WindowFrame.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

TGroupPickForm::TGroupPickForm(TQuillonData& d, QWidget* parent) : QDialog(parent), data(d)
{
    setObjectName("GroupPickForm");
    CentreOverMainWindow(this);
    setWindowTitle("Select A Group");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    Label1 = Named(new QLabel("Select a new group", this), "Label1");
    lbxGroups = Named(new QListWidget(this), "lbxGroups");
    lbxGroups->setSelectionMode(QAbstractItemView::SingleSelection);
    CurrentOnlyWhenSelected(lbxGroups);
    btnOK = Named(new QPushButton("OK", this), "btnOK");
    btnOK->setDefault(true);
    btnCancel = Named(new QPushButton("Cancel", this), "btnCancel");

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(10, 8, 10, 10);
    form->setSpacing(4);
    form->addWidget(Label1);
    form->addWidget(lbxGroups, 1);
    form->addSpacing(4);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    form->addLayout(buttons);
    resize(ClientWidth, ClientHeight);

    connect(btnOK, &QPushButton::clicked, this, GuardedSlot(this, &TGroupPickForm::OKClick));
    connect(lbxGroups, &QListWidget::itemDoubleClicked, this, GuardedSlot(this, &TGroupPickForm::OKClick));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, GuardedSlot(this, [this] { data.ShowHelp("badhosts.html"); }));
}

int TGroupPickForm::Pick(TQuillonData& data, QWidget* parent, const QString& prompt)
{
    TGroupPickForm form(data, parent);
    form.Label1->setText(prompt);
    return form.exec() == QDialog::Accepted ? form.GroupId : 0;
}

void TGroupPickForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar is not a new showing.
    if (!event->spontaneous())
        Guarded(this, [this] { FormShow(); });
}

void TGroupPickForm::FormShow()
{
    TGroupList groups;
    data.FillGroupList(groups, false);
    SetGroupItems(lbxGroups, groups);
    GroupId = 0;
}

void TGroupPickForm::OKClick()
{
    const int id = ListObject(lbxGroups);
    if (id < 0)
        return;
    GroupId = id;
    accept();
}
