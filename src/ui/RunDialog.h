// TRunDialog: the base of the dialogs that run one long job (import, export, registry file) and can cancel it.
#pragma once

#include <QDialog>

class QPushButton;

// While a job runs, every way of closing (the close button, which then reads
// Cancel, Esc, the close box) asks the job to stop instead of closing the
// dialog under it. Dialogs that refuse Alt keys also refuse Alt+F4.
class TRunDialog : public QDialog {
    Q_OBJECT

public:
    // Centred over the main window when shown, as every dialog.
    explicit TRunDialog(QWidget* parent = nullptr);

    // Set by Cancel (the button, Esc or a close request) while a run is on;
    // cleared when a run starts and polled by it.
    bool CancelRequested = false;

    // From the start of a run until it has ended, however it ended.
    bool Running() const { return running; }

    // Reads Close, or Cancel while a run is on; set by the dialog.
    QPushButton* btnClose = nullptr;

public slots:
    // While a run is on this cancels it instead of closing the dialog.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The close button's click.
    void CloseClick();

    // Keys pressed with Alt held, Alt+F4 included, reach neither the
    // controls, the short-cuts nor the dialog (the dialog installs itself as
    // the application's event filter).
    bool refuseAltKeys = false;
    bool running = false;
};
