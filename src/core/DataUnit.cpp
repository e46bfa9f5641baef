// The data module: tables and their files, validation, and the shared group and host operations.
#include "core/DataUnit.h"

#include "core/AppHooks.h"
#include "core/TableSet.h"
#include "platform/Errors.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iterator>

TQuillonData* QuillonData = nullptr;

std::function<bool(const std::string&, const std::string&)> HelpShellOpen =
    [](const std::string& page, const std::string& folder) { return platform::ShellOpen(page, {}, folder); };

namespace {

// Puts a table back on the index it had, also when the operation fails half-way.
class TIndexKeeper {
public:
    TIndexKeeper(TTable& t, std::string_view index) : table(t), saved(t.IndexName())
    {
        table.SetIndexName(index);
    }
    ~TIndexKeeper()
    {
        try {
            table.SetIndexName(saved);
        } catch (...) {
        }
    }
    TIndexKeeper(const TIndexKeeper&) = delete;
    TIndexKeeper& operator=(const TIndexKeeper&) = delete;

private:
    TTable& table;
    std::string saved;
};

void DefineGoodHosts(TTable& t)
{
    t.ClearDefs();
    t.AddFieldDef({"hostname", TFieldType::ftString, 255, true});
    t.AddFieldDef({"ip", TFieldType::ftString, 15, true});
    t.AddFieldDef({"comment", TFieldType::ftString, 255, false});
    t.AddIndexDef({"hostname", {"hostname"}, {true}, true, true});
    t.AddIndexDef({"ip", {"ip"}, {false}, false, false});
    t.AddIndexDef({"comment", {"comment", "hostname"}, {true, true}, false, false});
}

void DefineBadHosts(TTable& t)
{
    t.ClearDefs();
    t.AddFieldDef({"hostname", TFieldType::ftString, 255, true});
    t.AddFieldDef({"group_id", TFieldType::ftInteger, 0, false});
    t.AddFieldDef({"comment", TFieldType::ftString, 255, false});
    t.AddIndexDef({"hostname", {"hostname"}, {true}, true, true});
    t.AddIndexDef({"group_id", {"group_id", "hostname"}, {false, true}, false, true});
    t.AddIndexDef({"comment", {"comment", "hostname"}, {true, true}, false, false});
}

void DefineGroups(TTable& t)
{
    t.ClearDefs();
    t.AddFieldDef({"group_id", TFieldType::ftInteger, 0, true});
    t.AddFieldDef({"group_name", TFieldType::ftString, 255, true});
    t.AddFieldDef({"restricted", TFieldType::ftBoolean, 0, false});
    t.AddFieldDef({"exclude", TFieldType::ftBoolean, 0, false});
    t.AddIndexDef({"group_id", {"group_id"}, {false}, true, true});
    t.AddIndexDef({"group_name", {"group_name"}, {true}, false, true});
}

// Stores the row being edited; a refused row leaves the table in browse mode.
void PostOrCancel(TTable& t)
{
    try {
        t.Post();
    } catch (...) {
        t.Cancel();
        throw;
    }
}

void AppendGroup(TTable& groups, int id, const std::string& name, bool restricted, bool exclude)
{
    groups.Append();
    groups.SetField("group_id", id);
    groups.SetField("group_name", name.substr(0, 255));
    groups.SetField("restricted", restricted);
    groups.SetField("exclude", exclude);
    PostOrCancel(groups);
}

// What a loaded table lacks of the built-in definitions, as the end of a
// sentence ("it has no field ip"); empty when it has everything.
std::string MissingDefinition(const TTable& loaded, const TTable& builtIn)
{
    for (const TFieldDef& want : builtIn.FieldDefs()) {
        int f = loaded.FieldNo(want.name);
        if (f < 0)
            return "it has no field " + want.name;
        if (loaded.FieldDefs()[size_t(f)].type != want.type)
            return "its field " + want.name + " has the wrong type";
        if (want.required && !loaded.FieldDefs()[size_t(f)].required)
            return "its field " + want.name + " may be empty";
    }
    for (const TIndexDef& want : builtIn.IndexDefs()) {
        const TIndexDef* found = nullptr;
        for (const TIndexDef& def : loaded.IndexDefs())
            if (TTable::SameText(def.name, want.name))
                found = &def;
        if (!found)
            return "it has no index " + want.name;
        bool same = found->unique == want.unique && found->fields.size() == want.fields.size();
        for (size_t i = 0; same && i < want.fields.size(); ++i) {
            const bool text = loaded.FieldDef(want.fields[i]).type == TFieldType::ftString;
            const bool ci = i < found->caseInsensitive.size() && found->caseInsensitive[i];
            same = TTable::SameText(found->fields[i], want.fields[i]) &&
                   (!text || ci == want.caseInsensitive[i]);
        }
        if (!same)
            return "its index " + want.name + " is not the one Quillon uses";
    }
    return {};
}

// Size of a text field of a loaded table; 0 when the field is missing.
int FieldSize(const TTable& t, std::string_view field)
{
    int n = t.FieldNo(field);
    return n < 0 ? 0 : t.FieldDefs()[n].size;
}

}   // namespace

