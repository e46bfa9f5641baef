// The registry file generator: host names reduced to domains, the sorted domain list, the file layouts.
#include "zones/RegistryGenerator.h"

#include "core/DataUnit.h"
#include "core/Prefetch.h"
#include "core/PrefixSort.h"
#include "core/RawArray.h"
#include "core/TextOut.h"
#include "platform/Platform.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// The program's one case rule: A-Z only.
inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

std::string LowerText(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = Lower(c);
    return out;
}

// The state codes that can stand before "us" as a second-level label.
constexpr const char* StateCodes = "ak,al,ar,az,ca,cn,co,ct,dc,de,fl,ga,hi,ia,id,il,in,ks,ky,la,ma,"
                                   "md,me,mi,mn,mo,ms,mt,nc,nd,ne,nh,nj,nm,nv,ny,oh,ok,or,pa,pr,ri,"
                                   "sc,sd,tn,tx,ut,va,vt,wa,wi,wv,wy";

// A sorted list of lower-case texts with a binary-search look-up.
class TSortedList {
public:
    void Assign(std::vector<std::string> items)
    {
        list = std::move(items);
        std::sort(list.begin(), list.end());
    }
    bool Contains(std::string_view s) const
    {
        if (list.empty())
            return false;
        auto it = std::lower_bound(list.begin(), list.end(), s,
                                   [](const std::string& a, std::string_view b) { return a < b; });
        return it != list.end() && *it == s;
    }

private:
    std::vector<std::string> list;
};

