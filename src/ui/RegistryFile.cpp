// TRegistryFileForm: the registry file dialog's controls and layout, checks, stored options and runs.
#include "ui/RegistryFile.h"

#include "core/DataUnit.h"
#include "ui/ControlUtils.h"
#include "ui/ErrorGuard.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr const char* CloseCaption = "Close";

// Painting every added domain of a fast run would cost more than the run
// itself; about 30 pictures a second look live.
constexpr qint64 CountRefreshMs = 33;
// A fast run offers to let events through thousands of times a second; a
// hundred times keeps Cancel prompt at a fraction of the cost.
constexpr qint64 EventIntervalMs = 10;

const QStringList SaveFilters = {"Registry files (*.reg)", "Text files (*.txt)", "All files (*)"};

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

// The memo's lines; the empty line after a final line break is no line of its own.
QStringList MemoLines(const QPlainTextEdit* memo)
{
    const QString text = memo->toPlainText();
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(u'\n');
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

// The program's one case rule: A-Z only, as the generator compares.
QString LowerAscii(QString s)
{
    for (QChar& c : s)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return s;
}

}   // namespace

// How the generator reports to the dialog.
class TRegistryFileForm::TProgress : public IProgress {
public:
    explicit TProgress(TRegistryFileForm& f) : form(f) {}

    const TRegistryGenerator* run = nullptr;
    // The run got as far as showing its count (a failed backup does not).
    bool counting = false;

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

    void UpdateCounters() override
    {
        counting = true;
        Refresh();
    }

    void ProcessMessages() override
    {
        Refresh();
        if (lastEvents.isValid() && lastEvents.elapsed() < EventIntervalMs)
            return;
        QCoreApplication::processEvents();
        lastEvents.start();
    }

    bool CancelRequested() const override { return form.CancelRequested; }

private:
    TRegistryFileForm& form;
    QElapsedTimer lastShown;
    QElapsedTimer lastEvents;

    void Refresh()
    {
        if (!run || (lastShown.isValid() && lastShown.elapsed() < CountRefreshMs))
            return;
        form.ShowCount(run->DomainCount());
        lastShown.start();
    }
};