TQuillonData::TQuillonData(const std::string& dir)
{
    if (!dir.empty())
        dataDir = platform::IncludeTrailingPathDelimiter(dir);
    prefs = std::make_unique<TQuillonPrefs>(IniFileName(), DataDir());
    for (TTable* t : {&GoodHosts, &BadHosts, &Groups}) {
        t->AfterPost = [this](TTable& table) { SetDirty(table); };
        t->AfterDelete = [this](TTable& table) { SetDirty(table); };
    }
    DefineTables();
}

TQuillonData::~TQuillonData() { CloseDatabase(); }

void TQuillonData::DefineTables()
{
    DefineGoodHosts(GoodHosts);
    DefineBadHosts(BadHosts);
    DefineGroups(Groups);
}

const std::string& TQuillonData::DataDir()
{
    if (dataDir.empty())
        dataDir = platform::ExeDir();
    return dataDir;
}

std::string TQuillonData::IniFileName() { return DataDir() + "Quillon.ini"; }

std::string TQuillonData::TableFileName(const TTable& table) { return DataDir() + table.Name() + ".cds"; }

int& TQuillonData::DirtyFlag(const TTable& table)
{
    if (&table == &GoodHosts)
        return goodDirty;
    if (&table == &BadHosts)
        return badDirty;
    return groupsDirty;
}

int TQuillonData::Dirty(const TTable& table) const
{
    return const_cast<TQuillonData*>(this)->DirtyFlag(table);
}

void TQuillonData::SetDirty(TTable& table) { DirtyFlag(table) = 1; }

