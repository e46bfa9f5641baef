// One sort order of a table: row ids in chunked sorted vectors, with per-chunk counts for the k-th row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TTableOrder {
public:
    // Chunks are filled to Fill when built and split past 2 * Fill, so a single
    // insert moves at most a few kilobytes and the k-th row is one binary search away.
    static constexpr size_t Fill = 1024;

    void Clear();
    void Assign(const std::vector<uint32_t>& sorted);   // replaces the content
    std::vector<uint32_t> ToVector() const;

    size_t Size() const { return size; }
    uint32_t At(size_t k) const;
    // The rows from position k to the end of its chunk (count of them in `count`).
    const uint32_t* Span(size_t k, size_t& count) const;

    // Position at which `less(row)` stops holding: `less(x)` is true for the
    // rows that sort before the wanted place.
    template <class Less>
    size_t LowerBound(Less less) const
    {
        // First chunk whose last row does not sort before the target.
        size_t lo = 0, hi = chunks.size();
        while (lo < hi) {
            size_t mid = (lo + hi) / 2;
            if (less(chunks[mid].back()))
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo == chunks.size())
            return size;
        const std::vector<uint32_t>& c = chunks[lo];
        size_t a = 0, b = c.size();
        while (a < b) {
            size_t m = (a + b) / 2;
            if (less(c[m]))
                a = m + 1;
            else
                b = m;
        }
        return Start(lo) + a;
    }

    void Insert(size_t position, uint32_t row);
    void Erase(size_t position);

private:
    std::vector<std::vector<uint32_t>> chunks;
    mutable std::vector<size_t> starts;   // first position of each chunk
    mutable bool startsValid = true;
    mutable size_t lastChunk = 0;   // speeds up walking row by row
    size_t size = 0;

    size_t Start(size_t chunk) const;
    void Locate(size_t k, size_t& chunk, size_t& offset) const;
    void Rebuild() const;
};
