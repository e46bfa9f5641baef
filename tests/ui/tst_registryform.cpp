// The registry file dialog over a temporary data folder: controls, options, checks, runs, command line.
#include "ui/RegistryFile.h"

#include "core/DataUnit.h"
#include "support/DataFolder.h"
#include "support/DataRows.h"
#include "support/FindChild.h"
#include "support/ScriptedPresenter.h"
#include "ui/MainUnit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>

namespace {

// The save dialog answers from a script: it records how it was set up and
// "types" the answer into its name field.
class TTestRegistryForm : public TRegistryFileForm {
public:
    using TRegistryFileForm::TRegistryFileForm;
    QString typed;   // empty: cancelled
    QString suffix, filter, folder, proposed;

protected:
    bool ExecSaveDialog(QFileDialog& dialog) override
    {
        suffix = dialog.defaultSuffix();
        filter = dialog.selectedNameFilter();
        folder = dialog.directory().absolutePath();
        proposed = dialog.selectedFiles().value(0);
        if (typed.isEmpty())
            return false;
        dialog.selectFile(typed);
        return true;
    }
};

// Over a data folder whose text editor logs what it opens; registryPrefs is
// the [Registry] section. Group Ads (1) is restricted and holds
// ads.example.com and tracker.co.uk.
struct TFixture : TDataFolder {
    explicit TFixture(const QString& registryPrefs = {})
        : TDataFolder("[Registry]\n" + registryPrefs.toStdString(), TEditor::Logger)
    {
        AddGroupRow(*data, 1, "Ads", true);
        AddBadRow(*data, "ads.example.com", 1);
        AddBadRow(*data, "tracker.co.uk", 1);
    }
};

const QStringList OptionNames = {"rbRegEdit4", "cbUninstall", "cbBoth",
                                 "rbPlainTxt", "cbBackup",    "cbViewFile"};

QStringList Checked(const TRegistryFileForm& form)
{
    QStringList names;
    for (const QString& name : OptionNames)
        if (Find<QAbstractButton>(&form, name)->isChecked())
            names << name;
    return names;
}

QStringList EnabledFormatOptions(const TRegistryFileForm& form)
{
    QStringList names;
    for (QCheckBox* box : {form.cbUninstall, form.cbBoth})
        if (box->isEnabled())
            names << box->objectName();
    return names;
}

// The registry options as stored, in one line.
QString Summary(const TQuillonPrefs& p)
{
    return QString("file=%1 exclude=%2 format=%3 uninstall=%4 both=%5 backup=%6 view=%7")
        .arg(QString::fromStdString(p.RegistryFile), QString::fromStdString(p.RegistryExclude))
        .arg(p.RegistryFormat)
        .arg(p.RegistryUninstall)
        .arg(p.RegistryBoth)
        .arg(p.RegistryBackup)
        .arg(p.RegistryView);
}

void ExpectIdle(const TRegistryFileForm& form)
{
    QVERIFY(!form.Running());
    QVERIFY(form.btnCreate->isEnabled());
    QCOMPARE(form.btnClose->text(), QString("Close"));
}

const QString DefaultKey = "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet "
                           "Settings\\ZoneMap\\Domains\\";

}   // namespace

class TestRegistryForm : public QObject {
    Q_OBJECT

private slots:
    void controls_data();
    void controls();
    void layout();

    void showOptions_data();
    void showOptions();
    void formatControls();
    void fileButton_data();
    void fileButton();

    void emptyFileName();
    void excludeLines_data();
    void excludeLines();
    void storedPreferences_data();
    void storedPreferences();

    void createRun();
    void closeWhenIdle_data();
    void closeWhenIdle();
    void failedRunRestoresButtons();

    void unattended_data();
    void unattended();
    void unattendedFailure();

    void altKeys_data();
    void altKeys();
    void altF4CloseRequest_data();
    void altF4CloseRequest();
    void help();

    void mainWindowRegistryFile();
};

// ---------------------------------------------------------------------------
// Controls

