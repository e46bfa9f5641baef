// The groups browser, group editor, move dialog and group pick dialog over a temporary data folder.
#include "ui/GroupBrowse.h"

#include "core/DataUnit.h"
#include "support/DataFolder.h"
#include "support/DataRows.h"
#include "support/FindChild.h"
#include "support/ScriptedPresenter.h"
#include "support/TempDir.h"
#include "support/WhenModal.h"
#include "ui/GroupEdit.h"
#include "ui/GroupMove.h"
#include "ui/GroupPick.h"
#include "ui/MainUnit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>

namespace {

// A data folder whose preferences keep the HOSTS file and the editor inside it.
// Groups (ids): Default Group (1), Zoo [X] (2), Ads [R] (3), Malware [RX] (4).
// Bad hosts: ads1.example and Ads2.example in Ads, zoo.example in Zoo.
struct TFixture : TDataFolder {
    explicit TFixture(const std::string& prefs = {}, bool groups = true) : TDataFolder(prefs)
    {
        if (!groups)
            return;
        TGroupList list;
        data->FillGroupList(list, false);
        data->AddGroup("Zoo", false, true);
        data->AddGroup("Ads", true, false);
        data->AddGroup("Malware", true, true);
        AddBadRow(*data, "ads1.example", 3, "banner");
        AddBadRow(*data, "Ads2.example", 3);
        AddBadRow(*data, "zoo.example", 2, "animals");
    }

    // Every group as "id name flags", in id order.
    QStringList Groups() const
    {
        QStringList out;
        TTable& g = data->Groups;
        const std::string index = g.IndexName();
        g.SetIndexName("group_id");
        for (g.First(); !g.Eof(); g.Next())
            out << QString("%1 %2%3%4")
                       .arg(g.AsInteger("group_id"))
                       .arg(QString::fromStdString(std::string(g.AsString("group_name"))))
                       .arg(g.AsBoolean("restricted") ? " R" : "")
                       .arg(g.AsBoolean("exclude") ? " X" : "");
        g.SetIndexName(index);
        return out;
    }

    // Every bad host as "name=group comment", in name order.
    QStringList Hosts() const
    {
        QStringList out;
        TTable& b = data->BadHosts;
        const std::string index = b.IndexName();
        b.SetIndexName("hostname");
        for (b.First(); !b.Eof(); b.Next())
            out << QString("%1=%2 %3")
                       .arg(QString::fromStdString(std::string(b.AsString("hostname"))))
                       .arg(b.AsInteger("group_id"))
                       .arg(QString::fromStdString(std::string(b.AsString("comment"))));
        b.SetIndexName(index);
        return out;
    }
};

QStringList Items(const QListWidget& list)
{
    QStringList items;
    for (int i = 0; i < list.count(); ++i)
        items << QString("%1=%2").arg(list.item(i)->text()).arg(list.item(i)->data(Qt::UserRole).toInt());
    return items;
}

QStringList Items(const QComboBox& combo)
{
    QStringList items;
    for (int i = 0; i < combo.count(); ++i)
        items << QString("%1=%2").arg(combo.itemText(i)).arg(combo.itemData(i).toInt());
    return items;
}

QString Selected(const QListWidget& list)
{
    const auto selected = list.selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void Select(QListWidget& list, const QString& text)
{
    const auto found = list.findItems(text, Qt::MatchExactly);
    if (found.isEmpty())
        qFatal("no item %s", qPrintable(text));
    list.setCurrentItem(found.first());
}

// A browser on screen, filled as when opened.
std::unique_ptr<TGroupBrowseForm> ShowBrowser(TFixture& fx)
{
    auto form = std::make_unique<TGroupBrowseForm>(*fx.data);
    form->show();
    return form;
}

}   // namespace

class TestGroupBrowse : public QObject {
    Q_OBJECT

private slots:
    void controls_data();
    void controls();
    void sizes();
    void help_data();
    void help();

    void browserShowsGroups();
    void nothingWithoutSelection();
    void closingSavesTables_data();
    void closingSavesTables();

    void editorShow_data();
    void editorShow();
    void editorOK_data();
    void editorOK();
    void addAndEditFromBrowser();
    void editByDoubleClick();

    void deleteWithoutHosts_data();
    void deleteWithoutHosts();
    void deleteMovesHosts();
    void deleteCancelledInMoveDialog();
    void moveDialogForTheOnlyGroup();
    void lastGroupDeletedThenRenumbered();

    void cleanupButton_data();
    void cleanupButton();
    void renumber_data();
    void renumber();

    void pick_data();
    void pick();
    void pickShowsOnlyItsChoice();

    void mainWindowGroups();
    void mainWindowKeepsGroupThroughRenumber();
};

// ---------------------------------------------------------------------------
// Controls

void TestGroupBrowse::controls_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hint");

