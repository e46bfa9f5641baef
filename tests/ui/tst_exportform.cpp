// The export dialog over a temporary data folder: controls, options, groups, checks, runs, command line.
#include "ui/ExportHosts.h"

#include "core/DataUnit.h"
#include "support/DataFolder.h"
#include "support/FindChild.h"
#include "support/ScriptedPresenter.h"
#include "ui/MainUnit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaObject>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// The save dialog answers from a script.
class TTestExportForm : public TExportForm {
public:
    using TExportForm::TExportForm;
    QStringList proposed;   // what the save dialog was given
    QString answer;         // what it answers; empty: cancelled

protected:
    QString SelectExportFile(const QString& current) override
    {
        proposed << current;
        return answer;
    }
};

const char* DefaultExportPrefs = "ExportFile=%dir%export.txt\nExportView=0\nExportBackup=0\n";

// Over a data folder whose text editor logs what it opens; exportPrefs is the
// [Export] section, %dir% standing for the folder.
// Groups (ids): Default Group (1), Zoo [X] (2), Ads [R] (3), Malware [RX] (4).
struct TFixture : TDataFolder {
    explicit TFixture(const QString& exportPrefs = DefaultExportPrefs)
        : TDataFolder("[Export]\n" + exportPrefs.toStdString(), TEditor::Logger)
    {
        TGroupList list;
        data->FillGroupList(list, false);
        data->AddGroup("Zoo", false, true);
        data->AddGroup("Ads", true, false);
        data->AddGroup("Malware", true, true);
    }

    QString Text(const char* name) const { return QString::fromStdString(dir.Read(name)); }

    // The editor's log once everything started before has had its turn: a
    // marker opened now arrives after anything opened earlier.
    QString EditorLogBeforeMarker() const
    {
        const std::string marker = "marker\n";
        data->RunEditor("marker");
        std::string log;
        if (!QTest::qWaitFor([&] { return (log = EditorLog()).ends_with(marker); }, 10000))
            return "(no marker)";
        return QString::fromStdString(log.substr(0, log.size() - marker.size()));
    }
};

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

const QStringList OptionNames = {"rbFmtHosts",  "rbFmtPlainText", "cbGroups", "cbQuillon",
                                 "cbGoodHosts", "cbComments",     "cbBackup", "cbViewFile"};

QStringList Checked(const TExportForm& form)
{
    QStringList names;
    for (const QString& name : OptionNames)
        if (Find<QAbstractButton>(&form, name)->isChecked())
            names << name;
    return names;
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

QStringList Ticked(const QListWidget& list)
{
    QStringList names;
    for (int i = 0; i < list.count(); ++i)
        if (list.item(i)->checkState() == Qt::Checked)
            names << list.item(i)->text();
    return names;
}

// The export options as stored, in one line.
QString Summary(const TQuillonPrefs& p)
{
    return QString("format=%1 groups=%2 quillon=%3 good=%4 comments=%5 backup=%6 view=%7")
        .arg(p.ExportFormat)
        .arg(p.ExportGroups)
        .arg(p.ExportQuillon)
        .arg(p.ExportGoodHosts)
        .arg(p.ExportComments)
        .arg(p.ExportBackup)
        .arg(p.ExportView);
}

// The generated host names in a written file, in file order.
QStringList HostNames(const QString& text)
{
    QStringList names;
    static const QRegularExpression name("h\\d+-\\d+\\.example");
    for (const QRegularExpressionMatch& m : name.globalMatch(text))
        names << m.captured();
    return names;
}

void ExpectIdle(const TExportForm& form)
{
    QVERIFY(!form.Running());
    QVERIFY(form.btnExport->isEnabled());
    QCOMPARE(form.btnClose->text(), QString("Close"));
}

}   // namespace

class TestExportForm : public QObject {
    Q_OBJECT

private slots:
    void creationTicksDefaultGroups();
    void exportWritesTickedGroups();
    void cancelSeenWhileWriting();
    void writeHostsLeavesExcludedOut();

    void controls_data();
    void controls();
    void layout();
    void showOptions_data();
    void showOptions();
    void quillonFollowsGroups();
    void groupButtons_data();
    void groupButtons();
    void fileButton_data();
    void fileButton();

