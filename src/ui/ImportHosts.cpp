// TImportForm: the import dialog's controls and layout, its checks and stored options, and its runs.
#include "ui/ImportHosts.h"

#include "core/DataUnit.h"
#include "hostsfile/HostsWriter.h"
#include "platform/Platform.h"
#include "ui/ControlUtils.h"
#include "ui/ErrorGuard.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr const char* Caption = "Import Hosts";
constexpr const char* CloseCaption = "Close";

// Painting every counter change of a fast run would cost more than the
// import itself; about 30 pictures a second look live.
constexpr qint64 CounterRefreshMs = 33;
constexpr int ProgressSteps = 1000;

}   // namespace

// How the run reports to the dialog.
class TImportForm::TProgress : public IProgress {
public:
    explicit TProgress(TImportForm& f) : form(f) {}

    const TImportRun* run = nullptr;

    void ShowStatus(const std::string& text) override
    {
        form.lblStatus->setText(QString::fromStdString(text));
        // The run holds the event loop, so the label must paint now.
        form.lblStatus->repaint();
    }

    void SetStatusText(const std::string& text) override
    {
        form.lblStatus->setText(QString::fromStdString(text));
    }

    void UpdateCounters() override { Refresh(); }

    void ProcessMessages() override
    {
        // Stretches without outcomes (comments, blank lines) still move the bar.
        Refresh();
        QCoreApplication::processEvents();
    }

    bool CancelRequested() const override { return form.CancelRequested; }

private:
    TImportForm& form;
    QElapsedTimer lastShown;

    void Refresh()
    {
        if (!run || (lastShown.isValid() && lastShown.elapsed() < CounterRefreshMs))
            return;
        form.ShowCounters(*run, false);
        lastShown.start();
    }
};