bool TQuillonData::OpenDatabase()
{
    {
        TBusyCursor busy;
        CloseDatabase();
        struct TSpec {
            TTable* table;
            void (*define)(TTable&);
            const char* startIndex;
        };
        const TSpec specs[] = {{&GoodHosts, DefineGoodHosts, "hostname"},
                               {&BadHosts, DefineBadHosts, "hostname"},
                               {&Groups, DefineGroups, "group_id"}};
        try {
            // A save that a killed run left half done is finished or dropped
            // first, so the tables read below all come from one save; the
            // temporary files of killed writes go, the preferences' too.
            std::vector<std::string> names;
            for (const TSpec& s : specs)
                names.push_back(platform::ExtractFileName(TableFileName(*s.table)));
            names.push_back(platform::ExtractFileName(IniFileName()));
            RecoverTableFiles(DataDir(), names);
            for (const TSpec& s : specs) {
                std::string file = TableFileName(*s.table);
                // Anything under the name but a missing file (or a link to
                // nothing) is read, and refused unless it is a table file: a
                // folder there must not pass for an empty table.
                std::error_code ec;
                if (std::filesystem::status(file, ec).type() != std::filesystem::file_type::not_found) {
                    s.table->LoadFromFile(file);
                } else {
                    s.define(*s.table);
                    s.table->CreateDataSet();
                }
                DirtyFlag(*s.table) = 0;
            }
        } catch (const EQuillonError& e) {
            // An unreadable table file must never be replaced by an empty table:
            // end the run before anything could save over it.
            return RefuseData(std::string(e.what()) + MsgBreak +
                              "Quillon will close without changing any file.");
        }
    }

    bool old = !GoodHosts.HasField("comment") || !BadHosts.HasField("comment") ||
               FieldSize(GoodHosts, "comment") < 255 || FieldSize(BadHosts, "comment") < 255 ||
               FieldSize(Groups, "group_name") < 255;
    if (old)
        return RefuseData(
            std::string("You are running against old data files.") + MsgBreak +
            "Please follow proper upgrade procedures or delete *.cds from the Quillon directory.");

    // A table file from elsewhere that lacks what this program relies on is
    // treated like a damaged one: every built-in field with its type, and
    // every built-in index with its key fields and options.
    const std::pair<TTable*, void (*)(TTable&)> shapes[] = {
        {&GoodHosts, DefineGoodHosts}, {&BadHosts, DefineBadHosts}, {&Groups, DefineGroups}};
    for (const auto& [table, define] : shapes) {
        TTable builtIn(table->Name());
        define(builtIn);
        std::string missing = MissingDefinition(*table, builtIn);
        if (!missing.empty()) {
            return RefuseData("Cannot read table file " + TableFileName(*table) + ": " + missing + "." +
                              MsgBreak + "Quillon will close without changing any file.");
        }
    }
    GoodHosts.SetIndexName("hostname");
    BadHosts.SetIndexName("hostname");
    Groups.SetIndexName("group_id");
    for (TTable* t : {&GoodHosts, &BadHosts, &Groups})
        t->First();
    return true;
}

bool TQuillonData::RefuseData(const std::string& text)
{
    CloseDatabase();
    ErrorDlg(text, "Database Error");
    if (apphooks::Terminate)
        apphooks::Terminate();
    return false;
}

void TQuillonData::SaveDatabase(bool force)
{
    TBusyCursor busy;
    std::vector<TTable*> saved;
    std::vector<std::unique_ptr<platform::TAtomicFileWriter>> files;
    for (TTable* t : {&GoodHosts, &BadHosts, &Groups}) {
        // A closed table (never opened, or refused at start-up) is never written.
        if (!t->Active())
            continue;
        if (force || DirtyFlag(*t) != 0) {
            files.push_back(t->SaveToTemporaryFile(TableFileName(*t)));
            saved.push_back(t);
        }
    }
    // The changed tables go in place together: a run killed at any moment
    // leaves the files of this save or all those of the one before.
    std::vector<platform::TAtomicFileWriter*> set;
    for (const auto& file : files)
        set.push_back(file.get());
    CommitTableFiles(DataDir(), set);
    for (TTable* t : saved)
        DirtyFlag(*t) = 0;
}

void TQuillonData::CloseDatabase()
{
    GoodHosts.Close();
    BadHosts.Close();
    Groups.Close();
}

// ---- validation

THostnameValidator::THostnameValidator(const std::string& chars) : badHostChars(chars)
{
    for (unsigned char c : badHostChars)
        forbidden[c] = true;
    // Control characters would break the lines of the HOSTS file, whatever
    // the forbidden set says.
    for (int c = 0; c < 32; ++c)
        forbidden[c] = true;
    forbidden[127] = true;
}

