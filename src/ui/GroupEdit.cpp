// TGroupEditForm: the group editor's controls, what it shows for a new or existing group, its checks on OK.
#include "ui/GroupEdit.h"

#include "core/DataUnit.h"
#include "core/GroupOps.h"
#include "ui/ControlUtils.h"
#include "ui/ErrorGuard.h"
#include "ui/WindowFrame.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

// Characters with codes 0 to 32 are trimmed away.
QString Trim(const QString& s)
{
    qsizetype a = 0, b = s.size();
    while (a < b && s[a].unicode() <= 32)
        ++a;
    while (b > a && s[b - 1].unicode() <= 32)
        --b;
    return s.mid(a, b - a);
}

}   // namespace

TGroupEditForm::TGroupEditForm(TQuillonData& d, QWidget* parent) : QDialog(parent), data(d)
{
    setObjectName("GroupEditForm");
    CentreOverMainWindow(this);
    setWindowTitle("Edit Group");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    Label1 = Named(new QLabel("Group Name", this), "Label1");
    NameEdit = Named(new QLineEdit(this), "NameEdit");
    NameEdit->setMinimumWidth(300);
    cbRestricted = Named(new QCheckBox("&Restricted Zone", this), "cbRestricted");
    cbExclude = Named(new QCheckBox("E&xclude from HOSTS file", this), "cbExclude");
    btnOK = Named(new QPushButton("OK", this), "btnOK");
    btnOK->setDefault(true);
    btnCancel = Named(new QPushButton("Cancel", this), "btnCancel");

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(10, 10, 10, 10);
    form->setSpacing(4);
    form->setSizeConstraint(QLayout::SetFixedSize);
    form->addWidget(Label1);
    form->addWidget(NameEdit);
    form->addSpacing(6);
    auto* flags = new QHBoxLayout;
    flags->setSpacing(16);
    flags->addWidget(cbRestricted);
    flags->addWidget(cbExclude);
    flags->addStretch();
    form->addLayout(flags);
    form->addSpacing(10);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    form->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, GuardedSlot(this, &TGroupEditForm::OKClick));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, GuardedSlot(this, [this] { data.ShowHelp("groups.html"); }));
}

void TGroupEditForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar is not a new showing.
    if (!event->spontaneous())
        Guarded(this, [this] { FormShow(); });
}

void TGroupEditForm::FormShow()
{
    NameEdit->setMaxLength(255);
    TTable& groups = data.Groups;
    groups.SetIndexName("group_id");
    if (GroupId > 0 && groups.FindKey({GroupId})) {
        NameEdit->setText(QString::fromStdString(std::string(groups.AsString("group_name"))));
        cbRestricted->setChecked(groups.AsBoolean("restricted"));
        cbExclude->setChecked(groups.AsBoolean("exclude"));
        setWindowTitle("Edit Group " + QString::number(GroupId));
    } else {
        GroupId = 0;
        setWindowTitle("Add Group");
        NameEdit->clear();
        cbRestricted->setChecked(data.Prefs().RestrictedDefault);
        cbExclude->setChecked(false);
    }
}

void TGroupEditForm::OKClick()
{
    const QString trimmed = Trim(NameEdit->text());
    if (trimmed != NameEdit->text())
        NameEdit->setText(trimmed);
    const std::string name = trimmed.toStdString();
    const std::string caption = windowTitle().toStdString();
    if (name.empty()) {
        InfoDlg("Group Name is required", caption, this);
        NameEdit->setFocus();
        return;
    }
    // The same name in other letter case is the group's own name, or another's.
    const int owner = GroupIdOfName(data, name);
    if (owner != 0 && owner != GroupId) {
        InfoDlg("A group with this name already exists.", caption, this);
        NameEdit->setFocus();
        return;
    }
    if (GroupId < 1)
        GroupId = data.AddGroup(name, cbRestricted->isChecked(), cbExclude->isChecked());
    else
        UpdateGroup(data, GroupId, name, cbRestricted->isChecked(), cbExclude->isChecked());
    accept();
}
