// Fuzz target: filter expressions parsed and applied to a small table, and LIKE patterns matched.
#include "core/Table.h"
#include "core/TableFilter.h"
#include "platform/Errors.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

TTable& Hosts()
{
    static TTable* table = [] {
        auto* t = new TTable("BadHosts");
        t->AddFieldDef({"hostname", TFieldType::ftString, 255, true});
        t->AddFieldDef({"group_id", TFieldType::ftInteger, 0, false});
        t->AddFieldDef({"comment", TFieldType::ftString, 255, false});
        t->AddIndexDef({"hostname", {"hostname"}, {true}, true, true});
        t->AddIndexDef({"group_id", {"group_id", "hostname"}, {false, true}, false, true});
        t->CreateDataSet();
        const char* names[] = {"ads.example", "Track.Example", "x", "100%.example", "it's.example"};
        int group = -1;
        for (const char* name : names) {
            t->Append();
            t->SetField("hostname", name);
            t->SetField("group_id", group++);
            t->SetField("comment", std::string(name) + " note");
            t->Post();
        }
        return t;
    }();
    return *table;
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(bytes), size);
    try {
        (void)ParseFilter(input);
    } catch (const EQuillonError&) {
    }

    TTable& t = Hosts();
    try {
        t.SetFilter(input);
        t.SetFiltered(true);
        int rows = 0;
        for (t.First(); !t.Eof(); t.Next())
            ++rows;
        if (rows != t.RecordCount())
            std::abort();
        if (rows > 0)
            t.MoveToRecNo(rows - 1);
    } catch (const EQuillonError&) {
    }
    t.SetFiltered(false);

    // The text before the first NUL against the pattern after it.
    const size_t split = input.find('\0');
    if (split != std::string::npos)
        (void)LikeMatch(std::string_view(input).substr(0, split), std::string_view(input).substr(split + 1));
    return 0;
}
