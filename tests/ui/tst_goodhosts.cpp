// The good hosts browser and editor in a temporary folder: checks, questions, sorting, saving, window state.
#include "ui/GoodHostBrowse.h"

#include "core/DataUnit.h"
#include "settings/IniFile.h"
#include "support/DataFolder.h"
#include "support/DataRows.h"
#include "support/FindChild.h"
#include "support/ScriptedPresenter.h"
#include "support/WhenModal.h"
#include "ui/DBGrid.h"
#include "ui/GoodHostEdit.h"
#include "ui/MainUnit.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

const QStringList GoodRows = {"Example.com 10.0.0.1 [home]", "nas.lan 9.0.0.1 []",
                              "printer.lan 192.168.1.5 [office]"};
const QStringList BadRows = {"tracker.example 2"};

// Groups: Default Group (1), Ads [R] (2). Bad host tracker.example in Ads.
// Good hosts as in GoodRows; GoodHosts ordered by name, on its first row.
struct TFixture : TDataFolder {
    explicit TFixture(const std::string& prefs = {}, bool goodHosts = true) : TDataFolder(prefs)
    {
        TGroupList list;
        data->FillGroupList(list, false);
        data->AddGroup("Ads", true, false);
        AddBadRow(*data, "tracker.example", 2);
        if (goodHosts) {
            AddGoodRow(*data, "printer.lan", "192.168.1.5", "office");
            AddGoodRow(*data, "Example.com", "10.0.0.1", "home");
            AddGoodRow(*data, "nas.lan", "9.0.0.1");
        }
        data->GoodHosts.SetIndexName("hostname");
        data->GoodHosts.First();
    }

    // Every good host as "name ip [comment]" in name order; the cursor stays.
    QStringList Good() const
    {
        return Rows(data->GoodHosts, [](const TTable& t, TBookmark b) {
            return QString("%1 %2 [%3]")
                .arg(Field(t, b, "hostname"), Field(t, b, "ip"), Field(t, b, "comment"));
        });
    }

    // Every bad host as "name group" in name order.
    QStringList Bad() const
    {
        return Rows(data->BadHosts, [](const TTable& t, TBookmark b) {
            return Field(t, b, "hostname") + " " + QString::number(t.AsInteger(b, t.FieldNo("group_id")));
        });
    }

    // Puts GoodHosts on a host's row.
    void GoTo(const std::string& hostname) const
    {
        TTable& good = data->GoodHosts;
        const std::string index = good.IndexName();
        good.SetIndexName("hostname");
        if (!good.FindText(hostname))
            qFatal("no good host %s", hostname.c_str());
        good.SetIndexName(index);
    }

    QString Current() const
    {
        const TTable& good = data->GoodHosts;
        return good.GetBookmark() == NoBookmark ? QString() : Field(good, good.GetBookmark(), "hostname");
    }

private:
    static QString Field(const TTable& t, TBookmark row, const char* field)
    {
        return QString::fromStdString(std::string(t.AsString(row, t.FieldNo(field))));
    }

    static QStringList Rows(TTable& t, const std::function<QString(const TTable&, TBookmark)>& show)
    {
        const std::string index = t.IndexName();
        t.SetIndexName("hostname");
        QStringList out;
        for (int i = 0; i < t.RecordCount(); ++i)
            out << show(t, t.BookmarkAt(i));
        t.SetIndexName(index);
        return out;
    }
};

// A message as "i|caption|text" (information) or "?|caption|text" (question).
QStringList Messages(const TScriptedPresenter& presenter)
{
    QStringList out;
    for (const TMessageRequest& m : presenter.shown)
        out << QString("%1|%2|%3")
                   .arg(QString(m.kind == TMsgDlgType::mtConfirmation  ? "?"
                                : m.kind == TMsgDlgType::mtInformation ? "i"
                                                                       : "other"),
                        QString::fromStdString(m.caption), QString::fromStdString(m.text));
    return out;
}

// A column of the grid as painted, top to bottom.
QStringList Cells(const TDBGrid& grid, int column)
{
    QStringList out;
    for (int row = 0; row < grid.model()->rowCount(); ++row)
        out << grid.model()->index(row, column).data().toString();
    return out;
}

