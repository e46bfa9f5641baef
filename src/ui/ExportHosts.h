// TExportForm: the export dialog: file, format, groups and options; runs the writer.
#pragma once

#include "hostsfile/HostsWriter.h"

#include "ui/RunDialog.h"

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

class TExportForm : public TRunDialog {
    Q_OBJECT

public:
    // Fills the group list and ticks the default groups; takes the height of
    // the last export.
    explicit TExportForm(TQuillonData& data, QWidget* parent = nullptr);

    // Ticks every group whose exclude flag is off; the list must be in
    // group-name order, as FillGroupList gives it.
    void SelectDefaultGroups();

    // The controls from the export preferences; the file only into an empty edit.
    void ShowOptions();

    // The ticked groups of lbxGroups, in list order.
    TGroupSelection Selection() const;

    // Writes the file the export preferences name from the ticked groups.
    // True when it was written to its end; false when cancelled or when the
    // backup copy failed. A file that cannot be written throws.
    bool DoExport();

    QLineEdit* FileEdit = nullptr;
    QPushButton* btnFile = nullptr;
    QRadioButton* rbFmtHosts = nullptr;
    QRadioButton* rbFmtPlainText = nullptr;
    QListWidget* lbxGroups = nullptr;
    QPushButton* btnAll = nullptr;
    QPushButton* btnNone = nullptr;
    QPushButton* btnReverse = nullptr;
    QPushButton* btnDefault = nullptr;
    QCheckBox* cbGroups = nullptr;
    QCheckBox* cbQuillon = nullptr;
    QCheckBox* cbGoodHosts = nullptr;
    QCheckBox* cbComments = nullptr;
    QCheckBox* cbBackup = nullptr;
    QCheckBox* cbViewFile = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* btnExport = nullptr;

protected:
    // The "..." button's save dialog: the chosen file, or empty when cancelled.
    virtual QString SelectExportFile(const QString& current);

    void FormShow() override;
    std::function<void()> PrepareCommand(const TCmdCommand& command) override;

private:
    void CreateControls();
    void ConnectHandlers();

    void UpdateEnabling();
    void FileClick();
    void ExportClick();
    void StoreControls();
    // Runs the writer, shown in the status line.
    bool Export(const TExportOptions& options);
};
