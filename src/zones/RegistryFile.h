// TRegistryFileForm: the registry file dialog: file, domains to exclude, format options; runs the generator.
#pragma once

#include <QDialog>

#include <string>

class QCheckBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class TQuillonData;
class TRegistryGenerator;

class TRegistryFileForm : public QDialog {
    Q_OBJECT

public:
    explicit TRegistryFileForm(TQuillonData& data, QWidget* parent = nullptr);
    ~TRegistryFileForm() override;

    // Set by Cancel (the button, Esc or a close request) while a run is on;
    // cleared when a run starts and polled by it.
    bool CancelRequested = false;
    // The command line's registry file: the file, and the switch that named
    // it, lower-cased ("/r", "/u", "/b", "/p"). A file here makes the dialog
    // create it unattended as soon as it is shown, then close.
    std::string CmdLineFile;
    std::string CmdLineSwitch;

    // From the start of a run until it has ended, however it ended.
    bool Running() const { return running; }

    // One run of the generator over the preferences as they stand and the
    // exclude lines, shown in the count and the status line. Failures propagate.
    void CreateRegistryFile();

    // The controls from the registry preferences.
    void ShowOptions();
    // Both and Uninstall follow the format and each other.
    void UpdateFormatControls();

    QLineEdit* FileEdit = nullptr;
    QPushButton* btnFile = nullptr;
    QPlainTextEdit* ExcludeMemo = nullptr;
    QRadioButton* rbRegEdit4 = nullptr;
    QCheckBox* cbUninstall = nullptr;
    QCheckBox* cbBoth = nullptr;
    QRadioButton* rbPlainTxt = nullptr;
    QCheckBox* cbBackup = nullptr;
    QCheckBox* cbViewFile = nullptr;
    QLabel* stCount = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* btnCreate = nullptr;
    QPushButton* btnClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Runs the prepared save dialog; true when a file was chosen.
    virtual bool ExecSaveDialog(QFileDialog& dialog);

public slots:
    // While a run is on this cancels it instead of closing the dialog.
    void reject() override;

private:
    class TProgress;
    class TRunningState;

    TQuillonData& data;
    bool running = false;

    void CreateControls();
    void ConnectHandlers();

    void FormShow();
    void FileClick();
    void CreateClick();
    void CloseClick();
    void AutoRun();
    bool CheckExcludeLines();
    void StoreControls();
    void ShowCount(int count);
};
