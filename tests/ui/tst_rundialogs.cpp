// The long-running dialogs (export, import, registry file) stopped in mid-run by each way of closing.
#include "ui/ExportHosts.h"
#include "ui/ImportHosts.h"
#include "ui/RegistryFile.h"

#include "support/DataFolder.h"
#include "support/DataRows.h"
#include "support/FindChild.h"
#include "support/ScriptedPresenter.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// The report of a run is recorded instead of opened.
class TReportedImportForm : public TImportForm {
public:
    using TImportForm::TImportForm;
    std::vector<std::string> reports;

protected:
    void OpenReport(const std::string& fileName) override { reports.push_back(fileName); }
};

// A dialog over a data folder of its own, its file named by the preferences,
// with so much to do that a run lets pending events through; and what else a
// stopped run must leave behind: files deleted or kept, tables, counters.
struct TLongRun {
    std::unique_ptr<TDataFolder> folder;   // outlives the dialog
    std::unique_ptr<TRunDialog> dialog;
    std::function<void()> expectLeft;
};

// 1500 hosts in the one group, ticked by default.
TLongRun LongExport()
{
    auto folder = std::make_unique<TDataFolder>(
        "[Export]\nExportFile=%dir%export.txt\nExportGroups=0\nExportView=0\nExportBackup=0\n");
    TDataFolder& fx = *folder;
    AddGroupRow(*fx.data, 1, "Default Group");
    for (int i = 0; i < 1500; ++i)
        AddBadRow(*fx.data, "h" + std::to_string(i) + ".example", 1);
    auto form = std::make_unique<TExportForm>(*fx.data);
    auto left = [&fx] { QVERIFY(!fx.dir.Exists("export.txt")); };
    return {std::move(folder), std::move(form), left};
}

// A list of 1500 new hosts over tables saved with one.
TLongRun LongImport()
{
    auto folder = std::make_unique<TDataFolder>("[Import]\nImportFile=%dir%list.txt\nImportDefaultGroup=1\n");
    TDataFolder& fx = *folder;
    AddGroupRow(*fx.data, 1, "Default Group");
    AddBadRow(*fx.data, "saved.example", 1);
    fx.data->SaveDatabase(false);
    std::string list;
    for (int i = 0; i < 1500; ++i)
        list += "127.0.0.1 h" + std::to_string(i) + ".example\n";
    fx.dir.Write("list.txt", list);
    auto form = std::make_unique<TReportedImportForm>(*fx.data);
    auto left = [&fx, form = form.get()] {
        // The tables are as last saved, in memory and on disk; no HOSTS write.
        QCOMPARE(fx.data->BadHosts.RecordCount(), 1);
        QCOMPARE(fx.StoredBadHosts(), 1);
        QVERIFY(!fx.dir.Exists("hosts"));
        // The cancelled run's report is opened too, and the counters show exactly what it lists.
        QCOMPARE(form->reports, std::vector<std::string>({fx.File("ImportReport.txt")}));
        const QString report = QString::fromStdString(fx.dir.Read("ImportReport.txt"));
        QVERIFY(report.trimmed().endsWith("Import cancelled"));
        const int listed = int(report.count("NEW    BadHost  "));
        QVERIFY(listed > 0 && listed < 1500);
        QCOMPARE(form->stNB->text(), QString::number(listed));
    };
    return {std::move(folder), std::move(form), left};
}

// 122 restricted domains; the count shown moves on every 50.
TLongRun LongRegistryFile()
{
    auto folder =
        std::make_unique<TDataFolder>("[Registry]\nRegistryFile=%dir%zones.reg\nRegistryBackup=0\n");
    TDataFolder& fx = *folder;
    AddGroupRow(*fx.data, 1, "Ads", true);
    AddBadRow(*fx.data, "ads.example.com", 1);
    AddBadRow(*fx.data, "tracker.co.uk", 1);
    for (int i = 0; i < 120; ++i)
        AddBadRow(*fx.data, "h.d" + std::to_string(i) + ".example", 1);
    auto form = std::make_unique<TRegistryFileForm>(*fx.data);
    auto left = [&fx, form = form.get()] {
        QCOMPARE(form->stCount->text(), QString("50"));
        QVERIFY(!fx.dir.Exists("zones.reg"));
    };
    return {std::move(folder), std::move(form), left};
}

struct TDialogCase {
    const char* runButton;       // the button that starts a run
    const char* stoppedStatus;   // what lblStatus says once the run stopped
    TLongRun (*setup)();
};

const std::map<QString, TDialogCase> Dialogs = {
    {"export", {"btnExport", "Export cancelled, file deleted", LongExport}},
    {"import", {"btnImport", "Import cancelled", LongImport}},
    {"registry file", {"btnCreate", "Create cancelled, file deleted", LongRegistryFile}},
};

}   // namespace

class TestRunDialogs : public QObject {
    Q_OBJECT

private slots:
    void stopDuringRun_data();
    void stopDuringRun();
};

void TestRunDialogs::stopDuringRun_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("how");

    const std::pair<const char*, const char*> ways[] = {
        {"Esc", "Esc"}, {"Cancel button", "button"}, {"close request", "close"}};
    for (const auto& dialog : Dialogs)
        for (const auto& [way, how] : ways)
            QTest::addRow("%s, %s", qPrintable(dialog.first), way) << dialog.first << QString(how);
}

void TestRunDialogs::stopDuringRun()
{
    QFETCH(QString, dialog);
    QFETCH(QString, how);

    const TDialogCase& dialogCase = Dialogs.at(dialog);
    TScriptedPresenter presenter;
    const TLongRun run = dialogCase.setup();
    TRunDialog& form = *run.dialog;
    auto* start = Find<QPushButton>(&form, dialogCase.runButton);
    form.show();

    // Runs when the job lets pending events through, as a user's action would.
    QString captionDuringRun;
    bool startEnabledDuringRun = true;
    bool closed = true;
    QMetaObject::invokeMethod(
        &form,
        [&] {
            captionDuringRun = form.btnClose->text();
            startEnabledDuringRun = start->isEnabled();
            if (how == "Esc")
                QTest::keyClick(&form, Qt::Key_Escape);
            else if (how == "button")
                form.btnClose->click();
            else
                closed = form.close();
        },
        Qt::QueuedConnection);
    start->click();

    QCOMPARE(captionDuringRun, QString("Cancel"));
    QVERIFY(!startEnabledDuringRun);
    if (how == "close")
        QVERIFY(!closed);
    QVERIFY(form.isVisible());
    QCOMPARE(Find<QLabel>(&form, "lblStatus")->text(), QString(dialogCase.stoppedStatus));
    // Idle again and usable.
    QVERIFY(!form.Running());
    QVERIFY(start->isEnabled());
    QCOMPARE(form.btnClose->text(), QString("Close"));
    QVERIFY(presenter.shown.empty());
    run.expectLeft();
}

QTEST_MAIN(TestRunDialogs)
#include "tst_rundialogs.moc"
