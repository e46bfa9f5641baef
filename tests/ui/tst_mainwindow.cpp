// Main window over a temporary data folder: controls, actions, adding and searching hosts, HOSTS commands.
#include "ui/MainUnit.h"

#include "core/DataUnit.h"
#include "platform/Errors.h"
#include "settings/IniFile.h"
#include "support/FindChild.h"
#include "support/ScriptedPresenter.h"
#include "support/TempDir.h"
#include "ui/About.h"
#include "ui/Icons.h"
#include "ui/WindowState.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <filesystem>
#include <memory>

namespace {

// The search hook records what the bad hosts browser would be shown.
class TTestForm : public TMainForm {
public:
    using TMainForm::TMainForm;
    QStringList browsed;
    int rowsShown = -1;
    bool failInBrowse = false;

protected:
    void FirstRun() override {}
    void CmdLine() override {}
    void ShowBadHostBrowse(const QString& caption) override
    {
        browsed << caption;
        rowsShown = QuillonData->BadHosts.Filtered() ? QuillonData->BadHosts.RecordCount() : -1;
        if (failInBrowse)
            throw EQuillonError("browser failed");
    }
};

// Groups (ids): Default Group (1), Ads (2), Trackers [RX] (3, flagged exclude).
// Bad hosts: ads.example.com in Ads; ads.tracker.example and pixel.example.org
// in Trackers. Good host: intranet.example.com.
void MakeTables(const TTempDir& dir)
{
    TQuillonData data(dir.Path());
    data.Prefs().HostsFile = dir.File("hosts");
    QVERIFY(data.OpenDatabase());
    TGroupList list;
    data.FillGroupList(list, false);
    QCOMPARE(data.AddGroup("Ads", false, false), 2);
    QCOMPARE(data.AddGroup("Trackers", true, true), 3);
    const struct {
        const char* host;
        int group;
        const char* comment;
    } bad[] = {{"ads.example.com", 2, "banner"},
               {"ads.tracker.example", 3, "O'Brien's list"},
               {"pixel.example.org", 3, "100% tracking"}};
    for (const auto& b : bad) {
        data.BadHosts.Append();
        data.BadHosts.SetField("hostname", b.host);
        data.BadHosts.SetField("group_id", b.group);
        data.BadHosts.SetField("comment", b.comment);
        data.BadHosts.Post();
    }
    data.GoodHosts.Append();
    data.GoodHosts.SetField("hostname", "intranet.example.com");
    data.GoodHosts.SetField("ip", "10.0.0.1");
    data.GoodHosts.Post();
    data.SaveDatabase(false);
}

// The preferences file comes first, so not even start-up looks at the
// machine's HOSTS file.
void WriteIni(const TTempDir& dir, const QString& extra)
{
    const std::string ini = "[Preferences]\nHostsFile=" + dir.File("hosts") +
                            "\nTextEditor=" + dir.File("no-editor") + "\n" + extra.toStdString();
    dir.Write("Quillon.ini", ini);
}

std::unique_ptr<TTestForm> StartForm(const TTempDir& dir, const QString& prefs = {})
{
    WriteIni(dir, prefs);
    auto form = std::make_unique<TTestForm>(dir.Path());
    form->show();
    QCoreApplication::processEvents();
    return form;
}

QStringList Captions(const TScriptedPresenter& presenter)
{
    QStringList captions;
    for (const TMessageRequest& m : presenter.shown)
        captions << QString::fromStdString(m.caption);
    return captions;
}

// Action names and "-" for separators.
QString ActionList(const QList<QAction*>& actions)
{
    QStringList names;
    for (const QAction* a : actions)
        names << (a->isSeparator() ? QString("-") : a->objectName());
    return names.join(',');
}

QImage Picture(const QIcon& icon) { return icon.pixmap(16, 16).toImage(); }

// The group a stored host belongs to when a fresh data module loads the table files; -1 when absent.
int StoredGroup(const TTempDir& dir, const char* host)
{
    TQuillonData data(dir.Path());
    if (!data.OpenDatabase())
        return -2;
    data.BadHosts.SetIndexName("hostname");
    return data.BadHosts.FindKey({host}) ? data.BadHosts.AsInteger("group_id") : -1;
}

int MemoryGroup(const char* host)
{
    QuillonData->BadHosts.SetIndexName("hostname");
    return QuillonData->BadHosts.FindKey({host}) ? QuillonData->BadHosts.AsInteger("group_id") : -1;
}

void SelectGroup(TMainForm& form, int groupId)
{
    auto* combo = Find<QComboBox>(&form, "cbxGroup");
    combo->setCurrentIndex(groupId < 0 ? -1 : combo->findData(groupId));
}

}   // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void window();
    void actions_data();
    void actions();
    void menusAndToolBar();
    void controls_data();
    void controls();
    void tabOrder();
    void oldShortcuts_data();
    void oldShortcuts();
    void shortcutsFromEveryControl_data();
    void shortcutsFromEveryControl();
    void editKeysThatAreNoShortcut();
    void enterPressesTheDefaultButton_data();
    void enterPressesTheDefaultButton();

    void fillGroupCombo_data();
    void fillGroupCombo();
    void refillKeepsSelection();
    void lastGroupAtClose_data();
    void lastGroupAtClose();

    void addHost_data();
    void addHost();
    void afterAddPreferences_data();
    void afterAddPreferences();

    void search_data();
    void search();
    void failingBrowserLeavesFilterOff();

    void hostsState_data();
    void hostsState();
    void toggleHosts_data();
    void toggleHosts();
    void disableThenEnableKeepsContent();
    void writeHosts_data();
    void writeHosts();
    void viewWithoutFile();
    void helpContents();
    void aboutIsModal();
    void exitCloses();

    void fitOnScreen_data();
    void fitOnScreen();
    void fittedGeometryCountsTheFrame_data();
    void fittedGeometryCountsTheFrame();
    void positionRestored_data();
    void positionRestored();
    void positionSaved_data();
    void positionSaved();
    void restoredFrameWhollyOnScreen_data();
    void restoredFrameWhollyOnScreen();
};

// ---------------------------------------------------------------------------
// Window, actions, menus, controls

