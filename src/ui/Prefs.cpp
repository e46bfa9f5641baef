// TPrefsForm: the preferences dialog's controls and layout, its file dialogs, checks on OK and the window-state erase.
#include "ui/Prefs.h"

#include "core/DataUnit.h"
#include "core/Messages.h"
#include "ui/ControlUtils.h"
#include "ui/ErrorGuard.h"
#include "ui/WindowFrame.h"
#include "ui/WindowState.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <iterator>
#include <string>

namespace {

constexpr const char* Caption = "Preferences";
constexpr const char* DefaultHostsIP = "127.0.0.1";
constexpr const char* DefaultTextComment = "**";

// The entries of the "..." buttons' file dialogs. Programs carry no
// extension outside Windows, so there the first entry lists every file.
#ifdef Q_OS_WIN
const QStringList FileFilters = {"Executable files (*.exe)", "All files (*)"};
#else
const QStringList FileFilters = {"Executable files (*)", "All files (*)"};
#endif
constexpr int ExecutableFilter = 0;
constexpr int AllFilesFilter = 1;

}   // namespace

TPrefsForm::TPrefsForm(TQuillonData& d, QWidget* parent) : QDialog(parent), data(d)
{
    setObjectName("PrefsForm");
    CentreOverMainWindow(this);
    setWindowTitle(Caption);
    // Fixed dialog border: title and close button only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    CreateControls();
    ConnectHandlers();
    ShowPrefs();
}