QStringList BoldTitles(const TDBGrid& grid)
{
    QStringList out;
    for (const TDBColumn& c : grid.Columns())
        if (c.titleBold)
            out << c.title;
    return out;
}

void ClickTitle(TDBGrid* grid, int column)
{
    QHeaderView* titles = grid->horizontalHeader();
    const QPoint at(titles->sectionViewportPosition(column) + titles->sectionSize(column) / 2,
                    titles->height() / 2);
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, at);
}

QPoint RowCentre(TDBGrid* grid, int row) { return grid->visualRect(grid->model()->index(row, 0)).center(); }

// Replaces an edit's text as typing or pasting does, through its validator.
void Type(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    edit->insert(text);
}

std::unique_ptr<TGoodHostBrowseForm> ShowBrowser(TFixture& fx)
{
    auto form = std::make_unique<TGoodHostBrowseForm>(*fx.data);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        qFatal("browser not shown");
    return form;
}

class TQuietMainForm : public TMainForm {
public:
    using TMainForm::TMainForm;

protected:
    void FirstRun() override {}
    void CmdLine() override {}
};

}   // namespace

class TestGoodHosts : public QObject {
    Q_OBJECT

private slots:
    void browserDesign();
    void editorShow_data();
    void editorShow();
    void editorOK_data();
    void editorOK();
    void lookupRestoresOrderAndRow_data();
    void lookupRestoresOrderAndRow();

    void titleClicksSort();
    void addAndEditFromBrowser();
    void deleteRow_data();
    void deleteRow();
    void emptyTableEditAddsDeleteDoesNothing();
    void changesWrittenWhenBrowserCloses();
    void windowState_data();
    void windowState();
    void mainWindowOpensBrowser();
};

// ---------------------------------------------------------------------------
// Design

