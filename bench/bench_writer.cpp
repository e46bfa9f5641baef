// Write HOSTS and export figures on a million generated bad hosts, beside cat of the same output.
#include "BenchCommon.h"
#include "core/DataUnit.h"
#include "hostsfile/HostsWriter.h"

#include <filesystem>
#include <unistd.h>

using namespace bench;

namespace {

// Fills the tables as a user's database would be: saved, then loaded at start.
void Populate(const std::string& dir, size_t n)
{
    TQuillonData data(dir);
    data.Prefs().HostsFile = dir + "hosts";
    data.OpenDatabase();
    for (int g = 1; g <= 100; ++g)
        data.AddGroup("Group " + std::to_string(g), g % 3 == 0, false);
    AppendRows(data.BadHosts, Generate(n));
    data.SaveDatabase(false);
}

double Cat(const std::string& from, const std::string& to)
{
    auto t0 = Clock::now();
    std::string cmd = "cat '" + from + "' > '" + to + "'";
    if (std::system(cmd.c_str()) != 0)
        std::exit(1);
    return Seconds(t0);
}

}   // namespace

int main()
{
    const size_t N = 1000000;
    std::string dir = MakeTempDir();
    std::printf("Write HOSTS, %zu bad hosts in 100 groups with comments\n", N);
    Populate(dir, N);

    // The preferences file names a temporary HOSTS file.
    {
        std::ofstream ini(dir + "Quillon.ini");
        ini << "[Preferences]\nHostsFile=" << dir << "hosts\n[Export]\nExportGroups=1\nExportComments=1\n";
    }
    for (bool grouped : {true, false}) {
        TQuillonData data(dir);
        data.Prefs().LoadPrefs();
        if (data.Prefs().HostsFile != dir + "hosts")
            return 1;
        data.Prefs().ExportGroups = grouped;
        data.Prefs().SavePrefs();
        data.OpenDatabase();
        const TExportOptions options = WriteHostsOptionsFrom(data.Prefs(), DefaultGroupSelection(data));
        if (std::getenv("QUILLON_BENCH_SPLIT")) {
            auto t1 = Clock::now();
            data.BadHosts.SetIndexName("group_id");
            data.BadHosts.First();
            std::printf("  (group order built in %.3f s)\n", Seconds(t1));
        }
        TSilentProgress silent;
        auto t0 = Clock::now();
        THostsWriter(data, silent).DoExport(options);
        double write = Seconds(t0);
        double cat = Cat(dir + "hosts", dir + "copy");
        char base[128];
        std::snprintf(base, sizeof base, "baseline: cat of the %.1f MB output %.3f s",
                      std::filesystem::file_size(dir + "hosts") / 1e6, cat);
        Report(grouped ? "Write HOSTS, grouped, with comments" : "Write HOSTS, ungrouped, with comments",
               write, "s", 0.3, base);
    }

    // The export dialog's run: every group ticked, group names and comments as
    // the dialog's defaults have them.
    {
        TQuillonData data(dir);
        data.Prefs().LoadPrefs();
        TQuillonPrefs& prefs = data.Prefs();
        prefs.ExportFile = dir + "export.txt";
        prefs.ExportFormat = 1;
        prefs.ExportGroups = true;
        prefs.ExportComments = true;
        prefs.ExportBackup = false;
        prefs.ExportView = false;
        data.OpenDatabase();
        TGroupSelection all;
        data.Groups.SetIndexName("group_name");
        for (data.Groups.First(); !data.Groups.Eof(); data.Groups.Next())
            all.ticked.push_back(data.Groups.AsInteger("group_id"));
        all.itemCount = all.ticked.size();
        // Not unattended: the status and event breaks every 500 hosts are paid for.
        TSilentProgress progress;
        const TExportOptions options = ExportOptionsFrom(prefs, all);
        auto t0 = Clock::now();
        THostsWriter writer(data, progress);
        const TExportResult result = writer.DoExport(options);
        if (!result.completed || result.hostCount != int(N))
            return 1;
        double exportTime = Seconds(t0);
        double cat = Cat(dir + "export.txt", dir + "copy");
        char base[128];
        std::snprintf(base, sizeof base, "baseline: cat of the %.1f MB output %.3f s",
                      std::filesystem::file_size(dir + "export.txt") / 1e6, cat);
        Report("Export of 1,000,000 hosts in plain-text format", exportTime, "s", 0.3, base);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