TRegistryFileForm::TRegistryFileForm(TQuillonData& d, QWidget* parent)
    : TRunDialog(d, "registry.html", TCmdAction::RegistryFile, parent)
{
    setObjectName("RegistryFileForm");
    setWindowTitle(RegistryFileCaption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    CreateControls();
    ConnectHandlers();
    RefuseAltKeys();
}

TRegistryFileForm::~TRegistryFileForm() = default;

void TRegistryFileForm::CreateControls()
{
    const int indent = style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                       style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    auto check = [this](const char* name, const char* text) {
        return Named(new QCheckBox(text, this), name);
    };

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(10, 10, 10, 10);
    form->setSpacing(4);
    form->setSizeConstraint(QLayout::SetFixedSize);

    form->addWidget(Named(new QLabel("Registry filename", this), "Label1"));
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

    form->addSpacing(6);
    form->addWidget(Named(
        new QLabel("Domains to exclude (all like co.uk and ca.us are always excluded)", this), "Label2"));
    ExcludeMemo = Named(new QPlainTextEdit(this), "ExcludeMemo");
    ExcludeMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Domains hold no tabs: Tab moves on, as in the other controls.
    ExcludeMemo->setTabChangesFocus(true);
    ExcludeMemo->setFixedHeight(ExcludeMemo->fontMetrics().lineSpacing() * 7 + 10);
    form->addWidget(ExcludeMemo);

    form->addSpacing(6);
    rbRegEdit4 = Named(new QRadioButton("REGEDIT4 format (.reg)", this), "rbRegEdit4");
    cbUninstall = check("cbUninstall", "Create Uninstall");
    cbBoth = check("cbBoth", "Create Both");
    rbPlainTxt = Named(new QRadioButton("Plain Text format (.txt)", this), "rbPlainTxt");
    form->addWidget(rbRegEdit4);
    // The REGEDIT4 options line up with the text of their format.
    auto* regOptions = new QHBoxLayout;
    regOptions->setSpacing(16);
    regOptions->addSpacing(indent);
    regOptions->addWidget(cbUninstall);
    regOptions->addWidget(cbBoth);
    regOptions->addStretch();
    form->addLayout(regOptions);
    form->addWidget(rbPlainTxt);

    form->addSpacing(6);
    cbBackup = check("cbBackup", "Create a backup copy");
    cbViewFile = check("cbViewFile", "View file in text editor when finished");
    form->addWidget(cbBackup);
    form->addWidget(cbViewFile);

    form->addSpacing(4);
    auto* divider = Named(new QFrame(this), "Divider");
    divider->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    form->addWidget(divider);
    form->addSpacing(2);

    stCount = Named(new QLabel(this), "stCount");
    stCount->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stCount->setAlignment(Qt::AlignCenter);
    // Room for a count in the millions.
    stCount->setFixedSize(fontMetrics().horizontalAdvance("00000000") + 16, stCount->sizeHint().height() + 4);
    auto* countRow = new QHBoxLayout;
    countRow->setSpacing(8);
    countRow->addWidget(Named(new QLabel("Domains Added", this), "Label3"));
    countRow->addWidget(stCount);
    countRow->addStretch();
    form->addLayout(countRow);

    form->addSpacing(6);
    lblStatus = Named(new QLabel(this), "lblStatus");
    btnCreate = Named(new QPushButton("Create", this), "btnCreate");
    btnRun = btnCreate;
    btnClose = Named(new QPushButton(CloseCaption, this), "btnClose");
    // Wide enough for either caption, so the buttons do not move during a run.
    btnClose->setMinimumWidth(std::max(btnClose->sizeHint().width(), btnCreate->sizeHint().width()));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblStatus, 1);
    bottom->addWidget(btnCreate);
    bottom->addWidget(btnClose);
    form->addLayout(bottom);

    QWidget* order[] = {FileEdit,   btnFile,  ExcludeMemo, rbRegEdit4, cbUninstall, cbBoth,
                        rbPlainTxt, cbBackup, cbViewFile,  btnCreate,  btnClose};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TRegistryFileForm::ConnectHandlers()
{
    const QAbstractButton* formatButtons[] = {rbRegEdit4, rbPlainTxt, cbBoth};
    for (const QAbstractButton* button : formatButtons)
        connect(button, &QAbstractButton::toggled, this,
                GuardedSlot(this, &TRegistryFileForm::UpdateFormatControls));
    connect(btnFile, &QPushButton::clicked, this, GuardedSlot(this, &TRegistryFileForm::FileClick));
    connect(btnCreate, &QPushButton::clicked, this, GuardedSlot(this, &TRegistryFileForm::CreateClick));
    connect(btnClose, &QPushButton::clicked, this, GuardedSlot(this, [this] { CloseClick(); }));
}

// ---------------------------------------------------------------------------
// Showing

void TRegistryFileForm::FormShow()
{
    ShowBackupSuffix(cbBackup);
    lblStatus->clear();
    ShowOptions();
}

void TRegistryFileForm::ShowOptions()
{
    const TQuillonPrefs& prefs = data.Prefs();
    FileEdit->setText(QString::fromStdString(prefs.RegistryFile));
    QStringList lines;
    for (const std::string& item : SplitCommaText(prefs.RegistryExclude))
        lines << LowerAscii(QString::fromStdString(item));
    ExcludeMemo->setPlainText(lines.join(u'\n'));

    // A format the program does not know ticks neither button.
    rbRegEdit4->setChecked(prefs.RegistryFormat == 0);
    rbPlainTxt->setChecked(prefs.RegistryFormat == 1);
    if (prefs.RegistryFormat != 0 && prefs.RegistryFormat != 1) {
        for (QRadioButton* r : {rbRegEdit4, rbPlainTxt}) {
            r->setAutoExclusive(false);
            r->setChecked(false);
            r->setAutoExclusive(true);
        }
    }
    cbUninstall->setChecked(prefs.RegistryUninstall || prefs.RegistryBoth);
    cbBoth->setChecked(prefs.RegistryBoth);
    cbBackup->setChecked(prefs.RegistryBackup);
    cbViewFile->setChecked(prefs.RegistryView);
    UpdateFormatControls();
}

void TRegistryFileForm::UpdateFormatControls()
{
    cbBoth->setEnabled(rbRegEdit4->isChecked());
    if (cbBoth->isChecked())
        cbUninstall->setChecked(true);
    cbUninstall->setEnabled(cbBoth->isEnabled() && !cbBoth->isChecked());
}

// ---------------------------------------------------------------------------
// Buttons and keys

bool TRegistryFileForm::ExecSaveDialog(QFileDialog& dialog) { return dialog.exec() == QDialog::Accepted; }

void TRegistryFileForm::FileClick()
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The file is replaced without asking, its backup copy being the safeguard.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(SaveFilters);
    const bool plainText = rbPlainTxt->isChecked();
    dialog.setDefaultSuffix(plainText ? "txt" : "reg");
    const QString current = FileEdit->text();
    const QFileInfo info(current);
    const bool textName = info.suffix().compare("txt", Qt::CaseInsensitive) == 0;
    dialog.selectNameFilter(SaveFilters[plainText || textName ? 1 : 0]);
    StartAtFile(dialog, current);
    if (!ExecSaveDialog(dialog) || dialog.selectedFiles().isEmpty())
        return;
    QString file = dialog.selectedFiles().constFirst();
    // A name typed without an extension gets the format's, whichever dialog ran.
    if (!QFileInfo(file).fileName().contains(u'.'))
        file += "." + dialog.defaultSuffix();
    FileEdit->setText(file);
}

