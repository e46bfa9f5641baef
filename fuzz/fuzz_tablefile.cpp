// Fuzz target: arbitrary bytes as a table file: loaded, walked, saved, loaded again, opened as the database.
#include "FuzzData.h"

#include "core/Progress.h"
#include "hostsfile/HostsWriter.h"
#include "platform/Errors.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Reads every field of every row in every order the table has.
void Walk(TTable& t)
{
    for (const TIndexDef& ix : t.IndexDefs()) {
        t.SetIndexName(ix.name);
        int rows = 0;
        for (t.First(); !t.Eof(); t.Next()) {
            for (int f = 0; f < int(t.FieldDefs().size()); ++f) {
                if (t.FieldDefs()[f].type == TFieldType::ftString)
                    (void)t.AsString(f);
                else
                    (void)t.AsInteger(f);
                (void)t.IsNull(f);
            }
            ++rows;
        }
        if (rows != t.RecordCount())
            std::abort();
        if (rows > 0) {
            t.MoveToRecNo(rows / 2);
            if (t.RecNo() != rows / 2)
                std::abort();
        }
    }
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static std::unique_ptr<TQuillonData> data = fuzz::NewData();
    const std::string file = fuzz::Dir() + "fuzz.cds";
    // Input that starts like a table file is taken as it is. Otherwise the
    // first byte is dropped and the rest gets a matching check value, so the
    // fuzzer reaches the structure behind the check instead of stopping at it.
    std::string content;
    if (size == 0 || bytes[0] == 'Q') {
        content.assign(reinterpret_cast<const char*>(bytes), size);
    } else {
        content.assign(reinterpret_cast<const char*>(bytes) + 1, size - 1);
        uint64_t check = TTable::FileCheckValue(content.data(), content.size());
        content.append(reinterpret_cast<const char*>(&check), 8);
    }
    fuzz::WriteFile(file, content);

    TTable table("Fuzz");
    try {
        table.LoadFromFile(file);
    } catch (const EQuillonError&) {
        return 0;   // refused with a message naming the file
    }
    Walk(table);
    const int rows = table.RowCount();
    table.SaveToFile(file);
    TTable again("Again");
    again.LoadFromFile(file);   // what was saved must load
    if (again.RowCount() != rows)
        std::abort();

    // The same file as each of the database's tables in turn.
    TQuillonData& d = *data;
    for (const char* name : {"GoodHosts", "BadHosts", "Groups"}) {
        for (const char* other : {"GoodHosts", "BadHosts", "Groups"})
            platform::DeleteFile(fuzz::Dir() + other + ".cds");
        fuzz::WriteFile(fuzz::Dir() + name + ".cds", content);
        if (!d.OpenDatabase())
            continue;   // refused at start-up, nothing written
        TGroupList list;
        d.FillGroupList(list, true);
        d.AddGroup("Fuzz group", true, false);
        d.AddBadHost(list.size() > 1 ? list[1].object : 1, "added.example", "fuzz");
        (void)d.GroupCaption(1, true);
        WriteHosts(d, d.Prefs());
        d.GroupCleanup(1);
        d.SaveDatabase(true);
        if (!d.OpenDatabase())
            std::abort();   // the program wrote a table it cannot read back
    }
    return 0;
}
