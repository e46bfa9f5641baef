// Table files: the format's writer and reader and the check value that ends every file.
#include "core/Table.h"

#include "core/TableImpl.h"
#include "core/TableSet.h"
#include "platform/Platform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <numeric>

using namespace tableimpl;

namespace {

constexpr char Magic[8] = {'Q', 'L', 'N', 'T', 'A', 'B', 'L', 'E'};
constexpr uint32_t FileVersion = 1;

// The check value of a table file. Four independent lanes keep the multiplier
// busy, so checking tens of megabytes costs little; it is fed piece by piece
// while the file streams out, and over the whole buffer when it is read back.
class TChecksum {
public:
    void Update(const char* p, size_t n)
    {
        total += n;
        if (tailLen) {
            size_t take = std::min(n, sizeof tail - tailLen);
            std::memcpy(tail + tailLen, p, take);
            tailLen += take;
            p += take;
            n -= take;
            if (tailLen < sizeof tail)
                return;
            Block(tail);
            tailLen = 0;
        }
        // Lanes in locals: through a char pointer the compiler would otherwise
        // reload them from memory on every block.
        uint64_t a = h[0], b = h[1], c = h[2], e = h[3];
        for (; n >= 32; p += 32, n -= 32) {
            a = Lane(a, p);
            b = Lane(b, p + 8);
            c = Lane(c, p + 16);
            e = Lane(e, p + 24);
        }
        h[0] = a;
        h[1] = b;
        h[2] = c;
        h[3] = e;
        std::memcpy(tail, p, n);
        tailLen = n;
    }

    uint64_t Final() const
    {
        uint64_t r = Mix(h[0] ^ total) ^ Mix(h[1] + 1) ^ Mix(h[2] + 2) ^ Mix(h[3] + 3);
        for (size_t i = 0; i < tailLen; ++i)
            r = (r ^ static_cast<unsigned char>(tail[i])) * 0x100000001B3ULL;
        return Mix(r);
    }

private:
    uint64_t h[4] = {0x9E3779B97F4A7C15ULL, 0xC2B2AE3D27D4EB4FULL, 0x165667B19E3779F9ULL,
                     0x27D4EB2F165667C5ULL};
    uint64_t total = 0;
    char tail[32];
    size_t tailLen = 0;

    static uint64_t Lane(uint64_t lane, const char* p)
    {
        uint64_t w;
        std::memcpy(&w, p, 8);
        lane = (lane ^ w) * 0x100000001B3ULL;
        return lane ^ (lane >> 29);
    }

    void Block(const char* p)
    {
        h[0] = Lane(h[0], p);
        h[1] = Lane(h[1], p + 8);
        h[2] = Lane(h[2], p + 16);
        h[3] = Lane(h[3], p + 24);
    }
};

// Streams a table file out through a buffer of its own, checking as it goes:
// nothing the size of the file is ever held in memory.
class TWriter {
public:
    // sizeHint: about how large the file will be. A small table gets a small
    // buffer, left uninitialised: clearing a megabyte would cost more than
    // writing the whole file.
    TWriter(const std::string& fileName, size_t sizeHint)
        : Size(std::clamp<size_t>(sizeHint, 4096, 1 << 20)),
          out(std::make_unique<platform::TAtomicFileWriter>(fileName)), buffer(new char[Size])
    {
    }

    void Put(const void* p, size_t k)
    {
        if (used + k > Size) {
            Flush();
            if (k > Size) {
                sum.Update(static_cast<const char*>(p), k);
                out->Write(static_cast<const char*>(p), k);
                return;
            }
        }
        std::memcpy(buffer.get() + used, p, k);
        used += k;
    }
    void U8(uint8_t v) { Put(&v, 1); }
    void U32(uint32_t v) { Put(&v, 4); }
    void U64(uint64_t v) { Put(&v, 8); }
    void Str(std::string_view s)
    {
        U32(uint32_t(s.size()));
        Put(s.data(), s.size());
    }

    // The whole file on disk under its temporary name, not yet in place.
    std::unique_ptr<platform::TAtomicFileWriter> Finish()
    {
        Flush();
        uint64_t check = sum.Final();
        out->Write(reinterpret_cast<const char*>(&check), 8);
        out->Prepare();
        return std::move(out);
    }

private:
    const size_t Size;
    std::unique_ptr<platform::TAtomicFileWriter> out;
    TChecksum sum;
    std::unique_ptr<char[]> buffer;
    size_t used = 0;