void TestRegistryForm::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");

    const struct {
        const char* name;
        const char* className;
        const char* text;
    } rows[] = {
        {"Label1", "QLabel", "Registry filename"},
        {"FileEdit", "QLineEdit", ""},
        {"btnFile", "QPushButton", "..."},
        {"Label2", "QLabel", "Domains to exclude (all like co.uk and ca.us are always excluded)"},
        {"ExcludeMemo", "QPlainTextEdit", ""},
        {"rbRegEdit4", "QRadioButton", "REGEDIT4 format (.reg)"},
        {"cbUninstall", "QCheckBox", "Create Uninstall"},
        {"cbBoth", "QCheckBox", "Create Both"},
        {"rbPlainTxt", "QRadioButton", "Plain Text format (.txt)"},
        {"cbBackup", "QCheckBox", "Create a backup copy (.bak)"},
        {"cbViewFile", "QCheckBox", "View file in text editor when finished"},
        {"Label3", "QLabel", "Domains Added"},
        {"stCount", "QLabel", ""},
        {"lblStatus", "QLabel", ""},
        {"btnCreate", "QPushButton", "Create"},
        {"btnClose", "QPushButton", "Close"},
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << row.name << row.className << row.text;
}

void TestRegistryForm::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, text);

    TFixture fx;
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
    QCOMPARE(form.windowTitle(), QString("Create Restricted Zone Registry File"));
    form.show();
    // Shown twice, the backup caption is still extended once.
    form.hide();
    form.show();

    auto* w = Find<QWidget>(&form, name);
    QCOMPARE(QString(w->metaObject()->className()), className);
    QVERIFY(w->isVisible());
    if (auto* label = qobject_cast<QLabel*>(w))
        QCOMPARE(label->text(), text);
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        QCOMPARE(button->text(), text);
    if (name == "stCount") {
        QCOMPARE(form.stCount->frameShadow(), QFrame::Sunken);
        QCOMPARE(form.stCount->alignment(), Qt::AlignCenter);
    }
}

