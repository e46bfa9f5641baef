// TRunDialog: closing, Esc and Alt keys of the dialogs that run a cancellable job.
#include "ui/RunDialog.h"

#include "ui/ControlUtils.h"
#include "ui/WindowFrame.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

TRunDialog::TRunDialog(QWidget* parent) : QDialog(parent) { CentreOverMainWindow(this); }

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