void TestMainWindow::window()
{
    TTempDir dir;
    TScriptedPresenter presenter;
    auto form = StartForm(dir);

    QCOMPARE(form->windowTitle(), QString("Quillon"));
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(!form->windowIcon().isNull());

    // 400 x 211 below the menu bar, of which the top 29 are the tool bar.
    const int menuBottom = form->menuBar()->geometry().bottom() + 1;
    QCOMPARE(form->height() - menuBottom, TMainForm::ClientHeight);
    QCOMPARE(form->width(), TMainForm::ClientWidth);
    auto* bar = Find<QToolBar>(form.get(), "ToolBar");
    QCOMPARE(bar->geometry(), QRect(0, menuBottom, TMainForm::ClientWidth, TMainForm::ToolBarHeight));
    QCOMPARE(form->centralWidget()->geometry(),
             QRect(0, menuBottom + TMainForm::ToolBarHeight, TMainForm::ClientWidth,
                   TMainForm::ClientHeight - TMainForm::ToolBarHeight));
    QVERIFY(form->close());
}

void TestMainWindow::actions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<int>("picture");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<bool>("enabled");

    // Until their windows exist, the actions that open them stay disabled.
    QTest::newRow("Groups") << "actGroups"
                            << "&Groups"
                            << "Edit Groups" << 0 << "Ctrl+G" << true;
    QTest::newRow("Bad Hosts") << "actBadHosts"
                               << "&Bad Hosts"
                               << "Edit Bad Hosts" << 1 << "Ctrl+B" << true;
    QTest::newRow("Good Hosts") << "actGoodHosts"
                                << "Good &Hosts"
                                << "Edit Good Hosts" << 2 << "Ctrl+H" << true;
    QTest::newRow("View HOSTS") << "actViewHOSTS"
                                << "&View HOSTS"
                                << "View the HOSTS file in the text editor" << 3 << "Ctrl+O" << true;
    QTest::newRow("Write HOSTS") << "actWriteHOSTS"
                                 << "&Write HOSTS"
                                 << "Write the database to the HOSTS file" << 4 << "Ctrl+W" << true;
    QTest::newRow("Preferences") << "actPrefs"
                                 << "&Preferences"
                                 << "Set Quillon preferences" << 5 << "Ctrl+P" << true;
    QTest::newRow("Disable HOSTS") << "actDisableHOSTS"
                                   << "&Disable HOSTS"
                                   << "Disable the HOSTS file" << 6 << "Ctrl+D" << true;
    QTest::newRow("Export") << "actExport"
                            << "&Export"
                            << "Export hosts to a text file" << 9 << "Ctrl+E" << true;
    QTest::newRow("Import") << "actImport"
                            << "&Import"
                            << "Import hosts from a text file" << 10 << "Ctrl+I" << true;
    QTest::newRow("Registry File") << "actRegistryFile"
                                   << "&Registry File"
                                   << "Create a .reg file to put hosts in the Restricted Zone" << 11
                                   << "Ctrl+R" << true;
    QTest::newRow("Exit") << "actExit"
                          << "E&xit"
                          << "Exit the program" << -1 << "" << true;
    QTest::newRow("About") << "actAbout"
                           << "&About"
                           << "" << -1 << "F3" << true;
    QTest::newRow("Contents") << "actHelp"
                              << "Contents"
                              << "" << -1 << "F1" << true;
}

void TestMainWindow::actions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    QFETCH(int, picture);
    QFETCH(QString, shortcut);
    QFETCH(bool, enabled);

    TTempDir dir;
    dir.Write("hosts", "127.0.0.1\tlocalhost\n");
    TScriptedPresenter presenter;
    auto form = StartForm(dir);
    auto* action = Find<QAction>(form.get(), name);

    QCOMPARE(action->text(), caption);
    QCOMPARE(action->statusTip(), hint);
    if (!hint.isEmpty())
        QCOMPARE(action->toolTip(), hint);
    if (picture < 0)
        QVERIFY(action->icon().isNull());
    else
        QCOMPARE(Picture(action->icon()), Picture(ImageListIcon(picture)));
    QCOMPARE(action->shortcut(), QKeySequence(shortcut));
    QCOMPARE(action->isEnabled(), enabled);
    QVERIFY(form->actions().contains(action));   // its short-cut works anywhere in the window
    QVERIFY(form->close());
}

void TestMainWindow::menusAndToolBar()
{
    TTempDir dir;
    TScriptedPresenter presenter;
    auto form = StartForm(dir);

    QStringList titles;
    QStringList items;
    for (QAction* m : form->menuBar()->actions()) {
        titles << m->text();
        items << ActionList(m->menu()->actions());
    }
    QCOMPARE(titles, QStringList({"&File", "&Hosts", "H&elp"}));
    QCOMPARE(items, QStringList({"actImport,actExport,actRegistryFile,-,actPrefs,-,actExit",
                                 "actGroups,actBadHosts,actGoodHosts,-,"
                                 "actViewHOSTS,actWriteHOSTS,actDisableHOSTS",
                                 "actHelp,-,actAbout"}));

    auto* bar = Find<QToolBar>(form.get(), "ToolBar");
    QCOMPARE(ActionList(bar->actions()),
             QString("actGroups,actBadHosts,actGoodHosts,-,actViewHOSTS,actWriteHOSTS,"
                     "actDisableHOSTS,-,actImport,actExport,actRegistryFile,-,actPrefs"));
    QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);
    QCOMPARE(bar->iconSize(), QSize(16, 16));
    QVERIFY(!bar->isMovable());
    QVERIFY(form->close());
}

void TestMainWindow::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPoint>("position");   // within the client area, tool bar included
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hint");

    QTest::newRow("Group label") << "lblGroup" << QPoint(8, 35) << -1 << "Group"
                                 << "";
    QTest::newRow("group combo") << "cbxGroup" << QPoint(8, 50) << 363 << ""
                                 << "";
    QTest::newRow("group search") << "btnGroupSearch" << QPoint(370, 50) << 21 << "?"
                                  << "Search for Bad Hosts assigned to the selected group";
    QTest::newRow("Hostname label") << "lblHostname" << QPoint(8, 80) << -1 << "Hostname"
                                    << "";
    QTest::newRow("host edit") << "HostEdit" << QPoint(8, 95) << 363 << ""
                               << "";
    QTest::newRow("host search") << "btnHostSearch" << QPoint(371, 95) << 21 << "?"
                                 << "Search for Bad Hosts with a similar hostname";
    QTest::newRow("Comment label") << "lblComment" << QPoint(8, 125) << -1 << "Comment"
                                   << "";
    QTest::newRow("comment edit") << "CommentEdit" << QPoint(8, 140) << 363 << ""
                                  << "";
    QTest::newRow("comment search") << "btnCommentSearch" << QPoint(370, 140) << 21 << "?"
                                    << "Search for Bad Hosts with a similar comment";
    QTest::newRow("Add Host") << "btnAddHost" << QPoint(97, 176) << 93 << "&Add Host"
                              << "";
    QTest::newRow("Search") << "btnSearch" << QPoint(211, 176) << 93 << "&Search"
                            << "Search for Bad Hosts using all of the above criteria";
}

