// The import run: line reader, comment and host lines, the merge rules, counters and the import report.
#include "import/ImportRun.h"

#include "core/DataUnit.h"
#include "core/TextOut.h"
#include "platform/Errors.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <unordered_map>
#include <vector>

namespace {

// Characters with codes 0 to 32 are trimmed away and end an address.
inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view Trim(std::string_view s)
{
    size_t a = 0, b = s.size();
    while (a < b && IsBlank(s[a]))
        ++a;
    while (b > a && IsBlank(s[b - 1]))
        --b;
    return s.substr(a, b - a);
}

// Reads a text file line by line through a 32768-byte buffer; accepts LF,
// CR LF and CR line ends and skips a UTF-8 byte-order mark at the very start.
// A file with a NUL byte anywhere is no text file: it is refused with a
// message naming it rather than read as lines of garbage. The input is read
// once from start to end and never rewound, so a pipe, a FIFO or standard
// input reads as a file does (their size is unknown: BytesTotal is 0).
class TLineReader {
public:
    explicit TLineReader(const std::string& name) : fileName(name)
    {
        file = std::fopen(name.c_str(), "rb");
        if (!file)
            throw EQuillonError("Cannot open file " + name + ": " + std::strerror(errno));
        // A refused file is closed at once (no destructor runs for a
        // constructor that throws); left open, Windows could not delete it.
        try {
            std::setvbuf(file, nullptr, _IONBF, 0);
            std::error_code ec;
            total = std::filesystem::file_size(name, ec);
            if (ec)
                total = 0;
            Read();
            // Looked at before the NUL check: UTF-16 text is full of NUL bytes.
            if (IsUtf16())
                throw EQuillonError(
                    "Cannot import file " + name +
                    ": it holds UTF-16 text. Save it as ANSI or UTF-8 text and import it again.");
            RefuseNul();
            if (end - pos >= 3 && std::memcmp(buffer + pos, "\xEF\xBB\xBF", 3) == 0)
                pos += 3;
            // Old Mac files end their lines with CR alone: CRs and not a single
            // LF in the first buffer.
            if (!std::memchr(buffer + pos, '\n', end - pos) && std::memchr(buffer + pos, '\r', end - pos))
                lineEnd = '\r';
        } catch (...) {
            std::fclose(file);
            file = nullptr;
            throw;
        }
    }

    ~TLineReader()
    {
        if (file)
            std::fclose(file);
    }

    TLineReader(const TLineReader&) = delete;
    TLineReader& operator=(const TLineReader&) = delete;

    // Reads on when the buffer is used up, so a file that ends exactly at a
    // buffer's end is seen to end there rather than with one more empty line.
    bool AtEnd()
    {
        if (pos == end && !eof)
            Fill();
        return pos == end && eof;
    }
    uint64_t BytesRead() const { return consumed + pos; }
    uint64_t BytesTotal() const { return total; }

    // The next line without its line end; valid until the next call.
    std::string_view Next()
    {
        long_.clear();
        for (;;) {
            const char* start = buffer + pos;
            const char* nl = static_cast<const char*>(std::memchr(start, lineEnd, end - pos));
            if (nl) {
                size_t len = size_t(nl - start);
                pos += len + 1;
                if (long_.empty())
                    return StripCR(std::string_view(start, len));
                long_.append(start, len);
                return StripCR(long_);
            }
            // A line that runs past the buffer is gathered piece by piece.
            long_.append(start, end - pos);
            pos = end;
            if (eof)
                return StripCR(long_);
            Fill();
            if (pos == end && eof)
                return StripCR(long_);
        }
    }

    void Close()
    {
        if (file) {
            std::fclose(file);
            file = nullptr;
        }
    }

private:
    std::string fileName;
    std::FILE* file = nullptr;
    char buffer[32768];
    size_t pos = 0, end = 0;
    uint64_t consumed = 0, total = 0;
    bool eof = false;
    char lineEnd = '\n';
    std::string long_;