void TestRegistryForm::layout()
{
    TFixture fx;
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
    form.show();

    // Top to bottom; the names of a row from left to right.
    const QList<QStringList> rows = {
        {"Label1"},
        {"FileEdit", "btnFile"},
        {"Label2"},
        {"ExcludeMemo"},
        {"rbRegEdit4"},
        {"cbUninstall", "cbBoth"},
        {"rbPlainTxt"},
        {"cbBackup"},
        {"cbViewFile"},
        {"Label3", "stCount"},
        {"lblStatus", "btnCreate", "btnClose"},
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
    // The REGEDIT4 options sit under the text of their format.
    QVERIFY(rect("cbUninstall").left() > rect("rbRegEdit4").left());
    // The whole exclude label is readable.
    QVERIFY(rect("Label2").width() >= Find<QLabel>(&form, "Label2")->sizeHint().width());
}

// ---------------------------------------------------------------------------
// Options

void TestRegistryForm::showOptions_data()
{
    QTest::addColumn<QString>("prefs");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QStringList>("enabled");

    QTest::newRow("defaults") << ""
                              << ""
                              << "" << QStringList({"rbRegEdit4", "cbBackup", "cbViewFile"})
                              << QStringList({"cbUninstall", "cbBoth"});
    QTest::newRow("both ticks uninstall")
        << "RegistryFile=/lists/zones.reg\nRegistryExclude=Example.COM,\"a b\",c.org\nRegistryBoth=1\n"
           "RegistryBackup=0\nRegistryView=0\n"
        << "/lists/zones.reg"
        << "example.com\na b\nc.org" << QStringList({"rbRegEdit4", "cbUninstall", "cbBoth"})
        << QStringList({"cbBoth"});
    QTest::newRow("plain text") << "RegistryFormat=1\nRegistryUninstall=1\n"
                                << ""
                                << "" << QStringList({"cbUninstall", "rbPlainTxt", "cbBackup", "cbViewFile"})
                                << QStringList();
    QTest::newRow("unknown format ticks neither")
        << "RegistryFormat=5\n"
        << ""
        << "" << QStringList({"cbBackup", "cbViewFile"}) << QStringList();
}

void TestRegistryForm::showOptions()
{
    QFETCH(QString, prefs);
    QFETCH(QString, file);
    QFETCH(QString, memo);
    QFETCH(QStringList, checked);
    QFETCH(QStringList, enabled);

    TFixture fx(prefs);
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
    form.show();

    QCOMPARE(form.FileEdit->text(), file);
    QCOMPARE(form.ExcludeMemo->toPlainText(), memo);
    QCOMPARE(Checked(form), checked);
    QCOMPARE(EnabledFormatOptions(form), enabled);
    QCOMPARE(form.lblStatus->text(), QString());
    ExpectIdle(form);
}

void TestRegistryForm::formatControls()
{
    TFixture fx;
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
    form.show();
    QCOMPARE(Checked(form), QStringList({"rbRegEdit4", "cbBackup", "cbViewFile"}));

    QTest::mouseClick(form.cbBoth, Qt::LeftButton);
    QVERIFY(form.cbUninstall->isChecked());
    QCOMPARE(EnabledFormatOptions(form), QStringList({"cbBoth"}));

    QTest::mouseClick(form.cbBoth, Qt::LeftButton);
    QVERIFY(form.cbUninstall->isChecked());
    QCOMPARE(EnabledFormatOptions(form), QStringList({"cbUninstall", "cbBoth"}));

    QTest::mouseClick(form.cbBoth, Qt::LeftButton);
    form.rbPlainTxt->click();
    QCOMPARE(EnabledFormatOptions(form), QStringList());
    QVERIFY(form.cbUninstall->isChecked() && form.cbBoth->isChecked());

    form.rbRegEdit4->click();
    QCOMPARE(EnabledFormatOptions(form), QStringList({"cbBoth"}));
    // A change of format never touches the file name.
    QCOMPARE(form.FileEdit->text(), QString());
}

void TestRegistryForm::fileButton_data()
{
    QTest::addColumn<bool>("plainText");
    QTest::addColumn<QString>("current");   // %dir% stands for the data folder
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("file");

    QTest::newRow("registry name") << false << "%dir%old.reg"
                                   << "new"
                                   << "reg"
                                   << "Registry files (*.reg)"
                                   << "%dir%new.reg";
    QTest::newRow("plain text name") << true << "%dir%old.reg"
                                     << "new"
                                     << "txt"
                                     << "Text files (*.txt)"
                                     << "%dir%new.txt";
    QTest::newRow("a .txt name starts on text files") << false << "%dir%list.TXT"
                                                      << "other.lst"
                                                      << "reg"
                                                      << "Text files (*.txt)"
                                                      << "%dir%other.lst";
    QTest::newRow("cancelled") << false << "%dir%old.reg"
                               << ""
                               << "reg"
                               << "Registry files (*.reg)"
                               << "%dir%old.reg";
}

void TestRegistryForm::fileButton()
{
    QFETCH(bool, plainText);
    QFETCH(QString, current);
    QFETCH(QString, typed);
    QFETCH(QString, suffix);
    QFETCH(QString, filter);
    QFETCH(QString, file);

    TFixture fx;
    const QString dir = QString::fromStdString(fx.dir.Path());
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
    form.show();
    (plainText ? form.rbPlainTxt : form.rbRegEdit4)->click();
    form.FileEdit->setText(QString(current).replace("%dir%", dir));
    form.typed = typed;
    QTest::mouseClick(form.btnFile, Qt::LeftButton);

    QCOMPARE(form.suffix, suffix);
    QCOMPARE(form.filter, filter);
    QCOMPARE(form.folder + "/", dir);
    QCOMPARE(form.proposed, QString(current).replace("%dir%", dir));
    QCOMPARE(form.FileEdit->text(), QString(file).replace("%dir%", dir));
    QCOMPARE(fx.data->Prefs().RegistryFile, std::string());
}

// ---------------------------------------------------------------------------
// Create button: checks and stored preferences

void TestRegistryForm::emptyFileName()
{
    TFixture fx;
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
    form.show();
    const std::string ini = fx.Ini();
    form.FileEdit->setText(" \t ");
    form.btnCreate->setFocus();
    form.btnCreate->click();

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().text, std::string("Please enter a filename"));
    QCOMPARE(presenter.Last().caption, std::string("Create Restricted Zone Registry File"));
    QCOMPARE(presenter.Last().kind, TMsgDlgType::mtInformation);
    QVERIFY(presenter.Last().owner == static_cast<TOwner>(static_cast<TRegistryFileForm*>(&form)));
    QCOMPARE(form.focusWidget(), form.FileEdit);
    QCOMPARE(form.FileEdit->text(), QString());
    QCOMPARE(fx.Ini(), ini);
    QCOMPARE(form.stCount->text(), QString());
    ExpectIdle(form);
}

