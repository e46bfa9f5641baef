// Registry file figures on a million generated bad hosts, beside sort -u -f of the same names.
#include "BenchCommon.h"
#include "core/DataUnit.h"
#include "zones/RegistryGenerator.h"

#include <filesystem>

using namespace bench;

namespace {

// Fills the tables as a user's database would be: saved, then loaded at start.
// Every group is restricted, so every host is reduced to its domain.
void Populate(const std::string& dir, const std::vector<Row>& rows)
{
    TQuillonData data(dir);
    data.Prefs().LoadPrefs();
    data.OpenDatabase();
    for (int g = 1; g <= 100; ++g)
        data.AddGroup("Group " + std::to_string(g), true, g % 7 == 0);
    AppendRows(data.BadHosts, rows);
    data.SaveDatabase(false);
}

double SortUnique(const std::string& file, const std::string& dir)
{
    auto t0 = Clock::now();
    std::string cmd = "LC_ALL=C sort -u -f '" + file + "' > '" + dir + "sorted.txt'";
    if (std::system(cmd.c_str()) != 0)
        std::exit(1);
    return Seconds(t0);
}

}   // namespace

int main()
{
    const size_t N = 1000000;
    std::string dir = MakeTempDir();
    // The preferences file names a temporary HOSTS file and no text editor.
    {
        std::ofstream ini(dir + "Quillon.ini");
        ini << "[Preferences]\nHostsFile=" << dir << "hosts\nTextEditor=" << dir << "no-editor\n";
    }
    std::printf("Registry file, %zu bad hosts in 100 restricted groups\n", N);
    const std::vector<Row> rows = Generate(N);
    Populate(dir, rows);
    {
        std::ofstream names(dir + "names.txt", std::ios::binary);
        for (const Row& r : rows)
            names << r.host << '\n';
    }

    TQuillonData data(dir);
    data.Prefs().LoadPrefs();
    if (data.Prefs().HostsFile != dir + "hosts")
        return 1;
    data.OpenDatabase();
    TQuillonPrefs& p = data.Prefs();
    p.RegistryFile = dir + "restricted.reg";
    p.RegistryFormat = 0;
    p.RegistryBoth = true;
    p.RegistryBackup = false;
    p.RegistryView = false;
    FillRegistryDefaults(p);

    // With QUILLON_BENCH_STEPS set, each step's start is printed to stderr.
    struct TStepClock : TSilentProgress {
        Clock::time_point start = Clock::now();
        bool on = std::getenv("QUILLON_BENCH_STEPS") != nullptr;
        void ShowStatus(const std::string& text) override
        {
            if (on)
                std::fprintf(stderr, "  %7.3f s  %s\n", Seconds(start), text.c_str());
        }
    } steps;
    const TRegistryOptions options = RegistryOptionsFrom(p);
    TRegistryGenerator generator(data, steps);
    auto t0 = Clock::now();
    const TRegistryResult result = generator.CreateRegistryFile(options);
    double seconds = Seconds(t0);
    if (result.status != "Registry files created.")
        return 1;

    double sortU = SortUnique(dir + "names.txt", dir);
    char base[192];
    const double written = double(std::filesystem::file_size(p.RegistryFile) +
                                  std::filesystem::file_size(UninstallFileName(p.RegistryFile)));
    std::snprintf(base, sizeof base, "baseline: sort -u -f of the names %.3f s (%d domains, %.0f MB written)",
                  sortU, result.domainCount, written / 1e6);
    Report("Registry file (REGEDIT4, both files) from 1,000,000 bad hosts in restricted groups", seconds, "s",
           1.0, base);
    std::filesystem::remove_all(dir);
    return 0;
}