void TestMainWindow::controls()
{
    QFETCH(QString, name);
    QFETCH(QPoint, position);
    QFETCH(int, width);
    QFETCH(QString, text);
    QFETCH(QString, hint);

    TTempDir dir;
    TScriptedPresenter presenter;
    auto form = StartForm(dir);
    auto* w = Find<QWidget>(form.get(), name);
    QCOMPARE(w->parentWidget(), form->centralWidget());
    QCOMPARE(w->pos() + QPoint(0, TMainForm::ToolBarHeight), position);
    if (width >= 0)
        QCOMPARE(w->width(), width);
    // Nothing sticks out of the client area.
    QVERIFY(form->centralWidget()->rect().contains(w->geometry()));
    if (auto* label = qobject_cast<QLabel*>(w))
        QCOMPARE(label->text(), text);
    if (auto* button = qobject_cast<QPushButton*>(w))
        QCOMPARE(button->text(), text);
    QCOMPARE(w->toolTip(), hint);
    QVERIFY(form->close());
}

void TestMainWindow::tabOrder()
{
    TTempDir dir;
    TScriptedPresenter presenter;
    auto form = StartForm(dir);

    const QStringList expected = {"cbxGroup",    "btnGroupSearch",   "HostEdit",   "btnHostSearch",
                                  "CommentEdit", "btnCommentSearch", "btnAddHost", "btnSearch"};
    QStringList order;
    QWidget* w = Find<QWidget>(form.get(), "cbxGroup");
    do {
        if (expected.contains(w->objectName()))
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (order.size() < expected.size() && w->objectName() != "cbxGroup");
    QCOMPARE(order, expected);

    auto* combo = Find<QComboBox>(form.get(), "cbxGroup");
    QVERIFY(!combo->isEditable());
    QCOMPARE(combo->maxVisibleItems(), 20);
    QCOMPARE(Find<QLineEdit>(form.get(), "CommentEdit")->maxLength(), 255);
    QCOMPARE(Find<QLineEdit>(form.get(), "HostEdit")->maxLength(), QLineEdit().maxLength());
    QVERIFY(form->close());
}

void TestMainWindow::oldShortcuts_data()
{
    QTest::addColumn<bool>("old");
    QTest::addColumn<QStringList>("shortcuts");   // Exit, View HOSTS, About

    QTest::newRow("off") << false << QStringList({"", "Ctrl+O", "F3"});
    QTest::newRow("on") << true << QStringList({"Ctrl+X", "Ctrl+V", "Ctrl+A"});
}

void TestMainWindow::oldShortcuts()
{
    QFETCH(bool, old);
    QFETCH(QStringList, shortcuts);

    TTempDir dir;
    TScriptedPresenter presenter;
    auto form = StartForm(dir, old ? "OldShortcuts=1\n" : "");
    const QStringList names = {"actExit", "actViewHOSTS", "actAbout"};
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(Find<QAction>(form.get(), names[i])->shortcut(), QKeySequence(shortcuts[i]));
    QVERIFY(form->close());
}

namespace {

// The window on screen and active, so that its short-cuts are live, with the
// focus in control.
void FocusIn(TMainForm& form, const QString& control)
{
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto* w = Find<QWidget>(&form, control);
    w->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w);
}

}   // namespace

void TestMainWindow::shortcutsFromEveryControl_data()
{
    QTest::addColumn<QString>("prefs");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("action");

    const struct {
        const char* keys;
        const char* action;
    } shortcuts[] = {{"Ctrl+G", "actGroups"},       {"Ctrl+B", "actBadHosts"},   {"Ctrl+H", "actGoodHosts"},
                     {"Ctrl+O", "actViewHOSTS"},    {"Ctrl+W", "actWriteHOSTS"}, {"Ctrl+P", "actPrefs"},
                     {"Ctrl+D", "actDisableHOSTS"}, {"Ctrl+E", "actExport"},     {"Ctrl+I", "actImport"},
                     {"Ctrl+R", "actRegistryFile"}, {"F3", "actAbout"},          {"F1", "actHelp"}};
    for (const char* control : {"HostEdit", "CommentEdit", "cbxGroup"})
        for (const auto& s : shortcuts)
            QTest::addRow("%s in %s", s.keys, control) << "" << control << s.keys << s.action;
    // The old short-cuts are the edits' clipboard keys; the window's command wins.
    for (const char* control : {"HostEdit", "CommentEdit"}) {
        QTest::addRow("old Ctrl+X in %s", control) << "OldShortcuts=1\n"
                                                   << control << "Ctrl+X"
                                                   << "actExit";
        QTest::addRow("old Ctrl+V in %s", control) << "OldShortcuts=1\n"
                                                   << control << "Ctrl+V"
                                                   << "actViewHOSTS";
        QTest::addRow("old Ctrl+A in %s", control) << "OldShortcuts=1\n"
                                                   << control << "Ctrl+A"
                                                   << "actAbout";
    }
}

// Whatever control has the focus, a short-cut runs the window's command
// (the commands themselves are disconnected: only the triggering is looked at).
void TestMainWindow::shortcutsFromEveryControl()
{
    QFETCH(QString, prefs);
    QFETCH(QString, control);
    QFETCH(QString, keys);
    QFETCH(QString, action);

    TTempDir dir;
    dir.Write("hosts", "127.0.0.1\tlocalhost\n");   // Disable HOSTS is enabled
    TScriptedPresenter presenter;
    auto form = StartForm(dir, prefs);
    QList<QSignalSpy*> spies;
    QSignalSpy* wanted = nullptr;
    for (QAction* a : form->findChildren<QAction*>()) {
        if (!a->objectName().startsWith("act"))
            continue;
        QObject::disconnect(a, &QAction::triggered, form.get(), nullptr);
        spies << new QSignalSpy(a, &QAction::triggered);
        if (a->objectName() == action)
            wanted = spies.back();
    }
    QVERIFY(wanted);
    FocusIn(*form, control);
    if (auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget()))
        edit->setText("ads.example.com");

    QTest::keySequence(QApplication::focusWidget(), QKeySequence(keys));

    QCOMPARE(wanted->size(), 1);
    int triggered = 0;
    for (QSignalSpy* spy : spies)
        triggered += spy->size();
    QCOMPARE(triggered, 1);
    if (auto* edit = qobject_cast<QLineEdit*>(Find<QWidget>(form.get(), control)))
        QCOMPARE(edit->text(), QString("ads.example.com"));   // nothing cut, pasted or deleted
    qDeleteAll(spies);
    QVERIFY(form->close());
}