    std::string_view StripCR(std::string_view s) const
    {
        if (lineEnd == '\n' && !s.empty() && s.back() == '\r')
            s.remove_suffix(1);
        return s;
    }

    // A byte-order mark, or two ASCII characters each paired with a NUL byte,
    // at the very start of the first buffer.
    bool IsUtf16() const
    {
        const unsigned char* h = reinterpret_cast<const unsigned char*>(buffer);
        const size_t got = end < 4 ? end : 4;
        if (got >= 2 && ((h[0] == 0xFF && h[1] == 0xFE) || (h[0] == 0xFE && h[1] == 0xFF)))
            return true;
        auto ascii = [](unsigned char c) { return c >= 9 && c < 127; };
        return got == 4 && ((ascii(h[0]) && !h[1] && ascii(h[2]) && !h[3]) ||
                            (!h[0] && ascii(h[1]) && !h[2] && ascii(h[3])));
    }

    void Fill()
    {
        Read();
        RefuseNul();
    }

    // The next buffer; fread gathers a pipe's short reads until the buffer is
    // full or the input ends.
    void Read()
    {
        consumed += end;
        pos = end = 0;
        size_t got = std::fread(buffer, 1, sizeof buffer, file);
        if (got < sizeof buffer) {
            if (std::ferror(file))
                throw EQuillonError("Cannot read file " + fileName + ": " + std::strerror(errno));
            eof = true;
        }
        end = got;
    }

    void RefuseNul() const
    {
        if (const void* nul = std::memchr(buffer, '\0', end)) {
            const uint64_t at = consumed + uint64_t(static_cast<const char*>(nul) - buffer);
            throw EQuillonError("Cannot import file " + fileName +
                                ": it is not a text file (a NUL byte at offset " + std::to_string(at) + ").");
        }
    }
};

// A text in double quotes for an error line of the report; a runaway text
// (a whole megabyte line without a blank) is cut, so the report stays readable.
std::string Quoted(std::string_view text)
{
    constexpr size_t Most = 255;
    if (text.size() <= Most)
        return "\"" + std::string(text) + "\"";
    return "\"" + std::string(text.substr(0, Most)) + "...\" (" + std::to_string(text.size()) +
           " characters)";
}

// std::string::assign checks for overlap and may reallocate on every call;
// the ring's strings keep their capacity from line to line.
void CopyInto(std::string& to, std::string_view from)
{
    to.resize(from.size());
    if (!from.empty())
        std::memcpy(to.data(), from.data(), from.size());
}

}   // namespace

std::string ImportReportFileName(TQuillonData& data) { return data.DataDir() + "ImportReport.txt"; }

struct TImportRun::Impl {
    TQuillonData& data;
    const TImportOptions options;
    IProgress& progress;
    const THostnameValidator validator;

    TImportResult result;
    // Short names for the result's fields, used on every line.
    int (&counters)[3][3] = result.counters;
    int& lines = result.lines;
    int& errors = result.errors;
    std::string& status = result.status;
    std::string indicator;
    int currentGroup = 0;
    std::unique_ptr<TLineReader> input;
    std::unique_ptr<TTextOut> report;
    // The exclude flag of every group, for moving hosts between groups
    // without leaving the by-name look-up of groups.
    std::unordered_map<int, bool> excludeOf;
    std::vector<std::string_view> names;
    // The first name of the line in hand and its hash, worked out when it was read.
    std::string_view knownName;
    uint64_t knownHash = 0;
    std::string nameBuffer;   // unquoted names live here while a line is handled

    int badHost = 0, badGroup = 0, badComment = 0;
    int goodHost = 0, goodIp = 0, goodComment = 0;

    Impl(TQuillonData& d, TImportOptions o, IProgress& p)
        : data(d), options(std::move(o)), progress(p), validator(options.badHostChars)
    {
    }