void TestGoodHosts::browserDesign()
{
    TFixture fx;
    TScriptedPresenter presenter;
    // A fresh installation sorts by name whatever order the table had.
    fx.data->GoodHosts.SetIndexName("ip");
    auto form = ShowBrowser(fx);

    QCOMPARE(form->windowTitle(), QString("Good Hosts"));
    QVERIFY(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(!(form->windowFlags() & Qt::WindowMinimizeButtonHint));
    QStringList columns;
    for (const TDBColumn& c : form->BrowseGrid->Columns())
        columns << QString("%1=%2 %3").arg(c.title, QString::fromStdString(c.fieldName)).arg(c.width);
    QCOMPARE(columns, QStringList({"Host=hostname 384", "IP Address=ip 128", "Comment=comment 250"}));
    QCOMPARE(BoldTitles(*form->BrowseGrid), QStringList{"Host"});
    QCOMPARE(fx.data->GoodHosts.IndexName(), std::string("hostname"));
    QCOMPARE(Cells(*form->BrowseGrid, 0), QStringList({"Example.com", "nas.lan", "printer.lan"}));
    // The three columns fit side by side.
    const QHeaderView* titles = form->BrowseGrid->horizontalHeader();
    QVERIFY(titles->sectionViewportPosition(2) + titles->sectionSize(2) <=
            form->BrowseGrid->viewport()->width());

    QStringList buttons;
    for (QPushButton* b : {form->btnAdd, form->btnEdit, form->btnDelete, form->btnClose})
        buttons << b->objectName() + "=" + b->text();
    QCOMPARE(buttons, QStringList({"btnAdd=Add", "btnEdit=Edit", "btnDelete=Delete", "btnClose=Close"}));
    // The buttons stay at the bottom right of a larger window.
    form->resize(1100, 600);
    QApplication::processEvents();
    const QRect close(form->btnClose->mapTo(form.get(), QPoint()), form->btnClose->size());
    QVERIFY(form->width() - close.right() < 20);
    QVERIFY(form->height() - close.bottom() < 20);
    QVERIFY(form->btnAdd->x() < form->btnEdit->x() && form->btnDelete->x() < form->btnClose->x());
    form->close();
}

void TestGoodHosts::editorShow_data()
{
    QTest::addColumn<bool>("addMode");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("edits");

    QTest::newRow("add") << true << "Add Good Host" << QStringList({"", "", ""});
    QTest::newRow("edit the current row")
        << false << "Edit Good Host" << QStringList({"printer.lan", "192.168.1.5", "office"});
}

void TestGoodHosts::editorShow()
{
    QFETCH(bool, addMode);
    QFETCH(QString, caption);
    QFETCH(QStringList, edits);

    TFixture fx;
    fx.GoTo("printer.lan");
    TScriptedPresenter presenter;
    TGoodHostEditForm editor(*fx.data);
    QCOMPARE(editor.windowTitle(), QString("Edit Good Host"));
    editor.AddMode = addMode;
    editor.show();

    QCOMPARE(editor.windowTitle(), caption);
    QCOMPARE(QStringList({editor.HostEdit->text(), editor.IPEdit->text(), editor.CommentEdit->text()}),
             edits);
    QCOMPARE(QString::fromStdString(editor.OldHostname), edits[0]);
    QCOMPARE(editor.IPEdit->maxLength(), 15);
    QCOMPARE(editor.CommentEdit->maxLength(), 255);
    QStringList labels;
    for (QLabel* l : {editor.Label1, editor.Label2, editor.Label3})
        labels << l->text();
    QCOMPARE(labels, QStringList({"Hostname", "IP Address", "Comment"}));
    QVERIFY(editor.btnOK->isDefault());
    QCOMPARE(editor.btnCancel->text(), QString("Cancel"));
    // Esc is Cancel.
    QTest::keyClick(editor.HostEdit, Qt::Key_Escape);
    QVERIFY(!editor.isVisible());
    QCOMPARE(editor.result(), int(QDialog::Rejected));
    QVERIFY(presenter.shown.empty());
}

void TestGoodHosts::editorOK_data()
{
    QTest::addColumn<QString>("row");       // the host being edited; empty: adding
    QTest::addColumn<QString>("alsoBad");   // a bad host in Default Group added for the case
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<bool>("yes");   // the answer to a question
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("focus");   // empty: closed with OK, or not checked
    QTest::addColumn<QStringList>("good");
    QTest::addColumn<QStringList>("bad");

    const QString taken = "A host of this name already exists.";
    const QString gone = "This host exists as a Bad Host in the \"%1\" group.\r\nChange it to a Good Host?";

    QTest::newRow("blank host name") << ""
                                     << ""
                                     << "   "
                                     << "10.0.0.9"
                                     << "" << false
                                     << QStringList{"i|Add Good Host|Hostname may not be blank."}
                                     << "HostEdit" << GoodRows << BadRows;
    QTest::newRow("localhost refused")
        << ""
        << ""
        << "LocalHost"
        << "10.0.0.9"
        << "" << false
        << QStringList{"i|Add Good Host|Hostname \"localhost\" is handled automatically by Quillon."}
        << "HostEdit" << GoodRows << BadRows;
    QTest::newRow("invalid IP address")
        << "Example.com"
        << ""
        << "Example.com"
        << "10.0.0.256"
        << "home" << false << QStringList{"i|Edit Good Host|Invalid IP Address"} << "IPEdit" << GoodRows
        << BadRows;
    QTest::newRow("duplicate on add, other letter case")
        << ""
        << ""
        << "NAS.LAN"
        << "9.9.9.9"
        << "" << false << QStringList{"i|Add Good Host|" + taken} << "HostEdit" << GoodRows << BadRows;
    QTest::newRow("rename onto another good host")
        << "Example.com"
        << ""
        << "printer.lan"
        << "10.0.0.1"
        << "home" << false << QStringList{"i|Edit Good Host|" + taken} << "HostEdit" << GoodRows << BadRows;
    QTest::newRow("rename in letter case only is refused")
        << "Example.com"
        << ""
        << "example.com"
        << "10.0.0.1"
        << "home" << false << QStringList{"i|Edit Good Host|" + taken} << "HostEdit" << GoodRows << BadRows;
    QTest::newRow("unchanged name is never a duplicate")
        << "Example.com"
        << ""
        << "Example.com"
        << "10.0.0.2"
        << "house" << false << QStringList{} << ""
        << QStringList({"Example.com 10.0.0.2 [house]", "nas.lan 9.0.0.1 []",
                        "printer.lan 192.168.1.5 [office]"})
        << BadRows;
    QTest::newRow("renamed to a free name")
        << "nas.lan"
        << ""
        << "files.lan"
        << "9.0.0.1"
        << "" << false << QStringList{} << ""
        << QStringList({"Example.com 10.0.0.1 [home]", "files.lan 9.0.0.1 []",
                        "printer.lan 192.168.1.5 [office]"})
        << BadRows;
    QTest::newRow("bad host, Yes makes it good")
        << ""
        << ""
        << "Tracker.Example"
        << "0.0.0.0"
        << "" << true << QStringList{"?|Bad Host Gone Good?|" + gone.arg("Ads [R]")} << ""
        << QStringList({"Example.com 10.0.0.1 [home]", "nas.lan 9.0.0.1 []",
                        "printer.lan 192.168.1.5 [office]", "Tracker.Example 0.0.0.0 []"})
        << QStringList{};
    QTest::newRow("bad host, No leaves both tables and the editor open")
        << ""
        << ""
        << "tracker.example"
        << "0.0.0.0"
        << "" << false << QStringList{"?|Bad Host Gone Good?|" + gone.arg("Ads [R]")} << "" << GoodRows
        << BadRows;
    QTest::newRow("bad host asked also for an unchanged name")
        << "nas.lan"
        << "nas.lan"
        << "nas.lan"
        << "9.0.0.2"
        << "" << true << QStringList{"?|Bad Host Gone Good?|" + gone.arg("Default Group")} << ""
        << QStringList({"Example.com 10.0.0.1 [home]", "nas.lan 9.0.0.2 []",
                        "printer.lan 192.168.1.5 [office]"})
        << BadRows;
    QTest::newRow("name and address trimmed, comment blanks kept")
        << ""
        << ""
        << "  new.example\t"
        << " 10.1.1.1 "
        << "  two  blanks  " << false << QStringList{} << ""
        << QStringList({"Example.com 10.0.0.1 [home]", "nas.lan 9.0.0.1 []",
                        "new.example 10.1.1.1 [  two  blanks  ]", "printer.lan 192.168.1.5 [office]"})
        << BadRows;
    QTest::newRow("pasted line break in the comment")
        << ""
        << ""
        << "new.example"
        << "10.1.1.1"
        << "line one\r\nline two\n"
        << false << QStringList{} << ""
        << QStringList({"Example.com 10.0.0.1 [home]", "nas.lan 9.0.0.1 []",
                        "new.example 10.1.1.1 [line one line two ]", "printer.lan 192.168.1.5 [office]"})
        << BadRows;
}

void TestGoodHosts::editorOK()
{
    QFETCH(QString, row);
    QFETCH(QString, alsoBad);
    QFETCH(QString, host);
    QFETCH(QString, ip);
    QFETCH(QString, comment);
    QFETCH(bool, yes);
    QFETCH(QStringList, messages);
    QFETCH(QString, focus);
    QFETCH(QStringList, good);
    QFETCH(QStringList, bad);

    TFixture fx;
    if (!alsoBad.isEmpty())
        AddBadRow(*fx.data, alsoBad.toStdString(), 1);
    if (!row.isEmpty())
        fx.GoTo(row.toStdString());
    TScriptedPresenter presenter;
    yes ? presenter.AnswerYes() : presenter.AnswerNo();
    TGoodHostEditForm editor(*fx.data);
    editor.AddMode = row.isEmpty();
    editor.show();
    Type(editor.HostEdit, host);
    Type(editor.IPEdit, ip);
    Type(editor.CommentEdit, comment);
    editor.btnOK->setFocus();
    editor.btnOK->click();

    QCOMPARE(Messages(presenter), messages);
    for (const TMessageRequest& m : presenter.shown)
        QCOMPARE(m.owner, static_cast<TOwner>(&editor));
    QCOMPARE(fx.Good(), good);
    QCOMPARE(fx.Bad(), bad);
    // What the checks trimmed shows in the edits.
    QCOMPARE(editor.HostEdit->text(), host.trimmed());
    const bool accepted = !editor.isVisible();
    QCOMPARE(accepted, good != GoodRows);
    if (accepted) {
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        QCOMPARE(editor.IPEdit->text(), ip.trimmed());
        QCOMPARE(fx.data->Dirty(fx.data->GoodHosts), 1);
    } else if (!focus.isEmpty()) {
        QCOMPARE(editor.focusWidget()->objectName(), focus);
    }
    editor.reject();
}

void TestGoodHosts::lookupRestoresOrderAndRow_data()
{
    QTest::addColumn<QString>("row");   // the host being edited; empty: adding
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("cursor");   // the current row before OK
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("after");   // the current row afterwards

    QTest::newRow("edit by address, duplicate refused") << "printer.lan"
                                                        << "ip"
                                                        << "printer.lan"
                                                        << "NAS.lan"
                                                        << "printer.lan";
    QTest::newRow("edit by address, renamed") << "printer.lan"
                                              << "ip"
                                              << "printer.lan"
                                              << "scanner.lan"
                                              << "scanner.lan";
    QTest::newRow("add by comment, duplicate refused") << ""
                                                       << "comment"
                                                       << "nas.lan"
                                                       << "Printer.LAN"
                                                       << "nas.lan";
}

void TestGoodHosts::lookupRestoresOrderAndRow()
{
    QFETCH(QString, row);
    QFETCH(QString, index);
    QFETCH(QString, cursor);
    QFETCH(QString, host);
    QFETCH(QString, after);

    TFixture fx;
    TTable& good = fx.data->GoodHosts;
    good.SetIndexName(index.toStdString());
    fx.GoTo(cursor.toStdString());
    TScriptedPresenter presenter;
    TGoodHostEditForm editor(*fx.data);
    editor.AddMode = row.isEmpty();
    editor.show();
    Type(editor.HostEdit, host);
    Type(editor.IPEdit, "192.168.1.5");
    editor.btnOK->click();

    QCOMPARE(QString::fromStdString(good.IndexName()), index);
    QCOMPARE(fx.Current(), after);
    // A rename lands in the row that was edited, under its address.
    if (after != cursor)
        QVERIFY(fx.Good().contains(after + " 192.168.1.5 [office]"));
    editor.reject();
}

// ---------------------------------------------------------------------------
// The browser

void TestGoodHosts::titleClicksSort()
{
    TFixture fx;
    TScriptedPresenter presenter;
    auto form = ShowBrowser(fx);
    TDBGrid* grid = form->BrowseGrid;
    TTable& good = fx.data->GoodHosts;
    good.MoveToRecNo(2);
    grid->ShowCursorRow();

    // Addresses sort as text: 10.0.0.1 before 192.168.1.5 before 9.0.0.1.
    ClickTitle(grid, 1);
    QCOMPARE(good.IndexName(), std::string("ip"));
    QCOMPARE(Cells(*grid, 1), QStringList({"10.0.0.1", "192.168.1.5", "9.0.0.1"}));
    QCOMPARE(BoldTitles(*grid), QStringList{"IP Address"});
    QCOMPARE(good.RecNo(), 0);
    QCOMPARE(grid->currentIndex().row(), 0);

    // The title that already sorts the grid does not even go to the first row.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, RowCentre(grid, 2));
    QCOMPARE(fx.Current(), QString("nas.lan"));
    ClickTitle(grid, 1);
    QCOMPARE(good.RecNo(), 2);
    QCOMPARE(grid->currentIndex().row(), 2);

    ClickTitle(grid, 2);
    QCOMPARE(good.IndexName(), std::string("comment"));
    QCOMPARE(Cells(*grid, 0), QStringList({"nas.lan", "Example.com", "printer.lan"}));
    QCOMPARE(BoldTitles(*grid), QStringList{"Comment"});
    QCOMPARE(good.RecNo(), 0);
    QVERIFY(presenter.shown.empty());
    form->close();
}

void TestGoodHosts::addAndEditFromBrowser()
{
    TFixture fx;
    TScriptedPresenter presenter;
    auto form = ShowBrowser(fx);
    TDBGrid* grid = form->BrowseGrid;

    bool frozen = false;
    WhenModal<TGoodHostEditForm>([&](TGoodHostEditForm& editor) {
        frozen = grid->Frozen();
        Type(editor.HostEdit, "mail.lan");
        Type(editor.IPEdit, "10.0.0.5");
        editor.btnOK->click();
    });
    form->btnAdd->click();
    QVERIFY(frozen);
    QVERIFY(!grid->Frozen());
    QCOMPARE(Cells(*grid, 0), QStringList({"Example.com", "mail.lan", "nas.lan", "printer.lan"}));
    QCOMPARE(grid->currentIndex().row(), 1);

    // A double-click on a row edits that row.
    QString caption, shown;
    WhenModal<TGoodHostEditForm>([&](TGoodHostEditForm& editor) {
        caption = editor.windowTitle();
        shown = editor.HostEdit->text();
        Type(editor.CommentEdit, "backup");
        editor.btnOK->click();
    });
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, RowCentre(grid, 2));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, RowCentre(grid, 2));
    QCOMPARE(caption, QString("Edit Good Host"));
    QCOMPARE(shown, QString("nas.lan"));
    QCOMPARE(Cells(*grid, 2), QStringList({"home", "", "backup", "office"}));
    QCOMPARE(grid->currentIndex().row(), 2);

    // Cancel changes nothing.
    WhenModal<TGoodHostEditForm>([](TGoodHostEditForm& editor) {
        Type(editor.HostEdit, "changed.lan");
        editor.btnCancel->click();
    });
    form->btnEdit->click();
    QCOMPARE(fx.Good(), QStringList({"Example.com 10.0.0.1 [home]", "mail.lan 10.0.0.5 []",
                                     "nas.lan 9.0.0.1 [backup]", "printer.lan 192.168.1.5 [office]"}));
    QVERIFY(presenter.shown.empty());
    form->close();
}