// Keys that are no short-cut of the window keep working in the edits.
void TestMainWindow::editKeysThatAreNoShortcut()
{
    TTempDir dir;
    TScriptedPresenter presenter;
    auto form = StartForm(dir);
    auto* about = Find<QAction>(form.get(), "actAbout");
    QObject::disconnect(about, &QAction::triggered, form.get(), nullptr);
    QSignalSpy aboutSpy(about, &QAction::triggered);
    FocusIn(*form, "HostEdit");
    auto* edit = Find<QLineEdit>(form.get(), "HostEdit");
    QTest::keyClicks(edit, "ads.example.com");

    QTest::keySequence(edit, QKeySequence(QKeySequence::SelectAll));
    QCOMPARE(edit->selectedText(), QString("ads.example.com"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), QString());
    QTest::keySequence(edit, QKeySequence(QKeySequence::Undo));
    QCOMPARE(edit->text(), QString("ads.example.com"));
    QCOMPARE(aboutSpy.size(), 0);
    QVERIFY(form->close());
}

void TestMainWindow::enterPressesTheDefaultButton_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("added");
    QTest::addColumn<QStringList>("captions");

    QTest::newRow("Return in Hostname") << "HostEdit" << int(Qt::Key_Return) << true << QStringList();
    QTest::newRow("Enter in Hostname") << "HostEdit" << int(Qt::Key_Enter) << true << QStringList();
    QTest::newRow("Return in Comment") << "CommentEdit" << int(Qt::Key_Return) << true << QStringList();
    QTest::newRow("Return in Group") << "cbxGroup" << int(Qt::Key_Return) << true << QStringList();
    // A button with the focus is the one that Enter presses.
    QTest::newRow("Return on Search")
        << "btnSearch" << int(Qt::Key_Return) << false << QStringList({"Bad Host Search"});
}

void TestMainWindow::enterPressesTheDefaultButton()
{
    QFETCH(QString, control);
    QFETCH(int, key);
    QFETCH(bool, added);
    QFETCH(QStringList, captions);

    TTempDir dir;
    MakeTables(dir);
    TScriptedPresenter presenter;
    auto form = StartForm(dir, "LastGroup=2\nClearEntryAfterAdd=0\nWriteHostsAfterAdd=0\n");
    auto* add = Find<QPushButton>(form.get(), "btnAddHost");
    QVERIFY(add->isDefault());
    Find<QLineEdit>(form.get(), "HostEdit")->setText("new.example.com");
    Find<QLineEdit>(form.get(), "CommentEdit")->setText("typed");
    FocusIn(*form, control);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));

    QCOMPARE(MemoryGroup("new.example.com"), added ? 2 : -1);
    QCOMPARE(Captions(presenter), captions);
    QVERIFY(form->close());
}

// ---------------------------------------------------------------------------
// Group combo

void TestMainWindow::fillGroupCombo_data()
{
    QTest::addColumn<int>("lastGroup");
    QTest::addColumn<QString>("selected");   // empty: no item selected

    QTest::newRow("first start selects the blank item") << 0 << " ";
    QTest::newRow("group 1") << 1 << "Default Group";
    QTest::newRow("flagged group") << 3 << "Trackers [RX]";
    QTest::newRow("none selected at last close") << -1 << "";
    QTest::newRow("group no longer there") << 99 << "";
}

void TestMainWindow::fillGroupCombo()
{
    QFETCH(int, lastGroup);
    QFETCH(QString, selected);

    TTempDir dir;
    MakeTables(dir);
    TScriptedPresenter presenter;
    auto form = StartForm(dir, QString("LastGroup=%1\n").arg(lastGroup));
    auto* combo = Find<QComboBox>(form.get(), "cbxGroup");

    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    QCOMPARE(texts, QStringList({" ", "Ads", "Default Group", "Trackers [RX]"}));
    QCOMPARE(combo->currentIndex() < 0 ? QString() : combo->currentText(), selected);
    QVERIFY(form->close());
}

void TestMainWindow::refillKeepsSelection()
{
    TTempDir dir;
    MakeTables(dir);
    TScriptedPresenter presenter;
    auto form = StartForm(dir, "LastGroup=1\n");
    auto* combo = Find<QComboBox>(form.get(), "cbxGroup");

    SelectGroup(*form, 2);
    QuillonData->AddGroup("Aardvark", false, false);
    form->FillGroupCombo();
    QCOMPARE(combo->count(), 5);
    QCOMPARE(combo->currentText(), QString("Ads"));

    // The selected group deleted elsewhere: nothing is selected after the refill.
    QVERIFY(QuillonData->Groups.Locate("group_id", 2, false));
    QuillonData->Groups.Delete();
    form->FillGroupCombo();
    QCOMPARE(combo->currentIndex(), -1);
    QVERIFY(form->close());
}

void TestMainWindow::lastGroupAtClose_data()
{
    QTest::addColumn<int>("select");   // -1: no item
    QTest::addColumn<int>("stored");

    QTest::newRow("no item selected") << -1 << -1;
    QTest::newRow("blank item") << 0 << 0;
    QTest::newRow("a group") << 3 << 3;
}

void TestMainWindow::lastGroupAtClose()
{
    QFETCH(int, select);
    QFETCH(int, stored);

    TTempDir dir;
    MakeTables(dir);
    TScriptedPresenter presenter;
    auto form = StartForm(dir, "LastGroup=1\n");
    SelectGroup(*form, select);
    QVERIFY(form->close());
    QCOMPARE(TIniFile(dir.File("Quillon.ini")).ReadInteger("Preferences", "LastGroup", 1000), stored);
}

// ---------------------------------------------------------------------------
// Add Host

void TestMainWindow::addHost_data()
{
    QTest::addColumn<int>("group");   // 0: the blank item
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<bool>("added");
    QTest::addColumn<QString>("focus");    // where the focus goes when nothing was added
    QTest::addColumn<int>("groupAfter");   // the host's group in memory afterwards; -1: not a bad host

    const QList<int> none;
    const QList<int> yes = {mrYes};
    const QList<int> no = {mrNo};
    QTest::newRow("blank group") << 0 << "new.example.com"
                                 << "" << none << QStringList({"Add Host"}) << false << "cbxGroup" << -1;
    QTest::newRow("invalid name") << 1 << "bad host!"
                                  << "" << none << QStringList({"Invalid Host"}) << false << "HostEdit" << -1;
    QTest::newRow("blank name after trimming")
        << 1 << "   "
        << "" << none << QStringList({"Invalid Host"}) << false << "HostEdit" << -1;
    QTest::newRow("duplicate in its group")
        << 2 << "ads.example.com"
        << "" << none << QStringList({"Duplicate Host"}) << false << "HostEdit" << 2;
    QTest::newRow("other group, moved on Yes")
        << 1 << "ADS.example.com"
        << "" << yes << QStringList({"Existing Host, Different Group"}) << false << "HostEdit" << 1;
    QTest::newRow("other group, kept on No")
        << 1 << "ads.example.com"
        << "" << no << QStringList({"Existing Host, Different Group"}) << false << "HostEdit" << 2;
    QTest::newRow("good host, Yes") << 1 << "intranet.example.com"
                                    << "" << yes << QStringList({"Good Host Gone Bad?"}) << true << "" << 1;
    QTest::newRow("good host, No") << 1 << "intranet.example.com"
                                   << "" << no << QStringList({"Good Host Gone Bad?"}) << false << "HostEdit"
                                   << -1;
    QTest::newRow("new host, trimmed") << 2 << " \tnew.example.com  "
                                       << "  from a list " << none << QStringList() << true << "" << 2;
}