    void Step(const std::string& text)
    {
        status = text;
        progress.ShowStatus(text);
    }

    void Final(const std::string& text)
    {
        status = text;
        progress.SetStatusText(text);
    }

    // ---- outcomes

    void Report(TEntity entity, TOutcomeKind kind, int amount, std::string_view subject,
                std::string_view subject2, std::string_view comment)
    {
        if (!report)
            return;
        const char* kindTag = "";
        switch (kind) {
        case TOutcomeKind::New:
            if (!options.reportNew)
                return;
            kindTag = "NEW    ";
            break;
        case TOutcomeKind::Duplicate:
            if (!options.reportDupes)
                return;
            kindTag = "DUPE   ";
            break;
        case TOutcomeKind::Update:
            if (!options.reportUpdates)
                return;
            kindTag = "UPDATE ";
            break;
        case TOutcomeKind::Ignore:
            kindTag = "IGNORE ";
            break;
        case TOutcomeKind::Error:
            return;
        }
        static const char* entityTag[] = {"Group    ", "BadHost  ", "GoodHost "};
        TTextOut& out = *report;
        out.Put(kindTag);
        out.Put(entityTag[int(entity)]);
        if (amount < 0)
            out.Put("REMOVED - ");
        out.Put(subject);
        if (!subject2.empty()) {
            out.Put(" ");
            out.Put(subject2);
        }
        if (!comment.empty()) {
            out.Put(" ");
            out.Put(indicator);
            out.Put(" ");
            out.Put(comment);
        }
        out.EndLine();
    }

    void Tally(TEntity entity, TOutcomeKind kind, int amount, std::string_view subject,
               std::string_view comment = {}, std::string_view address = {})
    {
        counters[int(entity)][int(kind)] += amount;
        progress.UpdateCounters();
        // A good host's subject is its address, a blank and its name.
        if (entity == TEntity::GoodHost)
            Report(entity, kind, amount, address, subject, comment);
        else
            Report(entity, kind, amount, subject, {}, comment);
    }

    void Error(const std::string& message)
    {
        ++errors;
        if (report)
            report->Line("ERROR  Line " + std::to_string(lines) + " - " + message);
    }

    // ---- lines

    void CommentLine(std::string_view line)
    {
        if (options.groups == TImportGroups::DefaultForAll)
            return;
        const std::string_view asRead = line;
        std::string_view text = line;
        while (text.substr(0, indicator.size()) == indicator)
            text.remove_prefix(indicator.size());
        text = Trim(text);
        if (text.empty() || text.find("Created by Quillon") != std::string_view::npos)
            return;

        // A host line that was commented out.
        size_t blank = 0;
        while (blank < text.size() && !IsBlank(text[blank]))
            ++blank;
        if (blank < text.size() && TQuillonData::IsIPAddress(text.substr(0, blank))) {
            Report(TEntity::BadHost, TOutcomeKind::Ignore, 0, asRead, {}, {});
            return;
        }

        // Flag suffix: "[", then R and X only, then "]" at the very end.
        bool restricted = options.newGroupsRestricted, exclude = false;
        std::string_view name = text;
        if (text.size() >= 2 && text.back() == ']') {
            bool r = false, x = false;
            size_t i = text.size() - 1;
            while (i > 0 && (text[i - 1] == 'R' || text[i - 1] == 'X')) {
                (text[i - 1] == 'R' ? r : x) = true;
                --i;
            }
            if (i >= 2 && text[i - 1] == '[') {
                name = Trim(text.substr(0, i - 1));
                restricted = r;
                exclude = x;
            }
        }

        // Names are kept to the field's 255 characters, so an over-long name
        // finds the group that an earlier line created from it.
        std::string_view key = name.substr(0, 255);
        TTable& groups = data.Groups;
        if (!key.empty() && groups.FindText(key)) {
            currentGroup = groups.AsInteger("group_id");
            Tally(TEntity::Group, TOutcomeKind::Duplicate, 1, key);
            return;
        }
        if (options.groups == TImportGroups::DefaultForNew) {
            currentGroup = options.defaultGroup;
            return;
        }
        currentGroup = data.AddGroup(std::string(name), restricted, exclude);
        groups.SetIndexName("group_name");
        excludeOf[currentGroup] = exclude;
        Tally(TEntity::Group, TOutcomeKind::New, 1, key);
    }

