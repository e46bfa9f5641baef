// The bad host editor in its three modes over a temporary data folder: what it shows, its checks and what OK saves.
#include "ui/BadHostEdit.h"

#include "core/DataUnit.h"
#include "support/DataFolder.h"
#include "support/DataRows.h"
#include "support/FindChild.h"
#include "support/ScriptedPresenter.h"
#include "ui/ControlUtils.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <stdexcept>

namespace {

// Groups (ids): Default Group (1), Zoo [X] (2), Ads [R] (3), Malware [RX] (4).
// Bad hosts: ads.example.com and Ads2.example in Ads, zoo.example in Zoo.
// Good host: good.example at 10.0.0.9.
struct TFixture : TDataFolder {
    explicit TFixture(bool hosts = true) : TDataFolder("LastGroup=3\n")
    {
        TGroupList list;
        data->FillGroupList(list, false);
        data->AddGroup("Zoo", false, true);
        data->AddGroup("Ads", true, false);
        data->AddGroup("Malware", true, true);
        if (!hosts)
            return;
        AddBadRow(*data, "ads.example.com", 3, "banner");
        AddBadRow(*data, "Ads2.example", 3);
        AddBadRow(*data, "zoo.example", 2, "animals");
        AddGoodRow(*data, "good.example", "10.0.0.9");
    }

    // Every bad host as "name=group [comment]", in name order.
    QStringList Bad() const
    {
        QStringList out;
        TTable& b = data->BadHosts;
        const std::string index = b.IndexName();
        const TBookmark at = b.GetBookmark();
        const bool filtered = b.Filtered();
        b.SetFiltered(false);
        b.SetIndexName("hostname");
        for (b.First(); !b.Eof(); b.Next())
            out << QString("%1=%2 [%3]")
                       .arg(Text(b.AsString("hostname")))
                       .arg(b.AsInteger("group_id"))
                       .arg(Text(b.AsString("comment")));
        b.SetIndexName(index);
        b.SetFiltered(filtered);
        if (at != NoBookmark)
            b.GotoBookmark(at);
        return out;
    }

    QStringList Good() const
    {
        QStringList out;
        TTable& g = data->GoodHosts;
        g.SetIndexName("hostname");
        for (g.First(); !g.Eof(); g.Next())
            out << Text(g.AsString("hostname")) + "=" + Text(g.AsString("ip"));
        return out;
    }

    // Puts the BadHosts cursor on a host, as the browser leaves it for Edit.
    void GoTo(const QString& host) const
    {
        if (!host.isEmpty() && !data->BadHosts.Locate("hostname", TValue(host.toStdString()), true))
            qFatal("no host %s", qPrintable(host));
    }

    QString Current() const
    {
        TTable& b = data->BadHosts;
        return b.GetBookmark() == NoBookmark ? QString() : Text(b.AsString("hostname"));
    }

    static QString Text(std::string_view s) { return QString::fromStdString(std::string(s)); }
};

TBadHostEditMode ModeOf(const QString& mode)
{
    return mode == "add"      ? TBadHostEditMode::Add
           : mode == "select" ? TBadHostEditMode::Select
                              : TBadHostEditMode::Edit;
}

// The editor on screen in a mode, filled as when opened.
std::unique_ptr<TBadHostEditForm> ShowEditor(TFixture& fx, TBadHostEditMode mode)
{
    auto editor = std::make_unique<TBadHostEditForm>(*fx.data);
    editor->Mode = mode;
    editor->show();
    return editor;
}

void ChooseGroup(QComboBox* combo, int groupId)
{
    combo->setCurrentIndex(combo->findData(groupId));
    if (groupId >= 0 && combo->currentIndex() < 0)
        qFatal("no group %d", groupId);
}

QStringList Items(const QComboBox& combo)
{
    QStringList items;
    for (int i = 0; i < combo.count(); ++i)
        items << QString("%1=%2").arg(combo.itemText(i)).arg(combo.itemData(i).toInt());
    return items;
}

// Every message as "caption: text".
QStringList Messages(const TScriptedPresenter& presenter)
{
    QStringList out;
    for (const TMessageRequest& m : presenter.shown)
        out << QString::fromStdString(m.caption + ": " + m.text);
    return out;
}

// Answers like the scripted presenter, but the group question fails the way
// an unexpected error would.
class TFailingQuestion : public TScriptedPresenter {
public:
    int Present(const TMessageRequest& request) override
    {
        const int result = TScriptedPresenter::Present(request);
        if (request.caption == "Existing Host, Different Group")
            throw std::runtime_error("The question could not be asked.");
        return result;
    }
};

const QString DifferentGroup = "Existing Host, Different Group: This host already exists, but in the \"%1\" "
                               "group.\r\nChange the group assignment to \"%2\"?";
QString GoneBad(const QString& ip = "10.0.0.9")
{
    return "Good Host Gone Bad?: This host is listed as a Good Host with the IP address " + ip +
           "!\r\nDo you want to change it to a Bad Host?";
}

}   // namespace