TImportForm::TImportForm(TQuillonData& d, QWidget* parent)
    : TRunDialog(d, "import.html", TCmdAction::Import, parent)
{
    setObjectName("ImportForm");
    setWindowTitle(Caption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    CreateControls();
    ConnectHandlers();
    RefuseAltKeys();
}

TImportForm::~TImportForm() = default;

void TImportForm::CreateControls()
{
    const int indent = style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                       style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    auto check = [this](const char* name, const char* text) {
        return Named(new QCheckBox(text, this), name);
    };
    auto radio = [](QWidget* parent, const char* name, const char* text) {
        return Named(new QRadioButton(text, parent), name);
    };
    // Sub-options line up with the text of the box they depend on.
    auto indented = [indent](QWidget* w) {
        auto* row = new QHBoxLayout;
        row->addSpacing(indent);
        row->addWidget(w);
        return row;
    };

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(10, 10, 10, 10);
    form->setSpacing(4);
    form->setSizeConstraint(QLayout::SetFixedSize);

    form->addWidget(Named(new QLabel("File to Import", this), "lblFile"));
    FileEdit = Named(new QLineEdit(this), "FileEdit");
    FileEdit->setMinimumWidth(360);
    btnFile = Named(new QPushButton("...", this), "btnFile");
    btnFile->setAutoDefault(false);
    btnFile->setFixedSize(btnFile->fontMetrics().horizontalAdvance("...") + 16,
                          FileEdit->sizeHint().height());
    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(2);
    fileRow->addWidget(FileEdit, 1);
    fileRow->addWidget(btnFile);
    form->addLayout(fileRow);

    form->addSpacing(4);
    FormatPanel = Named(new QWidget(this), "FormatPanel");
    auto* formatRow = new QHBoxLayout(FormatPanel);
    formatRow->setContentsMargins(0, 0, 0, 0);
    formatRow->setSpacing(12);
    formatRow->addWidget(Named(new QLabel("Format:", FormatPanel), "lblFormat"));
    rbFmtHosts = radio(FormatPanel, "rbFmtHosts", "HOSTS");
    rbFmtPlainText = radio(FormatPanel, "rbFmtPlainText", "Plain Text");
    formatRow->addWidget(rbFmtHosts);
    formatRow->addWidget(rbFmtPlainText);
    formatRow->addStretch();
    form->addWidget(FormatPanel);

    form->addSpacing(4);
    form->addWidget(Named(new QLabel("Default Group", this), "lblDefaultGroup"));
    cbxDefaultGroup = Named(new QComboBox(this), "cbxDefaultGroup");
    cbxDefaultGroup->setEditable(false);
    cbxDefaultGroup->setMaxVisibleItems(20);
    form->addWidget(cbxDefaultGroup);

    // The group options are a set of their own, apart from the format buttons.
    auto* groupOptions = new QWidget(this);
    auto* groupColumn = new QVBoxLayout(groupOptions);
    groupColumn->setContentsMargins(0, 4, 0, 0);
    groupColumn->setSpacing(form->spacing());
    rbCreateNew =
        radio(groupOptions, "rbCreateNew", "Create new groups as needed from comments in the import file");
    rbDefaultNew = radio(groupOptions, "rbDefaultNew", "Assign unrecognized/new groups to the default group");
    rbDefaultAll = radio(groupOptions, "rbDefaultAll", "Assign ALL imported hosts to the default group");
    for (QRadioButton* r : {rbCreateNew, rbDefaultNew, rbDefaultAll})
        groupColumn->addWidget(r);
    form->addWidget(groupOptions);

    form->addSpacing(4);
    cbAllowUpdate = check("cbAllowUpdate", "Allow the import to change an existing host's group assignment");
    cbGoodHosts = check("cbGoodHosts", "Add hosts with normal IP addresses to the Good Hosts list");
    cbUpdateGoodHosts = check("cbUpdateGoodHosts", "Allow IP address updates to existing Good Hosts");
    cbSwapType = check("cbSwapType", "Allow hosts to be moved between Good and Bad");
    cbGroupCleanup = check("cbGroupCleanup", "Delete unused groups after import (Group Cleanup)");
    cbImportReport = check("cbImportReport", "Create and view an Import Report");
    cbReportNew = check("cbReportNew", "New");
    cbReportDupes = check("cbReportDupes", "Duplicates");
    cbReportUpdates = check("cbReportUpdates", "Updates");
    cbImportWrite = check("cbImportWrite", "Write HOSTS after import");

    form->addWidget(cbAllowUpdate);
    form->addWidget(cbGoodHosts);
    form->addLayout(indented(cbUpdateGoodHosts));
    form->addLayout(indented(cbSwapType));
    form->addWidget(cbGroupCleanup);
    form->addWidget(cbImportReport);
    auto* includeRow = new QHBoxLayout;
    includeRow->setSpacing(12);
    includeRow->addSpacing(indent);
    includeRow->addWidget(Named(new QLabel("Include:", this), "lblInclude"));
    includeRow->addWidget(cbReportNew);
    includeRow->addWidget(cbReportDupes);
    includeRow->addWidget(cbReportUpdates);
    includeRow->addStretch();
    form->addLayout(includeRow);
    form->addWidget(cbImportWrite);

    form->addSpacing(4);
    auto* divider = Named(new QFrame(this), "Divider");
    divider->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    form->addWidget(divider);
    form->addSpacing(2);

    // Counters and progress bar share one panel, so one repaint shows them all.
    CounterPanel = Named(new QWidget(this), "CounterPanel");
    auto* grid = new QGridLayout(CounterPanel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    const char* columnNames[] = {"lblNew", "lblDuplicates", "lblUpdates"};
    const char* columnTitles[] = {"New", "Duplicates", "Updates"};
    const char* rowNames[] = {"lblGroups", "lblBadHosts", "lblGoodHosts"};
    const char* rowTitles[] = {"Groups", "Bad Hosts", "Good Hosts"};
    const char* counterNames[3][3] = {
        {"stNG", "stDG", "stUG"}, {"stNB", "stDB", "stUB"}, {"stNH", "stDH", "stUH"}};
    QLabel** fields[3][3] = {{&stNG, &stDG, &stUG}, {&stNB, &stDB, &stUB}, {&stNH, &stDH, &stUH}};
    // Room for a count in the millions, with its sign.
    const int counterWidth = fontMetrics().horizontalAdvance("-0000000") + 16;
    for (int column = 0; column < 3; ++column) {
        auto* title = Named(new QLabel(columnTitles[column], CounterPanel), columnNames[column]);
        grid->addWidget(title, 0, column + 1, Qt::AlignHCenter | Qt::AlignBottom);
        grid->setColumnStretch(column + 1, 1);
    }
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(Named(new QLabel(rowTitles[row], CounterPanel), rowNames[row]), row + 1, 0);
        for (int column = 0; column < 3; ++column) {
            auto* counter = Named(new QLabel("0", CounterPanel), counterNames[row][column]);
            counter->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            counter->setAlignment(Qt::AlignCenter);
            counter->setMinimumSize(counterWidth, counter->sizeHint().height() + 4);
            grid->addWidget(counter, row + 1, column + 1);
            counters[row][column] = *fields[row][column] = counter;
        }
    }
    // How much of the input file has been read.
    pbProgress = Named(new QProgressBar(CounterPanel), "pbProgress");
    pbProgress->setRange(0, ProgressSteps);
    pbProgress->setValue(0);
    pbProgress->setMaximumHeight(fontMetrics().height() + 2);
    grid->addWidget(pbProgress, 4, 0, 1, 4);
    grid->setRowMinimumHeight(4, pbProgress->maximumHeight() + 6);
    form->addWidget(CounterPanel);

    form->addSpacing(6);
    lblStatus = Named(new QLabel(this), "lblStatus");
    btnImport = Named(new QPushButton("Import", this), "btnImport");
    btnImport->setDefault(true);
    btnRun = btnImport;
    btnClose = Named(new QPushButton(CloseCaption, this), "btnClose");
    // Wide enough for either caption, so the buttons do not move during a run.
    btnClose->setMinimumWidth(std::max(btnClose->sizeHint().width(), btnImport->sizeHint().width()));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblStatus, 1);
    bottom->addWidget(btnImport);
    bottom->addWidget(btnClose);
    form->addLayout(bottom);

    QWidget* order[] = {FileEdit,          btnFile,         rbFmtHosts,     rbFmtPlainText, cbxDefaultGroup,
                        rbCreateNew,       rbDefaultNew,    rbDefaultAll,   cbAllowUpdate,  cbGoodHosts,
                        cbUpdateGoodHosts, cbSwapType,      cbGroupCleanup, cbImportReport, cbReportNew,
                        cbReportDupes,     cbReportUpdates, cbImportWrite,  btnImport,      btnClose};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TImportForm::ConnectHandlers()
{
    connect(cbGoodHosts, &QCheckBox::toggled, this, GuardedSlot(this, &TImportForm::UpdateEnabling));
    connect(cbImportReport, &QCheckBox::toggled, this, GuardedSlot(this, &TImportForm::UpdateEnabling));
    connect(btnFile, &QPushButton::clicked, this, GuardedSlot(this, &TImportForm::FileClick));
    connect(btnImport, &QPushButton::clicked, this, GuardedSlot(this, &TImportForm::ImportClick));
    connect(btnClose, &QPushButton::clicked, this, GuardedSlot(this, [this] { CloseClick(); }));
}

// ---------------------------------------------------------------------------
// Showing

void TImportForm::FormShow()
{
    const TQuillonPrefs& prefs = data.Prefs();
    // A caller may have chosen the file already (the first-run prompt).
    if (FileEdit->text().isEmpty())
        FileEdit->setText(QString::fromStdString(prefs.ImportFile));
    (prefs.ImportFormat == 1 ? rbFmtPlainText : rbFmtHosts)->setChecked(true);
    FillDefaultGroups();

    // An option the program does not know falls back to the first one.
    QRadioButton* option = rbCreateNew;
    if (prefs.ImportGroupOption == 1)
        option = rbDefaultNew;
    else if (prefs.ImportGroupOption == 2)
        option = rbDefaultAll;
    option->setChecked(true);

    cbAllowUpdate->setChecked(prefs.ImportUpdates);
    cbGoodHosts->setChecked(prefs.ImportGoodHosts);
    cbUpdateGoodHosts->setChecked(prefs.UpdateGoodHosts);
    cbSwapType->setChecked(prefs.ImportSwapHosts);
    cbGroupCleanup->setChecked(prefs.ImportCleanup);
    cbImportReport->setChecked(prefs.ImportReport);
    cbReportNew->setChecked(prefs.ReportNew);
    cbReportDupes->setChecked(prefs.ReportDupes);
    cbReportUpdates->setChecked(prefs.ReportUpdates);
    cbImportWrite->setChecked(prefs.ImportWrite);
    lblStatus->clear();
    UpdateEnabling();
}

void TImportForm::FillDefaultGroups()
{
    TGroupList groups;
    data.FillGroupList(groups, false);
    SetGroupItems(cbxDefaultGroup, groups);
    cbxDefaultGroup->setCurrentIndex(cbxDefaultGroup->findData(data.Prefs().ImportDefaultGroup));
    if (cbxDefaultGroup->currentIndex() < 0 && cbxDefaultGroup->count() == 1)
        cbxDefaultGroup->setCurrentIndex(0);
}

void TImportForm::UpdateEnabling()
{
    for (QCheckBox* box : {cbUpdateGoodHosts, cbSwapType})
        box->setEnabled(cbGoodHosts->isChecked());
    for (QCheckBox* box : {cbReportNew, cbReportDupes, cbReportUpdates})
        box->setEnabled(cbImportReport->isChecked());
}

// ---------------------------------------------------------------------------
// Buttons and keys

QString TImportForm::SelectImportFile(const QString& current)
{
    QFileDialog dialog(this, "Select Import File");
    dialog.setNameFilters({"All files (*)", "Text files (*.txt)"});
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    return ChooseFile(dialog, current);
}

void TImportForm::FileClick()
{
    const QString file = SelectImportFile(FileEdit->text());
    if (!file.isEmpty())
        FileEdit->setText(file);
}

void TImportForm::ImportClick()
{
    const std::string file = FileEdit->text().toStdString();
    if (file.empty()) {
        InfoDlg("Please select an Import File.", Caption, this);
        FileEdit->setFocus();
        return;
    }
    if (!platform::FileExists(file)) {
        InfoDlg("File not found: " + file, Caption, this);
        FileEdit->setFocus();
        return;
    }
    if (cbxDefaultGroup->currentIndex() < 0) {
        InfoDlg("Please select a Default Group", Caption, this);
        cbxDefaultGroup->setFocus();
        return;
    }
    StoreControls();
    TQuillonPrefs& prefs = data.Prefs();
    prefs.SavePrefs();
    TImportOptions options = ImportOptionsFrom(prefs);
    options.writeHostsAction = [this] { WriteHosts(data, data.Prefs(), this); };
    {
        TRunningState state(*this);
        RunImport(options);
        // A cancelled run's report is worth reading too.
        if (options.report)
            OpenReport(ImportReportFileName(data));
    }
    // The run may have added or removed groups.
    FillDefaultGroups();
}

void TImportForm::StoreControls()
{
    TQuillonPrefs& prefs = data.Prefs();
    prefs.ImportFile = FileEdit->text().toStdString();
    prefs.ImportFormat = rbFmtHosts->isChecked() ? 0 : 1;
    prefs.ImportDefaultGroup = ComboObject(cbxDefaultGroup);
    prefs.ImportGroupOption = rbDefaultNew->isChecked() ? 1 : rbDefaultAll->isChecked() ? 2 : 0;
    prefs.ImportUpdates = cbAllowUpdate->isChecked();
    prefs.ImportCleanup = cbGroupCleanup->isChecked();
    prefs.ImportGoodHosts = cbGoodHosts->isChecked();
    // Without good hosts these options mean nothing, whatever their disabled boxes show.
    prefs.UpdateGoodHosts = prefs.ImportGoodHosts && cbUpdateGoodHosts->isChecked();
    prefs.ImportSwapHosts = prefs.ImportGoodHosts && cbSwapType->isChecked();
    prefs.ImportReport = cbImportReport->isChecked();
    prefs.ReportNew = cbReportNew->isChecked();
    prefs.ReportDupes = cbReportDupes->isChecked();
    prefs.ReportUpdates = cbReportUpdates->isChecked();
    prefs.ImportWrite = cbImportWrite->isChecked();
}

void TImportForm::OpenReport(const std::string& fileName) { data.RunEditor(fileName); }

// ---------------------------------------------------------------------------
// Runs

void TImportForm::RunImport(const TImportOptions& options)
{
    CancelRequested = false;
    TProgress progress(*this);
    TImportRun run(data, options, progress);
    progress.run = &run;
    // The counters and the bar of the last run go back to nothing.
    ShowCounters(run, false);

    // The last counts are shown exactly, however the run ends.
    struct TFinalCounts {
        TImportForm& form;
        const TImportRun& run;
        ~TFinalCounts() { form.ShowCounters(run, true); }
    } finalCounts{*this, run};
    run.Run();
}

void TImportForm::ShowCounters(const TImportRun& run, bool finished)
{
    for (int entity = 0; entity < 3; ++entity)
        for (int kind = 0; kind < 3; ++kind)
            counters[entity][kind]->setText(
                QString::number(run.Counter(static_cast<TEntity>(entity), static_cast<TOutcomeKind>(kind))));
    const uint64_t total = run.BytesTotal();
    const uint64_t read = std::min(run.BytesRead(), total);
    // An empty input is all read once the run is over.
    int value = finished ? ProgressSteps : 0;
    if (total > 0)
        value = static_cast<int>(static_cast<double>(read) / static_cast<double>(total) * ProgressSteps);
    pbProgress->setValue(value);
    CounterPanel->repaint();
}

std::function<void()> TImportForm::PrepareCommand(const TCmdCommand& command)
{
    TGroupList groups;
    data.FillGroupList(groups, false);
    const TImportOptions options = CommandImportOptions(data.Prefs(), command, groups);
    (options.plainText ? rbFmtPlainText : rbFmtHosts)->setChecked(true);
    FileEdit->setText(QString::fromStdString(options.file));
    return [this, options] { RunImport(options); };
}