    const struct {
        const char* window;
        const char* name;
        const char* className;
        const char* text;
        const char* hint;
    } rows[] = {
        {"browse", "lbxGroups", "QListWidget", "", ""},
        {"browse", "btnAdd", "QPushButton", "Add", ""},
        {"browse", "btnEdit", "QPushButton", "Edit", ""},
        {"browse", "btnDelete", "QPushButton", "Delete", ""},
        {"browse", "btnRenumber", "QPushButton", "Renumber",
         "Renumber group identifiers so they sort in the Bad Host browse correctly"},
        {"browse", "btnCleanup", "QPushButton", "Cleanup", "Delete groups that don't contain any Bad Hosts"},
        {"browse", "btnClose", "QPushButton", "Close", ""},
        {"edit", "Label1", "QLabel", "Group Name", ""},
        {"edit", "NameEdit", "QLineEdit", "", ""},
        {"edit", "cbRestricted", "QCheckBox", "&Restricted Zone", ""},
        {"edit", "cbExclude", "QCheckBox", "E&xclude from HOSTS file", ""},
        {"edit", "btnOK", "QPushButton", "OK", ""},
        {"edit", "btnCancel", "QPushButton", "Cancel", ""},
        {"move", "Label1", "QLabel", "There are hosts that belong to this group.", ""},
        {"move", "Label2", "QLabel",
         "Before you can delete it, these hosts must be assigned to another group.", ""},
        {"move", "Label3", "QLabel",
         "Select the new group and press OK to reassign the hosts and delete the group.", ""},
        {"move", "Label4", "QLabel", "Press Cancel to leave things as they are.", ""},
        {"move", "cbxNewGroup", "QComboBox", "", ""},
        {"move", "btnOK", "QPushButton", "OK", ""},
        {"move", "btnCancel", "QPushButton", "Cancel", ""},
        {"pick", "Label1", "QLabel", "Select a new group", ""},
        {"pick", "lbxGroups", "QListWidget", "", ""},
        {"pick", "btnOK", "QPushButton", "OK", ""},
        {"pick", "btnCancel", "QPushButton", "Cancel", ""},
    };
    for (const auto& row : rows)
        QTest::addRow("%s %s", row.window, row.name)
            << row.window << row.name << row.className << row.text << row.hint;
}

void TestGroupBrowse::controls()
{
    QFETCH(QString, window);
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, text);
    QFETCH(QString, hint);

    TFixture fx;
    TScriptedPresenter presenter;
    std::unique_ptr<QDialog> form;
    if (window == "browse")
        form = std::make_unique<TGroupBrowseForm>(*fx.data);
    else if (window == "edit")
        form = std::make_unique<TGroupEditForm>(*fx.data);
    else if (window == "move")
        form = std::make_unique<TGroupMoveForm>(*fx.data);
    else
        form = std::make_unique<TGroupPickForm>(*fx.data);

    auto* w = Find<QWidget>(form.get(), name);
    QCOMPARE(QString(w->metaObject()->className()), className);
    if (auto* label = qobject_cast<QLabel*>(w))
        QCOMPARE(label->text(), text);
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        QCOMPARE(button->text(), text);
    QCOMPARE(w->toolTip(), hint);
    if (auto* button = qobject_cast<QPushButton*>(w))
        QCOMPARE(button->isDefault(), name == "btnOK");
    if (auto* combo = qobject_cast<QComboBox*>(w))
        QVERIFY(!combo->isEditable());
}

void TestGroupBrowse::sizes()
{
    TFixture fx;
    TScriptedPresenter presenter;

    TGroupBrowseForm browse(*fx.data);
    QCOMPARE(browse.windowTitle(), QString("Groups"));
    QCOMPARE(browse.minimumSize(), QSize(523, 100));
    QCOMPARE(browse.size(), QSize(523, 291));   // 515 wide would be below the minimum
    QVERIFY(browse.windowFlags() & Qt::WindowMaximizeButtonHint);

    TGroupPickForm pick(*fx.data);
    QCOMPARE(pick.windowTitle(), QString("Select A Group"));
    QCOMPARE(pick.size(), QSize(357, 304));
    QVERIFY(pick.windowFlags() & Qt::WindowMaximizeButtonHint);

    // The editor and the move dialog keep the size their contents need.
    TGroupEditForm edit(*fx.data);
    TGroupMoveForm move(*fx.data);
    move.OldGroupId = 3;
    for (QDialog* fixed : std::initializer_list<QDialog*>{&edit, &move}) {
        fixed->show();
        QCOMPARE(fixed->minimumSize(), fixed->maximumSize());
        QVERIFY(!(fixed->windowFlags() & Qt::WindowMaximizeButtonHint));
        fixed->reject();
    }
}