class TestBadHostEdit : public QObject {
    Q_OBJECT

private slots:
    void form();
    void tabOrderAndKeys();
    void show_data();
    void show();
    void ok_data();
    void ok();
    void checkRestoresIndexAndRow_data();
    void checkRestoresIndexAndRow();
    void duplicateOutsideTheSearchIsFound();
    void editSavesTheRowItShowed();
    void editOnEmptyTableAppends();
    void addWhenLastGroupIsGone();
    void selectClosesWithoutChecks_data();
    void selectClosesWithoutChecks();
    void commentStored_data();
    void commentStored();
};

void TestBadHostEdit::form()
{
    TFixture fx;
    TScriptedPresenter presenter;
    TBadHostEditForm editor(*fx.data);
    QVERIFY(editor.Mode == TBadHostEditMode::Edit);
    QCOMPARE(editor.windowTitle(), QString("Edit Bad Host"));
    QVERIFY(editor.btnOK->isDefault());
    QVERIFY(!editor.btnCancel->isDefault());
    QCOMPARE(editor.btnOK->text(), QString("OK"));
    QCOMPARE(editor.btnCancel->text(), QString("Cancel"));
    QVERIFY(!editor.cbxGroup->isEditable());
    const std::pair<const char*, QWidget*> named[] = {{"cbxGroup", editor.cbxGroup},
                                                      {"HostEdit", editor.HostEdit},
                                                      {"CommentEdit", editor.CommentEdit},
                                                      {"btnOK", editor.btnOK},
                                                      {"btnCancel", editor.btnCancel}};
    for (const auto& [name, widget] : named)
        QCOMPARE(editor.findChild<QWidget*>(name), widget);

    editor.show();
    QCOMPARE(editor.CommentEdit->maxLength(), 255);
    QCOMPARE(editor.minimumSize(), editor.maximumSize());
    QVERIFY(!(editor.windowFlags() & Qt::WindowMaximizeButtonHint));
    // Each label sits above its field.
    const struct {
        const char* label;
        const char* text;
        QWidget* field;
    } labels[] = {{"Label1", "Group", editor.cbxGroup},
                  {"Label2", "Hostname", editor.HostEdit},
                  {"Label3", "Comment", editor.CommentEdit}};
    int above = 0;
    for (const auto& l : labels) {
        const QLabel* label = Find<QLabel>(&editor, l.label);
        QCOMPARE(label->text(), QString(l.text));
        QVERIFY(label->geometry().bottom() < l.field->geometry().top());
        QVERIFY(label->geometry().top() > above);
        above = l.field->geometry().bottom();
    }
    editor.reject();
}

void TestBadHostEdit::tabOrderAndKeys()
{
    TFixture fx;
    TScriptedPresenter presenter;
    fx.GoTo("zoo.example");
    auto editor = ShowEditor(fx, TBadHostEditMode::Edit);
    editor->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(editor.get()));

    editor->cbxGroup->setFocus();
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, QStringList({"cbxGroup", "HostEdit", "CommentEdit", "btnOK", "btnCancel", "cbxGroup"}));

    // Esc cancels, saving nothing.
    const QStringList before = fx.Bad();
    editor->HostEdit->setText("changed.example");
    QTest::keyClick(editor->HostEdit, Qt::Key_Escape);
    QVERIFY(!editor->isVisible());
    QCOMPARE(editor->result(), int(QDialog::Rejected));
    QCOMPARE(fx.Bad(), before);
    QVERIFY(presenter.shown.empty());
}

