// The preferences dialog over a temporary data folder: controls, checks on OK, saving, Cancel, window-state erase.
#include "ui/Prefs.h"

#include "core/DataUnit.h"
#include "settings/IniFile.h"
#include "support/DataFolder.h"
#include "support/FindChild.h"
#include "support/ScriptedPresenter.h"
#include "ui/MainUnit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>

namespace {

// The file dialog answers from a script: it records how it was set up and
// "types" the answer into its name field.
class TTestPrefsForm : public TPrefsForm {
public:
    using TPrefsForm::TPrefsForm;
    QString typed;   // empty: cancelled
    QString title, filter, folder, proposed;
    QStringList filters;
    QFileDialog::FileMode fileMode = QFileDialog::ExistingFiles;

protected:
    bool ExecFileDialog(QFileDialog& dialog) override
    {
        title = dialog.windowTitle();
        filters = dialog.nameFilters();
        filter = dialog.selectedNameFilter();
        folder = dialog.directory().absolutePath();
        proposed = dialog.selectedFiles().value(0);
        fileMode = dialog.fileMode();
        if (typed.isEmpty())
            return false;
        dialog.selectFile(typed);
        return true;
    }
};

// The other sections and keys that the dialog must leave as they are.
const std::string OtherPrefs = "LastGroup=7\nOldShortcuts=1\nIPSeparator=2C\n"
                               "[Import]\nImportFile=/lists/a.txt\n"
                               "[MainWindow]\nTop=40\nLeft=50\n"
                               "[BadHostBrowse]\nTop=1\nIndex=comment\n"
                               "[GoodHostBrowse]\nMaximized=1\n"
                               "[Registry]\nRegistryExclude=example.com\n";

// Over a data folder whose [Preferences] get the lines given after the HOSTS
// file and the text editor.
struct TFixture : TDataFolder {
    explicit TFixture(const std::string& prefs = OtherPrefs) : TDataFolder(prefs) {}
};

// The nine preferences the dialog edits, in one line.
QString Shown(const TQuillonPrefs& p)
{
    return QStringList({QString::fromStdString(p.HostsFile), QString::fromStdString(p.HostsIP),
                        QString::fromStdString(p.TextEditor), QString::fromStdString(p.WriteAction),
                        QString::fromStdString(p.TextComment), QString::number(p.RestrictedDefault),
                        QString::number(p.WriteHostsAfterAdd), QString::number(p.ClearEntryAfterAdd),
                        QString::number(p.SaveWindows)})
        .join('|');
}

// The same from the controls.
QString Shown(const TPrefsForm& f)
{
    return QStringList({f.HostsEdit->text(), f.IPEdit->text(), f.EditorEdit->text(), f.ActionEdit->text(),
                        f.TextCommentEdit->text(), QString::number(f.cbRestricted->isChecked()),
                        QString::number(f.cbWriteHosts->isChecked()),
                        QString::number(f.cbClearEntry->isChecked()),
                        QString::number(f.cbSaveWindows->isChecked())})
        .join('|');
}

QStringList Sections(const TFixture& fx)
{
    QStringList names;
    for (const std::string& name : TIniFile(fx.dir.File("Quillon.ini")).Sections())
        names << QString::fromStdString(name);
    return names;
}

}   // namespace

class TestPrefsForm : public QObject {
    Q_OBJECT

private slots:
    void controls_data();
    void controls();
    void layout();
    void showPreferences_data();
    void showPreferences();

    void refused_data();
    void refused();
    void accepted_data();
    void accepted();
    void saveFailure();
    void cancel_data();
    void cancel();
    void lineBreaks_data();
    void lineBreaks();

    void deleteStates_data();
    void deleteStates();
    void fileButtons_data();
    void fileButtons();
    void help();

    void mainWindowPrefs();
};

// ---------------------------------------------------------------------------
// Controls

