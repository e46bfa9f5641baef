// The bad hosts browser over a temporary data folder: sorting, type-ahead, selection and the commands on many hosts.
#include "ui/BadHostBrowse.h"

#include "core/DataUnit.h"
#include "settings/IniFile.h"
#include "support/DataFolder.h"
#include "support/DataRows.h"
#include "support/ScriptedPresenter.h"
#include "support/TempDir.h"
#include "support/WhenModal.h"
#include "ui/BadHostEdit.h"
#include "ui/DBGrid.h"
#include "ui/GroupPick.h"
#include "ui/MainUnit.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>

namespace {

// Groups (ids): Default Group (1), Ads (2), Trackers [R] (3).
// Bad hosts, in name order: ads.example.com (Ads, "banner"),
// b.tracker.example (Trackers), dou.example.org (Trackers), doubleclick.example
// (Ads, "Big ADS list"), pixel.example.net (Ads), zed.example (group 9, which
// does not exist).
struct TFixture : TDataFolder {
    explicit TFixture(bool hosts = true)
    {
        AddGroupRow(*data, 1, "Default Group");
        AddGroupRow(*data, 2, "Ads");
        AddGroupRow(*data, 3, "Trackers", true);
        if (!hosts)
            return;
        AddBadRow(*data, "ads.example.com", 2, "banner");
        AddBadRow(*data, "b.tracker.example", 3);
        AddBadRow(*data, "doubleclick.example", 2, "Big ADS list");
        AddBadRow(*data, "dou.example.org", 3);
        AddBadRow(*data, "pixel.example.net", 2);
        AddBadRow(*data, "zed.example", 9);
    }

    TTable& Bad() const { return data->BadHosts; }

    // Every bad host as "name=group", in name order.
    QStringList Hosts() const
    {
        QStringList out;
        TTable& b = Bad();
        const std::string index = b.IndexName();
        const TBookmark standing = b.GetBookmark();
        const bool filtered = b.Filtered();
        b.SetFiltered(false);
        b.SetIndexName("hostname");
        for (b.First(); !b.Eof(); b.Next())
            out << QString("%1=%2")
                       .arg(QString::fromStdString(std::string(b.AsString("hostname"))))
                       .arg(b.AsInteger("group_id"));
        b.SetIndexName(index);
        b.SetFiltered(filtered);
        if (standing != NoBookmark && b.BookmarkValid(standing))
            b.GotoBookmark(standing);
        return out;
    }
};

// A browser whose editor and pick dialog are answered by the test, not by a user.
class TTestBrowse : public TBadHostBrowseForm {
public:
    using TBadHostBrowseForm::TBadHostBrowseForm;

    // Fills the editor once it is shown, then presses OK (or Cancel when unset).
    std::function<void(TBadHostEditForm&)> fillEditor;
    int pickAnswer = 0;
    QStringList prompts;
    bool frozenInEditor = false;
    TBadHostEditMode editorMode = TBadHostEditMode::Edit;

protected:
    int ExecEditor(TBadHostEditForm& editor) override
    {
        frozenInEditor = BrowseGrid->Frozen();
        editorMode = editor.Mode;
        editor.show();
        if (!fillEditor) {
            editor.reject();
            return editor.result();
        }
        fillEditor(editor);
        editor.btnOK->click();
        const int result = editor.isVisible() ? QDialog::Rejected : editor.result();
        editor.hide();
        return result;
    }
    int PickGroup(const QString& prompt) override
    {
        prompts << prompt;
        return pickAnswer;
    }
};

// A main window without its deferred start-up steps (the test's own
// arguments are not a command line).
class TQuietMainForm : public TMainForm {
public:
    using TMainForm::TMainForm;

protected:
    void FirstRun() override {}
    void CmdLine() override {}
};

std::unique_ptr<TTestBrowse> ShowBrowser(TFixture& fx)
{
    auto form = std::make_unique<TTestBrowse>(*fx.data);
    form->show();
    return form;
}

QString Current(const TFixture& fx)
{
    return QString::fromStdString(std::string(fx.Bad().AsString("hostname")));
}

// The selected rows' host names, in name order.
QStringList Selected(TFixture& fx, const TDBGrid& grid)
{
    QStringList out;
    for (TBookmark b : grid.SelectedRows())
        out << QString::fromStdString(std::string(fx.Bad().AsString(b, fx.Bad().FieldNo("hostname"))));
    out.sort();
    return out;
}

// The search timer's interval has passed.
void Tick(TBadHostBrowseForm& form) { QVERIFY(QMetaObject::invokeMethod(form.SearchTimer, "timeout")); }

void Type(QWidget* grid, const QString& text)
{
    for (QChar c : text)
        QTest::keyClick(grid, c.toLatin1());
}

void SelectHosts(TFixture& fx, TDBGrid& grid, const QStringList& hosts)
{
    for (const QString& h : hosts) {
        if (!fx.Bad().Locate("hostname", h.toStdString(), true))
            qFatal("no host %s", qPrintable(h));
        grid.SelectRow(fx.Bad().GetBookmark(), true);
    }
}

void GoTo(TFixture& fx, TDBGrid& grid, const QString& host)
{
    if (!fx.Bad().Locate("hostname", host.toStdString(), true))
        qFatal("no host %s", qPrintable(host));
    grid.ShowCursorRow();
}

}   // namespace

