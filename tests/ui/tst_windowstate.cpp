// Saved browse-window states and the data grid they restore: round trips, fallbacks, failures, erasing.
#include "ui/WindowState.h"

#include "core/Messages.h"
#include "core/Table.h"
#include "platform/Errors.h"
#include "settings/Codecs.h"
#include "settings/IniFile.h"
#include "support/ScriptedPresenter.h"
#include "support/TempDir.h"
#include "ui/DBGrid.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace {

const char* Section = "BadHostBrowse";

// Shaped like the bad hosts: every column's field names an index.
void DefineHosts(TTable& t)
{
    t.AddFieldDef({"hostname", TFieldType::ftString, 255, true});
    t.AddFieldDef({"group_id", TFieldType::ftInteger, 0, false});
    t.AddFieldDef({"comment", TFieldType::ftString, 255, false});
    t.AddIndexDef({"hostname", {"hostname"}, {true}, true, true});
    t.AddIndexDef({"group_id", {"group_id", "hostname"}, {false, true}, false, true});
    t.AddIndexDef({"comment", {"comment", "hostname"}, {true, true}, false, false});
}

void Add(TTable& t, const std::string& host, int group, const std::string& comment)
{
    t.Append();
    t.SetField("hostname", host);
    t.SetField("group_id", group);
    t.SetField("comment", comment);
    t.Post();
}

std::vector<TDBColumn> DesignColumns()
{
    return {{"hostname", "Host", 350, true, true},
            {"group_id", "Group", 200, false, true},
            {"comment", "Comment", 250, false, true}};
}

const QRect DesignGeometry(100, 80, 681, 366);

// A browse window as the browsers build it: the design size and columns.
struct TWindow {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    TDBGrid* grid = new TDBGrid(window.get());

    TWindow()
    {
        grid->setObjectName("BrowseGrid");
        auto* layout = new QVBoxLayout(window.get());
        layout->addWidget(grid);
        window->setGeometry(DesignGeometry);
        grid->SetColumns(DesignColumns());
    }
};

QStringList Fields(const TDBGrid& grid)
{
    QStringList out;
    for (const TDBColumn& c : grid.Columns())
        out << QString::fromStdString(c.fieldName);
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

// Each column's width as the collection keeps it / as the header shows it.
QStringList Widths(const TDBGrid& grid)
{
    QStringList out;
    for (int i = 0; i < int(grid.Columns().size()); ++i)
        out << QString::number(grid.Columns()[size_t(i)].width) + "/" +
                   QString::number(grid.horizontalHeader()->sectionSize(i));
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

}   // namespace

class TestWindowState : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTempDir> dir;
    std::unique_ptr<TTable> table;
    std::string ini;

    std::string IniText() const { return dir->Read("Quillon.ini"); }
    void WriteIni(const std::string& windowSection)
    {
        dir->Write("Quillon.ini", "[Preferences]\nHostsFile=" + dir->File("hosts") +
                                      "\nTextEditor=" + dir->File("no-editor") + "\n" + windowSection);
    }

private slots:
    void init()
    {
        dir = std::make_unique<TTempDir>();
        ini = dir->File("Quillon.ini");
        WriteIni("");
        table = std::make_unique<TTable>("BadHosts");
        DefineHosts(*table);
        table->CreateDataSet();
        Add(*table, "beta.example", 2, "b");
        Add(*table, "Alpha.example", 3, "c");
        Add(*table, "gamma.example", 1, "a");
        table->First();
    }
    void cleanup()
    {
        table.reset();
        dir.reset();
    }

    void freshInstallSortsByFirstColumn();
    void roundTrip();
    void reopenKeepsOuterSize();
    void restoredFrameWhollyOnScreen_data();
    void restoredFrameWhollyOnScreen();
    void maximizedCloseKeepsNormalGeometry();
    void saveWindowsOffWritesNothing();
    void maximizedWithoutTop();
    void failuresEndTheRestore_data();
    void failuresEndTheRestore();
    void unknownIndexKeepsRestoredColumns();
    void deleteWindowStates();

    void layoutBytesRoundTrip();
    void gridFollowsOrderAndFilter();
    void currentRowFollowsClicksAndCode();
    void frozenGridLeavesTheCursor();
    void titleClicks();
    void homeAndEndKeepTheFirstColumn_data();
    void homeAndEndKeepTheFirstColumn();
    void drawHookPaintsItsColumn();
};

