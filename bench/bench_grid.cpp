// Data grid figures over a million generated bad hosts, each beside a table walk from the same run.
#include "BenchCommon.h"
#include "core/DataUnit.h"
#include "ui/DBGrid.h"

#include <QApplication>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

using namespace bench;

int main(int argc, char** argv)
{
    // Painting needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const size_t N = 1000000;
    const std::string dir = MakeTempDir();
    std::ofstream(dir + "Quillon.ini")
        << "[Preferences]\nHostsFile=" << dir << "hosts\nTextEditor=" << dir << "no-editor\n";
    std::printf("Data grid, %zu bad hosts in 100 groups\n", N);

    auto data = std::make_unique<TQuillonData>(dir);
    data->Prefs().LoadPrefs();
    if (!data->OpenDatabase())
        return 1;
    TTable& t = data->BadHosts;
    AppendRows(t, Generate(N));
    t.SetIndexName("hostname");
    t.First();   // the order is built here, not in the figures

    // Baselines: what the grid asks of the table for one screen and for the jump.
    const int fHost = t.FieldNo("hostname"), fComment = t.FieldNo("comment");
    auto t0 = Clock::now();
    size_t bytes = 0;
    t.First();
    for (int i = 0; i < 100 && !t.Eof(); ++i, t.Next())
        bytes += t.AsString(fHost).size() + t.AsString(fComment).size();
    const double walk = Seconds(t0);
    t0 = Clock::now();
    t.MoveToRecNo(t.RecordCount() - 1);
    bytes += t.AsString(fHost).size();
    const double last = Seconds(t0);
    t.First();

    QWidget window;
    auto* grid = new TDBGrid(&window);
    grid->setObjectName("BrowseGrid");
    (new QVBoxLayout(&window))->addWidget(grid);
    grid->SetColumns({{"hostname", "Host", 350, true, true},
                      {"group_id", "Group", 200, false, true},
                      {"comment", "Comment", 250, false, true}});
    window.resize(900, 700);
    window.show();
    QApplication::processEvents();

    char base[120];
    t0 = Clock::now();
    grid->SetTable(&t);
    grid->grab();
    const double open = Seconds(t0);
    std::snprintf(base, sizeof base, "baseline: table walk over the first 100 rows %.6f s", walk);
    Report("grid over 1,000,000 rows: set table and paint the first screen", open, "s", 0.3, base);

    t0 = Clock::now();
    t.Last();
    grid->ShowCursorRow();
    grid->grab();
    const double jump = Seconds(t0);
    std::snprintf(base, sizeof base, "baseline: MoveToRecNo to the last row %.6f s", last);
    Report("jump to the last row and paint", jump, "s", 0.05, base);

    if (grid->currentIndex().row() != int(N) - 1 || bytes == 0) {
        std::printf("  the grid did not reach the last row\n");
        return 1;
    }
    data.reset();
    std::filesystem::remove_all(dir);
    return 0;
}