    void Flush()
    {
        sum.Update(buffer.get(), used);
        out->Write(buffer.get(), used);
        used = 0;
    }
};

class TReader {
public:
    TReader(const char* data, size_t size, const std::string& file) : p(data), n(size), file(file) {}
    [[noreturn]] void Damaged(const std::string& why) const
    {
        throw EQuillonError("Cannot read table file " + file + ": " + why);
    }
    const char* Take(size_t k)
    {
        if (k > n - at)
            Damaged("the file is truncated.");
        const char* r = p + at;
        at += k;
        return r;
    }
    uint8_t U8() { return static_cast<uint8_t>(*Take(1)); }
    uint32_t U32()
    {
        uint32_t v;
        std::memcpy(&v, Take(4), 4);
        return v;
    }
    std::string Str()
    {
        uint32_t len = U32();
        return std::string(Take(len), len);
    }
    size_t Left() const { return n - at; }

private:
    const char* p;
    size_t n;
    size_t at = 0;
    const std::string& file;
};

}   // namespace

uint64_t TTable::FileCheckValue(const char* data, size_t size)
{
    TChecksum check;
    check.Update(data, size);
    return check.Final();
}

void TTable::SaveToFile(const std::string& fileName)
{
    std::unique_ptr<platform::TAtomicFileWriter> file = SaveToTemporaryFile(fileName);
    CommitTableFiles(platform::ExtractFilePath(fileName), {file.get()});
}

std::unique_ptr<platform::TAtomicFileWriter> TTable::SaveToTemporaryFile(const std::string& fileName)
{
    d->CheckActive();
    // Rows go out in primary-key order, so loading gets that order for free.
    std::vector<uint32_t> rows;
    Impl::Index* primary = nullptr;
    for (Impl::Index& ix : d->indexes)
        if (ix.def.primary)
            primary = &ix;
    if (primary) {
        d->Flush(*primary);
        rows = primary->order.ToVector();
    } else {
        for (uint32_t r = 0; r < d->deleted.size(); ++r)
            if (!d->deleted[r])
                rows.push_back(r);
    }

    TWriter w(fileName, 1024 + rows.size() * (4 + 5 * d->cols.size()) + d->arena.size() - d->arenaGarbage);
    w.Put(Magic, 8);
    w.U32(FileVersion);
    w.Str(name);
    w.U32(uint32_t(d->fieldDefs.size()));
    for (const TFieldDef& f : d->fieldDefs) {
        w.Str(f.name);
        w.U8(uint8_t(f.type));
        w.U32(uint32_t(f.size));
        w.U8(f.required ? 1 : 0);
    }
    w.U32(uint32_t(d->indexDefs.size()));
    for (const TIndexDef& ix : d->indexDefs) {
        w.Str(ix.name);
        w.U8(uint8_t((ix.primary ? 1 : 0) | (ix.unique ? 2 : 0)));
        w.U32(uint32_t(ix.fields.size()));
        for (size_t i = 0; i < ix.fields.size(); ++i) {
            w.Str(ix.fields[i]);
            w.U8(i < ix.caseInsensitive.size() && ix.caseInsensitive[i] ? 1 : 0);
        }
    }
    w.U32(uint32_t(rows.size()));
    TRawArray<uint64_t> slots;   // every entry is written before it is read
    slots.ResizeUninitialized(rows.size());
    constexpr size_t Ahead = 16;
    for (size_t f = 0; f < d->cols.size(); ++f) {
        const Impl::Column& c = d->cols[f];
        if (c.def.type == TFieldType::ftString) {
            // One pass gathers the slots in file order (rows are scattered in
            // memory after bulk appends, so fetch ahead), then lengths and bytes.
            bool wide = false;
            uint64_t total = 0;
            for (size_t i = 0; i < rows.size(); ++i) {
                if (i + Ahead < rows.size())
                    QUILLON_PREFETCH(&c.text[rows[i + Ahead]]);
                uint64_t slot = c.text[rows[i]];
                slots[i] = slot;
                uint32_t len = uint32_t(slot & 0xFFFFFF);
                wide = wide || len > 255;
                total += len;
            }
            w.U8(wide ? 4 : 1);
            for (size_t i = 0; i < rows.size(); ++i) {
                uint32_t len = uint32_t(slots[i] & 0xFFFFFF);
                if (wide)
                    w.U32(len);
                else
                    w.U8(uint8_t(len));
            }
            w.U64(total);
            const char* src = d->arena.data();
            for (size_t i = 0; i < rows.size(); ++i) {
                if (i + Ahead < rows.size())
                    QUILLON_PREFETCH(src + (slots[i + Ahead] >> 24));
                w.Put(src + (slots[i] >> 24), uint32_t(slots[i] & 0xFFFFFF));
            }
        } else {
            for (uint32_t r : rows)
                w.U8(c.nulls[r]);
            for (uint32_t r : rows)
                w.Put(&c.ints[r], 4);
        }
    }
    return w.Finish();
}

