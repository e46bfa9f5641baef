// The import dialog over a temporary data folder: controls, options, checks, runs, cancel, command line.
#include "ui/ImportHosts.h"

#include "core/DataUnit.h"
#include "support/DataFolder.h"
#include "support/FindChild.h"
#include "support/ScriptedPresenter.h"
#include "ui/MainUnit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>

namespace {

// The file dialog answers from a script and the report is only recorded,
// unless a test asks for the real text editor.
class TTestImportForm : public TImportForm {
public:
    using TImportForm::TImportForm;
    QStringList proposed;   // what the file dialog was given
    QString answer;         // what it answers; empty: cancelled
    QStringList reports;    // reports the dialog opened
    bool useEditor = false;

protected:
    QString SelectImportFile(const QString& current) override
    {
        proposed << current;
        return answer;
    }
    void OpenReport(const std::string& fileName) override
    {
        reports << QString::fromStdString(fileName);
        if (useEditor)
            TImportForm::OpenReport(fileName);
    }
};

// Over a data folder whose text editor logs what it opens; importPrefs is the
// [Import] section. Groups (ids): Default Group (1) and, unless left out, Ads (2);
// saved to the table files.
struct TFixture : TDataFolder {
    explicit TFixture(const QString& importPrefs = {}, bool withAds = true)
        : TDataFolder("[Import]\n" + importPrefs.toStdString(), TEditor::Logger)
    {
        TGroupList list;
        data->FillGroupList(list, false);
        if (withAds)
            data->AddGroup("Ads", false, false);
        data->SaveDatabase(false);
    }
};

const QStringList CounterNames = {"stNG", "stDG", "stUG", "stNB", "stDB", "stUB", "stNH", "stDH", "stUH"};

const QStringList OptionNames = {"rbFmtHosts",    "rbFmtPlainText",  "rbCreateNew",    "rbDefaultNew",
                                 "rbDefaultAll",  "cbAllowUpdate",   "cbGoodHosts",    "cbUpdateGoodHosts",
                                 "cbSwapType",    "cbGroupCleanup",  "cbImportReport", "cbReportNew",
                                 "cbReportDupes", "cbReportUpdates", "cbImportWrite"};

QStringList Counters(const TImportForm& form)
{
    QStringList texts;
    for (const QString& name : CounterNames)
        texts << Find<QLabel>(&form, name)->text();
    return texts;
}

QStringList Checked(const TImportForm& form)
{
    QStringList names;
    for (const QString& name : OptionNames)
        if (Find<QAbstractButton>(&form, name)->isChecked())
            names << name;
    return names;
}

QStringList Items(const QComboBox& combo)
{
    QStringList items;
    for (int i = 0; i < combo.count(); ++i)
        items << QString("%1=%2").arg(combo.itemText(i)).arg(combo.itemData(i).toInt());
    return items;
}

// The import options as stored, in one line.
QString Summary(const TQuillonPrefs& p)
{
    const std::pair<const char*, int> values[] = {
        {"format", p.ImportFormat},        {"group", p.ImportDefaultGroup},
        {"option", p.ImportGroupOption},   {"updates", p.ImportUpdates},
        {"cleanup", p.ImportCleanup},      {"good", p.ImportGoodHosts},
        {"updateGood", p.UpdateGoodHosts}, {"swap", p.ImportSwapHosts},
        {"report", p.ImportReport},        {"new", p.ReportNew},
        {"dupes", p.ReportDupes},          {"changes", p.ReportUpdates},
        {"write", p.ImportWrite}};
    QStringList parts;
    for (const auto& [name, value] : values)
        parts << QString("%1=%2").arg(name).arg(value);
    return parts.join(' ');
}

void ExpectIdle(const TImportForm& form)
{
    QVERIFY(!form.Running());
    QVERIFY(form.btnImport->isEnabled());
    QCOMPARE(form.btnClose->text(), QString("Close"));
}

}   // namespace

class TestImportForm : public QObject {
    Q_OBJECT

private slots:
    void controls_data();
    void controls();
    void layout();

    void showPreferences_data();
    void showPreferences();
    void enablingRules_data();
    void enablingRules();
    void fileButton_data();
    void fileButton();

    void validation_data();
    void validation();
    void storedPreferences_data();
    void storedPreferences();

    void importRun_data();
    void importRun();
    void reportInTextEditor();
    void failedRunRestoresButtons();
    void closeWhenIdle_data();
    void closeWhenIdle();

    void unattended_data();
    void unattended();
    void unattendedFailure();

    void altKeys_data();
    void altKeys();
    void altShortcutsSwallowed();
    void keysReachingControls_data();
    void keysReachingControls();
    void altF4CloseRequest_data();
    void altF4CloseRequest();
    void help();