class TestBadHostBrowse : public QObject {
    Q_OBJECT

private slots:
    void design();
    void groupCellsShowCaptions();
    void titleClickSorts();
    void typeAhead();
    void spaceTogglesAndMoves();
    void keysAndClicksSelect();
    void deleteHosts_data();
    void deleteHosts();
    void deleteNothingOnEmptyTable();
    void groupMovesSelection_data();
    void groupMovesSelection();
    void allAndNone();
    void selectByCriteria_data();
    void selectByCriteria();
    void addAndEditFreezeTheGrid();
    void closingUnfiltersSavesAndRemembers();
    void openedFromSearch();
    void dialogsCentredOverMainWindow_data();
    void dialogsCentredOverMainWindow();
};

void TestBadHostBrowse::design()
{
    TFixture fx;
    auto form = ShowBrowser(fx);
    QCOMPARE(form->windowTitle(), QString("Bad Hosts"));
    QCOMPARE(form->minimumSize(), QSize(200, 325));
    QCOMPARE(form->size(), QSize(681, 366));
    QStringList buttons;
    for (QPushButton* b : {form->btnAdd, form->btnEdit, form->btnDelete, form->btnGroup, form->btnSelect,
                           form->btnAll, form->btnNone, form->btnClose})
        buttons << b->text();
    QCOMPARE(buttons,
             QStringList({"Add", "Edit", "Delete", "Group...", "Select...", "All", "None", "Close"}));
    QVERIFY(form->btnClose->y() > form->btnNone->y() + 100);   // at the bottom of the panel
    const std::vector<TDBColumn> expected = {{"hostname", "Host", 350, true},
                                             {"group_id", "Group", 200, false},
                                             {"comment", "Comment", 250, false}};
    QVERIFY(form->BrowseGrid->Columns() == expected);
    QVERIFY(form->BrowseGrid->MultiSelect());
    QCOMPARE(form->SearchTimer->interval(), 1500);
    QVERIFY(!form->SearchTimer->isActive());
    QCOMPARE(fx.Bad().IndexName(), std::string("hostname"));
    QCOMPARE(fx.data->Groups.IndexName(), std::string("group_id"));
    QCOMPARE(form->BrowseGrid->model()->rowCount(), 6);
    QApplication::setActiveWindow(form.get());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form->BrowseGrid));
}