    // Splits the names of a host line: commas and runs of blanks separate them,
    // a name in double quotes may hold both ("" stands for one quote).
    void SplitNames(std::string_view s)
    {
        names.clear();
        // Most lines name one host: nothing to split.
        bool plain = !s.empty();
        for (char c : s)
            if (c == ',' || c == '"' || (c != '\0' && IsBlank(c))) {
                plain = false;
                break;
            }
        if (plain) {
            names.push_back(s);
            return;
        }
        nameBuffer.clear();
        // Unquoted names are copied here; reserved once, so views into it stay valid.
        nameBuffer.reserve(s.size());
        auto isSeparator = [](char c) { return c != '\0' && IsBlank(c); };
        size_t i = 0;
        auto skip = [&] {
            while (i < s.size() && isSeparator(s[i]))
                ++i;
        };
        skip();
        if (i == s.size())
            return;
        for (;;) {
            if (s[i] == ',') {
                names.emplace_back();   // a comma with no name before it
            } else {
                if (s[i] == '"') {
                    size_t at = nameBuffer.size();
                    for (++i; i < s.size(); ++i) {
                        if (s[i] == '"') {
                            if (i + 1 < s.size() && s[i + 1] == '"') {
                                nameBuffer += '"';
                                ++i;
                                continue;
                            }
                            ++i;
                            break;
                        }
                        nameBuffer += s[i];
                    }
                    names.push_back(std::string_view(nameBuffer).substr(at));
                } else {
                    size_t start = i;
                    // Only a name that begins with a quote is quoted; a quote
                    // further on is part of the name (and fails its check).
                    while (i < s.size() && s[i] != ',' && !isSeparator(s[i]))
                        ++i;
                    names.push_back(s.substr(start, i - start));
                }
                skip();
                if (i == s.size())
                    return;
                if (s[i] != ',')
                    continue;   // blanks alone separate this name from the next
            }
            ++i;   // the comma
            skip();
            if (i == s.size()) {
                names.emplace_back();   // a comma at the very end
                return;
            }
        }
    }

    void HostLine(std::string_view line)
    {
        std::string_view comment;
        if (!indicator.empty()) {
            size_t at = line.find(indicator);
            if (at != std::string_view::npos) {
                comment = Trim(line.substr(at + indicator.size(), 255));
                line = Trim(line.substr(0, at));
            }
        }
        std::string_view address, nameText;
        if (!options.plainText) {
            size_t blank = 0;
            while (blank < line.size() && !IsBlank(line[blank]))
                ++blank;
            if (blank == line.size()) {
                Error("Invalid format - no whitespace");
                return;
            }
            address = line.substr(0, blank);
            if (!TQuillonData::IsIPAddress(address)) {
                Error("Invalid IP address " + Quoted(address));
                return;
            }
            nameText = line.substr(blank + 1);
        } else {
            address = options.hostsIP;
            nameText = line;
        }
        SplitNames(Trim(nameText));
        if (names.empty()) {
            Error("Invalid format - nothing follows IP address");
            return;
        }
        const bool good =
            options.goodHosts && address != "127.0.0.1" && address != "0.0.0.0" && address != options.hostsIP;
        std::string message;
        for (std::string_view name : names) {
            if (TTable::SameText(name, "localhost"))
                continue;
            if (!validator.Validate(name, message)) {
                Error("Invalid hostname " + Quoted(name));
                continue;
            }
            if (good)
                GoodHost(name, address, comment);
            else
                BadHost(name, comment, address);
        }
    }