    void mainWindowImport();
};

// ---------------------------------------------------------------------------
// Controls

void TestImportForm::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");

    const struct {
        const char* name;
        const char* className;
        const char* text;
    } rows[] = {
        {"lblFile", "QLabel", "File to Import"},
        {"FileEdit", "QLineEdit", ""},
        {"btnFile", "QPushButton", "..."},
        {"FormatPanel", "QWidget", ""},
        {"lblFormat", "QLabel", "Format:"},
        {"rbFmtHosts", "QRadioButton", "HOSTS"},
        {"rbFmtPlainText", "QRadioButton", "Plain Text"},
        {"lblDefaultGroup", "QLabel", "Default Group"},
        {"cbxDefaultGroup", "QComboBox", ""},
        {"rbCreateNew", "QRadioButton", "Create new groups as needed from comments in the import file"},
        {"rbDefaultNew", "QRadioButton", "Assign unrecognized/new groups to the default group"},
        {"rbDefaultAll", "QRadioButton", "Assign ALL imported hosts to the default group"},
        {"cbAllowUpdate", "QCheckBox", "Allow the import to change an existing host's group assignment"},
        {"cbGoodHosts", "QCheckBox", "Add hosts with normal IP addresses to the Good Hosts list"},
        {"cbUpdateGoodHosts", "QCheckBox", "Allow IP address updates to existing Good Hosts"},
        {"cbSwapType", "QCheckBox", "Allow hosts to be moved between Good and Bad"},
        {"cbGroupCleanup", "QCheckBox", "Delete unused groups after import (Group Cleanup)"},
        {"cbImportReport", "QCheckBox", "Create and view an Import Report"},
        {"lblInclude", "QLabel", "Include:"},
        {"cbReportNew", "QCheckBox", "New"},
        {"cbReportDupes", "QCheckBox", "Duplicates"},
        {"cbReportUpdates", "QCheckBox", "Updates"},
        {"cbImportWrite", "QCheckBox", "Write HOSTS after import"},
        {"lblNew", "QLabel", "New"},
        {"lblDuplicates", "QLabel", "Duplicates"},
        {"lblUpdates", "QLabel", "Updates"},
        {"lblGroups", "QLabel", "Groups"},
        {"lblBadHosts", "QLabel", "Bad Hosts"},
        {"lblGoodHosts", "QLabel", "Good Hosts"},
        {"pbProgress", "QProgressBar", ""},
        {"lblStatus", "QLabel", ""},
        {"btnImport", "QPushButton", "Import"},
        {"btnClose", "QPushButton", "Close"},
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << row.name << row.className << row.text;
    for (const QString& name : CounterNames)
        QTest::newRow(qPrintable(name)) << name << "QLabel"
                                        << "0";
}

void TestImportForm::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, text);

    TFixture fx;
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    QCOMPARE(form.objectName(), QString("ImportForm"));
    QCOMPARE(form.windowTitle(), QString("Import Hosts"));
    form.show();

    auto* w = Find<QWidget>(&form, name);
    QCOMPARE(QString(w->metaObject()->className()), className);
    QVERIFY(w->isVisible());
    if (auto* label = qobject_cast<QLabel*>(w))
        QCOMPARE(label->text(), text);
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        QCOMPARE(button->text(), text);
    if (CounterNames.contains(name)) {
        auto* counter = qobject_cast<QLabel*>(w);
        QCOMPARE(counter->frameShadow(), QFrame::Sunken);
        QCOMPARE(counter->alignment(), Qt::AlignCenter);
    }
}

