// A growable array of plain values that never zero-fills what it does not have to.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#endif

// Million-row tables touch tens of megabytes at once: calloc hands out fresh
// zero pages without a memset, and realloc moves big blocks by remapping
// rather than copying.
template <class T>
class TRawArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    TRawArray() = default;
    ~TRawArray() { Release(); }
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
        std::swap(mapped, o.mapped);
    }

    void clear()
    {
        Release();
        p = nullptr;
        n = cap = 0;
        mapped = false;
    }

    // count values, all zero.
    void AssignZero(size_t count)
    {
        clear();
        if (!count)
            return;
        if (!Map(count)) {
            p = static_cast<T*>(std::calloc(count, sizeof(T)));
            if (!p)
                throw std::bad_alloc();
            cap = count;
        }
        n = count;
    }

    void reserve(size_t wanted)
    {
        if (wanted <= cap)
            return;
#ifdef __linux__
        if (mapped) {
            void* q = mremap(p, cap * sizeof(T), wanted * sizeof(T), MREMAP_MAYMOVE);
            if (q == MAP_FAILED)
                throw std::bad_alloc();
            p = static_cast<T*>(q);
            cap = wanted;
            return;
        }
        if (!p && Map(wanted))
            return;
#endif
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

    void push_back(const T& v)
    {
        if (n == cap)
            reserve(std::max<size_t>(16, cap + cap / 2));
        p[n++] = v;
    }

    // count copies of v.
    void assign(size_t count, const T& v)
    {
        clear();
        ResizeUninitialized(count);
        for (size_t i = 0; i < count; ++i)
            p[i] = v;
    }

    void assign(const T* first, const T* last)
    {
        clear();
        append(first, size_t(last - first));
    }

    void resize(size_t count)
    {
        size_t old = n;
        ResizeUninitialized(count);
        for (size_t i = old; i < count; ++i)
            p[i] = T();
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
    bool mapped = false;

    // Blocks of many megabytes come straight from the system in huge pages where
    // it offers them: first touching memory page by page is a large part of
    // loading a big table. Sets the capacity (rounded up to whole huge pages).
    bool Map(size_t count)
    {
#ifdef __linux__
        size_t bytes = count * sizeof(T);
        if (bytes < (size_t(2) << 20))
            return false;
        // Start on a huge-page boundary so that every part of the block can
        // be served in huge pages: map more, then unmap the unaligned ends.
        constexpr size_t Huge = size_t(2) << 20;
        bytes = (bytes + Huge - 1) & ~(Huge - 1);
        void* q = mmap(nullptr, bytes + Huge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (q == MAP_FAILED)
            return false;
        char* start = static_cast<char*>(q);
        char* aligned =
            reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(start) + Huge - 1) & ~(Huge - 1));
        if (aligned > start)
            munmap(start, size_t(aligned - start));
        if (size_t tail = size_t(start + bytes + Huge - (aligned + bytes)))
            munmap(aligned + bytes, tail);
        madvise(aligned, bytes, MADV_HUGEPAGE);
        p = reinterpret_cast<T*>(aligned);
        cap = bytes / sizeof(T);
        mapped = true;
        return true;
#else
        (void)count;
        return false;
#endif
    }

    void Release()
    {
#ifdef __linux__
        if (mapped) {
            munmap(p, cap * sizeof(T));
            return;
        }
#endif
        std::free(p);
    }
};