inline uint64_t HashText(std::string_view s)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
    const size_t n = s.size();
    uint64_t h = 0x9E3779B97F4A7C15ULL ^ n;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ w) * 0xff51afd7ed558ccdULL;
        h ^= h >> 32;
    }
    if (i < n) {
        uint64_t w = 0;
        std::memcpy(&w, p + i, n - i);
        h = (h ^ w) * 0xc4ceb9fe1a85ec53ULL;
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

// The domain list of a run: lower-case domains without duplicates, found by
// hash while they are gathered and sorted once when all are in. A sorted
// insert per domain would move half the list each time.
class TDomainList {
public:
    // Room for this many domains, so a big run neither rehashes nor copies.
    void Reserve(size_t domains)
    {
        if (items.size() == 0 && domains * 2 > slots.size()) {
            size_t capacity = 1024;
            while (capacity < domains * 2)
                capacity *= 2;
            slots.AssignZero(capacity);
        }
        items.reserve(domains);
        // Domains run to about sixteen characters.
        arena.reserve(domains * 16);
    }

    size_t Size() const { return items.size(); }

    std::string_view At(size_t i) const { return Text(uint32_t(i)); }

    // Starts fetching the slot where a look-up of this hash begins.
    void Prefetch(uint64_t hash) const
    {
        if (slots.size())
            QUILLON_PREFETCH(&slots[size_t(uint32_t(hash)) & (slots.size() - 1)]);
    }

    bool Contains(std::string_view s, uint64_t hash) const { return slots.size() && Find(s, hash); }

    // The caller has made sure the domain is not in the list.
    void Add(std::string_view s, uint64_t hash)
    {
        if ((items.size() + 1) * 2 > slots.size())
            Grow();
        items.push_back({arena.size(), uint32_t(s.size()), uint32_t(hash)});
        arena.append(s.data(), s.size());
        Place(uint32_t(items.size() - 1), hash);
    }

    // Byte order, which for lower-case text is the program's case-insensitive order.
    void Sort()
    {
        // An 8-byte prefix settles nearly every comparison without reading the text.
        const size_t n = items.size();
        TRawArray<TPrefixEntry> keys;
        keys.ResizeUninitialized(n);
        for (size_t i = 0; i < n; ++i)
            keys[i] = {TextPrefix(Text(uint32_t(i))), uint32_t(i), 0};
        PrefixSort(keys, [this](uint32_t a, uint32_t b) { return Text(a) < Text(b); });
        // The texts are laid out again in sorted order, so the loops that
        // write them read memory front to back; the look-ups end here.
        TRawArray<char> sortedText;
        sortedText.reserve(arena.size());
        TRawArray<TItem> sortedItems;
        sortedItems.ResizeUninitialized(n);
        for (size_t i = 0; i < n; ++i) {
            if (i + 32 < n)
                QUILLON_PREFETCH(&items[keys[i + 32].id]);
            if (i + 16 < n)
                QUILLON_PREFETCH(arena.data() + items[keys[i + 16].id].offset);
            const TItem& item = items[keys[i].id];
            sortedItems[i] = {sortedText.size(), item.length, 0};
            sortedText.append(arena.data() + item.offset, item.length);
        }
        arena.swap(sortedText);
        items.swap(sortedItems);
        slots.clear();
    }

private:
    struct TItem {
        uint64_t offset;
        uint32_t length;
        uint32_t hash;   // its low half: where the slot search starts
    };
    struct TSlot {
        uint32_t item;   // item + 1; 0 is a free slot
        uint32_t tag;    // the hash's high half, so most misses never read the text
    };

    TRawArray<char> arena;
    TRawArray<TItem> items;
    TRawArray<TSlot> slots;

    std::string_view Text(uint32_t i) const
    {
        return std::string_view(arena.data() + items[i].offset, items[i].length);
    }

    bool Find(std::string_view s, uint64_t hash) const
    {
        const size_t mask = slots.size() - 1;
        const uint32_t tag = uint32_t(hash >> 32);
        for (size_t i = size_t(uint32_t(hash)) & mask;; i = (i + 1) & mask) {
            const TSlot& slot = slots[i];
            if (slot.item == 0)
                return false;
            if (slot.tag == tag && Text(slot.item - 1) == s)
                return true;
        }
    }

    void Place(uint32_t item, uint64_t hash)
    {
        const size_t mask = slots.size() - 1;
        size_t i = size_t(uint32_t(hash)) & mask;
        while (slots[i].item != 0)
            i = (i + 1) & mask;
        slots[i] = {item + 1, uint32_t(hash >> 32)};
    }

    void Grow()
    {
        TRawArray<TSlot> old;
        old.swap(slots);
        slots.AssignZero(std::max<size_t>(1024, old.size() * 2));
        for (size_t i = 0; i < old.size(); ++i)
            if (old[i].item != 0) {
                const TItem& item = items[old[i].item - 1];
                Place(old[i].item - 1, (uint64_t(old[i].tag) << 32) | item.hash);
            }
    }
};

}   // namespace

namespace {

// An empty template means the default.
std::string Template(const std::string& saved, const char* fallback)
{
    return saved.empty() ? fallback : saved;
}

}   // namespace

void FillRegistryDefaults(TQuillonPrefs& prefs)
{
    prefs.RegistryTLDs = Template(prefs.RegistryTLDs, DefaultRegistryTLDs);
    prefs.RegistryKey = Template(prefs.RegistryKey, DefaultRegistryKey);
    prefs.RegistryValue = Template(prefs.RegistryValue, DefaultRegistryValue);
}

TRegistryOptions RegistryOptionsFrom(const TQuillonPrefs& prefs)
{
    TRegistryOptions o;
    o.file = prefs.RegistryFile;
    o.plainText = prefs.RegistryFormat == 1;
    o.uninstall = prefs.RegistryUninstall;
    o.both = prefs.RegistryBoth;
    o.backup = prefs.RegistryBackup;
    o.view = prefs.RegistryView;
    o.textEditor = prefs.TextEditor;
    o.exclude = ExcludeLines(prefs.RegistryExclude);
    o.tlds = Template(prefs.RegistryTLDs, DefaultRegistryTLDs);
    o.key = Template(prefs.RegistryKey, DefaultRegistryKey);
    o.value = Template(prefs.RegistryValue, DefaultRegistryValue);
    o.textComment = prefs.TextComment;
    return o;
}

