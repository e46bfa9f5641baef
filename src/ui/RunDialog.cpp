// TRunDialog: running state, closing, Esc and Alt keys, F1 and the unattended run of the dialogs that run a cancellable job.
#include "ui/RunDialog.h"

#include "core/CommandLine.h"
#include "core/DataUnit.h"
#include "ui/ControlUtils.h"
#include "ui/ErrorGuard.h"
#include "ui/WindowFrame.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>

namespace {

constexpr const char* CloseCaption = "Close";
constexpr const char* CancelCaption = "Cancel";
constexpr const char* BackupSuffix = " (.bak)";

}   // namespace

TRunDialog::TRunDialog(TQuillonData& d, const char* helpTopic, TCmdAction a, QWidget* parent)
    : QDialog(parent), data(d), action(a)
{
    CentreOverMainWindow(this);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this,
            GuardedSlot(this, [this, topic = std::string(helpTopic)] { data.ShowHelp(topic); }));
}

TRunDialog::~TRunDialog()
{
    if (refuseAltKeys)
        qApp->removeEventFilter(this);
}

void TRunDialog::RefuseAltKeys()
{
    if (refuseAltKeys)
        return;
    refuseAltKeys = true;
    // Sees every key before the control that has the focus.
    qApp->installEventFilter(this);
}

TRunDialog::TRunningState::TRunningState(TRunDialog& d) : dialog(d)
{
    dialog.running = true;
    dialog.btnRun->setEnabled(false);
    dialog.btnClose->setText(CancelCaption);
}

TRunDialog::TRunningState::~TRunningState()
{
    dialog.running = false;
    dialog.btnRun->setEnabled(true);
    dialog.btnClose->setText(CloseCaption);
}

void TRunDialog::ShowBackupSuffix(QCheckBox* backup)
{
    if (!backup->text().endsWith(BackupSuffix))
        backup->setText(backup->text() + BackupSuffix);
}

void TRunDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Queued, so the dialog is on screen before the unattended run starts.
    if (Guarded(this, [this] { FormShow(); }) && !CmdLineFile.empty())
        QMetaObject::invokeMethod(
            this, [this] { Guarded(this, [this] { AutoRun(); }); }, Qt::QueuedConnection);
}

void TRunDialog::AutoRun()
{
    const std::function<void()> run = PrepareCommand(DecodeCommand(action, CmdLineSwitch, CmdLineFile));
    {
        TRunningState state(*this);
        // Lets the dialog paint itself before the run holds the event loop.
        QCoreApplication::processEvents();
        run();
    }
    close();
}

void TRunDialog::CloseClick()
{
    if (running)
        CancelRequested = true;
    else
        close();
}

void TRunDialog::reject()
{
    if (running)
        CancelRequested = true;
    else
        QDialog::reject();
}

void TRunDialog::keyPressEvent(QKeyEvent* event)
{
    // Esc presses the close button, whichever caption it has.
    if (event->matches(QKeySequence::Cancel) && btnClose) {
        btnClose->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TRunDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (refuseAltKeys && SwallowAltKey(this, watched, event))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TRunDialog::closeEvent(QCloseEvent* event)
{
    if (refuseAltKeys && IsAltCloseRequest(event)) {
        event->ignore();
        return;
    }
    // Closing in the middle of a run would pull the dialog from under it.
    if (running) {
        CancelRequested = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