void TPrefsForm::CreateControls()
{
    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(10, 10, 10, 10);
    form->setSpacing(4);
    form->setSizeConstraint(QLayout::SetFixedSize);

    auto* oneLine = new TOneLineValidator(this);
    auto edit = [this, oneLine](const char* name) {
        auto* e = Named(new QLineEdit(this), name);
        e->setValidator(oneLine);
        return e;
    };
    auto fileButton = [this](const char* name, const QLineEdit* beside) {
        auto* b = Named(new QPushButton("...", this), name);
        b->setAutoDefault(false);
        b->setFixedSize(b->fontMetrics().horizontalAdvance("...") + 16, beside->sizeHint().height());
        return b;
    };
    auto fileRow = [form](QLineEdit* e, QPushButton* b) {
        auto* row = new QHBoxLayout;
        row->setSpacing(2);
        row->addWidget(e, 1);
        row->addWidget(b);
        form->addLayout(row);
    };
    // Narrow edits keep their width; the layout would stretch them otherwise.
    auto narrow = [form](QLineEdit* e, const QString& room) {
        e->setFixedWidth(e->fontMetrics().horizontalAdvance(room) + 16);
        form->addWidget(e, 0, Qt::AlignLeft);
    };
    auto label = [this, form](const char* name, const char* text, bool gap = true) {
        if (gap)
            form->addSpacing(4);
        form->addWidget(Named(new QLabel(text, this), name));
    };

    label("lblHosts", "HOSTS file", false);
    HostsEdit = edit("HostsEdit");
    HostsEdit->setMinimumWidth(360);
    btnHosts = fileButton("btnHosts", HostsEdit);
    fileRow(HostsEdit, btnHosts);

    label("lblIP", "Bad Hosts IP address");
    IPEdit = edit("IPEdit");
    narrow(IPEdit, "255.255.255.255");

    label("lblEditor", "Text Editor");
    EditorEdit = edit("EditorEdit");
    btnEditor = fileButton("btnEditor", EditorEdit);
    fileRow(EditorEdit, btnEditor);

    label("lblAction", "Action to perform after Write HOSTS");
    ActionEdit = edit("ActionEdit");
    ActionEdit->setToolTip("%hosts% will be replaced with the actual HOSTS filename");
    form->addWidget(ActionEdit);

    label("lblTextComment", "Plain Text Comment Indicator");
    TextCommentEdit = edit("TextCommentEdit");
    narrow(TextCommentEdit, "#####");

    form->addSpacing(8);
    auto check = [this, form](const char* name, const char* text) {
        auto* box = Named(new QCheckBox(text, this), name);
        form->addWidget(box);
        return box;
    };
    cbRestricted = check("cbRestricted", "New groups default to the Restricted Zone");
    cbWriteHosts = check("cbWriteHosts", "Write HOSTS after adding a new host from the main window");
    cbClearEntry = check("cbClearEntry", "Clear main screen edits after adding a new host");
    cbSaveWindows = check("cbSaveWindows", "Remember window states");

    form->addSpacing(10);
    btnDeleteState = Named(new QPushButton("Delete saved window states", this), "btnDeleteState");
    btnDeleteState->setAutoDefault(false);
    btnOK = Named(new QPushButton("OK", this), "btnOK");
    btnOK->setDefault(true);
    btnCancel = Named(new QPushButton("Cancel", this), "btnCancel");
    btnCancel->setAutoDefault(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(btnDeleteState);
    bottom->addStretch();
    bottom->addWidget(btnOK);
    bottom->addWidget(btnCancel);
    form->addLayout(bottom);

    QWidget* order[] = {HostsEdit,     btnHosts,        IPEdit,       EditorEdit,   btnEditor,
                        ActionEdit,    TextCommentEdit, cbRestricted, cbWriteHosts, cbClearEntry,
                        cbSaveWindows, btnDeleteState,  btnOK,        btnCancel};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TPrefsForm::ConnectHandlers()
{
    connect(btnHosts, &QPushButton::clicked, this,
            GuardedSlot(this, [this] { SelectFile(HostsEdit, "Select HOSTS File", AllFilesFilter); }));
    connect(btnEditor, &QPushButton::clicked, this,
            GuardedSlot(this, [this] { SelectFile(EditorEdit, "Select Text Editor", ExecutableFilter); }));
    connect(btnDeleteState, &QPushButton::clicked, this, GuardedSlot(this, &TPrefsForm::DeleteStateClick));
    connect(btnOK, &QPushButton::clicked, this, GuardedSlot(this, &TPrefsForm::OKClick));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, GuardedSlot(this, [this] { data.ShowHelp("prefs.html"); }));
}

void TPrefsForm::ShowPrefs()
{
    const TQuillonPrefs& prefs = data.Prefs();
    HostsEdit->setText(QString::fromStdString(prefs.HostsFile));
    IPEdit->setText(QString::fromStdString(prefs.HostsIP));
    EditorEdit->setText(QString::fromStdString(prefs.TextEditor));
    ActionEdit->setText(QString::fromStdString(prefs.WriteAction));
    TextCommentEdit->setText(QString::fromStdString(prefs.TextComment));
    cbRestricted->setChecked(prefs.RestrictedDefault);
    cbWriteHosts->setChecked(prefs.WriteHostsAfterAdd);
    cbClearEntry->setChecked(prefs.ClearEntryAfterAdd);
    cbSaveWindows->setChecked(prefs.SaveWindows);
}

// ---------------------------------------------------------------------------
// Buttons

bool TPrefsForm::ExecFileDialog(QFileDialog& dialog) { return dialog.exec() == QDialog::Accepted; }

void TPrefsForm::SelectFile(QLineEdit* edit, const char* title, int filter)
{
    QFileDialog dialog(this, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A HOSTS file that is not there yet may still be named.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(FileFilters);
    dialog.selectNameFilter(FileFilters[filter]);
    const QString current = edit->text();
    if (!current.isEmpty()) {
        const QFileInfo info(current);
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (!ExecFileDialog(dialog) || dialog.selectedFiles().isEmpty())
        return;
    edit->setText(dialog.selectedFiles().constFirst());
}

void TPrefsForm::DeleteStateClick()
{
    DeleteWindowStates(data.IniFileName());
    InfoDlg("Window settings deleted.", Caption, this);
}

void TPrefsForm::OKClick()
{
    // The checks stop at the first failure; what they trimmed or filled in stays in the edits.
    const std::string hostsFile = TrimEdit(HostsEdit);
    if (hostsFile.empty()) {
        InfoDlg("HOSTS file name is required.", Caption, this);
        HostsEdit->setFocus();
        return;
    }
    if (TrimEdit(IPEdit).empty())
        IPEdit->setText(DefaultHostsIP);
    const std::string hostsIP = IPEdit->text().toStdString();
    if (!TQuillonData::IsIPAddress(hostsIP)) {
        InfoDlg("Invalid IP address", Caption, this);
        IPEdit->setFocus();
        return;
    }
    const std::string textEditor = TrimEdit(EditorEdit);
    if (textEditor.empty()) {
        InfoDlg("Text editor name is required.", Caption, this);
        EditorEdit->setFocus();
        return;
    }
    if (TrimEdit(TextCommentEdit).empty())
        TextCommentEdit->setText(DefaultTextComment);

    TQuillonPrefs& prefs = data.Prefs();
    // A file that cannot be written leaves the dialog open; the preferences
    // in use must then still be the ones on disk, or Cancel would keep
    // changes that a later save writes after all.
    const TQuillonPrefs before = prefs;
    prefs.HostsFile = hostsFile;
    prefs.HostsIP = hostsIP;
    prefs.TextEditor = textEditor;
    prefs.WriteAction = Trimmed(ActionEdit->text()).toStdString();
    prefs.TextComment = TextCommentEdit->text().toStdString();
    prefs.RestrictedDefault = cbRestricted->isChecked();
    prefs.WriteHostsAfterAdd = cbWriteHosts->isChecked();
    prefs.ClearEntryAfterAdd = cbClearEntry->isChecked();
    prefs.SaveWindows = cbSaveWindows->isChecked();
    try {
        prefs.SavePrefs();
    } catch (...) {
        prefs = before;
        throw;
    }
    accept();
}