void TestImportForm::layout()
{
    TFixture fx;
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.show();

    // Top to bottom; the names of a row from left to right.
    const QList<QStringList> rows = {
        {"lblFile"},
        {"FileEdit", "btnFile"},
        {"FormatPanel"},
        {"lblDefaultGroup"},
        {"cbxDefaultGroup"},
        {"rbCreateNew"},
        {"rbDefaultNew"},
        {"rbDefaultAll"},
        {"cbAllowUpdate"},
        {"cbGoodHosts"},
        {"cbUpdateGoodHosts"},
        {"cbSwapType"},
        {"cbGroupCleanup"},
        {"cbImportReport"},
        {"lblInclude", "cbReportNew", "cbReportDupes", "cbReportUpdates"},
        {"cbImportWrite"},
        {"Divider"},
        {"lblNew", "lblDuplicates", "lblUpdates"},
        {"lblGroups", "stNG", "stDG", "stUG"},
        {"lblBadHosts", "stNB", "stDB", "stUB"},
        {"lblGoodHosts", "stNH", "stDH", "stUH"},
        {"pbProgress"},
        {"lblStatus", "btnImport", "btnClose"},
    };
    auto rect = [&form](const QString& name) {
        const QWidget* w = Find<QWidget>(&form, name);
        return QRect(w->mapTo(&form, QPoint(0, 0)), w->size());
    };
    int previousBottom = -1;
    for (const QStringList& row : rows) {
        int bottom = previousBottom, right = -1;
        for (const QString& name : row) {
            const QRect r = rect(name);
            QVERIFY2(form.rect().contains(r), qPrintable(name));
            QVERIFY2(r.top() > previousBottom, qPrintable(name + " overlaps the row above"));
            QVERIFY2(r.left() > right, qPrintable(name + " overlaps its left neighbour"));
            right = r.right();
            bottom = std::max(bottom, r.bottom());
        }
        previousBottom = bottom;
    }

    // The dependent options are indented under the box they depend on.
    QVERIFY(rect("cbUpdateGoodHosts").left() > rect("cbGoodHosts").left());
    QCOMPARE(rect("cbSwapType").left(), rect("cbUpdateGoodHosts").left());
    QVERIFY(rect("lblInclude").left() > rect("cbImportReport").left());
    // Each column title sits over its counters, which share one width.
    const QStringList titles = {"lblNew", "lblDuplicates", "lblUpdates"};
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row) {
            const QRect counter = rect(CounterNames[row * 3 + column]);
            QVERIFY(qAbs(counter.center().x() - rect(titles[column]).center().x()) <= 1);
            QVERIFY(qAbs(counter.width() - rect(CounterNames[0]).width()) <= 1);
        }
    }

    const QStringList tabOrder = {"FileEdit",        "btnFile",        "rbFmtHosts",        "rbFmtPlainText",
                                  "cbxDefaultGroup", "rbCreateNew",    "rbDefaultNew",      "rbDefaultAll",
                                  "cbAllowUpdate",   "cbGoodHosts",    "cbUpdateGoodHosts", "cbSwapType",
                                  "cbGroupCleanup",  "cbImportReport", "cbReportNew",       "cbReportDupes",
                                  "cbReportUpdates", "cbImportWrite",  "btnImport",         "btnClose"};
    QStringList order;
    QWidget* w = form.FileEdit;
    do {
        if (tabOrder.contains(w->objectName()) && !order.contains(w->objectName()))
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != form.FileEdit);
    QCOMPARE(order, tabOrder);
}

// ---------------------------------------------------------------------------
// Showing the preferences

void TestImportForm::showPreferences_data()
{
    QTest::addColumn<QString>("prefs");
    QTest::addColumn<bool>("withAds");
    QTest::addColumn<QString>("preset");   // FileEdit's text before the dialog shows
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QString>("group");

    QTest::newRow("defaults, no default group matching")
        << "" << true << ""
        << ""
        << QStringList({"rbFmtHosts", "rbCreateNew", "cbAllowUpdate", "cbGoodHosts", "cbGroupCleanup",
                        "cbImportReport", "cbReportNew", "cbReportUpdates", "cbImportWrite"})
        << "";
    QTest::newRow("every option turned")
        << "ImportFile=/data/list.txt\nImportFormat=1\nImportDefaultGroup=2\nImportGroupOption=2\n"
           "ImportUpdates=0\nImportCleanup=0\nImportGoodHosts=0\nUpdateGoodHosts=1\nImportSwapHosts=1\n"
           "ImportReport=0\nReportNew=0\nReportDupes=1\nReportUpdates=0\nImportWrite=0\n"
        << true << ""
        << "/data/list.txt"
        << QStringList({"rbFmtPlainText", "rbDefaultAll", "cbUpdateGoodHosts", "cbSwapType", "cbReportDupes"})
        << "Ads";
    QTest::newRow("unrecognized groups to the default group")
        << "ImportDefaultGroup=1\nImportGroupOption=1\n"
        << true << ""
        << ""
        << QStringList({"rbFmtHosts", "rbDefaultNew", "cbAllowUpdate", "cbGoodHosts", "cbGroupCleanup",
                        "cbImportReport", "cbReportNew", "cbReportUpdates", "cbImportWrite"})
        << "Default Group";
    QTest::newRow("the only group is preselected")
        << "ImportDefaultGroup=7\nImportGoodHosts=0\n"
        << false << ""
        << ""
        << QStringList({"rbFmtHosts", "rbCreateNew", "cbAllowUpdate", "cbGroupCleanup", "cbImportReport",
                        "cbReportNew", "cbReportUpdates", "cbImportWrite"})
        << "Default Group";
    QTest::newRow("a preset file stays")
        << "ImportFile=/data/list.txt\n"
        << true << "/first/run/hosts"
        << "/first/run/hosts"
        << QStringList({"rbFmtHosts", "rbCreateNew", "cbAllowUpdate", "cbGoodHosts", "cbGroupCleanup",
                        "cbImportReport", "cbReportNew", "cbReportUpdates", "cbImportWrite"})
        << "";
}