void TestRegistryForm::excludeLines_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("warning");   // empty: none, and the file is created

    const QString blank = "Invalid character in hostname:   (0x20).";
    QTest::newRow("blank lines go, the rest is lower-cased") << "Example.COM\n\n  \n"
                                                             << "example.com"
                                                             << "";
    QTest::newRow("checked from the bottom up: the lower of two bad lines")
        << "bad name\nOK.com\nal so\nX.com\n\n"
        << "bad name\nOK.com\nal so\nx.com"
        << "\"al so\" is not a valid domain:\r\n" + blank;
    QTest::newRow("a line is checked untrimmed") << " a.com"
                                                 << " a.com"
                                                 << "\" a.com\" is not a valid domain:\r\n" + blank;
    QTest::newRow("an address") << "10.0.0.1"
                                << "10.0.0.1"
                                << "\"10.0.0.1\" is not a valid domain:\r\n"
                                   "Hostname may not be an IP address.";
}

void TestRegistryForm::excludeLines()
{
    QFETCH(QString, memo);
    QFETCH(QString, after);
    QFETCH(QString, warning);

    TFixture fx("RegistryView=0\n");
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
    form.show();
    const std::string ini = fx.Ini();
    form.FileEdit->setText(QString::fromStdString(fx.File("zones.reg")));
    form.ExcludeMemo->setPlainText(memo);
    form.btnCreate->click();

    QCOMPARE(form.ExcludeMemo->toPlainText(), after);
    if (warning.isEmpty()) {
        QVERIFY(presenter.shown.empty());
        QCOMPARE(fx.data->Prefs().RegistryExclude, after.toStdString());
        QVERIFY(fx.dir.Exists("zones.reg"));
        return;
    }
    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(presenter.Last().text), warning);
    QCOMPARE(presenter.Last().caption, std::string("Domains to Exclude"));
    QCOMPARE(presenter.Last().kind, TMsgDlgType::mtWarning);
    QCOMPARE(form.focusWidget(), form.ExcludeMemo);
    // Nothing stored, nothing created.
    QCOMPARE(fx.Ini(), ini);
    QCOMPARE(fx.data->Prefs().RegistryFile, std::string());
    QVERIFY(!fx.dir.Exists("zones.reg"));
    ExpectIdle(form);
}

void TestRegistryForm::storedPreferences_data()
{
    QTest::addColumn<QString>("prefs");
    QTest::addColumn<QStringList>("templates");   // TLDs, key, value as saved

    const QString tlds = "ac,aero,asn,bbs,biz,co,com,coop,edu,go,gov,govt,info,int,k12,ltd,mil,museum,name,"
                         "net,org,plc,pro,re,sch,school";
    QTest::newRow("defaults filled in")
        << "" << QStringList({tlds, DefaultKey + "^]", "\"*\"=dword:00000004"});
    QTest::newRow("own templates kept") << "RegistryTLDs=xy\nRegistryKey=[K\\^]\nRegistryValue=v=1\n"
                                        << QStringList({"xy", "[K\\^]", "v=1"});
}

void TestRegistryForm::storedPreferences()
{
    QFETCH(QString, prefs);
    QFETCH(QStringList, templates);

    TFixture fx(prefs);
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
    form.show();
    const QString file = QString::fromStdString(fx.File("zones.txt"));
    form.FileEdit->setText("  " + file + " ");
    form.ExcludeMemo->setPlainText("b.com\nA.com");
    // Ticked before plain text disables them: kept and stored.
    form.cbBoth->click();
    form.rbPlainTxt->click();
    form.cbBackup->click();
    form.cbViewFile->click();
    form.btnCreate->click();

    QVERIFY(presenter.shown.empty());
    const QString stored =
        "file=" + file + " exclude=b.com,a.com format=1 uninstall=1 both=1 backup=0 view=0";
    QCOMPARE(Summary(fx.data->Prefs()), stored);
    TQuillonPrefs saved(fx.dir.File("Quillon.ini"), fx.dir.Path());
    saved.LoadPrefs();
    QCOMPARE(Summary(saved), stored);
    QCOMPARE(QStringList({QString::fromStdString(saved.RegistryTLDs),
                          QString::fromStdString(saved.RegistryKey),
                          QString::fromStdString(saved.RegistryValue)}),
             templates);
    QVERIFY(fx.dir.Read("zones.txt").starts_with("** Restricted Zone domain list"));
}

// ---------------------------------------------------------------------------
// Runs