void TestGoodHosts::deleteRow_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("hosts");
    QTest::newRow("answered Yes") << true << QStringList({"Example.com", "printer.lan"});
    QTest::newRow("answered No") << false << QStringList({"Example.com", "nas.lan", "printer.lan"});
}

void TestGoodHosts::deleteRow()
{
    QFETCH(bool, yes);
    QFETCH(QStringList, hosts);

    TFixture fx;
    TScriptedPresenter presenter;
    auto form = ShowBrowser(fx);
    QTest::mouseClick(form->BrowseGrid->viewport(), Qt::LeftButton, {}, RowCentre(form->BrowseGrid, 1));
    yes ? presenter.AnswerYes() : presenter.AnswerNo();

    form->btnDelete->click();

    QCOMPARE(Messages(presenter),
             QStringList{"?|Delete Good Host|Are you sure you want to delete this host?"});
    QCOMPARE(Cells(*form->BrowseGrid, 0), hosts);
    QCOMPARE(fx.Good().size(), hosts.size());
    form->close();
}

// On an empty table Delete asks nothing; Edit opens the editor with empty
// fields, and confirming it adds the first row.
void TestGoodHosts::emptyTableEditAddsDeleteDoesNothing()
{
    TFixture fx({}, false);
    TScriptedPresenter presenter;
    auto form = ShowBrowser(fx);

    bool opened = true;
    WhenModal<QDialog>([](QDialog&) {}, &opened);
    form->btnDelete->click();
    QCoreApplication::processEvents();
    QVERIFY(!opened);
    QVERIFY(presenter.shown.empty());

    QString caption, shownHost = "?";
    WhenModal<TGoodHostEditForm>(
        [&](TGoodHostEditForm& editor) {
            caption = editor.windowTitle();
            shownHost = editor.HostEdit->text();
            editor.HostEdit->setText("first.example");
            editor.IPEdit->setText("10.0.0.1");
            editor.btnOK->click();
        },
        &opened);
    form->btnEdit->click();
    QVERIFY(opened);
    QCOMPARE(caption, QString("Edit Good Host"));
    QCOMPARE(shownHost, QString());
    QVERIFY(presenter.shown.empty());
    QCOMPARE(fx.Good().size(), 1);
    QCOMPARE(form->BrowseGrid->model()->rowCount(), 1);
    form->close();
}