void TestBadHostEdit::show_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("current");   // the BadHosts row under the cursor
    QTest::addColumn<int>("lastGroup");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<int>("group");   // ComboObject after show

    QTest::newRow("add preselects LastGroup") << "add"
                                              << "zoo.example" << 3 << "Add Bad Host"
                                              << ""
                                              << "" << 3;
    QTest::newRow("add, LastGroup gone") << "add"
                                         << "zoo.example" << 9 << "Add Bad Host"
                                         << ""
                                         << "" << -1;
    QTest::newRow("edit shows the current row") << "edit"
                                                << "zoo.example" << 3 << "Edit Bad Host"
                                                << "zoo.example"
                                                << "animals" << 2;
    QTest::newRow("edit, no comment") << "edit"
                                      << "Ads2.example" << 1 << "Edit Bad Host"
                                      << "Ads2.example"
                                      << "" << 3;
    QTest::newRow("select chooses nothing") << "select"
                                            << "zoo.example" << 3 << "Select Hosts"
                                            << ""
                                            << "" << -1;
}

void TestBadHostEdit::show()
{
    QFETCH(QString, mode);
    QFETCH(QString, current);
    QFETCH(int, lastGroup);
    QFETCH(QString, caption);
    QFETCH(QString, host);
    QFETCH(QString, comment);
    QFETCH(int, group);

    TFixture fx;
    TScriptedPresenter presenter;
    fx.data->Prefs().LastGroup = lastGroup;
    fx.GoTo(current);
    auto editor = ShowEditor(fx, ModeOf(mode));

    QCOMPARE(editor->windowTitle(), caption);
    QCOMPARE(editor->HostEdit->text(), host);
    QCOMPARE(editor->CommentEdit->text(), comment);
    QCOMPARE(ComboObject(editor->cbxGroup), group);
    QCOMPARE(QString::fromStdString(editor->InitialHostname), host);
    QStringList items = {"Ads [R]=3", "Default Group=1", "Malware [RX]=4", "Zoo [X]=2"};
    if (mode == "select")
        items.prepend(" =0");
    QCOMPARE(Items(*editor->cbxGroup), items);
    QVERIFY(presenter.shown.empty());
    editor->reject();
}

void TestBadHostEdit::ok_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("current");   // Edit mode: the row edited
    QTest::addColumn<int>("group");         // chosen before OK; -1 none
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("answers");   // Y and N for the questions, in order
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("focus");   // when the editor stays open
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QStringList>("bad");
    QTest::addColumn<QStringList>("good");

    const QStringList bad = {"ads.example.com=3 [banner]", "Ads2.example=3 []", "zoo.example=2 [animals]"};
    const QStringList good = {"good.example=10.0.0.9"};

    QTest::newRow("blank name") << "add"
                                << "" << 3 << "   "
                                << ""
                                << "" << QStringList{"Add Bad Host: Hostname may not be blank."} << "HostEdit"
                                << false << bad << good;
    QTest::newRow("invalid name, titled with the editor's caption")
        << "edit"
        << "zoo.example" << 2 << "my host.example"
        << "animals"
        << "" << QStringList{"Edit Bad Host: Invalid character in hostname:   (0x20)."} << "HostEdit" << false
        << bad << good;
    QTest::newRow("no group") << "add"
                              << "" << -1 << "new.example"
                              << ""
                              << "" << QStringList{"Add Bad Host: Please select a group"} << "cbxGroup"
                              << false << bad << good;
    QTest::newRow("new host, name trimmed, comment as typed")
        << "add"
        << "" << 4 << "\t new.example  "
        << " see list "
        << "" << QStringList{} << "" << true
        << QStringList{"ads.example.com=3 [banner]", "Ads2.example=3 []", "new.example=4 [ see list ]",
                       "zoo.example=2 [animals]"}
        << good;
    QTest::newRow("same host in other case, same group")
        << "add"
        << "" << 3 << "ADS.example.com"
        << "x"
        << "" << QStringList{"Duplicate Host: This host already exists in this group."} << "HostEdit" << false
        << bad << good;
    QTest::newRow("host in another group, No")
        << "add"
        << "" << 3 << "zoo.example"
        << "x"
        << "N" << QStringList{DifferentGroup.arg("Zoo [X]", "Ads [R]")} << "HostEdit" << false << bad << good;
    QTest::newRow("host in another group, Yes moves only its group")
        << "add"
        << "" << 3 << "zoo.example"
        << "x"
        << "Y" << QStringList{DifferentGroup.arg("Zoo [X]", "Ads [R]")} << "HostEdit" << false
        << QStringList{"ads.example.com=3 [banner]", "Ads2.example=3 []", "zoo.example=3 [animals]"} << good;
    QTest::newRow("edit, unchanged name is no duplicate")
        << "edit"
        << "zoo.example" << 4 << "zoo.example"
        << "moved"
        << "" << QStringList{} << "" << true
        << QStringList{"ads.example.com=3 [banner]", "Ads2.example=3 []", "zoo.example=4 [moved]"} << good;
    QTest::newRow("edit, letter case only, same group")
        << "edit"
        << "ads.example.com" << 3 << "ADS.example.com"
        << "banner"
        << "" << QStringList{"Duplicate Host: This host already exists in this group."} << "HostEdit" << false
        << bad << good;
    QTest::newRow("edit, letter case only, group changed, Yes")
        << "edit"
        << "ads.example.com" << 4 << "ADS.example.com"
        << "other"
        << "Y" << QStringList{DifferentGroup.arg("Ads [R]", "Malware [RX]")} << "HostEdit" << false
        << QStringList{"ads.example.com=4 [banner]", "Ads2.example=3 []", "zoo.example=2 [animals]"} << good;
    QTest::newRow("edit, renamed")
        << "edit"
        << "ads.example.com" << 3 << "ads3.example"
        << "banner"
        << "" << QStringList{} << "" << true
        << QStringList{"Ads2.example=3 []", "ads3.example=3 [banner]", "zoo.example=2 [animals]"} << good;
    QTest::newRow("good host, No") << "add"
                                   << "" << 3 << "GOOD.example"
                                   << ""
                                   << "N" << QStringList{GoneBad()} << "HostEdit" << false << bad << good;
    QTest::newRow("good host, Yes") << "add"
                                    << "" << 3 << "GOOD.example"
                                    << ""
                                    << "Y" << QStringList{GoneBad()} << "" << true
                                    << QStringList{"ads.example.com=3 [banner]", "Ads2.example=3 []",
                                                   "GOOD.example=3 []", "zoo.example=2 [animals]"}
                                    << QStringList{};
}