    void GoodHost(std::string_view name, std::string_view address, std::string_view comment)
    {
        TTable& goodT = data.GoodHosts;
        TTable& badT = data.BadHosts;
        if (goodT.FindText(name)) {
            bool newAddress = options.updateGoodHosts && goodT.AsString(goodIp) != address;
            if (!newAddress && goodT.AsString(goodComment) == comment) {
                Tally(TEntity::GoodHost, TOutcomeKind::Duplicate, 1, name, comment, address);
                return;
            }
            goodT.Edit();
            if (newAddress)
                goodT.SetText(goodIp, address);
            goodT.SetText(goodComment, comment);
            PostOrCancel(goodT);
            Tally(TEntity::GoodHost, TOutcomeKind::Update, 1, name, comment, address);
            return;
        }
        if (badT.FindText(name)) {
            if (!options.swapHosts) {
                Tally(TEntity::GoodHost, TOutcomeKind::Duplicate, 1, name, comment, address);
                return;
            }
            badT.Delete();
            Tally(TEntity::BadHost, TOutcomeKind::Update, -1, name, comment);
        }
        goodT.Append();
        goodT.SetText(goodHost, name);
        goodT.SetText(goodIp, address);
        goodT.SetText(goodComment, comment);
        PostOrCancel(goodT);
        Tally(TEntity::GoodHost, TOutcomeKind::New, 1, name, comment, address);
    }

    bool MayChangeGroup(int existing)
    {
        if (existing == currentGroup)
            return false;
        auto old = excludeOf.find(existing);
        // A host whose group is gone may be given the current one.
        if (old == excludeOf.end() || !old->second)
            return true;
        auto now = excludeOf.find(currentGroup);
        return now != excludeOf.end() && now->second;
    }

    void BadHost(std::string_view name, std::string_view comment, std::string_view address)
    {
        TTable& goodT = data.GoodHosts;
        TTable& badT = data.BadHosts;
        bool found = name == knownName ? badT.FindText(name, knownHash) : badT.FindText(name);
        if (found) {
            bool move = options.moveHosts && MayChangeGroup(badT.AsInteger(badGroup));
            if (!move && badT.AsString(badComment) == comment) {
                Tally(TEntity::BadHost, TOutcomeKind::Duplicate, 1, name, comment);
                return;
            }
            badT.Edit();
            if (move)
                badT.SetInteger(badGroup, currentGroup);
            badT.SetText(badComment, comment);
            PostOrCancel(badT);
            Tally(TEntity::BadHost, TOutcomeKind::Update, 1, name, comment);
            return;
        }
        if (goodT.FindText(name)) {
            if (!options.swapHosts) {
                Tally(TEntity::BadHost, TOutcomeKind::Duplicate, 1, name, comment);
                return;
            }
            goodT.Delete();
            // The removed good host is reported with this line's address.
            Tally(TEntity::GoodHost, TOutcomeKind::Update, -1, name, comment, address);
        }
        badT.Append();
        badT.SetText(badHost, name);
        badT.SetInteger(badGroup, currentGroup);
        badT.SetText(badComment, comment);
        PostOrCancel(badT);
        Tally(TEntity::BadHost, TOutcomeKind::New, 1, name, comment);
    }

    static void PostOrCancel(TTable& t)
    {
        try {
            t.Post();
        } catch (...) {
            t.Cancel();
            throw;
        }
    }

    // ---- the run

    void CloseReport()
    {
        if (!report)
            return;
        std::unique_ptr<TTextOut> out = std::move(report);
        out->EndLine();
        out->Line(status);
        out->Close();
    }