void TestImportForm::showPreferences()
{
    QFETCH(QString, prefs);
    QFETCH(bool, withAds);
    QFETCH(QString, preset);
    QFETCH(QString, file);
    QFETCH(QStringList, checked);
    QFETCH(QString, group);

    TFixture fx(prefs, withAds);
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.FileEdit->setText(preset);
    // Every box starts ticked, so only the preferences can untick them.
    for (const QString& name : OptionNames)
        Find<QAbstractButton>(&form, name)->setChecked(true);
    form.lblStatus->setText("left from before");
    form.show();

    QCOMPARE(form.FileEdit->text(), file);
    QCOMPARE(Checked(form), checked);
    QCOMPARE(Items(*form.cbxDefaultGroup),
             withAds ? QStringList({"Ads=2", "Default Group=1"}) : QStringList({"Default Group=1"}));
    QCOMPARE(form.cbxDefaultGroup->currentText(), group);
    QCOMPARE(form.lblStatus->text(), QString());
    QVERIFY(presenter.shown.empty());
}

void TestImportForm::enablingRules_data()
{
    QTest::addColumn<bool>("goodHosts");
    QTest::addColumn<bool>("report");

    QTest::newRow("both on") << true << true;
    QTest::newRow("both off") << false << false;
    QTest::newRow("good hosts only") << true << false;
}

void TestImportForm::enablingRules()
{
    QFETCH(bool, goodHosts);
    QFETCH(bool, report);

    TFixture fx(QString("ImportGoodHosts=%1\nImportReport=%2\n").arg(goodHosts).arg(report));
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.show();

    auto expect = [&form](bool good, bool rep) {
        QCOMPARE(form.cbUpdateGoodHosts->isEnabled(), good);
        QCOMPARE(form.cbSwapType->isEnabled(), good);
        QCOMPARE(form.cbReportNew->isEnabled(), rep);
        QCOMPARE(form.cbReportDupes->isEnabled(), rep);
        QCOMPARE(form.cbReportUpdates->isEnabled(), rep);
    };
    expect(goodHosts, report);
    QTest::mouseClick(form.cbGoodHosts, Qt::LeftButton);
    expect(!goodHosts, report);
    QTest::mouseClick(form.cbImportReport, Qt::LeftButton);
    expect(!goodHosts, !report);
}

void TestImportForm::fileButton_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("file");

    QTest::newRow("chosen") << "/lists/new.txt"
                            << "/lists/new.txt";
    QTest::newRow("cancelled") << ""
                               << "/lists/old.txt";
}

void TestImportForm::fileButton()
{
    QFETCH(QString, answer);
    QFETCH(QString, file);

    TFixture fx("ImportFile=/lists/old.txt\n");
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.show();
    form.answer = answer;
    QTest::mouseClick(form.btnFile, Qt::LeftButton);

    QCOMPARE(form.proposed, QStringList({"/lists/old.txt"}));
    QCOMPARE(form.FileEdit->text(), file);
    QCOMPARE(QString::fromStdString(fx.data->Prefs().ImportFile), QString("/lists/old.txt"));
}

// ---------------------------------------------------------------------------
// Import button: checks and stored preferences

void TestImportForm::validation_data()
{
    QTest::addColumn<QString>("prefs");
    QTest::addColumn<QString>("file");   // %dir% stands for the data folder
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");

    QTest::newRow("no file") << "ImportDefaultGroup=1\n"
                             << ""
                             << "Please select an Import File."
                             << "FileEdit";
    QTest::newRow("missing file") << "ImportDefaultGroup=1\n"
                                  << "%dir%missing.txt"
                                  << "File not found: %dir%missing.txt"
                                  << "FileEdit";
    QTest::newRow("a folder") << "ImportDefaultGroup=1\n"
                              << "%dir%"
                              << "File not found: %dir%"
                              << "FileEdit";
    QTest::newRow("no default group") << "ImportDefaultGroup=9\n"
                                      << "%dir%list.txt"
                                      << "Please select a Default Group"
                                      << "cbxDefaultGroup";
}

