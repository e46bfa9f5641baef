// TExportForm: the export dialog's controls and layout, its checks and stored options, and its runs.
#include "ui/ExportHosts.h"

#include "core/DataUnit.h"
#include "ui/ControlUtils.h"
#include "ui/ErrorGuard.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

constexpr const char* Caption = "Export Hosts";
constexpr const char* CloseCaption = "Close";
constexpr int MinimumHeight = 350;

// How the writer reports to the dialog: the status label, pending events and
// the Cancel button's flag.
class TFormProgress : public IProgress {
public:
    explicit TFormProgress(TExportForm& f) : form(f) {}

    void ShowStatus(const std::string& text) override
    {
        form.lblStatus->setText(QString::fromStdString(text));
        // The run holds the event loop, so the label must paint now.
        form.lblStatus->repaint();
    }

    void ProcessMessages() override { QCoreApplication::processEvents(); }

    bool CancelRequested() const override { return form.CancelRequested; }

private:
    TExportForm& form;
};

}   // namespace

TExportForm::TExportForm(TQuillonData& d, QWidget* parent)
    : TRunDialog(d, "export.html", TCmdAction::Export, parent)
{
    setObjectName("ExportForm");
    setWindowTitle(Caption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    CreateControls();
    ConnectHandlers();

    TGroupList groups;
    data.FillGroupList(groups, false);
    SetGroupItems(lbxGroups, groups, true);
    SelectDefaultGroups();

    if (data.Prefs().ExportHeight > 0)
        resize(width(), data.Prefs().ExportHeight);
}

void TExportForm::CreateControls()
{
    const int indent = style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                       style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    auto check = [this](const char* name, const char* text) {
        return Named(new QCheckBox(text, this), name);
    };
    auto button = [this](const char* name, const char* text) {
        return Named(new QPushButton(text, this), name);
    };

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(10, 8, 10, 8);
    form->setSpacing(4);

    form->addWidget(Named(new QLabel("Export filename", this), "Label1"));
    FileEdit = Named(new QLineEdit(this), "FileEdit");
    FileEdit->setMinimumWidth(360);
    btnFile = button("btnFile", "...");
    btnFile->setFixedSize(btnFile->fontMetrics().horizontalAdvance("...") + 16,
                          FileEdit->sizeHint().height());
    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(2);
    fileRow->addWidget(FileEdit, 1);
    fileRow->addWidget(btnFile);
    form->addLayout(fileRow);

    auto* formatRow = new QHBoxLayout;
    formatRow->setSpacing(12);
    formatRow->addWidget(Named(new QLabel("Format:", this), "Label4"));
    rbFmtHosts = Named(new QRadioButton("HOSTS", this), "rbFmtHosts");
    rbFmtPlainText = Named(new QRadioButton("Plain Text", this), "rbFmtPlainText");
    formatRow->addWidget(rbFmtHosts);
    formatRow->addWidget(rbFmtPlainText);
    formatRow->addStretch();
    form->addLayout(formatRow);

    form->addWidget(Named(new QLabel("Groups to Export", this), "Label2"));
    lbxGroups = Named(new QListWidget(this), "lbxGroups");
    btnAll = button("btnAll", "All");
    btnNone = button("btnNone", "None");
    btnReverse = button("btnReverse", "Reverse");
    btnDefault = button("btnDefault", "Default");
    btnDefault->setToolTip("Selects all but those marked as \"Exclude from HOSTS\", or [X]");
    auto* selectColumn = new QVBoxLayout;
    selectColumn->setSpacing(2);
    for (QPushButton* b : {btnAll, btnNone, btnReverse, btnDefault})
        selectColumn->addWidget(b);
    selectColumn->addStretch();
    auto* groupsRow = new QHBoxLayout;
    groupsRow->setSpacing(8);
    groupsRow->addWidget(lbxGroups, 1);
    groupsRow->addLayout(selectColumn);
    // The list takes whatever height the dialog is given beyond its minimum.
    form->addLayout(groupsRow, 1);

    cbGroups = check("cbGroups", "Export group names as comments");
    cbQuillon = check("cbQuillon", "Add Quillon-specific options, e.g. [RX]");
    cbGoodHosts = check("cbGoodHosts", "Export Good Hosts (always included in Write HOSTS)");
    cbComments = check("cbComments", "Export individual host comments");
    cbBackup = check("cbBackup", "Create a backup copy");
    cbViewFile = check("cbViewFile", "View file in text editor when finished");
    // Close together, so the minimum height leaves the group list a few lines.
    auto* options = new QVBoxLayout;
    options->setSpacing(0);
    options->addWidget(cbGroups);
    // The sub-option lines up with the text of the box it depends on.
    auto* quillonRow = new QHBoxLayout;
    quillonRow->addSpacing(indent);
    quillonRow->addWidget(cbQuillon);
    options->addLayout(quillonRow);
    for (QCheckBox* box : {cbGoodHosts, cbComments, cbBackup, cbViewFile})
        options->addWidget(box);
    form->addLayout(options);

    form->addSpacing(4);
    lblStatus = Named(new QLabel(this), "lblStatus");
    // A long status (a long group name) is cut off rather than widening the dialog.
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    btnExport = Named(new QPushButton("Export", this), "btnExport");
    btnExport->setDefault(true);
    btnRun = btnExport;
    btnClose = Named(new QPushButton(CloseCaption, this), "btnClose");
    // Wide enough for either caption, so the buttons do not move during a run.
    btnClose->setMinimumWidth(std::max(btnClose->sizeHint().width(), btnExport->sizeHint().width()));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblStatus, 1);
    bottom->addWidget(btnExport);
    bottom->addWidget(btnClose);
    form->addLayout(bottom);

    QWidget* order[] = {FileEdit,   btnFile,    rbFmtHosts, rbFmtPlainText, lbxGroups, btnAll,
                        btnNone,    btnReverse, btnDefault, cbGroups,       cbQuillon, cbGoodHosts,
                        cbComments, cbBackup,   cbViewFile, btnExport,      btnClose};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    // Fixed width; the height can grow, never below the minimum.
    form->activate();
    setFixedWidth(sizeHint().width());
    setMinimumHeight(std::max(MinimumHeight, minimumSizeHint().height()));
    resize(width(), std::max(MinimumHeight, sizeHint().height()));
}