void TestBadHostEdit::ok()
{
    QFETCH(QString, mode);
    QFETCH(QString, current);
    QFETCH(int, group);
    QFETCH(QString, host);
    QFETCH(QString, comment);
    QFETCH(QString, answers);
    QFETCH(QStringList, messages);
    QFETCH(QString, focus);
    QFETCH(bool, closed);
    QFETCH(QStringList, bad);
    QFETCH(QStringList, good);

    TFixture fx;
    TScriptedPresenter presenter;
    for (QChar a : answers)
        a == 'Y' ? presenter.AnswerYes() : presenter.AnswerNo();
    fx.GoTo(current);
    auto editor = ShowEditor(fx, ModeOf(mode));
    ChooseGroup(editor->cbxGroup, group);
    editor->HostEdit->setText(host);
    editor->CommentEdit->setText(comment);
    editor->btnOK->setFocus();
    editor->btnOK->click();

    QCOMPARE(Messages(presenter), messages);
    for (const TMessageRequest& m : presenter.shown)
        QCOMPARE(m.owner, static_cast<TOwner>(editor.get()));
    QCOMPARE(editor->HostEdit->text(), host.trimmed());
    QCOMPARE(!editor->isVisible(), closed);
    if (closed)
        QCOMPARE(editor->result(), int(QDialog::Accepted));
    else
        QCOMPARE(editor->focusWidget()->objectName(), focus);
    QCOMPARE(fx.Bad(), bad);
    QCOMPARE(fx.Good(), good);
    QVERIFY(fx.data->BadHosts.State() == TTableState::dsBrowse);
    editor->reject();
}

void TestBadHostEdit::checkRestoresIndexAndRow_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("group");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("fails");    // the question fails with an error
    QTest::addColumn<QString>("row");   // current row afterwards

    QTest::newRow("not found (then No to the good host)")
        << "good.example" << 3 << "N" << false << "zoo.example";
    QTest::newRow("same group") << "ADS2.example" << 3 << "" << false << "zoo.example";
    QTest::newRow("another group, No") << "ads.example.com" << 2 << "N" << false << "zoo.example";
    QTest::newRow("another group, Yes goes to the moved row")
        << "ads.example.com" << 2 << "Y" << false << "ads.example.com";
    QTest::newRow("the question fails") << "ads.example.com" << 2 << "Y" << true << "zoo.example";
}

