// The export dialog class over a temporary data folder: group list, default ticks, status, cancel flag.
#include "hostsfile/ExportHosts.h"

#include "core/DataUnit.h"
#include "support/ScriptedPresenter.h"
#include "support/TempDir.h"

#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QTest>

#include <memory>

namespace {

// A data module over dir with the HOSTS file and the export file inside it.
// Groups: Default Group (1), Ads [R] (2), Zoo [X] (3, flagged exclude).
std::unique_ptr<TQuillonData> MakeData(const TTempDir& dir)
{
    dir.Write("Quillon.ini", "[Preferences]\nHostsFile=" + dir.File("hosts") + "\nTextEditor=" +
                                 dir.File("no-editor") + "\n");
    auto data = std::make_unique<TQuillonData>(dir.Path());
    data->Prefs().LoadPrefs();
    if (!data->OpenDatabase())
        qFatal("tables not opened");
    TGroupList list;
    data->FillGroupList(list, false);
    data->AddGroup("Zoo", false, true);
    data->AddGroup("Ads", true, false);
    data->Prefs().ExportFile = dir.File("export.txt");
    data->Prefs().ExportView = false;
    data->Prefs().ExportBackup = false;
    return data;
}

void AddHosts(TQuillonData& data, int groupId, int count)
{
    for (int i = 0; i < count; ++i) {
        data.BadHosts.Append();
        const std::string name = "h" + std::to_string(groupId) + "-" + std::to_string(i) + ".example";
        data.BadHosts.SetField("hostname", name);
        data.BadHosts.SetField("group_id", groupId);
        data.BadHosts.Post();
    }
}

QStringList Items(const QListWidget& list)
{
    QStringList items;
    for (int i = 0; i < list.count(); ++i) {
        const QListWidgetItem* item = list.item(i);
        items << QString("%1=%2%3")
                     .arg(item->text())
                     .arg(item->data(Qt::UserRole).toInt())
                     .arg(item->checkState() == Qt::Checked ? " ticked" : "");
    }
    return items;
}

} // namespace

class TestExportForm : public QObject {
    Q_OBJECT

private slots:
    void creationTicksDefaultGroups();
    void exportWritesTickedGroups();
    void cancelSeenWhileWriting();
    void writeHostsLeavesExcludedOut();
};

void TestExportForm::creationTicksDefaultGroups()
{
    TTempDir dir;
    auto data = MakeData(dir);
    TExportForm form(*data);

    QCOMPARE(form.objectName(), QString("ExportForm"));
    QCOMPARE(form.windowTitle(), QString("Export Hosts"));
    QCOMPARE(form.lbxGroups->objectName(), QString("lbxGroups"));
    QCOMPARE(form.lblStatus->objectName(), QString("lblStatus"));
    QVERIFY(!form.isVisible());
    QCOMPARE(Items(*form.lbxGroups),
             QStringList({"Ads [R]=3 ticked", "Default Group=1 ticked", "Zoo [X]=2"}));
    QCOMPARE(form.Selection().ticked, std::vector<int>({3, 1}));
    QCOMPARE(form.Selection().itemCount, size_t(3));
}

void TestExportForm::exportWritesTickedGroups()
{
    TTempDir dir;
    auto data = MakeData(dir);
    AddHosts(*data, 1, 2);
    AddHosts(*data, 2, 1);
    AddHosts(*data, 3, 1);
    TExportForm form(*data);
    form.lbxGroups->item(1)->setCheckState(Qt::Unchecked);   // Default Group
    form.lbxGroups->item(2)->setCheckState(Qt::Checked);     // Zoo [X]
    form.CancelRequested = true;                             // left from an earlier run

    QVERIFY(form.DoExport());
    QCOMPARE(form.lblStatus->text(), QString("2 hosts written"));
    const QString text = QString::fromStdString(dir.Read("export.txt"));
    QVERIFY(text.contains("h2-0.example"));
    QVERIFY(text.contains("h3-0.example"));
    QVERIFY(!text.contains("h1-"));
}

void TestExportForm::cancelSeenWhileWriting()
{
    TTempDir dir;
    auto data = MakeData(dir);
    data->Prefs().ExportGroups = false;
    AddHosts(*data, 1, 600);
    TExportForm form(*data);
    // Runs when the writer lets pending events through, as a Cancel click would.
    QMetaObject::invokeMethod(&form, [&form] { form.CancelRequested = true; }, Qt::QueuedConnection);

    QVERIFY(!form.DoExport());
    QCOMPARE(form.lblStatus->text(), QString("Export cancelled, file deleted"));
    QVERIFY(!dir.Exists("export.txt"));
}

void TestExportForm::writeHostsLeavesExcludedOut()
{
    TTempDir dir;
    auto data = MakeData(dir);
    AddHosts(*data, 1, 1);
    AddHosts(*data, 2, 1);
    TScriptedPresenter presenter;
    TExportForm form(*data);

    QVERIFY(form.WriteHOSTS());
    QVERIFY(form.Unattended);
    QCOMPARE(form.lblStatus->text(), QString());
    const QString hosts = QString::fromStdString(dir.Read("hosts"));
    QVERIFY(hosts.contains("h1-0.example"));
    QVERIFY(!hosts.contains("h2-0.example"));
    QVERIFY(!dir.Exists("export.txt"));
    // The forced settings do not outlive the run.
    QCOMPARE(data->Prefs().ExportFile, std::string());
    QVERIFY(presenter.shown.empty());
}

QTEST_MAIN(TestExportForm)
#include "tst_exportform.moc"