namespace {

// What stands under a name that is no file, for the message that refuses it.
const char* KindName(std::filesystem::file_type kind)
{
    switch (kind) {
    case std::filesystem::file_type::directory:
        return "a folder";
    case std::filesystem::file_type::fifo:
        return "a pipe (FIFO)";
    case std::filesystem::file_type::block:
    case std::filesystem::file_type::character:
        return "a device";
    case std::filesystem::file_type::socket:
        return "a socket";
    default:
        return "something else";
    }
}

// The whole file in a buffer that later serves as the text arena as it is.
TRawArray<char> ReadTableFile(const std::string& fileName)
{
    // Not opened at all when it is no file: a FIFO would wait for a writer,
    // a device give endless or no bytes, a folder read as nothing.
    std::error_code kindError;
    const std::filesystem::file_type kind = std::filesystem::status(fileName, kindError).type();
    if (!kindError && kind != std::filesystem::file_type::regular)
        throw EQuillonError("Cannot read table file " + fileName + ": it is " + KindName(kind) +
                            ", not a file.");
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f)
        throw EQuillonError("Cannot open file " + fileName + ": " + std::strerror(errno));
    std::error_code ec;
    uintmax_t expected = std::filesystem::file_size(fileName, ec);
    TRawArray<char> buf;
    buf.ResizeUninitialized(ec ? size_t(1) << 20 : size_t(expected) + 1);
    size_t have = 0;
    for (;;) {
        if (have == buf.size())
            buf.ResizeUninitialized(buf.size() * 2);
        size_t got = std::fread(buf.data() + have, 1, buf.size() - have, f);
        have += got;
        if (got == 0) {
            bool failed = std::ferror(f);
            int error = errno;
            std::fclose(f);
            if (failed)
                throw EQuillonError("Cannot read file " + fileName + ": " + std::strerror(error));
            break;
        }
    }
    buf.ResizeUninitialized(have);
    return buf;
}

}   // namespace