void TestMainWindow::addHost()
{
    QFETCH(int, group);
    QFETCH(QString, host);
    QFETCH(QString, comment);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, captions);
    QFETCH(bool, added);
    QFETCH(QString, focus);
    QFETCH(int, groupAfter);

    TTempDir dir;
    MakeTables(dir);
    TScriptedPresenter presenter;
    // Defaults: ClearEntryAfterAdd and WriteHostsAfterAdd on.
    auto form = StartForm(dir, "LastGroup=3\n");
    const std::string iniBefore = dir.Read("Quillon.ini");
    const std::string tableBefore = dir.Read("BadHosts.cds");
    for (int a : answers)
        presenter.Answer(a);

    SelectGroup(*form, group);
    auto* hostEdit = Find<QLineEdit>(form.get(), "HostEdit");
    auto* commentEdit = Find<QLineEdit>(form.get(), "CommentEdit");
    hostEdit->setText(host);
    commentEdit->setText(comment);
    Find<QPushButton>(form.get(), "btnAddHost")->click();

    QCOMPARE(Captions(presenter), captions);
    for (const TMessageRequest& m : presenter.shown)
        QCOMPARE(m.owner, static_cast<TOwner>(form.get()));
    const QByteArray trimmedHost = host.trimmed().toUtf8();
    QCOMPARE(MemoryGroup(trimmedHost.constData()), groupAfter);

    if (added) {
        QCOMPARE(hostEdit->text(), QString());
        QCOMPARE(commentEdit->text(), QString());
        QCOMPARE(TIniFile(dir.File("Quillon.ini")).ReadInteger("Preferences", "LastGroup", 0), group);
        QCOMPARE(StoredGroup(dir, trimmedHost.constData()), group);
        QVERIFY(QString::fromStdString(dir.Read("hosts")).contains("\t" + host.trimmed()));
        // The comment was stored trimmed as well.
        QuillonData->BadHosts.SetIndexName("hostname");
        QVERIFY(QuillonData->BadHosts.FindKey({trimmedHost.toStdString()}));
        QCOMPARE(QString::fromUtf8(QuillonData->BadHosts.AsString("comment")), comment.trimmed());
    } else {
        // The trimmed texts stay for another try; nothing is saved or written.
        QCOMPARE(hostEdit->text(), host.trimmed());
        QCOMPARE(commentEdit->text(), comment.trimmed());
        QCOMPARE(form->focusWidget()->objectName(), focus);
        QCOMPARE(dir.Read("Quillon.ini"), iniBefore);
        QCOMPARE(dir.Read("BadHosts.cds"), tableBefore);
        QVERIFY(!dir.Exists("hosts"));
    }
    QVERIFY(form->close());
}

void TestMainWindow::afterAddPreferences_data()
{
    QTest::addColumn<bool>("clear");
    QTest::addColumn<bool>("write");

    QTest::newRow("clear and write") << true << true;
    QTest::newRow("keep entry") << false << true;
    QTest::newRow("no write") << true << false;
}

void TestMainWindow::afterAddPreferences()
{
    QFETCH(bool, clear);
    QFETCH(bool, write);

    TTempDir dir;
    MakeTables(dir);
    TScriptedPresenter presenter;
    auto form =
        StartForm(dir, QString("ClearEntryAfterAdd=%1\nWriteHostsAfterAdd=%2\n").arg(clear).arg(write));
    SelectGroup(*form, 1);
    Find<QLineEdit>(form.get(), "HostEdit")->setText("  new.example.com ");
    Find<QLineEdit>(form.get(), "CommentEdit")->setText("note");
    Find<QPushButton>(form.get(), "btnAddHost")->click();

    QVERIFY(presenter.shown.empty());
    QCOMPARE(Find<QLineEdit>(form.get(), "HostEdit")->text(), clear ? "" : "new.example.com");
    QCOMPARE(Find<QLineEdit>(form.get(), "CommentEdit")->text(), clear ? "" : "note");
    QCOMPARE(Find<QComboBox>(form.get(), "cbxGroup")->currentText(), QString("Default Group"));
    QCOMPARE(StoredGroup(dir, "new.example.com"), 1);
    QCOMPARE(dir.Exists("hosts"), write);
    if (write) {
        // Write HOSTS leaves out the group flagged exclude and refreshes the HOSTS state.
        const QString hosts = QString::fromStdString(dir.Read("hosts"));
        QVERIFY(hosts.contains("new.example.com"));
        QVERIFY(hosts.contains("ads.example.com"));
        QVERIFY(!hosts.contains("pixel.example.org"));
        QVERIFY(Find<QAction>(form.get(), "actDisableHOSTS")->isEnabled());
    }
    QVERIFY(form->close());
}

// ---------------------------------------------------------------------------
// Searches

