// TImportForm: the import dialog: file, format, default group, options; runs the import, shows its counters.
#pragma once

#include "ui/RunDialog.h"

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QWidget;
class TImportRun;
class TQuillonData;

class TImportForm : public TRunDialog {
    Q_OBJECT

public:
    explicit TImportForm(TQuillonData& data, QWidget* parent = nullptr);
    ~TImportForm() override;

    // The command line's import: the file, and the switch that named it,
    // lower-cased ("/i", "/ip"). A file here makes the dialog run the import
    // unattended as soon as it is shown, then close.
    std::string CmdLineFile;
    std::string CmdLineSwitch;


    // One import over the preferences as they stand, shown in the counters,
    // the progress bar and the status line. Failures propagate.
    void RunImport();

    QLineEdit* FileEdit = nullptr;
    QPushButton* btnFile = nullptr;
    QWidget* FormatPanel = nullptr;
    QRadioButton* rbFmtHosts = nullptr;
    QRadioButton* rbFmtPlainText = nullptr;
    QComboBox* cbxDefaultGroup = nullptr;
    QRadioButton* rbCreateNew = nullptr;
    QRadioButton* rbDefaultNew = nullptr;
    QRadioButton* rbDefaultAll = nullptr;
    QCheckBox* cbAllowUpdate = nullptr;
    QCheckBox* cbGoodHosts = nullptr;
    QCheckBox* cbUpdateGoodHosts = nullptr;
    QCheckBox* cbSwapType = nullptr;
    QCheckBox* cbGroupCleanup = nullptr;
    QCheckBox* cbImportReport = nullptr;
    QCheckBox* cbReportNew = nullptr;
    QCheckBox* cbReportDupes = nullptr;
    QCheckBox* cbReportUpdates = nullptr;
    QCheckBox* cbImportWrite = nullptr;
    QLabel* stNG = nullptr;
    QLabel* stDG = nullptr;
    QLabel* stUG = nullptr;
    QLabel* stNB = nullptr;
    QLabel* stDB = nullptr;
    QLabel* stUB = nullptr;
    QLabel* stNH = nullptr;
    QLabel* stDH = nullptr;
    QLabel* stUH = nullptr;
    QProgressBar* pbProgress = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* btnImport = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

    // The "..." button's file dialog: the chosen file, or empty when cancelled.
    virtual QString SelectImportFile(const QString& current);
    // Shows the finished report; by default in the user's text editor.
    virtual void OpenReport(const std::string& fileName);

private:
    class TProgress;
    class TRunningState;

    TQuillonData& data;
    QWidget* CounterPanel = nullptr;
    QLabel* counters[3][3] = {};

    void CreateControls();
    void ConnectHandlers();

    void FormShow();
    void FillDefaultGroups();
    void UpdateEnabling();
    void FileClick();
    void ImportClick();
    void AutoRun();
    void StoreControls();
    void ShowCounters(const TImportRun& run, bool finished);
};