void TestWindowState::freshInstallSortsByFirstColumn()
{
    TScriptedPresenter presenter;
    table->SetIndexName("comment");
    TWindow w;
    w.grid->SetTitleBold(0, false);
    w.grid->SetTitleBold(2, true);
    LoadWindowState(Section, w.window.get(), w.grid, *table, ini);

    QCOMPARE(table->IndexName(), std::string("hostname"));
    QCOMPARE(BoldTitles(*w.grid), QStringList{"Host"});
    QCOMPARE(w.window->geometry(), DesignGeometry);
    QVERIFY(presenter.shown.empty());
}

// The main window stays open behind the browsers; its frame tells a browser
// about to open how much its outer size adds.
struct TMainWindow : QWidget {
    TMainWindow()
    {
        setGeometry(0, 0, 200, 100);
        show();
        QVERIFY(QTest::qWaitForWindowExposed(this));
    }
};

void TestWindowState::roundTrip()
{
    TScriptedPresenter presenter;
    TMainWindow main;
    QRect saved;
    {
        TWindow w;
        LoadWindowState(Section, w.window.get(), w.grid, *table, ini);
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        w.window->setGeometry(150, 120, 600, 420);
        QHeaderView* titles = w.grid->horizontalHeader();
        titles->moveSection(0, 2);       // Host dragged to the end
        titles->resizeSection(0, 123);   // then Group, now first, narrowed
        table->SetIndexName("comment");
        saved = w.window->frameGeometry();
        SaveWindowState(Section, w.window.get(), w.grid, *table, ini, true);
    }
    const TIniFile file(ini);
    QCOMPARE(file.ReadSection(Section),
             (std::vector<std::string>{"Top", "Left", "Height", "Width", "Maximized", "Index", "Columns"}));
    QCOMPARE(file.ReadString("Preferences", "HostsFile", ""), dir->File("hosts"));
    QCOMPARE(file.ReadInteger(Section, "Top", 0), saved.top());
    QCOMPARE(file.ReadInteger(Section, "Width", 0), saved.width());
    QCOMPARE(file.ReadString(Section, "Maximized", ""), std::string("0"));
    QCOMPARE(file.ReadString(Section, "Index", ""), std::string("comment"));

    table->SetIndexName("hostname");
    TWindow w;
    LoadWindowState(Section, w.window.get(), w.grid, *table, ini);
    QCOMPARE(Fields(*w.grid), (QStringList{"group_id", "comment", "hostname"}));
    QCOMPARE(Widths(*w.grid), (QStringList{"123/123", "250/250", "350/350"}));
    QCOMPARE(table->IndexName(), std::string("comment"));
    QCOMPARE(BoldTitles(*w.grid), QStringList{"Comment"});
    QCOMPARE(w.grid->model()->headerData(1, Qt::Horizontal, Qt::FontRole).value<QFont>().bold(), true);
    QCOMPARE(w.grid->model()->headerData(2, Qt::Horizontal, Qt::FontRole).value<QFont>().bold(), false);
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    QCOMPARE(w.window->frameGeometry(), saved);
    QVERIFY(presenter.shown.empty());
}

