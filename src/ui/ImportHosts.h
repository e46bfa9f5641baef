// TImportForm: the import dialog: file, format, default group, options; runs the import, shows its counters.
#pragma once

#include "import/ImportRun.h"
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

class TImportForm : public TRunDialog {
    Q_OBJECT

public:
    explicit TImportForm(TQuillonData& data, QWidget* parent = nullptr);
    ~TImportForm() override;

    // One import, shown in the counters, the progress bar and the status
    // line. Failures propagate.
    void RunImport(const TImportOptions& options);

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
    // The "..." button's file dialog: the chosen file, or empty when cancelled.
    virtual QString SelectImportFile(const QString& current);
    // Shows the finished report; by default in the user's text editor.
    virtual void OpenReport(const std::string& fileName);

    void FormShow() override;
    std::function<void()> PrepareCommand(const TCmdCommand& command) override;

private:
    class TProgress;

    QWidget* CounterPanel = nullptr;
    QLabel* counters[3][3] = {};

    void CreateControls();
    void ConnectHandlers();

    void FillDefaultGroups();
    void UpdateEnabling();
    void FileClick();
    void ImportClick();
    void StoreControls();
    void ShowCounters(const TImportRun& run, bool finished);
};