void TestGoodHosts::changesWrittenWhenBrowserCloses()
{
    TFixture fx;
    fx.data->SaveDatabase(true);
    const std::string goodFile = fx.dir.Read("GoodHosts.cds"), badFile = fx.dir.Read("BadHosts.cds");
    TScriptedPresenter presenter;
    auto form = ShowBrowser(fx);

    presenter.AnswerYes();
    WhenModal<TGoodHostEditForm>([](TGoodHostEditForm& editor) {
        Type(editor.HostEdit, "tracker.example");
        Type(editor.IPEdit, "0.0.0.0");
        editor.btnOK->click();
    });
    form->btnAdd->click();
    QCOMPARE(fx.data->BadHosts.RecordCount(), 0);
    QCOMPARE(fx.dir.Read("GoodHosts.cds"), goodFile);
    QCOMPARE(fx.dir.Read("BadHosts.cds"), badFile);

    QTest::keyClick(form->BrowseGrid, Qt::Key_Escape);
    QVERIFY(!form->isVisible());
    QCOMPARE(fx.data->Dirty(fx.data->GoodHosts), 0);
    TQuillonData reread(fx.dir.Path());
    reread.Prefs().LoadPrefs();
    QVERIFY(reread.OpenDatabase());
    QCOMPARE(reread.GoodHosts.RecordCount(), 4);
    QCOMPARE(reread.BadHosts.RecordCount(), 0);
}