void TestRegistryForm::createRun()
{
    TFixture fx("RegistryBoth=1\n");
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
    form.show();
    form.FileEdit->setText(QString::fromStdString(fx.File("zones.reg")));
    form.CancelRequested = true;   // left from an earlier run
    form.btnCreate->click();

    QVERIFY(presenter.shown.empty());
    QCOMPARE(form.stCount->text(), QString("2"));
    QCOMPARE(form.lblStatus->text(), QString("Registry files created."));
    ExpectIdle(form);
    QVERIFY(form.isVisible());
    const std::string install = fx.dir.Read("zones.reg");
    QVERIFY(install.find((DefaultKey + "example.com]").toStdString()) != std::string::npos);
    QVERIFY(install.find((DefaultKey + "tracker.co.uk]").toStdString()) != std::string::npos);
    QVERIFY(fx.dir.Exists("zones.uninstall.reg"));
    // Only the first file is opened.
    QTRY_COMPARE(fx.EditorLog(), fx.File("zones.reg") + "\n");
}

void TestRegistryForm::closeWhenIdle_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("Esc") << "Esc";
    QTest::newRow("Close button") << "button";
}

void TestRegistryForm::closeWhenIdle()
{
    QFETCH(QString, how);

    TFixture fx;
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
    form.show();
    if (how == "Esc")
        QTest::keyClick(form.FileEdit, Qt::Key_Escape);
    else
        QTest::mouseClick(form.btnClose, Qt::LeftButton);

    QVERIFY(!form.isVisible());
    QVERIFY(!form.CancelRequested);
}

void TestRegistryForm::failedRunRestoresButtons()
{
    TFixture fx;
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
    form.show();
    form.FileEdit->setText(QString::fromStdString(fx.File("missing/zones.reg")));
    form.btnCreate->click();

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().caption, std::string("Quillon"));
    QCOMPARE(presenter.Last().kind, TMsgDlgType::mtError);
    QVERIFY(QString::fromStdString(presenter.Last().text).contains("missing/zones.reg"));
    ExpectIdle(form);
    QVERIFY(form.isVisible());
}

// ---------------------------------------------------------------------------
// Unattended runs

void TestRegistryForm::unattended_data()
{
    QTest::addColumn<QString>("switchText");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<QStringList>("contains");
    QTest::addColumn<QStringList>("lacks");
    QTest::addColumn<bool>("uninstallFile");

    const QString install = DefaultKey + "tracker.co.uk]";
    const QString remove = "[-" + DefaultKey.mid(1) + "tracker.co.uk]";
    const QString value = "\"*\"=dword:00000004";
    QTest::newRow("/r install entries")
        << "/r"
        << "REGEDIT4" << QStringList({install, value}) << QStringList({remove}) << false;
    QTest::newRow("/u uninstall entries only")
        << "/u"
        << "REGEDIT4" << QStringList({remove}) << QStringList({install, value}) << false;
    QTest::newRow("/b both files") << "/b"
                                   << "REGEDIT4" << QStringList({install, value}) << QStringList({remove})
                                   << true;
    QTest::newRow("/p plain text") << "/p"
                                   << "** Restricted Zone domain list" << QStringList({"tracker.co.uk"})
                                   << QStringList({"REGEDIT4"}) << false;
}

void TestRegistryForm::unattended()
{
    QFETCH(QString, switchText);
    QFETCH(QString, firstLine);
    QFETCH(QStringList, contains);
    QFETCH(QStringList, lacks);
    QFETCH(bool, uninstallFile);

    // Saved options opposite to the command line's, and no templates at all.
    TFixture fx("RegistryFile=/lists/saved.reg\nRegistryFormat=1\nRegistryUninstall=1\nRegistryBoth=0\n"
                "RegistryBackup=1\nRegistryView=1\nRegistryExclude=example.com\n");
    fx.dir.Write("cmd.reg", "earlier\n");
    const std::string ini = fx.Ini();
    const QString summary = Summary(fx.data->Prefs());
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
    form.CmdLineFile = fx.dir.File("cmd.reg");
    form.CmdLineSwitch = switchText.toStdString();
    form.show();

    QTRY_VERIFY(!form.isVisible());
    QVERIFY(presenter.shown.empty());
    ExpectIdle(form);
    const QString text = QString::fromStdString(fx.dir.Read("cmd.reg"));
    QCOMPARE(text.section('\n', 0, 0), firstLine);
    for (const QString& part : contains)
        QVERIFY2(text.contains(part), qPrintable(part));
    for (const QString& part : lacks)
        QVERIFY2(!text.contains(part), qPrintable(part));
    QCOMPARE(fx.dir.Exists("cmd.uninstall.reg"), uninstallFile);
    // The saved exclude lines and backup option are used.
    QVERIFY(text.contains("ads.example.com"));
    QCOMPARE(fx.dir.Read("cmd.reg.bak"), std::string("earlier\n"));
    // The saved preferences untouched on disk and in force again; nothing opened.
    QCOMPARE(fx.Ini(), ini);
    QCOMPARE(Summary(fx.data->Prefs()), summary);
    QCOMPARE(fx.data->Prefs().RegistryKey, std::string());
    QTest::qWait(200);
    QVERIFY(!fx.dir.Exists("editor.log"));
}