bool THostnameValidator::Validate(std::string_view hostname, std::string& message) const
{
    message.clear();
    if (hostname.empty()) {
        message = "Hostname may not be blank.";
        return false;
    }
    if (hostname.size() > 255) {
        message = "Maximum hostname length is 255 characters.";
        return false;
    }
    if (TTable::SameText(hostname, "localhost")) {
        message = "Hostname \"localhost\" is handled automatically by Quillon.";
        return false;
    }
    size_t labelStart = 0;
    auto closeLabel = [&](size_t end) {
        size_t len = end - labelStart;
        if (len == 0) {
            message = "Zero-length hostname label (two adjacent dots or leading/trailing dot).";
            return false;
        }
        if (len > 63) {
            message = "Maximum hostname label length is 63 characters: \"" +
                      std::string(hostname.substr(labelStart, len)) + "\".";
            return false;
        }
        return true;
    };
    // Only a name of digits and dots can be an address: most names skip that test.
    bool digitsAndDots = true;
    for (size_t i = 0; i < hostname.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(hostname[i]);
        digitsAndDots = digitsAndDots && (c == '.' || (c >= '0' && c <= '9'));
        if (c == '.') {
            if (!closeLabel(i))
                return false;
            labelStart = i + 1;
        } else if (forbidden[c]) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%02x", c);
            message = std::string("Invalid character in hostname: ") + char(c) + " (0x" + hex + ").";
            return false;
        }
    }
    if (!closeLabel(hostname.size()))
        return false;
    if (digitsAndDots && TQuillonData::IsIPAddress(hostname)) {
        message = "Hostname may not be an IP address.";
        return false;
    }
    return true;
}

bool TQuillonData::ValidateHostname(std::string_view hostname, std::string& message)
{
    if (validator.BadHostChars() != prefs->BadHostChars)
        validator = THostnameValidator(prefs->BadHostChars);
    return validator.Validate(hostname, message);
}