void TestGoodHosts::windowState_data()
{
    QTest::addColumn<bool>("saveWindows");
    QTest::newRow("SaveWindows on") << true;
    QTest::newRow("SaveWindows off") << false;
}

void TestGoodHosts::windowState()
{
    QFETCH(bool, saveWindows);

    TFixture fx(saveWindows ? "" : "SaveWindows=0\n");
    TScriptedPresenter presenter;
    // The main window stays open behind the browser; its frame tells the
    // browser about to open how much its saved outer size adds.
    QWidget main;
    main.setGeometry(0, 0, 200, 100);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QSize designSize;
    {
        auto form = ShowBrowser(fx);
        designSize = form->size();
        ClickTitle(form->BrowseGrid, 1);
        form->resize(designSize + QSize(60, 40));
        form->btnClose->click();
    }
    const TIniFile ini(fx.dir.File("Quillon.ini"));
    QCOMPARE(ini.SectionExists("GoodHostBrowse"), saveWindows);
    if (saveWindows)
        QCOMPARE(ini.ReadString("GoodHostBrowse", "Index", ""), std::string("ip"));

    fx.data->GoodHosts.SetIndexName("hostname");
    auto form = ShowBrowser(fx);
    QCOMPARE(fx.data->GoodHosts.IndexName(), std::string(saveWindows ? "ip" : "hostname"));
    QCOMPARE(BoldTitles(*form->BrowseGrid), QStringList{saveWindows ? "IP Address" : "Host"});
    QCOMPARE(form->size(), saveWindows ? designSize + QSize(60, 40) : designSize);
    QVERIFY(presenter.shown.empty());
    form->close();
}

void TestGoodHosts::mainWindowOpensBrowser()
{
    TFixture fx;
    fx.data->SaveDatabase(false);
    fx.data.reset();
    TScriptedPresenter presenter;
    TQuietMainForm main(fx.dir.Path());
    main.show();
    auto* action = Find<QAction>(&main, "actGoodHosts");
    QVERIFY(action && action->isEnabled());

    bool modal = false;
    QStringList hosts;
    WhenModal<TGoodHostBrowseForm>([&](TGoodHostBrowseForm& browser) {
        modal = browser.isModal();
        hosts = Cells(*browser.BrowseGrid, 0);
        browser.btnClose->click();
    });
    action->trigger();

    QVERIFY(modal);
    QCOMPARE(hosts, QStringList({"Example.com", "nas.lan", "printer.lan"}));
    QVERIFY(presenter.shown.empty());
    QVERIFY(main.close());
}

QTEST_MAIN(TestGoodHosts)
#include "tst_goodhosts.moc"