    void validation_data();
    void validation();
    void storedPreferences_data();
    void storedPreferences();
    void heightRemembered();
    void closeWhenIdle_data();
    void closeWhenIdle();
    void failedRunRestoresButtons();
    void viewFile_data();
    void viewFile();

    void unattended_data();
    void unattended();
    void unattendedFailure();
    void help();
    void mainWindowExport();
};

// ---------------------------------------------------------------------------
// The never-shown form behind Write HOSTS

void TestExportForm::creationTicksDefaultGroups()
{
    TFixture fx;
    TExportForm form(*fx.data);

    QCOMPARE(form.objectName(), QString("ExportForm"));
    QCOMPARE(form.windowTitle(), QString("Export Hosts"));
    QVERIFY(!form.isVisible());
    QCOMPARE(Items(*form.lbxGroups),
             QStringList({"Ads [R]=3 ticked", "Default Group=1 ticked", "Malware [RX]=4", "Zoo [X]=2"}));
    QCOMPARE(form.Selection().ticked, std::vector<int>({3, 1}));
    QCOMPARE(form.Selection().itemCount, size_t(4));
}

void TestExportForm::exportWritesTickedGroups()
{
    TFixture fx;
    AddHosts(*fx.data, 1, 2);
    AddHosts(*fx.data, 2, 1);
    AddHosts(*fx.data, 3, 1);
    TExportForm form(*fx.data);
    form.lbxGroups->item(1)->setCheckState(Qt::Unchecked);   // Default Group
    form.lbxGroups->item(3)->setCheckState(Qt::Checked);     // Zoo [X]
    form.CancelRequested = true;                             // left from an earlier run

    QVERIFY(form.DoExport());
    QCOMPARE(form.lblStatus->text(), QString("2 hosts written"));
    QCOMPARE(HostNames(fx.Text("export.txt")), QStringList({"h3-0.example", "h2-0.example"}));
}

void TestExportForm::cancelSeenWhileWriting()
{
    TFixture fx;
    fx.data->Prefs().ExportGroups = false;
    AddHosts(*fx.data, 1, 600);
    TExportForm form(*fx.data);
    // Runs when the writer lets pending events through, as a Cancel click would.
    QMetaObject::invokeMethod(
        &form, [&form] { form.CancelRequested = true; }, Qt::QueuedConnection);

    QVERIFY(!form.DoExport());
    QCOMPARE(form.lblStatus->text(), QString("Export cancelled, file deleted"));
    QVERIFY(!fx.dir.Exists("export.txt"));
}

void TestExportForm::writeHostsLeavesExcludedOut()
{
    TFixture fx;
    AddHosts(*fx.data, 1, 1);
    AddHosts(*fx.data, 2, 1);
    TScriptedPresenter presenter;

    // Write HOSTS needs no export dialog: the default groups are those it ticks.
    QVERIFY(WriteHosts(*fx.data, fx.data->Prefs()).completed);
    QCOMPARE(HostNames(fx.Text("hosts")), QStringList({"h1-0.example"}));
    QVERIFY(!fx.dir.Exists("export.txt"));
    // The forced settings do not outlive the run.
    QCOMPARE(fx.data->Prefs().ExportFile, fx.dir.File("export.txt"));
    QVERIFY(presenter.shown.empty());
}

// ---------------------------------------------------------------------------
// Controls and what they show

void TestExportForm::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");

    const struct {
        const char* name;
        const char* className;
        const char* text;
    } rows[] = {
        {"Label1", "QLabel", "Export filename"},
        {"FileEdit", "QLineEdit", ""},
        {"btnFile", "QPushButton", "..."},
        {"Label4", "QLabel", "Format:"},
        {"rbFmtHosts", "QRadioButton", "HOSTS"},
        {"rbFmtPlainText", "QRadioButton", "Plain Text"},
        {"Label2", "QLabel", "Groups to Export"},
        {"lbxGroups", "QListWidget", ""},
        {"btnAll", "QPushButton", "All"},
        {"btnNone", "QPushButton", "None"},
        {"btnReverse", "QPushButton", "Reverse"},
        {"btnDefault", "QPushButton", "Default"},
        {"cbGroups", "QCheckBox", "Export group names as comments"},
        {"cbQuillon", "QCheckBox", "Add Quillon-specific options, e.g. [RX]"},
        {"cbGoodHosts", "QCheckBox", "Export Good Hosts (always included in Write HOSTS)"},
        {"cbComments", "QCheckBox", "Export individual host comments"},
        {"cbBackup", "QCheckBox", "Create a backup copy (.bak)"},
        {"cbViewFile", "QCheckBox", "View file in text editor when finished"},
        {"lblStatus", "QLabel", ""},
        {"btnExport", "QPushButton", "Export"},
        {"btnClose", "QPushButton", "Close"},
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << row.name << row.className << row.text;
}