void TestPrefsForm::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");

    const struct {
        const char* name;
        const char* className;
        const char* text;
    } rows[] = {
        {"lblHosts", "QLabel", "HOSTS file"},
        {"HostsEdit", "QLineEdit", ""},
        {"btnHosts", "QPushButton", "..."},
        {"lblIP", "QLabel", "Bad Hosts IP address"},
        {"IPEdit", "QLineEdit", ""},
        {"lblEditor", "QLabel", "Text Editor"},
        {"EditorEdit", "QLineEdit", ""},
        {"btnEditor", "QPushButton", "..."},
        {"lblAction", "QLabel", "Action to perform after Write HOSTS"},
        {"ActionEdit", "QLineEdit", ""},
        {"lblTextComment", "QLabel", "Plain Text Comment Indicator"},
        {"TextCommentEdit", "QLineEdit", ""},
        {"cbRestricted", "QCheckBox", "New groups default to the Restricted Zone"},
        {"cbWriteHosts", "QCheckBox", "Write HOSTS after adding a new host from the main window"},
        {"cbClearEntry", "QCheckBox", "Clear main screen edits after adding a new host"},
        {"cbSaveWindows", "QCheckBox", "Remember window states"},
        {"btnDeleteState", "QPushButton", "Delete saved window states"},
        {"btnOK", "QPushButton", "OK"},
        {"btnCancel", "QPushButton", "Cancel"},
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << row.name << row.className << row.text;
}

void TestPrefsForm::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, text);

    TFixture fx;
    TScriptedPresenter presenter;
    TTestPrefsForm form(*fx.data);
    QCOMPARE(form.objectName(), QString("PrefsForm"));
    QCOMPARE(form.windowTitle(), QString("Preferences"));
    form.show();

    auto* w = Find<QWidget>(&form, name);
    QCOMPARE(QString(w->metaObject()->className()), className);
    QVERIFY(w->isVisible());
    if (auto* label = qobject_cast<QLabel*>(w))
        QCOMPARE(label->text(), text);
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        QCOMPARE(button->text(), text);
        // Enter presses OK wherever the focus is.
        if (auto* push = qobject_cast<QPushButton*>(w))
            QCOMPARE(push->isDefault(), name == "btnOK");
    }
    const QString hint =
        name == "ActionEdit" ? "%hosts% will be replaced with the actual HOSTS filename" : "";
    QCOMPARE(w->toolTip(), hint);
}

void TestPrefsForm::layout()
{
    TFixture fx;
    TScriptedPresenter presenter;
    TTestPrefsForm form(*fx.data);
    form.show();

    // Top to bottom; the names of a row from left to right.
    const QList<QStringList> rows = {
        {"lblHosts"},
        {"HostsEdit", "btnHosts"},
        {"lblIP"},
        {"IPEdit"},
        {"lblEditor"},
        {"EditorEdit", "btnEditor"},
        {"lblAction"},
        {"ActionEdit"},
        {"lblTextComment"},
        {"TextCommentEdit"},
        {"cbRestricted"},
        {"cbWriteHosts"},
        {"cbClearEntry"},
        {"cbSaveWindows"},
        {"btnDeleteState", "btnOK", "btnCancel"},
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
            QVERIFY2(r.top() > previousBottom, qPrintable(name));
            QVERIFY2(r.left() > right, qPrintable(name));
            QVERIFY2(form.rect().contains(r), qPrintable(name));
            // No caption cut short; the "..." buttons are narrow by design.
            if (!name.endsWith("Edit") && row.size() != 2)
                QVERIFY2(r.width() >= Find<QWidget>(&form, name)->sizeHint().width(), qPrintable(name));
            right = r.right();
            bottom = std::max(bottom, r.bottom());
        }
        previousBottom = bottom;
    }
    // The address and the comment mark get narrow edits.
    QVERIFY(rect("IPEdit").width() < rect("HostsEdit").width() / 2);
    QVERIFY(rect("TextCommentEdit").width() < rect("IPEdit").width());
    // A fixed border.
    QCOMPARE(form.minimumSize(), form.maximumSize());

    // Tab goes top to bottom, left to right.
    QStringList chain;
    QWidget* w = form.HostsEdit;
    do {
        if (w->focusPolicy() & Qt::TabFocus)
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != form.HostsEdit);
    QCOMPARE(chain, QStringList({"HostsEdit", "btnHosts", "IPEdit", "EditorEdit", "btnEditor", "ActionEdit",
                                 "TextCommentEdit", "cbRestricted", "cbWriteHosts", "cbClearEntry",
                                 "cbSaveWindows", "btnDeleteState", "btnOK", "btnCancel"}));
}