    void Run()
    {
        Step("Importing...");
        std::memset(counters, 0, sizeof counters);
        progress.UpdateCounters();
        indicator = options.plainText ? options.textComment : "#";
        currentGroup = options.defaultGroup;
        lines = errors = 0;

        TTable& bad = data.BadHosts;
        TTable& good = data.GoodHosts;
        TTable& groups = data.Groups;
        bad.SetIndexName("hostname");
        good.SetIndexName("hostname");
        badHost = bad.FieldNo("hostname");
        badGroup = bad.FieldNo("group_id");
        badComment = bad.FieldNo("comment");
        goodHost = good.FieldNo("hostname");
        goodIp = good.FieldNo("ip");
        goodComment = good.FieldNo("comment");
        excludeOf.clear();
        {
            int id = groups.FieldNo("group_id"), exclude = groups.FieldNo("exclude");
            for (groups.First(); !groups.Eof(); groups.Next())
                excludeOf[groups.AsInteger(id)] = groups.AsBoolean(exclude);
        }
        groups.SetIndexName("group_name");

        input = std::make_unique<TLineReader>(options.file);
        // Host lists run to about thirty bytes a line: room for that many names
        // up front. A list much larger than the table grows it once here instead
        // of doubling along the way; otherwise the list mostly meets names already
        // there, and growing on demand costs no more than growing in advance.
        const size_t expected = size_t(input->BytesTotal() / 32), rows = size_t(bad.RowCount());
        if (expected > 2 * rows)
            bad.Reserve(expected, size_t(input->BytesTotal()));   // the names are part of the file
        try {
            if (options.report) {
                report = std::make_unique<TTextOut>(ImportReportFileName(data));
                report->Line("Quillon Import Report - " + data.DateTimeText());
                report->Line("Importing " + options.file);
                report->EndLine();
            }
            // Lines are read a few ahead of the one handled, so that the table
            // rows their names will meet are already on their way from memory.
            constexpr size_t Ahead = 16;
            struct TAhead {
                std::string line;
                std::string name;   // the line's first name, and its hash in BadHosts
                uint64_t hash = 0;
            };
            TAhead ring[Ahead];
            size_t queued = 0, head = 0;
            auto firstName = [&](const std::string& l) -> std::string_view {
                std::string_view t = Trim(l);
                if (t.empty() || (!indicator.empty() && t.substr(0, indicator.size()) == indicator))
                    return {};
                if (!options.plainText) {
                    size_t b = 0;
                    while (b < t.size() && !IsBlank(t[b]))
                        ++b;
                    t = Trim(t.substr(b));
                }
                size_t e = 0;
                while (e < t.size() && !IsBlank(t[e]) && t[e] != ',' && t[e] != '#')
                    ++e;
                return t.substr(0, e);
            };
            auto fetch = [&](size_t k, int stage) {
                if (k < queued)
                    bad.PrefetchKey(ring[(head + k) % Ahead].hash, stage);
            };
            auto refill = [&] {
                while (queued < Ahead && !input->AtEnd()) {
                    TAhead& a = ring[(head + queued) % Ahead];
                    CopyInto(a.line, input->Next());
                    CopyInto(a.name, firstName(a.line));
                    a.hash = bad.KeyHash(a.name);
                    bad.PrefetchKey(a.hash, 0);
                    ++queued;
                }
            };
            refill();
            while (queued > 0 && !progress.CancelRequested()) {
                fetch(Ahead / 2, 1);
                fetch(Ahead / 4, 2);
                // Handled where it lies; its slot is refilled afterwards.
                const TAhead& current = ring[head];
                knownName = current.name;
                knownHash = current.hash;
                std::string_view line = current.line;
                ++lines;
                if (lines % 500 == 0) {
                    progress.UpdateCounters();
                    progress.ProcessMessages();
                }
                line = Trim(line);
                if (line.empty())
                    ;   // nothing more to do with a blank line
                else if (!indicator.empty() && line.substr(0, indicator.size()) == indicator)
                    CommentLine(line);
                else
                    HostLine(line);
                head = (head + 1) % Ahead;
                --queued;
                refill();
            }
            input->Close();

            if (progress.CancelRequested()) {
                data.OpenDatabase();
                Step("Import cancelled");
                CloseReport();
                progress.UpdateCounters();
                return;
            }
            if (options.cleanup) {
                Step("Performing group cleanup...");
                int removed = data.GroupCleanup(options.defaultGroup);
                if (removed > 0)
                    Tally(TEntity::Group, TOutcomeKind::Update, -removed,
                          std::to_string(removed) + " groups removed during Group Cleanup");
            }
            Step("Saving data...");
            data.SaveDatabase(false);
            if (errors > 0)
                Final(std::to_string(errors) + " errors in " + std::to_string(lines) + " lines.");
            else
                Final(std::to_string(lines) + " lines processed.");
            CloseReport();
        } catch (...) {
            input->Close();
            try {
                CloseReport();
            } catch (...) {
                // The first failure is the one to report.
            }
            progress.UpdateCounters();
            throw;
        }
        progress.UpdateCounters();

        if (options.writeHosts) {
            std::string remembered = status;
            Step("Writing HOSTS...");
            if (options.writeHostsAction)
                options.writeHostsAction();
            Final(remembered);
        }
    }
};

