// TExportForm: the export dialog: file, format, groups and options; runs the writer; Write HOSTS.
#pragma once

#include "hostsfile/HostsWriter.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class TQuillonData;

class TExportForm : public QDialog {
    Q_OBJECT

public:
    // Fills the group list and ticks the default groups, so a form that is
    // never shown is ready for WriteHOSTS; takes the height of the last export.
    explicit TExportForm(TQuillonData& data, QWidget* parent = nullptr);

    // Set by Cancel (the button, Esc or a close request) while a run is on;
    // cleared when a run starts and polled by it.
    bool CancelRequested = false;
    // No status text, no event processing, hourglass cursor; never cancelled.
    bool Unattended = false;
    // The command line's export: the file, and the switch that named it,
    // lower-cased ("/x", "/xp", "/a"). A file here makes the dialog export
    // unattended as soon as it is shown, then close.
    std::string CmdLineFile;
    std::string CmdLineSwitch;

    // From the start of a run until it has ended, however it ended.
    bool Running() const { return running; }

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
    QPushButton* btnClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    // The "..." button's save dialog: the chosen file, or empty when cancelled.
    virtual QString SelectExportFile(const QString& current);

public slots:
    // While a run is on this cancels it instead of closing the dialog.
    void reject() override;

private:
    class TRunningState;

    TQuillonData& data;
    bool running = false;
    bool backupCaptionExtended = false;

    void CreateControls();
    void ConnectHandlers();

    void FormShow();
    void UpdateEnabling();
    void FileClick();
    void ExportClick();
    void CloseClick();
    void AutoRun();
    void StoreControls();
};