// A Group cell is filled with the prepared brush and shows the group's caption
// at the measured offset; other cells, and an empty table, are left to the grid.
void TestBadHostBrowse::groupCellsShowCaptions()
{
    TFixture fx;
    auto form = ShowBrowser(fx);
    QCOMPARE(form->TextOffset(), -1);
    const TDBGrid::TDrawColumnCell& draw = form->BrowseGrid->DrawColumnCell();
    QVERIFY(draw);
    const TDBGrid& grid = *form->BrowseGrid;

    QStyleOptionViewItem cell;
    cell.rect = QRect(0, 0, 200, 24);
    cell.font = grid.font();
    cell.palette = grid.palette();
    auto render = [&](int position, bool selected, QImage& image) {
        cell.state = selected ? QStyle::State_Selected : QStyle::State_None;
        image = QImage(200, 24, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        return draw(&painter, cell, grid.Columns()[1], fx.Bad().BookmarkAt(position));
    };
    auto expect = [&](const QString& caption, bool selected, int offset) {
        QImage image(200, 24, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        if (selected)
            painter.fillRect(cell.rect, cell.palette.brush(QPalette::Highlight));
        painter.setFont(cell.font);
        painter.setPen(cell.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(cell.rect.adjusted(offset, offset, -offset, 0), Qt::AlignLeft | Qt::AlignTop,
                         caption);
        return image;
    };

    QImage image;
    QVERIFY(render(1, false, image));   // b.tracker.example
    const int offset = (24 - QFontMetrics(cell.font).height()) / 2;
    QCOMPARE(form->TextOffset(), offset);
    QCOMPARE(image, expect("Trackers [R]", false, offset));
    QVERIFY(render(5, true, image));   // zed.example, group 9
    QCOMPARE(image, expect("Failed to find group_id 9", true, offset));

    // Measured once per showing: a taller cell keeps the offset.
    cell.rect = QRect(0, 0, 200, 40);
    QVERIFY(render(0, false, image));
    QCOMPARE(form->TextOffset(), offset);
    cell.rect = QRect(0, 0, 200, 24);

    QPainter painter(&image);
    QVERIFY(!draw(&painter, cell, grid.Columns()[0], fx.Bad().BookmarkAt(0)));
    QVERIFY(!draw(&painter, cell, grid.Columns()[2], fx.Bad().BookmarkAt(0)));
    fx.Bad().SetFilter("hostname = 'none.example'");
    fx.Bad().SetFiltered(true);
    QVERIFY(!draw(&painter, cell, grid.Columns()[1], 0));
}

void TestBadHostBrowse::titleClickSorts()
{
    TFixture fx;
    auto form = ShowBrowser(fx);
    TDBGrid* grid = form->BrowseGrid;
    GoTo(fx, *grid, "pixel.example.net");

    emit grid->TitleClick(0);   // already the order: nothing, not even a move
    QCOMPARE(Current(fx), QString("pixel.example.net"));

    emit grid->TitleClick(1);
    QCOMPARE(fx.Bad().IndexName(), std::string("group_id"));
    QCOMPARE(Current(fx), QString("ads.example.com"));   // the first row of group 2
    QCOMPARE(grid->currentIndex().row(), 0);
    QVERIFY(!grid->Columns()[0].titleBold && grid->Columns()[1].titleBold && !grid->Columns()[2].titleBold);
    QStringList order;
    for (int k = 0; k < 6; ++k)
        order << grid->model()->index(k, 0).data().toString();
    // By the group's number, then by name.
    QCOMPARE(order, QStringList({"ads.example.com", "doubleclick.example", "pixel.example.net",
                                 "b.tracker.example", "dou.example.org", "zed.example"}));

    emit grid->TitleClick(2);
    QCOMPARE(fx.Bad().IndexName(), std::string("comment"));
    QVERIFY(!grid->Columns()[1].titleBold && grid->Columns()[2].titleBold);
}

// Characters typed within the timer's interval form one key; the tick starts
// a new search; the Group order takes no typing.
void TestBadHostBrowse::typeAhead()
{
    TFixture fx;
    auto form = ShowBrowser(fx);
    TDBGrid* grid = form->BrowseGrid;
    grid->setFocus();

    Type(grid, "d");
    QCOMPARE(Current(fx), QString("dou.example.org"));
    QVERIFY(form->SearchTimer->isActive());
    Type(grid, "oub");
    QCOMPARE(form->SearchBuffer(), std::string("doub"));
    QCOMPARE(Current(fx), QString("doubleclick.example"));
    QCOMPARE(grid->currentIndex().row(), fx.Bad().RecNo());

    Tick(*form);   // the pause
    QVERIFY(form->SearchBuffer().empty());
    QVERIFY(!form->SearchTimer->isActive());
    Type(grid, "P");   // case-blind
    QCOMPARE(Current(fx), QString("pixel.example.net"));
    Type(grid, "zz");   // past the last key: the last row
    QCOMPARE(Current(fx), QString("zed.example"));
    Tick(*form);

    // On the comment order the key is the comment.
    emit grid->TitleClick(2);
    Type(grid, "bi");
    QCOMPARE(Current(fx), QString("doubleclick.example"));
    Tick(*form);

    emit grid->TitleClick(1);
    GoTo(fx, *grid, "dou.example.org");
    Type(grid, "p");
    QCOMPARE(Current(fx), QString("dou.example.org"));
    QVERIFY(form->SearchBuffer().empty());
    QVERIFY(!form->SearchTimer->isActive());
}

void TestBadHostBrowse::spaceTogglesAndMoves()
{
    TFixture fx;
    auto form = ShowBrowser(fx);
    TDBGrid* grid = form->BrowseGrid;
    grid->setFocus();
    Type(grid, "b");
    QVERIFY(form->SearchTimer->isActive());
    QTest::keyClick(grid, Qt::Key_Space);
    QVERIFY(form->SearchBuffer().empty());
    QVERIFY(form->SearchTimer->isActive());   // the timer is not touched
    QCOMPARE(Current(fx), QString("dou.example.org"));
    QTest::keyClick(grid, Qt::Key_Space);
    QCOMPARE(Selected(fx, *grid), QStringList({"b.tracker.example", "dou.example.org"}));
    QCOMPARE(grid->currentIndex().row(), 3);
    GoTo(fx, *grid, "dou.example.org");
    QTest::keyClick(grid, Qt::Key_Space);   // toggles back off
    QCOMPARE(Selected(fx, *grid), QStringList({"b.tracker.example"}));

    // Sorted by Group: typing does nothing, the space still works.
    emit grid->TitleClick(1);
    fx.Bad().Last();
    grid->ShowCursorRow();
    QTest::keyClick(grid, Qt::Key_Space);   // on the last row: toggles and stays
    QCOMPARE(Current(fx), QString("zed.example"));
    QCOMPARE(Selected(fx, *grid), QStringList({"b.tracker.example", "zed.example"}));
}

// Clicks and keys: a click clears, Ctrl+click toggles, Shift selects a run,
// Ctrl with a move key keeps the selection, a plain move clears it.
void TestBadHostBrowse::keysAndClicksSelect()
{
    TFixture fx;
    auto form = ShowBrowser(fx);
    TDBGrid* grid = form->BrowseGrid;
    QApplication::processEvents();
    auto rowPoint = [grid](int row) { return grid->visualRect(grid->model()->index(row, 0)).center(); };

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, rowPoint(1));
    QCOMPARE(Current(fx), QString("b.tracker.example"));
    QCOMPARE(grid->SelectedCount(), 0);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowPoint(3));
    QCOMPARE(Selected(fx, *grid),
             QStringList({"b.tracker.example", "dou.example.org", "doubleclick.example"}));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, rowPoint(2));
    QCOMPARE(Selected(fx, *grid), QStringList({"b.tracker.example", "doubleclick.example"}));
    QCOMPARE(Current(fx), QString("dou.example.org"));
    QTest::keyClick(grid, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(grid->SelectedCount(), 2);
    QCOMPARE(Current(fx), QString("doubleclick.example"));
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(Selected(fx, *grid), QStringList({"doubleclick.example", "pixel.example.net"}));
    QTest::keyClick(grid, Qt::Key_End);
    QCOMPARE(Current(fx), QString("zed.example"));
    QCOMPARE(grid->SelectedCount(), 0);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, rowPoint(0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, rowPoint(4));
    QCOMPARE(grid->SelectedCount(), 0);
}

void TestBadHostBrowse::deleteHosts_data()
{
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("left");

    const QString one = "Are you sure you want to delete this host?";
    QTest::newRow("nothing selected: the current row")
        << QStringList() << true << one << "Delete Bad Host"
        << QStringList({"ads.example.com=2", "b.tracker.example=3", "dou.example.org=3",
                        "doubleclick.example=2", "zed.example=9"});
    QTest::newRow("one other row selected: still the current row")
        << QStringList({"ads.example.com"}) << true << one << "Delete Bad Host"
        << QStringList({"ads.example.com=2", "b.tracker.example=3", "dou.example.org=3",
                        "doubleclick.example=2", "zed.example=9"});
    QTest::newRow("answered No") << QStringList() << false << one << "Delete Bad Host"
                                 << QStringList({"ads.example.com=2", "b.tracker.example=3",
                                                 "dou.example.org=3", "doubleclick.example=2",
                                                 "pixel.example.net=2", "zed.example=9"});
    QTest::newRow("three selected")
        << QStringList({"ads.example.com", "dou.example.org", "zed.example"}) << true
        << "Are you sure you want to delete the 3 selected hosts?"
        << "Delete Multiple Hosts"
        << QStringList({"b.tracker.example=3", "doubleclick.example=2", "pixel.example.net=2"});
    QTest::newRow("three selected, answered No")
        << QStringList({"ads.example.com", "dou.example.org", "zed.example"}) << false
        << "Are you sure you want to delete the 3 selected hosts?"
        << "Delete Multiple Hosts"
        << QStringList({"ads.example.com=2", "b.tracker.example=3", "dou.example.org=3",
                        "doubleclick.example=2", "pixel.example.net=2", "zed.example=9"});
}

void TestBadHostBrowse::deleteHosts()
{
    QFETCH(QStringList, selected);
    QFETCH(bool, yes);
    QFETCH(QString, message);
    QFETCH(QString, caption);
    QFETCH(QStringList, left);
    TFixture fx;
    auto form = ShowBrowser(fx);
    TScriptedPresenter messages;
    SelectHosts(fx, *form->BrowseGrid, selected);
    GoTo(fx, *form->BrowseGrid, "pixel.example.net");
    if (yes)
        messages.AnswerYes();
    form->btnDelete->click();
    QCOMPARE(int(messages.shown.size()), 1);
    QCOMPARE(QString::fromStdString(messages.Last().text), message);
    QCOMPARE(QString::fromStdString(messages.Last().caption), caption);
    QCOMPARE(fx.Hosts(), left);
    QCOMPARE(form->BrowseGrid->model()->rowCount(), left.size());
    if (yes && selected.size() > 1)
        QCOMPARE(form->BrowseGrid->SelectedCount(), 0);
    else if (yes)
        QCOMPARE(form->BrowseGrid->SelectedCount(), int(selected.size()));
    QVERIFY(!form->BrowseGrid->Frozen());
}

void TestBadHostBrowse::deleteNothingOnEmptyTable()
{
    TFixture fx(false);
    auto form = ShowBrowser(fx);
    TScriptedPresenter messages;
    messages.AnswerYes();
    form->btnDelete->click();
    form->btnGroup->click();
    form->btnAll->click();
    QVERIFY(messages.shown.empty());
    QVERIFY(form->prompts.isEmpty());
    QCOMPARE(form->BrowseGrid->SelectedCount(), 0);
}

void TestBadHostBrowse::groupMovesSelection_data()
{
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<int>("pick");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QStringList>("hosts");
    QTest::addColumn<QStringList>("selectedAfter");

    const QStringList unchanged = {"ads.example.com=2",     "b.tracker.example=3", "dou.example.org=3",
                                   "doubleclick.example=2", "pixel.example.net=2", "zed.example=9"};
    QTest::newRow("none selected: the current row, moved")
        << QStringList() << 3 << "Select a new group for this host:"
        << QStringList({"ads.example.com=2", "b.tracker.example=3", "dou.example.org=3",
                        "doubleclick.example=2", "pixel.example.net=3", "zed.example=9"})
        << QStringList();
    QTest::newRow("none selected, cancelled: the current row stays selected")
        << QStringList() << 0 << "Select a new group for this host:" << unchanged
        << QStringList({"pixel.example.net"});
    QTest::newRow("three selected, one already there")
        << QStringList({"ads.example.com", "b.tracker.example", "zed.example"}) << 3
        << "Select a new group for these 3 host(s):"
        << QStringList({"ads.example.com=3", "b.tracker.example=3", "dou.example.org=3",
                        "doubleclick.example=2", "pixel.example.net=2", "zed.example=3"})
        << QStringList();
    QTest::newRow("two selected, cancelled") << QStringList({"ads.example.com", "zed.example"}) << 0
                                             << "Select a new group for these 2 host(s):" << unchanged
                                             << QStringList({"ads.example.com", "zed.example"});
}

void TestBadHostBrowse::groupMovesSelection()
{
    QFETCH(QStringList, selected);
    QFETCH(int, pick);
    QFETCH(QString, prompt);
    QFETCH(QStringList, hosts);
    QFETCH(QStringList, selectedAfter);
    TFixture fx;
    auto form = ShowBrowser(fx);
    int posts = 0;
    fx.Bad().AfterPost = [&](TTable&) { ++posts; };
    SelectHosts(fx, *form->BrowseGrid, selected);
    GoTo(fx, *form->BrowseGrid, "pixel.example.net");
    form->pickAnswer = pick;
    form->btnGroup->click();
    QCOMPARE(form->prompts, QStringList({prompt}));
    QCOMPARE(fx.Hosts(), hosts);
    QCOMPARE(Selected(fx, *form->BrowseGrid), selectedAfter);
    QCOMPARE(posts > 0, pick != 0);
    QCOMPARE(Current(fx), QString("pixel.example.net"));
    QVERIFY(!form->BrowseGrid->Frozen());
}

void TestBadHostBrowse::allAndNone()
{
    TFixture fx;
    auto form = ShowBrowser(fx);
    GoTo(fx, *form->BrowseGrid, "dou.example.org");
    form->btnAll->click();
    QCOMPARE(form->BrowseGrid->SelectedCount(), 6);
    QCOMPARE(Current(fx), QString("dou.example.org"));
    QVERIFY(!form->BrowseGrid->Frozen());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    form->btnNone->click();
    QCOMPARE(form->BrowseGrid->SelectedCount(), 0);

    // Under a filter, every row that passes it.
    fx.Bad().SetFilter("group_id = 3");
    fx.Bad().SetFiltered(true);
    form->BrowseGrid->Refresh();
    form->btnAll->click();
    QCOMPARE(Selected(fx, *form->BrowseGrid), QStringList({"b.tracker.example", "dou.example.org"}));

    // Select... too looks only at the rows that pass.
    form->fillEditor = [](TBadHostEditForm& editor) { editor.HostEdit->setText("o"); };
    form->btnSelect->click();
    QCOMPARE(Selected(fx, *form->BrowseGrid), QStringList({"dou.example.org"}));
}

void TestBadHostBrowse::selectByCriteria_data()
{
    QTest::addColumn<int>("group");   // combo object: -1 none, 0 the blank item
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QStringList>("selected");

    QTest::newRow("group only: every host of it")
        << 3 << ""
        << "" << QStringList({"b.tracker.example", "dou.example.org"});
    QTest::newRow("host text in any case, anywhere") << 0 << "  EXAMPLE.n "
                                                     << "" << QStringList({"pixel.example.net"});
    QTest::newRow("host text ADS") << -1 << "ADS"
                                   << "" << QStringList({"ads.example.com"});
    QTest::newRow("comment text") << 0 << ""
                                  << "ads" << QStringList({"doubleclick.example"});
    QTest::newRow("criteria combine") << 2 << "o"
                                      << "" << QStringList({"ads.example.com", "doubleclick.example"});
    QTest::newRow("group and comment, nothing matches") << 3 << ""
                                                        << "banner" << QStringList();
    QTest::newRow("everything blank: selection unchanged") << 0 << ""
                                                           << "" << QStringList({"zed.example"});
}

void TestBadHostBrowse::selectByCriteria()
{
    QFETCH(int, group);
    QFETCH(QString, host);
    QFETCH(QString, comment);
    QFETCH(QStringList, selected);
    TFixture fx;
    auto form = ShowBrowser(fx);
    SelectHosts(fx, *form->BrowseGrid, {"zed.example"});
    GoTo(fx, *form->BrowseGrid, "dou.example.org");
    form->fillEditor = [&](TBadHostEditForm& editor) {
        QCOMPARE(editor.windowTitle(), QString("Select Hosts"));
        editor.cbxGroup->setCurrentIndex(group < 0 ? -1 : editor.cbxGroup->findData(group));
        editor.HostEdit->setText(host);
        editor.CommentEdit->setText(comment);
    };
    form->btnSelect->click();
    QVERIFY(form->editorMode == TBadHostEditMode::Select);
    QCOMPARE(Selected(fx, *form->BrowseGrid), selected);
    QCOMPARE(Current(fx), QString("dou.example.org"));
    QVERIFY(!form->BrowseGrid->Frozen());

    // Cancelled: nothing changes.
    form->fillEditor = nullptr;
    form->btnSelect->click();
    QCOMPARE(Selected(fx, *form->BrowseGrid), selected);
}

void TestBadHostBrowse::addAndEditFreezeTheGrid()
{
    TFixture fx;
    auto form = ShowBrowser(fx);
    TScriptedPresenter messages;
    form->fillEditor = [](TBadHostEditForm& editor) {
        editor.cbxGroup->setCurrentIndex(editor.cbxGroup->findData(3));
        editor.HostEdit->setText("new.example");
    };
    form->btnAdd->click();
    QVERIFY(form->frozenInEditor);
    QVERIFY(form->editorMode == TBadHostEditMode::Add);
    QVERIFY(!form->BrowseGrid->Frozen());
    QVERIFY(fx.Hosts().contains("new.example=3"));
    QCOMPARE(form->BrowseGrid->model()->rowCount(), 7);

    GoTo(fx, *form->BrowseGrid, "zed.example");
    form->fillEditor = [](TBadHostEditForm& editor) {
        editor.cbxGroup->setCurrentIndex(editor.cbxGroup->findData(2));
    };
    emit form->BrowseGrid->doubleClicked(form->BrowseGrid->currentIndex());
    QVERIFY(form->editorMode == TBadHostEditMode::Edit);
    QVERIFY(fx.Hosts().contains("zed.example=2"));
    QVERIFY(messages.shown.empty());
}

void TestBadHostBrowse::closingUnfiltersSavesAndRemembers()
{
    TFixture fx;
    QWidget mainWindow;   // as in the program, a window on screen tells the frame's size
    mainWindow.show();
    fx.data->SaveDatabase(true);
    const std::string tableFile = fx.dir.File("BadHosts.cds");
    QVERIFY(std::filesystem::exists(tableFile));
    const auto before = std::filesystem::file_size(tableFile);
    int width = 0;
    {
        fx.Bad().SetFilter("group_id = 2");
        fx.Bad().SetFiltered(true);
        auto form = ShowBrowser(fx);
        emit form->BrowseGrid->TitleClick(2);
        form->resize(700, 400);
        fx.Bad().SetFiltered(false);
        AddBadRow(*fx.data, "added.example.com", 2, "a comment long enough to change the file size");
        fx.Bad().SetFiltered(true);
        QCOMPARE(std::filesystem::file_size(tableFile), before);   // not after each edit
        width = form->frameGeometry().width();
        form->close();
        QVERIFY(!fx.Bad().Filtered());
        QVERIFY(fx.Bad().Filter().empty());
        QVERIFY(std::filesystem::file_size(tableFile) != before);
    }
    TIniFile ini(fx.data->IniFileName());
    QCOMPARE(ini.ReadString("BadHostBrowse", "Index", ""), std::string("comment"));
    QCOMPARE(ini.ReadInteger("BadHostBrowse", "Width", 0), width);

    // The next browser opens in that order, its title bold.
    fx.Bad().SetIndexName("hostname");
    auto again = ShowBrowser(fx);
    QCOMPARE(fx.Bad().IndexName(), std::string("comment"));
    QVERIFY(again->BrowseGrid->Columns()[2].titleBold && !again->BrowseGrid->Columns()[0].titleBold);
    QCOMPARE(again->size(), QSize(700, 400));
}

// The main window's searches open the browser over the matching rows, named
// in its caption; afterwards the table is whole again.
void TestBadHostBrowse::openedFromSearch()
{
    TFixture fx;
    fx.data->SaveDatabase(true);
    fx.data.reset();
    TScriptedPresenter messages;
    TQuietMainForm main(fx.dir.Path());
    main.show();
    QString caption;
    int rows = -1;
    auto whenBrowsing = [&] {
        caption.clear();
        QTimer::singleShot(0, [&] {
            auto* browse = qobject_cast<TBadHostBrowseForm*>(QApplication::activeModalWidget());
            if (!browse)
                return;
            caption = browse->windowTitle();
            rows = browse->BrowseGrid->model()->rowCount();
            browse->close();
        });
    };
    // The Bad Hosts command: the whole table.
    whenBrowsing();
    main.findChild<QAction*>("actBadHosts")->trigger();
    QCOMPARE(caption, QString("Bad Hosts"));
    QCOMPARE(rows, 6);

    auto search = [&](const char* button, const char* field, const QString& text) {
        whenBrowsing();
        if (field)
            main.findChild<QLineEdit*>(field)->setText(text);
        main.findChild<QPushButton*>(button)->click();
    };
    search("btnCommentSearch", "CommentEdit", "tracker");
    QCOMPARE(caption, QString());   // no match: a message, no browser
    QCOMPARE(QString::fromStdString(messages.Last().text), QString("No hosts match your search criteria."));
    AddBadRow(*QuillonData, "t.example", 3, "the tracker list");
    search("btnCommentSearch", "CommentEdit", "tracker");
    QCOMPARE(caption, QString("Bad Hosts - comment LIKE '%tracker%'"));
    QCOMPARE(rows, 1);
    QVERIFY(!QuillonData->BadHosts.Filtered());
    main.findChild<QLineEdit*>("CommentEdit")->clear();
    main.findChild<QComboBox*>("cbxGroup")
        ->setCurrentIndex(main.findChild<QComboBox*>("cbxGroup")->findData(3));
    search("btnSearch", "HostEdit", "dou");
    QCOMPARE(caption, QString("Bad Hosts - group_id = 3 and hostname LIKE '%dou%'"));
    QCOMPARE(rows, 1);
    QCOMPARE(QuillonData->BadHosts.RecordCount(), 7);
    main.close();
}

void TestBadHostBrowse::dialogsCentredOverMainWindow_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("Group...") << "btnGroup";
    QTest::newRow("Add") << "btnAdd";
    QTest::newRow("Edit") << "btnEdit";
    QTest::newRow("Select...") << "btnSelect";
}