// Closed and opened again, with no other window on screen to go by, the
// window has the size it had: the frame is counted once.
void TestWindowState::reopenKeepsOuterSize()
{
    TScriptedPresenter presenter;
    QRect first;
    {
        TWindow w;
        LoadWindowState(Section, w.window.get(), w.grid, *table, ini);
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        first = w.window->frameGeometry();
        SaveWindowState(Section, w.window.get(), w.grid, *table, ini, true);
    }
    for (int opening = 2; opening <= 3; ++opening) {
        TWindow w;
        LoadWindowState(Section, w.window.get(), w.grid, *table, ini);
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        QTRY_COMPARE(w.window->frameGeometry(), first);
        SaveWindowState(Section, w.window.get(), w.grid, *table, ini, true);
    }
    const TIniFile file(ini);
    QCOMPARE(file.ReadInteger(Section, "Height", 0), first.height());
    QCOMPARE(file.ReadInteger(Section, "Width", 0), first.width());
}

void TestWindowState::restoredFrameWhollyOnScreen_data()
{
    QTest::addColumn<QRect>("saved");
    QTest::addColumn<QRect>("expected");   // within the 800 x 800 screen

    QTest::newRow("off the right edge") << QRect(500, 100, 681, 391) << QRect(119, 100, 681, 391);
    QTest::newRow("off the bottom-right") << QRect(600, 600, 300, 330) << QRect(500, 470, 300, 330);
    QTest::newRow("above and left") << QRect(-50, -20, 300, 330) << QRect(0, 0, 300, 330);
    QTest::newRow("on screen") << QRect(40, 30, 300, 330) << QRect(40, 30, 300, 330);
}

// A browser restored at its saved place lies wholly on the screen, frame
// included, moved as little as needed; its saved size stays.
void TestWindowState::restoredFrameWhollyOnScreen()
{
    QFETCH(QRect, saved);
    QFETCH(QRect, expected);

    TScriptedPresenter presenter;
    QCOMPARE(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 800, 800));
    WriteIni(QString("[BadHostBrowse]\nTop=%1\nLeft=%2\nHeight=%3\nWidth=%4\n")
                 .arg(saved.top())
                 .arg(saved.left())
                 .arg(saved.height())
                 .arg(saved.width())
                 .toStdString());
    TWindow w;
    LoadWindowState(Section, w.window.get(), w.grid, *table, ini);
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    QTRY_COMPARE(w.window->frameGeometry(), expected);
}

void TestWindowState::maximizedCloseKeepsNormalGeometry()
{
    TScriptedPresenter presenter;
    TMainWindow main;
    QRect normal;
    {
        TWindow w;
        w.window->setGeometry(140, 110, 640, 400);
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        normal = w.window->frameGeometry();
        SaveWindowState(Section, w.window.get(), w.grid, *table, ini, true);
        w.window->showMaximized();
        QTRY_VERIFY(w.window->frameGeometry() != normal);
        SaveWindowState(Section, w.window.get(), w.grid, *table, ini, true);
    }
    const TIniFile file(ini);
    QCOMPARE(file.ReadString(Section, "Maximized", ""), std::string("1"));
    QCOMPARE(file.ReadInteger(Section, "Height", 0), normal.height());
    QCOMPARE(file.ReadInteger(Section, "Left", 0), normal.left());

    TWindow w;
    LoadWindowState(Section, w.window.get(), w.grid, *table, ini);
    QVERIFY(w.window->windowState() & Qt::WindowMaximized);
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    QVERIFY(w.window->isMaximized());
    w.window->showNormal();
    QTRY_COMPARE(w.window->frameGeometry(), normal);
}

void TestWindowState::saveWindowsOffWritesNothing()
{
    TScriptedPresenter presenter;
    const QRect first(130, 90, 600, 380);
    {
        TWindow w;
        w.window->setGeometry(first);
        SaveWindowState(Section, w.window.get(), w.grid, *table, ini, true);
    }
    const std::string before = IniText();
    {
        TWindow w;
        w.window->setGeometry(10, 10, 300, 330);
        w.grid->horizontalHeader()->resizeSection(0, 77);
        table->SetIndexName("group_id");
        SaveWindowState(Section, w.window.get(), w.grid, *table, ini, false);
    }
    QCOMPARE(IniText(), before);

    TWindow w;
    LoadWindowState(Section, w.window.get(), w.grid, *table, ini);
    QCOMPARE(w.window->geometry(), first);
    QCOMPARE(w.grid->Columns()[0].width, 350);
    QCOMPARE(table->IndexName(), std::string("hostname"));
}

