// A growable array of plain values that never zero-fills what it does not have to.
#pragma once

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

// Million-row tables touch tens of megabytes at once: calloc hands out fresh
// zero pages without a memset, and realloc moves big blocks by remapping
// rather than copying.
template <class T>
class TRawArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    TRawArray() = default;
    ~TRawArray() { std::free(p); }
    TRawArray(const TRawArray&) = delete;
    TRawArray& operator=(const TRawArray&) = delete;
    TRawArray(TRawArray&& o) noexcept { swap(o); }
    TRawArray& operator=(TRawArray&& o) noexcept
    {
        TRawArray(std::move(o)).swap(*this);
        return *this;
    }

    size_t size() const { return n; }
    bool empty() const { return n == 0; }
    T* data() { return p; }
    const T* data() const { return p; }
    T& operator[](size_t i) { return p[i]; }
    const T& operator[](size_t i) const { return p[i]; }

    void swap(TRawArray& o) noexcept
    {
        std::swap(p, o.p);
        std::swap(n, o.n);
        std::swap(cap, o.cap);
    }

    void clear()
    {
        std::free(p);
        p = nullptr;
        n = cap = 0;
    }

    // count values, all zero.
    void AssignZero(size_t count)
    {
        clear();
        if (!count)
            return;
        p = static_cast<T*>(std::calloc(count, sizeof(T)));
        if (!p)
            throw std::bad_alloc();
        n = cap = count;
    }

    void reserve(size_t wanted)
    {
        if (wanted <= cap)
            return;
        T* q = static_cast<T*>(std::realloc(p, wanted * sizeof(T)));
        if (!q)
            throw std::bad_alloc();
        p = q;
        cap = wanted;
    }

    // Grows to count values; the new ones are left as they are (to be written over).
    void ResizeUninitialized(size_t count)
    {
        reserve(count);
        n = count;
    }

    void append(const T* src, size_t count)
    {
        if (n + count > cap)
            reserve(std::max(n + count, cap + cap / 2 + 4096));
        if (count)
            std::memcpy(p + n, src, count * sizeof(T));
        n += count;
    }

private:
    T* p = nullptr;
    size_t n = 0, cap = 0;
};