// The browser opens at its saved place, away from the main window; the
// dialogs it opens are centred over the main window all the same.
void TestBadHostBrowse::dialogsCentredOverMainWindow()
{
    QFETCH(QString, button);

    TFixture fx;
    fx.data->SaveDatabase(true);
    fx.data.reset();
    TIniFile ini(fx.dir.File("Quillon.ini"));
    ini.WriteInteger("MainWindow", "Top", 150);
    ini.WriteInteger("MainWindow", "Left", 10);
    ini.WriteInteger("BadHostBrowse", "Top", 180);
    ini.WriteInteger("BadHostBrowse", "Left", 300);
    ini.WriteInteger("BadHostBrowse", "Height", 400);
    ini.WriteInteger("BadHostBrowse", "Width", 480);
    ini.UpdateFile();
    TScriptedPresenter messages;
    TQuietMainForm main(fx.dir.Path());
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    TBadHostBrowseForm browser(*QuillonData, &main);
    browser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&browser));
    QCOMPARE(browser.frameGeometry().topLeft(), QPoint(300, 180));

    QRect dialog;
    auto measure = [&](QDialog& d) {
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        dialog = d.frameGeometry();
    };
    if (button == "btnGroup")
        WhenModal<TGroupPickForm>(measure);
    else
        WhenModal<TBadHostEditForm>(measure);
    browser.findChild<QPushButton*>(button)->click();

    QVERIFY(dialog.isValid());
    const QPoint offset = dialog.center() - main.frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 1,
             qPrintable(QString("off by %1, %2").arg(offset.x()).arg(offset.y())));
    browser.close();
    QVERIFY(main.close());
}

QTEST_MAIN(TestBadHostBrowse)
#include "tst_badhostbrowse.moc"
