// TGoodHostEditForm: the good host editor's controls, what it shows when adding or editing, its checks on OK.
#include "ui/GoodHostEdit.h"

#include "core/DataUnit.h"
#include "core/Messages.h"
#include "ui/ControlUtils.h"
#include "ui/ErrorGuard.h"
#include "ui/WindowFrame.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include <utility>

namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// Puts a table back on its order and its row after a look-up on the host-name
// index, however the look-up ends. The row is found again by its host name,
// which is unique in every order.
class TCursorKeeper {
public:
    explicit TCursorKeeper(TTable& t) : table(t), index(t.IndexName())
    {
        onRow = table.GetBookmark() != NoBookmark;
        if (onRow)
            hostname = table.AsString("hostname");
    }
    ~TCursorKeeper()
    {
        try {
            table.SetIndexName("hostname");
            if (onRow)
                table.FindText(hostname);
            table.SetIndexName(index);
        } catch (...) {
        }
    }
    TCursorKeeper(const TCursorKeeper&) = delete;
    TCursorKeeper& operator=(const TCursorKeeper&) = delete;

private:
    TTable& table;
    std::string index;
    std::string hostname;
    bool onRow = false;
};

}   // namespace

TGoodHostEditForm::TGoodHostEditForm(TQuillonData& d, QWidget* parent) : QDialog(parent), data(d)
{
    setObjectName("GoodHostEditForm");
    CentreOverMainWindow(this);
    setWindowTitle("Edit Good Host");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    auto* oneLine = new TOneLineValidator(this);
    auto edit = [this, oneLine](const char* name) {
        auto* e = Named(new QLineEdit(this), name);
        e->setValidator(oneLine);
        return e;
    };
    Label1 = Named(new QLabel("Hostname", this), "Label1");
    HostEdit = edit("HostEdit");
    HostEdit->setMinimumWidth(380);
    Label2 = Named(new QLabel("IP Address", this), "Label2");
    IPEdit = edit("IPEdit");
    IPEdit->setMaxLength(15);
    IPEdit->setFixedWidth(IPEdit->fontMetrics().horizontalAdvance("255.255.255.255") + 16);
    Label3 = Named(new QLabel("Comment", this), "Label3");
    CommentEdit = edit("CommentEdit");
    CommentEdit->setMaxLength(255);
    btnOK = Named(new QPushButton("OK", this), "btnOK");
    btnOK->setDefault(true);
    btnCancel = Named(new QPushButton("Cancel", this), "btnCancel");

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(10, 10, 10, 10);
    form->setSpacing(4);
    form->setSizeConstraint(QLayout::SetFixedSize);
    for (auto [label, field] :
         {std::pair<QLabel*, QLineEdit*>{Label1, HostEdit}, {Label2, IPEdit}, {Label3, CommentEdit}}) {
        label->setBuddy(field);
        form->addWidget(label);
        form->addWidget(field);
        form->addSpacing(6);
    }
    form->addSpacing(4);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    form->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, GuardedSlot(this, &TGoodHostEditForm::OKClick));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this,
            GuardedSlot(this, [this] { data.ShowHelp("goodhosts.html"); }));
}

void TGoodHostEditForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar is not a new showing.
    if (!event->spontaneous())
        Guarded(this, [this] { FormShow(); });
}

void TGoodHostEditForm::FormShow()
{
    CommentEdit->setMaxLength(255);
    if (AddMode) {
        setWindowTitle("Add Good Host");
        HostEdit->clear();
        IPEdit->clear();
        CommentEdit->clear();
    } else {
        const TTable& good = data.GoodHosts;
        HostEdit->setText(Text(good.AsString("hostname")));
        IPEdit->setText(Text(good.AsString("ip")));
        CommentEdit->setText(Text(good.AsString("comment")));
    }
    OldHostname = HostEdit->text().toStdString();
}

bool TGoodHostEditForm::GoodHostExists(const std::string& hostname)
{
    // The browser shows GoodHosts in its own order on the row being edited;
    // both come back, so that an edit stores into that row.
    TCursorKeeper keep(data.GoodHosts);
    data.GoodHosts.SetIndexName("hostname");
    return data.GoodHosts.FindText(hostname);
}

void TGoodHostEditForm::OKClick()
{
    const std::string caption = windowTitle().toStdString();
    const std::string hostname = TrimEdit(HostEdit);
    std::string message;
    if (!data.ValidateHostname(hostname, message)) {
        InfoDlg(message, caption, this);
        HostEdit->setFocus();
        return;
    }
    const std::string ip = TrimEdit(IPEdit);
    if (!TQuillonData::IsIPAddress(ip)) {
        InfoDlg("Invalid IP Address", caption, this);
        IPEdit->setFocus();
        return;
    }
    // A name changed only in letter case counts as changed and finds the host
    // itself; an unchanged name is never its own duplicate.
    if ((AddMode || hostname != OldHostname) && GoodHostExists(hostname)) {
        InfoDlg("A host of this name already exists.", caption, this);
        HostEdit->setFocus();
        return;
    }

    TTable& bad = data.BadHosts;
    bad.SetIndexName("hostname");
    bool wasBad = false;
    if (bad.FindText(hostname)) {
        const std::string question = "This host exists as a Bad Host in the \"" +
                                     data.GroupCaption(bad.AsInteger("group_id"), true) + "\" group." +
                                     MsgBreak + "Change it to a Good Host?";
        if (!ConfirmDlg(question, "Bad Host Gone Good?", this))
            return;
        wasBad = true;
    }

    TTable& good = data.GoodHosts;
    // Edit on an empty table opened with empty fields: its first row is added.
    if (AddMode || good.GetBookmark() == NoBookmark)
        good.Append();
    else
        good.Edit();
    try {
        good.SetField("hostname", hostname);
        good.SetField("ip", ip);
        good.SetField("comment", CommentEdit->text().toStdString());
        good.Post();
    } catch (...) {
        good.Cancel();
        throw;
    }
    // The bad host goes once the good host is stored, so that a refused row
    // cannot lose the name from both tables.
    if (wasBad && bad.FindText(hostname))
        bad.Delete();
    accept();
}