void TestGroupBrowse::help_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("topic");
    QTest::newRow("browser") << "browse"
                             << "groups.html";
    QTest::newRow("editor") << "edit"
                            << "groups.html";
    QTest::newRow("move dialog") << "move"
                                 << "groups.html";
    QTest::newRow("pick dialog") << "pick"
                                 << "badhosts.html";
}

void TestGroupBrowse::help()
{
    QFETCH(QString, window);
    QFETCH(QString, topic);

    TFixture fx;
    std::filesystem::create_directory(fx.dir.File("Help"));
    TScriptedPresenter presenter;
    std::unique_ptr<QDialog> form;
    if (window == "browse")
        form = std::make_unique<TGroupBrowseForm>(*fx.data);
    else if (window == "edit")
        form = std::make_unique<TGroupEditForm>(*fx.data);
    else if (window == "move")
        form = std::make_unique<TGroupMoveForm>(*fx.data);
    else
        form = std::make_unique<TGroupPickForm>(*fx.data);
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_F1);

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().caption, std::string("Help Error"));
    QCOMPARE(presenter.Last().text, "File not found:\r\n" + fx.dir.File("Help/" + topic.toStdString()));
    form->reject();
}

// ---------------------------------------------------------------------------
// The browser

void TestGroupBrowse::browserShowsGroups()
{
    TFixture fx;
    TScriptedPresenter presenter;
    fx.data->Groups.SetIndexName("group_name");
    auto form = ShowBrowser(fx);

    QCOMPARE(Items(*form->lbxGroups),
             QStringList({"Ads [R]=3", "Default Group=1", "Malware [RX]=4", "Zoo [X]=2"}));
    QCOMPARE(Selected(*form->lbxGroups), QString());
    QCOMPARE(fx.data->Groups.IndexName(), std::string("group_id"));
}

// Edit and Delete do nothing without a selected group; Cleanup nothing with an empty list.
void TestGroupBrowse::nothingWithoutSelection()
{
    TFixture fx;
    TScriptedPresenter presenter;
    auto form = ShowBrowser(fx);
    const QStringList groups = fx.Groups();

    for (QPushButton* button : {form->btnEdit, form->btnDelete}) {
        bool opened = true;
        WhenModal<QDialog>([](QDialog&) {}, &opened);
        button->click();
        QCoreApplication::processEvents();
        QVERIFY2(!opened, qPrintable(button->objectName()));
    }
    QVERIFY(presenter.shown.empty());
    QCOMPARE(fx.Groups(), groups);

    form->lbxGroups->clear();
    form->btnCleanup->click();
    QVERIFY(presenter.shown.empty());
    QCOMPARE(fx.Groups(), groups);
}

void TestGroupBrowse::closingSavesTables_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Close button") << "button";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("window closed") << "close";
}

void TestGroupBrowse::closingSavesTables()
{
    QFETCH(QString, how);

    TFixture fx;
    TScriptedPresenter presenter;
    auto form = ShowBrowser(fx);
    QVERIFY(!fx.dir.Exists("Groups.cds"));

    if (how == "button")
        form->btnClose->click();
    else if (how == "escape")
        QTest::keyClick(form->lbxGroups, Qt::Key_Escape);
    else
        QVERIFY(form->close());

    QVERIFY(!form->isVisible());
    QVERIFY(fx.dir.Exists("Groups.cds"));
    QVERIFY(fx.dir.Exists("BadHosts.cds"));
    QCOMPARE(fx.data->Dirty(fx.data->Groups), 0);
}

// ---------------------------------------------------------------------------
// The editor

void TestGroupBrowse::editorShow_data()
{
    QTest::addColumn<int>("groupId");
    QTest::addColumn<bool>("restrictedDefault");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("restricted");
    QTest::addColumn<bool>("exclude");
    QTest::addColumn<int>("idAfterShow");

    QTest::newRow("add, restricted by default") << 0 << true << "Add Group"
                                                << "" << true << false << 0;
    QTest::newRow("add, not restricted by default") << 0 << false << "Add Group"
                                                    << "" << false << false << 0;
    QTest::newRow("edit a group with both flags") << 4 << false << "Edit Group 4"
                                                  << "Malware" << true << true << 4;
    QTest::newRow("edit a group with exclude") << 2 << true << "Edit Group 2"
                                               << "Zoo" << false << true << 2;
    QTest::newRow("a group that is gone is added") << 9 << true << "Add Group"
                                                   << "" << true << false << 0;
}