void TestPrefsForm::showPreferences_data()
{
    QTest::addColumn<QString>("prefs");
    QTest::addColumn<QString>("shown");   // with %dir% for the data folder

    QTest::newRow("defaults") << ""
                              << "%dir%hosts|127.0.0.1|%dir%no-editor||**|1|1|1|1";
    QTest::newRow("all set")
        << "HostsIP=0.0.0.0\nWriteAction=notify %hosts%\nTextComment=;;\n"
           "RestrictedDefault=0\nWriteHostsAfterAdd=0\nClearEntryAfterAdd=0\nSaveWindows=0\n"
        << "%dir%hosts|0.0.0.0|%dir%no-editor|notify %hosts%|;;|0|0|0|0";
    QTest::newRow("one box off") << "ClearEntryAfterAdd=0\n"
                                 << "%dir%hosts|127.0.0.1|%dir%no-editor||**|1|1|0|1";
}

void TestPrefsForm::showPreferences()
{
    QFETCH(QString, prefs);
    QFETCH(QString, shown);

    TFixture fx(prefs.toStdString());
    TScriptedPresenter presenter;
    TTestPrefsForm form(*fx.data);
    form.show();

    QCOMPARE(Shown(form), shown.replace("%dir%", QString::fromStdString(fx.dir.Path())));
    QVERIFY(presenter.shown.empty());
}

// ---------------------------------------------------------------------------
// OK and Cancel

void TestPrefsForm::refused_data()
{
    QTest::addColumn<QString>("hosts");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("edits");   // HOSTS file, address and editor edits afterwards

    QTest::newRow("no HOSTS file") << ""
                                   << "10.0.0.1"
                                   << "/bin/ed"
                                   << "HOSTS file name is required."
                                   << "HostsEdit"
                                   << "|10.0.0.1|/bin/ed";
    QTest::newRow("HOSTS file of blanks, before a bad address") << " \t "
                                                                << "1.2.3"
                                                                << ""
                                                                << "HOSTS file name is required."
                                                                << "HostsEdit"
                                                                << "|1.2.3|";
    QTest::newRow("address out of range") << "/etc/h"
                                          << "127.0.0.256"
                                          << "/bin/ed"
                                          << "Invalid IP address"
                                          << "IPEdit"
                                          << "/etc/h|127.0.0.256|/bin/ed";
    QTest::newRow("address of three parts, before no editor") << " /etc/h "
                                                              << " 10.0.0 "
                                                              << ""
                                                              << "Invalid IP address"
                                                              << "IPEdit"
                                                              << "/etc/h|10.0.0|";
    QTest::newRow("address with letters") << "/etc/h"
                                          << "a.b.c.d"
                                          << "/bin/ed"
                                          << "Invalid IP address"
                                          << "IPEdit"
                                          << "/etc/h|a.b.c.d|/bin/ed";
    QTest::newRow("address with a port") << "/etc/h"
                                         << "10.0.0.1:80"
                                         << "/bin/ed"
                                         << "Invalid IP address"
                                         << "IPEdit"
                                         << "/etc/h|10.0.0.1:80|/bin/ed";
    QTest::newRow("no editor") << "/etc/h"
                               << "10.0.0.1"
                               << ""
                               << "Text editor name is required."
                               << "EditorEdit"
                               << "/etc/h|10.0.0.1|";
    QTest::newRow("editor of blanks, after an empty address") << "/etc/h"
                                                              << "  "
                                                              << "   "
                                                              << "Text editor name is required."
                                                              << "EditorEdit"
                                                              << "/etc/h|127.0.0.1|";
}

void TestPrefsForm::refused()
{
    QFETCH(QString, hosts);
    QFETCH(QString, ip);
    QFETCH(QString, editor);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    QFETCH(QString, edits);

    TFixture fx;
    const std::string ini = fx.Ini();
    const QString before = Shown(fx.data->Prefs());
    TScriptedPresenter presenter;
    TTestPrefsForm form(*fx.data);
    form.show();
    form.HostsEdit->setText(hosts);
    form.IPEdit->setText(ip);
    form.EditorEdit->setText(editor);
    form.ActionEdit->setText("run");
    form.TextCommentEdit->clear();
    form.cbSaveWindows->setChecked(false);
    form.btnOK->setFocus();
    form.btnOK->click();

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(presenter.Last().text), message);
    QCOMPARE(presenter.Last().caption, std::string("Preferences"));
    QCOMPARE(presenter.Last().kind, TMsgDlgType::mtInformation);
    QVERIFY(presenter.Last().owner == static_cast<TOwner>(static_cast<QWidget*>(&form)));
    QCOMPARE(form.focusWidget()->objectName(), focus);
    QCOMPARE(QStringList({form.HostsEdit->text(), form.IPEdit->text(), form.EditorEdit->text()}).join('|'),
             edits);
    // The later steps never ran.
    QCOMPARE(form.TextCommentEdit->text(), QString());
    QVERIFY(form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QCOMPARE(Shown(fx.data->Prefs()), before);
    QCOMPARE(fx.Ini(), ini);
}