bool TQuillonData::IsIPAddress(std::string_view text)
{
    if (text.size() < 7 || text.size() > 15)
        return false;
    int parts = 0;
    size_t start = 0;
    for (;;) {
        size_t dot = text.find('.', start);
        std::string_view part =
            text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (part.empty() || part.size() > 3)
            return false;
        int value = 0;
        for (char ch : part) {
            if (ch < '0' || ch > '9')
                return false;
            value = value * 10 + (ch - '0');
        }
        if (value > 255)
            return false;
        ++parts;
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    return parts == 4;
}

// ---- group and host operations

void OpenWithEditor(const std::string& textEditor, const std::string& file)
{
    if (!textEditor.empty())
        platform::ShellOpen(textEditor, file);
}

void TQuillonData::RunEditor(const std::string& parameters) { OpenWithEditor(prefs->TextEditor, parameters); }

bool TQuillonData::AddBadHost(int groupId, const std::string& hostname, const std::string& comment)
{
    std::string message;
    if (!ValidateHostname(hostname, message)) {
        InfoDlg(message, "Invalid Host", MainOwner);
        return false;
    }
    // Both tables are left on their name order, whichever way this ends.
    BadHosts.SetIndexName("hostname");
    GoodHosts.SetIndexName("hostname");
    if (BadHosts.FindKey({hostname})) {
        int oldGroup = BadHosts.AsInteger("group_id");
        if (oldGroup == groupId) {
            InfoDlg("This host already exists in this group.", "Duplicate Host", MainOwner);
            return false;
        }
        std::string text = "This host already exists, but in the \"" + GroupCaption(oldGroup, true) +
                           "\" group." + MsgBreak + "Change the group assignment to \"" +
                           GroupCaption(groupId, true) + "\"?";
        if (ConfirmDlg(text, "Existing Host, Different Group", MainOwner)) {
            BadHosts.Edit();
            BadHosts.SetField("group_id", groupId);
            if (!comment.empty())
                BadHosts.SetField("comment", comment);
            PostOrCancel(BadHosts);
        }
        return false;
    }
    if (GoodHosts.FindKey({hostname})) {
        std::string text = "This host is listed as a Good Host with the IP address " +
                           std::string(GoodHosts.AsString("ip")) + "!" + MsgBreak +
                           "Do you want to change it to a Bad Host?";
        if (!ConfirmDlg(text, "Good Host Gone Bad?", MainOwner))
            return false;
        GoodHosts.Delete();
    }
    BadHosts.Append();
    BadHosts.SetField("group_id", groupId);
    BadHosts.SetField("hostname", hostname);
    BadHosts.SetField("comment", comment);
    PostOrCancel(BadHosts);
    return true;
}

std::string TQuillonData::CurrentGroupCaption(bool withFlags)
{
    std::string caption(Groups.AsString("group_name"));
    if (withFlags) {
        bool r = Groups.AsBoolean("restricted"), x = Groups.AsBoolean("exclude");
        if (r || x)
            caption += std::string(" [") + (r ? "R" : "") + (x ? "X" : "") + "]";
    }
    return caption;
}

std::string TQuillonData::GroupCaption(int groupId, bool withFlags)
{
    TIndexKeeper keep(Groups, "group_id");
    if (Groups.FindKey({groupId}))
        return CurrentGroupCaption(withFlags);
    return "Failed to find group_id " + std::to_string(groupId);
}

std::string TQuillonData::DateTimeText()
{
    std::tm now = apphooks::Now();
    char date[128] = "", time[128] = "";
    std::strftime(date, sizeof date, "%x", &now);
    std::string text = date;
    if (now.tm_hour || now.tm_min || now.tm_sec) {
        std::strftime(time, sizeof time, "%X", &now);
        text += std::string(" ") + time;
    }
    return text;
}

std::string TQuillonData::CreatedByText() { return "Created by Quillon 4.1 - " + DateTimeText(); }

void TQuillonData::FillGroupList(TGroupList& list, bool withBlank)
{
    Groups.First();
    if (Groups.IsEmpty())
        AppendGroup(Groups, 1, "Default Group", false, false);
    list.clear();
    if (withBlank)
        list.push_back({" ", 0});
    {
        TIndexKeeper keep(Groups, "group_name");
        for (Groups.First(); !Groups.Eof(); Groups.Next())
            list.push_back({CurrentGroupCaption(true), Groups.AsInteger("group_id")});
    }
    Groups.First();
}

int TQuillonData::AddGroup(const std::string& groupName, bool restricted, bool exclude)
{
    int id;
    {
        TIndexKeeper keep(Groups, "group_id");
        if (Groups.IsEmpty()) {
            id = 1;
        } else {
            Groups.Last();
            int highest = Groups.AsInteger("group_id");
            if (highest < INT32_MAX) {
                id = highest + 1;
            } else {
                // No number above the highest: the first free one from 1 up.
                id = 1;
                Groups.FindNearest({1});
                for (; !Groups.Eof() && Groups.AsInteger("group_id") == id; Groups.Next())
                    ++id;
            }
        }
        AppendGroup(Groups, id, groupName, restricted, exclude);
    }
    Groups.First();
    return id;
}

int TQuillonData::GroupCleanup(int keepId)
{
    TIndexKeeper keepBad(BadHosts, "group_id");
    TIndexKeeper keepGroups(Groups, "group_id");
    int count = 0;
    Groups.First();
    while (!Groups.Eof()) {
        int id = Groups.AsInteger("group_id");
        if (id != keepId && !BadHosts.FindKey({id})) {
            Groups.Delete();
            ++count;
        } else {
            Groups.Next();
        }
    }
    return count;
}

void TQuillonData::ShowHelp(const std::string& topic)
{
    std::string folder = DataDir() + "Help";
    std::string page = folder + platform::PathDelim + topic;
    if (platform::FileExists(page)) {
        if (HelpShellOpen)
            HelpShellOpen(page, folder);
    } else if (platform::DirectoryExists(folder)) {
        ErrorDlg(std::string("File not found:") + MsgBreak + page, "Help Error");
    } else {
        ErrorDlg(std::string("Path not found:") + MsgBreak + folder, "Help Error");
    }
}