void TestExportForm::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, text);

    TFixture fx;
    TScriptedPresenter presenter;
    TTestExportForm form(*fx.data);
    form.show();

    auto* w = Find<QWidget>(&form, name);
    QCOMPARE(QString(w->metaObject()->className()), className);
    QVERIFY(w->isVisible());
    if (auto* label = qobject_cast<QLabel*>(w))
        QCOMPARE(label->text(), text);
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        QCOMPARE(button->text(), text);
    if (name == "btnDefault")
        QCOMPARE(w->toolTip(), QString("Selects all but those marked as \"Exclude from HOSTS\", or [X]"));
}

void TestExportForm::layout()
{
    TFixture fx;
    TScriptedPresenter presenter;
    TTestExportForm form(*fx.data);
    form.show();

    QCOMPARE(form.minimumWidth(), form.maximumWidth());
    QCOMPARE(form.minimumHeight(), 350);
    QVERIFY(form.height() >= 350);
    // The sub-option sits under the text of the box it depends on.
    QVERIFY(form.cbQuillon->x() > form.cbGroups->x());
    QVERIFY(form.cbQuillon->y() > form.cbGroups->y());
    QVERIFY(form.cbQuillon->y() < form.cbGoodHosts->y());

    // Extra height goes to the group list; the rest keeps its place from the bottom.
    const int listHeight = form.lbxGroups->height();
    const int closeFromBottom = form.height() - form.btnClose->y();
    form.resize(form.width(), form.height() + 100);
    QCOMPARE(form.lbxGroups->height(), listHeight + 100);
    QCOMPARE(form.height() - form.btnClose->y(), closeFromBottom);
    form.resize(form.width(), 100);
    QCOMPARE(form.height(), 350);
}

void TestExportForm::showOptions_data()
{
    QTest::addColumn<QString>("prefs");
    QTest::addColumn<QString>("preset");   // FileEdit's text before the dialog shows
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<bool>("quillonEnabled");

    QTest::newRow("defaults")
        << ""
        << ""
        << "" << QStringList({"rbFmtHosts", "cbGroups", "cbQuillon", "cbComments", "cbBackup", "cbViewFile"})
        << true;
    QTest::newRow("every option turned")
        << "ExportFile=/data/out.txt\nExportFormat=1\nExportGroups=0\nExportQuillon=1\nExportGoodHosts=1\n"
           "ExportComments=0\nExportBackup=0\nExportView=0\n"
        << ""
        << "/data/out.txt" << QStringList({"rbFmtPlainText", "cbQuillon", "cbGoodHosts"}) << false;
    QTest::newRow("any other format is plain text")
        << "ExportFormat=7\nExportQuillon=0\n"
        << ""
        << "" << QStringList({"rbFmtPlainText", "cbGroups", "cbComments", "cbBackup", "cbViewFile"}) << true;
    QTest::newRow("a preset file stays")
        << "ExportFile=/data/out.txt\n"
        << "/first/out.txt"
        << "/first/out.txt"
        << QStringList({"rbFmtHosts", "cbGroups", "cbQuillon", "cbComments", "cbBackup", "cbViewFile"})
        << true;
}

