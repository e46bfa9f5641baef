// TExportForm: the export dialog: file, format, groups and options; runs the writer; Write HOSTS.
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
class TQuillonData;

class TExportForm : public TRunDialog {
    Q_OBJECT

public:
    // Fills the group list and ticks the default groups, so a form that is
    // never shown is ready for WriteHOSTS; takes the height of the last export.
    explicit TExportForm(TQuillonData& data, QWidget* parent = nullptr);

    // No status text, no event processing, hourglass cursor; never cancelled.
    bool Unattended = false;
    // The command line's export: the file, and the switch that named it,
    // lower-cased ("/x", "/xp", "/a"). A file here makes the dialog export
    // unattended as soon as it is shown, then close.
    std::string CmdLineFile;
    std::string CmdLineSwitch;


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

    // Rewrites the active HOSTS file from the ticked groups without showing
    // the dialog; the preferences are read back from the file afterwards.
    bool WriteHOSTS();

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
    void showEvent(QShowEvent* event) override;

    // The "..." button's save dialog: the chosen file, or empty when cancelled.
    virtual QString SelectExportFile(const QString& current);

private:
    class TRunningState;

    TQuillonData& data;
    bool backupCaptionExtended = false;

    void CreateControls();
    void ConnectHandlers();

    void FormShow();
    void UpdateEnabling();
    void FileClick();
    void ExportClick();
    void AutoRun();
    void StoreControls();
};