void TestWindowState::maximizedWithoutTop()
{
    TScriptedPresenter presenter;
    WriteIni("[BadHostBrowse]\nMaximized=1\nHeight=50\n");
    table->SetIndexName("group_id");
    TWindow w;
    LoadWindowState(Section, w.window.get(), w.grid, *table, ini);
    QVERIFY(w.window->windowState() & Qt::WindowMaximized);
    QCOMPARE(w.window->normalGeometry(), DesignGeometry);
    QCOMPARE(Fields(*w.grid), (QStringList{"hostname", "group_id", "comment"}));
    QCOMPARE(BoldTitles(*w.grid), QStringList{"Group"});
}

void TestWindowState::failuresEndTheRestore_data()
{
    QTest::addColumn<QString>("columns");
    QTest::addColumn<QString>("message");

    auto layout = [](std::vector<TDBColumn> columns) {
        TDBGrid grid;
        grid.SetColumns(std::move(columns));
        return grid.SaveLayout();
    };
    const std::string good = layout({{"comment", "Comment", 90, false, true}});
    auto row = [](const char* name, const std::string& value, const char* message) {
        QTest::newRow(name) << QString::fromStdString(value) << QString(message);
    };
    row("character outside the alphabet", "QUJD-REV", "Illegal Base64 character: #45");
    row("length", "QUJDR", "Illegal Base64 data length");
    row("bytes that are not a layout", Base64Encode("just some text"),
        "The saved column layout cannot be read: it is not a column layout.");
    row("layout cut short", Base64Encode(good.substr(0, good.size() - 1)),
        "The saved column layout cannot be read: it ends too early.");
    row("layout with bytes left over", Base64Encode(good + "x"),
        "The saved column layout cannot be read: it has bytes left over.");
    row("later version", Base64Encode(good.substr(0, 4) + char(2) + good.substr(5)),
        "The saved column layout cannot be read: its version 2 is not known.");
    row("field the table lacks", Base64Encode(layout({{"ip", "IP Address", 90, false, true}})),
        "The saved column layout cannot be read: the table BadHosts has no field ip.");
}

// The window opens with its restored position, size and maximized state, its
// design columns and title marks, and the table's index untouched.
void TestWindowState::failuresEndTheRestore()
{
    QFETCH(QString, columns);
    QFETCH(QString, message);
    TScriptedPresenter presenter;
    WriteIni("[BadHostBrowse]\nTop=50\nLeft=60\nHeight=400\nWidth=500\nMaximized=1\nIndex=comment\nColumns=" +
             columns.toStdString() + "\n");
    table->SetIndexName("group_id");
    TWindow w;
    LoadWindowState(Section, w.window.get(), w.grid, *table, ini);

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(presenter.Last().text), message);
    QCOMPARE(presenter.Last().caption, std::string("Quillon"));
    QCOMPARE(presenter.Last().kind, TMsgDlgType::mtError);
    // The saved frame, around the client area that the window will have.
    QCOMPARE(w.window->normalGeometry().marginsAdded(FrameMargins(w.window.get())), QRect(60, 50, 500, 400));
    QVERIFY(w.window->windowState() & Qt::WindowMaximized);
    QCOMPARE(Fields(*w.grid), (QStringList{"hostname", "group_id", "comment"}));
    QCOMPARE(BoldTitles(*w.grid), QStringList{"Host"});
    QCOMPARE(table->IndexName(), std::string("group_id"));
}

void TestWindowState::unknownIndexKeepsRestoredColumns()
{
    TScriptedPresenter presenter;
    TDBGrid saved;
    saved.SetColumns({{"comment", "Comment", 90, false, true}, {"hostname", "Host", 300, false, true}});
    WriteIni("[BadHostBrowse]\nIndex=ip\nColumns=" + Base64Encode(saved.SaveLayout()) + "\n");
    TWindow w;
    LoadWindowState(Section, w.window.get(), w.grid, *table, ini);

    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().text, std::string("BadHosts: Index 'ip' not found"));
    QCOMPARE(Fields(*w.grid), (QStringList{"comment", "hostname"}));
    QVERIFY(BoldTitles(*w.grid).isEmpty());
    QCOMPARE(table->IndexName(), std::string("hostname"));
}

