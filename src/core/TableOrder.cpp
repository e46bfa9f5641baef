// Chunked sorted vectors of row ids.
#include "core/TableOrder.h"

#include <algorithm>

void TTableOrder::Clear()
{
    chunks.clear();
    starts.clear();
    startsValid = true;
    lastChunk = 0;
    size = 0;
}

void TTableOrder::Assign(const std::vector<uint32_t>& sorted)
{
    Clear();
    chunks.reserve(sorted.size() / Fill + 1);
    for (size_t i = 0; i < sorted.size(); i += Fill) {
        size_t end = std::min(sorted.size(), i + Fill);
        chunks.emplace_back(sorted.begin() + i, sorted.begin() + end);
    }
    size = sorted.size();
    startsValid = false;
}

std::vector<uint32_t> TTableOrder::ToVector() const
{
    std::vector<uint32_t> out;
    out.reserve(size);
    for (const auto& c : chunks)
        out.insert(out.end(), c.begin(), c.end());
    return out;
}

void TTableOrder::Rebuild() const
{
    starts.resize(chunks.size());
    size_t s = 0;
    for (size_t i = 0; i < chunks.size(); ++i) {
        starts[i] = s;
        s += chunks[i].size();
    }
    startsValid = true;
}

size_t TTableOrder::Start(size_t chunk) const
{
    if (!startsValid)
        Rebuild();
    return starts[chunk];
}

void TTableOrder::Locate(size_t k, size_t& chunk, size_t& offset) const
{
    if (!startsValid)
        Rebuild();
    if (lastChunk < chunks.size() && k >= starts[lastChunk] &&
        k < starts[lastChunk] + chunks[lastChunk].size()) {
        chunk = lastChunk;
    } else if (lastChunk + 1 < chunks.size() && k >= starts[lastChunk + 1] &&
               k < starts[lastChunk + 1] + chunks[lastChunk + 1].size()) {
        chunk = ++lastChunk;
    } else {
        auto it = std::upper_bound(starts.begin(), starts.end(), k);
        chunk = size_t(it - starts.begin()) - 1;
        lastChunk = chunk;
    }
    offset = k - starts[chunk];
}

uint32_t TTableOrder::At(size_t k) const
{
    size_t c, o;
    Locate(k, c, o);
    return chunks[c][o];
}

const uint32_t* TTableOrder::Span(size_t k, size_t& count) const
{
    size_t c, o;
    Locate(k, c, o);
    count = chunks[c].size() - o;
    return chunks[c].data() + o;
}

void TTableOrder::Insert(size_t position, uint32_t row)
{
    if (chunks.empty()) {
        chunks.push_back({row});
        size = 1;
        startsValid = false;
        return;
    }
    size_t c, o;
    if (position >= size) {
        c = chunks.size() - 1;
        o = chunks[c].size();
    } else {
        Locate(position, c, o);
    }
    auto& chunk = chunks[c];
    chunk.insert(chunk.begin() + o, row);
    ++size;
    if (chunk.size() > 2 * Fill) {
        std::vector<uint32_t> tail(chunk.begin() + Fill, chunk.end());
        chunk.resize(Fill);
        chunks.insert(chunks.begin() + c + 1, std::move(tail));
    }
    startsValid = false;
}

void TTableOrder::Erase(size_t position)
{
    size_t c, o;
    Locate(position, c, o);
    chunks[c].erase(chunks[c].begin() + o);
    if (chunks[c].empty()) {
        chunks.erase(chunks.begin() + c);
        lastChunk = 0;
    }
    --size;
    startsValid = false;
}