void TestPrefsForm::accepted_data()
{
    QTest::addColumn<QStringList>("typed");   // the five edits
    QTest::addColumn<bool>("boxes");          // every check box ticked, or none
    QTest::addColumn<QString>("stored");      // the nine preferences, %dir% for the data folder
    QTest::addColumn<QString>("action");      // the action edit afterwards

    QTest::newRow("trimmed") << QStringList({"  /srv/hosts ", "\t10.1.2.3 ", " /usr/bin/editor --wait ",
                                             "  notify %hosts%  ", " ;; "})
                             << false
                             << "/srv/hosts|10.1.2.3|/usr/bin/editor --wait|notify %hosts%|;;|0|0|0|0"
                             << "  notify %hosts%  ";
    QTest::newRow("empty address and comment mark take their defaults")
        << QStringList({"%dir%hosts", "", "%dir%no-editor", "", " "}) << true
        << "%dir%hosts|127.0.0.1|%dir%no-editor||**|1|1|1|1"
        << "";
    QTest::newRow("HOSTS file that does not exist")
        << QStringList({"%dir%missing/HOSTS", "0.0.0.0", "ed", "x", "#"}) << true
        << "%dir%missing/HOSTS|0.0.0.0|ed|x|#|1|1|1|1"
        << "x";
}

void TestPrefsForm::accepted()
{
    QFETCH(QStringList, typed);
    QFETCH(bool, boxes);
    QFETCH(QString, stored);
    QFETCH(QString, action);

    TFixture fx;
    const QString dir = QString::fromStdString(fx.dir.Path());
    const std::string ini = fx.Ini();
    TQuillonPrefs expected = fx.data->Prefs();
    TScriptedPresenter presenter;
    TTestPrefsForm form(*fx.data);
    form.show();
    QLineEdit* edits[] = {form.HostsEdit, form.IPEdit, form.EditorEdit, form.ActionEdit,
                          form.TextCommentEdit};
    for (int i = 0; i < 5; ++i)
        edits[i]->setText(QString(typed[i]).replace("%dir%", dir));
    for (QCheckBox* box : {form.cbRestricted, form.cbWriteHosts, form.cbClearEntry, form.cbSaveWindows})
        box->setChecked(boxes);
    form.btnOK->click();

    QVERIFY(presenter.shown.empty());
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Accepted));
    stored.replace("%dir%", dir);
    QCOMPARE(Shown(fx.data->Prefs()), stored);
    // The edits show what was stored; the action edit keeps its blanks.
    QStringList shownAfter = stored.split('|');
    shownAfter[3] = action;
    QCOMPARE(Shown(form), shownAfter.join('|'));

    // The file holds what the preferences as loaded, with only these nine
    // changed, would save: every other key and section as it was.
    const std::string saved = fx.Ini();
    const QStringList values = stored.split('|');
    expected.HostsFile = values[0].toStdString();
    expected.HostsIP = values[1].toStdString();
    expected.TextEditor = values[2].toStdString();
    expected.WriteAction = values[3].toStdString();
    expected.TextComment = values[4].toStdString();
    expected.RestrictedDefault = expected.WriteHostsAfterAdd = expected.ClearEntryAfterAdd =
        expected.SaveWindows = boxes;
    fx.dir.Write("Quillon.ini", ini);
    expected.SavePrefs();
    QCOMPARE(saved, fx.Ini());
    QCOMPARE(Sections(fx), QStringList({"Preferences", "Import", "MainWindow", "BadHostBrowse",
                                        "GoodHostBrowse", "Registry", "Export"}));
    QVERIFY(saved.find("LastGroup=7\n") != std::string::npos);
    QVERIFY(saved.find("IPSeparator=2C\n") != std::string::npos);
}