void TestExportForm::showOptions()
{
    QFETCH(QString, prefs);
    QFETCH(QString, preset);
    QFETCH(QString, file);
    QFETCH(QStringList, checked);
    QFETCH(bool, quillonEnabled);

    TFixture fx(prefs);
    TScriptedPresenter presenter;
    TTestExportForm form(*fx.data);
    form.FileEdit->setText(preset);
    // Every box starts ticked, so only the preferences can untick them.
    for (const QString& name : OptionNames)
        Find<QAbstractButton>(&form, name)->setChecked(true);
    form.lblStatus->setText("left from before");
    form.show();

    QCOMPARE(form.FileEdit->text(), file);
    QCOMPARE(Checked(form), checked);
    QCOMPARE(form.cbQuillon->isEnabled(), quillonEnabled);
    QCOMPARE(form.lblStatus->text(), QString());
    QVERIFY(presenter.shown.empty());
}

void TestExportForm::quillonFollowsGroups()
{
    TFixture fx;
    TScriptedPresenter presenter;
    TTestExportForm form(*fx.data);
    form.show();
    QVERIFY(form.cbQuillon->isEnabled() && form.cbQuillon->isChecked());

    QTest::mouseClick(form.cbGroups, Qt::LeftButton);
    QVERIFY(!form.cbQuillon->isEnabled());
    QVERIFY(form.cbQuillon->isChecked());
    QTest::mouseClick(form.cbGroups, Qt::LeftButton);
    QVERIFY(form.cbQuillon->isEnabled());
    QVERIFY(form.cbQuillon->isChecked());
}

void TestExportForm::groupButtons_data()
{
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QStringList>("ticked");

    QTest::newRow("All") << QStringList({"btnAll"})
                         << QStringList({"Ads [R]", "Default Group", "Malware [RX]", "Zoo [X]"});
    QTest::newRow("None") << QStringList({"btnNone"}) << QStringList();
    QTest::newRow("Reverse") << QStringList({"btnReverse"}) << QStringList({"Malware [RX]", "Zoo [X]"});
    QTest::newRow("Default after All")
        << QStringList({"btnAll", "btnDefault"}) << QStringList({"Ads [R]", "Default Group"});
    QTest::newRow("Default after None")
        << QStringList({"btnNone", "btnDefault"}) << QStringList({"Ads [R]", "Default Group"});
}

void TestExportForm::groupButtons()
{
    QFETCH(QStringList, buttons);
    QFETCH(QStringList, ticked);

    TFixture fx;
    TScriptedPresenter presenter;
    TTestExportForm form(*fx.data);
    form.show();
    for (const QString& name : buttons)
        QTest::mouseClick(Find<QPushButton>(&form, name), Qt::LeftButton);

    QCOMPARE(Ticked(*form.lbxGroups), ticked);
}

void TestExportForm::fileButton_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("file");

    QTest::newRow("chosen") << "/lists/new.txt"
                            << "/lists/new.txt";
    QTest::newRow("cancelled") << ""
                               << "/lists/old.txt";
}

void TestExportForm::fileButton()
{
    QFETCH(QString, answer);
    QFETCH(QString, file);

    TFixture fx("ExportFile=/lists/old.txt\n");
    TScriptedPresenter presenter;
    TTestExportForm form(*fx.data);
    form.show();
    form.answer = answer;
    QTest::mouseClick(form.btnFile, Qt::LeftButton);

    QCOMPARE(form.proposed, QStringList({"/lists/old.txt"}));
    QCOMPARE(form.FileEdit->text(), file);
    QCOMPARE(fx.data->Prefs().ExportFile, std::string("/lists/old.txt"));
}

// ---------------------------------------------------------------------------
// Export button

void TestExportForm::validation_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("groups");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("fileAfter");

    QTest::newRow("no file") << "" << true << "Please select an export file"
                             << "FileEdit"
                             << "";
    QTest::newRow("blanks only") << "   " << true << "Please select an export file"
                                 << "FileEdit"
                                 << "";
    QTest::newRow("no group") << " /out/list.txt " << false << "Please select at least one group to export"
                              << "lbxGroups"
                              << "/out/list.txt";
}