void TestMainWindow::search_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("group");   // -1: no item selected, 0: the blank item
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("browsed");   // the browser's caption; empty: not shown
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("message");   // a "Bad Host Search" message; empty: none

    QTest::newRow("group alone") << "btnGroupSearch" << 3 << "ads"
                                 << "x"
                                 << "Bad Hosts - group_id = 3" << 2 << "";
    QTest::newRow("group button without a group") << "btnGroupSearch" << 0 << "ads"
                                                  << ""
                                                  << "" << 0 << "";
    QTest::newRow("group and host") << "btnSearch" << 3 << "ads"
                                    << ""
                                    << "Bad Hosts - group_id = 3 and hostname LIKE '%ads%'" << 1 << "";
    QTest::newRow("all three") << "btnSearch" << 3 << "tracker"
                               << "brien"
                               << "Bad Hosts - group_id = 3 and hostname LIKE '%tracker%' and comment LIKE "
                                  "'%brien%'"
                               << 1 << "";
    QTest::newRow("host button ignores the group") << "btnHostSearch" << 2 << "ads"
                                                   << "banner"
                                                   << "Bad Hosts - hostname LIKE '%ads%'" << 2 << "";
    QTest::newRow("user's % kept") << "btnHostSearch" << 0 << "ad%.com"
                                   << ""
                                   << "Bad Hosts - hostname LIKE 'ad%.com'" << 1 << "";
    QTest::newRow("quote doubled") << "btnCommentSearch" << 0 << ""
                                   << "O'Brien"
                                   << "Bad Hosts - comment LIKE '%O''Brien%'" << 1 << "";
    QTest::newRow("comment with % is the whole pattern") << "btnSearch" << -1 << ""
                                                         << "100%"
                                                         << "Bad Hosts - comment LIKE '100%'" << 1 << "";
    QTest::newRow("search trims") << "btnSearch" << 0 << "  ads\t"
                                  << ""
                                  << "Bad Hosts - hostname LIKE '%ads%'" << 2 << "";
    QTest::newRow("search without criteria") << "btnSearch" << 0 << " "
                                             << ""
                                             << "" << 0 << "No search criteria provided!";
    QTest::newRow("search, nothing selected, no criteria") << "btnSearch" << -1 << ""
                                                           << ""
                                                           << "" << 0 << "No search criteria provided!";
    QTest::newRow("host button, blank host") << "btnHostSearch" << 1 << "  "
                                             << "x"
                                             << "" << 0 << "";
    QTest::newRow("comment button, blank comment") << "btnCommentSearch" << 1 << "x"
                                                   << " "
                                                   << "" << 0 << "";
    QTest::newRow("no match") << "btnSearch" << 2 << "pixel"
                              << ""
                              << "" << 0 << "No hosts match your search criteria.";
}

void TestMainWindow::search()
{
    QFETCH(QString, button);
    QFETCH(int, group);
    QFETCH(QString, host);
    QFETCH(QString, comment);
    QFETCH(QString, browsed);
    QFETCH(int, rows);
    QFETCH(QString, message);

    TTempDir dir;
    MakeTables(dir);
    TScriptedPresenter presenter;
    auto form = StartForm(dir);
    SelectGroup(*form, group);
    Find<QLineEdit>(form.get(), "HostEdit")->setText(host);
    Find<QLineEdit>(form.get(), "CommentEdit")->setText(comment);
    Find<QPushButton>(form.get(), button)->click();

    QCOMPARE(form->browsed, browsed.isEmpty() ? QStringList() : QStringList({browsed}));
    if (!browsed.isEmpty())
        QCOMPARE(form->rowsShown, rows);
    QCOMPARE(Captions(presenter), message.isEmpty() ? QStringList() : QStringList({"Bad Host Search"}));
    if (!message.isEmpty()) {
        QCOMPARE(QString::fromStdString(presenter.Last().text), message);
        QCOMPARE(presenter.Last().owner, static_cast<TOwner>(form.get()));
    }
    QVERIFY(!QuillonData->BadHosts.Filtered());
    QCOMPARE(QuillonData->BadHosts.Filter(), std::string());
    QCOMPARE(QuillonData->BadHosts.RecordCount(), 3);
    QVERIFY(form->close());
}

void TestMainWindow::failingBrowserLeavesFilterOff()
{
    TTempDir dir;
    MakeTables(dir);
    TScriptedPresenter presenter;
    auto form = StartForm(dir);
    form->failInBrowse = true;
    Find<QLineEdit>(form.get(), "HostEdit")->setText("ads");
    Find<QPushButton>(form.get(), "btnHostSearch")->click();

    QCOMPARE(form->browsed.size(), 1);
    QCOMPARE(Captions(presenter), QStringList({"Quillon"}));
    QVERIFY(!QuillonData->BadHosts.Filtered());
    QCOMPARE(QuillonData->BadHosts.Filter(), std::string());
    QVERIFY(form->close());
}

// ---------------------------------------------------------------------------
// The HOSTS file

void TestMainWindow::hostsState_data()
{
    QTest::addColumn<bool>("hosts");
    QTest::addColumn<bool>("disabledCopy");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("picture");

    QTest::newRow("present") << true << false << "Disable the HOSTS file" << false << true << 6;
    QTest::newRow("disabled") << false << true << "Enable the HOSTS file" << true << true << 7;
    QTest::newRow("absent") << false << false << "HOSTS file not present" << false << false << 8;
    QTest::newRow("both count as present") << true << true << "Disable the HOSTS file" << false << true << 6;
}

void TestMainWindow::hostsState()
{
    QFETCH(bool, hosts);
    QFETCH(bool, disabledCopy);
    QFETCH(QString, hint);
    QFETCH(bool, checked);
    QFETCH(bool, enabled);
    QFETCH(int, picture);

    TTempDir dir;
    if (hosts)
        dir.Write("hosts", "127.0.0.1\tlocalhost\n");
    if (disabledCopy)
        dir.Write("hosts.Quillon", "127.0.0.1\tlocalhost\n");
    TScriptedPresenter presenter;
    auto form = StartForm(dir);
    auto* action = Find<QAction>(form.get(), "actDisableHOSTS");

    QCOMPARE(action->text(), QString("&Disable HOSTS"));
    QCOMPARE(action->toolTip(), hint);
    QCOMPARE(action->statusTip(), hint);
    QVERIFY(action->isCheckable());
    QCOMPARE(action->isChecked(), checked);
    QCOMPARE(action->isEnabled(), enabled);
    QCOMPARE(Picture(action->icon()), Picture(ImageListIcon(picture)));
    QVERIFY(form->close());
}

void TestMainWindow::toggleHosts_data()
{
    QTest::addColumn<bool>("hosts");
    QTest::addColumn<bool>("disabledCopy");
    QTest::addColumn<QString>("message");   // %1: the disabled name
    QTest::addColumn<QString>("hintAfter");

    QTest::newRow("disable") << true << false << "The HOSTS file has been disabled by renaming it to\r\n%1"
                             << "Enable the HOSTS file";
    QTest::newRow("disable replaces a stale copy")
        << true << true << "The HOSTS file has been disabled by renaming it to\r\n%1"
        << "Enable the HOSTS file";
    QTest::newRow("enable") << false << true << "The HOSTS file has been enabled"
                            << "Disable the HOSTS file";
    QTest::newRow("neither file") << false << false << "You have neither a HOSTS file nor a renamed copy"
                                  << "HOSTS file not present";
}

