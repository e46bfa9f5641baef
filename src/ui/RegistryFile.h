// TRegistryFileForm: the registry file dialog: file, domains to exclude, format options; runs the generator.
#pragma once

#include "ui/RunDialog.h"

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

class TRegistryFileForm : public TRunDialog {
    Q_OBJECT

public:
    explicit TRegistryFileForm(TQuillonData& data, QWidget* parent = nullptr);
    ~TRegistryFileForm() override;

    // The command line's registry file: the file, and the switch that named
    // it, lower-cased ("/r", "/u", "/b", "/p"). A file here makes the dialog
    // create it unattended as soon as it is shown, then close.
    std::string CmdLineFile;
    std::string CmdLineSwitch;


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

protected:
    void showEvent(QShowEvent* event) override;

    // Runs the prepared save dialog; true when a file was chosen.
    virtual bool ExecSaveDialog(QFileDialog& dialog);

private:
    class TProgress;
    class TRunningState;

    TQuillonData& data;

    void CreateControls();
    void ConnectHandlers();

    void FormShow();
    void FileClick();
    void CreateClick();
    void AutoRun();
    bool CheckExcludeLines();
    void StoreControls();
    void ShowCount(int count);
};