void TestPrefsForm::saveFailure()
{
    TFixture fx;
    TScriptedPresenter presenter;
    TTestPrefsForm form(*fx.data);
    form.show();
    const QString before = Shown(fx.data->Prefs());
    // A folder in the file's place: it can be neither read nor replaced.
    std::filesystem::remove(fx.dir.File("Quillon.ini"));
    std::filesystem::create_directory(fx.dir.File("Quillon.ini"));
    form.IPEdit->setText("10.9.9.9");
    form.cbRestricted->setChecked(false);
    form.btnOK->click();

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().kind, TMsgDlgType::mtError);
    QCOMPARE(presenter.Last().caption, std::string("Quillon"));
    QVERIFY(presenter.Last().text.find(fx.dir.File("Quillon.ini")) != std::string::npos);
    QVERIFY(form.isVisible());
    // Cancel now must not leave the change in use, to be saved at shutdown.
    QCOMPARE(Shown(fx.data->Prefs()), before);
}

void TestPrefsForm::cancel_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("Cancel button") << "button";
    QTest::newRow("Esc") << "esc";
    QTest::newRow("close box") << "close";
}

void TestPrefsForm::cancel()
{
    QFETCH(QString, how);

    TFixture fx;
    const std::string ini = fx.Ini();
    const QString before = Shown(fx.data->Prefs());
    TScriptedPresenter presenter;
    TTestPrefsForm form(*fx.data);
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.HostsEdit->setText("/other/hosts");
    form.IPEdit->setText("10.0.0.1");
    form.cbWriteHosts->setChecked(false);
    if (how == "button")
        form.btnCancel->click();
    else if (how == "esc")
        QTest::keyClick(form.IPEdit, Qt::Key_Escape);
    else
        form.close();

    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QVERIFY(presenter.shown.empty());
    QCOMPARE(Shown(fx.data->Prefs()), before);
    QCOMPARE(fx.Ini(), ini);
}

void TestPrefsForm::lineBreaks_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");

    QTest::newRow("inside") << "notify\r\n[MainWindow]\nTop=9"
                            << "notify [MainWindow] Top=9";
    QTest::newRow("at the end") << "notify %hosts%\n"
                                << "notify %hosts%";
}

void TestPrefsForm::lineBreaks()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);

    TFixture fx("");
    TScriptedPresenter presenter;
    TTestPrefsForm form(*fx.data);
    form.show();
    form.ActionEdit->setFocus();
    form.ActionEdit->insert(typed);
    form.btnOK->click();

    QCOMPARE(QString::fromStdString(fx.data->Prefs().WriteAction), stored);
    // The value is one line of the file, and nothing else came of it.
    TQuillonPrefs reloaded = fx.data->Prefs();
    reloaded.LoadPrefs();
    QCOMPARE(QString::fromStdString(reloaded.WriteAction), stored);
    QCOMPARE(Sections(fx), QStringList({"Preferences", "Import", "Export", "Registry"}));
}

// ---------------------------------------------------------------------------
// Delete saved window states

void TestPrefsForm::deleteStates_data()
{
    QTest::addColumn<QString>("then");

    QTest::newRow("then Cancel") << "cancel";
    QTest::newRow("then OK") << "ok";
}

void TestPrefsForm::deleteStates()
{
    QFETCH(QString, then);

    TFixture fx;
    TScriptedPresenter presenter;
    TTestPrefsForm form(*fx.data);
    form.show();
    form.cbClearEntry->setChecked(false);
    form.btnDeleteState->click();

    // At once, and the rest of the file exactly as it was.
    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().text, std::string("Window settings deleted."));
    QCOMPARE(presenter.Last().caption, std::string("Preferences"));
    QCOMPARE(presenter.Last().kind, TMsgDlgType::mtInformation);
    QVERIFY(form.isVisible());
    const std::string kept = "[Preferences]\nHostsFile=" + fx.dir.File("hosts") +
                             "\nTextEditor=" + fx.dir.File("no-editor") +
                             "\nLastGroup=7\nOldShortcuts=1\nIPSeparator=2C\n\n"
                             "[Import]\nImportFile=/lists/a.txt\n\n"
                             "[Registry]\nRegistryExclude=example.com\n\n";
    QCOMPARE(fx.Ini(), kept);
    QVERIFY(fx.data->Prefs().ClearEntryAfterAdd);

    if (then == "ok") {
        form.btnOK->click();
        QVERIFY(!fx.data->Prefs().ClearEntryAfterAdd);
        QCOMPARE(Sections(fx), QStringList({"Preferences", "Import", "Registry", "Export"}));
        QVERIFY(fx.Ini().find("ClearEntryAfterAdd=0") != std::string::npos);
    } else {
        form.btnCancel->click();
        QCOMPARE(fx.Ini(), kept);
    }
    QCOMPARE(presenter.shown.size(), size_t(1));
}