void TestWindowState::deleteWindowStates()
{
    WriteIni("[MainWindow]\nTop=1\nLeft=2\n[BadHostBrowse]\nTop=3\n[Import]\nImportBackup=1\n"
             "[goodhostbrowse]\nIndex=ip\n");
    DeleteWindowStates(ini);
    const TIniFile file(ini);
    QCOMPARE(file.Sections(), (std::vector<std::string>{"Preferences", "Import"}));
    QCOMPARE(file.ReadString("Import", "ImportBackup", ""), std::string("1"));
    QCOMPARE(file.ReadString("Preferences", "TextEditor", ""), dir->File("no-editor"));

    DeleteWindowStates(ini);   // nothing left to erase
    QCOMPARE(TIniFile(ini).Sections().size(), size_t(2));
}

void TestWindowState::layoutBytesRoundTrip()
{
    const std::vector<TDBColumn> columns = {{"comment", "Kommentar \xC3\xA4", 0, true, false},
                                            {"hostname", "Host", 32767, false, true}};
    TDBGrid grid;
    grid.SetColumns(columns);
    QVERIFY(grid.isColumnHidden(0));
    QVERIFY(TDBGrid::DecodeLayout(grid.SaveLayout()) == columns);
    QVERIFY_THROWS_EXCEPTION(EQuillonError, TDBGrid::DecodeLayout(""));
}

void TestWindowState::gridFollowsOrderAndFilter()
{
    TDBGrid grid;
    grid.SetColumns(DesignColumns());
    grid.SetTable(table.get());
    QCOMPARE(Cells(grid, 0), (QStringList{"Alpha.example", "beta.example", "gamma.example"}));
    QCOMPARE(Cells(grid, 1), (QStringList{"3", "2", "1"}));

    table->SetIndexName("comment");
    grid.Refresh();
    QCOMPARE(Cells(grid, 0), (QStringList{"gamma.example", "beta.example", "Alpha.example"}));

    table->SetFilter("hostname LIKE '%a.example'");
    table->SetFiltered(true);
    grid.Refresh();
    QCOMPARE(Cells(grid, 2), (QStringList{"a", "b", "c"}));
    table->SetFilter("group_id = 2");
    grid.Refresh();
    QCOMPARE(Cells(grid, 0), QStringList{"beta.example"});

    grid.SetTable(nullptr);
    QCOMPARE(grid.model()->rowCount(), 0);
}

