// TRunDialog: the base of the dialogs that run one long job (import, export, registry file): running state, cancel, unattended runs.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QPushButton;
class TQuillonData;
enum class TCmdAction;
struct TCmdCommand;

// While a job runs, every way of closing (the close button, which then reads
// Cancel, Esc, the close box) asks the job to stop instead of closing the
// dialog under it. Dialogs that refuse Alt keys also refuse Alt+F4.
class TRunDialog : public QDialog {
    Q_OBJECT

public:
    // Centred over the main window when shown, as every dialog. helpTopic:
    // the page F1 opens. action: what the dialog does for the command line,
    // which decides how it reads CmdLineSwitch.
    TRunDialog(TQuillonData& data, const char* helpTopic, TCmdAction action, QWidget* parent);
    ~TRunDialog() override;

    // Set by Cancel (the button, Esc or a close request) while a run is on;
    // cleared when a run starts and polled by it.
    bool CancelRequested = false;

    // From the start of a run until it has ended, however it ended.
    bool Running() const { return running; }

    // The command line's run: the file, and the switch that named it
    // ("/x", "/ip", "/b"...). A file here makes the dialog run unattended as
    // soon as it is shown, then close.
    std::string CmdLineFile;
    std::string CmdLineSwitch;

    // Reads Close, or Cancel while a run is on; set by the dialog.
    QPushButton* btnClose = nullptr;

public slots:
    // While a run is on this cancels it instead of closing the dialog.
    void reject() override;

protected:
    TQuillonData& data;

    // The button that starts a run (Export, Import, Create); set by the dialog.
    QPushButton* btnRun = nullptr;

    // For its lifetime a run is on: the run button disabled, "Cancel" on the
    // close button. All of it comes back however the run ends, so a failing
    // run leaves the dialog usable before the error is reported.
    class TRunningState {
    public:
        explicit TRunningState(TRunDialog& dialog);
        ~TRunningState();
        TRunningState(const TRunningState&) = delete;
        TRunningState& operator=(const TRunningState&) = delete;

    private:
        TRunDialog& dialog;
    };

    // At each showing; a window restored from the task bar is no new showing.
    virtual void FormShow() = 0;
    // The unattended run: puts the command's settings, over the saved ones,
    // into the controls and returns the run that uses them. The saved
    // preferences are not changed.
    virtual std::function<void()> PrepareCommand(const TCmdCommand& command) = 0;

    // " (.bak)" after the backup option's caption, once.
    static void ShowBackupSuffix(QCheckBox* backup);

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The close button's click.
    void CloseClick();

    // From now on, keys pressed with Alt held, Alt+F4 included, reach
    // neither the controls, the short-cuts nor the dialog (the dialog
    // watches the application's events until it is destroyed).
    void RefuseAltKeys();

private:
    bool refuseAltKeys = false;
    bool running = false;
    TCmdAction action;

    void AutoRun();
};