void TestImportForm::validation()
{
    QFETCH(QString, prefs);
    QFETCH(QString, file);
    QFETCH(QString, message);
    QFETCH(QString, focus);

    TFixture fx(prefs);
    const QString dir = QString::fromStdString(fx.dir.Path());
    fx.dir.Write("list.txt", "127.0.0.1 ads.example.com\n");
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.show();
    const std::string ini = fx.Ini();
    form.FileEdit->setText(QString(file).replace("%dir%", dir));
    form.cbGroupCleanup->setChecked(false);
    form.btnImport->setFocus();
    form.btnImport->click();

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(presenter.Last().text), QString(message).replace("%dir%", dir));
    QCOMPARE(presenter.Last().caption, std::string("Import Hosts"));
    QCOMPARE(presenter.Last().kind, TMsgDlgType::mtInformation);
    QVERIFY(presenter.Last().owner == static_cast<TOwner>(static_cast<TImportForm*>(&form)));
    QCOMPARE(form.focusWidget()->objectName(), focus);
    // Nothing stored, nothing run.
    QVERIFY(fx.data->Prefs().ImportCleanup);
    QCOMPARE(fx.data->Prefs().ImportFile, std::string());
    QCOMPARE(fx.Ini(), ini);
    QCOMPARE(form.lblStatus->text(), QString());
    QVERIFY(form.reports.isEmpty());
    ExpectIdle(form);
}

void TestImportForm::storedPreferences_data()
{
    QTest::addColumn<bool>("plainText");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QStringList>("ticked");   // the other boxes are unticked
    QTest::addColumn<QString>("stored");

    QTest::newRow("everything on")
        << true << "rbDefaultAll"
        << QStringList({"cbAllowUpdate", "cbGoodHosts", "cbUpdateGoodHosts", "cbSwapType", "cbGroupCleanup",
                        "cbImportReport", "cbReportNew", "cbReportDupes", "cbReportUpdates", "cbImportWrite"})
        << "format=1 group=2 option=2 updates=1 cleanup=1 good=1 updateGood=1 swap=1 report=1 new=1 dupes=1 "
           "changes=1 write=1";
    QTest::newRow("good hosts off turns its options off")
        << false << "rbDefaultNew" << QStringList({"cbUpdateGoodHosts", "cbSwapType", "cbReportDupes"})
        << "format=0 group=2 option=1 updates=0 cleanup=0 good=0 updateGood=0 swap=0 report=0 new=0 dupes=1 "
           "changes=0 write=0";
    QTest::newRow("good hosts on keeps its options")
        << false << "rbCreateNew" << QStringList({"cbGoodHosts", "cbSwapType", "cbGroupCleanup"})
        << "format=0 group=2 option=0 updates=0 cleanup=1 good=1 updateGood=0 swap=1 report=0 new=0 dupes=0 "
           "changes=0 write=0";
}

void TestImportForm::storedPreferences()
{
    QFETCH(bool, plainText);
    QFETCH(QString, option);
    QFETCH(QStringList, ticked);
    QFETCH(QString, stored);

    TFixture fx;
    fx.dir.Write("list.txt", "");
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.show();
    form.FileEdit->setText(QString::fromStdString(fx.File("list.txt")));
    (plainText ? form.rbFmtPlainText : form.rbFmtHosts)->setChecked(true);
    form.cbxDefaultGroup->setCurrentIndex(form.cbxDefaultGroup->findData(2));
    Find<QRadioButton>(&form, option)->setChecked(true);
    for (const QString& name : OptionNames)
        if (name.startsWith("cb"))
            Find<QCheckBox>(&form, name)->setChecked(ticked.contains(name));
    form.btnImport->click();

    QVERIFY(presenter.shown.empty());
    QCOMPARE(Summary(fx.data->Prefs()), stored);
    TQuillonPrefs saved(fx.dir.File("Quillon.ini"), fx.dir.Path());
    saved.LoadPrefs();
    QCOMPARE(Summary(saved), stored);
    QCOMPARE(QString::fromStdString(saved.ImportFile), QString::fromStdString(fx.File("list.txt")));
    // The boxes themselves keep what the user ticked.
    QCOMPARE(form.cbSwapType->isChecked(), ticked.contains("cbSwapType"));
}

// ---------------------------------------------------------------------------
// Runs