TImportOptions ImportOptionsFrom(const TQuillonPrefs& prefs)
{
    TImportOptions o;
    o.file = prefs.ImportFile;
    o.plainText = prefs.ImportFormat != 0;
    o.defaultGroup = prefs.ImportDefaultGroup;
    // An option the program does not know means the first one.
    o.groups = prefs.ImportGroupOption == 1   ? TImportGroups::DefaultForNew
               : prefs.ImportGroupOption == 2 ? TImportGroups::DefaultForAll
                                              : TImportGroups::FromHeadings;
    o.newGroupsRestricted = prefs.RestrictedDefault;
    o.moveHosts = prefs.ImportUpdates;
    o.cleanup = prefs.ImportCleanup;
    o.goodHosts = prefs.ImportGoodHosts;
    o.updateGoodHosts = prefs.UpdateGoodHosts;
    o.swapHosts = prefs.ImportSwapHosts;
    o.report = prefs.ImportReport;
    o.reportNew = prefs.ReportNew;
    o.reportDupes = prefs.ReportDupes;
    o.reportUpdates = prefs.ReportUpdates;
    o.writeHosts = prefs.ImportWrite;
    o.hostsIP = prefs.HostsIP;
    o.textComment = prefs.TextComment;
    o.badHostChars = prefs.BadHostChars;
    return o;
}

TImportOptions CommandImportOptions(const TQuillonPrefs& prefs, const TCmdCommand& command,
                                    const TGroupList& groups)
{
    TImportOptions o = ImportOptionsFrom(prefs);
    o.file = command.file;
    o.plainText = command.plainText;
    o.writeHosts = false;
    // A default group that no longer exists (or was never chosen, as on a
    // fresh installation) would take the hosts before the first group
    // heading into no group at all; the only group there is stands in.
    const bool known = std::any_of(groups.begin(), groups.end(),
                                   [&](const TGroupListItem& g) { return g.object == o.defaultGroup; });
    if (!known && groups.size() == 1)
        o.defaultGroup = groups.front().object;
    return o;
}

int TImportResult::Counter(TEntity entity, TOutcomeKind kind) const
{
    if (kind == TOutcomeKind::Ignore || kind == TOutcomeKind::Error)
        return 0;
    return counters[int(entity)][int(kind)];
}

TImportRun::TImportRun(TQuillonData& data, TImportOptions options, IProgress& progress)
    : d(std::make_unique<Impl>(data, std::move(options), progress))
{
}

TImportRun::~TImportRun() = default;

const TImportResult& TImportRun::Run()
{
    d->Run();
    return d->result;
}

const TImportResult& TImportRun::Result() const { return d->result; }
uint64_t TImportRun::BytesRead() const { return d->input ? d->input->BytesRead() : 0; }
uint64_t TImportRun::BytesTotal() const { return d->input ? d->input->BytesTotal() : 0; }