void TestRegistryForm::unattendedFailure()
{
    TFixture fx("RegistryFile=/lists/saved.reg\nRegistryView=1\n");
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
    form.CmdLineFile = fx.dir.File("missing/cmd.reg");
    form.CmdLineSwitch = "/r";
    form.show();

    QTRY_COMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().caption, std::string("Quillon"));
    QVERIFY(QString::fromStdString(presenter.Last().text).contains("missing/cmd.reg"));
    // The dialog stays, usable, with the saved options back in force.
    QVERIFY(form.isVisible());
    ExpectIdle(form);
    QCOMPARE(fx.data->Prefs().RegistryFile, std::string("/lists/saved.reg"));
    QVERIFY(fx.data->Prefs().RegistryView);
}

// ---------------------------------------------------------------------------
// Keys

void TestRegistryForm::altKeys_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("toggles");

    QTest::newRow("Space") << int(Qt::NoModifier) << true;
    QTest::newRow("Alt+Space") << int(Qt::AltModifier) << false;
    QTest::newRow("Alt+Shift+Space") << int(Qt::AltModifier | Qt::ShiftModifier) << false;
}

void TestRegistryForm::altKeys()
{
    QFETCH(int, modifiers);
    QFETCH(bool, toggles);

    TFixture fx("RegistryView=0\n");
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
    form.show();
    form.cbViewFile->setFocus();
    QTest::keyClick(form.cbViewFile, Qt::Key_Space, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(form.cbViewFile->isChecked(), toggles);

    // The key that closes windows does nothing here either.
    QTest::keyClick(form.cbViewFile, Qt::Key_F4, Qt::KeyboardModifiers(modifiers) | Qt::AltModifier);
    QTest::keyClick(&form, Qt::Key_F4, Qt::AltModifier);
    QVERIFY(form.isVisible());
}

void TestRegistryForm::altF4CloseRequest_data()
{
    QTest::addColumn<bool>("altHeld");
    QTest::addColumn<bool>("stays");

    QTest::newRow("with Alt held, as Alt+F4 sends it") << true << true;
    QTest::newRow("without Alt, as the title bar sends it") << false << false;
}

void TestRegistryForm::altF4CloseRequest()
{
    QFETCH(bool, altHeld);
    QFETCH(bool, stays);

    TFixture fx;
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
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
}

void TestRegistryForm::help()
{
    TFixture fx;
    std::filesystem::create_directory(fx.dir.File("Help"));
    TScriptedPresenter presenter;
    TTestRegistryForm form(*fx.data);
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(form.ExcludeMemo, Qt::Key_F1);

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().caption, std::string("Help Error"));
    QCOMPARE(presenter.Last().text, "File not found:\r\n" + fx.dir.Path() + "Help/registry.html");
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

void TestRegistryForm::mainWindowRegistryFile()
{
    TFixture fx("RegistryView=0\n");
    fx.data->SaveDatabase(true);
    fx.data.reset();
    TScriptedPresenter presenter;
    TQuietMainForm main(fx.dir.Path());
    main.show();
    auto* action = Find<QAction>(&main, "actRegistryFile");
    QVERIFY(action->isEnabled());

    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TRegistryFileForm*>(QApplication::activeModalWidget());
        if (!form) {
            if (QWidget* other = QApplication::activeModalWidget())
                other->close();
            return;
        }
        modal = form->isModal();
        form->FileEdit->setText(QString::fromStdString(fx.File("zones.reg")));
        form->btnCreate->click();
        form->close();
    });
    action->trigger();

    QVERIFY(modal);
    QVERIFY(presenter.shown.empty());
    QVERIFY(fx.dir.Read("zones.reg").find("example.com") != std::string::npos);
    QVERIFY(main.close());
}

QTEST_MAIN(TestRegistryForm)
#include "tst_registryform.moc"