void TestExportForm::validation()
{
    QFETCH(QString, file);
    QFETCH(bool, groups);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    QFETCH(QString, fileAfter);

    TFixture fx;
    TScriptedPresenter presenter;
    TTestExportForm form(*fx.data);
    form.show();
    const std::string ini = fx.Ini();
    form.FileEdit->setText(file);
    if (!groups)
        form.btnNone->click();
    form.cbComments->setChecked(false);
    form.btnExport->setFocus();
    form.btnExport->click();

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(presenter.Last().text), message);
    QCOMPARE(presenter.Last().caption, std::string("Export Hosts"));
    QCOMPARE(presenter.Last().kind, TMsgDlgType::mtInformation);
    QVERIFY(presenter.Last().owner == static_cast<TOwner>(static_cast<TExportForm*>(&form)));
    QCOMPARE(form.focusWidget()->objectName(), focus);
    QCOMPARE(form.FileEdit->text(), fileAfter);
    // Nothing stored, nothing written.
    QVERIFY(fx.data->Prefs().ExportComments);
    QCOMPARE(fx.Ini(), ini);
    QVERIFY(!fx.dir.Exists("export.txt"));
    QCOMPARE(form.lblStatus->text(), QString());
    ExpectIdle(form);
}

void TestExportForm::storedPreferences_data()
{
    QTest::addColumn<QString>("file");   // %dir% stands for the data folder
    QTest::addColumn<bool>("plainText");
    QTest::addColumn<QStringList>("ticked");   // the other boxes are unticked
    QTest::addColumn<QString>("stored");

    QTest::newRow("everything on, blanks around the name")
        << "  %dir%out.txt " << true
        << QStringList({"cbGroups", "cbQuillon", "cbGoodHosts", "cbComments", "cbBackup", "cbViewFile"})
        << "format=1 groups=1 quillon=1 good=1 comments=1 backup=1 view=1";
    QTest::newRow("everything off") << "%dir%out.txt" << false << QStringList()
                                    << "format=0 groups=0 quillon=0 good=0 comments=0 backup=0 view=0";
    QTest::newRow("flags without group names are not kept")
        << "%dir%out.txt" << false << QStringList({"cbQuillon", "cbGoodHosts"})
        << "format=0 groups=0 quillon=0 good=1 comments=0 backup=0 view=0";
}

void TestExportForm::storedPreferences()
{
    QFETCH(QString, file);
    QFETCH(bool, plainText);
    QFETCH(QStringList, ticked);
    QFETCH(QString, stored);

    TFixture fx;
    AddHosts(*fx.data, 1, 2);
    TScriptedPresenter presenter;
    TTestExportForm form(*fx.data);
    form.show();
    form.FileEdit->setText(file.replace("%dir%", QString::fromStdString(fx.dir.Path())));
    (plainText ? form.rbFmtPlainText : form.rbFmtHosts)->setChecked(true);
    for (const QString& name : OptionNames)
        if (name.startsWith("cb"))
            Find<QCheckBox>(&form, name)->setChecked(ticked.contains(name));
    form.btnExport->click();

    QVERIFY(presenter.shown.empty());
    QCOMPARE(form.FileEdit->text(), QString::fromStdString(fx.File("out.txt")));
    QCOMPARE(form.lblStatus->text(), QString("2 hosts written"));
    QCOMPARE(HostNames(fx.Text("out.txt")), QStringList({"h1-0.example", "h1-1.example"}));
    ExpectIdle(form);
    QVERIFY(form.isVisible());
    TQuillonPrefs saved(fx.dir.File("Quillon.ini"), fx.dir.Path());
    saved.LoadPrefs();
    QCOMPARE(Summary(fx.data->Prefs()), stored);
    QCOMPARE(Summary(saved), stored);
    QCOMPARE(saved.ExportFile, fx.dir.File("out.txt"));
    QCOMPARE(saved.ExportHeight, form.height());
    // The box itself keeps what the user ticked.
    QCOMPARE(form.cbQuillon->isChecked(), ticked.contains("cbQuillon"));
}

void TestExportForm::heightRemembered()
{
    TFixture fx;
    AddHosts(*fx.data, 1, 1);
    TScriptedPresenter presenter;
    int designed = 0;
    {
        TTestExportForm form(*fx.data);
        form.show();
        designed = form.height();
        form.resize(form.width(), designed + 57);
        form.btnExport->click();
    }
    TTestExportForm again(*fx.data);
    again.show();
    QCOMPARE(again.height(), designed + 57);
    QVERIFY(presenter.shown.empty());
}