void TestImportForm::importRun_data()
{
    QTest::addColumn<QString>("prefs");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QStringList>("counters");   // New, Duplicates, Updates of Groups, Bad and Good Hosts
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("groups");
    QTest::addColumn<int>("storedBadHosts");

    QTest::newRow("merge with cleanup")
        << ""
        << "# Created by Quillon 4.1 - 1/2/2025\n"
           "127.0.0.1\tlocalhost\n"
           "\n"
           "# Ads\n"
           "127.0.0.1 ads.example.com # banner\n"
           "127.0.0.1 ads.example.com # banner\n"
           "0.0.0.0 one.example,two.example\n"
           "# Trackers [R]\n"
           "127.0.0.1 pixel.example\n"
           "10.0.0.1 intranet.example # lan\n"
           "# Ads\n"
           "127.0.0.1 pixel.example\n"
        << QStringList({"1", "2", "-1", "4", "1", "1", "1", "0", "0"}) << "12 lines processed."
        << QStringList({"Ads=2", "Default Group=1"}) << 4;
    QTest::newRow("errors") << ""
                            << "127.0.0.1 a!b.example c@d.example e/f.example\n"
                            << QStringList({"0", "0", "-1", "0", "0", "0", "0", "0", "0"})
                            << "3 errors in 1 lines." << QStringList({"Default Group=1"}) << 0;
    QTest::newRow("plain text, all to the default group")
        << "ImportFormat=1\nImportGroupOption=2\nImportCleanup=0\n"
        << "** Trackers\nshop.example.com ** banner\ncdn.example.com\n"
        << QStringList({"0", "0", "0", "2", "0", "0", "0", "0", "0"}) << "3 lines processed."
        << QStringList({"Ads=2", "Default Group=1"}) << 2;
}

void TestImportForm::importRun()
{
    QFETCH(QString, prefs);
    QFETCH(QString, content);
    QFETCH(QStringList, counters);
    QFETCH(QString, status);
    QFETCH(QStringList, groups);
    QFETCH(int, storedBadHosts);

    TFixture fx("ImportDefaultGroup=1\n" + prefs);
    fx.dir.Write("list.txt", content.toStdString());
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.show();
    form.FileEdit->setText(QString::fromStdString(fx.File("list.txt")));
    form.CancelRequested = true;   // left from an earlier run
    form.btnImport->click();

    QVERIFY(presenter.shown.empty());
    QCOMPARE(Counters(form), counters);
    QCOMPARE(form.lblStatus->text(), status);
    QCOMPARE(form.pbProgress->value(), form.pbProgress->maximum());
    ExpectIdle(form);
    QCOMPARE(Items(*form.cbxDefaultGroup), groups);
    QCOMPARE(form.cbxDefaultGroup->currentData().toInt(), 1);
    QCOMPARE(form.reports, QStringList({QString::fromStdString(fx.File("ImportReport.txt"))}));
    QVERIFY(fx.dir.Read("ImportReport.txt").starts_with("Quillon Import Report - "));
    QCOMPARE(fx.StoredBadHosts(), storedBadHosts);
    // Write HOSTS after import is on by default.
    QVERIFY(fx.dir.Exists("hosts"));
    QVERIFY(form.isVisible());
}

void TestImportForm::reportInTextEditor()
{
    TFixture fx("ImportDefaultGroup=1\n");
    fx.dir.Write("list.txt", "127.0.0.1 ads.example.com\n");
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.useEditor = true;
    form.show();
    form.FileEdit->setText(QString::fromStdString(fx.File("list.txt")));
    form.btnImport->click();

    // The editor runs on its own; its log shows the one argument it got.
    QTRY_COMPARE(fx.EditorLog(), fx.File("ImportReport.txt") + "\n");
}

void TestImportForm::failedRunRestoresButtons()
{
    TFixture fx("ImportDefaultGroup=1\n");
    fx.dir.Write("list.txt", "127.0.0.1 ads.example.com\n");
    // A folder where the report should go: the report cannot be created.
    std::filesystem::create_directory(fx.dir.File("ImportReport.txt"));
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.show();
    form.FileEdit->setText(QString::fromStdString(fx.File("list.txt")));
    form.btnImport->click();

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().caption, std::string("Quillon"));
    QCOMPARE(presenter.Last().kind, TMsgDlgType::mtError);
    QVERIFY(QString::fromStdString(presenter.Last().text).contains("ImportReport.txt"));
    ExpectIdle(form);
    QVERIFY(form.reports.isEmpty());
    QVERIFY(form.isVisible());
    QVERIFY(!fx.dir.Exists("hosts"));
}

void TestImportForm::closeWhenIdle_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("Esc") << "Esc";
    QTest::newRow("Close button") << "button";
    QTest::newRow("close request") << "close";
}

void TestImportForm::closeWhenIdle()
{
    QFETCH(QString, how);

    TFixture fx;
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.show();
    if (how == "Esc")
        QTest::keyClick(form.cbxDefaultGroup, Qt::Key_Escape);
    else if (how == "button")
        QTest::mouseClick(form.btnClose, Qt::LeftButton);
    else
        QVERIFY(form.close());

    QVERIFY(!form.isVisible());
    QVERIFY(!form.CancelRequested);
}

// ---------------------------------------------------------------------------
// Unattended runs

