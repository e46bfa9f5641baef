// TRegistryFileForm: the registry file dialog: file, domains to exclude, format options; runs the generator.
#pragma once

#include "ui/RunDialog.h"
#include "zones/RegistryGenerator.h"

#include <string>

class QCheckBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class TRegistryFileForm : public TRunDialog {
    Q_OBJECT

public:
    explicit TRegistryFileForm(TQuillonData& data, QWidget* parent = nullptr);
    ~TRegistryFileForm() override;

    // One run of the generator, shown in the count and the status line.
    // Failures propagate.
    void CreateRegistryFile(const TRegistryOptions& options);

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
    // Runs the prepared save dialog; true when a file was chosen.
    virtual bool ExecSaveDialog(QFileDialog& dialog);

    void FormShow() override;
    std::function<void()> PrepareCommand(const TCmdCommand& command) override;

private:
    class TProgress;

    void CreateControls();
    void ConnectHandlers();

    void FileClick();
    void CreateClick();
    bool CheckExcludeLines();
    void StoreControls();
    void ShowCount(int count);
};