void TestExportForm::closeWhenIdle_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("Esc") << "Esc";
    QTest::newRow("Close button") << "button";
    QTest::newRow("close request") << "close";
}

void TestExportForm::closeWhenIdle()
{
    QFETCH(QString, how);

    TFixture fx;
    TScriptedPresenter presenter;
    TTestExportForm form(*fx.data);
    form.show();
    const std::string ini = fx.Ini();
    form.rbFmtPlainText->setChecked(true);
    form.resize(form.width(), form.height() + 40);
    if (how == "Esc")
        QTest::keyClick(form.lbxGroups, Qt::Key_Escape);
    else if (how == "button")
        QTest::mouseClick(form.btnClose, Qt::LeftButton);
    else
        QVERIFY(form.close());

    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Rejected));
    // Closing saves nothing.
    QCOMPARE(fx.Ini(), ini);
    QCOMPARE(fx.data->Prefs().ExportFormat, 0);
    QCOMPARE(fx.data->Prefs().ExportHeight, 0);
}

void TestExportForm::failedRunRestoresButtons()
{
    TFixture fx("ExportFile=%dir%missing/out.txt\nExportView=0\nExportBackup=0\n");
    TScriptedPresenter presenter;
    TTestExportForm form(*fx.data);
    form.show();
    form.btnExport->click();

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().caption, std::string("Quillon"));
    QCOMPARE(presenter.Last().kind, TMsgDlgType::mtError);
    QVERIFY(QString::fromStdString(presenter.Last().text).contains("missing/out.txt"));
    ExpectIdle(form);
    QVERIFY(form.isVisible());
}

void TestExportForm::viewFile_data()
{
    QTest::addColumn<bool>("view");

    QTest::newRow("view on") << true;
    QTest::newRow("view off") << false;
}

void TestExportForm::viewFile()
{
    QFETCH(bool, view);

    TFixture fx;
    AddHosts(*fx.data, 1, 1);
    TScriptedPresenter presenter;
    TTestExportForm form(*fx.data);
    form.show();
    form.cbViewFile->setChecked(view);
    form.btnExport->click();

    // The editor runs on its own; its log shows the one argument it got.
    if (view)
        QTRY_COMPARE(fx.EditorLog(), fx.File("export.txt") + "\n");
    else
        QCOMPARE(fx.EditorLogBeforeMarker(), QString());
}

// ---------------------------------------------------------------------------
// Command line

void TestExportForm::unattended_data()
{
    QTest::addColumn<QString>("switchText");
    QTest::addColumn<QString>("prefix");   // comment marker of the format
    QTest::addColumn<QStringList>("hosts");

    const QStringList defaults = {"h3-0.example", "h1-0.example"};
    const QStringList all = {"h3-0.example", "h1-0.example", "h4-0.example", "h2-0.example"};
    QTest::newRow("/x: default groups, HOSTS") << "/x"
                                               << "#" << defaults;
    QTest::newRow("/ex: default groups, HOSTS") << "/ex"
                                                << "#" << defaults;
    QTest::newRow("/export: a p alone is not plain text") << "/export"
                                                          << "#" << defaults;
    QTest::newRow("/a: all groups, HOSTS") << "/a"
                                           << "#" << all;
    QTest::newRow("/xp: default groups, plain text") << "/xp"
                                                     << "**" << defaults;
    QTest::newRow("/xpa: all groups, plain text") << "/xpa"
                                                  << "**" << all;
}