void TestMainWindow::toggleHosts()
{
    QFETCH(bool, hosts);
    QFETCH(bool, disabledCopy);
    QFETCH(QString, message);
    QFETCH(QString, hintAfter);

    TTempDir dir;
    if (hosts)
        dir.Write("hosts", "current\n");
    if (disabledCopy)
        dir.Write("hosts.Quillon", "stale\n");
    TScriptedPresenter presenter;
    auto form = StartForm(dir);
    // With neither file the action is disabled; its handler still answers.
    form->DisableHOSTSExecute();

    QCOMPARE(Captions(presenter), QStringList({"HOSTS Status"}));
    QCOMPARE(QString::fromStdString(presenter.Last().text),
             message.arg(QString::fromStdString(dir.File("hosts.Quillon"))));
    QCOMPARE(presenter.Last().owner, static_cast<TOwner>(form.get()));
    QCOMPARE(Find<QAction>(form.get(), "actDisableHOSTS")->toolTip(), hintAfter);
    if (hosts)
        QCOMPARE(dir.Read("hosts.Quillon"), std::string("current\n"));
    QVERIFY(form->close());
}

void TestMainWindow::disableThenEnableKeepsContent()
{
    TTempDir dir;
    const std::string content("# mine\r\n127.0.0.1\tlocalhost\n\0binary\xff", 31);
    dir.Write("hosts", content);
    TScriptedPresenter presenter;
    auto form = StartForm(dir);
    auto* action = Find<QAction>(form.get(), "actDisableHOSTS");

    action->trigger();
    QVERIFY(!dir.Exists("hosts"));
    QVERIFY(action->isChecked());
    action->trigger();
    QVERIFY(!action->isChecked());
    QVERIFY(!dir.Exists("hosts.Quillon"));
    QCOMPARE(dir.Read("hosts"), content);
    QCOMPARE(Captions(presenter), QStringList({"HOSTS Status", "HOSTS Status"}));
    QVERIFY(form->close());
}

void TestMainWindow::writeHosts_data()
{
    QTest::addColumn<QString>("existing");   // "hosts", "hosts.Quillon" or "" for none
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("hintAfter");

    QTest::newRow("present") << "hosts"
                             << "hosts"
                             << "Disable the HOSTS file";
    QTest::newRow("disabled copy rewritten") << "hosts.Quillon"
                                             << "hosts.Quillon"
                                             << "Enable the HOSTS file";
    QTest::newRow("absent is created") << ""
                                       << "hosts"
                                       << "Disable the HOSTS file";
}

void TestMainWindow::writeHosts()
{
    QFETCH(QString, existing);
    QFETCH(QString, written);
    QFETCH(QString, hintAfter);

    TTempDir dir;
    MakeTables(dir);
    if (!existing.isEmpty())
        dir.Write(existing.toStdString(), "old\n");
    TScriptedPresenter presenter;
    auto form = StartForm(dir, "ExportBackup=0\n");
    Find<QAction>(form.get(), "actWriteHOSTS")->trigger();

    QVERIFY(presenter.shown.empty());
    const QString text = QString::fromStdString(dir.Read(written.toStdString()));
    QVERIFY2(text.startsWith("# Created by Quillon"), qPrintable(text));
    QVERIFY(text.contains("10.0.0.1\tintranet.example.com"));
    QVERIFY(text.contains("ads.example.com"));
    QVERIFY(!text.contains("Trackers"));
    QCOMPARE(dir.Exists("hosts") + dir.Exists("hosts.Quillon"), 1);
    QCOMPARE(Find<QAction>(form.get(), "actDisableHOSTS")->toolTip(), hintAfter);
    QVERIFY(form->close());
}

void TestMainWindow::viewWithoutFile()
{
    TTempDir dir;
    TScriptedPresenter presenter;
    auto form = StartForm(dir);
    Find<QAction>(form.get(), "actViewHOSTS")->trigger();

    QCOMPARE(Captions(presenter), QStringList({"View HOSTS"}));
    QCOMPARE(presenter.Last().text, std::string("There is no HOSTS file to view."));
    QCOMPARE(presenter.Last().owner, static_cast<TOwner>(form.get()));
    QVERIFY(form->close());
}

void TestMainWindow::helpContents()
{
    TTempDir dir;
    std::filesystem::create_directory(dir.File("Help"));
    TScriptedPresenter presenter;
    auto form = StartForm(dir);
    Find<QAction>(form.get(), "actHelp")->trigger();

    QCOMPARE(Captions(presenter), QStringList({"Help Error"}));
    QCOMPARE(presenter.Last().text, "File not found:\r\n" + dir.File("Help/index.html"));
    QVERIFY(form->close());
}

void TestMainWindow::aboutIsModal()
{
    TTempDir dir;
    TScriptedPresenter presenter;
    auto form = StartForm(dir);
    bool sawAbout = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        sawAbout = qobject_cast<TAboutForm*>(modal) != nullptr;
        if (modal)
            modal->close();
    });
    Find<QAction>(form.get(), "actAbout")->trigger();
    QVERIFY(sawAbout);
    QVERIFY(form->close());
}

void TestMainWindow::exitCloses()
{
    TTempDir dir;
    TScriptedPresenter presenter;
    auto form = StartForm(dir);
    Find<QAction>(form.get(), "actExit")->trigger();
    QVERIFY(!form->isVisible());
    QVERIFY(!QuillonData);
    QVERIFY(dir.Exists("Quillon.ini"));
}

// ---------------------------------------------------------------------------
// Window position

void TestMainWindow::fitOnScreen_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QPoint>("expected");

    const QList<QRect> one = {QRect(0, 0, 800, 600)};
    const QList<QRect> two = {QRect(0, 0, 800, 600), QRect(800, 0, 1024, 768)};
    QTest::newRow("wholly on screen") << QRect(10, 20, 400, 250) << one << QPoint(10, 20);
    QTest::newRow("touching the far corner") << QRect(400, 350, 400, 250) << one << QPoint(400, 350);
    QTest::newRow("past the right edge") << QRect(700, 20, 400, 250) << one << QPoint(400, 20);
    QTest::newRow("past the bottom edge") << QRect(10, 500, 400, 250) << one << QPoint(10, 350);
    QTest::newRow("above and left") << QRect(-50, -10, 400, 250) << one << QPoint(0, 0);
    QTest::newRow("far away") << QRect(5000, 5000, 400, 250) << one << QPoint(400, 350);
    QTest::newRow("larger than the screen") << QRect(-100, -100, 900, 700) << one << QPoint(0, 0);
    QTest::newRow("mostly on the second screen") << QRect(700, 600, 400, 250) << two << QPoint(800, 518);
    QTest::newRow("nearest screen when on none") << QRect(2000, 100, 400, 250) << two << QPoint(1424, 100);
}