TRegistryOptions CommandRegistryOptions(const TQuillonPrefs& prefs, const TCmdCommand& command)
{
    TRegistryOptions o = RegistryOptionsFrom(prefs);
    o.file = command.file;
    o.plainText = command.plainText;
    o.both = command.both;
    o.uninstall = command.uninstall;
    o.view = false;
    return o;
}

void SplitString(std::string_view text, std::string_view separator, std::vector<std::string>& list)
{
    if (text.empty())
        return;
    if (separator.empty()) {
        list.emplace_back(text);
        return;
    }
    for (;;) {
        const size_t at = text.find(separator);
        if (at == std::string_view::npos) {
            list.emplace_back(text);
            return;
        }
        list.emplace_back(text.substr(0, at));
        text.remove_prefix(at + separator.size());
    }
}

std::string CommaText(const std::vector<std::string>& items)
{
    // A single empty item must not read back as no item at all.
    if (items.size() == 1 && items[0].empty())
        return "\"\"";
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += ',';
        const std::string& item = items[i];
        const bool quote = std::any_of(item.begin(), item.end(), [](char c) {
            return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',';
        });
        if (!quote) {
            out += item;
            continue;
        }
        out += '"';
        for (char c : item) {
            if (c == '"')
                out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

std::vector<std::string> SplitCommaText(std::string_view text)
{
    auto blank = [](char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; };
    std::vector<std::string> items;
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && blank(text[i]))
            ++i;
    };
    skipBlanks();
    while (i < text.size()) {
        std::string item;
        if (text[i] == '"') {
            for (++i; i < text.size(); ++i) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        item += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i];
            }
        } else {
            const size_t start = i;
            while (i < text.size() && !blank(text[i]) && text[i] != ',')
                ++i;
            item = text.substr(start, i - start);
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (i < text.size() && text[i] == ',') {
            if (i + 1 == text.size())
                items.emplace_back();   // a comma at the very end
            ++i;
            skipBlanks();
        }
    }
    return items;
}

