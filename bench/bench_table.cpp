// Table engine figures on a million generated bad hosts, each beside a baseline from the same run.
#include "BenchCommon.h"
#include "core/DataUnit.h"
#include "platform/Platform.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

using namespace bench;

// Child mode: load one table file and print seconds, resident MB added, rows.
int LoadOnly(const std::string& file)
{
    long before = RssKiB();
    auto t1 = Clock::now();
    TTable loaded("BadHosts");
    loaded.LoadFromFile(file);
    double load = Seconds(t1);
    long after = RssKiB();
    std::printf("%.6f %.3f %d\n", load, double(after - before) / 1024.0, loaded.RowCount());
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--load")
        return LoadOnly(argv[2]);
    const size_t N = 1000000;
    std::string dir = MakeTempDir();

    std::printf("Table engine, %zu bad hosts in 100 groups (2-5 labels, 30%% with comments)\n", N);
    std::vector<Row> rows = Generate(N);

    // Baseline: sort -f of the same names.
    {
        std::ofstream names(dir + "names.txt");
        for (const Row& r : rows)
            names << r.host << '\n';
    }
    auto t0 = Clock::now();
    std::string cmd = "LC_ALL=C sort -f " + dir + "names.txt > " + dir + "sorted.txt";
    if (std::system(cmd.c_str()) != 0)
        return 1;
    double sortF = Seconds(t0);
    char base[96];
    std::snprintf(base, sizeof base, "baseline: sort -f of the names %.3f s", sortF);

    double rssBefore = RssKiB();
    auto data = std::make_unique<TQuillonData>(dir);
    data->Prefs().HostsFile = dir + "hosts";   // never the system file
    data->OpenDatabase();
    TTable& t = data->BadHosts;
    int fHost = t.FieldNo("hostname");

    t0 = Clock::now();
    AppendRows(t, rows);
    double append = Seconds(t0);
    Report("append and post every row", append, "s", 1.0, base);

    std::mt19937 rng(5);
    std::vector<std::string> probes;
    for (int i = 0; i < 1000000; ++i) {
        std::string h = rows[rng() % N].host;
        if (i % 2)
            for (char& c : h)
                c = char(std::toupper(static_cast<unsigned char>(c)));
        probes.push_back(h);
    }
    t0 = Clock::now();
    size_t found = 0;
    for (const std::string& p : probes)
        found += t.FindKey({TValue(p)});
    double lookup = Seconds(t0) / probes.size() * 1e6;
    if (found != probes.size())
        std::printf("  look-up missed %zu names!\n", probes.size() - found);
    Report("hostname key look-up (mixed case), average", lookup, "us", 1.0, "");

    for (const char* index : {"hostname", "group_id", "comment"}) {
        t.SetIndexName(index);
        t0 = Clock::now();
        t.First();
        double build = Seconds(t0);
        t0 = Clock::now();
        size_t n = 0, bytes = 0;
        for (t.First(); !t.Eof(); t.Next()) {
            bytes += t.AsString(fHost).size();
            ++n;
        }
        double walk = Seconds(t0);
        std::string what = std::string("walk every row by ") + index;
        char extra[96];
        std::snprintf(extra, sizeof extra, "(first use builds the order: %.3f s; %zu rows)", build, n);
        Report(what.c_str(), walk, "s", 0.1, extra);
        (void)bytes;
    }
    t.SetIndexName("hostname");

    t0 = Clock::now();
    data->SaveDatabase(false);
    double save = Seconds(t0);
    std::string file = dir + "BadHosts.cds";
    size_t fileSize = std::filesystem::file_size(file);

    // Baseline: a plain read of the table file.
    t0 = Clock::now();
    std::string raw = platform::ReadWholeFile(file);
    double rawRead = Seconds(t0);
    raw.clear();
    raw.shrink_to_fit();
    std::snprintf(base, sizeof base, "baseline: raw read of the %.1f MB file %.3f s", fileSize / 1e6,
                  rawRead);
    Report("save (write, flush to disk, rename)", save, "s", 0.3, base);
    data.reset();
    rows.clear();
    rows.shrink_to_fit();
    probes.clear();
    probes.shrink_to_fit();
    (void)rssBefore;

    // Load and memory in a freshly started process, so nothing above muddies the figure.
    std::string self = platform::ExeDir() + "bench_table";
    FILE* child = popen((self + " --load " + file).c_str(), "r");
    double in[3] = {0, 0, 0};
    if (!child || std::fscanf(child, "%lf %lf %lf", &in[0], &in[1], &in[2]) != 3)
        return 1;
    pclose(child);
    std::snprintf(base, sizeof base, "baseline: raw read of the file %.3f s", rawRead);
    Report("load (read, check, hash, primary order)", in[0], "s", 0.4, base);
    std::snprintf(base, sizeof base, "file %.1f MB, %.0f rows", fileSize / 1e6, in[2]);
    Report("resident memory of the loaded table", in[1], "MB", 120, base);

    if (std::getenv("QUILLON_BENCH_KEEP"))
        std::printf("  kept %s\n", file.c_str());
    else
        std::filesystem::remove_all(dir);
    return 0;
}
