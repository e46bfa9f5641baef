// Import figures on generated host lists, beside sort -u -f of the same file.
#include "BenchCommon.h"
#include "core/DataUnit.h"
#include "import/ImportRun.h"
#include "platform/Platform.h"

#include <filesystem>

using namespace bench;

namespace {

// A public list as they come: group comment lines every ~2,000 lines, some
// lines with several names, a few malformed lines, names of 2 to 5 labels.
void WriteList(const std::string& file, size_t names)
{
    std::vector<Row> rows = Generate(names);
    std::mt19937 rng(42);
    std::ofstream out(file, std::ios::binary);
    out << "# Generated block list\n\n";
    size_t i = 0, group = 0;
    while (i < rows.size()) {
        if (rng() % 2000 == 0) {
            ++group;
            out << "\n# List part " << group << (group % 4 == 0 ? " [R]" : "") << "\n";
        }
        unsigned pick = rng() % 1000;
        if (pick < 2) {
            out << "0.0.0.0\n";   // malformed: no name
        } else if (pick < 40 && i + 2 < rows.size()) {
            out << "0.0.0.0 " << rows[i].host << ' ' << rows[i + 1].host << ' ' << rows[i + 2].host << '\n';
            i += 3;
            continue;
        } else {
            out << (pick % 2 ? "0.0.0.0 " : "127.0.0.1 ") << rows[i].host;
            if (!rows[i].comment.empty())
                out << " # " << rows[i].comment;
            out << '\n';
        }
        ++i;
    }
}

long PeakRssKiB()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

// Child mode: open the database in dir, import file, print seconds and peak MB.
int RunOnly(const std::string& dir, const std::string& file)
{
    platform::TuneMemory();   // as the program does at start
    TQuillonData data(dir);
    data.Prefs().LoadPrefs();
    if (data.Prefs().HostsFile != dir + "hosts")
        return 1;
    data.OpenDatabase();
    TGroupList groups;
    data.FillGroupList(groups, false);
    data.Prefs().ImportFile = file;
    // With QUILLON_BENCH_STEPS set, each step's start is printed to stderr.
    struct TStepClock : TSilentProgress {
        Clock::time_point start = Clock::now();
        bool on = std::getenv("QUILLON_BENCH_STEPS") != nullptr;
        void ShowStatus(const std::string& text) override
        {
            if (on)
                std::fprintf(stderr, "  %7.3f s  %s\n", Seconds(start), text.c_str());
        }
    } silent;
    TImportRun run(data, ImportOptionsFrom(data.Prefs()), silent);
    auto t0 = Clock::now();
    run.Run();
    double seconds = Seconds(t0);
    std::printf("%.6f %.1f %d %d\n", seconds, PeakRssKiB() / 1024.0,
                run.Counter(TEntity::BadHost, TOutcomeKind::New),
                run.Counter(TEntity::BadHost, TOutcomeKind::Duplicate));
    return 0;
}

struct TChild {
    double seconds = 0, peakMB = 0;
    int added = 0, dupes = 0;
};

TChild Spawn(const std::string& dir, const std::string& file)
{
    std::string self = platform::ExeDir() + "bench_import";
    FILE* child = popen((self + " --run " + dir + " " + file).c_str(), "r");
    TChild r;
    if (!child || std::fscanf(child, "%lf %lf %d %d", &r.seconds, &r.peakMB, &r.added, &r.dupes) != 4)
        std::exit(1);
    pclose(child);
    return r;
}

double SortUnique(const std::string& file, const std::string& dir)
{
    auto t0 = Clock::now();
    std::string cmd = "LC_ALL=C sort -u -f '" + file + "' > '" + dir + "sorted.txt'";
    if (std::system(cmd.c_str()) != 0)
        std::exit(1);
    return Seconds(t0);
}

void Fresh(const std::string& dir)
{
    for (const char* f : {"BadHosts.cds", "GoodHosts.cds", "Groups.cds", "hosts", "ImportReport.txt"})
        std::filesystem::remove(dir + f);
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--run")
        return RunOnly(argv[2], argv[3]);

    std::string dir = MakeTempDir();
    // Report with new lines, cleanup and Write HOSTS on, as a user imports; the
    // HOSTS file is a temporary one.
    {
        std::ofstream ini(dir + "Quillon.ini");
        ini << "[Preferences]\nHostsFile=" << dir << "hosts\nTextEditor=" << dir << "no-editor\n"
            << "[Import]\nImportDefaultGroup=1\nImportReport=1\nReportNew=1\nImportCleanup=1\nImportWrite=1\n";
    }
    std::printf("Import (HOSTS format; report of new lines, group cleanup and Write HOSTS on)\n");
    for (size_t n : {size_t(1000000), size_t(100000)}) {
        std::string file = dir + "list" + std::to_string(n) + ".txt";
        WriteList(file, n);
        double sortU = SortUnique(file, dir);
        char base[128];
        std::snprintf(base, sizeof base, "baseline: sort -u -f of the file %.3f s", sortU);

        Fresh(dir);
        TChild first = Spawn(dir, file);
        std::string what = std::to_string(n) + " names into an empty database";
        Report(what.c_str(), first.seconds, "s", n >= 1000000 ? 1.0 : 0.15, base);
        if (n >= 1000000) {
            char extra[192];
            std::snprintf(extra, sizeof extra, "(%d hosts added)", first.added);
            Report("peak resident memory of the whole program", first.peakMB, "MB", 150, extra);
            TChild again = Spawn(dir, file);
            std::snprintf(extra, sizeof extra, "%s (%d duplicates)", base, again.dupes);
            Report("the same file again (every name a duplicate)", again.seconds, "s", 0.8, extra);
        }
    }
    // QUILLON_BENCH_KEEP leaves the folder (lists, tables, report) for profiling.
    if (std::getenv("QUILLON_BENCH_KEEP"))
        std::fprintf(stderr, "kept %s\n", dir.c_str());
    else
        std::filesystem::remove_all(dir);
    return 0;
}
