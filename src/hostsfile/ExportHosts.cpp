// TExportForm: the export dialog class; the group list and status the writer uses, and Write HOSTS.
#include "hostsfile/ExportHosts.h"

#include "core/DataUnit.h"
#include "ui/ControlUtils.h"

#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>

namespace {

// How the writer reports to the dialog: the status label, pending events and
// the Cancel button's flag.
class TFormProgress : public IProgress {
public:
    explicit TFormProgress(TExportForm& f) : form(f) {}

    void ShowStatus(const std::string& text) override
    {
        form.lblStatus->setText(QString::fromStdString(text));
        // The run holds the event loop, so the label must paint now.
        form.lblStatus->repaint();
    }

    void ProcessMessages() override { QCoreApplication::processEvents(); }

    bool CancelRequested() const override { return form.CancelRequested; }

private:
    TExportForm& form;
};

} // namespace

TExportForm::TExportForm(TQuillonData& d, QWidget* parent) : QDialog(parent), data(d)
{
    setObjectName("ExportForm");
    setWindowTitle("Export Hosts");
    CreateControls();

    TGroupList groups;
    data.FillGroupList(groups, false);
    SetGroupItems(lbxGroups, groups, true);
    SelectDefaultGroups();
}

void TExportForm::CreateControls()
{
    // The controls the writer reads and reports to; the visible dialog's
    // options, buttons and layout are added around them.
    lbxGroups = new QListWidget(this);
    lbxGroups->setObjectName("lbxGroups");
    lblStatus = new QLabel(this);
    lblStatus->setObjectName("lblStatus");
}

void TExportForm::SelectDefaultGroups()
{
    const std::vector<bool> ticks = DefaultGroupTicks(data);
    for (int i = 0; i < lbxGroups->count(); ++i) {
        const bool ticked = static_cast<size_t>(i) < ticks.size() && ticks[i];
        lbxGroups->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
}

TGroupSelection TExportForm::Selection() const
{
    TGroupSelection selection;
    selection.itemCount = static_cast<size_t>(lbxGroups->count());
    for (int i = 0; i < lbxGroups->count(); ++i) {
        const QListWidgetItem* item = lbxGroups->item(i);
        if (item->checkState() == Qt::Checked)
            selection.ticked.push_back(item->data(Qt::UserRole).toInt());
    }
    return selection;
}

bool TExportForm::DoExport()
{
    CancelRequested = false;
    TFormProgress progress(*this);
    THostsWriter writer(data, progress, this);
    writer.Unattended = Unattended;
    return writer.DoExport(Selection());
}

bool TExportForm::WriteHOSTS()
{
    Unattended = true;
    return WriteHosts(data, Selection(), this);
}