void TestExportForm::unattended()
{
    QFETCH(QString, switchText);
    QFETCH(QString, prefix);
    QFETCH(QStringList, hosts);

    // The saved format is the opposite of the switch's; the editor would open.
    TFixture fx(QString("ExportFile=/lists/saved.txt\nExportFormat=%1\nExportGroups=1\nExportQuillon=1\n"
                        "ExportBackup=0\nExportView=1\n")
                    .arg(prefix == "#" ? 1 : 0));
    for (int group = 1; group <= 4; ++group)
        AddHosts(*fx.data, group, 1);
    const std::string ini = fx.Ini();
    TScriptedPresenter presenter;
    TTestExportForm form(*fx.data);
    form.CmdLineFile = fx.dir.File("cmd.txt");
    form.CmdLineSwitch = switchText.toStdString();
    form.show();

    QTRY_VERIFY(!form.isVisible());
    QVERIFY(presenter.shown.empty());
    ExpectIdle(form);
    QCOMPARE(form.FileEdit->text(), QString::fromStdString(fx.File("cmd.txt")));
    const QString text = fx.Text("cmd.txt");
    QVERIFY(text.startsWith(prefix + " Created by Quillon"));
    // Group names and flags as saved.
    QVERIFY(text.contains(prefix + " Ads [R]"));
    QCOMPARE(HostNames(text), hosts);
    QCOMPARE(form.lblStatus->text(), QString("%1 hosts written").arg(hosts.size()));
    // The saved options untouched on disk and in force again; never the editor.
    QCOMPARE(fx.Ini(), ini);
    QCOMPARE(fx.data->Prefs().ExportFile, std::string("/lists/saved.txt"));
    QCOMPARE(fx.data->Prefs().ExportFormat, prefix == "#" ? 1 : 0);
    QVERIFY(fx.data->Prefs().ExportView);
    QCOMPARE(fx.EditorLogBeforeMarker(), QString());
}

void TestExportForm::unattendedFailure()
{
    TFixture fx("ExportFile=/lists/saved.txt\nExportView=1\n");
    const std::string ini = fx.Ini();
    TScriptedPresenter presenter;
    TTestExportForm form(*fx.data);
    form.CmdLineFile = fx.dir.File("missing/out.txt");
    form.CmdLineSwitch = "/x";
    form.show();

    QTRY_COMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().caption, std::string("Quillon"));
    QVERIFY(QString::fromStdString(presenter.Last().text).contains("missing/out.txt"));
    // The dialog stays, usable, with the saved options back in force.
    QVERIFY(form.isVisible());
    ExpectIdle(form);
    QCOMPARE(fx.data->Prefs().ExportFile, std::string("/lists/saved.txt"));
    QVERIFY(fx.data->Prefs().ExportView);
    QCOMPARE(fx.Ini(), ini);
}

// ---------------------------------------------------------------------------
// Help and the main window

void TestExportForm::help()
{
    TFixture fx;
    TScriptedPresenter presenter;
    TTestExportForm form(*fx.data);
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(form.FileEdit, Qt::Key_F1);

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().caption, std::string("Help Error"));
    QCOMPARE(presenter.Last().text, "Path not found:\r\n" + fx.dir.Path() + "Help");
}

namespace {

class TQuietMainForm : public TMainForm {
public:
    using TMainForm::TMainForm;

protected:
    void FirstRun() override {}
    void CmdLine() override {}
};

}   // namespace

void TestExportForm::mainWindowExport()
{
    TFixture fx;
    AddHosts(*fx.data, 1, 1);
    fx.data->SaveDatabase(false);
    fx.data.reset();
    TScriptedPresenter presenter;
    TQuietMainForm main(fx.dir.Path());
    main.show();
    auto* action = Find<QAction>(&main, "actExport");
    auto* disable = Find<QAction>(&main, "actDisableHOSTS");
    QVERIFY(action->isEnabled());
    QVERIFY(!disable->isEnabled());   // no HOSTS file yet

    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TExportForm*>(QApplication::activeModalWidget());
        if (!form) {
            if (QWidget* other = QApplication::activeModalWidget())
                other->close();
            return;
        }
        modal = form->isModal();
        form->FileEdit->setText(QString::fromStdString(fx.File("hosts")));
        form->btnExport->click();
        form->close();
    });
    action->trigger();

    QVERIFY(modal);
    QVERIFY(presenter.shown.empty());
    QCOMPARE(HostNames(fx.Text("hosts")), QStringList({"h1-0.example"}));
    // The export created the HOSTS file, which the window shows at once.
    QVERIFY(disable->isEnabled());
    QCOMPARE(disable->toolTip(), QString("Disable the HOSTS file"));
    QVERIFY(main.close());
}

QTEST_MAIN(TestExportForm)
#include "tst_exportform.moc"