std::vector<std::string> ExcludeLines(const std::string& registryExclude)
{
    std::vector<std::string> lines = SplitCommaText(registryExclude);
    // One item a line; a final empty line is no line of its own, so a lone
    // empty item is none at all.
    if (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

std::string UninstallFileName(const std::string& fileName)
{
    const std::string stem = platform::RemoveFileExt(fileName);
    return stem + ".uninstall" + fileName.substr(stem.size());
}

struct TRegistryGenerator::Impl {
    TQuillonData& data;
    IProgress& progress;
    TOwner owner;
    const TRegistryOptions* options = nullptr;   // of the run in hand

    int count = 0;
    std::string status;

    // The working lists of one run.
    TDomainList domains;
    TSortedList secondLevel, states, excluded;
    std::string lower;            // the host name in hand, lower-cased
    std::vector<size_t> starts;   // where each of its labels starts

    Impl(TQuillonData& d, IProgress& p, TOwner o) : data(d), progress(p), owner(o) {}

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

    std::string_view Label(size_t k) const
    {
        const size_t begin = starts[k];
        const size_t end = k + 1 < starts.size() ? starts[k + 1] - 1 : lower.size();
        return std::string_view(lower).substr(begin, end - begin);
    }

    // The host's domain: one label below its public suffix, or the first
    // longer name that is not excluded; empty for a bare suffix or a host that
    // is excluded whole. The list only ever receives names that are not
    // excluded, so asking the exclude lines before the list changes nothing.
    std::string_view Reduce(std::string_view host)
    {
        if (host.empty())
            return {};
        lower.resize(host.size());
        starts.clear();
        starts.push_back(0);
        for (size_t i = 0; i < host.size(); ++i) {
            const char c = Lower(host[i]);
            lower[i] = c;
            if (c == '.')
                starts.push_back(i + 1);
        }
        if (starts.size() < 2)
            return {};
        // k: the first label of the suffix, which is one or two labels long.
        size_t k = starts.size() - 1;
        const std::string_view top = Label(k);
        if (top.size() == 2) {
            const std::string_view s = Label(k - 1);
            if (secondLevel.Contains(s) || (top == "us" && s.size() == 2 && states.Contains(s)))
                --k;
        }
        const std::string_view name = lower;
        while (k > 0) {
            --k;
            const std::string_view candidate = name.substr(starts[k]);
            if (!excluded.Contains(candidate))
                return candidate;
        }
        return {};
    }

    void Offer(std::string_view domain, uint64_t hash)
    {
        if (domains.Contains(domain, hash))
            return;
        domains.Add(domain, hash);
        ++count;
        progress.UpdateCounters();
        if (count % 50 == 0)
            progress.ProcessMessages();
    }

    void Gather()
    {
        TTable& groups = data.Groups;
        TTable& bad = data.BadHosts;
        const int groupId = groups.FieldNo("group_id"), restricted = groups.FieldNo("restricted");
        const int hostName = bad.FieldNo("hostname"), hostGroup = bad.FieldNo("group_id");
        // No run adds more domains than there are hosts.
        domains.Reserve(size_t(bad.RowCount()));

        // Each domain is looked up a few hosts after it was worked out, so
        // that its place in the list is already on its way from memory.
        struct TPending {
            std::string text;
            uint64_t hash = 0;
        };
        constexpr size_t Ahead = 8;
        std::array<TPending, Ahead> pending;
        size_t head = 0, queued = 0;
        auto offerOldest = [&] {
            Offer(pending[head].text, pending[head].hash);
            head = (head + 1) % Ahead;
            --queued;
        };
        for (groups.First(); !groups.Eof() && !progress.CancelRequested(); groups.Next()) {
            if (!groups.AsBoolean(restricted))
                continue;
            const int id = groups.AsInteger(groupId);
            if (!bad.FindKey({id}))
                continue;
            for (; !bad.Eof() && bad.AsInteger(hostGroup) == id && !progress.CancelRequested(); bad.Next()) {
                const std::string_view domain = Reduce(bad.AsString(hostName));
                if (domain.empty())
                    continue;
                TPending& next = pending[(head + queued) % Ahead];
                next.text.assign(domain);
                next.hash = HashText(domain);
                domains.Prefetch(next.hash);
                if (++queued == Ahead)
                    offerOldest();
            }
        }
        while (queued > 0 && !progress.CancelRequested())
            offerOldest();
    }

    void Header(TTextOut& out)
    {
        out.Line("REGEDIT4");
        out.EndLine();
        out.Line("; " + data.CreatedByText());
    }

    // Per domain an empty line, the key template with every "^" replaced by
    // the domain, and the value line when there is one.
    void Entries(TTextOut& out, const std::string& keyTemplate, const std::string* value)
    {
        // The fixed text between two domains is joined up front, so a million
        // entries take a few large copies each rather than seven small ones.
        std::vector<std::string> glue;
        SplitString(keyTemplate, "^", glue);
        if (glue.empty())
            glue.emplace_back();
        glue.front().insert(0, platform::LineEnd);
        glue.back() += platform::LineEnd;
        if (value)
            glue.back() += *value + platform::LineEnd;
        for (size_t i = 0; i < domains.Size(); ++i) {
            const std::string_view domain = domains.At(i);
            out.Put(glue[0]);
            for (size_t g = 1; g < glue.size(); ++g) {
                out.Put(domain);
                out.Put(glue[g]);
            }
        }
    }

    // Writes the open file and whatever follows it; false when the uninstall
    // file's backup failed and the run ended there.
    bool Write(TTextOut& out, bool& outClosed)
    {
        const TRegistryOptions& o = *options;
        if (o.plainText) {
            out.Line(o.textComment + " Restricted Zone domain list");
            out.Line(o.textComment + " " + data.CreatedByText());
            out.EndLine();
            for (size_t i = 0; i < domains.Size(); ++i)
                out.Line(domains.At(i));
            return true;
        }
        Header(out);
        if (!o.uninstall || o.both)
            Entries(out, o.key, &o.value);
        if (!o.both && !o.uninstall)
            return true;

        // A minus after the opening bracket makes the import delete the key.
        std::string removeKey = o.key;
        removeKey.insert(std::min<size_t>(1, removeKey.size()), "-");
        if (!o.both) {
            Entries(out, removeKey, nullptr);
            return true;
        }
        outClosed = true;
        out.Close();
        const std::string uninstallName = UninstallFileName(o.file);
        if (o.backup && platform::FileExists(uninstallName) &&
            !platform::BackupFile(uninstallName, uninstallName + ".bak")) {
            // The uninstall file is left as it was rather than replaced without its copy.
            Final("Registry file created.");
            ErrorDlg("Backup failed!", RegistryFileCaption, owner);
            return false;
        }
        TTextOut second(uninstallName);
        Header(second);
        Entries(second, removeKey, nullptr);
        second.Close();
        return true;
    }

    // True when every file was written to its end.
    bool Run()
    {
        const TRegistryOptions& o = *options;
        const std::string& fileName = o.file;
        const std::string backupName = fileName + ".bak";
        count = 0;
        status.clear();

        bool backupMade = false;
        if (o.backup && platform::FileExists(fileName)) {
            if (!platform::BackupFile(fileName, backupName)) {
                ErrorDlg("Backup failed!", RegistryFileCaption, owner);
                return false;
            }
            backupMade = true;
        }
        progress.UpdateCounters();
        Step("Gathering data...");
        data.BadHosts.SetIndexName("group_id");
        data.Groups.SetIndexName("group_id");

        bool cancelled = false, completed = false;
        {
            TTextOut out(fileName);
            std::vector<std::string> list;
            SplitString(LowerText(o.tlds), ",", list);
            secondLevel.Assign(std::move(list));
            list.clear();
            SplitString(StateCodes, ",", list);
            states.Assign(std::move(list));
            list.clear();
            for (const std::string& line : o.exclude)
                list.push_back(LowerText(line));
            excluded.Assign(std::move(list));

            struct TFreeLists {
                Impl& run;
                ~TFreeLists()
                {
                    run.domains = TDomainList();
                    run.secondLevel = run.states = run.excluded = TSortedList();
                }
            } freeLists{*this};

            Gather();
            cancelled = progress.CancelRequested();
            if (!cancelled) {
                Step("Writing file...");
                domains.Sort();
                bool outClosed = false;
                completed = Write(out, outClosed);
                if (!outClosed)
                    out.Close();
                if (completed)
                    Final(!o.plainText && o.both ? "Registry files created." : "Registry file created.");
            }
        }

        // The file is replaced only when it is closed, so after a cancel it
        // still holds what the backup holds: the backup goes, as if it had
        // taken the file's name again. Without one the file goes.
        if (cancelled) {
            if (backupMade) {
                platform::DeleteFile(backupName);
                Final("Create cancelled, backup restored");
            } else {
                platform::DeleteFile(fileName);
                Final("Create cancelled, file deleted");
            }
            return false;
        }
        if (completed && o.view)
            OpenWithEditor(o.textEditor, fileName);
        return completed;
    }
};

TRegistryGenerator::TRegistryGenerator(TQuillonData& data, IProgress& progress, TOwner owner)
    : d(std::make_unique<Impl>(data, progress, owner))
{
}

TRegistryGenerator::~TRegistryGenerator() = default;

TRegistryResult TRegistryGenerator::CreateRegistryFile(const TRegistryOptions& options)
{
    d->options = &options;
    struct TForget {
        Impl& run;
        ~TForget() { run.options = nullptr; }
    } forget{*d};
    TRegistryResult result;
    result.completed = d->Run();
    result.domainCount = d->count;
    result.status = d->status;
    return result;
}

int TRegistryGenerator::DomainCount() const { return d->count; }