void TestWindowState::currentRowFollowsClicksAndCode()
{
    QWidget window;
    auto* grid = new TDBGrid(&window);
    grid->SetColumns(DesignColumns());
    grid->SetTable(table.get());
    window.resize(600, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(grid->currentIndex().row(), 0);

    const QModelIndex third = grid->model()->index(2, 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(third).center());
    QCOMPARE(table->RecNo(), 2);
    QCOMPARE(std::string(table->AsString("hostname")), std::string("gamma.example"));
    QVERIFY(grid->selectionModel()->isRowSelected(2, {}));

    table->First();
    grid->ShowCursorRow();
    QCOMPARE(grid->currentIndex().row(), 0);
    QCOMPARE(grid->model()->headerData(0, Qt::Vertical).toString(), QString("\u25B8"));
    QVERIFY(grid->model()->headerData(2, Qt::Vertical).isNull());
}

void TestWindowState::frozenGridLeavesTheCursor()
{
    TDBGrid grid;
    grid.SetColumns(DesignColumns());
    grid.SetTable(table.get());
    {
        TGridFreeze freeze(&grid);
        grid.setCurrentIndex(grid.model()->index(1, 0));
        QCOMPARE(table->RecNo(), 0);
        Add(*table, "aaa.example", 1, "");   // lands in front
        table->Last();
        grid.ShowCursorRow();
        grid.Refresh();
        QCOMPARE(grid.model()->rowCount(), 3);
        QCOMPARE(grid.currentIndex().row(), 1);
    }
    QCOMPARE(grid.model()->rowCount(), 4);
    QCOMPARE(Cells(grid, 0).front(), QString("aaa.example"));
    QCOMPARE(grid.currentIndex().row(), 3);
}

void TestWindowState::titleClicks()
{
    QWidget window;
    auto* grid = new TDBGrid(&window);
    grid->SetColumns(DesignColumns());
    window.resize(900, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy clicks(grid, &TDBGrid::TitleClick);
    QHeaderView* titles = grid->horizontalHeader();
    auto clickTitle = [&](int column) {
        const QPoint at(titles->sectionViewportPosition(column) + titles->sectionSize(column) / 2,
                        titles->height() / 2);
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, at);
    };
    clickTitle(1);
    titles->moveSection(2, 0);
    clickTitle(0);
    QCOMPARE(clicks.size(), 2);
    QCOMPARE(clicks[0][0].toInt(), 1);
    QCOMPARE(clicks[1][0].toInt(), 0);
    QCOMPARE(grid->Columns()[0].fieldName, std::string("comment"));
}

void TestWindowState::homeAndEndKeepTheFirstColumn_data()
{
    QTest::addColumn<bool>("multiSelect");
    QTest::newRow("bad hosts grid, many rows selectable") << true;
    QTest::newRow("one row selectable") << false;
}

// The columns are wider than the grid: End and Home move to the last and the
// first row and leave the host names in view.
void TestWindowState::homeAndEndKeepTheFirstColumn()
{
    QFETCH(bool, multiSelect);

    QWidget window;
    auto* grid = new TDBGrid(&window);
    grid->SetMultiSelect(multiSelect);
    grid->SetColumns(DesignColumns());
    grid->SetTable(table.get());
    window.resize(400, 300);
    grid->resize(400, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(grid->horizontalScrollBar()->maximum() > 0);
    grid->setFocus();

    auto hostVisible = [grid] {
        const int x = grid->columnViewportPosition(grid->ColumnOfField("hostname"));
        return x >= 0 && x < grid->viewport()->width();
    };
    QTest::keyClick(grid, Qt::Key_End);
    QCOMPARE(grid->currentIndex().row(), 2);
    QCOMPARE(table->RecNo(), 2);
    QCOMPARE(grid->horizontalScrollBar()->value(), 0);
    QVERIFY(hostVisible());
    QTest::keyClick(grid, Qt::Key_Up);
    QCOMPARE(grid->horizontalScrollBar()->value(), 0);
    QTest::keyClick(grid, Qt::Key_Home);
    QCOMPARE(grid->currentIndex().row(), 0);
    QCOMPARE(table->RecNo(), 0);
    QVERIFY(hostVisible());
    QTest::keyClick(grid, Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(grid->currentIndex().row(), 2);
    QVERIFY(hostVisible());
    if (multiSelect)
        QCOMPARE(grid->SelectedCount(), 3);
}

void TestWindowState::drawHookPaintsItsColumn()
{
    TDBGrid grid;
    grid.SetColumns(DesignColumns());
    grid.SetTable(table.get());
    grid.resize(900, 300);
    QStringList painted;
    grid.SetDrawColumnCell([&](QPainter*, const QStyleOptionViewItem& option, const TDBColumn& column,
                               TBookmark row) {
        if (column.fieldName != "group_id")
            return false;
        painted << QString("%1:%2").arg(table->AsInteger(row, table->FieldNo("group_id"))).arg(option.text);
        return true;
    });
    grid.grab();
    painted.removeDuplicates();
    QCOMPARE(painted, (QStringList{"3:3", "2:2", "1:1"}));
}

QTEST_MAIN(TestWindowState)
#include "tst_windowstate.moc"
