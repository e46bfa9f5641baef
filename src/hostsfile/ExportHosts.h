// TExportForm: the export dialog class; the group list and status the writer uses, and Write HOSTS.
#pragma once

#include "hostsfile/HostsWriter.h"

#include <QDialog>

class QLabel;
class QListWidget;
class TQuillonData;

class TExportForm : public QDialog {
    Q_OBJECT

public:
    // Fills the group list and ticks the default groups, so a form that is
    // never shown is ready for WriteHOSTS.
    explicit TExportForm(TQuillonData& data, QWidget* parent = nullptr);

    // Set by the Cancel button; cleared when a run starts and polled by it.
    bool CancelRequested = false;
    // No status text, no event processing, hourglass cursor; never cancelled.
    bool Unattended = false;

    // Ticks every group whose exclude flag is off; the list must be in
    // group-name order, as FillGroupList gives it.
    void SelectDefaultGroups();

    // The ticked groups of lbxGroups, in list order.
    TGroupSelection Selection() const;

    // Writes the file the export preferences name from the ticked groups.
    // True when it was written to its end; false when cancelled or when the
    // backup copy failed. A file that cannot be written throws.
    bool DoExport();

    // Rewrites the active HOSTS file from the ticked groups without showing
    // the dialog; the preferences are read back from the file afterwards.
    bool WriteHOSTS();

    QListWidget* lbxGroups = nullptr;
    QLabel* lblStatus = nullptr;

private:
    TQuillonData& data;

    void CreateControls();
};