void TestGroupBrowse::editorShow()
{
    QFETCH(int, groupId);
    QFETCH(bool, restrictedDefault);
    QFETCH(QString, caption);
    QFETCH(QString, name);
    QFETCH(bool, restricted);
    QFETCH(bool, exclude);
    QFETCH(int, idAfterShow);

    TFixture fx(restrictedDefault ? "RestrictedDefault=1\n" : "RestrictedDefault=0\n");
    TScriptedPresenter presenter;
    TGroupEditForm editor(*fx.data);
    QCOMPARE(editor.windowTitle(), QString("Edit Group"));
    editor.GroupId = groupId;
    editor.show();

    QCOMPARE(editor.windowTitle(), caption);
    QCOMPARE(editor.NameEdit->text(), name);
    QCOMPARE(editor.NameEdit->maxLength(), 255);
    QCOMPARE(editor.cbRestricted->isChecked(), restricted);
    QCOMPARE(editor.cbExclude->isChecked(), exclude);
    QCOMPARE(editor.GroupId, idAfterShow);
    QCOMPARE(fx.data->Groups.IndexName(), std::string("group_id"));
    editor.reject();
}

void TestGroupBrowse::editorOK_data()
{
    QTest::addColumn<int>("groupId");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");   // empty: accepted
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("nameAfter");
    QTest::addColumn<int>("idAfter");
    QTest::addColumn<QStringList>("groups");

    const QStringList unchanged = {"1 Default Group", "2 Zoo X", "3 Ads R", "4 Malware R X"};
    QTest::newRow("blank name") << 0 << "   "
                                << "Group Name is required"
                                << "Add Group"
                                << "" << 0 << unchanged;
    QTest::newRow("blank name while editing") << 2 << ""
                                              << "Group Name is required"
                                              << "Edit Group 2"
                                              << "" << 2 << unchanged;
    QTest::newRow("new group, taken name in other case") << 0 << "ZOO"
                                                         << "A group with this name already exists."
                                                         << "Add Group"
                                                         << "ZOO" << 0 << unchanged;
    QTest::newRow("rename to another group's name") << 4 << " ads"
                                                    << "A group with this name already exists."
                                                    << "Edit Group 4"
                                                    << "ads" << 4 << unchanged;
    QTest::newRow("own name in other case")
        << 3 << "ADS"
        << ""
        << ""
        << "ADS" << 3 << QStringList({"1 Default Group", "2 Zoo X", "3 ADS X", "4 Malware R X"});
    QTest::newRow("new group, trimmed")
        << 0 << "  Trackers\t"
        << ""
        << ""
        << "Trackers" << 5
        << QStringList({"1 Default Group", "2 Zoo X", "3 Ads R", "4 Malware R X", "5 Trackers X"});
}

void TestGroupBrowse::editorOK()
{
    QFETCH(int, groupId);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, caption);
    QFETCH(QString, nameAfter);
    QFETCH(int, idAfter);
    QFETCH(QStringList, groups);

    TFixture fx;
    TScriptedPresenter presenter;
    TGroupEditForm editor(*fx.data);
    editor.GroupId = groupId;
    editor.show();
    editor.NameEdit->setText(typed);
    // Flags as the user leaves them: the restricted flag off, exclude on.
    editor.cbRestricted->setChecked(false);
    editor.cbExclude->setChecked(true);
    editor.btnOK->setFocus();
    editor.btnOK->click();

    QCOMPARE(editor.NameEdit->text(), nameAfter);
    QCOMPARE(editor.GroupId, idAfter);
    QCOMPARE(fx.Groups(), groups);
    if (message.isEmpty()) {
        QVERIFY(presenter.shown.empty());
        QVERIFY(!editor.isVisible());
        QCOMPARE(editor.result(), int(QDialog::Accepted));
    } else {
        QCOMPARE(presenter.shown.size(), size_t(1));
        QCOMPARE(QString::fromStdString(presenter.Last().text), message);
        QCOMPARE(QString::fromStdString(presenter.Last().caption), caption);
        QCOMPARE(presenter.Last().kind, TMsgDlgType::mtInformation);
        QCOMPARE(presenter.Last().owner, static_cast<TOwner>(&editor));
        QVERIFY(editor.isVisible());
        QCOMPARE(editor.focusWidget(), static_cast<QWidget*>(editor.NameEdit));
        editor.reject();
    }
}

