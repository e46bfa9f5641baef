// Fuzz target: arbitrary bytes imported as a HOSTS file and as a plain-text file into a small database.
#include "FuzzData.h"

#include "core/Progress.h"
#include "import/ImportRun.h"
#include "platform/Errors.h"

#include <cstdint>
#include <cstdlib>

namespace {

struct TState {
    std::unique_ptr<TQuillonData> data;
    std::string tables[3];   // the small database's table files, as first saved
    std::string names[3];
};

void AddGroup(TQuillonData& d, int id, const char* name, bool restricted, bool exclude)
{
    TTable& g = d.Groups;
    g.Append();
    g.SetField("group_id", id);
    g.SetField("group_name", name);
    g.SetField("restricted", restricted);
    g.SetField("exclude", exclude);
    g.Post();
}

void AddBad(TQuillonData& d, const char* host, int group, const char* comment)
{
    TTable& b = d.BadHosts;
    b.Append();
    b.SetField("hostname", host);
    b.SetField("group_id", group);
    b.SetField("comment", comment);
    b.Post();
}

void AddGood(TQuillonData& d, const char* host, const char* ip)
{
    TTable& g = d.GoodHosts;
    g.Append();
    g.SetField("hostname", host);
    g.SetField("ip", ip);
    g.Post();
}

TState& State()
{
    static TState* state = [] {
        auto* s = new TState;
        s->data = fuzz::NewData();
        TQuillonData& d = *s->data;
        if (!d.OpenDatabase())
            std::abort();
        AddGroup(d, 1, "Default Group", false, false);
        AddGroup(d, 2, "Ads", true, false);
        AddGroup(d, 3, "Kept", false, true);
        AddBad(d, "ads.example", 2, "banner");
        AddBad(d, "track.example", 1, "");
        AddBad(d, "kept.example", 3, "excluded");
        AddGood(d, "intranet.example", "10.0.0.1");
        d.SaveDatabase(true);
        int k = 0;
        for (TTable* t : {&d.GoodHosts, &d.BadHosts, &d.Groups}) {
            s->names[k] = d.TableFileName(*t);
            s->tables[k] = platform::ReadWholeFile(s->names[k]);
            ++k;
        }
        return s;
    }();
    return *state;
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    TState& s = State();
    TQuillonData& d = *s.data;
    const std::string input = fuzz::Dir() + "input.txt";
    fuzz::WriteFile(input, std::string(reinterpret_cast<const char*>(bytes), size));
    // The first byte also picks the options, so the merge rules all get their turn.
    const unsigned options = size ? bytes[0] : 0;
    TSilentProgress progress;
    for (int format = 0; format < 2; ++format) {
        for (int k = 0; k < 3; ++k)
            fuzz::WriteFile(s.names[k], s.tables[k]);
        if (!d.OpenDatabase())
            std::abort();
        TQuillonPrefs& p = d.Prefs();
        p.ImportFile = input;
        p.ImportFormat = format;
        p.ImportDefaultGroup = 1;
        p.ImportGroupOption = int(options % 3);
        p.ImportUpdates = options & 4;
        p.ImportCleanup = options & 8;
        p.ImportGoodHosts = !(options & 16);
        p.UpdateGoodHosts = options & 32;
        p.ImportSwapHosts = options & 64;
        p.RestrictedDefault = options & 128;
        p.ImportReport = true;
        p.ReportNew = p.ReportDupes = p.ReportUpdates = true;
        p.ImportWrite = true;
        TImportRun run(d, ImportOptionsFrom(p), progress);
        try {
            run.Run();
        } catch (const EQuillonError&) {
            // A file the import refuses: a message for the user, never a crash.
            continue;
        }
        // What the import saved must load again.
        if (!d.OpenDatabase())
            std::abort();
    }
    return 0;
}