void TTable::LoadFromFile(const std::string& fileName)
{
    TRawArray<char> data = ReadTableFile(fileName);
    TReader rd(data.data(), data.size(), fileName);
    if (data.size() < 8 + 4 + 8 || std::memcmp(data.data(), Magic, 8) != 0)
        rd.Damaged("not a table file.");
    uint64_t stored;
    std::memcpy(&stored, data.data() + data.size() - 8, 8);
    TChecksum check;
    check.Update(data.data(), data.size() - 8);
    if (stored != check.Final())
        rd.Damaged("the file is damaged (its check value does not match).");
    rd.Take(8);
    uint32_t version = rd.U32();
    if (version != FileVersion)
        rd.Damaged("the file was written by another version (format " + std::to_string(version) + ").");
    rd.Str();   // the name it was saved under

    uint32_t nf = rd.U32();
    if (nf == 0 || nf > 1024)
        rd.Damaged("the file holds no valid field list.");
    std::vector<TFieldDef> fields(nf);
    for (TFieldDef& f : fields) {
        f.name = rd.Str();
        uint8_t type = rd.U8();
        if (type < 1 || type > 3)
            rd.Damaged("field " + f.name + " has an unknown type.");
        f.type = TFieldType(type);
        f.size = int(rd.U32());
        f.required = rd.U8() != 0;
    }
    uint32_t ni = rd.U32();
    // Every table has a primary order; the cursor cannot work without one.
    if (ni == 0 || ni > 1024)
        rd.Damaged("the file holds no valid index list.");
    std::vector<TIndexDef> indexDefs(ni);
    for (TIndexDef& ix : indexDefs) {
        ix.name = rd.Str();
        uint8_t flags = rd.U8();
        ix.primary = flags & 1;
        ix.unique = flags & 2;
        uint32_t parts = rd.U32();
        if (parts == 0 || parts > nf)
            rd.Damaged("index " + ix.name + " is not valid.");
        for (uint32_t i = 0; i < parts; ++i) {
            ix.fields.push_back(rd.Str());
            ix.caseInsensitive.push_back(rd.U8() != 0);
        }
    }
    uint32_t rows = rd.U32();

    Close();
    d->fieldDefs = fields;
    d->indexDefs = indexDefs;
    try {
        d->SetupRuntime();
    } catch (const EQuillonError& e) {
        Close();
        rd.Damaged(e.what());
    }
    // The file buffer itself becomes the text arena: the text bytes are used
    // where they lie, and the rest of the file counts as reclaimable garbage.
    uint64_t textBytes = 0;
    try {
        for (Impl::Column& c : d->cols) {
            if (c.def.type == TFieldType::ftString) {
                uint8_t width = rd.U8();
                if (width != 1 && width != 4)
                    rd.Damaged("field " + c.def.name + " is not valid.");
                const char* lens = rd.Take(size_t(rows) * width);
                uint64_t total;
                std::memcpy(&total, rd.Take(8), 8);
                if (total > rd.Left())
                    rd.Damaged("the file is truncated.");
                const char* bytes = rd.Take(size_t(total));
                c.text.ResizeUninitialized(rows);   // every slot is set below
                uint64_t off = uint64_t(bytes - data.data()), sum = 0;
                for (uint32_t i = 0; i < rows; ++i) {
                    uint32_t len;
                    if (width == 1)
                        len = static_cast<unsigned char>(lens[i]);
                    else
                        std::memcpy(&len, lens + 4 * i, 4);
                    if (len > 0xFFFFFF || sum + len > total)
                        rd.Damaged("field " + c.def.name + " is not valid.");
                    c.text[i] = len ? (off + sum) << 24 | len : 0;
                    sum += len;
                }
                if (sum != total)
                    rd.Damaged("field " + c.def.name + " is not valid.");
                textBytes += total;
            } else {
                const char* nulls = rd.Take(rows);
                const char* vals = rd.Take(size_t(rows) * 4);
                c.nulls.assign(reinterpret_cast<const uint8_t*>(nulls),
                               reinterpret_cast<const uint8_t*>(nulls) + rows);
                c.ints.ResizeUninitialized(rows);
                if (rows > 0)   // an empty table has no array to copy into
                    std::memcpy(c.ints.data(), vals, size_t(rows) * 4);
            }
        }
        if (rd.Left() != 8)
            rd.Damaged("the file has trailing data.");
    } catch (...) {
        Close();
        throw;
    }
    d->arenaGarbage = data.size() - textBytes;
    d->arena = std::move(data);
    d->deleted.AssignZero(rows);
    d->live = rows;
    d->active = true;
    d->state = TTableState::dsBrowse;

    // Unique keys and the primary order; rows were saved in primary order, which
    // is checked rather than trusted.
    try {
        for (Impl::Index& ix : d->indexes) {
            bool strictlySorted = false;
            if (ix.def.primary) {
                strictlySorted = true;
                for (uint32_t r = 1; r < rows && strictlySorted; ++r)
                    strictlySorted = d->CompareRowKeys(ix, r - 1, r) < 0;
                if (strictlySorted) {
                    std::vector<uint32_t> ids(rows);
                    std::iota(ids.begin(), ids.end(), 0u);
                    ix.order.Assign(ids);
                    ix.built = true;
                } else {
                    d->BuildOrder(ix);
                }
            }
            if (!ix.hashed)
                continue;
            ix.hash.Grow(rows);
            // Keys in strictly rising order are distinct already; others are probed.
            constexpr uint32_t Batch = 16;
            uint64_t hv[Batch];
            for (uint32_t base = 0; base < rows; base += Batch) {
                uint32_t n = std::min(Batch, rows - base);
                for (uint32_t k = 0; k < n; ++k) {
                    hv[k] = d->HashCells(ix, d->RowKey(ix, base + k));
                    ix.hash.PrefetchSlot(hv[k]);
                }
                for (uint32_t k = 0; k < n; ++k) {
                    if (!strictlySorted && d->HashFindH(ix, d->RowKey(ix, base + k), hv[k]) != NoRow)
                        rd.Damaged("two rows share the key of index " + ix.def.name + ".");
                    ix.hash.Place(base + k, hv[k]);
                }
            }
        }
        for (size_t f = 0; f < d->cols.size(); ++f) {
            if (!d->cols[f].def.required)
                continue;
            for (uint32_t r = 0; r < rows; ++r)
                if (d->Cell(r, int(f)).null)
                    rd.Damaged("a row has no value in the required field " + d->cols[f].def.name + ".");
        }
    } catch (...) {
        Close();
        throw;
    }
    First();
}