void TestBadHostEdit::checkRestoresIndexAndRow()
{
    QFETCH(QString, host);
    QFETCH(int, group);
    QFETCH(QString, answer);
    QFETCH(bool, fails);
    QFETCH(QString, row);

    TFixture fx;
    std::unique_ptr<TScriptedPresenter> presenter(fails ? new TFailingQuestion : new TScriptedPresenter);
    if (answer == "Y")
        presenter->AnswerYes();
    fx.data->BadHosts.SetIndexName("comment");
    fx.GoTo("zoo.example");
    auto editor = ShowEditor(fx, TBadHostEditMode::Add);
    ChooseGroup(editor->cbxGroup, group);
    editor->HostEdit->setText(host);
    editor->btnOK->click();

    QVERIFY(editor->isVisible());
    QCOMPARE(fx.data->BadHosts.IndexName(), std::string("comment"));
    QCOMPARE(fx.Current(), row);
    if (fails) {
        QCOMPARE(presenter->Last().caption, std::string("Quillon"));
        QCOMPARE(presenter->Last().text, std::string("The question could not be asked."));
        QCOMPARE(presenter->Last().kind, TMsgDlgType::mtError);
    }
    editor->reject();
}

// Browsing a search in Ads, a host outside the search is a duplicate all the
// same: the question is asked, and afterwards the search and the cursor are back.
void TestBadHostEdit::duplicateOutsideTheSearchIsFound()
{
    TFixture fx;
    AddGoodRow(*fx.data, "zoo.example", "10.0.0.7");
    TScriptedPresenter presenter;
    presenter.AnswerNo();
    TTable& bad = fx.data->BadHosts;
    bad.SetFilter("group_id = 3");
    bad.SetFiltered(true);
    fx.GoTo("Ads2.example");
    const QStringList before = fx.Bad();
    auto editor = ShowEditor(fx, TBadHostEditMode::Add);
    ChooseGroup(editor->cbxGroup, 3);
    editor->HostEdit->setText("zoo.example");
    editor->btnOK->click();

    QCOMPARE(Messages(presenter), QStringList({DifferentGroup.arg("Zoo [X]", "Ads [R]")}));
    QVERIFY(editor->isVisible());
    QCOMPARE(fx.Bad(), before);
    QCOMPARE(fx.Good(), QStringList({"good.example=10.0.0.9", "zoo.example=10.0.0.7"}));
    QVERIFY(bad.Filtered());
    QCOMPARE(bad.RecordCount(), 2);
    QCOMPARE(fx.Current(), QString("Ads2.example"));

    // Corrected, the same editor saves.
    editor->HostEdit->setText("new.example");
    editor->btnOK->click();
    QVERIFY(!editor->isVisible());
    QCOMPARE(editor->result(), int(QDialog::Accepted));
    QCOMPARE(fx.Bad().filter("new.example"), QStringList({"new.example=3 []"}));
}

// After Yes to the group question the cursor stands on the moved host; a
// later save still goes to the row the editor was opened on.
void TestBadHostEdit::editSavesTheRowItShowed()
{
    TFixture fx;
    TScriptedPresenter presenter;
    presenter.AnswerYes();
    fx.GoTo("ads.example.com");
    auto editor = ShowEditor(fx, TBadHostEditMode::Edit);
    editor->HostEdit->setText("zoo.example");
    editor->btnOK->click();
    QVERIFY(editor->isVisible());
    QCOMPARE(fx.Current(), QString("zoo.example"));

    editor->HostEdit->setText("renamed.example");
    editor->btnOK->click();
    QVERIFY(!editor->isVisible());
    QCOMPARE(fx.Bad(),
             QStringList({"Ads2.example=3 []", "renamed.example=3 [banner]", "zoo.example=3 [animals]"}));
}

void TestBadHostEdit::editOnEmptyTableAppends()
{
    TFixture fx(false);
    TScriptedPresenter presenter;
    auto editor = ShowEditor(fx, TBadHostEditMode::Edit);
    QCOMPARE(editor->windowTitle(), QString("Edit Bad Host"));
    QCOMPARE(editor->HostEdit->text(), QString());
    QCOMPARE(editor->CommentEdit->text(), QString());
    QCOMPARE(ComboObject(editor->cbxGroup), -1);

    ChooseGroup(editor->cbxGroup, 2);
    editor->HostEdit->setText("first.example");
    editor->CommentEdit->setText("one");
    editor->btnOK->click();
    QVERIFY(presenter.shown.empty());
    QVERIFY(!editor->isVisible());
    QCOMPARE(fx.Bad(), QStringList({"first.example=2 [one]"}));
}