bool TRegistryFileForm::CheckExcludeLines()
{
    QStringList lines = MemoLines(ExcludeMemo);
    std::string message;
    bool valid = true;
    qsizetype failed = -1;
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        if (Trim(lines[i]).isEmpty()) {
            lines.removeAt(i);
            continue;
        }
        const std::string line = lines[i].toStdString();
        if (!data.ValidateHostname(line, message)) {
            valid = false;
            failed = i;
            message = "\"" + line + "\" is not a valid domain:" + MsgBreak + message;
            break;
        }
        lines[i] = LowerAscii(lines[i]);
    }
    ExcludeMemo->setPlainText(lines.join(u'\n'));
    if (valid)
        return true;
    WarningDlg(message, "Domains to Exclude", this);
    ExcludeMemo->setFocus();
    QTextCursor cursor(ExcludeMemo->document()->findBlockByNumber(int(failed)));
    ExcludeMemo->setTextCursor(cursor);
    return false;
}

void TRegistryFileForm::StoreControls()
{
    TQuillonPrefs& prefs = data.Prefs();
    prefs.RegistryFile = FileEdit->text().toStdString();
    std::vector<std::string> lines;
    for (const QString& line : MemoLines(ExcludeMemo))
        lines.push_back(line.toStdString());
    prefs.RegistryExclude = CommaText(lines);
    prefs.RegistryFormat = rbPlainTxt->isChecked() ? 1 : 0;
    // Taken as ticked even when the format has disabled them.
    prefs.RegistryUninstall = cbUninstall->isChecked();
    prefs.RegistryBoth = cbBoth->isChecked();
    prefs.RegistryBackup = cbBackup->isChecked();
    prefs.RegistryView = cbViewFile->isChecked();
}

void TRegistryFileForm::CreateClick()
{
    FileEdit->setText(Trim(FileEdit->text()));
    if (FileEdit->text().isEmpty()) {
        InfoDlg("Please enter a filename", RegistryFileCaption, this);
        FileEdit->setFocus();
        return;
    }
    if (!CheckExcludeLines())
        return;
    StoreControls();
    TQuillonPrefs& prefs = data.Prefs();
    // Saved with the rest, so the templates can be edited in the preferences file.
    FillRegistryDefaults(prefs);
    prefs.SavePrefs();
    TRegistryOptions options = RegistryOptionsFrom(prefs);
    options.exclude.clear();
    for (const QString& line : MemoLines(ExcludeMemo))
        options.exclude.push_back(line.toStdString());
    TRunningState state(*this);
    CreateRegistryFile(options);
}

// ---------------------------------------------------------------------------
// Runs

void TRegistryFileForm::CreateRegistryFile(const TRegistryOptions& options)
{
    CancelRequested = false;
    TProgress progress(*this);
    TRegistryGenerator generator(data, progress, this);
    progress.run = &generator;

    // The last count is shown exactly, however the run ends; a run that never
    // got to counting leaves the count as it was.
    struct TFinalCount {
        TRegistryFileForm& form;
        const TProgress& progress;
        const TRegistryGenerator& generator;
        ~TFinalCount()
        {
            if (progress.counting)
                form.ShowCount(generator.DomainCount());
        }
    } finalCount{*this, progress, generator};
    generator.CreateRegistryFile(options);
}

void TRegistryFileForm::ShowCount(int count)
{
    stCount->setText(QString::number(count));
    stCount->repaint();
}

std::function<void()> TRegistryFileForm::PrepareCommand(const TCmdCommand& command)
{
    const TRegistryOptions options = CommandRegistryOptions(data.Prefs(), command);
    FileEdit->setText(QString::fromStdString(options.file));
    (options.plainText ? rbPlainTxt : rbRegEdit4)->setChecked(true);
    cbUninstall->setChecked(options.uninstall || options.both);
    cbBoth->setChecked(options.both);
    cbViewFile->setChecked(false);
    UpdateFormatControls();
    return [this, options] { CreateRegistryFile(options); };
}
