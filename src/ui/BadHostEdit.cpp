// TBadHostEditForm: the bad host editor's controls, what it shows in each mode, and its checks and save on OK.
#include "ui/BadHostEdit.h"

#include "core/DataUnit.h"
#include "ui/ControlUtils.h"
#include "ui/ErrorGuard.h"
#include "ui/WindowFrame.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int CommentLength = 255;

// The comment field holds 255 bytes of UTF-8, so 255 characters outside ASCII
// would be cut inside a character when stored. The edit cuts its text at a
// character boundary instead, and shows exactly what will be stored.
class TCommentValidator : public TOneLineValidator {
public:
    using TOneLineValidator::TOneLineValidator;

    State validate(QString& input, int& pos) const override
    {
        TOneLineValidator::validate(input, pos);
        qsizetype bytes = 0, i = 0;
        while (i < input.size()) {
            const char16_t c = input[i].unicode();
            const bool pair =
                QChar::isHighSurrogate(c) && i + 1 < input.size() && input[i + 1].isLowSurrogate();
            const int size = pair ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
            if (bytes + size > CommentLength)
                break;
            bytes += size;
            i += pair ? 2 : 1;
        }
        if (i < input.size()) {
            input.truncate(i);
            pos = std::min(pos, int(i));
        }
        return Acceptable;
    }
};

// Stores the row being edited; a refused row leaves the table in browse mode.
void PostOrCancel(TTable& table)
{
    try {
        table.Post();
    } catch (...) {
        table.Cancel();
        throw;
    }
}

// The duplicate check borrows the shared cursor of BadHosts: this puts back
// the index and a current row, found again by host name, however the check ends.
class TCursorKeeper {
public:
    explicit TCursorKeeper(TTable& t) : table(t), index(t.IndexName()), filtered(t.Filtered())
    {
        if (table.GetBookmark() != NoBookmark)
            remembered = std::string(table.AsString("hostname"));
        returnTo = remembered;
    }
    ~TCursorKeeper()
    {
        try {
            table.SetFiltered(filtered);
            table.SetIndexName(index);
            // A row moved out of the filtered view cannot be the current row.
            for (const std::string& name : {returnTo, remembered})
                if (!name.empty() && table.Locate("hostname", TValue(name), true))
                    return;
        } catch (...) {
        }
    }
    TCursorKeeper(const TCursorKeeper&) = delete;
    TCursorKeeper& operator=(const TCursorKeeper&) = delete;

    // The host name of the row to return to.
    std::string returnTo;

private:
    TTable& table;
    std::string index;
    bool filtered;
    std::string remembered;
};

}   // namespace

TBadHostEditForm::TBadHostEditForm(TQuillonData& d, QWidget* parent) : QDialog(parent), data(d)
{
    setObjectName("BadHostEditForm");
    CentreOverMainWindow(this);
    setWindowTitle("Edit Bad Host");
    // Fixed dialog border: title and close button only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    Label1 = Named(new QLabel("Group", this), "Label1");
    cbxGroup = Named(new QComboBox(this), "cbxGroup");
    Label2 = Named(new QLabel("Hostname", this), "Label2");
    HostEdit = Named(new QLineEdit(this), "HostEdit");
    Label3 = Named(new QLabel("Comment", this), "Label3");
    CommentEdit = Named(new QLineEdit(this), "CommentEdit");
    btnOK = Named(new QPushButton("OK", this), "btnOK");
    btnOK->setDefault(true);
    btnCancel = Named(new QPushButton("Cancel", this), "btnCancel");

    Label1->setBuddy(cbxGroup);
    Label2->setBuddy(HostEdit);
    Label3->setBuddy(CommentEdit);
    // The values become single lines of the table and the HOSTS file.
    HostEdit->setValidator(new TOneLineValidator(HostEdit));
    CommentEdit->setValidator(new TCommentValidator(CommentEdit));
    HostEdit->setMinimumWidth(300);

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(10, 10, 10, 10);
    form->setSpacing(4);
    form->setSizeConstraint(QLayout::SetFixedSize);
    form->addWidget(Label1);
    form->addWidget(cbxGroup);
    form->addSpacing(6);
    form->addWidget(Label2);
    form->addWidget(HostEdit);
    form->addSpacing(6);
    form->addWidget(Label3);
    form->addWidget(CommentEdit);
    form->addSpacing(10);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    form->addLayout(buttons);

    setTabOrder(cbxGroup, HostEdit);
    setTabOrder(HostEdit, CommentEdit);
    setTabOrder(CommentEdit, btnOK);
    setTabOrder(btnOK, btnCancel);

    connect(btnOK, &QPushButton::clicked, this, GuardedSlot(this, &TBadHostEditForm::OKClick));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, GuardedSlot(this, [this] { data.ShowHelp("badhosts.html"); }));
}

void TBadHostEditForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar is not a new showing.
    if (!event->spontaneous())
        Guarded(this, [this] { FormShow(); });
}

void TBadHostEditForm::FormShow()
{
    CommentEdit->setMaxLength(CommentLength);
    TGroupList groups;
    data.FillGroupList(groups, Mode == TBadHostEditMode::Select);
    SetGroupItems(cbxGroup, groups);
    editRow = NoBookmark;
    switch (Mode) {
    case TBadHostEditMode::Select:
        setWindowTitle("Select Hosts");
        break;
    case TBadHostEditMode::Add:
        setWindowTitle("Add Bad Host");
        cbxGroup->setCurrentIndex(cbxGroup->findData(data.Prefs().LastGroup));
        break;
    case TBadHostEditMode::Edit: {
        TTable& bad = data.BadHosts;
        editRow = bad.GetBookmark();
        if (editRow == NoBookmark)
            break;
        HostEdit->setText(QString::fromStdString(std::string(bad.AsString("hostname"))));
        CommentEdit->setText(QString::fromStdString(std::string(bad.AsString("comment"))));
        cbxGroup->setCurrentIndex(cbxGroup->findData(bad.AsInteger("group_id")));
        break;
    }
    }
    InitialHostname = HostEdit->text().toStdString();
}

void TBadHostEditForm::OKClick()
{
    const QString trimmed = Trimmed(HostEdit->text());
    if (trimmed != HostEdit->text())
        HostEdit->setText(trimmed);
    if (Mode == TBadHostEditMode::Select) {
        accept();
        return;
    }

    const std::string hostname = trimmed.toStdString();
    const std::string caption = windowTitle().toStdString();
    std::string message;
    if (!data.ValidateHostname(hostname, message)) {
        InfoDlg(message, caption, this);
        HostEdit->setFocus();
        return;
    }
    if (cbxGroup->currentIndex() < 0) {
        InfoDlg("Please select a group", caption, this);
        cbxGroup->setFocus();
        return;
    }
    const int groupId = ComboObject(cbxGroup);

    const bool unchanged = Mode == TBadHostEditMode::Edit && hostname == InitialHostname;
    if (!unchanged && DuplicateCheck(hostname, groupId)) {
        HostEdit->setFocus();
        return;
    }

    TTable& good = data.GoodHosts;
    good.SetIndexName("hostname");
    TBookmark goodHost = NoBookmark;
    if (good.FindKey({hostname})) {
        const std::string text = "This host is listed as a Good Host with the IP address " +
                                 std::string(good.AsString("ip")) + "!" + MsgBreak +
                                 "Do you want to change it to a Bad Host?";
        if (!ConfirmDlg(text, "Good Host Gone Bad?", this)) {
            HostEdit->setFocus();
            return;
        }
        goodHost = good.GetBookmark();
    }

    Save(hostname, groupId, goodHost);
    accept();
}

// True when the name is taken, whatever was answered: the editor then stays open.
bool TBadHostEditForm::DuplicateCheck(const std::string& hostname, int groupId)
{
    TTable& bad = data.BadHosts;
    TCursorKeeper keep(bad);
    // A browser opened from a search filters the table; a host outside the
    // search is a duplicate all the same (and would refuse the post).
    bad.SetFiltered(false);
    bad.SetIndexName("hostname");
    if (!bad.FindKey({hostname}))
        return false;
    const int foundGroup = bad.AsInteger("group_id");
    if (foundGroup == groupId) {
        InfoDlg("This host already exists in this group.", "Duplicate Host", this);
        return true;
    }
    const std::string text = "This host already exists, but in the \"" + data.GroupCaption(foundGroup, true) +
                             "\" group." + MsgBreak + "Change the group assignment to \"" +
                             data.GroupCaption(groupId, true) + "\"?";
    if (ConfirmDlg(text, "Existing Host, Different Group", this)) {
        const std::string foundName(bad.AsString("hostname"));
        bad.Edit();
        bad.SetField("group_id", groupId);
        PostOrCancel(bad);
        keep.returnTo = foundName;
    }
    return true;
}

void TBadHostEditForm::Save(const std::string& hostname, int groupId, TBookmark goodHost)
{
    TTable& bad = data.BadHosts;
    if (Mode == TBadHostEditMode::Edit && editRow != NoBookmark && bad.BookmarkValid(editRow)) {
        bad.GotoBookmark(editRow);
        bad.Edit();
    } else {
        bad.Append();
    }
    bad.SetField("hostname", hostname);
    bad.SetField("group_id", groupId);
    bad.SetField("comment", CommentEdit->text().toStdString());
    PostOrCancel(bad);
    // The good host goes only once its name is safely a bad host: a refused
    // row must not cost the user both.
    TTable& good = data.GoodHosts;
    if (goodHost != NoBookmark && good.BookmarkValid(goodHost)) {
        good.GotoBookmark(goodHost);
        good.Delete();
    }
}