void TestGroupBrowse::addAndEditFromBrowser()
{
    TFixture fx;
    TScriptedPresenter presenter;
    auto form = ShowBrowser(fx);

    QString addCaption;
    WhenModal<TGroupEditForm>([&](TGroupEditForm& editor) {
        addCaption = editor.windowTitle();
        editor.NameEdit->setText("Trackers");
        editor.cbRestricted->setChecked(false);
        editor.btnOK->click();
    });
    form->btnAdd->click();
    QCOMPARE(addCaption, QString("Add Group"));
    QCOMPARE(Items(*form->lbxGroups),
             QStringList({"Ads [R]=3", "Default Group=1", "Malware [RX]=4", "Trackers=5", "Zoo [X]=2"}));
    QCOMPARE(Selected(*form->lbxGroups), QString("Trackers"));

    Select(*form->lbxGroups, "Zoo [X]");
    QString editCaption;
    WhenModal<TGroupEditForm>([&](TGroupEditForm& editor) {
        editCaption = editor.windowTitle();
        editor.NameEdit->setText("Birds");
        editor.cbRestricted->setChecked(true);
        editor.btnOK->click();
    });
    form->btnEdit->click();
    QCOMPARE(editCaption, QString("Edit Group 2"));
    QCOMPARE(Items(*form->lbxGroups),
             QStringList({"Ads [R]=3", "Birds [RX]=2", "Default Group=1", "Malware [RX]=4", "Trackers=5"}));
    QCOMPARE(Selected(*form->lbxGroups), QString("Birds [RX]"));

    // Cancel changes nothing, the list included.
    Select(*form->lbxGroups, "Ads [R]");
    WhenModal<TGroupEditForm>([](TGroupEditForm& editor) {
        editor.NameEdit->setText("Changed");
        editor.btnCancel->click();
    });
    form->btnEdit->click();
    QCOMPARE(fx.Groups(),
             QStringList({"1 Default Group", "2 Birds R X", "3 Ads R", "4 Malware R X", "5 Trackers"}));
    QVERIFY(presenter.shown.empty());
}

void TestGroupBrowse::editByDoubleClick()
{
    TFixture fx;
    TScriptedPresenter presenter;
    auto form = ShowBrowser(fx);
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));

    QString caption;
    WhenModal<TGroupEditForm>([&](TGroupEditForm& editor) { caption = editor.windowTitle(); });
    QListWidgetItem* malware = form->lbxGroups->item(2);
    const QPoint at = form->lbxGroups->visualItemRect(malware).center();
    QTest::mouseClick(form->lbxGroups->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(form->lbxGroups->viewport(), Qt::LeftButton, {}, at);

    QCOMPARE(caption, QString("Edit Group 4"));
}

// ---------------------------------------------------------------------------
// Delete

void TestGroupBrowse::deleteWithoutHosts_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("answered Yes") << true;
    QTest::newRow("answered No") << false;
}

void TestGroupBrowse::deleteWithoutHosts()
{
    QFETCH(bool, yes);

    TFixture fx;
    TScriptedPresenter presenter;
    auto form = ShowBrowser(fx);
    const QStringList hosts = fx.Hosts();
    Select(*form->lbxGroups, "Malware [RX]");
    yes ? presenter.AnswerYes() : presenter.AnswerNo();

    form->btnDelete->click();

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().text, std::string("Are you sure you want to delete this group?"));
    QCOMPARE(presenter.Last().caption, std::string("Delete Group"));
    QCOMPARE(presenter.Last().kind, TMsgDlgType::mtConfirmation);
    const QStringList all = {"1 Default Group", "2 Zoo X", "3 Ads R", "4 Malware R X"};
    QCOMPARE(fx.Groups(), yes ? QStringList({"1 Default Group", "2 Zoo X", "3 Ads R"}) : all);
    QCOMPARE(Items(*form->lbxGroups),
             yes ? QStringList({"Ads [R]=3", "Default Group=1", "Zoo [X]=2"})
                 : QStringList({"Ads [R]=3", "Default Group=1", "Malware [RX]=4", "Zoo [X]=2"}));
    QCOMPARE(fx.Hosts(), hosts);
}

void TestGroupBrowse::deleteMovesHosts()
{
    TFixture fx;
    TScriptedPresenter presenter;
    auto form = ShowBrowser(fx);
    Select(*form->lbxGroups, "Ads [R]");

    QString caption;
    QStringList choices;
    int chosenBefore = 0;
    QString focusAfterRefusal;   // a name: the dialog and its widgets are gone by the checks
    WhenModal<TGroupMoveForm>([&](TGroupMoveForm& move) {
        caption = move.windowTitle();
        choices = Items(*move.cbxNewGroup);
        chosenBefore = move.cbxNewGroup->currentIndex();
        move.btnOK->setFocus();
        move.btnOK->click();   // nothing chosen yet
        focusAfterRefusal = move.focusWidget() ? move.focusWidget()->objectName() : QString();
        if (!move.isVisible())
            return;
        move.cbxNewGroup->setCurrentIndex(move.cbxNewGroup->findText("Zoo [X]"));
        move.btnOK->click();
    });
    form->btnDelete->click();

    QCOMPARE(caption, QString("Delete Group: Ads [R]"));
    QCOMPARE(choices, QStringList({"Default Group=1", "Malware [RX]=4", "Zoo [X]=2"}));
    QCOMPARE(chosenBefore, -1);
    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().text, std::string("Please select a new group."));
    QCOMPARE(presenter.Last().caption, std::string("Delete Group: Ads [R]"));
    QCOMPARE(focusAfterRefusal, QString("cbxNewGroup"));

    QCOMPARE(fx.Groups(), QStringList({"1 Default Group", "2 Zoo X", "4 Malware R X"}));
    QCOMPARE(fx.Hosts(), QStringList({"ads1.example=2 banner", "Ads2.example=2 ", "zoo.example=2 animals"}));
    QCOMPARE(Items(*form->lbxGroups), QStringList({"Default Group=1", "Malware [RX]=4", "Zoo [X]=2"}));
    QCOMPARE(fx.data->BadHosts.IndexName(), std::string("group_id"));
}