void TestMainWindow::fitOnScreen()
{
    QFETCH(QRect, frame);
    QFETCH(QList<QRect>, screens);
    QFETCH(QPoint, expected);
    QCOMPARE(FitOnScreen(frame, screens), expected);
}

void TestMainWindow::fittedGeometryCountsTheFrame_data()
{
    QTest::addColumn<QRect>("frame");        // where the saved frame would be
    QTest::addColumn<QMargins>("margins");   // left, top, right, bottom
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QRect>("expected");   // the client area

    const QList<QRect> screen = {QRect(0, 0, 1280, 1000)};
    // A client area of 400 x 230 under a title bar of 20 and borders of 1.
    QTest::newRow("main window off the bottom-right")
        << QRect(1150, 900, 402, 251) << QMargins(1, 20, 1, 1) << screen << QRect(879, 769, 400, 230);
    QTest::newRow("main window on screen")
        << QRect(100, 50, 402, 251) << QMargins(1, 20, 1, 1) << screen << QRect(101, 70, 400, 230);
    // At a scale factor of 1.5 the same screen is 853 x 666 to the program.
    QTest::newRow("browser at a scale of 1.5")
        << QRect(259, 300, 683, 396) << QMargins(1, 20, 1, 5) << QList<QRect>{QRect(0, 0, 853, 666)}
        << QRect(171, 290, 681, 371);
    QTest::newRow("title bar above the screen")
        << QRect(100, -15, 402, 251) << QMargins(1, 20, 1, 1) << screen << QRect(101, 20, 400, 230);
}

void TestMainWindow::fittedGeometryCountsTheFrame()
{
    QFETCH(QRect, frame);
    QFETCH(QMargins, margins);
    QFETCH(QList<QRect>, screens);
    QFETCH(QRect, expected);
    QCOMPARE(FittedGeometry(frame, margins, screens), expected);
}

void TestMainWindow::positionRestored_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QPoint>("expected");   // the frame's corner; (-1, -1): where the window system put it

    QTest::newRow("saved position") << "[MainWindow]\nTop=40\nLeft=50\n" << QPoint(50, 40);
    QTest::newRow("only Top") << "[MainWindow]\nTop=40\n" << QPoint(-1, 40);
    QTest::newRow("no section") << "" << QPoint(-1, -1);
}

void TestMainWindow::positionRestored()
{
    QFETCH(QString, section);
    QFETCH(QPoint, expected);

    TScriptedPresenter presenter;
    QPoint designed;
    QRect designedGeometry;
    {
        TTempDir fresh;
        WriteIni(fresh, "");
        TTestForm form(fresh.Path());
        designedGeometry = form.geometry();
        // Where a new window goes, as far as the screen has room for its frame.
        designed = FitOnScreen(QRect(OuterGeometry(&form).topLeft(), QSize(1, 1)),
                               {QGuiApplication::primaryScreen()->geometry()});
    }
    TTempDir dir;
    WriteIni(dir, "SaveWindows=0\n" + section);
    TTestForm form(dir.Path());
    const QPoint corner = OuterGeometry(&form).topLeft();
    if (expected == QPoint(-1, -1))
        QCOMPARE(form.geometry(), designedGeometry);
    else
        QCOMPARE(corner, QPoint(expected.x() < 0 ? designed.x() : expected.x(), expected.y()));
    QVERIFY(form.close());
}

void TestMainWindow::positionSaved_data()
{
    QTest::addColumn<bool>("saveWindows");
    QTest::addColumn<bool>("minimized");
    QTest::addColumn<QString>("stored");   // "Top,Left" read back; "" when the section is missing

    QTest::newRow("normal window") << true << false << "70,60";
    QTest::newRow("minimized keeps the old values") << true << true << "1,2";
    QTest::newRow("SaveWindows off writes nothing") << false << false << "1,2";
}

void TestMainWindow::positionSaved()
{
    QFETCH(bool, saveWindows);
    QFETCH(bool, minimized);
    QFETCH(QString, stored);

    TTempDir dir;
    TScriptedPresenter presenter;
    auto form = StartForm(dir, QString("SaveWindows=%1\n[MainWindow]\nTop=1\nLeft=2\n").arg(saveWindows));
    form->move(60, 70);
    if (minimized)
        form->setWindowState(Qt::WindowMinimized);
    QVERIFY(form->close());

    const TIniFile ini(dir.File("Quillon.ini"));
    QCOMPARE(QString("%1,%2")
                 .arg(ini.ReadInteger("MainWindow", "Top", -1))
                 .arg(ini.ReadInteger("MainWindow", "Left", -1)),
             stored);

    // An off-screen position is pulled back onto the screen at the next start.
    WriteIni(dir, "[MainWindow]\nTop=5000\nLeft=-3000\n");
    TTestForm again(dir.Path());
    QVERIFY(QGuiApplication::primaryScreen()->geometry().contains(OuterGeometry(&again)));
    QCOMPARE(OuterGeometry(&again).left(), 0);
    QVERIFY(again.close());
}

void TestMainWindow::restoredFrameWhollyOnScreen_data()
{
    QTest::addColumn<QPoint>("saved");     // Left, Top
    QTest::addColumn<QString>("corner");   // which corner of the screen the frame ends in; "" for none

    QTest::newRow("off the bottom-right") << QPoint(760, 700) << "bottom-right";
    QTest::newRow("far away") << QPoint(5000, 5000) << "bottom-right";
    QTest::newRow("above and left") << QPoint(-300, -40) << "top-left";
    QTest::newRow("wholly on screen") << QPoint(30, 40) << "";
}

// The frame and title bar count: after the restore the whole window lies on
// the screen, moved as little as needed.
void TestMainWindow::restoredFrameWhollyOnScreen()
{
    QFETCH(QPoint, saved);
    QFETCH(QString, corner);

    TTempDir dir;
    TScriptedPresenter presenter;
    auto form = StartForm(
        dir, QString("SaveWindows=0\n[MainWindow]\nTop=%1\nLeft=%2\n").arg(saved.y()).arg(saved.x()));
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    const QRect screen = form->screen()->geometry();
    QTRY_VERIFY2(screen.contains(form->frameGeometry()),
                 qPrintable(QString("frame %1,%2 %3x%4")
                                .arg(form->frameGeometry().x())
                                .arg(form->frameGeometry().y())
                                .arg(form->frameGeometry().width())
                                .arg(form->frameGeometry().height())));
    if (corner == "bottom-right")
        QCOMPARE(form->frameGeometry().bottomRight(), screen.bottomRight());
    else if (corner == "top-left")
        QCOMPARE(form->frameGeometry().topLeft(), screen.topLeft());
    else
        QCOMPARE(form->frameGeometry().topLeft(), saved);
    QVERIFY(form->close());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