void TExportForm::ConnectHandlers()
{
    connect(cbGroups, &QCheckBox::toggled, this, GuardedSlot(this, &TExportForm::UpdateEnabling));
    connect(btnFile, &QPushButton::clicked, this, GuardedSlot(this, &TExportForm::FileClick));
    const std::pair<QPushButton*, const char*> selectors[] = {
        {btnAll, "A"}, {btnNone, "N"}, {btnReverse, "R"}};
    for (const auto& [button, code] : selectors)
        connect(button, &QPushButton::clicked, this,
                GuardedSlot(this, [this, code = code] { CheckListSelect(lbxGroups, code); }));
    connect(btnDefault, &QPushButton::clicked, this, GuardedSlot(this, &TExportForm::SelectDefaultGroups));
    connect(btnExport, &QPushButton::clicked, this, GuardedSlot(this, &TExportForm::ExportClick));
    connect(btnClose, &QPushButton::clicked, this, GuardedSlot(this, [this] { CloseClick(); }));
}

// ---------------------------------------------------------------------------
// Showing

void TExportForm::FormShow()
{
    ShowBackupSuffix(cbBackup);
    lblStatus->clear();
    ShowOptions();
    UpdateEnabling();
}

void TExportForm::ShowOptions()
{
    const TQuillonPrefs& prefs = data.Prefs();
    if (FileEdit->text().isEmpty())
        FileEdit->setText(QString::fromStdString(prefs.ExportFile));
    (prefs.ExportFormat != 0 ? rbFmtPlainText : rbFmtHosts)->setChecked(true);
    cbGroups->setChecked(prefs.ExportGroups);
    cbQuillon->setChecked(prefs.ExportQuillon);
    cbGoodHosts->setChecked(prefs.ExportGoodHosts);
    cbComments->setChecked(prefs.ExportComments);
    cbBackup->setChecked(prefs.ExportBackup);
    cbViewFile->setChecked(prefs.ExportView);
}