void TestGroupBrowse::deleteCancelledInMoveDialog()
{
    TFixture fx;
    TScriptedPresenter presenter;
    auto form = ShowBrowser(fx);
    const QStringList groups = fx.Groups(), hosts = fx.Hosts();
    Select(*form->lbxGroups, "Zoo [X]");

    bool opened = false;
    WhenModal<TGroupMoveForm>(
        [](TGroupMoveForm& move) {
            move.cbxNewGroup->setCurrentIndex(0);
            move.btnCancel->click();
        },
        &opened);
    form->btnDelete->click();

    QVERIFY(opened);
    QVERIFY(presenter.shown.empty());
    QCOMPARE(fx.Groups(), groups);
    QCOMPARE(fx.Hosts(), hosts);
    QCOMPARE(form->lbxGroups->count(), 4);
}

// With no other group to move to, only Cancel leaves the move dialog.
void TestGroupBrowse::moveDialogForTheOnlyGroup()
{
    TFixture fx({}, false);
    AddGroupRow(*fx.data, 1, "Only");
    AddBadRow(*fx.data, "a.example", 1);
    TScriptedPresenter presenter;
    TGroupMoveForm move(*fx.data);
    move.OldGroupId = 1;
    move.show();

    QCOMPARE(move.windowTitle(), QString("Delete Group: Only"));
    QCOMPARE(move.cbxNewGroup->count(), 0);
    move.btnOK->click();
    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().text, std::string("Please select a new group."));
    QVERIFY(move.isVisible());
    move.btnCancel->click();
    QCOMPARE(move.result(), int(QDialog::Rejected));
    QCOMPARE(fx.Hosts(), QStringList({"a.example=1 "}));
}

// Deleting the last group empties the list, where Cleanup has nothing to do;
// Renumber then finds no groups, and its refill brings back "Default Group".
void TestGroupBrowse::lastGroupDeletedThenRenumbered()
{
    TFixture fx({}, false);
    TScriptedPresenter presenter;
    auto form = ShowBrowser(fx);
    QCOMPARE(Items(*form->lbxGroups), QStringList({"Default Group=1"}));

    Select(*form->lbxGroups, "Default Group");
    presenter.AnswerYes();
    form->btnDelete->click();
    QCOMPARE(form->lbxGroups->count(), 0);
    QVERIFY(fx.Groups().isEmpty());

    presenter.Clear();
    form->btnCleanup->click();
    QVERIFY(presenter.shown.empty());

    presenter.AnswerYes();
    form->btnRenumber->click();
    QCOMPARE(Items(*form->lbxGroups), QStringList({"Default Group=1"}));
    QCOMPARE(fx.Groups(), QStringList({"1 Default Group"}));
}

// ---------------------------------------------------------------------------
// Cleanup and Renumber

void TestGroupBrowse::cleanupButton_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("emptyGroups");   // added to Default Group and Malware, which have no hosts
    QTest::addColumn<QString>("result");    // empty: no result message
    QTest::addColumn<QStringList>("items");

    QTest::newRow("answered No")
        << false << 0 << "" << QStringList({"Ads [R]=3", "Default Group=1", "Malware [RX]=4", "Zoo [X]=2"});
    QTest::newRow("two groups go") << true << 0 << "2 groups were deleted."
                                   << QStringList({"Ads [R]=3", "Zoo [X]=2"});
    QTest::newRow("four groups go") << true << 2 << "4 groups were deleted."
                                    << QStringList({"Ads [R]=3", "Zoo [X]=2"});
}