void TestImportForm::unattended_data()
{
    QTest::addColumn<QString>("switchText");
    QTest::addColumn<QString>("content");
    QTest::addColumn<bool>("plainText");
    QTest::addColumn<QString>("newBadHosts");

    QTest::newRow("/ip reads plain text") << "/ip"
                                          << "ads.example.com\nshop.example.com ** shop\n"
                                          << true << "2";
    QTest::newRow("/i reads HOSTS") << "/i"
                                    << "127.0.0.1 ads.example.com\n"
                                    << false << "1";
    QTest::newRow("/i takes a plain list for HOSTS") << "/i"
                                                     << "ads.example.com\n"
                                                     << false << "0";
    QTest::newRow("/ip in a longer switch") << "-x/ipq"
                                            << "ads.example.com\n"
                                            << true << "1";
}

void TestImportForm::unattended()
{
    QFETCH(QString, switchText);
    QFETCH(QString, content);
    QFETCH(bool, plainText);
    QFETCH(QString, newBadHosts);

    // The saved options are the opposite of what the command line asks for.
    TFixture fx(QString("ImportFile=/lists/saved.txt\nImportFormat=%1\nImportDefaultGroup=1\nImportWrite=1\n")
                    .arg(plainText ? 0 : 1));
    fx.dir.Write("cmd.txt", content.toStdString());
    const std::string ini = fx.Ini();
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.CmdLineFile = fx.dir.File("cmd.txt");
    form.CmdLineSwitch = switchText.toStdString();
    form.show();

    QTRY_VERIFY(!form.isVisible());
    QVERIFY(presenter.shown.empty());
    QCOMPARE(form.FileEdit->text(), QString::fromStdString(fx.File("cmd.txt")));
    QCOMPARE(form.rbFmtPlainText->isChecked(), plainText);
    QCOMPARE(form.stNB->text(), newBadHosts);
    QCOMPARE(fx.StoredBadHosts(), newBadHosts.toInt());
    ExpectIdle(form);
    // Written but not opened.
    QVERIFY(fx.dir.Exists("ImportReport.txt"));
    QVERIFY(form.reports.isEmpty());
    // Never the HOSTS file; the saved options untouched on disk and in force again.
    QVERIFY(!fx.dir.Exists("hosts"));
    QCOMPARE(fx.Ini(), ini);
    QCOMPARE(fx.data->Prefs().ImportFile, std::string("/lists/saved.txt"));
    QCOMPARE(fx.data->Prefs().ImportFormat, plainText ? 0 : 1);
    QVERIFY(fx.data->Prefs().ImportWrite);
}

void TestImportForm::unattendedFailure()
{
    TFixture fx("ImportFile=/lists/saved.txt\nImportDefaultGroup=1\nImportWrite=1\n");
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.CmdLineFile = fx.dir.File("missing.txt");
    form.CmdLineSwitch = "/i";
    form.show();

    QTRY_COMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().caption, std::string("Quillon"));
    QVERIFY(QString::fromStdString(presenter.Last().text).contains("missing.txt"));
    // The dialog stays, usable, with the saved options back in force.
    QVERIFY(form.isVisible());
    ExpectIdle(form);
    QCOMPARE(fx.data->Prefs().ImportFile, std::string("/lists/saved.txt"));
    QVERIFY(fx.data->Prefs().ImportWrite);
    QVERIFY(!fx.dir.Exists("hosts"));
}

// ---------------------------------------------------------------------------
// Keys

void TestImportForm::altKeys_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("toggles");

    QTest::newRow("Space") << int(Qt::NoModifier) << true;
    QTest::newRow("Alt+Space") << int(Qt::AltModifier) << false;
    QTest::newRow("Alt+Shift+Space") << int(Qt::AltModifier | Qt::ShiftModifier) << false;
}

void TestImportForm::altKeys()
{
    QFETCH(int, modifiers);
    QFETCH(bool, toggles);

    TFixture fx("ImportWrite=0\n");
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.show();
    form.cbImportWrite->setFocus();
    QTest::keyClick(form.cbImportWrite, Qt::Key_Space, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(form.cbImportWrite->isChecked(), toggles);

    // The key that closes windows does nothing here either.
    QTest::keyClick(form.cbImportWrite, Qt::Key_F4, Qt::KeyboardModifiers(modifiers) | Qt::AltModifier);
    QTest::keyClick(&form, Qt::Key_F4, Qt::AltModifier);
    QVERIFY(form.isVisible());
}

namespace {

// Counts the key presses that reach a widget.
class TKeyCounter : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            ++presses;
        return false;
    }
};

}   // namespace

