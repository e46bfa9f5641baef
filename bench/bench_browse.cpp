// Bad hosts browser figures over a million generated bad hosts, each beside a plain table pass from the same run.
#include "BenchCommon.h"
#include "core/DataUnit.h"
#include "core/Messages.h"
#include "ui/BadHostBrowse.h"
#include "ui/BadHostEdit.h"
#include "ui/DBGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

using namespace bench;

namespace {

// Every question is answered Yes.
class TYesPresenter : public IMessagePresenter {
public:
    int Present(const TMessageRequest&) override { return mrYes; }
};

// The browser with its editor and pick dialog answered by the benchmark.
class TBenchBrowse : public TBadHostBrowseForm {
public:
    using TBadHostBrowseForm::TBadHostBrowseForm;
    std::string selectHost;
    int pickGroup = 0;

protected:
    int ExecEditor(TBadHostEditForm& editor) override
    {
        editor.HostEdit->setText(QString::fromStdString(selectHost));
        editor.cbxGroup->setCurrentIndex(-1);
        return QDialog::Accepted;
    }
    int PickGroup(const QString&) override { return pickGroup; }
};

void Key(QWidget* grid, int key, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(grid, &press);
}

// A pass over every row in the current order, reading its name: what any
// command over all rows costs at least.
double WalkAll(TTable& t, size_t& bytes)
{
    const int fHost = t.FieldNo("hostname");
    const auto t0 = Clock::now();
    for (int k = 0, n = t.RecordCount(); k < n; ++k)
        bytes += t.AsString(t.BookmarkAt(k), fHost).size();
    return Seconds(t0);
}

}   // namespace

int main(int argc, char** argv)
{
    // Painting needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TYesPresenter yes;
    SetMessagePresenter(&yes);

    const size_t N = 1000000;
    const std::string dir = MakeTempDir();
    std::ofstream(dir + "Quillon.ini")
        << "[Preferences]\nHostsFile=" << dir << "hosts\nTextEditor=" << dir << "no-editor\n";
    std::printf("Bad hosts browser, %zu bad hosts in 100 groups\n", N);

    auto data = std::make_unique<TQuillonData>(dir);
    data->Prefs().LoadPrefs();
    if (!data->OpenDatabase())
        return 1;
    for (int g = 1; g <= 100; ++g)
        data->AddGroup("Group " + std::to_string(1000 + g), g % 3 == 0, g % 7 == 0);
    TTable& t = data->BadHosts;
    AppendRows(t, Generate(N));
    t.SetIndexName("hostname");
    t.First();   // the order is built here, as loading the table file leaves it

    size_t bytes = 0;
    const double walk = WalkAll(t, bytes);
    char base[160];
    std::snprintf(base, sizeof base, "baseline: a walk over all rows by position %.3f s", walk);
    const std::string walkBase = base;

    auto t0 = Clock::now();
    TBenchBrowse browse(*data);
    browse.show();
    QApplication::processEvents();
    browse.grab();
    Report("open the browser and paint it", Seconds(t0), "s", 0.3, walkBase);
    TDBGrid* grid = browse.BrowseGrid;

    for (int column : {1, 2}) {
        t0 = Clock::now();
        emit grid->TitleClick(column);
        browse.grab();
        Report(column == 1 ? "sort by the Group title" : "sort by the Comment title", Seconds(t0), "s", 0.5,
               walkBase);
    }
    emit grid->TitleClick(0);
    t.First();
    grid->ShowCursorRow();

    t0 = Clock::now();
    t.FindNearest({std::string("mq")});
    const double find = Seconds(t0);
    t.First();
    grid->ShowCursorRow();
    grid->setFocus();
    t0 = Clock::now();
    Key(grid, Qt::Key_M, "m");
    Key(grid, Qt::Key_Q, "q");
    browse.grab();
    const double typed = Seconds(t0) / 2;
    std::snprintf(base, sizeof base, "baseline: the table's own look-up %.6f s", find);
    Report("type-ahead jump (one key, painted)", typed, "s", 0.010, base);

    t0 = Clock::now();
    t.MoveToRecNo(t.RecordCount() - 1);
    const double last = Seconds(t0);
    t.First();
    grid->ShowCursorRow();
    t0 = Clock::now();
    Key(grid, Qt::Key_End);
    browse.grab();
    std::snprintf(base, sizeof base, "baseline: the table's move to the last row %.6f s", last);
    Report("scroll to the end (End key, painted)", Seconds(t0), "s", 0.05, base);
    if (grid->currentIndex().row() != int(N) - 1) {
        std::printf("  the grid did not reach the last row\n");
        return 1;
    }

    t0 = Clock::now();
    browse.btnAll->click();
    browse.grab();
    Report("All (select every row)", Seconds(t0), "s", 0.5, walkBase);
    if (grid->SelectedCount() != int(N))
        return 1;

    browse.selectHost = "ab";
    t0 = Clock::now();
    browse.btnSelect->click();
    browse.grab();
    Report("Select... with a host text", Seconds(t0), "s", 1.0, walkBase);
    std::printf("    (%d hosts matched)\n", grid->SelectedCount());

    // 100,000 rows spread over the whole table.
    auto selectEveryTenth = [&] {
        grid->ClearSelectedRows();
        std::vector<TBookmark> rows;
        for (int k = 0, n = t.RecordCount(); k < n; k += 10)
            rows.push_back(t.BookmarkAt(k));
        grid->SelectRows(rows);
        return rows.size();
    };
    size_t chosen = selectEveryTenth();
    browse.pickGroup = 42;
    t0 = Clock::now();
    browse.btnGroup->click();
    browse.grab();
    Report("Group... on 100,000 selected rows", Seconds(t0), "s", 2.0, walkBase);

    chosen = selectEveryTenth();
    const int before = t.RecordCount();
    t0 = Clock::now();
    browse.btnDelete->click();
    browse.grab();
    Report("Delete 100,000 selected rows", Seconds(t0), "s", 2.0, walkBase);
    if (t.RecordCount() != before - int(chosen)) {
        std::printf("  the rows were not deleted\n");
        return 1;
    }

    // Closing writes the changed table: not part of the figures above.
    browse.hide();
    SetMessagePresenter(nullptr);
    data.reset();
    std::filesystem::remove_all(dir);
    return bytes ? 0 : 1;
}