void TestGroupBrowse::cleanupButton()
{
    QFETCH(bool, yes);
    QFETCH(int, emptyGroups);
    QFETCH(QString, result);
    QFETCH(QStringList, items);

    TFixture fx;
    for (int i = 0; i < emptyGroups; ++i)
        fx.data->AddGroup("Empty " + std::to_string(i), false, false);
    TScriptedPresenter presenter;
    auto form = ShowBrowser(fx);
    yes ? presenter.AnswerYes() : presenter.AnswerNo();

    form->btnCleanup->click();

    QCOMPARE(presenter.shown.front().caption, std::string("Group Cleanup"));
    QCOMPARE(
        presenter.shown.front().text,
        std::string("This process will delete any groups that have no hosts assigned to them.\r\nContinue?"));
    QCOMPARE(presenter.shown.front().kind, TMsgDlgType::mtConfirmation);
    if (result.isEmpty()) {
        QCOMPARE(presenter.shown.size(), size_t(1));
    } else {
        QCOMPARE(presenter.shown.size(), size_t(2));
        QCOMPARE(QString::fromStdString(presenter.Last().text), result);
        QCOMPARE(presenter.Last().caption, std::string("Group Cleanup"));
        QCOMPARE(presenter.Last().kind, TMsgDlgType::mtInformation);
    }
    QCOMPARE(Items(*form->lbxGroups), items);
}

void TestGroupBrowse::renumber_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("hosts");

    QTest::newRow("answered No")
        << false << QStringList({"Ads [R]=3", "Default Group=1", "Malware [RX]=4", "Zoo [X]=2"})
        << QStringList({"ads1.example=3 banner", "Ads2.example=3 ", "zoo.example=2 animals"});
    // Lowest id 1 is not above 4 groups: the new ids follow the highest, 4.
    QTest::newRow("answered Yes")
        << true << QStringList({"Ads [R]=5", "Default Group=6", "Malware [RX]=7", "Zoo [X]=8"})
        << QStringList({"ads1.example=5 banner", "Ads2.example=5 ", "zoo.example=8 animals"});
}

void TestGroupBrowse::renumber()
{
    QFETCH(bool, yes);
    QFETCH(QStringList, items);
    QFETCH(QStringList, hosts);

    TFixture fx;
    TScriptedPresenter presenter;
    auto form = ShowBrowser(fx);
    yes ? presenter.AnswerYes() : presenter.AnswerNo();

    form->btnRenumber->click();

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().caption, std::string("Renumber Groups"));
    QCOMPARE(
        presenter.Last().text,
        std::string("This process will renumber the internal group identifiers so the Bad Host grid will "
                    "sort groups alphabetically.\r\nIt may take a minute or two.  Continue?"));
    QCOMPARE(Items(*form->lbxGroups), items);
    QCOMPARE(fx.Hosts(), hosts);
}

// ---------------------------------------------------------------------------
// The pick dialog

void TestGroupBrowse::pick_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("chosen");
    QTest::newRow("OK on a group") << "ok" << 4;
    QTest::newRow("double-click on a group") << "double-click" << 4;
    QTest::newRow("Cancel after choosing") << "cancel" << 0;
    QTest::newRow("OK without a choice, then Cancel") << "ok-nothing" << 0;
}