void TestImportForm::keysReachingControls_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("arrives");

    QTest::newRow("a letter") << int(Qt::Key_A) << "a" << int(Qt::NoModifier) << true;
    QTest::newRow("Ctrl+A") << int(Qt::Key_A) << "" << int(Qt::ControlModifier) << true;
    QTest::newRow("Alt+A") << int(Qt::Key_A) << "a" << int(Qt::AltModifier) << false;
    QTest::newRow("Alt+Down") << int(Qt::Key_Down) << "" << int(Qt::AltModifier) << false;
    QTest::newRow("Ctrl+Alt+Delete") << int(Qt::Key_Delete) << ""
                                     << int(Qt::ControlModifier | Qt::AltModifier) << false;
    QTest::newRow("AltGr backslash, reported as Ctrl+Alt")
        << int(Qt::Key_Backslash) << "\\" << int(Qt::ControlModifier | Qt::AltModifier) << true;
}

void TestImportForm::keysReachingControls()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, modifiers);
    QFETCH(bool, arrives);

    TFixture fx;
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.show();
    TKeyCounter counter;
    form.FileEdit->installEventFilter(&counter);
    QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
    QApplication::sendEvent(form.FileEdit, &press);

    QCOMPARE(counter.presses, arrives ? 1 : 0);
}

void TestImportForm::altShortcutsSwallowed()
{
    TFixture fx;
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto* withAlt = new QShortcut(QKeySequence("Alt+K"), &form);
    auto* withCtrl = new QShortcut(QKeySequence("Ctrl+K"), &form);
    QSignalSpy altSpy(withAlt, &QShortcut::activated);
    QSignalSpy ctrlSpy(withCtrl, &QShortcut::activated);

    QTest::keyClick(form.FileEdit, Qt::Key_K, Qt::ControlModifier);
    QTest::keyClick(form.FileEdit, Qt::Key_K, Qt::AltModifier);
    QCOMPARE(ctrlSpy.count(), 1);
    QCOMPARE(altSpy.count(), 0);
    QCOMPARE(form.FileEdit->text(), QString());
}

void TestImportForm::altF4CloseRequest_data()
{
    QTest::addColumn<bool>("altHeld");
    QTest::addColumn<bool>("stays");

    QTest::newRow("with Alt held, as Alt+F4 sends it") << true << true;
    QTest::newRow("without Alt, as the title bar sends it") << false << false;
}

void TestImportForm::altF4CloseRequest()
{
    QFETCH(bool, altHeld);
    QFETCH(bool, stays);

    TFixture fx;
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.show();
    if (altHeld)
        QTest::keyPress(&form, Qt::Key_Alt, Qt::AltModifier);
    // A close request from the window system (sendEvent would mark it as the program's own).
    QCloseEvent request;
    QSpontaneKeyEvent::setSpontaneous(&request);
    qApp->notify(&form, &request);
    if (altHeld)
        QTest::keyRelease(&form, Qt::Key_Alt, Qt::NoModifier);

    QCOMPARE(form.isVisible(), stays);
    QVERIFY(QGuiApplication::keyboardModifiers() == Qt::NoModifier);
}

void TestImportForm::help()
{
    TFixture fx;
    TScriptedPresenter presenter;
    TTestImportForm form(*fx.data);
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(form.FileEdit, Qt::Key_F1);

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().caption, std::string("Help Error"));
    QCOMPARE(presenter.Last().text, "Path not found:\r\n" + fx.dir.Path() + "Help");
}

// ---------------------------------------------------------------------------
// Main window

namespace {

class TQuietMainForm : public TMainForm {
public:
    using TMainForm::TMainForm;

protected:
    void FirstRun() override {}
    void CmdLine() override {}
};

}   // namespace

void TestImportForm::mainWindowImport()
{
    TFixture fx("ImportDefaultGroup=1\nImportReport=0\nImportWrite=0\n");
    fx.dir.Write("list.txt", "# Trackers\n127.0.0.1 pixel.example\n");
    fx.data.reset();
    TScriptedPresenter presenter;
    TQuietMainForm main(fx.dir.Path());
    main.show();
    auto* action = Find<QAction>(&main, "actImport");
    QVERIFY(action->isEnabled());

    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TImportForm*>(QApplication::activeModalWidget());
        if (!form) {
            if (QWidget* other = QApplication::activeModalWidget())
                other->close();
            return;
        }
        modal = form->isModal();
        form->FileEdit->setText(QString::fromStdString(fx.File("list.txt")));
        form->btnImport->click();
        form->close();
    });
    action->trigger();

    QVERIFY(modal);
    QVERIFY(presenter.shown.empty());
    // The group the import made is in the main window's list at once.
    QVERIFY(Find<QComboBox>(&main, "cbxGroup")->findText("Trackers [R]") >= 0);
    QVERIFY(main.close());
}

QTEST_MAIN(TestImportForm)
#include "tst_importform.moc"