void TExportForm::UpdateEnabling() { cbQuillon->setEnabled(cbGroups->isChecked()); }

// ---------------------------------------------------------------------------
// Group selection

void TExportForm::SelectDefaultGroups()
{
    const std::vector<bool> ticks = DefaultGroupTicks(data);
    for (int i = 0; i < lbxGroups->count(); ++i) {
        const bool ticked = static_cast<size_t>(i) < ticks.size() && ticks[i];
        lbxGroups->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
}

TGroupSelection TExportForm::Selection() const
{
    TGroupSelection selection;
    selection.itemCount = static_cast<size_t>(lbxGroups->count());
    for (int i = 0; i < lbxGroups->count(); ++i) {
        const QListWidgetItem* item = lbxGroups->item(i);
        if (item->checkState() == Qt::Checked)
            selection.ticked.push_back(item->data(Qt::UserRole).toInt());
    }
    return selection;
}

// ---------------------------------------------------------------------------
// Buttons and keys

QString TExportForm::SelectExportFile(const QString& current)
{
    QFileDialog dialog(this);
    dialog.setNameFilters({"Text files (*.txt)", "All files (*)"});
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    return ChooseFile(dialog, current);
}

void TExportForm::FileClick()
{
    const QString file = SelectExportFile(FileEdit->text());
    if (!file.isEmpty())
        FileEdit->setText(file);
}

void TExportForm::ExportClick()
{
    FileEdit->setText(FileEdit->text().trimmed());
    if (FileEdit->text().isEmpty()) {
        InfoDlg("Please select an export file", Caption, this);
        FileEdit->setFocus();
        return;
    }
    if (Selection().ticked.empty()) {
        InfoDlg("Please select at least one group to export", Caption, this);
        lbxGroups->setFocus();
        return;
    }
    StoreControls();
    data.Prefs().SavePrefs();

    TRunningState state(*this);
    DoExport();
}

void TExportForm::StoreControls()
{
    TQuillonPrefs& prefs = data.Prefs();
    prefs.ExportFile = FileEdit->text().toStdString();
    prefs.ExportFormat = rbFmtHosts->isChecked() ? 0 : 1;
    prefs.ExportGroups = cbGroups->isChecked();
    // Without headings there is nothing to carry the flags, whatever the disabled box shows.
    prefs.ExportQuillon = cbGroups->isChecked() && cbQuillon->isChecked();
    prefs.ExportGoodHosts = cbGoodHosts->isChecked();
    prefs.ExportComments = cbComments->isChecked();
    prefs.ExportBackup = cbBackup->isChecked();
    prefs.ExportView = cbViewFile->isChecked();
    prefs.ExportHeight = height();
}

// ---------------------------------------------------------------------------
// Runs

bool TExportForm::DoExport() { return Export(ExportOptionsFrom(data.Prefs(), Selection())); }

bool TExportForm::Export(const TExportOptions& options)
{
    CancelRequested = false;
    TFormProgress progress(*this);
    return THostsWriter(data, progress, this).DoExport(options).completed;
}

std::function<void()> TExportForm::PrepareCommand(const TCmdCommand& command)
{
    if (command.allGroups)
        CheckListSelect(lbxGroups, "A");
    const TExportOptions options = CommandExportOptions(data.Prefs(), command, Selection());
    (options.plainText ? rbFmtPlainText : rbFmtHosts)->setChecked(true);
    cbViewFile->setChecked(false);
    FileEdit->setText(QString::fromStdString(options.file));
    return [this, options] { Export(options); };
}