// ---------------------------------------------------------------------------
// File buttons

void TestPrefsForm::fileButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("result");   // %dir% for the data folder

    QTest::newRow("HOSTS file chosen") << "btnHosts"
                                       << "%dir%etc/HOSTS"
                                       << "Select HOSTS File" << 1 << "HostsEdit"
                                       << "%dir%etc/HOSTS";
    QTest::newRow("HOSTS file cancelled") << "btnHosts"
                                          << ""
                                          << "Select HOSTS File" << 1 << "HostsEdit"
                                          << "%dir%hosts";
    QTest::newRow("editor chosen") << "btnEditor"
                                   << "%dir%bin/edit"
                                   << "Select Text Editor" << 0 << "EditorEdit"
                                   << "%dir%bin/edit";
    QTest::newRow("editor cancelled") << "btnEditor"
                                      << ""
                                      << "Select Text Editor" << 0 << "EditorEdit"
                                      << "%dir%no-editor";
}

void TestPrefsForm::fileButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, typed);
    QFETCH(QString, title);
    QFETCH(int, filter);
    QFETCH(QString, edit);
    QFETCH(QString, result);

    TFixture fx;
    const QString dir = QString::fromStdString(fx.dir.Path());
    std::filesystem::create_directory(fx.dir.File("etc"));
    std::filesystem::create_directory(fx.dir.File("bin"));
    TScriptedPresenter presenter;
    TTestPrefsForm form(*fx.data);
    form.show();
    auto* target = Find<QLineEdit>(&form, edit);
    const QString proposed = target->text();
    form.typed = QString(typed).replace("%dir%", dir);
    QTest::mouseClick(Find<QPushButton>(&form, button), Qt::LeftButton);

    QCOMPARE(form.title, title);
    QCOMPARE(form.filters.size(), 2);
    QVERIFY(form.filters[0].startsWith("Executable files ("));
    QVERIFY(form.filters[1].startsWith("All files ("));
    QCOMPARE(form.filter, form.filters[filter]);
    // A file that is not there yet may be named.
    QCOMPARE(form.fileMode, QFileDialog::AnyFile);
    QCOMPARE(form.folder + "/", dir);
    QCOMPARE(form.proposed, proposed);
    QCOMPARE(target->text(), result.replace("%dir%", dir));
    QVERIFY(presenter.shown.empty());
    QVERIFY(form.isVisible());
}

void TestPrefsForm::help()
{
    TFixture fx;
    std::filesystem::create_directory(fx.dir.File("Help"));
    TScriptedPresenter presenter;
    TTestPrefsForm form(*fx.data);
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(form.HostsEdit, Qt::Key_F1);

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().caption, std::string("Help Error"));
    QCOMPARE(presenter.Last().text, "File not found:\r\n" + fx.dir.Path() + "Help/prefs.html");
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

void TestPrefsForm::mainWindowPrefs()
{
    // The HOSTS file named at first is not there; the one chosen in the dialog is.
    TFixture fx("");
    fx.dir.Write("hosts2", "127.0.0.1\tlocalhost\n");
    fx.data.reset();
    TScriptedPresenter presenter;
    TQuietMainForm main(fx.dir.Path());
    main.show();
    auto* action = Find<QAction>(&main, "actPrefs");
    auto* disable = Find<QAction>(&main, "actDisableHOSTS");
    QVERIFY(action->isEnabled());
    QCOMPARE(disable->toolTip(), QString("HOSTS file not present"));

    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TPrefsForm*>(QApplication::activeModalWidget());
        if (!form) {
            if (QWidget* other = QApplication::activeModalWidget())
                other->close();
            return;
        }
        modal = form->isModal();
        form->HostsEdit->setText(QString::fromStdString(fx.File("hosts2")));
        form->btnOK->click();
    });
    action->trigger();

    QVERIFY(modal);
    QVERIFY(presenter.shown.empty());
    QCOMPARE(disable->toolTip(), QString("Disable the HOSTS file"));
    QVERIFY(disable->isEnabled());
    QVERIFY(main.close());
    QVERIFY(fx.Ini().find("HostsFile=" + fx.dir.File("hosts2") + "\n") != std::string::npos);
}

QTEST_MAIN(TestPrefsForm)
#include "tst_prefsform.moc"