void TestGroupBrowse::pick()
{
    QFETCH(QString, how);
    QFETCH(int, chosen);

    TFixture fx;
    TScriptedPresenter presenter;
    QString prompt;
    QStringList items;
    bool stayedOpen = false;
    WhenModal<TGroupPickForm>([&](TGroupPickForm& pick) {
        prompt = pick.Label1->text();
        items = Items(*pick.lbxGroups);
        if (how == "ok-nothing") {
            pick.btnOK->click();
            stayedOpen = pick.isVisible();
            pick.btnCancel->click();
            return;
        }
        Select(*pick.lbxGroups, "Malware [RX]");
        if (how == "ok") {
            pick.btnOK->click();
        } else if (how == "double-click") {
            QVERIFY(QTest::qWaitForWindowExposed(&pick));
            const QPoint at = pick.lbxGroups->visualItemRect(pick.lbxGroups->currentItem()).center();
            QTest::mouseClick(pick.lbxGroups->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(pick.lbxGroups->viewport(), Qt::LeftButton, {}, at);
        } else {
            pick.btnCancel->click();
        }
    });

    QCOMPARE(TGroupPickForm::Pick(*fx.data, nullptr, "Move 2 hosts to"), chosen);
    QCOMPARE(prompt, QString("Move 2 hosts to"));
    QCOMPARE(items, QStringList({"Ads [R]=3", "Default Group=1", "Malware [RX]=4", "Zoo [X]=2"}));
    if (how == "ok-nothing")
        QVERIFY(stayedOpen);
    QVERIFY(presenter.shown.empty());
}

// Qt makes the first item current when the list takes the focus, which looks
// like a choice; what looks chosen must be the choice OK takes.
void TestGroupBrowse::pickShowsOnlyItsChoice()
{
    TFixture fx;
    TScriptedPresenter presenter;
    bool currentUnselected = true;
    bool stayedOpen = false;
    QString looked;
    WhenModal<TGroupPickForm>([&](TGroupPickForm& pick) {
        QVERIFY(QTest::qWaitForWindowActive(&pick));
        pick.lbxGroups->setFocus();
        QTRY_VERIFY(pick.lbxGroups->hasFocus());
        const auto unselectedCurrent = [&pick] {
            const QListWidgetItem* current = pick.lbxGroups->currentItem();
            return current && !current->isSelected() ? current->text() : QString();
        };
        // Given the time to settle (the events after the focus).
        QTRY_VERIFY(unselectedCurrent().isEmpty());
        looked = unselectedCurrent();
        currentUnselected = !looked.isEmpty();
        pick.btnOK->click();
        stayedOpen = pick.isVisible();
        pick.btnCancel->click();
    });
    TGroupPickForm::Pick(*fx.data, nullptr, "Move 1 host to");
    QVERIFY2(!currentUnselected, qPrintable("current but not selected: " + looked));
    // Nothing chosen: OK does nothing, as it looked.
    QVERIFY(stayedOpen);

    // Arrow keys choose what they move to.
    int chosen = -1;
    WhenModal<TGroupPickForm>([&](TGroupPickForm& pick) {
        QVERIFY(QTest::qWaitForWindowActive(&pick));
        pick.lbxGroups->setFocus();
        QTest::keyClick(pick.lbxGroups, Qt::Key_Down);
        QTest::keyClick(pick.lbxGroups, Qt::Key_Down);
        const QListWidgetItem* current = pick.lbxGroups->currentItem();
        QVERIFY(current && current->isSelected());
        chosen = current->data(Qt::UserRole).toInt();
        pick.btnOK->click();
    });
    const int picked = TGroupPickForm::Pick(*fx.data, nullptr, "Move 1 host to");
    QVERIFY(chosen > 0);
    QCOMPARE(picked, chosen);
}

// ---------------------------------------------------------------------------
// The main window's Groups command

namespace {

class TQuietMainForm : public TMainForm {
public:
    using TMainForm::TMainForm;

protected:
    void FirstRun() override {}
    void CmdLine() override {}
};

}   // namespace

void TestGroupBrowse::mainWindowGroups()
{
    TFixture fx("LastGroup=2\n");
    fx.data->SaveDatabase(false);
    fx.data.reset();
    TScriptedPresenter presenter;
    TQuietMainForm main(fx.dir.Path());
    main.show();
    auto* action = Find<QAction>(&main, "actGroups");
    auto* combo = Find<QComboBox>(&main, "cbxGroup");
    QCOMPARE(combo->currentText(), QString("Zoo [X]"));
    QVERIFY(action->isEnabled());

    bool modal = false;
    WhenModal<TGroupBrowseForm>([&](TGroupBrowseForm& browser) {
        modal = browser.isModal();
        Select(*browser.lbxGroups, "Zoo [X]");
        WhenModal<TGroupEditForm>([](TGroupEditForm& editor) {
            editor.NameEdit->setText("Birds");
            editor.btnOK->click();
        });
        browser.btnEdit->click();
        browser.btnClose->click();
    });
    action->trigger();

    QVERIFY(modal);
    QVERIFY(presenter.shown.empty());
    // The combo shows the new name and keeps the group selected.
    QCOMPARE(combo->currentText(), QString("Birds [X]"));
    QCOMPARE(combo->currentData().toInt(), 2);
    QVERIFY(main.close());
}

// Renumber gives every group a new id: the main window keeps the group it
// had selected, under its new id, not whichever group now has the old one.
void TestGroupBrowse::mainWindowKeepsGroupThroughRenumber()
{
    TFixture fx("LastGroup=3\n");
    fx.data->SaveDatabase(false);
    fx.data.reset();
    TScriptedPresenter presenter;
    TQuietMainForm main(fx.dir.Path());
    main.show();
    auto* combo = Find<QComboBox>(&main, "cbxGroup");
    QCOMPARE(combo->currentText(), QString("Ads [R]"));

    // The first Renumber counts up from the highest id (Ads becomes 5), the
    // second from 0 (Ads 1, Malware 3).
    presenter.AnswerYes();
    presenter.AnswerYes();
    WhenModal<TGroupBrowseForm>([&](TGroupBrowseForm& browser) {
        browser.btnRenumber->click();
        browser.btnRenumber->click();
        browser.btnClose->click();
    });
    Find<QAction>(&main, "actGroups")->trigger();

    QCOMPARE(presenter.shown.size(), size_t(2));
    QCOMPARE(Items(*combo),
             QStringList({" =0", "Ads [R]=1", "Default Group=2", "Malware [RX]=3", "Zoo [X]=4"}));
    QCOMPARE(combo->currentText(), QString("Ads [R]"));
    QCOMPARE(combo->currentData().toInt(), 1);
    QVERIFY(main.close());
}

QTEST_MAIN(TestGroupBrowse)
#include "tst_groupbrowse.moc"