void TestBadHostEdit::addWhenLastGroupIsGone()
{
    TFixture fx;
    TScriptedPresenter presenter;
    fx.data->Groups.SetIndexName("group_id");
    QVERIFY(fx.data->Groups.FindKey({3}));
    fx.data->Groups.Delete();
    auto editor = ShowEditor(fx, TBadHostEditMode::Add);
    QCOMPARE(editor->cbxGroup->currentIndex(), -1);
    editor->HostEdit->setText("new.example");
    editor->btnOK->click();
    QCOMPARE(Messages(presenter), QStringList({"Add Bad Host: Please select a group"}));
    QCOMPARE(editor->focusWidget(), static_cast<QWidget*>(editor->cbxGroup));
    QVERIFY(editor->isVisible());
    editor->reject();
}

void TestBadHostEdit::selectClosesWithoutChecks_data()
{
    QTest::addColumn<int>("item");   // combo index chosen; -1 none
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("hostAfter");
    QTest::addColumn<int>("group");

    QTest::newRow("blank item, invalid host") << 0 << "  my host "
                                              << " x"
                                              << "my host" << 0;
    QTest::newRow("nothing chosen, nothing typed") << -1 << ""
                                                   << ""
                                                   << "" << -1;
    QTest::newRow("a group and a host that exists") << 1 << "ADS"
                                                    << ""
                                                    << "ADS" << 3;
}

void TestBadHostEdit::selectClosesWithoutChecks()
{
    QFETCH(int, item);
    QFETCH(QString, host);
    QFETCH(QString, comment);
    QFETCH(QString, hostAfter);
    QFETCH(int, group);

    TFixture fx;
    TScriptedPresenter presenter;
    const QStringList before = fx.Bad();
    auto editor = ShowEditor(fx, TBadHostEditMode::Select);
    editor->cbxGroup->setCurrentIndex(item);
    editor->HostEdit->setText(host);
    editor->CommentEdit->setText(comment);
    editor->btnOK->click();

    QVERIFY(presenter.shown.empty());
    QVERIFY(!editor->isVisible());
    QCOMPARE(editor->result(), int(QDialog::Accepted));
    QCOMPARE(editor->HostEdit->text(), hostAfter);
    QCOMPARE(ComboObject(editor->cbxGroup), group);
    QCOMPARE(editor->CommentEdit->text(), comment);
    QCOMPARE(fx.Bad(), before);
}

void TestBadHostEdit::commentStored_data()
{
    QTest::addColumn<QString>("hostTyped");
    QTest::addColumn<QString>("commentTyped");
    QTest::addColumn<QString>("comment");

    QTest::newRow("pasted line breaks become blanks") << "new.example"
                                                      << "line one\r\nline two\nthree"
                                                      << "line one line two three";
    QTest::newRow("pasted host with a line break") << "new.example\r\n"
                                                   << "x"
                                                   << "x";
    QTest::newRow("255 ASCII characters") << "new.example" << QString(300, 'a') << QString(255, 'a');
    // Two bytes each: 127 fit the field, the 128th would be cut in half.
    QTest::newRow("non-ASCII cut at a character")
        << "new.example" << QString(200, QChar(0xE9)) << QString(127, QChar(0xE9));
    QTest::newRow("a character beyond the first plane")
        << "new.example" << QString(252, 'a') + QString::fromUcs4(U"\U0001F600") << QString(252, 'a');
}

void TestBadHostEdit::commentStored()
{
    QFETCH(QString, hostTyped);
    QFETCH(QString, commentTyped);
    QFETCH(QString, comment);

    TFixture fx;
    TScriptedPresenter presenter;
    auto editor = ShowEditor(fx, TBadHostEditMode::Add);
    editor->HostEdit->insert(hostTyped);
    editor->CommentEdit->insert(commentTyped);
    QCOMPARE(editor->CommentEdit->text(), comment);
    editor->btnOK->click();

    QVERIFY(presenter.shown.empty());
    QVERIFY(!editor->isVisible());
    TTable& bad = fx.data->BadHosts;
    bad.SetIndexName("hostname");
    QVERIFY(bad.FindKey({"new.example"}));
    QCOMPARE(QString::fromStdString(std::string(bad.AsString("hostname"))), QString("new.example"));
    // What the edit showed is what was stored, whole characters only.
    QCOMPARE(QString::fromUtf8(bad.AsString("comment").data(), qsizetype(bad.AsString("comment").size())),
             comment);
}

QTEST_MAIN(TestBadHostEdit)
#include "tst_badhostedit.moc"
